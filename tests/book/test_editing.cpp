// Adding, saving, updating and deleting entries; leaving an entry by HOME, Esc,
// a click in the search box or the close box, with the save prompt; what the
// file holds afterwards, read with SQLite.
#include <sys/resource.h>
#include <sys/stat.h>

#include <QTimer>
#include <chrono>
#include <csignal>
#include <functional>
#include <ostream>

#include "app/Module1.h"
#include "framework/database/DatabaseSeams.h"
#include "tests/book/Book.h"

namespace booktest {
namespace {

const Entry kBank = {"Bank", "me", "pw-bank", "card 1234\r\nbranch\rold", "https://bank.example"};
const Entry kShop = {"Shop", "shopper", "pw-shop", "", ""};
const Entry kForum = {"Forum", "poster", "pw-forum", "", "https://forum.example"};

std::vector<Row> RowsOf(const std::vector<Entry>& entries) {
  std::vector<Row> rows;
  for (const Entry& e : entries) rows.push_back({e.site, e.user, e.password, e.notes, e.address});
  return rows;
}
const std::vector<Row> kBook = RowsOf({kBank, kShop, kForum});

std::vector<std::string> Sites() {
  std::vector<std::string> sites;
  for (const Entry& e : Stored()) sites.push_back(e.site);
  return sites;
}

// The process may not write a file past `bytes` while the object lives: as a
// full disk would, once the journal has been written.
class FileCannotGrowPast {
 public:
  explicit FileCannotGrowPast(off_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileCannotGrowPast() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileCannotGrowPast(const FileCannotGrowPast&) = delete;
  FileCannotGrowPast& operator=(const FileCannotGrowPast&) = delete;

 private:
  rlimit saved_{};
  void (*old_handler_)(int) = nullptr;
};

std::string IntegrityCheck() {
  sqlite3* db = nullptr;
  sqlite3_open_v2(kestrion::test::DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_busy_timeout(db, 5000);
  std::string verdict;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
  while (st && sqlite3_step(st) == SQLITE_ROW) verdict += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  sqlite3_finalize(st);
  sqlite3_close(db);
  return verdict;
}

class Editing : public BookTest {
 protected:
  void AddNew() { ft::Click(win->AddNewPassword()); }
  // A new entry typed field by field; the web address is left as Add New set it when empty.
  void NewEntry(const Entry& e) {
    AddNew();
    if (!e.site.empty()) ft::TypeText(win->WebSystem(), e.site);
    if (!e.user.empty()) ft::TypeText(win->UserNameTxt(), e.user);
    if (!e.password.empty()) ft::TypeText(win->PassWord(), e.password);
    if (!e.notes.empty()) ft::TypeText(win->Notes(), e.notes);
    if (!e.address.empty()) Retype(win->WebAddress(), e.address);
  }
  void Save() {
    ft::Click(win->SaveButton());
    ft::ProcessEvents();
  }
  void Delete(int answer) {
    ft::QueueAnswers({answer});
    ft::Click(win->DeleteButton());
    ft::ProcessEvents();
  }
  // The entry is on screen with its edits, still to be saved.
  void ExpectEntryKept(const Entry& shown, const char* caption) {
    EXPECT_EQ(win->Height(), kEntry);
    EXPECT_TRUE(win->RoundRectangle2().Visible());
    EXPECT_FALSE(win->Listbox1().Visible());
    EXPECT_TRUE(ft::IsSeenOnScreen(win->WebSystem()));
    EXPECT_EQ(OnScreen(), shown);
    EXPECT_EQ(win->SaveButton().Caption(), caption);
    EXPECT_TRUE(win->SaveButton().Enabled());
  }
  void ExpectSearchView() {
    EXPECT_EQ(win->Height(), kSearch);
    EXPECT_EQ(win->SaveButton().Caption(), "SAVE");
    EXPECT_FALSE(win->SaveButton().Enabled());
    EXPECT_EQ(OnScreen(), Entry{});
    EXPECT_EQ(Focused(), "SearchText");
  }
};

// --- Add New and SAVE ------------------------------------------------------------

TEST_F(Editing, AddNewOpensAnEmptyEntry) {
  Start(kBook);
  Find("o");  // a list: Forum, Shop, Bank (old)
  ASSERT_EQ(win->Height(), kList);
  AddNew();
  EXPECT_EQ(win->Height(), kEntry);
  EXPECT_FALSE(win->Listbox1().Visible());
  EXPECT_TRUE(win->RoundRectangle2().Visible());
  EXPECT_EQ(OnScreen(), (Entry{"", "", "", "", "http://www."}));
  EXPECT_EQ(win->SearchText().Text(), "");
  EXPECT_FALSE(win->ClipInfo().Visible());
  EXPECT_EQ(win->SaveButton().Caption(), "SAVE");
  EXPECT_FALSE(win->SaveButton().Enabled());
  EXPECT_EQ(Focused(), "WebSystem");
}

TEST_F(Editing, SaveStoresANewEntryTrimmedAndScrambled) {
  Start();
  NewEntry({"  New Site  ", " someone ", " s3cret ", "  first\rsecond  ", ""});
  ft::ClearLog();
  Save();

  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Stored(), (std::vector<Entry>{{"New Site", "someone", "s3cret", "first\nsecond", "http://www."}}));
  for (const Entry& raw : StoredRaw())
    for (const std::string* column : {&raw.site, &raw.user, &raw.password, &raw.notes, &raw.address})
      EXPECT_EQ(column->find_first_not_of("0123456789"), std::string::npos) << *column;
  ExpectSearchView();
  EXPECT_EQ(ft::Notes().back(), (ft::NoteEvent{10, 60, 0})) << "the chime of the search view";
}

struct SaveRefusal {
  const char* name;
  Entry typed;
  std::string box;
  const char* focus;
};
void PrintTo(const SaveRefusal& c, std::ostream* os) { *os << c.name; }

const SaveRefusal kRefusals[] = {
    {"BlankPassword", {"Mail", "postie", "", "", ""}, kBlankPassword, "PassWord"},
    {"SameName", {"Bank", "", "x", "", ""}, kDuplicate, "WebSystem"},
    {"SameNameInOtherLetterCase", {"bANK", "", "x", "", ""}, kDuplicate, "WebSystem"},
    {"SameNameOnceTrimmed", {"  Forum ", "", "x", "", ""}, kDuplicate, "WebSystem"},
};

class SaveRefused : public Editing, public ::testing::WithParamInterface<SaveRefusal> {};

TEST_P(SaveRefused, StoresNothingAndKeepsTheEntry) {
  const SaveRefusal& c = GetParam();
  Start(kBook);
  const auto before = StoredRaw();
  NewEntry(c.typed);
  ft::ClearLog();
  Save();
  EXPECT_EQ(Boxes(), std::vector<std::string>{c.box});
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(Focused(), c.focus);
  EXPECT_EQ(StoredRaw(), before);
  Entry shown = c.typed;
  shown.address = "http://www.";
  ExpectEntryKept(shown, "SAVE");
}

INSTANTIATE_TEST_SUITE_P(Checks, SaveRefused, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<SaveRefusal>& i) { return std::string(i.param.name); });

TEST_F(Editing, TheBlankSiteCheckHoldsThoughTheButtonCannotBePressedThen) {
  Start(kBook);
  NewEntry({"", "", "pw", "", ""});
  EXPECT_FALSE(win->SaveButton().Enabled()) << "a blank site leaves nothing to save";
  win->SaveButtonAction();
  EXPECT_EQ(Boxes(), std::vector<std::string>{kBlankSite});
  EXPECT_EQ(Focused(), "WebSystem");
  EXPECT_EQ(Stored().size(), kBook.size());
}

TEST_F(Editing, ANameThatOnlyContainsAStoredOneIsNoDuplicate) {
  Start({{"MyBank", "", "p", "", ""}, {"Bank2", "", "p", "", ""}, {"xBankx", "", "p", "", ""}});
  NewEntry({"Bank", "", "pw", "", ""});
  Save();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Sites(), (std::vector<std::string>{"MyBank", "Bank2", "xBankx", "Bank"}));
}

// --- the save button as the mark of unsaved changes ----------------------------------

TEST_F(Editing, TheSaveButtonFollowsTheEditsAndTheSiteName) {
  Start(kBook);
  struct Step {
    const char* what;
    std::function<void()> act;
    int height;
    const char* caption;
    bool enabled;
  };
  const Step steps[] = {
      {"start", [] {}, kSearch, "SAVE", false},
      {"Add New", [&] { AddNew(); }, kEntry, "SAVE", false},
      {"a user name under a blank site", [&] { ft::TypeText(win->UserNameTxt(), "u"); }, kEntry, "SAVE", false},
      {"a site", [&] { ft::TypeText(win->WebSystem(), "S"); }, kEntry, "SAVE", true},
      {"the site made blanks", [&] { Retype(win->WebSystem(), "   "); }, kEntry, "SAVE", false},
      {"Esc", [&] { ft::PressKey(win->WebSystem(), ft::Key::Escape); }, kSearch, "SAVE", false},
      {"an opened entry", [&] { Find("shop"); }, kEntry, "UPDATE", false},
      {"a note typed", [&] { ft::TypeText(win->Notes(), "n"); }, kEntry, "UPDATE", true},
      {"UPDATE", [&] { Save(); }, kSearch, "SAVE", false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    s.act();
    EXPECT_EQ(win->Height(), s.height);
    EXPECT_EQ(win->SaveButton().Caption(), s.caption);
    EXPECT_EQ(win->SaveButton().Enabled(), s.enabled);
  }
  EXPECT_TRUE(Boxes().empty());
}

// --- the five fields: the key filter and Esc -------------------------------------

class EachField : public Editing, public ::testing::WithParamInterface<const char*> {
 protected:
  fw::TextControl& Field() { return win->Find<fw::TextControl>(GetParam()); }
};

TEST_P(EachField, SwallowsTypedCharactersPastAsciiAndEscLeavesWithoutAsking) {
  Start(kBook);
  Open("shop");
  const std::string was = Field().Text();
  Field().SetSelStart(0);
  ft::TypeText(Field(), "\xC3\xA9\xE2\x82\xAC");  // é€
  EXPECT_EQ(Field().Text(), was);
  EXPECT_FALSE(win->SaveButton().Enabled());

  ft::TypeText(Field(), "x");
  ASSERT_TRUE(win->SaveButton().Enabled());
  ft::PressKey(Field(), ft::Key::Escape);
  EXPECT_TRUE(Boxes().empty()) << "no save prompt";
  ExpectSearchView();
  EXPECT_EQ(Stored(), (std::vector<Entry>{kBank, kShop, kForum}));
}

INSTANTIATE_TEST_SUITE_P(Fields, EachField,
                         ::testing::Values("WebSystem", "UserNameTxt", "PassWord", "Notes", "WebAddress"));

// --- UPDATE ------------------------------------------------------------------------------

TEST_F(Editing, UpdateRewritesTheOpenedEntry) {
  Start(kBook);
  const auto before = StoredRaw();
  Open("forum");
  Retype(win->WebSystem(), "Forum Two ");
  Retype(win->PassWord(), "new-pw");
  Save();

  EXPECT_TRUE(Boxes().empty());
  const auto after = Stored();
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[2], (Entry{"Forum Two", "poster", "new-pw", "", "https://forum.example"}));
  EXPECT_EQ(StoredRaw()[0], before[0]);
  EXPECT_EQ(StoredRaw()[1], before[1]);
  ExpectSearchView();
  EXPECT_EQ(win->SearchText().Text(), "") << "the search box is emptied after an update";
}

TEST_F(Editing, UpdateKeepsTheLineEndsOfNotesItDidNotChange) {
  Start(kBook);
  const auto before = StoredRaw();
  Find("bank");
  Retype(win->PassWord(), "other");
  Save();
  const auto after = StoredRaw();
  EXPECT_EQ(after[0].notes, before[0].notes) << "byte for byte";
  EXPECT_EQ(Stored()[0].notes, "card 1234\r\nbranch\rold");
  EXPECT_NE(after[0].password, before[0].password);
}

TEST_F(Editing, ALineBreakTypedIntoANoteTakesTheNotesOwnLineEnd) {
  Start(kBook);
  Find("bank");
  win->Notes().SetSelStart(0);
  ft::TypeText(win->Notes(), "pin\r");
  Save();
  EXPECT_EQ(Stored()[0].notes, "pin\r\ncard 1234\r\nbranch\r\nold");
}

// A note of a million characters on one line, as a pasted key or a dump can
// make it: it opens, shows cut at the width of the notes, takes a typed
// character at its end and is stored whole.
TEST_F(Editing, ANoteOfAMillionCharactersOnOneLineOpensTakesACharacterAndIsStoredWhole) {
  std::string note(1000000, ' ');
  for (size_t i = 0; i < note.size(); ++i) note[i] = static_cast<char>('a' + i % 26);
  Start({{"Bank", "me", "pw-bank", note, "https://bank.example"}, {"Shop", "shopper", "pw-shop", "", ""}});
  Open("bank");
  EXPECT_EQ(win->Notes().Text(), note);
  const std::vector<std::string> lines = ft::LinesOnScreen(win->Notes());
  ASSERT_GT(lines.size(), 1000u);
  EXPECT_EQ(lines[0].size(), lines[lines.size() / 2].size()) << "cut where the width ends";

  win->Notes().SetSelStart(static_cast<int>(note.size()));
  ft::TypeText(win->Notes(), "!");
  EXPECT_TRUE(win->SaveButton().Enabled());
  Save();
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
  EXPECT_EQ(win->Height(), kSearch);
  EXPECT_EQ(Stored()[0].notes, note + "!");

  // Ordinary notes keep their words whole meanwhile.
  Open("shop");
  Paste(win->Notes(), "a few words that take more than one line of the notes field to show in full");
  const std::vector<std::string> shop = ft::LinesOnScreen(win->Notes());
  ASSERT_GT(shop.size(), 1u);
  for (size_t i = 0; i + 1 < shop.size(); ++i) EXPECT_EQ(shop[i].back(), ' ') << shop[i];
}

// Each name opens and updates its own row: a name that contains the opened
// one, or equals it but for letter case, is another entry.
TEST_F(Editing, UpdateWritesOnlyTheRowThatWasOpened) {
  const std::vector<Row> rows = {{"MyBank", "u", "p", "", ""},
                                 {"Bank", "u", "p", "", ""},
                                 {"bank", "u", "p", "", ""},
                                 {"Bank2", "u", "p", "", ""}};
  for (const Row& target : rows) {
    SCOPED_TRACE(target.site);
    if (!win) Start(rows);
    const auto before = Stored();
    Retype(win->SearchText(), "bank");
    ft::PressKey(win->SearchText(), ft::Key::Return);
    ft::ClickListRow(win->Listbox1(), ListRowOf(target.site));
    ASSERT_EQ(win->WebSystem().Text(), target.site);
    Retype(win->UserNameTxt(), "changed");
    Save();
    auto expected = before;
    for (Entry& e : expected)
      if (e.site == target.site) {
        e.user = "changed";
        e.address = "http://www.";  // what the field showed for an empty address
      }
    EXPECT_EQ(Stored(), expected);
  }
}

TEST_F(Editing, UpdateOfAnEntryGoneSinceItOpenedSaysSoAndKeepsTheEdits) {
  Start(kBook);
  Open("forum");
  Retype(win->PassWord(), "new-pw");
  Sql().Exec("DELETE FROM PassData WHERE Site = '" + Window1::Encrypt("Forum") + "'");
  Save();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("\"Forum\" is no longer in the database"), std::string::npos) << Boxes()[0];
  ExpectEntryKept({"Forum", "poster", "new-pw", "", "https://forum.example"}, "UPDATE");
  EXPECT_EQ(Sites(), (std::vector<std::string>{"Bank", "Shop"}));
}

