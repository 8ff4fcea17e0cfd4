#pragma once
// What the database tests share: files under the test's own home, a database
// with the program's table, and snapshots of a file to prove it untouched.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "framework/database/SqlDatabase.h"

namespace dbtest {

inline const char kSchema[] =
    "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, WebAddress "
    "VarChar)";

inline std::string HomePath(const std::string& name) { return std::string(std::getenv("HOME")) + "/" + name; }

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

// The bytes and modification time of a file (or that it is absent).
struct Snapshot {
  bool exists = false;
  std::string bytes;
  long long mtime_ns = 0;
  static Snapshot Of(const std::string& path) {
    Snapshot s;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.mtime_ns = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    if (S_ISREG(st.st_mode)) s.bytes = ReadBytes(path);
    return s;
  }
  bool operator==(const Snapshot&) const = default;
};

inline void ExpectNoSideFiles(const std::string& path) {
  for (const char* suffix : {"-journal", "-wal", "-shm"}) EXPECT_FALSE(Exists(path + suffix)) << path << suffix;
}

struct Entry {
  std::string site, password, notes, user, web;
};

inline fw::DatabaseRecord RecordOf(const Entry& e) {
  fw::DatabaseRecord r;
  r.Column("Site", e.site);
  r.Column("PassWord", e.password);
  r.Column("Notes", e.notes);
  r.Column("UserName", e.user);
  r.Column("WebAddress", e.web);
  return r;
}

inline Entry EntryAt(fw::RecordSet& rs) {
  return {rs.Field("Site"), rs.Field("PassWord"), rs.Field("Notes"), rs.Field("UserName"), rs.Field("WebAddress")};
}

inline bool operator==(const Entry& a, const Entry& b) {
  return a.site == b.site && a.password == b.password && a.notes == b.notes && a.user == b.user && a.web == b.web;
}

inline std::ostream& operator<<(std::ostream& os, const Entry& e) {
  return os << "{" << e.site << ", " << e.password << ", " << e.notes << ", " << e.user << ", " << e.web << "}";
}

// Every row of a select, in the order the set gives them.
inline std::vector<Entry> Walk(fw::RecordSet& rs) {
  std::vector<Entry> out;
  for (; !rs.Eof(); rs.MoveNext()) out.push_back(EntryAt(rs));
  return out;
}

inline std::vector<Entry> AllEntries(fw::SqlDatabase& db) {
  auto rs = db.SQLSelect("select * from PassData");
  EXPECT_FALSE(db.Error()) << db.ErrorMessage();
  return Walk(*rs);
}

// Each test gets a database file of the program's shape in its home folder.
class DatabaseTest : public ::testing::Test {
 protected:
  // A file of the test's own, so that tests run together in one process do not meet.
  static std::string File(const std::string& name) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string own = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : own)
      if (c == '/') c = '.';  // a parameterized test's name has them
    return HomePath(own + "-" + name);
  }

  std::string path_ = File("PassDataBaseURL.rsd");

  // Opens a new connection on the test's file.
  std::unique_ptr<fw::SqlDatabase> Open() {
    auto db = std::make_unique<fw::SqlDatabase>();
    db->SetDatabaseFilePath(path_);
    EXPECT_TRUE(db->Connect()) << db->ErrorMessage();
    return db;
  }

  // Creates the file with the program's table and the given rows, committed.
  std::unique_ptr<fw::SqlDatabase> CreateBook(const std::vector<Entry>& entries = {}) {
    auto db = std::make_unique<fw::SqlDatabase>();
    db->SetDatabaseFilePath(path_);
    EXPECT_TRUE(db->CreateDatabaseFile()) << db->ErrorMessage();
    db->SQLExecute(kSchema);
    EXPECT_FALSE(db->Error()) << db->ErrorMessage();
    for (const Entry& e : entries) {
      db->InsertRecord("PassData", RecordOf(e));
      EXPECT_FALSE(db->Error()) << db->ErrorMessage();
    }
    db->Commit();
    EXPECT_FALSE(db->Error()) << db->ErrorMessage();
    return db;
  }

  static std::vector<Entry> Letters(const std::string& letters) {
    std::vector<Entry> out;
    for (char c : letters) {
      const std::string s(1, c);
      out.push_back({s, "pw" + s, "notes " + s, "user" + s, "https://" + s + ".example"});
    }
    return out;
  }
};

}  // namespace dbtest
