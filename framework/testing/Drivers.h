#pragma once
// Driving the program the way a user does, for tests: keys typed one
// character at a time, clicks, menu commands, answers to message boxes and
// choices in contextual menus. Everything goes through real Qt events.
#include <functional>
#include <string>
#include <vector>

namespace fw {
class Control;
class Listbox;
class MenuItem;
class Window;
}  // namespace fw

namespace fw::testing {

// --- message boxes: recorded and answered from a script, never shown ---------
struct ShownBox {
  std::string text;
  int style = 0;
  std::string title;
  int answer = 0;
};
void UseScriptedMessageBoxes(bool on = true);
// Answers for the next boxes, in order; when none is left, OK boxes get 1 and
// questions get 7 (No).
void QueueAnswers(const std::vector<int>& answers);
const std::vector<ShownBox>& ShownBoxes();
void ClearShownBoxes();
// Called while each box is up, before it is answered.
void OnBoxShown(std::function<void(const ShownBox&)> observer);

// --- contextual menus --------------------------------------------------------
// The next contextual menu picks the item with this caption ("" dismisses it).
void ChooseInNextContextMenu(const std::string& caption);
// The captions of the last contextual menu shown.
const std::vector<std::string>& LastContextMenuCaptions();
// Right-clicks the control: a real context-menu event. False if nothing showed.
bool OpenContextMenu(Control& c);

// --- keys and mouse ----------------------------------------------------------
// Types each character as one key press and release into the control, which
// takes the focus first.
void TypeText(Control& c, const std::string& text);
enum class Key { Return, Enter, Escape, Tab, Backspace, Delete, Left, Right, Up, Down, Home, End };
void PressKey(Control& c, Key key);
// Text that an input method (a dead key, compose, a character picker) commits
// into the control: it arrives without any key press.
void CommitInputMethodText(Control& c, const std::string& text);
// A key with Ctrl (e.g. 's'), sent to the focused widget of the window.
void PressShortcut(Window& w, char letter);
void Click(Control& c);
void MouseDownIn(Control& c);
void ClickListRow(Listbox& list, int row);
// Takes the focus from whatever field has it by moving it to another control.
void MoveFocusTo(Control& c);
// Input queued as the window system queues it, to the window (its focused
// field) or to the control under the mouse, and handled by the event loop:
// modal windows and focus rules apply as they do for a real keyboard and
// mouse, and a yield that holds user input back holds it back too.
void QueueTypeText(Window& w, const std::string& text);
void QueueKey(Window& w, Key key);
void QueueClick(Control& c);
// The same, then handled at once.
void SystemTypeText(Window& w, const std::string& text);
void SystemPressKey(Window& w, Key key);
void SystemClick(Control& c);

// --- accessibility -----------------------------------------------------------
// What another program may do to a control through the accessibility
// interface (AT-SPI on the desktop), by Qt's own accessibility objects, also
// to a control of a hidden window. Press: the control's "Press" action, which
// Qt carries out as a short animated click; the call waits until it is done.
// False when the control offers no such action.
bool AccessiblePress(Control& c);
// Puts the text into a text control: as its value, by replacing its whole
// text through the editable-text interface, or by inserting it at the end.
// False when the control offers no such interface.
enum class AccessibleEdit { SetValue, ReplaceText, InsertText };
bool AccessibleSetText(Control& c, const std::string& text, AccessibleEdit how);

// --- windows and menus -------------------------------------------------------
// Chooses the menu item of that name in the window's menu bar, as a click
// would; False when there is no such item or it is disabled.
bool ChooseMenuItem(Window& w, const std::string& item_name);
bool MenuItemEnabledOnScreen(Window& w, const std::string& item_name);
// Captions of the window's menu bar as shown, "Menu>Item" per row, separators "-".
std::vector<std::string> MenuBarOnScreen(Window& w);
std::string ShortcutOnScreen(Window& w, const std::string& item_name);
// The close box: a real close event.
void ClickCloseBox(Window& w);
bool IsOnScreen(Window& w);
// Height of the window's client area as laid out on screen.
int ClientHeightOnScreen(Window& w);
// Whether a control can be seen inside the window's client area (not cut off
// by the bottom edge, and shown with all its parents).
bool IsSeenOnScreen(Control& c);
// Where a control is drawn, in its window's client coordinates (a control
// inside a panel included).
struct Place {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Place&) const = default;
};
Place PlaceOnScreen(Control& c);
// The room that a label's or a button's text takes in the control's font: for
// a word-wrapped label the width and height of the wrapped text at the
// control's width, else those of its one line.
struct TextExtent {
  int width = 0, height = 0;
};
TextExtent TextExtentOnScreen(Control& c);
// The lines of a text area as it lays them out at its width, each the text
// that one line shows (a line end is not shown); empty for other controls.
std::vector<std::string> LinesOnScreen(Control& c);
// A PNG of the window as drawn.
bool SaveScreenshot(Window& w, const std::string& path);
// The colour (0xRRGGBB) drawn at a point of a control, in its own coordinates.
unsigned ColourOnScreen(Control& c, int x, int y);
void ProcessEvents();

// --- the environment ---------------------------------------------------------
// The bundle's resources folder in place of the program's own; "" restores it.
void SetBundleResourcesPath(const std::string& path);
// The application-data folder in place of $XDG_DATA_HOME; "" restores it.
void SetApplicationDataPath(const std::string& path);
// The program that opens web addresses; "" restores xdg-open, found on PATH.
void SetUrlLauncher(const std::string& program);
// Runs once as soon as the event loop starts.
void RunWhenEventLoopStarts(std::function<void()> fn);
// Runs once the next time events are processed, the yield of a long loop included.
void RunWhenEventsAreNextProcessed(std::function<void()> fn);
// Keeps the Qt application alive after the runtime ends (tests inspect it).
void KeepRuntimeAlive(bool on = true);

}  // namespace fw::testing
