// Opening the password database when the main window opens.
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/SpecialFolder.h"
#include "framework/MsgBox.h"

namespace kestrion {

namespace {
const char* kCreateTable =
    "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
    "WebAddress VarChar)";

// Looked up afresh, by name, at each use.
std::shared_ptr<fw::FolderItem> DataFolder() { return fw::SpecialFolder::ApplicationData()->Child("Kestrion"); }
std::shared_ptr<fw::FolderItem> DatabaseFile() { return DataFolder()->Child("PassDataBaseURL.rsd"); }
}  // namespace

void Window1::Event_Open() {
  if (!DataFolder()->Exists()) DataFolder()->CreateAsFolder();

  // First start: a new file with the table, and no lock to look for.
  if (!DatabaseFile()->Exists()) {
    PassDataBase = std::make_shared<fw::SqlDatabase>();
    PassDataBase->SetDatabaseFile(DatabaseFile());
    if (PassDataBase->CreateDatabaseFile() && PassDataBase->Connect()) {
      PassDataBase->SQLExecute(kCreateTable);
      PassDataBase->Commit();
      if (PassDataBase->Error()) fw::MsgBox(PassDataBase->ErrorMessage());
      Ding2();
      return;
    }
  }

  PassDataBase = std::make_shared<fw::SqlDatabase>();
  PassDataBase->SetDatabaseFile(DatabaseFile());
  const bool connected = PassDataBase->Connect();
  if (connected) Ding2();
  if (PassDataBase->Error()) fw::MsgBox(PassDataBase->ErrorMessage());
  if (!connected) {
    // Without its table the book can do nothing: leave the file untouched and stop.
    PassDataBase = nullptr;
    SetVisible(false);
    fw::Quit(1);
    return;
  }
  StartupLockScan();
}

}  // namespace kestrion
