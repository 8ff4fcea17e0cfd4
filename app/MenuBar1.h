#pragma once
#include "framework/MenuBar.h"

namespace kestrion {

// The one menu bar: File, Edit and About. It serves the application and the
// main window alike.
class MenuBar1 : public fw::MenuBar {
 public:
  MenuBar1() { Constructor(); }
  void Constructor();
  void Untitled0();  // File
  void Untitled1();  // Edit
  void Untitled2();  // About

  // The one instance, made on first request.
  static MenuBar1& Instance();
  // Drops the instance at program end.
  static void Release();
};

}  // namespace kestrion
