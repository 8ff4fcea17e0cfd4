// SqlDatabase, RecordSet, DatabaseField and DatabaseRecord over the SQLite C API.
#include "framework/database/SqlDatabase.h"

#include <errno.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "framework/FolderItem.h"

namespace fw {

namespace dbdetail {

constexpr int kBusyTimeoutMs = 5000;  // a second copy of the program waits this long for a lock
constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with its NUL
constexpr size_t kHeaderSize = 100;

// The outcome of the last operation, shared by a database and its record sets.
struct Outcome {
  bool error = false;
  std::string message;
  // The last write refused since the last Commit: Commit reports it, so that
  // a caller who tests the flag after Commit learns that a write was lost.
  bool write_error = false;
  std::string write_message;

  void Ok() {
    error = false;
    message.clear();
  }
  void Fail(std::string why) {
    error = true;
    message = std::move(why);
  }
  void ForgetWrites() {
    write_error = false;
    write_message.clear();
  }
};

// Marks an operation as a write: if it fails, the failure is kept for Commit.
class WriteScope {
 public:
  explicit WriteScope(Outcome& o) : o_(o) {}
  ~WriteScope() {
    if (!o_.error) return;
    o_.write_error = true;
    o_.write_message = o_.message;
  }
  WriteScope(const WriteScope&) = delete;
  WriteScope& operator=(const WriteScope&) = delete;

 private:
  Outcome& o_;
};

// Finalizes the statement when it goes out of scope.
struct Statement {
  sqlite3_stmt* p = nullptr;
  Statement() = default;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  ~Statement() { sqlite3_finalize(p); }
};

// ASCII only, as SQLite compares names; inline, since every field read by name goes through it.
inline char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string QuoteIdentifier(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// --- a small SQL tokenizer: enough to find keywords outside strings,
// quoted names, comments and parentheses ---------------------------------------

bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

size_t SkipSpace(std::string_view s, size_t i) {
  while (i < s.size()) {
    const char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      i = s.find('\n', i);
      if (i == std::string_view::npos) return s.size();
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const size_t e = s.find("*/", i + 2);
      if (e == std::string_view::npos) return s.size();
      i = e + 2;
    } else {
      break;
    }
  }
  return i;
}

size_t TokenEnd(std::string_view s, size_t i) {
  const char c = s[i];
  if (c == '\'' || c == '"' || c == '`') {
    for (size_t j = i + 1; j < s.size(); ++j) {
      if (s[j] != c) continue;
      if (j + 1 < s.size() && s[j + 1] == c) {
        ++j;  // a doubled quote stands for itself
      } else {
        return j + 1;
      }
    }
    return s.size();
  }
  if (c == '[') {
    const size_t e = s.find(']', i + 1);
    return e == std::string_view::npos ? s.size() : e + 1;
  }
  if (IsWordChar(static_cast<unsigned char>(c))) {
    size_t j = i;
    while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
    return j;
  }
  return i + 1;
}

std::string_view FirstWord(std::string_view sql) {
  const size_t i = SkipSpace(sql, 0);
  if (i >= sql.size() || !IsWordChar(static_cast<unsigned char>(sql[i]))) return {};
  return sql.substr(i, TokenEnd(sql, i) - i);
}

// The position of the FROM that belongs to a leading SELECT (not one inside
// parentheses), or npos.
size_t TopLevelFrom(std::string_view sql) {
  if (!EqualsNoCase(FirstWord(sql), "select")) return std::string_view::npos;
  int depth = 0;
  for (size_t i = SkipSpace(sql, 0); i < sql.size(); i = SkipSpace(sql, i)) {
    const size_t end = TokenEnd(sql, i);
    const char c = sql[i];
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (depth == 0 && EqualsNoCase(sql.substr(i, end - i), "from")) {
      return i;
    }
    i = end;
  }
  return std::string_view::npos;
}

// --- the connection -------------------------------------------------------------

// One open handle. Record sets keep the object, not the handle: when the
// database closes, `db` becomes null and their writes report "not connected"
// instead of reaching a file opened later.
struct Connection {
  sqlite3* db = nullptr;
  std::string path;

