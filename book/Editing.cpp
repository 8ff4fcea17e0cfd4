// Adding, editing, saving and deleting entries; leaving an entry; closing.
#include "book/Window1.h"
#include "app/Module1.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/MsgBox.h"

namespace kestrion {

void Window1::AddNewPassword_Action(fw::BevelButton&) {}
void Window1::SaveButton_Action(fw::PushButton&) {}
void Window1::DeleteButton_Action(fw::PushButton&) {}
void Window1::CloseButton_Action(fw::PushButton&) {}
void Window1::WebSystem_TextChange(fw::TextField&) {}
void Window1::WebSystem_KeyUp(fw::TextField&, const std::string&) {}
bool Window1::WebSystem_KeyDown(fw::TextField&, const std::string&) { return false; }
void Window1::UserNameTxt_TextChange(fw::TextField&) {}
bool Window1::UserNameTxt_KeyDown(fw::TextField&, const std::string&) { return false; }
void Window1::UserNameTxt_KeyUp(fw::TextField&, const std::string&) {}
void Window1::PassWord_TextChange(fw::TextField&) {}
bool Window1::PassWord_KeyDown(fw::TextField&, const std::string&) { return false; }
void Window1::PassWord_KeyUp(fw::TextField&, const std::string&) {}
void Window1::Notes_TextChange(fw::TextArea&) {}
bool Window1::Notes_KeyDown(fw::TextArea&, const std::string&) { return false; }
void Window1::Notes_KeyUp(fw::TextArea&, const std::string&) {}
void Window1::WebAddress_TextChange(fw::TextField&) {}
bool Window1::WebAddress_KeyDown(fw::TextField&, const std::string&) { return false; }
void Window1::WebAddress_KeyUp(fw::TextField&, const std::string&) {}
void Window1::AddNew() {}
void Window1::SaveButtonAction() {}
void Window1::DeleteRecord() {}
void Window1::GoBackAction() {}

void Window1::Event_Close() {
  if (SaveButton().Enabled()) {
    AttentionSound();
    Window1::Instance().SetHeight(86);
    Window1::Instance().Show();
    if (fw::MsgBox("Do you wish to save the changes you made?", 36, "") == 6) SaveButtonAction();
  }
  ShrinkWindow();
  fw::Clipboard c;
  if (Module1::ClearClipBoard == 1) c.SetText("");
  fw::Quit(0);
}

}  // namespace kestrion
