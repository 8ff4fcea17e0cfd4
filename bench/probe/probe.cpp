// Preloaded (LD_PRELOAD) into a program under measure: the program itself and
// the floor window alike, so that both pay the same for it. It writes to the
// descriptor KBENCH_PROBE_FD, with times on the monotonic clock in ms:
//   "idle <ms> <libraries> <loaded ms>"  the first time the event loop,
//                            running, has nothing to do; how many shared
//                            libraries are mapped then; and when the
//                            libraries the program was linked with had been
//                            loaded (this probe's own start, just before main)
//   "memory <rss kB> <anon kB> <file kB>"  at KBENCH_PROBE_T0 + 2 s
//   "cpu <ms> <ms>..."       CPU time of the whole process, all threads, from
//                            T0 + 2 s to T0 + 2 s + KBENCH_PROBE_IDLE_S; then
//                            the same for each second of that span
//   "memory-late ...", "cpu-late ..."  the same from T0 + KBENCH_PROBE_LATE_S,
//                            when that is set (above 0)
//   "done"                   when there is nothing more to tell
// KBENCH_PROBE_T0 is the parent's clock just before it started the program;
// KBENCH_PROBE_IDLE_S 0 (or unset) ends the report at the first idle.
// KBENCH_PROBE_EXIT=1 ends the process itself at the first idle, at once, so
// that a profiler (valgrind --tool=callgrind) sees the start and nothing else.
#include <glib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

int g_fd = -1;
double g_t0 = 0;
int g_idle_seconds = 0;
bool g_idle_seen = false;
double g_loaded = 0;
bool g_exit = false;

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double CpuMs() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

int MappedLibraries() {
  std::ifstream maps("/proc/self/maps");
  std::set<std::string> libs;
  for (std::string line; std::getline(maps, line);) {
    const std::size_t slash = line.find('/');
    if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) libs.insert(line.substr(slash));
  }
  return static_cast<int>(libs.size());
}

long StatusKb(const std::string& status, const char* key) {
  const std::size_t at = status.find(key);
  return at == std::string::npos ? -1 : std::atol(status.c_str() + at + std::strlen(key));
}

void Memory(const char* label) {
  std::ifstream in("/proc/self/status");
  const std::string status((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  dprintf(g_fd, "%s %ld %ld %ld\n", label, StatusKb(status, "VmRSS:"), StatusKb(status, "RssAnon:"),
          StatusKb(status, "RssFile:"));
}

void Idle() {
  if (g_idle_seen) return;
  g_idle_seen = true;
  dprintf(g_fd, "idle %.3f %d %.3f\n", NowMs(), MappedLibraries(), g_loaded);
  if (g_idle_seconds <= 0) dprintf(g_fd, "done\n");
  if (g_exit) _exit(0);
}

// Dispatched by GLib only when no source of a higher priority is ready: the
// loop has caught up with everything. Inside exec() only: the program may run
// the events itself before its loop starts.
gboolean IdleSource(gpointer) {
  if (QThread::currentThread()->loopLevel() == 0) return G_SOURCE_CONTINUE;
  Idle();
  return G_SOURCE_REMOVE;
}

template <class F>
void Schedule(double at_ms, F what) {
  QTimer::singleShot(static_cast<int>(std::max(0.0, at_ms - NowMs())), Qt::PreciseTimer, QCoreApplication::instance(),
                     what);
}

// A span of KBENCH_PROBE_IDLE_S seconds from T0 + `from_s`: the memory at
// its start, the CPU over it and over each of its seconds. The report is done
// once every span has been told.
int g_spans = 0;
void Span(double from_s, const char* memory_label, const char* cpu_label) {
  ++g_spans;
  auto* cpu = new std::vector<double>;  // at its start, + 1 s, ...
  const double start = g_t0 + 1000.0 * from_s;
  Schedule(start, [=] {
    Memory(memory_label);
    cpu->push_back(CpuMs());
  });
  for (int s = 1; s <= g_idle_seconds; ++s) {
    Schedule(start + 1000.0 * s, [=] {
      cpu->push_back(CpuMs());
      if (static_cast<int>(cpu->size()) <= g_idle_seconds) return;
      std::string line = std::string(cpu_label) + " " + std::to_string(cpu->back() - cpu->front());
      for (std::size_t i = 1; i < cpu->size(); ++i) line += " " + std::to_string((*cpu)[i] - (*cpu)[i - 1]);
      dprintf(g_fd, "%s\n", line.c_str());
      if (--g_spans == 0) dprintf(g_fd, "done\n");
    });
  }
}

void AtStart() {
  const char* fd = std::getenv("KBENCH_PROBE_FD");
  const char* exit = std::getenv("KBENCH_PROBE_EXIT");
  g_exit = exit && std::strcmp(exit, "1") == 0;
  if (!fd && !g_exit) return;
  g_fd = fd ? std::atoi(fd) : -1;
  const char* t0 = std::getenv("KBENCH_PROBE_T0");
  g_t0 = t0 ? std::atof(t0) : NowMs();
  const char* idle = std::getenv("KBENCH_PROBE_IDLE_S");
  g_idle_seconds = idle ? std::atoi(idle) : 0;

  QAbstractEventDispatcher* dispatcher = QCoreApplication::eventDispatcher();
  if (dispatcher && dispatcher->inherits("QEventDispatcherGlib")) {
    g_idle_add_full(G_PRIORITY_LOW, IdleSource, nullptr, nullptr);
  } else if (dispatcher) {
    // The plain dispatcher says so only when it is about to wait.
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, QCoreApplication::instance(), [] {
      if (QThread::currentThread()->loopLevel() > 0) Idle();
    });
  }
  if (g_idle_seconds <= 0) return;
  Span(2, "memory", "cpu");
  const char* late = std::getenv("KBENCH_PROBE_LATE_S");
  if (late && std::atof(late) > 0) Span(std::atof(late), "memory-late", "cpu-late");
}

// Runs when the loader has done, before the program's own code.
[[maybe_unused]] const bool g_loaded_set = [] {
  g_loaded = NowMs();
  return true;
}();

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(AtStart)