// --- writes the database refuses -------------------------------------------------------

TEST_F(Editing, ARenameOntoAnotherEntrysNameIsRefusedInTheDatabasesWords) {
  Start(kBook);
  const auto before = StoredRaw();
  Open("forum");
  Retype(win->WebSystem(), "Shop");
  ft::ClearLog();
  Save();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("UNIQUE constraint failed: PassData.Site"), std::string::npos) << Boxes()[0];
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(StoredRaw(), before);
  ExpectEntryKept({"Shop", "poster", "pw-forum", "", "https://forum.example"}, "UPDATE");

  // Nothing of the refused write lingers: another name goes through.
  ft::ClearShownBoxes();
  Retype(win->WebSystem(), "Forum Two");
  Save();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Sites(), (std::vector<std::string>{"Bank", "Shop", "Forum Two"}));
}

// A full disk refuses a new entry and an update alike. The user is told in
// their own terms that this change was not stored, that the book is as it was
// and that the edits are still on screen; once there is room, the same SAVE
// goes in.
TEST_F(Editing, AFullDiskRefusesTheChangeSaysNothingStoredWasLostAndAllowsItOnceThereIsRoom) {
  const std::string kNotSaved =
      "The changes were not stored: the password book is as it was before this save, and your edits are still on "
      "screen, so you can try again.\n\nThe database said: ";
  const std::string kLong(3000, 'n');
  Start(kBook);
  for (bool update : {false, true}) {
    SCOPED_TRACE(update ? "update" : "new entry");
    ft::ClearShownBoxes();
    const auto before = StoredRaw();
    // The file may not grow by a page.
    win->PassDataBase->SQLExecute("PRAGMA max_page_count = 1");
    Entry shown;
    if (update) {
      Open("forum");
      shown = {"Forum", "poster", "pw-forum", kLong, "https://forum.example"};
    } else {
      NewEntry({"Journal", "", "pw", "", ""});
      shown = {"Journal", "", "pw", kLong, "http://www."};
    }
    Paste(win->Notes(), kLong);
    Save();
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind(kNotSaved, 0), 0u) << Boxes()[0];
    EXPECT_NE(Boxes()[0].find("database or disk is full"), std::string::npos) << Boxes()[0];
    EXPECT_EQ(Boxes()[0].find("lost"), std::string::npos) << Boxes()[0];
    EXPECT_EQ(StoredRaw(), before);
    ExpectEntryKept(shown, update ? "UPDATE" : "SAVE");

    win->PassDataBase->SQLExecute("PRAGMA max_page_count = 100000");
    Save();
    EXPECT_EQ(Boxes().size(), 1u) << "no second message";
    EXPECT_EQ(win->Height(), kSearch);
  }
  EXPECT_EQ(Sites(), (std::vector<std::string>{"Bank", "Shop", "Forum", "Journal"}));
  EXPECT_EQ(Stored()[2].notes, kLong);
}

