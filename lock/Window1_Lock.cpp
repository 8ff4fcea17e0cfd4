// The main window's lock members: the lock row in the book's own table, the
// scan that looks for it at start-up, its removal after a right security
// answer, and the File menu's "Lock Program..." and "UnLock Program...".
#include <memory>
#include <string>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/EventLoop.h"
#include "framework/MsgBox.h"
#include "framework/Text.h"
#include "info/Window2.h"
#include "info/Window3.h"
#include "lock/Window4.h"
#include "lock/Window5.h"

namespace kestrion {

namespace {

// The site name of the lock row. The row is an ordinary entry, scrambled like
// any other, so it is found by decoding the site names.
const char* const kLockKey = "Kestrion Program Lock";

// The lock row is the row whose decoded site name equals the key (in any
// letter case); an entry whose name only contains the key is not one.
bool IsLockRow(fw::RecordSet& rs) { return fw::Equals(Window1::Decrypt(rs.Field("Site").StringValue()), kLockKey); }

// What a lock or an unlock that the book refused tells the user: what did
// not happen, that the book is as it was, and why.
const char* const kLockNotMade =
    "The program was not locked: the password book is as it was before, and what you typed is still there, so you "
    "can try again.";
const char* const kLockNotRemoved =
    "The lock was not removed: the password book is as it was before, and the program stays locked.";

// Moves the set onto the first lock row at or after where it stands, or to its end.
void SeekLockRow(fw::RecordSet& rs) {
  while (!rs.Eof() && !IsLockRow(rs)) {
    rs.MoveNext();
    fw::Yield();
  }
}

bool LockRowInFile(fw::SqlDatabase& db) {
  auto rs = db.SQLSelect("select * from PassData", false);
  rs->MoveFirst();
  SeekLockRow(*rs);
  return !rs->Eof();
}

}  // namespace

bool Window1::ProgramLocked() const { return !lock_scan_done_ || Window5::Asking(); }

void Window1::StartupLockScan() {
  if (!PassDataBase) return;
  auto rs = PassDataBase->SQLSelect("select * from PassData", false);
  rs->MoveFirst();
  SeekLockRow(*rs);
  if (!rs->Eof()) {
    FileLockProgram().SetAutoEnable(false);
    Module1::GatemarkSQ = Decrypt(rs->Field("UserName").StringValue());
    Module1::GatemarkPW = Decrypt(rs->Field("PassWord").StringValue());
    Module1::GatemarkSA = Decrypt(rs->Field("Notes").StringValue());
    Window1::Instance().SetVisible(false);
    // From here on the prompt keeps the book closed.
    Window5::Instance().SetVisible(true);
  } else {
    FileUnLockProgram().SetAutoEnable(false);
  }
  lock_scan_done_ = true;
}

bool Window1::CreateProgramLock() {
  if (Module1::GatemarkPW.empty() || !Module1::GatemarkCreate) return false;
  fw::DatabaseRecord rec;
  rec.Column("Site", Encrypt(kLockKey));
  rec.Column("UserName", Encrypt(fw::Trim(Module1::GatemarkSQ)));
  rec.Column("PassWord", Encrypt(fw::Trim(Module1::GatemarkPW)));
  rec.Column("Notes", Encrypt(fw::Trim(Module1::GatemarkSA)));
  PassDataBase->InsertRecord("PassData", rec);
  std::string refused = DatabaseRefusal(*PassDataBase);
  PassDataBase->Commit();
  if (refused.empty()) refused = DatabaseRefusal(*PassDataBase);
  Module1::GatemarkCreate = false;
  if (refused.empty()) return true;

  // The lock is not made: nothing of it stays pending for a later Commit
  // (one that found the book held by another program leaves it so); say why,
  // and let the menu follow what the file holds.
  PassDataBase->Rollback();
  fw::MsgBox(kLockNotMade + fw::EndOfLine() + fw::EndOfLine() + refused);
  const bool locked = LockRowInFile(*PassDataBase);
  FileLockProgram().SetAutoEnable(!locked);
  FileUnLockProgram().SetAutoEnable(locked);
  return false;
}

bool Window1::DeleteProgramLock() {
  // Every row that the start-up scan would take for the lock goes, whatever
  // the letter case of its name.
  auto rs = PassDataBase->SQLSelect("select * from PassData", false);
  rs->MoveFirst();
  std::string refused;
  for (SeekLockRow(*rs); !rs->Eof(); SeekLockRow(*rs)) {
    rs->DeleteRecord();
    refused = DatabaseRefusal(*PassDataBase);
    if (!refused.empty()) break;
    rs->MoveNext();
  }
  PassDataBase->Commit();
  if (refused.empty()) refused = DatabaseRefusal(*PassDataBase);
  if (refused.empty()) {
    FileLockProgram().SetAutoEnable(true);
    return true;
  }

  PassDataBase->Rollback();
  fw::MsgBox(kLockNotRemoved + fw::EndOfLine() + fw::EndOfLine() + refused);
  const bool locked = LockRowInFile(*PassDataBase);
  FileLockProgram().SetAutoEnable(!locked);
  FileUnLockProgram().SetAutoEnable(locked);
  return false;
}

void Window1::Event_Activate() { FinishLockReset(); }

void Window1::FinishLockReset() {
  if (!Module1::GatemarkRESET) return;
  // The security answer was right: the lock goes now that the book is open.
  Module1::GatemarkRESET = false;
  if (DeleteProgramLock()) FileUnLockProgram().SetAutoEnable(false);
}

Window1* Window1::Existing() { return dynamic_cast<Window1*>(fw::GetImplicitWindow("Window1.Window1")); }

bool Window1::_FileLockProgram_Action() {
  // The guide made here stays silent.
  Module1::NoPlay = true;
  Window2::Instance().SetVisible(false);
  Window3::Instance().SetVisible(false);
  Window4::Instance().SetVisible(true);
  return true;
}

bool Window1::_FileUnLockProgram_Action() {
  AttentionSound();
  if (fw::MsgBox("Do you wish to UN-LOCK the Kestrion program so that no password is required to run the program",
                 36, "") != 6)
    return true;
  if (DeleteProgramLock()) {
    FileUnLockProgram().SetAutoEnable(false);
    Module1::GatemarkCreate = false;
    fw::MsgBox("The Kestrion program has been unlocked.  Password is not required to run the program.");
  }
  return true;
}

}  // namespace kestrion
