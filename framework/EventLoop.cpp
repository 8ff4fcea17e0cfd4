#include "framework/EventLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <ctime>

namespace fw {

namespace {
// The kernel's tick clock: a read costs a few nanoseconds, where the precise
// clock costs about twenty, and loops call Yield once per character.
long long CoarseTicks() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}
}  // namespace

void Yield() {
  using Clock = std::chrono::steady_clock;
  constexpr auto kSlice = std::chrono::milliseconds(5);
  // The precise clock is read only when the tick clock has moved on (every
  // 1-4 ms, whatever a step of the caller's loop costs), so a slice lasts at
  // most 5 ms plus one tick.
  static long long last_tick = 0;
  static Clock::time_point last_run;  // the first yield of a run lets events in at once
  const long long tick = CoarseTicks();
  if (tick == last_tick) return;
  last_tick = tick;
  if (Clock::now() - last_run < kSlice) return;
  if (QCoreApplication::instance()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // The input left waiting does not wake the event loop again by itself:
    // without this it would sit there until the next key or mouse move.
    if (QAbstractEventDispatcher* d = QCoreApplication::eventDispatcher()) d->wakeUp();
  }
  // The slice counts from the end of the events, so a loop still gets its
  // share when painting is slow.
  last_run = Clock::now();
}

}  // namespace fw
