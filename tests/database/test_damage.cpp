// A damaged database file: the look over the whole file tells it from a sound
// one without changing it, its verdict comes between handlers, and once the
// damage is known, by the look or by a write that met it, nothing more is
// written into the file.
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include "framework/EventLoop.h"
#include "framework/testing/Drivers.h"
#include "tests/database/DatabaseFixture.h"
#include "tests/support/Damage.h"

namespace dbtest {
namespace {

using kestrion::test::IndexDamage;
using DamageTest = DatabaseTest;

std::vector<Entry> ManyEntries() {
  std::vector<Entry> out;
  for (int i = 0; i < 300; ++i) out.push_back({"site " + std::to_string(i), "pw", "", "user", ""});
  return out;
}

// Lets the events run until `verdict` holds one, or a while has passed.
void WaitFor(const std::optional<std::string>& verdict) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!verdict && std::chrono::steady_clock::now() < until) {
    fw::testing::ProcessEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

TEST_F(DamageTest, TheLookOverTheFileTellsDamageAndAfterItNothingIsWritten) {
  struct Case {
    const char* name;
    std::optional<IndexDamage> damage;
  };
  const Case cases[] = {{"sound", std::nullopt},
                        {"index root zeroed", IndexDamage::kRootPageZeroed},
                        {"index entry altered", IndexDamage::kEntryAltered}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(path_);
    CreateBook(ManyEntries()).reset();
    if (c.damage) ASSERT_TRUE(kestrion::test::DamageSiteIndex(path_, *c.damage));
    const Snapshot before = Snapshot::Of(path_);
    auto db = Open();
    std::optional<std::string> verdict;
    db->CheckForDamage([&](const std::string& damage) { verdict = damage; });
    WaitFor(verdict);
    ASSERT_TRUE(verdict.has_value()) << "no verdict";
    EXPECT_TRUE(Snapshot::Of(path_) == before);
    if (!c.damage) {
      EXPECT_EQ(*verdict, "");
      db->InsertRecord("PassData", RecordOf({"new", "pw", "", "", ""}));
      db->Commit();
      EXPECT_FALSE(db->Error()) << db->ErrorMessage();
      continue;
    }
    EXPECT_NE(*verdict, "");
    // A change of a column without an index would not even meet the damage.
    auto rs = db->SQLSelect("select * from PassData");
    rs->Edit();
    rs->Field("PassWord").SetStringValue("changed");
    rs->Update();
    EXPECT_TRUE(db->Error());
    EXPECT_TRUE(db->ErrorIsDamage()) << db->ErrorMessage();
    db->InsertRecord("PassData", RecordOf({"new", "pw", "", "", ""}));
    EXPECT_TRUE(db->ErrorIsDamage()) << db->ErrorMessage();
    // Nor through a select: a statement of its own, or one in a transaction.
    db->SQLSelect("PRAGMA user_version = 9");
    EXPECT_TRUE(db->ErrorIsDamage()) << db->ErrorMessage();
    db->SQLSelect("delete from PassData where Site = 'x' returning Site");
    EXPECT_TRUE(db->ErrorIsDamage()) << db->ErrorMessage();
    db->Commit();
    EXPECT_TRUE(db->Error());
    db->Rollback();
    EXPECT_FALSE(db->Error()) << db->ErrorMessage();
    EXPECT_EQ(AllEntries(*db).size(), 300u) << "the rows can still be read";
    db.reset();
    EXPECT_TRUE(Snapshot::Of(path_) == before);
    ExpectNoSideFiles(path_);
  }
}

// Without the look, the first write that meets the damage finds it out; from
// then on even a write that would not have met it is refused.
TEST_F(DamageTest, AWriteThatMeetsDamageLeavesTheFileAsItIsFromThenOn) {
  CreateBook(ManyEntries()).reset();
  ASSERT_TRUE(kestrion::test::DamageSiteIndex(path_, IndexDamage::kRootPageZeroed));
  const Snapshot before = Snapshot::Of(path_);
  auto db = Open();
  db->InsertRecord("PassData", RecordOf({"new", "pw", "", "", ""}));
  EXPECT_TRUE(db->ErrorIsDamage()) << db->ErrorMessage();
  db->Rollback();
  auto rs = db->SQLSelect("select * from PassData");
  rs->Edit();
  rs->Field("PassWord").SetStringValue("changed");
  rs->Update();
  EXPECT_TRUE(db->ErrorIsDamage()) << db->ErrorMessage();
  db->Rollback();
  db.reset();
  EXPECT_TRUE(Snapshot::Of(path_) == before);
}

// The verdict waits while a handler lets the events run (a long loop's
// yields): it comes once the handler is over.
TEST_F(DamageTest, TheVerdictComesBetweenHandlersNeverDuringAYield) {
  CreateBook(ManyEntries()).reset();
  auto db = Open();
  std::optional<std::string> verdict;
  db->CheckForDamage([&](const std::string& damage) { verdict = damage; });
  bool during_the_loop = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  while (std::chrono::steady_clock::now() < until) {
    fw::internal::yield_due.store(true);
    fw::Yield();
    during_the_loop = during_the_loop || verdict.has_value();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(during_the_loop);
  WaitFor(verdict);
  ASSERT_TRUE(verdict.has_value());
  EXPECT_EQ(*verdict, "");
}

// The look finds damage while a handler runs and writes (a SAVE's look for a
// duplicate, say): the verdict itself waits for the handler, but no write
// that starts once the damage is found goes into the file.
TEST_F(DamageTest, NoWriteStartsOnceTheLookHasFoundDamageEvenBeforeTheVerdictComes) {
  CreateBook(ManyEntries()).reset();
  ASSERT_TRUE(kestrion::test::DamageSiteIndex(path_, IndexDamage::kEntryAltered));
  const Snapshot before = Snapshot::Of(path_);
  auto db = Open();
  std::optional<std::string> verdict;
  db->CheckForDamage([&](const std::string& damage) { verdict = damage; });
  // A handler that yields and tries a write (undone at once) now and again.
  bool refused = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!refused && std::chrono::steady_clock::now() < until) {
    fw::internal::yield_due.store(true);
    fw::Yield();
    db->InsertRecord("PassData", RecordOf({"new", "pw", "", "", ""}));
    refused = db->ErrorIsDamage();
    db->Rollback();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(refused) << "writes went on after the look had found the damage";
  EXPECT_FALSE(verdict.has_value()) << "the verdict came during the handler";
  WaitFor(verdict);
  ASSERT_TRUE(verdict.has_value());
  EXPECT_NE(*verdict, "");
  db.reset();
  EXPECT_TRUE(Snapshot::Of(path_) == before);
}

// A check still running when the database goes is stopped, and says nothing.
TEST_F(DamageTest, ADatabaseDroppedDuringTheLookHearsNothingOfIt) {
  CreateBook(ManyEntries()).reset();
  auto db = Open();
  bool heard = false;
  db->CheckForDamage([&](const std::string&) { heard = true; });
  db.reset();
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
  while (std::chrono::steady_clock::now() < until) fw::testing::ProcessEvents();
  EXPECT_FALSE(heard);
}

}  // namespace
}  // namespace dbtest
