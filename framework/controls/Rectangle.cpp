#include "framework/controls/Rectangle.h"

#include "framework/qt/ControlImpl.h"
#include "framework/qt/ShapeWidget.h"

namespace fw {

namespace {
ShapeWidget* ShapeOf(const Control& c) { return WidgetAs<ShapeWidget>(c); }
}  // namespace

Rectangle::Rectangle() : Control(std::make_unique<Impl>(new ShapeWidget)) {}
void Rectangle::SetFillColor(unsigned rgb) { ShapeOf(*this)->fill = rgb; ShapeOf(*this)->update(); }
void Rectangle::SetBorderColor(unsigned rgb) {
  ShapeOf(*this)->border = rgb;
  ShapeOf(*this)->border_bottom_right = rgb;
  ShapeOf(*this)->update();
}
void Rectangle::SetTopLeftColor(unsigned rgb) { ShapeOf(*this)->border = rgb; ShapeOf(*this)->update(); }
void Rectangle::SetBottomRightColor(unsigned rgb) {
  ShapeOf(*this)->border_bottom_right = rgb;
  ShapeOf(*this)->update();
}
void Rectangle::SetBorderWidth(int width) { ShapeOf(*this)->border_width = width; ShapeOf(*this)->update(); }

}  // namespace fw
