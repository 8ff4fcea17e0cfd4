// SQLSelect of "select * from PassData" and a full walk of the result over
// books of 10,000 and 100,000 rows, with the longest time the event loop went
// without running (a 1 ms timer's longest gap), against the sqlite3 tool's
// read of the same file.
//   bench_select [rows ...]     (default: 10000 100000)
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

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

// A book of `rows` entries, every value scrambled as the program stores it.
void MakeBook(const std::string& file, int rows) {
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
  if (db.Error()) std::printf("making the book failed: %s\n", db.ErrorMessage().c_str());
}

// The longest stretch between two runs of the event loop while `work` runs,
// seen by a 1 ms timer (its start and end count as runs).
template <class F>
double LongestGap(F work) {
  std::vector<Clock::time_point> ticks;
  ticks.reserve(1 << 16);
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, [&] { ticks.push_back(Clock::now()); });
  timer.start(1);
  QCoreApplication::processEvents();
  ticks.push_back(Clock::now());
  work();
  ticks.push_back(Clock::now());
  timer.stop();
  double gap = 0;
  for (size_t i = 1; i < ticks.size(); ++i) gap = std::max(gap, Ms(ticks[i] - ticks[i - 1]));
  return gap;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000};
  const std::string dir = std::filesystem::temp_directory_path() / "kestrion-bench-select";

  for (int rows : sizes) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/PassDataBaseURL.rsd";
    MakeBook(file, rows);

    fw::SqlDatabase db;
    db.SetDatabaseFilePath(file);
    if (!db.Connect()) {
      std::printf("cannot open the book: %s\n", db.ErrorMessage().c_str());
      return 1;
    }
    constexpr int kRuns = 7;
    std::vector<double> select_ms, walk_ms, gaps;
    size_t bytes = 0;
    for (int run = 0; run < kRuns; ++run) {
      double s = 0, w = 0;
      gaps.push_back(LongestGap([&] {
        const auto t0 = Clock::now();
        auto rs = db.SQLSelect("select * from PassData", false);
        const auto t1 = Clock::now();
        // The program's walk: every row, every field read, one yield per row.
        size_t n = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
          for (const char* col : {"Site", "UserName", "PassWord", "Notes", "WebAddress"})
            n += rs->Field(col).StringValue().size();
          fw::Yield();
        }
        rs->Close();
        const auto t2 = Clock::now();
        s = Ms(t1 - t0);
        w = Ms(t2 - t1);
        bytes = n;
      }));
      select_ms.push_back(s);
      walk_ms.push_back(w);
    }

    // For scale: the sqlite3 tool reading the same file (its start included).
    std::vector<double> tool_ms;
    const std::string cmd = "sqlite3 '" + file + "' 'select * from PassData' > /dev/null";
    for (int run = 0; run < kRuns; ++run) {
      const auto t0 = Clock::now();
      if (std::system(cmd.c_str()) != 0) break;
      tool_ms.push_back(Ms(Clock::now() - t0));
    }

    std::printf("%d rows (%zu bytes of fields), %d runs:\n", rows, bytes, kRuns);
    std::printf("  SQLSelect        median %7.2f ms  min %7.2f ms\n", Median(select_ms),
                *std::min_element(select_ms.begin(), select_ms.end()));
    std::printf("  full walk        median %7.2f ms  min %7.2f ms\n", Median(walk_ms),
                *std::min_element(walk_ms.begin(), walk_ms.end()));
    std::printf("  longest event-loop gap during both: median %.2f ms, worst %.2f ms\n", Median(gaps),
                *std::max_element(gaps.begin(), gaps.end()));
    if (!tool_ms.empty())
      std::printf("  sqlite3 FILE 'select * from PassData' >/dev/null: median %.2f ms, min %.2f ms\n", Median(tool_ms),
                  *std::min_element(tool_ms.begin(), tool_ms.end()));
  }
  std::filesystem::remove_all(dir);
  return 0;
}
