// File > Export All Passwords... over 10,000 and 100,000 entries: the time
// from the command to the text on the clipboard, as a ratio to the sqlite3
// tool's plain read of the same file, and the longest time the event loop
// went without running meanwhile. Each size runs in a child process of its
// own, with its own home, as a user's run would.
//
//   bench_export [runs] [sizes...]     e.g. bench_export 3 10000 100000

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

struct Result {
  double export_ms = 0;  // the command, question answered at once, up to its closing message
  double gap_ms = 0;     // longest time without the event loop running, during the command
};

// In the child: the program up as at start, then the export `runs` times.
int Child(int fd, int runs, int rows) {
  kestrion::Window1& w = bench::BringUpProgram();

  // A timer that fires whenever the event loop runs: the gaps between its
  // ticks are the times the window could not have answered.
  bench::LoopProbe probe(bench::LoopProbe::Kind::kIdleTimer);
  probe.Start();

  for (int run = 0; run < runs; ++run) {
    fw::testing::ProcessEvents();
    fw::testing::QueueAnswers({6});
    probe.Clear();
    const auto t0 = Clock::now();
    probe.Mark(t0);
    fw::testing::ChooseMenuItem(w, "FileExport");
    const auto t1 = Clock::now();
    probe.Mark(t1);
    Result r;
    r.export_ms = Ms(t1 - t0);
    r.gap_ms = probe.LongestGapMs();
    const size_t blocks = w.Listbox1().ListCount();
    if (blocks != static_cast<size_t>(rows) || fw::Clipboard().Text().empty()) {
      dprintf(fd, "error %zu\n", blocks);
      return 1;
    }
    dprintf(fd, "%.3f %.3f\n", r.export_ms, r.gap_ms);
  }
  probe.Stop();
  bench::TearDownProgram();
  return 0;
}

std::vector<Result> RunChild(const char* self, const std::string& home, int runs, int rows) {
  const bench::ChildResult child = bench::RunChild(self, home, {std::to_string(runs), std::to_string(rows)});
  std::vector<Result> results;
  for (const std::string& line : bench::Lines(child.out)) {
    Result r;
    if (std::sscanf(line.c_str(), "%lf %lf", &r.export_ms, &r.gap_ms) == 2) results.push_back(r);
  }
  return results;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
    return Child(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
  const auto [runs, sizes] = bench::ParseRunsAndSizes(argc, argv, 3);

  std::printf("%8s %12s %12s %8s %14s\n", "entries", "export ms", "sqlite3 ms", "ratio", "longest gap ms");
  double first_ms = 0;
  int first_rows = 0;
  for (int rows : sizes) {
    const std::string home = bench::TempHome("export");
    if (home.empty()) return 2;
    // Entries of the sizes people keep, in random order of names.
    bench::MakeHomeBook(home, rows, 11, [](std::mt19937& rng, int i) {
      return bench::TextEntry(rng, bench::RandomText(rng, 4, 16) + " " + std::to_string(i));
    });
    const double cli = bench::SqliteBestMs(bench::BookFile(home), runs);
    std::vector<Result> r = RunChild(argv[0], home, runs, rows);
    std::filesystem::remove_all(home);
    if (r.empty()) {
      std::printf("%8d  the export failed\n", rows);
      return 1;
    }
    // The median run for the time; the worst run for the gap.
    std::vector<double> times, gaps;
    for (const Result& x : r) {
      times.push_back(x.export_ms);
      gaps.push_back(x.gap_ms);
    }
    const double ms = bench::Median(times), gap = bench::Max(gaps);
    std::printf("%8d %12.1f %12.1f %8.2f %14.1f\n", rows, ms, cli, cli > 0 ? ms / cli : 0.0, gap);
    if (first_rows == 0) {
      first_rows = rows;
      first_ms = ms;
    } else {
      std::printf("         growth from %d to %d entries: x%.1f for x%.1f entries\n", first_rows, rows,
                  ms / first_ms, static_cast<double>(rows) / first_rows);
    }
  }
  return 0;
}
