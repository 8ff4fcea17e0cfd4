#include "framework/qt/ContextMenu.h"

#include <QMenu>
#include <utility>
#include <vector>

#include "framework/MenuItem.h"
#include "framework/Seams.h"
#include "framework/qt/QtText.h"

namespace fw {

MenuItem* PickContextItem(MenuItem& base, const QPoint& global) {
  // A copy: the chooser may take itself away while it runs.
  if (const seams::ContextMenuChooser choose = seams::CurrentContextMenuChooser()) return choose(base);
  QMenu menu;
  std::vector<std::pair<QAction*, MenuItem*>> acts;
  for (int i = 0; i < base.Count(); ++i) {
    MenuItem* item = base.Item(i);
    if (item->IsSeparator()) {
      menu.addSeparator();
      continue;
    }
    acts.emplace_back(menu.addAction(ToQ(item->Text())), item);
  }
  QAction* chosen = menu.exec(global);
  for (auto& [a, item] : acts)
    if (a == chosen) return item;
  return nullptr;
}

}  // namespace fw
