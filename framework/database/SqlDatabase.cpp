#include "framework/database/SqlDatabase.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "framework/EventLoop.h"
#include "framework/FolderItem.h"
#include "framework/database/sqlite/Connection.h"
#include "framework/database/sqlite/DamageCheck.h"
#include "framework/database/sqlite/FileCheck.h"
#include "framework/database/sqlite/Handles.h"
#include "framework/database/sqlite/Outcome.h"
#include "framework/database/sqlite/RecordSetData.h"
#include "framework/database/sqlite/SqlScan.h"

namespace fw {

using sqlite::Connection;
using sqlite::Failure;
using sqlite::Outcome;
using sqlite::StatementHandle;

namespace {
std::string Quoted(const std::string& path) { return "\"" + path + "\""; }
}  // namespace

struct SqlDatabase::Impl {
  std::shared_ptr<FolderItem> file;
  std::string path;
  std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
  std::shared_ptr<sqlite::WaitState> wait = std::make_shared<sqlite::WaitState>();
  std::shared_ptr<Connection> conn;  // null when not connected
  std::unique_ptr<sqlite::DamageCheck> check;  // of the file of `conn`

  ~Impl() { Disconnect(); }

  void Disconnect() {
    check.reset();
    if (conn) conn->Close();
    conn.reset();
  }

  bool Fail(Failure why) {
    outcome->Fail(std::move(why));
    return false;
  }
  bool Fail(std::string why) { return Fail(Failure{std::move(why), false}); }

  // A handler that runs while this database waits for a lock may not use it.
  // Told to the caller at once, and not kept as a refused write for Commit:
  // the write was never tried.
  bool Refused() {
    if (!wait->waiting) return false;
    outcome->Fail(Failure{sqlite::kRefusedWhileWaiting, true});
    return true;
  }

  bool RequireConnection() {
    if (conn && conn->db()) return true;
    return Fail(path.empty() ? "Not connected to a database." : "Not connected to the database " + Quoted(path) + ".");
  }

  bool Examine(Connection& c, Failure* why);
  bool TryEditable(sqlite3_stmt* original, const std::string& sql, StatementHandle* out, sqlite::RecordSetData* d);
};

SqlDatabase::SqlDatabase() : d_(std::make_shared<Impl>()) {}
SqlDatabase::~SqlDatabase() { d_->Disconnect(); }

void SqlDatabase::SetDatabaseFile(std::shared_ptr<FolderItem> file) {
  d_->path = file ? file->NativePath() : std::string();
  d_->file = std::move(file);
}

void SqlDatabase::SetDatabaseFilePath(const std::string& path) {
  d_->path = path;
  d_->file = std::make_shared<FolderItem>(path);
}

std::shared_ptr<FolderItem> SqlDatabase::DatabaseFile() const { return d_->file; }

bool SqlDatabase::Error() const { return d_->outcome->error(); }
std::string SqlDatabase::ErrorMessage() const { return d_->outcome->message(); }
bool SqlDatabase::ErrorIsBusy() const { return d_->outcome->busy(); }
bool SqlDatabase::ErrorIsDamage() const { return d_->outcome->damaged(); }

void SqlDatabase::CheckForDamage(std::function<void(const std::string& damage)> done) {
  Impl& d = *d_;
  if (!d.conn || !d.conn->db()) return;
  d.check.reset();
  // Damage is marked on the connection the moment it is found, so that no
  // write starts from then on, also in the handler running at that moment.
  // The verdict itself crosses to this thread and comes between handlers; it
  // is dropped if by then the database is gone or holds another connection.
  const std::weak_ptr<Impl> weak = d_;
  const std::weak_ptr<Connection> checked = d.conn;
  d.check = std::make_unique<sqlite::DamageCheck>(
      d.conn->path(), [weak, checked, done = std::move(done)](const std::string& damage) {
        if (!damage.empty()) {
          if (const std::shared_ptr<Connection> conn = checked.lock()) conn->MarkDamaged(damage);
        }
        internal::RunBetweenHandlers([weak, checked, done, damage] {
          const std::shared_ptr<Impl> self = weak.lock();
          const std::shared_ptr<Connection> conn = checked.lock();
          if (!self || !conn || self->conn != conn) return;
          if (done) done(damage);
        });
      });
}

bool SqlDatabase::CreateDatabaseFile() {
  const std::shared_ptr<Impl> self = d_;
  Impl& d = *self;
  if (d.Refused()) return false;
  d.outcome->Ok();
  d.outcome->ForgetWrites();
  d.Disconnect();
  const std::string path = d.path;
  if (path.empty()) return d.Fail("Cannot create the database: no file is set.");
  const std::string what = "Cannot create the database " + Quoted(path) + ": ";
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) return d.Fail(what + "a file of that name already exists.");

