// Finding an entry by part of its site name or notes, the result list and its
// click, opening an entry, and File > Show All Passwords.
#include <functional>
#include <ostream>

#include "app/Module1.h"
#include "tests/book/Book.h"

namespace booktest {
namespace {

using kestrion::Module1::counter;
using kestrion::Module1::UpdateSiteString;

const std::vector<Row> kBook = {
    {"MyBank", "me", "pw-mybank", "", "https://mybank.example"},
    {"Bank2", "me2", "pw-bank2", "branch office", ""},
    {"Shop", "shopper", "pw-shop", "pay with the bank card", "https://shop.example"},
    {"Mail", "postie", "pw-mail", "inbox\r\nfolders", "https://mail.example"},
    {"Forum", "poster", "pw-forum", "", ""},
};

// --- the outcome of a find, by the search text ----------------------------------
struct FindCase {
  const char* name;
  const char* search;
  int height;
  std::vector<std::string> list;  // the list view's rows, sorted; empty otherwise
  const char* opened;             // the site shown in the entry view, or nullptr
};

void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }

const FindCase kFinds[] = {
    {"SeveralMatchesBySiteAndNotes", "bank", kList, {"Bank2", "MyBank", "Shop"}, nullptr},
    {"LetterCaseIsIgnored", "BANK", kList, {"Bank2", "MyBank", "Shop"}, nullptr},
    {"OneMatchByNotesAloneOpensIt", "card", kEntry, {}, "Shop"},
    {"OneMatchBySiteOpensIt", "mai", kEntry, {}, "Mail"},
    {"TheSearchTextIsTrimmed", "  forum  ", kEntry, {}, "Forum"},
    {"BlanksOnlyMatchEveryEntry", "   ", kList, {"Bank2", "Forum", "Mail", "MyBank", "Shop"}, nullptr},
    {"NoMatch", "zebra", kSearch, {}, nullptr},
};

class Finding : public BookTest, public ::testing::WithParamInterface<FindCase> {};

TEST_P(Finding, ShowsTheViewOfItsOutcome) {
  const FindCase& c = GetParam();
  Start(kBook);
  Find(c.search);

  EXPECT_EQ(win->Height(), c.height);
  EXPECT_EQ(ft::ClientHeightOnScreen(*win), c.height);
  const bool listed = c.height == kList;
  EXPECT_EQ(win->Listbox1().Visible(), listed);
  EXPECT_EQ(win->RoundRectangle2().Visible(), !listed);
  if (listed) {
    EXPECT_EQ(ListRows(), c.list);
    EXPECT_EQ(counter, static_cast<int>(c.list.size()));
    EXPECT_TRUE(Boxes().empty());
    // The list path leaves the entry fields and the save button alone.
    EXPECT_EQ(win->SaveButton().Caption(), "SAVE");
    EXPECT_FALSE(win->SaveButton().Enabled());
  } else if (c.opened) {
    EXPECT_EQ(win->WebSystem().Text(), c.opened);
    EXPECT_EQ(counter, 1);
    EXPECT_TRUE(Boxes().empty());
  } else {
    EXPECT_EQ(Boxes(), std::vector<std::string>{kNotFound});
    EXPECT_TRUE(AttentionPlayed());
    EXPECT_EQ(counter, 0);
    EXPECT_EQ(win->Listbox1().ListCount(), 0);
    EXPECT_EQ(OnScreen(), Entry{});
    EXPECT_EQ(UpdateSiteString, "");
    EXPECT_EQ(Clipboard(), "") << "the empty password of the end of the set goes to the clipboard";
    EXPECT_EQ(win->SearchText().Text(), c.search) << "the search text stays for another try";
  }
}

INSTANTIATE_TEST_SUITE_P(Search, Finding, ::testing::ValuesIn(kFinds),
                         [](const ::testing::TestParamInfo<FindCase>& i) { return std::string(i.param.name); });

// --- opening an entry -------------------------------------------------------------

TEST_F(BookTest, OpeningAnEntryShowsItWithItsPasswordOnTheClipboard) {
  Start(kBook);
  fw::Clipboard().SetText("something else");
  Find("mail");

  EXPECT_EQ(OnScreen(), (Entry{"Mail", "postie", "pw-mail", "inbox\r\nfolders", "https://mail.example"}));
  EXPECT_EQ(UpdateSiteString, "Mail");
  EXPECT_EQ(Clipboard(), "pw-mail");
  EXPECT_TRUE(win->ClipInfo().Visible());
  EXPECT_TRUE(ft::IsSeenOnScreen(win->ClipInfo()));
  EXPECT_EQ(win->ClipInfo().Text(), "(has been copied to clipboard)");
  EXPECT_EQ(win->SaveButton().Caption(), "UPDATE");
  EXPECT_FALSE(win->SaveButton().Enabled()) << "nothing changed yet";
  EXPECT_TRUE(win->PassWord().Password());
  EXPECT_EQ(Focused(), "WebSystem");
  EXPECT_FALSE(win->FindButton().Enabled());
  EXPECT_FALSE(win->AddNewPassword().Enabled());
  EXPECT_TRUE(win->SearchText().Enabled());
  EXPECT_TRUE(win->DeleteButton().Enabled());
  EXPECT_TRUE(ft::IsSeenOnScreen(win->SaveButton()));
}

TEST_F(BookTest, AnEntryWithoutAWebAddressShowsTheStartOfOne) {
  Start(kBook);
  Find("forum");
  EXPECT_EQ(win->WebAddress().Text(), "http://www.");
  EXPECT_FALSE(win->SaveButton().Enabled()) << "the default is no change of the user's";
}

TEST_F(BookTest, FindButtonFindsAndWarnsOfAnEmptySearchBox) {
  Start(kBook);
  ft::Click(win->FindButton());
  EXPECT_EQ(Boxes(), std::vector<std::string>{kSearchEmpty});
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(win->Height(), kSearch);

  ft::ClearShownBoxes();
  ft::TypeText(win->SearchText(), "shop");
  ft::Click(win->FindButton());
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(win->WebSystem().Text(), "Shop");
}

TEST_F(BookTest, ReturnInAnEmptySearchBoxDoesNothing) {
  Start(kBook);
  ft::PressKey(win->SearchText(), ft::Key::Return);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(ft::Notes().empty()) << "no tone";
  EXPECT_EQ(win->Height(), kSearch);
}

TEST_F(BookTest, TheSearchBoxSwallowsTypedCharactersPastAsciiButTakesThemPasted) {
  Start(kBook);
  ft::TypeText(win->SearchText(), "sh\xC3\xA9op");  // shéop
  EXPECT_EQ(win->SearchText().Text(), "shop");
  Paste(win->SearchText(), "\xC3\xA9");
  EXPECT_EQ(win->SearchText().Text(), "shop\xC3\xA9");
}

TEST_F(BookTest, AMatchBySiteAndAnotherByNotesMakeAList) {
  Start({{"Forum", "", "pw", "", ""}, {"Games", "", "pw", "my forum name", ""}});
  Find("forum");
  EXPECT_EQ(win->Height(), kList);
  EXPECT_EQ(ListRows(), (std::vector<std::string>{"Forum", "Games"}));
}

TEST_F(BookTest, EachFindStartsANewList) {
  Start(kBook);
  Find("bank");
  ASSERT_EQ(ListRows().size(), 3u);
  Retype(win->SearchText(), "o");  // Forum, Shop, Mail (folders), Bank2 (office)
  ft::PressKey(win->SearchText(), ft::Key::Return);
  EXPECT_EQ(ListRows(), (std::vector<std::string>{"Bank2", "Forum", "Mail", "Shop"}));
}

TEST_F(BookTest, AFindThatCannotReadTheBookSaysWhyInsteadOfNotFound) {
  Start(kBook);
  Sql().Exec("DROP TABLE PassData");
  Find("bank");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0], kNotFound);
  EXPECT_NE(Boxes()[0].find("no such table: PassData"), std::string::npos) << Boxes()[0];
  EXPECT_EQ(win->Height(), kSearch);
}