  ~Connection() { Close(); }
  void Close() {
    if (db) sqlite3_close_v2(db);  // an open transaction is rolled back
    db = nullptr;
  }

  std::string LastError() const { return db ? sqlite3_errmsg(db) : "not connected"; }

  // Statements that change the file run inside the transaction that the first
  // of them opens. Settings (PRAGMA) and VACUUM run on their own: several of
  // them are refused inside a transaction.
  static bool NeedsTransaction(sqlite3_stmt* st) {
    if (sqlite3_stmt_readonly(st)) return false;
    const std::string_view first = FirstWord(sqlite3_sql(st));
    return !EqualsNoCase(first, "pragma") && !EqualsNoCase(first, "vacuum");
  }

  // Runs a prepared statement to its end, inside the write transaction when it
  // changes the file. On failure returns false and sets *why.
  bool Run(sqlite3_stmt* st, std::string* why) {
    if (NeedsTransaction(st) && !OpenTransaction(why)) return false;
    const bool in_transaction = !sqlite3_get_autocommit(db);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    if (rc == SQLITE_DONE) return true;
    *why = sqlite3_errmsg(db);
    sqlite3_reset(st);
    // A constraint failure undoes only its own statement; a few errors (disk
    // full, I/O) make SQLite drop the whole transaction: say so.
    if (in_transaction && sqlite3_get_autocommit(db)) *why += " (the changes since the last Commit were lost)";
    return false;
  }

  bool OpenTransaction(std::string* why) {
    if (!sqlite3_get_autocommit(db)) return true;
    // IMMEDIATE takes the write lock now, waiting through the busy timeout,
    // rather than failing later in the middle of the transaction.
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    *why = sqlite3_errmsg(db);
    return false;
  }
};

// Checks the file before SQLite sees it: SQLite opens lazily and would take an
// empty file for a new database. Nothing here writes.
bool LooksLikeDatabase(const std::string& path, std::string* why) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) {
      *why = "the file does not exist";
    } else if (errno == EACCES) {
      *why = "the file cannot be read (permission denied)";
    } else {
      *why = std::string("the file cannot be opened (") + std::strerror(errno) + ")";
    }
    return false;
  }
  struct stat st {};
  unsigned char h[kHeaderSize];
  ssize_t got = 0;
  const bool stat_ok = fstat(fd, &st) == 0;
  if (stat_ok && S_ISREG(st.st_mode)) {
    while (got < static_cast<ssize_t>(kHeaderSize)) {
      const ssize_t n = pread(fd, h + got, kHeaderSize - got, got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += n;
    }
  }
  close(fd);
  if (!stat_ok) {
    *why = std::string("the file cannot be examined (") + std::strerror(errno) + ")";
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *why = "it is a folder, not a file";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = "it is not a regular file";
    return false;
  }
  if (st.st_size == 0) {
    *why = "the file is empty, not a SQLite database";
    return false;
  }
  if (got < static_cast<ssize_t>(kHeaderSize) || std::memcmp(h, kMagic, sizeof kMagic) != 0) {
    *why = "the file is not a SQLite database";
    return false;
  }
  auto be32 = [&](int at) {
    return (uint32_t{h[at]} << 24) | (uint32_t{h[at + 1]} << 16) | (uint32_t{h[at + 2]} << 8) | h[at + 3];
  };
  uint32_t page = (uint32_t{h[16]} << 8) | h[17];
  if (page == 1) page = 65536;
  if (page < 512 || page > 65536 || (page & (page - 1)) != 0) {
    *why = "its header is damaged (invalid page size)";
    return false;
  }
  // Rollback-journal files (format bytes 1, 1) always hold whole pages, and when
  // the header's page count is current (offset 92 matches the change counter at
  // 24) the file must hold that many. A WAL file may keep pages in its log, and a
  // file beside a journal may be half-way through a transaction that its owner
  // did not finish: SQLite rolls that back on opening, so it is not judged here.
  struct stat journal {};
  const bool has_journal = stat((path + "-journal").c_str(), &journal) == 0 && journal.st_size > 0;
  if (h[18] == 1 && h[19] == 1 && !has_journal) {
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    const uint64_t pages = be32(28);
    if (size % page != 0 || (be32(92) == be32(24) && size < pages * page)) {
      *why = "the file is truncated or damaged (it holds " + std::to_string(size / page) + " of " +
             std::to_string(pages) + " pages)";
      return false;
    }
  }
  return true;
}