// The disk refuses the file's growth only when the Commit writes the new
// pages into it, on its helper thread while the windows go on: the journal
// was written, the file was not. The user is told that nothing was stored,
// the file is sound and as it was, and the same save goes in once there is
// room.
TEST_F(Editing, ADiskThatRefusesTheCommitsWritesLeavesTheBookAsItWas) {
  std::vector<Row> rows = kBook;
  for (int i = 0; i < 60; ++i) rows.push_back({"Site " + std::to_string(i), "", "pw", std::string(500, 'x'), ""});
  Start(rows);
  for (bool update : {false, true}) {
    SCOPED_TRACE(update ? "update" : "new entry");
    ft::ClearShownBoxes();
    if (update) {
      Open("forum");
    } else {
      NewEntry({"Journal", "", "pw", "", ""});
    }
    // Pages of their own, which only the Commit writes into the file.
    win->Notes().SetText(std::string(6000, 'n'));
    const auto before = StoredRaw();
    struct stat file {};
    ASSERT_EQ(stat(kestrion::test::DatabasePath().c_str(), &file), 0);
    {
      FileCannotGrowPast limit(file.st_size);
      Save();
    }
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].rfind("The changes were not stored: the password book is as it was before this save", 0), 0u)
        << Boxes()[0];
    EXPECT_NE(Boxes()[0].find("Cannot commit the changes"), std::string::npos) << Boxes()[0];
    EXPECT_EQ(win->Height(), kEntry);
    EXPECT_EQ(StoredRaw(), before);
    EXPECT_EQ(IntegrityCheck(), "ok");

    Save();
    EXPECT_EQ(Boxes().size(), 1u) << "no second message";
    EXPECT_EQ(win->Height(), kSearch);
  }
  EXPECT_EQ(Stored()[2].notes, std::string(6000, 'n'));
  EXPECT_EQ(Stored().back().site, "Journal");
  EXPECT_EQ(Stored().back().notes, std::string(6000, 'n'));
}