  // Made under a temporary name beside it, private from the first moment.
  const std::string folder = sqlite::FolderOf(path);
  const size_t slash = path.rfind('/');
  std::string temporary = folder + "/." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".new-XXXXXX";
  {
    const sqlite::FileDescriptor fd(mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd) return d.Fail(what + sqlite::FolderProblem(folder, errno) + ".");
    fchmod(fd.get(), 0600);  // whatever the umask took away
  }
  Failure why;
  std::shared_ptr<Connection> conn = Connection::Open(path, d.wait, &why, temporary);
  if (!conn) {
    unlink(temporary.c_str());
    return d.Fail(what + why.message + ".");
  }
  // From here on the connection removes the temporary file if it closes.
  auto fail = [&](const std::string& reason) {
    conn->Close();
    return d.Fail(what + reason + ".");
  };
  // An empty file is not yet a database: write the header now with a change
  // to page 1.
  for (const char* step : {"BEGIN IMMEDIATE", "PRAGMA user_version = 1", "PRAGMA user_version = 0", "COMMIT"}) {
    if (!conn->Exec(step, &why)) return fail(why.message);
  }
  if (!sqlite::HeaderWritten(temporary)) return fail("the database header was not written");
  // Locked before it gets its name: another connection that finds the file
  // waits for the first Commit instead of seeing a database without its tables.
  if (!conn->Exec("BEGIN EXCLUSIVE", &why)) return fail(why.message);
  if (link(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    if (error == EEXIST) return fail("a file of that name already exists");
    // A file system without hard links: the file is renamed into place (never
    // over another one) and locked again by its own name at once.
    conn->Exec("ROLLBACK", &why);
    conn->KeepFileOnClose();
    conn->Close();
    if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
      const int rename_error = errno;
      unlink(temporary.c_str());
      if (rename_error == EEXIST) return d.Fail(what + "a file of that name already exists.");
      return d.Fail(what + sqlite::FolderProblem(folder, rename_error) + ".");
    }
    conn = Connection::Open(path, d.wait, &why);
    if (!conn || !conn->Exec("BEGIN EXCLUSIVE", &why)) return d.Fail(what + why.message + ".");
  }
  d.conn = conn;
  d.outcome->Ok();
  return true;
}

// Reads the file under SQLite's read lock, waiting for a writer to finish:
// the header's page count against the file, then the whole schema. SQLite has
// by then rolled back what a crashed writer left in a journal.
bool SqlDatabase::Impl::Examine(Connection& c, Failure* why) {
  const Connection::Use use(c);
  Failure ignored;
  auto done = [&](bool ok) {
    c.Exec(ok ? "COMMIT" : "ROLLBACK", &ignored);
    return ok;
  };
  if (!c.Exec("BEGIN", why)) return false;
  Failure read;
  const bool locked = c.Exec("PRAGMA schema_version", &read);
  if (!locked && read.busy) {
    *why = std::move(read);
    return done(false);
  }
  std::string pages;
  if (!sqlite::CheckPages(c.path(), &pages)) {
    *why = {pages, false};
    return done(false);
  }
  if (!locked || !c.Exec("SELECT count(*) FROM sqlite_master", &read)) {
    *why = std::move(read);
    return done(false);
  }
  return done(true);
}

