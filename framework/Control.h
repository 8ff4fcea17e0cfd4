#pragma once
// Controls of a window. Positions are in window coordinates, also for the
// controls inside a panel; a panel is the parent of its controls, so hiding
// it hides them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class MenuItem;
class Window;

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Window& Owner() const { return *owner_; }

  void SetPosition(int left, int top, int width, int height);
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  bool Enabled() const;
  void SetEnabled(bool on);
  // The control's own flag: a control inside a hidden panel keeps it.
  bool Visible() const;
  void SetVisible(bool on);
  void SetFocus();
  bool HasFocus() const;

  // Text size in pixels; 0 keeps the framework's default.
  void SetTextSize(int size);
  int TextSize() const { return text_size_; }
  void SetTextUnit(int unit) { text_unit_ = unit; }
  void SetBold(bool on);
  bool Bold() const { return bold_; }
  void SetTabIndex(int index) { tab_index_ = index; }
  int TabIndex() const { return tab_index_; }
  void SetTextColor(unsigned rgb);

  // Makes the control a child of a panel (or of another control).
  void SetParent(Control* parent);
  Control* Parent() const { return parent_; }

  struct Impl;
  Impl& impl() const { return *impl_; }

  // Events that the framework raises; a class overrides those it has.
  virtual void OnAction() {}
  virtual void OnTextChange() {}
  virtual bool OnKeyDown(const std::string&) { return false; }
  virtual void OnKeyUp(const std::string&) {}
  virtual void OnGotFocus() {}
  virtual void OnLostFocus() {}
  virtual bool OnMouseDown(int, int) { return false; }
  virtual bool HasContextualMenu() const { return false; }
  virtual bool OnConstructContextualMenu(MenuItem&, int, int) { return false; }
  virtual bool OnContextualMenuAction(MenuItem&) { return false; }
  virtual bool OnCellClick(int, int, int, int) { return false; }

 protected:
  Control();
  explicit Control(std::unique_ptr<Impl> impl);

 private:
  friend class Window;
  void Attach(Window& owner, const std::string& name);
  void ApplyFont();

  std::unique_ptr<Impl> impl_;
  std::string name_;
  Window* owner_ = nullptr;
  Control* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int text_size_ = 0;
  int text_unit_ = 0;
  bool bold_ = false;
  int tab_index_ = 0;
};

class Label : public Control {
 public:
  Label();
  std::string Text() const;
  void SetText(const std::string& text);
  // 0 left, 1 centred, 2 right.
  void SetTextAlign(int align);
  void SetMultiline(bool on);

  std::function<bool(Label&, int, int)> MouseDown;
  bool OnMouseDown(int x, int y) override { return MouseDown && MouseDown(*this, x, y); }
};

class PushButton : public Control {
 public:
  PushButton();
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  // Return presses the default button, Esc the cancel button.
  void SetDefault(bool on);
  void SetCancel(bool on);

  std::function<void(PushButton&)> Action;
  void OnAction() override { if (Action) Action(*this); }
};

// A flat button that never takes the keyboard focus unless allowed.
class BevelButton : public Control {
 public:
  BevelButton();
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  void SetAcceptFocus(bool on);

  std::function<void(BevelButton&)> Action;
  void OnAction() override { if (Action) Action(*this); }
};

// What the single-line field and the text area share.
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

 protected:
  explicit TextControl(std::unique_ptr<Impl> impl);
};

template <class Self, class Base>
class WithFieldEvents : public Base {
 public:
  std::function<void(Self&)> TextChange;
  std::function<bool(Self&, const std::string&)> KeyDown;
  std::function<void(Self&, const std::string&)> KeyUp;
  std::function<void(Self&)> GotFocus;
  std::function<void(Self&)> LostFocus;
  std::function<bool(Self&, int, int)> MouseDown;
  std::function<bool(Self&, MenuItem&, int, int)> ConstructContextualMenu;
  std::function<bool(Self&, MenuItem&)> ContextualMenuAction;

  void OnTextChange() override { if (TextChange) TextChange(self()); }
  bool OnKeyDown(const std::string& key) override { return KeyDown && KeyDown(self(), key); }
  void OnKeyUp(const std::string& key) override { if (KeyUp) KeyUp(self(), key); }
  void OnGotFocus() override { if (GotFocus) GotFocus(self()); }
  void OnLostFocus() override { if (LostFocus) LostFocus(self()); }
  bool OnMouseDown(int x, int y) override { return MouseDown && MouseDown(self(), x, y); }
  bool HasContextualMenu() const override { return static_cast<bool>(ConstructContextualMenu); }
  bool OnConstructContextualMenu(MenuItem& base, int x, int y) override {
    return ConstructContextualMenu && ConstructContextualMenu(self(), base, x, y);
  }
  bool OnContextualMenuAction(MenuItem& item) override {
    return ContextualMenuAction && ContextualMenuAction(self(), item);
  }

 protected:
  using Base::Base;

 private:
  Self& self() { return static_cast<Self&>(*this); }
};

class TextField : public WithFieldEvents<TextField, TextControl> {
 public:
  TextField();
  // True masks the typed characters.
  void SetPassword(bool on);
  bool Password() const;
};

class TextArea : public WithFieldEvents<TextArea, TextControl> {
 public:
  TextArea();
};

// A one-column list with a heading.
class Listbox : public Control {
 public:
  Listbox();
  void SetHeading(const std::string& heading);
  std::string Heading() const;
  void DeleteAllRows();
  void AddRow(const std::string& text);
  int ListCount() const;
  std::string Cell(int row, int column) const;
  // Sorts the rows by their text, ignoring letter case.
  void Sort();
  int ListIndex() const;

  std::function<bool(Listbox&, int, int, int, int)> CellClick;
  bool OnCellClick(int row, int column, int x, int y) override {
    return CellClick && CellClick(*this, row, column, x, y);
  }
};

class RoundRectangle : public Control {
 public:
  RoundRectangle();
  void SetFillColor(unsigned rgb);
  void SetBorderColor(unsigned rgb);
  void SetBorderWidth(int width);
  void SetOval(int width, int height);
};

class Rectangle : public Control {
 public:
  Rectangle();
  void SetFillColor(unsigned rgb);
  void SetBorderColor(unsigned rgb);
  void SetBorderWidth(int width);
};

// Plays single notes of a General MIDI instrument; not drawn.
class NotePlayer : public Control {
 public:
  NotePlayer();
  void SetInstrument(int instrument);
  int Instrument() const { return instrument_; }
  // Velocity 0 ends the note.
  void PlayNote(int note, int velocity);

 private:
  int instrument_ = 1;
};

}  // namespace fw
