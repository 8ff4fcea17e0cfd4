#pragma once

namespace fw {

// Lets the event loop run pending events, at most about once every 5 ms, so
// that long loops stay cheap and the windows stay responsive.
void Yield();

}  // namespace fw
