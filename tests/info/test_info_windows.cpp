// The "How To Use..." and "About..." windows, driven from the main window as
// a user does: the About menu, the Help button, their "Close" buttons and
// their close boxes; the music and the donation message that come with a new
// guide window; the one-instance rule; the texts they show.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Text.h"
#include "framework/Window.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "info/Window2.h"
#include "info/Window3.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

using fw::testing::IsOnScreen;
using fw::testing::ShownBoxes;
using fw::testing::SoundEvents;

const std::string kLoad = "load Tamberly Rag.mp3";
const std::string kPlay = "play Tamberly Rag.mp3";
const std::string kStop = "stop Tamberly Rag.mp3";

int Count(const std::string& event) {
  return static_cast<int>(std::count(SoundEvents().begin(), SoundEvents().end(), event));
}

// The live windows, without making one.
Window2* Guide() { return static_cast<Window2*>(fw::GetImplicitWindow("Window2.Window2")); }
Window3* About() { return static_cast<Window3*>(fw::GetImplicitWindow("Window3.Window3")); }
Window1& Main() { return Window1::Instance(); }

template <class W>
int Alive() {
  const auto all = fw::AllWindows();
  return static_cast<int>(std::count_if(all.begin(), all.end(), [](fw::Window* w) { return dynamic_cast<W*>(w); }));
}

std::vector<std::string> Split(const std::string& s, const std::string& sep) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + sep.size())
    parts.push_back(s.substr(from, at - from));
  parts.push_back(s.substr(from));
  return parts;
}

enum class Opener { Menu, Help };
enum class Leaving { CloseButton, CloseBox };
void PrintTo(Opener o, std::ostream* os) { *os << (o == Opener::Menu ? "How To Use" : "Help"); }
void PrintTo(Leaving l, std::ostream* os) { *os << (l == Leaving::CloseButton ? "Close" : "close box"); }

// About > "How To Use..." or the main window's Help button.
void OpenGuide(Opener how) {
  if (how == Opener::Menu) {
    ASSERT_TRUE(fw::testing::ChooseMenuItem(Main(), "AboutHowToUse"));
  } else {
    fw::testing::Click(Main().BevelButton2());
  }
  fw::testing::ProcessEvents();
}

void OpenAbout() {
  ASSERT_TRUE(fw::testing::ChooseMenuItem(Main(), "AboutAboutKestrion"));
  fw::testing::ProcessEvents();
}

// Leaves an information window by its "Close" button or its close box.
void Leave(fw::Window& w, Leaving how) {
  if (how == Leaving::CloseButton) {
    fw::testing::Click(w.Find<fw::BevelButton>("BevelButton1"));
  } else {
    fw::testing::ClickCloseBox(w);
  }
  fw::testing::ProcessEvents();
}

class InfoWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    BeforeStart();
    test::StartProgram();
    fw::testing::ClearShownBoxes();
    fw::testing::ClearLog();
  }
  void TearDown() override {
    fw::testing::OnBoxShown(nullptr);
    test::StopProgram();
  }
  virtual void BeforeStart() {}
};

// --- the guide: music and donation message ----------------------------------

