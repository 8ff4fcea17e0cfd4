// Time from process start to the main window shown, on the offscreen platform.
// The parent starts this program again as a child that runs Kestrion and
// reports the moment its event loop starts with the main window up.
//   bench_startup [runs]     (default: 10)

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "bench/support/BenchKit.h"
#include "book/Window1.h"
#include "framework/testing/Drivers.h"

namespace {
int Child(int fd, char* self) {
  fw::testing::RunWhenEventLoopStarts([fd] {
    const double t = bench::NowMs();
    const bool shown = fw::testing::IsOnScreen(kestrion::Window1::Instance());
    dprintf(fd, "%.3f %d\n", t, shown ? 1 : 0);
    fw::testing::ClickCloseBox(kestrion::Window1::Instance());
  });
  int argc = 1;
  char* argv[] = {self, nullptr};
  return kestrion::RunMain(argc, argv);
}

double OneRun(const char* self, bool first_start) {
  const std::string h = bench::TempHome("");
  if (h.empty()) return -1;
  // A later start finds the book that a first start made in the same home.
  if (!first_start) bench::RunChild(self, h, {});
  const bench::ChildResult r = bench::RunChild(self, h, {});
  std::filesystem::remove_all(h);
  if (r.out.empty()) return -1;
  return std::atof(r.out.c_str()) - r.forked_ms;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return Child(std::atoi(argv[2]), argv[0]);
  const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
  for (bool first : {true, false}) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) t.push_back(OneRun(argv[0], first));
    std::printf("start-up to main window shown (%s start, %d runs): median %.1f ms, min %.1f ms, max %.1f ms\n",
                first ? "first" : "later", runs, bench::Median(t), bench::Min(t), bench::Max(t));
  }
  return 0;
}
