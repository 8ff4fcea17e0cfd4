#pragma once
// The rows a query returns, walked one at a time, and the fields of the row
// the set stands on. The rows are not read ahead: each move reads the next one
// from the file, so walking a large table costs no copy of it, and a move lets
// the event loop run. While a set is between its first row and its end it
// holds the file's read lock (another program can then not write it); at its
// end, on Close and when it goes, it lets go.
#include <memory>
#include <string>

#include "framework/database/DatabaseField.h"

namespace fw {

class RecordSet {
 public:
  RecordSet();  // an empty set (Eof at once)
  explicit RecordSet(std::unique_ptr<sqlite::RecordSetData> data);
  ~RecordSet();
  RecordSet(const RecordSet&) = delete;
  RecordSet& operator=(const RecordSet&) = delete;

  // True past the last row, and at once for an empty result.
  bool Eof() const;
  // Runs the query again from its first row: the set then shows the rows as
  // they are now.
  void MoveFirst();
  // Does nothing at the end. A row that cannot be read (the database closed
  // meanwhile, a damaged file) ends the set, and Error tells why; so does a
  // move while the database waits for a lock held elsewhere.
  void MoveNext();
  // By column name, case-insensitive. Always a field: an unknown column, or any
  // column at the end, reads "". The reference lives as long as the set.
  DatabaseField& Field(const std::string& column);
  const DatabaseField& Field(const std::string& column) const;
  int FieldCount() const;

  // Begins an edit; it stays in force while the set moves on.
  void Edit();
  // Writes the fields set since Edit into the row the set stands on now, ends
  // the edit. Nothing is written at the end of the set. The set reads the
  // file as it moves: a row whose update moves it further along the order the
  // set walks in (a changed value of its ORDER BY column) comes up again.
  void Update();
  // Deletes the row the set stands on (nothing at the end). The set then stands
  // in the gap the row left: its fields read "" and MoveNext goes on to the row
  // that followed (Eof at once when there is none), so a walk that deletes as
  // it goes visits every row.
  void DeleteRecord();
  // Lets go of the rows; the set reads as empty from then on.
  void Close();

 private:
  std::unique_ptr<sqlite::RecordSetData> d_;
};

}  // namespace fw
