#pragma once
// The rows of a record set, read in full when the query ran, and the link to
// the connection that its edits and deletions go through.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/database/DatabaseField.h"
#include "framework/database/sqlite/Connection.h"
#include "framework/database/sqlite/Outcome.h"

namespace fw::sqlite {

class RecordSetData {
 public:
  // Where a field's text is: its block, and its place in the block.
  struct Cell {
    uint32_t block;
    uint32_t offset;
    uint32_t length;
  };
  struct Column {
    std::string name;
    std::string origin;  // the table column it comes from; empty for an expression
    bool writable = false;
  };

  RecordSetData() = default;
  RecordSetData(const RecordSetData&) = delete;
  RecordSetData& operator=(const RecordSetData&) = delete;

  std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
  std::shared_ptr<Connection> conn;

  std::vector<Column> columns;
  // All field text of all rows, end to end in blocks of about a megabyte: no
  // string per field, and no copy of everything read so far each time the
  // buffer grows (that alone stalled a large select for milliseconds).
  std::vector<std::string> blocks;
  std::deque<Cell> cells;  // rows * columns
  size_t rows = 0;
  size_t pos = 0;
  bool in_gap = false;  // the row at pos was deleted; fields read "" until MoveNext
  bool closed = false;

  // Editing, by rowid. `editable` is false with `why_not` for a set whose rows
  // cannot be traced to single rows of one table.
  bool editable = false;
  std::string why_not = "the record set does not come from a single table";
  std::string table;       // quoted "schema"."table"
  std::string rowid_name;  // how UPDATE/DELETE name the rowid
  std::vector<int64_t> rowids;
  std::vector<char> has_rowid;
  bool editing = false;
  std::vector<std::pair<int, std::string>> pending;  // column index, value

  // One field per column, made once the columns are known, so that the
  // references Field hands out stay valid; `none` reads "" for unknown names.
  void BuildFields();
  DatabaseField& FieldAt(int column) { return column < 0 ? none_ : fields_[column]; }
  const DatabaseField& FieldAt(int column) const { return column < 0 ? none_ : fields_[column]; }
  // By name, letter case ignored; -1 when there is no such column.
  int ColumnIndex(const std::string& name) const;

  bool AtRow() const { return !closed && !in_gap && pos < rows; }
  std::string Value(int column) const;
  // Keeps a field's text; returns where it is.
  Cell Append(const char* text, size_t length);
  void SetPending(int column, const std::string& value);
  void Clear();

  void Edit();
  void Update();
  void Delete();

 private:
  bool RefusedWhileWaiting();
  bool Connected();
  bool CanChange();

  std::vector<DatabaseField> fields_;
  DatabaseField none_{this, -1};
};

}  // namespace fw::sqlite
