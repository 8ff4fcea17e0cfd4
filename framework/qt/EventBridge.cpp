#include "framework/qt/EventBridge.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>

#include "framework/MenuItem.h"
#include "framework/Window.h"
#include "framework/controls/Control.h"
#include "framework/qt/ContextMenu.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"
#include "framework/qt/WindowImpl.h"

namespace fw {

namespace {
// Whether the key is the shortcut of one of the window's menu items.
bool IsMenuShortcut(const Window& w, const QKeyEvent* k) {
  const QKeySequence pressed(k->keyCombination());
  for (const auto& [a, item] : w.impl().actions)
    if (a && !a->shortcut().isEmpty() && a->shortcut().matches(pressed) == QKeySequence::ExactMatch) return true;
  return false;
}

EventBridge& Bridge() {
  static EventBridge* b = new EventBridge(qApp);
  return *b;
}
}  // namespace

void EventBridge::Hook(QWidget* w) {
  w->installEventFilter(&Bridge());
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) area->viewport()->installEventFilter(&Bridge());
}

bool EventBridge::eventFilter(QObject* obj, QEvent* e) {
  auto* w = qobject_cast<QWidget*>(obj);
  Control* c = w ? ControlOf(w) : nullptr;
  if (!c) return false;
  switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
      // A disabled control (or one inside a disabled panel) raises no input
      // events; Qt then drops them.
      if (!w->isEnabled()) return false;
      break;
    default:
      break;
  }
  switch (e->type()) {
    case QEvent::KeyPress: {
      auto* k = static_cast<QKeyEvent*>(e);
      // A menu shortcut that arrives here is that of a disabled item: it
      // does nothing. Other keys with Ctrl go to the field's own editing.
      if (IsMenuShortcut(c->Owner(), k)) return true;
      if (k->modifiers() & Qt::ControlModifier) return false;
      return c->OnKeyDown(KeyText(k));
    }
    case QEvent::ShortcutOverride: {
      // A menu shortcut belongs to the menu: a field's own key bindings must
      // not take it (on X11, Ctrl+E moves to the line's end and Ctrl+U
      // erases the line).
      if (!IsMenuShortcut(c->Owner(), static_cast<QKeyEvent*>(e))) return false;
      e->ignore();
      return true;
    }
    case QEvent::KeyRelease: {
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->modifiers() & Qt::ControlModifier) return false;
      c->OnKeyUp(KeyText(k));
      return false;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      // The focus moves between controls only when the user or the program
      // moves it: a contextual menu opening, a message box over the window or
      // a switch to another program leave the control its focus.
      const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
      if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return false;
      if (obj != WidgetOf(*c)) return false;
      // The widget's own handling first (a line edit entered by Tab selects
      // its whole text), so that what the handler does to the text stands.
      static_cast<QObject*>(w)->event(e);
      if (e->type() == QEvent::FocusIn) {
        c->OnGotFocus();
      } else {
        c->OnLostFocus();
      }
      return true;
    }
    // Qt reports a second press soon after the first as a double-click, in
    // place of the press: it is a press all the same.
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
      auto* m = static_cast<QMouseEvent*>(e);
      if (m->button() != Qt::LeftButton) return false;
      return c->impl().LeftPress(*c, m->position().toPoint());
    }
    case QEvent::ContextMenu: {
      if (!c->HasContextualMenu()) return false;
      auto* cm = static_cast<QContextMenuEvent*>(e);
      MenuItem base;
      if (c->OnConstructContextualMenu(base, cm->pos().x(), cm->pos().y()) && base.Count() > 0) {
        if (MenuItem* chosen = PickContextItem(base, cm->globalPos())) c->OnContextualMenuAction(*chosen);
      }
      return true;
    }
    default:
      return false;
  }
}

}  // namespace fw
