// The framework's windows and controls as a program sees them: text changes,
// key filters, message boxes, the clipboard, the note player, resources.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <typeinfo>

#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/Controls.h"
#include "framework/EventLoop.h"
#include "framework/FolderItem.h"
#include "framework/MenuItem.h"
#include "framework/MsgBox.h"
#include "framework/Shell.h"
#include "framework/SpecialFolder.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"

namespace {

using fw::testing::Key;

// A small window with one of each text control, counting their events.
class Probe : public fw::Window {
 public:
  int field_changes = 0, area_changes = 0, opened = 0, closed = 0;
  std::string keys_seen;
  std::string order;

  void Layout() override {
    order += "L";
    SetTitle("Probe");
    SetSize(300, 200);
    SetVisible(true);
  }
  void CreateControls() override {
    order += "C";
    auto& f = New<fw::TextField>("Field");
    f.SetPosition(10, 10, 200, 24);
    f.TextChange = [this](fw::TextField&) { ++field_changes; };
    // Swallows every character of code 128 or more, as the program's fields do.
    f.KeyDown = [this](fw::TextField&, const std::string& key) {
      keys_seen += key;
      return !key.empty() && static_cast<unsigned char>(key[0]) >= 128;
    };
    auto& a = New<fw::TextArea>("Area");
    a.SetPosition(10, 40, 200, 60);
    a.TextChange = [this](fw::TextArea&) { ++area_changes; };
    New<fw::NotePlayer>("Player");
  }
  void AddMenuHandlers(fw::Window&) override { order += "M"; }
  void Event_Open() override {
    order += "O";
    ++opened;
    // The window under construction is already the class's implicit instance.
    self_during_open = fw::GetImplicitWindow("Probe.Probe");
  }
  void Event_Close() override { ++closed; }
  fw::Window* self_during_open = nullptr;

