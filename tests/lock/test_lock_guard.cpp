// While the unlock prompt asks, nothing reaches the book: no menu command or
// shortcut, from the prompt or any other window; no window that would bring
// the book back; no key or click sent to the hidden book; no action of
// another program through the accessibility interface. Before the start-up
// scan has decided, no command reaches it either, and a close of the main
// window waits until the scan is done. Only a right password or answer shows
// the book; the prompt's own fields keep working.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "LockFixture.h"
#include "framework/Clipboard.h"
#include "framework/testing/EventLog.h"
#include "info/Window2.h"
#include "info/Window3.h"

namespace kestrion {
namespace {

using namespace locktest;

const char* const kCommands[] = {"FileShowAll",   "FileExport",    "FileLockProgram",
                                 "FileUnLockProgram", "AboutHowToUse", "AboutAboutKestrion"};

class WhileLocked : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeBook({{"Bank", "me", "b4nk", "card", "https://bank.example"}, {"Mail", "me", "m41l", "", ""}},
             Lock{"Q", "pw", "A"});
    main_ = &Start();
    ASSERT_TRUE(OnScreen(Prompt()));
    fw::Clipboard().SetText("before");
    fw::testing::ClearShownBoxes();
  }
  void TearDown() override { Stop(); }

  // Nothing of the book came out: it is hidden in its search view, no other
  // window was made, no question was asked, the clipboard and the file are as
  // they were, and the prompt still asks.
  // A text that another program put into a field stays there, and nothing
  // comes of it.
  void ExpectNothingReachedTheBook(const std::string& search_text = "", const std::string& site_text = "") {
    EXPECT_FALSE(OnScreen(main_));
    EXPECT_EQ(main_->Height(), 86);
    EXPECT_FALSE(main_->Listbox1().Visible());
    EXPECT_EQ(main_->SearchText().Text(), search_text);
    EXPECT_EQ(main_->WebSystem().Text(), site_text);
    EXPECT_FALSE(main_->SaveButton().Enabled());
    EXPECT_TRUE(fw::testing::LaunchedUrls().empty());
    EXPECT_EQ(fw::GetImplicitWindow("Window2.Window2"), nullptr);
    EXPECT_EQ(fw::GetImplicitWindow("Window3.Window3"), nullptr);
    EXPECT_EQ(SetUpWindow(), nullptr);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(fw::Clipboard().Text(), "before");
    EXPECT_EQ(Module1::ClearClipBoard, 0);
    EXPECT_TRUE(StoredLock());
    EXPECT_EQ(StoredRows().size(), 3u);
    EXPECT_TRUE(OnScreen(Prompt()));
    EXPECT_FALSE(fw::QuitRequested());
  }

  Window1* main_ = nullptr;
};

TEST_F(WhileLocked, NoMenuCommandReachesTheBook) {
  for (const char* item : kCommands) {
    SCOPED_TRACE(item);
    // The main window's own menu, as if it could be reached, and the items
    // the lock switched off, chosen all the same.
    fw::testing::ChooseMenuItem(*main_, item);
    EXPECT_TRUE(main_->InvokeMenuHandler(item)) << "the command is taken";
    fw::testing::ProcessEvents();
    ExpectNothingReachedTheBook();
  }
}

TEST_F(WhileLocked, NoShortcutFromThePromptReachesTheBookAndItsFieldsStillEdit) {
  Window5& p = *Prompt();
  fw::testing::TypeText(p.TextField1(), "p");
  for (char letter : {'s', 'e', 'l', 'u'}) {
    SCOPED_TRACE(std::string("Ctrl+") + letter);
    fw::testing::PressShortcut(p, letter);
    fw::testing::ProcessEvents();
    ExpectNothingReachedTheBook();
  }
  // The field's own editing: Select All, then typing over it; Paste.
  fw::testing::PressShortcut(p, 'a');
  fw::testing::TypeText(p.TextField1(), "w");
  EXPECT_EQ(p.TextField1().Text(), "w");
  fw::Clipboard().SetText("x");
  fw::testing::PressShortcut(p, 'v');
  EXPECT_EQ(p.TextField1().Text(), "wx");
  fw::Clipboard().SetText("before");
  ExpectNothingReachedTheBook();
}

TEST_F(WhileLocked, KeysAndClicksSentToTheHiddenBookDoNothing) {
  // What the window system may still deliver to the book's window, such as
  // keys typed there while the scan ran.
  main_->SearchText().SetFocus();
  fw::testing::SystemTypeText(*main_, "Bank\r");
  fw::testing::SystemPressKey(*main_, fw::testing::Key::Return);
  fw::testing::SystemClick(main_->FindButton());
  fw::testing::SystemClick(main_->AddNewPassword());
  fw::testing::SystemClick(main_->BevelButton2());
  ExpectNothingReachedTheBook();
  EXPECT_EQ(main_->SearchText().Text(), "");
  // The prompt itself takes the window system's keys.
  fw::testing::SystemTypeText(*Prompt(), "pw\r");
  EXPECT_TRUE(OnScreen(main_));
  EXPECT_FALSE(OnScreen(Prompt()));
}

