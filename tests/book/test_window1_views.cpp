// The main window: its layout as first shown, the three views (search 86,
// list 385, entry 456) and the moves between them, the two note-player sounds,
// and that no sequence of keys and clicks breaks it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <typeinfo>
#include <vector>

#include "book/Window1.h"
#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "tests/support/Program.h"

namespace {

using fw::testing::NoteEvent;
using kestrion::Window1;
namespace ft = fw::testing;

constexpr int kWidth = 430;
constexpr int kSearch = 86, kList = 385, kEntry = 456;

const std::vector<NoteEvent> kChime = {{10, 60, 30}, {10, 60, 0}};
const std::vector<NoteEvent> kAttention = {{46, 40, 40}, {46, 40, 0}};

// --- the layout table ------------------------------------------------------------
struct Layout {
  const char* name;
  const char* cls;
  const char* panel;  // "" for the window itself
  int left, top, width, height;
  int tab;
  const char* text;  // caption, text or list heading; nullptr where there is none
  int size;          // 0: the framework's default
  bool bold;
};

const Layout kLayout[] = {
    {"Label1", "Label", "", 31, 6, 343, 33, 7, "Which password are you looking for?", 18, true},
    {"FindButton", "BevelButton", "", 249, 38, 61, 29, 1, "Find", 0, false},
    {"AddNewPassword", "BevelButton", "", 307, 38, 67, 29, 13, "Add New", 0, false},
    {"SearchText", "TextField", "", 20, 38, 229, 28, 0, "", 18, false},
    {"Listbox1", "Listbox", "", 2, 85, 426, 296, 15, "Multiple Passwords Have Been Found, Please Select One...", 17,
     false},
    {"RoundRectangle1", "RoundRectangle", "", 20, 393, 390, 41, 21, nullptr, 0, false},
    {"SaveButton", "PushButton", "RoundRectangle1", 59, 403, 80, 20, 0, "SAVE", 0, false},
    {"DeleteButton", "PushButton", "RoundRectangle1", 175, 403, 80, 20, 2, "DELETE", 0, false},
    {"NotePlayer1", "NotePlayer", "", 0, 0, 0, 0, 0, nullptr, 0, false},
    {"CloseButton", "PushButton", "RoundRectangle1", 294, 403, 80, 20, 3, "HOME", 0, false},
    {"RoundRectangle2", "RoundRectangle", "", 20, 92, 390, 295, 22, nullptr, 0, false},
    {"Label4", "Label", "RoundRectangle2", 31, 99, 190, 20, 0, "Web Site or System:", 18, true},
    {"WebSystem", "TextField", "RoundRectangle2", 31, 119, 365, 26, 1, "", 18, false},
    {"Label5", "Label", "RoundRectangle2", 31, 150, 177, 21, 2, "User Name:", 18, true},
    {"UserNameTxt", "TextField", "RoundRectangle2", 31, 171, 368, 26, 3, "", 18, true},
    {"Label2", "Label", "RoundRectangle2", 31, 203, 177, 21, 4, "Your Password:", 18, true},
    {"PassWord", "TextField", "RoundRectangle2", 31, 224, 310, 26, 5, "", 18, true},
    {"Label3", "Label", "RoundRectangle2", 31, 256, 177, 17, 6, "Notes:", 18, true},
    {"Notes", "TextArea", "RoundRectangle2", 31, 277, 368, 46, 7, "", 0, false},
    {"ShowHideButton", "BevelButton", "RoundRectangle2", 344, 224, 55, 26, 8, "Show", 0, false},
    {"ClipInfo", "Label", "RoundRectangle2", 181, 203, 218, 21, 9, "(has been copied to clipboard)", 11, false},
    {"BevelButton1", "BevelButton", "RoundRectangle2", 344, 349, 52, 26, 10, "Launch", 0, false},
    {"Label7", "Label", "RoundRectangle2", 31, 329, 190, 17, 11, "Web Address (URL):", 18, true},
    {"WebAddress", "TextField", "RoundRectangle2", 31, 349, 310, 26, 12, "", 14, true},
    {"BevelButton2", "BevelButton", "", 373, 38, 37, 29, 23, "Help", 0, false},
};

const char* ClassOf(const fw::Control* c) {
  if (dynamic_cast<const fw::Label*>(c)) return "Label";
  if (dynamic_cast<const fw::BevelButton*>(c)) return "BevelButton";
  if (dynamic_cast<const fw::PushButton*>(c)) return "PushButton";
  if (dynamic_cast<const fw::TextField*>(c)) return "TextField";
  if (dynamic_cast<const fw::TextArea*>(c)) return "TextArea";
  if (dynamic_cast<const fw::Listbox*>(c)) return "Listbox";
  if (dynamic_cast<const fw::RoundRectangle*>(c)) return "RoundRectangle";
  if (dynamic_cast<const fw::NotePlayer*>(c)) return "NotePlayer";
  return "?";
}

std::string TextOf(const fw::Control* c) {
  if (auto* l = dynamic_cast<const fw::Label*>(c)) return l->Text();
  if (auto* b = dynamic_cast<const fw::BevelButton*>(c)) return b->Caption();
  if (auto* p = dynamic_cast<const fw::PushButton*>(c)) return p->Caption();
  if (auto* t = dynamic_cast<const fw::TextControl*>(c)) return t->Text();
  if (auto* l = dynamic_cast<const fw::Listbox*>(c)) return l->Heading();
  return {};
}

// --- what is on screen ------------------------------------------------------------
// The window's frame on screen, found by its title among the top-level widgets.
QMainWindow* FrameOf(const fw::Window& w) {
  for (QWidget* top : QApplication::topLevelWidgets())
    if (auto* mw = qobject_cast<QMainWindow*>(top); mw && mw->windowTitle().toStdString() == w.Title()) return mw;
  return nullptr;
}
QWidget* ClientOf(const fw::Window& w) { return FrameOf(w) ? FrameOf(w)->centralWidget() : nullptr; }
// A control's widget carries the control's name.
QWidget* WidgetNamed(const fw::Window& w, const std::string& name) {
  QMainWindow* f = FrameOf(w);
  return f ? f->findChild<QWidget*>(QString::fromStdString(name)) : nullptr;
}
QRect RectInClient(const fw::Window& w, const std::string& name) {
  QWidget* wd = WidgetNamed(w, name);
  return QRect(wd->mapTo(ClientOf(w), QPoint(0, 0)), wd->size());
}
// The control that has the keyboard focus of the application, by name.
std::string FocusedControl() {
  QWidget* f = QApplication::focusWidget();
  return f ? f->objectName().toStdString() : std::string("(none)");
}

std::vector<NoteEvent> NotesSince(size_t mark) {
  const auto& n = ft::Notes();
  return {n.begin() + static_cast<long>(std::min(mark, n.size())), n.end()};
}

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override { win = &kestrion::test::StartProgram(); }
  void TearDown() override { kestrion::test::StopProgram(); }

