#include "framework/controls/Listbox.h"

#include <QAbstractListModel>
#include <QHeaderView>
#include <QEvent>
#include <QScrollBar>
#include <QTableView>
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

// The list's rows, as the program gave them, end to end in one text: a list
// of a whole password book may hold a hundred thousand rows, and adding one
// then costs no allocation of its own, emptying the list two or three frees,
// and sorting it a new order of row numbers. The view asks only for the rows
// it shows.
//
// The view learns of added rows once the event loop next runs, all at once:
// told row by row, it would spend more on each row than the adding itself.
class Rows final : public QAbstractListModel {
 public:
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : shown_; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_) return {};
    const std::string_view t = Text(static_cast<std::size_t>(index.row()));
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
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

  std::size_t Count() const { return order_.size(); }
  std::size_t TextSize() const { return text_.size(); }
  // Raised by every change of the rows.
  unsigned Changes() const { return changes_; }
  std::string_view Text(std::size_t row) const {
    const Slot& s = slots_[order_[row]];
    return std::string_view(text_).substr(s.start, s.length);
  }
  long long Tag(std::size_t row) const { return slots_[order_[row]].tag; }
  void SetTag(std::size_t row, long long tag) { slots_[order_[row]].tag = tag; }

  void Append(std::string_view text) {
    slots_.push_back(Slot{text_.size(), text.size(), -1});
    text_.append(text);
    order_.push_back(static_cast<std::uint32_t>(slots_.size() - 1));
    ++changes_;
    if (!flush_posted_) {
      flush_posted_ = true;
      QMetaObject::invokeMethod(this, &Rows::Flush, Qt::QueuedConnection);
    }
  }
  // Tells the view of the rows added since it last heard.
  void Flush() {
    flush_posted_ = false;
    const int count = static_cast<int>(Count());
    if (shown_ >= count) return;
    beginInsertRows({}, shown_, count - 1);
    shown_ = count;
    endInsertRows();
  }
  void Clear() {
    beginResetModel();
    std::string().swap(text_);
    std::vector<Slot>().swap(slots_);
    std::vector<std::uint32_t>().swap(order_);
    ++changes_;
    shown_ = 0;
    endResetModel();
  }
  // The rows laid out anew in the given order (a permutation of the row
  // numbers): their text end to end in that order, so that reading the list
  // row after row then walks its memory in order. Built a slice at a time,
  // letting the event loop run; false, and nothing changed, when the rows
  // changed meanwhile. They take the new order in one step at the end.
  bool Reorder(const std::vector<std::uint32_t>& order) {
    const unsigned changes = changes_;
    if (order.size() != Count()) return false;
    std::string text;
    text.reserve(text_.size());
    std::vector<Slot> laid(order.size());  // not "slots": a word Qt keeps for itself
    for (std::size_t i = 0; i < order.size(); ++i) {
      const Slot& from = slots_[order_[order[i]]];
      laid[i] = Slot{text.size(), from.length, from.tag};
      text.append(text_, from.start, from.length);
      if ((i & 1023u) == 1023u) {
        Yield();
        if (changes_ != changes) return false;
      }
    }
    std::vector<std::uint32_t> identity(order.size());
    for (std::size_t i = 0; i < identity.size(); ++i) identity[i] = static_cast<std::uint32_t>(i);
    beginResetModel();
    text_.swap(text);
    slots_.swap(laid);
    order_.swap(identity);
    ++changes_;
    shown_ = static_cast<int>(Count());
    endResetModel();
    return true;
  }

 private:
  // A row as added: where its text is, and its tag beside it.
  struct Slot {
    std::size_t start;
    std::size_t length;
    long long tag;
  };
  std::string text_;
  std::vector<Slot> slots_;            // each row as added
  std::vector<std::uint32_t> order_;   // the slot of each row as listed
  int shown_ = 0;                      // rows the view knows of
  bool flush_posted_ = false;
  unsigned changes_ = 0;
  QString heading_;
};

// The view: a table of one column with its heading. A tree view would lay out
// every row each time the rows change (milliseconds for a long list, in one
// piece); a table with rows of one fixed height lays out only what it shows.
class RowsView final : public QTableView {
 public:
  RowsView() {
    auto* rows = new Rows;
    rows->setParent(this);
    setModel(rows);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setStyleSheet("QTableView::item { border-bottom: 1px solid #d8d8d8; padding: 2px; }");
    // Every row is as high as the first: measured once rows come, and again
    // when the font or the style changes.
    connect(rows, &QAbstractItemModel::rowsInserted, this, [this] { FitRowHeight(); });
    connect(rows, &QAbstractItemModel::modelReset, this, [this] { FitRowHeight(); });
  }

