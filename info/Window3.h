#pragma once
// The "About..." window: the program's name, version and credits. It stands
// in for the main window while it is up and brings it back when it is left.
#include "framework/Controls.h"
#include "framework/Window.h"

namespace kestrion {

class Window3 : public fw::Window {
 public:
  // The implicit instance, made on first request.
  static Window3& Instance();

  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();

  fw::RoundRectangle& RoundRectangle1();
  fw::Label& Label1();
  fw::Label& Label2();
  fw::BevelButton& BevelButton1();

  // "Close": hides the window (it is kept) and shows the main window.
  void BevelButton1_Action(fw::BevelButton& c);
  // The close box: shows the main window; the window is then closed.
  void Event_Close() override;
  // Nothing: the window stays hidden until its caller shows it.
  void Event_Open() override;
};

}  // namespace kestrion
