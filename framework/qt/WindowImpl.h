#pragma once
// A window's Qt side.
#include <QPointer>
#include <memory>
#include <utility>
#include <vector>

#include "framework/Window.h"
#include "framework/qt/Client.h"
#include "framework/qt/WindowHost.h"

class QAction;
class QMenuBar;

namespace fw {

class MenuItem;

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
  // A close asked for while the creation events ran, carried out after them.
  bool close_pending = false;
  // True from the start of the creation events until the Open event begins.
  bool before_open = false;
  // Made visible then: shown once the creation events have all run, unless
  // the window was hidden again meanwhile.
  bool show_when_made = false;
  // The control that had the focus when the window was hidden: Qt may move the
  // focus of a hidden window (an activation that arrives late), the user expects
  // to find it where it was.
  QPointer<QWidget> focus_when_hidden;
  QMenuBar* menu_bar_widget = nullptr;
  int menu_observer = 0;
  std::vector<std::pair<QPointer<QAction>, MenuItem*>> actions;
  void ApplySize();
  void KeepOnScreen();
  // Changes a window flag; a shown window stays shown (Qt hides a window whose
  // flags change).
  void SetFlag(Qt::WindowType flag, bool on);
  // Mirrors the window's menu bar (the MenuItem tree) into its QMenuBar.
  void RebuildMenuBar(Window& w);
};

WindowHost* HostOf(const Window& w);

}  // namespace fw
