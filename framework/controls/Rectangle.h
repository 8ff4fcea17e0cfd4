#pragma once
#include "framework/controls/Control.h"

namespace fw {

class Rectangle : public Control {
 public:
  Rectangle();
  void SetFillColor(unsigned rgb);
  void SetBorderColor(unsigned rgb);
  void SetBorderWidth(int width);
};

}  // namespace fw
