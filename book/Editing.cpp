// Adding, editing, saving and deleting entries; leaving an entry; closing.
//
// The save button is the editing state: its caption is the mode ("SAVE" a new
// entry, "UPDATE" an opened one) and its enabled flag means unsaved changes.
#include "app/Module1.h"
#include "app/Resources.h"
#include "book/Codec.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/EventLoop.h"
#include "framework/MsgBox.h"
#include "framework/Text.h"

namespace kestrion {

namespace {
constexpr int kSearchHeight = 86;
constexpr int kEntryHeight = 456;
const char* kLockKey = "Kestrion Program Lock";

// Every field text is stored trimmed and scrambled.
std::string Stored(const fw::TextControl& field) { return Window1::Encrypt(fw::Trim(field.Text())); }

// What the user is told of a refused write, before the database's own words:
// nothing of it reached the book, and nothing stored before was touched.
const char* const kNotSaved =
    "The changes were not stored: the password book is as it was before this save, and your edits are still on "
    "screen, so you can try again.";
const char* const kNotDeleted = "The entry was not deleted: the password book is as it was before.";

// A write the database refused: whatever the transaction still holds is
// undone (a commit that found the file locked leaves its rows pending, a full
// disk may leave part of them), so that the book stays as it was before the
// save and a second try starts clean; then the user is told, in the terms of
// what they did. False when all went well.
bool WriteFailed(Window1& w, const char* outcome = kNotSaved) {
  const std::string why = Window1::DatabaseRefusal(*w.PassDataBase);
  if (why.empty()) return false;
  w.PassDataBase->Rollback();
  w.AttentionSound();
  fw::MsgBox(outcome + fw::EndOfLine() + fw::EndOfLine() + why);
  return true;
}

// Every row of the book, or nil once the user has been told why it could not be read.
std::shared_ptr<fw::RecordSet> AllRows(Window1& w) {
  if (!w.PassDataBase) return nullptr;
  auto rs = w.PassDataBase->SQLSelect("select * from PassData", false);
  return WriteFailed(w) ? nullptr : rs;
}

// Refuses the save while a field holds what the book cannot store, naming the
// field by its label and moving the focus there. The password's character is
// not shown: the field is masked.
bool AllStorable(Window1& w) {
  struct Field {
    fw::TextControl& control;
    const char* label;
    bool secret;
  };
  const Field fields[] = {{w.WebSystem(), "Web Site or System", false},
                          {w.UserNameTxt(), "User Name", false},
                          {w.PassWord(), "Your Password", true},
                          {w.Notes(), "Notes", false},
                          {w.WebAddress(), "Web Address (URL)", false}};
  for (const Field& f : fields) {
    const std::string why =
        UnstorableTextMessage(fw::Trim(f.control.Text()), f.label, f.secret, "the entry was not saved", "An entry");
    if (why.empty()) continue;
    w.AttentionSound();
    fw::MsgBox(why);
    f.control.SetFocus();
    return false;
  }
  return true;
}

// Only the set-up window makes the program lock: an entry may not take the
// lock's name, in any letter case, blanks around it or not. The lock row
// itself, opened as such, keeps its name while its password is changed.
bool NamesTheLock(Window1& w) {
  if (!fw::Equals(fw::Trim(w.WebSystem().Text()), kLockKey)) return false;
  if (fw::Equals(w.SaveButton().Caption(), "UPDATE") && fw::Equals(Module1::UpdateSiteString, kLockKey)) return false;
  w.AttentionSound();
  fw::MsgBox(std::string("The name \"") + kLockKey + "\" belongs to the program lock, so the entry was not saved." +
             fw::EndOfLine() + fw::EndOfLine() +
             "Please give the entry another Web Site or System name. To lock the program, choose Lock Program... "
             "from the File menu.");
  w.WebSystem().SetFocus();
  return true;
}

// Save enabling, for every field: a change means unsaved changes, unless the
// site is blank.
void EnableSave(Window1& w) {
  w.SaveButton().SetEnabled(true);
  if (fw::Trim(w.WebSystem().Text()).empty()) w.SaveButton().SetEnabled(false);
}

// Swallows the characters of code 128 and above as they are typed.
bool Filtered(const std::string& key) { return fw::Asc(key) > 127; }

// The save prompt: True when the entry may be left (nothing to save, the
// user answered No, or the save stored it). A save that was refused keeps the
// entry on screen with its edits; the refusal has been told and the focus is
// where it sent it.
bool SavedOrDropped(Window1& w) {
  if (!w.SaveButton().Enabled()) return true;
  w.AttentionSound();
  Window1::Instance().SetHeight(kSearchHeight);
  Window1::Instance().Show();
  if (fw::MsgBox("Do you wish to save the changes you made?", 36, "") != 6) return true;
  w.SaveButtonAction();
  // A stored entry leaves the search view with the button disabled; any
  // refusal leaves it enabled, the mark of changes still unsaved.
  if (!w.SaveButton().Enabled()) return true;
  w.Listbox1().SetVisible(false);
  w.RoundRectangle2().SetVisible(true);
  Window1::Instance().SetHeight(kEntryHeight);
  return false;
}
}  // namespace

void Window1::AddNewPassword_Action(fw::BevelButton&) { AddNew(); }
void Window1::SaveButton_Action(fw::PushButton&) { SaveButtonAction(); }

void Window1::DeleteButton_Action(fw::PushButton&) {
  AttentionSound();
  Window1::Instance().SetVisible(false);
  if (fw::MsgBox("Are you sure you want to delete this record?", 36, "") == 6) {
    if (auto poof = _x_PoofSound::PoofSound()) {
      poof->SetVolume(15);
      poof->Play();
    }
    DeleteRecord();
  }
  Window1::Instance().SetVisible(true);
}

void Window1::CloseButton_Action(fw::PushButton&) {
  SearchText().SetText("");
  GoBackAction();
}

void Window1::WebSystem_TextChange(fw::TextField&) {
  EnableSave(*this);
  Window1::Instance().Show();
  Window1::Instance().Refresh(true);
  // The lock row: only its password may be changed here.
  const bool lock = fw::Equals(WebSystem().Text(), kLockKey);
  WebSystem().SetEnabled(!lock);
  UserNameTxt().SetEnabled(!lock);
  Notes().SetEnabled(!lock);
  WebAddress().SetEnabled(!lock);
  DeleteButton().SetEnabled(!lock);
}

void Window1::UserNameTxt_TextChange(fw::TextField&) { EnableSave(*this); }
void Window1::PassWord_TextChange(fw::TextField&) { EnableSave(*this); }
void Window1::Notes_TextChange(fw::TextArea&) { EnableSave(*this); }
void Window1::WebAddress_TextChange(fw::TextField&) { EnableSave(*this); }

bool Window1::WebSystem_KeyDown(fw::TextField&, const std::string& key) { return Filtered(key); }
bool Window1::UserNameTxt_KeyDown(fw::TextField&, const std::string& key) { return Filtered(key); }
bool Window1::PassWord_KeyDown(fw::TextField&, const std::string& key) { return Filtered(key); }
bool Window1::Notes_KeyDown(fw::TextArea&, const std::string& key) { return Filtered(key); }
bool Window1::WebAddress_KeyDown(fw::TextField&, const std::string& key) { return Filtered(key); }

// Esc leaves the entry at once, without the save prompt.
void Window1::WebSystem_KeyUp(fw::TextField&, const std::string& key) {
  if (key == fw::Chr(27)) ShrinkWindow();
}
void Window1::UserNameTxt_KeyUp(fw::TextField&, const std::string& key) {
  if (key == fw::Chr(27)) ShrinkWindow();
}
void Window1::PassWord_KeyUp(fw::TextField&, const std::string& key) {
  if (key == fw::Chr(27)) ShrinkWindow();
}
void Window1::Notes_KeyUp(fw::TextArea&, const std::string& key) {
  if (key == fw::Chr(27)) ShrinkWindow();
}
void Window1::WebAddress_KeyUp(fw::TextField&, const std::string& key) {
  if (key == fw::Chr(27)) ShrinkWindow();
}

void Window1::AddNew() {
  Listbox1().SetVisible(false);
  SearchText().SetText("");
  WebSystem().SetText("");
  UserNameTxt().SetText("");
  ClipInfo().SetVisible(false);
  PassWord().SetText("");
  Notes().SetText("");
  WebAddress().SetText("http://www.");
  SaveButton().SetCaption("SAVE");
  // After the texts, whose changes enabled it.
  SaveButton().SetEnabled(false);
  ExpandWindow();
}

void Window1::SaveButtonAction() {
  if (WebSystem().Text().empty()) {
    AttentionSound();
    fw::MsgBox("The Web/System name cannot be blank.");
    WebSystem().SetFocus();
    return;
  }
  if (PassWord().Text().empty()) {
    AttentionSound();
    fw::MsgBox("The Password field cannot be blank.");
    PassWord().SetFocus();
    return;
  }
  if (NamesTheLock(*this)) return;
  if (!AllStorable(*this)) return;
  // A save reads the rows and writes under one write lock of the book, so
  // that no other copy's save can come between the look (for a duplicate, at
  // the entry as it was opened) and the write.
  if (PassDataBase) {
    PassDataBase->SQLExecute("BEGIN IMMEDIATE");
    if (WriteFailed(*this)) return;
  }
  auto rs = AllRows(*this);
  if (!rs) return;

  if (fw::Equals(SaveButton().Caption(), "SAVE")) {
    // A stored entry of the same name, in any letter case, refuses the new one.
    while (!rs->Eof() && !fw::Equals(fw::Trim(WebSystem().Text()), Decrypt(rs->Field("Site")))) {
      rs->MoveNext();
      fw::Yield();
    }
    if (fw::Equals(fw::Trim(WebSystem().Text()), Decrypt(rs->Field("Site")))) {
      PassDataBase->Rollback();
      AttentionSound();
      fw::MsgBox("Duplicate Item" + fw::EndOfLine() + fw::EndOfLine() +
                 "You already have an item like this in the database.  You can only have one item with the same "
                 "Web Site/System name");
      WebSystem().SetFocus();
      return;
    }
    fw::DatabaseRecord rec;
    rec.Column("Site", Stored(WebSystem()));
    rec.Column("UserName", Stored(UserNameTxt()));
    rec.Column("PassWord", Stored(PassWord()));
    rec.Column("Notes", Stored(Notes()));
    rec.Column("WebAddress", Stored(WebAddress()));
    PassDataBase->InsertRecord("PassData", rec);
    if (WriteFailed(*this)) return;
    PassDataBase->Commit();
    if (WriteFailed(*this)) return;
    ShrinkWindow();
    SaveButton().SetEnabled(false);
  }

  if (fw::Equals(SaveButton().Caption(), "UPDATE")) {
    rs->Edit();
    if (WriteFailed(*this)) return;
    // The opened entry's row, by the whole name remembered when it opened, letter
    // for letter: a name that only contains it, or differs in letter case, is
    // another entry's.
    while (!rs->Eof() && Decrypt(rs->Field("Site")) != Module1::UpdateSiteString) {
      rs->MoveNext();
      fw::Yield();
    }
    // Gone, or changed by another copy of the program since it was opened:
    // writing now would silently undo the other save. Nothing is written, and
    // the edits stay on screen.
    std::string refusal;
    if (rs->Eof()) {
      refusal = "The entry \"" + Module1::UpdateSiteString +
                "\" is no longer in the database, so the changes were not saved.";
    } else if (!RowAsOpened(*rs)) {
      refusal = "The entry \"" + Module1::UpdateSiteString +
                "\" was changed elsewhere since it was opened, so the changes were not saved." + fw::EndOfLine() +
                fw::EndOfLine() +
                "Your changes are still on screen. To see the entry as it is stored now, go back to the search "
                "and open it again.";
    }
    if (!refusal.empty()) {
      PassDataBase->Rollback();
      AttentionSound();
      fw::MsgBox(refusal);
      return;
    }
    rs->Field("Site").SetStringValue(Stored(WebSystem()));
    rs->Field("UserName").SetStringValue(Stored(UserNameTxt()));
    rs->Field("PassWord").SetStringValue(Stored(PassWord()));
    rs->Field("Notes").SetStringValue(Stored(Notes()));
    rs->Field("WebAddress").SetStringValue(Stored(WebAddress()));
    rs->Update();
    if (WriteFailed(*this)) return;
    PassDataBase->Commit();
    if (WriteFailed(*this)) return;
    rs->Close();
    SearchText().SetText("");
    ShrinkWindow();
  }
}

namespace {
const char* const kColumns[] = {"Site", "UserName", "PassWord", "Notes", "WebAddress"};
}  // namespace

void Window1::RememberOpenedRow(fw::RecordSet& rs) {
  opened_row_.clear();
  for (const char* column : kColumns) opened_row_.push_back(rs.Field(column).StringValue());
}

bool Window1::RowAsOpened(fw::RecordSet& rs) {
  if (opened_row_.size() != std::size(kColumns)) return false;
  for (std::size_t i = 0; i < opened_row_.size(); ++i)
    if (rs.Field(kColumns[i]).StringValue() != opened_row_[i]) return false;
  return true;
}

void Window1::DeleteRecord() {
  // The entry that was opened, by the name remembered then: the site field may
  // have been edited since. A new entry is not stored yet; leaving it is all
  // there is to do.
  if (fw::Equals(SaveButton().Caption(), "UPDATE") && PassDataBase) {
    auto rs = PassDataBase->SQLSelect(
        "select * from PassData where Site = '" + Encrypt(Module1::UpdateSiteString) + "'", false);
    if (WriteFailed(*this, kNotDeleted)) return;
    rs->DeleteRecord();
    if (WriteFailed(*this, kNotDeleted)) return;
    PassDataBase->Commit();
    if (WriteFailed(*this, kNotDeleted)) return;
  }
  ShrinkWindow();
}

void Window1::GoBackAction() {
  if (SavedOrDropped(*this)) ShrinkWindow();
}

void Window1::Event_Close() {
  if (!SavedOrDropped(*this)) {
    // The entry could not be stored: the window stays, and so does the program.
    CancelClose();
    return;
  }
  ShrinkWindow();
  // Closed before it was ever activated, the book still loses the lock that a
  // right security answer removed.
  FinishLockReset();
  fw::Clipboard c;
  if (Module1::ClearClipBoard == 1) c.SetText("");
  fw::Quit(0);
}

}  // namespace kestrion
