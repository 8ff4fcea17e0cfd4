// Start-up, memory and idle CPU of the program against its floor, a minimal
// Qt Widgets window (bench_floor_window, one plain QWidget shown). Both are
// the real executables, started as a desktop starts them, each with a fresh
// home; a preloaded probe (libkbench_probe.so) reports from inside them:
//   - exec to the first idle of the event loop, at a first start and at a
//     later start (the book a first start made is opened), with the part of
//     it spent loading the linked libraries and how many are mapped then;
//   - resident memory 2 s after exec (later start), anonymous and file-backed;
//   - CPU used by the whole process from 2 s to 2 s + the idle span, and
//     second by second;
//   - the same two from 8 s after exec, when the start-up chime has long
//     ended (the audio device closes about 2.3 s after exec): what the
//     program costs once nothing plays.
// Program and floor take turns run by run (which goes first alternates); the
// figures are medians, ratios taken pair by pair. Then the floor against a
// floor whose window has a line edit with the focus, whose cursor blinks:
// what a window with text to type into costs to start (its fonts) and while
// idle, the least a program with a search field can spend. Offscreen always, and on the X server of
// DISPLAY when it is set:
//   xvfb-run -a build/bin/bench_startup [runs] [idle runs] [idle seconds] [program]
// (defaults: 20 start-up runs, 5 memory and idle runs, 10 s, the kestrion
// beside the bench; another build of the program can be measured in its place).
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bench/support/BenchKit.h"

