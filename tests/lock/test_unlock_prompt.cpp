// "Kestrion is Locked", the prompt of a locked book at start-up: its layout,
// the three tries for the password, the link "I forgot my password" with its
// question, the four tries for the security answer, the key filter of its
// fields, and the ways the program ends from it.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "LockFixture.h"

namespace kestrion {
namespace {

using namespace locktest;
using fw::testing::Key;
using fw::testing::Place;

const Lock kTheLock{"What was the name of your first street? It had a long and winding name.", "Open Sesame", "Elm"};

class UnlockPrompt : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeBook({{"Bank", "me", "b4nk", "", "https://bank.example"}}, kTheLock);
    main_ = &Start();
    p_ = Prompt();
    ASSERT_NE(p_, nullptr);
    fw::testing::ClearShownBoxes();
  }
  void TearDown() override {
    fw::testing::OnBoxShown(nullptr);
    Stop();
  }

  // The state while each message is up: whether the prompt and the book are on screen.
  struct Seen {
    std::string text;
    bool prompt, book;
  };
  std::vector<Seen>& Watch() {
    fw::testing::OnBoxShown([this](const fw::testing::ShownBox& b) { seen_.push_back({b.text, OnScreen(p_), OnScreen(main_)}); });
    return seen_;
  }

  void ExpectTheBookLockedAndForgotten() {
    EXPECT_TRUE(fw::QuitRequested());
    EXPECT_EQ(fw::ExitCode(), 0);
    EXPECT_FALSE(OnScreen(main_));
    EXPECT_EQ(Module1::GatemarkSQ, "");
    EXPECT_EQ(Module1::GatemarkPW, "");
    EXPECT_EQ(Module1::GatemarkSA, "");
    EXPECT_TRUE(StoredLock());
  }

  Window1* main_ = nullptr;
  Window5* p_ = nullptr;
  std::vector<Seen> seen_;
};

TEST_F(UnlockPrompt, ShowsThePasswordRowAndTheLinkAndKeepsTheRestBelowItsEdge) {
  EXPECT_TRUE(OnScreen(p_));
  EXPECT_FALSE(OnScreen(main_));
  EXPECT_EQ(p_->Title(), "Kestrion is Locked");
  EXPECT_EQ(p_->Width(), 310);
  EXPECT_EQ(p_->Height(), 118);
  EXPECT_EQ(fw::testing::ClientHeightOnScreen(*p_), 118);
  EXPECT_FALSE(p_->HasCloseButton());
  EXPECT_TRUE(p_->TextField1().HasFocus());

  struct Expect {
    fw::Control* c;
    Place place;
    std::string text;
    bool seen_at_118;
  };
  const std::vector<Expect> all = {
      {&p_->Label1(), {25, 6, 265, 30}, "Enter Access Password:", true},
      {&p_->TextField1(), {25, 35, 219, 27}, "", true},
      {&p_->Rectangle1(), {75, 80, 164, 18}, "", true},
      {&p_->Label2(), {48, 80, 219, 18}, "I forgot my password", true},
      {&p_->Label3(), {25, 122, 144, 30}, "Security Question:", false},
      {&p_->Label4(), {48, 156, 219, 82}, "", false},
      {&p_->Label5(), {25, 259, 69, 30}, "Answer:", false},
      {&p_->TextField2(), {106, 259, 138, 27}, "", false},
      {&p_->GObutton1(), {248, 35, 42, 27}, "GO", true},
      {&p_->GObutton2(), {248, 259, 42, 27}, "GO", false},
  };
  ASSERT_EQ(p_->Controls().size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    const Expect& e = all[i];
    SCOPED_TRACE(e.c->Name());
    EXPECT_EQ(p_->Controls()[i], e.c) << "made out of order";
    EXPECT_EQ(fw::testing::PlaceOnScreen(*e.c), e.place);
    EXPECT_EQ(fw::testing::IsSeenOnScreen(*e.c), e.seen_at_118);
    if (auto* l = dynamic_cast<fw::Label*>(e.c)) {
      EXPECT_EQ(l->Text(), e.text);
      EXPECT_LE(fw::testing::TextExtentOnScreen(*l).width, e.place.width);
      EXPECT_LE(fw::testing::TextExtentOnScreen(*l).height, e.place.height);
    } else if (auto* b = dynamic_cast<fw::BevelButton*>(e.c)) {
      EXPECT_EQ(b->Caption(), e.text);
    }
  }
  EXPECT_EQ(p_->Label1().TextSize(), 20);
  EXPECT_EQ(p_->Label3().TextSize(), 16);
  EXPECT_EQ(p_->Label5().TextSize(), 16);
  EXPECT_TRUE(p_->TextField1().Password());
  EXPECT_TRUE(p_->TextField2().Password());
  // The pale band behind the link, its darker lower and right edges.
  EXPECT_EQ(fw::testing::ColourOnScreen(p_->Rectangle1(), 5, 9), 0xD9F4FEu);
  EXPECT_EQ(fw::testing::ColourOnScreen(p_->Rectangle1(), 0, 9), 0xD9F4FEu);
  EXPECT_EQ(fw::testing::ColourOnScreen(p_->Rectangle1(), 163, 9), 0xD6F2FFu);
  EXPECT_EQ(fw::testing::ColourOnScreen(p_->Rectangle1(), 80, 17), 0xD6F2FFu);
}

