// The lock row across runs on the same book: made by "Lock Program Now", found
// by the start-up scan, kept after a right password, removed by "UnLock
// Program..." and after a right security answer; the two File menu items that
// follow it; entries whose names only look like the lock; and writes of the
// lock row that the database refuses.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <csignal>
#include <stdexcept>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "LockFixture.h"
#include "framework/database/DatabaseSeams.h"
#include "framework/testing/EventLog.h"
#include "info/Window2.h"
#include "info/Window3.h"

namespace kestrion {
namespace {

using namespace locktest;
using fw::testing::ChooseMenuItem;
using fw::testing::MenuItemEnabledOnScreen;

struct Items {
  bool lock, unlock;
  bool operator==(const Items&) const = default;
};
void PrintTo(const Items& i, std::ostream* os) {
  *os << "Lock Program " << (i.lock ? "on" : "off") << ", UnLock Program " << (i.unlock ? "on" : "off");
}
// As the File menu shows them.
Items MenuItems(Window1& w) {
  return {MenuItemEnabledOnScreen(w, "FileLockProgram"), MenuItemEnabledOnScreen(w, "FileUnLockProgram")};
}
const Items kFirstStartItems{true, true}, kUnlockedItems{true, false}, kLockedItems{false, true};

bool Has(const std::string& text) {
  const auto t = BoxTexts();
  return std::find(t.begin(), t.end(), text) != t.end();
}

TEST(LockRow, ALockLivesInTheFileFromLockingToTheSecurityAnswer) {
  // First start: no book yet, both items on, the book in its search view.
  {
    Window1& w = Start();
    EXPECT_EQ(MenuItems(w), kFirstStartItems);
    EXPECT_TRUE(OnScreen(&w));
    EXPECT_EQ(Prompt(), nullptr);
    LockThroughTheMenu(w, "  Open Sesame ", "  Open Sesame ", " Pet's name? ", " Rex ");
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{kLocked});
    EXPECT_EQ(MenuItems(w), kLockedItems);
    EXPECT_TRUE(OnScreen(&w));  // the book stays open until the program ends
    EXPECT_EQ(Stop(), 0);
  }
  // The file holds the lock as an entry: scrambled, trimmed, no web address.
  {
    auto lock = StoredLock();
    ASSERT_TRUE(lock);
    EXPECT_EQ(lock->user, "Pet's name?");
    EXPECT_EQ(lock->password, "Open Sesame");
    EXPECT_EQ(lock->notes, "Rex");
    EXPECT_FALSE(lock->address_set);
    EXPECT_EQ(StoredRows().size(), 1u);
  }
  // Next start: only the prompt; the right password opens the book and keeps the lock.
  {
    Window1& w = Start();
    ASSERT_TRUE(OnScreen(Prompt()));
    EXPECT_FALSE(OnScreen(&w));
    EXPECT_EQ(MenuItems(w), kLockedItems);
    EXPECT_EQ(Module1::GatemarkSQ, "Pet's name?");
    EXPECT_EQ(Module1::GatemarkPW, "Open Sesame");
    EXPECT_EQ(Module1::GatemarkSA, "Rex");
    GivePassword("open sesame");
    EXPECT_TRUE(OnScreen(&w));
    EXPECT_FALSE(OnScreen(Prompt()));
    EXPECT_EQ(Module1::GatemarkPW, "");
    // However often the book is activated, a right password removes nothing.
    for (int i = 0; i < 3; ++i) {
      w.Event_Activate();
      fw::testing::ProcessEvents();
    }
    EXPECT_TRUE(StoredLock());
    EXPECT_EQ(MenuItems(w), kLockedItems);
    EXPECT_EQ(Stop(), 0);
  }
  // Still locked; the security answer removes the lock once the book is active.
  {
    Window1& w = Start();
    ASSERT_TRUE(OnScreen(Prompt()));
    ForgotPassword(kYes);
    GiveAnswer("REX");
    EXPECT_TRUE(Has(kAnswerAccepted));
    EXPECT_TRUE(OnScreen(&w));
    fw::testing::ProcessEvents();
    EXPECT_FALSE(Module1::GatemarkRESET) << "the book was never activated";
    EXPECT_FALSE(StoredLock());
    EXPECT_EQ(MenuItems(w), kUnlockedItems);
    EXPECT_EQ(Stop(), 0);
  }
  // Unlocked from now on.
  {
    Window1& w = Start();
    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_TRUE(OnScreen(&w));
    EXPECT_EQ(MenuItems(w), kUnlockedItems);
    EXPECT_EQ(Stop(), 0);
  }
}

// --- the lock removed by a right security answer, however the run ends ---------

// Holds back the main window's activation, as a window manager may (the run
// ends while the message is still up, or the window is never given the focus).
class NoActivationOfTheBook : public QObject {
 public:
  NoActivationOfTheBook() { qApp->installEventFilter(this); }
  ~NoActivationOfTheBook() override { qApp->removeEventFilter(this); }
  int held = 0;
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* w = qobject_cast<QWidget*>(o);
    if (e->type() != QEvent::WindowActivate || !w || w->windowTitle() != "Kestrion V1.2") return false;
    ++held;
    return true;
  }
};

