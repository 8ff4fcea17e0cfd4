#include "framework/qt/WindowHost.h"

#include <QCloseEvent>
#include <QKeyEvent>

#include "framework/qt/QtText.h"
#include "framework/qt/WindowImpl.h"

namespace fw {

WindowHost::WindowHost(Window& w) : window_(w) {}

void WindowHost::closeEvent(QCloseEvent* e) {
  Window::Impl& d = window_.impl();
  if (!d.close_button || window_.IsClosing()) {
    e->ignore();
    return;
  }
  e->ignore();
  window_.Close();
}

bool WindowHost::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) window_.Event_Activate();
  return QMainWindow::event(e);
}

void WindowHost::keyPressEvent(QKeyEvent* e) {
  if (window_.Event_KeyDown(KeyText(e))) {
    e->accept();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

}  // namespace fw