namespace {
namespace fs = std::filesystem;

// The second idle span begins this long after exec.
constexpr int kLateSeconds = 8;

struct Probed {
  double idle_ms = -1;  // exec to the first idle
  double loaded_ms = -1;  // exec to the linked libraries loaded
  int libraries = -1;   // shared libraries mapped then
  double rss_mb = -1, anon_mb = -1, file_mb = -1;
  double cpu_ms = -1;
  std::vector<double> cpu_each_s;  // of the idle span, second by second
  // The same from kLateSeconds after exec.
  double late_rss_mb = -1, late_anon_mb = -1, late_file_mb = -1;
  double late_cpu_ms = -1;
  std::vector<double> late_cpu_each_s;
};

// What runs: an executable and its arguments.
using Command = std::vector<std::string>;

struct Setup {
  Command program, floor, text_floor;
  fs::path probe;
  const char* platform;
};

Probed Run(const Setup& s, const Command& command, const std::string& home, int idle_seconds) {
  bench::ChildOptions options;
  options.quiet_stderr = true;
  const double t0 = bench::NowMs();
  bench::ChildProcess child = bench::StartChild(command, home,
                                                {{"QT_QPA_PLATFORM", s.platform},
                                                 {"LD_PRELOAD", s.probe.string()},
                                                 {"KBENCH_PROBE_FD", bench::kChildFd},
                                                 {"KBENCH_PROBE_T0", std::to_string(t0)},
                                                 {"KBENCH_PROBE_IDLE_S", std::to_string(idle_seconds)},
                                                 {"KBENCH_PROBE_LATE_S", std::to_string(kLateSeconds)}},
                                                options);
  const std::string out =
      bench::ReadUntilLine(child, "done", 30000.0 + 1000.0 * (kLateSeconds + idle_seconds));
  bench::EndChild(child, SIGTERM);
  Probed p;
  for (const std::string& line : bench::Lines(out)) {
    std::istringstream in(line);
    std::string what;
    in >> what;
    if (what == "idle") {
      double at = 0, loaded = 0;
      in >> at >> p.libraries >> loaded;
      p.idle_ms = at - t0;
      p.loaded_ms = loaded - t0;
    } else if (what == "memory" || what == "memory-late") {
      const bool late = what == "memory-late";
      double rss = 0, anon = 0, file = 0;
      in >> rss >> anon >> file;
      (late ? p.late_rss_mb : p.rss_mb) = rss / 1024;
      (late ? p.late_anon_mb : p.anon_mb) = anon / 1024;
      (late ? p.late_file_mb : p.file_mb) = file / 1024;
    } else if (what == "cpu" || what == "cpu-late") {
      const bool late = what == "cpu-late";
      in >> (late ? p.late_cpu_ms : p.cpu_ms);
      for (double ms; in >> ms;) (late ? p.late_cpu_each_s : p.cpu_each_s).push_back(ms);
    }
  }
  return p;
}

// One pair: the program and the floor, in the given order, in one home.
struct Pair {
  Probed program, floor;
};
Pair RunPair(const Setup& s, const Command& program, bool later, int idle_seconds, bool floor_first) {
  Pair pair;
  const std::string home = bench::TempHome("startup");
  if (home.empty()) return pair;
  if (later) Run(s, program, home, 0);  // makes the book
  if (floor_first) pair.floor = Run(s, s.floor, home, idle_seconds);
  pair.program = Run(s, program, home, idle_seconds);
  if (!floor_first) pair.floor = Run(s, s.floor, home, idle_seconds);
  fs::remove_all(home);
  return pair;
}

// The values f gives for the pairs, those it has none for (nullopt) left out.
template <class F>
std::vector<double> Each(const std::vector<Pair>& pairs, F&& f) {
  std::vector<double> v;
  for (const Pair& p : pairs)
    if (const std::optional<double> x = f(p)) v.push_back(*x);
  return v;
}

std::optional<double> Known(double v) { return v >= 0 ? std::optional<double>(v) : std::nullopt; }

// As a ratio to the floor, or, for what the floor hardly has at all, as the
// difference.
enum class Against { kRatio, kDifference };
void Print(const char* what, const char* unit, const std::vector<Pair>& pairs, double Probed::*field,
           Against against = Against::kRatio) {
  const auto program = Each(pairs, [&](const Pair& p) { return Known(p.program.*field); });
  const auto floor = Each(pairs, [&](const Pair& p) { return Known(p.floor.*field); });
  std::printf("  %-34s program %7.1f %s (min %.1f, max %.1f)   floor %7.1f %s   ", what, bench::Median(program), unit,
              bench::Min(program), bench::Max(program), bench::Median(floor), unit);
  const auto ratio = Each(pairs, [&](const Pair& p) -> std::optional<double> {
    if (p.program.*field < 0 || p.floor.*field < 0) return std::nullopt;
    return p.floor.*field > 0 ? std::optional<double>(p.program.*field / p.floor.*field) : std::nullopt;
  });
  if (against == Against::kRatio && ratio.size() == program.size() && !ratio.empty()) {
    std::printf("ratio %.2fx (min %.2f, max %.2f)\n", bench::Median(ratio), bench::Min(ratio), bench::Max(ratio));
    return;
  }
  const auto over = Each(pairs, [&](const Pair& p) -> std::optional<double> {
    if (p.program.*field < 0 || p.floor.*field < 0) return std::nullopt;
    return p.program.*field - p.floor.*field;
  });
  std::printf("over the floor %+.1f %s\n", over.empty() ? 0.0 : bench::Median(over), unit);
}

// The program's CPU, second by second, over a span.
void PrintEachSecond(const std::vector<Pair>& pairs, std::vector<double> Probed::*each, int from_s, int seconds) {
  std::printf("  %-34s", "  program, second by second");
  for (int s = 0; s < seconds; ++s) {
    const auto ms = Each(pairs, [&](const Pair& p) -> std::optional<double> {
      if (static_cast<int>((p.program.*each).size()) <= s) return std::nullopt;
      return (p.program.*each)[static_cast<std::size_t>(s)];
    });
    std::printf(" %d-%d s: %.1f", from_s + s, from_s + 1 + s, bench::Median(ms));
  }
  std::printf(" ms\n");
}

void Measure(const Setup& s, int runs, int idle_runs, int idle_seconds) {
  std::printf("%s platform:\n", s.platform);
  for (const bool later : {false, true}) {
    std::vector<Pair> pairs;
    for (int i = 0; i < runs; ++i) pairs.push_back(RunPair(s, s.program, later, 0, i % 2 == 1));
    const std::string what = std::string("exec to first idle, ") + (later ? "later" : "first") + " start";
    Print(what.c_str(), "ms", pairs, &Probed::idle_ms);
    Print("  of it loading the libraries", "ms", pairs, &Probed::loaded_ms);
    const auto libs = Each(pairs, [](const Pair& p) { return Known(p.program.libraries); });
    const auto floor_libs = Each(pairs, [](const Pair& p) { return Known(p.floor.libraries); });
    std::printf("  %-34s program %5.0f          floor %5.0f\n", "  shared libraries then", bench::Median(libs),
                bench::Median(floor_libs));
  }
  if (idle_runs <= 0) return;
  std::vector<Pair> pairs;
  for (int i = 0; i < idle_runs; ++i) pairs.push_back(RunPair(s, s.program, true, idle_seconds, i % 2 == 1));
  Print("resident memory 2 s after exec", "MB", pairs, &Probed::rss_mb);
  Print("  of it anonymous", "MB", pairs, &Probed::anon_mb);
  Print("  of it file-backed", "MB", pairs, &Probed::file_mb);
  const std::string cpu = "CPU while idle, " + std::to_string(idle_seconds) + " s";
  Print(cpu.c_str(), "ms", pairs, &Probed::cpu_ms, Against::kDifference);
  // Where in the span it went: what still plays after the start keeps the
  // audio device open for its first seconds.
  PrintEachSecond(pairs, &Probed::cpu_each_s, 2, idle_seconds);
  const std::string late = std::to_string(kLateSeconds) + " s after exec";
  Print(("resident memory " + late).c_str(), "MB", pairs, &Probed::late_rss_mb);
  Print("  of it anonymous", "MB", pairs, &Probed::late_anon_mb);
  Print("  of it file-backed", "MB", pairs, &Probed::late_file_mb);
  Print(("CPU while idle from " + late).c_str(), "ms", pairs, &Probed::late_cpu_ms, Against::kDifference);
  PrintEachSecond(pairs, &Probed::late_cpu_each_s, kLateSeconds, idle_seconds);

  // The floor with text to type into, against the plain floor.
  std::vector<Pair> text;
  for (int i = 0; i < idle_runs; ++i) text.push_back(RunPair(s, s.text_floor, false, idle_seconds, i % 2 == 1));
  std::printf("  floor with a focused line edit (as \"program\") against the plain floor:\n");
  Print("exec to first idle", "ms", text, &Probed::idle_ms);
  Print("resident memory 2 s after exec", "MB", text, &Probed::rss_mb);
  Print(cpu.c_str(), "ms", text, &Probed::cpu_ms, Against::kDifference);
  Print(("CPU while idle from " + late).c_str(), "ms", text, &Probed::late_cpu_ms, Against::kDifference);
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const int idle_runs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 5;
  const int idle_seconds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 10;
  std::error_code ec;
  const fs::path bin = fs::read_symlink("/proc/self/exe", ec).parent_path();
  const fs::path program = argc > 4 ? fs::absolute(argv[4]) : bin / "kestrion";
  const fs::path floor = bin / "bench_floor_window";
  Setup s{{program.string()}, {floor.string()}, {floor.string(), "--text"}, bin / "libkbench_probe.so", "offscreen"};
  for (const fs::path& f : {program, floor, s.probe}) {
    if (!fs::exists(f)) {
      std::fprintf(stderr, "missing %s: build the targets kestrion, bench_floor_window and kbench_probe\n",
                   f.c_str());
      return 1;
    }
  }
  std::printf("%s: %d start-up runs, %d memory and idle runs of %d s; medians, ratios pair by pair\n",
              program.c_str(), runs, idle_runs, idle_seconds);
  Measure(s, runs, idle_runs, idle_seconds);
  if (const char* display = std::getenv("DISPLAY"); display && *display) {
    s.platform = "xcb";
    Measure(s, runs, idle_runs, idle_seconds);
  }
  return 0;
}
