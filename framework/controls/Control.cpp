#include "framework/controls/Control.h"

#include <QVariant>

#include "framework/Window.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/EventBridge.h"
#include "framework/qt/QtText.h"
#include "framework/qt/WindowImpl.h"

namespace fw {

namespace {
const char* kControlProperty = "fw_control";
}  // namespace

Control::Impl::~Impl() { delete widget.data(); }

bool Control::Impl::LeftPress(Control& c, const QPoint& p) { return c.OnMouseDown(p.x(), p.y()); }

Control* ControlOf(const QWidget* w) {
  for (const QWidget* x = w; x; x = x->parentWidget()) {
    QVariant v = x->property(kControlProperty);
    if (v.isValid()) return static_cast<Control*>(v.value<void*>());
    // Only the widget itself or its viewport carry events for a control.
    if (x != w) break;
  }
  return nullptr;
}

QWidget* WidgetOf(const Control& c) { return c.impl().widget.data(); }

Control::Control() : impl_(std::make_unique<Impl>()) {}
Control::Control(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Control::~Control() = default;

void Control::Attach(Window& owner, const std::string& name) {
  owner_ = &owner;
  name_ = name;
  QWidget* w = impl_->widget;
  if (!w) return;
  w->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(this)));
  w->setObjectName(ToQ(name));
  w->setParent(owner.impl().client);
  EventBridge::Hook(w);
  w->setGeometry(left_, top_, width_, height_);
  w->show();
}

void Control::SetPosition(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (QWidget* w = impl_->widget) {
    const int ox = parent_ ? parent_->Left() : 0;
    const int oy = parent_ ? parent_->Top() : 0;
    w->setGeometry(left - ox, top - oy, width, height);
  }
}

void Control::SetParent(Control* parent) {
  parent_ = parent;
  QWidget* w = impl_->widget;
  if (!w) return;
  const bool was_hidden = w->isHidden();
  w->setParent(parent && WidgetOf(*parent) ? WidgetOf(*parent) : owner_->impl().client);
  SetPosition(left_, top_, width_, height_);
  w->setVisible(!was_hidden);
}

bool Control::Enabled() const { return impl_->widget ? impl_->widget->isEnabled() : true; }
void Control::SetEnabled(bool on) {
  if (impl_->widget) impl_->widget->setEnabled(on);
}
bool Control::Visible() const { return impl_->widget ? !impl_->widget->isHidden() : true; }
void Control::SetVisible(bool on) {
  if (impl_->widget) impl_->widget->setVisible(on);
}
void Control::SetFocus() {
  // A control that does not accept the focus (a bevel button, a label) keeps
  // it where it is, also when the program asks.
  QWidget* w = impl_->widget;
  if (!w || w->focusPolicy() == Qt::NoFocus) return;
  w->setFocus(Qt::OtherFocusReason);
  // Asked for while the window is hidden, it is where the window opens again.
  if (owner_) owner_->impl().focus_when_hidden = w;
}
bool Control::HasFocus() const {
  QWidget* w = impl_->widget;
  return w && w->window()->focusWidget() == w;
}

void Control::ApplyFont() {
  QWidget* w = impl_->widget;
  if (!w) return;
  QFont f = w->font();
  if (text_size_ > 0) f.setPixelSize(text_size_);
  f.setBold(bold_);
  w->setFont(f);
}
void Control::SetTextSize(int size) {
  text_size_ = size;
  ApplyFont();
}
void Control::SetBold(bool on) {
  bold_ = on;
  ApplyFont();
}
void Control::SetTextColor(unsigned rgb) {
  if (QWidget* w = impl_->widget) {
    // Enabled states only: a disabled control keeps the greyed look.
    QPalette p = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
      for (QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(g, r, QColor::fromRgb(rgb));
    w->setPalette(p);
  }
}

}  // namespace fw
