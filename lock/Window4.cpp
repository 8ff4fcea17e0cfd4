#include "lock/Window4.h"

#include <type_traits>

#include "app/Module1.h"
#include "book/Codec.h"
#include "book/Window1.h"
#include "framework/MsgBox.h"
#include "framework/Text.h"

namespace kestrion {

namespace {

// Characters of 128 and above never reach the lock's fields; pasted text is
// not filtered.
bool SwallowsKey(const std::string& key) { return fw::Asc(key) > 127; }

// A lock whose text the codec cannot store would be stored altered, and the
// same password or answer would no longer open the book: refused, naming the
// field (as typed, blanks included: the prompt compares what is typed) and
// moving the focus there. The passwords are masked: their character is not shown.
bool AllStorable(Window4& w) {
  struct Field {
    fw::TextField& control;
    const char* label;
    bool masked;
  };
  const Field fields[] = {{w.GatemarkText1(), "Enter Your Kestrion Program Lock", true},
                          {w.GatemarkText2(), "Confirm Your Kestrion Program Lock", true},
                          {w.SecurityQtext(), "Security Question", false},
                          {w.SecurityAtext(), "Enter the answer to your security question here", false}};
  for (const Field& f : fields) {
    const std::string why = UnstorableTextMessage(f.control.Text(), f.label, f.masked,
                                                  "the program lock was not created", "A program lock");
    if (why.empty()) continue;
    fw::MsgBox(why);
    f.control.SetFocus();
    return false;
  }
  return true;
}

// The book comes back only when the lock does not keep it closed.
void ShowTheBook() {
  Window1& main = Window1::Instance();
  if (!main.ProgramLocked()) main.SetVisible(true);
}

}  // namespace

Window4& Window4::Instance() { return fw::ImplicitInstance<Window4>("Window4.Window4"); }

void Window4::Layout() {
  SetTitle("Kestrion Program Lock");
  SetSize(607, 364);
  SetMinSize(64, 64);
  SetMaxSize(32000, 32000);
  SetCloseButton(true);
  SetResizeable(false);
  SetMinimizeButton(false);
  SetMaximizeButton(false);
  SetMenuBarVisible(true);
  SetFullScreen(false);
  SetBackColor(false, 0xFFFFFF);
  SetPlacement(2);
  SetFrame(0);
  SetVisible(true);
}

void Window4::CreateControls() { _CreateControls0(); }

void Window4::_CreateControls0() {
  auto label = [this](const char* name, int l, int t, int w, int h, int tab, const char* text,
                      bool multiline) -> fw::Label& {
    fw::Label& c = New<fw::Label>(name);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetText(text);
    c.SetTextColor(0x000000);
    c.SetTextAlign(0);
    c.SetMultiline(multiline);
    return c;
  };
  auto field = [this](const char* name, int l, int t, int w, int h, int tab, bool masked) -> fw::TextField& {
    fw::TextField& c = New<fw::TextField>(name);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetText("");
    c.SetTextColor(0x000000);
    c.SetPassword(masked);
    return c;
  };
  auto button = [this](const char* name, int l, int t, int w, int h, int tab, const char* caption) -> fw::PushButton& {
    fw::PushButton& c = New<fw::PushButton>(name);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetCaption(caption);
    // Neither default nor cancel: Return and Esc do nothing here.
    c.SetDefault(false);
    c.SetCancel(false);
    return c;
  };

  label("Label1", 18, 15, 570, 85, 0,
        "Create and confirm your password below to create a program lock.  If you create a program lock, you will "
        "be required to enter this password every time you start Kestrion.  This would be necessary if you are "
        "using Kestrion on a multi-user computer so other users would not be able to access your passwords.  DO "
        "NOT FORGET YOUR PROGRAM LOCK because it will be the only way to access your passwords in the future.",
        true);
  label("Label2", 101, 114, 252, 20, 1, "Enter Your Kestrion Program Lock:", false);
  label("Label3", 102, 146, 251, 20, 2, "Confirm Your Kestrion Program Lock:", false);
  field("GatemarkText1", 356, 112, 150, 22, 3, true);
  FW_BIND(GatemarkText1, KeyDown, GatemarkText1_KeyDown);
  field("GatemarkText2", 356, 144, 150, 22, 4, true);
  FW_BIND(GatemarkText2, KeyDown, GatemarkText2_KeyDown);
  label("Label4", 18, 178, 570, 68, 5,
        "Create and Enter your own custom security question below which will be used to reset your password if "
        "your program lock is fogotten:  (for example, \"What is Your Mother's Maiden Name?\") :",
        true);
  field("SecurityQtext", 18, 236, 570, 22, 6, false);
  FW_BIND(SecurityQtext, KeyDown, SecurityQtext_KeyDown);
  label("Label5", 18, 276, 311, 20, 7, "Enter the answer to your security question here:", false);
  field("SecurityAtext", 341, 274, 247, 22, 8, false);
  FW_BIND(SecurityAtext, KeyDown, SecurityAtext_KeyDown);
  button("LockProgramNow", 449, 324, 139, 20, 9, "Lock Program Now");
  FW_BIND(LockProgramNow, Action, LockProgramNow_Action);
  button("CancelWindow4", 18, 324, 80, 20, 10, "Cancel");
  FW_BIND(CancelWindow4, Action, CancelWindow4_Action);
}

fw::Label& Window4::Label1() { return Find<fw::Label>("Label1"); }
fw::Label& Window4::Label2() { return Find<fw::Label>("Label2"); }
fw::Label& Window4::Label3() { return Find<fw::Label>("Label3"); }
fw::TextField& Window4::GatemarkText1() { return Find<fw::TextField>("GatemarkText1"); }
fw::TextField& Window4::GatemarkText2() { return Find<fw::TextField>("GatemarkText2"); }
fw::Label& Window4::Label4() { return Find<fw::Label>("Label4"); }
fw::TextField& Window4::SecurityQtext() { return Find<fw::TextField>("SecurityQtext"); }
fw::Label& Window4::Label5() { return Find<fw::Label>("Label5"); }
fw::TextField& Window4::SecurityAtext() { return Find<fw::TextField>("SecurityAtext"); }
fw::PushButton& Window4::LockProgramNow() { return Find<fw::PushButton>("LockProgramNow"); }
fw::PushButton& Window4::CancelWindow4() { return Find<fw::PushButton>("CancelWindow4"); }

bool Window4::GatemarkText1_KeyDown(fw::TextField&, const std::string& key) { return SwallowsKey(key); }
bool Window4::GatemarkText2_KeyDown(fw::TextField&, const std::string& key) { return SwallowsKey(key); }
bool Window4::SecurityQtext_KeyDown(fw::TextField&, const std::string& key) { return SwallowsKey(key); }
bool Window4::SecurityAtext_KeyDown(fw::TextField&, const std::string& key) { return SwallowsKey(key); }

void Window4::LockProgramNow_Action(fw::PushButton&) {
  // A password of blanks only is no password.
  if (fw::Trim(GatemarkText1().Text()).empty() || GatemarkText2().Text().empty() ||
      SecurityQtext().Text().empty() || SecurityAtext().Text().empty()) {
    fw::MsgBox("All Fields Must Be Filled in Before a Program Lock Can Be Created.");
    return;
  }
  if (!fw::Equals(GatemarkText1().Text(), GatemarkText2().Text())) {
    fw::MsgBox("The two passwords entered do not match, try again.");
    GatemarkText1().SetFocus();
    return;
  }
  if (!AllStorable(*this)) return;

  Module1::GatemarkSQ = "";
  Module1::GatemarkPW = "";
  Module1::GatemarkSA = "";
  Module1::GatemarkSQ = fw::Trim(SecurityQtext().Text());
  Module1::GatemarkPW = fw::Trim(GatemarkText1().Text());
  Module1::GatemarkSA = fw::Trim(SecurityAtext().Text());
  Module1::GatemarkCreate = true;
  Window1& main = Window1::Instance();
  main.FileLockProgram().SetAutoEnable(false);
  main.FileUnLockProgram().SetAutoEnable(true);
  // A lock the database refused has been told already; the window stays, with
  // what the user typed, to try again or cancel.
  if (!main.CreateProgramLock()) return;
  fw::MsgBox(
      "Kestrion Program has been locked.  The password you created will be required to run the program.  If you "
      "wish to unlock in the future select UNLOCK PROGRAM from the FILE menu.");
  Window4::Instance().Close();
}

void Window4::CancelWindow4_Action(fw::PushButton&) {
  GatemarkText1().SetText("");
  GatemarkText2().SetText("");
  SecurityQtext().SetText("");
  SecurityAtext().SetText("");
  GatemarkText1().SetFocus();
  ShowTheBook();
  Window4::Instance().SetVisible(false);
}

void Window4::Event_Close() {
  ShowTheBook();
  SetVisible(false);
}

}  // namespace kestrion