bool HeaderWritten(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char h[sizeof kMagic];
  const bool ok = pread(fd, h, sizeof h, 0) == static_cast<ssize_t>(sizeof h) && std::memcmp(h, kMagic, sizeof h) == 0;
  close(fd);
  return ok;
}

}  // namespace dbdetail

using namespace dbdetail;

// --- the record set's rows -------------------------------------------------------

struct RecordSetData {
  struct Cell {
    size_t offset;
    size_t length;
  };
  struct Column {
    std::string name;
    std::string origin;  // the table column it comes from; empty for an expression
    bool writable = false;
  };

  std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
  std::shared_ptr<Connection> conn;

  std::vector<Column> columns;
  std::vector<DatabaseField> fields;  // one per column; built once, so references stay valid
  DatabaseField none{this, -1};

  // All field text of all rows, end to end: one buffer instead of a string per field.
  std::string text;
  std::vector<Cell> cells;  // rows * columns
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

  RecordSetData() = default;
  RecordSetData(const RecordSetData&) = delete;
  RecordSetData& operator=(const RecordSetData&) = delete;

  bool AtRow() const { return !closed && !in_gap && pos < rows; }
  std::string Value(int column) const {
    if (column < 0 || !AtRow()) return {};
    const Cell& c = cells[pos * columns.size() + column];
    return text.substr(c.offset, c.length);
  }

  void BuildFields() {
    fields.reserve(columns.size());
    for (size_t i = 0; i < columns.size(); ++i) fields.push_back(DatabaseField(this, static_cast<int>(i)));
  }

  void Clear() {
    text.clear();
    cells.clear();
    rowids.clear();
    has_rowid.clear();
    rows = pos = 0;
    in_gap = false;
  }

  bool Connected() {
    if (conn && conn->db) return true;
    outcome->Fail("The record set's database is not connected.");
    return false;
  }

  bool CanChange() {
    if (!Connected()) return false;
    if (editable) return true;
    outcome->Fail("This record set cannot be changed: " + why_not + ".");
    return false;
  }

  void Update();
  void Delete();
};

std::string DatabaseField::StringValue() const { return set_->Value(column_); }

void DatabaseField::SetStringValue(const std::string& v) {
  if (column_ < 0 || !set_->editing) return;
  for (auto& p : set_->pending) {
    if (p.first == column_) {
      p.second = v;
      return;
    }
  }
  set_->pending.emplace_back(column_, v);
}

