#pragma once
// An embedded SQL database in one file.
//
// Writes (SQLExecute of a statement that changes the file, InsertRecord, a
// record set's Update and DeleteRecord) go into a transaction that the first
// write opens and Commit ends: they become permanent at Commit, and are lost if
// the connection or the process ends first. A refused statement (say a UNIQUE
// conflict) changes nothing and leaves the earlier writes of the transaction in
// place; a few failures (a full disk, an I/O error) undo the whole open
// transaction. What an earlier Commit made permanent is never touched. Every
// operation records its outcome in Error and ErrorMessage.
//
// A statement that finds the file locked by another connection waits for it
// (up to 5 s), letting the event loop paint the windows meanwhile; so does a
// Commit while the file is synced to the disk. The user's input waits too; any
// other handler that runs during the wait and uses this database is refused
// (Error, ErrorIsBusy), since SQLite forbids using a connection while it waits.
#include <functional>
#include <memory>
#include <string>

#include "framework/database/DatabaseRecord.h"
#include "framework/database/RecordSet.h"

namespace fw {

class FolderItem;

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
  // connected. Refuses a file that already exists and leaves it alone. The file
  // is made under a temporary name and appears under its own already locked:
  // another connection that opens it waits for the first Commit, so that it
  // never sees the file half made.
  bool CreateDatabaseFile();
  // Opens an existing database file; True at once if already connected to it.
  // Anything that is not a readable, writable SQLite database of the user the
  // program runs as, in a writable folder, is refused and left exactly as it
  // was. A journal that a run left beside the file keeps no more permissions
  // than the file.
  bool Connect();

  // Runs one or more statements; rows a statement returns are dropped.
  void SQLExecute(const std::string& sql);
  // Never null: on an error the set is empty and Error tells why. The set
  // stands on the first row; the others are read as it moves (RecordSet).
  std::shared_ptr<RecordSet> SQLSelect(const std::string& sql, bool unused = false);
  void InsertRecord(const std::string& table, const DatabaseRecord& record);
  // Makes the writes since the last Commit permanent. Its outcome tells the
  // truth about those writes: when one of them was refused, Error and
  // ErrorMessage say so after Commit too (the others are committed), also when
  // there was nothing left to commit.
  void Commit();
  // Undoes the writes since the last Commit, a refused one among them: the
  // file stays as the last Commit left it, and the next Commit has nothing of
  // them to tell.
  void Rollback();

  // Looks over the whole file for damage, as SQLite's integrity check does,
  // on a read-only connection and a thread of its own: the windows go on
  // answering and the file is not changed. `done` comes later, on this
  // thread and between handlers (never in the middle of one), with "" for a
  // sound file and otherwise SQLite's account of the damage. From the moment
  // the damage is found (before `done` comes, when a handler is running) no
  // more is written to a damaged file: every write is refused
  // (ErrorIsDamage), as it is after any operation that found damage. `done`
  // does not come when no verdict could be had (the file held locked
  // elsewhere throughout), nor after the database is gone or reconnected.
  void CheckForDamage(std::function<void(const std::string& damage)> done);

  // The outcome of the last operation.
  bool Error() const;
  std::string ErrorMessage() const;
  // The last operation failed because another connection, most likely another
  // program, held the file locked for longer than the wait.
  bool ErrorIsBusy() const;
  // The last operation failed because the file is damaged.
  bool ErrorIsDamage() const;

 private:
  struct Impl;
  // Shared with the operation that is running, so that a handler that drops
  // the database during a wait does not pull it away from under the wait.
  std::shared_ptr<Impl> d_;
};

}  // namespace fw
