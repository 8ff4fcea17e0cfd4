#include "app/MenuBar1.h"

#include <memory>

namespace kestrion {

namespace {
std::unique_ptr<MenuBar1>& implicitInstance() {
  static std::unique_ptr<MenuBar1> p;
  return p;
}

struct ItemSpec {
  const char* name;
  const char* text;
  const char* shortcut;  // nullptr: not set (the separators)
};

// Each item: made, named, auto-enabled, captioned, given its shortcut, then
// appended to its menu, which is looked up afresh by name.
void AddItems(fw::MenuBar& bar, const ItemSpec& top, std::initializer_list<ItemSpec> items) {
  auto menu = std::make_unique<fw::MenuItem>();
  menu->SetName(top.name);
  menu->SetAutoEnable(true);
  menu->SetText(top.text);
  menu->SetKeyboardShortcut(top.shortcut);
  bar.Append(std::move(menu));
  for (const ItemSpec& s : items) {
    auto item = std::make_unique<fw::MenuItem>();
    item->SetName(s.name);
    item->SetAutoEnable(true);
    item->SetText(s.text);
    if (s.shortcut) item->SetKeyboardShortcut(s.shortcut);
    bar.Child(top.name)->Append(std::move(item));
  }
}
}  // namespace

void MenuBar1::Constructor() {
  Untitled0();
  Untitled1();
  Untitled2();
}

void MenuBar1::Untitled0() {
  AddItems(*this, {"FileMenu", "File", ""},
           {{"FileShowAll", "Show All Passwords...", "Cmd+s"},
            {"FileExport", "Export All Passwords...", "Cmd+e"},
            {"FileLockProgram", "Lock Program...", "Cmd+L"},
            {"FileUnLockProgram", "UnLock Program...", "Cmd+u"}});
}

void MenuBar1::Untitled1() {
  AddItems(*this, {"EditMenu", "&Edit", ""},
           {{"UntitledMenu1", "-", nullptr},
            {"EditCut", "Cu&t", "Cmd+X"},
            {"EditCopy", "&Copy", "Cmd+C"},
            {"EditPaste", "&Paste", "Cmd+V"},
            {"UntitledMenu0", "-", nullptr},
            {"EditSelectAll", "Select &All", "Cmd+A"}});
}

void MenuBar1::Untitled2() {
  AddItems(*this, {"AboutMenu", "About", ""},
           {{"AboutHowToUse", "How To Use...", ""},
            {"AboutAboutKestrion", "About Kestrion", ""}});
}

MenuBar1& MenuBar1::Instance() {
  auto& p = implicitInstance();
  if (!p) p = std::make_unique<MenuBar1>();
  return *p;
}

void MenuBar1::Release() { implicitInstance().reset(); }

}  // namespace kestrion
