#include "framework/testing/Drivers.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>
#include <QImage>
#include <deque>

#include "framework/Controls.h"
#include "framework/MenuItem.h"
#include "framework/MsgBox.h"
#include "framework/Window.h"
#include "framework/Seams.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/QtText.h"
#include "framework/qt/WindowImpl.h"

namespace fw::testing {

namespace {
struct State {
  bool scripted = false;
  std::deque<int> answers;
  std::vector<ShownBox> boxes;
  std::function<void(const ShownBox&)> box_observer;
  bool context_choice_set = false;
  std::string context_choice;
  std::vector<std::string> context_captions;
  std::vector<std::function<void()>> at_loop_start;
};
State& st() {
  static State s;
  return s;
}

QWidget* W(Control& c) { return WidgetOf(c); }

// Focus as a user gives it: the window in front, then the field.
void Focus(Control& c) {
  QWidget* w = W(c);
  if (!w) return;
  QWidget* top = w->window();
  if (!top->isVisible()) top->show();
  QApplication::setActiveWindow(top);
  top->activateWindow();
  if (w->focusPolicy() != Qt::NoFocus && !w->hasFocus()) w->setFocus(Qt::MouseFocusReason);
}

QWidget* FocusTarget(Control& c) { return W(c); }

QAction* ActionFor(Window& w, const std::string& item_name) {
  for (auto& [a, item] : w.impl().actions)
    if (a && item->Name() == item_name) return a.data();
  return nullptr;
}
}  // namespace

// --- message boxes --------------------------------------------------------------
namespace {
int ScriptedBox(const std::string& text, int style, const std::string& title) {
  State& s = st();
  ShownBox box{text, style, title, 0};
  namespace S = MsgBoxStyle;
  namespace A = MsgBoxAnswer;
  const int buttons = style & S::kButtons;
  if (!s.answers.empty()) {
    box.answer = s.answers.front();
    s.answers.pop_front();
  } else if (buttons == S::kOK) {
    box.answer = A::kOK;
  } else {
    box.answer = buttons == S::kYesNo || buttons == S::kYesNoCancel ? A::kNo : A::kCancel;
  }
  if (s.box_observer) s.box_observer(box);
  s.boxes.push_back(box);
  return box.answer;
}

MenuItem* ScriptedContextChoice(MenuItem& base) {
  State& s = st();
  s.context_captions.clear();
  for (int i = 0; i < base.Count(); ++i) s.context_captions.push_back(base.Item(i)->Text());
  const std::string want = s.context_choice;
  s.context_choice_set = false;
  s.context_choice.clear();
  // Unscripted, only the one menu that a choice was set for is answered here.
  if (!s.scripted) seams::SetContextMenuChooser(nullptr);
  for (int i = 0; i < base.Count(); ++i)
    if (!want.empty() && base.Item(i)->Text() == want) return base.Item(i);
  return nullptr;
}
}  // namespace

// Scripted, nothing modal ever waits for a user: boxes are answered and
// contextual menus take the chosen item or are dismissed.
void UseScriptedMessageBoxes(bool on) {
  st().scripted = on;
  seams::SetBoxResponder(on ? seams::BoxResponder(ScriptedBox) : nullptr);
  seams::SetContextMenuChooser(on || st().context_choice_set ? seams::ContextMenuChooser(ScriptedContextChoice)
                                                             : nullptr);
}
void QueueAnswers(const std::vector<int>& answers) {
  for (int a : answers) st().answers.push_back(a);
}
const std::vector<ShownBox>& ShownBoxes() { return st().boxes; }
void ClearShownBoxes() { st().boxes.clear(); }
void OnBoxShown(std::function<void(const ShownBox&)> observer) { st().box_observer = std::move(observer); }

// --- contextual menus -----------------------------------------------------------
void ChooseInNextContextMenu(const std::string& caption) {
  st().context_choice_set = true;
  st().context_choice = caption;
  seams::SetContextMenuChooser(ScriptedContextChoice);
}
const std::vector<std::string>& LastContextMenuCaptions() { return st().context_captions; }

bool OpenContextMenu(Control& c) {
  QWidget* w = W(c);
  if (!w) return false;
  Focus(c);
  QWidget* target = w;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) target = area->viewport();
  const QPoint pos(4, 4);
  QContextMenuEvent e(QContextMenuEvent::Mouse, pos, target->mapToGlobal(pos));
  st().context_captions.clear();
  QApplication::sendEvent(target, &e);
  return !st().context_captions.empty();
}

