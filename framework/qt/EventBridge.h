#pragma once
#include <QObject>

class QWidget;

namespace fw {

// Carries a control widget's Qt events to the control's event members.
class EventBridge : public QObject {
 public:
  using QObject::QObject;
  // Starts carrying the widget's events (and its viewport's, for a scroll area).
  static void Hook(QWidget* w);

  bool eventFilter(QObject* obj, QEvent* e) override;
};

}  // namespace fw
