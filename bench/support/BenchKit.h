#pragma once
// What the timing programs share: clocks, books of scrambled rows, the
// sqlite3 tool's read for scale, a probe of the event loop's runs, a child
// process with its own home, and the figures drawn from repeated runs.
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace kestrion {
class Window1;
}
namespace fw {
class SqlDatabase;
}

namespace bench {

// --- time -------------------------------------------------------------------
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d);
double Seconds(Clock::duration d);
// The monotonic clock in ms: the same in a parent and its child, so that a
// child's moment can be set against the parent's start of it.
double NowMs();
// The calling thread's CPU time in ms.
double ThreadCpuMs();

// The shortest of `runs` runs of `f`.
template <class F>
Clock::duration Fastest(int runs, F&& f) {
  Clock::duration best = Clock::duration::max();
  for (int r = 0; r < runs; ++r) {
    const auto t0 = Clock::now();
    f();
    best = std::min(best, Clock::now() - t0);
  }
  return best;
}

// --- figures ----------------------------------------------------------------
// The middle one of the sorted values (the upper middle of an even count),
// the least, the greatest; each -1 for none.
double Median(std::vector<double> v);
double Min(const std::vector<double>& v);
double Max(const std::vector<double>& v);

// --- arguments --------------------------------------------------------------
// The book sizes named from argv[first] on; `fallback` (10,000 and 100,000
// unless given) when none is.
std::vector<int> Sizes(int argc, char** argv, int first, std::vector<int> fallback = {10000, 100000});
// "[runs] [sizes...]": runs at least 1.
struct RunsAndSizes {
  int runs;
  std::vector<int> sizes;
};
RunsAndSizes ParseRunsAndSizes(int argc, char** argv, int default_runs,
                               std::vector<int> default_sizes = {10000, 100000});
// The sizes the scan benches run by default.
inline std::vector<int> ScanSizes() { return {10000, 100000, 200000}; }

// --- values -----------------------------------------------------------------
// `min_len` to `max_len` characters drawn from `rng`.
using Draw = std::string (*)(std::mt19937& rng, int min_len, int max_len);
// Printable ASCII, the space included.
std::string RandomText(std::mt19937& rng, int min_len, int max_len);
// Printable ASCII without the space.
std::string Printable(std::mt19937& rng, int min_len, int max_len);
// Letters and spaces, as names and notes people type.
std::string Letters(std::mt19937& rng, int min_len, int max_len);

// One row's values, in the clear.
struct Entry {
  std::string site, user_name, password, notes, web_address;
};
// The values of row `i`; every draw comes from `rng`, so that a seed gives
// the same book each time.
using EntryMaker = std::function<Entry(std::mt19937& rng, int i)>;
// After `site` (drawn first by the caller): the other values as RandomText.
Entry TextEntry(std::mt19937& rng, std::string site);
// After `site`: names and notes as Letters, the password drawn by `password`,
// the web address a name under .example.
Entry NameEntry(std::mt19937& rng, std::string site, Draw password);

// --- books ------------------------------------------------------------------
// Where the program keeps its book under a home folder.
std::string BookFile(const std::string& home);
struct Book {
  std::string last_site;  // the last row's name, in the clear
  std::string error;      // empty when the book was made
};
// A new book file of `rows` rows drawn from `seed`, every value scrambled as
// the program stores it. The file's folder must exist.
Book MakeBook(const std::string& file, int rows, unsigned seed, const EntryMaker& entry);
// The same through `db`, which stays connected to the new book.
Book MakeBook(fw::SqlDatabase& db, const std::string& file, int rows, unsigned seed, const EntryMaker& entry);
// The same at BookFile(home), its folders made first.
Book MakeHomeBook(const std::string& home, int rows, unsigned seed, const EntryMaker& entry);

// The sqlite3 tool's plain read of the whole table, process start included:
// the times of up to `runs` reads in ms, ending at the first that fails.
std::vector<double> SqliteReadMs(const std::string& file, int runs);
// The fastest of `runs` reads; -1 when any of them failed.
double SqliteBestMs(const std::string& file, int runs);
// One read, for a ratio paired with the run measured beside it; -1 when it failed.
double SqliteReadOnceMs(const std::string& file);

// --- memory -----------------------------------------------------------------
// Runs the event loop for `ms` with nothing to do, as it runs between a
// user's commands: what the program does once idle (give memory back) is done.
void IdleFor(int ms);
// This process's resident memory now, in MB; -1 when it cannot be read.
double ResidentMb();