  fw::Control& C(const std::string& name) { return *win->ControlByName(name); }
  bool Seen(const std::string& name) { return ft::IsSeenOnScreen(C(name)); }

  // What a find with several matches and Show All do to reach the list view.
  void ShowListView() {
    win->RoundRectangle2().SetVisible(false);
    win->SetHeight(kList);
    win->Listbox1().Sort();
    win->Listbox1().SetVisible(true);
  }

  // Every control where the layout put it, on screen and in the window's model.
  void ExpectNothingMoved() {
    for (const Layout& l : kLayout) {
      if (std::string(l.cls) == "NotePlayer") continue;
      SCOPED_TRACE(l.name);
      const fw::Control& c = C(l.name);
      EXPECT_EQ(std::vector<int>({c.Left(), c.Top(), c.Width(), c.Height()}),
                std::vector<int>({l.left, l.top, l.width, l.height}));
      EXPECT_EQ(RectInClient(*win, l.name), QRect(l.left, l.top, l.width, l.height));
    }
    EXPECT_EQ(win->Width(), kWidth);
    EXPECT_EQ(ClientOf(*win)->width(), kWidth);
  }

  Window1* win = nullptr;
};

// --- the start ----------------------------------------------------------------------

TEST_F(MainWindow, StartsInTheSearchView) {
  EXPECT_EQ(win->Title(), "Kestrion V1.2");
  EXPECT_EQ(win->Width(), kWidth);
  EXPECT_EQ(win->Height(), kSearch);
  EXPECT_EQ(ft::ClientHeightOnScreen(*win), kSearch);
  EXPECT_EQ(ClientOf(*win)->width(), kWidth);
  EXPECT_TRUE(ft::IsOnScreen(*win));
  EXPECT_NE(win->Backdrop(), nullptr);

  EXPECT_FALSE(win->Listbox1().Visible());
  EXPECT_EQ(win->SaveButton().Caption(), "SAVE");
  EXPECT_FALSE(win->SaveButton().Enabled());
  EXPECT_EQ(win->ShowHideButton().Caption(), "Show");
  EXPECT_TRUE(win->PassWord().Password());
  EXPECT_EQ(qobject_cast<QLineEdit*>(WidgetNamed(*win, "PassWord"))->echoMode(), QLineEdit::Password);
  // Inside the panel and shown, but below the bottom edge.
  EXPECT_TRUE(win->ClipInfo().Visible());
  EXPECT_FALSE(Seen("ClipInfo"));

  // Only the search row is seen; everything else lies below the edge or is hidden.
  for (const Layout& l : kLayout) {
    if (std::string(l.cls) == "NotePlayer") continue;
    SCOPED_TRACE(l.name);
    EXPECT_EQ(Seen(l.name), l.top < kSearch && std::string(l.name) != "Listbox1");
    EXPECT_EQ(C(l.name).Enabled(), std::string(l.name) != "SaveButton");
    EXPECT_EQ(C(l.name).Visible(), std::string(l.name) != "Listbox1");
  }
  EXPECT_EQ(FocusedControl(), "SearchText");
}

