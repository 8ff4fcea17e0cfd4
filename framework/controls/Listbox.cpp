#include "framework/controls/Listbox.h"

#include <QAbstractListModel>
#include <QHeaderView>
#include <QTreeView>
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/EventLoop.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"

namespace fw {

namespace {

// The list's rows, as the program gave them. A list of a whole password book
// may hold a hundred thousand rows: each costs one string, and the view asks
// only for the rows it shows.
class Rows final : public QAbstractListModel {
 public:
  int rowCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    return ToQ(rows_[static_cast<std::size_t>(index.row())]);
  }
  QVariant headerData(int section, Qt::Orientation o, int role) const override {
    if (section != 0 || o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return heading_;
  }
  Qt::ItemFlags flags(const QModelIndex& index) const override {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
  }

  const QString& Heading() const { return heading_; }
  void SetHeading(const QString& h) {
    heading_ = h;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
  }
  const std::vector<std::string>& All() const { return rows_; }

  void Append(std::string text) {
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(text));
    endInsertRows();
  }
  // The rows in the given order (a permutation of their numbers), in one step.
  void Permute(const std::vector<std::uint32_t>& order) {
    std::vector<std::string> sorted;
    sorted.reserve(order.size());
    beginResetModel();
    for (std::uint32_t row : order) sorted.push_back(std::move(rows_[row]));
    rows_.swap(sorted);
    endResetModel();
  }
  void Replace(std::vector<std::string> rows) {
    beginResetModel();
    rows_.swap(rows);
    endResetModel();
    // The old rows go after the view has let go of them.
  }

 private:
  std::vector<std::string> rows_;
  QString heading_;
};

QTreeView* NewTree() {
  auto* t = new QTreeView;
  t->setModel(new Rows);
  t->model()->setParent(t);
  t->setRootIsDecorated(false);
  t->setItemsExpandable(false);
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

QTreeView* TreeOf(const Control& c) { return WidgetAs<QTreeView>(c); }
Rows& RowsOf(const Control& c) { return *static_cast<Rows*>(TreeOf(c)->model()); }

// A press on a row is a CellClick; a press beside the rows is nothing.
struct ListImpl final : Control::Impl {
  using Control::Impl::Impl;
  bool LeftPress(Control& c, const QPoint& p) override {
    auto* tree = static_cast<QTreeView*>(widget.data());
    const QModelIndex index = tree->indexAt(p);
    if (!index.isValid()) return false;
    return c.OnCellClick(index.row(), std::max(tree->columnAt(p.x()), 0), p.x(), p.y());
  }
};

// The keys Sort orders by: each row's text with letter case folded, end to
// end in one buffer.
struct FoldedKeys {
  std::string text;
  std::vector<std::size_t> start;  // one per row, and one past the last
  std::string_view operator[](std::size_t row) const {
    return std::string_view(text).substr(start[row], start[row + 1] - start[row]);
  }
};

FoldedKeys Fold(const std::vector<std::string>& rows) {
  FoldedKeys keys;
  keys.start.reserve(rows.size() + 1);
  for (const std::string& r : rows) {
    keys.start.push_back(keys.text.size());
    bool ascii = true;
    for (unsigned char ch : r) ascii = ascii && ch < 0x80;
    if (ascii) {
      for (char ch : r) keys.text += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
    } else {
      keys.text += FromQ(ToQ(r).toCaseFolded());
    }
    Yield();
  }
  keys.start.push_back(keys.text.size());
  return keys;
}

// The rows' order by text ignoring letter case, then by the text itself, so
// that names differing only in case keep one order; equal rows keep theirs.
// A merge sort of row numbers that yields to the event loop as it goes:
// sorting a long list takes longer than a window may stay unanswered.
std::vector<std::uint32_t> SortedOrder(const std::vector<std::string>& rows) {
  const FoldedKeys keys = Fold(rows);
  auto before = [&](std::uint32_t a, std::uint32_t b) {
    const int c = keys[a].compare(keys[b]);
    return c != 0 ? c < 0 : rows[a] < rows[b];
  };
  const std::size_t n = rows.size();
  std::vector<std::uint32_t> v(n), tmp(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint32_t>(i);
  constexpr std::size_t kRun = 32;
  for (std::size_t at = 0; at < n; at += kRun) {
    std::stable_sort(v.begin() + static_cast<std::ptrdiff_t>(at),
                     v.begin() + static_cast<std::ptrdiff_t>(std::min(at + kRun, n)), before);
    Yield();
  }
  unsigned steps = 0;
  for (std::size_t width = kRun; width < n; width *= 2) {
    for (std::size_t lo = 0; lo < n; lo += 2 * width) {
      const std::size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) {
        tmp[k++] = before(v[j], v[i]) ? v[j++] : v[i++];
        if ((++steps & 255u) == 0) Yield();
      }
      while (i < mid) tmp[k++] = v[i++];
      while (j < hi) tmp[k++] = v[j++];
    }
    v.swap(tmp);
  }
  return v;
}
}  // namespace

Listbox::Listbox() : Control(std::make_unique<ListImpl>(NewTree())) {}
void Listbox::SetHeading(const std::string& heading) { RowsOf(*this).SetHeading(ToQ(heading)); }
std::string Listbox::Heading() const { return FromQ(RowsOf(*this).Heading()); }
void Listbox::DeleteAllRows() { RowsOf(*this).Replace({}); }
void Listbox::AddRow(const std::string& text) { RowsOf(*this).Append(text); }
int Listbox::ListCount() const { return static_cast<int>(RowsOf(*this).All().size()); }
std::string Listbox::Cell(int row, int column) const {
  const auto& rows = RowsOf(*this).All();
  if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || column != 0) return {};
  return rows[static_cast<std::size_t>(row)];
}

void Listbox::Sort() {
  // While the order is worked out the list shows and answers with its rows as
  // they are; they take the new order in one step at the end. A list changed
  // meanwhile (a handler that ran during a yield) keeps that change unsorted.
  Rows& model = RowsOf(*this);
  const std::vector<std::uint32_t> order = SortedOrder(model.All());
  if (order.size() == model.All().size()) model.Permute(order);
}

int Listbox::ListIndex() const {
  const QModelIndex current = TreeOf(*this)->currentIndex();
  return current.isValid() ? current.row() : -1;
}

}  // namespace fw
