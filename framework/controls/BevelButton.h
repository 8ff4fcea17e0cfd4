#pragma once
#include <functional>
#include <string>

#include "framework/controls/Control.h"

namespace fw {

// A flat button that never takes the keyboard focus unless allowed.
class BevelButton : public Control {
 public:
  BevelButton();
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  void SetAcceptFocus(bool on);

  std::function<void(BevelButton&)> Action;
  void OnAction() override { if (Action) Action(*this); }
};

}  // namespace fw
