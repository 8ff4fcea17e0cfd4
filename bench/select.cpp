// SQLSelect of "select * from PassData" and a full walk of the result over
// books of 10,000, 100,000 and 200,000 rows, with the longest time the event
// loop went without running (a 1 ms timer's longest gap) and the resident
// memory the walk added, against the sqlite3 tool's read of the same file.
//   bench_select [rows ...]     (default: 10000 100000 200000)
#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/BenchKit.h"
#include "framework/EventLoop.h"
#include "framework/database/SqlDatabase.h"

namespace {
using bench::Clock;
using bench::Ms;

// The longest stretch between two runs of the event loop while `work` runs,
// seen by a 1 ms timer (its start and end count as runs).
template <class F>
double LongestGap(F work) {
  bench::LoopProbe probe(bench::LoopProbe::Kind::kMsTimer, 1 << 16);
  probe.Start();
  QCoreApplication::processEvents();
  probe.Mark();
  work();
  probe.Mark();
  probe.Stop();
  return probe.LongestGapMs();
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::vector<int> sizes = bench::Sizes(argc, argv, 1, bench::ScanSizes());
  const std::string dir = std::filesystem::temp_directory_path() / "kestrion-bench-select";

  for (int rows : sizes) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/PassDataBaseURL.rsd";
    const bench::Book book = bench::MakeBook(file, rows, 7, [](std::mt19937& rng, int i) {
      return bench::TextEntry(rng, "site " + std::to_string(i) + bench::RandomText(rng, 4, 16));
    });
    if (!book.error.empty()) std::printf("making the book failed: %s\n", book.error.c_str());

    fw::SqlDatabase db;
    db.SetDatabaseFilePath(file);
    if (!db.Connect()) {
      std::printf("cannot open the book: %s\n", db.ErrorMessage().c_str());
      return 1;
    }
    constexpr int kRuns = 7;
    std::vector<double> select_ms, walk_ms, gaps, grown_mb;
    size_t bytes = 0;
    for (int run = 0; run < kRuns; ++run) {
      double s = 0, w = 0;
      const double rss_before = bench::ResidentMb();
      double rss_walking = 0;
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
        rss_walking = bench::ResidentMb();
        rs->Close();
        const auto t2 = Clock::now();
        s = Ms(t1 - t0);
        w = Ms(t2 - t1);
        bytes = n;
      }));
      select_ms.push_back(s);
      walk_ms.push_back(w);
      grown_mb.push_back(rss_walking - rss_before);
    }

    // For scale: the sqlite3 tool reading the same file (its start included).
    const std::vector<double> tool_ms = bench::SqliteReadMs(file, kRuns);

    std::printf("%d rows (%zu bytes of fields), %d runs:\n", rows, bytes, kRuns);
    std::printf("  SQLSelect        median %7.2f ms  min %7.2f ms\n", bench::Median(select_ms),
                bench::Min(select_ms));
    std::printf("  full walk        median %7.2f ms  min %7.2f ms\n", bench::Median(walk_ms), bench::Min(walk_ms));
    std::printf("  longest event-loop gap during both: median %.2f ms, worst %.2f ms\n", bench::Median(gaps),
                bench::Max(gaps));
    std::printf("  resident memory added by the set at the end of its walk: median %.1f MB\n",
                bench::Median(grown_mb));
    if (!tool_ms.empty())
      std::printf("  sqlite3 FILE 'select * from PassData' >/dev/null: median %.2f ms, min %.2f ms\n",
                  bench::Median(tool_ms), bench::Min(tool_ms));
  }
  std::filesystem::remove_all(dir);
  return 0;
}
