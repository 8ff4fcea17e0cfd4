// Reading a select and changing the rows it stands on.
#include <unistd.h>

#include <QTimer>
#include <chrono>
#include <thread>

#include "framework/EventLoop.h"
#include "tests/database/DatabaseFixture.h"

namespace dbtest {
namespace {

using DatabaseRecordSetTest = DatabaseTest;

// Returns once a slice has passed since the events last ran, so that the next
// yield lets them in. A helper thread marks the end of the slice; on a busy
// machine it may get the processor late, so the wait is for its mark, not for
// a fixed time.
void WaitForTheSliceToPass() {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::this_thread::sleep_for(std::chrono::milliseconds(12));
  while (!fw::internal::yield_due.load() && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_TRUE(fw::internal::yield_due.load()) << "the slice never ended";
}

TEST_F(DatabaseRecordSetTest, SchemaRoundTripsThroughTheMasterTable) {
  CreateBook().reset();
  auto db = Open();
  auto rs = db->SQLSelect("select sql from sqlite_master where type = 'table' and name = 'PassData'");
  ASSERT_FALSE(rs->Eof()) << db->ErrorMessage();
  EXPECT_EQ(rs->Field("sql").StringValue(), kSchema);
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
}

TEST_F(DatabaseRecordSetTest, FieldsReadEmptyAtTheEndAndForWhatWasNeverSet) {
  auto db = CreateBook();
  fw::DatabaseRecord only_site;
  only_site.Column("Site", "0412");
  db->InsertRecord("PassData", only_site);
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();

  auto rs = db->SQLSelect("select * from PassData");
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(rs->FieldCount(), 5);
  EXPECT_EQ(rs->Field("Site").StringValue(), "0412");
  EXPECT_EQ(rs->Field("sItE").StringValue(), "0412");  // names are case-insensitive
  EXPECT_EQ(rs->Field("PassWord").StringValue(), "");  // NULL
  EXPECT_EQ(rs->Field("NoSuchColumn").StringValue(), "");
  rs->Field("NoSuchColumn").SetStringValue("x");       // harmless

  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  rs->MoveNext();  // no-op at the end
  EXPECT_TRUE(rs->Eof());
  for (const char* column : {"Site", "PassWord", "Notes", "NoSuchColumn"}) {
    EXPECT_EQ(rs->Field(column).StringValue(), "") << column;
  }
}

TEST_F(DatabaseRecordSetTest, EmptyAndFailedSelectsGiveAnEmptySetThatToleratesEverything) {
  auto db = CreateBook(Letters("ab"));
  fw::SqlDatabase unconnected;
  struct Case {
    fw::SqlDatabase* db;
    const char* sql;
    bool error;
  } cases[] = {
      {db.get(), "select * from PassData where Site = '999'", false},
      {db.get(), "select * from NoSuchTable", true},
      {db.get(), "select * from", true},
      {db.get(), "select * from PassData; delete from PassData", true},
      {&unconnected, "select * from PassData", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    auto rs = c.db->SQLSelect(c.sql);
    ASSERT_NE(rs, nullptr);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(c.db->Error(), c.error) << c.db->ErrorMessage();
    if (c.error) EXPECT_FALSE(c.db->ErrorMessage().empty());
    EXPECT_EQ(rs->Field("Site").StringValue(), "");
    rs->MoveFirst();
    EXPECT_TRUE(rs->Eof());
    rs->Edit();
    rs->Field("Site").SetStringValue("changed");
    rs->Update();
    rs->DeleteRecord();
  }
  // The statement after the ';' was not run.
  EXPECT_EQ(AllEntries(*db), Letters("ab"));
}

TEST_F(DatabaseRecordSetTest, MoveFirstRewindsForASecondWalk) {
  auto db = CreateBook(Letters("abcd"));
  auto rs = db->SQLSelect("select * from PassData");
  const std::vector<Entry> first = Walk(*rs);
  EXPECT_EQ(first, Letters("abcd"));
  rs->MoveFirst();
  EXPECT_EQ(Walk(*rs), first);
}

TEST_F(DatabaseRecordSetTest, TextIsStoredByteExact) {
  const std::vector<std::string> values = {
      "line one\r\nline two\n\rend\r\n",
      "it's \"quoted\" ''; drop table PassData; --",
      "Grüße, déjà vu, 日本語, 🎹\u00a0",
      std::string("nul\0inside", 10),
      "   padded   ",
      "",
  };
  auto db = CreateBook();
  for (size_t i = 0; i < values.size(); ++i) {
    db->InsertRecord("PassData", RecordOf({std::to_string(i), values[i], "", "", values[i]}));
    ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  }
  // And the same text written through Update, into Notes.
  auto rs = db->SQLSelect("select * from PassData");
  for (size_t i = 0; !rs->Eof(); rs->MoveNext(), ++i) {
    rs->Edit();
    rs->Field("Notes").SetStringValue(values[i]);
    rs->Update();
    ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  }
  db->Commit();
  db.reset();

  rs = Open()->SQLSelect("select * from PassData");
  size_t i = 0;
  for (; !rs->Eof(); rs->MoveNext(), ++i) {
    ASSERT_LT(i, values.size());
    EXPECT_EQ(rs->Field("PassWord").StringValue(), values[i]) << i;
    EXPECT_EQ(rs->Field("Notes").StringValue(), values[i]) << i;
    EXPECT_EQ(static_cast<std::string>(rs->Field("WebAddress")), values[i]) << i;
  }
  EXPECT_EQ(i, values.size());
}

TEST_F(DatabaseRecordSetTest, UpdateWritesTheFieldsSetToTheRowTheSetStandsOnAtUpdate) {
  auto db = CreateBook(Letters("abcde"));
  auto rs = db->SQLSelect("select * from PassData");
  rs->Edit();  // on "a"
  rs->MoveNext();
  rs->MoveNext();  // on "c"
  // Someone else changes a column of that row that the edit leaves alone.
  db->SQLExecute("update PassData set UserName = 'changed elsewhere' where Site = 'c'");
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  rs->Field("PassWord").SetStringValue("new password");
  rs->Field("notes").SetStringValue("new notes");
  rs->Update();
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();

  // The set's own copy shows it.
  EXPECT_EQ(rs->Field("PassWord").StringValue(), "new password");
  EXPECT_EQ(rs->Field("Notes").StringValue(), "new notes");
  EXPECT_EQ(rs->Field("Site").StringValue(), "c");

  std::vector<Entry> expected = Letters("abcde");
  expected[2].password = "new password";
  expected[2].notes = "new notes";
  expected[2].user = "changed elsewhere";
  EXPECT_EQ(AllEntries(*db), expected);
  db->Commit();
  db.reset();
  EXPECT_EQ(AllEntries(*Open()), expected);
}

TEST_F(DatabaseRecordSetTest, UpdateWritesNothingOutsideAnEditOrAtTheEnd) {
  auto db = CreateBook(Letters("ab"));
  auto rs = db->SQLSelect("select * from PassData");
  rs->Field("PassWord").SetStringValue("without edit");
  rs->Update();

  rs->Edit();
  rs->MoveNext();
  rs->MoveNext();
  ASSERT_TRUE(rs->Eof());
  rs->Field("PassWord").SetStringValue("at the end");
  rs->Update();
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();

  // The edit has ended: back on a row, an Update without a new Edit writes nothing.
  rs->MoveFirst();
  rs->Field("PassWord").SetStringValue("after the edit");
  rs->Update();
  EXPECT_EQ(AllEntries(*db), Letters("ab"));
}

TEST_F(DatabaseRecordSetTest, DeleteRecordRemovesTheRowItStandsOnAndNothingAtTheEnd) {
  auto db = CreateBook(Letters("abc"));
  auto all = db->SQLSelect("select * from PassData");
  Walk(*all);
  all->DeleteRecord();  // at the end
  EXPECT_FALSE(db->Error()) << db->ErrorMessage();
  EXPECT_EQ(AllEntries(*db), Letters("abc"));

  auto one = db->SQLSelect("select * from PassData where Site = 'b'");
  ASSERT_FALSE(one->Eof());
  one->DeleteRecord();
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  EXPECT_EQ(one->Field("Site").StringValue(), "");
  one->MoveNext();
  EXPECT_TRUE(one->Eof());
  EXPECT_EQ(AllEntries(*db), Letters("ac"));

  // A set standing on a row that goes meanwhile (through another statement)
  // still shows it, but neither changes nor deletes anything in its place:
  // both are refused, not reported done.
  all->MoveFirst();
  all->MoveNext();
  ASSERT_EQ(all->Field("Site").StringValue(), "c");
  db->SQLExecute("delete from PassData where Site = 'c'");
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  EXPECT_EQ(all->Field("Site").StringValue(), "c");
  all->Edit();
  all->Field("PassWord").SetStringValue("lost");
  all->Update();
  EXPECT_TRUE(db->Error());
  EXPECT_NE(db->ErrorMessage().find("no longer"), std::string::npos) << db->ErrorMessage();
  all->DeleteRecord();
  EXPECT_TRUE(db->Error());  // it was already gone
  EXPECT_NE(db->ErrorMessage().find("no longer"), std::string::npos) << db->ErrorMessage();
  EXPECT_TRUE(all->Eof());
  EXPECT_EQ(AllEntries(*db), Letters("a"));
}

TEST_F(DatabaseRecordSetTest, DeletingWhileWalkingVisitsEveryRow) {
  auto db = CreateBook(Letters("abcdef"));
  auto rs = db->SQLSelect("select * from PassData");
  std::string visited;
  for (int i = 0; !rs->Eof(); rs->MoveNext(), ++i) {
    visited += rs->Field("Site").StringValue();
    if (i % 2 == 0) rs->DeleteRecord();
    ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  }
  EXPECT_EQ(visited, "abcdef");
  EXPECT_EQ(AllEntries(*db), Letters("bdf"));
  rs->MoveFirst();
  EXPECT_EQ(Walk(*rs), Letters("bdf"));
}

// Editing finds the exact row through the table's rowid, whatever the table
// calls its columns.
TEST_F(DatabaseRecordSetTest, EditingFindsTheRowInTablesOfEveryShape) {
  struct Shape {
    const char* schema;
    const char* insert;
  } shapes[] = {
      {"create table T(k text, v text)", "insert into T values ('1','x'),('2','x'),('3','x')"},
      {"create table T(id integer primary key, k text, v text)",
       "insert into T values (10,'1','x'),(20,'2','x'),(30,'3','x')"},
      {"create table T(rowid text, k text, v text)", "insert into T values ('r','1','x'),('r','2','x'),('r','3','x')"},
      {"create table T(rowid text, oid text, k text, v text)",
       "insert into T values ('r','o','1','x'),('r','o','2','x'),('r','o','3','x')"},
  };
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.schema);
    fw::SqlDatabase db;
    db.SetDatabaseFilePath(File("shape.rsd"));
    unlink(File("shape.rsd").c_str());
    ASSERT_TRUE(db.CreateDatabaseFile()) << db.ErrorMessage();
    db.SQLExecute(shape.schema);
    db.SQLExecute(shape.insert);
    ASSERT_FALSE(db.Error()) << db.ErrorMessage();

    auto rs = db.SQLSelect("select * from T order by k");
    rs->MoveNext();
    rs->Edit();
    rs->Field("v").SetStringValue("changed");
    rs->Update();
    ASSERT_FALSE(db.Error()) << db.ErrorMessage();
    rs->MoveNext();
    rs->DeleteRecord();
    ASSERT_FALSE(db.Error()) << db.ErrorMessage();

    auto check = db.SQLSelect("select k, v from T order by k");
    std::string rows;
    for (; !check->Eof(); check->MoveNext()) rows += check->Field("k").StringValue() + "=" + check->Field("v").StringValue() + " ";
    EXPECT_EQ(rows, "1=x 2=changed ");
  }
}

// Sets whose rows are not single rows of one table can be read but not changed.
TEST_F(DatabaseRecordSetTest, SetsNotTracedToOneTableRowRefuseChanges) {
  auto db = CreateBook(Letters("abc"));
  db->SQLExecute("create view V as select * from PassData");
  db->SQLExecute("create table W(k integer, Site text, primary key(k)) without rowid");
  db->SQLExecute("insert into W values (1, 'a')");
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  for (const char* sql : {"select * from V", "select * from (select * from PassData)",
                          "select p.Site from PassData p join PassData q on q.Site = p.Site",
                          "select * from W", "select Site from PassData union select Site from W"}) {
    SCOPED_TRACE(sql);
    auto rs = db->SQLSelect(sql);
    ASSERT_FALSE(rs->Eof()) << db->ErrorMessage();
    const std::string site = rs->Field("Site");
    EXPECT_FALSE(site.empty());
    rs->Edit();
    EXPECT_TRUE(db->Error());
    rs->Field("Site").SetStringValue("changed");
    rs->Update();
    rs->DeleteRecord();
    EXPECT_TRUE(db->Error());
    EXPECT_FALSE(db->ErrorMessage().empty());
    EXPECT_EQ(rs->Field("Site").StringValue(), site);
  }
  EXPECT_EQ(AllEntries(*db), Letters("abc"));

  // A computed column is read, but writing it is refused and writes nothing.
  auto rs = db->SQLSelect("select Site, upper(Notes) as Loud from PassData");
  EXPECT_EQ(rs->Field("Loud").StringValue(), "NOTES A");
  rs->Edit();
  rs->Field("Site").SetStringValue("z");
  rs->Field("Loud").SetStringValue("quiet");
  rs->Update();
  EXPECT_TRUE(db->Error());
  EXPECT_EQ(AllEntries(*db), Letters("abc"));
}

TEST_F(DatabaseRecordSetTest, ASetOutlivingItsDatabaseStillReadsAndRefusesWrites) {
  auto db = CreateBook(Letters("ab"));
  auto rs = db->SQLSelect("select * from PassData");
  db.reset();
  EXPECT_EQ(rs->Field("Site").StringValue(), "a");
  rs->Edit();
  rs->Field("PassWord").SetStringValue("x");
  rs->Update();
  rs->DeleteRecord();
  rs->Close();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->Field("Site").StringValue(), "");
  EXPECT_EQ(AllEntries(*Open()), Letters("ab"));
}

// A walk lets the event loop run as its rows come in, so a large table does
// not freeze the windows. A handler run meanwhile may even drop the database:
// the set reads on to its end all the same, and changes nothing any more.
TEST_F(DatabaseRecordSetTest, AWalkLetsTheEventLoopRunAndOutlivesADatabaseDroppedMeanwhile) {
  auto db = CreateBook(Letters("abcdef"));
  auto rs = db->SQLSelect("select * from PassData");
  ASSERT_FALSE(db->Error()) << db->ErrorMessage();
  bool walking = false, ran_inside = false;
  // A slice has passed since the last yield, so the first move yields.
  WaitForTheSliceToPass();
  QTimer::singleShot(0, [&] {
    ran_inside = walking;
    db.reset();
  });
  walking = true;
  const std::vector<Entry> seen = Walk(*rs);
  walking = false;
  EXPECT_TRUE(ran_inside);
  EXPECT_EQ(db, nullptr);
  EXPECT_EQ(seen, Letters("abcdef"));

  rs->MoveFirst();
  ASSERT_EQ(rs->Field("Site").StringValue(), "a");
  rs->Edit();
  rs->Field("PassWord").SetStringValue("x");
  rs->Update();
  rs->DeleteRecord();
  rs.reset();
  EXPECT_EQ(AllEntries(*Open()), Letters("abcdef"));
}

}  // namespace
}  // namespace dbtest
