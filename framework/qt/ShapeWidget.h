#pragma once
#include <QWidget>

namespace fw {

// The widget of a drawn shape (a rectangle, or a rounded one when oval_w > 0).
// A rectangle's bottom and right edges may have a colour of their own.
class ShapeWidget : public QWidget {
 public:
  unsigned fill = 0xFFFFFF, border = 0x000000, border_bottom_right = 0x000000;
  int border_width = 1, oval_w = 0, oval_h = 0;

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace fw
