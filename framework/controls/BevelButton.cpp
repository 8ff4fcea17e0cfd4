#include "framework/controls/BevelButton.h"

#include <QPushButton>

#include "framework/qt/ButtonWidget.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"

namespace fw {

BevelButton::BevelButton() : Control(std::make_unique<Impl>(NewButtonWidget(this))) {
  WidgetAs<QPushButton>(*this)->setFocusPolicy(Qt::NoFocus);
}
std::string BevelButton::Caption() const { return FromQ(WidgetAs<QPushButton>(*this)->text()); }
void BevelButton::SetCaption(const std::string& caption) { WidgetAs<QPushButton>(*this)->setText(ToQ(caption)); }
void BevelButton::SetAcceptFocus(bool on) {
  WidgetAs<QPushButton>(*this)->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

}  // namespace fw