struct Tries {
  const char* name;
  std::vector<std::string> passwords;
  bool passes;
};
void PrintTo(const Tries& t, std::ostream* os) { *os << t.name; }

class PasswordTries : public UnlockPrompt, public ::testing::WithParamInterface<Tries> {};

TEST_P(PasswordTries, TwoMistakesAreForgivenTheThirdEndsTheProgram) {
  const Tries& t = GetParam();
  auto& seen = Watch();
  for (size_t i = 0; i < t.passwords.size(); ++i) {
    SCOPED_TRACE("try " + std::to_string(i + 1));
    fw::testing::TypeText(p_->TextField1(), t.passwords[i]);
    // Return and the GO button check alike.
    if (i % 2 == 0) {
      fw::testing::PressKey(p_->TextField1(), Key::Return);
    } else {
      fw::testing::Click(p_->GObutton1());
    }
    fw::testing::ProcessEvents();
    const bool last = i + 1 == t.passwords.size();
    if (!last) {
      EXPECT_EQ(p_->TextField1().Text(), "");  // emptied
      EXPECT_TRUE(p_->TextField1().HasFocus());
      EXPECT_EQ(Module1::counter, static_cast<int>(i + 1));
    }
  }
  std::vector<std::string> want(t.passwords.size() - 1, kInvalidPassword);
  if (t.passes) {
    EXPECT_EQ(BoxTexts(), want);
    EXPECT_TRUE(OnScreen(main_));
    EXPECT_FALSE(OnScreen(p_));
    EXPECT_FALSE(fw::QuitRequested());
    EXPECT_EQ(Module1::counter, 0);
    EXPECT_EQ(Module1::GatemarkPW, "");
    EXPECT_EQ(Module1::GatemarkSQ, "");
    EXPECT_EQ(Module1::GatemarkSA, "");
    EXPECT_FALSE(Module1::GatemarkRESET);
    EXPECT_TRUE(StoredLock());  // the lock stays for the next start
  } else {
    want.push_back(kPasswordShutDown);
    EXPECT_EQ(BoxTexts(), want);
    // The prompt goes before its last message; the book never shows.
    ASSERT_FALSE(seen.empty());
    EXPECT_FALSE(seen.back().prompt);
    EXPECT_FALSE(seen.back().book);
    ExpectTheBookLockedAndForgotten();
  }
}

INSTANTIATE_TEST_SUITE_P(
    , PasswordTries,
    ::testing::Values(Tries{"RightAtOnce", {"Open Sesame"}, true},
                      Tries{"AnyLetterCase", {"oPEN sESAME"}, true},
                      Tries{"WrongWrongRight", {"open", "", "open sesame"}, true},
                      Tries{"ThreeWrong", {"open", "sesame", "Open Sesame "}, false},
                      Tries{"ThreeEmpty", {"", "", ""}, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnlockPrompt, NoToTheLinkChangesNothingAndTheCountGoesOn) {
  GivePassword("wrong");
  ForgotPassword(kNo);
  EXPECT_EQ(fw::testing::ShownBoxes().back().text, kResetQuestion);
  EXPECT_EQ(fw::testing::ShownBoxes().back().style, 36);
  EXPECT_EQ(p_->Height(), 118);
  EXPECT_TRUE(p_->TextField1().Enabled());
  EXPECT_TRUE(p_->Label2().Enabled());
  EXPECT_EQ(Module1::counter, 1);
  GivePassword("wrong");
  GivePassword("wrong");
  EXPECT_EQ(BoxTexts().back(), kPasswordShutDown);
  ExpectTheBookLockedAndForgotten();
}

TEST_F(UnlockPrompt, ASecondQuickPressOnTheLinkAsksAgain) {
  // No to the first question, then at once a second press on the same spot,
  // which Qt takes for a double-click: it is a press, and the link asks again.
  fw::testing::QueueAnswers({kNo, kYes});
  fw::testing::QueueClick(p_->Label2());
  fw::testing::QueueClick(p_->Label2());
  fw::testing::ProcessEvents();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kResetQuestion, kResetQuestion}));
  EXPECT_EQ(p_->Height(), 309);
  EXPECT_TRUE(p_->TextField2().HasFocus());
}