TEST_F(WhileLocked, AnotherProgramsAccessibilityActionsReachNothing) {
  // A screen reader or another program on the desktop sees the hidden book's
  // controls: it fills the search box and presses Find, presses the other
  // buttons, and names an entry in the hidden entry panel and presses SAVE.
  using fw::testing::AccessibleEdit;
  fw::testing::ClearLog();
  for (AccessibleEdit how : {AccessibleEdit::SetValue, AccessibleEdit::ReplaceText, AccessibleEdit::InsertText}) {
    SCOPED_TRACE(static_cast<int>(how));
    ASSERT_TRUE(fw::testing::AccessibleSetText(main_->SearchText(), "", AccessibleEdit::SetValue));
    ASSERT_TRUE(fw::testing::AccessibleSetText(main_->SearchText(), "Bank", how));
    ASSERT_TRUE(fw::testing::AccessiblePress(main_->FindButton()));
    ExpectNothingReachedTheBook("Bank");
  }
  fw::testing::AccessibleSetText(main_->SearchText(), "", AccessibleEdit::SetValue);
  for (fw::BevelButton* b : {&main_->BevelButton2(), &main_->AddNewPassword(), &main_->ShowHideButton(),
                             &main_->BevelButton1()}) {
    SCOPED_TRACE(b->Name());
    ASSERT_TRUE(fw::testing::AccessiblePress(*b));
    ExpectNothingReachedTheBook();
  }
  ASSERT_TRUE(fw::testing::AccessibleSetText(main_->WebSystem(), "Stolen", AccessibleEdit::SetValue));
  ASSERT_TRUE(fw::testing::AccessibleSetText(main_->PassWord(), "pw", AccessibleEdit::SetValue));
  fw::testing::AccessiblePress(main_->SaveButton());
  fw::testing::AccessiblePress(main_->CloseButton());
  fw::testing::AccessiblePress(main_->DeleteButton());
  ExpectNothingReachedTheBook("", "Stolen");
  EXPECT_TRUE(fw::testing::Notes().empty()) << "not even a sound";
}

TEST_F(WhileLocked, TheInformationAndSetUpWindowsDoNotBringTheBookBack) {
  // However they came up, leaving them keeps the book hidden.
  Module1::NoPlay = true;
  struct Leaving {
    const char* name;
    std::function<void()> open_and_leave;
  };
  const Leaving ways[] = {
      {"guide, Close", [] { Window2::Instance().Show(); fw::testing::Click(Window2::Instance().BevelButton1()); }},
      {"guide, close box", [] { Window2::Instance().Show(); fw::testing::ClickCloseBox(Window2::Instance()); }},
      {"about, Close", [] { Window3::Instance().Show(); fw::testing::Click(Window3::Instance().BevelButton1()); }},
      {"about, close box", [] { Window3::Instance().Show(); fw::testing::ClickCloseBox(Window3::Instance()); }},
      {"set-up, Cancel", [] { Window4::Instance().Show(); fw::testing::Click(Window4::Instance().CancelWindow4()); }},
      {"set-up, close box", [] { Window4::Instance().Show(); fw::testing::ClickCloseBox(Window4::Instance()); }},
  };
  for (const Leaving& l : ways) {
    SCOPED_TRACE(l.name);
    l.open_and_leave();
    fw::testing::ProcessEvents();
    EXPECT_FALSE(OnScreen(main_));
    EXPECT_TRUE(OnScreen(Prompt()));
  }
  EXPECT_TRUE(StoredLock());
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(WhileLocked, OnceThePasswordIsRightTheCommandsWorkAgain) {
  GivePassword("PW");
  ASSERT_TRUE(OnScreen(main_));
  ASSERT_TRUE(fw::testing::ChooseMenuItem(*main_, "AboutAboutKestrion"));
  EXPECT_TRUE(OnScreen(fw::GetImplicitWindow("Window3.Window3")));
  fw::testing::Click(Window3::Instance().BevelButton1());
  EXPECT_TRUE(OnScreen(main_));
  fw::testing::QueueAnswers({kNo});
  ASSERT_TRUE(fw::testing::ChooseMenuItem(*main_, "FileUnLockProgram"));
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kUnlockQuestion});
}

// --- before the start-up scan has decided -----------------------------------

// A book long enough that the scan lets the event loop run while it reads
// (several of the yield's 5 ms slices, on a fast machine too).
constexpr unsigned kManyEntries = 80000;


std::vector<test::Row> ManyEntries(int n) {
  std::vector<test::Row> rows;
  rows.reserve(n);
  for (int i = 0; i < n; ++i) rows.push_back({"Site number " + std::to_string(i), "user", "pw", "", ""});
  return rows;
}

