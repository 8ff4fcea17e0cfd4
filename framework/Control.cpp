#include "framework/Control.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTreeWidget>
#include <algorithm>

#include "framework/audio/AudioEngine.h"
#include "framework/qt/Internal.h"
#include "framework/testing/Drivers.h"

namespace fw {

Control::Impl::~Impl() { delete widget.data(); }

namespace {
const char* kControlProperty = "fw_control";

// Counts characters (code points) of the first n UTF-16 units and back.
int CharsOf(const QString& s, int utf16) { return static_cast<int>(s.left(utf16).toUcs4().size()); }
int Utf16Of(const QString& s, int chars) {
  int units = 0;
  for (int c = 0; c < chars && units < s.size(); ++c) units += s.at(units).isHighSurrogate() ? 2 : 1;
  return std::min<int>(units, static_cast<int>(s.size()));
}

class Painted : public QWidget {
 public:
  unsigned fill = 0xFFFFFF, border = 0x000000;
  int border_width = 1, oval_w = 0, oval_h = 0;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, oval_w > 0);
    QPen pen(QColor::fromRgb(border));
    pen.setWidth(border_width);
    p.setPen(border_width > 0 ? pen : Qt::NoPen);
    p.setBrush(QColor::fromRgb(fill));
    const qreal h = border_width / 2.0;
    QRectF r = QRectF(rect()).adjusted(h, h, -h, -h);
    if (oval_w > 0) {
      p.drawRoundedRect(r, oval_w / 2.0, oval_h / 2.0);
    } else {
      p.drawRect(r);
    }
  }
};

// Whether the key is the shortcut of one of the window's menu items.
bool IsMenuShortcut(const Window& w, const QKeyEvent* k) {
  const QKeySequence pressed(k->keyCombination());
  for (const auto& [a, item] : w.impl().actions)
    if (a && !a->shortcut().isEmpty() && a->shortcut().matches(pressed) == QKeySequence::ExactMatch) return true;
  return false;
}

// Carries the widget's events to the control's event members.
class EventBridge : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject* obj, QEvent* e) override {
    auto* w = qobject_cast<QWidget*>(obj);
    Control* c = w ? ControlOf(w) : nullptr;
    if (!c) return false;
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
        if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) c->OnGotFocus();
        return false;
      case QEvent::FocusOut:
        if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) c->OnLostFocus();
        return false;
      case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() != Qt::LeftButton) return false;
        const QPoint p = m->position().toPoint();
        if (auto* tree = qobject_cast<QTreeWidget*>(WidgetOf(*c))) {
          QTreeWidgetItem* item = tree->itemAt(p);
          if (!item) return false;
          const int row = tree->indexOfTopLevelItem(item);
          const int col = tree->columnAt(p.x());
          return c->OnCellClick(row, std::max(col, 0), p.x(), p.y());
        }
        return c->OnMouseDown(p.x(), p.y());
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
};

EventBridge& Bridge() {
  static EventBridge* b = new EventBridge(qApp);
  return *b;
}

void Hook(QWidget* w) {
  w->installEventFilter(&Bridge());
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) area->viewport()->installEventFilter(&Bridge());
}

template <class T>
T* As(const Control& c) {
  return qobject_cast<T*>(WidgetOf(c));
}
}  // namespace

Control* ControlOf(const QWidget* w) {
  for (const QWidget* x = w; x; x = x->parentWidget()) {
    QVariant v = x->property(kControlProperty);
    if (v.isValid()) return static_cast<Control*>(v.value<void*>());
    // Only the widget itself or its viewport carry events for a control.
    if (x != w) break;
  }
  return nullptr;
}

QWidget* WidgetOf(const Control& c) { return c.impl().widget.data(); }

// --- control base ---------------------------------------------------------------
Control::Control() : impl_(std::make_unique<Impl>()) {}
Control::Control(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Control::~Control() = default;

void Control::Attach(Window& owner, const std::string& name) {
  owner_ = &owner;
  name_ = name;
  QWidget* w = impl_->widget;
  if (!w) return;
  w->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(this)));
  w->setObjectName(ToQ(name));
  w->setParent(owner.impl().client);
  Hook(w);
  w->setGeometry(left_, top_, width_, height_);
  w->show();
}

