#include "framework/controls/TextField.h"

#include <QLineEdit>

#include "framework/qt/QtText.h"
#include "framework/qt/TextEditor.h"

namespace fw {

namespace {
class LineEditor final : public TextControl::Editor {
 public:
  explicit LineEditor(Control* owner) : Editor(new QLineEdit), le_(static_cast<QLineEdit*>(widget.data())) {
    // A line edit reports only real changes, from typing and from setText alike.
    QObject::connect(le_, &QLineEdit::textChanged, le_, [owner] { owner->OnTextChange(); });
  }

  // The widget goes after its control (unless a panel took it first): it must
  // not report to the control any more.
  ~LineEditor() override {
    if (widget) QObject::disconnect(le_, nullptr, nullptr, nullptr);
  }

  std::string Text() const override { return FromQ(le_->text()); }
  void SetText(const std::string& text) override { le_->setText(ToQ(text)); }
  int SelStart() const override {
    const int s = le_->hasSelectedText() ? le_->selectionStart() : le_->cursorPosition();
    return CharsOf(le_->text(), s);
  }
  void SetSelStart(int start) override { le_->setCursorPosition(Utf16Of(le_->text(), start)); }
  int SelLength() const override { return static_cast<int>(le_->selectedText().toUcs4().size()); }
  void Select(int start, int length) override {
    const QString t = le_->text();
    const int a = Utf16Of(t, start);
    const int b = Utf16Of(t, start + length);
    le_->setSelection(a, b - a);
  }
  std::string SelText() const override { return FromQ(le_->selectedText()); }
  void SetSelText(const std::string& text) override { le_->insert(ToQ(text)); }
  void SetReadOnly(bool on) override { le_->setReadOnly(on); }
  void Cut() override { le_->cut(); }
  void Copy() override { le_->copy(); }
  void Paste() override { le_->paste(); }
  void SelectAll() override { le_->selectAll(); }

  QLineEdit* line() const { return le_; }

 private:
  QLineEdit* le_;  // owned through widget
};

const LineEditor& EditorOf(const TextField& f) { return static_cast<const LineEditor&>(f.impl()); }
}  // namespace

TextField::TextField() : WithFieldEvents(std::make_unique<LineEditor>(this)) {}
void TextField::SetPassword(bool on) {
  EditorOf(*this).line()->setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal);
}
bool TextField::Password() const { return EditorOf(*this).line()->echoMode() == QLineEdit::Password; }

}  // namespace fw
