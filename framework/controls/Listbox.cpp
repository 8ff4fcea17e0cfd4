#include "framework/controls/Listbox.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>

#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"

namespace fw {

namespace {
QTreeWidget* NewTree() {
  auto* t = new QTreeWidget;
  t->setColumnCount(1);
  t->setRootIsDecorated(false);
  t->setUniformRowHeights(true);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  t->header()->setSectionResizeMode(QHeaderView::Stretch);
  t->header()->setSectionsMovable(false);
  t->header()->setSectionsClickable(false);
  t->setStyleSheet("QTreeView::item { border-bottom: 1px solid #d8d8d8; padding: 2px; }");
  return t;
}

// A press on a row is a CellClick; a press beside the rows is nothing.
struct ListImpl final : Control::Impl {
  using Control::Impl::Impl;
  bool LeftPress(Control& c, const QPoint& p) override {
    auto* tree = static_cast<QTreeWidget*>(widget.data());
    QTreeWidgetItem* item = tree->itemAt(p);
    if (!item) return false;
    const int row = tree->indexOfTopLevelItem(item);
    const int col = tree->columnAt(p.x());
    return c.OnCellClick(row, std::max(col, 0), p.x(), p.y());
  }
};

QTreeWidget* TreeOf(const Control& c) { return WidgetAs<QTreeWidget>(c); }
}  // namespace

Listbox::Listbox() : Control(std::make_unique<ListImpl>(NewTree())) {}
void Listbox::SetHeading(const std::string& heading) { TreeOf(*this)->setHeaderLabels({ToQ(heading)}); }
std::string Listbox::Heading() const { return FromQ(TreeOf(*this)->headerItem()->text(0)); }
void Listbox::DeleteAllRows() { TreeOf(*this)->clear(); }
void Listbox::AddRow(const std::string& text) {
  auto* item = new QTreeWidgetItem(QStringList{ToQ(text)});
  TreeOf(*this)->addTopLevelItem(item);
}
int Listbox::ListCount() const { return TreeOf(*this)->topLevelItemCount(); }
std::string Listbox::Cell(int row, int column) const {
  QTreeWidgetItem* item = TreeOf(*this)->topLevelItem(row);
  return item && column >= 0 && column < TreeOf(*this)->columnCount() ? FromQ(item->text(column)) : std::string();
}
void Listbox::Sort() {
  QTreeWidget* t = TreeOf(*this);
  QList<QTreeWidgetItem*> items = t->invisibleRootItem()->takeChildren();
  std::stable_sort(items.begin(), items.end(), [](QTreeWidgetItem* a, QTreeWidgetItem* b) {
    const int c = QString::compare(a->text(0), b->text(0), Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a->text(0) < b->text(0);
  });
  t->addTopLevelItems(items);
}
int Listbox::ListIndex() const {
  QTreeWidget* t = TreeOf(*this);
  return t->currentItem() ? t->indexOfTopLevelItem(t->currentItem()) : -1;
}

}  // namespace fw
