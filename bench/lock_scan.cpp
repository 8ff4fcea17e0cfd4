// The start-up lock scan over a large book, on the offscreen platform: the
// time from process start to the unlock prompt shown, when the lock row is the
// table's last row, as a ratio to a start of the same book without a lock row
// (the main window shown), and the longest time the event loop went without
// running meanwhile. Each start is a child process of its own, as a user's is.
//
//   bench_lock_scan [runs] [sizes...]     e.g. bench_lock_scan 5 10000 100000
#include <sys/wait.h>
#include <unistd.h>

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/FolderItem.h"
#include "framework/Window.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"

namespace {

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

std::string Letters(std::mt19937& rng, int min_len, int max_len) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ   ";
  std::uniform_int_distribution<int> len(min_len, max_len), ch(0, sizeof kAlphabet - 2);
  std::string s(static_cast<std::size_t>(len(rng)), ' ');
  for (char& c : s) c = kAlphabet[ch(rng)];
  return s;
}

std::string DatabaseFile(const std::string& home) { return home + "/.local/share/Kestrion/PassDataBaseURL.rsd"; }

// A book of `rows` entries of the sizes people keep.
void MakeBook(const std::string& home, int rows) {
  fw::FolderItem(home + "/.local/share/Kestrion").CreateAsFolder();
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(DatabaseFile(home));
  db.CreateDatabaseFile();
  db.SQLExecute(
      "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
      "WebAddress VarChar)");
  std::mt19937 rng(7);
  for (int i = 0; i < rows; ++i) {
    fw::DatabaseRecord r;
    r.Column("Site", kestrion::Window1::Encrypt(Letters(rng, 4, 24) + " " + std::to_string(i)));
    r.Column("UserName", kestrion::Window1::Encrypt(Letters(rng, 4, 12)));
    r.Column("PassWord", kestrion::Window1::Encrypt(Letters(rng, 8, 20)));
    r.Column("Notes", kestrion::Window1::Encrypt(Letters(rng, 0, 60)));
    r.Column("WebAddress", kestrion::Window1::Encrypt("http://www." + Letters(rng, 5, 15) + ".example"));
    db.InsertRecord("PassData", r);
  }
  db.Commit();
}

// The lock row, written last, as the set-up window writes it.
void AddLock(const std::string& home) {
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(DatabaseFile(home));
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
// writes "<ms> <what is shown> <longest gap ms> <first run ms>" and quits.
int Child(int fd, char* self) {
  int argc = 1;
  char* argv[] = {self, nullptr};
  fw::RuntimeInit(argc, argv);
  const double started = NowMs();
  // Fires whenever the event loop runs, the scan's yields included.
  std::vector<double> ticks;
  ticks.reserve(1 << 16);
  QTimer probe;
  probe.setInterval(0);
  QObject::connect(&probe, &QTimer::timeout, [&] { ticks.push_back(NowMs()); });
  probe.start();
  fw::testing::RunWhenEventLoopStarts([&] {
    const double t = NowMs();
    fw::Window* prompt = fw::GetImplicitWindow("Window5.Window5");
    const char* shown = prompt && fw::testing::IsOnScreen(*prompt)              ? "prompt"
                        : fw::testing::IsOnScreen(kestrion::Window1::Instance()) ? "book"
                                                                                 : "nothing";
    double gap = 0;
    for (std::size_t i = 1; i < ticks.size(); ++i) gap = std::max(gap, ticks[i] - ticks[i - 1]);
    dprintf(fd, "%.3f %s %.3f %.3f\n", t, shown, gap, ticks.empty() ? t - started : ticks.front() - started);
    fw::Quit(0);
  });
  return kestrion::RunMain(argc, argv);
}

struct Start {
  double ms = -1, gap = 0, first = 0;
  std::string shown;
};

Start OneStart(const char* self, const std::string& home) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const double t0 = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (FILE* quiet = std::freopen("/dev/null", "w", stderr)) (void)quiet;  // the platform's notes
    const std::string fd = std::to_string(fds[1]);
    execl(self, self, "--child", fd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buf[128] = {};
  const ssize_t n = read(fds[0], buf, sizeof buf - 1);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  Start s;
  if (n <= 0) return s;
  char shown[16] = {};
  double at = 0;
  if (std::sscanf(buf, "%lf %15s %lf %lf", &at, shown, &s.gap, &s.first) != 4) return s;
  s.ms = at - t0;
  s.shown = shown;
  return s;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return Child(std::atoi(argv[2]), argv[0]);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000};

  std::printf("start-up to the first window shown, offscreen, median of %d starts [min-max]\n", runs);
  for (int rows : sizes) {
    char tmpl[] = "/tmp/kestrion-bench-lock-XXXXXX";
    if (!mkdtemp(tmpl)) return 1;
    const std::string home = tmpl;
    MakeBook(home, rows);
    // The same book first without its lock, then with the lock row last.
    std::vector<double> times[2], gaps[2], firsts[2];
    for (int locked = 0; locked < 2; ++locked) {
      if (locked) AddLock(home);
      for (int i = 0; i < runs; ++i) {
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
      }
    }
    auto range = [](const std::vector<double>& v) {
      return std::to_string(static_cast<int>(*std::min_element(v.begin(), v.end()) + 0.5)) + "-" +
             std::to_string(static_cast<int>(*std::max_element(v.begin(), v.end()) + 0.5));
    };
    std::printf(
        "%7d rows: prompt %.1f ms [%s], book without lock %.1f ms [%s], ratio %.2f\n"
        "             longest event-loop gap once it first ran: %.1f ms locked, %.1f ms unlocked;"
        " its first run %.1f ms / %.1f ms after the runtime came up\n",
        rows, Median(times[1]), range(times[1]).c_str(), Median(times[0]), range(times[0]).c_str(),
        Median(times[1]) / Median(times[0]), Median(gaps[1]), Median(gaps[0]), Median(firsts[1]),
        Median(firsts[0]));
    std::filesystem::remove_all(home);
  }
  return 0;
}