enum class Op { Insert, Update, Delete };
enum class Fault { Refused, Locked };

struct WriteFault {
  Op op;
  Fault fault;
};
std::string NameOf(const WriteFault& w) {
  return std::string(w.op == Op::Insert ? "Insert" : w.op == Op::Update ? "Update" : "Delete") +
         (w.fault == Fault::Refused ? "RefusedByTheDatabase" : "WhoseCommitFindsTheFileLocked");
}
void PrintTo(const WriteFault& w, std::ostream* os) { *os << NameOf(w); }

class WriteFails : public Editing, public ::testing::WithParamInterface<WriteFault> {
 protected:
  // Another program on the same file: it refuses the write with a trigger, or
  // holds a read lock that the commit would have to wait out.
  void Arm(Sql& other) {
    const WriteFault& w = GetParam();
    if (w.fault == Fault::Refused) {
      const char* op = w.op == Op::Insert ? "INSERT" : w.op == Op::Update ? "UPDATE" : "DELETE";
      other.Exec(std::string("CREATE TRIGGER refuse BEFORE ") + op +
                 " ON PassData BEGIN SELECT RAISE(ABORT, 'refused by the other program'); END");
    } else {
      win->PassDataBase->SQLExecute("PRAGMA busy_timeout = 100");
      other.Exec("BEGIN");
      other.Exec("SELECT count(*) FROM PassData");
    }
  }
  void Disarm(Sql& other) { other.Exec(GetParam().fault == Fault::Refused ? "DROP TRIGGER refuse" : "COMMIT"); }
  const char* Words() const {
    return GetParam().fault == Fault::Refused ? "refused by the other program" : "database is locked";
  }
  void Act() {
    if (GetParam().op == Op::Delete) {
      Delete(kYes);
    } else {
      Save();
    }
  }
};

TEST_P(WriteFails, TellsTheDatabasesWordsKeepsTheEntryAndCanBeTriedAgain) {
  const WriteFault& w = GetParam();
  Start(kBook);
  Sql other;
  const auto before = StoredRaw();
  Entry shown;
  if (w.op == Op::Insert) {
    NewEntry({"Mail", "postie", "pw-mail", "", ""});
    shown = {"Mail", "postie", "pw-mail", "", "http://www."};
  } else {
    Open("forum");
    if (w.op == Op::Update) Retype(win->PassWord(), "new-pw");
    shown = {"Forum", "poster", w.op == Op::Update ? "new-pw" : "pw-forum", "", "https://forum.example"};
  }
  Arm(other);
  Act();

  const std::vector<std::string> boxes = Boxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_NE(boxes.back().find(Words()), std::string::npos) << boxes.back();
  EXPECT_EQ(StoredRaw(), before);
  EXPECT_EQ(win->Height(), kEntry);
  EXPECT_TRUE(ft::IsOnScreen(*win));
  EXPECT_EQ(OnScreen(), shown);
  EXPECT_EQ(win->SaveButton().Enabled(), w.op != Op::Delete) << "the edits are still unsaved";

  Disarm(other);
  ft::ClearShownBoxes();
  Act();
  EXPECT_EQ(Boxes(), w.op == Op::Delete ? std::vector<std::string>{kDeleteQuestion} : std::vector<std::string>{});
  EXPECT_EQ(win->Height(), kSearch);
  const std::vector<std::string> sites = Sites();
  switch (w.op) {
    case Op::Insert: EXPECT_EQ(sites, (std::vector<std::string>{"Bank", "Shop", "Forum", "Mail"})); break;
    case Op::Update: EXPECT_EQ(Stored()[2].password, "new-pw"); break;
    case Op::Delete: EXPECT_EQ(sites, (std::vector<std::string>{"Bank", "Shop"})); break;
  }
}

