#include "framework/controls/TextArea.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include "framework/qt/QtText.h"
#include "framework/qt/TextEditor.h"

namespace fw {

namespace {
class AreaEditor final : public TextControl::Editor {
 public:
  explicit AreaEditor(Control* owner)
      : Editor(new QPlainTextEdit), te_(static_cast<QPlainTextEdit*>(widget.data())) {
    te_->setTabChangesFocus(true);
    te_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    te_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    te_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // A text area reports every setPlainText; keep the last text to report
    // real changes only.
    QObject::connect(te_, &QPlainTextEdit::textChanged, te_, [this, owner] {
      std::string now = FromQ(te_->toPlainText());
      if (now == last_text_) return;
      last_text_ = std::move(now);
      owner->OnTextChange();
    });
  }

  // The widget goes after this editor (unless a panel took it first): it must
  // not report to the editor any more.
  ~AreaEditor() override {
    if (widget) QObject::disconnect(te_, nullptr, nullptr, nullptr);
  }

  std::string Text() const override { return FromQ(te_->toPlainText()); }
  void SetText(const std::string& text) override { te_->setPlainText(DisplayText(text)); }
  int SelStart() const override { return CharsOf(te_->toPlainText(), te_->textCursor().selectionStart()); }
  void SetSelStart(int start) override {
    QTextCursor c = te_->textCursor();
    c.setPosition(Utf16Of(te_->toPlainText(), start));
    te_->setTextCursor(c);
  }
  int SelLength() const override { return static_cast<int>(te_->textCursor().selectedText().toUcs4().size()); }
  void Select(int start, int length) override {
    const QString t = te_->toPlainText();
    QTextCursor c = te_->textCursor();
    c.setPosition(Utf16Of(t, start));
    c.setPosition(Utf16Of(t, start + length), QTextCursor::KeepAnchor);
    te_->setTextCursor(c);
  }
  std::string SelText() const override {
    QString s = te_->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, '\n');
    return FromQ(s);
  }
  void SetSelText(const std::string& text) override { te_->insertPlainText(DisplayText(text)); }
  void SetReadOnly(bool on) override { te_->setReadOnly(on); }
  void Cut() override { te_->cut(); }
  void Copy() override { te_->copy(); }
  void Paste() override { te_->paste(); }
  void SelectAll() override { te_->selectAll(); }

 private:
  QPlainTextEdit* te_;  // owned through widget
  std::string last_text_;
};
}  // namespace

TextArea::TextArea() : WithFieldEvents(std::make_unique<AreaEditor>(this)) {}

}  // namespace fw
