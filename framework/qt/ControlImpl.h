#pragma once
// A control's Qt side: its widget, and what each kind of control does with
// the widget's events.
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include "framework/controls/Control.h"

namespace fw {

struct Control::Impl {
  explicit Impl(QWidget* w = nullptr) : widget(w) {}
  virtual ~Impl();
  // A left-button press at p in the widget: MouseDown, unless the kind of
  // control makes something else of it (a list's CellClick).
  virtual bool LeftPress(Control& c, const QPoint& p);

  QPointer<QWidget> widget;  // null for controls that are not drawn
};

// The control behind a Qt widget, or nil.
Control* ControlOf(const QWidget* w);
QWidget* WidgetOf(const Control& c);
// The control's widget as the Qt class it was made with.
template <class T>
T* WidgetAs(const Control& c) {
  return static_cast<T*>(WidgetOf(c));
}

}  // namespace fw