TEST_F(UnlockPrompt, YesToTheLinkAsksTheSecurityQuestion) {
  GivePassword("wrong");
  GivePassword("wrong");
  ForgotPassword(kYes);
  EXPECT_EQ(p_->Height(), 309);
  EXPECT_EQ(p_->Width(), 310);
  EXPECT_EQ(fw::testing::ClientHeightOnScreen(*p_), 309);
  for (fw::Control* c : std::initializer_list<fw::Control*>{&p_->Label1(), &p_->TextField1(), &p_->GObutton1(), &p_->Label2()})
    EXPECT_FALSE(c->Enabled()) << c->Name();
  for (fw::Control* c : p_->Controls()) EXPECT_TRUE(fw::testing::IsSeenOnScreen(*c)) << c->Name();
  // The question in plain words, wrapped within its place.
  EXPECT_EQ(p_->Label4().Text(), kTheLock.question);
  EXPECT_GT(fw::testing::TextExtentOnScreen(p_->Label4()).height, 20);
  EXPECT_LE(fw::testing::TextExtentOnScreen(p_->Label4()).height, 82);
  EXPECT_TRUE(p_->TextField2().HasFocus());
  EXPECT_EQ(Module1::counter, 0);
  // The link is off: a second click asks nothing.
  const size_t boxes = fw::testing::ShownBoxes().size();
  fw::testing::Click(p_->Label2());
  EXPECT_EQ(fw::testing::ShownBoxes().size(), boxes);
}

TEST_F(UnlockPrompt, ThreeWrongAnswersAreForgivenTheFourthEndsTheProgram) {
  GivePassword("wrong");
  GivePassword("wrong");
  ForgotPassword(kYes);
  fw::testing::ClearShownBoxes();
  auto& seen = Watch();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE("answer " + std::to_string(i + 1));
    fw::testing::TypeText(p_->TextField2(), "oak");
    if (i % 2 == 0) {
      fw::testing::PressKey(p_->TextField2(), Key::Return);
    } else {
      fw::testing::Click(p_->GObutton2());
    }
    fw::testing::ProcessEvents();
    EXPECT_EQ(p_->TextField2().Text(), "");
    if (i < 3) EXPECT_TRUE(p_->TextField2().HasFocus());
  }
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{kInvalidAnswer, kInvalidAnswer, kInvalidAnswer, kAnswerShutDown}));
  // The prompt stays up behind the last message.
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_TRUE(seen.back().prompt);
  EXPECT_FALSE(seen.back().book);
  ExpectTheBookLockedAndForgotten();
}

TEST_F(UnlockPrompt, TheRightAnswerOpensTheBookAndTheLockGoesAtItsActivation) {
  ForgotPassword(kYes);
  GiveAnswer("wrong");
  auto& seen = Watch();
  GiveAnswer("eLM");
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().text, kAnswerAccepted);
  EXPECT_TRUE(seen.back().book);  // shown before the message
  EXPECT_FALSE(seen.back().prompt);
  EXPECT_EQ(Module1::counter, 0);
  EXPECT_EQ(Module1::GatemarkSA, "");
  fw::testing::ProcessEvents();
  EXPECT_FALSE(StoredLock());
  EXPECT_EQ(StoredRows().size(), 1u);  // the entries stay
  EXPECT_FALSE(Module1::GatemarkRESET);
  EXPECT_TRUE(main_->FileLockProgram().AutoEnable());
  EXPECT_FALSE(main_->FileUnLockProgram().AutoEnable());
  EXPECT_FALSE(fw::QuitRequested());
}

TEST_F(UnlockPrompt, FieldsSwallowCharactersFrom128AndTheWindowIgnoresKeys) {
  fw::testing::TypeText(p_->TextField1(), "Op\xC3\xA9n");  // é
  EXPECT_EQ(p_->TextField1().Text(), "Opn");
  ForgotPassword(kYes);
  fw::testing::TypeText(p_->TextField2(), "\xE2\x82\xAC" "E");  // €
  EXPECT_EQ(p_->TextField2().Text(), "E");
  for (const char* key : {"a", "\r", "\x1b", "\xC3\xA9"}) EXPECT_FALSE(p_->Event_KeyDown(key));
  EXPECT_TRUE(BoxTexts().size() == 1);  // only the link's question
}

TEST(UnlockPromptQuit, TheWindowManagersCloseEndsTheRunWithStatusZeroWithoutTheBook) {
  MakeBook({{"Bank", "me", "b4nk", "", ""}}, kTheLock);
  bool book_shown = false;
  const int rc = test::RunProgram([&] {
    ASSERT_TRUE(OnScreen(Prompt()));
    fw::testing::TypeText(Prompt()->TextField1(), "half typed");
    fw::testing::ClickCloseBox(*Prompt());
    book_shown = OnScreen(&Window1::Instance());
  });
  EXPECT_EQ(rc, 0);
  EXPECT_FALSE(book_shown);
  EXPECT_TRUE(StoredLock());
  EXPECT_EQ(Module1::GatemarkPW, "");
}

TEST(UnlockPromptQuit, GivingUpEndsTheRunWithStatusZero) {
  MakeBook({{"Bank", "me", "b4nk", "", ""}}, kTheLock);
  const int rc = test::RunProgram([] {
    for (int i = 0; i < 3; ++i) GivePassword("no");
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(BoxTexts().back(), kPasswordShutDown);
}

}  // namespace
}  // namespace kestrion
