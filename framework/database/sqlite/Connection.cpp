#include "framework/database/sqlite/Connection.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "framework/EventLoop.h"
#include "framework/database/DatabaseSeams.h"
#include "framework/database/sqlite/RecordSetData.h"
#include "framework/database/sqlite/SqlScan.h"

namespace fw {

namespace {
constexpr std::chrono::milliseconds kLockWait{5000};
std::chrono::milliseconds lock_wait = kLockWait;
}  // namespace

void seams::SetDatabaseLockWait(std::chrono::milliseconds wait) {
  lock_wait = wait > std::chrono::milliseconds(0) ? wait : kLockWait;
}

namespace {
std::atomic<long long> commit_delay_ms{0};
}  // namespace

void seams::SlowDatabaseCommits(std::chrono::milliseconds extra) {
  commit_delay_ms = std::max<long long>(0, extra.count());
}

namespace sqlite {

namespace {
// SQLite's busy handler: waits for another connection's lock, keeping the
// windows painted and answering meanwhile. The user's input waits (Yield
// holds it back); other handlers that run find the database refusing.
int BusyWait(void* state, int count) {
  auto* wait = static_cast<WaitState*>(state);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) wait->since = now;
  if (now - wait->since >= Connection::LockWait()) return 0;
  if (std::this_thread::get_id() != wait->owner) {
    // A Commit on its helper thread: the owner's thread runs the event loop
    // meanwhile, with the database refusing every use already.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return 1;
  }
  const bool outer = wait->waiting;
  wait->waiting = true;
  fw::Yield();
  wait->waiting = outer;
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return 1;
}

ConnectionHandle OpenHandle(const std::string& name, WaitState* wait, Failure* why) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(name.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  ConnectionHandle handle(raw);
  if (rc != SQLITE_OK) {
    *why = {raw ? sqlite3_errmsg(raw) : "out of memory", false};
    return nullptr;
  }
  sqlite3_busy_handler(raw, BusyWait, wait);
  return handle;
}
}  // namespace

std::chrono::milliseconds Connection::LockWait() { return lock_wait; }

std::shared_ptr<Connection> Connection::Open(const std::string& path, std::shared_ptr<WaitState> wait, Failure* why,
                                             const std::string& opened_as) {
  ConnectionHandle handle = OpenHandle(opened_as.empty() ? path : opened_as, wait.get(), why);
  if (!handle) return nullptr;
  std::shared_ptr<Connection> c(new Connection);
  c->handle_ = std::move(handle);
  c->path_ = path;
  c->temporary_ = opened_as;
  c->wait_ = std::move(wait);
  return c;
}

Connection::~Connection() { Release(); }

Failure Connection::LastFailure(const std::string& prefix) const {
  sqlite3* d = handle_.get();
  if (!d || closing_) return {prefix + "not connected", false};
  const int code = sqlite3_extended_errcode(d) & 0xff;
  return {prefix + sqlite3_errmsg(d), code == SQLITE_BUSY, code == SQLITE_CORRUPT || code == SQLITE_NOTADB};
}

void Connection::MarkDamaged(const std::string& damage) {
  const std::lock_guard<std::mutex> lock(damage_mutex_);
  if (damage_.empty()) damage_ = damage.empty() ? "database disk image is malformed" : damage;
}

std::string Connection::Damage() const {
  const std::lock_guard<std::mutex> lock(damage_mutex_);
  return damage_;
}

bool Connection::MayWrite(Failure* why) const {
  const std::string damage = Damage();
  if (damage.empty()) return true;
  *why = {"the database file is damaged, so nothing more is written to it (" + damage + ")", false, true};
  return false;
}

void Connection::Note(const Failure& f) {
  if (f.damaged) MarkDamaged(f.message);
}

bool Connection::NeedsTransaction(sqlite3_stmt* st) {
  if (sqlite3_stmt_readonly(st)) return false;
  // A caller's own BEGIN IMMEDIATE or EXCLUSIVE (which SQLite counts as a
  // write) is the transaction.
  const std::string_view first = FirstWord(sqlite3_sql(st));
  for (const char* own : {"pragma", "vacuum", "begin", "commit", "end", "rollback", "savepoint", "release"}) {
    if (EqualsNoCase(first, own)) return false;
  }
  return true;
}

bool Connection::OpenTransaction(Failure* why) {
  if (!sqlite3_get_autocommit(db())) return true;
  if (!MayWrite(why)) return false;
  // IMMEDIATE takes the write lock now, waiting if need be, rather than
  // failing later in the middle of the transaction.
  if (Exec("BEGIN IMMEDIATE", why)) return true;
  // A record set of this connection that stands on a row holds the read
  // lock, and SQLite refuses at once, without waiting, to raise it while
  // another connection writes: each would wait for the other. The sets let
  // go of it, and the write waits like any other.
  if (!why->busy || readers_ == 0 || ParkRecordSets(this) == 0) return false;
  return Exec("BEGIN IMMEDIATE", why);
}

bool Connection::Run(sqlite3_stmt* st, Failure* why) {
  if (!sqlite3_stmt_readonly(st) && !MayWrite(why)) return false;
  if (NeedsTransaction(st) && !OpenTransaction(why)) return false;
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
  }
  if (rc == SQLITE_DONE) return true;
  *why = LastFailure();
  Note(*why);
  sqlite3_reset(st);
  // A constraint failure undoes only its own statement; a few errors (disk
  // full, I/O) make SQLite undo the whole transaction. Either way nothing
  // that an earlier Commit made permanent is touched.
  return false;
}

