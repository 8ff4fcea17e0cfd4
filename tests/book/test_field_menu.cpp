// The fields' Cut, Copy and Paste menu, and the conveniences around the entry:
// the password to the clipboard when its field is left, Show/Hide, the web
// address's insertion point and Launch. Driven as a user does: keys, right
// clicks and the item chosen, the clipboard read back, the opener's arguments
// recorded by a stand-in xdg-open on PATH.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

namespace fs = std::filesystem;
namespace ft = fw::testing;
using ft::Key;

std::string ClipboardText() { return fw::Clipboard().Text(); }
bool ClipboardHasText() { return fw::Clipboard().TextAvailable(); }
// Another program took the clipboard with something that is not text.
void ClipboardWithoutText() { QGuiApplication::clipboard()->clear(); }

// The selection as a user makes it: Home, then Right `from` times, then
// Shift+Right `count` times.
void SelectWithKeys(fw::Control& c, int from, int count) {
  ft::PressKey(c, Key::Home);
  for (int i = 0; i < from; ++i) ft::PressKey(c, Key::Right);
  for (int i = 0; i < count; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right, Qt::ShiftModifier);
}

// Empties the field with Select All and Backspace, then types the text.
void Retype(Window1& w, fw::Control& c, const std::string& text) {
  ft::PressKey(c, Key::End);
  ft::PressShortcut(w, 'a');
  ft::PressKey(c, Key::Backspace);
  ft::TypeText(c, text);
}

bool Choose(fw::Control& c, const std::string& caption) {
  ft::ChooseInNextContextMenu(caption);
  return ft::OpenContextMenu(c);
}

class Fields : public ::testing::Test {
 protected:
  void SetUp() override {
    BeforeStart();
    win = &test::StartProgram();
  }
  void TearDown() override { test::StopProgram(); }
  virtual void BeforeStart() {}

  // A new entry, as "Add New" shows it.
  void ShowEntry() {
    ft::Click(win->AddNewPassword());
    ASSERT_EQ(win->Height(), 456);
  }

  // The six text controls that share the menu.
  std::vector<fw::TextControl*> SixFields() {
    return {&win->SearchText(), &win->WebSystem(), &win->UserNameTxt(),
            &win->PassWord(),   &win->Notes(),     &win->WebAddress()};
  }

  Window1* win = nullptr;
};

// --- the menu ------------------------------------------------------------------------

TEST_F(Fields, EveryTextControlOffersCutCopyPasteEachTime) {
  ShowEntry();
  const std::vector<std::string> want = {"Cut", "Copy", "Paste"};
  for (fw::TextControl* c : SixFields()) {
    for (int time = 0; time < 2; ++time) {
      ft::ChooseInNextContextMenu("");  // looked at, then dismissed
      EXPECT_TRUE(ft::OpenContextMenu(*c)) << c->Name();
      EXPECT_EQ(ft::LastContextMenuCaptions(), want) << c->Name() << ", time " << time;
    }
  }
}

