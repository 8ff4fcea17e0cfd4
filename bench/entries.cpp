// Finding, listing, opening, saving and updating over 10,000 and 100,000
// entries, driven as a user drives the program: each operation's time as a
// ratio to the sqlite3 tool's plain read of the same file, and the longest
// time the event loop went without running meanwhile or while it then drew
// the result. Each size runs in a
// child process of its own, with its own home, as a user's run would.
//
//   bench_entries [runs] [sizes...]     e.g. bench_entries 5 10000 100000
//
// The operations:
//   find one    Return in the search box, a text that one entry's name holds
//   find all    Return, a text that every entry's name holds (the list view)
//   show all    File > Show All Passwords...
//   click last  a click on the last row of the sorted list, which opens it
//   save dup    SAVE of a new entry named as the table's last row (the
//               duplicate scan over every row, then its message)
//   save new    SAVE of a new entry (the scan, the insert and its commit)
//   update      UPDATE of the table's last row (the row scan, the write, the commit)
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/FolderItem.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
namespace ft = fw::testing;

const char* const kOps[] = {"find one", "find all", "show all", "click last", "save dup", "save new", "update"};

std::string Letters(std::mt19937& rng, int min_len, int max_len) {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ   ";
  std::uniform_int_distribution<int> len(min_len, max_len), ch(0, sizeof kAlphabet - 2);
  std::string s(static_cast<std::size_t>(len(rng)), ' ');
  for (char& c : s) c = kAlphabet[ch(rng)];
  return s;
}
std::string Printable(std::mt19937& rng, int min_len, int max_len) {
  std::uniform_int_distribution<int> len(min_len, max_len), ch(33, 126);
  std::string s(static_cast<std::size_t>(len(rng)), ' ');
  for (char& c : s) c = static_cast<char>(ch(rng));
  return s;
}

// Every name holds ";", and its number once; nothing else holds either.
std::string SiteOf(std::mt19937& rng, int i) {
  char number[16];
  std::snprintf(number, sizeof number, "%07d", i);
  return "x" + Letters(rng, 3, 10) + "x " + number + ";";
}

std::string DatabaseFile(const std::string& home) { return home + "/.local/share/Kestrion/PassDataBaseURL.rsd"; }

