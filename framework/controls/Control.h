#pragma once
// The base of a window's controls. Positions are in window coordinates, also
// for the controls inside a panel; a panel is the parent of its controls, so
// hiding it hides them.
#include <memory>
#include <string>

namespace fw {

class MenuItem;
class Window;

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Window& Owner() { return *owner_; }
  const Window& Owner() const { return *owner_; }

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
  Control* Parent() { return parent_; }
  const Control* Parent() const { return parent_; }

  struct Impl;
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

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

}  // namespace fw
