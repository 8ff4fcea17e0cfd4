// Opening the password database at start-up: first start, later starts, and
// files that are not ours.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

namespace fs = std::filesystem;
using fw::testing::NoteEvent;

const std::vector<NoteEvent> kChime = {{10, 60, 30}, {10, 60, 0}};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 0777;
}

std::string Schema(Window1& w) {
  auto rs = w.PassDataBase->SQLSelect("select sql from sqlite_master where type = 'table'");
  std::string all;
  for (; !rs->Eof(); rs->MoveNext()) all += rs->Field("sql").StringValue() + ";";
  return all;
}

const char* kSchema =
    "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
    "WebAddress VarChar);";

TEST(DatabaseOpen, FirstStartMakesAPrivateFolderFileAndTable) {
  ASSERT_FALSE(fs::exists(test::DataFolderPath()));
  fw::testing::ClearLog();
  Window1& w = test::StartProgram();
  EXPECT_EQ(Mode(test::DataFolderPath()), 0700u);
  EXPECT_EQ(Mode(test::DatabasePath()), 0600u);
  EXPECT_EQ(Schema(w), kSchema);
  EXPECT_EQ(fw::testing::Notes(), kChime);
  EXPECT_TRUE(fw::testing::ShownBoxes().empty());
  // No lock check on a first start: both lock items stay on.
  EXPECT_TRUE(w.FileLockProgram().AutoEnable());
  EXPECT_TRUE(w.FileUnLockProgram().AutoEnable());
  EXPECT_EQ(w.Height(), 86);
  EXPECT_FALSE(fw::QuitRequested());
}

TEST(DatabaseOpen, LaterStartOpensTheSameFileAndKeepsItsRows) {
  test::MakeDatabase({{"MyBank", "me", "s3cret", "card\r\nline", "http://bank"}});
  fw::testing::ClearLog();
  Window1& w = test::StartProgram();
  EXPECT_EQ(fw::testing::Notes(), kChime);
  EXPECT_TRUE(fw::testing::ShownBoxes().empty());
  auto rs = w.PassDataBase->SQLSelect("select * from PassData");
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(Window1::Decrypt(rs->Field("Site").StringValue()), "MyBank");
  EXPECT_EQ(Window1::Decrypt(rs->Field("Notes").StringValue()), "card\r\nline");
  // Every value is stored scrambled.
  EXPECT_EQ(Slurp(test::DatabasePath()).find("s3cret"), std::string::npos);
}

TEST(DatabaseOpen, FileRemovedWhileTheFolderStaysIsAFirstStart) {
  fs::create_directories(test::DataFolderPath());
  Window1& w = test::StartProgram();
  EXPECT_EQ(Schema(w), kSchema);
  auto rs = w.PassDataBase->SQLSelect("select * from PassData");
  EXPECT_TRUE(rs->Eof());
}

TEST(DatabaseOpen, WritesCommittedSurviveANewRun) {
  {
    Window1& w = test::StartProgram();
    fw::DatabaseRecord rec;
    rec.Column("Site", Window1::Encrypt("Shop"));
    rec.Column("PassWord", Window1::Encrypt("pw"));
    w.PassDataBase->InsertRecord("PassData", rec);
    w.PassDataBase->Commit();
    // A second row of one site is refused by the table.
    w.PassDataBase->InsertRecord("PassData", rec);
    w.PassDataBase->Commit();
    test::StopProgram();
  }
  Window1& w = test::StartProgram();
  auto rs = w.PassDataBase->SQLSelect("select * from PassData");
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(Window1::Decrypt(rs->Field("Site").StringValue()), "Shop");
  EXPECT_EQ(rs->Field("WebAddress").StringValue(), "");  // a column never set reads empty
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
}

// A file that is not a database: the program says so and stops, and never
// writes to it.
class NotADatabase : public ::testing::TestWithParam<std::pair<const char*, std::string>> {};

TEST_P(NotADatabase, IsReportedAndLeftByteIdentical) {
  fs::create_directories(test::DataFolderPath());
  {
    std::ofstream out(test::DatabasePath(), std::ios::binary);
    out << GetParam().second;
  }
  const std::string before = Slurp(test::DatabasePath());
  const auto mtime = fs::last_write_time(test::DatabasePath());
  fw::testing::ClearShownBoxes();
  fw::testing::ClearLog();
  test::StartProgram();
  ASSERT_EQ(fw::testing::ShownBoxes().size(), 1u) << GetParam().first;
  EXPECT_FALSE(fw::testing::ShownBoxes()[0].text.empty());
  EXPECT_TRUE(fw::QuitRequested());
  EXPECT_NE(fw::ExitCode(), 0);
  EXPECT_TRUE(fw::testing::Notes().empty());  // no chime without a database
  EXPECT_EQ(Window1::Instance().PassDataBase, nullptr);
  EXPECT_EQ(Slurp(test::DatabasePath()), before);
  EXPECT_EQ(fs::last_write_time(test::DatabasePath()), mtime);
  // Nothing else was left beside it (no journal).
  EXPECT_EQ(std::distance(fs::directory_iterator(test::DataFolderPath()), fs::directory_iterator{}), 1);
}

std::string TruncatedDatabase() {
  std::string header("SQLite format 3\0", 16);
  return header + std::string(40, '\x01');
}

INSTANTIATE_TEST_SUITE_P(
    Files, NotADatabase,
    ::testing::Values(std::make_pair("garbage", std::string("this is not a database, just some text\n")),
                      std::make_pair("truncated", TruncatedDatabase()),
                      std::make_pair("empty", std::string()),
                      std::make_pair("png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16))),
    [](const auto& info) { return std::string(info.param.first); });

TEST(DatabaseOpen, NotADatabaseEndsTheWholeRunCleanly) {
  fs::create_directories(test::DataFolderPath());
  std::ofstream(test::DatabasePath()) << "garbage";
  bool loop_ran = false;
  const int rc = test::RunProgram([&] { loop_ran = true; });
  EXPECT_FALSE(loop_ran);
  EXPECT_NE(rc, 0);
  EXPECT_EQ(Slurp(test::DatabasePath()), "garbage");
}

}  // namespace
}  // namespace kestrion
