// Opening the password database at start-up: first start, later starts, and
// files that are not ours.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

// --- a book that others could read ----------------------------------------------------

// A folder and book of the user's own that others may read (restored from a
// backup, or made by another tool) are made private at start, a journal left
// beside the book too, and the book opens as usual. New files keep their modes.
TEST(DatabaseOpen, AnOpenFolderBookAndJournalOfTheUsersOwnAreMadePrivateAtStart) {
  struct Case {
    unsigned folder, book, journal;  // modes before; 0: no journal
  };
  const Case cases[] = {{0755, 0644, 0644}, {0775, 0664, 0}, {0777, 0666, 0666}, {0700, 0600, 0640}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << c.folder << " " << c.book << " " << c.journal);
    fs::remove_all(test::DataFolderPath());
    test::MakeDatabase({{"MyBank", "me", "s3cret", "", ""}});
    const std::string journal = test::DatabasePath() + "-journal";
    if (c.journal) {
      std::ofstream(journal).flush();
      ASSERT_EQ(chmod(journal.c_str(), c.journal), 0);
    }
    ASSERT_EQ(chmod(test::DataFolderPath().c_str(), c.folder), 0);
    ASSERT_EQ(chmod(test::DatabasePath().c_str(), c.book), 0);
    fw::testing::ClearShownBoxes();
    fw::testing::ClearLog();
    Window1& w = test::StartProgram();
    EXPECT_EQ(Mode(test::DataFolderPath()), 0700u);
    EXPECT_EQ(Mode(test::DatabasePath()), 0600u);
    if (fs::exists(journal)) EXPECT_EQ(Mode(journal), 0600u);
    EXPECT_TRUE(fw::testing::ShownBoxes().empty()) << fw::testing::ShownBoxes()[0].text;
    EXPECT_EQ(fw::testing::Notes(), kChime);
    ASSERT_NE(w.PassDataBase, nullptr);
    auto rs = w.PassDataBase->SQLSelect("select * from PassData");
    EXPECT_EQ(Window1::Decrypt(rs->Field("Site").StringValue()), "MyBank");
    test::StopProgram();
  }
}

// A folder, a book or a journal that belongs to another user is refused with
// a message that says so, and nothing is changed: not even the permissions of
// what is the user's own. (It takes root to give a file to another user.) One
// process per case, as in a run.
class OfAnotherUser : public ::testing::TestWithParam<const char*> {};

TEST_P(OfAnotherUser, IsRefusedAndNothingIsChanged) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  const std::string foreign = GetParam();
  const std::string journal = test::DatabasePath() + "-journal";
  const std::string path = foreign == "Folder" ? test::DataFolderPath()
                           : foreign == "Book" ? test::DatabasePath()
                                               : journal;
  const std::string words =
      foreign == "Folder" ? "Kestrion cannot use the folder \"" + path + "\": it belongs to another user"
      : foreign == "Book" ? "Kestrion cannot use the password book \"" + path + "\": it belongs to another user"
                          : "the file \"" + journal + "\" beside it belongs to another user";
  test::MakeDatabase({{"MyBank", "me", "s3cret", "", ""}});
  std::ofstream(journal).flush();
  // What is the user's own stays open to others, unless the journal is the
  // stranger: then the rest is already private, as the program leaves it.
  ASSERT_EQ(chmod(test::DataFolderPath().c_str(), foreign == "Journal" ? 0700 : 0755), 0);
  ASSERT_EQ(chmod(test::DatabasePath().c_str(), foreign == "Journal" ? 0600 : 0644), 0);
  ASSERT_EQ(chmod(journal.c_str(), 0644), 0);
  ASSERT_EQ(lchown(path.c_str(), 65534, 65534), 0);
  struct Seen {
    unsigned folder, book, journal;
    std::string bytes;
    fs::file_time_type mtime;
    bool operator==(const Seen&) const = default;
  };
  auto seen = [&] {
    return Seen{Mode(test::DataFolderPath()), Mode(test::DatabasePath()), Mode(journal), Slurp(test::DatabasePath()),
                fs::last_write_time(test::DatabasePath())};
  };
  const Seen before = seen();
  fw::testing::ClearLog();
  test::StartProgram();
  ASSERT_EQ(fw::testing::ShownBoxes().size(), 1u);
  const std::string& text = fw::testing::ShownBoxes()[0].text;
  EXPECT_NE(text.find(words), std::string::npos) << text;
  EXPECT_TRUE(fw::QuitRequested());
  EXPECT_EQ(fw::ExitCode(), 1);
  EXPECT_TRUE(fw::testing::Notes().empty());  // no chime without a book
  EXPECT_EQ(Window1::Instance().PassDataBase, nullptr);
  EXPECT_TRUE(seen() == before);
  EXPECT_TRUE(fs::exists(journal));
  lchown(path.c_str(), 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Items, OfAnotherUser, ::testing::Values("Folder", "Book", "Journal"),
                         [](const auto& info) { return std::string(info.param); });

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
