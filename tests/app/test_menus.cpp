// The menu bar: File, Edit and About as built and as shown, the one shared
// instance, the lock items' auto-enable, and the commands reaching the main
// window's handlers from the menu and from their shortcuts.
#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/MenuBar1.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/MenuItem.h"
#include "framework/testing/Drivers.h"
#include "tests/support/Program.h"

namespace {

using kestrion::MenuBar1;
using kestrion::Window1;
namespace ft = fw::testing;

// One of the main window's menu item accessors (Window1::FileExport, ...).
using Accessor = fw::MenuItem& (Window1::*)();

struct Item {
  const char* menu;  // "" for the bar itself
  const char* name;
  const char* text;
  const char* shortcut;  // as stored
  const char* on_screen;  // the shortcut as the menu shows it
  Accessor accessor;
};

// In the order of creation, which is the order on screen.
const Item kMenuTable[] = {
    {"", "FileMenu", "File", "", "", &Window1::FileMenu},
    {"FileMenu", "FileShowAll", "Show All Passwords...", "Cmd+s", "Ctrl+S", &Window1::FileShowAll},
    {"FileMenu", "FileExport", "Export All Passwords...", "Cmd+e", "Ctrl+E", &Window1::FileExport},
    {"FileMenu", "FileLockProgram", "Lock Program...", "Cmd+L", "Ctrl+L", &Window1::FileLockProgram},
    {"FileMenu", "FileUnLockProgram", "UnLock Program...", "Cmd+u", "Ctrl+U", &Window1::FileUnLockProgram},
    {"", "EditMenu", "&Edit", "", "", &Window1::EditMenu},
    {"EditMenu", "UntitledMenu1", "-", "", "", &Window1::UntitledMenu1},
    {"EditMenu", "EditCut", "Cu&t", "Cmd+X", "Ctrl+X", &Window1::EditCut},
    {"EditMenu", "EditCopy", "&Copy", "Cmd+C", "Ctrl+C", &Window1::EditCopy},
    {"EditMenu", "EditPaste", "&Paste", "Cmd+V", "Ctrl+V", &Window1::EditPaste},
    {"EditMenu", "UntitledMenu0", "-", "", "", &Window1::UntitledMenu0},
    {"EditMenu", "EditSelectAll", "Select &All", "Cmd+A", "Ctrl+A", &Window1::EditSelectAll},
    {"", "AboutMenu", "About", "", "", &Window1::AboutMenu},
    {"AboutMenu", "AboutHowToUse", "How To Use...", "", "", &Window1::AboutHowToUse},
    {"AboutMenu", "AboutAboutKestrion", "About Kestrion", "", "", &Window1::AboutAboutKestrion},
};

const char* kBoundItems[] = {"AboutHowToUse", "AboutAboutKestrion", "FileExport",
                             "FileShowAll",   "FileLockProgram",    "FileUnLockProgram"};

class Menus : public ::testing::Test {
 protected:
  void SetUp() override { win = &kestrion::test::StartProgram(); }
  void TearDown() override { kestrion::test::StopProgram(); }

  // Puts a recorder in place of the window's handler for these items.
  void Record(std::initializer_list<const char*> names) {
    for (const char* n : names)
      win->AddMenuHandler(n, [this, n] {
        chosen.push_back(n);
        return true;
      });
  }

  // The item that the window's accessor finds. The call goes through a
  // reference, never as `(win->*accessor)()`: there GCC's vptr check of the
  // member `win` works out the object only on the path of a virtual function,
  // so the sanitizer build calls a plain member function with a wrong `this`.
  fw::MenuItem& Reach(Accessor accessor) {
    Window1& w = *win;
    return (w.*accessor)();
  }

