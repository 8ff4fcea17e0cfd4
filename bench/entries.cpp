// Every scan over a book of 10,000, 100,000 and 200,000 entries, driven as a
// user drives the program: each operation's time as a ratio to the sqlite3
// tool's plain read of the same file, taken just before it in the same run
// (the median of the ratios of the runs), the longest time the event loop went
// without running meanwhile or while it then drew the result, and the
// resident memory after it. Each size runs in a child process of its own,
// with its own home, as a user's run would; an empty book gives the memory
// the program starts from.
//
//   bench_entries [runs] [sizes...]     e.g. bench_entries 5 10000 100000 200000
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
//   lock scan   the start-up scan for the lock row (the book has none: every row)
//   export      File > Export All Passwords..., answered Yes

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/support/BenchKit.h"
#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Controls.h"
#include "framework/testing/Drivers.h"

namespace {
using bench::Clock;
using bench::Ms;
namespace ft = fw::testing;

const char* const kOps[] = {"find one", "find all",  "show all", "click last", "save dup",
                            "save new", "update",    "lock scan", "export"};
constexpr int kShowAll = 2;

// Every name holds ";", and its number once; nothing else holds either.
std::string SiteOf(std::mt19937& rng, int i) {
  char number[16];
  std::snprintf(number, sizeof number, "%07d", i);
  return "x" + bench::Letters(rng, 3, 10) + "x " + number + ";";
}

// A book of `rows` entries of the sizes people keep; returns the last row's name.
std::string MakeBook(const std::string& home, int rows) {
  return bench::MakeHomeBook(home, rows, 23, [](std::mt19937& rng, int i) {
           return bench::NameEntry(rng, SiteOf(rng, i), bench::Printable);
         }).last_site;
}

// Retypes a field as the user would: everything selected, then the new text.
void Retype(kestrion::Window1& w, fw::TextControl& field, const std::string& text) {
  ft::MoveFocusTo(field);
  ft::PressShortcut(w, 'a');
  ft::TypeText(field, text);
}

// In the child: the program up as at start, then each operation `runs` times,
// each right after a sqlite3 read of the same file. Writes one line per
// measurement: "<op index> <ms> <sqlite3 ms> <gap ms> <CPU gap ms> <resident MB>", or
// "error <text>". An empty book runs Show All alone.
int Child(int fd, int runs, int rows, const std::string& last) {
  kestrion::Window1& w = bench::BringUpProgram();
  const std::string file = bench::BookFile(std::getenv("HOME"));

  // A call queued again each time the event loop delivers it: the gaps
  // between its ticks are the times the window could not have answered.
  bench::LoopProbe probe(bench::LoopProbe::Kind::kQueuedCall);
  probe.Start();

  auto measure = [&](int op, const std::function<void()>& prepare, const std::function<void()>& act,
                     const std::function<bool()>& check) {
    prepare();
    ft::ProcessEvents();
    ft::ClearShownBoxes();
    const double floor = bench::SqliteReadOnceMs(file);
    ft::ProcessEvents();
    probe.Clear();
    const auto t0 = Clock::now();
    probe.Mark(t0);
    act();
    const auto t1 = Clock::now();
    // What the operation left for the event loop (the list's layout, the
    // paint of the new view) also keeps the window from answering.
    for (int i = 0; i < 3; ++i) ft::ProcessEvents();
    probe.Mark();
    const double gap = probe.LongestGapMs(), cpu_gap = probe.LongestCpuGapMs();
    bench::IdleFor(50);
    if (!check()) {
      dprintf(fd, "error %s\n", kOps[op]);
      return false;
    }
    dprintf(fd, "%d %.3f %.3f %.3f %.3f %.1f\n", op, Ms(t1 - t0), floor, gap, cpu_gap, bench::ResidentMb());
    ft::PressKey(w.WebSystem(), ft::Key::Escape);  // back to the search view, untimed
    return true;
  };
  const auto show_all = [&] {
    return measure(
        kShowAll, [] {}, [&] { ft::ChooseMenuItem(w, "FileShowAll"); },
        [&] { return w.Height() == 385 && w.Listbox1().ListCount() >= rows; });
  };
  if (rows == 0) {
    for (int run = 0; run < runs; ++run)
      if (!show_all()) return 1;
    bench::TearDownProgram();
    return 0;
  }
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
    ok = ok && show_all();
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
    ok = ok && measure(
                   7, [] {}, [&] { w.StartupLockScan(); }, [&] { return ft::ShownBoxes().empty() && w.Visible(); });
    ok = ok && measure(
                   8, [] { ft::QueueAnswers({6}); }, [&] { ft::ChooseMenuItem(w, "FileExport"); },
                   [&] {
                     return ft::ShownBoxes().size() == 2 && kestrion::Module1::ClearClipBoard == 1 &&
                            w.Listbox1().ListCount() >= rows;
                   });
    if (!ok) return 1;
  }
  probe.Stop();
  ft::ProcessEvents();
  bench::TearDownProgram();
  return 0;
}