TEST_F(MainWindow, HasTheTwentyFiveControlsOfTheLayoutTable) {
  std::vector<std::string> order;
  for (const fw::Control* c : win->Controls()) order.push_back(c->Name());
  std::vector<std::string> expected;
  for (const Layout& l : kLayout) expected.push_back(l.name);
  EXPECT_EQ(order, expected) << "controls are created in the order of the table";

  for (const Layout& l : kLayout) {
    SCOPED_TRACE(l.name);
    fw::Control* c = win->ControlByName(l.name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Name(), l.name);
    EXPECT_EQ(&c->Owner(), win);
    EXPECT_STREQ(ClassOf(c), l.cls);
    if (std::string(l.cls) == "NotePlayer") {
      EXPECT_EQ(win->NotePlayer1().Instrument(), 10) << "the start-up chime set it last";
      EXPECT_EQ(WidgetNamed(*win, l.name), nullptr) << "a note player is not drawn";
      continue;
    }
    const std::string panel = c->Parent() ? c->Parent()->Name() : "";
    EXPECT_EQ(panel, l.panel);
    QWidget* wd = WidgetNamed(*win, l.name);
    ASSERT_NE(wd, nullptr);
    QWidget* parent_on_screen = *l.panel ? WidgetNamed(*win, l.panel) : ClientOf(*win);
    EXPECT_EQ(wd->parentWidget(), parent_on_screen);
    EXPECT_EQ(RectInClient(*win, l.name), QRect(l.left, l.top, l.width, l.height));
    EXPECT_EQ(c->TabIndex(), l.tab);
    if (l.text) EXPECT_EQ(TextOf(c), l.text);
    EXPECT_EQ(c->TextSize(), l.size);
    if (l.size > 0) EXPECT_EQ(wd->font().pixelSize(), l.size);
    EXPECT_EQ(c->Bold(), l.bold);
    EXPECT_EQ(wd->font().bold(), l.bold);
    if (auto* label = qobject_cast<QLabel*>(wd)) {
      const Qt::Alignment h = label->alignment() & Qt::AlignHorizontal_Mask;
      EXPECT_EQ(h, std::string(l.name) == "Label1" ? Qt::AlignHCenter : Qt::AlignLeft);
    }
    if (std::string(l.cls) == "BevelButton") EXPECT_EQ(wd->focusPolicy(), Qt::NoFocus);
    if (auto* push = qobject_cast<QPushButton*>(wd); push && std::string(l.cls) == "PushButton") {
      EXPECT_FALSE(push->isDefault()) << "Return presses no button";
      EXPECT_FALSE(push->autoDefault());
    }
  }
}