  Window1* win = nullptr;
  std::vector<std::string> chosen;
};

// --- the menu bar as built and as shown ---------------------------------------------

TEST_F(Menus, TheBarShowsEveryItemInTableOrder) {
  std::vector<std::string> expected;
  std::string menu_text;
  for (const Item& i : kMenuTable) {
    if (!*i.menu) {
      menu_text = i.text;
      expected.push_back(menu_text);
    } else {
      expected.push_back(menu_text + ">" + i.text);
    }
  }
  EXPECT_EQ(ft::MenuBarOnScreen(*win), expected);
}

TEST_F(Menus, ShortcutsShowAsCtrlKeys) {
  for (const Item& i : kMenuTable) {
    if (!*i.menu || std::string(i.text) == "-") continue;
    EXPECT_EQ(ft::ShortcutOnScreen(*win, i.name), i.on_screen) << i.name;
  }
}

TEST_F(Menus, TheModelHoldsTheItemsOfTheTable) {
  fw::MenuBar& bar = MenuBar1::Instance();
  ASSERT_EQ(bar.Count(), 3);
  int index_in_menu = 0;
  int top_index = -1;
  for (const Item& i : kMenuTable) {
    SCOPED_TRACE(i.name);
    fw::MenuItem* item = bar.Lookup(i.name);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Name(), i.name);
    EXPECT_EQ(item->Text(), i.text);
    EXPECT_EQ(item->KeyboardShortcut(), i.shortcut);
    EXPECT_TRUE(item->AutoEnable());
    EXPECT_EQ(item->IsSeparator(), std::string(i.text) == "-");
    if (!*i.menu) {
      EXPECT_EQ(item->Parent(), &bar);
      EXPECT_EQ(bar.Item(++top_index), item);
      index_in_menu = 0;
    } else {
      EXPECT_EQ(item->Parent(), bar.Child(i.menu));
      EXPECT_EQ(bar.Child(i.menu)->Item(index_in_menu++), item);
      EXPECT_EQ(item->Count(), 0);
    }
  }
  EXPECT_EQ(bar.Child("FileMenu")->Count(), 4);
  EXPECT_EQ(bar.Child("EditMenu")->Count(), 6);
  EXPECT_EQ(bar.Child("AboutMenu")->Count(), 2);
}

TEST_F(Menus, TheApplicationAndTheMainWindowShareTheOneBar) {
  ASSERT_NE(fw::App(), nullptr);
  EXPECT_EQ(fw::App()->GetMenuBar(), &MenuBar1::Instance());
  EXPECT_EQ(win->GetMenuBar(), &MenuBar1::Instance());
  EXPECT_EQ(&MenuBar1::Instance(), &MenuBar1::Instance());

  // A change through the window's accessor is the change of the one item.
  win->FileExport().SetAutoEnable(false);
  EXPECT_FALSE(fw::App()->GetMenuBar()->Lookup("FileExport")->AutoEnable());
  EXPECT_FALSE(ft::MenuItemEnabledOnScreen(*win, "FileExport"));
}

TEST_F(Menus, TheWindowsAccessorsFindEachItemByName) {
  for (const Item& i : kMenuTable) {
    fw::MenuItem& item = Reach(i.accessor);
    EXPECT_EQ(&item, MenuBar1::Instance().Lookup(i.name)) << i.name;
    EXPECT_EQ(item.Name(), i.name);
  }
}

// A window without the bar cannot find the items: each accessor says so
// instead of handing back a reference to nothing.
TEST_F(Menus, WithoutTheBarEveryAccessorReportsTheMissingItem) {
  win->SetMenuBar(nullptr);
  for (const Item& i : kMenuTable) EXPECT_THROW(Reach(i.accessor), std::out_of_range) << i.name;
  win->SetMenuBar(&MenuBar1::Instance());
  EXPECT_EQ(&win->FileExport(), MenuBar1::Instance().Lookup("FileExport"));
}

// --- enabled state -------------------------------------------------------------------

TEST_F(Menus, OnTheFirstStartEveryItemIsEnabled) {
  for (const Item& i : kMenuTable) {
    if (!*i.menu || std::string(i.text) == "-") continue;
    EXPECT_TRUE(ft::MenuItemEnabledOnScreen(*win, i.name)) << i.name;
  }
}

