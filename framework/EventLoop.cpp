#include "framework/EventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace fw {

namespace {
constexpr auto kSlice = std::chrono::milliseconds(5);

// The helper thread: it counts one slice each time Yield has let the events
// run, then raises the flag and sleeps until the next time. An idle program
// has it asleep, not ticking.
class SliceTimer {
 public:
  SliceTimer() { std::thread([this] { Run(); }).detach(); }
  void Start() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      started_ = true;
    }
    wake_.notify_one();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return started_; });
      started_ = false;
      lock.unlock();
      std::this_thread::sleep_for(kSlice);
      internal::yield_due.store(true, std::memory_order_relaxed);
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  bool started_ = false;
};

SliceTimer& Timer() {
  // Never destroyed: the thread may still be asleep on it when the process ends.
  static SliceTimer* timer = new SliceTimer;
  return *timer;
}

// A handler that ran long (it let the events in many times) has often built
// and dropped large pieces of memory on the way: a table's rows, a sort's
// keys, an export's text. The allocator keeps what was freed for later use;
// once the event loop has nothing left to do it goes back to the system.
constexpr int kLongHandlerYields = 8;
int yields_since_idle = 0;

void GiveMemoryBackWhenIdle() {
  static bool connected = false;
  if (connected) return;
  QAbstractEventDispatcher* d = QCoreApplication::eventDispatcher();
  if (!d) return;
  connected = true;
  QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, [] {
    if (yields_since_idle < kLongHandlerYields) {
      yields_since_idle = 0;
      return;
    }
    yields_since_idle = 0;
#ifdef __GLIBC__
    malloc_trim(0);
#endif
  });
}
}  // namespace

namespace {
// How many yields are letting the events run at this moment.
int yields_running = 0;

void RunOrWait(std::function<void()> fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  if (!internal::HandlerRunning()) {
    fn();
    return;
  }
  QTimer::singleShot(20, app, [fn = std::move(fn)]() mutable { RunOrWait(std::move(fn)); });
}
}  // namespace

namespace internal {
bool HandlerRunning() {
  // The program's own event loop is level 1 (0 while tests drive the events).
  return yields_running > 0 || QThread::currentThread()->loopLevel() > 1;
}

void RunBetweenHandlers(std::function<void()> fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(app, [fn = std::move(fn)]() mutable { RunOrWait(std::move(fn)); }, Qt::QueuedConnection);
}

// Loops call Yield once per character, so its test must cost next to nothing:
// a flag that a helper thread raises, rather than a clock read on every call.
// The first yield of a run lets the events in at once.
std::atomic<bool> yield_due{true};

void RunPendingEvents() {
  yield_due.store(false, std::memory_order_relaxed);
  ++yields_since_idle;
  if (QCoreApplication::instance()) {
    GiveMemoryBackWhenIdle();
    ++yields_running;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    --yields_running;
    // The input left waiting does not wake the event loop again by itself:
    // without this it would sit there until the next key or mouse move.
    if (QAbstractEventDispatcher* d = QCoreApplication::eventDispatcher()) d->wakeUp();
  }
  // The slice counts from the end of the events, so a loop still gets its
  // share when painting is slow.
  Timer().Start();
}
}  // namespace internal

}  // namespace fw
