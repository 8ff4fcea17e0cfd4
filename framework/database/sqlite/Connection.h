#pragma once
// One open connection to a database file: the handle, its write transaction,
// and the wait for another connection's lock, during which the event loop
// keeps running.
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "framework/database/sqlite/Handles.h"
#include "framework/database/sqlite/Outcome.h"

namespace fw::sqlite {

// A database's wait for a lock held elsewhere, or for its Commit to reach the
// disk. While the wait lets the event loop run, `waiting` is set and nothing
// may use the database: SQLite forbids any use of a connection from inside its
// own busy handler, and the Commit runs on a helper thread meanwhile.
inline constexpr char kRefusedWhileWaiting[] =
    "The database is busy saving, or waiting for another program to let go of the file; try again when it is "
    "done.";

struct WaitState {
  bool waiting = false;
  std::chrono::steady_clock::time_point since;
  // The thread the database belongs to, which runs the event loop.
  std::thread::id owner = std::this_thread::get_id();
};

class Connection {
 public:
  // How long a statement waits for a lock that another connection holds.
  static std::chrono::milliseconds LockWait();

  // Opens an existing file read-write, never creating it. `opened_as` is the
  // temporary name of a file that is being made, when it is not yet reached
  // by `path`. Null, with *why, on failure.
  static std::shared_ptr<Connection> Open(const std::string& path, std::shared_ptr<WaitState> wait, Failure* why,
                                          const std::string& opened_as = {});
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Null once closed. The handle changes once, when a new file moves to its
  // own name; an operation that yields compares it before going on.
  sqlite3* db() const { return closing_ ? nullptr : handle_.get(); }
  // The handle for a record set that is already reading: still there after
  // Close, until the last such set lets go (Reader).
  sqlite3* reading_db() const { return handle_.get(); }
  const std::string& path() const { return path_; }
  // A busy wait is letting the event loop run: refuse to use the connection.
  bool Waiting() const { return wait_->waiting; }

  // SQLite's message for the last failure, after `prefix`.
  Failure LastFailure(const std::string& prefix = {}) const;

  // A damaged file is not written: once a statement or a check has found the
  // damage, every write through this connection is refused, so that the file
  // stays as it is for its repair. Reads go on. Callable from any thread: a
  // check on a thread of its own marks the damage the moment it finds it.
  void MarkDamaged(const std::string& damage);
  bool Damaged() const { return !Damage().empty(); }
  // Keeps in mind damage that a failure reports.
  void Note(const Failure& f);

  // Statements that change the file run inside the write transaction that the
  // first of them opens. Settings (PRAGMA), VACUUM and the caller's own
  // transaction statements run as they are: several are refused inside a
  // transaction.
  static bool NeedsTransaction(sqlite3_stmt* st);
  bool OpenTransaction(Failure* why);
  // Runs a prepared statement to its end, inside the transaction when needed.
  bool Run(sqlite3_stmt* st, Failure* why);
  // Runs one statement given as text, outside any transaction logic.
  bool Exec(std::string_view sql, Failure* why);
  // Ends the write transaction, if any. A new file then moves to its name.
  // The file is synced to the disk on a helper thread meanwhile (tens of
  // milliseconds on a busy disk), while this thread lets the event loop run as
  // it does during a wait for a lock: the database refuses every use until it
  // is done, and the record sets of the connection let go of their rows first
  // (they keep them), so that nothing here touches the connection meanwhile.
  bool Commit(Failure* why);
  // Undoes the write transaction, if any.
  bool Rollback(Failure* why);
  // Closes now, or when the last operation that uses the connection ends. A
  // record set still reading keeps the file open, read-only, until it lets
  // go: the write transaction is undone at once.
  void Close();
  // The file a new connection was opened under stays when it closes.
  void KeepFileOnClose() { temporary_.clear(); }
  // A statement let go of while the connection waits for a lock: finalizing
  // it then could end the read transaction under the wait, so it is
  // finalized by the next operation, or when the connection closes.
  void FinishLater(StatementHandle st) { finished_.push_back(std::move(st)); }

  // Held by an operation for as long as it uses the handle: a Close that
  // comes meanwhile (from a handler run during a yield) waits for it.
  class Use {
   public:
    explicit Use(Connection& c) : c_(c) {
      ++c_.users_;
      if (!c_.Waiting()) c_.finished_.clear();
    }
    ~Use() {
      if (--c_.users_ == 0 && c_.closing_) c_.Close();
    }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

   private:
    Connection& c_;
  };

  // Held by a record set for as long as it has a statement on the connection.
  class Reader {
   public:
    explicit Reader(std::shared_ptr<Connection> c) : c_(std::move(c)) { ++c_->readers_; }
    ~Reader() {
      if (--c_->readers_ == 0 && c_->closing_) c_->Close();
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

   private:
    std::shared_ptr<Connection> c_;
  };

  // False with *why, a refusal, when the file is damaged: nothing more is
  // written to it, whatever the statement.
  bool MayWrite(Failure* why) const;

 private:
  Connection() = default;
  void Release();
  bool CommitAside(Failure* why);
  std::string Damage() const;
  bool MoveToOwnName(Failure* why);

  ConnectionHandle handle_;
  std::string path_;
  std::string temporary_;  // the name a new file was made under, until its first transaction ends
  std::shared_ptr<WaitState> wait_;
  mutable std::mutex damage_mutex_;
  std::string damage_;  // what was found damaged; empty while none was
  std::vector<StatementHandle> finished_;
  int users_ = 0;
  int readers_ = 0;
  bool closing_ = false;
};

}  // namespace fw::sqlite
