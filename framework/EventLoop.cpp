#include "framework/EventLoop.h"

#include <QCoreApplication>
#include <chrono>

namespace fw {

void Yield() {
  // Reading the clock costs more than the loops that yield; look at it only
  // every 64th call, which is still many times a millisecond.
  static unsigned calls = 0;
  if (++calls & 63u) return;
  using Clock = std::chrono::steady_clock;
  static Clock::time_point last = Clock::now();
  const Clock::time_point now = Clock::now();
  if (now - last < std::chrono::milliseconds(5)) return;
  last = now;
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace fw
