#include "framework/qt/WindowHost.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>

#include "framework/EventLoop.h"

#include "framework/qt/QtText.h"
#include "framework/qt/WindowImpl.h"

namespace fw {

WindowHost::WindowHost(Window& w) : window_(w) {}

void WindowHost::closeEvent(QCloseEvent* e) {
  // The framework closes windows itself (Window::Close); Qt's own close never goes on.
  e->ignore();
  Window::Impl& d = window_.impl();
  if (window_.IsClosing() || d.close_pending) return;
  // A close from the window system can come while a handler lets the events
  // in (a long scan, a wait for the file, a Commit): closing now would run the
  // close's own handlers in the middle of that one, and pull the window from
  // under it. The close waits for the handler to return, as the user's input
  // does.
  if (internal::HandlerRunning() && !window_.IsConstructing()) {
    d.close_pending = true;
    internal::RunBetweenHandlers([host = QPointer<WindowHost>(this)] {
      if (!host) return;
      host->window_.impl().close_pending = false;
      QCloseEvent again;
      host->closeEvent(&again);
    });
    return;
  }
  if (window_.Event_CloseRequested() || !d.close_button) return;
  // Closing a window whose creation events still run would pull it from
  // under them.
  if (window_.IsConstructing()) {
    d.close_pending = true;
    return;
  }
  window_.Close();
}

bool WindowHost::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && !window_.Locked()) window_.Event_Activate();
  return QMainWindow::event(e);
}

void WindowHost::keyPressEvent(QKeyEvent* e) {
  // A locked window takes the key and does nothing with it.
  if (window_.Locked() || window_.Event_KeyDown(KeyText(e))) {
    e->accept();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

}  // namespace fw
