#include "lock/Window5.h"

#include "app/Module1.h"
#include "book/Codec.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/MsgBox.h"
#include "framework/Text.h"

namespace kestrion {

namespace {
constexpr int kAnswerHeight = 309;

void ForgetTheLock() {
  Module1::GatemarkSQ = "";
  Module1::GatemarkPW = "";
  Module1::GatemarkSA = "";
}
}  // namespace

Window5& Window5::Instance() { return fw::ImplicitInstance<Window5>("Window5.Window5"); }

bool Window5::Asking() {
  auto* prompt = static_cast<Window5*>(fw::GetImplicitWindow("Window5.Window5"));
  return prompt && !prompt->passed_;
}

std::string Window5::Encrypt(const std::string& s) { return EncryptText(s); }

void Window5::Layout() {
  SetTitle("Kestrion is Locked");
  SetSize(310, 118);
  SetCloseButton(false);
  SetResizeable(false);
  SetMinimizeButton(false);
  SetMaximizeButton(false);
  SetFullScreen(false);
  SetMenuBarVisible(true);
  SetMinSize(64, 64);
  SetMaxSize(32000, 32000);
  SetBackColor(false, 0xFFFFFF);
  SetFrame(0);
  SetPlacement(0);
  // While the prompt is up no other window takes input, the hidden book included.
  SetModal(true);
  SetVisible(true);
}

void Window5::CreateControls() { _CreateControls0(); }

void Window5::_CreateControls0() {
  auto label = [this](const char* name, int l, int t, int w, int h, int tab, const char* text, int size,
                      int align, bool multiline) -> fw::Label& {
    fw::Label& c = New<fw::Label>(name);
    c.SetTextSize(size);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetText(text);
    c.SetTextColor(0x000000);
    c.SetTextAlign(align);
    c.SetMultiline(multiline);
    return c;
  };
  auto field = [this](const char* name, int l, int t, int w, int h, int tab) -> fw::TextField& {
    fw::TextField& c = New<fw::TextField>(name);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetText("");
    c.SetTextColor(0x000000);
    c.SetPassword(true);
    return c;
  };
  auto go = [this](const char* name, int l, int t, int tab) -> fw::BevelButton& {
    fw::BevelButton& c = New<fw::BevelButton>(name);
    c.SetTextUnit(0);
    c.SetPosition(l, t, 42, 27);
    c.SetTabIndex(tab);
    c.SetCaption("GO");
    c.SetTextColor(0x000000);
    c.SetAcceptFocus(false);
    return c;
  };

  label("Label1", 25, 6, 265, 30, 0, "Enter Access Password:", 20, 1, false);
  field("TextField1", 25, 35, 219, 27, 1);
  {
    fw::Rectangle& band = New<fw::Rectangle>("Rectangle1");
    band.SetPosition(75, 80, 164, 18);
    band.SetTabIndex(2);
    band.SetFillColor(0xD9F4FE);
    band.SetBorderWidth(1);
    band.SetTopLeftColor(0xD9F4FE);
    band.SetBottomRightColor(0xD6F2FF);
  }
  label("Label2", 48, 80, 219, 18, 3, "I forgot my password", 0, 1, false).SetTextColor(0x76A4FF);
  label("Label3", 25, 122, 144, 30, 4, "Security Question:", 16, 1, false);
  label("Label4", 48, 156, 219, 82, 5, "", 0, 0, true);
  label("Label5", 25, 259, 69, 30, 6, "Answer:", 16, 1, false);
  field("TextField2", 106, 259, 138, 27, 7);
  go("GObutton1", 248, 35, 8);
  go("GObutton2", 248, 259, 9);

  FW_BIND(TextField1, KeyDown, TextField1_KeyDown);
  FW_BIND(Label2, MouseDown, Label2_MouseDown);
  FW_BIND(TextField2, KeyDown, TextField2_KeyDown);
  FW_BIND(GObutton1, Action, GObutton1_Action);
  FW_BIND(GObutton2, Action, GObutton2_Action);
}

fw::Label& Window5::Label1() { return Find<fw::Label>("Label1"); }
fw::TextField& Window5::TextField1() { return Find<fw::TextField>("TextField1"); }
fw::Rectangle& Window5::Rectangle1() { return Find<fw::Rectangle>("Rectangle1"); }
fw::Label& Window5::Label2() { return Find<fw::Label>("Label2"); }
fw::Label& Window5::Label3() { return Find<fw::Label>("Label3"); }
fw::Label& Window5::Label4() { return Find<fw::Label>("Label4"); }
fw::Label& Window5::Label5() { return Find<fw::Label>("Label5"); }
fw::TextField& Window5::TextField2() { return Find<fw::TextField>("TextField2"); }
fw::BevelButton& Window5::GObutton1() { return Find<fw::BevelButton>("GObutton1"); }
fw::BevelButton& Window5::GObutton2() { return Find<fw::BevelButton>("GObutton2"); }

bool Window5::TextField1_KeyDown(fw::TextField&, const std::string& key) {
  if (fw::Asc(key) > 127) return true;
  if (key == fw::Chr(13)) CheckProgramLock();
  return false;
}

bool Window5::TextField2_KeyDown(fw::TextField&, const std::string& key) {
  if (fw::Asc(key) > 127) return true;
  if (key == fw::Chr(13)) CheckProgramSQ();
  return false;
}

bool Window5::Label2_MouseDown(fw::Label&, int32_t, int32_t) {
  if (fw::MsgBox("If you forgot your password and need to reset it you must answer the security question "
                 "correctly.           DO YOU WISH TO RESET YOUR PASSWORD?",
                 36, "") == 6) {
    Label1().SetEnabled(false);
    TextField1().SetEnabled(false);
    GObutton1().SetEnabled(false);
    Window5::Instance().SetHeight(kAnswerHeight);
    Label4().SetText(Module1::GatemarkSQ);
    Module1::counter = 0;
    TextField2().SetFocus();
    Label2().SetEnabled(false);
  }
  return false;
}

void Window5::GObutton1_Action(fw::BevelButton&) { CheckProgramLock(); }
void Window5::GObutton2_Action(fw::BevelButton&) { CheckProgramSQ(); }

bool Window5::Event_KeyDown(const std::string&) {
  // Keys that no field took are left alone.
  return false;
}

bool Window5::Event_CloseRequested() {
  // There is no close box; a close from the window manager is the user's way
  // out while the book is locked. Once passed, the prompt is only hidden.
  if (passed_) return true;
  ForgetTheLock();
  fw::Quit(0);
  return true;
}

void Window5::ShutDown(const std::string& message) {
  fw::MsgBox(message);
  ForgetTheLock();
  fw::Quit(0);
}

void Window5::CheckProgramLock() {
  if (!fw::Equals(TextField1().Text(), Module1::GatemarkPW)) {
    if (Module1::counter >= 2) {
      Window5::Instance().SetVisible(false);
      ShutDown("Incorrect Password, Access Denied.  Kestrion is shutting down.");
      return;
    }
    fw::MsgBox("Invalid Password, Try Again");
    TextField1().SetText("");
    Module1::counter += 1;
    return;
  }
  PassWordAccepted();
}

void Window5::CheckProgramSQ() {
  if (!fw::Equals(TextField2().Text(), Module1::GatemarkSA)) {
    if (Module1::counter < 3) fw::MsgBox("Invalid Security Question Answer, Try Again");
    TextField2().SetText("");
    TextField2().SetFocus();
    if (Module1::counter >= 3) {
      // The prompt stays up behind the message.
      ShutDown("Access Denied, Kestrion is shutting down.");
      return;
    }
    Module1::counter += 1;
    return;
  }
  Module1::GatemarkRESET = true;
  passed_ = true;
  Window5::Instance().SetVisible(false);
  Window1::Instance().SetVisible(true);
  Module1::counter = 0;
  ForgetTheLock();
  fw::MsgBox(
      "Your Gatemark program has been Unlocked and the password deleted.  No password is required to run "
      "Kestrion!  If you wish to create a new lock, then choose LOCK PROGRAM from the FILE menu.");
}

void Window5::PassWordAccepted() {
  passed_ = true;
  Window5::Instance().SetVisible(false);
  Window1::Instance().SetVisible(true);
  Module1::counter = 0;
  ForgetTheLock();
}

}  // namespace kestrion