TEST_F(InfoWindows, HowToUseShowsTheGuideThenPlaysTheMusicUnderTheDonationMessage) {
  struct WhileBoxUp {
    bool guide_on_screen, main_on_screen;
    int plays;
  };
  std::vector<WhileBoxUp> seen;
  fw::testing::OnBoxShown([&](const fw::testing::ShownBox&) {
    seen.push_back({Guide() && IsOnScreen(*Guide()), IsOnScreen(Main()), Count(kPlay)});
  });
  OpenGuide(Opener::Menu);

  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(seen[0].guide_on_screen);  // the guide is up before the box
  EXPECT_FALSE(seen[0].main_on_screen);
  EXPECT_EQ(seen[0].plays, 1);  // and the music already plays under it

  ASSERT_EQ(ShownBoxes().size(), 1u);
  const fw::testing::ShownBox& box = ShownBoxes()[0];
  EXPECT_EQ(box.style, 0);  // a plain OK box
  EXPECT_EQ(box.title, "");
  const std::vector<std::string> lines = Split(box.text, "\n\r");
  ASSERT_EQ(lines.size(), 3u) << box.text;
  EXPECT_EQ(lines[0], "If you like Kestrion, please consider donating $5 for future development.");
  const std::string thanks = ".  Thanks for your support!";
  ASSERT_GT(lines[1].size(), thanks.size() + 20);
  EXPECT_EQ(lines[1].substr(lines[1].size() - thanks.size()), thanks);
  EXPECT_EQ(lines[2],
            "P.S.  If you like this music you can download it from iTunes -> SEARCH Tarrowby - Tamberly Rag.  "
            "I also have another song on iTunes ->SEARCH Tarrowby - Wyncote Rag.");
  for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;

  // The music goes on after the box; the guide stays in the main window's place.
  EXPECT_EQ(SoundEvents(), (std::vector<std::string>{kLoad, kPlay}));
  ASSERT_NE(Guide(), nullptr);
  EXPECT_TRUE(IsOnScreen(*Guide()));
  EXPECT_FALSE(IsOnScreen(Main()));
  EXPECT_FALSE(Module1::NoPlay);
}

class GuideOpenedBy : public InfoWindows, public ::testing::WithParamInterface<Opener> {};

TEST_P(GuideOpenedBy, CloseHidesItStopsTheMusicAndTheSameWindowComesBackInSilence) {
  OpenGuide(GetParam());
  Window2* first = Guide();
  ASSERT_NE(first, nullptr);

  Leave(*first, Leaving::CloseButton);
  EXPECT_TRUE(IsOnScreen(Main()));
  EXPECT_FALSE(IsOnScreen(*first));
  EXPECT_EQ(Guide(), first);  // only hidden
  EXPECT_EQ(SoundEvents(), (std::vector<std::string>{kLoad, kPlay, kStop}));

  OpenGuide(GetParam());
  EXPECT_EQ(Guide(), first);
  EXPECT_TRUE(IsOnScreen(*first));
  EXPECT_FALSE(IsOnScreen(Main()));
  // No new window, so no new music and no second message.
  EXPECT_EQ(Count(kPlay), 1);
  EXPECT_EQ(ShownBoxes().size(), 1u);
}

TEST_P(GuideOpenedBy, TheCloseBoxEndsTheWindowAndTheNextOneBringsMusicAndMessageAgain) {
  OpenGuide(GetParam());
  ASSERT_NE(Guide(), nullptr);

  Leave(*Guide(), Leaving::CloseBox);
  EXPECT_TRUE(IsOnScreen(Main()));
  EXPECT_EQ(Guide(), nullptr);
  EXPECT_EQ(Alive<Window2>(), 0);
  EXPECT_EQ(Count(kStop), 1);

  OpenGuide(GetParam());
  ASSERT_NE(Guide(), nullptr);
  EXPECT_TRUE(IsOnScreen(*Guide()));
  EXPECT_FALSE(IsOnScreen(Main()));
  EXPECT_EQ(Count(kPlay), 2);
  EXPECT_EQ(Count(kLoad), 1);  // the music is loaded once a run
  ASSERT_EQ(ShownBoxes().size(), 2u);
  EXPECT_EQ(ShownBoxes()[1].text, ShownBoxes()[0].text);
}

INSTANTIATE_TEST_SUITE_P(, GuideOpenedBy, ::testing::Values(Opener::Menu, Opener::Help),
                         [](const auto& info) { return info.param == Opener::Menu ? "Menu" : "Help"; });

// How To Use clears NoPlay before it asks for the window; Help leaves it.
struct NoPlayCase {
  const char* name;
  bool no_play;
  Opener how;
  bool music;  // and the donation message
  bool no_play_after;
};

void PrintTo(const NoPlayCase& c, std::ostream* os) { *os << c.name; }

class NewGuideWithNoPlay : public InfoWindows, public ::testing::WithParamInterface<NoPlayCase> {};

