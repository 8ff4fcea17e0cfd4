#include "framework/EventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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
}  // namespace

namespace internal {
// Loops call Yield once per character, so its test must cost next to nothing:
// a flag that a helper thread raises, rather than a clock read on every call.
// The first yield of a run lets the events in at once.
std::atomic<bool> yield_due{true};

void RunPendingEvents() {
  yield_due.store(false, std::memory_order_relaxed);
  if (QCoreApplication::instance()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
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