INSTANTIATE_TEST_SUITE_P(Writes, WriteFails,
                         ::testing::Values(WriteFault{Op::Insert, Fault::Refused}, WriteFault{Op::Insert, Fault::Locked},
                                           WriteFault{Op::Update, Fault::Refused}, WriteFault{Op::Update, Fault::Locked},
                                           WriteFault{Op::Delete, Fault::Refused}, WriteFault{Op::Delete, Fault::Locked}),
                         [](const ::testing::TestParamInfo<WriteFault>& i) { return NameOf(i.param); });

// --- what the codec cannot store ------------------------------------------------------

enum class Way { Pasted, InputMethod };
struct Unstorable {
  const char* name;
  bool opened;  // an opened entry (UPDATE) rather than a new one
  const char* field;
  Way way;
  std::string text;
  const char* label;
  std::string described;  // "" when the message must not show the character
};
void PrintTo(const Unstorable& c, std::ostream* os) { *os << c.name; }

const Unstorable kUnstorable[] = {
    {"TabPastedIntoNotes", false, "Notes", Way::Pasted, "a\tb", "Notes", "a tab"},
    {"AccentPastedIntoSite", false, "WebSystem", Way::Pasted, "Caf\xC3\xA9", "Web Site or System",
     "the character \"\xC3\xA9\" (U+00E9)"},
    {"EuroComposedIntoUserName", false, "UserNameTxt", Way::InputMethod, "\xE2\x82\xAC", "User Name",
     "the character \"\xE2\x82\xAC\" (U+20AC)"},
    {"AccentComposedIntoNotesOfAnOpenedEntry", true, "Notes", Way::InputMethod, "\xC3\xA9", "Notes",
     "the character \"\xC3\xA9\" (U+00E9)"},
    {"NoBreakSpacePastedIntoWebAddress", false, "WebAddress", Way::Pasted, "x\xC2\xA0y", "Web Address (URL)",
     "(U+00A0)"},
    {"AccentPastedIntoPassword", true, "PassWord", Way::Pasted, "\xC3\xA9", "Your Password", ""},
};

class CannotStore : public Editing, public ::testing::WithParamInterface<Unstorable> {};

TEST_P(CannotStore, RefusesTheSaveNamingTheField) {
  const Unstorable& c = GetParam();
  Start(kBook);
  const auto before = StoredRaw();
  if (c.opened) {
    Open("forum");
  } else {
    NewEntry({"Mail", "postie", "pw", "", ""});
  }
  fw::TextControl& field = win->Find<fw::TextControl>(c.field);
  field.SetSelStart(0);
  if (c.way == Way::Pasted) {
    Paste(field, c.text);
  } else {
    ft::CommitInputMethodText(field, c.text);
  }
  const Entry shown = OnScreen();
  ASSERT_NE(field.Text().find(c.text), std::string::npos) << "the text reached the field";
  ASSERT_TRUE(win->SaveButton().Enabled());
  ft::ClearLog();
  Save();

  ASSERT_EQ(Boxes().size(), 1u);
  const std::string box = Boxes()[0];
  EXPECT_EQ(box.rfind(std::string("The field \"") + c.label + "\" holds ", 0), 0u) << box;
  if (c.described.empty()) {
    EXPECT_EQ(box.find(c.text), std::string::npos) << "a password's character is not shown: " << box;
  } else {
    EXPECT_NE(box.find(c.described), std::string::npos) << box;
  }
  EXPECT_NE(box.find("the entry was not saved"), std::string::npos);
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(Focused(), c.field);
  EXPECT_EQ(StoredRaw(), before);
  ExpectEntryKept(shown, c.opened ? "UPDATE" : "SAVE");
}

INSTANTIATE_TEST_SUITE_P(Characters, CannotStore, ::testing::ValuesIn(kUnstorable),
                         [](const ::testing::TestParamInfo<Unstorable>& i) { return std::string(i.param.name); });

// --- DELETE ------------------------------------------------------------------------------

TEST_F(Editing, DeleteAsksWithTheWindowHiddenThenRemovesTheEntry) {
  Start(kBook);
  Open("forum");
  std::vector<bool> shown_while_asked;
  ft::OnBoxShown([&](const ft::ShownBox&) { shown_while_asked.push_back(ft::IsOnScreen(*win)); });
  ft::ClearLog();
  Delete(kYes);

  ASSERT_EQ(ft::ShownBoxes().size(), 1u);
  EXPECT_EQ(ft::ShownBoxes()[0].text, kDeleteQuestion);
  EXPECT_EQ(ft::ShownBoxes()[0].style, 36);
  EXPECT_EQ(ft::ShownBoxes()[0].title, "");
  EXPECT_EQ(shown_while_asked, std::vector<bool>{false});
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(ft::SoundEvents(), (std::vector<std::string>{"load PoofSound.mp3", "volume PoofSound.mp3 15",
                                                         "play PoofSound.mp3"}));
  EXPECT_EQ(Sites(), (std::vector<std::string>{"Bank", "Shop"}));
  EXPECT_TRUE(ft::IsOnScreen(*win));
  ExpectSearchView();
}