// One behaviour in all six controls, the masked password field included:
// counts are in characters and the selection's neighbours are kept.
TEST_F(Fields, CutCopyPasteActOnTheSelectionInEveryField) {
  struct Case {
    const char* what;
    const char* item;
    int from, count;                  // the selection in "abcd"
    std::optional<std::string> clip;  // before; nullopt: no text on the clipboard
    std::string text;                 // after
    int sel_start, sel_length;
    std::optional<std::string> clip_after;
    bool clip_info;  // ClipInfo shown afterwards (it is shown before)
  };
  const Case cases[] = {
      {"cut bc", "Cut", 1, 2, "before", "ad", 1, 0, "bc", false},
      {"cut without a selection", "Cut", 2, 0, "before", "abcd", 2, 0, "before", true},
      {"copy bc", "Copy", 1, 2, "before", "abcd", 1, 2, "bc", false},
      {"copy without a selection", "Copy", 4, 0, "before", "abcd", 4, 0, "", false},
      {"paste over bc", "Paste", 1, 2, "XY", "aXYd", 3, 0, "XY", true},
      {"paste at the end", "Paste", 4, 0, "XY", "abcdXY", 6, 0, "XY", true},
      {"paste at the start", "Paste", 0, 0, "XY", "XYabcd", 2, 0, "XY", true},
      {"paste the whole text over", "Paste", 0, 4, "XY", "XY", 2, 0, "XY", true},
      {"paste without text", "Paste", 1, 2, std::nullopt, "abcd", 1, 2, std::nullopt, true},
      {"paste what typing refuses", "Paste", 2, 0, "é€😀", "abé€😀cd", 5, 0, "é€😀", true},
  };
  ShowEntry();
  ASSERT_TRUE(win->PassWord().Password());
  for (fw::TextControl* c : SixFields()) {
    for (const Case& k : cases) {
      SCOPED_TRACE(c->Name() + ": " + k.what);
      Retype(*win, *c, "abcd");
      ASSERT_EQ(c->Text(), "abcd");
      SelectWithKeys(*c, k.from, k.count);
      ASSERT_EQ(c->SelLength(), k.count);
      if (k.clip) {
        fw::Clipboard().SetText(*k.clip);
      } else {
        ClipboardWithoutText();
      }
      win->ClipInfo().SetVisible(true);

      ASSERT_TRUE(Choose(*c, k.item));
      EXPECT_EQ(c->Text(), k.text);
      EXPECT_EQ(c->SelStart(), k.sel_start);
      EXPECT_EQ(c->SelLength(), k.sel_length);
      EXPECT_EQ(ClipboardHasText(), k.clip_after.has_value());
      if (k.clip_after) EXPECT_EQ(ClipboardText(), *k.clip_after);
      EXPECT_EQ(win->ClipInfo().Visible(), k.clip_info);
    }
  }
  EXPECT_TRUE(win->PassWord().Password()) << "the password stayed masked throughout";
}

TEST_F(Fields, CutAndCopyCountCharactersBeyondAscii) {
  ShowEntry();
  // The masked field steps over its dots, one per UTF-16 unit: it gets no
  // character beyond the first plane here.
  const std::pair<fw::TextControl*, std::string> cases[] = {
      {&win->UserNameTxt(), "é😀€"}, {&win->PassWord(), "éñ€"}, {&win->Notes(), "é😀€"}};
  for (const auto& [c, pasted] : cases) {
    SCOPED_TRACE(c->Name());
    // Typing refuses these characters, pasting brings them in.
    Retype(*win, *c, "ad");
    SelectWithKeys(*c, 1, 0);
    fw::Clipboard().SetText(pasted);
    ASSERT_TRUE(Choose(*c, "Paste"));
    ASSERT_EQ(c->Text(), "a" + pasted + "d");
    EXPECT_EQ(c->SelStart(), 4);

    const std::string second = pasted.substr(2);  // é is two bytes
    SelectWithKeys(*c, 2, 2);
    ASSERT_TRUE(Choose(*c, "Copy"));
    EXPECT_EQ(ClipboardText(), second);
    SelectWithKeys(*c, 1, 2);
    ASSERT_TRUE(Choose(*c, "Cut"));
    EXPECT_EQ(ClipboardText(), pasted.substr(0, pasted.size() - 3));  // € is three bytes
    EXPECT_EQ(c->Text(), "a€d");
    EXPECT_EQ(c->SelStart(), 1);
  }
}

// The notes keep a pasted CR LF as it is, and the insertion point still
// stands right after the pasted text.
TEST_F(Fields, PastedLinesInTheNotesLeaveTheInsertionPointAfterThem) {
  ShowEntry();
  Retype(*win, win->Notes(), "abcd");
  SelectWithKeys(win->Notes(), 1, 2);
  fw::Clipboard().SetText("one\r\ntwo");
  ASSERT_TRUE(Choose(win->Notes(), "Paste"));
  EXPECT_EQ(win->Notes().Text(), "aone\r\ntwod");
  ft::TypeText(win->Notes(), "!");
  EXPECT_EQ(win->Notes().Text(), "aone\r\ntwo!d");
}

// --- the password field ------------------------------------------------------------

TEST_F(Fields, LeavingThePasswordPutsItOnTheClipboardEveryTime) {
  ShowEntry();
  struct Step {
    const char* typed;
    std::string clip;
  };
  // The empty field included; and each later leave again.
  const Step steps[] = {{"", ""}, {"s3cret pw", "s3cret pw"}, {"", "s3cret pw"}, {"!", "s3cret pw!"}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.typed);
    ft::TypeText(win->PassWord(), s.typed);
    fw::Clipboard().SetText("something else");
    win->ClipInfo().SetVisible(false);
    ft::PressKey(win->PassWord(), Key::Tab);
    EXPECT_EQ(ClipboardText(), s.clip);
    EXPECT_TRUE(win->ClipInfo().Visible());
  }
  EXPECT_TRUE(win->PassWord().Password()) << "masked, and still copied as typed";
}

