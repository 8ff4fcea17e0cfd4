#include "bench/support/BenchKit.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEventLoop>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/Startup.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/FolderItem.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"

namespace bench {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
double Min(const std::vector<double>& v) { return v.empty() ? -1 : *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return v.empty() ? -1 : *std::max_element(v.begin(), v.end()); }

std::vector<int> Sizes(int argc, char** argv, int first, std::vector<int> fallback) {
  std::vector<int> sizes;
  for (int i = first; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = std::move(fallback);
  return sizes;
}

RunsAndSizes ParseRunsAndSizes(int argc, char** argv, int default_runs, std::vector<int> default_sizes) {
  return {argc > 1 ? std::max(1, std::atoi(argv[1])) : default_runs, Sizes(argc, argv, 2, std::move(default_sizes))};
}

namespace {
std::string Drawn(std::mt19937& rng, int min_len, int max_len, int lowest, int highest) {
  std::uniform_int_distribution<int> len(min_len, max_len), ch(lowest, highest);
  std::string s(static_cast<std::size_t>(len(rng)), ' ');
  for (char& c : s) c = static_cast<char>(ch(rng));
  return s;
}
}  // namespace

std::string RandomText(std::mt19937& rng, int min_len, int max_len) { return Drawn(rng, min_len, max_len, 32, 126); }
std::string Printable(std::mt19937& rng, int min_len, int max_len) { return Drawn(rng, min_len, max_len, 33, 126); }

std::string Letters(std::mt19937& rng, int min_len, int max_len) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ   ";
  std::uniform_int_distribution<int> len(min_len, max_len), ch(0, sizeof kAlphabet - 2);
  std::string s(static_cast<std::size_t>(len(rng)), ' ');
  for (char& c : s) c = kAlphabet[ch(rng)];
  return s;
}

// The draws stay in the order the books were first made in, so that a seed
// still gives the same rows.
Entry TextEntry(std::mt19937& rng, std::string site) {
  Entry e;
  e.site = std::move(site);
  e.user_name = RandomText(rng, 4, 12);
  e.password = RandomText(rng, 8, 20);
  e.notes = RandomText(rng, 0, 60);
  e.web_address = "http://www." + RandomText(rng, 5, 15);
  return e;
}

Entry NameEntry(std::mt19937& rng, std::string site, Draw password) {
  Entry e;
  e.site = std::move(site);
  e.user_name = Letters(rng, 4, 12);
  e.password = password(rng, 8, 20);
  e.notes = Letters(rng, 0, 60);
  e.web_address = "http://www." + Letters(rng, 5, 15) + ".example";
  return e;
}

std::string BookFile(const std::string& home) { return home + "/.local/share/Kestrion/PassDataBaseURL.rsd"; }

Book MakeBook(const std::string& file, int rows, unsigned seed, const EntryMaker& entry) {
  fw::SqlDatabase db;
  return MakeBook(db, file, rows, seed, entry);
}

Book MakeBook(fw::SqlDatabase& db, const std::string& file, int rows, unsigned seed, const EntryMaker& entry) {
  db.SetDatabaseFilePath(file);
  db.CreateDatabaseFile();
  db.SQLExecute(
      "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
      "WebAddress VarChar)");
  std::mt19937 rng(seed);
  Book book;
  for (int i = 0; i < rows; ++i) {
    Entry e = entry(rng, i);
    fw::DatabaseRecord r;
    r.Column("Site", kestrion::Window1::Encrypt(e.site));
    r.Column("UserName", kestrion::Window1::Encrypt(e.user_name));
    r.Column("PassWord", kestrion::Window1::Encrypt(e.password));
    r.Column("Notes", kestrion::Window1::Encrypt(e.notes));
    r.Column("WebAddress", kestrion::Window1::Encrypt(e.web_address));
    db.InsertRecord("PassData", r);
    book.last_site = std::move(e.site);
  }
  db.Commit();
  if (db.Error()) book.error = db.ErrorMessage();
  return book;
}

Book MakeHomeBook(const std::string& home, int rows, unsigned seed, const EntryMaker& entry) {
  fw::FolderItem(home + "/.local/share/Kestrion").CreateAsFolder();
  return MakeBook(BookFile(home), rows, seed, entry);
}

std::vector<double> SqliteReadMs(const std::string& file, int runs) {
  const std::string cmd = "sqlite3 '" + file + "' 'select * from PassData' >/dev/null";
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) break;
    times.push_back(Ms(Clock::now() - t0));
  }
  return times;
}

