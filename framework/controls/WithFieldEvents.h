#pragma once
#include <functional>
#include <string>

namespace fw {

class MenuItem;

// The events of a text control, each a member that the window binds to one
// of its handlers; Self is the control class the handlers take.
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

}  // namespace fw