void RecordSetData::Update() {
  outcome->Ok();
  WriteScope write(*outcome);
  if (!editing) return;
  editing = false;
  std::vector<std::pair<int, std::string>> set = std::move(pending);
  pending.clear();
  if (!AtRow() || set.empty()) return;
  if (!CanChange()) return;

  // One assignment per table column; a later field of the same column wins.
  std::vector<std::pair<std::string, std::string>> assign;
  for (auto& [index, value] : set) {
    const Column& col = columns[index];
    if (!col.writable) {
      outcome->Fail("The field \"" + col.name + "\" is not a column of the table and cannot be changed.");
      return;
    }
    bool found = false;
    for (auto& a : assign) {
      if (EqualsNoCase(a.first, col.origin)) {
        a.second = std::move(value);
        found = true;
      }
    }
    if (!found) assign.emplace_back(col.origin, std::move(value));
  }
  if (!has_rowid[pos]) {
    outcome->Fail("This row of the record set has no row in the table to change.");
    return;
  }
  const int64_t rowid = rowids[pos];

  std::string sql = "UPDATE " + table + " SET ";
  for (size_t i = 0; i < assign.size(); ++i) {
    if (i) sql += ", ";
    sql += QuoteIdentifier(assign[i].first) + " = ?";
  }
  sql += " WHERE " + rowid_name + " = ?";
  Statement st;
  std::string why;
  if (sqlite3_prepare_v2(conn->db, sql.c_str(), -1, &st.p, nullptr) != SQLITE_OK) {
    outcome->Fail("Cannot change the row: " + conn->LastError());
    return;
  }
  for (size_t i = 0; i < assign.size(); ++i)
    sqlite3_bind_text(st.p, static_cast<int>(i + 1), assign[i].second.data(),
                      static_cast<int>(assign[i].second.size()), SQLITE_STATIC);
  sqlite3_bind_int64(st.p, static_cast<int>(assign.size() + 1), rowid);
  if (!conn->Run(st.p, &why)) {
    outcome->Fail("Cannot change the row: " + why);
    return;
  }
  if (sqlite3_changes(conn->db) == 0) {
    outcome->Fail("Cannot change the row: it is no longer in the table.");
    return;
  }

  // The set's own copy of the row (and of any other row of the set drawn from
  // the same table row) shows the new values.
  const size_t n = columns.size();
  for (size_t r = 0; r < rows; ++r) {
    if (!has_rowid[r] || rowids[r] != rowid) continue;
    for (size_t c = 0; c < n; ++c) {
      if (!columns[c].writable) continue;
      for (const auto& a : assign) {
        if (!EqualsNoCase(a.first, columns[c].origin)) continue;
        cells[r * n + c] = Cell{text.size(), a.second.size()};
        text += a.second;
      }
    }
  }
}

void RecordSetData::Delete() {
  outcome->Ok();
  WriteScope write(*outcome);
  if (!AtRow()) return;
  if (!CanChange()) return;
  if (!has_rowid[pos]) {
    outcome->Fail("This row of the record set has no row in the table to delete.");
    return;
  }
  const int64_t rowid = rowids[pos];
  const std::string sql = "DELETE FROM " + table + " WHERE " + rowid_name + " = ?";
  Statement st;
  std::string why;
  if (sqlite3_prepare_v2(conn->db, sql.c_str(), -1, &st.p, nullptr) != SQLITE_OK) {
    outcome->Fail("Cannot delete the row: " + conn->LastError());
    return;
  }
  sqlite3_bind_int64(st.p, 1, rowid);
  if (!conn->Run(st.p, &why)) {
    outcome->Fail("Cannot delete the row: " + why);
    return;
  }
  // Gone already (deleted through another set or connection): say so, and the
  // set lets go of it all the same.
  if (sqlite3_changes(conn->db) == 0) outcome->Fail("Cannot delete the row: it is no longer in the table.");

  // Drop every row of the set drawn from that table row; the set stands in the
  // gap, before the row that followed.
  const size_t n = columns.size();
  size_t kept = 0;
  size_t new_pos = pos;
  for (size_t r = 0; r < rows; ++r) {
    if (has_rowid[r] && rowids[r] == rowid) {
      if (r < pos) --new_pos;
      continue;
    }
    if (kept != r) {
      for (size_t c = 0; c < n; ++c) cells[kept * n + c] = cells[r * n + c];
      rowids[kept] = rowids[r];
      has_rowid[kept] = has_rowid[r];
    }
    ++kept;
  }
  rows = kept;
  cells.resize(rows * n);
  rowids.resize(rows);
  has_rowid.resize(rows);
  pos = new_pos;
  in_gap = pos < rows;
}

