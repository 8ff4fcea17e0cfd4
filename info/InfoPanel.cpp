#include "info/InfoPanel.h"

namespace kestrion::info {

namespace {
constexpr unsigned kPanelFill = 0xFCFFCB;
constexpr unsigned kBlack = 0x000000;
}  // namespace

void ApplyWindowProperties(fw::Window& w, const char* title, int width, int height) {
  w.SetTitle(title);
  w.SetSize(width, height);
  w.SetMinSize(64, 64);
  w.SetMaxSize(32000, 32000);
  w.SetResizeable(false);
  w.SetCloseButton(true);
  w.SetMinimizeButton(true);
  w.SetMaximizeButton(false);
  w.SetVisible(false);
  w.SetMenuBarVisible(true);
  w.SetFullScreen(false);
  w.SetBackColor(false, 0xFFFFFF);
  w.SetFrame(0);
  w.SetPlacement(0);
}

fw::BevelButton& CreateInfoControls(fw::Window& w, const InfoLayout& l) {
  fw::RoundRectangle& panel = w.New<fw::RoundRectangle>("RoundRectangle1");
  panel.SetPosition(l.panel.left, l.panel.top, l.panel.width, l.panel.height);
  panel.SetFillColor(kPanelFill);
  panel.SetBorderColor(kBlack);
  panel.SetBorderWidth(1);
  panel.SetOval(16, 16);
  panel.SetTabIndex(0);

  fw::Label& title = w.New<fw::Label>("Label1");
  title.SetTextSize(18);
  title.SetTextUnit(0);
  title.SetPosition(l.title.left, l.title.top, l.title.width, l.title.height);
  title.SetText(l.title_text);
  title.SetBold(true);
  title.SetTextAlign(1);
  title.SetTextColor(kBlack);
  title.SetMultiline(false);
  title.SetTabIndex(0);
  title.SetParent(&panel);

  fw::Label& text = w.New<fw::Label>("Label2");
  text.SetTextSize(12);
  text.SetTextUnit(0);
  text.SetPosition(l.text.left, l.text.top, l.text.width, l.text.height);
  text.SetText(l.body_text);
  text.SetBold(false);
  text.SetTextAlign(0);
  text.SetTextColor(kBlack);
  text.SetMultiline(true);
  text.SetTabIndex(1);
  text.SetParent(&panel);

  // The button sits inside the text's place, at its bottom right corner.
  fw::BevelButton& close = w.New<fw::BevelButton>("BevelButton1");
  close.SetTextUnit(0);
  close.SetPosition(l.button.left, l.button.top, l.button.width, l.button.height);
  close.SetCaption("Close");
  close.SetBold(false);
  close.SetAcceptFocus(false);
  close.SetTabIndex(1);
  close.SetTextColor(kBlack);
  close.SetParent(&text);
  return close;
}

}  // namespace kestrion::info
