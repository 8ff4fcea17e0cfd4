// What a look over the whole book for damage costs, and what it sees: SQLite's
// quick_check and integrity_check of books of 10,000 and 100,000 rows (a
// read-only connection, the file in the page cache, runs interleaved), whether
// each of them sees the two kinds of index damage, and, through the
// framework's CheckForDamage as the program starts it, the time to the
// verdict with the longest time the event loop went without running meanwhile
// (a 1 ms timer's longest gap).
//   bench_damage_check [runs] [rows ...]     (default: 5; 10000 100000)
#include <sqlite3.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/BenchKit.h"
#include "framework/database/SqlDatabase.h"
#include "tests/support/Damage.h"

namespace {
using bench::Clock;
using bench::Ms;

// Runs the pragma to its end: its time in ms, and whether it found the file sound.
struct Check {
  double ms = -1;
  bool sound = false;
};
Check Run(const std::string& file, const char* pragma) {
  sqlite3* db = nullptr;
  Check c;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    const auto t0 = Clock::now();
    std::string lines;
    int rc = sqlite3_prepare_v2(db, pragma, -1, &st, nullptr);
    while (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      lines += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    c.ms = Ms(Clock::now() - t0);
    c.sound = lines == "ok";
    sqlite3_finalize(st);
  }
  sqlite3_close_v2(db);
  return c;
}

// CheckForDamage on an open database: ms to the verdict, and the event loop's
// longest gap until then.
struct Framework {
  double verdict_ms = -1, gap_ms = -1;
};
Framework ThroughTheFramework(const std::string& file) {
  Framework f;
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(file);
  if (!db.Connect()) return f;
  bench::LoopProbe probe(bench::LoopProbe::Kind::kMsTimer, 1 << 16);
  probe.Start();
  QCoreApplication::processEvents();
  probe.Mark();
  bool done = false;
  const auto t0 = Clock::now();
  db.CheckForDamage([&](const std::string&) {
    done = true;
    f.verdict_ms = Ms(Clock::now() - t0);
  });
  while (!done && Clock::now() - t0 < std::chrono::seconds(30))
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  probe.Mark();
  probe.Stop();
  f.gap_ms = probe.LongestGapMs();
  return f;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const bench::RunsAndSizes args = bench::ParseRunsAndSizes(argc, argv, 5);
  const std::string dir = std::filesystem::temp_directory_path() / "kestrion-bench-damage";

  for (int rows : args.sizes) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/PassDataBaseURL.rsd";
    const bench::Book book = bench::MakeBook(file, rows, 11, [](std::mt19937& rng, int i) {
      return bench::NameEntry(rng, "site " + std::to_string(i) + " " + bench::Letters(rng, 4, 16), bench::Printable);
    });
    if (!book.error.empty()) {
      std::printf("making the book failed: %s\n", book.error.c_str());
      return 1;
    }
    std::vector<double> quick, full, verdict, gap;
    Run(file, "PRAGMA integrity_check");  // the file into the page cache
    for (int r = 0; r < args.runs; ++r) {
      quick.push_back(Run(file, "PRAGMA quick_check").ms);
      full.push_back(Run(file, "PRAGMA integrity_check").ms);
      const Framework f = ThroughTheFramework(file);
      verdict.push_back(f.verdict_ms);
      gap.push_back(f.gap_ms);
    }
    std::printf("%d rows (%.1f MB), %d runs:\n", rows, std::filesystem::file_size(file) / 1e6, args.runs);
    std::printf("  PRAGMA quick_check      median %8.2f ms  min %8.2f ms\n", bench::Median(quick), bench::Min(quick));
    std::printf("  PRAGMA integrity_check  median %8.2f ms  min %8.2f ms\n", bench::Median(full), bench::Min(full));
    std::printf("  CheckForDamage to its verdict: median %.2f ms; longest event-loop gap meanwhile: median %.2f ms, "
                "worst %.2f ms\n",
                bench::Median(verdict), bench::Median(gap), bench::Max(gap));

    // What each check sees of the damage.
    for (auto how : {kestrion::test::IndexDamage::kRootPageZeroed, kestrion::test::IndexDamage::kEntryAltered}) {
      const std::string damaged = dir + "/damaged.rsd";
      std::filesystem::copy_file(file, damaged, std::filesystem::copy_options::overwrite_existing);
      if (!kestrion::test::DamageSiteIndex(damaged, how)) {
        std::printf("  (could not damage the index: %s)\n", kestrion::test::NameOf(how));
        continue;
      }
      const Check q = Run(damaged, "PRAGMA quick_check"), i = Run(damaged, "PRAGMA integrity_check");
      std::printf("  index damage %-15s quick_check %-8s integrity_check %s\n", kestrion::test::NameOf(how),
                  q.sound ? "misses" : "finds", i.sound ? "misses" : "finds");
    }
  }
  std::filesystem::remove_all(dir);
  return 0;
}