RecordSet::RecordSet() : d_(std::make_unique<RecordSetData>()) {}
RecordSet::RecordSet(std::unique_ptr<RecordSetData> data) : d_(std::move(data)) {
  if (!d_) d_ = std::make_unique<RecordSetData>();
}
RecordSet::~RecordSet() = default;

bool RecordSet::Eof() const { return d_->closed || d_->pos >= d_->rows; }

void RecordSet::MoveFirst() {
  d_->pos = 0;
  d_->in_gap = false;
}

void RecordSet::MoveNext() {
  if (d_->in_gap) {
    d_->in_gap = false;  // onto the row that followed the deleted one
  } else if (d_->pos < d_->rows) {
    ++d_->pos;
  }
}

DatabaseField& RecordSet::Field(const std::string& column) {
  if (d_->closed) return d_->none;
  for (size_t i = 0; i < d_->columns.size(); ++i) {
    if (EqualsNoCase(d_->columns[i].name, column)) return d_->fields[i];
  }
  return d_->none;
}

int RecordSet::FieldCount() const { return d_->closed ? 0 : static_cast<int>(d_->columns.size()); }

void RecordSet::Edit() {
  d_->outcome->Ok();
  WriteScope write(*d_->outcome);
  if (!d_->CanChange()) return;
  d_->editing = true;
  d_->pending.clear();
}

void RecordSet::Update() { d_->Update(); }
void RecordSet::DeleteRecord() { d_->Delete(); }

void RecordSet::Close() {
  d_->Clear();
  d_->closed = true;
  d_->editing = false;
  d_->pending.clear();
  d_->conn.reset();
}

// --- DatabaseRecord ---------------------------------------------------------------

void DatabaseRecord::Column(const std::string& name, const std::string& value) {
  for (auto& c : columns_) {
    if (EqualsNoCase(c.first, name)) {
      c.second = value;
      return;
    }
  }
  columns_.emplace_back(name, value);
}

// --- SqlDatabase ------------------------------------------------------------------

struct SqlDatabase::Impl {
  std::shared_ptr<FolderItem> file;
  std::string path;
  std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
  std::shared_ptr<Connection> conn;  // null when not connected

  void Disconnect() {
    if (conn) conn->Close();
    conn.reset();
  }

  bool Fail(std::string why) {
    outcome->Fail(std::move(why));
    return false;
  }

  bool RequireConnection() {
    if (conn && conn->db) return true;
    return Fail(path.empty() ? "Not connected to a database." : "Not connected to the database " + Quoted(path) + ".");
  }

  bool Open(int flags, sqlite3** out, std::string* why) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
      *why = db ? sqlite3_errmsg(db) : "out of memory";
      sqlite3_close_v2(db);
      return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    *out = db;
    return true;
  }

  void Adopt(sqlite3* db) {
    conn = std::make_shared<Connection>();
    conn->db = db;
    conn->path = path;
  }

  bool TryEditable(sqlite3_stmt* original, const std::string& sql, Statement* out, RecordSetData* d);
};

SqlDatabase::SqlDatabase() : d_(std::make_unique<Impl>()) {}
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

bool SqlDatabase::Error() const { return d_->outcome->error; }
std::string SqlDatabase::ErrorMessage() const { return d_->outcome->message; }