 protected:
  // Scrolled to its end, a table puts its last row at the foot of the view and
  // shows part of a row at its head; a list stands its rows from the head,
  // whole, and leaves the room that is over below the last.
  void scrollContentsBy(int dx, int dy) override {
    QTableView::scrollContentsBy(dx, dy);
    QScrollBar* bar = verticalScrollBar();
    if (dy == 0 || bar->value() != bar->maximum()) return;
    verticalHeader()->setOffsetToSectionPosition(bar->value());
    viewport()->update();
  }
  // Home and End go to the first and the last row, as in a list; a table
  // would go to the first and last column of the row.
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
    if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(action, modifiers);
  }
  void changeEvent(QEvent* e) override {
    QTableView::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange) {
      row_height_known_ = false;
      FitRowHeight();
    }
  }

 private:
  void FitRowHeight() {
    if (row_height_known_ || model()->rowCount() == 0) return;
    row_height_known_ = true;
    verticalHeader()->setDefaultSectionSize(std::max(1, sizeHintForRow(0)));
  }

  bool row_height_known_ = false;
};

QTableView* ViewOf(const Control& c) { return WidgetAs<QTableView>(c); }
Rows& RowsOf(const Control& c) { return *static_cast<Rows*>(ViewOf(c)->model()); }