bool SqlDatabase::Connect() {
  const std::shared_ptr<Impl> self = d_;
  Impl& d = *self;
  if (d.Refused()) return false;
  d.outcome->Ok();
  if (d.conn && d.conn->db() && d.conn->path() == d.path) return true;
  d.outcome->ForgetWrites();
  d.Disconnect();
  const std::string path = d.path;
  if (path.empty()) return d.Fail("Cannot open the database: no file is set.");
  const std::string what = "Cannot open the database " + Quoted(path) + ": ";

  std::string reason;
  if (!sqlite::CheckBeforeOpening(path, &reason) || !sqlite::CheckCompanions(path, &reason))
    return d.Fail(what + reason + ".");
  // Never SQLITE_OPEN_CREATE: a file that vanished in the meantime is an error.
  Failure why;
  std::shared_ptr<Connection> conn = Connection::Open(path, d.wait, &why);
  if (!conn) return d.Fail(what + why.message + ".");
  // SQLite falls back to read-only without a word; every later save would fail.
  if (sqlite3_db_readonly(conn->db(), "main") == 1) {
    conn->Close();
    return d.Fail(what + "the file cannot be written (read-only).");
  }
  if (!d.Examine(*conn, &why)) {
    conn->Close();
    why.message = what + why.message + ".";
    return d.Fail(std::move(why));
  }
  d.conn = conn;
  d.outcome->Ok();
  return true;
}

void SqlDatabase::SQLExecute(const std::string& sql) {
  const std::shared_ptr<Impl> self = d_;
  Impl& d = *self;
  if (d.Refused()) return;
  Outcome::WriteScope write(*d.outcome);
  d.outcome->Ok();
  if (!d.RequireConnection()) return;
  const std::shared_ptr<Connection> conn = d.conn;
  const Connection::Use use(*conn);
  sqlite3* db = conn->db();
  const char* p = sql.data();
  const char* end = p + sql.size();
  while (p < end) {
    const char* tail = nullptr;
    int rc = SQLITE_OK;
    const StatementHandle st = sqlite::Prepare(db, std::string_view(p, end - p), &rc, &tail);
    if (rc != SQLITE_OK) {
      d.Fail(conn->LastFailure());
      return;
    }
    if (!tail || tail <= p) break;
    p = tail;
    if (!st) continue;  // only white space or a comment
    Failure why;
    if (!conn->Run(st.get(), &why)) {
      d.Fail(std::move(why));
      return;
    }
  }
  d.outcome->Ok();  // whatever a handler run during a wait for the lock was told
}