double SqliteReadOnceMs(const std::string& file) {
  const std::vector<double> one = SqliteReadMs(file, 1);
  return one.empty() ? -1 : one.front();
}

void IdleFor(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

double ResidentMb() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  long pages = 0, resident = 0;
  const int got = std::fscanf(f, "%ld %ld", &pages, &resident);
  std::fclose(f);
  return got == 2 ? resident * (sysconf(_SC_PAGESIZE) / 1048576.0) : -1;
}

void Paired::Add(double ms_, double floor, double gap, double cpu_gap, double rss) {
  ms.push_back(ms_);
  floor_ms.push_back(floor);
  gap_ms.push_back(gap);
  cpu_gap_ms.push_back(cpu_gap);
  rss_mb.push_back(rss);
}

double Paired::MedianRatio() const {
  std::vector<double> ratios;
  for (std::size_t i = 0; i < ms.size() && i < floor_ms.size(); ++i)
    if (floor_ms[i] > 0) ratios.push_back(ms[i] / floor_ms[i]);
  return Median(ratios);
}

double SqliteBestMs(const std::string& file, int runs) {
  const std::vector<double> times = SqliteReadMs(file, runs);
  return !times.empty() && static_cast<int>(times.size()) == runs ? Min(times) : -1;
}

LoopProbe::LoopProbe(Kind kind, std::size_t reserve) : kind_(kind) {
  marks_.reserve(reserve);
  cpu_marks_.reserve(reserve);
  if (kind_ == Kind::kQueuedCall) return;
  if (kind_ == Kind::kMsTimer) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(1);
  } else {
    timer_.setInterval(0);
  }
  QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { Mark(); });
}

// A call still queued names context_, which goes with the probe: it is
// dropped, never delivered to a probe that is gone.
LoopProbe::~LoopProbe() { Stop(); }

void LoopProbe::Start() {
  running_ = true;
  if (kind_ != Kind::kQueuedCall) {
    timer_.start();
    return;
  }
  Mark();
  Queue();
}

void LoopProbe::Stop() {
  running_ = false;
  timer_.stop();
}

void LoopProbe::Queue() {
  QMetaObject::invokeMethod(
      &context_,
      [this] {
        if (!running_) return;
        Mark();
        Queue();
      },
      Qt::QueuedConnection);
}

void LoopProbe::Clear() {
  marks_.clear();
  cpu_marks_.clear();
}
void LoopProbe::Mark(Clock::time_point at) {
  marks_.push_back(at);
  cpu_marks_.push_back(ThreadCpuMs());
}
const std::vector<Clock::time_point>& LoopProbe::Marks() const { return marks_; }

double LoopProbe::LongestGapMs() const {
  double gap = 0;
  for (std::size_t i = 1; i < marks_.size(); ++i) gap = std::max(gap, Ms(marks_[i] - marks_[i - 1]));
  return gap;
}

double LoopProbe::LongestCpuGapMs() const {
  double gap = 0;
  for (std::size_t i = 1; i < cpu_marks_.size(); ++i) gap = std::max(gap, cpu_marks_[i] - cpu_marks_[i - 1]);
  return gap;
}

std::string TempHome(const std::string& tag) {
  std::string name = "/tmp/kestrion-bench-" + (tag.empty() ? "" : tag + "-") + "XXXXXX";
  return mkdtemp(name.data()) ? name : std::string();
}

