// The fields' contextual menu and the small conveniences around the entry.
#include <memory>

#include "book/Window1.h"
#include "framework/Clipboard.h"
#include "framework/MsgBox.h"
#include "framework/Shell.h"
#include "framework/Text.h"
#include "info/Window2.h"

namespace kestrion {

namespace {

// The address an empty web-address field is given: nothing to launch yet.
const char* kAddressStart = "http://www.";

// FieldContextMenu: the same three items for every field, made afresh each
// time, known again only by their captions.
bool BuildFieldContextMenu(fw::MenuItem& base) {
  for (const char* caption : {"Cut", "Copy", "Paste"}) {
    auto item = std::make_unique<fw::MenuItem>(caption);
    item->SetTag("");
    base.Append(std::move(item));
  }
  return true;
}

// Cut, Copy and Paste on the field that raised the menu. The text before and
// after the selection is taken before the item is looked at; all counts are
// in characters.
bool ActOnFieldContextMenu(Window1& w, fw::TextControl& c, const fw::MenuItem& item) {
  fw::Clipboard clip;
  const int pos = c.SelStart();
  const std::string left = fw::Left(c.Text(), c.SelStart());
  const std::string right = fw::Right(c.Text(), fw::Len(c.Text()) - (c.SelStart() + c.SelLength()));
  const std::string& caption = item.Text();

  if (fw::Equals(caption, "Cut")) {
    if (c.SelLength() > 0) {
      // The field's own text, so a masked password is cut as it really is.
      clip.SetText(fw::Mid(c.Text(), c.SelStart() + 1, c.SelLength()));
      c.SetText(left + right);
      c.SetSelStart(pos);
      w.ClipInfo().SetVisible(false);
    }
  } else if (fw::Equals(caption, "Copy")) {
    clip.SetText(c.SelText());
    clip.Close();
    w.ClipInfo().SetVisible(false);
  } else if (fw::Equals(caption, "Paste")) {
    if (clip.TextAvailable()) {
      c.SetText(left + clip.Text() + right);
      c.SetSelStart(pos + fw::Len(clip.Text()));
    }
    clip.Close();
  }
  return true;
}

}  // namespace

bool Window1::SearchText_ConstructContextualMenu(fw::TextField&, fw::MenuItem& base, int32_t, int32_t) {
  return BuildFieldContextMenu(base);
}
bool Window1::SearchText_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item) {
  return ActOnFieldContextMenu(*this, c, item);
}
bool Window1::WebSystem_ConstructContextualMenu(fw::TextField&, fw::MenuItem& base, int32_t, int32_t) {
  return BuildFieldContextMenu(base);
}
bool Window1::WebSystem_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item) {
  return ActOnFieldContextMenu(*this, c, item);
}
bool Window1::UserNameTxt_ConstructContextualMenu(fw::TextField&, fw::MenuItem& base, int32_t, int32_t) {
  return BuildFieldContextMenu(base);
}
bool Window1::UserNameTxt_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item) {
  return ActOnFieldContextMenu(*this, c, item);
}
bool Window1::PassWord_ConstructContextualMenu(fw::TextField&, fw::MenuItem& base, int32_t, int32_t) {
  return BuildFieldContextMenu(base);
}
bool Window1::PassWord_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item) {
  return ActOnFieldContextMenu(*this, c, item);
}
bool Window1::Notes_ConstructContextualMenu(fw::TextArea&, fw::MenuItem& base, int32_t, int32_t) {
  return BuildFieldContextMenu(base);
}
bool Window1::Notes_ContextualMenuAction(fw::TextArea& c, fw::MenuItem& item) {
  return ActOnFieldContextMenu(*this, c, item);
}
bool Window1::WebAddress_ConstructContextualMenu(fw::TextField&, fw::MenuItem& base, int32_t, int32_t) {
  return BuildFieldContextMenu(base);
}
bool Window1::WebAddress_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item) {
  return ActOnFieldContextMenu(*this, c, item);
}

// Whatever the field holds, masked or not, empty or not: leaving it puts it on
// the clipboard, over an export too.
void Window1::PassWord_LostFocus(fw::TextField&) {
  fw::Clipboard clip;
  clip.SetText(PassWord().Text());
  ClipInfo().SetVisible(true);
}

// "SHOW", as an entry opens, counts as "Show".
void Window1::ShowHideButton_Action(fw::BevelButton&) {
  if (fw::Equals(ShowHideButton().Caption(), "Show")) {
    PassWord().SetPassword(false);
    ShowHideButton().SetCaption("Hide");
    NotePlayer1().SetInstrument(46);
    NotePlayer1().PlayNote(58, 20);
    NotePlayer1().PlayNote(58, 0);
  } else {
    ShowHideButton().SetCaption("Show");
    PassWord().SetPassword(true);
    NotePlayer1().SetInstrument(46);
    NotePlayer1().PlayNote(53, 20);
    NotePlayer1().PlayNote(53, 0);
  }
}

// The address goes to the desktop's opener as it stands, as one argument; a
// browser that fails to start is not reported.
void Window1::BevelButton1_Action(fw::BevelButton&) {
  if (!fw::Equals(WebAddress().Text(), kAddressStart)) {
    fw::LaunchUrl(WebAddress().Text());
  } else {
    fw::MsgBox("Must enter the complete web address to launch web page.");
  }
}

// Typing goes on after "http://www.".
void Window1::WebAddress_GotFocus(fw::TextField&) { WebAddress().SetSelStart(fw::Len(WebAddress().Text())); }

// Help shows the guide as it stands: whether a newly made one plays its
// music follows NoPlay, which Help leaves alone.
void Window1::BevelButton2_Action(fw::BevelButton&) {
  Window1::Instance().SetVisible(false);
  Window2::Instance().SetVisible(true);
}

}  // namespace kestrion