TEST_F(MainWindow, AccessorsReturnTheControlsOfTheirNames) {
  const std::pair<const char*, fw::Control*> accessors[] = {
      {"Label1", &win->Label1()},
      {"FindButton", &win->FindButton()},
      {"AddNewPassword", &win->AddNewPassword()},
      {"SearchText", &win->SearchText()},
      {"Listbox1", &win->Listbox1()},
      {"RoundRectangle1", &win->RoundRectangle1()},
      {"SaveButton", &win->SaveButton()},
      {"DeleteButton", &win->DeleteButton()},
      {"NotePlayer1", &win->NotePlayer1()},
      {"CloseButton", &win->CloseButton()},
      {"RoundRectangle2", &win->RoundRectangle2()},
      {"Label4", &win->Label4()},
      {"WebSystem", &win->WebSystem()},
      {"Label5", &win->Label5()},
      {"UserNameTxt", &win->UserNameTxt()},
      {"Label2", &win->Label2()},
      {"PassWord", &win->PassWord()},
      {"Label3", &win->Label3()},
      {"Notes", &win->Notes()},
      {"ShowHideButton", &win->ShowHideButton()},
      {"ClipInfo", &win->ClipInfo()},
      {"BevelButton1", &win->BevelButton1()},
      {"Label7", &win->Label7()},
      {"WebAddress", &win->WebAddress()},
      {"BevelButton2", &win->BevelButton2()},
  };
  for (const auto& [name, control] : accessors) EXPECT_EQ(control, win->ControlByName(name)) << name;
}

TEST_F(MainWindow, PlaysTheChimeOnceAtStart) { EXPECT_EQ(ft::Notes(), kChime); }

TEST(MainWindowStart, PlaysTheChimeWhenTheBookAlreadyExists) {
  kestrion::test::MakeDatabase({{"site", "user", "pw", "", ""}});
  kestrion::test::StartProgram();
  EXPECT_EQ(ft::Notes(), kChime);
  kestrion::test::StopProgram();
}

// --- keyboard focus ---------------------------------------------------------------

TEST_F(MainWindow, TabWalksTheEntryFieldsInTheirTabOrder) {
  win->ExpandWindow();
  ASSERT_EQ(FocusedControl(), "WebSystem");
  const char* order[] = {"UserNameTxt", "PassWord", "Notes", "WebAddress"};
  for (const char* next : order) {
    ft::PressKey(C(FocusedControl()), ft::Key::Tab);
    EXPECT_EQ(FocusedControl(), next);
  }
}

TEST_F(MainWindow, TabGoesByTabIndexAndNeverToABevelButtonOrLabel) {
  win->ExpandWindow();
  win->SaveButton().SetEnabled(true);
  win->SearchText().SetFocus();
  ASSERT_EQ(FocusedControl(), "SearchText");
  // One round: the search box (window 0), the button panel (21), the entry panel (22).
  const std::vector<std::string> round = {"SearchText", "SaveButton", "DeleteButton", "CloseButton", "WebSystem",
                                          "UserNameTxt", "PassWord", "Notes", "WebAddress"};
  // Two rounds: the last field leads back to the search box.
  std::vector<std::string> seen = {FocusedControl()};
  for (size_t i = 1; i < 2 * round.size(); ++i) {
    ft::PressKey(C(FocusedControl()), ft::Key::Tab);
    seen.push_back(FocusedControl());
  }
  std::vector<std::string> expected = round;
  expected.insert(expected.end(), round.begin(), round.end());
  EXPECT_EQ(seen, expected);
}

