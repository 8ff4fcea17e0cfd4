// Time from process start to the main window shown, on the offscreen platform.
// The parent starts this program again as a child that runs Kestrion and
// reports the moment its event loop starts with the main window up.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Startup.h"
#include "book/Window1.h"
#include "framework/testing/Drivers.h"

namespace {
double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int Child(int fd, char* self) {
  fw::testing::RunWhenEventLoopStarts([fd] {
    const double t = NowMs();
    const bool shown = fw::testing::IsOnScreen(kestrion::Window1::Instance());
    dprintf(fd, "%.3f %d\n", t, shown ? 1 : 0);
    fw::testing::ClickCloseBox(kestrion::Window1::Instance());
  });
  int argc = 1;
  char* argv[] = {self, nullptr};
  return kestrion::RunMain(argc, argv);
}

double OneRun(const char* self, bool first_start) {
  char home[] = "/tmp/kestrion-bench-XXXXXX";
  if (!mkdtemp(home)) return -1;
  const std::string h = home;
  if (!first_start) {
    // A later start: make the database with one run first.
    OneRun(self, true);
  }
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const double t0 = NowMs();
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("HOME", h.c_str(), 1);
    setenv("XDG_DATA_HOME", (h + "/.local/share").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", h.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const std::string fd = std::to_string(fds[1]);
    execl(self, self, "--child", fd.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  char buf[64] = {};
  const ssize_t n = read(fds[0], buf, sizeof buf - 1);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  std::filesystem::remove_all(h);
  if (n <= 0) return -1;
  return std::atof(buf) - t0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return Child(std::atoi(argv[2]), argv[0]);
  const int runs = argc > 1 ? std::atoi(argv[1]) : 10;
  for (bool first : {true, false}) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) t.push_back(OneRun(argv[0], first));
    std::sort(t.begin(), t.end());
    std::printf("start-up to main window shown (%s start, %d runs): median %.1f ms, min %.1f ms, max %.1f ms\n",
                first ? "first" : "later", runs, t[t.size() / 2], t.front(), t.back());
  }
  return 0;
}
