#pragma once
class QPushButton;

namespace fw {

class Control;

// The widget of a push or bevel button: a click raises the control's Action.
QPushButton* NewButtonWidget(Control* owner);

}  // namespace fw
