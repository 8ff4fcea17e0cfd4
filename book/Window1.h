#pragma once
// The main window: search row, result list and entry panel, switched by the
// window's height (86 search, 385 list, 456 entry). Its members are defined
// by the parts of the program that own them: book/ (layout, views, find,
// editing, conveniences, export, codec, database) and lock/ (the lock members).
#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/MenuItem.h"
#include "framework/Window.h"
#include "framework/database/SqlDatabase.h"

namespace kestrion {

class Window1 : public fw::Window {
 public:
  ~Window1() override;

  // The implicit instance, made on first request.
  static Window1& Instance();

  // The program's one database, opened by Event_Open.
  std::shared_ptr<fw::SqlDatabase> PassDataBase;

  // 1. creation
  void Layout() override;
  void CreateControls() override;
  void _CreateControls0();

  // 2. controls, found by name
  fw::Label& Label1();
  fw::BevelButton& FindButton();
  fw::BevelButton& AddNewPassword();
  fw::TextField& SearchText();
  fw::Listbox& Listbox1();
  fw::RoundRectangle& RoundRectangle1();
  fw::PushButton& SaveButton();
  fw::PushButton& DeleteButton();
  fw::NotePlayer& NotePlayer1();
  fw::PushButton& CloseButton();
  fw::RoundRectangle& RoundRectangle2();
  fw::Label& Label4();
  fw::TextField& WebSystem();
  fw::Label& Label5();
  fw::TextField& UserNameTxt();
  fw::Label& Label2();
  fw::TextField& PassWord();
  fw::Label& Label3();
  fw::TextArea& Notes();
  fw::BevelButton& ShowHideButton();
  fw::Label& ClipInfo();
  fw::BevelButton& BevelButton1();
  fw::Label& Label7();
  fw::TextField& WebAddress();
  fw::BevelButton& BevelButton2();