// Runs measured in pairs: the program's time and the sqlite3 read taken
// beside it. The ratio of each pair, then the median of those ratios, so that
// the load of a shared machine weighs on both sides of each ratio alike.
struct Paired {
  std::vector<double> ms, floor_ms, gap_ms, cpu_gap_ms, rss_mb;
  void Add(double ms_, double floor, double gap, double cpu_gap, double rss);
  double MedianMs() const { return Median(ms); }
  double MedianFloorMs() const { return Median(floor_ms); }
  double MedianRatio() const;
  double WorstGapMs() const { return Max(gap_ms); }
  double MedianGapMs() const { return Median(gap_ms); }
  double WorstCpuGapMs() const { return Max(cpu_gap_ms); }
  double MostRssMb() const { return Max(rss_mb); }
};

// --- the event loop ---------------------------------------------------------
// Marks each time the event loop runs: the longest stretch between two marks
// is the longest time a window could not have answered.
class LoopProbe {
 public:
  enum class Kind {
    kIdleTimer,   // a 0 ms timer: fires at every run of the loop
    kMsTimer,     // a precise 1 ms timer
    kQueuedCall,  // a call queued again each time the loop delivers it
  };
  explicit LoopProbe(Kind kind, std::size_t reserve = std::size_t{1} << 20);
  ~LoopProbe();
  LoopProbe(const LoopProbe&) = delete;
  LoopProbe& operator=(const LoopProbe&) = delete;

  // A queued call marks at once on Start, the timers at their first firing.
  void Start();
  void Stop();
  void Clear();
  void Mark(Clock::time_point at = Clock::now());
  const std::vector<Clock::time_point>& Marks() const;
  double LongestGapMs() const;
  // The same in the main thread's CPU time: the longest stretch of work
  // between two runs of the loop, whatever else the machine was doing (on a
  // busy machine the wall clock also counts the time the thread waited).
  double LongestCpuGapMs() const;

 private:
  void Queue();

  Kind kind_;
  bool running_ = false;
  std::vector<Clock::time_point> marks_;
  std::vector<double> cpu_marks_;  // ms of the thread's CPU time, one per mark
  QObject context_;
  QTimer timer_;
};

// --- child processes --------------------------------------------------------
// A new folder under /tmp named after `tag`, to be a home; empty on failure.
std::string TempHome(const std::string& tag);

struct ChildOptions {
  bool platform_from_caller = false;  // QT_QPA_PLATFORM as the caller set it, offscreen otherwise
  bool quiet_stderr = false;          // the platform's notes not shown
};
struct ChildResult {
  double forked_ms = 0;  // NowMs() just before the child was started
  std::string out;       // all it wrote to its descriptor; empty when it could not run
};
// Runs `self --child FD args...` with `home` as its home, the offscreen
// platform and silent audio, and waits for it to end.
ChildResult RunChild(const char* self, const std::string& home, const std::vector<std::string>& args,
                     const ChildOptions& options = {});

// A child left running: its process and the read end of its descriptor.
struct ChildProcess {
  int pid = -1;  // -1: it could not be started
  int out = -1;
  double forked_ms = 0;
};
// In argv and in the values of env: replaced by the number of the child's
// descriptor (the write end of a pipe the parent reads).
inline constexpr const char* kChildFd = "%FD%";
// Starts argv[0] (a path) with `home` as its home, the environment RunChild
// gives plus `env`, without waiting for it.
ChildProcess StartChild(const std::vector<std::string>& argv, const std::string& home,
                        const std::vector<std::pair<std::string, std::string>>& env, const ChildOptions& options = {});
// What the child writes, up to and with the line `last` (or until it closes
// its descriptor, or `timeout_ms` has passed).
std::string ReadUntilLine(ChildProcess& child, const std::string& last, double timeout_ms);
// Sends `signal` (none when 0), waits for the child to end and closes its
// descriptor; its exit status as waitpid gives it.
int EndChild(ChildProcess& child, int signal);
// `out` cut into its lines, without their ends.
std::vector<std::string> Lines(const std::string& out);

// In a child: the program up as at a start, message boxes scripted, the
// runtime kept alive between commands; and its end.
kestrion::Window1& BringUpProgram();
void TearDownProgram();

}  // namespace bench
