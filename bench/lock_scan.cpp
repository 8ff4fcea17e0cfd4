// The start-up lock scan over a large book, on the offscreen platform: the
// time from process start to the unlock prompt shown, when the lock row is the
// table's last row, as a ratio to a start of the same book without a lock row
// (the main window shown) and to a sqlite3 read of the same file taken just
// before each start (the median of the starts' ratios), and the longest time
// the event loop went without running meanwhile, in wall and in CPU time. Each
// start is a child process of its own, as a user's is.
//
//   bench_lock_scan [runs] [sizes...]     e.g. bench_lock_scan 5 10000 100000 200000
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "bench/support/BenchKit.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Window.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"

namespace {
using bench::Clock;
using bench::Ms;

// The lock row, written last, as the set-up window writes it.
void AddLock(const std::string& home) {
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(bench::BookFile(home));
  db.Connect();
  fw::DatabaseRecord r;
  r.Column("Site", kestrion::Window1::Encrypt("Kestrion Program Lock"));
  r.Column("UserName", kestrion::Window1::Encrypt("First pet?"));
  r.Column("PassWord", kestrion::Window1::Encrypt("secret"));
  r.Column("Notes", kestrion::Window1::Encrypt("Rex"));
  db.InsertRecord("PassData", r);
  db.Commit();
}

// In the child: a whole run of the program. When its event loop starts it
// writes "<ms> <what is shown> <longest gap ms> <first run ms> <longest CPU gap ms>"
// and quits.
int Child(int fd, char* self) {
  int argc = 1;
  char* argv[] = {self, nullptr};
  fw::RuntimeInit(argc, argv);
  const Clock::time_point started = Clock::now();
  // Fires whenever the event loop runs, the scan's yields included.
  bench::LoopProbe probe(bench::LoopProbe::Kind::kIdleTimer, 1 << 16);
  probe.Start();
  fw::testing::RunWhenEventLoopStarts([&] {
    const double t = bench::NowMs();
    const Clock::time_point now = Clock::now();
    fw::Window* prompt = fw::GetImplicitWindow("Window5.Window5");
    const char* shown = prompt && fw::testing::IsOnScreen(*prompt)              ? "prompt"
                        : fw::testing::IsOnScreen(kestrion::Window1::Instance()) ? "book"
                                                                                 : "nothing";
    const std::vector<Clock::time_point>& ticks = probe.Marks();
    const double first = ticks.empty() ? Ms(now - started) : Ms(ticks.front() - started);
    dprintf(fd, "%.3f %s %.3f %.3f %.3f\n", t, shown, probe.LongestGapMs(), first, probe.LongestCpuGapMs());
    fw::Quit(0);
  });
  return kestrion::RunMain(argc, argv);
}

struct Start {
  double ms = -1, gap = 0, first = 0, cpu_gap = 0;
  std::string shown;
};

Start OneStart(const char* self, const std::string& home) {
  bench::ChildOptions options;
  options.quiet_stderr = true;  // the platform's notes
  const bench::ChildResult r = bench::RunChild(self, home, {}, options);
  Start s;
  if (r.out.empty()) return s;
  char shown[16] = {};
  double at = 0;
  if (std::sscanf(r.out.c_str(), "%lf %15s %lf %lf %lf", &at, shown, &s.gap, &s.first, &s.cpu_gap) != 5) return s;
  s.ms = at - r.forked_ms;
  s.shown = shown;
  return s;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return Child(std::atoi(argv[2]), argv[0]);
  const auto [runs, sizes] = bench::ParseRunsAndSizes(argc, argv, 5, bench::ScanSizes());

  std::printf("start-up to the first window shown, offscreen, median of %d starts [min-max]\n", runs);
  for (int rows : sizes) {
    const std::string home = bench::TempHome("lock");
    if (home.empty()) return 1;
    bench::MakeHomeBook(home, rows, 7, [](std::mt19937& rng, int i) {
      return bench::NameEntry(rng, bench::Letters(rng, 4, 24) + " " + std::to_string(i), bench::Letters);
    });
    // The same book first without its lock, then with the lock row last.
    std::vector<double> times[2], gaps[2], firsts[2], cpu_gaps[2];
    bench::Paired to_sqlite[2];
    for (int locked = 0; locked < 2; ++locked) {
      if (locked) AddLock(home);
      for (int i = 0; i < runs; ++i) {
        const double floor = bench::SqliteReadOnceMs(bench::BookFile(home));
        const Start s = OneStart(argv[0], home);
        const char* want = locked ? "prompt" : "book";
        if (s.ms < 0 || s.shown != want) {
          std::fprintf(stderr, "%d rows: the start showed %s, not the %s\n", rows, s.shown.c_str(), want);
          std::filesystem::remove_all(home);
          return 1;
        }
        times[locked].push_back(s.ms);
        gaps[locked].push_back(s.gap);
        firsts[locked].push_back(s.first);
        cpu_gaps[locked].push_back(s.cpu_gap);
        to_sqlite[locked].Add(s.ms, floor, s.gap, s.cpu_gap, 0);
      }
    }
    auto range = [](const std::vector<double>& v) {
      return std::to_string(static_cast<int>(bench::Min(v) + 0.5)) + "-" +
             std::to_string(static_cast<int>(bench::Max(v) + 0.5));
    };
    const double locked_ms = bench::Median(times[1]), unlocked_ms = bench::Median(times[0]);
    std::printf(
        "%7d rows: prompt %.1f ms [%s], book without lock %.1f ms [%s], ratio %.2f\n"
        "             to a sqlite3 read of the file (%.1f ms): %.2f locked, %.2f unlocked\n"
        "             longest event-loop gap once it first ran: %.1f ms locked, %.1f ms unlocked (worst %.1f / %.1f;"
        " in CPU time %.1f / %.1f);\n"
        "             its first run %.1f ms / %.1f ms after the runtime came up\n",
        rows, locked_ms, range(times[1]).c_str(), unlocked_ms, range(times[0]).c_str(), locked_ms / unlocked_ms,
        to_sqlite[1].MedianFloorMs(), to_sqlite[1].MedianRatio(), to_sqlite[0].MedianRatio(), bench::Median(gaps[1]),
        bench::Median(gaps[0]), bench::Max(gaps[1]), bench::Max(gaps[0]), bench::Max(cpu_gaps[1]),
        bench::Max(cpu_gaps[0]), bench::Median(firsts[1]), bench::Median(firsts[0]));
    std::filesystem::remove_all(home);
  }
  return 0;
}