bool SqlDatabase::CreateDatabaseFile() {
  d_->outcome->Ok();
  d_->outcome->ForgetWrites();
  d_->Disconnect();
  const std::string& path = d_->path;
  if (path.empty()) return d_->Fail("Cannot create the database: no file is set.");
  const std::string what = "Cannot create the database " + Quoted(path) + ": ";

  // Made here, not by SQLite, so that it is private from the first moment and
  // an existing file is never touched.
  const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    if (errno == EEXIST) return d_->Fail(what + "a file of that name already exists.");
    return d_->Fail(what + std::strerror(errno) + ".");
  }
  fchmod(fd, 0600);  // whatever the umask took away
  close(fd);

  // An empty file is not yet a database: write the header now with a change
  // to page 1, so the file is never left as a 0-byte stand-in.
  sqlite3* db = nullptr;
  std::string why;
  bool ok = d_->Open(SQLITE_OPEN_READWRITE, &db, &why);
  if (ok && sqlite3_exec(db, "BEGIN IMMEDIATE; PRAGMA user_version = 1; PRAGMA user_version = 0; COMMIT", nullptr,
                         nullptr, nullptr) != SQLITE_OK) {
    why = sqlite3_errmsg(db);
    ok = false;
  }
  if (ok && !HeaderWritten(path)) {
    why = "the database header was not written";
    ok = false;
  }
  if (!ok) {
    sqlite3_close_v2(db);
    unlink(path.c_str());
    unlink((path + "-journal").c_str());
    return d_->Fail(what + why + ".");
  }
  d_->Adopt(db);
  return true;
}

bool SqlDatabase::Connect() {
  d_->outcome->Ok();
  if (d_->conn && d_->conn->db && d_->conn->path == d_->path) return true;
  d_->outcome->ForgetWrites();
  d_->Disconnect();
  const std::string& path = d_->path;
  if (path.empty()) return d_->Fail("Cannot open the database: no file is set.");
  const std::string what = "Cannot open the database " + Quoted(path) + ": ";

  std::string why;
  if (!LooksLikeDatabase(path, &why)) return d_->Fail(what + why + ".");

  // Never SQLITE_OPEN_CREATE: a file that vanished in the meantime is an error.
  sqlite3* db = nullptr;
  if (!d_->Open(SQLITE_OPEN_READWRITE, &db, &why)) return d_->Fail(what + why + ".");
  bool ok = true;
  if (sqlite3_db_readonly(db, "main") == 1) {
    // SQLite falls back to read-only without a word; every later save would fail.
    why = "the file cannot be written (read-only)";
    ok = false;
  } else {
    // SQLite reads the file only when asked: read the whole schema now.
    Statement st;
    if (sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &st.p, nullptr) != SQLITE_OK ||
        sqlite3_step(st.p) != SQLITE_ROW) {
      why = sqlite3_errmsg(db);
      ok = false;
    }
  }
  if (!ok) {
    sqlite3_close_v2(db);
    return d_->Fail(what + why + ".");
  }
  d_->Adopt(db);
  return true;
}

