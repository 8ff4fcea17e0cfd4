#pragma once
// Menus: a tree of items with names, captions, shortcuts and an auto-enable
// flag. The windows' menu bars on screen mirror this tree.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class MenuItem {
 public:
  MenuItem();
  explicit MenuItem(const std::string& caption);
  virtual ~MenuItem();
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  // As written, e.g. "Cmd+s"; Cmd means Ctrl here.
  const std::string& KeyboardShortcut() const { return shortcut_; }
  void SetKeyboardShortcut(const std::string& shortcut);
  // True: the item is enabled whenever its menu is shown; False: disabled.
  bool AutoEnable() const { return auto_enable_; }
  void SetAutoEnable(bool on);
  const std::string& Tag() const { return tag_; }
  void SetTag(const std::string& tag) { tag_ = tag; }
  // A caption of "-" makes the item a separator line.
  bool IsSeparator() const { return text_ == "-"; }

  MenuItem& Append(std::unique_ptr<MenuItem> item);
  int Count() const { return static_cast<int>(children_.size()); }
  // Nil for an index out of range.
  MenuItem* Item(int index);
  const MenuItem* Item(int index) const;
  MenuItem* Parent() { return parent_; }
  const MenuItem* Parent() const { return parent_; }
  // A direct child by name; nil when there is none.
  MenuItem* Child(const std::string& name);
  const MenuItem* Child(const std::string& name) const;
  // An item by name anywhere below this one; nil when there is none.
  MenuItem* Lookup(const std::string& name);
  const MenuItem* Lookup(const std::string& name) const;

  // Called on every change of this item or of the items below it.
  using Observer = std::function<void(MenuItem& changed, bool structure)>;
  int AddObserver(Observer observer);
  void RemoveObserver(int id);

 private:
  void Notify(bool structure);

  std::string name_, text_, shortcut_, tag_;
  bool auto_enable_ = true;
  MenuItem* parent_ = nullptr;
  std::vector<std::unique_ptr<MenuItem>> children_;
  std::vector<std::pair<int, Observer>> observers_;
  int next_observer_ = 1;
};

}  // namespace fw
