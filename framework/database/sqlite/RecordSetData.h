#pragma once
// The rows of a record set and the link to the connection that its edits and
// deletions go through.
//
// A select is not read ahead: the set steps its statement one row at a time
// as it moves, and reads a field straight from the row the statement stands
// on, so a walk of a large table costs no copy of it. MoveFirst runs the
// statement again from its start. A statement that changes the file (which
// SQLSelect also accepts) is run to its end at once, so that its change is
// complete when SQLSelect returns; its rows are then held.
//
// A statement standing on a row holds the file's read lock. The set lets go
// of it (it parks: the row it stands on is kept, the statement is reset) when
// a modal box opens, for as long as the user may take, and when a write of
// its own connection needs the write lock while another connection writes
// (SQLite refuses to raise a read lock to a write lock then, since each would
// wait for the other). The next move runs the statement again up to the row
// it stood on, found by its rowid where it has one (another program may have
// added or removed rows before it meanwhile), and goes on from there.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/database/DatabaseField.h"
#include "framework/database/sqlite/Connection.h"
#include "framework/database/sqlite/Handles.h"
#include "framework/database/sqlite/Outcome.h"

namespace fw::sqlite {

class RecordSetData {
 public:
  struct Column {
    std::string name;
    std::string origin;  // the table column it comes from; empty for an expression
    bool writable = false;
  };

  RecordSetData() = default;
  ~RecordSetData();
  RecordSetData(const RecordSetData&) = delete;
  RecordSetData& operator=(const RecordSetData&) = delete;

  std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
  std::shared_ptr<Connection> conn;
  std::vector<Column> columns;

  // Editing, by rowid. `editable` is false with `why_not` for a set whose rows
  // cannot be traced to single rows of one table; an editable set's statement
  // has the rowid as one more column after `columns`.
  bool editable = false;
  std::string why_not = "the record set does not come from a single table";
  std::string table;       // quoted "schema"."table"
  std::string rowid_name;  // how UPDATE/DELETE name the rowid
  bool editing = false;
  std::vector<std::pair<int, std::string>> pending;  // column index, value
  bool closed = false;  // reads as an empty set from Close on

  // A select to step as the set moves: stands on its first row, or at the
  // end. False when the first row could not be read (the outcome says why).
  bool Step(StatementHandle statement, sqlite3* prepared_on);
  // The rows of a statement that has run to its end, `columns.size()` values each.
  void Hold(std::vector<std::string> values);

  // One field per column, made once the columns are known, so that the
  // references Field hands out stay valid; `none` reads "" for unknown names.
  void BuildFields();
  DatabaseField& FieldAt(int column) { return column < 0 ? none_ : fields_[column]; }
  const DatabaseField& FieldAt(int column) const { return column < 0 ? none_ : fields_[column]; }
  // By name, letter case ignored; -1 when there is no such column.
  int ColumnIndex(const std::string& name) const;

  bool Eof() const { return place_ == Place::kEnd; }
  bool AtRow() const { return place_ == Place::kRow; }
  std::string Value(int column) const;
  void ValueInto(int column, std::string& text) const;
  void SetPending(int column, const std::string& value);

  void MoveFirst();
  void MoveNext();
  void Edit();
  void Update();
  void Delete();
  // Lets go of the statement, and of the read lock it may hold.
  void Close();

  // Lets go of the read lock, keeping the row (above). True when it held one.
  bool Park();
  // After a Rollback, a parked set reads its row again as the file now holds
  // it (the undone writes may have changed or added it).
  void Reread();

 private:
  // kGap: the row the set stood on was deleted; it reads "" until MoveNext
  // goes on to the row that followed, which the statement already stands on.
  enum class Place { kRow, kGap, kEnd };

  bool RefusedWhileWaiting();
  bool Connected();
  bool CanChange();
  // Onto the statement's next row, or to the end; false when a row could not
  // be read (the outcome says why).
  bool Advance();
  // A parked statement run again up to the row it stood on.
  bool Resume();
  // Whether the statement stands on the row of that rowid.
  bool StatementOn(int64_t rowid) const;
  // The rowid of the row the statement now stands on, for an editable set.
  void NoteRowid();
  // Runs `sql` on the row the set stands on: the second of each of `values`
  // bound in turn, the row's rowid last. A failure is told after `what`.
  enum class RowWrite { kDone, kGone, kFailed };
  RowWrite WriteRow(const std::string& sql, const std::vector<std::pair<std::string, std::string>>& values,
                    const char* what);
  // The step itself: true on a row, false at the end or on a failure (*rc says).
  bool StepOnce(int* rc);
  void Ended();
  bool Stepping() const { return statement_ != nullptr; }
  void LetGoOfStatement();

  // Before the statement, so that the statement is finalized first.
  std::unique_ptr<Connection::Reader> reader_;
  StatementHandle statement_;
  sqlite3* prepared_on_ = nullptr;  // a connection that closed or reopened ends the walk
  std::vector<std::string> held_;   // rows * columns, for a statement that has run to its end
  size_t held_rows_ = 0;
  size_t held_at_ = 0;

  Place place_ = Place::kEnd;
  bool has_rowid_ = false;
  int64_t rowid_ = 0;
  // Rows the statement has given since it last started, up to the one it
  // stands on, and how many of them this set deleted: where to come back to.
  size_t produced_ = 0;
  size_t deleted_ = 0;
  // Parked: the row the statement stood on, its values kept.
  bool parked_ = false;
  std::vector<std::string> kept_;
  // Ended by a move refused during a wait, its statement not yet reset.
  bool unreset_ = false;
  // Values this set wrote into the row it stands on, shown in place of what
  // the statement read.
  std::vector<std::pair<int, std::string>> written_;

  std::vector<DatabaseField> fields_;
  DatabaseField none_{this, -1};
};

// Every record set of `conn` (of every connection when null) lets go of its
// read lock. Returns how many held one.
int ParkRecordSets(const Connection* conn = nullptr);
// Every parked record set of `conn` reads its row again (after a Rollback).
void RereadRecordSets(const Connection* conn);

}  // namespace fw::sqlite
