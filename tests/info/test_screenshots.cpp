// Pictures of the windows for the documentation. Not part of the test run:
// docs/make_screenshots.sh runs this case under a virtual X server and names
// the folder to write into in KESTRION_SCREENSHOT_DIR.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "book/Window1.h"
#include "framework/testing/Drivers.h"
#include "info/Window2.h"
#include "info/Window3.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

void Save(fw::Window& w, const std::string& dir, const char* file) {
  fw::testing::ProcessEvents();
  EXPECT_TRUE(fw::testing::SaveScreenshot(w, dir + "/" + file)) << file;
}

TEST(Screenshots, DISABLED_AllWindows) {
  const char* dir = getenv("KESTRION_SCREENSHOT_DIR");
  ASSERT_NE(dir, nullptr) << "set KESTRION_SCREENSHOT_DIR";
  Window1& w = test::StartProgram();

  Save(w, dir, "main-search.png");

  // The list view, as a find with several matches leaves it.
  w.RoundRectangle2().SetVisible(false);
  for (const char* site : {"bank.example.com", "Home router", "mail.example.org", "Office computer", "Shop account"})
    w.Listbox1().AddRow(site);
  w.Listbox1().SetVisible(true);
  w.SetHeight(385);
  Save(w, dir, "main-list.png");

  w.Listbox1().SetVisible(false);
  w.ExpandWindow();
  Save(w, dir, "main-entry.png");
  w.ShrinkWindow();

  ASSERT_TRUE(fw::testing::ChooseMenuItem(w, "AboutHowToUse"));
  Save(Window2::Instance(), dir, "window2-how-to-use.png");
  fw::testing::Click(Window2::Instance().BevelButton1());

  ASSERT_TRUE(fw::testing::ChooseMenuItem(w, "AboutAboutKestrion"));
  Save(Window3::Instance(), dir, "window3-about.png");
  fw::testing::Click(Window3::Instance().BevelButton1());

  test::StopProgram();
}

}  // namespace
}  // namespace kestrion
