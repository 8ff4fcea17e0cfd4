#pragma once
#include "framework/controls/Control.h"

namespace fw {

class RoundRectangle : public Control {
 public:
  RoundRectangle();
  void SetFillColor(unsigned rgb);
  void SetBorderColor(unsigned rgb);
  void SetBorderWidth(int width);
  void SetOval(int width, int height);
};

}  // namespace fw