TEST_F(Fields, LeavingThePasswordReplacesAnExportedText) {
  ShowEntry();
  ft::TypeText(win->PassWord(), "pw");
  ft::QueueAnswers({6});
  ASSERT_TRUE(ft::ChooseMenuItem(*win, "FileExport"));
  ASSERT_EQ(Module1::ClearClipBoard, 1);
  ft::MoveFocusTo(win->Notes());
  EXPECT_EQ(ClipboardText(), "pw");
  EXPECT_EQ(Module1::ClearClipBoard, 1);
}

// Switching to another program is not leaving the field: what the user went
// there to paste (an export, say) stays on the clipboard.
TEST_F(Fields, SwitchingToAnotherWindowLeavesTheClipboardAlone) {
  ShowEntry();
  ft::TypeText(win->PassWord(), "pw");
  fw::Clipboard().SetText("exported text");
  QWidget other;
  other.setWindowTitle("another program");
  other.resize(200, 100);
  other.show();
  QApplication::setActiveWindow(&other);
  ft::ProcessEvents();
  EXPECT_EQ(ClipboardText(), "exported text");
  other.hide();
  ft::MoveFocusTo(win->PassWord());
  ft::MoveFocusTo(win->Notes());
  EXPECT_EQ(ClipboardText(), "pw") << "leaving it inside the window still copies";
}

// An entry opened by a find: its password on the clipboard, masked, "SHOW".
class OpenedEntry : public Fields {
 protected:
  void BeforeStart() override { test::MakeDatabase({{"Bank", "me", "s3cr3t pw", "", "http://www.bank.example"}}); }
  void Open() {
    ft::TypeText(win->SearchText(), "Bank");
    ft::PressKey(win->SearchText(), Key::Return);
    ASSERT_EQ(win->Height(), 456);
    ASSERT_EQ(win->PassWord().Text(), "s3cr3t pw");
  }
};

TEST_F(OpenedEntry, TheFirstPressRevealsThePassword) {
  Open();
  ASSERT_EQ(win->ShowHideButton().Caption(), "SHOW");
  ASSERT_TRUE(win->PassWord().Password());
  ft::ClearLog();
  ft::Click(win->ShowHideButton());
  EXPECT_FALSE(win->PassWord().Password());
  EXPECT_EQ(win->ShowHideButton().Caption(), "Hide");
  EXPECT_EQ(ft::Notes(), (std::vector<ft::NoteEvent>{{46, 58, 20}, {46, 58, 0}}));
}

// The label tells whether the clipboard holds the entry's password: a copy of
// anything else hides it, leaving the password field shows it again.
TEST_F(OpenedEntry, ClipInfoFollowsWhatTheClipboardHolds) {
  Open();
  ASSERT_TRUE(win->ClipInfo().Visible());
  ASSERT_EQ(ClipboardText(), "s3cr3t pw");
  SelectWithKeys(win->UserNameTxt(), 0, 2);
  ASSERT_TRUE(Choose(win->UserNameTxt(), "Copy"));
  EXPECT_EQ(ClipboardText(), "me");
  EXPECT_FALSE(win->ClipInfo().Visible());
  // Paste and Show/Hide leave it as it is.
  ASSERT_TRUE(Choose(win->Notes(), "Paste"));
  ft::Click(win->ShowHideButton());
  EXPECT_FALSE(win->ClipInfo().Visible());
  // The masked field's own menu carries its real characters.
  ft::Click(win->ShowHideButton());
  ASSERT_TRUE(win->PassWord().Password());
  SelectWithKeys(win->PassWord(), 0, 6);
  ASSERT_TRUE(Choose(win->PassWord(), "Copy"));
  EXPECT_EQ(ClipboardText(), "s3cr3t");
  ft::MoveFocusTo(win->Notes());
  EXPECT_EQ(ClipboardText(), "s3cr3t pw");
  EXPECT_TRUE(win->ClipInfo().Visible());
}

TEST_F(OpenedEntry, LaunchOpensTheStoredAddress) {
  Open();
  ft::ClearLog();
  ft::ClearShownBoxes();
  ft::Click(win->BevelButton1());
  EXPECT_TRUE(ft::ShownBoxes().empty());
  EXPECT_EQ(ft::LaunchedUrls(), std::vector<std::string>{"http://www.bank.example"});
}

