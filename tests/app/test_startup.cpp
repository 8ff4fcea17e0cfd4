// A whole run: start-up in its order, the globals' start values, the end.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/MenuBar1.h"
#include "app/Module1.h"
#include "app/Startup.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

TEST(Startup, RunsItsStepsInOrder) {
  // Globals left over from anything earlier in the process are reset by a new run.
  Module1::counter = 7;
  Module1::NoPlay = true;
  Module1::GatemarkPW = "left over";
  Window1& w = test::StartProgram();
  const std::vector<std::string> want = {"App",           "MenuBar1",      "RegisterApp", "Window1.Layout",
                                         "Window1.CreateControls", "Window1"};
  EXPECT_EQ(StartupTrace(), want);
  ASSERT_NE(fw::App(), nullptr);
  EXPECT_EQ(fw::App()->GetMenuBar(), &MenuBar1::Instance());
  EXPECT_EQ(w.GetMenuBar(), &MenuBar1::Instance());
  EXPECT_EQ(fw::AllWindows().size(), 1u);
  EXPECT_EQ(&Window1::Instance(), &w);
  EXPECT_TRUE(fw::testing::IsOnScreen(w));
  EXPECT_NE(w.PassDataBase, nullptr);

  EXPECT_EQ(Module1::UpdateSiteString, "");
  EXPECT_EQ(Module1::GatemarkSQ, "");
  EXPECT_EQ(Module1::GatemarkPW, "");
  EXPECT_EQ(Module1::GatemarkSA, "");
  EXPECT_EQ(Module1::ClearClipBoard, 0);
  EXPECT_FALSE(Module1::GatemarkRESET);
  EXPECT_FALSE(Module1::NoPlay);
  EXPECT_FALSE(Module1::GatemarkCreate);
  EXPECT_EQ(Module1::counter, 0);
  EXPECT_EQ(test::StopProgram(), 0);
}

TEST(Startup, ClosingTheMainWindowEndsTheRunWithStatusZero) {
  bool drove = false;
  const int rc = test::RunProgram([&] {
    drove = true;
    fw::testing::ClickCloseBox(Window1::Instance());
  });
  EXPECT_TRUE(drove);
  EXPECT_EQ(rc, 0);
  // Shut-down released the windows, the menu bar and the strings.
  EXPECT_TRUE(fw::AllWindows().empty());
  EXPECT_EQ(Module1::UpdateSiteString, "");
}

TEST(Startup, AnUncaughtErrorIsReportedAndTheRunEndsCleanly) {
  fw::testing::ClearShownBoxes();
  const int rc = test::RunProgram([] { throw std::runtime_error("the disk went away"); });
  ASSERT_FALSE(fw::testing::ShownBoxes().empty());
  EXPECT_NE(fw::testing::ShownBoxes().back().text.find("the disk went away"), std::string::npos);
  EXPECT_EQ(rc, 1);
  EXPECT_TRUE(fw::AllWindows().empty());
}

}  // namespace
}  // namespace kestrion
