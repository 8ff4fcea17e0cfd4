// How the information windows are laid out on screen: a fixed window of the
// given size, the panel, the title and the text where they belong, the text
// not cut off and ending above the "Close" button, which sits inside the
// text's place; and the application font, which lets the main window's
// heading fit its label.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Controls.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"
#include "info/Window2.h"
#include "info/Window3.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

using fw::testing::Place;

}  // namespace
}  // namespace kestrion

namespace fw::testing {
void PrintTo(const Place& p, std::ostream* os) {
  *os << p.left << "," << p.top << " " << p.width << "x" << p.height;
}
}  // namespace fw::testing

namespace kestrion {
namespace {

struct LayoutCase {
  const char* name;
  std::function<fw::Window&()> make;
  int width, height;
  Place panel, title, text, button;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class InfoLayout : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override {
    test::StartProgram();
    Module1::NoPlay = true;  // the guide made in silence
  }
  void TearDown() override { test::StopProgram(); }
};

TEST_P(InfoLayout, EverythingStandsInItsPlaceAndTheTextFits) {
  const LayoutCase& c = GetParam();
  fw::Window& w = c.make();
  EXPECT_FALSE(fw::testing::IsOnScreen(w));  // made hidden
  EXPECT_TRUE(w.HasCloseButton());
  w.Show();
  fw::testing::ProcessEvents();

  EXPECT_EQ(w.Width(), c.width);
  EXPECT_EQ(w.Height(), c.height);
  EXPECT_EQ(fw::testing::ClientHeightOnScreen(w), c.height);

  auto& panel = w.Find<fw::RoundRectangle>("RoundRectangle1");
  auto& title = w.Find<fw::Label>("Label1");
  auto& text = w.Find<fw::Label>("Label2");
  auto& button = w.Find<fw::BevelButton>("BevelButton1");
  EXPECT_EQ(fw::testing::PlaceOnScreen(panel), c.panel);
  EXPECT_EQ(fw::testing::PlaceOnScreen(title), c.title);
  EXPECT_EQ(fw::testing::PlaceOnScreen(text), c.text);
  // The button belongs to the text, yet its place is given in the window.
  EXPECT_EQ(fw::testing::PlaceOnScreen(button), c.button);
  for (fw::Control* ctl : std::initializer_list<fw::Control*>{&panel, &title, &text, &button})
    EXPECT_TRUE(fw::testing::IsSeenOnScreen(*ctl)) << ctl->Name();

  const auto title_extent = fw::testing::TextExtentOnScreen(title);
  EXPECT_LE(title_extent.width, c.title.width);
  EXPECT_LE(title_extent.height, c.title.height);
  // The wrapped text ends above the button, so the two never overlap.
  const auto text_extent = fw::testing::TextExtentOnScreen(text);
  EXPECT_LE(text_extent.width, c.text.width);
  EXPECT_LE(c.text.top + text_extent.height, c.button.top);
  const auto caption = fw::testing::TextExtentOnScreen(button);
  EXPECT_LE(caption.width + 8, c.button.width);
  EXPECT_LE(caption.height, c.button.height);
}

INSTANTIATE_TEST_SUITE_P(
    , InfoLayout,
    ::testing::Values(
        LayoutCase{"HowToUse", []() -> fw::Window& { return Window2::Instance(); }, 385, 559,
                   {5, 5, 375, 549}, {78, 15, 230, 24}, {12, 48, 363, 500}, {317, 517, 48, 22}},
        LayoutCase{"About", []() -> fw::Window& { return Window3::Instance(); }, 389, 254,
                   {6, 6, 375, 242}, {79, 16, 230, 24}, {13, 50, 363, 184}, {321, 212, 48, 22}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ApplicationFont, TheMainWindowsSearchRowFitsItsPlaces) {
  Window1& w = test::StartProgram();
  const auto heading = fw::testing::TextExtentOnScreen(w.Label1());
  EXPECT_LE(heading.width, w.Label1().Width()) << "the heading is cut off";
  for (fw::BevelButton* b : {&w.FindButton(), &w.AddNewPassword(), &w.BevelButton2()}) {
    const auto caption = fw::testing::TextExtentOnScreen(*b);
    EXPECT_LE(caption.width + 8, b->Width()) << b->Caption();
  }
  test::StopProgram();
}

}  // namespace
}  // namespace kestrion