enum class Ending { CloseBox, Quit, Terminate, Interrupt, ErrorReport };
struct EndingCase {
  const char* name;
  Ending ending;
  int code;
};
void PrintTo(const EndingCase& c, std::ostream* os) { *os << c.name; }

class AnswerThenEnd : public ::testing::TestWithParam<EndingCase> {};

TEST_P(AnswerThenEnd, TheLockIsGoneWhenTheRunEndsBeforeTheBookIsActivated) {
  const EndingCase& c = GetParam();
  MakeBook({{"Bank", "me", "b4nk", "", ""}}, Lock{"Q", "pw", "A"});
  NoActivationOfTheBook held;
  bool asked_reset = false, kept_until_the_end = false;
  const int code = test::RunProgram([&] {
    ForgotPassword(kYes);
    GiveAnswer("a");
    asked_reset = Module1::GatemarkRESET;
    // Without the activation the row stays until the run ends.
    kept_until_the_end = StoredLock().has_value();
    switch (c.ending) {
      case Ending::CloseBox: fw::testing::ClickCloseBox(Window1::Instance()); break;
      case Ending::Quit: fw::Quit(0); break;
      case Ending::Terminate: std::raise(SIGTERM); break;
      case Ending::Interrupt: std::raise(SIGINT); break;
      case Ending::ErrorReport:
        QTimer::singleShot(0, [] { throw std::runtime_error("something broke"); });
        break;
    }
  });
  ASSERT_TRUE(asked_reset) << "the answer was not taken";
  EXPECT_TRUE(kept_until_the_end);
  EXPECT_TRUE(Has(kAnswerAccepted));
  EXPECT_EQ(code, c.code);
  EXPECT_FALSE(StoredLock());
  EXPECT_EQ(StoredRows().size(), 1u) << "the entries stay";
  EXPECT_FALSE(Module1::GatemarkRESET);
  // The next start opens the book without asking.
  Start();
  EXPECT_EQ(Prompt(), nullptr);
  EXPECT_TRUE(OnScreen(&Window1::Instance()));
  Stop();
}

