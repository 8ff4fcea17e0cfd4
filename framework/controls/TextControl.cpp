#include "framework/controls/TextControl.h"

#include "framework/qt/TextEditor.h"

namespace fw {

TextControl::TextControl(std::unique_ptr<Editor> editor) : Control(std::move(editor)) {}

TextControl::Editor& TextControl::editor() { return static_cast<Editor&>(impl()); }
const TextControl::Editor& TextControl::editor() const { return static_cast<const Editor&>(impl()); }

std::string TextControl::Text() const { return editor().Text(); }
void TextControl::SetText(const std::string& text) { editor().SetText(text); }
int TextControl::SelStart() const { return editor().SelStart(); }
void TextControl::SetSelStart(int start) { editor().SetSelStart(start < 0 ? 0 : start); }
int TextControl::SelLength() const { return editor().SelLength(); }
void TextControl::SetSelLength(int length) { editor().Select(SelStart(), length < 0 ? 0 : length); }
std::string TextControl::SelText() const { return editor().SelText(); }
void TextControl::SetSelText(const std::string& text) { editor().SetSelText(text); }
void TextControl::SetReadOnly(bool on) { editor().SetReadOnly(on); }
void TextControl::Cut() { editor().Cut(); }
void TextControl::Copy() { editor().Copy(); }
void TextControl::Paste() { editor().Paste(); }
void TextControl::SelectAll() { editor().SelectAll(); }

}  // namespace fw
