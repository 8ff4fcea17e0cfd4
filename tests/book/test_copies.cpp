// Two copies of the program on one book: an UPDATE never writes over what
// the other copy saved since the entry was opened here.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "framework/EventLoop.h"
#include "framework/Text.h"
#include "tests/book/Book.h"
#include "tests/support/Child.h"

namespace booktest {
namespace {

using kestrion::test::OneLine;

// Run only as a child of the tests below: the other copy. It opens the entry
// that KESTRION_COPY_FIND finds alone, types KESTRION_COPY_PASSWORD as its
// password, presses UPDATE, and says what the user saw.
TEST(OtherCopy, DISABLED_ChangesAPassword) {
  const char* data = std::getenv("KESTRION_COPY_DATA_HOME");
  const char* find = std::getenv("KESTRION_COPY_FIND");
  const char* password = std::getenv("KESTRION_COPY_PASSWORD");
  ASSERT_TRUE(data && find && password);
  setenv("XDG_DATA_HOME", data, 1);
  Window1& w = kestrion::test::StartProgram();
  ft::TypeText(w.SearchText(), find);
  ft::PressKey(w.SearchText(), ft::Key::Return);
  ft::ProcessEvents();
  ft::MoveFocusTo(w.PassWord());
  ft::PressShortcut(w, 'a');
  ft::TypeText(w.PassWord(), password);
  ft::Click(w.SaveButton());
  ft::ProcessEvents();
  for (const auto& box : ft::ShownBoxes()) std::printf("BOX %s\n", OneLine(box.text).c_str());
  std::printf("HEIGHT %d\n", w.Height());
  std::fflush(stdout);
}

// Starts the other copy on this test's book and waits for it to end: its report.
std::string RunOtherCopy(const std::string& find, const std::string& password) {
  int out[2];
  if (pipe(out) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    setenv("KESTRION_COPY_DATA_HOME", std::getenv("XDG_DATA_HOME"), 1);
    setenv("KESTRION_COPY_FIND", find.c_str(), 1);
    setenv("KESTRION_COPY_PASSWORD", password.c_str(), 1);
    execl("/proc/self/exe", "test_book", "--gtest_also_run_disabled_tests",
          "--gtest_filter=OtherCopy.DISABLED_ChangesAPassword", static_cast<char*>(nullptr));
    _exit(121);
  }
  close(out[1]);
  return kestrion::test::OutputOf(pid, out[0]);
}

const Entry kBank = {"Bank", "me", "pw-bank", "card 1234", "https://bank.example"};
const Entry kShop = {"Shop", "shopper", "pw-shop", "", "http://www."};
const std::vector<Row> kBook = {{kBank.site, kBank.user, kBank.password, kBank.notes, kBank.address},
                                {kShop.site, kShop.user, kShop.password, kShop.notes, kShop.address}};
const std::string kChangedElsewhere =
    "The entry \"Bank\" was changed elsewhere since it was opened, so the changes were not saved.\n\nYour changes "
    "are still on screen. To see the entry as it is stored now, go back to the search and open it again.";

class Copies : public BookTest {
 protected:
  void Save() {
    ft::Click(win->SaveButton());
    ft::ProcessEvents();
  }
  void ExpectEntryKept(const Entry& shown) {
    EXPECT_EQ(win->Height(), kEntry);
    EXPECT_TRUE(win->RoundRectangle2().Visible());
    EXPECT_EQ(OnScreen(), shown);
    EXPECT_EQ(win->SaveButton().Caption(), "UPDATE");
    EXPECT_TRUE(win->SaveButton().Enabled());
  }
};

// Copy A opens Bank; copy B changes its password and presses UPDATE; A
// changes the user name and presses UPDATE. A must not put the old password
// back: it says so, writes nothing and keeps its edits; opened again, the
// entry shows B's password and A's change can be made on it.
TEST_F(Copies, AnUpdateOfAnEntryAnotherCopySavedSinceItOpenedWritesNothingAndKeepsTheEdits) {
  Start(kBook);
  Open("bank");
  const std::string other = RunOtherCopy("bank", "pw-from-b");
  ASSERT_EQ(other.find("BOX "), std::string::npos) << other;
  ASSERT_NE(other.find("HEIGHT 86"), std::string::npos) << other;
  const std::vector<Entry> after_b = Stored();
  ASSERT_EQ(after_b[0].password, "pw-from-b");

  Retype(win->UserNameTxt(), "me-from-a");
  ft::ClearLog();
  Save();
  EXPECT_EQ(Boxes(), std::vector<std::string>{kChangedElsewhere});
  EXPECT_TRUE(AttentionPlayed());
  ExpectEntryKept({"Bank", "me-from-a", "pw-bank", "card 1234", "https://bank.example"});
  EXPECT_EQ(Stored(), after_b) << "nothing written";

  // Back to the search, dropping the edits, and open it again.
  ft::ClearShownBoxes();
  ft::QueueAnswers({kNo});
  ft::Click(win->CloseButton());
  ft::ProcessEvents();
  EXPECT_EQ(Boxes(), std::vector<std::string>{kSavePrompt});
  EXPECT_EQ(win->Height(), kSearch);
  ft::ClearShownBoxes();
  Open("bank");
  EXPECT_EQ(OnScreen(), (Entry{"Bank", "me", "pw-from-b", "card 1234", "https://bank.example"}));
  Retype(win->UserNameTxt(), "me-from-a");
  Save();
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
  EXPECT_EQ(win->Height(), kSearch);
  EXPECT_EQ(Stored()[0], (Entry{"Bank", "me-from-a", "pw-from-b", "card 1234", "https://bank.example"}));
  EXPECT_EQ(Stored()[1], kShop);
}

// The same race, answered by the save prompt on the way out (HOME, Yes): the
// refusal keeps the entry on screen rather than dropping the edits.
TEST_F(Copies, TheSavePromptsUpdateOfAStaleEntryKeepsTheEntryOnScreen) {
  Start(kBook);
  Open("bank");
  ASSERT_EQ(RunOtherCopy("bank", "pw-from-b").find("BOX "), std::string::npos);
  Retype(win->Notes(), "new notes");
  ft::QueueAnswers({kYes});
  ft::Click(win->CloseButton());
  ft::ProcessEvents();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{kSavePrompt, kChangedElsewhere}));
  ExpectEntryKept({"Bank", "me", "pw-bank", "new notes", "https://bank.example"});
  EXPECT_EQ(Stored()[0].password, "pw-from-b");
  EXPECT_EQ(Stored()[0].notes, "card 1234");
}

