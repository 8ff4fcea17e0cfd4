#include "framework/qt/GuardedApplication.h"

#include <exception>

#include "framework/Application.h"

namespace fw {

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    UnhandledException(e.what());
  } catch (...) {
    UnhandledException("unknown error");
  }
  Quit(1);
  return true;
}

}  // namespace fw
