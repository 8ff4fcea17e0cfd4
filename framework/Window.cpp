#include "framework/Window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "framework/qt/Internal.h"

namespace fw {

// --- registry -------------------------------------------------------------------
namespace {
struct Entry {
  std::string class_name;
  std::unique_ptr<Window> window;
};
// Never destroyed at exit: windows must go before Qt does (ReleaseAllWindows).
std::vector<Entry>& live() {
  static auto* v = new std::vector<Entry>;
  return *v;
}
// Closed windows wait here until the event loop level that closed them is left.
std::vector<std::unique_ptr<Window>>& closed() {
  static auto* v = new std::vector<std::unique_ptr<Window>>;
  return *v;
}

class Reaper : public QObject {
 public:
  explicit Reaper(Window* w) : w_(w) {}
  ~Reaper() override {
    auto& c = closed();
    auto it = std::find_if(c.begin(), c.end(), [this](const auto& p) { return p.get() == w_; });
    if (it != c.end()) c.erase(it);
  }

 private:
  Window* w_;
};
}  // namespace

void RegisterWindow(Window* w, const std::string& class_name) {
  live().push_back({class_name, std::unique_ptr<Window>(w)});
}

void UnregisterAndRelease(Window* w) {
  auto& l = live();
  auto it = std::find_if(l.begin(), l.end(), [w](const Entry& e) { return e.window.get() == w; });
  if (it == l.end()) return;
  closed().push_back(std::move(it->window));
  l.erase(it);
  (new Reaper(w))->deleteLater();
}

Window* GetImplicitWindow(const std::string& class_name) {
  for (auto& e : live())
    if (e.class_name == class_name && !e.window->IsClosing()) return e.window.get();
  // A window whose close is under way still answers for itself.
  for (auto& e : live())
    if (e.class_name == class_name) return e.window.get();
  return nullptr;
}

std::vector<Window*> AllWindows() {
  std::vector<Window*> v;
  for (auto& e : live()) v.push_back(e.window.get());
  return v;
}

void ReleaseAllWindows() {
  // Newest first, so the main window goes last.
  while (!live().empty()) {
    std::unique_ptr<Window> w = std::move(live().back().window);
    live().pop_back();
    w.reset();
  }
  closed().clear();
}

WindowHost* HostOf(const Window& w) { return w.impl().host; }

// --- host -----------------------------------------------------------------------
void Client::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const Window::Impl& d = window_.impl();
  if (d.has_back_color) p.fillRect(rect(), QColor::fromRgb(d.back_color));
  if (d.backdrop) p.drawImage(0, 0, d.backdrop->impl().image);
}

WindowHost::WindowHost(Window& w) : window_(w) {}

void WindowHost::closeEvent(QCloseEvent* e) {
  Window::Impl& d = window_.impl();
  if (!d.close_button || window_.IsClosing()) {
    e->ignore();
    return;
  }
  e->ignore();
  window_.Close();
}

bool WindowHost::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate) window_.Event_Activate();
  return QMainWindow::event(e);
}

void WindowHost::keyPressEvent(QKeyEvent* e) {
  if (window_.Event_KeyDown(KeyText(e))) {
    e->accept();
    return;
  }
  QMainWindow::keyPressEvent(e);
}

// --- window ---------------------------------------------------------------------
Window::Window() : impl_(std::make_unique<Impl>()) {
  impl_->host = new WindowHost(*this);
  impl_->host->setAttribute(Qt::WA_DeleteOnClose, false);
  impl_->client = new Client(*this);
  impl_->host->setCentralWidget(impl_->client);
  impl_->ApplySize();
}

Window::~Window() {
  if (menu_bar_ && impl_->menu_observer) menu_bar_->RemoveObserver(impl_->menu_observer);
  // Controls first: their widgets live inside the host.
  controls_.clear();
  order_.clear();
  delete impl_->host;
}

void Window::Construct(Window* w, const std::string& class_name) {
  w->class_name_ = class_name;
  RegisterWindow(w, class_name);
  w->constructing_ = true;
  w->Layout();
  w->CreateControls();
  w->FinishCreation();
  w->AddMenuHandlers(*w);
  w->Event_Open();
  w->constructing_ = false;
}

void Window::FinishCreation() {
  // Tab order: within each parent by TabIndex (creation order for ties); a
  // panel's controls come at the panel's own place.
  std::vector<QWidget*> chain;
  std::function<void(const Control*)> walk = [&](const Control* parent) {
    std::vector<Control*> kids;
    for (Control* c : order_)
      if (c->Parent() == parent) kids.push_back(c);
    std::stable_sort(kids.begin(), kids.end(),
                     [](const Control* a, const Control* b) { return a->TabIndex() < b->TabIndex(); });
    for (Control* c : kids) {
      QWidget* wd = WidgetOf(*c);
      if (wd && (wd->focusPolicy() & Qt::TabFocus)) chain.push_back(wd);
      walk(c);
    }
  };
  walk(nullptr);
  for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

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
}

