#include "framework/controls/TextArea.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextOption>

#include <functional>
#include <vector>

#include "framework/Text.h"
#include "framework/qt/QtText.h"
#include "framework/qt/TextEditor.h"

namespace fw {

namespace {
// Lines wrap at word boundaries, and a word longer than a line anywhere in
// it. Qt lays out such a word in a time that grows with the square of its
// length (a line of 100,000 characters without a blank: over a second; of
// 1,000,000: minutes, with the window frozen), so a text holding a run of
// this many characters without a blank or a line end wraps anywhere.
constexpr std::size_t kLongestWord = 500;

template <class Text>
bool HasLongWord(const Text& text) {
  std::size_t run = 0;
  for (const auto c : text) {
    if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
      run = 0;
    } else if (++run >= kLongestWord) {
      return true;
    }
  }
  return false;
}

// The widget, which lets the editor look at text that comes in from the
// clipboard or a drop before it is laid out.
class NoteEdit final : public QPlainTextEdit {
 public:
  std::function<void(const QString&)> before_insert;
  // Around an undo or a redo, which may bring back any text the note held
  // since it was set: before, and after (whether or not it changed anything).
  std::function<void()> before_undo, after_undo;

 protected:
  void insertFromMimeData(const QMimeData* source) override {
    if (before_insert && source && source->hasText()) before_insert(source->text());
    QPlainTextEdit::insertFromMimeData(source);
  }
  void keyPressEvent(QKeyEvent* e) override {
    const bool undo = e->matches(QKeySequence::Undo) || e->matches(QKeySequence::Redo);
    if (undo && before_undo) before_undo();
    QPlainTextEdit::keyPressEvent(e);
    if (undo && after_undo) after_undo();
  }
  // Qt's own menu of the note offers Undo and Redo.
  void contextMenuEvent(QContextMenuEvent* e) override {
    if (before_undo) before_undo();
    QPlainTextEdit::contextMenuEvent(e);
    if (after_undo) after_undo();
  }
};

class AreaEditor final : public TextControl::Editor {
 public:
  explicit AreaEditor(Control* owner)
      : Editor(new NoteEdit), te_(static_cast<QPlainTextEdit*>(widget.data())), owner_(owner) {
    te_->setTabChangesFocus(true);
    te_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    te_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    te_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    te_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    auto* edit = static_cast<NoteEdit*>(te_);
    edit->before_insert = [this](const QString& text) {
      if (HasLongWord(text)) WrapAnywhere(true);
    };
    // An undo can put back a long word that an edit removed (and with it
    // wrapping at word boundaries), which Qt would lay out at word boundaries
    // first: minutes for a million characters. So wrapping is anywhere while
    // it runs, and follows the text after it.
    edit->before_undo = [this] { WrapAnywhere(true); };
    edit->after_undo = [this] { WrapAnywhere(HasLongWord(te_->toPlainText())); };
    // A text area reports every setPlainText; keep the last text to report
    // real changes only. SetText reports its own change.
    QObject::connect(te_, &QPlainTextEdit::textChanged, te_, [this] {
      std::string now = FromQ(te_->toPlainText());
      if (now == last_text_) return;
      // Typing and deleting make and unmake long words a character at a
      // time, cheaply laid out either way.
      if (!setting_) WrapAnywhere(HasLongWord(now));
      last_text_ = std::move(now);
      if (setting_) return;
      as_set_ = false;
      owner_->OnTextChange();
    });
  }

  // The widget goes after this editor (unless a panel took it first): it must
  // not report to the editor any more.
  ~AreaEditor() override {
    if (widget) QObject::disconnect(te_, nullptr, nullptr, nullptr);
  }