void Control::SetPosition(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (QWidget* w = impl_->widget) {
    const int ox = parent_ ? parent_->Left() : 0;
    const int oy = parent_ ? parent_->Top() : 0;
    w->setGeometry(left - ox, top - oy, width, height);
  }
}

void Control::SetParent(Control* parent) {
  parent_ = parent;
  QWidget* w = impl_->widget;
  if (!w) return;
  const bool was_hidden = w->isHidden();
  w->setParent(parent && WidgetOf(*parent) ? WidgetOf(*parent) : owner_->impl().client);
  SetPosition(left_, top_, width_, height_);
  w->setVisible(!was_hidden);
}

bool Control::Enabled() const { return impl_->widget ? impl_->widget->isEnabled() : true; }
void Control::SetEnabled(bool on) {
  if (impl_->widget) impl_->widget->setEnabled(on);
}
bool Control::Visible() const { return impl_->widget ? !impl_->widget->isHidden() : true; }
void Control::SetVisible(bool on) {
  if (impl_->widget) impl_->widget->setVisible(on);
}
void Control::SetFocus() {
  // A control that does not accept the focus (a bevel button, a label) keeps
  // it where it is, also when the program asks.
  QWidget* w = impl_->widget;
  if (w && w->focusPolicy() != Qt::NoFocus) w->setFocus(Qt::OtherFocusReason);
}
bool Control::HasFocus() const {
  QWidget* w = impl_->widget;
  return w && w->window()->focusWidget() == w;
}

