#include "framework/MenuItem.h"

#include <algorithm>

namespace fw {

MenuItem::MenuItem() = default;
MenuItem::MenuItem(const std::string& caption) : text_(caption) {}
MenuItem::~MenuItem() = default;

void MenuItem::SetText(const std::string& text) {
  text_ = text;
  Notify(false);
}

void MenuItem::SetKeyboardShortcut(const std::string& shortcut) {
  shortcut_ = shortcut;
  Notify(false);
}

void MenuItem::SetAutoEnable(bool on) {
  auto_enable_ = on;
  Notify(false);
}

MenuItem& MenuItem::Append(std::unique_ptr<MenuItem> item) {
  item->parent_ = this;
  children_.push_back(std::move(item));
  Notify(true);
  return *children_.back();
}

MenuItem* MenuItem::Item(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  return children_[index].get();
}
const MenuItem* MenuItem::Item(int index) const { return const_cast<MenuItem*>(this)->Item(index); }

MenuItem* MenuItem::Child(const std::string& name) {
  for (const auto& c : children_)
    if (c->name_ == name) return c.get();
  return nullptr;
}
const MenuItem* MenuItem::Child(const std::string& name) const { return const_cast<MenuItem*>(this)->Child(name); }

MenuItem* MenuItem::Lookup(const std::string& name) {
  for (const auto& c : children_) {
    if (c->name_ == name) return c.get();
    if (MenuItem* found = c->Lookup(name)) return found;
  }
  return nullptr;
}
const MenuItem* MenuItem::Lookup(const std::string& name) const { return const_cast<MenuItem*>(this)->Lookup(name); }

int MenuItem::AddObserver(Observer observer) {
  observers_.emplace_back(next_observer_, std::move(observer));
  return next_observer_++;
}

void MenuItem::RemoveObserver(int id) {
  observers_.erase(std::remove_if(observers_.begin(), observers_.end(),
                                  [id](const auto& o) { return o.first == id; }),
                   observers_.end());
}

void MenuItem::Notify(bool structure) {
  // Observers sit on the root (the bar); tell every ancestor.
  for (MenuItem* m = this; m; m = m->parent_) {
    auto copy = m->observers_;
    for (auto& [id, fn] : copy) fn(*this, structure);
  }
}

}  // namespace fw
