#pragma once
#include <atomic>
#include <functional>

namespace fw {

namespace internal {
// Raised once a slice has passed since the events last ran.
extern std::atomic<bool> yield_due;
void RunPendingEvents();
// Runs `fn` on the user-interface thread once no handler is running: not
// while a yield lets the events run, nor inside the event loop of a message
// box or a menu. Callable from any thread; never runs after the runtime ends.
void RunBetweenHandlers(std::function<void()> fn);
// Whether a handler is running below this point: a yield is letting the
// events in, or a message box or a menu runs its own event loop.
bool HandlerRunning();
}  // namespace internal

// Lets the event loop run pending events, at most about once every 5 ms, so
// that long loops stay cheap and the windows stay responsive. Windows are
// painted and answer the window system meanwhile, but the user's input (keys,
// clicks, menu shortcuts) waits until the running handler returns: the user
// cannot start a command in the middle of another one. Timers, posted events
// and activation do run during a yield; a close from the window system waits,
// like the input, for the running handler to return.
// Loops call it once per character, so between slices it is one flag test.
inline void Yield() {
  if (internal::yield_due.load(std::memory_order_relaxed)) internal::RunPendingEvents();
}

}  // namespace fw