ChildProcess StartChild(const std::vector<std::string>& argv, const std::string& home,
                        const std::vector<std::pair<std::string, std::string>>& env, const ChildOptions& options) {
  ChildProcess child;
  int fds[2];
  if (argv.empty() || pipe(fds) != 0) return child;
  // Everything the child needs is made before it starts, so that its start
  // is all that the parent's clock sees.
  const std::string fd = std::to_string(fds[1]), data_home = home + "/.local/share";
  auto with_fd = [&](std::string s) {
    for (std::size_t at; (at = s.find(kChildFd)) != std::string::npos;) s.replace(at, std::strlen(kChildFd), fd);
    return s;
  };
  std::vector<std::string> args, values;
  for (const std::string& a : argv) args.push_back(with_fd(a));
  for (const auto& [name, value] : env) values.push_back(with_fd(value));
  std::vector<char*> cargv;
  for (std::string& a : args) cargv.push_back(a.data());
  cargv.push_back(nullptr);
  child.forked_ms = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", options.platform_from_caller ? 0 : 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (std::size_t i = 0; i < env.size(); ++i) setenv(env[i].first.c_str(), values[i].c_str(), 1);
    if (options.quiet_stderr) {
      if (FILE* quiet = std::freopen("/dev/null", "w", stderr)) (void)quiet;
    }
    execv(cargv[0], cargv.data());
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return child;
  }
  child.pid = pid;
  child.out = fds[0];
  return child;
}

std::string ReadUntilLine(ChildProcess& child, const std::string& last, double timeout_ms) {
  std::string out;
  if (child.out < 0) return out;
  const double deadline = NowMs() + timeout_ms;
  char buf[256];
  for (;;) {
    const std::size_t end = out.rfind(last + "\n");
    if (end != std::string::npos && (end == 0 || out[end - 1] == '\n')) break;
    const double left = deadline - NowMs();
    if (left <= 0) break;
    pollfd p{child.out, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
    const ssize_t n = read(child.out, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

int EndChild(ChildProcess& child, int signal) {
  int status = -1;
  if (child.pid > 0) {
    if (signal != 0) kill(child.pid, signal);
    waitpid(child.pid, &status, 0);
  }
  if (child.out >= 0) close(child.out);
  child = ChildProcess{};
  return status;
}

ChildResult RunChild(const char* self, const std::string& home, const std::vector<std::string>& args,
                     const ChildOptions& options) {
  std::vector<std::string> argv = {self, "--child", kChildFd};
  argv.insert(argv.end(), args.begin(), args.end());
  ChildProcess child = StartChild(argv, home, {}, options);
  ChildResult result;
  result.forked_ms = child.forked_ms;
  if (child.pid < 0) return result;
  char buf[256];
  for (ssize_t n; (n = read(child.out, buf, sizeof buf)) > 0;) result.out.append(buf, static_cast<std::size_t>(n));
  EndChild(child, 0);
  return result;
}

std::vector<std::string> Lines(const std::string& out) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < out.size();) {
    const std::size_t end = out.find('\n', at);
    lines.push_back(out.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return lines;
}

kestrion::Window1& BringUpProgram() {
  // The runtime keeps argc and argv for its whole life.
  static int argc = 1;
  static char name[] = "kestrion";
  static char* argv[] = {name, nullptr};
  fw::RuntimeInit(argc, argv);
  fw::testing::UseScriptedMessageBoxes(true);
  fw::testing::KeepRuntimeAlive(true);
  kestrion::StaticInitialize();
  fw::RunFrameworkInitialization(kestrion::_Startup);
  fw::testing::ProcessEvents();
  return kestrion::Window1::Instance();
}

void TearDownProgram() {
  kestrion::StaticFinalize();
  fw::RuntimeExit();
}

}  // namespace bench