// --- the list and its click --------------------------------------------------------

TEST_F(BookTest, ClickingAListRowOpensThatEntry) {
  Start(kBook);
  Find("bank");
  fw::Clipboard().SetText("");
  const int last = win->Listbox1().ListCount() - 1;
  ASSERT_EQ(win->Listbox1().Cell(last, 0), "Shop");
  ft::ClickListRow(win->Listbox1(), last);
  ft::ProcessEvents();

  EXPECT_EQ(win->Height(), kEntry);
  EXPECT_FALSE(win->Listbox1().Visible());
  EXPECT_TRUE(win->RoundRectangle2().Visible());
  EXPECT_EQ(OnScreen(), (Entry{"Shop", "shopper", "pw-shop", "pay with the bank card", "https://shop.example"}));
  EXPECT_EQ(UpdateSiteString, "Shop");
  EXPECT_EQ(Clipboard(), "pw-shop");
  EXPECT_TRUE(win->ClipInfo().Visible());
  EXPECT_EQ(win->SaveButton().Caption(), "UPDATE");
  EXPECT_FALSE(win->SaveButton().Enabled());
  EXPECT_TRUE(win->SearchText().Enabled());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(BookTest, ClickingAListRowWhoseEntryIsGoneSaysNotFoundWithoutTheTone) {
  Start(kBook);
  Find("bank");
  Sql().Exec("DELETE FROM PassData WHERE Site = '" + Window1::Encrypt("MyBank") + "'");
  ft::ClearLog();
  ft::ClickListRow(win->Listbox1(), ListRowOf("MyBank"));
  EXPECT_EQ(Boxes(), std::vector<std::string>{kNotFound});
  EXPECT_FALSE(AttentionPlayed());
  EXPECT_EQ(win->Height(), kSearch);
  EXPECT_EQ(OnScreen(), Entry{});
}

TEST_F(BookTest, NamesThatDifferInLetterCaseOpenFromTheirOwnRows) {
  Start({{"Shop", "upper", "pw1", "", ""}, {"shop", "lower", "pw2", "", ""}});
  for (const char* site : {"shop", "Shop"}) {
    SCOPED_TRACE(site);
    Retype(win->SearchText(), "sho");
    ft::PressKey(win->SearchText(), ft::Key::Return);
    ft::ClickListRow(win->Listbox1(), ListRowOf(site));
    EXPECT_EQ(win->WebSystem().Text(), site);
    EXPECT_EQ(win->UserNameTxt().Text(), std::string(site) == "Shop" ? "upper" : "lower");
    ft::PressKey(win->WebSystem(), ft::Key::Escape);
  }
}

// --- another program writing between the look over the rows and the opening ----------

// The entry a find or a list click opens is the one it found, even when
// another copy of the program deletes an entry before it just after the
// rows were looked over: never the entry that came next.
struct WrittenBetweenCase {
  const char* name;
  std::string change_before;  // made once the list shows, as another copy would
  bool click;                 // a click on the list row of the site opened; else a find of it
  Entry opened;
};
void PrintTo(const WrittenBetweenCase& c, std::ostream* os) { *os << c.name; }

class OpeningWhileAnotherCopyWrites : public BookTest, public ::testing::WithParamInterface<WrittenBetweenCase> {};

const std::vector<Row> kThree = {{"Alpha", "a", "pw-alpha", "", "http://www."},
                                 {"Shop", "shopper", "pw-shop", "", "http://www."},
                                 {"Zed", "z", "pw-zed", "", "http://www."}};

TEST_P(OpeningWhileAnotherCopyWrites, OpensTheEntryItFound) {
  const WrittenBetweenCase& c = GetParam();
  Start(kThree);
  if (c.click) {
    ASSERT_TRUE(ft::ChooseMenuItem(*win, "FileShowAll"));
    ASSERT_EQ(win->Height(), kList);
    if (!c.change_before.empty()) Sql().Exec(c.change_before);
  }
  AfterTheLookForDamage(*win);
  fw::Clipboard().SetText("");
  WritesOnceTheWalkLetsGo other("DELETE FROM PassData WHERE Site = '" + Window1::Encrypt("Alpha") + "'");
  if (c.click) {
    ft::ClickListRow(win->Listbox1(), ListRowOf(c.opened.site == "SHOP" ? "Shop" : c.opened.site));
    ft::ProcessEvents();
  } else {
    Find(c.opened.site);
  }
  ASSERT_TRUE(other.Written()) << "the other copy never found the book free";
  EXPECT_EQ(win->Height(), kEntry);
  EXPECT_EQ(OnScreen(), c.opened);
  EXPECT_EQ(Clipboard(), c.opened.password);
  EXPECT_EQ(UpdateSiteString, c.opened.site);
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
}

INSTANTIATE_TEST_SUITE_P(
    Book, OpeningWhileAnotherCopyWrites,
    ::testing::Values(WrittenBetweenCase{"TheFindsOneMatch", "", false, {"Shop", "shopper", "pw-shop", "", "http://www."}},
                      // The last row: counted again, the rows end before its place.
                      WrittenBetweenCase{"TheFindsOneMatchInTheLastRow", "", false, {"Zed", "z", "pw-zed", "", "http://www."}},
                      // The list shows "Shop"; the other copy renamed it "SHOP" since:
                      // the click opens it by its name in any letter case.
                      WrittenBetweenCase{"TheClickedRowRenamedInLetterCase",
                                         "UPDATE PassData SET Site = '" + Window1::Encrypt("SHOP") +
                                             "' WHERE Site = '" + Window1::Encrypt("Shop") + "'",
                                         true,
                                         {"SHOP", "shopper", "pw-shop", "", "http://www."}}),
    [](const ::testing::TestParamInfo<WrittenBetweenCase>& i) { return std::string(i.param.name); });

// --- Show All ------------------------------------------------------------------------

TEST_F(BookTest, ShowAllListsEveryEntryAndTheLockRowSorted) {
  Start(kBook);
  // Written the way the lock is: a row of its own, without a web address.
  Sql().Exec("INSERT INTO PassData (Site, UserName, PassWord, Notes) VALUES ('" +
             Window1::Encrypt("Kestrion Program Lock") + "', '" + Window1::Encrypt("pet?") + "', '" +
             Window1::Encrypt("lockpw") + "', '" + Window1::Encrypt("rex") + "')");
  ft::TypeText(win->SearchText(), "kept");
  ASSERT_TRUE(ft::ChooseMenuItem(*win, "FileShowAll"));

  EXPECT_EQ(win->Height(), kList);
  EXPECT_TRUE(win->Listbox1().Visible());
  EXPECT_TRUE(ft::IsSeenOnScreen(win->Listbox1()));
  EXPECT_FALSE(win->RoundRectangle2().Visible());
  EXPECT_EQ(ListRows(),
            (std::vector<std::string>{"Bank2", "Forum", "Kestrion Program Lock", "Mail", "MyBank", "Shop"}));
  EXPECT_EQ(win->SearchText().Text(), "kept");
  EXPECT_EQ(counter, 0);
}

TEST_F(BookTest, ShowAllOnAnEmptyBookShowsAnEmptyList) {
  Start();
  ASSERT_TRUE(ft::ChooseMenuItem(*win, "FileShowAll"));
  EXPECT_EQ(win->Height(), kList);
  EXPECT_TRUE(win->Listbox1().Visible());
  EXPECT_EQ(win->Listbox1().ListCount(), 0);
}

TEST_F(BookTest, ShowAllFromTheEntryViewKeepsTheEditsAndTheSearchRowOff) {
  Start(kBook);
  Open("forum");
  ft::TypeText(win->UserNameTxt(), "X");
  ft::PressShortcut(*win, 's');
  EXPECT_EQ(win->Height(), kList);
  EXPECT_EQ(ListRows().size(), kBook.size());
  EXPECT_FALSE(win->FindButton().Enabled());
  EXPECT_FALSE(win->AddNewPassword().Enabled());
  EXPECT_FALSE(win->Label1().Enabled());
  EXPECT_EQ(win->SaveButton().Caption(), "UPDATE");
  EXPECT_TRUE(win->SaveButton().Enabled());
  EXPECT_EQ(win->UserNameTxt().Text(), "posterX");
}

}  // namespace
}  // namespace booktest