std::map<int, bench::Paired> RunChild(const char* self, const std::string& home, int runs, int rows,
                                      const std::string& last) {
  bench::ChildOptions options;
  options.platform_from_caller = true;
  const bench::ChildResult child =
      bench::RunChild(self, home, {std::to_string(runs), std::to_string(rows), last}, options);
  std::map<int, bench::Paired> figures;
  for (const std::string& line : bench::Lines(child.out)) {
    int op = 0;
    double ms = 0, floor = 0, gap = 0, cpu_gap = 0, rss = 0;
    if (std::sscanf(line.c_str(), "%d %lf %lf %lf %lf %lf", &op, &ms, &floor, &gap, &cpu_gap, &rss) == 6) {
      figures[op].Add(ms, floor, gap, cpu_gap, rss);
    } else if (line.compare(0, 5, "error") == 0) {
      std::printf("%s\n", line.c_str());
    }
  }
  return figures;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 6 && std::strcmp(argv[1], "--child") == 0)
    return Child(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), argv[5]);
  const auto [runs, sizes] = bench::ParseRunsAndSizes(argc, argv, 5, bench::ScanSizes());

  // The empty book first: the memory every size is measured against.
  double empty_rss = -1;
  {
    const std::string home = bench::TempHome("entries");
    if (home.empty()) return 2;
    MakeBook(home, 0);
    const std::map<int, bench::Paired> empty = RunChild(argv[0], home, runs, 0, "");
    std::filesystem::remove_all(home);
    if (empty.count(kShowAll)) empty_rss = empty.at(kShowAll).MostRssMb();
  }

  std::map<int, std::map<int, bench::Paired>> all;
  for (int rows : sizes) {
    const std::string home = bench::TempHome("entries");
    if (home.empty()) return 2;
    const std::string last = MakeBook(home, rows);
    all[rows] = RunChild(argv[0], home, runs, rows, last);
    std::filesystem::remove_all(home);
    if (all[rows].size() != std::size(kOps)) {
      std::printf("%d entries: a run failed\n", rows);
      return 1;
    }
  }

  std::printf(
      "%d runs; ratio: the median over the runs of the time over a sqlite3 read of the same file taken just before "
      "it;\ngap: the longest time the event loop did not run, worst run (cpu: the same in the main thread's CPU "
      "time);\nMB: resident memory after it, most of the runs\n",
      runs);
  std::printf("%-11s", "operation");
  for (int rows : sizes) std::printf(" | %6d: %6s %5s %5s %5s %5s", rows, "ms", "ratio", "gap", "cpu", "MB");
  if (sizes.size() > 1) std::printf(" | growth");
  std::printf("\n%-11s", "sqlite3");
  for (int rows : sizes) std::printf(" | %6s  %6.1f %5s %5s %5s %5s", "", all[rows][0].MedianFloorMs(), "1.00", "", "", "");
  std::printf("\n");
  for (std::size_t op = 0; op < std::size(kOps); ++op) {
    std::printf("%-11s", kOps[op]);
    for (int rows : sizes) {
      const bench::Paired& f = all[rows][static_cast<int>(op)];
      std::printf(" | %6s  %6.1f %5.2f %5.1f %5.1f %5.1f", "", f.MedianMs(), f.MedianRatio(), f.WorstGapMs(),
                  f.WorstCpuGapMs(), f.MostRssMb());
    }
    if (sizes.size() > 1) {
      const double first = all[sizes.front()][static_cast<int>(op)].MedianMs();
      const double lastms = all[sizes.back()][static_cast<int>(op)].MedianMs();
      std::printf(" | x%.1f for x%.1f", lastms / first, static_cast<double>(sizes.back()) / sizes.front());
    }
    std::printf("\n");
  }
  std::printf("resident memory with an empty book, after Show All: %.1f MB\n", empty_rss);
  for (int rows : sizes) {
    const double rss = all[rows][kShowAll].MostRssMb();
    std::printf("  after Show All at %d entries: %.1f MB, the empty book + %.1f MB\n", rows, rss, rss - empty_rss);
  }
  return 0;
}