// --- keys and mouse -------------------------------------------------------------
void TypeText(Control& c, const std::string& text) {
  Focus(c);
  QWidget* w = FocusTarget(c);
  // One event per character: QTest::keyClicks cannot carry characters past Latin-1.
  const QString q = ToQ(text);
  for (uint cp : q.toUcs4()) {
    const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
    Qt::Key key = Qt::Key_unknown;
    if (cp == '\r' || cp == '\n') key = Qt::Key_Return;
    else if (cp == '\t') key = Qt::Key_Tab;
    else if (cp < 128 && QChar(cp).isLetterOrNumber()) key = static_cast<Qt::Key>(QChar(cp).toUpper().unicode());
    else if (cp == ' ') key = Qt::Key_Space;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, ch);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, ch);
    QApplication::sendEvent(w, &release);
  }
}

void PressKey(Control& c, Key key) {
  static const std::pair<Key, Qt::Key> kMap[] = {
      {Key::Return, Qt::Key_Return}, {Key::Enter, Qt::Key_Enter}, {Key::Escape, Qt::Key_Escape},
      {Key::Tab, Qt::Key_Tab},       {Key::Backspace, Qt::Key_Backspace}, {Key::Delete, Qt::Key_Delete},
      {Key::Left, Qt::Key_Left},     {Key::Right, Qt::Key_Right}, {Key::Up, Qt::Key_Up},
      {Key::Down, Qt::Key_Down},     {Key::Home, Qt::Key_Home}, {Key::End, Qt::Key_End}};
  Qt::Key qk = Qt::Key_unknown;
  for (auto& [k, q] : kMap)
    if (k == key) qk = q;
  Focus(c);
  QTest::keyClick(FocusTarget(c), qk);
}

void CommitInputMethodText(Control& c, const std::string& text) {
  Focus(c);
  QInputMethodEvent e;
  e.setCommitString(ToQ(text));
  QApplication::sendEvent(FocusTarget(c), &e);
}

void PressShortcut(Window& w, char letter) {
  QWidget* host = HostOf(w);
  QApplication::setActiveWindow(host);
  QWidget* target = host->focusWidget() ? host->focusWidget() : host;
  QTest::keyClick(target, static_cast<Qt::Key>(QChar(letter).toUpper().unicode()), Qt::ControlModifier);
}

