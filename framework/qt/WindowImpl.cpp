#include "framework/qt/WindowImpl.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QMenu>
#include <QMenuBar>

#include "framework/MenuBar.h"
#include "framework/qt/MenuCommands.h"
#include "framework/qt/QtText.h"

namespace fw {

WindowHost* HostOf(const Window& w) { return w.impl().host; }

void Window::Impl::ApplySize() {
  client->setFixedSize(width, height);
  if (resizeable) {
    host->setMinimumSize(0, 0);
    host->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    host->resize(host->sizeHint());
  } else {
    host->setFixedSize(host->sizeHint());
  }
  host->adjustSize();
  if (host->isVisible()) KeepOnScreen();
}

void Window::Impl::KeepOnScreen() {
  // A window that grows downward (a view opening under the search row) must
  // not put its lower part, and the buttons there, past the screen's edge:
  // it moves up as far as it needs, never above the top.
  QScreen* screen = host->screen() ? host->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect room = screen->availableGeometry();
  const QRect frame = host->frameGeometry();
  int dy = 0;
  if (frame.bottom() > room.bottom()) dy = room.bottom() - frame.bottom();
  if (frame.top() + dy < room.top()) dy = room.top() - frame.top();
  if (dy != 0) host->move(host->pos() + QPoint(0, dy));
}

void Window::Impl::SetFlag(Qt::WindowType flag, bool on) {
  if (host->windowFlags().testFlag(flag) == on) return;
  const bool shown = host->isVisible();
  host->setWindowFlag(flag, on);
  if (shown) host->show();
}

namespace {
void FillMenu(Window::Impl& d, QMenu* menu, MenuItem& parent) {
  for (int i = 0; i < parent.Count(); ++i) {
    MenuItem* item = parent.Item(i);
    if (item->IsSeparator()) {
      menu->addSeparator();
      continue;
    }
    if (item->Count() > 0) {
      QMenu* sub = menu->addMenu(ToQ(item->Text()));
      FillMenu(d, sub, *item);
      continue;
    }
    QAction* a = menu->addAction(ToQ(item->Text()));
    a->setShortcut(QKeySequence(ShortcutText(item->KeyboardShortcut())));
    a->setShortcutContext(Qt::WindowShortcut);
    a->setEnabled(item->AutoEnable());
    QObject::connect(a, &QAction::triggered, a, [item] { DispatchMenuCommand(*item); });
    d.actions.emplace_back(a, item);
  }
}
}  // namespace

void Window::Impl::RebuildMenuBar(Window& w) {
  actions.clear();
  if (!menu_bar_widget) {
    menu_bar_widget = new QMenuBar(host);
    host->setMenuBar(menu_bar_widget);
  }
  menu_bar_widget->clear();
  MenuBar* bar = w.GetMenuBar();
  if (!bar) return;
  for (int i = 0; i < bar->Count(); ++i) {
    MenuItem* top = bar->Item(i);
    QMenu* m = menu_bar_widget->addMenu(ToQ(top->Text()));
    m->setEnabled(top->AutoEnable());
    FillMenu(*this, m, *top);
  }
  ApplySize();
}

}  // namespace fw