TEST_F(MainWindow, BevelButtonsNeverTakeTheFocus) {
  win->ExpandWindow();
  const char* bevels[] = {"FindButton", "AddNewPassword", "ShowHideButton", "BevelButton1", "BevelButton2"};
  for (const char* name : bevels) {
    SCOPED_TRACE(name);
    win->WebSystem().SetFocus();
    ft::Click(C(name));
    ft::ProcessEvents();
    EXPECT_NE(FocusedControl(), name);
    EXPECT_FALSE(C(name).HasFocus());
    C(name).SetFocus();
    EXPECT_NE(FocusedControl(), name) << "not even when the program asks";
  }
}

// --- views --------------------------------------------------------------------------
enum class View { Search, List, Entry };
enum class Move { Expand, Shrink, ListView };

const char* NameOf(View v) { return v == View::Search ? "search" : v == View::List ? "list" : "entry"; }
const char* NameOf(Move m) { return m == Move::Expand ? "Expand" : m == Move::Shrink ? "Shrink" : "ListView"; }

struct Transition {
  View from;
  Move move;
  int height;
  bool panel_shown;      // RoundRectangle2's own flag
  bool list_shown;       // Listbox1's own flag
  bool search_row_on;    // FindButton, AddNewPassword and Label1 enabled
  const char* focus;     // nullptr: not the move's business
};

const Transition kTransitions[] = {
    {View::Search, Move::Expand, kEntry, true, false, false, "WebSystem"},
    {View::List, Move::Expand, kEntry, true, true, false, "WebSystem"},  // the list is the caller's to hide
    {View::Entry, Move::Expand, kEntry, true, false, false, "WebSystem"},
    {View::Search, Move::Shrink, kSearch, true, false, true, "SearchText"},
    {View::List, Move::Shrink, kSearch, false, false, true, "SearchText"},  // the panel stays hidden
    {View::Entry, Move::Shrink, kSearch, true, false, true, "SearchText"},
    {View::Search, Move::ListView, kList, false, true, true, "SearchText"},
    {View::List, Move::ListView, kList, false, true, true, "SearchText"},
    {View::Entry, Move::ListView, kList, false, true, false, nullptr},  // the search row stays off
};

void PrintTo(const Transition& t, std::ostream* os) { *os << NameOf(t.move) << " from the " << NameOf(t.from) << " view"; }

class ViewTransition : public MainWindow, public ::testing::WithParamInterface<Transition> {};

