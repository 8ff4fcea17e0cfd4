#pragma once
#include "framework/controls/TextControl.h"
#include "framework/controls/WithFieldEvents.h"

namespace fw {

class TextField : public WithFieldEvents<TextField, TextControl> {
 public:
  TextField();
  // True masks the typed characters.
  void SetPassword(bool on);
  bool Password() const;
};

}  // namespace fw
