// A full read of the table with every field decoded, against the sqlite3
// command-line tool's plain read of the same file; and the cost of a yield.
#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "book/Window1.h"
#include "framework/EventLoop.h"
#include "framework/database/SqlDatabase.h"

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string RandomText(std::mt19937& rng, int min_len, int max_len) {
  std::uniform_int_distribution<int> len(min_len, max_len), ch(32, 126);
  std::string s(len(rng), ' ');
  for (char& c : s) c = static_cast<char>(ch(rng));
  return s;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  const std::string dir = std::filesystem::temp_directory_path() / "kestrion-bench-walk";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string file = dir + "/PassDataBaseURL.rsd";

  fw::SqlDatabase db;
  db.SetDatabaseFilePath(file);
  db.CreateDatabaseFile();
  db.SQLExecute(
      "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
      "WebAddress VarChar)");
  std::mt19937 rng(7);
  for (int i = 0; i < rows; ++i) {
    fw::DatabaseRecord r;
    r.Column("Site", kestrion::Window1::Encrypt("site " + std::to_string(i) + RandomText(rng, 4, 16)));
    r.Column("UserName", kestrion::Window1::Encrypt(RandomText(rng, 4, 12)));
    r.Column("PassWord", kestrion::Window1::Encrypt(RandomText(rng, 8, 20)));
    r.Column("Notes", kestrion::Window1::Encrypt(RandomText(rng, 0, 60)));
    r.Column("WebAddress", kestrion::Window1::Encrypt("http://www." + RandomText(rng, 5, 15)));
    db.InsertRecord("PassData", r);
  }
  db.Commit();

  // The program's walk: every row, every field decoded, one yield per row.
  double best = 1e9;
  size_t chars = 0;
  for (int run = 0; run < 5; ++run) {
    const auto t0 = Clock::now();
    auto rs = db.SQLSelect("select * from PassData", false);
    size_t n = 0;
    while (!rs->Eof()) {
      for (const char* col : {"Site", "UserName", "PassWord", "Notes", "WebAddress"})
        n += kestrion::Window1::Decrypt(rs->Field(col).StringValue()).size();
      rs->MoveNext();
      fw::Yield();
    }
    rs->Close();
    best = std::min(best, Ms(Clock::now() - t0));
    chars = n;
  }

  // The floor: the sqlite3 tool reading the same file (process start included).
  double floor_ms = 1e9;
  const std::string cmd = "sqlite3 '" + file + "' 'select * from PassData' > /dev/null";
  for (int run = 0; run < 5; ++run) {
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) {
      std::printf("sqlite3 not available\n");
      floor_ms = 0;
      break;
    }
    floor_ms = std::min(floor_ms, Ms(Clock::now() - t0));
  }

  std::printf("walk of %d rows with every field decoded (%zu characters): %.2f ms (best of 5)\n", rows, chars, best);
  if (floor_ms > 0)
    std::printf("sqlite3 '%s' > /dev/null: %.2f ms (best of 5); ratio %.2f\n", "select * from PassData", floor_ms,
                best / floor_ms);

  // One yield call.
  const int calls = 10000000;
  const auto t0 = Clock::now();
  for (int i = 0; i < calls; ++i) fw::Yield();
  std::printf("yield: %.1f ns a call (%d calls)\n", Ms(Clock::now() - t0) * 1e6 / calls, calls);
  std::filesystem::remove_all(dir);
  return 0;
}
