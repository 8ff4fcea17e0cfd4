// The text area keeps the line ends it was given, a close that its handler
// cancels, and text that an input method commits without a key press.
#include <gtest/gtest.h>

#include "framework/Clipboard.h"
#include "framework/Controls.h"
#include "framework/Text.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"

namespace {

namespace ft = fw::testing;

class Pad : public fw::Window {
 public:
  int changes = 0, closes = 0, keys = 0;
  bool keep_open = false;

  void Layout() override {
    SetTitle("Pad");
    SetSize(300, 200);
    SetVisible(true);
  }
  void CreateControls() override {
    auto& a = New<fw::TextArea>("Area");
    a.SetPosition(10, 10, 280, 120);
    a.TextChange = [this](fw::TextArea&) { ++changes; };
    a.KeyDown = [this](fw::TextArea&, const std::string&) { ++keys; return false; };
    New<fw::TextField>("Field").SetPosition(10, 140, 280, 24);
  }
  void Event_Close() override {
    ++closes;
    if (keep_open) CancelClose();
  }
  fw::TextArea& Area() { return Find<fw::TextArea>("Area"); }
  fw::TextField& Field() { return Find<fw::TextField>("Field"); }
};

Pad& ThePad() { return fw::ImplicitInstance<Pad>("Pad.Pad"); }

TEST(TextAreaLineEnds, TheTextSetIsTheTextReadBack) {
  Pad& p = ThePad();
  for (const char* text : {"a\r\nb", "a\rb", "a\nb", "one\r\ntwo\nthree\rfour\r\n", "\r\n\r\n", "", "plain"}) {
    p.Area().SetText(text);
    EXPECT_EQ(p.Area().Text(), text) << testing::PrintToString(std::string(text));
  }
}

TEST(TextAreaLineEnds, ChangingOnlyTheLineEndsIsAChange) {
  Pad& p = ThePad();
  p.Area().SetText("a\nb");
  const int before = p.changes;
  p.Area().SetText("a\r\nb");
  EXPECT_EQ(p.changes, before + 1);
  p.Area().SetText("a\r\nb");
  EXPECT_EQ(p.changes, before + 1) << "the same text again is no change";
}

// Once the user edits, every line end, those typed included, is written the
// way the text's first line end was; LF in a text that had none.
TEST(TextAreaLineEnds, AfterAnEditEachLineEndTakesTheTextsOwnForm) {
  Pad& p = ThePad();
  struct Case {
    const char* set;
    const char* after;  // after typing x, Return, y at the start
  };
  const Case cases[] = {
      {"a\r\nb", "x\r\nya\r\nb"},
      {"a\rb", "x\rya\rb"},
      {"a\nb", "x\nya\nb"},
      {"ab", "x\nyab"},
      {"", "x\ny"},
      {"a\r\nb\nc", "x\r\nya\r\nb\r\nc"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.set)));
    p.Area().SetText(c.set);
    p.Area().SetSelStart(0);
    const int before = p.changes;
    ft::TypeText(p.Area(), "x\ry");
    EXPECT_EQ(p.Area().Text(), c.after);
    EXPECT_EQ(p.changes, before + 3);
  }
}

TEST(TextAreaLineEnds, AnEditUndoneByAnotherKeepsTheTextAsSet) {
  Pad& p = ThePad();
  p.Area().SetText("a\r\nb");
  p.Area().SetSelStart(0);
  ft::TypeText(p.Area(), "x");
  ft::PressKey(p.Area(), ft::Key::Backspace);
  EXPECT_EQ(p.Area().Text(), "a\r\nb");
}

// Positions count characters of the text read back, where a CR LF is two.
TEST(TextAreaLineEnds, PositionsCountTheTextsOwnCharacters) {
  Pad& p = ThePad();
  p.Area().SetText("ab\r\ncd\ref");
  p.Area().SetSelStart(1);
  p.Area().SetSelLength(6);
  EXPECT_EQ(p.Area().SelStart(), 1);
  EXPECT_EQ(p.Area().SelLength(), 6);
  EXPECT_EQ(p.Area().SelText(), "b\r\ncd\r");

  p.Area().SetSelStart(4);  // after the CR LF
  ft::TypeText(p.Area(), "X");
  EXPECT_EQ(p.Area().Text(), "ab\r\nXcd\r\nef") << "after an edit, line ends take the first one's form";
  EXPECT_EQ(p.Area().SelStart(), 5);
  p.Area().SetSelStart(99);
  EXPECT_EQ(p.Area().SelStart(), 11) << "the end";
}

// --- wrapping ------------------------------------------------------------------

// Words of a few letters, `count` of them, each followed by a blank.
std::string Words(int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += "word" + std::to_string(i) + " ";
  return s;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l;
  return all;
}