void Click(Control& c) {
  QWidget* w = W(c);
  if (!w) return;
  QApplication::setActiveWindow(w->window());
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

void MouseDownIn(Control& c) {
  QWidget* w = W(c);
  if (!w) return;
  QWidget* target = w;
  if (auto* area = qobject_cast<QAbstractScrollArea*>(w)) target = area->viewport();
  QApplication::setActiveWindow(w->window());
  QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

void ClickListRow(Listbox& list, int row) {
  auto* view = qobject_cast<QAbstractItemView*>(W(list));
  if (!view || !view->model()) return;
  // The rows added since the event loop last ran, as the view would know them by a user's click.
  QCoreApplication::sendPostedEvents(view->model());
  const QModelIndex index = view->model()->index(row, 0);
  if (!index.isValid()) return;
  view->scrollTo(index);
  const QRect r = view->visualRect(index);
  QApplication::setActiveWindow(view->window());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

void MoveFocusTo(Control& c) { Focus(c); }

namespace {
QWindow* SystemWindow(Window& w) {
  QWidget* host = HostOf(w);
  if (!host->windowHandle()) host->winId();  // a window never shown has no native side yet
  return host->windowHandle();
}

Qt::Key QtKey(Key key) {
  static const std::pair<Key, Qt::Key> kMap[] = {
      {Key::Return, Qt::Key_Return}, {Key::Enter, Qt::Key_Enter}, {Key::Escape, Qt::Key_Escape},
      {Key::Tab, Qt::Key_Tab},       {Key::Backspace, Qt::Key_Backspace}, {Key::Delete, Qt::Key_Delete},
      {Key::Left, Qt::Key_Left},     {Key::Right, Qt::Key_Right}, {Key::Up, Qt::Key_Up},
      {Key::Down, Qt::Key_Down},     {Key::Home, Qt::Key_Home}, {Key::End, Qt::Key_End}};
  for (auto& [k, q] : kMap)
    if (k == key) return q;
  return Qt::Key_unknown;
}
}  // namespace

void QueueTypeText(Window& w, const std::string& text) {
  QWindow* win = SystemWindow(w);
  for (uint cp : ToQ(text).toUcs4()) {
    const QString ch = QString::fromUcs4(reinterpret_cast<const char32_t*>(&cp), 1);
    int key = Qt::Key_unknown;
    if (cp == '\r' || cp == '\n') key = Qt::Key_Return;
    else if (cp < 128 && QChar(cp).isLetterOrNumber()) key = QChar(cp).toUpper().unicode();
    else if (cp == ' ') key = Qt::Key_Space;
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
      QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(win, type, key,
                                                                                           Qt::NoModifier, ch);
  }
}

void QueueKey(Window& w, Key key) {
  QWindow* win = SystemWindow(w);
  const Qt::Key k = QtKey(key);
  const QString text = key == Key::Return || key == Key::Enter ? QStringLiteral("\r") : QString();
  for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
    QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(win, type, k, Qt::NoModifier,
                                                                                         text);
}

void QueueClick(Control& c) {
  QWidget* wd = W(c);
  if (!wd) return;
  QWindow* win = SystemWindow(c.Owner());
  const QPointF local = wd->mapTo(wd->window(), wd->rect().center());
  const QPointF global = wd->mapToGlobal(wd->rect().center());
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons state = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(win, local, global, state,
                                                                                           Qt::LeftButton, type);
  }
}

void SystemTypeText(Window& w, const std::string& text) {
  QueueTypeText(w, text);
  ProcessEvents();
}

void SystemPressKey(Window& w, Key key) {
  QueueKey(w, key);
  ProcessEvents();
}

void SystemClick(Control& c) {
  QueueClick(c);
  ProcessEvents();
}

// --- accessibility --------------------------------------------------------------
namespace {
QAccessibleInterface* AccessibleOf(Control& c) {
  QWidget* w = W(c);
  return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}
}  // namespace

bool AccessiblePress(Control& c) {
  QAccessibleInterface* a = AccessibleOf(c);
  QAccessibleActionInterface* actions = a ? a->actionInterface() : nullptr;
  const QString press = QAccessibleActionInterface::pressAction();
  if (!actions || !actions->actionNames().contains(press)) return false;
  actions->doAction(press);
  // A button pressed this way clicks when its animation ends, on a timer.
  QTest::qWait(250);
  ProcessEvents();
  return true;
}

bool AccessibleSetText(Control& c, const std::string& text, AccessibleEdit how) {
  QAccessibleInterface* a = AccessibleOf(c);
  if (!a) return false;
  const QString q = ToQ(text);
  switch (how) {
    case AccessibleEdit::SetValue:
      a->setText(QAccessible::Value, q);
      break;
    case AccessibleEdit::ReplaceText:
    case AccessibleEdit::InsertText: {
      QAccessibleEditableTextInterface* edit = a->editableTextInterface();
      QAccessibleTextInterface* read = a->textInterface();
      if (!edit || !read) return false;
      const int length = read->characterCount();
      if (how == AccessibleEdit::ReplaceText) {
        edit->replaceText(0, length, q);
      } else {
        edit->insertText(length, q);
      }
      break;
    }
  }
  ProcessEvents();
  return true;
}

// --- windows and menus ----------------------------------------------------------
bool ChooseMenuItem(Window& w, const std::string& item_name) {
  QAction* a = ActionFor(w, item_name);
  if (!a || !a->isEnabled()) return false;
  a->trigger();
  return true;
}

bool MenuItemEnabledOnScreen(Window& w, const std::string& item_name) {
  QAction* a = ActionFor(w, item_name);
  return a && a->isEnabled();
}

std::vector<std::string> MenuBarOnScreen(Window& w) {
  std::vector<std::string> rows;
  QMenuBar* bar = w.impl().menu_bar_widget;
  if (!bar) return rows;
  for (QAction* top : bar->actions()) {
    QMenu* m = top->menu();
    rows.push_back(FromQ(top->text()));
    if (!m) continue;
    for (QAction* a : m->actions())
      rows.push_back(FromQ(top->text()) + ">" + (a->isSeparator() ? std::string("-") : FromQ(a->text())));
  }
  return rows;
}

std::string ShortcutOnScreen(Window& w, const std::string& item_name) {
  QAction* a = ActionFor(w, item_name);
  return a ? FromQ(a->shortcut().toString()) : std::string();
}

void ClickCloseBox(Window& w) {
  QCloseEvent e;
  QApplication::sendEvent(HostOf(w), &e);
}

bool IsOnScreen(Window& w) { return HostOf(w)->isVisible(); }

int ClientHeightOnScreen(Window& w) { return w.impl().client->height(); }

bool IsSeenOnScreen(Control& c) {
  QWidget* wd = W(c);
  if (!wd || !wd->isVisibleTo(c.Owner().impl().client)) return false;
  const QRect inClient(wd->mapTo(c.Owner().impl().client, QPoint(0, 0)), wd->size());
  return inClient.intersects(c.Owner().impl().client->rect()) && c.Owner().impl().host->isVisible();
}

Place PlaceOnScreen(Control& c) {
  QWidget* wd = W(c);
  if (!wd) return {};
  const QPoint at = wd->mapTo(c.Owner().impl().client, QPoint(0, 0));
  return {at.x(), at.y(), wd->width(), wd->height()};
}

TextExtent TextExtentOnScreen(Control& c) {
  QWidget* wd = W(c);
  if (!wd) return {};
  const QFontMetrics fm(wd->font());
  if (auto* l = qobject_cast<QLabel*>(wd)) {
    if (l->wordWrap()) {
      const QRect room(0, 0, l->contentsRect().width(), 1 << 20);
      const QRect r = fm.boundingRect(room, Qt::TextWordWrap | (l->alignment() & Qt::AlignHorizontal_Mask), l->text());
      return {r.width(), r.height()};
    }
    return {fm.horizontalAdvance(l->text()), fm.height()};
  }
  if (auto* b = qobject_cast<QAbstractButton*>(wd)) return {fm.horizontalAdvance(b->text()), fm.height()};
  return {};
}

std::vector<std::string> LinesOnScreen(Control& c) {
  std::vector<std::string> lines;
  auto* te = qobject_cast<QPlainTextEdit*>(W(c));
  if (!te) return lines;
  ProcessEvents();
  QAbstractTextDocumentLayout* layout = te->document()->documentLayout();
  for (QTextBlock b = te->document()->begin(); b.isValid(); b = b.next()) {
    layout->blockBoundingRect(b);  // lays the block out when it was not yet
    const QTextLayout* l = b.layout();
    for (int i = 0; l && i < l->lineCount(); ++i)
      lines.push_back(FromQ(b.text().mid(l->lineAt(i).textStart(), l->lineAt(i).textLength())));
  }
  return lines;
}

bool SaveScreenshot(Window& w, const std::string& path) {
  ProcessEvents();
  return HostOf(w)->grab().save(ToQ(path), "PNG");
}

unsigned ColourOnScreen(Control& c, int x, int y) {
  QWidget* wd = W(c);
  if (!wd) return 0;
  ProcessEvents();
  const QImage image = wd->grab().toImage();
  if (!image.rect().contains(x, y)) return 0;
  return image.pixel(x, y) & 0xFFFFFFu;
}

void ProcessEvents() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// --- the environment ------------------------------------------------------------
void SetBundleResourcesPath(const std::string& path) { seams::SetBundleResourcesRoot(path); }
void SetApplicationDataPath(const std::string& path) { seams::SetApplicationDataRoot(path); }
void SetUrlLauncher(const std::string& program) { seams::SetUrlOpener(program); }
void RunWhenEventLoopStarts(std::function<void()> fn) {
  st().at_loop_start.push_back(std::move(fn));
  seams::SetEventLoopStartHook([] {
    auto fns = std::move(st().at_loop_start);
    st().at_loop_start.clear();
    for (auto& f : fns) QTimer::singleShot(0, f);
  });
}
void RunWhenEventsAreNextProcessed(std::function<void()> fn) { QTimer::singleShot(0, std::move(fn)); }
void KeepRuntimeAlive(bool on) { seams::SetKeepRuntime(on); }

}  // namespace fw::testing