TEST_F(Fields, ShowAndHideRevealAndMaskThePasswordWithTwoTones) {
  ShowEntry();
  ASSERT_EQ(win->ShowHideButton().Caption(), "SHOW");
  ft::TypeText(win->PassWord(), "pw");
  ft::ClearLog();
  struct Press {
    const char* caption;
    bool masked;
    int note;
  };
  // "SHOW", as an entry opens, counts as "Show".
  const Press presses[] = {{"Hide", false, 58}, {"Show", true, 53}, {"Hide", false, 58}, {"Show", true, 53}};
  std::vector<ft::NoteEvent> notes;
  for (const Press& p : presses) {
    ft::Click(win->ShowHideButton());
    EXPECT_EQ(win->ShowHideButton().Caption(), p.caption);
    EXPECT_EQ(win->PassWord().Password(), p.masked);
    notes.push_back({46, p.note, 20});
    notes.push_back({46, p.note, 0});
  }
  EXPECT_EQ(ft::Notes(), notes);
  EXPECT_EQ(win->PassWord().Text(), "pw");
  // The next entry starts masked again, whatever the button showed.
  ft::Click(win->ShowHideButton());
  ASSERT_FALSE(win->PassWord().Password());
  ft::Click(win->CloseButton());
  ShowEntry();
  EXPECT_TRUE(win->PassWord().Password());
  EXPECT_EQ(win->ShowHideButton().Caption(), "SHOW");
}

// --- the web address ---------------------------------------------------------------

TEST_F(Fields, TabIntoTheWebAddressPutsTheInsertionPointAtItsEnd) {
  ShowEntry();
  ASSERT_EQ(win->WebAddress().Text(), "http://www.");
  ft::MoveFocusTo(win->Notes());
  ft::PressKey(win->Notes(), Key::Tab);
  ASSERT_TRUE(win->WebAddress().HasFocus());
  EXPECT_EQ(win->WebAddress().SelLength(), 0);
  EXPECT_EQ(win->WebAddress().SelStart(), 11);
  ft::TypeText(win->WebAddress(), "bank.example");
  EXPECT_EQ(win->WebAddress().Text(), "http://www.bank.example");
  // Left with the insertion point elsewhere, entered again: the end once more.
  ft::PressKey(win->WebAddress(), Key::Home);
  ft::MoveFocusTo(win->Notes());
  ft::PressKey(win->Notes(), Key::Tab);
  EXPECT_EQ(win->WebAddress().SelStart(), 23);
}

// A stand-in for the desktop's opener: writes its arguments, NUL-separated,
// into a file of the test's home.
class Launch : public Fields {
 protected:
  void SetUp() override {
    Fields::SetUp();
    home = std::getenv("HOME");
    bin = home / "bin";
    fs::create_directories(bin);
    out = home / "opened";
    old_path = std::getenv("PATH");
    setenv("PATH", (bin.string() + ":" + old_path).c_str(), 1);
    ft::SetUrlLauncher("xdg-open");
    ShowEntry();
  }
  void TearDown() override {
    setenv("PATH", old_path.c_str(), 1);
    Fields::TearDown();
  }

  void Opener(const std::string& body) {
    const fs::path p = bin / "xdg-open";
    std::ofstream(p) << "#!/bin/sh\n" << body;
    fs::permissions(p, fs::perms::owner_all);
  }
  void RecordingOpener() {
    Opener("printf '%s\\0' \"$@\" > '" + out.string() + ".tmp'\nmv '" + out.string() + ".tmp' '" + out.string() +
           "'\n");
  }

