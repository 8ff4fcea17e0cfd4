// A locked window takes no events: none of its handlers runs while it says it
// is locked, whatever raised the event (mouse, keys, the accessibility
// interface, a timer, a menu command, its activation); a refused key is not
// typed. Unlocked, the same events reach the same handlers. Its close still
// goes through.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <string>

#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"

namespace {

namespace ft = fw::testing;

class Vault : public fw::Window {
 public:
  bool locked = true;
  int actions = 0, keys = 0, changes = 0, presses = 0, commands = 0, activations = 0, window_keys = 0, closes = 0;

  bool Locked() const override { return locked; }

  void Layout() override {
    SetTitle("Vault");
    SetSize(260, 120);
    SetVisible(true);
  }
  void CreateControls() override {
    New<fw::PushButton>("Button").SetPosition(10, 10, 100, 24);
    Button().SetCaption("Open");
    FW_BIND(Button, Action, Button_Action);
    New<fw::TextField>("Field").SetPosition(10, 50, 150, 24);
    FW_BIND(Field, KeyDown, Field_KeyDown);
    FW_BIND(Field, TextChange, Field_TextChange);
    FW_BIND(Field, MouseDown, Field_MouseDown);
  }
  void AddMenuHandlers(fw::Window&) override {
    AddMenuHandler("VaultOpen", [this] {
      ++commands;
      return true;
    });
  }
  void Event_Activate() override { ++activations; }
  bool Event_KeyDown(const std::string&) override {
    ++window_keys;
    return false;
  }
  void Event_Close() override { ++closes; }

  fw::PushButton& Button() { return Find<fw::PushButton>("Button"); }
  fw::TextField& Field() { return Find<fw::TextField>("Field"); }

  void Button_Action(fw::PushButton&) { ++actions; }
  bool Field_KeyDown(fw::TextField&, const std::string&) {
    ++keys;
    return false;
  }
  void Field_TextChange(fw::TextField&) { ++changes; }
  bool Field_MouseDown(fw::TextField&, int, int) {
    ++presses;
    return false;
  }
};

QWidget* HostTitled(const char* title) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == title) return w;
  return nullptr;
}

// Every way in, once each.
void Knock(Vault& v) {
  ft::Click(v.Button());
  ASSERT_TRUE(ft::AccessiblePress(v.Button()));
  QTimer::singleShot(0, [&v] { ft::Click(v.Button()); });
  ft::ProcessEvents();
  ft::TypeText(v.Field(), "ab");
  ft::SystemClick(v.Field());
  v.InvokeMenuHandler("VaultOpen");
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(HostTitled("Vault"), &activate);
  v.Button().SetFocus();
  ft::SystemTypeText(v, "c");
}

TEST(LockedWindow, RunsNoHandlerWhateverRaisedTheEventUntilUnlocked) {
  Vault& v = fw::ImplicitInstance<Vault>("Vault.Vault");
  ft::ProcessEvents();
  const int activations_before = v.activations;
  Knock(v);
  EXPECT_EQ(v.actions, 0);
  EXPECT_EQ(v.keys, 0);
  EXPECT_EQ(v.Field().Text(), "") << "a refused key is not typed";
  EXPECT_EQ(v.presses, 0);
  EXPECT_TRUE(v.InvokeMenuHandler("VaultOpen")) << "a refused command counts as handled";
  EXPECT_EQ(v.commands, 0);
  EXPECT_EQ(v.activations, activations_before);
  EXPECT_EQ(v.window_keys, 0);
  // A text put in by another program, or by the program itself, raises nothing.
  ASSERT_TRUE(ft::AccessibleSetText(v.Field(), "xy", ft::AccessibleEdit::SetValue));
  v.Field().SetText("z");
  EXPECT_EQ(v.changes, 0);

  v.locked = false;
  v.Field().SetText("");
  const int changes_before = v.changes;
  Knock(v);
  EXPECT_EQ(v.actions, 3);
  EXPECT_EQ(v.keys, 2);
  EXPECT_EQ(v.Field().Text(), "ab");
  EXPECT_EQ(v.changes, changes_before + 2);
  EXPECT_EQ(v.presses, 1);
  EXPECT_EQ(v.commands, 1);
  EXPECT_GT(v.activations, activations_before);
  EXPECT_EQ(v.window_keys, 1);
}

TEST(LockedWindow, StillCloses) {
  Vault& v = fw::ImplicitInstance<Vault>("Vault.Closing");
  ft::ProcessEvents();
  ft::ClickCloseBox(v);
  EXPECT_EQ(v.closes, 1);
  EXPECT_EQ(fw::GetImplicitWindow("Vault.Closing"), nullptr);
}

}  // namespace
