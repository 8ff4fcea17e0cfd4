// File > Export All Passwords... over 10,000 and 100,000 entries: the time
// from the command to the text on the clipboard, as a ratio to the sqlite3
// tool's plain read of the same file, and the longest time the event loop
// went without running meanwhile. Each size runs in a child process of its
// own, with its own home, as a user's run would.
//
//   bench_export [runs] [sizes...]     e.g. bench_export 3 10000 100000
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/FolderItem.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string RandomText(std::mt19937& rng, int min_len, int max_len) {
  std::uniform_int_distribution<int> len(min_len, max_len), ch(32, 126);
  std::string s(len(rng), ' ');
  for (char& c : s) c = static_cast<char>(ch(rng));
  return s;
}

std::string DatabaseFile(const std::string& home) { return home + "/.local/share/Kestrion/PassDataBaseURL.rsd"; }

// A book of `rows` entries of the sizes people keep, in random order of names.
void MakeBook(const std::string& home, int rows) {
  fw::FolderItem(home + "/.local/share/Kestrion").CreateAsFolder();
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(DatabaseFile(home));
  db.CreateDatabaseFile();
  db.SQLExecute(
      "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
      "WebAddress VarChar)");
  std::mt19937 rng(11);
  for (int i = 0; i < rows; ++i) {
    fw::DatabaseRecord r;
    r.Column("Site", kestrion::Window1::Encrypt(RandomText(rng, 4, 16) + " " + std::to_string(i)));
    r.Column("UserName", kestrion::Window1::Encrypt(RandomText(rng, 4, 12)));
    r.Column("PassWord", kestrion::Window1::Encrypt(RandomText(rng, 8, 20)));
    r.Column("Notes", kestrion::Window1::Encrypt(RandomText(rng, 0, 60)));
    r.Column("WebAddress", kestrion::Window1::Encrypt("http://www." + RandomText(rng, 5, 15)));
    db.InsertRecord("PassData", r);
  }
  db.Commit();
}

// The sqlite3 tool's read of the whole table, best of `runs`.
double SqliteCliMs(const std::string& file, int runs) {
  const std::string cmd = "sqlite3 '" + file + "' 'select * from PassData' >/dev/null";
  double best = 1e18;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    best = std::min(best, Ms(Clock::now() - t0));
  }
  return best;
}

struct Result {
  double export_ms = 0;  // the command, question answered at once, up to its closing message
  double gap_ms = 0;     // longest time without the event loop running, during the command
};

// In the child: the program up as at start, then the export `runs` times.
int Child(int fd, int runs, int rows) {
  int argc = 1;
  char name[] = "kestrion";
  char* argv[] = {name, nullptr};
  fw::RuntimeInit(argc, argv);
  fw::testing::UseScriptedMessageBoxes(true);
  fw::testing::KeepRuntimeAlive(true);
  kestrion::StaticInitialize();
  fw::RunFrameworkInitialization(kestrion::_Startup);
  fw::testing::ProcessEvents();
  kestrion::Window1& w = kestrion::Window1::Instance();

  // A timer that fires whenever the event loop runs: the gaps between its
  // ticks are the times the window could not have answered.
  std::vector<Clock::time_point> ticks;
  ticks.reserve(1 << 20);
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] { ticks.push_back(Clock::now()); });
  probe.start();

  for (int run = 0; run < runs; ++run) {
    fw::testing::ProcessEvents();
    fw::testing::QueueAnswers({6});
    ticks.clear();
    const auto t0 = Clock::now();
    ticks.push_back(t0);
    fw::testing::ChooseMenuItem(w, "FileExport");
    const auto t1 = Clock::now();
    ticks.push_back(t1);
    Result r;
    r.export_ms = Ms(t1 - t0);
    for (size_t i = 1; i < ticks.size(); ++i) r.gap_ms = std::max(r.gap_ms, Ms(ticks[i] - ticks[i - 1]));
    const size_t blocks = w.Listbox1().ListCount();
    if (blocks != static_cast<size_t>(rows) || fw::Clipboard().Text().empty()) {
      dprintf(fd, "error %zu\n", blocks);
      return 1;
    }
    dprintf(fd, "%.3f %.3f\n", r.export_ms, r.gap_ms);
  }
  probe.stop();
  kestrion::StaticFinalize();
  fw::RuntimeExit();
  return 0;
}

std::vector<Result> RunChild(const char* self, const std::string& home, int runs, int rows) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string fd = std::to_string(fds[1]), r = std::to_string(runs), n = std::to_string(rows);
    execl(self, self, "--child", fd.c_str(), r.c_str(), n.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  std::vector<Result> results;
  for (size_t at = 0; at < out.size();) {
    const size_t end = out.find('\n', at);
    Result r;
    if (std::sscanf(out.c_str() + at, "%lf %lf", &r.export_ms, &r.gap_ms) == 2) results.push_back(r);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return results;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
    return Child(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000};

  std::printf("%8s %12s %12s %8s %14s\n", "entries", "export ms", "sqlite3 ms", "ratio", "longest gap ms");
  double first_ms = 0;
  int first_rows = 0;
  for (int rows : sizes) {
    char tmpl[] = "/tmp/kestrion-bench-export-XXXXXX";
    if (!mkdtemp(tmpl)) return 2;
    const std::string home = tmpl;
    MakeBook(home, rows);
    const double cli = SqliteCliMs(DatabaseFile(home), runs);
    std::vector<Result> r = RunChild(argv[0], home, runs, rows);
    std::filesystem::remove_all(home);
    if (r.empty()) {
      std::printf("%8d  the export failed\n", rows);
      return 1;
    }
    // The median run for the time; the worst run for the gap.
    std::sort(r.begin(), r.end(), [](const Result& a, const Result& b) { return a.export_ms < b.export_ms; });
    const double ms = r[r.size() / 2].export_ms;
    double gap = 0;
    for (const Result& x : r) gap = std::max(gap, x.gap_ms);
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
