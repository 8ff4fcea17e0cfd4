#pragma once
#include <functional>
#include <string>

#include "framework/controls/Control.h"

namespace fw {

class Label : public Control {
 public:
  Label();
  std::string Text() const;
  void SetText(const std::string& text);
  // 0 left, 1 centred, 2 right.
  void SetTextAlign(int align);
  void SetMultiline(bool on);

  std::function<bool(Label&, int, int)> MouseDown;
  bool OnMouseDown(int x, int y) override { return MouseDown && MouseDown(*this, x, y); }
};

}  // namespace fw
