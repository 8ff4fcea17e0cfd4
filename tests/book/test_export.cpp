// File > Export All Passwords...: the question, the text put on the clipboard
// (one six-line CR LF block per entry, in the list's sorted order), the list it
// leaves behind, and the clipboard's erase when the main window closes.
#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <string>
#include <vector>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Clipboard.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "lock/Window5.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

namespace ft = fw::testing;
using test::Row;

const std::string kCrLf = "\r\n";
const std::string kQuestion =
    "EXPORT ALL...  This menu option will export all passwords to the clipboard in alphabetical order so you "
    "can then paste them anywhere you like.  For example, if you wanted to paste them to an iPhone NOTE, first, "
    "go to MAIL on your Mac and click on NOTE. You could then PASTE your passwords to that NOTE and the next "
    "time you sync your iPhone, all of your passwords will be on your iPhone under that note.  CAUTION, Be "
    "careful when exporting!  Exported passwords are not encrypted.  You do not want to paste to an unsecure "
    "area where others may gain access to your passwords!\r\nDO YOU WISH TO CONTINUE? ";
const std::string kExported =
    "Your Passwords Have Been Exported to the Clipboard.  Paste Your Passwords Before Closing Kestrion.\r\n"
    "Kestrion Will Erase the Clipboard When the Kestrion is Closed.";
const std::vector<ft::NoteEvent> kAttention = {{46, 40, 40}, {46, 40, 0}};

std::string Block(const Row& r) {
  return r.site + kCrLf + r.user + kCrLf + r.password + kCrLf + r.notes + kCrLf + r.address + kCrLf + kCrLf;
}

std::string ClipboardText() { return fw::Clipboard().Text(); }

std::vector<std::string> ListRows(Window1& w) {
  std::vector<std::string> rows;
  for (int i = 0; i < w.Listbox1().ListCount(); ++i) rows.push_back(w.Listbox1().Cell(i, 0));
  return rows;
}

// Rows written as they stand, already scrambled (or not): for what the program
// itself never writes.
void InsertStored(const std::vector<std::vector<std::pair<std::string, std::string>>>& rows) {
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(test::DatabasePath());
  ASSERT_TRUE(db.Connect());
  for (const auto& columns : rows) {
    fw::DatabaseRecord rec;
    for (const auto& [name, value] : columns) rec.Column(name, value);
    db.InsertRecord("PassData", rec);
  }
  db.Commit();
  ASSERT_FALSE(db.Error()) << db.ErrorMessage();
}

class Export : public ::testing::Test {
 protected:
  void TearDown() override { test::StopProgram(); }

  Window1& Start(const std::vector<Row>& rows) {
    test::MakeDatabase(rows);
    win = &test::StartProgram();
    return *win;
  }

  // The menu command answered Yes or No; the boxes it showed.
  std::vector<ft::ShownBox> ChooseExport(int answer) {
    ft::ClearShownBoxes();
    ft::ClearLog();
    ft::QueueAnswers({answer});
    EXPECT_TRUE(ft::ChooseMenuItem(*win, "FileExport"));
    return ft::ShownBoxes();
  }

  Window1* win = nullptr;
};

TEST_F(Export, NoCancelsAndLeavesEverythingAsItWas) {
  Start({{"Bank", "u", "p", "", ""}});
  fw::Clipboard().SetText("held before");
  const auto boxes = ChooseExport(7);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, kQuestion);
  EXPECT_EQ(boxes[0].style, 36);
  EXPECT_EQ(boxes[0].title, "");
  EXPECT_EQ(boxes[1].text, "Export Cancelled");
  EXPECT_EQ(boxes[1].style, 0);
  EXPECT_EQ(ft::Notes(), kAttention) << "the warning tone comes before the question, and nothing after";
  EXPECT_EQ(ClipboardText(), "held before");
  EXPECT_EQ(win->Listbox1().ListCount(), 0);
  EXPECT_EQ(Module1::ClearClipBoard, 0);
}

