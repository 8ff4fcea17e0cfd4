#pragma once
#include "framework/controls/TextControl.h"
#include "framework/controls/WithFieldEvents.h"

namespace fw {

class TextArea : public WithFieldEvents<TextArea, TextControl> {
 public:
  TextArea();
};

}  // namespace fw
