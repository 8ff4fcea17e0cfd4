#pragma once
#include <QWidget>

namespace fw {

class Window;

// A window's client area: fixed size, draws the back colour and the backdrop.
class Client : public QWidget {
 public:
  explicit Client(Window& w) : window_(w) {}

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  Window& window_;
};

}  // namespace fw
