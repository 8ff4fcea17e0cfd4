#include "framework/EventLoop.h"

#include <QCoreApplication>
#include <chrono>

namespace fw {

void Yield() {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point last = Clock::now();
  const Clock::time_point now = Clock::now();
  if (now - last < std::chrono::milliseconds(5)) return;
  last = now;
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace fw