// Stored in this order; listed and exported sorted, each block with the
// fields of its own row.
TEST_F(Export, YesPutsEveryEntryOnTheClipboardInTheListsOrder) {
  const Row mybank{"MyBank", "me", "my-pw", "", "http://www.mybank.example"};
  const Row zeta{"zeta", "", "z", "", ""};
  const Row bank{"Bank", "bank user", "b@nk pw!", "line one\r\nline two\nline three", "http://www.bank.example"};
  const Row alpha{"alpha 1", "a", "a p", "  padded  ", "http://www."};
  Start({mybank, zeta, bank, alpha});
  fw::Clipboard().SetText("held before");

  const auto boxes = ChooseExport(6);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, kQuestion);
  EXPECT_EQ(boxes[1].text, kExported);
  EXPECT_EQ(boxes[1].style, 0);
  EXPECT_EQ(ft::Notes(), kAttention);

  EXPECT_EQ(ClipboardText(), Block(alpha) + Block(bank) + Block(mybank) + Block(zeta));
  EXPECT_EQ(ListRows(*win), (std::vector<std::string>{"alpha 1", "Bank", "MyBank", "zeta"}));
  EXPECT_EQ(Module1::ClearClipBoard, 1);
  // The list is filled but not shown, and the view stays the search row.
  EXPECT_FALSE(win->Listbox1().Visible());
  EXPECT_EQ(win->Height(), 86);
}

TEST_F(Export, AnEntryWithoutLineBreaksGivesExactlySixLines) {
  Start({{"Solo", "", "pw", "", ""}});
  ChooseExport(6);
  EXPECT_EQ(ClipboardText(), "Solo\r\n\r\npw\r\n\r\n\r\n\r\n");
}

TEST_F(Export, TheLockRowIsExportedLikeAnyEntryWithAnEmptyAddressLine) {
  test::MakeDatabase({{"Safe", "s", "sp", "", ""}});
  // The lock row as the lock set-up writes it: no web address at all.
  InsertStored({{{"Site", Window1::Encrypt("Kestrion Program Lock")},
                 {"UserName", Window1::Encrypt("First pet?")},
                 {"PassWord", Window1::Encrypt("lockpw")},
                 {"Notes", Window1::Encrypt("Rex")}}});
  win = &test::StartProgram();
  // The book opens behind the unlock prompt: its password first.
  auto* prompt = static_cast<Window5*>(fw::GetImplicitWindow("Window5.Window5"));
  ASSERT_NE(prompt, nullptr);
  ft::TypeText(prompt->TextField1(), "lockpw");
  ft::PressKey(prompt->TextField1(), ft::Key::Return);
  ChooseExport(6);
  EXPECT_EQ(ClipboardText(), "Kestrion Program Lock\r\nFirst pet?\r\nlockpw\r\nRex\r\n\r\n\r\n" +
                                 Block({"Safe", "s", "sp", "", ""}));
}

// Two stored names can decode to the same text (the table's doubled 7); each
// listed copy takes the fields of the first such row in the table's order.
TEST_F(Export, EachListedNameTakesTheFirstRowWithThatName) {
  test::MakeDatabase({{"Other", "o", "op", "", ""}});
  const std::string site7 = Window1::Encrypt("Site7");
  const std::string site7_again = site7.substr(0, site7.size() - 2) + "79";
  ASSERT_NE(site7, site7_again);
  ASSERT_EQ(Window1::Decrypt(site7_again), "Site7");
  InsertStored({{{"Site", site7_again}, {"UserName", Window1::Encrypt("first")}, {"PassWord", Window1::Encrypt("1")}},
                {{"Site", site7}, {"UserName", Window1::Encrypt("second")}, {"PassWord", Window1::Encrypt("2")}}});
  win = &test::StartProgram();
  ChooseExport(6);
  const std::string first = Block({"Site7", "first", "1", "", ""});
  EXPECT_EQ(ClipboardText(), Block({"Other", "o", "op", "", ""}) + first + first);
  EXPECT_EQ(ListRows(*win), (std::vector<std::string>{"Other", "Site7", "Site7"}));
}

