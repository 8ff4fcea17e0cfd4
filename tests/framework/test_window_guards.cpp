// What a window does about closing, modality and disabled controls: flags
// changed on a shown window keep it shown; a window without a close box
// refuses the close box and is asked first; a close that comes while the
// window is still being made waits for it; a modal window keeps input from
// every other window; a disabled control raises no input events; a window
// visible when created appears only once its Open event has run; a
// rectangle's two border colours.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <chrono>

#include <functional>
#include <string>

#include "framework/Application.h"
#include "framework/Controls.h"
#include "framework/EventLoop.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"

namespace {

using fw::testing::IsOnScreen;

// A window whose every event is counted; Open may run a step of the test.
class Door : public fw::Window {
 public:
  int closes = 0, close_asks = 0, keys = 0, clicks = 0;
  bool has_close_box = true;
  bool refuse_close = false;
  std::function<void(Door&)> during_open;
  std::function<void(Door&)> during_click;
  // Outlives the window: a closed window goes at the next turn of the event loop.
  std::string* log = nullptr;
  void Note(const char* what) {
    if (log) *log += what;
  }

  void Layout() override {
    SetTitle("Door");
    SetSize(200, 120);
    SetCloseButton(has_close_box);
    SetVisible(true);
  }
  void CreateControls() override {
    auto& f = New<fw::TextField>("Field");
    f.SetPosition(10, 10, 150, 24);
    f.KeyDown = [this](fw::TextField&, const std::string&) {
      ++keys;
      return false;
    };
    auto& l = New<fw::Label>("Link");
    l.SetPosition(10, 50, 150, 20);
    l.SetText("a link");
    l.MouseDown = [this](fw::Label&, int, int) {
      ++clicks;
      if (during_click) during_click(*this);
      return false;
    };
  }
  void Event_Open() override {
    Note("open;");
    if (during_open) during_open(*this);
    Note("opened;");
  }
  bool Event_CloseRequested() override {
    ++close_asks;
    return refuse_close;
  }
  void Event_Close() override {
    ++closes;
    Note("close;");
  }
  fw::TextField& Field() { return Find<fw::TextField>("Field"); }
  fw::Label& Link() { return Find<fw::Label>("Link"); }
};

// Made under a name of its own, with its settings before its creation events.
Door& MakeDoor(const std::string& name, const std::function<void(Door&)>& setup = {}) {
  auto* d = new Door();
  if (setup) setup(*d);
  fw::Window::Construct(d, name);
  fw::testing::ProcessEvents();
  return *d;
}

struct FlagCase {
  const char* name;
  std::function<void(fw::Window&)> change;
};

TEST(WindowFlags, ChangingAFlagOfAShownWindowKeepsItShown) {
  const FlagCase cases[] = {
      {"no close box", [](fw::Window& w) { w.SetCloseButton(false); }},
      {"close box again", [](fw::Window& w) { w.SetCloseButton(true); }},
      {"minimise button", [](fw::Window& w) { w.SetMinimizeButton(false); }},
      {"maximise button", [](fw::Window& w) { w.SetMaximizeButton(true); }},
      {"modal", [](fw::Window& w) { w.SetModal(true); }},
      {"not modal", [](fw::Window& w) { w.SetModal(false); }},
  };
  Door& d = MakeDoor("Door.Flags");
  ASSERT_TRUE(IsOnScreen(d));
  for (const FlagCase& c : cases) {
    c.change(d);
    fw::testing::ProcessEvents();
    EXPECT_TRUE(IsOnScreen(d)) << c.name;
  }
  // A hidden window stays hidden.
  d.SetVisible(false);
  d.SetCloseButton(false);
  d.SetModal(true);
  EXPECT_FALSE(IsOnScreen(d));
}

TEST(WindowClose, AWindowWithoutACloseBoxIsAskedAndStaysOpen) {
  Door& d = MakeDoor("Door.NoBox", [](Door& d) { d.has_close_box = false; });
  fw::testing::ClickCloseBox(d);
  EXPECT_EQ(d.close_asks, 1);
  EXPECT_EQ(d.closes, 0);
  EXPECT_TRUE(IsOnScreen(d));
  EXPECT_EQ(fw::GetImplicitWindow("Door.NoBox"), &d);
}

TEST(WindowClose, AnAnsweredCloseRequestKeepsAWindowWithACloseBoxOpen) {
  Door& d = MakeDoor("Door.Refuses", [](Door& d) { d.refuse_close = true; });
  fw::testing::ClickCloseBox(d);
  EXPECT_EQ(d.close_asks, 1);
  EXPECT_EQ(d.closes, 0);
  EXPECT_TRUE(IsOnScreen(d));

  d.refuse_close = false;
  fw::testing::ClickCloseBox(d);
  EXPECT_EQ(d.close_asks, 2);
  EXPECT_EQ(d.closes, 1);
  EXPECT_EQ(fw::GetImplicitWindow("Door.Refuses"), nullptr);
}

TEST(WindowClose, ACloseDuringTheOpenEventWaitsUntilTheWindowStands) {
  // The window system's close comes while Open still runs (a long Open lets
  // the event loop answer the window system).
  std::string log;
  MakeDoor("Door.Early", [&log](Door& d) {
    d.log = &log;
    d.during_open = [](Door& self) {
      fw::testing::ClickCloseBox(self);
      fw::testing::ClickCloseBox(self);  // a second one changes nothing
      EXPECT_EQ(self.closes, 0) << "closed while its Open event still ran";
      EXPECT_EQ(fw::GetImplicitWindow("Door.Early"), &self);
    };
  });
  EXPECT_EQ(log, "open;opened;close;");
  EXPECT_EQ(fw::GetImplicitWindow("Door.Early"), nullptr);
}

// The window system's close comes while a handler of the window lets the
// events in (a long scan, a Commit that syncs the file): the close waits for
// the handler to return, and the window stands under it until then.
TEST(WindowClose, ACloseDuringAHandlersYieldWaitsUntilTheHandlerReturns) {
  std::string log;
  Door& d = MakeDoor("Door.Busy", [&log](Door& d) { d.log = &log; });
  d.during_click = [](Door& self) {
    self.Note("click;");
    QTimer::singleShot(5, [&self] { fw::testing::ClickCloseBox(self); });
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(60);
    while (std::chrono::steady_clock::now() < until) {
      fw::internal::yield_due.store(true);
      fw::Yield();
    }
    EXPECT_EQ(self.closes, 0) << "closed while its handler still ran";
    EXPECT_EQ(fw::GetImplicitWindow("Door.Busy"), &self);
    self.Note("clicked;");
  };
  fw::testing::MouseDownIn(d.Link());
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (fw::GetImplicitWindow("Door.Busy") && std::chrono::steady_clock::now() < give_up)
    fw::testing::ProcessEvents();
  EXPECT_EQ(log, "open;opened;click;clicked;close;");
  EXPECT_EQ(fw::GetImplicitWindow("Door.Busy"), nullptr);
}

// Counts the times Qt shows a window of that title.
class ShowCounter : public QObject {
 public:
  explicit ShowCounter(QString title) : title_(std::move(title)) { qApp->installEventFilter(this); }
  ~ShowCounter() override { qApp->removeEventFilter(this); }
  int shows = 0;
  bool eventFilter(QObject* o, QEvent* e) override {
    auto* w = qobject_cast<QWidget*>(o);
    if (e->type() == QEvent::Show && w && w->isWindow() && w->windowTitle() == title_) ++shows;
    return false;
  }