void Control::ApplyFont() {
  QWidget* w = impl_->widget;
  if (!w) return;
  QFont f = w->font();
  if (text_size_ > 0) f.setPixelSize(text_size_);
  f.setBold(bold_);
  w->setFont(f);
}
void Control::SetTextSize(int size) {
  text_size_ = size;
  ApplyFont();
}
void Control::SetBold(bool on) {
  bold_ = on;
  ApplyFont();
}
void Control::SetTextColor(unsigned rgb) {
  if (QWidget* w = impl_->widget) {
    // Enabled states only: a disabled control keeps the greyed look.
    QPalette p = w->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
      for (QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(g, r, QColor::fromRgb(rgb));
    w->setPalette(p);
  }
}

namespace {
std::unique_ptr<Control::Impl> ImplWith(QWidget* w) {
  auto d = std::make_unique<Control::Impl>();
  d->widget = w;
  return d;
}
}  // namespace

// --- label ----------------------------------------------------------------------
Label::Label() : Control(ImplWith(new QLabel)) {
  auto* l = As<QLabel>(*this);
  l->setTextFormat(Qt::PlainText);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}
std::string Label::Text() const { return As<QLabel>(*this)->property("fw_text").toString().toStdString(); }
void Label::SetText(const std::string& text) {
  auto* l = As<QLabel>(*this);
  l->setProperty("fw_text", ToQ(text));
  l->setText(DisplayText(text));
}
void Label::SetTextAlign(int align) {
  auto* l = As<QLabel>(*this);
  Qt::Alignment v = l->alignment() & Qt::AlignVertical_Mask;
  Qt::Alignment h = align == 1 ? Qt::AlignHCenter : align == 2 ? Qt::AlignRight : Qt::AlignLeft;
  l->setAlignment(h | v);
}
void Label::SetMultiline(bool on) {
  auto* l = As<QLabel>(*this);
  l->setWordWrap(on);
  Qt::Alignment h = l->alignment() & Qt::AlignHorizontal_Mask;
  l->setAlignment(h | (on ? Qt::AlignTop : Qt::AlignVCenter));
}

// --- buttons --------------------------------------------------------------------
namespace {
QPushButton* NewButton(Control* owner) {
  auto* b = new QPushButton;
  b->setAutoDefault(false);
  b->setDefault(false);
  QObject::connect(b, &QPushButton::clicked, b, [owner] { owner->OnAction(); });
  return b;
}
}  // namespace

PushButton::PushButton() : Control(ImplWith(NewButton(this))) {}
std::string PushButton::Caption() const { return FromQ(As<QPushButton>(*this)->text()); }
void PushButton::SetCaption(const std::string& caption) { As<QPushButton>(*this)->setText(ToQ(caption)); }
void PushButton::SetDefault(bool on) { As<QPushButton>(*this)->setDefault(on); }
void PushButton::SetCancel(bool) {}

BevelButton::BevelButton() : Control(ImplWith(NewButton(this))) {
  As<QPushButton>(*this)->setFocusPolicy(Qt::NoFocus);
}
std::string BevelButton::Caption() const { return FromQ(As<QPushButton>(*this)->text()); }
void BevelButton::SetCaption(const std::string& caption) { As<QPushButton>(*this)->setText(ToQ(caption)); }
void BevelButton::SetAcceptFocus(bool on) {
  As<QPushButton>(*this)->setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

// --- text -----------------------------------------------------------------------
namespace {
QLineEdit* LineOf(const Control& c) { return qobject_cast<QLineEdit*>(WidgetOf(c)); }
QPlainTextEdit* AreaOf(const Control& c) { return qobject_cast<QPlainTextEdit*>(WidgetOf(c)); }
}  // namespace

TextControl::TextControl(std::unique_ptr<Impl> impl) : Control(std::move(impl)) {
  if (QLineEdit* le = LineOf(*this)) {
    // A line edit reports only real changes, from typing and from setText alike.
    QObject::connect(le, &QLineEdit::textChanged, le, [this] { OnTextChange(); });
  } else if (QPlainTextEdit* te = AreaOf(*this)) {
    // A text area reports every setPlainText; keep the last text to report real changes only.
    QObject::connect(te, &QPlainTextEdit::textChanged, te, [this, te] {
      std::string now = FromQ(te->toPlainText());
      if (now == this->impl().last_text) return;
      this->impl().last_text = std::move(now);
      OnTextChange();
    });
  }
}

std::string TextControl::Text() const {
  if (QLineEdit* le = LineOf(*this)) return FromQ(le->text());
  if (QPlainTextEdit* te = AreaOf(*this)) return FromQ(te->toPlainText());
  return {};
}

void TextControl::SetText(const std::string& text) {
  if (QLineEdit* le = LineOf(*this)) {
    le->setText(ToQ(text));
  } else if (QPlainTextEdit* te = AreaOf(*this)) {
    te->setPlainText(DisplayText(text));
  }
}

int TextControl::SelStart() const {
  if (QLineEdit* le = LineOf(*this)) {
    const int s = le->hasSelectedText() ? le->selectionStart() : le->cursorPosition();
    return CharsOf(le->text(), s);
  }
  if (QPlainTextEdit* te = AreaOf(*this)) {
    return CharsOf(te->toPlainText(), te->textCursor().selectionStart());
  }
  return 0;
}

void TextControl::SetSelStart(int start) {
  if (QLineEdit* le = LineOf(*this)) {
    le->setCursorPosition(Utf16Of(le->text(), std::max(start, 0)));
  } else if (QPlainTextEdit* te = AreaOf(*this)) {
    QTextCursor c = te->textCursor();
    c.setPosition(Utf16Of(te->toPlainText(), std::max(start, 0)));
    te->setTextCursor(c);
  }
}

int TextControl::SelLength() const {
  if (QLineEdit* le = LineOf(*this)) return static_cast<int>(le->selectedText().toUcs4().size());
  if (QPlainTextEdit* te = AreaOf(*this)) return static_cast<int>(te->textCursor().selectedText().toUcs4().size());
  return 0;
}

void TextControl::SetSelLength(int length) {
  const int start = SelStart();
  if (QLineEdit* le = LineOf(*this)) {
    const QString t = le->text();
    const int a = Utf16Of(t, start);
    const int b = Utf16Of(t, start + std::max(length, 0));
    le->setSelection(a, b - a);
  } else if (QPlainTextEdit* te = AreaOf(*this)) {
    const QString t = te->toPlainText();
    QTextCursor c = te->textCursor();
    c.setPosition(Utf16Of(t, start));
    c.setPosition(Utf16Of(t, start + std::max(length, 0)), QTextCursor::KeepAnchor);
    te->setTextCursor(c);
  }
}

std::string TextControl::SelText() const {
  if (QLineEdit* le = LineOf(*this)) return FromQ(le->selectedText());
  if (QPlainTextEdit* te = AreaOf(*this)) {
    QString s = te->textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, '\n');
    return FromQ(s);
  }
  return {};
}

void TextControl::SetSelText(const std::string& text) {
  if (QLineEdit* le = LineOf(*this)) {
    le->insert(ToQ(text));
  } else if (QPlainTextEdit* te = AreaOf(*this)) {
    te->insertPlainText(DisplayText(text));
  }
}

void TextControl::SetReadOnly(bool on) {
  if (QLineEdit* le = LineOf(*this)) le->setReadOnly(on);
  if (QPlainTextEdit* te = AreaOf(*this)) te->setReadOnly(on);
}

void TextControl::Cut() {
  if (QLineEdit* le = LineOf(*this)) le->cut();
  if (QPlainTextEdit* te = AreaOf(*this)) te->cut();
}
void TextControl::Copy() {
  if (QLineEdit* le = LineOf(*this)) le->copy();
  if (QPlainTextEdit* te = AreaOf(*this)) te->copy();
}
void TextControl::Paste() {
  if (QLineEdit* le = LineOf(*this)) le->paste();
  if (QPlainTextEdit* te = AreaOf(*this)) te->paste();
}
void TextControl::SelectAll() {
  if (QLineEdit* le = LineOf(*this)) le->selectAll();
  if (QPlainTextEdit* te = AreaOf(*this)) te->selectAll();
}

TextField::TextField() : WithFieldEvents(ImplWith(new QLineEdit)) {}
void TextField::SetPassword(bool on) { LineOf(*this)->setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal); }
bool TextField::Password() const { return LineOf(*this)->echoMode() == QLineEdit::Password; }