// A book of `rows` entries of the sizes people keep; returns the last row's name.
std::string MakeBook(const std::string& home, int rows) {
  fw::FolderItem(home + "/.local/share/Kestrion").CreateAsFolder();
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(DatabaseFile(home));
  db.CreateDatabaseFile();
  db.SQLExecute(
      "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
      "WebAddress VarChar)");
  std::mt19937 rng(23);
  std::string last;
  for (int i = 0; i < rows; ++i) {
    last = SiteOf(rng, i);
    fw::DatabaseRecord r;
    r.Column("Site", kestrion::Window1::Encrypt(last));
    r.Column("UserName", kestrion::Window1::Encrypt(Letters(rng, 4, 12)));
    r.Column("PassWord", kestrion::Window1::Encrypt(Printable(rng, 8, 20)));
    r.Column("Notes", kestrion::Window1::Encrypt(Letters(rng, 0, 60)));
    r.Column("WebAddress", kestrion::Window1::Encrypt("http://www." + Letters(rng, 5, 15) + ".example"));
    db.InsertRecord("PassData", r);
  }
  db.Commit();
  return last;
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

// Retypes a field as the user would: everything selected, then the new text.
void Retype(kestrion::Window1& w, fw::TextControl& field, const std::string& text) {
  ft::MoveFocusTo(field);
  ft::PressShortcut(w, 'a');
  ft::TypeText(field, text);
}

// In the child: the program up as at start, then each operation `runs` times.
// Writes one line per measurement: "<op index> <ms> <gap ms>", or "error <text>".
int Child(int fd, int runs, int rows, const std::string& last) {
  int argc = 1;
  char name[] = "kestrion";
  char* argv[] = {name, nullptr};
  fw::RuntimeInit(argc, argv);
  ft::UseScriptedMessageBoxes(true);
  ft::KeepRuntimeAlive(true);
  kestrion::StaticInitialize();
  fw::RunFrameworkInitialization(kestrion::_Startup);
  ft::ProcessEvents();
  kestrion::Window1& w = kestrion::Window1::Instance();

  // A call queued again each time the event loop delivers it: the gaps
  // between its ticks are the times the window could not have answered.
  std::vector<Clock::time_point> ticks;
  ticks.reserve(1 << 20);
  QObject probe;
  bool probing = true;
  std::function<void()> ping = [&] {
    if (!probing) return;
    ticks.push_back(Clock::now());
    QMetaObject::invokeMethod(&probe, ping, Qt::QueuedConnection);
  };
  ping();

  auto measure = [&](int op, const std::function<void()>& prepare, const std::function<void()>& act,
                     const std::function<bool()>& check) {
    prepare();
    ft::ProcessEvents();
    ft::ClearShownBoxes();
    ticks.clear();
    const auto t0 = Clock::now();
    ticks.push_back(t0);
    act();
    const auto t1 = Clock::now();
    // What the operation left for the event loop (the list's layout, the
    // paint of the new view) also keeps the window from answering.
    for (int i = 0; i < 3; ++i) ft::ProcessEvents();
    ticks.push_back(Clock::now());
    double gap = 0;
    for (std::size_t i = 1; i < ticks.size(); ++i) gap = std::max(gap, Ms(ticks[i] - ticks[i - 1]));
    if (!check()) {
      dprintf(fd, "error %s\n", kOps[op]);
      return false;
    }
    dprintf(fd, "%d %.3f %.3f\n", op, Ms(t1 - t0), gap);
    ft::PressKey(w.WebSystem(), ft::Key::Escape);  // back to the search view, untimed
    return true;
  };
  const std::string last_number = last.substr(last.size() - 9);  // " 0099999;"
  int added = 0;

  for (int run = 0; run < runs; ++run) {
    bool ok = true;
    // find one: the search text typed, then Return.
    ok = ok && measure(
                   0, [&] { Retype(w, w.SearchText(), last_number); },
                   [&] { ft::PressKey(w.SearchText(), ft::Key::Return); },
                   [&] { return w.Height() == 456 && w.WebSystem().Text() == last; });
    ok = ok && measure(
                   1, [&] { Retype(w, w.SearchText(), ";"); }, [&] { ft::PressKey(w.SearchText(), ft::Key::Return); },
                   [&] { return w.Height() == 385 && w.Listbox1().ListCount() >= rows; });
    ok = ok && measure(
                   2, [] {}, [&] { ft::ChooseMenuItem(w, "FileShowAll"); },
                   [&] { return w.Height() == 385 && w.Listbox1().ListCount() >= rows; });
    ok = ok && measure(
                   3,
                   [&] {
                     ft::ChooseMenuItem(w, "FileShowAll");
                     ft::ProcessEvents();
                   },
                   [&] { ft::ClickListRow(w.Listbox1(), w.Listbox1().ListCount() - 1); },
                   [&] { return w.Height() == 456 && w.SaveButton().Caption() == "UPDATE"; });
    ok = ok && measure(
                   4,
                   [&] {
                     ft::Click(w.AddNewPassword());
                     ft::TypeText(w.WebSystem(), last);
                     ft::TypeText(w.PassWord(), "pw");
                   },
                   [&] { ft::Click(w.SaveButton()); },
                   [&] { return ft::ShownBoxes().size() == 1 && w.Height() == 456; });
    ok = ok && measure(
                   5,
                   [&] {
                     ft::Click(w.AddNewPassword());
                     ft::TypeText(w.WebSystem(), "Added " + std::to_string(run));
                     ft::TypeText(w.PassWord(), "pw");
                   },
                   [&] { ft::Click(w.SaveButton()); },
                   [&] { return ft::ShownBoxes().empty() && w.Height() == 86 && ++added; });
    ok = ok && measure(
                   6,
                   [&] {
                     Retype(w, w.SearchText(), last_number);
                     ft::PressKey(w.SearchText(), ft::Key::Return);
                     Retype(w, w.PassWord(), "changed " + std::to_string(run));
                   },
                   [&] { ft::Click(w.SaveButton()); },
                   [&] { return ft::ShownBoxes().empty() && w.Height() == 86; });
    if (!ok) return 1;
  }
  probing = false;
  ft::ProcessEvents();
  kestrion::StaticFinalize();
  fw::RuntimeExit();
  return 0;
}

struct Figures {
  double ms = 0;   // median
  double gap = 0;  // worst
};

std::map<int, Figures> RunChild(const char* self, const std::string& home, int runs, int rows,
                                const std::string& last) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string fd = std::to_string(fds[1]), r = std::to_string(runs), n = std::to_string(rows);
    execl(self, self, "--child", fd.c_str(), r.c_str(), n.c_str(), last.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  std::map<int, std::vector<double>> times;
  std::map<int, Figures> figures;
  for (std::size_t at = 0; at < out.size();) {
    const std::size_t end = out.find('\n', at);
    int op = 0;
    double ms = 0, gap = 0;
    if (std::sscanf(out.c_str() + at, "%d %lf %lf", &op, &ms, &gap) == 3) {
      times[op].push_back(ms);
      figures[op].gap = std::max(figures[op].gap, gap);
    } else if (out.compare(at, 5, "error") == 0) {
      std::printf("%s", out.substr(at, end - at + 1).c_str());
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  for (auto& [op, t] : times) {
    std::sort(t.begin(), t.end());
    figures[op].ms = t[t.size() / 2];
  }
  return figures;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--child") == 0)
    return Child(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000};

  std::map<int, std::map<int, Figures>> all;
  std::map<int, double> cli;
  for (int rows : sizes) {
    char tmpl[] = "/tmp/kestrion-bench-entries-XXXXXX";
    if (!mkdtemp(tmpl)) return 2;
    const std::string home = tmpl;
    const std::string last = MakeBook(home, rows);
    cli[rows] = SqliteCliMs(DatabaseFile(home), runs);
    all[rows] = RunChild(argv[0], home, runs, rows, last);
    std::filesystem::remove_all(home);
    if (all[rows].size() != std::size(kOps)) {
      std::printf("%d entries: a run failed\n", rows);
      return 1;
    }
  }

  std::printf("median of %d runs; gap: the longest time the event loop did not run, worst run\n", runs);
  std::printf("%-11s", "operation");
  for (int rows : sizes) std::printf(" | %7d: %8s %6s %7s", rows, "ms", "ratio", "gap ms");
  if (sizes.size() > 1) std::printf(" | growth");
  std::printf("\n%-11s", "sqlite3");
  for (int rows : sizes) std::printf(" | %7s  %8.1f %6s %7s", "", cli[rows], "1.00", "");
  std::printf("\n");
  for (std::size_t op = 0; op < std::size(kOps); ++op) {
    std::printf("%-11s", kOps[op]);
    for (int rows : sizes) {
      const Figures& f = all[rows][static_cast<int>(op)];
      std::printf(" | %7s  %8.1f %6.2f %7.1f", "", f.ms, cli[rows] > 0 ? f.ms / cli[rows] : 0.0, f.gap);
    }
    if (sizes.size() > 1) {
      const double first = all[sizes.front()][static_cast<int>(op)].ms, lastms = all[sizes.back()][static_cast<int>(op)].ms;
      std::printf(" | x%.1f for x%.1f", lastms / first, static_cast<double>(sizes.back()) / sizes.front());
    }
    std::printf("\n");
  }
  return 0;
}
