#pragma once
// The framework's Qt side: only framework .cpp files include this.
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

#include "framework/Control.h"
#include "framework/MenuItem.h"
#include "framework/Picture.h"
#include "framework/Window.h"

class QKeyEvent;
class QAction;
class QMenuBar;

namespace fw {

inline QString ToQ(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string FromQ(const QString& s) { return s.toStdString(); }
// Shown text: CR and CR LF line ends become LF.
QString DisplayText(const std::string& s);

// The key as the program sees it: its text, or the control character of a
// movement or editing key (Return 13, Esc 27, arrows 28-31, Backspace 8, ...).
std::string KeyText(const QKeyEvent* e);

struct Picture::Impl {
  QImage image;
};

class WindowHost;

// The client area: fixed size, draws the backdrop.
class Client : public QWidget {
 public:
  explicit Client(Window& w) : window_(w) {}

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  Window& window_;
};

class WindowHost : public QMainWindow {
 public:
  explicit WindowHost(Window& w);
  Window& window() { return window_; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  Window& window_;
};

struct Window::Impl {
  WindowHost* host = nullptr;  // owned here
  Client* client = nullptr;    // owned by host
  std::shared_ptr<Picture> backdrop;
  bool has_back_color = false;
  unsigned back_color = 0xFFFFFF;
  bool close_button = true;
  bool resizeable = false;
  int width = 100, height = 100;
  int placement = 0;
  bool placed = false;
  QMenuBar* menu_bar_widget = nullptr;
  int menu_observer = 0;
  std::vector<std::pair<QPointer<QAction>, MenuItem*>> actions;
  void ApplySize();
  void RebuildMenuBar(Window& w);
};

struct Control::Impl {
  QPointer<QWidget> widget;  // null for controls that are not drawn
  std::string last_text;     // text areas report only real changes
  bool suppress_text_change = false;
  virtual ~Impl();
};

// The control behind a Qt widget, or nil.
Control* ControlOf(const QWidget* w);
QWidget* WidgetOf(const Control& c);
WindowHost* HostOf(const Window& w);

// Runs the item's command: the handler bound by a window, else the standard
// editing command of its shortcut on the focused field.
void DispatchMenuCommand(const MenuItem& item);
// The Qt key sequence of a "Cmd+x" shortcut text.
QString ShortcutText(const std::string& shortcut);

// Window registry.
void RegisterWindow(Window* w, const std::string& class_name);
void UnregisterAndRelease(Window* w);

}  // namespace fw

class QPoint;
namespace fw {
// The item the user picks in a contextual menu built from base's items, or
// nil when the menu is dismissed.
MenuItem* PickContextItem(MenuItem& base, const QPoint& global);
}  // namespace fw
