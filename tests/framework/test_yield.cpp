// The yield of long loops: other events run, the user's input waits until the
// running handler returns, and a slice stays short whatever a step costs.
#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <functional>

#include "framework/Controls.h"
#include "framework/EventLoop.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"

namespace {

using Clock = std::chrono::steady_clock;

// A window whose "Busy" button runs a long loop that yields once per pass.
class LoopWindow : public fw::Window {
 public:
  // Called once as the loop starts, then after every yield.
  std::function<void()> at_start;
  std::function<void()> after_yield;
  int other_clicks = 0;

  void Layout() override {
    SetTitle("Loop");
    SetSize(300, 120);
    SetVisible(true);
  }
  void CreateControls() override {
    auto& f = New<fw::TextField>("Field");
    f.SetPosition(10, 10, 200, 24);
    auto& busy = New<fw::PushButton>("Busy");
    busy.SetPosition(10, 50, 80, 24);
    busy.SetCaption("Busy");
    busy.Action = [this](fw::PushButton&) {
      if (at_start) at_start();
      const auto end = Clock::now() + std::chrono::milliseconds(60);
      while (Clock::now() < end) {
        fw::Yield();
        if (after_yield) after_yield();
      }
    };
    auto& other = New<fw::PushButton>("Other");
    other.SetPosition(100, 50, 80, 24);
    other.SetCaption("Other");
    other.Action = [this](fw::PushButton&) { ++other_clicks; };
  }
  fw::TextField& Field() { return Find<fw::TextField>("Field"); }
  fw::PushButton& Busy() { return Find<fw::PushButton>("Busy"); }
};

LoopWindow& TheWindow() { return fw::ImplicitInstance<LoopWindow>("LoopWindow.LoopWindow"); }

QWidget* TopLevel(const char* title) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == title) return w;
  return nullptr;
}

// Input as the window system delivers it: queued, to be handled by the event
// loop, not sent straight to a widget.
void QueueKey(QWindow* window, char c) {
  const QString text(QChar::fromLatin1(c));
  const int key = QChar::fromLatin1(c).toUpper().unicode();
  QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, QEvent::KeyPress, key,
                                                                                       Qt::NoModifier, text);
  QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(window, QEvent::KeyRelease, key,
                                                                                       Qt::NoModifier, text);
}

void QueueClick(QWindow* window, QWidget* target) {
  const QPointF local = target->mapTo(target->window(), target->rect().center());
  const QPointF global = target->mapToGlobal(target->rect().center());
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons state = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
        window, local, global, state, Qt::LeftButton, type);
  }
}

TEST(Yield, UserInputWaitsUntilTheRunningHandlerReturnsWhileOtherEventsRun) {
  struct Input {
    const char* name;
    std::function<void(LoopWindow&, QWidget* top)> queue;
    std::function<bool(LoopWindow&)> arrived;
  };
  const Input inputs[] = {
      {"a key typed into the field", [](LoopWindow&, QWidget* top) { QueueKey(top->windowHandle(), 'x'); },
       [](LoopWindow& w) { return w.Field().Text() == "x"; }},
      {"a click on another button",
       [](LoopWindow&, QWidget* top) {
         for (auto* b : top->findChildren<QPushButton*>())
           if (b->text() == "Other") QueueClick(top->windowHandle(), b);
       },
       [](LoopWindow& w) { return w.other_clicks == 1; }},
  };
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    LoopWindow& w = TheWindow();
    fw::testing::ProcessEvents();
    QWidget* top = TopLevel("Loop");
    ASSERT_NE(top, nullptr);
    ASSERT_NE(top->windowHandle(), nullptr);

    bool timer_ran = false, arrived_during_loop = false;
    w.at_start = [&] {
      fw::testing::MoveFocusTo(w.Field());  // the click gave it to the button
      input.queue(w, top);
      QTimer::singleShot(0, [&] { timer_ran = true; });
    };
    w.after_yield = [&] { arrived_during_loop = arrived_during_loop || input.arrived(w); };
    fw::testing::Click(w.Busy());
    EXPECT_TRUE(timer_ran);  // a timer is not user input: it ran inside the loop
    EXPECT_FALSE(arrived_during_loop);
    EXPECT_FALSE(input.arrived(w));

    fw::testing::ProcessEvents();  // the handler has returned: the input comes in now
    EXPECT_TRUE(input.arrived(w));
    fw::testing::ClickCloseBox(w);
    fw::testing::ProcessEvents();
  }
}

// A loop whose every step costs a millisecond still lets events in every few
// steps, not only after dozens of them.
TEST(Yield, EventsRunWithinASliceWhateverAStepCosts) {
  for (const auto step : {std::chrono::microseconds(1000), std::chrono::microseconds(2500)}) {
    SCOPED_TRACE(step.count());
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    int steps = 0;
    while (!ran && steps < 200) {
      const auto end = Clock::now() + step;
      while (Clock::now() < end) {
      }
      ++steps;
      fw::Yield();
    }
    EXPECT_TRUE(ran);
    // A slice is 5 ms plus at most one tick of the kernel's clock (up to 10 ms).
    EXPECT_LE(steps * step, std::chrono::milliseconds(20)) << steps << " steps";
  }
}

}  // namespace