  // 3. control event handlers
  void FindButton_Action(fw::BevelButton& c);
  void AddNewPassword_Action(fw::BevelButton& c);
  bool SearchText_KeyDown(fw::TextField& c, const std::string& key);
  bool SearchText_MouseDown(fw::TextField& c, int32_t x, int32_t y);
  bool SearchText_ConstructContextualMenu(fw::TextField& c, fw::MenuItem& base, int32_t x, int32_t y);
  bool SearchText_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item);
  bool Listbox1_CellClick(fw::Listbox& c, int32_t row, int32_t column, int32_t x, int32_t y);
  void SaveButton_Action(fw::PushButton& c);
  void DeleteButton_Action(fw::PushButton& c);
  void CloseButton_Action(fw::PushButton& c);
  void WebSystem_TextChange(fw::TextField& c);
  void WebSystem_KeyUp(fw::TextField& c, const std::string& key);
  bool WebSystem_KeyDown(fw::TextField& c, const std::string& key);
  bool WebSystem_ConstructContextualMenu(fw::TextField& c, fw::MenuItem& base, int32_t x, int32_t y);
  bool WebSystem_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item);
  void UserNameTxt_TextChange(fw::TextField& c);
  bool UserNameTxt_KeyDown(fw::TextField& c, const std::string& key);
  void UserNameTxt_KeyUp(fw::TextField& c, const std::string& key);
  bool UserNameTxt_ConstructContextualMenu(fw::TextField& c, fw::MenuItem& base, int32_t x, int32_t y);
  bool UserNameTxt_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item);
  void PassWord_TextChange(fw::TextField& c);
  bool PassWord_KeyDown(fw::TextField& c, const std::string& key);
  void PassWord_KeyUp(fw::TextField& c, const std::string& key);
  void PassWord_LostFocus(fw::TextField& c);
  bool PassWord_ConstructContextualMenu(fw::TextField& c, fw::MenuItem& base, int32_t x, int32_t y);
  bool PassWord_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item);
  void Notes_TextChange(fw::TextArea& c);
  bool Notes_KeyDown(fw::TextArea& c, const std::string& key);
  void Notes_KeyUp(fw::TextArea& c, const std::string& key);
  bool Notes_ConstructContextualMenu(fw::TextArea& c, fw::MenuItem& base, int32_t x, int32_t y);
  bool Notes_ContextualMenuAction(fw::TextArea& c, fw::MenuItem& item);
  void ShowHideButton_Action(fw::BevelButton& c);
  void BevelButton1_Action(fw::BevelButton& c);
  void WebAddress_TextChange(fw::TextField& c);
  bool WebAddress_KeyDown(fw::TextField& c, const std::string& key);
  void WebAddress_KeyUp(fw::TextField& c, const std::string& key);
  void WebAddress_GotFocus(fw::TextField& c);
  bool WebAddress_ConstructContextualMenu(fw::TextField& c, fw::MenuItem& base, int32_t x, int32_t y);
  bool WebAddress_ContextualMenuAction(fw::TextField& c, fw::MenuItem& item);
  void BevelButton2_Action(fw::BevelButton& c);

  // 4. menu items, found by name in the window's menu bar
  fw::MenuItem& AboutMenu();
  fw::MenuItem& AboutAboutKestrion();
  fw::MenuItem& AboutHowToUse();
  fw::MenuItem& EditMenu();
  fw::MenuItem& EditSelectAll();
  fw::MenuItem& UntitledMenu0();
  fw::MenuItem& EditPaste();
  fw::MenuItem& EditCopy();
  fw::MenuItem& EditCut();
  fw::MenuItem& UntitledMenu1();
  fw::MenuItem& FileMenu();
  fw::MenuItem& FileUnLockProgram();
  fw::MenuItem& FileLockProgram();
  fw::MenuItem& FileExport();
  fw::MenuItem& FileShowAll();

  // 5. menu handler binding
  void AddMenuHandlers(fw::Window& w) override;

  // 6. window events
  void Event_Open() override;
  void Event_Close() override;
  void Event_Activate() override;

  // 7. menu commands
  bool _AboutHowToUse_Action();
  bool _AboutAboutKestrion_Action();
  bool _FileExport_Action();
  bool _FileShowAll_Action();
  bool _FileLockProgram_Action();
  bool _FileUnLockProgram_Action();

  // 8. methods
  void ExpandWindow();
  void ShrinkWindow();
  void FindRecord();
  void DeleteRecord();
  void AddNew();
  void Ding2();
  void AttentionSound();
  static std::string Encrypt(std::string s);
  static std::string Decrypt(std::string s);
  void SaveButtonAction();
  void GoBackAction();
  // Each tells the database's message when the database refuses the lock row
  // and answers whether the change is in the file.
  bool DeleteProgramLock();
  bool CreateProgramLock();
  // After a right security answer: removes the lock, as the message promised.
  // Done at the main window's activation, and at the latest when the run ends.
  void FinishLockReset();
  // The main window when it exists, without making one.
  static Window1* Existing();

  // 9. the program lock
  // The last step of Event_Open on every start but the first: looks for the
  // lock row and, when there is one, hides the book behind the unlock prompt.
  void StartupLockScan();
  // True while the book must stay closed: until the start-up scan has decided,
  // and while the unlock prompt asks.
  bool ProgramLocked() const;
  // The window is locked while the program is: none of its handlers runs.
  bool Locked() const override { return ProgramLocked(); }

  // 10. a damaged book
  // What the user is told of a book found damaged (`damage`: what the
  // database found), with the way to repair it.
  static std::string DamagedBook(const std::string& damage);
  // Why the database refused what was just asked of it, as the user is told
  // (the damage and its repair, or the database's own words); empty when it
  // refused nothing.
  static std::string DatabaseRefusal(fw::SqlDatabase& db);

 private:
  fw::MenuItem& MenuItemNamed(const char* name);
  void Refuse(const std::string& why);
  // The entry on display as the book held it when it was opened: its stored
  // values, for the UPDATE to tell whether the row was changed elsewhere since.
  void RememberOpenedRow(fw::RecordSet& rs);
  bool RowAsOpened(fw::RecordSet& rs);
  std::vector<std::string> opened_row_;
  bool lock_scan_done_ = false;
};

}  // namespace kestrion