TEST(DuringTheScan, NoCommandReachesTheBookAndACloseWaitsForTheDecision) {
  for (bool locked : {true, false}) {
    SCOPED_TRACE(locked ? "locked" : "not locked");
    std::filesystem::remove_all(test::DataFolderPath());
    MakeBook(ManyEntries(kManyEntries), locked ? std::optional<Lock>(Lock{"Q", "pw", "A"}) : std::nullopt);
    bool ran = false, during_open = false, locked_meanwhile = false, entry_meanwhile = true;
    std::vector<std::string> made;
    fw::testing::RunWhenEventsAreNextProcessed([&] {
      ran = true;
      Window1& w = Window1::Instance();
      during_open = w.IsConstructing();
      locked_meanwhile = w.ProgramLocked();
      // The main window may be up in its search view, with no entry in sight.
      entry_meanwhile = w.Height() != 86 || w.Listbox1().Visible() ||
                        !w.SearchText().Text().empty();
      for (const char* item : kCommands) w.InvokeMenuHandler(item);
      for (const char* name : {"Window2.Window2", "Window3.Window3", "Window4.Window4"})
        if (fw::GetImplicitWindow(name)) made.push_back(name);
      fw::testing::ClickCloseBox(w);
    });
    bool book_shown = false;
    fw::testing::ClearShownBoxes();
    // The whole run: a close that came during the scan ends it before its event loop.
    const int rc = test::RunProgram([&] { book_shown = true; });
    ASSERT_TRUE(ran && during_open) << "the scan never let the event loop run";
    EXPECT_TRUE(locked_meanwhile);
    EXPECT_FALSE(entry_meanwhile);
    EXPECT_TRUE(made.empty());
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(rc, 0);
    EXPECT_FALSE(book_shown);
    EXPECT_EQ(StoredLock().has_value(), locked);
    EXPECT_EQ(StoredRows().size(), locked ? kManyEntries + 1u : kManyEntries + 0u);
  }
}

TEST(DuringTheScan, InputForTheBookWaitsAndALockedBookNeverGetsIt) {
  for (bool locked : {true, false}) {
    SCOPED_TRACE(locked ? "locked" : "not locked");
    std::filesystem::remove_all(test::DataFolderPath());
    MakeBook(ManyEntries(kManyEntries), locked ? std::optional<Lock>(Lock{"Q", "pw", "A"}) : std::nullopt);
    bool ran = false, during_open = false;
    std::string typed_meanwhile = "?";
    fw::testing::RunWhenEventsAreNextProcessed([&] {
      ran = true;
      // The user types into the book's search field and clicks its Help
      // button while the scan still reads.
      Window1& w = Window1::Instance();
      during_open = w.IsConstructing();
      w.SearchText().SetFocus();
      fw::testing::QueueTypeText(w, "Site");
      fw::testing::QueueClick(w.BevelButton2());
      typed_meanwhile = w.SearchText().Text();
    });
    Window1& w = Start();
    fw::testing::ProcessEvents();
    ASSERT_TRUE(ran && during_open) << "the scan never let the event loop run";
    EXPECT_EQ(typed_meanwhile, "");
    if (locked) {
      EXPECT_EQ(w.SearchText().Text(), "");
      EXPECT_EQ(fw::GetImplicitWindow("Window2.Window2"), nullptr);
      EXPECT_FALSE(OnScreen(&w));
      EXPECT_TRUE(OnScreen(Prompt()));
    } else {
      // Held back, not lost.
      EXPECT_EQ(w.SearchText().Text(), "Site");
      EXPECT_NE(fw::GetImplicitWindow("Window2.Window2"), nullptr);
    }
    Stop();
  }
}

TEST(DuringTheScan, AnotherProgramsAccessibilityActionsReachNothing) {
  for (bool locked : {true, false}) {
    SCOPED_TRACE(locked ? "locked" : "not locked");
    std::filesystem::remove_all(test::DataFolderPath());
    MakeBook(ManyEntries(kManyEntries), locked ? std::optional<Lock>(Lock{"Q", "pw", "A"}) : std::nullopt);
    bool ran = false, during_open = false;
    fw::testing::RunWhenEventsAreNextProcessed([&] {
      ran = true;
      Window1& w = Window1::Instance();
      during_open = w.IsConstructing();
      fw::testing::AccessibleSetText(w.SearchText(), "Site number 7", fw::testing::AccessibleEdit::SetValue);
      fw::testing::AccessiblePress(w.FindButton());
      fw::testing::AccessiblePress(w.BevelButton2());
    });
    fw::Clipboard().SetText("before");
    Window1& w = Start();
    fw::testing::ProcessEvents();
    ASSERT_TRUE(ran && during_open) << "the scan never let the event loop run";
    EXPECT_EQ(w.Height(), 86);
    EXPECT_EQ(w.WebSystem().Text(), "");
    EXPECT_EQ(fw::Clipboard().Text(), "before");
    EXPECT_EQ(fw::GetImplicitWindow("Window2.Window2"), nullptr);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(OnScreen(&w), !locked);
    Stop();
  }
}

}  // namespace
}  // namespace kestrion