TEST_F(Editing, DeleteAnsweredNoChangesNothing) {
  Start(kBook);
  Open("forum");
  ft::TypeText(win->Notes(), "edit");
  const Entry shown = OnScreen();
  ft::ClearLog();
  Delete(kNo);
  EXPECT_TRUE(ft::SoundEvents().empty());
  EXPECT_EQ(Stored().size(), 3u);
  EXPECT_TRUE(ft::IsOnScreen(*win));
  ExpectEntryKept(shown, "UPDATE");
}

TEST_F(Editing, DeleteRemovesTheOpenedEntryNotTheOneItsSiteFieldNowNames) {
  Start(kBook);
  Open("bank");
  Retype(win->WebSystem(), "Shop");
  Delete(kYes);
  EXPECT_EQ(Sites(), (std::vector<std::string>{"Shop", "Forum"}));
  EXPECT_EQ(Stored()[0], kShop);
}

TEST_F(Editing, DeleteOfANewEntryDeletesNothing) {
  Start(kBook);
  NewEntry({"Shop", "", "pw", "", ""});  // the name of a stored entry
  Delete(kYes);
  EXPECT_EQ(Stored(), (std::vector<Entry>{kBank, kShop, kForum}));
  ExpectSearchView();
}

// --- leaving an entry: HOME, a click in the search box, the save prompt ---------------------

enum class Leave { Home, SearchBoxClick, CloseBox };
const char* NameOf(Leave l) { return l == Leave::Home ? "Home" : l == Leave::SearchBoxClick ? "SearchBoxClick" : "CloseBox"; }

void LeaveBy(Window1& w, Leave l) {
  switch (l) {
    case Leave::Home: ft::Click(w.CloseButton()); break;
    case Leave::SearchBoxClick: ft::MouseDownIn(w.SearchText()); break;
    case Leave::CloseBox: ft::ClickCloseBox(w); break;
  }
}

TEST_F(Editing, HomeWithoutChangesGoesStraightToTheSearchView) {
  Start(kBook);
  Open("forum");
  ft::Click(win->CloseButton());
  EXPECT_TRUE(Boxes().empty());
  ExpectSearchView();
  EXPECT_EQ(win->SearchText().Text(), "") << "HOME empties the search box";
}

struct PromptCase {
  Leave leave;
  int answer;
};
void PrintTo(const PromptCase& c, std::ostream* os) { *os << NameOf(c.leave) << (c.answer == kYes ? " Yes" : " No"); }

class SavePrompt : public Editing, public ::testing::WithParamInterface<PromptCase> {};

TEST_P(SavePrompt, AsksWithTheSearchRowShownAndDoesAsAnswered) {
  const PromptCase& c = GetParam();
  Start(kBook);
  Open("forum");
  Retype(win->PassWord(), "new-pw");
  std::vector<int> heights;
  ft::OnBoxShown([&](const ft::ShownBox&) { heights.push_back(win->Height()); });
  ft::ClearLog();
  ft::QueueAnswers({c.answer});
  LeaveBy(*win, c.leave);

  ASSERT_EQ(ft::ShownBoxes().size(), 1u);
  EXPECT_EQ(ft::ShownBoxes()[0].text, kSavePrompt);
  EXPECT_EQ(ft::ShownBoxes()[0].style, 36);
  EXPECT_EQ(heights, std::vector<int>{kSearch});
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(Stored()[2].password, c.answer == kYes ? "new-pw" : "pw-forum");
  if (c.leave == Leave::CloseBox) {
    EXPECT_TRUE(fw::QuitRequested());
    EXPECT_EQ(fw::ExitCode(), 0);
    EXPECT_EQ(fw::GetImplicitWindow("Window1.Window1"), nullptr);
  } else {
    ExpectSearchView();
    EXPECT_FALSE(fw::QuitRequested());
  }
}

INSTANTIATE_TEST_SUITE_P(Leaving, SavePrompt,
                         ::testing::Values(PromptCase{Leave::Home, kNo}, PromptCase{Leave::Home, kYes},
                                           PromptCase{Leave::SearchBoxClick, kNo},
                                           PromptCase{Leave::SearchBoxClick, kYes},
                                           PromptCase{Leave::CloseBox, kNo}, PromptCase{Leave::CloseBox, kYes}),
                         [](const ::testing::TestParamInfo<PromptCase>& i) {
                           return std::string(NameOf(i.param.leave)) + (i.param.answer == kYes ? "Yes" : "No");
                         });

// A save asked for by the prompt that does not store the entry keeps it on
// screen, edits and all; from the close box, the window and the program stay.
enum class Refusal { BlankPassword, Duplicate, WriteRefused };
struct PromptRefusal {
  Leave leave;
  Refusal refusal;
};
std::string NameOf(const PromptRefusal& c) {
  return std::string(NameOf(c.leave)) + (c.refusal == Refusal::BlankPassword ? "BlankPassword"
                                         : c.refusal == Refusal::Duplicate   ? "Duplicate"
                                                                             : "WriteRefused");
}
void PrintTo(const PromptRefusal& c, std::ostream* os) { *os << NameOf(c); }

class PromptedSaveRefused : public Editing, public ::testing::WithParamInterface<PromptRefusal> {};

