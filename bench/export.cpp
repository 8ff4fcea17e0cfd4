// File > Export All Passwords... over 10,000, 100,000 and 200,000 entries: the
// time from the command to the text on the clipboard, as a ratio to the
// sqlite3 tool's plain read of the same file taken just before it in the same
// run (the median of the runs' ratios), the longest time the event loop went
// without running meanwhile (in wall and in CPU time), and the resident memory
// once the program is idle again. Each size runs in a child process of its
// own, with its own home, as a user's run would.
//
//   bench_export [runs] [sizes...]     e.g. bench_export 3 10000 100000 200000

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/BenchKit.h"
#include "book/Window1.h"
#include "framework/Clipboard.h"
#include "framework/testing/Drivers.h"

namespace {
using bench::Clock;
using bench::Ms;

// In the child: the program up as at start, then the export `runs` times,
// each right after a sqlite3 read of the same file. Writes one line per run:
// "<export ms> <sqlite3 ms> <gap ms> <CPU gap ms> <resident MB>".
int Child(int fd, int runs, int rows) {
  kestrion::Window1& w = bench::BringUpProgram();
  const std::string file = bench::BookFile(std::getenv("HOME"));

  // A timer that fires whenever the event loop runs: the gaps between its
  // ticks are the times the window could not have answered.
  bench::LoopProbe probe(bench::LoopProbe::Kind::kIdleTimer);
  probe.Start();

  for (int run = 0; run < runs; ++run) {
    fw::testing::ProcessEvents();
    const double floor = bench::SqliteReadOnceMs(file);
    fw::testing::ProcessEvents();
    fw::testing::QueueAnswers({6});
    probe.Clear();
    const auto t0 = Clock::now();
    probe.Mark(t0);
    fw::testing::ChooseMenuItem(w, "FileExport");
    const auto t1 = Clock::now();
    probe.Mark(t1);
    const double gap = probe.LongestGapMs(), cpu_gap = probe.LongestCpuGapMs();
    const size_t blocks = w.Listbox1().ListCount();
    if (blocks != static_cast<size_t>(rows) || fw::Clipboard().Text().empty()) {
      dprintf(fd, "error %zu\n", blocks);
      return 1;
    }
    bench::IdleFor(50);
    dprintf(fd, "%.3f %.3f %.3f %.3f %.1f\n", Ms(t1 - t0), floor, gap, cpu_gap, bench::ResidentMb());
  }
  probe.Stop();
  bench::TearDownProgram();
  return 0;
}

bench::Paired RunChild(const char* self, const std::string& home, int runs, int rows) {
  const bench::ChildResult child = bench::RunChild(self, home, {std::to_string(runs), std::to_string(rows)});
  bench::Paired runs_seen;
  for (const std::string& line : bench::Lines(child.out)) {
    double ms = 0, floor = 0, gap = 0, cpu_gap = 0, rss = 0;
    if (std::sscanf(line.c_str(), "%lf %lf %lf %lf %lf", &ms, &floor, &gap, &cpu_gap, &rss) == 5)
      runs_seen.Add(ms, floor, gap, cpu_gap, rss);
  }
  return runs_seen;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
    return Child(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
  const auto [runs, sizes] = bench::ParseRunsAndSizes(argc, argv, 3, bench::ScanSizes());

  std::printf("median of %d runs; ratio: the median of the runs' ratios to a sqlite3 read taken just before\n", runs);
  std::printf("%8s %10s %10s %7s %8s %8s %8s\n", "entries", "export ms", "sqlite3 ms", "ratio", "gap ms", "cpu ms",
              "MB");
  double first_ms = 0;
  int first_rows = 0;
  for (int rows : sizes) {
    const std::string home = bench::TempHome("export");
    if (home.empty()) return 2;
    // Entries of the sizes people keep, in random order of names.
    bench::MakeHomeBook(home, rows, 11, [](std::mt19937& rng, int i) {
      return bench::TextEntry(rng, bench::RandomText(rng, 4, 16) + " " + std::to_string(i));
    });
    const bench::Paired r = RunChild(argv[0], home, runs, rows);
    std::filesystem::remove_all(home);
    if (r.ms.empty()) {
      std::printf("%8d  the export failed\n", rows);
      return 1;
    }
    const double ms = r.MedianMs();
    std::printf("%8d %10.1f %10.1f %7.2f %8.1f %8.1f %8.1f\n", rows, ms, r.MedianFloorMs(), r.MedianRatio(),
                r.WorstGapMs(), r.WorstCpuGapMs(), r.MostRssMb());
    if (first_rows == 0) {
      first_rows = rows;
      first_ms = ms;
    } else {
      std::printf("         growth from %d to %d entries: x%.1f for x%.1f entries\n", first_rows, rows, ms / first_ms,
                  static_cast<double>(rows) / first_rows);
    }
  }
  return 0;
}
