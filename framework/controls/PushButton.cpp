#include "framework/controls/PushButton.h"

#include <QPushButton>

#include "framework/qt/ButtonWidget.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"

namespace fw {

PushButton::PushButton() : Control(std::make_unique<Impl>(NewButtonWidget(this))) {}
std::string PushButton::Caption() const { return FromQ(WidgetAs<QPushButton>(*this)->text()); }
void PushButton::SetCaption(const std::string& caption) { WidgetAs<QPushButton>(*this)->setText(ToQ(caption)); }
void PushButton::SetDefault(bool on) { WidgetAs<QPushButton>(*this)->setDefault(on); }
void PushButton::SetCancel(bool) {}

}  // namespace fw
