#pragma once
// "Kestrion is Locked": the unlock prompt that stands in for the main window
// when the book was locked. It asks for the lock password (three tries); its
// link "I forgot my password" leads to the security question (four tries for
// the answer). A right password shows the book; a right answer shows it and
// has the main window remove the lock; the last wrong try ends the program.
// It never touches the database: it compares with the lock globals.
#include <string>

#include "framework/Controls.h"
#include "framework/Window.h"

namespace kestrion {

class Window5 : public fw::Window {
 public:
  // The implicit instance, made on first request.
  static Window5& Instance();
  // True while a prompt of this run still asks (not passed): the book stays
  // closed. False when no prompt was made.
  static bool Asking();

  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();

  fw::Label& Label1();
  fw::TextField& TextField1();
  fw::Rectangle& Rectangle1();
  fw::Label& Label2();
  fw::Label& Label3();
  fw::Label& Label4();
  fw::Label& Label5();
  fw::TextField& TextField2();
  fw::BevelButton& GObutton1();
  fw::BevelButton& GObutton2();

  // Characters of 128 and above are swallowed; Return runs the row's check.
  bool TextField1_KeyDown(fw::TextField& c, const std::string& key);
  // "I forgot my password": after a Yes, the security question and its answer.
  bool Label2_MouseDown(fw::Label& c, int32_t x, int32_t y);
  bool TextField2_KeyDown(fw::TextField& c, const std::string& key);
  void GObutton1_Action(fw::BevelButton& c);
  void GObutton2_Action(fw::BevelButton& c);
  // Ignores every key.
  bool Event_KeyDown(const std::string& key) override;
  // The window manager's close (there is no close box): the program ends as
  // when the prompt gives up, without showing the book.
  bool Event_CloseRequested() override;

  void CheckProgramLock();
  void CheckProgramSQ();
  void PassWordAccepted();

  // The field codec, as the main window has it.
  static std::string Encrypt(const std::string& s);

 private:
  void ShutDown(const std::string& message);
  bool passed_ = false;
};

}  // namespace kestrion
