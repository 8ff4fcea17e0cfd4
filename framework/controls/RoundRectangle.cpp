#include "framework/controls/RoundRectangle.h"

#include "framework/qt/ControlImpl.h"
#include "framework/qt/ShapeWidget.h"

namespace fw {

namespace {
ShapeWidget* ShapeOf(const Control& c) { return WidgetAs<ShapeWidget>(c); }
}  // namespace

RoundRectangle::RoundRectangle() : Control(std::make_unique<Impl>(new ShapeWidget)) { SetOval(16, 16); }
void RoundRectangle::SetFillColor(unsigned rgb) { ShapeOf(*this)->fill = rgb; ShapeOf(*this)->update(); }
void RoundRectangle::SetBorderColor(unsigned rgb) { ShapeOf(*this)->border = rgb; ShapeOf(*this)->update(); }
void RoundRectangle::SetBorderWidth(int width) { ShapeOf(*this)->border_width = width; ShapeOf(*this)->update(); }
void RoundRectangle::SetOval(int width, int height) {
  ShapeOf(*this)->oval_w = width;
  ShapeOf(*this)->oval_h = height;
  ShapeOf(*this)->update();
}

}  // namespace fw