// Editing needs the rowid of each row. A select whose result columns come from
// one table is prepared a second time with the rowid added as a last column
// (before the top-level FROM, so "ORDER BY 1" and the column names are unchanged),
// and the second statement is used only if SQLite confirms that every column
// still comes from where it did and that the added column is that table's rowid
// (sqlite3_column_table_name and _origin_name, which Debian's SQLite provides).
// The aliases rowid, oid and _rowid_ are tried in turn, since a table may have a
// column of one of those names. Joins (ambiguous rowid), views, subqueries,
// compound selects and WITHOUT ROWID tables fail a check and give a set that can
// be read but not changed.
bool SqlDatabase::Impl::TryEditable(sqlite3_stmt* original, const std::string& sql, StatementHandle* out,
                                    sqlite::RecordSetData* d) {
  sqlite3* db = conn->db();
  const int n = sqlite3_column_count(original);
  if (n == 0 || !sqlite3_stmt_readonly(original)) return false;
  const size_t from = sqlite::TopLevelFrom(sql);
  if (from == std::string::npos) return false;

  auto same = [](const char* a, const char* b) { return (!a && !b) || (a && b && std::strcmp(a, b) == 0); };
  for (const char* alias : {"rowid", "oid", "_rowid_"}) {
    const std::string rewritten = sql.substr(0, from) + ", " + alias + " " + sql.substr(from);
    int rc = SQLITE_OK;
    StatementHandle st = sqlite::Prepare(db, rewritten, &rc);
    if (!st || sqlite3_column_count(st.get()) != n + 1) continue;
    const char* schema = sqlite3_column_database_name(st.get(), n);
    const char* table = sqlite3_column_table_name(st.get(), n);
    if (!schema || !table || !sqlite3_column_origin_name(st.get(), n)) continue;
    bool unchanged = true;
    for (int i = 0; i < n && unchanged; ++i) {
      unchanged = same(sqlite3_column_name(original, i), sqlite3_column_name(st.get(), i)) &&
                  same(sqlite3_column_database_name(original, i), sqlite3_column_database_name(st.get(), i)) &&
                  same(sqlite3_column_table_name(original, i), sqlite3_column_table_name(st.get(), i)) &&
                  same(sqlite3_column_origin_name(original, i), sqlite3_column_origin_name(st.get(), i));
    }
    if (!unchanged) continue;

    // The alias reaches the rowid unless the table declares a column of that
    // name; such a column is accepted only as the table's sole INTEGER PRIMARY
    // KEY, which is the rowid under another name.
    const StatementHandle info = sqlite::Prepare(db, "SELECT name, type, pk FROM pragma_table_info(?1, ?2)", &rc);
    if (!info) continue;
    sqlite3_bind_text(info.get(), 1, table, -1, SQLITE_STATIC);
    sqlite3_bind_text(info.get(), 2, schema, -1, SQLITE_STATIC);
    int keys = 0;
    bool declared = false, integer_key = false;
    while (sqlite3_step(info.get()) == SQLITE_ROW) {
      const char* name = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 0));
      const char* type = reinterpret_cast<const char*>(sqlite3_column_text(info.get(), 1));
      const bool key = sqlite3_column_int(info.get(), 2) > 0;
      keys += key;
      if (name && sqlite::EqualsNoCase(name, alias)) {
        declared = true;
        integer_key = key && type && sqlite::EqualsNoCase(type, "integer");
      }
    }
    if (declared && !(integer_key && keys == 1)) continue;

    d->editable = true;
    d->table = sqlite::QuoteIdentifier(schema) + "." + sqlite::QuoteIdentifier(table);
    d->rowid_name = declared ? sqlite::QuoteIdentifier(alias) : alias;
    for (int i = 0; i < n; ++i) {
      const char* col_schema = sqlite3_column_database_name(st.get(), i);
      const char* col_table = sqlite3_column_table_name(st.get(), i);
      const char* col_origin = sqlite3_column_origin_name(st.get(), i);
      auto& c = d->columns[i];
      c.writable = col_origin && same(col_schema, schema) && same(col_table, table);
      if (c.writable) c.origin = col_origin;
    }
    *out = std::move(st);
    return true;
  }
  return false;
}

std::shared_ptr<RecordSet> SqlDatabase::SQLSelect(const std::string& sql, bool /*unused*/) {
  const std::shared_ptr<Impl> self = d_;
  Impl& d = *self;
  auto data = std::make_unique<sqlite::RecordSetData>();
  data->outcome = d.outcome;
  auto empty = [&]() {
    data = std::make_unique<sqlite::RecordSetData>();
    data->outcome = d.outcome;
    data->BuildFields();
    return std::make_shared<RecordSet>(std::move(data));
  };
  if (d.Refused()) return empty();
  d.outcome->Ok();
  if (!d.RequireConnection()) return empty();
  const std::shared_ptr<Connection> conn = d.conn;
  const Connection::Use use(*conn);
  sqlite3* db = conn->db();

  int rc = SQLITE_OK;
  const char* tail = nullptr;
  StatementHandle original = sqlite::Prepare(db, sql, &rc, &tail);
  if (rc != SQLITE_OK) {
    d.Fail(conn->LastFailure());
    return empty();
  }
  if (!original) {
    d.Fail("There is no statement to run.");
    return empty();
  }
  if (tail && *tail) {
    const StatementHandle next = sqlite::Prepare(db, tail, &rc);
    if (rc != SQLITE_OK || next) {
      d.Fail("SQLSelect runs one statement; this text holds more.");
      return empty();
    }
  }

  const int n = sqlite3_column_count(original.get());
  data->conn = conn;
  data->columns.resize(n);
  for (int i = 0; i < n; ++i) {
    const char* name = sqlite3_column_name(original.get(), i);
    data->columns[i].name = name ? name : "";
  }
  data->BuildFields();
  StatementHandle editable;
  if (d.TryEditable(original.get(), sql, &editable, data.get())) original = std::move(editable);
  sqlite3_stmt* st = original.get();

  if (sqlite3_stmt_readonly(st)) {
    // Read as the set moves; the first row now, so that the set stands on it.
    // It can fail to come (a damaged file, a lock held elsewhere for longer
    // than the wait): that is the select's failure.
    if (!data->Step(std::move(original), db)) return empty();
  } else {
    // A statement that changes the file runs to its end now, inside the write
    // transaction, and its rows are kept.
    if (n > 0) data->why_not = "the statement is not a select";
    Failure why;
    if (!conn->MayWrite(&why) || (Connection::NeedsTransaction(st) && !conn->OpenTransaction(&why))) {
      d.Fail(std::move(why));
      return empty();
    }
    std::vector<std::string> values;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      for (int i = 0; i < n; ++i) {
        const unsigned char* t = sqlite3_column_text(st, i);
        values.emplace_back(t ? reinterpret_cast<const char*>(t) : "", static_cast<size_t>(sqlite3_column_bytes(st, i)));
      }
    }
    if (rc != SQLITE_DONE) {
      Failure why = conn->LastFailure();
      conn->Note(why);
      sqlite3_reset(st);
      d.Fail(std::move(why));
      return empty();
    }
    data->Hold(std::move(values));
  }
  // A handler run during a wait for the lock may have closed the database.
  if (conn->db() != db) {
    d.Fail("The database was closed while its rows were read.");
    return empty();
  }
  d.outcome->Ok();  // whatever a handler run during the wait was told
  return std::make_shared<RecordSet>(std::move(data));
}

