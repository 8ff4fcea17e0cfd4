#pragma once
// "Kestrion Program Lock": the window in which the user makes the program
// lock, a password typed twice with a security question and its answer.
// "Lock Program Now" has the main window write the lock and closes this
// window; "Cancel" empties the fields and only hides it.
#include <string>

#include "framework/Controls.h"
#include "framework/Window.h"

namespace kestrion {

class Window4 : public fw::Window {
 public:
  // The implicit instance, made on first request.
  static Window4& Instance();

  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();

  fw::Label& Label1();
  fw::Label& Label2();
  fw::Label& Label3();
  fw::TextField& GatemarkText1();
  fw::TextField& GatemarkText2();
  fw::Label& Label4();
  fw::TextField& SecurityQtext();
  fw::Label& Label5();
  fw::TextField& SecurityAtext();
  fw::PushButton& LockProgramNow();
  fw::PushButton& CancelWindow4();

  // Each field takes only characters below 128; True swallows the key.
  bool GatemarkText1_KeyDown(fw::TextField& c, const std::string& key);
  bool GatemarkText2_KeyDown(fw::TextField& c, const std::string& key);
  bool SecurityQtext_KeyDown(fw::TextField& c, const std::string& key);
  bool SecurityAtext_KeyDown(fw::TextField& c, const std::string& key);

  void LockProgramNow_Action(fw::PushButton& c);
  void CancelWindow4_Action(fw::PushButton& c);

  // The close box, and the close after a lock is made: back to the main window.
  void Event_Close() override;
};

}  // namespace kestrion
