#include "info/Window3.h"

#include <string>

#include "book/Window1.h"
#include "info/InfoPanel.h"

namespace kestrion {

namespace {

const char* const kAboutParagraphs[] = {
    "Kestrion V1.2 - freeware, provided as is, without any warranty.",
    "Kestrion was programmed by Tarrowby.  Special thanks to Corlaine for reviewing the program and making "
    "suggestions.",
    "You can contact the author with suggestions for improvements at:",
    "kestrion-feedback@example.org",
    "Thanks, all feedback is appreciated.",
};

// Paragraphs are set apart by an empty line; the text ends with a line end.
std::string AboutText() {
  std::string text;
  for (const char* p : kAboutParagraphs) {
    if (!text.empty()) text += "\r\r";
    text += p;
  }
  return text + "\r";
}

// The book comes back only when the program lock does not keep it closed.
void ShowTheBook() {
  Window1& main = Window1::Instance();
  if (!main.ProgramLocked()) main.SetVisible(true);
}

}  // namespace

Window3& Window3::Instance() { return fw::ImplicitInstance<Window3>("Window3.Window3"); }

void Window3::Layout() { info::ApplyWindowProperties(*this, "About...", 389, 254); }

void Window3::CreateControls() { _CreateControls0(); }

void Window3::_CreateControls0() {
  const info::InfoLayout layout{
      {6, 6, 375, 242}, {79, 16, 230, 24}, {13, 50, 363, 184}, {321, 212, 48, 22}, "About Kestrion", AboutText()};
  info::CreateInfoControls(*this, layout).Action = [this](fw::BevelButton& c) { BevelButton1_Action(c); };
}

fw::RoundRectangle& Window3::RoundRectangle1() { return Find<fw::RoundRectangle>("RoundRectangle1"); }
fw::Label& Window3::Label1() { return Find<fw::Label>("Label1"); }
fw::Label& Window3::Label2() { return Find<fw::Label>("Label2"); }
fw::BevelButton& Window3::BevelButton1() { return Find<fw::BevelButton>("BevelButton1"); }

void Window3::Event_Open() {
  // Nothing to do: the window stays hidden, as made, until its command shows it.
}

void Window3::BevelButton1_Action(fw::BevelButton&) {
  Window3::Instance().SetVisible(false);
  ShowTheBook();
}

void Window3::Event_Close() {
  ShowTheBook();
  SetVisible(false);
}

}  // namespace kestrion
