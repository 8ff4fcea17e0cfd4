#include "framework/database/sqlite/RecordSetData.h"

#include <algorithm>

#include "framework/database/sqlite/SqlScan.h"

namespace fw::sqlite {

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
  if (column < 0 || !AtRow()) return {};
  const Cell& c = cells[pos * columns.size() + column];
  return c.length ? blocks[c.block].substr(c.offset, c.length) : std::string();
}

RecordSetData::Cell RecordSetData::Append(const char* text, size_t length) {
  constexpr size_t kBlock = 1 << 20;
  if (length == 0) return Cell{0, 0, 0};
  if (blocks.empty() || blocks.back().capacity() - blocks.back().size() < length) {
    blocks.emplace_back();
    blocks.back().reserve(std::max(kBlock, length));
  }
  std::string& b = blocks.back();
  const Cell c{static_cast<uint32_t>(blocks.size() - 1), static_cast<uint32_t>(b.size()), static_cast<uint32_t>(length)};
  b.append(text, length);
  return c;
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

void RecordSetData::Clear() {
  blocks.clear();
  cells.clear();
  rowids.clear();
  has_rowid.clear();
  rows = pos = 0;
  in_gap = false;
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
  const Connection::Use use(*conn);
  int rc = SQLITE_OK;
  const StatementHandle st = Prepare(conn->db(), sql, &rc);
  if (!st) {
    outcome->Fail(conn->LastFailure("Cannot change the row: "));
    return;
  }
  for (size_t i = 0; i < assign.size(); ++i)
    sqlite3_bind_text(st.get(), static_cast<int>(i + 1), assign[i].second.data(),
                      static_cast<int>(assign[i].second.size()), SQLITE_STATIC);
  sqlite3_bind_int64(st.get(), static_cast<int>(assign.size() + 1), rowid);
  Failure why;
  if (!conn->Run(st.get(), &why)) {
    why.message = "Cannot change the row: " + why.message;
    outcome->Fail(std::move(why));
    return;
  }
  outcome->Ok();  // whatever a handler run during a wait for the lock was told
  if (sqlite3_changes(conn->db()) == 0) {
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
        cells[r * n + c] = Append(a.second.data(), a.second.size());
      }
    }
  }
}

void RecordSetData::Delete() {
  if (RefusedWhileWaiting()) return;
  outcome->Ok();
  Outcome::WriteScope write(*outcome);
  if (!AtRow()) return;
  if (!CanChange()) return;
  if (!has_rowid[pos]) {
    outcome->Fail("This row of the record set has no row in the table to delete.");
    return;
  }
  const int64_t rowid = rowids[pos];
  const std::string sql = "DELETE FROM " + table + " WHERE " + rowid_name + " = ?";
  const Connection::Use use(*conn);
  int rc = SQLITE_OK;
  const StatementHandle st = Prepare(conn->db(), sql, &rc);
  if (!st) {
    outcome->Fail(conn->LastFailure("Cannot delete the row: "));
    return;
  }
  sqlite3_bind_int64(st.get(), 1, rowid);
  Failure why;
  if (!conn->Run(st.get(), &why)) {
    why.message = "Cannot delete the row: " + why.message;
    outcome->Fail(std::move(why));
    return;
  }
  outcome->Ok();  // whatever a handler run during a wait for the lock was told
  // Gone already (deleted through another set or connection): say so, and the
  // set lets go of it all the same.
  if (sqlite3_changes(conn->db()) == 0) outcome->Fail("Cannot delete the row: it is no longer in the table.");

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

}  // namespace fw::sqlite