TEST_F(Menus, TheLockItemsFollowTheirAutoEnable) {
  const struct {
    const char* name;
    Accessor accessor;
    char key;
  } items[] = {{"FileLockProgram", &Window1::FileLockProgram, 'l'},
               {"FileUnLockProgram", &Window1::FileUnLockProgram, 'u'}};
  Record({"FileLockProgram", "FileUnLockProgram"});
  for (const auto& i : items) {
    SCOPED_TRACE(i.name);
    chosen.clear();
    Reach(i.accessor).SetAutoEnable(false);
    EXPECT_FALSE(ft::MenuItemEnabledOnScreen(*win, i.name));
    EXPECT_FALSE(ft::ChooseMenuItem(*win, i.name)) << "a disabled item cannot be chosen";
    ft::PressShortcut(*win, i.key);
    EXPECT_TRUE(chosen.empty()) << "nor reached by its shortcut";

    Reach(i.accessor).SetAutoEnable(true);
    EXPECT_TRUE(ft::MenuItemEnabledOnScreen(*win, i.name));
    EXPECT_TRUE(ft::ChooseMenuItem(*win, i.name));
    ft::PressShortcut(*win, i.key);
    EXPECT_EQ(chosen, (std::vector<std::string>{i.name, i.name}));
  }
  // The other item is not touched by one's switch.
  win->FileLockProgram().SetAutoEnable(false);
  EXPECT_TRUE(ft::MenuItemEnabledOnScreen(*win, "FileUnLockProgram"));
}

// --- commands ------------------------------------------------------------------------

TEST_F(Menus, TheSixCommandsAreBoundOnTheMainWindowAndReportHandled) {
  for (const char* name : kBoundItems) {
    EXPECT_TRUE(win->HasMenuHandler(name)) << name;
  }
  for (const char* name : kBoundItems) {
    EXPECT_TRUE(win->InvokeMenuHandler(name)) << name;
  }
  for (const Item& i : kMenuTable) {
    const std::string n = i.name;
    if (n.rfind("Edit", 0) == 0 || n.rfind("Untitled", 0) == 0 || n.ends_with("Menu"))
      EXPECT_FALSE(Window1::Instance().HasMenuHandler(n)) << n << " has no handler of the program's";
  }
}

TEST_F(Menus, EachCommandIsReachedFromTheMenu) {
  Record({"AboutHowToUse", "AboutAboutKestrion", "FileExport", "FileShowAll", "FileLockProgram",
          "FileUnLockProgram"});
  for (const char* name : kBoundItems) {
    chosen.clear();
    EXPECT_TRUE(ft::ChooseMenuItem(*win, name));
    EXPECT_EQ(chosen, std::vector<std::string>{name});
  }
}

// Every shortcut reaches its menu item, whichever field has the focus: the
// field's own key bindings (Ctrl+A selects all, Ctrl+U erases the line on X11)
// never take a key of the menu.
struct ShortcutCase {
  const char* focus;
  bool entry_view;
};

void PrintTo(const ShortcutCase& c, std::ostream* os) { *os << "focus in " << c.focus; }

class MenuShortcuts : public Menus, public ::testing::WithParamInterface<ShortcutCase> {};

TEST_P(MenuShortcuts, ReachTheirCommands) {
  if (GetParam().entry_view) win->ExpandWindow();
  fw::TextControl& field = win->Find<fw::TextControl>(GetParam().focus);
  field.SetText("abc");
  field.SetFocus();
  Record({"FileExport", "FileShowAll", "FileLockProgram", "FileUnLockProgram", "EditCut", "EditCopy", "EditPaste",
          "EditSelectAll"});
  const std::pair<char, const char*> keys[] = {
      {'s', "FileShowAll"}, {'e', "FileExport"}, {'l', "FileLockProgram"}, {'u', "FileUnLockProgram"},
      {'x', "EditCut"},     {'c', "EditCopy"},   {'v', "EditPaste"},       {'a', "EditSelectAll"}};
  for (const auto& [key, name] : keys) {
    chosen.clear();
    ft::PressShortcut(*win, key);
    EXPECT_EQ(chosen, std::vector<std::string>{name}) << "Ctrl+" << key;
  }
  EXPECT_EQ(field.Text(), "abc") << "the field did not take the keys for itself";
}