  fw::TextField& Field() { return Find<fw::TextField>("Field"); }
  fw::TextArea& Area() { return Find<fw::TextArea>("Area"); }
};

Probe& TheProbe() { return fw::ImplicitInstance<Probe>("Probe.Probe"); }

TEST(Window, CreationEventsInOrderAndOneInstance) {
  Probe& p = TheProbe();
  EXPECT_EQ(p.order, "LCMO");
  EXPECT_EQ(p.self_during_open, &p);
  EXPECT_EQ(&TheProbe(), &p);
  EXPECT_EQ(p.opened, 1);
  // Hiding keeps the instance; closing ends it and the next request makes a new one.
  p.SetVisible(false);
  EXPECT_EQ(&TheProbe(), &p);
  fw::testing::ClickCloseBox(p);
  EXPECT_EQ(p.closed, 1);
  EXPECT_EQ(fw::GetImplicitWindow("Probe.Probe"), nullptr);
  fw::testing::ProcessEvents();
  Probe& again = TheProbe();
  EXPECT_EQ(again.opened, 1);
  EXPECT_EQ(fw::AllWindows().size(), 1u);
}

TEST(Window, WithoutCloseBoxRefusesToClose) {
  Probe& p = TheProbe();
  p.SetCloseButton(false);
  fw::testing::ClickCloseBox(p);
  EXPECT_EQ(p.closed, 0);
  EXPECT_EQ(fw::GetImplicitWindow("Probe.Probe"), &p);
}

// A name holds one control; asking for a name or class that is not there is
// an error the caller can catch, never a dangling reference.
TEST(Window, ControlNamesAreUniqueAndUnknownNamesAreErrors) {
  Probe& p = TheProbe();
  fw::TextField& field = p.Field();
  const size_t count = p.Controls().size();
  EXPECT_THROW(p.New<fw::TextField>("Field"), std::invalid_argument);
  EXPECT_EQ(&p.Field(), &field);
  ASSERT_EQ(p.Controls().size(), count);
  for (fw::Control* c : p.Controls()) EXPECT_EQ(p.ControlByName(c->Name()), c);
  fw::testing::TypeText(p.Field(), "still here");
  EXPECT_EQ(p.Field().Text(), "still here");

  EXPECT_EQ(p.ControlByName("Nothing"), nullptr);
  EXPECT_THROW(p.Find<fw::TextField>("Nothing"), std::out_of_range);
  EXPECT_THROW(p.Find<fw::TextArea>("Field"), std::bad_cast);
  const Probe& seen = p;
  EXPECT_EQ(&seen.Find<fw::TextField>("Field"), &field);

  // The window still goes cleanly.
  fw::testing::ClickCloseBox(p);
  fw::testing::ProcessEvents();
  EXPECT_EQ(fw::GetImplicitWindow("Probe.Probe"), nullptr);
}

// A class asking for the implicit window of a name that another class holds.
TEST(Window, AnImplicitInstanceOfAnotherClassUnderTheNameIsAnError) {
  class Other : public fw::Window {};
  Probe& p = TheProbe();
  EXPECT_THROW(fw::ImplicitInstance<Other>("Probe.Probe"), std::logic_error);
  EXPECT_EQ(&TheProbe(), &p);
  EXPECT_EQ(fw::AllWindows().size(), 1u);
}

TEST(TextChange, RaisedByTypingAndByTheProgramButNeverForAnUnchangedText) {
  Probe& p = TheProbe();
  struct Case {
    const char* what;
    std::function<void()> act;
    int field, area;
  };
  const Case cases[] = {
      {"program sets field", [&] { p.Field().SetText("abc"); }, 1, 0},
      {"program sets same field text", [&] { p.Field().SetText("abc"); }, 0, 0},
      {"program empties field", [&] { p.Field().SetText(""); }, 1, 0},
      {"program empties empty field", [&] { p.Field().SetText(""); }, 0, 0},
      {"user types two characters", [&] { fw::testing::TypeText(p.Field(), "xy"); }, 2, 0},
      {"program sets area", [&] { p.Area().SetText("one\ntwo"); }, 0, 1},
      {"program sets same area text", [&] { p.Area().SetText("one\ntwo"); }, 0, 0},
      {"program empties area", [&] { p.Area().SetText(""); }, 0, 1},
      {"user types into area", [&] { fw::testing::TypeText(p.Area(), "q"); }, 0, 1},
  };
  for (const Case& c : cases) {
    const int f0 = p.field_changes, a0 = p.area_changes;
    c.act();
    EXPECT_EQ(p.field_changes - f0, c.field) << c.what;
    EXPECT_EQ(p.area_changes - a0, c.area) << c.what;
  }
  EXPECT_EQ(p.Field().Text(), "xy");
}

TEST(KeyDown, ASwallowedKeyChangesNothingAndOthersArrive) {
  Probe& p = TheProbe();
  fw::testing::TypeText(p.Field(), "aé😀b");
  EXPECT_EQ(p.Field().Text(), "ab");
  EXPECT_EQ(p.keys_seen, "aé😀b");
  fw::testing::PressKey(p.Field(), Key::Return);
  fw::testing::PressKey(p.Field(), Key::Escape);
  EXPECT_EQ(p.keys_seen.substr(p.keys_seen.size() - 2), "\r\x1b");
}

TEST(Selection, CountsCharactersNotBytes) {
  Probe& p = TheProbe();
  p.Field().SetText("é😀xyz");
  p.Field().SetSelStart(2);
  p.Field().SetSelLength(2);
  EXPECT_EQ(p.Field().SelStart(), 2);
  EXPECT_EQ(p.Field().SelLength(), 2);
  EXPECT_EQ(p.Field().SelText(), "xy");
  p.Field().SetSelText("Ω");
  EXPECT_EQ(p.Field().Text(), "é😀Ωz");
}

TEST(MsgBox, ScriptedResponderRecordsAndAnswers) {
  fw::testing::ClearShownBoxes();
  fw::testing::QueueAnswers({6});
  EXPECT_EQ(fw::MsgBox("Delete it?", 36, ""), 6);
  EXPECT_EQ(fw::MsgBox("Again?", 36, ""), 7);  // nothing scripted: the safe answer
  fw::MsgBox("Done");
  const auto& boxes = fw::testing::ShownBoxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].text, "Delete it?");
  EXPECT_EQ(boxes[0].style, 36);
  EXPECT_EQ(boxes[1].answer, 7);
  EXPECT_EQ(boxes[2].text, "Done");
  EXPECT_EQ(boxes[2].answer, 1);
}