TEST_P(PromptedSaveRefused, KeepsTheEntryAndItsEdits) {
  const PromptRefusal& c = GetParam();
  Start(kBook);
  kestrion::Module1::ClearClipBoard = 1;
  Entry shown;
  std::string why;
  switch (c.refusal) {
    case Refusal::BlankPassword:
      NewEntry({"Mail", "postie", "", "", ""});
      shown = {"Mail", "postie", "", "", "http://www."};
      why = kBlankPassword;
      break;
    case Refusal::Duplicate:
      NewEntry({"shop", "", "pw", "", ""});
      shown = {"shop", "", "pw", "", "http://www."};
      why = kDuplicate;
      break;
    case Refusal::WriteRefused:
      Open("forum");
      Retype(win->PassWord(), "new-pw");
      Sql().Exec("CREATE TRIGGER refuse BEFORE UPDATE ON PassData BEGIN SELECT RAISE(ABORT, 'no changes today'); END");
      shown = {"Forum", "poster", "new-pw", "", "https://forum.example"};
      why = "no changes today";
      break;
  }
  const auto before = StoredRaw();
  ft::MoveFocusTo(win->WebSystem());  // leaving the password puts it on the clipboard
  fw::Clipboard().SetText("kept");
  ft::QueueAnswers({kYes});
  LeaveBy(*win, c.leave);
  ft::ProcessEvents();

  const std::vector<std::string> boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0], kSavePrompt);
  EXPECT_NE(boxes[1].find(why), std::string::npos) << boxes[1];
  EXPECT_EQ(StoredRaw(), before);
  ExpectEntryKept(shown, c.refusal == Refusal::WriteRefused ? "UPDATE" : "SAVE");
  if (c.refusal == Refusal::BlankPassword) EXPECT_EQ(Focused(), "PassWord");
  if (c.refusal == Refusal::Duplicate) EXPECT_EQ(Focused(), "WebSystem");
  EXPECT_FALSE(fw::QuitRequested());
  EXPECT_EQ(fw::GetImplicitWindow("Window1.Window1"), win);
  EXPECT_TRUE(ft::IsOnScreen(*win));
  EXPECT_EQ(Clipboard(), "kept") << "the program has not ended";

  // Mended and answered again, the entry is stored and the leave goes on.
  if (c.refusal == Refusal::WriteRefused) Sql().Exec("DROP TRIGGER refuse");
  if (c.refusal == Refusal::BlankPassword) ft::TypeText(win->PassWord(), "pw");
  if (c.refusal == Refusal::Duplicate) Retype(win->WebSystem(), "shop two");
  ft::QueueAnswers({kYes});
  LeaveBy(*win, c.leave);
  if (c.refusal == Refusal::WriteRefused) {
    EXPECT_EQ(Stored()[2].password, "new-pw");
  } else {
    EXPECT_EQ(StoredRaw().size(), before.size() + 1);
  }
  EXPECT_EQ(fw::QuitRequested(), c.leave == Leave::CloseBox);
}

std::vector<PromptRefusal> AllPromptRefusals() {
  std::vector<PromptRefusal> all;
  for (Leave l : {Leave::Home, Leave::SearchBoxClick, Leave::CloseBox})
    for (Refusal r : {Refusal::BlankPassword, Refusal::Duplicate, Refusal::WriteRefused}) all.push_back({l, r});
  return all;
}

INSTANTIATE_TEST_SUITE_P(Leaving, PromptedSaveRefused, ::testing::ValuesIn(AllPromptRefusals()),
                         [](const ::testing::TestParamInfo<PromptRefusal>& i) { return NameOf(i.param); });

// --- closing the main window -----------------------------------------------------------

class Closing : public Editing, public ::testing::WithParamInterface<int> {};

TEST_P(Closing, EndsTheProgramAndEmptiesTheClipboardOnlyAfterAnExport) {
  const int exported = GetParam();
  Start(kBook);
  kestrion::Module1::ClearClipBoard = exported;
  fw::Clipboard().SetText("the export");
  ft::ClickCloseBox(*win);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(fw::QuitRequested());
  EXPECT_EQ(fw::ExitCode(), 0);
  EXPECT_EQ(Clipboard(), exported ? "" : "the export");
}

INSTANTIATE_TEST_SUITE_P(AfterExport, Closing, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& i) { return i.param ? "Yes" : "No"; });

// The program asked to end while a SAVE or an UPDATE syncs the file (the
// window system's close, a second close answered at the save prompt, the
// session's SIGTERM): the change goes in whole, the user is never told that
// it was not stored, and the run ends.
struct EndDuringCommit {
  const char* name;
  bool update;
  bool signal;  // SIGTERM; else the close box
  int answer;   // to a save prompt, should one come
};
void PrintTo(const EndDuringCommit& c, std::ostream* os) { *os << c.name; }

class EndingDuringTheCommit : public Editing, public ::testing::WithParamInterface<EndDuringCommit> {};