TEST_P(MenuShortcuts, OfDisabledItemsDoNothing) {
  if (GetParam().entry_view) win->ExpandWindow();
  fw::TextControl& field = win->Find<fw::TextControl>(GetParam().focus);
  fw::Clipboard().SetText("clip");
  field.SetText("abc");
  field.SetFocus();
  field.SetSelStart(1);
  field.SetSelLength(1);
  for (const char* name : {"FileShowAll", "FileExport", "FileLockProgram", "FileUnLockProgram", "EditCut",
                           "EditCopy", "EditPaste", "EditSelectAll"})
    MenuBar1::Instance().Lookup(name)->SetAutoEnable(false);
  Record({"FileExport", "FileShowAll", "FileLockProgram", "FileUnLockProgram"});
  for (char key : {'s', 'e', 'l', 'u', 'x', 'c', 'v', 'a'}) ft::PressShortcut(*win, key);
  EXPECT_TRUE(chosen.empty());
  EXPECT_EQ(field.Text(), "abc");
  EXPECT_EQ(field.SelText(), "b");
  EXPECT_EQ(fw::Clipboard().Text(), "clip");
}

INSTANTIATE_TEST_SUITE_P(Fields, MenuShortcuts,
                         ::testing::Values(ShortcutCase{"SearchText", false}, ShortcutCase{"WebSystem", true},
                                           ShortcutCase{"PassWord", true}, ShortcutCase{"Notes", true},
                                           ShortcutCase{"WebAddress", true}),
                         [](const ::testing::TestParamInfo<ShortcutCase>& i) { return std::string(i.param.focus); });

TEST_F(Menus, ShowAllIsReachedByCtrlSAndReportsHandled) {
  // The window's own handler first: bound, and it says handled.
  ASSERT_TRUE(win->InvokeMenuHandler("FileShowAll"));
  Record({"FileShowAll"});
  ft::PressShortcut(*win, 's');
  EXPECT_TRUE(ft::ChooseMenuItem(*win, "FileShowAll"));
  EXPECT_EQ(chosen, (std::vector<std::string>{"FileShowAll", "FileShowAll"}));
}

// --- Edit: the standard editing commands on the focused field ---------------------

enum class Via { Menu, Shortcut };
struct EditCase {
  const char* field;
  Via via;
};
void PrintTo(const EditCase& c, std::ostream* os) {
  *os << c.field << (c.via == Via::Menu ? " by menu" : " by shortcut");
}

class EditCommands : public Menus, public ::testing::WithParamInterface<EditCase> {
 protected:
  void Do(const char* item, char key) {
    if (GetParam().via == Via::Menu) {
      EXPECT_TRUE(ft::ChooseMenuItem(*win, item)) << item;
    } else {
      ft::PressShortcut(*win, key);
    }
  }
};

TEST_P(EditCommands, ActOnTheFocusedField) {
  const char* name = GetParam().field;
  if (std::string(name) != "SearchText") win->ExpandWindow();
  fw::TextControl& field = win->Find<fw::TextControl>(name);
  fw::TextControl& other = std::string(name) == "SearchText" ? static_cast<fw::TextControl&>(win->WebSystem())
                                                             : win->SearchText();
  other.SetText("untouched");
  field.SetText("hello world");
  field.SetFocus();
  fw::Clipboard clip;
  clip.SetText("before");

  Do("EditSelectAll", 'a');
  EXPECT_EQ(field.SelStart(), 0);
  EXPECT_EQ(field.SelLength(), 11);
  EXPECT_EQ(field.SelText(), "hello world");

  Do("EditCopy", 'c');
  EXPECT_EQ(clip.Text(), "hello world");
  EXPECT_EQ(field.Text(), "hello world");

  field.SetSelStart(6);
  field.SetSelLength(5);
  Do("EditCut", 'x');
  EXPECT_EQ(field.Text(), "hello ");
  EXPECT_EQ(clip.Text(), "world");

  field.SetSelStart(0);
  Do("EditPaste", 'v');
  EXPECT_EQ(field.Text(), "worldhello ");
  EXPECT_EQ(other.Text(), "untouched");
}

INSTANTIATE_TEST_SUITE_P(Fields, EditCommands,
                         ::testing::Values(EditCase{"SearchText", Via::Menu}, EditCase{"SearchText", Via::Shortcut},
                                           EditCase{"Notes", Via::Menu}, EditCase{"Notes", Via::Shortcut}),
                         [](const auto& i) {
                           return std::string(i.param.field) + (i.param.via == Via::Menu ? "Menu" : "Shortcut");
                         });

}  // namespace
