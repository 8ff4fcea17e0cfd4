// What comes on screen at start-up, window by window, in order: a locked book
// shows its prompt first and alone, and the main window only after the right
// password or answer, also when the start-up scan is long enough to let the
// event loop run; a book without a lock shows the main window once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "LockFixture.h"

namespace kestrion {
namespace {

using namespace locktest;

const char* const kMain = "Kestrion V1.2";
const char* const kPrompt = "Kestrion is Locked";

// Every top-level window that Qt shows or paints, by its title, in order; a
// window is written down again only after something else came between.
class ScreenLog : public QObject {
 public:
  ScreenLog() { qApp->installEventFilter(this); }
  ~ScreenLog() override { qApp->removeEventFilter(this); }
  std::vector<std::string> shown;
  std::vector<std::string> painted;

  bool eventFilter(QObject* o, QEvent* e) override {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w) return false;
    if (e->type() == QEvent::Show && w->isWindow()) shown.push_back(w->windowTitle().toStdString());
    if (e->type() == QEvent::Paint) {
      const std::string title = w->window()->windowTitle().toStdString();
      if (painted.empty() || painted.back() != title) painted.push_back(title);
    }
    return false;
  }
};

std::vector<test::Row> Entries(int n) {
  std::vector<test::Row> rows;
  rows.reserve(n);
  for (int i = 0; i < n; ++i) rows.push_back({"Site number " + std::to_string(i), "user", "pw", "", ""});
  return rows;
}

enum class Pass { Password, Answer };
struct StartCase {
  const char* name;
  int entries;
  Pass pass;
};
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class LockedStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(LockedStart, ThePromptIsTheOnlyWindowUntilTheBookIsOpened) {
  const StartCase& c = GetParam();
  MakeBook(Entries(c.entries), Lock{"Q", "pw", "A"});
  ScreenLog log;
  bool scan_yielded = false;
  fw::testing::RunWhenEventsAreNextProcessed([&] { scan_yielded = Window1::Instance().IsConstructing(); });
  Window1& w = Start();
  // On a real screen a window is drawn once the window system has put it up:
  // wait for the first drawing, then a while longer for any other.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !log.painted.empty(); }, 3000));
  QTest::qWait(300);
  if (c.entries > 1000) ASSERT_TRUE(scan_yielded) << "the scan never let the event loop run";
  EXPECT_EQ(log.shown, std::vector<std::string>{kPrompt});
  EXPECT_EQ(log.painted, std::vector<std::string>{kPrompt});
  EXPECT_FALSE(OnScreen(&w));

  if (c.pass == Pass::Password) {
    GivePassword("pw");
  } else {
    ForgotPassword(kYes);
    GiveAnswer("a");
  }
  EXPECT_TRUE(QTest::qWaitFor([&] { return !log.painted.empty() && log.painted.back() == kMain; }, 3000));
  EXPECT_EQ(log.shown, (std::vector<std::string>{kPrompt, kMain}));
  ASSERT_FALSE(log.painted.empty());
  EXPECT_EQ(log.painted.front(), kPrompt);
  EXPECT_EQ(log.painted.back(), kMain);
  EXPECT_TRUE(OnScreen(&w));
  EXPECT_FALSE(OnScreen(Prompt()));
  Stop();
}

INSTANTIATE_TEST_SUITE_P(Books, LockedStart,
                         ::testing::Values(StartCase{"SmallBookPassword", 2, Pass::Password},
                                           StartCase{"SmallBookAnswer", 2, Pass::Answer},
                                           StartCase{"LongScanPassword", 80000, Pass::Password}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UnlockedStart, TheMainWindowIsShownOnceAndNothingElse) {
  for (int entries : {0, 80000}) {
    SCOPED_TRACE(std::to_string(entries) + " entries");
    std::filesystem::remove_all(test::DataFolderPath());
    if (entries > 0) MakeBook(Entries(entries));
    ScreenLog log;
    Window1& w = Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !log.painted.empty(); }, 3000));
    QTest::qWait(300);
    EXPECT_EQ(log.shown, std::vector<std::string>{kMain});
    EXPECT_EQ(log.painted, std::vector<std::string>{kMain});
    EXPECT_TRUE(OnScreen(&w));
    EXPECT_EQ(Prompt(), nullptr);
    Stop();
  }
}

}  // namespace
}  // namespace kestrion