// Copy B changes another entry: A's update of Bank is not stale and goes in.
// Deleting keeps deleting the entry that was opened, whatever the other copy
// saved into it since.
TEST_F(Copies, OnlyAChangeToTheOpenedEntryStopsTheUpdateAndDeleteStillDeletesIt) {
  Start(kBook);
  Open("bank");
  ASSERT_EQ(RunOtherCopy("shop", "pw-shop-b").find("BOX "), std::string::npos);
  Retype(win->UserNameTxt(), "me-from-a");
  Save();
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
  EXPECT_EQ(Stored()[0], (Entry{"Bank", "me-from-a", "pw-bank", "card 1234", "https://bank.example"}));
  EXPECT_EQ(Stored()[1].password, "pw-shop-b");

  Open("shop");
  ASSERT_EQ(RunOtherCopy("shop", "pw-shop-c").find("BOX "), std::string::npos);
  ft::QueueAnswers({kYes});
  ft::Click(win->DeleteButton());
  ft::ProcessEvents();
  EXPECT_EQ(Boxes(), std::vector<std::string>{kDeleteQuestion});
  ASSERT_EQ(Stored().size(), 1u);
  EXPECT_EQ(Stored()[0].site, "Bank");
}

// The row is compared and written under one write lock of the book: another
// program that tries to write whenever the update lets the event loop run
// (while it reads the rows, and while it looks for the entry's row among them)
// finds the book locked, rather than slipping its change in between the check
// and the write.
TEST_F(Copies, NoOtherWriteComesBetweenTheUpdatesCheckAndItsWrite) {
  // Bank last, so that the look for its row passes another row and yields.
  Start({kBook[1], kBook[0]});
  Open("bank");
  Retype(win->PassWord(), "pw-from-a");
  bool saving = true;
  std::vector<int> other_writes;
  std::function<void()> try_to_write = [&] {
    // Until the update has written and left the entry.
    if (!saving || win->Height() != kEntry || other_writes.size() >= 500) return;
    sqlite3* db = nullptr;
    sqlite3_open_v2(kestrion::test::DatabasePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    other_writes.push_back(sqlite3_exec(
        db, ("UPDATE PassData SET UserName = '" + Window1::Encrypt("me-from-b") + "'").c_str(), nullptr, nullptr,
        nullptr));
    sqlite3_close_v2(db);
    // Again at the update's very next yield.
    fw::internal::yield_due.store(true);
    ft::RunWhenEventsAreNextProcessed(try_to_write);
  };
  fw::internal::yield_due.store(true);
  ft::RunWhenEventsAreNextProcessed(try_to_write);
  Save();
  saving = false;
  ASSERT_FALSE(other_writes.empty()) << "the update never let the event loop run";
  EXPECT_EQ(other_writes, std::vector<int>(other_writes.size(), SQLITE_BUSY));
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
  EXPECT_EQ(Stored()[1], (Entry{"Bank", "me", "pw-from-a", "card 1234", "https://bank.example"}));
  EXPECT_EQ(Stored()[0], kShop);
}

// A SAVE looks for an entry of the same name, in any letter case, and adds
// the new one under one write lock of the book: another copy that tries to
// add "MAIL" as soon as the look has passed over every row waits until the
// new "Mail" is stored, rather than slipping in between the look and the
// write (where the look could no longer see it, and two entries of one name
// would be stored).
TEST_F(Copies, NoOtherSaveComesBetweenTheLookForADuplicateAndTheNewEntry) {
  Start(kBook);
  AfterTheLookForDamage(*win);
  ft::Click(win->AddNewPassword());
  ft::TypeText(win->WebSystem(), "Mail");
  ft::TypeText(win->PassWord(), "pw-a");
  WritesOnceTheWalkLetsGo other("INSERT INTO PassData(Site, PassWord) VALUES ('" + Window1::Encrypt("MAIL") +
                                "', '" + Window1::Encrypt("pw-b") + "')");
  Save();
  for (int i = 0; i < 100 && !other.Written(); ++i) ft::ProcessEvents();
  ASSERT_TRUE(other.Written()) << "the other copy never found the book free";
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
  EXPECT_EQ(win->Height(), kSearch);
  std::vector<std::string> in_order;
  for (const Entry& e : Stored())
    if (fw::Equals(e.site, "mail")) in_order.push_back(e.site + "/" + e.password);
  EXPECT_EQ(in_order, (std::vector<std::string>{"Mail/pw-a", "MAIL/pw-b"}));
}

}  // namespace
}  // namespace booktest
