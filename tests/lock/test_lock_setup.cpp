// "Kestrion Program Lock", the set-up window of File > "Lock Program...": its
// layout and texts, its key filters, the checks of "Lock Program Now", what
// it stores (never a text the codec would alter), and its "Cancel" and close
// box.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "LockFixture.h"
#include "framework/Clipboard.h"

namespace kestrion {
namespace {

using namespace locktest;
using fw::testing::Place;

class LockSetUp : public ::testing::Test {
 protected:
  void SetUp() override {
    main_ = &Start();
    ASSERT_TRUE(fw::testing::ChooseMenuItem(*main_, "FileLockProgram"));
    w_ = SetUpWindow();
    ASSERT_NE(w_, nullptr);
  }
  void TearDown() override { Stop(); }

  void Fill(const std::string& pw1, const std::string& pw2, const std::string& q, const std::string& a) {
    fw::testing::TypeText(w_->GatemarkText1(), pw1);
    fw::testing::TypeText(w_->GatemarkText2(), pw2);
    fw::testing::TypeText(w_->SecurityQtext(), q);
    fw::testing::TypeText(w_->SecurityAtext(), a);
  }
  void LockNow() {
    fw::testing::Click(w_->LockProgramNow());
    fw::testing::ProcessEvents();
  }

  Window1* main_ = nullptr;
  Window4* w_ = nullptr;
};

TEST_F(LockSetUp, EveryControlStandsInItsPlaceWithItsText) {
  EXPECT_EQ(w_->Title(), "Kestrion Program Lock");
  EXPECT_EQ(w_->Width(), 607);
  EXPECT_EQ(w_->Height(), 364);
  EXPECT_EQ(fw::testing::ClientHeightOnScreen(*w_), 364);
  EXPECT_TRUE(w_->HasCloseButton());
  EXPECT_TRUE(OnScreen(w_));

  struct Expect {
    fw::Control* c;
    Place place;
    std::string text;
  };
  const std::vector<Expect> all = {
      {&w_->Label1(), {18, 15, 570, 85},
       "Create and confirm your password below to create a program lock.  If you create a program lock, you will "
       "be required to enter this password every time you start Kestrion.  This would be necessary if you are "
       "using Kestrion on a multi-user computer so other users would not be able to access your passwords.  DO "
       "NOT FORGET YOUR PROGRAM LOCK because it will be the only way to access your passwords in the future."},
      {&w_->Label2(), {101, 114, 252, 20}, "Enter Your Kestrion Program Lock:"},
      {&w_->Label3(), {102, 146, 251, 20}, "Confirm Your Kestrion Program Lock:"},
      {&w_->GatemarkText1(), {356, 112, 150, 22}, ""},
      {&w_->GatemarkText2(), {356, 144, 150, 22}, ""},
      {&w_->Label4(), {18, 178, 570, 68},
       "Create and Enter your own custom security question below which will be used to reset your password if "
       "your program lock is fogotten:  (for example, \"What is Your Mother's Maiden Name?\") :"},
      {&w_->SecurityQtext(), {18, 236, 570, 22}, ""},
      {&w_->Label5(), {18, 276, 311, 20}, "Enter the answer to your security question here:"},
      {&w_->SecurityAtext(), {341, 274, 247, 22}, ""},
      {&w_->LockProgramNow(), {449, 324, 139, 20}, "Lock Program Now"},
      {&w_->CancelWindow4(), {18, 324, 80, 20}, "Cancel"},
  };
  ASSERT_EQ(w_->Controls().size(), all.size());
  for (size_t i = 0; i < all.size(); ++i) {
    const Expect& e = all[i];
    SCOPED_TRACE(e.c->Name());
    EXPECT_EQ(w_->Controls()[i], e.c) << "made out of order";
    EXPECT_EQ(fw::testing::PlaceOnScreen(*e.c), e.place);
    EXPECT_TRUE(fw::testing::IsSeenOnScreen(*e.c));
    std::string text;
    if (auto* l = dynamic_cast<fw::Label*>(e.c)) {
      text = l->Text();
      // The words fit their place, wrapped or on one line.
      const auto room = fw::testing::TextExtentOnScreen(*l);
      EXPECT_LE(room.width, e.place.width);
      EXPECT_LE(room.height, e.place.height);
    } else if (auto* f = dynamic_cast<fw::TextField*>(e.c)) {
      text = f->Text();
    } else if (auto* b = dynamic_cast<fw::PushButton*>(e.c)) {
      text = b->Caption();
      EXPECT_LE(fw::testing::TextExtentOnScreen(*b).width + 8, e.place.width);
    }
    EXPECT_EQ(text, e.text);
  }
  // The two password fields mask what is typed; question and answer show it.
  EXPECT_TRUE(w_->GatemarkText1().Password());
  EXPECT_TRUE(w_->GatemarkText2().Password());
  EXPECT_FALSE(w_->SecurityQtext().Password());
  EXPECT_FALSE(w_->SecurityAtext().Password());
}

TEST_F(LockSetUp, FieldsTakeOnlyCharactersBelow128AndReturnLocksNothing) {
  fw::TextField* fields[] = {&w_->GatemarkText1(), &w_->GatemarkText2(), &w_->SecurityQtext(), &w_->SecurityAtext()};
  for (fw::TextField* f : fields) {
    fw::testing::TypeText(*f, "a\xC3\xA9z\xE2\x82\xAC!");  // a é z € !
    EXPECT_EQ(f->Text(), "az!") << f->Name();
    // Return and Tab pass; Return presses no button here.
    fw::testing::PressKey(*f, fw::testing::Key::Return);
  }
  EXPECT_TRUE(BoxTexts().empty());
  EXPECT_FALSE(StoredLock());
  // Tab goes through the fields in the order of the table.
  fw::testing::PressKey(w_->GatemarkText1(), fw::testing::Key::Tab);
  EXPECT_TRUE(w_->GatemarkText2().HasFocus());
  fw::testing::PressKey(w_->GatemarkText2(), fw::testing::Key::Tab);
  EXPECT_TRUE(w_->SecurityQtext().HasFocus());
  fw::testing::PressKey(w_->SecurityQtext(), fw::testing::Key::Tab);
  EXPECT_TRUE(w_->SecurityAtext().HasFocus());
}

struct Refused {
  const char* name;
  std::string pw1, pw2, q, a;
  const std::string* message;
};
void PrintTo(const Refused& r, std::ostream* os) { *os << r.name; }

class SetUpRefuses : public LockSetUp, public ::testing::WithParamInterface<Refused> {};

TEST_P(SetUpRefuses, SaysWhyAndStoresNothing) {
  const Refused& r = GetParam();
  Fill(r.pw1, r.pw2, r.q, r.a);
  w_->SecurityAtext().SetFocus();
  LockNow();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{*r.message});
  EXPECT_FALSE(StoredLock());
  EXPECT_TRUE(StoredRows().empty());
  EXPECT_TRUE(OnScreen(w_));
  // The fields keep what was typed; a mismatch sends the user to the first password.
  EXPECT_EQ(w_->GatemarkText1().Text(), r.pw1);
  EXPECT_EQ(w_->SecurityAtext().Text(), r.a);
  if (r.message == &kNoMatch) EXPECT_TRUE(w_->GatemarkText1().HasFocus());
  EXPECT_TRUE(main_->FileLockProgram().AutoEnable());
  EXPECT_EQ(Module1::GatemarkPW, "");
}

INSTANTIATE_TEST_SUITE_P(
    , SetUpRefuses,
    ::testing::Values(Refused{"AllEmpty", "", "", "", "", &kAllFields},
                      Refused{"NoPassword", "", "pw", "Q", "A", &kAllFields},
                      Refused{"PasswordOfBlanks", "   ", "   ", "Q", "A", &kAllFields},
                      Refused{"NoConfirmation", "pw", "", "Q", "A", &kAllFields},
                      Refused{"NoQuestion", "pw", "pw", "", "A", &kAllFields},
                      Refused{"NoAnswer", "pw", "pw", "Q", "", &kAllFields},
                      Refused{"TrailingBlank", "pw", "pw ", "Q", "A", &kNoMatch},
                      Refused{"Different", "pw1", "pw2", "Q", "A", &kNoMatch}),
    [](const auto& info) { return std::string(info.param.name); });

// --- what the codec cannot store --------------------------------------------

enum class Way { Pasted, InputMethod };
struct Unstorable {
  const char* name;
  const char* field;  // the field the text goes into; both passwords for a password
  Way way;
  std::string text;
  const char* label;
  std::string described;  // "" when the message must not show the character
};
void PrintTo(const Unstorable& c, std::ostream* os) { *os << c.name; }

const Unstorable kUnstorable[] = {
    {"AccentPastedIntoThePassword", "GatemarkText1", Way::Pasted, "p\xC3\xA4ss", "Enter Your Kestrion Program Lock",
     ""},
    {"TabPastedAfterThePassword", "GatemarkText1", Way::Pasted, "pass\t", "Enter Your Kestrion Program Lock", ""},
    {"AccentComposedIntoTheQuestion", "SecurityQtext", Way::InputMethod, "Caf\xC3\xA9?", "Security Question",
     "the character \"\xC3\xA9\" (U+00E9)"},
    {"NoBreakSpacePastedIntoTheAnswer", "SecurityAtext", Way::Pasted, "Elm\xC2\xA0Street",
     "Enter the answer to your security question here", "(U+00A0)"},
    {"NoBreakSpacePastedAfterTheAnswer", "SecurityAtext", Way::Pasted, "Elm\xC2\xA0",
     "Enter the answer to your security question here", "(U+00A0)"},
};

class SetUpCannotStore : public LockSetUp, public ::testing::WithParamInterface<Unstorable> {
 protected:
  void Put(fw::TextField& f, const Unstorable& c) {
    f.SetText("");
    if (c.way == Way::Pasted) {
      fw::testing::MoveFocusTo(f);
      fw::Clipboard().SetText(c.text);
      fw::testing::PressShortcut(*w_, 'v');
    } else {
      fw::testing::CommitInputMethodText(f, c.text);
    }
    ASSERT_EQ(f.Text(), c.text) << "the text reached the field";
  }
};

TEST_P(SetUpCannotStore, RefusesTheLockNamingTheField) {
  const Unstorable& c = GetParam();
  Fill("pass", "pass", "Street?", "Elm");
  fw::TextField& field = w_->Find<fw::TextField>(c.field);
  Put(field, c);
  if (field.Name() == "GatemarkText1") Put(w_->GatemarkText2(), c);
  w_->CancelWindow4().SetFocus();
  const std::vector<std::string> typed = {w_->GatemarkText1().Text(), w_->GatemarkText2().Text(),
                                          w_->SecurityQtext().Text(), w_->SecurityAtext().Text()};
  LockNow();

  ASSERT_EQ(BoxTexts().size(), 1u);
  const std::string box = BoxTexts()[0];
  EXPECT_EQ(box.rfind(std::string("The field \"") + c.label + "\" holds ", 0), 0u) << box;
  if (c.described.empty()) {
    EXPECT_EQ(box.find(c.text), std::string::npos) << "a password's character is not shown: " << box;
  } else {
    EXPECT_NE(box.find(c.described), std::string::npos) << box;
  }
  EXPECT_NE(box.find("the program lock was not created"), std::string::npos) << box;
  // Nothing written, nothing switched; the window stays with what was typed.
  EXPECT_TRUE(StoredRows().empty());
  EXPECT_TRUE(main_->FileLockProgram().AutoEnable());
  EXPECT_EQ(Module1::GatemarkPW, "");
  EXPECT_FALSE(Module1::GatemarkCreate);
  ASSERT_EQ(SetUpWindow(), w_);
  EXPECT_TRUE(OnScreen(w_));
  EXPECT_EQ((std::vector<std::string>{w_->GatemarkText1().Text(), w_->GatemarkText2().Text(),
                                      w_->SecurityQtext().Text(), w_->SecurityAtext().Text()}),
            typed);
  EXPECT_TRUE(field.HasFocus());
}

INSTANTIATE_TEST_SUITE_P(Characters, SetUpCannotStore, ::testing::ValuesIn(kUnstorable),
                         [](const ::testing::TestParamInfo<Unstorable>& i) { return std::string(i.param.name); });

TEST(SetUpCannotStoreThenStores, ThePasswordMadeGoodLocksAndOpensTheBookNextTime) {
  Window1& main = Start();
  ASSERT_TRUE(fw::testing::ChooseMenuItem(main, "FileLockProgram"));
  Window4& w = *SetUpWindow();
  for (fw::TextField* f : {&w.GatemarkText1(), &w.GatemarkText2()}) {
    fw::testing::MoveFocusTo(*f);
    fw::Clipboard().SetText("p\xC3\xA4ss");
    fw::testing::PressShortcut(w, 'v');
  }
  fw::testing::TypeText(w.SecurityQtext(), "Street?");
  fw::testing::TypeText(w.SecurityAtext(), "Elm");
  fw::testing::Click(w.LockProgramNow());
  ASSERT_EQ(BoxTexts().size(), 1u);
  EXPECT_FALSE(StoredLock());
  // The user types it again, as the codec can keep it.
  for (fw::TextField* f : {&w.GatemarkText1(), &w.GatemarkText2()}) {
    f->SetText("");
    fw::testing::TypeText(*f, "pass");
  }
  fw::testing::ClearShownBoxes();
  fw::testing::Click(w.LockProgramNow());
  fw::testing::ProcessEvents();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kLocked});
  Stop();
  Start();
  GivePassword("pass");
  EXPECT_TRUE(OnScreen(&Window1::Instance()));
  Stop();
}