// Without a responder the user sees a real box: its buttons and icon follow
// the style, its title defaults to the program's name, and the button the
// user presses is the answer.
TEST(MsgBox, WithoutAResponderARealBoxShowsTheStyleAndAnswersThePressedButton) {
  namespace S = fw::MsgBoxStyle;
  namespace A = fw::MsgBoxAnswer;
  static_assert(S::kYesNo + S::kQuestion == 36 && A::kYes == 6 && A::kNo == 7);
  fw::RegisterAppObject(std::make_unique<fw::Application>("Lark"));
  fw::testing::UseScriptedMessageBoxes(false);
  struct Case {
    int style;
    std::vector<QMessageBox::StandardButton> buttons;
    QMessageBox::Icon icon;
    std::optional<QMessageBox::StandardButton> press;  // none: the user presses Esc
    int answer;
  };
  using B = QMessageBox;
  const Case cases[] = {
      {S::kOK, {B::Ok}, B::NoIcon, B::Ok, A::kOK},
      {S::kYesNo + S::kQuestion, {B::Yes, B::No}, B::Question, B::Yes, A::kYes},
      {S::kYesNo + S::kQuestion, {B::Yes, B::No}, B::Question, B::No, A::kNo},
      {S::kYesNoCancel + S::kCaution, {B::Yes, B::No, B::Cancel}, B::Warning, B::Cancel, A::kCancel},
      {S::kOKCancel + S::kStop, {B::Ok, B::Cancel}, B::Critical, std::nullopt, A::kCancel},
      {S::kRetryCancel + S::kNote, {B::Retry, B::Cancel}, B::Information, B::Retry, A::kRetry},
      {S::kAbortRetryIgnore, {B::Abort, B::Retry, B::Ignore}, B::NoIcon, B::Ignore, A::kIgnore},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    bool seen = false;
    std::function<void()> act = [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) {
        QTimer::singleShot(5, act);
        return;
      }
      seen = true;
      std::vector<QMessageBox::StandardButton> buttons;
      for (QAbstractButton* b : box->buttons()) buttons.push_back(box->standardButton(b));
      std::sort(buttons.begin(), buttons.end());
      std::vector<QMessageBox::StandardButton> want = c.buttons;
      std::sort(want.begin(), want.end());
      EXPECT_EQ(buttons, want);
      EXPECT_EQ(box->icon(), c.icon);
      EXPECT_EQ(box->windowTitle().toStdString(), "Lark");
      EXPECT_EQ(box->text().toStdString(), "line one\nline two");
      if (c.press)
        box->button(*c.press)->click();
      else
        QTest::keyClick(box, Qt::Key_Escape);
    };
    QTimer::singleShot(0, act);
    EXPECT_EQ(fw::MsgBox("line one\rline two", c.style, ""), c.answer);
    EXPECT_TRUE(seen);
  }
}

TEST(Clipboard, SetReadAndEmpty) {
  fw::Clipboard c;
  c.SetText("pa$$ wörd\r\n");
  EXPECT_TRUE(fw::Clipboard().TextAvailable());
  EXPECT_EQ(fw::Clipboard().Text(), "pa$$ wörd\r\n");
  c.SetText("");
  EXPECT_EQ(fw::Clipboard().Text(), "");
}

