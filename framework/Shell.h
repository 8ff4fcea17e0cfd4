#pragma once
#include <string>

namespace fw {

// Hands a web address to the desktop (xdg-open) as its one argument; no
// command shell is involved. False when the launcher could not be started.
bool LaunchUrl(const std::string& address);

}  // namespace fw
