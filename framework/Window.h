#pragma once
// Windows: one implicit instance per class, built in two steps (construct,
// then the creation events), holding their controls by name.
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace fw {

class Control;
class MenuBar;
class Picture;

class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Creation events, raised once by Construct in this order.
  virtual void Layout() {}
  virtual void CreateControls() {}
  virtual void AddMenuHandlers(Window& /*w*/) {}
  virtual void Event_Open() {}
  // Raised by the close box and by Close(); the window is then closed, unless
  // the handler calls CancelClose.
  virtual void Event_Close() {}
  // Raised first when the user or the window manager asks the window to close
  // (its close box, Alt+F4); True keeps it open. A window without a close box
  // stays open whatever it answers.
  virtual bool Event_CloseRequested() { return false; }
  virtual void Event_Activate() {}
  // Keys that no control took; True swallows the key.
  virtual bool Event_KeyDown(const std::string& /*key*/) { return false; }

  // A locked window takes no events: while it answers True, none of its
  // handlers runs, whatever raised the event (the user, another program
  // through the accessibility interface, a timer, the program itself). The
  // refusal is made where events reach the handlers: the control events bound
  // with FW_BIND, the menu commands (InvokeMenuHandler), the Activate and
  // KeyDown events, the standard editing commands on its fields. A refused
  // event is taken and nothing is done: a handler that answers is answered
  // True (a key is swallowed, a press goes no further), a menu command counts
  // as handled. Closing the window is not refused.
  virtual bool Locked() const { return false; }

  // Registers the window under its class name, then raises its creation events.
  static void Construct(Window* w, const std::string& class_name);

  // Window properties.
  void SetTitle(const std::string& title);
  std::string Title() const;
  int Width() const;
  int Height() const;
  void SetWidth(int w);
  void SetHeight(int h);
  void SetSize(int w, int h);
  void SetMinSize(int w, int h);
  void SetMaxSize(int w, int h);
  void SetResizeable(bool on);
  void SetCloseButton(bool on);
  bool HasCloseButton() const;
  void SetMinimizeButton(bool on);
  void SetMaximizeButton(bool on);
  // A modal window takes all input while it is shown: no other window of the
  // program gets keys, clicks or menu shortcuts.
  void SetModal(bool on);
  void SetFullScreen(bool on);
  void SetMenuBarVisible(bool on);
  void SetBackColor(bool has_back_color, unsigned rgb);
  // 0: where the system puts it; 2: centred on the main screen.
  void SetPlacement(int code);
  void SetFrame(int code);

  // A window made visible before its Open event (by its Layout, as a window
  // that is visible when created) appears once all its creation events have
  // run: its Open event may still hide it, and then it is never on screen. A
  // Show from the Open event itself shows it at once.
  bool Visible() const;
  void SetVisible(bool on);
  void Show();
  void Hide();
  // Redraws the window; now = True paints before returning.
  void Refresh(bool now = false);
  // Raises Close and then closes the window, as the close box does.
  void Close();
  bool IsClosing() const { return closing_; }
  // Called from Event_Close: the window stays open after all.
  void CancelClose() { close_cancelled_ = true; }
  // True while the creation events run.
  bool IsConstructing() const { return constructing_; }

  void SetBackdrop(std::shared_ptr<Picture> picture);
  std::shared_ptr<Picture> Backdrop() const;

  void SetMenuBar(MenuBar* bar);
  MenuBar* GetMenuBar() { return menu_bar_; }
  const MenuBar* GetMenuBar() const { return menu_bar_; }
  // Binds a menu item name to a handler that answers True when handled.
  void AddMenuHandler(const std::string& item_name, std::function<bool()> handler);
  bool HasMenuHandler(const std::string& item_name) const;
  bool InvokeMenuHandler(const std::string& item_name);

  // Controls, owned by the window, found again by name. A name holds one
  // control: a second one under it is refused with std::invalid_argument.
  template <class T>
  T& New(const std::string& name) {
    auto c = std::make_unique<T>();
    T& ref = *c;
    AddControl(std::move(c), name);
    return ref;
  }
  // Nil when no control has that name.
  Control* ControlByName(const std::string& name);
  const Control* ControlByName(const std::string& name) const;
  // The control of that name and class: std::out_of_range when there is none,
  // std::bad_cast when it is of another class.
  template <class T>
  T& Find(const std::string& name) {
    return dynamic_cast<T&>(ControlNamed(name));
  }
  template <class T>
  const T& Find(const std::string& name) const {
    return dynamic_cast<const T&>(const_cast<Window*>(this)->ControlNamed(name));
  }
  // In creation order.
  const std::vector<Control*>& Controls() const { return order_; }

  struct Impl;
  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  void AddControl(std::unique_ptr<Control> c, const std::string& name);
  Control& ControlNamed(const std::string& name);
  void FinishCreation();
  friend struct Impl;

  std::unique_ptr<Impl> impl_;
  std::map<std::string, std::unique_ptr<Control>> controls_;
  std::vector<Control*> order_;
  std::map<std::string, std::function<bool()>> menu_handlers_;
  MenuBar* menu_bar_ = nullptr;
  bool closing_ = false;
  bool close_cancelled_ = false;
  bool constructing_ = false;
  std::string class_name_;
};

// The live window registered under a class name, or nil.
Window* GetImplicitWindow(const std::string& class_name);
// Every live window, oldest first.
std::vector<Window*> AllWindows();

// The implicit instance of a window class: created and constructed on first use.
// A window of another class under the same name is a std::logic_error.
template <class W>
W& ImplicitInstance(const std::string& class_name) {
  if (Window* w = GetImplicitWindow(class_name)) {
    if (auto* mine = dynamic_cast<W*>(w)) return *mine;
    throw std::logic_error("the window registered as " + class_name + " is of another class");
  }
  W* w = new W();
  Window::Construct(w, class_name);
  return *w;
}

}  // namespace fw

namespace fw::internal {
// Runs a bound handler unless its window is locked (Window::Locked).
template <class Handler>
auto Deliver(const Window& w, Handler&& handler) -> decltype(handler()) {
  if (w.Locked()) {
    if constexpr (std::is_void_v<decltype(handler())>) {
      return;
    } else {
      return true;
    }
  }
  return handler();
}
}  // namespace fw::internal

// Binds a control's event, inside a window's member, to the window's member
// handler: the control is the one the accessor `ctl` names, and it holds the
// window without owning it. The handler does not run while the window is
// locked. For example FW_BIND(FindButton, Action, FindButton_Action).
#define FW_BIND(ctl, Event, Member)                                          \
  Find<std::remove_reference_t<decltype(ctl())>>(#ctl).Event = [this](auto&&... a) { \
    return ::fw::internal::Deliver(*this, [&] { return Member(a...); });   \
  }