TEST_F(LockSetUp, LockProgramNowStoresTheTrimmedLockAndClosesTheWindow) {
  // The confirmation may differ in letter case; blanks around are dropped.
  Fill("  My Secret ", "  mY sECRET ", "  First school?  ", " Elm Street ");
  LockNow();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kLocked});
  auto lock = StoredLock();
  ASSERT_TRUE(lock);
  EXPECT_EQ(lock->password, "My Secret");  // as typed first
  EXPECT_EQ(lock->user, "First school?");
  EXPECT_EQ(lock->notes, "Elm Street");
  EXPECT_FALSE(Module1::GatemarkCreate);
  EXPECT_FALSE(main_->FileLockProgram().AutoEnable());
  EXPECT_TRUE(main_->FileUnLockProgram().AutoEnable());
  // Closed, not hidden; the book is shown.
  EXPECT_EQ(SetUpWindow(), nullptr);
  EXPECT_TRUE(OnScreen(main_));
}

TEST_F(LockSetUp, AQuestionAndAnswerOfBlanksAreStoredEmpty) {
  Fill("pw", "pw", "   ", "  ");
  LockNow();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{kLocked});
  auto lock = StoredLock();
  ASSERT_TRUE(lock);
  EXPECT_EQ(lock->user, "");
  EXPECT_EQ(lock->notes, "");
}