void SqlDatabase::SQLExecute(const std::string& sql) {
  d_->outcome->Ok();
  WriteScope write(*d_->outcome);
  if (!d_->RequireConnection()) return;
  sqlite3* db = d_->conn->db;
  const char* p = sql.data();
  const char* end = p + sql.size();
  while (p < end) {
    Statement st;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, p, static_cast<int>(end - p), &st.p, &tail) != SQLITE_OK) {
      d_->Fail(sqlite3_errmsg(db));
      return;
    }
    if (!tail || tail <= p) break;
    p = tail;
    if (!st.p) continue;  // only white space or a comment
    std::string why;
    if (!d_->conn->Run(st.p, &why)) {
      d_->Fail(why);
      return;
    }
  }
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
bool SqlDatabase::Impl::TryEditable(sqlite3_stmt* original, const std::string& sql, Statement* out,
                                    RecordSetData* d) {
  sqlite3* db = conn->db;
  const int n = sqlite3_column_count(original);
  if (n == 0 || !sqlite3_stmt_readonly(original)) return false;
  const size_t from = TopLevelFrom(sql);
  if (from == std::string::npos) return false;

  auto same = [](const char* a, const char* b) { return (!a && !b) || (a && b && std::strcmp(a, b) == 0); };
  for (const char* alias : {"rowid", "oid", "_rowid_"}) {
    const std::string rewritten = sql.substr(0, from) + ", " + alias + " " + sql.substr(from);
    Statement st;
    if (sqlite3_prepare_v2(db, rewritten.c_str(), static_cast<int>(rewritten.size()), &st.p, nullptr) != SQLITE_OK ||
        !st.p || sqlite3_column_count(st.p) != n + 1)
      continue;
    const char* schema = sqlite3_column_database_name(st.p, n);
    const char* table = sqlite3_column_table_name(st.p, n);
    if (!schema || !table || !sqlite3_column_origin_name(st.p, n)) continue;
    bool unchanged = true;
    for (int i = 0; i < n && unchanged; ++i) {
      unchanged = same(sqlite3_column_name(original, i), sqlite3_column_name(st.p, i)) &&
                  same(sqlite3_column_database_name(original, i), sqlite3_column_database_name(st.p, i)) &&
                  same(sqlite3_column_table_name(original, i), sqlite3_column_table_name(st.p, i)) &&
                  same(sqlite3_column_origin_name(original, i), sqlite3_column_origin_name(st.p, i));
    }
    if (!unchanged) continue;

    // The alias reaches the rowid unless the table declares a column of that
    // name; such a column is accepted only as the table's sole INTEGER PRIMARY
    // KEY, which is the rowid under another name.
    Statement info;
    if (sqlite3_prepare_v2(db, "SELECT name, type, pk FROM pragma_table_info(?1, ?2)", -1, &info.p, nullptr) !=
        SQLITE_OK)
      continue;
    sqlite3_bind_text(info.p, 1, table, -1, SQLITE_STATIC);
    sqlite3_bind_text(info.p, 2, schema, -1, SQLITE_STATIC);
    int keys = 0;
    bool declared = false, integer_key = false;
    while (sqlite3_step(info.p) == SQLITE_ROW) {
      const char* name = reinterpret_cast<const char*>(sqlite3_column_text(info.p, 0));
      const char* type = reinterpret_cast<const char*>(sqlite3_column_text(info.p, 1));
      const bool key = sqlite3_column_int(info.p, 2) > 0;
      keys += key;
      if (name && EqualsNoCase(name, alias)) {
        declared = true;
        integer_key = key && type && EqualsNoCase(type, "integer");
      }
    }
    if (declared && !(integer_key && keys == 1)) continue;

    d->editable = true;
    d->table = QuoteIdentifier(schema) + "." + QuoteIdentifier(table);
    d->rowid_name = declared ? QuoteIdentifier(alias) : alias;
    for (int i = 0; i < n; ++i) {
      const char* col_schema = sqlite3_column_database_name(st.p, i);
      const char* col_table = sqlite3_column_table_name(st.p, i);
      const char* col_origin = sqlite3_column_origin_name(st.p, i);
      auto& c = d->columns[i];
      c.writable = col_origin && same(col_schema, schema) && same(col_table, table);
      if (c.writable) c.origin = col_origin;
    }
    std::swap(out->p, st.p);
    return true;
  }
  return false;
}