  // The opener's arguments, once it has run.
  std::optional<std::vector<std::string>> Opened() {
    for (int i = 0; i < 500 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!fs::exists(out)) return std::nullopt;
    std::ifstream in(out, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    const std::string all = s.str();
    std::vector<std::string> args;
    for (size_t from = 0, at; (at = all.find('\0', from)) != std::string::npos; from = at + 1)
      args.push_back(all.substr(from, at - from));
    fs::remove(out);
    return args;
  }

  void SetAddress(const std::string& text) {
    Retype(*win, win->WebAddress(), "");
    // Pasted, so that any character can be part of it.
    fw::Clipboard().SetText(text);
    ASSERT_TRUE(Choose(win->WebAddress(), "Paste"));
    ASSERT_EQ(win->WebAddress().Text(), text);
  }

  fs::path home, bin, out;
  std::string old_path;
};

TEST_F(Launch, TheDefaultTextInAnyLetterCaseIsRefused) {
  RecordingOpener();
  for (const char* text : {"http://www.", "HTTP://WWW.", "Http://Www."}) {
    SCOPED_TRACE(text);
    SetAddress(text);
    ft::ClearShownBoxes();
    ft::ClearLog();
    ft::Click(win->BevelButton1());
    ASSERT_EQ(ft::ShownBoxes().size(), 1u);
    EXPECT_EQ(ft::ShownBoxes()[0].text, "Must enter the complete web address to launch web page.");
    EXPECT_EQ(ft::ShownBoxes()[0].style, 0);
    EXPECT_TRUE(ft::Notes().empty()) << "no tone";
    EXPECT_TRUE(ft::LaunchedUrls().empty());
  }
}

// Whatever the field holds goes to the opener as its one argument, never split
// and never seen by a shell.
TEST_F(Launch, AnyOtherTextIsTheOpenersOneArgument) {
  RecordingOpener();
  const std::string pwned = (home / "pwned").string();
  const std::string texts[] = {
      "http://www.bank.example/login",
      "http://www. ",
      "",
      "  http://a.example/two words  ",
      "http://x.example/?a=1&b=2;touch " + pwned + ";$(touch " + pwned + ")`touch " + pwned + "`",
      "http://x.example/'single' \"double\" \\back | > " + pwned + " * ~ $HOME",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    SetAddress(text);
    ft::ClearShownBoxes();
    ft::Click(win->BevelButton1());
    EXPECT_TRUE(ft::ShownBoxes().empty());
    const auto args = Opened();
    ASSERT_TRUE(args.has_value()) << "the opener ran";
    EXPECT_EQ(*args, std::vector<std::string>{text});
    EXPECT_EQ(win->WebAddress().Text(), text) << "the field is left as it was";
  }
  EXPECT_FALSE(fs::exists(pwned));
}

TEST_F(Launch, AMissingOrFailingOpenerChangesNothing) {
  struct Case {
    const char* what;
    std::string opener;  // "" removes it
  };
  const Case cases[] = {{"missing", ""}, {"failing", "exit 3\n"}, {"not runnable", "-"}};
  ft::TypeText(win->WebSystem(), "Bank");
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    fs::remove(bin / "xdg-open");
    // Only the test's own folder, so that no opener of the machine stands in.
    setenv("PATH", k.opener.empty() ? bin.c_str() : (bin.string() + ":" + old_path).c_str(), 1);
    if (k.opener == "-") {
      std::ofstream(bin / "xdg-open") << "not a program";
    } else if (!k.opener.empty()) {
      Opener(k.opener);
    }
    SetAddress("http://www.bank.example");
    ft::ClearShownBoxes();
    ft::Click(win->BevelButton1());
    ft::ProcessEvents();
    EXPECT_TRUE(ft::ShownBoxes().empty());
    EXPECT_FALSE(fw::QuitRequested());
    EXPECT_TRUE(ft::IsOnScreen(*win));
    EXPECT_EQ(win->Height(), 456);
    EXPECT_EQ(win->WebSystem().Text(), "Bank");
    EXPECT_EQ(win->WebAddress().Text(), "http://www.bank.example");
  }
}

// The window goes on while the browser starts: the button's work is done
// before the opener has finished.
TEST_F(Launch, TheWindowDoesNotWaitForTheOpener) {
  const fs::path started = home / "started", release = home / "release", finished = home / "finished";
  Opener("touch '" + started.string() + "'\nfor i in $(seq 100); do [ -e '" + release.string() +
         "' ] && break; sleep 0.1; done\ntouch '" + finished.string() + "'\n");
  SetAddress("http://www.bank.example");
  ft::Click(win->BevelButton1());
  EXPECT_FALSE(fs::exists(finished)) << "the click returned only after the opener ended";
  ft::TypeText(win->UserNameTxt(), "typed meanwhile");
  EXPECT_EQ(win->UserNameTxt().Text(), "typed meanwhile");
  for (int i = 0; i < 500 && !fs::exists(started); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(fs::exists(started));
  std::ofstream(release).put('\n');
  for (int i = 0; i < 500 && !fs::exists(finished); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(fs::exists(finished));
}

}  // namespace
}  // namespace kestrion
