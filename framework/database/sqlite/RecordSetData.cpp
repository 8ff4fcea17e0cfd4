#include "framework/database/sqlite/RecordSetData.h"

#include <algorithm>

#include "framework/EventLoop.h"
#include "framework/database/sqlite/SqlScan.h"

namespace fw::sqlite {

namespace {
// The sets that have a statement: all on the one thread.
std::vector<RecordSetData*>& Live() {
  static std::vector<RecordSetData*> sets;
  return sets;
}
}  // namespace

int ParkRecordSets(const Connection* conn) {
  int parked = 0;
  for (RecordSetData* set : Live()) {
    if (!conn || set->conn.get() == conn) parked += set->Park() ? 1 : 0;
  }
  return parked;
}

void RereadRecordSets(const Connection* conn) {
  // A copy: a set that fails to read again lets go of its statement.
  const std::vector<RecordSetData*> sets = Live();
  for (RecordSetData* set : sets) {
    if (set->conn.get() == conn) set->Reread();
  }
}

RecordSetData::~RecordSetData() { LetGoOfStatement(); }

void RecordSetData::LetGoOfStatement() {
  if (statement_) {
    auto& sets = Live();
    sets.erase(std::remove(sets.begin(), sets.end(), this), sets.end());
    if (conn && conn->Waiting()) conn->FinishLater(std::move(statement_));
  }
  statement_.reset();
  reader_.reset();
  parked_ = false;
  unreset_ = false;
  kept_.clear();
}

bool RecordSetData::Step(StatementHandle statement, sqlite3* prepared_on) {
  LetGoOfStatement();
  if (!Connected()) return false;
  reader_ = std::make_unique<Connection::Reader>(conn);
  statement_ = std::move(statement);
  Live().push_back(this);
  prepared_on_ = prepared_on;
  held_.clear();
  held_rows_ = 0;
  produced_ = deleted_ = 0;
  return Advance();
}

void RecordSetData::Hold(std::vector<std::string> values) {
  LetGoOfStatement();
  held_ = std::move(values);
  held_rows_ = columns.empty() ? 0 : held_.size() / columns.size();
  held_at_ = 0;
  place_ = held_rows_ > 0 ? Place::kRow : Place::kEnd;
  has_rowid_ = false;
  written_.clear();
}

void RecordSetData::BuildFields() {
  fields_.clear();
  fields_.reserve(columns.size());
  for (size_t i = 0; i < columns.size(); ++i) fields_.push_back(DatabaseField(this, static_cast<int>(i)));
}

int RecordSetData::ColumnIndex(const std::string& name) const {
  if (closed) return -1;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (EqualsNoCase(columns[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

std::string RecordSetData::Value(int column) const {
  std::string text;
  ValueInto(column, text);
  return text;
}

void RecordSetData::ValueInto(int column, std::string& text) const {
  text.clear();
  if (column < 0 || !AtRow()) return;
  for (const auto& w : written_) {
    if (w.first == column) {
      text = w.second;
      return;
    }
  }
  if (!Stepping()) {
    text = held_[held_at_ * columns.size() + static_cast<size_t>(column)];
    return;
  }
  if (parked_) {
    text = kept_[static_cast<size_t>(column)];
    return;
  }
  // Valid until the statement moves: other statements on the connection,
  // writes included, leave the row it read alone.
  const unsigned char* value = sqlite3_column_text(statement_.get(), column);
  if (value)
    text.assign(reinterpret_cast<const char*>(value),
                static_cast<size_t>(sqlite3_column_bytes(statement_.get(), column)));
}

void RecordSetData::SetPending(int column, const std::string& value) {
  if (column < 0 || !editing) return;
  for (auto& p : pending) {
    if (p.first == column) {
      p.second = value;
      return;
    }
  }
  pending.emplace_back(column, value);
}

void RecordSetData::Ended() {
  place_ = Place::kEnd;
  has_rowid_ = false;
  written_.clear();
  parked_ = false;
  kept_.clear();
}

bool RecordSetData::Park() {
  // Never from inside the connection's own wait: the statement waiting may be this one.
  if (!Stepping() || !conn || conn->Waiting()) return false;
  if (unreset_) {
    sqlite3_reset(statement_.get());
    unreset_ = false;
    return true;
  }
  if (parked_ || place_ == Place::kEnd) return false;
  sqlite3_stmt* st = statement_.get();
  kept_.resize(columns.size());
  for (size_t c = 0; c < columns.size(); ++c) {
    const unsigned char* text = sqlite3_column_text(st, static_cast<int>(c));
    kept_[c].assign(text ? reinterpret_cast<const char*>(text) : "",
                    text ? static_cast<size_t>(sqlite3_column_bytes(st, static_cast<int>(c))) : 0);
  }
  sqlite3_reset(st);
  parked_ = true;
  return true;
}

bool RecordSetData::StepOnce(int* rc) {
  const Connection::Use use(*conn);
  sqlite3_stmt* st = statement_.get();
  *rc = sqlite3_step(st);
  if (*rc != SQLITE_ROW) return false;
  ++produced_;
  return true;
}

// The statement runs again up to the row the set stood on. Another program
// may have added or removed rows before it meanwhile, so a row that has a
// rowid is found again by it. Otherwise, and for a row that is gone (deleted
// by this set, or elsewhere), its place is counted: the rows the set deleted
// are gone from the new run, so it stood after `produced_ - deleted_` of them.
bool RecordSetData::Resume() {
  size_t skip = produced_ - deleted_;
  const bool by_rowid = has_rowid_;
  const int64_t rowid = rowid_;
  parked_ = false;
  kept_.clear();
  produced_ = deleted_ = 0;
  int rc = SQLITE_DONE;
  if (by_rowid) {
    while (StepOnce(&rc)) {
      if (StatementOn(rowid)) return true;
    }
    if (rc == SQLITE_DONE) {
      // Deleted elsewhere: the walk goes on with the row that followed it.
      sqlite3_reset(statement_.get());
      produced_ = 0;
      if (skip > 0) --skip;
    }
  }
  if (rc == SQLITE_DONE) {
    while (produced_ < skip && StepOnce(&rc)) {
    }
    if (produced_ == skip) return true;
  }
  Ended();
  if (rc == SQLITE_DONE) {
    sqlite3_reset(statement_.get());
    return true;
  }
  Failure why = conn->LastFailure();
  conn->Note(why);
  sqlite3_reset(statement_.get());
  outcome->Fail(std::move(why));
  return false;
}

void RecordSetData::NoteRowid() {
  const int n = static_cast<int>(columns.size());
  sqlite3_stmt* st = statement_.get();
  has_rowid_ = editable && sqlite3_column_type(st, n) == SQLITE_INTEGER;
  rowid_ = has_rowid_ ? sqlite3_column_int64(st, n) : 0;
}

// The writes undone, the row the set stood on is read again as the file holds
// it now; a row that the undone writes had added is gone, and the set stands
// in the gap it leaves.
void RecordSetData::Reread() {
  if (!parked_ || !Stepping()) return;
  written_.clear();
  const bool by_rowid = has_rowid_;
  const int64_t rowid = rowid_;
  if (!Resume() || place_ == Place::kEnd) return;
  if (!by_rowid || StatementOn(rowid)) return;
  int rc = SQLITE_DONE;
  if (StepOnce(&rc)) {
    place_ = Place::kGap;
    NoteRowid();
    return;
  }
  Ended();
  if (rc != SQLITE_DONE) {
    Failure why = conn->LastFailure();
    conn->Note(why);
    outcome->Fail(std::move(why));
  }
  sqlite3_reset(statement_.get());
}

bool RecordSetData::StatementOn(int64_t rowid) const {
  const int n = static_cast<int>(columns.size());
  sqlite3_stmt* st = statement_.get();
  return Stepping() && produced_ > 0 && sqlite3_column_type(st, n) == SQLITE_INTEGER &&
         sqlite3_column_int64(st, n) == rowid;
}

bool RecordSetData::Advance() {
  written_.clear();
  if (!Stepping()) {
    if (place_ == Place::kEnd || ++held_at_ >= held_rows_) Ended();
    return true;
  }
  // Closed since, or reopened under its own name (a new file's first Commit):
  // the statement belongs to a connection that is gone.
  if (!conn || conn->reading_db() != prepared_on_) {
    LetGoOfStatement();
    Ended();
    outcome->Fail("The record set's database was closed while its rows were read.");
    return false;
  }
  // SQLite forbids using the connection from inside its own busy wait. The
  // set ends, so that a walk in a handler run meanwhile cannot go round for
  // ever; its statement is reset later (a move, Park).
  if (RefusedWhileWaiting()) {
    Ended();
    unreset_ = true;
    return false;
  }
  if (parked_) {
    if (!Resume()) return false;
    if (place_ == Place::kEnd) return true;
  }
  int rc = SQLITE_DONE;
  if (StepOnce(&rc)) {
    place_ = Place::kRow;
    NoteRowid();
    return true;
  }
  Ended();
  Failure why;
  if (rc != SQLITE_DONE) {
    why = conn->LastFailure();
    conn->Note(why);
  }
  // At the end the statement lets go of the file, so that another program
  // may write it while the set is kept.
  sqlite3_reset(statement_.get());
  if (rc == SQLITE_DONE) return true;
  outcome->Fail(std::move(why));
  return false;
}

void RecordSetData::MoveFirst() {
  if (closed) return;
  if (!Stepping()) {
    if (held_rows_ == 0) return;
    held_at_ = 0;
    place_ = Place::kRow;
    written_.clear();
    return;
  }
  if (RefusedWhileWaiting()) {
    Ended();
    return;
  }
  sqlite3_reset(statement_.get());
  unreset_ = false;
  parked_ = false;
  kept_.clear();
  produced_ = deleted_ = 0;
  Advance();
  fw::Yield();
}

void RecordSetData::MoveNext() {
  if (place_ == Place::kGap) {
    place_ = Place::kRow;  // onto the row that followed the deleted one, read already
    return;
  }
  if (place_ == Place::kEnd) return;
  Advance();
  fw::Yield();
}

void RecordSetData::Close() {
  LetGoOfStatement();
  held_.clear();
  held_rows_ = 0;
  closed = true;
  Ended();
  editable = false;
  editing = false;
  pending.clear();
  conn.reset();
}

bool RecordSetData::Connected() {
  if (conn && conn->db()) return true;
  outcome->Fail("The record set's database is not connected.");
  return false;
}

// Told to the caller at once, and not kept as a refused write for Commit: the
// write was never tried.
bool RecordSetData::RefusedWhileWaiting() {
  if (!conn || !conn->Waiting()) return false;
  outcome->Fail(Failure{kRefusedWhileWaiting, true});
  return true;
}

bool RecordSetData::CanChange() {
  if (!Connected()) return false;
  if (editable) return true;
  outcome->Fail("This record set cannot be changed: " + why_not + ".");
  return false;
}

void RecordSetData::Edit() {
  if (RefusedWhileWaiting()) return;
  outcome->Ok();
  Outcome::WriteScope write(*outcome);
  if (!CanChange()) return;
  editing = true;
  pending.clear();
}

RecordSetData::RowWrite RecordSetData::WriteRow(const std::string& sql,
                                                const std::vector<std::pair<std::string, std::string>>& values,
                                                const char* what) {
  const Connection::Use use(*conn);
  int rc = SQLITE_OK;
  const StatementHandle st = Prepare(conn->db(), sql, &rc);
  if (!st) {
    outcome->Fail(conn->LastFailure(what));
    return RowWrite::kFailed;
  }
  for (size_t i = 0; i < values.size(); ++i)
    sqlite3_bind_text(st.get(), static_cast<int>(i + 1), values[i].second.data(),
                      static_cast<int>(values[i].second.size()), SQLITE_STATIC);
  sqlite3_bind_int64(st.get(), static_cast<int>(values.size() + 1), rowid_);
  Failure why;
  if (!conn->Run(st.get(), &why)) {
    why.message = what + why.message;
    outcome->Fail(std::move(why));
    return RowWrite::kFailed;
  }
  outcome->Ok();  // whatever a handler run during a wait for the lock was told
  return sqlite3_changes(conn->db()) == 0 ? RowWrite::kGone : RowWrite::kDone;
}

void RecordSetData::Update() {
  if (RefusedWhileWaiting()) return;
  outcome->Ok();
  Outcome::WriteScope write(*outcome);
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
  if (!has_rowid_) {
    outcome->Fail("This row of the record set has no row in the table to change.");
    return;
  }

  std::string sql = "UPDATE " + table + " SET ";
  for (size_t i = 0; i < assign.size(); ++i) {
    if (i) sql += ", ";
    sql += QuoteIdentifier(assign[i].first) + " = ?";
  }
  sql += " WHERE " + rowid_name + " = ?";
  switch (WriteRow(sql, assign, "Cannot change the row: ")) {
    case RowWrite::kFailed:
      return;
    case RowWrite::kGone:
      outcome->Fail("Cannot change the row: it is no longer in the table.");
      return;
    case RowWrite::kDone:
      break;
  }

  // The row the set stands on shows the new values, in every column drawn
  // from a column that was written.
  for (size_t c = 0; c < columns.size(); ++c) {
    if (!columns[c].writable) continue;
    for (const auto& a : assign) {
      if (!EqualsNoCase(a.first, columns[c].origin)) continue;
      bool replaced = false;
      for (auto& w : written_) {
        if (w.first == static_cast<int>(c)) {
          w.second = a.second;
          replaced = true;
        }
      }
      if (!replaced) written_.emplace_back(static_cast<int>(c), a.second);
    }
  }
}

void RecordSetData::Delete() {
  if (RefusedWhileWaiting()) return;
  outcome->Ok();
  Outcome::WriteScope write(*outcome);
  if (!AtRow()) return;
  if (!CanChange()) return;
  if (!has_rowid_) {
    outcome->Fail("This row of the record set has no row in the table to delete.");
    return;
  }
  if (parked_) {
    // Found again first, so that the walk goes on from its place whatever
    // came or went before it meanwhile.
    const int64_t row = rowid_;
    if (!Resume()) return;
    if (!StatementOn(row)) {
      // Deleted elsewhere meanwhile: the set stands in the gap it left.
      if (AtRow()) {
        Advance();
        if (AtRow()) place_ = Place::kGap;
      }
      outcome->Fail("Cannot delete the row: it is no longer in the table.");
      return;
    }
  }
  const RowWrite done =
      WriteRow("DELETE FROM " + table + " WHERE " + rowid_name + " = ?", {}, "Cannot delete the row: ");
  if (done == RowWrite::kFailed) return;
  // Gone already (deleted through another set or connection): said below; the
  // set moves on from it all the same.
  const bool gone = done == RowWrite::kGone;
  ++deleted_;  // gone from the table either way
  has_rowid_ = false;  // nothing to find again by it

  // The set stands in the gap the row left. The row that followed is read
  // now, so that the end of the set shows at once when there is none.
  Advance();
  if (AtRow()) place_ = Place::kGap;
  if (gone) outcome->Fail("Cannot delete the row: it is no longer in the table.");
}

}  // namespace fw::sqlite