std::shared_ptr<RecordSet> SqlDatabase::SQLSelect(const std::string& sql, bool /*unused*/) {
  d_->outcome->Ok();
  auto d = std::make_unique<RecordSetData>();
  d->outcome = d_->outcome;
  auto empty = [&]() {
    d->columns.clear();
    d->Clear();
    d->editable = false;
    d->BuildFields();
    return std::make_shared<RecordSet>(std::move(d));
  };
  if (!d_->RequireConnection()) return empty();
  sqlite3* db = d_->conn->db;

  Statement original;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &original.p, &tail) != SQLITE_OK) {
    d_->Fail(sqlite3_errmsg(db));
    return empty();
  }
  if (!original.p) {
    d_->Fail("There is no statement to run.");
    return empty();
  }
  if (tail && *tail) {
    Statement next;
    if (sqlite3_prepare_v2(db, tail, -1, &next.p, nullptr) != SQLITE_OK || next.p) {
      d_->Fail("SQLSelect runs one statement; this text holds more.");
      return empty();
    }
  }

  const int n = sqlite3_column_count(original.p);
  d->conn = d_->conn;
  d->columns.resize(n);
  for (int i = 0; i < n; ++i) {
    const char* name = sqlite3_column_name(original.p, i);
    d->columns[i].name = name ? name : "";
  }
  Statement editable;
  const bool with_rowid = d_->TryEditable(original.p, sql, &editable, d.get());
  sqlite3_stmt* st = with_rowid ? editable.p : original.p;
  if (!with_rowid && n > 0 && !sqlite3_stmt_readonly(original.p)) d->why_not = "the statement is not a select";

  if (Connection::NeedsTransaction(st)) {
    std::string why;
    if (!d_->conn->OpenTransaction(&why)) {
      d_->Fail(why);
      return empty();
    }
  }
  const bool in_transaction = !sqlite3_get_autocommit(db);
  int rc;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    for (int i = 0; i < n; ++i) {
      const unsigned char* t = sqlite3_column_text(st, i);
      const size_t len = static_cast<size_t>(sqlite3_column_bytes(st, i));
      d->cells.push_back({d->text.size(), len});
      if (len) d->text.append(reinterpret_cast<const char*>(t), len);
    }
    if (with_rowid) {
      const bool has = sqlite3_column_type(st, n) == SQLITE_INTEGER;
      d->has_rowid.push_back(has);
      d->rowids.push_back(has ? sqlite3_column_int64(st, n) : 0);
    }
    ++d->rows;
  }
  if (rc != SQLITE_DONE) {
    std::string why = sqlite3_errmsg(db);
    sqlite3_reset(st);
    if (in_transaction && sqlite3_get_autocommit(db)) why += " (the changes since the last Commit were lost)";
    d_->Fail(why);
    return empty();
  }
  if (!with_rowid) {
    d->rowids.assign(d->rows, 0);
    d->has_rowid.assign(d->rows, 0);
  }
  d->BuildFields();
  return std::make_shared<RecordSet>(std::move(d));
}

void SqlDatabase::InsertRecord(const std::string& table, const DatabaseRecord& record) {
  d_->outcome->Ok();
  WriteScope write(*d_->outcome);
  if (!d_->RequireConnection()) return;
  sqlite3* db = d_->conn->db;
  const int n = record.ColumnCount();
  std::string sql = "INSERT INTO " + QuoteIdentifier(table);
  if (n == 0) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names, marks;
    for (int i = 0; i < n; ++i) {
      if (i) {
        names += ", ";
        marks += ", ";
      }
      names += QuoteIdentifier(record.ColumnName(i));
      marks += "?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  const std::string what = "Cannot add the record to " + Quoted(table) + ": ";
  Statement st;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st.p, nullptr) != SQLITE_OK) {
    d_->Fail(what + sqlite3_errmsg(db));
    return;
  }
  for (int i = 0; i < n; ++i) {
    const std::string& v = record.ColumnValue(i);
    sqlite3_bind_text(st.p, i + 1, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
  }
  std::string why;
  if (!d_->conn->Run(st.p, &why)) d_->Fail(what + why);
}

void SqlDatabase::Commit() {
  Outcome& o = *d_->outcome;
  o.Ok();
  if (!d_->RequireConnection()) return;
  sqlite3* db = d_->conn->db;
  if (!sqlite3_get_autocommit(db) && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    std::string why = sqlite3_errmsg(db);
    // On "database is locked" the transaction stays open and Commit can be
    // tried again; its refused writes stay noted for that Commit.
    if (sqlite3_get_autocommit(db)) {
      why += " (the changes since the last Commit were lost)";
      o.ForgetWrites();
    }
    d_->Fail("Cannot commit the changes: " + why);
    return;
  }
  // Committed, or nothing to commit: the truth about the writes since the
  // last Commit is whether one of them was refused.
  if (o.write_error) o.Fail(o.write_message);
  o.ForgetWrites();
}

}  // namespace fw