TextArea::TextArea() : WithFieldEvents(ImplWith(new QPlainTextEdit)) {
  QPlainTextEdit* te = AreaOf(*this);
  te->setTabChangesFocus(true);
  te->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  te->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  te->setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

// --- list -----------------------------------------------------------------------
namespace {
QTreeWidget* TreeOf(const Control& c) { return qobject_cast<QTreeWidget*>(WidgetOf(c)); }
}  // namespace

Listbox::Listbox() : Control(ImplWith(new QTreeWidget)) {
  QTreeWidget* t = TreeOf(*this);
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
}
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

// --- shapes ---------------------------------------------------------------------
namespace {
Painted* PaintedOf(const Control& c) { return static_cast<Painted*>(WidgetOf(c)); }
}  // namespace

RoundRectangle::RoundRectangle() : Control(ImplWith(new Painted)) { SetOval(16, 16); }
void RoundRectangle::SetFillColor(unsigned rgb) { PaintedOf(*this)->fill = rgb; PaintedOf(*this)->update(); }
void RoundRectangle::SetBorderColor(unsigned rgb) { PaintedOf(*this)->border = rgb; PaintedOf(*this)->update(); }
void RoundRectangle::SetBorderWidth(int width) { PaintedOf(*this)->border_width = width; PaintedOf(*this)->update(); }
void RoundRectangle::SetOval(int width, int height) {
  PaintedOf(*this)->oval_w = width;
  PaintedOf(*this)->oval_h = height;
  PaintedOf(*this)->update();
}

Rectangle::Rectangle() : Control(ImplWith(new Painted)) {}
void Rectangle::SetFillColor(unsigned rgb) { PaintedOf(*this)->fill = rgb; PaintedOf(*this)->update(); }
void Rectangle::SetBorderColor(unsigned rgb) { PaintedOf(*this)->border = rgb; PaintedOf(*this)->update(); }
void Rectangle::SetBorderWidth(int width) { PaintedOf(*this)->border_width = width; PaintedOf(*this)->update(); }

// --- note player ----------------------------------------------------------------
NotePlayer::NotePlayer() = default;
void NotePlayer::SetInstrument(int instrument) {
  instrument_ = instrument;
  audio::SetInstrument(instrument);
}
void NotePlayer::PlayNote(int note, int velocity) {
  // The synthesizer has one channel: each player brings its own instrument.
  if (audio::Instrument() != instrument_) audio::SetInstrument(instrument_);
  audio::PlayNote(note, velocity);
}

}  // namespace fw
