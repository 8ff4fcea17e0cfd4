#pragma once
// What the program-lock tests share: runs one after another on the same data
// folder, the lock row and the entries as the file holds them (read over a
// connection of the test's own), the lock windows without making them, and
// the messages of the lock as the user reads them.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Window.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"
#include "lock/Window4.h"
#include "lock/Window5.h"
#include "tests/support/Program.h"

namespace kestrion::locktest {

inline const std::string kLockKey = "Kestrion Program Lock";

// The lock's messages, exactly as shown.
inline const std::string kAllFields = "All Fields Must Be Filled in Before a Program Lock Can Be Created.";
inline const std::string kNoMatch = "The two passwords entered do not match, try again.";
inline const std::string kLocked =
    "Kestrion Program has been locked.  The password you created will be required to run the program.  If you "
    "wish to unlock in the future select UNLOCK PROGRAM from the FILE menu.";
inline const std::string kUnlockQuestion =
    "Do you wish to UN-LOCK the Kestrion program so that no password is required to run the program";
inline const std::string kUnlocked =
    "The Kestrion program has been unlocked.  Password is not required to run the program.";
inline const std::string kResetQuestion =
    "If you forgot your password and need to reset it you must answer the security question correctly.           "
    "DO YOU WISH TO RESET YOUR PASSWORD?";
inline const std::string kInvalidPassword = "Invalid Password, Try Again";
inline const std::string kPasswordShutDown = "Incorrect Password, Access Denied.  Kestrion is shutting down.";
inline const std::string kInvalidAnswer = "Invalid Security Question Answer, Try Again";
inline const std::string kAnswerShutDown = "Access Denied, Kestrion is shutting down.";
inline const std::string kAnswerAccepted =
    "Your Gatemark program has been Unlocked and the password deleted.  No password is required to run "
    "Kestrion!  If you wish to create a new lock, then choose LOCK PROGRAM from the FILE menu.";

constexpr int kYes = 6;
constexpr int kNo = 7;

struct Lock {
  std::string question, password, answer;
};

// The lock row as the program writes it: the key, the question in UserName,
// the password, the answer in Notes, no web address.
inline void MakeBook(std::vector<test::Row> rows, const std::optional<Lock>& lock = std::nullopt) {
  test::MakeDatabase(rows);
  if (!lock) return;
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(test::DatabasePath());
  ASSERT_TRUE(db.Connect()) << db.ErrorMessage();
  fw::DatabaseRecord rec;
  rec.Column("Site", Window1::Encrypt(kLockKey));
  rec.Column("UserName", Window1::Encrypt(lock->question));
  rec.Column("PassWord", Window1::Encrypt(lock->password));
  rec.Column("Notes", Window1::Encrypt(lock->answer));
  db.InsertRecord("PassData", rec);
  ASSERT_FALSE(db.Error()) << db.ErrorMessage();
  db.Commit();
}

struct StoredRow {
  std::string site, user, password, notes, address;
  bool address_set = false;
  std::string raw_site;
};

// Every row of the file, decoded, in the order the file gives them.
inline std::vector<StoredRow> StoredRows() {
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(test::DatabasePath());
  std::vector<StoredRow> rows;
  if (!db.Connect()) {
    ADD_FAILURE() << "the book cannot be read: " << db.ErrorMessage();
    return rows;
  }
  auto rs = db.SQLSelect(
      "select Site, UserName, PassWord, Notes, WebAddress, WebAddress is not null as HasAddress from PassData");
  for (; !rs->Eof(); rs->MoveNext()) {
    StoredRow r;
    r.raw_site = rs->Field("Site").StringValue();
    r.site = Window1::Decrypt(r.raw_site);
    r.user = Window1::Decrypt(rs->Field("UserName").StringValue());
    r.password = Window1::Decrypt(rs->Field("PassWord").StringValue());
    r.notes = Window1::Decrypt(rs->Field("Notes").StringValue());
    r.address = Window1::Decrypt(rs->Field("WebAddress").StringValue());
    r.address_set = rs->Field("HasAddress").StringValue() == "1";
    rows.push_back(r);
  }
  return rows;
}

// The lock row the program wrote (its site exactly the scrambled key).
inline std::optional<StoredRow> StoredLock() {
  for (const StoredRow& r : StoredRows())
    if (r.raw_site == Window1::Encrypt(kLockKey)) return r;
  return std::nullopt;
}

// A new run on the same data folder, as when the user starts the program again.
inline Window1& Start() {
  static int argc = 1;
  static char name[] = "kestrion";
  static char* argv[] = {name, nullptr};
  fw::RuntimeInit(argc, argv);  // a quit of the run before is forgotten
  fw::testing::ClearShownBoxes();
  return test::StartProgram();
}
inline int Stop() { return test::StopProgram(); }

// The lock windows, without making them.
inline Window4* SetUpWindow() { return static_cast<Window4*>(fw::GetImplicitWindow("Window4.Window4")); }
inline Window5* Prompt() { return static_cast<Window5*>(fw::GetImplicitWindow("Window5.Window5")); }
inline bool OnScreen(fw::Window* w) { return w && fw::testing::IsOnScreen(*w); }

inline std::vector<std::string> BoxTexts() {
  std::vector<std::string> t;
  for (const auto& b : fw::testing::ShownBoxes()) t.push_back(b.text);
  return t;
}

// File > "Lock Program...", the four fields typed, "Lock Program Now".
inline void LockThroughTheMenu(Window1& w, const std::string& pw1, const std::string& pw2, const std::string& q,
                               const std::string& a) {
  ASSERT_TRUE(fw::testing::ChooseMenuItem(w, "FileLockProgram"));
  Window4* s = SetUpWindow();
  ASSERT_NE(s, nullptr);
  fw::testing::TypeText(s->GatemarkText1(), pw1);
  fw::testing::TypeText(s->GatemarkText2(), pw2);
  fw::testing::TypeText(s->SecurityQtext(), q);
  fw::testing::TypeText(s->SecurityAtext(), a);
  fw::testing::Click(s->LockProgramNow());
  fw::testing::ProcessEvents();
}

// The password typed into the prompt and sent with Return.
inline void GivePassword(const std::string& pw) {
  ASSERT_NE(Prompt(), nullptr);
  fw::testing::TypeText(Prompt()->TextField1(), pw);
  fw::testing::PressKey(Prompt()->TextField1(), fw::testing::Key::Return);
  fw::testing::ProcessEvents();
}
inline void GiveAnswer(const std::string& answer) {
  ASSERT_NE(Prompt(), nullptr);
  fw::testing::TypeText(Prompt()->TextField2(), answer);
  fw::testing::PressKey(Prompt()->TextField2(), fw::testing::Key::Return);
  fw::testing::ProcessEvents();
}
// "I forgot my password", answered.
inline void ForgotPassword(int answer) {
  ASSERT_NE(Prompt(), nullptr);
  fw::testing::QueueAnswers({answer});
  fw::testing::Click(Prompt()->Label2());
  fw::testing::ProcessEvents();
}

// The book's disk refuses to take more while the object lives: every write
// of the program fails with the database's own message, reads go on.
class DiskRefusesWrites {
 public:
  DiskRefusesWrites() {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit none = saved_;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);
  }
  ~DiskRefusesWrites() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

// The book's folder made read-only while the object lives (only a user that
// is not root is held to it).
class FolderReadOnly {
 public:
  FolderReadOnly() { chmod(test::DataFolderPath().c_str(), 0500); }
  ~FolderReadOnly() { chmod(test::DataFolderPath().c_str(), 0700); }
  static bool Holds() { return geteuid() != 0; }
};

}  // namespace kestrion::locktest

namespace fw::testing {
inline void PrintTo(const Place& p, std::ostream* os) {
  *os << p.left << "," << p.top << " " << p.width << "x" << p.height;
}
}  // namespace fw::testing
