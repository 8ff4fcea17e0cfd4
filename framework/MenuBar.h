#pragma once
#include "framework/MenuItem.h"

namespace fw {

// The bar: its children are the menus.
class MenuBar : public MenuItem {
 public:
  MenuBar() = default;
};

}  // namespace fw
