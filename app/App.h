#pragma once
#include "framework/Application.h"

namespace kestrion {

// The application object: made once at start-up, held by the framework.
class App : public fw::Application {
 public:
  App() : fw::Application("Kestrion") { Constructor(); }
  void Constructor() {}
};

}  // namespace kestrion