// Every line but the last ends after a blank: no word is cut at a line's end.
void ExpectWrappedAtWordBoundaries(const std::vector<std::string>& lines) {
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_EQ(lines[i].back(), ' ') << "line " << i << " cuts a word: " << lines[i] << "|" << lines[i + 1];
}

// Every line but the last holds as many characters as the first: the run is
// cut wherever the width ends.
void ExpectWrappedAnywhere(const std::vector<std::string>& lines) {
  ASSERT_GT(lines.size(), 2u);
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), lines[0].size()) << "line " << i;
}

TEST(TextAreaWrapping, OrdinaryTextWrapsAtWordBoundaries) {
  Pad& p = ThePad();
  const std::string text = Words(200);
  p.Area().SetText(text);
  const std::vector<std::string> lines = ft::LinesOnScreen(p.Area());
  ASSERT_GT(lines.size(), 5u);
  EXPECT_EQ(Joined(lines), text);
  ExpectWrappedAtWordBoundaries(lines);

  // Typed, too.
  p.Area().SetText("");
  ft::TypeText(p.Area(), Words(40));
  ExpectWrappedAtWordBoundaries(ft::LinesOnScreen(p.Area()));
}

// A line with no blank in it is cut where the width ends; once it is gone,
// words are kept whole again. Set, pasted or typed alike.
TEST(TextAreaWrapping, ALongRunWithoutABlankWrapsAnywhereAndWordsAreKeptWholeOnceItIsGone) {
  Pad& p = ThePad();
  const std::string run(100000, 'x');
  p.Area().SetText(run);
  std::vector<std::string> lines = ft::LinesOnScreen(p.Area());
  EXPECT_EQ(Joined(lines), run);
  ExpectWrappedAnywhere(lines);
  EXPECT_GT(lines.size(), 1000u);

  p.Area().SetText(Words(200));
  ExpectWrappedAtWordBoundaries(ft::LinesOnScreen(p.Area()));

  // Pasted at the end of ordinary text.
  p.Area().SetSelStart(fw::Len(p.Area().Text()));
  fw::Clipboard().SetText(std::string(20000, 'y'));
  p.Area().Paste();
  lines = ft::LinesOnScreen(p.Area());
  EXPECT_EQ(Joined(lines), Words(200) + std::string(20000, 'y'));
  EXPECT_EQ(lines.back().find_first_not_of('y'), std::string::npos);
  EXPECT_EQ(lines[lines.size() - 2].find_first_not_of('y'), std::string::npos);

  // Gone again: everything selected and replaced by typed words.
  p.Area().SelectAll();
  ft::TypeText(p.Area(), Words(40));
  ExpectWrappedAtWordBoundaries(ft::LinesOnScreen(p.Area()));

  // Brought back by an undo (Ctrl+Z) after an edit removed it: cut anywhere
  // again, the text whole; words whole once more after the redo.
  p.Area().SetText(run);
  p.Area().SelectAll();
  ft::TypeText(p.Area(), Words(40));
  ExpectWrappedAtWordBoundaries(ft::LinesOnScreen(p.Area()));
  ft::PressShortcut(p, 'z');
  lines = ft::LinesOnScreen(p.Area());
  EXPECT_EQ(Joined(lines), run);
  ExpectWrappedAnywhere(lines);

  // A run typed a character at a time is cut at the width as it grows.
  p.Area().SetText("");
  ft::TypeText(p.Area(), std::string(600, 'z'));
  ExpectWrappedAnywhere(ft::LinesOnScreen(p.Area()));
}

TEST(InputMethod, CommittedTextArrivesWithoutAKeyPress) {
  Pad& p = ThePad();
  const int keys = p.keys, changes = p.changes;
  p.Area().SetText("");
  ft::CommitInputMethodText(p.Area(), "\xC3\xA9");  // é
  EXPECT_EQ(p.Area().Text(), "\xC3\xA9");
  EXPECT_EQ(p.keys, keys);
  EXPECT_GT(p.changes, changes);
  ft::CommitInputMethodText(p.Field(), "\xE2\x82\xAC");  // €
  EXPECT_EQ(p.Field().Text(), "\xE2\x82\xAC");
}

TEST(Window, ACloseThatItsHandlerCancelsLeavesTheWindowOpen) {
  Pad& p = ThePad();
  p.keep_open = true;
  ft::ClickCloseBox(p);
  EXPECT_EQ(p.closes, 1);
  EXPECT_FALSE(p.IsClosing());
  EXPECT_EQ(fw::GetImplicitWindow("Pad.Pad"), &p);
  EXPECT_TRUE(ft::IsOnScreen(p));

  p.keep_open = false;
  ft::ClickCloseBox(p);
  EXPECT_EQ(p.closes, 2);
  EXPECT_EQ(fw::GetImplicitWindow("Pad.Pad"), nullptr);
}

}  // namespace
