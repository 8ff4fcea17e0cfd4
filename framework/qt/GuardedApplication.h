#pragma once
#include <QApplication>

namespace fw {

// An exception that escapes an event handler is reported, then the run ends.
class GuardedApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace fw
