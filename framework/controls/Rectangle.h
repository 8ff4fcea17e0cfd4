#pragma once
#include "framework/controls/Control.h"

namespace fw {

class Rectangle : public Control {
 public:
  Rectangle();
  void SetFillColor(unsigned rgb);
  // Both edges' colour.
  void SetBorderColor(unsigned rgb);
  // The top and left edges, and the bottom and right edges.
  void SetTopLeftColor(unsigned rgb);
  void SetBottomRightColor(unsigned rgb);
  void SetBorderWidth(int width);
};

}  // namespace fw