 private:
  QString title_;
};

TEST(WindowShow, AWindowVisibleWhenCreatedAppearsOnceItsOpenEventHasRun) {
  struct Case {
    const char* name;
    std::function<void(Door&)> during_open;
    bool on_screen_during_open;
    int shows;
  };
  const Case cases[] = {
      {"left visible", [](Door&) {}, false, 1},
      {"hidden by its Open event", [](Door& d) { d.SetVisible(false); }, false, 0},
      {"hidden, then shown again", [](Door& d) { d.SetVisible(false); d.SetVisible(true); }, true, 1},
      {"shown by its Open event", [](Door& d) { d.Show(); }, true, 1},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShowCounter counter("Door");
    bool on_screen = true, visible = false;
    Door& d = MakeDoor("Door.Show" + std::to_string(n++), [&](Door& d) {
      d.during_open = [&](Door& self) {
        c.during_open(self);
        // The event loop runs in the middle of a long Open event.
        fw::testing::ProcessEvents();
        on_screen = IsOnScreen(self);
        visible = self.Visible();
      };
    });
    EXPECT_EQ(on_screen, c.on_screen_during_open);
    EXPECT_EQ(visible, c.shows > 0) << "the window's own flag";
    EXPECT_EQ(IsOnScreen(d), c.shows > 0);
    EXPECT_EQ(counter.shows, c.shows);
    d.SetVisible(false);
  }
}

TEST(WindowModal, AModalWindowKeepsKeysAndClicksFromTheOthers) {
  Door& other = MakeDoor("Door.Other");
  Door& modal = MakeDoor("Door.Modal");
  other.Field().SetFocus();
  fw::testing::SystemTypeText(other, "ab");
  fw::testing::SystemClick(other.Link());
  ASSERT_EQ(other.keys, 2) << "the window system's keys do not reach the field";
  ASSERT_EQ(other.clicks, 1);

  modal.SetModal(true);
  fw::testing::ProcessEvents();
  fw::testing::SystemTypeText(other, "cd");
  fw::testing::SystemClick(other.Link());
  EXPECT_EQ(other.keys, 2);
  EXPECT_EQ(other.clicks, 1);
  // Hidden, or no longer modal, it keeps nothing from them.
  modal.SetVisible(false);
  fw::testing::SystemTypeText(other, "e");
  EXPECT_EQ(other.keys, 3);
  // The modal window's own fields take their keys.
  modal.SetVisible(true);
  modal.Field().SetFocus();
  fw::testing::SystemTypeText(modal, "xy");
  EXPECT_EQ(modal.keys, 2);
  EXPECT_EQ(modal.Field().Text(), "xy");
}

TEST(DisabledControls, RaiseNoKeyOrMouseEvents) {
  Door& d = MakeDoor("Door.Disabled");
  fw::testing::TypeText(d.Field(), "a");
  fw::testing::Click(d.Link());
  ASSERT_EQ(d.keys, 1);
  ASSERT_EQ(d.clicks, 1);

  d.Field().SetEnabled(false);
  d.Link().SetEnabled(false);
  fw::testing::TypeText(d.Field(), "b");
  fw::testing::Click(d.Link());
  fw::testing::MouseDownIn(d.Link());
  EXPECT_EQ(d.keys, 1);
  EXPECT_EQ(d.clicks, 1);
  EXPECT_EQ(d.Field().Text(), "a");

  d.Link().SetEnabled(true);
  fw::testing::Click(d.Link());
  EXPECT_EQ(d.clicks, 2);
}

class Band : public fw::Window {
 public:
  void Layout() override {
    SetSize(100, 60);
    SetVisible(true);
  }
  void CreateControls() override {
    auto& r = New<fw::Rectangle>("Band");
    r.SetPosition(10, 10, 40, 20);
    r.SetFillColor(0x00FF00);
    r.SetBorderWidth(2);
    r.SetTopLeftColor(0xFF0000);
    r.SetBottomRightColor(0x0000FF);
  }
};

TEST(Rectangle, TopLeftAndBottomRightEdgesHaveTheirOwnColours) {
  auto& w = fw::ImplicitInstance<Band>("Band.Band");
  auto& r = w.Find<fw::Rectangle>("Band");
  using fw::testing::ColourOnScreen;
  EXPECT_EQ(ColourOnScreen(r, 0, 10), 0xFF0000u);   // left edge
  EXPECT_EQ(ColourOnScreen(r, 20, 1), 0xFF0000u);   // top edge, second pixel of its width
  EXPECT_EQ(ColourOnScreen(r, 39, 10), 0x0000FFu);  // right edge
  EXPECT_EQ(ColourOnScreen(r, 20, 18), 0x0000FFu);  // bottom edge
  EXPECT_EQ(ColourOnScreen(r, 20, 10), 0x00FF00u);  // inside
  // One colour for both.
  r.SetBorderColor(0x123456);
  EXPECT_EQ(ColourOnScreen(r, 0, 10), 0x123456u);
  EXPECT_EQ(ColourOnScreen(r, 39, 10), 0x123456u);
}

}  // namespace