  // The widget shows every line end as LF. Until the user changes the text,
  // the text is the one that was set, line ends and all; after a change, each
  // line end is written the way the set text wrote its first one.
  std::string Text() const override {
    if (as_set_) return set_text_;
    std::string shown = FromQ(te_->toPlainText());
    if (line_end_ == "\n") return shown;
    std::string out;
    out.reserve(shown.size() + shown.size() / 16);
    for (char c : shown) {
      if (c == '\n') {
        out += line_end_;
      } else {
        out += c;
      }
    }
    return out;
  }
  void SetText(const std::string& text) override {
    const std::string before = Text();
    set_text_ = text;
    as_set_ = true;
    line_end_ = LineEndOf(text);
    // Wrapping anywhere before a long word is laid out; at word boundaries
    // again only once the old text with its long words is gone.
    const bool long_word = HasLongWord(text);
    if (long_word) WrapAnywhere(true);
    setting_ = true;
    te_->setPlainText(DisplayText(text));
    setting_ = false;
    if (!long_word) WrapAnywhere(false);
    if (set_text_ != before) owner_->OnTextChange();
  }
  // Positions count characters of Text(): a CR LF there is two characters,
  // though the widget shows it as one LF.
  int SelStart() const override {
    const QString shown = te_->toPlainText();
    return TextPos(shown, te_->textCursor().selectionStart());
  }
  void SetSelStart(int start) override {
    QTextCursor c = te_->textCursor();
    c.setPosition(ShownPos(te_->toPlainText(), start));
    te_->setTextCursor(c);
  }
  int SelLength() const override {
    const QString shown = te_->toPlainText();
    const QTextCursor c = te_->textCursor();
    return TextPos(shown, c.selectionEnd()) - TextPos(shown, c.selectionStart());
  }
  void Select(int start, int length) override {
    const QString shown = te_->toPlainText();
    QTextCursor c = te_->textCursor();
    c.setPosition(ShownPos(shown, start));
    c.setPosition(ShownPos(shown, start + length), QTextCursor::KeepAnchor);
    te_->setTextCursor(c);
  }
  std::string SelText() const override { return Mid(Text(), SelStart() + 1, SelLength()); }
  void SetSelText(const std::string& text) override {
    if (HasLongWord(text)) WrapAnywhere(true);
    te_->insertPlainText(DisplayText(text));
  }
  void SetReadOnly(bool on) override { te_->setReadOnly(on); }
  void Cut() override { te_->cut(); }
  void Copy() override { te_->copy(); }
  void Paste() override { te_->paste(); }
  void SelectAll() override { te_->selectAll(); }

 private:
  void WrapAnywhere(bool on) {
    const auto mode = on ? QTextOption::WrapAnywhere : QTextOption::WrapAtWordBoundaryOrAnywhere;
    if (te_->wordWrapMode() != mode) te_->setWordWrapMode(mode);
  }

  // For each LF the widget shows, the length of that line end in Text(): 2 for
  // a CR LF, else 1.
  std::vector<int> LineEndSizes(const QString& shown) const {
    const auto shown_ends = static_cast<std::size_t>(shown.count(QLatin1Char('\n')));
    std::vector<int> sizes;
    if (as_set_) {
      for (std::size_t i = 0; i < set_text_.size(); ++i) {
        if (set_text_[i] == '\n') {
          sizes.push_back(1);
        } else if (set_text_[i] == '\r') {
          const bool pair = i + 1 < set_text_.size() && set_text_[i + 1] == '\n';
          sizes.push_back(pair ? 2 : 1);
          if (pair) ++i;
        }
      }
      if (sizes.size() == shown_ends) return sizes;
    }
    sizes.assign(shown_ends, as_set_ ? 1 : static_cast<int>(line_end_.size()));
    return sizes;
  }
  // Characters of Text() before the widget's position (UTF-16 units).
  int TextPos(const QString& shown, int utf16) const {
    const std::vector<int> sizes = LineEndSizes(shown);
    int chars = 0;
    std::size_t end = 0;
    for (int u = 0; u < utf16 && u < shown.size(); ++u) {
      const QChar ch = shown.at(u);
      if (ch.isLowSurrogate()) continue;  // counted with its high half
      chars += ch == QLatin1Char('\n') ? sizes[end++] : 1;
    }
    return chars;
  }
  // The widget's position (UTF-16 units) after `chars` characters of Text().
  int ShownPos(const QString& shown, int chars) const {
    const std::vector<int> sizes = LineEndSizes(shown);
    int u = 0, passed = 0;
    std::size_t end = 0;
    while (u < shown.size() && passed < chars) {
      const QChar ch = shown.at(u);
      passed += ch == QLatin1Char('\n') ? sizes[end++] : 1;
      u += ch.isHighSurrogate() && u + 1 < shown.size() ? 2 : 1;
    }
    return u;
  }

  // CR LF, CR or LF: the first line end of the text, LF for a text without one.
  static std::string LineEndOf(const std::string& text) {
    const std::size_t at = text.find_first_of("\r\n");
    if (at == std::string::npos || text[at] == '\n') return "\n";
    return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
  }

  QPlainTextEdit* te_;  // owned through widget
  Control* owner_;
  std::string last_text_;  // the widget's text at its last change
  std::string set_text_;   // the text as last set
  std::string line_end_ = "\n";
  bool as_set_ = true;     // the user has not changed the text since
  bool setting_ = false;
};
}  // namespace

TextArea::TextArea() : WithFieldEvents(std::make_unique<AreaEditor>(this)) {}

}  // namespace fw
