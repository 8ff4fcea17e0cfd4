#pragma once
// Damage done to a database file the way a failing disk or a crash of
// another tool does it, for the tests of what the program makes of it.
#include <sqlite3.h>

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace kestrion::test {

enum class IndexDamage {
  kRootPageZeroed,  // every page that the index's root held is lost: every insert meets it
  kEntryAltered,    // one entry of a leaf no longer matches its row: only a full check sees it
};

inline const char* NameOf(IndexDamage d) {
  return d == IndexDamage::kRootPageZeroed ? "RootPageZeroed" : "EntryAltered";
}
inline void PrintTo(IndexDamage d, std::ostream* os) { *os << NameOf(d); }

// The page numbers of a b-tree of the file (its root first) and the page
// size, read with SQLite's dbstat table.
struct Pages {
  std::vector<long> numbers;
  long size = 0;
};
inline Pages PagesOf(const std::string& file, const std::string& tree) {
  Pages p;
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "select pageno, (select page_size from pragma_page_size) from dbstat where name = ?1",
                     -1, &st, nullptr);
  sqlite3_bind_text(st, 1, tree.c_str(), -1, SQLITE_TRANSIENT);
  while (st && sqlite3_step(st) == SQLITE_ROW) {
    p.numbers.push_back(sqlite3_column_int64(st, 0));
    p.size = sqlite3_column_int64(st, 1);
  }
  sqlite3_finalize(st);
  sqlite3_close_v2(db);
  return p;
}

// Damages the index of PassData's UNIQUE Site; the table itself stays whole.
// The file needs enough rows for an index of more than one page. False when
// it could not be done.
inline bool DamageSiteIndex(const std::string& file, IndexDamage how) {
  const Pages pages = PagesOf(file, "sqlite_autoindex_PassData_1");
  if (pages.numbers.size() < 2 || pages.size <= 0) return false;
  std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
  if (how == IndexDamage::kRootPageZeroed) {
    f.seekp((pages.numbers[0] - 1) * pages.size);
    f.write(std::string(static_cast<size_t>(pages.size), '\0').data(), pages.size);
    return f.good();
  }
  // A digit in the middle of the last cell of a leaf (cells are written
  // from the page's end): the entry keeps its place but names no row.
  const long page = pages.numbers[1];
  std::string bytes(static_cast<size_t>(pages.size), '\0');
  f.seekg((page - 1) * pages.size);
  f.read(bytes.data(), pages.size);
  for (size_t i = bytes.size() - 12; i > bytes.size() / 2; --i) {
    if (bytes[i] >= '0' && bytes[i] <= '8' && bytes[i - 1] >= '0' && bytes[i - 1] <= '9') {
      ++bytes[i];
      f.seekp((page - 1) * pages.size);
      f.write(bytes.data(), pages.size);
      return f.good();
    }
  }
  return false;
}

// SQLite's verdict on the file: "ok" when sound.
inline std::string IntegrityOf(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  std::string out;
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
    while (sqlite3_step(st) == SQLITE_ROW) out += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  } else {
    out = sqlite3_errmsg(db);
  }
  sqlite3_finalize(st);
  sqlite3_close_v2(db);
  return out;
}

}  // namespace kestrion::test
