#pragma once
// An embedded SQL database in one file.
//
// Writes (SQLExecute of a statement that changes the file, InsertRecord, a
// record set's Update and DeleteRecord) go into a transaction that the first
// write opens and Commit ends: they become permanent at Commit, and are lost if
// the connection or the process ends first. A refused statement (say a UNIQUE
// conflict) changes nothing and leaves the earlier writes of the transaction in
// place. Every operation records its outcome in Error and ErrorMessage.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/database/RecordSet.h"

namespace fw {

class FolderItem;

// The columns of one new row, for InsertRecord.
class DatabaseRecord {
 public:
  // Sets a column (a second call for the same name replaces the value).
  void Column(const std::string& name, const std::string& value);

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // By position, 0-based, in the order the columns were first set.
  const std::string& ColumnName(int index) const { return columns_.at(index).first; }
  const std::string& ColumnValue(int index) const { return columns_.at(index).second; }

 private:
  std::vector<std::pair<std::string, std::string>> columns_;
};

class SqlDatabase {
 public:
  SqlDatabase();
  ~SqlDatabase();  // closes the connection; uncommitted writes are lost
  SqlDatabase(const SqlDatabase&) = delete;
  SqlDatabase& operator=(const SqlDatabase&) = delete;

  void SetDatabaseFile(std::shared_ptr<FolderItem> file);
  void SetDatabaseFilePath(const std::string& path);
  std::shared_ptr<FolderItem> DatabaseFile() const;

  // Creates the file (owner read/write only) as an empty database and stays
  // connected. Refuses a file that already exists and leaves it alone.
  bool CreateDatabaseFile();
  // Opens an existing database file; True at once if already connected to it.
  // Anything that is not a readable, writable SQLite database is refused and
  // left exactly as it was.
  bool Connect();

  // Runs one or more statements; rows a statement returns are dropped.
  void SQLExecute(const std::string& sql);
  // Never null: on an error the set is empty and Error tells why.
  std::shared_ptr<RecordSet> SQLSelect(const std::string& sql, bool unused = false);
  void InsertRecord(const std::string& table, const DatabaseRecord& record);
  // Makes the writes since the last Commit permanent. Its outcome tells the
  // truth about those writes: when one of them was refused, Error and
  // ErrorMessage say so after Commit too (the others are committed), also when
  // there was nothing left to commit.
  void Commit();

  // The outcome of the last operation.
  bool Error() const;
  std::string ErrorMessage() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace fw
