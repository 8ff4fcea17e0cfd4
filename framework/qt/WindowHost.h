#pragma once
#include <QMainWindow>

namespace fw {

class Window;

// The top-level Qt window of a framework window: carries the close box,
// activation and the keys that no control took to the window's events.
class WindowHost : public QMainWindow {
 public:
  explicit WindowHost(Window& w);
  Window& window() { return window_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  Window& window_;
};

}  // namespace fw