TEST_P(EndingDuringTheCommit, KeepsTheChangeWholeAndEndsTheRun) {
  const EndDuringCommit& c = GetParam();
  Start(kBook);
  if (c.update) {
    Open("forum");
    Retype(win->PassWord(), "pw-new");
  } else {
    NewEntry({"Journal", "", "pw-new", "", ""});
  }
  fw::seams::SlowDatabaseCommits(std::chrono::milliseconds(300));
  ft::QueueAnswers({c.answer});
  bool during = false;
  QTimer::singleShot(100, [&] {
    during = true;
    if (c.signal) {
      raise(SIGTERM);
    } else {
      ft::ClickCloseBox(*win);
    }
  });
  Save();
  fw::seams::SlowDatabaseCommits(std::chrono::milliseconds(0));
  // A close that came during the save is carried out once the save is over.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!fw::QuitRequested() && std::chrono::steady_clock::now() < give_up) ft::ProcessEvents();
  ASSERT_TRUE(during) << "the commit was over before the end was asked";
  EXPECT_TRUE(Boxes().empty()) << Boxes()[0];
  EXPECT_TRUE(fw::QuitRequested());
  const std::vector<Entry> stored = Stored();
  if (c.update) {
    EXPECT_EQ(stored[2].password, "pw-new");
  } else {
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[3], (Entry{"Journal", "", "pw-new", "", "http://www."}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commit, EndingDuringTheCommit,
    ::testing::Values(EndDuringCommit{"SaveThenCloseBoxAnsweredYes", false, false, kYes},
                      EndDuringCommit{"SaveThenCloseBoxAnsweredNo", false, false, kNo},
                      EndDuringCommit{"UpdateThenCloseBoxAnsweredYes", true, false, kYes},
                      EndDuringCommit{"UpdateThenCloseBoxAnsweredNo", true, false, kNo},
                      EndDuringCommit{"SaveThenSigterm", false, true, kYes},
                      EndDuringCommit{"UpdateThenSigterm", true, true, kYes}),
    [](const ::testing::TestParamInfo<EndDuringCommit>& i) { return std::string(i.param.name); });

// --- the lock row in the entry view ---------------------------------------------------

const char* kLockKey = "Kestrion Program Lock";

void ExpectLockGuard(Window1& w, bool on) {
  for (fw::Control* c : std::vector<fw::Control*>{&w.WebSystem(), &w.UserNameTxt(), &w.Notes(), &w.WebAddress(),
                                                  &w.DeleteButton()})
    EXPECT_EQ(c->Enabled(), !on) << c->Name();
  EXPECT_TRUE(w.PassWord().Enabled());
}

TEST_F(Editing, TypingTheLockKeyAsASiteLocksTheOtherFieldsUntilTheEntryIsLeft) {
  for (const char* typed : {kLockKey, "KESTRION program lock"}) {
    SCOPED_TRACE(typed);
    if (!win) Start(kBook);
    NewEntry({"", "", "pw", "", ""});
    ft::TypeText(win->WebSystem(), typed);
    ExpectLockGuard(*win, true);
    EXPECT_TRUE(win->SaveButton().Enabled()) << "the guard leaves the save button alone";
    ft::PressKey(win->PassWord(), ft::Key::Escape);
    ExpectLockGuard(*win, false);
    EXPECT_EQ(win->WebSystem().Text(), "");
  }
}

TEST_F(Editing, TheLockRowOpensWithOnlyItsPasswordOpenAndUpdatesAsAnyEntry) {
  Start(kBook);
  // Written the way the lock is written: a row without a web address.
  Sql().Exec("INSERT INTO PassData (Site, UserName, PassWord, Notes) VALUES ('" + Window1::Encrypt(kLockKey) +
             "', '" + Window1::Encrypt("first pet?") + "', '" + Window1::Encrypt("lockpw") + "', '" +
             Window1::Encrypt("rex") + "')");
  Open("kestrion");
  EXPECT_EQ(OnScreen(), (Entry{kLockKey, "first pet?", "lockpw", "rex", "http://www."}));
  ExpectLockGuard(*win, true);
  EXPECT_EQ(Clipboard(), "lockpw");

  Retype(win->PassWord(), "newlock");
  Save();
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Stored().back(), (Entry{kLockKey, "first pet?", "newlock", "rex", "http://www."}));
  ExpectLockGuard(*win, false);
}

const std::string kLockName =
    "The name \"Kestrion Program Lock\" belongs to the program lock, so the entry was not saved.\n\nPlease give "
    "the entry another Web Site or System name. To lock the program, choose Lock Program... from the File menu.";

struct LockName {
  const char* name;
  bool opened;       // an opened entry renamed (UPDATE) rather than a new one (SAVE)
  const char* site;  // as typed
};
void PrintTo(const LockName& c, std::ostream* os) { *os << c.name; }

class EntryNamedAsTheLock : public Editing, public ::testing::WithParamInterface<LockName> {};

// The lock's name, however written, is refused with the edits kept: no entry
// becomes a lock the user never set, and the next start is not locked.
TEST_P(EntryNamedAsTheLock, IsRefusedWithTheEditsKept) {
  const LockName& c = GetParam();
  Start(kBook);
  const auto before = StoredRaw();
  if (c.opened) {
    Open("forum");
    Retype(win->WebSystem(), c.site);
    Retype(win->PassWord(), "new-pw");
  } else {
    NewEntry({"", "", "pw", "", ""});
    ft::TypeText(win->WebSystem(), c.site);
  }
  const Entry shown = OnScreen();
  const bool guarded = !win->WebSystem().Enabled();
  ft::ClearLog();
  Save();

  EXPECT_EQ(Boxes(), std::vector<std::string>{kLockName});
  EXPECT_TRUE(AttentionPlayed());
  EXPECT_EQ(StoredRaw(), before);
  ExpectEntryKept(shown, c.opened ? "UPDATE" : "SAVE");
  // The site field takes the focus, unless the lock-key guard has greyed it.
  if (!guarded) EXPECT_EQ(Focused(), "WebSystem");
  ExpectLockGuard(*win, guarded);

  // Answered Yes, the save prompt of HOME meets the same refusal: the entry stays.
  ft::QueueAnswers({kYes});
  ft::Click(win->CloseButton());
  ft::ProcessEvents();
  EXPECT_EQ(Boxes().back(), kLockName);
  ExpectEntryKept(shown, c.opened ? "UPDATE" : "SAVE");
  EXPECT_EQ(StoredRaw(), before);

  // The next start opens the book: no lock was made.
  kestrion::test::StopProgram();
  win = &kestrion::test::StartProgram();
  EXPECT_TRUE(ft::IsOnScreen(*win));
  EXPECT_EQ(fw::GetImplicitWindow("Window5.Window5"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Names, EntryNamedAsTheLock,
    ::testing::Values(LockName{"NewExactly", false, "Kestrion Program Lock"},
                      LockName{"NewInOtherCaseWithBlanks", false, " kestrion program lock "},
                      LockName{"OpenedRenamedInCapitals", true, "KESTRION PROGRAM LOCK"},
                      LockName{"OpenedRenamedWithBlanks", true, "Kestrion Program Lock  "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Editing, ASiteChangeNeverShowsABookThatTheLockKeepsClosed) {
  kestrion::test::MakeDatabase(kBook);
  Sql().Exec("INSERT INTO PassData (Site, UserName, PassWord, Notes) VALUES ('" + Window1::Encrypt(kLockKey) +
             "', '" + Window1::Encrypt("pet?") + "', '" + Window1::Encrypt("lockpw") + "', '" +
             Window1::Encrypt("rex") + "')");
  win = &kestrion::test::StartProgram();
  ASSERT_FALSE(ft::IsOnScreen(*win)) << "the unlock prompt is up";
  win->WebSystem().SetText("Bank");
  win->WebSystem().SetText("");
  EXPECT_FALSE(ft::IsOnScreen(*win));
}

}  // namespace
}  // namespace booktest
