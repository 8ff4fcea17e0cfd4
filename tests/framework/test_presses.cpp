// Every press of the mouse button raises MouseDown, also a second press that
// comes soon after the first on the same spot, which Qt reports as a
// double-click instead of a press.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>

#include <functional>
#include <string>

#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"

namespace {

class Pad : public fw::Window {
 public:
  int link_presses = 0, field_presses = 0;

  void Layout() override {
    SetTitle("Pad");
    SetSize(240, 100);
    SetVisible(true);
  }
  void CreateControls() override {
    auto& l = New<fw::Label>("Link");
    l.SetPosition(10, 10, 150, 20);
    l.SetText("a link");
    l.MouseDown = [this](fw::Label&, int, int) {
      ++link_presses;
      return false;
    };
    auto& f = New<fw::TextField>("Field");
    f.SetPosition(10, 50, 150, 24);
    f.MouseDown = [this](fw::TextField&, int, int) {
      ++field_presses;
      return false;
    };
  }
  fw::Label& Link() { return Find<fw::Label>("Link"); }
  fw::TextField& Field() { return Find<fw::TextField>("Field"); }
};

// Counts what Qt made of the presses.
class DoubleClicks : public QObject {
 public:
  DoubleClicks() { qApp->installEventFilter(this); }
  ~DoubleClicks() override { qApp->removeEventFilter(this); }
  int seen = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonDblClick) ++seen;
    return false;
  }
};

TEST(MouseDown, EveryPressIsRaisedAlsoOneThatQtCallsADoubleClick) {
  struct Target {
    const char* name;
    std::function<fw::Control&(Pad&)> control;
    std::function<int(const Pad&)> presses;
  };
  const Target targets[] = {
      {"label", [](Pad& p) -> fw::Control& { return p.Link(); }, [](const Pad& p) { return p.link_presses; }},
      {"text field", [](Pad& p) -> fw::Control& { return p.Field(); }, [](const Pad& p) { return p.field_presses; }},
  };
  Pad& pad = fw::ImplicitInstance<Pad>("Pad.Pad");
  fw::testing::ProcessEvents();
  for (const Target& t : targets) {
    SCOPED_TRACE(t.name);
    DoubleClicks doubles;
    // Three presses queued at once, as a quick user makes them: the second
    // comes within the double-click interval.
    for (int i = 0; i < 3; ++i) fw::testing::QueueClick(t.control(pad));
    fw::testing::ProcessEvents();
    ASSERT_GE(doubles.seen, 1) << "Qt took none of the presses for a double-click";
    EXPECT_EQ(t.presses(pad), 3);
  }
}

TEST(MouseDown, ADisabledControlRaisesNoneOfThePresses) {
  Pad& pad = fw::ImplicitInstance<Pad>("Pad.Disabled");
  fw::testing::ProcessEvents();
  pad.Link().SetEnabled(false);
  for (int i = 0; i < 2; ++i) fw::testing::QueueClick(pad.Link());
  fw::testing::ProcessEvents();
  EXPECT_EQ(pad.link_presses, 0);
  pad.Link().SetEnabled(true);
  fw::testing::SystemClick(pad.Link());
  EXPECT_EQ(pad.link_presses, 1);
}

}  // namespace
