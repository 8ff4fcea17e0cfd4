// Opening the password database when the main window opens.
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/FolderItem.h"
#include "framework/MsgBox.h"
#include "framework/SpecialFolder.h"

namespace kestrion {

namespace {
const char* kCreateTable =
    "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
    "WebAddress VarChar)";

// Looked up afresh, by name, at each use.
std::shared_ptr<fw::FolderItem> DataFolder() { return fw::SpecialFolder::ApplicationData()->Child("Kestrion"); }
std::shared_ptr<fw::FolderItem> DatabaseFile() { return DataFolder()->Child("PassDataBaseURL.rsd"); }

// The database's message, with what the user can do when another program
// holds the book.
std::string OpenFailure(fw::SqlDatabase& db) {
  if (!db.ErrorIsBusy()) return db.ErrorMessage();
  return "Another program is using the password book, so Kestrion cannot open it. Close that program, then "
         "start Kestrion again.\n\n" +
         db.ErrorMessage();
}

// Why the opened file cannot serve as the book: "" when its table, with every
// column the program reads and writes, is there. Nothing is written.
std::string NotABook(fw::SqlDatabase& db) {
  db.SQLSelect("select Site, PassWord, Notes, UserName, WebAddress from PassData where 0");
  if (!db.Error()) return {};
  if (db.ErrorIsBusy()) return OpenFailure(db);
  return "Kestrion cannot use the file \"" + DatabaseFile()->NativePath() +
         "\": it is an SQLite database, but not a Kestrion password book (" + db.ErrorMessage() +
         ").\n\nThe file was left as it is.";
}
// A book that a first start made but did not finish: the file stands, still
// empty, without its table (the run ended between the two). It holds nothing
// anyone wrote, so the table is made now. A database with anything in it, or
// marked by another program, is not this.
bool UnfinishedBook(fw::SqlDatabase& db) {
  auto rs = db.SQLSelect(
      "select (select count(*) from sqlite_master) as Things, (select user_version from pragma_user_version) as "
      "Version");
  return !db.Error() && rs->Field("Things").StringValue() == "0" && rs->Field("Version").StringValue() == "0";
}
// The book is the user's alone. A folder or book of another user is refused
// before anything is changed; the user's own are made readable by the user
// only (a backup restored, or another tool, may have opened them to others)
// before anything in them is read. "" when all is well.
std::string NotTheUsersAlone() {
  struct Item {
    std::shared_ptr<fw::FolderItem> item;
    const char* what;
  };
  const Item items[] = {{DataFolder(), "folder"}, {DatabaseFile(), "password book"}};
  for (const Item& i : items) {
    if (!i.item->Exists() || i.item->OwnedByUser()) continue;
    const std::string path = i.item->NativePath();
    return "Kestrion cannot use the " + std::string(i.what) + " \"" + path +
           "\": it belongs to another user, so the passwords in it would not be yours alone. Nothing was "
           "changed.\n\nIf it is yours (restored from a backup, for example), make it your own again, for example "
           "with\n    sudo chown -R \"$USER\" \"" +
           path + "\"\nthen start Kestrion again.";
  }
  for (const Item& i : items) {
    std::string why;
    if (!i.item->Exists() || i.item->MakePrivate(&why)) continue;
    return "Kestrion cannot make the " + std::string(i.what) + " \"" + i.item->NativePath() +
           "\" readable by you only (" + why + "), so it was not opened.";
  }
  return {};
}
}  // namespace

void Window1::Event_Open() {
  // When the folder cannot be made, the file's creation below fails and says why.
  if (!DataFolder()->Exists()) DataFolder()->CreateAsFolder();
  if (const std::string refusal = NotTheUsersAlone(); !refusal.empty()) {
    Refuse(refusal);
    return;
  }

  // First start: a new file with the table, and no lock to look for.
  std::string creation_failure;
  if (!DatabaseFile()->Exists()) {
    PassDataBase = std::make_shared<fw::SqlDatabase>();
    PassDataBase->SetDatabaseFile(DatabaseFile());
    if (PassDataBase->CreateDatabaseFile() && PassDataBase->Connect()) {
      PassDataBase->SQLExecute(kCreateTable);
      PassDataBase->Commit();
      if (PassDataBase->Error()) fw::MsgBox(PassDataBase->ErrorMessage());
      Ding2();
      // A new book has no lock.
      lock_scan_done_ = true;
      return;
    }
    // Another copy of the program may have made the file meanwhile: it is
    // opened below. If there is still no file, this is why.
    creation_failure = PassDataBase->ErrorMessage();
  }

  // Every other start, and a first start whose creation failed.
  PassDataBase = std::make_shared<fw::SqlDatabase>();
  PassDataBase->SetDatabaseFile(DatabaseFile());
  const bool connected = PassDataBase->Connect();
  // The user closed the window while the book was waited for: nothing to say.
  if (fw::QuitRequested()) return;
  std::string refusal;
  if (!connected) {
    refusal = !creation_failure.empty() && !DatabaseFile()->Exists() ? creation_failure : OpenFailure(*PassDataBase);
  } else {
    refusal = NotABook(*PassDataBase);
    if (!refusal.empty() && UnfinishedBook(*PassDataBase)) {
      PassDataBase->SQLExecute(kCreateTable);
      PassDataBase->Commit();
      refusal = PassDataBase->Error() ? PassDataBase->ErrorMessage() : NotABook(*PassDataBase);
    }
  }
  if (!refusal.empty()) {
    Refuse(refusal);
    return;
  }
  Ding2();
  // A damaged book opens like any other, and its first save would fail. The
  // whole file is looked over meanwhile, off the user's way: on a large book
  // that takes longer than the whole start. The user hears of damage as soon
  // as it is found, before typing in work that could not be stored; from then
  // on nothing is written into the file, so that it stays as it is for its
  // repair.
  PassDataBase->CheckForDamage([](const std::string& damage) {
    if (damage.empty()) return;
    Window1& w = Window1::Instance();
    w.AttentionSound();
    fw::MsgBox(DamagedBook(damage));
  });

  // The last step of every start but the first: is the book locked?
  StartupLockScan();
}

std::string Window1::DamagedBook(const std::string& damage) {
  const std::string folder = DataFolder()->NativePath();
  return "The password book \"" + DatabaseFile()->NativePath() +
         "\" is damaged. Kestrion writes nothing more into it, so that it stays as it is for its repair: the "
         "entries that can still be read can be found and exported, but no change can be stored.\n\nTo repair it, "
         "quit Kestrion and type in a terminal (the sqlite3 tool comes with the package sqlite3):\n    cd \"" +
         folder +
         "\"\n    mv PassDataBaseURL.rsd PassDataBaseURL.rsd.damaged\n    sqlite3 PassDataBaseURL.rsd.damaged .dump | "
         "sqlite3 PassDataBaseURL.rsd\nthen start Kestrion again and look over your entries. Keep the damaged file "
         "until you are sure that nothing is missing.\n\nWhat was found: " +
         damage;
}

std::string Window1::DatabaseRefusal(fw::SqlDatabase& db) {
  if (!db.Error()) return {};
  return db.ErrorIsDamage() ? DamagedBook(db.ErrorMessage()) : "The database said: " + db.ErrorMessage();
}

// Without its book the program can do nothing: it says why, leaves the file
// untouched and stops.
void Window1::Refuse(const std::string& why) {
  fw::MsgBox(why);
  PassDataBase = nullptr;
  SetVisible(false);
  fw::Quit(1);
}

}  // namespace kestrion
