// Writes and Commit: what survives, what is lost, and two users of one file.
#include <sys/wait.h>
#include <unistd.h>

#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>

#include "framework/MsgBox.h"
#include "framework/database/DatabaseSeams.h"
#include "framework/testing/Drivers.h"
#include "tests/database/DatabaseFixture.h"

namespace dbtest {
namespace {

using DatabaseTransactionTest = DatabaseTest;

// Runs `body` in a child process, which ends with its result without running
// any destructor or test machinery; returns the child's exit code.
int InChild(const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::string IntegrityCheck(fw::SqlDatabase& db) {
  auto rs = db.SQLSelect("pragma integrity_check");
  return rs->Eof() ? db.ErrorMessage() : rs->Field("integrity_check").StringValue();
}

TEST_F(DatabaseTransactionTest, AUniqueConflictRefusesOneRowAndKeepsTheTransaction) {
  auto db = CreateBook();
  db->InsertRecord("PassData", RecordOf({"a", "first", "", "", ""}));
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  db->InsertRecord("PassData", RecordOf({"a", "second", "", "", ""}));
  EXPECT_TRUE(db->Error());
  EXPECT_NE(db->ErrorMessage().find("UNIQUE"), std::string::npos) << db->ErrorMessage();
  db->InsertRecord("PassData", RecordOf({"b", "third", "", "", ""}));
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  // The same through SQLExecute and through a record set's Update.
  db->SQLExecute("insert into PassData(Site) values ('b')");
  EXPECT_TRUE(db->Error());
  auto rs = db->SQLSelect("select * from PassData where Site = 'b'");
  rs->Edit();
  rs->Field("Site").SetStringValue("a");
  rs->Update();
  EXPECT_TRUE(db->Error());
  EXPECT_EQ(rs->Field("Site").StringValue(), "b");  // the set's copy is unchanged too

  // The rows that went in are committed; Commit still tells of the refusal.
  db->Commit();
  EXPECT_TRUE(db->Error());
  EXPECT_NE(db->ErrorMessage().find("UNIQUE"), std::string::npos) << db->ErrorMessage();
  db.reset();
  const std::vector<Entry> expected = {{"a", "first", "", "", ""}, {"b", "third", "", "", ""}};
  EXPECT_EQ(AllEntries(*Open()), expected);
}

// Rollback undoes every write since the last Commit, the refused one among
// them, and leaves Commit nothing to tell.
TEST_F(DatabaseTransactionTest, RollbackUndoesTheWritesSinceTheLastCommitAndTheirRefusal) {
  auto db = CreateBook();
  db->InsertRecord("PassData", RecordOf({"a", "kept", "", "", ""}));
  db->Commit();
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  db->InsertRecord("PassData", RecordOf({"b", "undone", "", "", ""}));
  db->InsertRecord("PassData", RecordOf({"a", "refused", "", "", ""}));
  ASSERT_TRUE(db->Error());
  db->Rollback();
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  db->Commit();
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  // The next write goes in as if nothing had happened.
  db->InsertRecord("PassData", RecordOf({"c", "later", "", "", ""}));
  db->Commit();
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  db.reset();
  const std::vector<Entry> expected = {{"a", "kept", "", "", ""}, {"c", "later", "", "", ""}};
  EXPECT_EQ(AllEntries(*Open()), expected);
}

// A set that stands on a row through a Rollback shows the row as the file
// holds it afterwards, not what the undone writes had made of it, and walks on
// from it: a change the set itself made, a change another statement made, a
// row the undone transaction had added (the set then stands in the gap it
// leaves, and goes on with the row after it).
TEST_F(DatabaseTransactionTest, ASetStandingOnARowThroughARollbackShowsTheRowAsTheFileHoldsIt) {
  struct Case {
    const char* name;
    const char* written_first;  // by another statement, before the select
    int moves;                  // from the first row to the row the set stands on
    bool changed_by_the_set;
    const char* site, *password;  // shown after the Rollback ("" in a gap)
  };
  const Case cases[] = {
      {"its own change", "", 1, true, "b", "pwb"},
      {"another statement's change", "UPDATE PassData SET PassWord = 'undone'", 1, false, "b", "pwb"},
      {"a row the transaction added", "INSERT INTO PassData(Site, PassWord) VALUES ('bb', 'undone')", 2, false, "",
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(path_);
    auto db = CreateBook(Letters("abcd"));
    if (*c.written_first) db->SQLExecute(c.written_first);
    auto rs = db->SQLSelect("select * from PassData order by Site");
    for (int i = 0; i < c.moves; ++i) rs->MoveNext();
    if (c.changed_by_the_set) {
      rs->Edit();
      rs->Field("PassWord").SetStringValue("undone");
      rs->Update();
    }
    ASSERT_FALSE(db->Error()) << db->ErrorMessage();
    ASSERT_EQ(rs->Field("PassWord").StringValue(), "undone");
    db->Rollback();
    ASSERT_FALSE(db->Error()) << db->ErrorMessage();
    EXPECT_EQ(rs->Field("Site").StringValue(), c.site);
    EXPECT_EQ(rs->Field("PassWord").StringValue(), c.password);
    rs->MoveNext();
    std::vector<std::string> rest;
    for (const Entry& e : Walk(*rs)) rest.push_back(e.site);
    EXPECT_EQ(rest, (std::vector<std::string>{"c", "d"}));
    EXPECT_EQ(AllEntries(*db), Letters("abcd"));
  }
}

// A caller tests the flag after Commit: a refused write since the last Commit
// must still show there, also when Commit itself had nothing to do.
TEST_F(DatabaseTransactionTest, CommitReportsAWriteRefusedSinceTheLastCommit) {
  struct Refused {
    const char* name;
    std::function<void(fw::SqlDatabase&)> write;
    const char* words;
  };
  const Refused refused[] = {
      {"the table created a second time", [](fw::SqlDatabase& db) { db.SQLExecute(kSchema); }, "already exists"},
      {"a statement SQLite cannot read", [](fw::SqlDatabase& db) { db.SQLExecute("CREATE TABLE Broken(,)"); },
       "syntax error"},
      {"an insert into a table that is not there",
       [](fw::SqlDatabase& db) { db.InsertRecord("NoSuchTable", RecordOf(Letters("z")[0])); }, "no such table"},
      {"an insert refused by UNIQUE",
       [](fw::SqlDatabase& db) { db.InsertRecord("PassData", RecordOf(Letters("a")[0])); }, "UNIQUE"},
      {"an update refused by UNIQUE",
       [](fw::SqlDatabase& db) {
         auto rs = db.SQLSelect("select * from PassData where Site = 'b'");
         rs->Edit();
         rs->Field("Site").SetStringValue("a");
         rs->Update();
       },
       "UNIQUE"},
      {"an update of a row deleted meanwhile",
       [](fw::SqlDatabase& db) {
         auto rs = db.SQLSelect("select * from PassData where Site = 'b'");
         db.SQLExecute("delete from PassData where Site = 'b'");
         db.Commit();
         rs->Edit();
         rs->Field("PassWord").SetStringValue("lost");
         rs->Update();
       },
       "no longer"},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.name);
    unlink(path_.c_str());
    auto db = CreateBook(Letters("ab"));
    r.write(*db);
    ASSERT_TRUE(db->Error());
    const std::string message = db->ErrorMessage();
    EXPECT_NE(message.find(r.words), std::string::npos) << message;
    // A read in between does not hide it.
    db->SQLSelect("select * from PassData");
    ASSERT_FALSE(db->Error()) << db->ErrorMessage();
    db->Commit();
    EXPECT_TRUE(db->Error());
    EXPECT_EQ(db->ErrorMessage(), message);
    // Reported once: the next Commit speaks of the writes after this one.
    db->InsertRecord("PassData", RecordOf(Letters("c")[0]));
    ASSERT_FALSE(db->Error()) << db->ErrorMessage();
    db->Commit();
    EXPECT_FALSE(db->Error()) << db->ErrorMessage();
    db->Commit();
    EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  }
}

// The write that a Commit reports is the caller's, even when later writes of
// the same transaction went through and were committed.
TEST_F(DatabaseTransactionTest, ARefusedWriteIsReportedWhenTheOthersAreCommitted) {
  auto db = CreateBook(Letters("a"));
  db->InsertRecord("PassData", RecordOf(Letters("a")[0]));
  ASSERT_TRUE(db->Error());
  const std::string refused = db->ErrorMessage();
  db->InsertRecord("PassData", RecordOf(Letters("b")[0]));
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  db->Commit();
  EXPECT_TRUE(db->Error());
  EXPECT_EQ(db->ErrorMessage(), refused);
  db.reset();
  EXPECT_EQ(AllEntries(*Open()), Letters("ab"));
}

TEST_F(DatabaseTransactionTest, CommittedWritesSurviveANewConnectionAndANewProcess) {
  auto db = CreateBook(Letters("a"));
  db->InsertRecord("PassData", RecordOf({"b", "pw b", "", "", ""}));
  db->Commit();
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  db.reset();

  EXPECT_EQ(AllEntries(*Open()).size(), 2u);
  const int code = InChild([&] {
    fw::SqlDatabase child;
    child.SetDatabaseFilePath(path_);
    if (!child.Connect()) return 10;
    auto rs = child.SQLSelect("select * from PassData where Site = 'b'");
    return !rs->Eof() && rs->Field("PassWord").StringValue() == "pw b" ? 0 : 11;
  });
  EXPECT_EQ(code, 0);
}

TEST_F(DatabaseTransactionTest, WritesBecomeVisibleToOthersOnlyAtCommit) {
  struct Write {
    const char* name;
    std::function<void(fw::SqlDatabase&)> apply;
    std::vector<Entry> after;
  };
  const Write writes[] = {
      {"InsertRecord", [](fw::SqlDatabase& db) { db.InsertRecord("PassData", RecordOf(Letters("c")[0])); },
       Letters("abc")},
      {"SQLExecute", [](fw::SqlDatabase& db) { db.SQLExecute("delete from PassData where Site = 'a'"); },
       Letters("b")},
      {"Update",
       [](fw::SqlDatabase& db) {
         auto rs = db.SQLSelect("select * from PassData");
         rs->Edit();
         rs->Field("Notes").SetStringValue("edited");
         rs->Update();
       },
       [] {
         auto e = Letters("ab");
         e[0].notes = "edited";
         return e;
       }()},
      {"DeleteRecord",
       [](fw::SqlDatabase& db) {
         auto rs = db.SQLSelect("select * from PassData where Site = 'b'");
         rs->DeleteRecord();
       },
       Letters("a")},
  };
  for (const Write& w : writes) {
    SCOPED_TRACE(w.name);
    unlink(path_.c_str());
    CreateBook(Letters("ab")).reset();
    auto writer = Open();
    auto reader = Open();
    w.apply(*writer);
    ASSERT_FALSE(writer->Error()) << writer->ErrorMessage();
    EXPECT_EQ(AllEntries(*writer), w.after);
    EXPECT_EQ(AllEntries(*reader), Letters("ab"));
    writer->Commit();
    ASSERT_FALSE(writer->Error()) << writer->ErrorMessage();
    EXPECT_EQ(AllEntries(*reader), w.after);
  }
}

TEST_F(DatabaseTransactionTest, UncommittedWritesAreLostWhenTheConnectionOrTheProcessEnds) {
  // Many rows through a tiny page cache, so that SQLite must spill them into
  // the file before the end; the journal has to undo them.
  auto write_without_commit = [&](fw::SqlDatabase& db) {
    db.SQLExecute("pragma cache_size = 2");
    db.SQLExecute("update PassData set PassWord = 'uncommitted' where Site = 'a'");
    for (int i = 0; i < 2000; ++i) db.InsertRecord("PassData", RecordOf({std::to_string(i), std::string(200, 'x'), "", "", ""}));
    return db.Error() ? 1 : 0;
  };
  enum End { kClose, kProcessEnds, kProcessEndsAfterHeaderWritten };
  const char* const names[] = {"the connection closes", "the process ends", "the process ends, header written"};
  for (const End end : {kClose, kProcessEnds, kProcessEndsAfterHeaderWritten}) {
    SCOPED_TRACE(names[end]);
    unlink(path_.c_str());
    CreateBook(Letters("ab")).reset();
    if (end != kClose) {
      EXPECT_EQ(InChild([&] {
                  fw::SqlDatabase* db = new fw::SqlDatabase;  // never closed
                  db->SetDatabaseFilePath(path_);
                  return db->Connect() ? write_without_commit(*db) : 10;
                }),
                0);
      ASSERT_TRUE(Exists(path_ + "-journal"));  // left for the next Connect to roll back
      if (end == kProcessEndsAfterHeaderWritten) {
        // The unfinished transaction's first page may reach the file before the
        // pages it counts: a header claiming more pages than the file holds.
        std::string bytes = ReadBytes(path_);
        bytes.replace(28, 4, std::string("\0\0\x10\0", 4));
        WriteBytes(path_, bytes);
      }
    } else {
      auto db = Open();
      EXPECT_EQ(write_without_commit(*db), 0) << db->ErrorMessage();
      EXPECT_EQ(AllEntries(*db).size(), 2002u);
    }
    auto db = Open();
    EXPECT_EQ(AllEntries(*db), Letters("ab"));
    EXPECT_EQ(IntegrityCheck(*db), "ok");
  }
}

TEST_F(DatabaseTransactionTest, ASecondConnectionReadsAndWritesWhileTheFirstIsIdle) {
  auto first = CreateBook(Letters("a"));
  auto kept = first->SQLSelect("select * from PassData");
  Walk(*kept);  // a set kept after its end holds no lock
  auto second = Open();
  EXPECT_EQ(AllEntries(*second), Letters("a"));
  second->InsertRecord("PassData", RecordOf(Letters("b")[0]));
  second->Commit();
  ASSERT_FALSE(second->Error()) << second->ErrorMessage();

  EXPECT_EQ(AllEntries(*first), Letters("ab"));
  first->InsertRecord("PassData", RecordOf(Letters("c")[0]));
  first->Commit();
  ASSERT_FALSE(first->Error()) << first->ErrorMessage();
  EXPECT_EQ(AllEntries(*second), Letters("abc"));
}

// A set standing on a row reads the file as it moves, and holds the read lock
// meanwhile: another connection's Commit waits for it to let go (here, to walk
// on to its end) instead of failing.
TEST_F(DatabaseTransactionTest, ASetStandingOnARowKeepsAWriterWaitingUntilItLetsGo) {
  auto first = CreateBook(Letters("ab"));
  auto standing = first->SQLSelect("select * from PassData");
  ASSERT_FALSE(standing->Eof());
  auto second = Open();
  second->InsertRecord("PassData", RecordOf(Letters("c")[0]));
  ASSERT_FALSE(second->Error()) << second->ErrorMessage();
  bool held = false;
  std::string walked;
  QTimer::singleShot(50, [&] {
    held = true;
    for (; !standing->Eof(); standing->MoveNext()) walked += standing->Field("Site").StringValue();
  });
  second->Commit();
  EXPECT_TRUE(held);
  EXPECT_FALSE(second->Error()) << second->ErrorMessage();
  EXPECT_EQ(walked, "ab");
  EXPECT_EQ(AllEntries(*first), Letters("abc"));
}

// A message box may stay open as long as the user likes: a set standing on a
// row lets go of the read lock meanwhile, so that another program can write,
// and its walk then goes on from the row it stood on.
TEST_F(DatabaseTransactionTest, ASetLetsGoOfTheFileWhileABoxIsOpenAndWalksOnAfterwards) {
  auto first = CreateBook(Letters("abcd"));
  auto standing = first->SQLSelect("select * from PassData");
  standing->MoveNext();  // on "b"
  fw::seams::SetDatabaseLockWait(std::chrono::milliseconds(200));
  std::string written_meanwhile = "the box was not shown";
  fw::testing::OnBoxShown([&](const fw::testing::ShownBox&) {
    auto other = Open();
    other->InsertRecord("PassData", RecordOf(Letters("e")[0]));
    other->Commit();
    written_meanwhile = other->Error() ? other->ErrorMessage() : "";
  });
  fw::MsgBox("a question the user takes a while to answer");
  fw::testing::OnBoxShown(nullptr);
  fw::seams::SetDatabaseLockWait(std::chrono::milliseconds(0));
  EXPECT_EQ(written_meanwhile, "");
  EXPECT_EQ(standing->Field("Site").StringValue(), "b");
  standing->MoveNext();
  EXPECT_EQ(Walk(*standing), std::vector<Entry>(Letters("cde")));
}

// What another program does to the rows while a box is open and the set has
// let go of the file: the set finds its own row again, not the row that now
// stands where it stood. The walk goes on from it, and a change or deletion
// made after the box goes to the row the set shows.
struct ChangedMeanwhile {
  const char* name;
  const char* select;
  const char* other;  // what the other program runs while the box is open
  std::vector<std::string> rest;  // the sites the walk gives after "b", a change and a deletion after the box
  const char* after;  // "update" or "delete": what the set does to its row after the box, or ""
};
void PrintTo(const ChangedMeanwhile& c, std::ostream* os) { *os << c.name; }

class WhileABoxIsOpen : public DatabaseTest, public ::testing::WithParamInterface<ChangedMeanwhile> {};

TEST_P(WhileABoxIsOpen, TheSetFindsItsOwnRowAgain) {
  const ChangedMeanwhile& c = GetParam();
  auto db = CreateBook(Letters("abcd"));
  auto rs = db->SQLSelect(c.select);
  rs->MoveNext();
  ASSERT_EQ(rs->Field("Site").StringValue(), "b");
  std::string written_meanwhile = "the box was not shown";
  fw::testing::OnBoxShown([&](const fw::testing::ShownBox&) {
    auto other = Open();
    other->SQLExecute(c.other);
    other->Commit();
    written_meanwhile = other->Error() ? other->ErrorMessage() : "";
  });
  fw::MsgBox("a question the user takes a while to answer");
  fw::testing::OnBoxShown(nullptr);
  ASSERT_EQ(written_meanwhile, "");
  EXPECT_EQ(rs->Field("Site").StringValue(), "b") << "the row shown stays";
  const std::string after = c.after;
  if (after == "update") {
    rs->Edit();
    rs->Field("PassWord").SetStringValue("changed after the box");
    rs->Update();
    EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  } else if (after == "delete") {
    rs->DeleteRecord();
    EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  }
  rs->MoveNext();
  std::vector<std::string> rest;
  for (const Entry& e : Walk(*rs)) rest.push_back(e.site);
  EXPECT_EQ(rest, c.rest);
  db->Commit();
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  std::map<std::string, std::string> stored;
  for (const Entry& e : AllEntries(*Open())) stored[e.site] = e.password;
  if (after == "update") EXPECT_EQ(stored["b"], "changed after the box");
  if (after == "delete") EXPECT_EQ(stored.count("b"), 0u);
  for (const char* untouched : {"c", "d"})
    if (stored.count(untouched)) EXPECT_EQ(stored[untouched], std::string("pw") + untouched);
}

INSTANTIATE_TEST_SUITE_P(
    RecordSets, WhileABoxIsOpen,
    ::testing::Values(
        ChangedMeanwhile{"NothingBefore", "select * from PassData", "INSERT INTO PassData(Site) VALUES ('e')",
                         {"c", "d", "e"}, ""},
        ChangedMeanwhile{"ARowBeforeDeleted", "select * from PassData", "DELETE FROM PassData WHERE Site = 'a'",
                         {"c", "d"}, ""},
        ChangedMeanwhile{"ARowBeforeDeletedThenTheRowUpdated", "select * from PassData",
                         "DELETE FROM PassData WHERE Site = 'a'", {"c", "d"}, "update"},
        ChangedMeanwhile{"ARowBeforeDeletedThenTheRowDeleted", "select * from PassData",
                         "DELETE FROM PassData WHERE Site = 'a'", {"c", "d"}, "delete"},
        ChangedMeanwhile{"ARowAddedBefore", "select * from PassData order by Site",
                         "INSERT INTO PassData(Site) VALUES ('aa')", {"c", "d"}, ""},
        ChangedMeanwhile{"ARowAddedBeforeThenTheRowUpdated", "select * from PassData order by Site",
                         "INSERT INTO PassData(Site) VALUES ('aa')", {"c", "d"}, "update"},
        ChangedMeanwhile{"TheRowItselfDeleted", "select * from PassData", "DELETE FROM PassData WHERE Site = 'b'",
                         {"c", "d"}, ""},
        ChangedMeanwhile{"TheRowItselfChanged", "select * from PassData",
                         "UPDATE PassData SET PassWord = 'elsewhere' WHERE Site = 'b'", {"c", "d"}, ""}),
    [](const ::testing::TestParamInfo<ChangedMeanwhile>& i) { return std::string(i.param.name); });

// A set that stands on a row and writes while another connection holds the
// write lock: the write waits for it, as any write does, instead of failing
// at once; the walk meanwhile keeps its place.
TEST_F(DatabaseTransactionTest, AWriteOfASetStandingOnARowWaitsForAnotherWriter) {
  auto db = CreateBook(Letters("abcd"));
  auto rs = db->SQLSelect("select * from PassData");
  rs->MoveNext();  // on "b"
  auto other = Open();
  other->InsertRecord("PassData", RecordOf(Letters("e")[0]));  // holds the write lock
  ASSERT_FALSE(other->Error()) << other->ErrorMessage();
  bool waited = false;
  QTimer::singleShot(50, [&] {
    waited = true;
    other->Commit();
  });
  rs->Edit();
  rs->Field("PassWord").SetStringValue("new b");
  rs->Update();
  EXPECT_TRUE(waited);
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  EXPECT_FALSE(other->Error()) << other->ErrorMessage();
  EXPECT_EQ(rs->Field("PassWord").StringValue(), "new b");
  rs->MoveNext();
  rs->DeleteRecord();  // "c"
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  rs->MoveNext();
  std::vector<Entry> rest = Walk(*rs);
  db->Commit();
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();

  std::vector<Entry> expected = Letters("abde");
  expected[1].password = "new b";
  EXPECT_EQ(rest, std::vector<Entry>(Letters("de")));
  EXPECT_EQ(AllEntries(*Open()), expected);
}

// The file is synced to the disk while the event loop runs: a handler run
// meanwhile (a timer, as a window's paint or a close would) finds the database
// refusing, as during a wait for a lock. A set standing on a row keeps it
// through the Commit and walks on afterwards.
TEST_F(DatabaseTransactionTest, ACommitLetsTheEventLoopRunWhileTheFileIsSaved) {
  auto db = CreateBook(Letters("abc"));
  auto standing = db->SQLSelect("select * from PassData");
  standing->MoveNext();  // on "b"
  db->InsertRecord("PassData", RecordOf(Letters("d")[0]));
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  fw::seams::SlowDatabaseCommits(std::chrono::milliseconds(200));
  bool ran = false, refused = false;
  std::string read_meanwhile;
  QTimer::singleShot(10, [&] {
    ran = true;
    read_meanwhile = standing->Field("Site").StringValue();
    db->SQLSelect("select * from PassData");
    refused = db->Error() && db->ErrorIsBusy();
  });
  db->Commit();
  fw::seams::SlowDatabaseCommits(std::chrono::milliseconds(0));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(refused);
  EXPECT_EQ(read_meanwhile, "b");
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  EXPECT_EQ(standing->Field("Site").StringValue(), "b");
  standing->MoveNext();
  EXPECT_EQ(Walk(*standing), std::vector<Entry>(Letters("cd")));
  EXPECT_EQ(AllEntries(*Open()), Letters("abcd"));
}

TEST_F(DatabaseTransactionTest, AWriterWaitsForAnotherProcessInsteadOfFailing) {
  CreateBook(Letters("a")).reset();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    fw::SqlDatabase child;
    child.SetDatabaseFilePath(path_);
    if (!child.Connect()) _exit(10);
    child.InsertRecord("PassData", RecordOf(Letters("b")[0]));  // holds the write lock
    if (child.Error()) _exit(11);
    if (write(ready[1], "x", 1) != 1) _exit(12);
    usleep(300 * 1000);
    child.Commit();
    _exit(child.Error() ? 13 : 0);
  }
  ASSERT_GT(pid, 0);
  close(ready[1]);
  char c;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  close(ready[0]);

  auto db = Open();
  db->InsertRecord("PassData", RecordOf(Letters("c")[0]));
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  db->Commit();
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(AllEntries(*db), Letters("abc"));
}

// While a statement waits for a lock held elsewhere, the event loop runs. A
// handler run meanwhile (a timer, as a window's activation or a close would)
// that uses the waiting database is refused at once, since SQLite forbids
// using a connection from inside its wait; the waiting write then goes
// through as if nothing had happened, and Commit has nothing to report.
TEST_F(DatabaseTransactionTest, AHandlerRunDuringALockWaitIsRefusedTheWaitingDatabase) {
  auto db = CreateBook(Letters("ab"));
  auto set = db->SQLSelect("select * from PassData");
  ASSERT_FALSE(set->Eof());
  // The set on its row holds the read lock, which a writer's lock may share.
  auto holder = Open();
  holder->SQLExecute("BEGIN IMMEDIATE");
  ASSERT_FALSE(holder->Error()) << holder->ErrorMessage();

  const std::pair<const char*, std::function<void()>> uses[] = {
      {"SQLSelect", [&] { EXPECT_TRUE(db->SQLSelect("select * from PassData")->Eof()); }},
      {"SQLExecute", [&] { db->SQLExecute("delete from PassData"); }},
      {"InsertRecord", [&] { db->InsertRecord("PassData", RecordOf(Letters("z")[0])); }},
      {"Commit", [&] { db->Commit(); }},
      {"Connect", [&] { db->Connect(); }},
      {"CreateDatabaseFile", [&] { db->CreateDatabaseFile(); }},
      {"a record set's Edit", [&] { set->Edit(); }},
      {"a record set's Update", [&] { set->Update(); }},
      {"a record set's DeleteRecord", [&] { set->DeleteRecord(); }},
      // A move steps the statement: refused too, and the set ends there, so
      // that a walk in the handler cannot go on for ever.
      {"a record set's MoveNext", [&] { set->MoveNext(); EXPECT_TRUE(set->Eof()); }},
      {"a record set's MoveFirst", [&] { set->MoveFirst(); EXPECT_TRUE(set->Eof()); }},
  };
  bool handler_ran = false;
  QTimer::singleShot(20, [&] {
    handler_ran = true;
    for (const auto& [name, use] : uses) {
      SCOPED_TRACE(name);
      use();
      EXPECT_TRUE(db->Error());
      EXPECT_TRUE(db->ErrorIsBusy());
      EXPECT_NE(db->ErrorMessage().find("waiting for another program"), std::string::npos) << db->ErrorMessage();
    }
    holder->SQLExecute("COMMIT");  // another connection may act: it is not the one waiting
  });
  db->InsertRecord("PassData", RecordOf(Letters("c")[0]));
  EXPECT_TRUE(handler_ran);
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  db->Commit();
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  EXPECT_EQ(AllEntries(*Open()), Letters("abc"));
  set->MoveFirst();  // and walks again once the wait is over
  EXPECT_EQ(Walk(*set), Letters("abc"));
}

// A lock held past the wait: the statement fails as busy, with SQLite's own
// words, and the event loop ran all along.
TEST_F(DatabaseTransactionTest, ALockHeldPastTheWaitFailsAsBusy) {
  fw::seams::SetDatabaseLockWait(std::chrono::milliseconds(200));
  auto db = CreateBook(Letters("a"));
  auto holder = Open();
  holder->SQLExecute("BEGIN EXCLUSIVE");
  ASSERT_FALSE(holder->Error()) << holder->ErrorMessage();
  struct Op {
    const char* name;
    std::function<void()> run;
  };
  const Op ops[] = {
      {"select", [&] { EXPECT_TRUE(db->SQLSelect("select * from PassData")->Eof()); }},
      {"insert", [&] { db->InsertRecord("PassData", RecordOf(Letters("b")[0])); }},
      {"connect", [&] {
         fw::SqlDatabase late;
         late.SetDatabaseFilePath(path_);
         EXPECT_FALSE(late.Connect());
         EXPECT_TRUE(late.ErrorIsBusy());
         EXPECT_NE(late.ErrorMessage().find("database is locked"), std::string::npos) << late.ErrorMessage();
         EXPECT_NE(late.ErrorMessage().find(path_), std::string::npos) << late.ErrorMessage();
       }},
  };
  for (const Op& op : ops) {
    SCOPED_TRACE(op.name);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    op.run();
    timer.stop();
    EXPECT_GT(ticks, 0);
    if (std::string(op.name) != "connect") {
      EXPECT_TRUE(db->Error());
      EXPECT_TRUE(db->ErrorIsBusy());
      EXPECT_NE(db->ErrorMessage().find("database is locked"), std::string::npos) << db->ErrorMessage();
    }
  }
  holder->SQLExecute("ROLLBACK");
  // The refused insert is the one Commit tells of.
  db->Commit();
  EXPECT_TRUE(db->ErrorIsBusy());
  db->Commit();
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  EXPECT_EQ(AllEntries(*db), Letters("a"));
}

}  // namespace
}  // namespace dbtest