// A long text (an export of a whole book) comes back byte for byte, through
// the clipboard's own text and through its plain-text data, as another
// program reads it.
TEST(Clipboard, ALongTextComesBackWhole) {
  std::string text;
  while (text.size() < 3u * 1024 * 1024) text += "site \xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\n";
  fw::Clipboard().SetText(text);
  EXPECT_TRUE(fw::Clipboard().TextAvailable());
  EXPECT_TRUE(fw::Clipboard().Text() == text);
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasText());
  EXPECT_TRUE(data->data("text/plain") == QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

TEST(NotePlayer, EachNoteIsLoggedWithItsPlayersInstrument) {
  Probe& p = TheProbe();
  fw::testing::ClearLog();
  auto& player = p.Find<fw::NotePlayer>("Player");
  player.SetInstrument(10);
  player.PlayNote(60, 30);
  player.PlayNote(60, 0);
  player.SetInstrument(46);
  player.PlayNote(40, 40);
  const std::vector<fw::testing::NoteEvent> want = {{10, 60, 30}, {10, 60, 0}, {46, 40, 40}};
  EXPECT_EQ(fw::testing::Notes(), want);
}

TEST(Resources, MissingOrUnreadableFilesGiveNilAndNoMessage) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(std::getenv("HOME")) / "res";
  fs::create_directories(dir);
  std::ofstream(dir / "garbage.png") << "not a picture";
  std::ofstream(dir / "garbage.mp3") << "not a sound";
  fw::testing::ClearShownBoxes();
  fw::FolderItem folder(dir.string());
  EXPECT_EQ(folder.Child("missing.png")->OpenAsPicture(), nullptr);
  EXPECT_EQ(folder.Child("garbage.png")->OpenAsPicture(), nullptr);
  EXPECT_EQ(folder.Child("missing.mp3")->OpenAsSound(), nullptr);
  EXPECT_EQ(folder.Child("garbage.mp3")->OpenAsSound(), nullptr);
  EXPECT_EQ(folder.OpenAsPicture(), nullptr);  // a folder is no picture
  EXPECT_TRUE(fw::testing::ShownBoxes().empty());
}

TEST(Folders, ApplicationDataAndPrivateNewFolders) {
  auto data = fw::SpecialFolder::ApplicationData();
  EXPECT_EQ(data->NativePath(), std::string(std::getenv("XDG_DATA_HOME")));
  auto mine = data->Child("Kestrion");
  EXPECT_FALSE(mine->Exists());
  ASSERT_TRUE(mine->CreateAsFolder());  // parents are made as needed
  EXPECT_TRUE(mine->IsFolder());
  const auto perms = std::filesystem::status(mine->NativePath()).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all, std::filesystem::perms::owner_all);

  // A test may put the data folder elsewhere, and take it back.
  const std::string elsewhere = std::string(std::getenv("HOME")) + "/elsewhere";
  fw::testing::SetApplicationDataPath(elsewhere);
  EXPECT_EQ(fw::SpecialFolder::ApplicationData()->NativePath(), elsewhere);
  fw::testing::SetApplicationDataPath("");
  EXPECT_EQ(fw::SpecialFolder::ApplicationData()->NativePath(), std::string(std::getenv("XDG_DATA_HOME")));
}

TEST(Folders, BundleResourcesSitBesideTheExecutablesFolder) {
  auto res = fw::GetApplicationBundleResources();
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(std::filesystem::canonical(res->NativePath()), std::filesystem::canonical(KESTRION_TEST_RESOURCES_DIR));
  EXPECT_NE(res->Child("Background2.png")->OpenAsPicture(), nullptr);
}

