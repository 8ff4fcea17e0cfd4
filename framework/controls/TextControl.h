#pragma once
#include <memory>
#include <string>

#include "framework/controls/Control.h"

namespace fw {

// What the single-line field and the text area share. Each of them brings
// its own editor behind these members.
class TextControl : public Control {
 public:
  std::string Text() const;
  // Raises TextChange when the text really changes, as typing does.
  void SetText(const std::string& text);
  // Positions and lengths count characters.
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  std::string SelText() const;
  void SetSelText(const std::string& text);
  void SetReadOnly(bool on);

  // The standard editing commands.
  void Cut();
  void Copy();
  void Paste();
  void SelectAll();

  // The editor of a kind of text control (framework/qt/TextEditor.h).
  struct Editor;

 protected:
  explicit TextControl(std::unique_ptr<Editor> editor);

 private:
  Editor& editor();
  const Editor& editor() const;
};

}  // namespace fw