INSTANTIATE_TEST_SUITE_P(Endings, AnswerThenEnd,
                         ::testing::Values(EndingCase{"MainWindowClosed", Ending::CloseBox, 0},
                                           EndingCase{"Quit", Ending::Quit, 0},
                                           EndingCase{"SessionEnds", Ending::Terminate, 0},
                                           EndingCase{"CtrlC", Ending::Interrupt, 0},
                                           EndingCase{"ErrorReport", Ending::ErrorReport, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LockRow, OnceOpenedByThePasswordTheBookListsTheLockLikeAnyEntry) {
  MakeBook({{"Bank", "me", "b", "", ""}, {"Mail", "me", "m", "", ""}}, Lock{"Q", "pw", "A"});
  Window1& w = Start();
  GivePassword("pw");
  ASSERT_TRUE(OnScreen(&w));
  ASSERT_TRUE(ChooseMenuItem(w, "FileShowAll"));
  fw::testing::ProcessEvents();
  std::vector<std::string> listed;
  for (int i = 0; i < w.Listbox1().ListCount(); ++i) listed.push_back(w.Listbox1().Cell(i, 0));
  EXPECT_EQ(listed, (std::vector<std::string>{"Bank", kLockKey, "Mail"}));
  EXPECT_TRUE(StoredLock());
  Stop();
}

TEST(LockRow, EntriesWhoseNamesOnlyHoldTheKeyNeitherLockNorUnlock) {
  const std::vector<test::Row> lookalikes = {
      {"XKestrion Program Lock", "x", "x", "", ""},
      {"Kestrion Program Lock 2", "y", "y", "", ""},
      {"my kestrion program lock", "z", "z", "", ""},
  };
  struct Case {
    const char* name;
    bool with_lock;
  };
  for (const Case& c : {Case{"lookalikes stored before the lock row", true}, Case{"lookalikes alone", false}}) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(test::DataFolderPath());
    MakeBook(lookalikes, c.with_lock ? std::optional<Lock>(Lock{"Q", "pw", "A"}) : std::nullopt);
    Window1& w = Start();
    EXPECT_EQ(OnScreen(Prompt()), c.with_lock);
    EXPECT_EQ(OnScreen(&w), !c.with_lock);
    EXPECT_EQ(MenuItems(w), c.with_lock ? kLockedItems : kUnlockedItems);
    if (c.with_lock) EXPECT_EQ(Module1::GatemarkPW, "pw");
    EXPECT_EQ(Stop(), 0);
  }
}

TEST(LockRow, TheLockKeyInAnyLetterCaseLocksAndUnLockRemovesIt) {
  // An entry saved by hand under the key in capitals is a lock like the program's own.
  MakeBook({{"Bank", "me", "b", "", ""}, {"KESTRION PROGRAM LOCK", "Q", "pw", "A", ""}});
  {
    Window1& w = Start();
    ASSERT_TRUE(OnScreen(Prompt()));
    GivePassword("PW");
    ASSERT_TRUE(OnScreen(&w));
    fw::testing::QueueAnswers({kYes});
    ASSERT_TRUE(ChooseMenuItem(w, "FileUnLockProgram"));
    EXPECT_TRUE(Has(kUnlocked));
    EXPECT_EQ(MenuItems(w), kUnlockedItems);
    EXPECT_EQ(Stop(), 0);
  }
  ASSERT_EQ(StoredRows().size(), 1u);
  EXPECT_EQ(StoredRows()[0].site, "Bank");
  Window1& w = Start();
  EXPECT_EQ(Prompt(), nullptr);
  EXPECT_TRUE(OnScreen(&w));
  Stop();
}

TEST(LockRow, UnLockProgramAsksFirstAndOnlyYesRemovesTheLock) {
  for (int answer : {kNo, kYes}) {
    SCOPED_TRACE(answer == kYes ? "Yes" : "No");
    std::filesystem::remove_all(test::DataFolderPath());
    MakeBook({{"Bank", "me", "b", "", ""}}, Lock{"Q", "pw", "A"});
    Window1& w = Start();
    GivePassword("pw");
    fw::testing::ClearShownBoxes();
    fw::testing::ClearLog();
    Module1::GatemarkCreate = true;
    fw::testing::QueueAnswers({answer});
    ASSERT_TRUE(ChooseMenuItem(w, "FileUnLockProgram"));

    ASSERT_FALSE(fw::testing::ShownBoxes().empty());
    const auto& question = fw::testing::ShownBoxes()[0];
    EXPECT_EQ(question.text, kUnlockQuestion);
    EXPECT_EQ(question.style, 36);
    EXPECT_EQ(question.title, "");
    // The attention tone comes before the question.
    const std::vector<fw::testing::NoteEvent> tone = {{46, 40, 40}, {46, 40, 0}};
    EXPECT_EQ(fw::testing::Notes(), tone);
    if (answer == kYes) {
      EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kUnlockQuestion, kUnlocked}));
      EXPECT_FALSE(StoredLock());
      EXPECT_EQ(MenuItems(w), kUnlockedItems);
      EXPECT_FALSE(Module1::GatemarkCreate);
    } else {
      EXPECT_EQ(BoxTexts(), std::vector<std::string>{kUnlockQuestion});
      EXPECT_TRUE(StoredLock());
      EXPECT_EQ(MenuItems(w), kLockedItems);
    }
    EXPECT_EQ(StoredRows().size(), answer == kYes ? 1u : 2u);
    Stop();
  }
}

TEST(LockRow, UnLockOnAFirstStartRemovesNothingAndSwitchesTheItems) {
  Window1& w = Start();
  ASSERT_EQ(MenuItems(w), kFirstStartItems);
  fw::testing::QueueAnswers({kYes});
  ASSERT_TRUE(ChooseMenuItem(w, "FileUnLockProgram"));
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kUnlockQuestion, kUnlocked}));
  EXPECT_EQ(MenuItems(w), kUnlockedItems);
  EXPECT_TRUE(StoredRows().empty());
  Stop();
}