// The build keeps the resources in Resources/ beside bin/; an install puts
// them in share/<program>/. The build's folder wins when both are there.
TEST(Folders, BundleResourcesAreFoundInTheBuildAndInTheInstallLayout) {
  namespace fs = std::filesystem;
  const fs::path top = fs::path(std::getenv("HOME")) / "prefix";
  const std::string program = (top / "bin" / "kestrion").string();
  struct Case {
    const char* what;
    std::vector<const char*> folders;
    const char* expected;
  };
  const Case cases[] = {
      {"build", {"bin", "Resources"}, "Resources"},
      {"install", {"bin", "share/kestrion"}, "share/kestrion"},
      {"both", {"bin", "Resources", "share/kestrion"}, "Resources"},
      {"neither", {"bin"}, "Resources"},
      {"another program's share", {"bin", "share/other"}, "Resources"},
  };
  for (const Case& c : cases) {
    fs::remove_all(top);
    for (const char* f : c.folders) fs::create_directories(top / f);
    auto res = fw::BundleResourcesOf(program);
    ASSERT_NE(res, nullptr) << c.what;
    EXPECT_EQ(res->NativePath(), (top / c.expected).string()) << c.what;
  }
}

}  // namespace

namespace {

// Controls made out of their tab order, some inside a panel.
class TabProbe : public fw::Window {
 public:
  void Layout() override {
    SetSize(300, 200);
    SetVisible(true);
  }
  void CreateControls() override {
    auto field = [this](const char* name, int tab, int top, fw::Control* panel) {
      auto& f = New<fw::TextField>(name);
      f.SetPosition(10, top, 100, 20);
      f.SetTabIndex(tab);
      if (panel) f.SetParent(panel);
    };
    field("A", 2, 10, nullptr);
    auto& panel = New<fw::RoundRectangle>("Panel");
    panel.SetPosition(0, 40, 300, 100);
    panel.SetTabIndex(1);
    field("D", 1, 90, &panel);
    field("C", 0, 60, &panel);
    field("B", 0, 150, nullptr);
    auto& help = New<fw::BevelButton>("Help");
    help.SetPosition(200, 10, 40, 20);
    help.SetTabIndex(3);
  }
};

TEST(Window, TabOrderFollowsTabIndexWithinEachParent) {
  auto& w = fw::ImplicitInstance<TabProbe>("TabProbe.TabProbe");
  auto focused = [&] {
    for (const char* n : {"A", "B", "C", "D", "Help"})
      if (w.ControlByName(n)->HasFocus()) return std::string(n);
    return std::string("?");
  };
  w.Find<fw::TextField>("B").SetFocus();
  std::string order = focused();
  for (int i = 0; i < 4; ++i) {
    fw::testing::PressKey(*w.ControlByName(focused()), Key::Tab);
    order += focused();
  }
  EXPECT_EQ(order, "BCDAB");
}

TEST(Listbox, SortsByTextIgnoringLetterCase) {
  Probe& p = TheProbe();
  auto& list = p.New<fw::Listbox>("List");
  list.SetHeading("Sites");
  for (const char* row : {"banana", "Apple", "cherry", "apple2", "Bank2"}) list.AddRow(row);
  list.Sort();
  std::vector<std::string> rows;
  for (int i = 0; i < list.ListCount(); ++i) rows.push_back(list.Cell(i, 0));
  EXPECT_EQ(rows, (std::vector<std::string>{"Apple", "apple2", "banana", "Bank2", "cherry"}));
  EXPECT_EQ(list.Heading(), "Sites");
  EXPECT_EQ(list.Cell(9, 0), "");
  EXPECT_EQ(list.Cell(0, 3), "");
  list.DeleteAllRows();
  EXPECT_EQ(list.ListCount(), 0);
}

TEST(ContextMenu, ItemsBuiltFromCaptionsAreChosenByCaption) {
  Probe& p = TheProbe();
  std::string chosen;
  p.Field().ConstructContextualMenu = [](fw::TextField&, fw::MenuItem& base, int, int) {
    for (const char* caption : {"Cut", "Copy", "Paste"}) base.Append(std::make_unique<fw::MenuItem>(caption));
    return true;
  };
  p.Field().ContextualMenuAction = [&](fw::TextField&, fw::MenuItem& item) {
    chosen = item.Text();
    return true;
  };
  fw::testing::ChooseInNextContextMenu("Copy");
  EXPECT_TRUE(fw::testing::OpenContextMenu(p.Field()));
  EXPECT_EQ(fw::testing::LastContextMenuCaptions(), (std::vector<std::string>{"Cut", "Copy", "Paste"}));
  EXPECT_EQ(chosen, "Copy");
  chosen.clear();
  fw::testing::ChooseInNextContextMenu("");  // dismissed
  fw::testing::OpenContextMenu(p.Field());
  EXPECT_EQ(chosen, "");
}

// Without a test's chooser the framework pops up a real menu of the items and
// hands the handler the one the user picks there.
TEST(ContextMenu, WithoutAChooserARealPopupTakesTheUsersPick) {
  Probe& p = TheProbe();
  std::string chosen = "none";
  p.Field().ConstructContextualMenu = [](fw::TextField&, fw::MenuItem& base, int, int) {
    for (const char* caption : {"Cut", "-", "Copy", "Paste"}) base.Append(std::make_unique<fw::MenuItem>(caption));
    return true;
  };
  p.Field().ContextualMenuAction = [&](fw::TextField&, fw::MenuItem& item) {
    chosen = item.Text();
    return true;
  };
  fw::testing::UseScriptedMessageBoxes(false);
  struct Case {
    const char* pick;  // nullptr: the user presses Esc
    const char* handled;
  };
  for (const Case& c : {Case{"Paste", "Paste"}, Case{nullptr, "none"}}) {
    chosen = "none";
    std::vector<std::string> shown;
    // The popup runs its own loop; the user acts once it is up.
    std::function<void()> act = [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) {
        QTimer::singleShot(5, act);
        return;
      }
      for (QAction* a : menu->actions()) {
        shown.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        if (c.pick && a->text() == c.pick) menu->setActiveAction(a);
      }
      QTest::keyClick(menu, c.pick ? Qt::Key_Return : Qt::Key_Escape);
    };
    QTimer::singleShot(0, act);
    fw::testing::OpenContextMenu(p.Field());
    EXPECT_EQ(shown, (std::vector<std::string>{"Cut", "-", "Copy", "Paste"}));
    EXPECT_EQ(chosen, c.handled) << (c.pick ? c.pick : "Esc");
  }
}

