#include "framework/qt/WindowRegistry.h"

#include <QObject>
#include <algorithm>
#include <memory>
#include <vector>

#include "framework/Application.h"
#include "framework/Window.h"

namespace fw {

namespace {
struct Entry {
  std::string class_name;
  std::unique_ptr<Window> window;
};
// Never destroyed at exit: windows must go before Qt does (ReleaseAllWindows).
std::vector<Entry>& live() {
  static auto* v = new std::vector<Entry>;
  return *v;
}
// Closed windows wait here until the event loop level that closed them is left.
std::vector<std::unique_ptr<Window>>& closed() {
  static auto* v = new std::vector<std::unique_ptr<Window>>;
  return *v;
}

// Deleted later by the event loop; deletes the closed window with it.
class Reaper : public QObject {
 public:
  explicit Reaper(Window* w) : w_(w) {}
  ~Reaper() override {
    auto& c = closed();
    auto it = std::find_if(c.begin(), c.end(), [this](const auto& p) { return p.get() == w_; });
    if (it != c.end()) c.erase(it);
  }

 private:
  Window* w_;
};
}  // namespace

void RegisterWindow(Window* w, const std::string& class_name) {
  live().push_back({class_name, std::unique_ptr<Window>(w)});
}

void UnregisterAndRelease(Window* w) {
  auto& l = live();
  auto it = std::find_if(l.begin(), l.end(), [w](const Entry& e) { return e.window.get() == w; });
  if (it == l.end()) return;
  closed().push_back(std::move(it->window));
  l.erase(it);
  (new Reaper(w))->deleteLater();
}

Window* GetImplicitWindow(const std::string& class_name) {
  for (auto& e : live())
    if (e.class_name == class_name && !e.window->IsClosing()) return e.window.get();
  // A window whose close is under way still answers for itself.
  for (auto& e : live())
    if (e.class_name == class_name) return e.window.get();
  return nullptr;
}

std::vector<Window*> AllWindows() {
  std::vector<Window*> v;
  for (auto& e : live()) v.push_back(e.window.get());
  return v;
}

void ReleaseAllWindows() {
  // Newest first, so the main window goes last.
  while (!live().empty()) {
    std::unique_ptr<Window> w = std::move(live().back().window);
    live().pop_back();
    w.reset();
  }
  closed().clear();
}

}  // namespace fw