TEST(LockRow, LockProgramMakesTheInformationWindowsHiddenAndSilent) {
  Window1& w = Start();
  fw::testing::ClearLog();
  ASSERT_TRUE(ChooseMenuItem(w, "FileLockProgram"));
  auto* guide = static_cast<Window2*>(fw::GetImplicitWindow("Window2.Window2"));
  auto* about = static_cast<Window3*>(fw::GetImplicitWindow("Window3.Window3"));
  ASSERT_NE(guide, nullptr);
  ASSERT_NE(about, nullptr);
  EXPECT_FALSE(OnScreen(guide));
  EXPECT_FALSE(OnScreen(about));
  EXPECT_TRUE(Module1::NoPlay);
  EXPECT_TRUE(fw::testing::SoundEvents().empty());  // no music
  EXPECT_TRUE(BoxTexts().empty());                  // no donation message
  EXPECT_TRUE(OnScreen(SetUpWindow()));
  EXPECT_TRUE(OnScreen(&w));  // beside the book
  Stop();
}

// --- writes that the database refuses -----------------------------------------

struct Refusal {
  const char* name;
  bool applies;  // a read-only folder holds only a user that is not root
  std::function<void()> during;  // nullptr: the disk refuses
};

// How a lock or an unlock that the book refused begins: in the user's terms,
// what did not happen and that the book is as it was; the database's reason
// comes after.
const std::string kNotLocked =
    "The program was not locked: the password book is as it was before, and what you typed is still there, so you "
    "can try again.";
const std::string kNotUnlocked =
    "The lock was not removed: the password book is as it was before, and the program stays locked.";
bool Begins(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

std::vector<Refusal> Refusals() { return {{"disk refuses", true}, {"read-only folder", FolderReadOnly::Holds()}}; }

template <class Body>
void WhileRefused(const Refusal& r, Body body) {
  if (std::string(r.name) == "disk refuses") {
    DiskRefusesWrites refuse;
    body();
  } else {
    FolderReadOnly refuse;
    body();
  }
}

TEST(LockRowRefused, ALockTheDatabaseRefusesIsToldAndNotMade) {
  for (const Refusal& r : Refusals()) {
    if (!r.applies) continue;
    SCOPED_TRACE(r.name);
    std::filesystem::remove_all(test::DataFolderPath());
    MakeBook({{"Bank", "me", "b", "", ""}});
    {
      Window1& w = Start();
      ASSERT_EQ(MenuItems(w), kUnlockedItems);
      WhileRefused(r, [&] { LockThroughTheMenu(w, "pw", "pw", "Q", "A"); });
      const auto texts = BoxTexts();
      ASSERT_EQ(texts.size(), 1u);
      EXPECT_TRUE(Begins(texts[0], kNotLocked)) << texts[0];
      EXPECT_NE(texts[0].find("The database said: Cannot add the record"), std::string::npos) << texts[0];
      EXPECT_EQ(MenuItems(w), kUnlockedItems);
      // The set-up window stays with what was typed, to try again.
      ASSERT_TRUE(OnScreen(SetUpWindow()));
      EXPECT_EQ(SetUpWindow()->GatemarkText1().Text(), "pw");
      EXPECT_FALSE(StoredLock());
      // Once the disk takes writes again, the same click makes the lock.
      fw::testing::ClearShownBoxes();
      fw::testing::Click(SetUpWindow()->LockProgramNow());
      EXPECT_EQ(BoxTexts(), std::vector<std::string>{kLocked});
      EXPECT_TRUE(StoredLock());
      EXPECT_EQ(MenuItems(w), kLockedItems);
      Stop();
    }
  }
}

TEST(LockRowRefused, AnUnlockTheDatabaseRefusesIsToldAndTheLockHolds) {
  for (const Refusal& r : Refusals()) {
    if (!r.applies) continue;
    SCOPED_TRACE(r.name);
    std::filesystem::remove_all(test::DataFolderPath());
    MakeBook({{"Bank", "me", "b", "", ""}}, Lock{"Q", "pw", "A"});
    {
      Window1& w = Start();
      GivePassword("pw");
      fw::testing::ClearShownBoxes();
      WhileRefused(r, [&] {
        fw::testing::QueueAnswers({kYes});
        ASSERT_TRUE(ChooseMenuItem(w, "FileUnLockProgram"));
      });
      const auto texts = BoxTexts();
      ASSERT_EQ(texts.size(), 2u);
      EXPECT_EQ(texts[0], kUnlockQuestion);
      EXPECT_TRUE(Begins(texts[1], kNotUnlocked)) << texts[1];
      EXPECT_NE(texts[1].find("The database said: Cannot delete the row"), std::string::npos) << texts[1];
      EXPECT_EQ(MenuItems(w), kLockedItems);
      EXPECT_TRUE(StoredLock());
      Stop();
    }
    // The lock held: the next start asks for the password.
    Start();
    EXPECT_TRUE(OnScreen(Prompt()));
    Stop();
  }
}

TEST(LockRowRefused, ARemovalAfterTheSecurityAnswerThatIsRefusedIsTold) {
  MakeBook({{"Bank", "me", "b", "", ""}}, Lock{"Q", "pw", "A"});
  Window1& w = Start();
  ForgotPassword(kYes);
  {
    DiskRefusesWrites refuse;
    GiveAnswer("a");
    fw::testing::ProcessEvents();  // the book's activation
  }
  const auto texts = BoxTexts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[1], kAnswerAccepted);
  EXPECT_TRUE(Begins(texts[2], kNotUnlocked)) << texts[2];
  EXPECT_NE(texts[2].find("Cannot delete the row"), std::string::npos) << texts[2];
  EXPECT_TRUE(OnScreen(&w));
  EXPECT_EQ(MenuItems(w), kLockedItems);
  EXPECT_TRUE(StoredLock());
  Stop();
}