bool Connection::Exec(std::string_view sql, Failure* why) {
  sqlite3* d = db();
  int rc = SQLITE_OK;
  const StatementHandle st = Prepare(d, sql, &rc);
  if (!st) {
    if (rc == SQLITE_OK) return true;
    *why = LastFailure();
    return false;
  }
  while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
  }
  if (rc == SQLITE_DONE) return true;
  *why = LastFailure();
  Note(*why);
  return false;
}

namespace {
// Runs one statement on the handle alone: for a helper thread, which may touch
// nothing else of the connection.
bool ExecOn(sqlite3* db, const char* sql, Failure* why) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  const int code = sqlite3_extended_errcode(db) & 0xff;
  *why = {sqlite3_errmsg(db), code == SQLITE_BUSY, code == SQLITE_CORRUPT || code == SQLITE_NOTADB};
  return false;
}
}  // namespace

bool Connection::CommitAside(Failure* why) {
  ParkRecordSets(this);
  // A read held open across the commit keeps the file's read lock for this
  // connection until this thread carries on: another program's write waits
  // for it, so that none comes in between the Commit and what the caller does
  // next, as none could while the commit held the thread.
  int rc = SQLITE_OK;
  StatementHandle hold = Prepare(handle_.get(), "SELECT 1 FROM sqlite_master", &rc);
  if (hold) sqlite3_step(hold.get());
  struct Result {
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false, ok = false;
    Failure why;
  } result;
  sqlite3* handle = handle_.get();
  const bool outer = wait_->waiting;
  wait_->waiting = true;
  std::thread helper;
  try {
    helper = std::thread([handle, &result] {
      if (const long long delay = commit_delay_ms.load()) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      Failure why;
      const bool ok = ExecOn(handle, "COMMIT", &why);
      {
        const std::lock_guard<std::mutex> lock(result.mutex);
        result.ok = ok;
        result.why = std::move(why);
        result.done = true;
      }
      result.done_cv.notify_one();
    });
  } catch (const std::system_error&) {
    // No thread to be had: the commit holds the event loop up, as it used to.
    wait_->waiting = outer;
    return Exec("COMMIT", why);
  }
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(result.mutex);
      if (result.done_cv.wait_for(lock, std::chrono::milliseconds(1), [&] { return result.done; })) break;
    }
    fw::Yield();
  }
  helper.join();
  wait_->waiting = outer;
  hold.reset();
  if (!result.ok) {
    *why = std::move(result.why);
    Note(*why);
  }
  return result.ok;
}

bool Connection::Commit(Failure* why) {
  sqlite3* d = db();
  // Writes made before the damage came to light stay pending, for a Rollback.
  if (!sqlite3_get_autocommit(d) && !MayWrite(why)) return false;
  if (!sqlite3_get_autocommit(d) && !CommitAside(why)) {
    // On "database is locked" the transaction stays open and Commit can be
    // tried again; on a full disk SQLite undoes it.
    return false;
  }
  return MoveToOwnName(why);
}

bool Connection::Rollback(Failure* why) {
  // The record sets let go of their rows, and read them again once the writes
  // are undone, rather than go on showing what the undone writes made of them.
  // Also after a failure that made SQLite undo the transaction by itself.
  ParkRecordSets(this);
  const bool undone = sqlite3_get_autocommit(db()) || Exec("ROLLBACK", why);
  RereadRecordSets(this);
  if (!undone) return false;
  return MoveToOwnName(why);
}

// A new file was made under a temporary name and given its own as a second
// name, locked, so that no one saw it half made. Its journal still goes by the
// temporary name, where another program would not look for it after a crash:
// once the first transaction is over, the connection reopens the file by its
// own name and the temporary one goes.
bool Connection::MoveToOwnName(Failure* why) {
  if (temporary_.empty() || !sqlite3_get_autocommit(db())) return true;
  handle_.reset();
  unlink(temporary_.c_str());
  temporary_.clear();
  handle_ = OpenHandle(path_, wait_.get(), why);
  if (handle_) return true;
  why->message = "the new database was made, but it cannot be opened again: " + why->message;
  closing_ = true;
  return false;
}

void Connection::Close() {
  closing_ = true;
  if (users_ > 0) return;  // Close comes again with the last Use
  if (readers_ > 0) {
    // Closed to writes now, as a close must be; the handle stays for the
    // record sets still reading, and goes with the last of them.
    if (handle_ && !sqlite3_get_autocommit(handle_.get())) sqlite3_exec(handle_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    return;
  }
  Release();
}

void Connection::Release() {
  closing_ = true;
  finished_.clear();
  handle_.reset();  // an open transaction is rolled back
  if (!temporary_.empty()) {
    // The file keeps its own name; only the second one goes.
    unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace sqlite
}  // namespace fw
