#pragma once
// What the tests of finding and editing entries share: a book made before the
// program starts, the program driven the way a user drives it, and the rows
// read back from the file with SQLite itself, apart from the program.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QThread>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"
#include "framework/Controls.h"
#include "framework/EventLoop.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "tests/support/Program.h"

namespace booktest {

namespace ft = fw::testing;
using kestrion::Window1;
using kestrion::test::Row;

constexpr int kSearch = 86, kList = 385, kEntry = 456;

// The program's own texts.
inline const std::string kSearchEmpty =
    "Search Box Empty\n\nMust Enter Search Text Before Pressing the Find Button or Enter Key";
inline const std::string kNotFound = "Password Not Found";
inline const std::string kBlankSite = "The Web/System name cannot be blank.";
inline const std::string kBlankPassword = "The Password field cannot be blank.";
inline const std::string kDuplicate =
    "Duplicate Item\n\nYou already have an item like this in the database.  You can only have one item with the "
    "same Web Site/System name";
inline const std::string kDeleteQuestion = "Are you sure you want to delete this record?";
inline const std::string kSavePrompt = "Do you wish to save the changes you made?";
constexpr int kYes = 6, kNo = 7;

// One entry, as the user sees it (decoded).
struct Entry {
  std::string site, user, password, notes, address;
  bool operator==(const Entry&) const = default;
};
inline void PrintTo(const Entry& e, std::ostream* os) {
  *os << "{" << e.site << " | " << e.user << " | " << e.password << " | " << testing::PrintToString(e.notes)
      << " | " << e.address << "}";
}

// A connection of the test's own on the program's file: it sees what was
// committed, nothing else.
class Sql {
 public:
  Sql() {
    sqlite3_open_v2(kestrion::test::DatabasePath().c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    // As a program would: the program's look over the book for damage holds
    // a read lock for a moment after the start.
    sqlite3_busy_timeout(db_, 5000);
  }
  ~Sql() { sqlite3_close_v2(db_); }
  Sql(const Sql&) = delete;
  Sql& operator=(const Sql&) = delete;

  void Exec(const std::string& sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
    EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (err ? err : "");
    sqlite3_free(err);
  }

  // Every row as stored (scrambled), in the order of the table, columns in the
  // order site, user, password, notes, address; NULL reads "".
  std::vector<Entry> Raw() {
    std::vector<Entry> rows;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db_, "select Site, UserName, PassWord, Notes, WebAddress from PassData order by rowid", -1,
                       &st, nullptr);
    auto text = [st](int i) {
      const unsigned char* t = sqlite3_column_text(st, i);
      return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(st, i)))
               : std::string();
    };
    while (st && sqlite3_step(st) == SQLITE_ROW) rows.push_back({text(0), text(1), text(2), text(3), text(4)});
    sqlite3_finalize(st);
    return rows;
  }

  std::vector<Entry> Entries() {
    std::vector<Entry> rows = Raw();
    for (Entry& e : rows)
      e = {Window1::Decrypt(e.site), Window1::Decrypt(e.user), Window1::Decrypt(e.password),
           Window1::Decrypt(e.notes), Window1::Decrypt(e.address)};
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

inline std::vector<Entry> Stored() { return Sql().Entries(); }
inline std::vector<Entry> StoredRaw() { return Sql().Raw(); }

// Another program writes `sql` into the book at the first yield at which the
// book is free again after the program has held it (reading its rows), that is
// once a walk over the rows has ended and before whatever comes next.
class WritesOnceTheWalkLetsGo {
 public:
  explicit WritesOnceTheWalkLetsGo(std::string sql) : state_(std::make_shared<State>()) {
    state_->sql = std::move(sql);
    Arm(state_);
  }
  // A try still queued does nothing once the object is gone.
  ~WritesOnceTheWalkLetsGo() { state_->done = true; }
  bool Written() const { return state_->written; }

 private:
  struct State {
    std::string sql;
    bool held = false, written = false, done = false;
  };
  static void Arm(const std::shared_ptr<State>& state) {
    fw::internal::yield_due.store(true);
    ft::RunWhenEventsAreNextProcessed([state] { Try(state); });
  }
  static void Try(const std::shared_ptr<State>& state) {
    if (state->done || state->written) return;
    sqlite3* db = nullptr;
    sqlite3_open_v2(kestrion::test::DatabasePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (!state->held) {
      // A reader holds the book while a walk stands on a row.
      state->held = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_BUSY;
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
      state->written = sqlite3_exec(db, state->sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    sqlite3_close_v2(db);
    if (!state->written) Arm(state);
  }

  std::shared_ptr<State> state_;
};

// The look over the book for damage that the start began holds the book for a
// moment: waited for, so that from then on only the program's own walks do.
inline void AfterTheLookForDamage(Window1& w) {
  bool looked = false;
  w.PassDataBase->CheckForDamage([&](const std::string&) { looked = true; });
  for (int i = 0; i < 5000 && !looked; ++i) {
    ft::ProcessEvents();
    QThread::msleep(1);
  }
  ASSERT_TRUE(looked);
}

class BookTest : public ::testing::Test {
 protected:
  // A later start on a book with these rows.
  void Start(const std::vector<Row>& rows = {}) {
    kestrion::test::MakeDatabase(rows);
    win = &kestrion::test::StartProgram();
    ft::ClearShownBoxes();
    ft::ClearLog();
  }
  void TearDown() override {
    if (win) kestrion::test::StopProgram();
  }

  // Types into the search box and presses Return.
  void Find(const std::string& text) {
    ft::TypeText(win->SearchText(), text);
    ft::PressKey(win->SearchText(), ft::Key::Return);
    ft::ProcessEvents();
  }
  // Opens an entry by a find that matches it alone.
  void Open(const std::string& search) {
    Find(search);
    ASSERT_EQ(win->Height(), kEntry) << "the find for " << search << " opened no entry";
  }
  // Replaces the whole text of a field as the user does: select all, then type.
  void Retype(fw::TextControl& field, const std::string& text) {
    ft::MoveFocusTo(field);
    ft::PressShortcut(*win, 'a');
    if (text.empty()) {
      ft::PressKey(field, ft::Key::Backspace);
    } else {
      ft::TypeText(field, text);
    }
  }
  // Leaving the password field puts it on the clipboard: the field first.
  void Paste(fw::TextControl& field, const std::string& text) {
    ft::MoveFocusTo(field);
    fw::Clipboard().SetText(text);
    ft::PressShortcut(*win, 'v');
  }

  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const ft::ShownBox& b : ft::ShownBoxes()) texts.push_back(b.text);
    return texts;
  }
  std::vector<std::string> ListRows() const {
    std::vector<std::string> rows;
    for (int i = 0; i < win->Listbox1().ListCount(); ++i) rows.push_back(win->Listbox1().Cell(i, 0));
    return rows;
  }
  int ListRowOf(const std::string& site) const {
    for (int i = 0; i < win->Listbox1().ListCount(); ++i)
      if (win->Listbox1().Cell(i, 0) == site) return i;
    return -1;
  }
  Entry OnScreen() const {
    return {win->WebSystem().Text(), win->UserNameTxt().Text(), win->PassWord().Text(), win->Notes().Text(),
            win->WebAddress().Text()};
  }
  std::string Clipboard() const { return fw::Clipboard().Text(); }
  std::string Focused() const {
    for (fw::Control* c : win->Controls())
      if (c->HasFocus()) return c->Name();
    return "(none)";
  }
  bool AttentionPlayed() const {
    for (const ft::NoteEvent& n : ft::Notes())
      if (n == ft::NoteEvent{46, 40, 40}) return true;
    return false;
  }

  Window1* win = nullptr;
};

}  // namespace booktest
