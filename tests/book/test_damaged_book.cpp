// A damaged book: the user hears of it soon after the start, with the way to
// repair it, before typing in work that could not be stored; and nothing is
// ever written into the file.
#include <chrono>
#include <thread>

#include "tests/book/Book.h"
#include "tests/database/DatabaseFixture.h"
#include "tests/support/Damage.h"

namespace booktest {
namespace {

using kestrion::test::IndexDamage;

const std::string kNotSaved = "The changes were not stored: the password book is as it was before this save";

std::vector<Row> ManyEntries() {
  std::vector<Row> rows = {{"Bank", "me", "pw-bank", "", "https://bank.example"}};
  for (int i = 0; i < 300; ++i) rows.push_back({"Site number " + std::to_string(i), "user", "pw", "", ""});
  return rows;
}

// Lets the events run until a message box has been shown, or a while has passed.
void WaitForABox() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (ft::ShownBoxes().empty() && std::chrono::steady_clock::now() < until) {
    ft::ProcessEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

class DamagedBook : public BookTest, public ::testing::WithParamInterface<IndexDamage> {};

TEST_P(DamagedBook, IsToldSoonAfterTheStartAndNothingIsEverWrittenIntoIt) {
  const std::string book = kestrion::test::DatabasePath();
  kestrion::test::MakeDatabase(ManyEntries());
  ASSERT_TRUE(kestrion::test::DamageSiteIndex(book, GetParam()));
  ASSERT_NE(kestrion::test::IntegrityOf(book), "ok");
  const dbtest::Snapshot before = dbtest::Snapshot::Of(book);
  ft::ClearLog();
  win = &kestrion::test::StartProgram();
  EXPECT_FALSE(fw::QuitRequested());
  WaitForABox();

  const std::string told = "The password book \"" + book + "\" is damaged.";
  const std::string repair = "    cd \"" + kestrion::test::DataFolderPath() +
                             "\"\n    mv PassDataBaseURL.rsd PassDataBaseURL.rsd.damaged\n    sqlite3 "
                             "PassDataBaseURL.rsd.damaged .dump | sqlite3 PassDataBaseURL.rsd\n";
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind(told, 0), 0u) << Boxes()[0];
  EXPECT_NE(Boxes()[0].find(repair), std::string::npos) << Boxes()[0];
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(win->Height(), kSearch);

  // The entries can still be read; no change goes into the file.
  ft::ClearShownBoxes();
  Open("bank");
  EXPECT_EQ(OnScreen(), (Entry{"Bank", "me", "pw-bank", "", "https://bank.example"}));
  Retype(win->PassWord(), "new-pw");
  ft::Click(win->SaveButton());
  ft::ProcessEvents();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind(kNotSaved, 0), 0u) << Boxes()[0];
  EXPECT_NE(Boxes()[0].find(told), std::string::npos) << Boxes()[0];
  EXPECT_EQ(win->Height(), kEntry);
  EXPECT_EQ(OnScreen().password, "new-pw");

  ft::ClearShownBoxes();
  ft::Click(win->AddNewPassword());
  ft::TypeText(win->WebSystem(), "Mail");
  ft::TypeText(win->PassWord(), "pw-mail");
  ft::Click(win->SaveButton());
  ft::ProcessEvents();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].rfind(kNotSaved, 0), 0u) << Boxes()[0];
  EXPECT_EQ(win->Height(), kEntry);

  ft::ClearShownBoxes();
  ft::QueueAnswers({kNo});
  ft::Click(win->CloseButton());
  ft::ProcessEvents();
  Open("bank");
  ft::QueueAnswers({kYes});
  ft::Click(win->DeleteButton());
  ft::ProcessEvents();
  EXPECT_NE(Boxes().back().find("The entry was not deleted"), std::string::npos) << Boxes().back();

  EXPECT_TRUE(dbtest::Snapshot::Of(book) == before);
  dbtest::ExpectNoSideFiles(book);
}

INSTANTIATE_TEST_SUITE_P(Index, DamagedBook,
                         ::testing::Values(IndexDamage::kRootPageZeroed, IndexDamage::kEntryAltered),
                         [](const auto& info) { return std::string(kestrion::test::NameOf(info.param)); });

}  // namespace
}  // namespace booktest
