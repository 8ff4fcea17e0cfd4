// The text area keeps the line ends it was given, a close that its handler
// cancels, and text that an input method commits without a key press.
#include <gtest/gtest.h>

#include "framework/Controls.h"
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
