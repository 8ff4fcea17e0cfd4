#include "framework/Window.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <algorithm>
#include <functional>

#include "framework/MenuBar.h"
#include "framework/controls/Control.h"
#include "framework/qt/ControlImpl.h"
#include "framework/qt/MenuCommands.h"
#include "framework/qt/QtText.h"
#include "framework/qt/WindowImpl.h"
#include "framework/qt/WindowRegistry.h"

namespace fw {

// --- window ---------------------------------------------------------------------
Window::Window() : impl_(std::make_unique<Impl>()) {
  impl_->host = new WindowHost(*this);
  impl_->host->setAttribute(Qt::WA_DeleteOnClose, false);
  // Without CustomizeWindowHint the window system is asked for every button
  // whatever the window's own buttons are.
  impl_->host->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  impl_->client = new Client(*this);
  impl_->host->setCentralWidget(impl_->client);
  impl_->ApplySize();
}

Window::~Window() {
  if (menu_bar_ && impl_->menu_observer) menu_bar_->RemoveObserver(impl_->menu_observer);
  // Controls first, their widgets living inside the host; newest first, so
  // that a panel outlives the controls inside it and no control is left
  // holding a widget that its panel already took down.
  while (!order_.empty()) {
    const std::string name = order_.back()->Name();
    order_.pop_back();
    controls_.erase(name);
  }
  controls_.clear();
  delete impl_->host;
}

void Window::Construct(Window* w, const std::string& class_name) {
  w->class_name_ = class_name;
  RegisterWindow(w, class_name);
  w->constructing_ = true;
  w->impl_->before_open = true;
  w->Layout();
  w->CreateControls();
  w->FinishCreation();
  w->AddMenuHandlers(*w);
  w->impl_->before_open = false;
  w->Event_Open();
  w->constructing_ = false;
  // A close that came while the window was being made (the window system is
  // answered while a long Open yields) is carried out now that it stands.
  if (w->impl_->close_pending) {
    w->impl_->close_pending = false;
    w->Close();
  }
  // Only now does the window appear: its Open event could hide it again
  // before anything of it was on screen.
  if (w->impl_->show_when_made && !w->closing_) {
    w->impl_->show_when_made = false;
    w->Show();
  }
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
  impl_->SetFlag(Qt::WindowCloseButtonHint, on);
}
bool Window::HasCloseButton() const { return impl_->close_button; }
void Window::SetMinimizeButton(bool on) { impl_->SetFlag(Qt::WindowMinimizeButtonHint, on); }
void Window::SetMaximizeButton(bool on) { impl_->SetFlag(Qt::WindowMaximizeButtonHint, on); }
void Window::SetModal(bool on) {
  const Qt::WindowModality want = on ? Qt::ApplicationModal : Qt::NonModal;
  QWidget* host = impl_->host;
  if (host->windowModality() == want) return;
  // Qt reads the modality when the window is shown.
  const bool shown = host->isVisible();
  if (shown) host->hide();
  host->setWindowModality(want);
  if (shown) host->show();
}
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

bool Window::Visible() const { return impl_->host->isVisible() || impl_->show_when_made; }

void Window::SetVisible(bool on) {
  if (on) {
    Show();
  } else {
    Hide();
  }
}

void Window::Show() {
  Impl& d = *impl_;
  if (d.before_open) {
    d.show_when_made = true;
    return;
  }
  d.show_when_made = false;
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
  d.KeepOnScreen();
  if (d.focus_when_hidden && d.host->isAncestorOf(d.focus_when_hidden)) d.focus_when_hidden->setFocus(Qt::OtherFocusReason);
  d.focus_when_hidden = nullptr;
  d.host->raise();
  d.host->activateWindow();
}

void Window::Hide() {
  Impl& d = *impl_;
  d.show_when_made = false;
  if (d.host->isVisible()) d.focus_when_hidden = d.host->focusWidget();
  d.host->hide();
}

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
  close_cancelled_ = false;
  Event_Close();
  if (close_cancelled_) {
    close_cancelled_ = false;
    closing_ = false;
    return;
  }
  impl_->host->hide();
  UnregisterAndRelease(this);
}

void Window::SetBackdrop(std::shared_ptr<Picture> picture) {
  impl_->backdrop = std::move(picture);
  impl_->client->update();
}
std::shared_ptr<Picture> Window::Backdrop() const { return impl_->backdrop; }

// --- menus ----------------------------------------------------------------------
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
  if (Locked()) return true;
  auto handler = it->second;  // the handler may close the window
  return handler();
}

// --- controls -------------------------------------------------------------------
void Window::AddControl(std::unique_ptr<Control> c, const std::string& name) {
  // Replacing would leave the tab order, a panel's controls and the handlers
  // bound to the old control pointing at nothing.
  if (controls_.count(name)) throw std::invalid_argument("the window already has a control named " + name);
  Control* raw = c.get();
  controls_.emplace(name, std::move(c));
  order_.push_back(raw);
  raw->Attach(*this, name);
}

Control* Window::ControlByName(const std::string& name) {
  auto it = controls_.find(name);
  return it == controls_.end() ? nullptr : it->second.get();
}

const Control* Window::ControlByName(const std::string& name) const {
  return const_cast<Window*>(this)->ControlByName(name);
}

Control& Window::ControlNamed(const std::string& name) {
  Control* c = ControlByName(name);
  if (!c) throw std::out_of_range("no control named " + name + " in window " + Title());
  return *c;
}

}  // namespace fw
