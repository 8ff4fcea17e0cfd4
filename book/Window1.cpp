// The main window's creation, its controls and its three views.
#include "book/Window1.h"

#include "app/MenuBar1.h"
#include "app/Resources.h"
#include "app/Startup.h"
#include "book/Codec.h"

#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

namespace kestrion {

namespace {
constexpr int kSearchHeight = 86;
constexpr int kEntryHeight = 456;
}  // namespace

Window1& Window1::Instance() { return fw::ImplicitInstance<Window1>("Window1.Window1"); }

Window1::~Window1() { PassDataBase = nullptr; }

std::string Window1::Encrypt(std::string s) { return EncryptText(std::move(s)); }
std::string Window1::Decrypt(std::string s) { return DecryptText(std::move(s)); }

void Window1::Layout() {
  SetBackdrop(_x_Background2::Background2());
  SetMenuBar(&MenuBar1::Instance());
  SetTitle("Kestrion V1.2");
  SetSize(430, kSearchHeight);
  SetMinSize(64, 64);
  SetMaxSize(32000, 32000);
  SetResizeable(false);
  SetCloseButton(true);
  SetMinimizeButton(true);
  SetMaximizeButton(false);
  SetFullScreen(false);
  SetMenuBarVisible(true);
  SetBackColor(false, 0xDEDBE6);
  SetPlacement(2);
  SetFrame(9);
  SetVisible(true);
  Trace("Window1.Layout");
}

void Window1::CreateControls() { _CreateControls0(); }

void Window1::_CreateControls0() {
  Trace("Window1.CreateControls");
  auto label = [this](const char* name, int l, int t, int w, int h, int tab, const char* text, int size, bool bold,
                      fw::RoundRectangle* panel) -> fw::Label& {
    fw::Label& c = New<fw::Label>(name);
    c.SetTextSize(size);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetText(text);
    c.SetBold(bold);
    c.SetTextColor(0x000000);
    c.SetTextAlign(0);
    if (panel) c.SetParent(panel);
    return c;
  };
  auto bevel = [this](const char* name, int l, int t, int w, int h, int tab, const char* caption,
                      fw::RoundRectangle* panel) -> fw::BevelButton& {
    fw::BevelButton& c = New<fw::BevelButton>(name);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetCaption(caption);
    c.SetAcceptFocus(false);
    if (panel) c.SetParent(panel);
    return c;
  };
  auto push = [this](const char* name, int l, int t, int w, int h, int tab, const char* caption,
                     fw::RoundRectangle* panel) -> fw::PushButton& {
    fw::PushButton& c = New<fw::PushButton>(name);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetCaption(caption);
    c.SetDefault(false);
    c.SetCancel(false);
    c.SetParent(panel);
    return c;
  };
  auto field = [this](const char* name, int l, int t, int w, int h, int tab, int size, bool bold,
                      fw::RoundRectangle* panel) -> fw::TextField& {
    fw::TextField& c = New<fw::TextField>(name);
    c.SetTextSize(size);
    c.SetTextUnit(0);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetBold(bold);
    c.SetText("");
    c.SetPassword(false);
    if (panel) c.SetParent(panel);
    return c;
  };
  auto panel = [this](const char* name, int l, int t, int w, int h, int tab, unsigned fill) -> fw::RoundRectangle& {
    fw::RoundRectangle& c = New<fw::RoundRectangle>(name);
    c.SetPosition(l, t, w, h);
    c.SetTabIndex(tab);
    c.SetFillColor(fill);
    c.SetBorderWidth(2);
    c.SetBorderColor(0x000000);
    c.SetOval(16, 16);
    return c;
  };

  // 1-4: the search row
  label("Label1", 31, 6, 343, 33, 7, "Which password are you looking for?", 18, true, nullptr).SetTextAlign(1);
  bevel("FindButton", 249, 38, 61, 29, 1, "Find", nullptr);
  FW_BIND(FindButton, Action, FindButton_Action);
  bevel("AddNewPassword", 307, 38, 67, 29, 13, "Add New", nullptr);
  FW_BIND(AddNewPassword, Action, AddNewPassword_Action);
  field("SearchText", 20, 38, 229, 28, 0, 18, false, nullptr);
  FW_BIND(SearchText, KeyDown, SearchText_KeyDown);
  FW_BIND(SearchText, MouseDown, SearchText_MouseDown);
  FW_BIND(SearchText, ConstructContextualMenu, SearchText_ConstructContextualMenu);
  FW_BIND(SearchText, ContextualMenuAction, SearchText_ContextualMenuAction);

  // 5: the result list, hidden until a find has several matches
  {
    fw::Listbox& c = New<fw::Listbox>("Listbox1");
    c.SetTextSize(17);
    c.SetTextUnit(0);
    c.SetPosition(2, 85, 426, 296);
    c.SetTabIndex(15);
    c.SetHeading("Multiple Passwords Have Been Found, Please Select One...");
    c.SetVisible(false);
    FW_BIND(Listbox1, CellClick, Listbox1_CellClick);
  }

  // 6-10: the button panel
  fw::RoundRectangle& rr1 = panel("RoundRectangle1", 20, 393, 390, 41, 21, 0xFFFFFF);
  push("SaveButton", 59, 403, 80, 20, 0, "SAVE", &rr1).SetEnabled(false);
  FW_BIND(SaveButton, Action, SaveButton_Action);
  push("DeleteButton", 175, 403, 80, 20, 2, "DELETE", &rr1);
  FW_BIND(DeleteButton, Action, DeleteButton_Action);
  New<fw::NotePlayer>("NotePlayer1").SetInstrument(1);
  push("CloseButton", 294, 403, 80, 20, 3, "HOME", &rr1);
  FW_BIND(CloseButton, Action, CloseButton_Action);

  // 11-24: the entry panel
  fw::RoundRectangle& rr2 = panel("RoundRectangle2", 20, 92, 390, 295, 22, 0xBEE2FF);
  label("Label4", 31, 99, 190, 20, 0, "Web Site or System:", 18, true, &rr2);
  field("WebSystem", 31, 119, 365, 26, 1, 18, false, &rr2);
  FW_BIND(WebSystem, TextChange, WebSystem_TextChange);
  FW_BIND(WebSystem, KeyUp, WebSystem_KeyUp);
  FW_BIND(WebSystem, KeyDown, WebSystem_KeyDown);
  FW_BIND(WebSystem, ConstructContextualMenu, WebSystem_ConstructContextualMenu);
  FW_BIND(WebSystem, ContextualMenuAction, WebSystem_ContextualMenuAction);
  label("Label5", 31, 150, 177, 21, 2, "User Name:", 18, true, &rr2);
  field("UserNameTxt", 31, 171, 368, 26, 3, 18, true, &rr2);
  FW_BIND(UserNameTxt, TextChange, UserNameTxt_TextChange);
  FW_BIND(UserNameTxt, KeyDown, UserNameTxt_KeyDown);
  FW_BIND(UserNameTxt, KeyUp, UserNameTxt_KeyUp);
  FW_BIND(UserNameTxt, ConstructContextualMenu, UserNameTxt_ConstructContextualMenu);
  FW_BIND(UserNameTxt, ContextualMenuAction, UserNameTxt_ContextualMenuAction);
  label("Label2", 31, 203, 177, 21, 4, "Your Password:", 18, true, &rr2);
  field("PassWord", 31, 224, 310, 26, 5, 18, true, &rr2).SetPassword(true);
  FW_BIND(PassWord, TextChange, PassWord_TextChange);
  FW_BIND(PassWord, KeyDown, PassWord_KeyDown);
  FW_BIND(PassWord, KeyUp, PassWord_KeyUp);
  FW_BIND(PassWord, LostFocus, PassWord_LostFocus);
  FW_BIND(PassWord, ConstructContextualMenu, PassWord_ConstructContextualMenu);
  FW_BIND(PassWord, ContextualMenuAction, PassWord_ContextualMenuAction);
  label("Label3", 31, 256, 177, 17, 6, "Notes:", 18, true, &rr2);
  {
    fw::TextArea& c = New<fw::TextArea>("Notes");
    c.SetTextUnit(0);
    c.SetPosition(31, 277, 368, 46);
    c.SetTabIndex(7);
    c.SetText("");
    c.SetParent(&rr2);
    FW_BIND(Notes, TextChange, Notes_TextChange);
    FW_BIND(Notes, KeyDown, Notes_KeyDown);
    FW_BIND(Notes, KeyUp, Notes_KeyUp);
    FW_BIND(Notes, ConstructContextualMenu, Notes_ConstructContextualMenu);
    FW_BIND(Notes, ContextualMenuAction, Notes_ContextualMenuAction);
  }
  bevel("ShowHideButton", 344, 224, 55, 26, 8, "Show", &rr2);
  FW_BIND(ShowHideButton, Action, ShowHideButton_Action);
  label("ClipInfo", 181, 203, 218, 21, 9, "(has been copied to clipboard)", 11, false, &rr2);
  bevel("BevelButton1", 344, 349, 52, 26, 10, "Launch", &rr2);
  FW_BIND(BevelButton1, Action, BevelButton1_Action);
  label("Label7", 31, 329, 190, 17, 11, "Web Address (URL):", 18, true, &rr2);
  field("WebAddress", 31, 349, 310, 26, 12, 14, true, &rr2);
  FW_BIND(WebAddress, TextChange, WebAddress_TextChange);
  FW_BIND(WebAddress, KeyDown, WebAddress_KeyDown);
  FW_BIND(WebAddress, KeyUp, WebAddress_KeyUp);
  FW_BIND(WebAddress, GotFocus, WebAddress_GotFocus);
  FW_BIND(WebAddress, ConstructContextualMenu, WebAddress_ConstructContextualMenu);
  FW_BIND(WebAddress, ContextualMenuAction, WebAddress_ContextualMenuAction);

  // 25: help
  bevel("BevelButton2", 373, 38, 37, 29, 23, "Help", nullptr);
  FW_BIND(BevelButton2, Action, BevelButton2_Action);
}

// --- control accessors -------------------------------------------------------------
fw::Label& Window1::Label1() { return Find<fw::Label>("Label1"); }
fw::BevelButton& Window1::FindButton() { return Find<fw::BevelButton>("FindButton"); }
fw::BevelButton& Window1::AddNewPassword() { return Find<fw::BevelButton>("AddNewPassword"); }
fw::TextField& Window1::SearchText() { return Find<fw::TextField>("SearchText"); }
fw::Listbox& Window1::Listbox1() { return Find<fw::Listbox>("Listbox1"); }
fw::RoundRectangle& Window1::RoundRectangle1() { return Find<fw::RoundRectangle>("RoundRectangle1"); }
fw::PushButton& Window1::SaveButton() { return Find<fw::PushButton>("SaveButton"); }
fw::PushButton& Window1::DeleteButton() { return Find<fw::PushButton>("DeleteButton"); }
fw::NotePlayer& Window1::NotePlayer1() { return Find<fw::NotePlayer>("NotePlayer1"); }
fw::PushButton& Window1::CloseButton() { return Find<fw::PushButton>("CloseButton"); }
fw::RoundRectangle& Window1::RoundRectangle2() { return Find<fw::RoundRectangle>("RoundRectangle2"); }
fw::Label& Window1::Label4() { return Find<fw::Label>("Label4"); }
fw::TextField& Window1::WebSystem() { return Find<fw::TextField>("WebSystem"); }
fw::Label& Window1::Label5() { return Find<fw::Label>("Label5"); }
fw::TextField& Window1::UserNameTxt() { return Find<fw::TextField>("UserNameTxt"); }
fw::Label& Window1::Label2() { return Find<fw::Label>("Label2"); }
fw::TextField& Window1::PassWord() { return Find<fw::TextField>("PassWord"); }
fw::Label& Window1::Label3() { return Find<fw::Label>("Label3"); }
fw::TextArea& Window1::Notes() { return Find<fw::TextArea>("Notes"); }
fw::BevelButton& Window1::ShowHideButton() { return Find<fw::BevelButton>("ShowHideButton"); }
fw::Label& Window1::ClipInfo() { return Find<fw::Label>("ClipInfo"); }
fw::BevelButton& Window1::BevelButton1() { return Find<fw::BevelButton>("BevelButton1"); }
fw::Label& Window1::Label7() { return Find<fw::Label>("Label7"); }
fw::TextField& Window1::WebAddress() { return Find<fw::TextField>("WebAddress"); }
fw::BevelButton& Window1::BevelButton2() { return Find<fw::BevelButton>("BevelButton2"); }

// --- views -------------------------------------------------------------------------
void Window1::ExpandWindow() {
  PassWord().SetPassword(true);
  ShowHideButton().SetCaption("SHOW");
  Window1::Instance().SetHeight(kEntryHeight);
  FindButton().SetEnabled(false);
  AddNewPassword().SetEnabled(false);
  Label1().SetEnabled(false);
  RoundRectangle2().SetVisible(true);
  WebSystem().SetFocus();
}

void Window1::ShrinkWindow() {
  Listbox1().SetVisible(false);
  UserNameTxt().SetText("");
  PassWord().SetText("");
  WebSystem().SetText("");
  Notes().SetText("");
  WebAddress().SetText("");
  SaveButton().SetCaption("SAVE");
  Window1::Instance().SetHeight(kSearchHeight);
  SearchText().SetEnabled(true);
  FindButton().SetEnabled(true);
  AddNewPassword().SetEnabled(true);
  Label1().SetEnabled(true);
  SearchText().SetFocus();
  Ding2();
}

void Window1::Ding2() {
  NotePlayer1().SetInstrument(10);
  NotePlayer1().PlayNote(60, 30);
  NotePlayer1().PlayNote(60, 0);
}

void Window1::AttentionSound() {
  NotePlayer1().SetInstrument(46);
  NotePlayer1().PlayNote(40, 40);
  NotePlayer1().PlayNote(40, 0);
}

// --- menus -------------------------------------------------------------------------
fw::MenuItem& Window1::MenuItemNamed(const char* name) {
  fw::MenuItem* item = GetMenuBar() ? GetMenuBar()->Lookup(name) : nullptr;
  if (!item) throw std::out_of_range(std::string("no menu item named ") + name);
  return *item;
}
fw::MenuItem& Window1::AboutMenu() { return MenuItemNamed("AboutMenu"); }
fw::MenuItem& Window1::AboutAboutKestrion() { return MenuItemNamed("AboutAboutKestrion"); }
fw::MenuItem& Window1::AboutHowToUse() { return MenuItemNamed("AboutHowToUse"); }
fw::MenuItem& Window1::EditMenu() { return MenuItemNamed("EditMenu"); }
fw::MenuItem& Window1::EditSelectAll() { return MenuItemNamed("EditSelectAll"); }
fw::MenuItem& Window1::UntitledMenu0() { return MenuItemNamed("UntitledMenu0"); }
fw::MenuItem& Window1::EditPaste() { return MenuItemNamed("EditPaste"); }
fw::MenuItem& Window1::EditCopy() { return MenuItemNamed("EditCopy"); }
fw::MenuItem& Window1::EditCut() { return MenuItemNamed("EditCut"); }
fw::MenuItem& Window1::UntitledMenu1() { return MenuItemNamed("UntitledMenu1"); }
fw::MenuItem& Window1::FileMenu() { return MenuItemNamed("FileMenu"); }
fw::MenuItem& Window1::FileUnLockProgram() { return MenuItemNamed("FileUnLockProgram"); }
fw::MenuItem& Window1::FileLockProgram() { return MenuItemNamed("FileLockProgram"); }
fw::MenuItem& Window1::FileExport() { return MenuItemNamed("FileExport"); }
fw::MenuItem& Window1::FileShowAll() { return MenuItemNamed("FileShowAll"); }

void Window1::AddMenuHandlers(fw::Window& w) {
  auto& self = static_cast<Window1&>(w);
  // While the program lock keeps the book closed the window is locked: the
  // framework takes each command without running it.
  AddMenuHandler("AboutHowToUse", [&self] { return self._AboutHowToUse_Action(); });
  AddMenuHandler("AboutAboutKestrion", [&self] { return self._AboutAboutKestrion_Action(); });
  AddMenuHandler("FileExport", [&self] { return self._FileExport_Action(); });
  AddMenuHandler("FileShowAll", [&self] { return self._FileShowAll_Action(); });
  AddMenuHandler("FileLockProgram", [&self] { return self._FileLockProgram_Action(); });
  AddMenuHandler("FileUnLockProgram", [&self] { return self._FileUnLockProgram_Action(); });
}

}  // namespace kestrion