TEST_P(ViewTransition, LeavesTheWindowInTheRightState) {
  const Transition& t = GetParam();
  win->Listbox1().AddRow("delta");
  win->Listbox1().AddRow("Alpha");
  win->Listbox1().AddRow("charlie");
  win->Listbox1().AddRow("Bravo");
  if (t.from == View::List) ShowListView();
  if (t.from == View::Entry) win->ExpandWindow();

  // State that the moves must leave alone, or reset.
  win->SearchText().SetText("bank");
  win->WebSystem().SetText("Bank");
  win->UserNameTxt().SetText("me");
  win->PassWord().SetText("secret");
  win->Notes().SetText("two\rlines");
  win->WebAddress().SetText("https://bank.example");
  win->PassWord().SetPassword(false);
  win->ShowHideButton().SetCaption("Hide");
  win->SaveButton().SetCaption("UPDATE");
  win->SaveButton().SetEnabled(true);
  ft::ProcessEvents();
  const size_t mark = ft::Notes().size();

  switch (t.move) {
    case Move::Expand: win->ExpandWindow(); break;
    case Move::Shrink: win->ShrinkWindow(); break;
    case Move::ListView: ShowListView(); break;
  }
  ft::ProcessEvents();

  EXPECT_EQ(win->Height(), t.height);
  EXPECT_EQ(ft::ClientHeightOnScreen(*win), t.height);
  ExpectNothingMoved();
  EXPECT_EQ(win->Title(), "Kestrion V1.2");

  EXPECT_EQ(win->RoundRectangle2().Visible(), t.panel_shown);
  EXPECT_EQ(win->Listbox1().Visible(), t.list_shown);
  for (const char* name : {"FindButton", "AddNewPassword", "Label1"})
    EXPECT_EQ(C(name).Enabled(), t.search_row_on) << name;
  EXPECT_TRUE(win->SearchText().Enabled());
  EXPECT_TRUE(win->BevelButton2().Enabled());
  if (t.focus) EXPECT_EQ(FocusedControl(), t.focus);
  EXPECT_EQ(win->SearchText().Text(), "bank");
  EXPECT_TRUE(win->ClipInfo().Visible());

  // Seen on screen: the search row always; the rest by the view.
  for (const char* name : {"Label1", "SearchText", "FindButton", "AddNewPassword", "BevelButton2"})
    EXPECT_TRUE(Seen(name)) << name;
  const bool entry = t.height == kEntry;
  for (const char* name : {"WebSystem", "UserNameTxt", "PassWord", "Notes", "WebAddress", "ShowHideButton",
                           "ClipInfo", "BevelButton1", "Label4", "Label7"})
    EXPECT_EQ(Seen(name), entry) << name;
  for (const char* name : {"SaveButton", "DeleteButton", "CloseButton", "RoundRectangle1"})
    EXPECT_EQ(Seen(name), entry) << name;
  EXPECT_EQ(Seen("Listbox1"), t.list_shown && t.height != kSearch);

  const bool emptied = t.move == Move::Shrink;
  EXPECT_EQ(win->WebSystem().Text(), emptied ? "" : "Bank");
  EXPECT_EQ(win->UserNameTxt().Text(), emptied ? "" : "me");
  EXPECT_EQ(win->PassWord().Text(), emptied ? "" : "secret");
  EXPECT_EQ(win->Notes().Text(), emptied ? "" : "two\rlines") << "line ends stay as set";
  EXPECT_EQ(win->WebAddress().Text(), emptied ? "" : "https://bank.example");
  EXPECT_EQ(win->SaveButton().Caption(), emptied ? "SAVE" : "UPDATE");
  if (t.move != Move::Shrink) EXPECT_TRUE(win->SaveButton().Enabled());

  // Only ExpandWindow masks the password and sets "SHOW".
  const bool expanded = t.move == Move::Expand;
  EXPECT_EQ(win->PassWord().Password(), expanded);
  EXPECT_EQ(win->ShowHideButton().Caption(), expanded ? "SHOW" : "Hide");

  // The chime ends every ShrinkWindow, and only that.
  EXPECT_EQ(NotesSince(mark), emptied ? kChime : std::vector<NoteEvent>{});

  if (t.list_shown) {
    std::vector<std::string> rows;
    for (int i = 0; i < win->Listbox1().ListCount(); ++i) rows.push_back(win->Listbox1().Cell(i, 0));
    EXPECT_EQ(rows, (std::vector<std::string>{"Alpha", "Bravo", "charlie", "delta"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Views, ViewTransition, ::testing::ValuesIn(kTransitions),
                         [](const ::testing::TestParamInfo<Transition>& i) {
                           return std::string(NameOf(i.param.move)) + "From" + NameOf(i.param.from);
                         });

TEST_F(MainWindow, ShrinkWindowRaisesTextChangeForEachFieldThatHeldText) {
  std::vector<std::string> changes;
  // Wrap the window's own handlers: they still run, and each call is noted with
  // the field's text at that moment.
  auto wrap = [&changes](auto& field) {
    auto inner = field.TextChange;
    field.TextChange = [&changes, inner](auto& f) {
      changes.push_back(f.Name() + "=" + f.Text());
      if (inner) inner(f);
    };
  };
  wrap(win->WebSystem());
  wrap(win->UserNameTxt());
  wrap(win->PassWord());
  wrap(win->Notes());
  wrap(win->WebAddress());

  win->ExpandWindow();
  win->WebSystem().SetText("Bank");
  win->PassWord().SetText("pw");
  win->Notes().SetText("n");
  win->WebAddress().SetText("w");
  changes.clear();

  win->ShrinkWindow();
  EXPECT_EQ(changes, (std::vector<std::string>{"PassWord=", "WebSystem=", "Notes=", "WebAddress="}))
      << "emptied in the order UserNameTxt, PassWord, WebSystem, Notes, WebAddress; an empty field reports nothing";

  changes.clear();
  win->ShrinkWindow();
  EXPECT_TRUE(changes.empty()) << "emptying empty fields is no change";
}

TEST_F(MainWindow, ShrinkWindowLeavesTheSaveButtonsEnabledFlagAlone) {
  for (bool on : {true, false}) {
    win->ExpandWindow();
    win->SaveButton().SetEnabled(on);
    win->ShrinkWindow();
    EXPECT_EQ(win->SaveButton().Enabled(), on);
  }
}

TEST_F(MainWindow, EveryExpandWindowMasksThePasswordAgain) {
  for (int round = 0; round < 3; ++round) {
    win->PassWord().SetPassword(false);
    win->ShowHideButton().SetCaption(round % 2 ? "Show" : "Hide");
    win->ExpandWindow();
    EXPECT_TRUE(win->PassWord().Password());
    EXPECT_EQ(qobject_cast<QLineEdit*>(WidgetNamed(*win, "PassWord"))->echoMode(), QLineEdit::Password);
    EXPECT_EQ(win->ShowHideButton().Caption(), "SHOW");
    if (round == 1) win->ShrinkWindow();
  }
}

TEST_F(MainWindow, AHiddenClipInfoStaysHiddenThroughTheViews) {
  win->ExpandWindow();
  EXPECT_TRUE(Seen("ClipInfo"));
  win->ClipInfo().SetVisible(false);
  win->ShrinkWindow();
  EXPECT_FALSE(win->ClipInfo().Visible());
  win->ExpandWindow();
  EXPECT_FALSE(win->ClipInfo().Visible());
  EXPECT_FALSE(Seen("ClipInfo"));
}

TEST_F(MainWindow, TheEntryPanelComesBackOnlyWithExpandWindow) {
  ShowListView();
  win->ShrinkWindow();
  win->ShrinkWindow();
  EXPECT_FALSE(win->RoundRectangle2().Visible());
  win->ExpandWindow();
  EXPECT_TRUE(win->RoundRectangle2().Visible());
  EXPECT_TRUE(Seen("WebSystem"));
  EXPECT_EQ(FocusedControl(), "WebSystem");
}

// The window opens centred for its search row; a screen too short for the
// entry view under that place must not leave SAVE, DELETE and HOME past its
// lower edge: the window moves up instead.
TEST_F(MainWindow, TheEntryViewKeepsItsButtonsOnTheScreen) {
  QMainWindow* frame = FrameOf(*win);
  ASSERT_NE(frame, nullptr);
  const QRect room = frame->screen()->availableGeometry();
  ASSERT_GT(frame->frameGeometry().top() + kEntry, room.bottom()) << "the screen is tall enough: nothing to show";
  ft::Click(win->AddNewPassword());
  ASSERT_EQ(win->Height(), kEntry);
  EXPECT_TRUE(room.contains(frame->frameGeometry())) << frame->frameGeometry().y() << "+" << frame->frameGeometry().height();
  for (const char* name : {"SaveButton", "DeleteButton", "CloseButton"}) {
    QWidget* b = WidgetNamed(*win, name);
    EXPECT_TRUE(room.contains(QRect(b->mapToGlobal(QPoint(0, 0)), b->size()))) << name;
  }
}

TEST_F(MainWindow, ListFromTheEntryViewKeepsTheSearchRowOffUntilShrink) {
  win->ExpandWindow();
  ShowListView();
  EXPECT_FALSE(win->FindButton().Enabled());
  win->ShrinkWindow();
  for (const char* name : {"SearchText", "FindButton", "AddNewPassword", "Label1"}) EXPECT_TRUE(C(name).Enabled());
  EXPECT_EQ(FocusedControl(), "SearchText");
}

// --- sounds -------------------------------------------------------------------------

TEST_F(MainWindow, EachSoundSetsItsOwnInstrumentBeforeItPlays) {
  ft::ClearLog();
  win->AttentionSound();
  win->Ding2();
  win->AttentionSound();
  std::vector<NoteEvent> expected = kAttention;
  expected.insert(expected.end(), kChime.begin(), kChime.end());
  expected.insert(expected.end(), kAttention.begin(), kAttention.end());
  EXPECT_EQ(ft::Notes(), expected);
  EXPECT_EQ(win->NotePlayer1().Instrument(), 46);
}

// --- robustness ---------------------------------------------------------------------

// Keys, clicks, views and menu commands in random order: nothing crashes, the
// window stays whole, and no window class ever has two live instances.
TEST_F(MainWindow, AnyOrderOfKeysAndClicksKeepsOneWindowPerClass) {
  const char* fields[] = {"SearchText", "WebSystem", "UserNameTxt", "PassWord", "Notes", "WebAddress"};
  const char* clickables[] = {"FindButton", "AddNewPassword", "SaveButton", "DeleteButton", "CloseButton",
                              "ShowHideButton", "BevelButton1", "BevelButton2", "SearchText", "Label1",
                              "Listbox1", "ClipInfo", "RoundRectangle2"};
  const ft::Key keys[] = {ft::Key::Return, ft::Key::Enter, ft::Key::Escape, ft::Key::Tab, ft::Key::Backspace,
                          ft::Key::Delete, ft::Key::Left, ft::Key::Right, ft::Key::Up, ft::Key::Down,
                          ft::Key::Home, ft::Key::End};
  const char* texts[] = {"a", "Bank", " ", "é", "x\ry", "Kestrion Program Lock", "0123456789"};
  const char shortcuts[] = {'s', 'e', 'l', 'u', 'x', 'c', 'v', 'a', 'q'};
  const char* menu_items[] = {"FileShowAll", "FileExport",  "FileLockProgram", "FileUnLockProgram",
                              "EditCut",     "EditCopy",    "EditPaste",       "EditSelectAll",
                              "AboutHowToUse", "AboutAboutKestrion"};

  for (unsigned seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto pick = [&rng](auto& arr) -> auto& { return arr[rng() % std::size(arr)]; };
    for (int step = 0; step < 250; ++step) {
      Window1& w = Window1::Instance();
      ASSERT_EQ(&w, win) << "the main window was replaced";
      switch (rng() % 9) {
        case 0: ft::TypeText(C(pick(fields)), pick(texts)); break;
        case 1: ft::PressKey(C(pick(fields)), pick(keys)); break;
        case 2: ft::Click(C(pick(clickables))); break;
        case 3: ft::MouseDownIn(C(pick(fields))); break;
        case 4: ft::PressShortcut(w, pick(shortcuts)); break;
        case 5:
          if (w.Listbox1().ListCount() > 0) ft::ClickListRow(w.Listbox1(), static_cast<int>(rng() % 3));
          break;
        case 6: w.ExpandWindow(); break;
        case 7:
          if (rng() % 2) {
            w.ShrinkWindow();
          } else {
            w.Listbox1().AddRow(pick(texts));
            ShowListView();
          }
          break;
        case 8: ft::ChooseMenuItem(w, pick(menu_items)); break;
      }
      ft::ProcessEvents();

      std::map<std::string, int> per_class;
      for (fw::Window* live : fw::AllWindows()) ++per_class[typeid(*live).name()];
      for (const auto& [cls, n] : per_class) ASSERT_EQ(n, 1) << cls << " at step " << step;
      ASSERT_EQ(win->Controls().size(), std::size(kLayout));
      ASSERT_EQ(win->Width(), kWidth);
      const int h = win->Height();
      ASSERT_TRUE(h == kSearch || h == kList || h == kEntry) << h;
    }
    win->ShrinkWindow();
  }
  ExpectNothingMoved();
}

}  // namespace
