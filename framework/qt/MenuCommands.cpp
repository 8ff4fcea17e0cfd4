#include "framework/qt/MenuCommands.h"

#include <QApplication>
#include <algorithm>
#include <vector>

#include "framework/MenuItem.h"
#include "framework/Window.h"
#include "framework/controls/TextControl.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"
#include "framework/qt/WindowImpl.h"

namespace fw {

QString ShortcutText(const std::string& shortcut) {
  QString s = ToQ(shortcut);
  s.replace("Cmd+", "Ctrl+", Qt::CaseInsensitive);
  return s;
}

void DispatchMenuCommand(const MenuItem& item) {
  if (!item.AutoEnable()) return;
  // The window in front first, then any other live window that binds the item.
  std::vector<Window*> order;
  if (QWidget* active = QApplication::activeWindow()) {
    for (Window* w : AllWindows())
      if (HostOf(*w) == active) order.push_back(w);
  }
  for (Window* w : AllWindows())
    if (std::find(order.begin(), order.end(), w) == order.end()) order.push_back(w);
  for (Window* w : order)
    if (w->HasMenuHandler(item.Name())) {
      w->InvokeMenuHandler(item.Name());
      return;
    }
  // No handler: the standard editing command of the shortcut, on the focused field.
  auto* field = dynamic_cast<TextControl*>(ControlOf(QApplication::focusWidget()));
  if (!field || field->Owner().Locked()) return;
  const QString key = ShortcutText(item.KeyboardShortcut()).toLower();
  if (key == "ctrl+x") field->Cut();
  else if (key == "ctrl+c") field->Copy();
  else if (key == "ctrl+v") field->Paste();
  else if (key == "ctrl+a") field->SelectAll();
}

}  // namespace fw