void SqlDatabase::InsertRecord(const std::string& table, const DatabaseRecord& record) {
  const std::shared_ptr<Impl> self = d_;
  Impl& d = *self;
  if (d.Refused()) return;
  Outcome::WriteScope write(*d.outcome);
  d.outcome->Ok();
  if (!d.RequireConnection()) return;
  const std::shared_ptr<Connection> conn = d.conn;
  const Connection::Use use(*conn);
  const int n = record.ColumnCount();
  std::string sql = "INSERT INTO " + sqlite::QuoteIdentifier(table);
  if (n == 0) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names, marks;
    for (int i = 0; i < n; ++i) {
      if (i) {
        names += ", ";
        marks += ", ";
      }
      names += sqlite::QuoteIdentifier(record.ColumnName(i));
      marks += "?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  const std::string what = "Cannot add the record to " + Quoted(table) + ": ";
  int rc = SQLITE_OK;
  const StatementHandle st = sqlite::Prepare(conn->db(), sql, &rc);
  if (!st) {
    d.Fail(conn->LastFailure(what));
    return;
  }
  for (int i = 0; i < n; ++i) {
    const std::string& v = record.ColumnValue(i);
    sqlite3_bind_text(st.get(), i + 1, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
  }
  Failure why;
  if (!conn->Run(st.get(), &why)) {
    why.message = what + why.message;
    d.Fail(std::move(why));
    return;
  }
  d.outcome->Ok();  // whatever a handler run during a wait for the lock was told
}

void SqlDatabase::Commit() {
  const std::shared_ptr<Impl> self = d_;
  Impl& d = *self;
  Outcome& o = *d.outcome;
  if (d.Refused()) return;
  o.Ok();
  if (!d.RequireConnection()) return;
  const std::shared_ptr<Connection> conn = d.conn;
  const Connection::Use use(*conn);
  Failure why;
  if (!conn->Commit(&why)) {
    // Refused writes stay noted while the transaction is still open.
    if (!conn->db() || sqlite3_get_autocommit(conn->db())) o.ForgetWrites();
    why.message = "Cannot commit the changes: " + why.message;
    o.Fail(std::move(why));
    return;
  }
  // Committed, or nothing to commit: the truth about the writes since the
  // last Commit is whether one of them was refused.
  o.Committed();
}

void SqlDatabase::Rollback() {
  const std::shared_ptr<Impl> self = d_;
  Impl& d = *self;
  Outcome& o = *d.outcome;
  if (d.Refused()) return;
  o.Ok();
  if (!d.RequireConnection()) return;
  const std::shared_ptr<Connection> conn = d.conn;
  const Connection::Use use(*conn);
  o.ForgetWrites();
  Failure why;
  if (!conn->Rollback(&why)) {
    why.message = "Cannot undo the changes: " + why.message;
    o.Fail(std::move(why));
  }
}

}  // namespace fw