TEST_P(NewGuideWithNoPlay, PlaysAndAsksOnlyWhenNoPlayIsClearAtCreation) {
  const NoPlayCase& c = GetParam();
  Module1::NoPlay = c.no_play;
  OpenGuide(c.how);

  ASSERT_NE(Guide(), nullptr);
  EXPECT_TRUE(IsOnScreen(*Guide()));  // shown either way
  EXPECT_FALSE(IsOnScreen(Main()));
  EXPECT_EQ(Count(kPlay), c.music ? 1 : 0);
  EXPECT_EQ(ShownBoxes().size(), c.music ? 1u : 0u);
  EXPECT_EQ(Module1::NoPlay, c.no_play_after);
}

INSTANTIATE_TEST_SUITE_P(, NewGuideWithNoPlay,
                         ::testing::Values(NoPlayCase{"MenuNoPlayClear", false, Opener::Menu, true, false},
                                           NoPlayCase{"MenuNoPlaySet", true, Opener::Menu, true, false},
                                           NoPlayCase{"HelpNoPlayClear", false, Opener::Help, true, false},
                                           NoPlayCase{"HelpNoPlaySet", true, Opener::Help, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InfoWindows, AGuideMadeWhileNoPlayIsSetIsHiddenAndSilentAndStaysSo) {
  // As "Lock Program..." asks for it: NoPlay set, the window requested directly.
  Module1::NoPlay = true;
  Window2& w = Window2::Instance();
  fw::testing::ProcessEvents();
  EXPECT_FALSE(IsOnScreen(w));
  EXPECT_TRUE(IsOnScreen(Main()));
  EXPECT_TRUE(SoundEvents().empty());
  EXPECT_TRUE(ShownBoxes().empty());

  // How To Use clears NoPlay, but the window exists already: shown in silence.
  OpenGuide(Opener::Menu);
  EXPECT_EQ(Guide(), &w);
  EXPECT_TRUE(IsOnScreen(w));
  EXPECT_FALSE(Module1::NoPlay);
  EXPECT_EQ(Count(kPlay), 0);
  EXPECT_TRUE(ShownBoxes().empty());
}

class GuideLeftBy : public InfoWindows, public ::testing::WithParamInterface<Leaving> {};

TEST_P(GuideLeftBy, LeavingASilentGuideStillShowsTheMainWindowAndStopsTheMusic) {
  Module1::NoPlay = true;
  OpenGuide(Opener::Help);
  ASSERT_NE(Guide(), nullptr);
  Window2* w = Guide();
  Leave(*w, GetParam());
  EXPECT_TRUE(IsOnScreen(Main()));
  EXPECT_EQ(Count(kPlay), 0);
  EXPECT_EQ(Count(kStop), 1);  // stopping music that never started is harmless
  if (GetParam() == Leaving::CloseButton) {
    EXPECT_EQ(Guide(), w);
    EXPECT_FALSE(IsOnScreen(*w));
  } else {
    EXPECT_EQ(Guide(), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(, GuideLeftBy, ::testing::Values(Leaving::CloseButton, Leaving::CloseBox),
                         [](const auto& info) { return info.param == Leaving::CloseButton ? "Close" : "CloseBox"; });

// --- the guide without its music file ------------------------------------------

class WithoutMusicFile : public InfoWindows {
 protected:
  void BeforeStart() override {
    char tmpl[] = "/tmp/kestrion-no-resources-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    folder_ = tmpl;
    fw::testing::SetBundleResourcesPath(folder_);
  }
  void TearDown() override {
    InfoWindows::TearDown();
    fw::testing::SetBundleResourcesPath("");
    rmdir(folder_.c_str());
  }
  std::string folder_;
};

TEST_F(WithoutMusicFile, TheGuideOpensHidesAndClosesAsUsualInSilence) {
  OpenGuide(Opener::Menu);
  ASSERT_NE(Guide(), nullptr);
  Window2* first = Guide();
  EXPECT_TRUE(IsOnScreen(*first));
  EXPECT_FALSE(IsOnScreen(Main()));
  EXPECT_EQ(ShownBoxes().size(), 1u);  // the message does not depend on the music

  Leave(*first, Leaving::CloseButton);
  EXPECT_TRUE(IsOnScreen(Main()));
  EXPECT_FALSE(IsOnScreen(*first));

  OpenGuide(Opener::Help);
  EXPECT_EQ(Guide(), first);
  EXPECT_TRUE(IsOnScreen(*first));
  Leave(*first, Leaving::CloseBox);
  EXPECT_TRUE(IsOnScreen(Main()));
  EXPECT_EQ(Guide(), nullptr);

  OpenGuide(Opener::Menu);
  ASSERT_NE(Guide(), nullptr);
  EXPECT_TRUE(IsOnScreen(*Guide()));
  EXPECT_EQ(ShownBoxes().size(), 2u);
  EXPECT_TRUE(SoundEvents().empty());  // nothing loaded, played or stopped
}

// --- the About window -----------------------------------------------------------

class AboutLeftBy : public InfoWindows, public ::testing::WithParamInterface<Leaving> {};

TEST_P(AboutLeftBy, StandsInForTheMainWindowUntilLeft) {
  OpenAbout();
  Window3* first = About();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(IsOnScreen(*first));
  EXPECT_FALSE(IsOnScreen(Main()));
  EXPECT_EQ(Guide(), nullptr);
  EXPECT_TRUE(ShownBoxes().empty());
  EXPECT_TRUE(SoundEvents().empty());

  Leave(*first, GetParam());
  EXPECT_TRUE(IsOnScreen(Main()));
  const bool kept = GetParam() == Leaving::CloseButton;
  if (kept) {
    EXPECT_EQ(About(), first);
    EXPECT_FALSE(IsOnScreen(*first));
  } else {
    EXPECT_EQ(About(), nullptr);
    EXPECT_EQ(Alive<Window3>(), 0);
  }

  OpenAbout();
  ASSERT_NE(About(), nullptr);
  if (kept) EXPECT_EQ(About(), first);
  EXPECT_TRUE(IsOnScreen(*About()));
  EXPECT_FALSE(IsOnScreen(Main()));
  EXPECT_EQ(Alive<Window3>(), 1);
}

INSTANTIATE_TEST_SUITE_P(, AboutLeftBy, ::testing::Values(Leaving::CloseButton, Leaving::CloseBox),
                         [](const auto& info) { return info.param == Leaving::CloseButton ? "Close" : "CloseBox"; });

// --- one window of each class, one of them in front -------------------------------

TEST_F(InfoWindows, EachWindowClassHasAtMostOneInstanceAndOneWindowIsUpAtATime) {
  enum class Up { Main, Guide, About };
  struct Step {
    const char* what;
    void (*act)();
    Up up;
  };
  const Step steps[] = {
      {"How To Use", [] { OpenGuide(Opener::Menu); }, Up::Guide},
      {"guide Close", [] { Leave(*Guide(), Leaving::CloseButton); }, Up::Main},
      {"Help", [] { OpenGuide(Opener::Help); }, Up::Guide},
      {"guide close box", [] { Leave(*Guide(), Leaving::CloseBox); }, Up::Main},
      {"Help", [] { OpenGuide(Opener::Help); }, Up::Guide},
      {"guide Close", [] { Leave(*Guide(), Leaving::CloseButton); }, Up::Main},
      {"About", [] { OpenAbout(); }, Up::About},
      {"about Close", [] { Leave(*About(), Leaving::CloseButton); }, Up::Main},
      {"How To Use", [] { OpenGuide(Opener::Menu); }, Up::Guide},
      {"guide Close", [] { Leave(*Guide(), Leaving::CloseButton); }, Up::Main},
      {"About", [] { OpenAbout(); }, Up::About},
      {"about close box", [] { Leave(*About(), Leaving::CloseBox); }, Up::Main},
      {"About", [] { OpenAbout(); }, Up::About},
      {"about Close", [] { Leave(*About(), Leaving::CloseButton); }, Up::Main},
      {"How To Use", [] { OpenGuide(Opener::Menu); }, Up::Guide},
      {"guide close box", [] { Leave(*Guide(), Leaving::CloseBox); }, Up::Main},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act();
    EXPECT_EQ(Alive<Window1>(), 1);
    EXPECT_LE(Alive<Window2>(), 1);
    EXPECT_LE(Alive<Window3>(), 1);
    EXPECT_EQ(IsOnScreen(Main()), s.up == Up::Main);
    EXPECT_EQ(Guide() && IsOnScreen(*Guide()), s.up == Up::Guide);
    EXPECT_EQ(About() && IsOnScreen(*About()), s.up == Up::About);
  }
  // Two new guides, the first and the one after the first close box: music
  // and message twice.
  EXPECT_EQ(Count(kPlay), 2);
  EXPECT_EQ(ShownBoxes().size(), 2u);
}

// --- the texts --------------------------------------------------------------------

TEST_F(InfoWindows, TheGuideShowsItsTenParagraphs) {
  Module1::NoPlay = true;
  Window2& w = Window2::Instance();
  EXPECT_EQ(w.Title(), "How To Use...");
  EXPECT_EQ(w.Label1().Text(), "How To Use Kestrion");
  EXPECT_EQ(w.BevelButton1().Caption(), "Close");

  const std::string text = w.Label2().Text();
  EXPECT_EQ(fw::Len(text), 1185);
  EXPECT_EQ(text.find('\n'), std::string::npos);
  EXPECT_NE(text.back(), '\r');
  const std::vector<std::string> want = {
      "Kestrion was designed to be simple and intuitive.",
      "To add a new password, just press ADD NEW.",
      "To find a password you have added, enter part of a keyword of the SITE/SYSTEM or NOTE field and press "
      "ENTER or FIND.  To select from an alphabetical list of all passwords choose SELECT ALL from the FILE menu.",
      "The password will be displayed in a hidden format.  When the password is displayed, it is automatically "
      "copied to the computer's clipboard so you can paste it where you desire.  At this point you can press "
      "SHOW if you want to see the password. ",
      "If you want to edit the password, just change the text and press UPDATE.",
      "If you want to delete the password, press DELETE.",
      "If you press the LAUNCH button next the WEB ADDRESS field your web browser will start and display the web "
      "page where you will be able to paste your password to enter the web site.",
      "To start over and search for a different password, press HOME, hit the ESC key or mouse click the SEARCH "
      "field.",
      "You can export all passwords to the clipboard by selecting EXPORT ALL from the FILE menu. (You might want "
      "to export them to an iphone/itouch/ipad note so you will have them on the go)",
      "That's it!  Simple but useful!",
  };
  EXPECT_EQ(Split(text, "\r\r"), want);
}

TEST_F(InfoWindows, TheAboutTextHasFiveParagraphsAndEndsWithOneLineEnd) {
  Window3& w = Window3::Instance();
  EXPECT_EQ(w.Title(), "About...");
  EXPECT_EQ(w.Label1().Text(), "About Kestrion");
  EXPECT_EQ(w.BevelButton1().Caption(), "Close");

  std::string text = w.Label2().Text();
  EXPECT_EQ(text.find('\n'), std::string::npos);
  ASSERT_GE(text.size(), 2u);
  ASSERT_EQ(text.back(), '\r');
  EXPECT_NE(text[text.size() - 2], '\r');  // one line end, not a paragraph break
  text.pop_back();

  const std::vector<std::string> p = Split(text, "\r\r");
  ASSERT_EQ(p.size(), 5u) << text;
  for (const std::string& paragraph : p) EXPECT_EQ(paragraph.find('\r'), std::string::npos) << paragraph;
  EXPECT_EQ(p[0].rfind("Kestrion V1.2", 0), 0u);
  EXPECT_GT(p[0].size(), std::string("Kestrion V1.2").size());  // with its notice
  EXPECT_EQ(p[1],
            "Kestrion was programmed by Tarrowby.  Special thanks to Corlaine for reviewing the program and making "
            "suggestions.");
  EXPECT_EQ(p[2], "You can contact the author with suggestions for improvements at:");
  // An address: one word with an @ and a dot after it.
  EXPECT_EQ(p[3].find(' '), std::string::npos);
  const size_t at = p[3].find('@');
  ASSERT_NE(at, std::string::npos);
  EXPECT_GT(at, 0u);
  EXPECT_NE(p[3].find('.', at), std::string::npos);
  EXPECT_EQ(p[4], "Thanks, all feedback is appreciated.");
}

}  // namespace
}  // namespace kestrion