// A press on a row is a CellClick; a press beside the rows is nothing.
struct ListImpl final : Control::Impl {
  using Control::Impl::Impl;
  bool LeftPress(Control& c, const QPoint& p) override {
    auto* view = static_cast<QTableView*>(widget.data());
    const QModelIndex index = view->indexAt(p);
    if (!index.isValid()) return false;
    return c.OnCellClick(index.row(), std::max(view->columnAt(p.x()), 0), p.x(), p.y());
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

// Empty when the rows changed meanwhile (a handler run during a yield).
FoldedKeys Fold(const Rows& rows) {
  FoldedKeys keys;
  const unsigned changes = rows.Changes();
  const std::size_t n = rows.Count();
  keys.start.reserve(n + 1);
  // Folding keeps the length of ASCII text, and changes that of other text
  // little: no growth, as a rule, and so no copy of the keys so far.
  keys.text.reserve(rows.TextSize() + rows.TextSize() / 8);
  for (std::size_t row = 0; row < n; ++row) {
    const std::string_view r = rows.Text(row);
    keys.start.push_back(keys.text.size());
    bool ascii = true;
    for (unsigned char ch : r) ascii = ascii && ch < 0x80;
    if (ascii) {
      for (char ch : r) keys.text += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
    } else {
      keys.text += QString::fromUtf8(r.data(), static_cast<qsizetype>(r.size())).toCaseFolded().toStdString();
    }
    Yield();
    if (rows.Changes() != changes) return {};
  }
  keys.start.push_back(keys.text.size());
  return keys;
}

// The first eight bytes of a key as one number that orders as the bytes do,
// so that most comparisons need no more than it.
std::uint64_t Prefix(std::string_view key) {
  std::uint64_t p = 0;
  for (std::size_t i = 0; i < 8; ++i) p = (p << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
  return p;
}

// An entry of the sort: a row and the first eight bytes of its key.
struct Item {
  std::uint64_t prefix;
  std::uint32_t row;
};

// A stable merge sort of v[lo, hi) that yields to the event loop as it goes;
// false when `changed` says the rows changed meanwhile.
template <class Before, class Changed>
bool MergeSort(std::vector<Item>& v, std::vector<Item>& tmp, std::size_t lo, std::size_t hi, Before before,
               Changed changed) {
  constexpr std::size_t kRun = 32;
  for (std::size_t at = lo; at < hi; at += kRun) {
    std::stable_sort(v.begin() + static_cast<std::ptrdiff_t>(at),
                     v.begin() + static_cast<std::ptrdiff_t>(std::min(at + kRun, hi)), before);
    Yield();
    if (changed()) return false;
  }
  unsigned steps = 0;
  for (std::size_t width = kRun; width < hi - lo; width *= 2) {
    for (std::size_t start = lo; start < hi; start += 2 * width) {
      const std::size_t mid = std::min(start + width, hi), end = std::min(start + 2 * width, hi);
      std::size_t i = start, j = mid, k = start;
      while (i < mid && j < end) {
        tmp[k++] = before(v[j], v[i]) ? v[j++] : v[i++];
        if ((++steps & 255u) == 0) {
          Yield();
          if (changed()) return false;
        }
      }
      while (i < mid) tmp[k++] = v[i++];
      while (j < end) tmp[k++] = v[j++];
    }
    std::copy(tmp.begin() + static_cast<std::ptrdiff_t>(lo), tmp.begin() + static_cast<std::ptrdiff_t>(hi),
              v.begin() + static_cast<std::ptrdiff_t>(lo));
  }
  return true;
}

// The rows' order by text ignoring letter case, then by the text itself, so
// that names differing only in case keep one order; equal rows keep theirs.
// The rows are first ordered by the first eight bytes of their folded text,
// a byte at a time from the last (a radix sort: no comparisons, and stable);
// only rows that share those bytes are then compared in full. Both yield to
// the event loop as they go: sorting a long list takes longer than a window
// may stay unanswered. Empty when the rows changed meanwhile.
std::vector<std::uint32_t> SortedOrder(const Rows& rows) {
  const unsigned changes = rows.Changes();
  auto changed = [&] { return rows.Changes() != changes; };
  const FoldedKeys keys = Fold(rows);
  if (changed()) return {};
  const std::size_t n = rows.Count();
  std::vector<Item> v(n), tmp(n);
  for (std::size_t i = 0; i < n; ++i) {
    v[i] = Item{Prefix(keys[i]), static_cast<std::uint32_t>(i)};
    if ((i & 1023u) == 0) Yield();
  }
  if (changed()) return {};

  for (int shift = 0; shift < 64; shift += 8) {
    std::size_t count[256] = {};
    for (const Item& item : v) ++count[(item.prefix >> shift) & 0xffu];
    if (std::find(std::begin(count), std::end(count), n) != std::end(count)) continue;  // one byte for all
    std::size_t at[256];
    for (std::size_t b = 0, sum = 0; b < 256; ++b) {
      at[b] = sum;
      sum += count[b];
    }
    for (std::size_t i = 0; i < n; ++i) {
      tmp[at[(v[i].prefix >> shift) & 0xffu]++] = v[i];
      if ((i & 4095u) == 4095u) {
        Yield();
        if (changed()) return {};
      }
    }
    v.swap(tmp);
  }

  auto before = [&](const Item& a, const Item& b) {
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    const int c = keys[a.row].compare(keys[b.row]);
    return c != 0 ? c < 0 : rows.Text(a.row) < rows.Text(b.row);
  };
  for (std::size_t lo = 0; lo < n;) {
    std::size_t hi = lo + 1;
    while (hi < n && v[hi].prefix == v[lo].prefix) ++hi;
    if (hi - lo > 1 && !MergeSort(v, tmp, lo, hi, before, changed)) return {};
    lo = hi;
  }

  std::vector<std::uint32_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = v[i].row;
  return order;
}
}  // namespace

Listbox::Listbox() : Control(std::make_unique<ListImpl>(new RowsView)) {}
void Listbox::SetHeading(const std::string& heading) { RowsOf(*this).SetHeading(ToQ(heading)); }
std::string Listbox::Heading() const { return FromQ(RowsOf(*this).Heading()); }
void Listbox::DeleteAllRows() { RowsOf(*this).Clear(); }
void Listbox::AddRow(const std::string& text) { RowsOf(*this).Append(text); }
int Listbox::ListCount() const { return static_cast<int>(RowsOf(*this).Count()); }
std::string Listbox::Cell(int row, int column) const {
  const Rows& rows = RowsOf(*this);
  if (row < 0 || static_cast<std::size_t>(row) >= rows.Count() || column != 0) return {};
  return std::string(rows.Text(static_cast<std::size_t>(row)));
}

void Listbox::SetRowTag(int row, long long tag) {
  Rows& rows = RowsOf(*this);
  if (row >= 0 && static_cast<std::size_t>(row) < rows.Count()) rows.SetTag(static_cast<std::size_t>(row), tag);
}

long long Listbox::RowTag(int row) const {
  const Rows& rows = RowsOf(*this);
  if (row < 0 || static_cast<std::size_t>(row) >= rows.Count()) return -1;
  return rows.Tag(static_cast<std::size_t>(row));
}

void Listbox::Sort() {
  // While the order is worked out the list shows and answers with its rows as
  // they are; they take the new order in one step at the end. A list changed
  // meanwhile (a handler that ran during a yield) keeps that change unsorted.
  Rows& model = RowsOf(*this);
  const unsigned before = model.Changes();
  const std::vector<std::uint32_t> order = SortedOrder(model);
  if (model.Changes() == before) model.Reorder(order);
}

int Listbox::ListIndex() const {
  const QModelIndex current = ViewOf(*this)->currentIndex();
  return current.isValid() ? current.row() : -1;
}

}  // namespace fw
