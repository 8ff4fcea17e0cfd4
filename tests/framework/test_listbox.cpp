// The list: rows as given, the order of Sort, long lists, and the click on a row.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "framework/Controls.h"
#include "framework/EventLoop.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"

namespace {

namespace ft = fw::testing;

class ListWindow : public fw::Window {
 public:
  std::vector<std::pair<int, std::string>> clicks;

  void Layout() override {
    SetTitle("List");
    SetSize(300, 300);
    SetVisible(true);
  }
  void CreateControls() override {
    auto& l = New<fw::Listbox>("List");
    l.SetPosition(0, 0, 300, 300);
    l.SetHeading("Sites");
    l.CellClick = [this](fw::Listbox& list, int row, int column, int, int) {
      clicks.emplace_back(row, list.Cell(row, column));
      return false;
    };
  }
  fw::Listbox& List() { return Find<fw::Listbox>("List"); }
};

ListWindow& TheWindow() { return fw::ImplicitInstance<ListWindow>("ListWindow.ListWindow"); }

std::vector<std::string> RowsOf(fw::Listbox& l) {
  std::vector<std::string> rows;
  for (int i = 0; i < l.ListCount(); ++i) rows.push_back(l.Cell(i, 0));
  return rows;
}

TEST(ListboxSort, IgnoresLetterCaseThenKeepsOneOrderForNamesThatDifferOnlyInIt) {
  fw::Listbox& l = TheWindow().List();
  for (const char* row : {"bank", "\xC3\x89mile", "Bank", "apple", "emile", "BANK", "\xC3\xA9mile", "Zoo", ""})
    l.AddRow(row);
  l.Sort();
  EXPECT_EQ(RowsOf(l), (std::vector<std::string>{"", "apple", "BANK", "Bank", "bank", "emile", "Zoo", "\xC3\x89mile",
                                                 "\xC3\xA9mile"}));
}

// Names equal but for letter case keep one order, names equal byte for byte
// the order they were added in; each row's tag moves with its row.
TEST(ListboxSort, EqualNamesKeepTheirOrderAndEveryRowItsTag) {
  fw::Listbox& l = TheWindow().List();
  const char* rows[] = {"mail", "Bank", "bank", "Mail", "bank", "BANK", "mail", "Bank"};
  for (int i = 0; i < 8; ++i) {
    l.AddRow(rows[i]);
    l.SetRowTag(i, 100 + i);
  }
  EXPECT_EQ(l.RowTag(8), -1);  // no such row
  l.Sort();
  std::vector<std::pair<std::string, long long>> listed;
  for (int i = 0; i < l.ListCount(); ++i) listed.emplace_back(l.Cell(i, 0), l.RowTag(i));
  EXPECT_EQ(listed, (std::vector<std::pair<std::string, long long>>{{"BANK", 105},
                                                                   {"Bank", 101},
                                                                   {"Bank", 107},
                                                                   {"bank", 102},
                                                                   {"bank", 104},
                                                                   {"Mail", 103},
                                                                   {"mail", 100},
                                                                   {"mail", 106}}));
  l.AddRow("untagged");
  EXPECT_EQ(l.RowTag(8), -1);
  l.DeleteAllRows();
  l.AddRow("again");
  EXPECT_EQ(l.RowTag(0), -1);  // tags go with the rows
}

// A handler that changes the list while it is being sorted (one run during a
// yield) wins: its rows stay as it left them, unsorted, and nothing of the
// old rows' order is laid over them.
TEST(ListboxSort, AListChangedWhileItIsSortedKeepsTheChange) {
  fw::Listbox& l = TheWindow().List();
  for (int i = 0; i < 50000; ++i) l.AddRow("row " + std::to_string(50000 - i));
  ft::ProcessEvents();
  bool changed = false;
  // A slice has passed since the events last ran: the sort's first yield lets the timer in.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::this_thread::sleep_for(std::chrono::milliseconds(12));
  while (!fw::internal::yield_due.load() && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  QTimer::singleShot(0, [&] {
    l.DeleteAllRows();
    for (const char* row : {"zeta", "alpha", "mid"}) l.AddRow(row);
    changed = true;
  });
  l.Sort();
  ASSERT_TRUE(changed);
  EXPECT_EQ(RowsOf(l), (std::vector<std::string>{"zeta", "alpha", "mid"}));
}

TEST(ListboxSort, ALongListIsSortedWhileTheEventLoopKeepsRunning) {
  fw::Listbox& l = TheWindow().List();
  std::mt19937 rng(5);
  std::vector<std::string> rows;
  for (int i = 0; i < 100000; ++i) {
    std::string s = "site " + std::to_string(rng() % 100000);
    if (i % 3 == 0) s[0] = 'S';
    rows.push_back(s);
    l.AddRow(s);
  }
  EXPECT_EQ(l.ListCount(), 100000);

  // Delivered as soon as the event loop runs.
  ft::ProcessEvents();
  bool ran = false;
  QObject receiver;
  QMetaObject::invokeMethod(&receiver, [&] { ran = true; }, Qt::QueuedConnection);
  l.Sort();

  std::stable_sort(rows.begin(), rows.end(), [](const std::string& a, const std::string& b) {
    std::string fa = a, fb = b;
    for (char& c : fa) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : fb) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return fa != fb ? fa < fb : a < b;
  });
  EXPECT_EQ(RowsOf(l), rows);
  EXPECT_TRUE(ran) << "the event loop ran during the sort";
}

// The keys move through the rows as through a list: Home and End reach the
// first and the last row.
TEST(Listbox, HomeAndEndReachTheFirstAndTheLastRow) {
  ListWindow& w = TheWindow();
  for (int i = 0; i < 500; ++i) w.List().AddRow("row " + std::to_string(i));
  ft::ProcessEvents();
  ft::ClickListRow(w.List(), 3);
  EXPECT_EQ(w.List().ListIndex(), 3);
  ft::PressKey(w.List(), ft::Key::End);
  EXPECT_EQ(w.List().ListIndex(), 499);
  ft::PressKey(w.List(), ft::Key::Up);
  EXPECT_EQ(w.List().ListIndex(), 498);
  ft::PressKey(w.List(), ft::Key::Home);
  EXPECT_EQ(w.List().ListIndex(), 0);
}

TEST(Listbox, AClickOnARowIsACellClickOfThatRowEvenFarDownALongList) {
  ListWindow& w = TheWindow();
  for (int i = 0; i < 20000; ++i) w.List().AddRow("row " + std::to_string(i));
  ft::ProcessEvents();
  for (int row : {0, 7, 19999}) ft::ClickListRow(w.List(), row);
  EXPECT_EQ(w.clicks, (std::vector<std::pair<int, std::string>>{{0, "row 0"}, {7, "row 7"}, {19999, "row 19999"}}));
  w.List().DeleteAllRows();
  EXPECT_EQ(w.List().ListCount(), 0);
  EXPECT_EQ(w.List().Cell(0, 0), "");
  EXPECT_EQ(w.List().Heading(), "Sites");
}

}  // namespace