// Another program holds the book while the lock is made or removed: the
// Commit finds it locked past the wait, and the user is told that nothing was
// done. Nothing of it is left pending either: the menus follow the file, and
// the user's next save of an entry does not carry the lock (or its removal)
// into the book after all.
TEST(LockRowRefused, ALockOrUnlockWhoseCommitFindsTheBookHeldIsNotStoredByALaterSave) {
  for (const bool unlock : {false, true}) {
    SCOPED_TRACE(unlock ? "unlock" : "lock");
    std::filesystem::remove_all(test::DataFolderPath());
    if (unlock) {
      MakeBook({{"Bank", "me", "b", "", ""}}, Lock{"Q", "pw", "A"});
    } else {
      MakeBook({{"Bank", "me", "b", "", ""}});
    }
    Window1& w = Start();
    if (unlock) GivePassword("pw");
    const Items before = MenuItems(w);
    fw::testing::ClearShownBoxes();
    fw::seams::SetDatabaseLockWait(std::chrono::milliseconds(200));
    sqlite3* other = nullptr;
    sqlite3_open_v2(test::DatabasePath().c_str(), &other, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_busy_timeout(other, 5000);  // past the look over the book for damage
    ASSERT_EQ(sqlite3_exec(other, "BEGIN; SELECT count(*) FROM PassData", nullptr, nullptr, nullptr), SQLITE_OK);
    if (unlock) {
      fw::testing::QueueAnswers({kYes});
      ASSERT_TRUE(ChooseMenuItem(w, "FileUnLockProgram"));
    } else {
      LockThroughTheMenu(w, "pw", "pw", "Q", "A");
    }
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close_v2(other);
    fw::seams::SetDatabaseLockWait(std::chrono::milliseconds(0));
    const auto texts = BoxTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_TRUE(Begins(texts.back(), unlock ? kNotUnlocked : kNotLocked)) << texts.back();
    EXPECT_NE(texts.back().find("database is locked"), std::string::npos) << texts.back();
    EXPECT_EQ(MenuItems(w), before);
    EXPECT_EQ(StoredLock().has_value(), unlock);

    // The user goes on, and saves a new entry.
    if (!unlock) fw::testing::Click(SetUpWindow()->CancelWindow4());
    fw::testing::ClearShownBoxes();
    fw::testing::Click(w.AddNewPassword());
    fw::testing::TypeText(w.WebSystem(), "Mail");
    fw::testing::TypeText(w.PassWord(), "pw-mail");
    fw::testing::Click(w.SaveButton());
    fw::testing::ProcessEvents();
    EXPECT_TRUE(BoxTexts().empty()) << BoxTexts()[0];
    EXPECT_EQ(StoredLock().has_value(), unlock);
    EXPECT_EQ(StoredRows().size(), unlock ? 3u : 2u);
    EXPECT_EQ(MenuItems(w), before);
    Stop();
  }
}

}  // namespace
}  // namespace kestrion