void Window::SetTitle(const std::string& title) { impl_->host->setWindowTitle(ToQ(title)); }
std::string Window::Title() const { return FromQ(impl_->host->windowTitle()); }
int Window::Width() const { return impl_->width; }
int Window::Height() const { return impl_->height; }
void Window::SetWidth(int w) { SetSize(w, impl_->height); }
void Window::SetHeight(int h) { SetSize(impl_->width, h); }
void Window::SetSize(int w, int h) {
  impl_->width = w;
  impl_->height = h;
  impl_->ApplySize();
}
void Window::SetMinSize(int, int) {}
void Window::SetMaxSize(int, int) {}
void Window::SetResizeable(bool on) {
  impl_->resizeable = on;
  impl_->ApplySize();
}
void Window::SetCloseButton(bool on) {
  impl_->close_button = on;
  impl_->host->setWindowFlag(Qt::WindowCloseButtonHint, on);
}
bool Window::HasCloseButton() const { return impl_->close_button; }
void Window::SetMinimizeButton(bool on) { impl_->host->setWindowFlag(Qt::WindowMinimizeButtonHint, on); }
void Window::SetMaximizeButton(bool on) { impl_->host->setWindowFlag(Qt::WindowMaximizeButtonHint, on); }
void Window::SetFullScreen(bool on) {
  if (on) impl_->host->showFullScreen();
}
void Window::SetMenuBarVisible(bool on) {
  if (impl_->menu_bar_widget) impl_->menu_bar_widget->setVisible(on);
}
void Window::SetBackColor(bool has_back_color, unsigned rgb) {
  impl_->has_back_color = has_back_color;
  impl_->back_color = rgb;
  impl_->client->update();
}
void Window::SetPlacement(int code) { impl_->placement = code; }
void Window::SetFrame(int) {}

bool Window::Visible() const { return impl_->host->isVisible(); }

void Window::SetVisible(bool on) {
  if (on) {
    Show();
  } else {
    Hide();
  }
}

void Window::Show() {
  Impl& d = *impl_;
  if (!d.placed) {
    d.placed = true;
    if (d.placement == 2) {
      if (QScreen* s = QGuiApplication::primaryScreen()) {
        QRect r = s->availableGeometry();
        QSize size = d.host->sizeHint();
        d.host->move(r.center() - QPoint(size.width() / 2, size.height() / 2));
      }
    }
  }
  d.host->show();
  d.host->raise();
  d.host->activateWindow();
}

void Window::Hide() { impl_->host->hide(); }

void Window::Refresh(bool now) {
  if (now) {
    impl_->host->repaint();
  } else {
    impl_->host->update();
  }
}

void Window::Close() {
  if (closing_) return;
  closing_ = true;
  Event_Close();
  impl_->host->hide();
  UnregisterAndRelease(this);
}

void Window::SetBackdrop(std::shared_ptr<Picture> picture) {
  impl_->backdrop = std::move(picture);
  impl_->client->update();
}
std::shared_ptr<Picture> Window::Backdrop() const { return impl_->backdrop; }

// --- menus ----------------------------------------------------------------------
QString ShortcutText(const std::string& shortcut) {
  QString s = ToQ(shortcut);
  s.replace("Cmd+", "Ctrl+", Qt::CaseInsensitive);
  return s;
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
  MenuBar* bar = w.menu_bar_;
  if (!bar) return;
  for (int i = 0; i < bar->Count(); ++i) {
    MenuItem* top = bar->Item(i);
    QMenu* m = menu_bar_widget->addMenu(ToQ(top->Text()));
    m->setEnabled(top->AutoEnable());
    FillMenu(*this, m, *top);
  }
  ApplySize();
}

void Window::SetMenuBar(MenuBar* bar) {
  if (menu_bar_ == bar) return;
  if (menu_bar_ && impl_->menu_observer) menu_bar_->RemoveObserver(impl_->menu_observer);
  menu_bar_ = bar;
  impl_->menu_observer = 0;
  if (bar) {
    impl_->menu_observer = bar->AddObserver([this](MenuItem& changed, bool structure) {
      if (structure) {
        impl_->RebuildMenuBar(*this);
        return;
      }
      for (auto& [a, item] : impl_->actions) {
        if (item != &changed || !a) continue;
        a->setText(ToQ(item->Text()));
        a->setShortcut(QKeySequence(ShortcutText(item->KeyboardShortcut())));
        a->setEnabled(item->AutoEnable());
      }
    });
  }
  impl_->RebuildMenuBar(*this);
}

void Window::AddMenuHandler(const std::string& item_name, std::function<bool()> handler) {
  menu_handlers_[item_name] = std::move(handler);
}

bool Window::HasMenuHandler(const std::string& item_name) const {
  return menu_handlers_.count(item_name) > 0;
}

bool Window::InvokeMenuHandler(const std::string& item_name) {
  auto it = menu_handlers_.find(item_name);
  if (it == menu_handlers_.end()) return false;
  auto handler = it->second;  // the handler may close the window
  return handler();
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
  const QString key = ShortcutText(item.KeyboardShortcut()).toLower();
  QWidget* f = QApplication::focusWidget();
  if (auto* le = qobject_cast<QLineEdit*>(f)) {
    if (key == "ctrl+x") le->cut();
    else if (key == "ctrl+c") le->copy();
    else if (key == "ctrl+v") le->paste();
    else if (key == "ctrl+a") le->selectAll();
  } else if (auto* te = qobject_cast<QPlainTextEdit*>(f)) {
    if (key == "ctrl+x") te->cut();
    else if (key == "ctrl+c") te->copy();
    else if (key == "ctrl+v") te->paste();
    else if (key == "ctrl+a") te->selectAll();
  }
}

// --- controls -------------------------------------------------------------------
void Window::AddControl(std::unique_ptr<Control> c, const std::string& name) {
  Control* raw = c.get();
  controls_[name] = std::move(c);
  order_.push_back(raw);
  raw->Attach(*this, name);
}

Control* Window::ControlByName(const std::string& name) const {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.get();
}

}  // namespace fw