TEST_F(LockSetUp, CancelEmptiesTheFieldsAndTheSameWindowComesBack) {
  main_->SetVisible(false);
  Fill("pw", "pw", "Q", "A");
  fw::testing::Click(w_->CancelWindow4());
  fw::testing::ProcessEvents();
  EXPECT_FALSE(OnScreen(w_));
  EXPECT_TRUE(OnScreen(main_));
  EXPECT_FALSE(StoredLock());
  EXPECT_TRUE(BoxTexts().empty());

  ASSERT_TRUE(fw::testing::ChooseMenuItem(*main_, "FileLockProgram"));
  fw::testing::ProcessEvents();
  EXPECT_EQ(SetUpWindow(), w_);
  EXPECT_TRUE(OnScreen(w_));
  for (fw::TextField* f : {&w_->GatemarkText1(), &w_->GatemarkText2(), &w_->SecurityQtext(), &w_->SecurityAtext()})
    EXPECT_EQ(f->Text(), "") << f->Name();
  EXPECT_TRUE(w_->GatemarkText1().HasFocus());
}

TEST_F(LockSetUp, TheCloseBoxShowsTheBookAndTheNextLockProgramMakesAFreshWindow) {
  main_->SetVisible(false);
  Fill("pw", "", "Q", "A");
  fw::testing::ClickCloseBox(*w_);
  fw::testing::ProcessEvents();
  EXPECT_EQ(SetUpWindow(), nullptr);
  EXPECT_TRUE(OnScreen(main_));
  EXPECT_FALSE(StoredLock());

  ASSERT_TRUE(fw::testing::ChooseMenuItem(*main_, "FileLockProgram"));
  Window4* fresh = SetUpWindow();
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(OnScreen(fresh));
  EXPECT_EQ(fresh->GatemarkText1().Text(), "");
  EXPECT_EQ(fresh->SecurityQtext().Text(), "");
}

}  // namespace
}  // namespace kestrion
