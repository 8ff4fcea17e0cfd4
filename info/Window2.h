#pragma once
// The "How To Use..." window: a short guide to the program. It stands in for
// the main window while it is up and brings it back when it is left. A window
// made while Module1::NoPlay is False also plays the program's music and asks
// for a donation, once per window, not each time it is shown.
#include "framework/Controls.h"
#include "framework/Window.h"

namespace kestrion {

class Window2 : public fw::Window {
 public:
  // The implicit instance, made on first request.
  static Window2& Instance();

  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();

  fw::RoundRectangle& RoundRectangle1();
  fw::Label& Label1();
  fw::Label& Label2();
  fw::BevelButton& BevelButton1();

  // "Close": hides the window (it is kept) and stops the music.
  void BevelButton1_Action(fw::BevelButton& c);
  // The close box: shows the main window again and stops the music; the
  // window is then closed and the next request makes a new one.
  void Event_Close() override;
  // Music and donation message, unless NoPlay is set.
  void Event_Open() override;
};

}  // namespace kestrion
