#pragma once
// The live windows by class name. Window.h and Application.h declare the
// public side (GetImplicitWindow, AllWindows, ReleaseAllWindows).
#include <string>

namespace fw {

class Window;

// Takes ownership of the window under its class name.
void RegisterWindow(Window* w, const std::string& class_name);
// Removes the window from the registry; it is deleted once the event loop
// level that closed it is left.
void UnregisterAndRelease(Window* w);

}  // namespace fw
