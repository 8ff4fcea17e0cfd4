// An entry whose notes are one long line, driven as a user drives the
// program: the time to open it (Return in the search box, until the entry
// view is laid out and drawn), to scroll its notes to the middle and to the
// end, to take one typed character there, to replace the whole note by one
// typed character and undo that (Ctrl+Z), and to save it (UPDATE, until the
// search view is back). For scale, the same number of characters as an
// ordinary note: words in lines of about 80 characters. Each note runs in a
// child process of its own, with its own home, as a user's run would.
//   bench_long_note [runs] [characters ...]     (default: 3; 100000 1000000)
#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/support/BenchKit.h"
#include "book/Window1.h"
#include "framework/Controls.h"
#include "framework/Text.h"
#include "framework/testing/Drivers.h"

namespace {
using bench::Clock;
using bench::Ms;
namespace ft = fw::testing;

const char* const kSteps[] = {"open",           "scroll to middle", "scroll to end", "type a character",
                              "replace it all", "undo that",        "save"};
constexpr int kStepCount = 7;

// `chars` characters of letters: one unbroken line, or words in lines.
std::string Note(int chars, bool ordinary) {
  std::string s;
  s.reserve(static_cast<std::size_t>(chars));
  for (int i = 0; static_cast<int>(s.size()) < chars; ++i) {
    if (ordinary && i % 80 == 79) {
      s += "\r\n";
    } else if (ordinary && i % 7 == 6) {
      s += ' ';
    } else {
      s += static_cast<char>('a' + i % 26);
    }
  }
  s.resize(static_cast<std::size_t>(chars));
  return s;
}

void Settle() {
  for (int i = 0; i < 3; ++i) ft::ProcessEvents();
}

// The notes' scroll bar, through the widget that has the focus.
QScrollBar* NotesScrollBar(kestrion::Window1& w) {
  ft::MoveFocusTo(w.Notes());
  auto* area = qobject_cast<QAbstractScrollArea*>(QApplication::focusWidget());
  return area ? area->verticalScrollBar() : nullptr;
}

// In the child: one run of every step. Writes "<step> <ms>" lines, or "error <text>".
int Child(int fd, int chars, bool ordinary) {
  kestrion::Window1& w = bench::BringUpProgram();
  const std::string note = Note(chars, ordinary);
  double ms[kStepCount] = {};

  ft::TypeText(w.SearchText(), "Longnote");
  Settle();
  auto t0 = Clock::now();
  ft::PressKey(w.SearchText(), ft::Key::Return);
  Settle();
  ms[0] = Ms(Clock::now() - t0);
  if (w.Height() != 456 || w.Notes().Text() != note) {
    dprintf(fd, "error the entry did not open with its note\n");
    return 0;
  }
  QScrollBar* bar = NotesScrollBar(w);
  if (!bar) {
    dprintf(fd, "error no scroll bar\n");
    return 0;
  }
  Settle();
  t0 = Clock::now();
  bar->setValue(bar->maximum() / 2);
  Settle();
  ms[1] = Ms(Clock::now() - t0);
  t0 = Clock::now();
  w.Notes().SetSelStart(fw::Len(note));
  bar->setValue(bar->maximum());
  Settle();
  ms[2] = Ms(Clock::now() - t0);
  t0 = Clock::now();
  ft::TypeText(w.Notes(), "x");
  Settle();
  ms[3] = Ms(Clock::now() - t0);
  t0 = Clock::now();
  w.Notes().SelectAll();
  ft::TypeText(w.Notes(), "y");
  Settle();
  ms[4] = Ms(Clock::now() - t0);
  t0 = Clock::now();
  ft::PressShortcut(w, 'z');
  Settle();
  ms[5] = Ms(Clock::now() - t0);
  if (w.Notes().Text() != note + "x") {
    dprintf(fd, "error the undo did not bring the note back\n");
    return 0;
  }
  t0 = Clock::now();
  ft::Click(w.SaveButton());
  Settle();
  ms[6] = Ms(Clock::now() - t0);
  if (w.Height() != 86 || !ft::ShownBoxes().empty()) {
    dprintf(fd, "error the save did not go through\n");
    return 0;
  }
  for (int i = 0; i < kStepCount; ++i) dprintf(fd, "%d %.3f\n", i, ms[i]);
  bench::TearDownProgram();
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--child") == 0)
    return Child(std::atoi(argv[2]), std::atoi(argv[3]), std::strcmp(argv[4], "ordinary") == 0);
  const bench::RunsAndSizes args = bench::ParseRunsAndSizes(argc, argv, 3);
  std::vector<int> sizes = args.sizes;
  if (argc <= 2) sizes = {100000, 1000000};
  for (int chars : sizes) {
    for (bool ordinary : {false, true}) {
      std::vector<std::vector<double>> ms(kStepCount);
      std::string error;
      for (int run = 0; run < args.runs && error.empty(); ++run) {
        const std::string home = bench::TempHome("long-note");
        bench::MakeHomeBook(home, 20, 5, [&](std::mt19937& rng, int i) {
          bench::Entry e = bench::TextEntry(rng, i == 0 ? "Longnote" : "site " + std::to_string(i));
          if (i == 0) e.notes = Note(chars, ordinary);
          return e;
        });
        const bench::ChildResult r =
            bench::RunChild(argv[0], home, {std::to_string(chars), ordinary ? "ordinary" : "line"}, {false, true});
        std::filesystem::remove_all(home);
        for (const std::string& line : bench::Lines(r.out)) {
          if (line.rfind("error", 0) == 0) error = line;
          int step = -1;
          double v = 0;
          if (std::sscanf(line.c_str(), "%d %lf", &step, &v) == 2 && step >= 0 && step < kStepCount)
            ms[static_cast<std::size_t>(step)].push_back(v);
        }
        if (r.out.empty()) error = "the child reported nothing";
      }
      std::printf("%d characters, %s (%d runs)%s%s\n", chars,
                  ordinary ? "in lines of about 80 (an ordinary note)" : "on one line", args.runs,
                  error.empty() ? "" : ": ", error.c_str());
      for (int i = 0; i < kStepCount; ++i)
        if (!ms[static_cast<std::size_t>(i)].empty())
          std::printf("  %-18s median %9.1f ms  max %9.1f ms\n", kSteps[i], bench::Median(ms[static_cast<std::size_t>(i)]),
                      bench::Max(ms[static_cast<std::size_t>(i)]));
    }
  }
  return 0;
}
