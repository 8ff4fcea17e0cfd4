#include "info/Window2.h"

#include <string>

#include "app/Module1.h"
#include "app/Resources.h"
#include "book/Window1.h"
#include "framework/MsgBox.h"
#include "info/InfoPanel.h"

namespace kestrion {

namespace {

const char* const kHelpParagraphs[] = {
    "Kestrion was designed to be simple and intuitive.",
    "To add a new password, just press ADD NEW.",
    "To find a password you have added, enter part of a keyword of the SITE/SYSTEM or NOTE field and press "
    "ENTER or FIND.  To select from an alphabetical list of all passwords choose SELECT ALL from the FILE menu.",
    "The password will be displayed in a hidden format.  When the password is displayed, it is automatically "
    "copied to the computer's clipboard so you can paste it where you desire.  At this point you can press SHOW "
    "if you want to see the password. ",
    "If you want to edit the password, just change the text and press UPDATE.",
    "If you want to delete the password, press DELETE.",
    "If you press the LAUNCH button next the WEB ADDRESS field your web browser will start and display the web "
    "page where you will be able to paste your password to enter the web site.",
    "To start over and search for a different password, press HOME, hit the ESC key or mouse click the SEARCH "
    "field.",
    "You can export all passwords to the clipboard by selecting EXPORT ALL from the FILE menu. (You might want to "
    "export them to an iphone/itouch/ipad note so you will have them on the go)",
    "That's it!  Simple but useful!",
};

// Paragraphs are set apart by an empty line; the last one has no line end.
std::string HelpText() {
  std::string text;
  for (const char* p : kHelpParagraphs) {
    if (!text.empty()) text += "\r\r";
    text += p;
  }
  return text;
}

std::string DonationMessage() {
  const std::string line_end = "\n\r";
  return "If you like Kestrion, please consider donating $5 for future development." + line_end +
         "A contribution can be sent from any online payment account to the e-mail address shown in the About "
         "window.  Thanks for your support!" +
         line_end +
         "P.S.  If you like this music you can download it from iTunes -> SEARCH Tarrowby - Tamberly Rag.  "
         "I also have another song on iTunes ->SEARCH Tarrowby - Wyncote Rag.";
}

// Without its file the music is nil: the window then works in silence.
void StopMusic() {
  if (auto music = _x_TamberlyRag::TamberlyRag()) music->Stop();
}

// The book comes back only when the program lock does not keep it closed.
void ShowTheBook() {
  Window1& main = Window1::Instance();
  if (!main.ProgramLocked()) main.SetVisible(true);
}

}  // namespace

Window2& Window2::Instance() { return fw::ImplicitInstance<Window2>("Window2.Window2"); }

void Window2::Layout() { info::ApplyWindowProperties(*this, "How To Use...", 385, 559); }

void Window2::CreateControls() { _CreateControls0(); }

void Window2::_CreateControls0() {
  const info::InfoLayout layout{
      {5, 5, 375, 549}, {78, 15, 230, 24}, {12, 48, 363, 500}, {317, 517, 48, 22}, "How To Use Kestrion", HelpText()};
  info::CreateInfoControls(*this, layout).Action = [this](fw::BevelButton& c) { BevelButton1_Action(c); };
}

fw::RoundRectangle& Window2::RoundRectangle1() { return Find<fw::RoundRectangle>("RoundRectangle1"); }
fw::Label& Window2::Label1() { return Find<fw::Label>("Label1"); }
fw::Label& Window2::Label2() { return Find<fw::Label>("Label2"); }
fw::BevelButton& Window2::BevelButton1() { return Find<fw::BevelButton>("BevelButton1"); }

void Window2::Event_Open() {
  if (Module1::NoPlay) return;  // made silently; stays hidden until a caller shows it
  Show();
  Refresh(true);
  if (auto music = _x_TamberlyRag::TamberlyRag()) music->Play();
  // The music goes on while the box is up and after it.
  fw::MsgBox(DonationMessage());
}

void Window2::BevelButton1_Action(fw::BevelButton&) {
  Window2::Instance().SetVisible(false);
  ShowTheBook();
  StopMusic();
}

void Window2::Event_Close() {
  ShowTheBook();
  SetVisible(false);
  StopMusic();
}

}  // namespace kestrion