// Many names, some differing only in letter case or by a prefix: each block
// still carries its own entry's fields, in the list's order.
TEST_F(Export, EveryBlockOfALargeBookIsItsOwnEntrys) {
  std::vector<Row> rows;
  std::map<std::string, Row> by_site;
  for (int i = 0; i < 3000; ++i) {
    const std::string stem = std::to_string((i * 7919) % 1000);
    const std::string site = i < 1000 ? stem : i < 2000 ? "Site" + stem : "site" + stem + " ";
    rows.push_back({site, "user" + std::to_string(i), "pw" + std::to_string(i), i % 3 ? "" : "n\r\n" + site,
                    "http://www." + std::to_string(i) + ".example"});
    by_site[site] = rows.back();
  }
  Start(rows);
  ChooseExport(6);
  const std::vector<std::string> listed = ListRows(*win);
  ASSERT_EQ(listed.size(), rows.size());
  std::string want;
  for (const std::string& site : listed) want += Block(by_site.at(site));
  EXPECT_EQ(ClipboardText(), want);
}

TEST_F(Export, AnEmptyBookEmptiesTheClipboardAndStillCounts) {
  Start({});
  fw::Clipboard().SetText("held before");
  const auto boxes = ChooseExport(6);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, kExported);
  EXPECT_EQ(ClipboardText(), "");
  EXPECT_EQ(win->Listbox1().ListCount(), 0);
  EXPECT_EQ(Module1::ClearClipBoard, 1);
}

TEST_F(Export, ASecondExportReplacesTheListAndTheText) {
  Start({{"Gone", "g", "gp", "", ""}});
  ChooseExport(6);
  ASSERT_EQ(ListRows(*win), std::vector<std::string>{"Gone"});
  // The entry goes away behind the program's back; the next export reads the table anew.
  win->PassDataBase->SQLExecute("delete from PassData");
  win->PassDataBase->Commit();
  ChooseExport(6);
  EXPECT_EQ(win->Listbox1().ListCount(), 0);
  EXPECT_EQ(ClipboardText(), "");
}

// A book that cannot be read must not be reported as exported.
TEST_F(Export, AFailedReadIsToldAndChangesNothing) {
  Start({{"Bank", "u", "p", "", ""}});
  win->PassDataBase->SQLExecute("drop table PassData");
  win->PassDataBase->Commit();
  fw::Clipboard().SetText("held before");
  const auto boxes = ChooseExport(6);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1].text, kExported);
  EXPECT_NE(boxes[1].text.find("PassData"), std::string::npos) << boxes[1].text;
  EXPECT_EQ(ClipboardText(), "held before");
  EXPECT_EQ(Module1::ClearClipBoard, 0);
}

// --- the erase at close ------------------------------------------------------------

TEST_F(Export, ClosingAfterAnExportErasesTheClipboard) {
  Start({{"Bank", "u", "p", "", ""}});
  ChooseExport(6);
  ASSERT_FALSE(ClipboardText().empty());
  ft::ClickCloseBox(*win);
  EXPECT_EQ(ClipboardText(), "");
}

TEST_F(Export, ClosingAfterAnExportErasesTextCopiedLater) {
  Start({{"Bank", "u", "p", "", ""}});
  ChooseExport(6);
  // A later copy from the search box's own menu.
  ft::TypeText(win->SearchText(), "copied later");
  ft::PressShortcut(*win, 'a');
  ft::ChooseInNextContextMenu("Copy");
  ASSERT_TRUE(ft::OpenContextMenu(win->SearchText()));
  ASSERT_EQ(ClipboardText(), "copied later");
  ft::ClickCloseBox(*win);
  EXPECT_EQ(ClipboardText(), "");
}

// The session may end the program with a signal, past the main window's close.
TEST(ExportAtSessionEnd, AnEndBySignalAfterAnExportErasesTheClipboard) {
  test::MakeDatabase({{"Bank", "u", "p", "", ""}});
  bool exported = false;
  const int code = test::RunProgram([&] {
    ft::QueueAnswers({6});
    exported = ft::ChooseMenuItem(Window1::Instance(), "FileExport") && !ClipboardText().empty();
    std::raise(SIGTERM);
  });
  EXPECT_TRUE(exported);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ClipboardText(), "");
}

TEST_F(Export, ClosingWithoutAnExportKeepsTheClipboard) {
  Start({{"Bank", "u", "p", "", ""}});
  ChooseExport(7);
  fw::Clipboard().SetText("keep me");
  ft::ClickCloseBox(*win);
  EXPECT_EQ(ClipboardText(), "keep me");
}

}  // namespace
}  // namespace kestrion