TEST(Yield, LetsPendingEventsRunDuringALongLoop) {
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  while (!ran && std::chrono::steady_clock::now() < end) fw::Yield();
  EXPECT_TRUE(ran);
}

TEST(LaunchUrl, TheAddressIsTheLaunchersOneArgumentAndNoShellSeesIt) {
  namespace fs = std::filesystem;
  const fs::path home = std::getenv("HOME");
  // A launcher that writes down its arguments: named as the program that
  // opens addresses, or installed as xdg-open on PATH, which is the default.
  fs::create_directories(home / "bin");
  const fs::path script = home / "bin" / "xdg-open";
  const fs::path out = home / "args.txt";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > '" << out.string() << ".tmp'\nmv '" << out.string() << ".tmp' '"
      << out.string() << "'\n";
  }
  fs::permissions(script, fs::perms::owner_all);
  const std::string path = (home / "bin").string() + ":" + std::getenv("PATH");
  setenv("PATH", path.c_str(), 1);
  const std::string address = "http://example.org/?a=1&b=2;touch " + (home / "pwned").string() + " $(id) 'q'";
  for (const std::string& launcher : {script.string(), std::string()}) {
    fs::remove(out);
    fw::testing::SetUrlLauncher(launcher);
    EXPECT_TRUE(fw::LaunchUrl(address)) << launcher;
    for (int i = 0; i < 500 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(out);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(got, "1|" + address + "|") << launcher;
    EXPECT_FALSE(fs::exists(home / "pwned"));
    ASSERT_FALSE(fw::testing::LaunchedUrls().empty());
    EXPECT_EQ(fw::testing::LaunchedUrls().back(), address);
  }
  // A launcher that cannot be started is reported.
  fw::testing::SetUrlLauncher((home / "no-such-launcher").string());
  EXPECT_FALSE(fw::LaunchUrl("http://example.org"));
}

}  // namespace
