#pragma once
#include <functional>
#include <string>

#include "framework/controls/Control.h"

namespace fw {

class PushButton : public Control {
 public:
  PushButton();
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  // Return presses the default button, Esc the cancel button.
  void SetDefault(bool on);
  void SetCancel(bool on);

  std::function<void(PushButton&)> Action;
  void OnAction() override { if (Action) Action(*this); }
};

}  // namespace fw
