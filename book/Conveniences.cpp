// The fields' contextual menu and the small conveniences around the entry.
#include "book/Window1.h"
#include "info/Window2.h"

namespace kestrion {

bool Window1::SearchText_ConstructContextualMenu(fw::TextField&, fw::MenuItem&, int32_t, int32_t) { return true; }
bool Window1::SearchText_ContextualMenuAction(fw::TextField&, fw::MenuItem&) { return true; }
bool Window1::WebSystem_ConstructContextualMenu(fw::TextField&, fw::MenuItem&, int32_t, int32_t) { return true; }
bool Window1::WebSystem_ContextualMenuAction(fw::TextField&, fw::MenuItem&) { return true; }
bool Window1::UserNameTxt_ConstructContextualMenu(fw::TextField&, fw::MenuItem&, int32_t, int32_t) { return true; }
bool Window1::UserNameTxt_ContextualMenuAction(fw::TextField&, fw::MenuItem&) { return true; }
bool Window1::PassWord_ConstructContextualMenu(fw::TextField&, fw::MenuItem&, int32_t, int32_t) { return true; }
bool Window1::PassWord_ContextualMenuAction(fw::TextField&, fw::MenuItem&) { return true; }
void Window1::PassWord_LostFocus(fw::TextField&) {}
bool Window1::Notes_ConstructContextualMenu(fw::TextArea&, fw::MenuItem&, int32_t, int32_t) { return true; }
bool Window1::Notes_ContextualMenuAction(fw::TextArea&, fw::MenuItem&) { return true; }
void Window1::ShowHideButton_Action(fw::BevelButton&) {}
void Window1::BevelButton1_Action(fw::BevelButton&) {}
void Window1::WebAddress_GotFocus(fw::TextField&) {}
bool Window1::WebAddress_ConstructContextualMenu(fw::TextField&, fw::MenuItem&, int32_t, int32_t) { return true; }
bool Window1::WebAddress_ContextualMenuAction(fw::TextField&, fw::MenuItem&) { return true; }
// Help shows the guide as it stands: whether a newly made one plays its
// music follows NoPlay, which Help leaves alone.
void Window1::BevelButton2_Action(fw::BevelButton&) {
  Window1::Instance().SetVisible(false);
  Window2::Instance().SetVisible(true);
}

}  // namespace kestrion
