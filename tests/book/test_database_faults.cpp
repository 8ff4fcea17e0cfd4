// Opening the password database when things are not as they should be: two
// copies started at once, folders that cannot be written, a database that is
// not a password book, a book that another program holds locked.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/database/DatabaseSeams.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "tests/support/Child.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

namespace fs = std::filesystem;
using fw::testing::NoteEvent;

const std::vector<NoteEvent> kChime = {{10, 60, 30}, {10, 60, 0}};
const char* kSchema =
    "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
    "WebAddress VarChar)";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The bytes and modification time of a file.
struct Snapshot {
  std::string bytes;
  fs::file_time_type mtime;
  static Snapshot Of(const std::string& path) { return {Slurp(path), fs::last_write_time(path)}; }
  bool operator==(const Snapshot&) const = default;
};

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string TableSql(const std::string& path) {
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(path);
  if (!db.Connect()) return "cannot open: " + db.ErrorMessage();
  auto rs = db.SQLSelect("select sql from sqlite_master where type = 'table'");
  std::string all;
  for (; !rs->Eof(); rs->MoveNext()) all += rs->Field("sql").StringValue() + ";";
  return all;
}

using test::OneLine;

// --- copies of the program in processes of their own ------------------------------

// Run only as a child of the tests below: starts the program on the data
// folder it is given, once told to go, and says what the user saw.
TEST(ProgramCopy, DISABLED_StartsAndReports) {
  const char* data = std::getenv("KESTRION_COPY_DATA_HOME");
  ASSERT_NE(data, nullptr);
  setenv("XDG_DATA_HOME", data, 1);
  if (const char* go = std::getenv("KESTRION_COPY_GO")) {
    std::printf("READY\n");
    std::fflush(stdout);
    char c;
    while (read(std::atoi(go), &c, 1) > 0) {
    }
  }
  Window1& w = test::StartProgram();
  for (const auto& box : fw::testing::ShownBoxes()) std::printf("BOX %s\n", OneLine(box.text).c_str());
  std::printf("QUIT %d\nCODE %d\nOPEN %d\n", fw::QuitRequested() ? 1 : 0, fw::ExitCode(), w.PassDataBase ? 1 : 0);
  std::fflush(stdout);
}

struct CopyReport {
  std::vector<std::string> boxes;
  bool quit = false;
  int code = -1;
  bool open = false;
  std::string output;
};

class Copy {
 public:
  // Starts a copy on `data_home`. With `go`, it waits for Go before the
  // program starts; `as_user` runs it as an unprivileged user when the tests
  // run as root, so that file permissions apply to it.
  Copy(const std::string& data_home, bool go, bool as_user) {
    // Close-on-exec, so that no other copy holds this copy's ends open: the
    // copy learns of Go when the last writer closes.
    int out[2], start[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0 || (go && pipe2(start, O_CLOEXEC) != 0)) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      if (go) setenv("KESTRION_COPY_GO", std::to_string(dup(start[0])).c_str(), 1);
      setenv("KESTRION_COPY_DATA_HOME", data_home.c_str(), 1);
      if (as_user && geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
        _exit(120);
      execl("/proc/self/exe", "test_book", "--gtest_also_run_disabled_tests",
            "--gtest_filter=ProgramCopy.DISABLED_StartsAndReports", static_cast<char*>(nullptr));
      _exit(121);
    }
    close(out[1]);
    out_ = out[0];
    if (go) {
      close(start[0]);
      go_ = start[1];
    }
  }
  ~Copy() {
    if (pid_ > 0) Wait();
  }

  // Blocks until the copy is up and waiting for Go.
  bool Ready() {
    std::string line;
    char c;
    while (read(out_, &c, 1) == 1) {
      output_ += c;
      if (c != '\n') {
        line += c;
        continue;
      }
      if (line == "READY") return true;
      line.clear();
    }
    return false;
  }
  void Go() {
    if (go_ >= 0) close(go_);
    go_ = -1;
  }
  CopyReport Wait() {
    Go();
    output_ += test::OutputOf(pid_, out_);
    pid_ = -1;
    CopyReport r;
    r.output = output_;
    std::istringstream lines(output_);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("BOX ", 0) == 0) r.boxes.push_back(line.substr(4));
      if (line.rfind("QUIT ", 0) == 0) r.quit = line.substr(5) == "1";
      if (line.rfind("CODE ", 0) == 0) r.code = std::atoi(line.c_str() + 5);
      if (line.rfind("OPEN ", 0) == 0) r.open = line.substr(5) == "1";
    }
    return r;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1, go_ = -1;
  std::string output_;
};

// Two copies started together on a fresh data folder, many times over: one
// makes the book, the other must open it, never mistaking the file being made
// for one that is not a database.
TEST(DatabaseFaults, TwoCopiesStartedTogetherBothOpenTheNewBook) {
  constexpr int kTrials = 12;
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE(trial);
    const std::string data_home = std::string(std::getenv("HOME")) + "/copies-" + std::to_string(trial);
    fs::create_directories(data_home);
    Copy first(data_home, true, false), second(data_home, true, false);
    ASSERT_TRUE(first.Ready());
    ASSERT_TRUE(second.Ready());
    first.Go();
    second.Go();
    for (CopyReport r : {first.Wait(), second.Wait()}) {
      EXPECT_TRUE(r.boxes.empty()) << r.output;
      EXPECT_FALSE(r.quit) << r.output;
      EXPECT_TRUE(r.open) << r.output;
    }
    EXPECT_EQ(TableSql(data_home + "/Kestrion/PassDataBaseURL.rsd"), std::string(kSchema) + ";");
    EXPECT_EQ(Names(data_home + "/Kestrion"), std::vector<std::string>{"PassDataBaseURL.rsd"});
  }
}

// The same, held still: the book is in place but its maker has not yet
// committed its table. The program waits for it and opens the book.
TEST(DatabaseFaults, ABookBeingMadeByAnotherCopyIsWaitedForAndOpened) {
  fs::create_directories(test::DataFolderPath());
  fw::SqlDatabase maker;
  maker.SetDatabaseFilePath(test::DatabasePath());
  ASSERT_TRUE(maker.CreateDatabaseFile()) << maker.ErrorMessage();
  bool made = false;
  QTimer::singleShot(50, [&] {
    maker.SQLExecute(kSchema);
    maker.Commit();
    made = !maker.Error();
  });
  fw::testing::ClearLog();
  Window1& w = test::StartProgram();
  EXPECT_TRUE(made);
  EXPECT_TRUE(fw::testing::ShownBoxes().empty()) << OneLine(fw::testing::ShownBoxes()[0].text);
  EXPECT_FALSE(fw::QuitRequested());
  EXPECT_EQ(fw::testing::Notes(), kChime);
  ASSERT_NE(w.PassDataBase, nullptr);
  w.PassDataBase->SQLSelect("select * from PassData");
  EXPECT_FALSE(w.PassDataBase->Error()) << w.PassDataBase->ErrorMessage();
}

// --- folders the program cannot write ------------------------------------------------

// A data home of its own for a copy that runs unprivileged: reachable and
// owned by that user.
struct SharedHome {
  std::string path;
  SharedHome() {
    char tmpl[] = "/tmp/kestrion-folders-XXXXXX";
    path = mkdtemp(tmpl);
    chmod(path.c_str(), 0755);
  }
  ~SharedHome() {
    // Give every folder back its permissions so that it can be removed.
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path, ec); it != fs::recursive_directory_iterator(); ++it)
      if (it->is_directory()) chmod(it->path().c_str(), 0700);
    chmod(path.c_str(), 0700);
    fs::remove_all(path, ec);
  }
  void GiveToUser() const {
    if (geteuid() != 0) return;
    for (const auto& e : fs::recursive_directory_iterator(path)) {
      if (lchown(e.path().c_str(), 65534, 65534) != 0) ADD_FAILURE() << e.path();
    }
    if (lchown(path.c_str(), 65534, 65534) != 0) ADD_FAILURE() << path;
  }
};

TEST(DatabaseFaults, AFolderThatCannotBeWrittenIsReportedAtStartWithItsCause) {
  struct Case {
    const char* name;
    bool book;                   // a book is in the data folder
    const char* locked;          // the folder made read-only: "Kestrion" or "share"
    std::vector<std::string> words;  // what the message must say
  };
  const Case cases[] = {
      {"the data folder read-only, a book inside", true, "Kestrion",
       {"/share/Kestrion\" that holds it cannot be written (permission denied)"}},
      {"the data folder read-only, no book yet", false, "Kestrion",
       {"/share/Kestrion\" cannot be written (permission denied)"}},
      {"the folder above read-only, no data folder yet", false, "share",
       {"/share/Kestrion\" does not exist and cannot be made", "/share\" cannot be written (permission denied)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SharedHome home;
    const std::string share = home.path + "/share";
    const std::string folder = share + "/Kestrion";
    fs::create_directories(std::string(c.locked) == "share" ? share : folder);
    std::string book;
    if (c.book) {
      const std::string saved = std::getenv("XDG_DATA_HOME");
      setenv("XDG_DATA_HOME", share.c_str(), 1);
      test::MakeDatabase({{"MyBank", "me", "pw", "", ""}});
      setenv("XDG_DATA_HOME", saved.c_str(), 1);
      book = folder + "/PassDataBaseURL.rsd";
    }
    home.GiveToUser();
    const Snapshot before = c.book ? Snapshot::Of(book) : Snapshot{};
    chmod((home.path + "/" + (std::string(c.locked) == "share" ? "share" : "share/Kestrion")).c_str(), 0500);

    CopyReport r = Copy(share, false, true).Wait();
    ASSERT_EQ(r.boxes.size(), 1u) << r.output;
    for (const std::string& w : c.words) EXPECT_NE(r.boxes[0].find(w), std::string::npos) << r.boxes[0];
    EXPECT_TRUE(r.quit) << r.output;
    EXPECT_EQ(r.code, 1) << r.output;
    if (c.book) {
      EXPECT_TRUE(Snapshot::Of(book) == before);
      EXPECT_EQ(Names(folder), std::vector<std::string>{"PassDataBaseURL.rsd"});
    } else if (fs::exists(folder)) {
      EXPECT_TRUE(Names(folder).empty());
    }
  }
}

// --- a database that is not a password book ------------------------------------------

// A real SQLite file that is not the book: refused at start, naming what is
// missing, and not changed (it is not ours). One process per file, as in a run.
struct ForeignDatabase {
  const char* name;
  const char* schema;
  const char* missing;
};

void PrintTo(const ForeignDatabase& f, std::ostream* os) { *os << f.name; }

class NotABook : public ::testing::TestWithParam<ForeignDatabase> {};

TEST_P(NotABook, IsRefusedAtStartAndLeftAsItIs) {
  fs::create_directories(test::DataFolderPath());
  {
    fw::SqlDatabase other;
    other.SetDatabaseFilePath(test::DatabasePath());
    ASSERT_TRUE(other.CreateDatabaseFile()) << other.ErrorMessage();
    other.SQLExecute(GetParam().schema);
    other.Commit();
    ASSERT_FALSE(other.Error()) << other.ErrorMessage();
  }
  const Snapshot before = Snapshot::Of(test::DatabasePath());
  fw::testing::ClearLog();
  test::StartProgram();
  ASSERT_EQ(fw::testing::ShownBoxes().size(), 1u);
  const std::string& text = fw::testing::ShownBoxes()[0].text;
  EXPECT_NE(text.find("not a Kestrion password book"), std::string::npos) << text;
  EXPECT_NE(text.find(GetParam().missing), std::string::npos) << text;
  EXPECT_NE(text.find(test::DatabasePath()), std::string::npos) << text;
  EXPECT_TRUE(fw::QuitRequested());
  EXPECT_EQ(fw::ExitCode(), 1);
  EXPECT_TRUE(fw::testing::Notes().empty());  // no chime without a book
  EXPECT_EQ(Window1::Instance().PassDataBase, nullptr);
  EXPECT_TRUE(Snapshot::Of(test::DatabasePath()) == before);
  EXPECT_EQ(Names(test::DataFolderPath()), std::vector<std::string>{"PassDataBaseURL.rsd"});
}

INSTANTIATE_TEST_SUITE_P(
    Files, NotABook,
    ::testing::Values(
        ForeignDatabase{"AnotherProgramsTable",
                        "CREATE TABLE Recipes(Name, Steps); INSERT INTO Recipes VALUES ('soup', 'boil')",
                        "no such table: PassData"},
        ForeignDatabase{"NoTableAtAll", "PRAGMA user_version = 7", "no such table: PassData"},
        ForeignDatabase{"TheTableWithoutItsNotesColumn",
                        "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, UserName VarChar, "
                        "WebAddress VarChar)",
                        "no such column: Notes"}),
    [](const auto& info) { return std::string(info.param.name); });

// A first start that ended after the file appeared and before its table was
// made leaves an empty database: the next start finishes it instead of
// refusing the user's own, empty, book.
TEST(DatabaseFaults, ABookLeftWithoutItsTableByAnEndedFirstStartIsFinished) {
  fs::create_directories(test::DataFolderPath());
  {
    fw::SqlDatabase made;
    made.SetDatabaseFilePath(test::DatabasePath());
    ASSERT_TRUE(made.CreateDatabaseFile()) << made.ErrorMessage();
  }
  Window1& w = test::StartProgram();
  EXPECT_TRUE(fw::testing::ShownBoxes().empty());
  EXPECT_FALSE(fw::QuitRequested());
  ASSERT_NE(w.PassDataBase, nullptr);
  auto rs = w.PassDataBase->SQLSelect("select * from PassData");
  EXPECT_FALSE(w.PassDataBase->Error()) << w.PassDataBase->ErrorMessage();
  EXPECT_TRUE(rs->Eof());
  test::StopProgram();
}

// --- a book that another program holds locked ----------------------------------------

// Another program holding the book in an open exclusive transaction: the
// sqlite3 tool, as a user might leave it.
class LockHolder {
 public:
  LockHolder() {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      execlp("sqlite3", "sqlite3", test::DatabasePath().c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    to_ = in[1];
    from_ = out[0];
    const std::string say = "BEGIN EXCLUSIVE;\nSELECT 'held';\n";
    std::string heard;
    char c;
    if (write(to_, say.data(), say.size()) == static_cast<ssize_t>(say.size()))
      while (heard.find("held\n") == std::string::npos && read(from_, &c, 1) == 1) heard += c;
    EXPECT_EQ(heard, "held\n");
  }
  ~LockHolder() { Release(); }
  void Release() {
    if (pid_ <= 0) return;
    const std::string say = "ROLLBACK;\n";
    EXPECT_EQ(write(to_, say.data(), say.size()), static_cast<ssize_t>(say.size()));
    close(to_);
    close(from_);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1, from_ = -1;
};

QWidget* MainWindowHost() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->windowTitle() == "Kestrion V1.2") return w;
  return nullptr;
}

// While the book is waited for, it is not known yet whether it is locked: the
// main window stays off the screen until the book is open (a locked book shows
// only its prompt), and the event loop runs meanwhile.
TEST(DatabaseFaults, ABookLockedElsewhereIsWaitedForBeforeTheWindowAppears) {
  test::MakeDatabase({{"MyBank", "me", "pw", "", ""}});
  LockHolder holder;
  bool shown = true, ticked = false;
  QTimer::singleShot(150, [&] {
    QWidget* w = MainWindowHost();
    shown = w && w->isVisible();
    ticked = true;
    holder.Release();
  });
  fw::testing::ClearLog();
  Window1& w = test::StartProgram();
  EXPECT_TRUE(ticked);
  EXPECT_FALSE(shown);
  EXPECT_TRUE(fw::testing::IsOnScreen(w));
  EXPECT_TRUE(fw::testing::ShownBoxes().empty()) << OneLine(fw::testing::ShownBoxes()[0].text);
  EXPECT_EQ(fw::testing::Notes(), kChime);
  ASSERT_NE(w.PassDataBase, nullptr);
  auto rs = w.PassDataBase->SQLSelect("select * from PassData");
  EXPECT_EQ(Window1::Decrypt(rs->Field("Site").StringValue()), "MyBank");
}

TEST(DatabaseFaults, ABookHeldByAnotherProgramPastTheWaitIsReportedSoAndLeftAsItIs) {
  fw::seams::SetDatabaseLockWait(std::chrono::milliseconds(300));
  test::MakeDatabase({{"MyBank", "me", "pw", "", ""}});
  const Snapshot before = Snapshot::Of(test::DatabasePath());
  LockHolder holder;
  fw::testing::ClearLog();
  test::StartProgram();
  ASSERT_EQ(fw::testing::ShownBoxes().size(), 1u);
  const std::string& text = fw::testing::ShownBoxes()[0].text;
  EXPECT_NE(text.find("Another program is using the password book"), std::string::npos) << text;
  EXPECT_NE(text.find("Close that program, then start Kestrion again."), std::string::npos) << text;
  EXPECT_NE(text.find("database is locked"), std::string::npos) << text;  // the database's own words
  EXPECT_TRUE(fw::QuitRequested());
  EXPECT_EQ(fw::ExitCode(), 1);
  EXPECT_TRUE(fw::testing::Notes().empty());
  holder.Release();
  EXPECT_TRUE(Snapshot::Of(test::DatabasePath()) == before);
}

// Events that are not the user's input still come in during the wait: the
// window's activation, and a close from the window manager. They must not
// reach into the book while SQLite waits, and the run ends as the user asked.
TEST(DatabaseFaults, AnActivationAndAWindowManagerCloseDuringTheWaitEndTheRunCleanly) {
  test::MakeDatabase({{"MyBank", "me", "pw", "", ""}});
  const Snapshot before = Snapshot::Of(test::DatabasePath());
  LockHolder holder;
  bool book_refused = false;
  QTimer::singleShot(60, [&] {
    QWidget* w = MainWindowHost();
    ASSERT_NE(w, nullptr);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w, &activate);
    // A handler that reaches for the book meanwhile is refused.
    Window1& win = Window1::Instance();
    ASSERT_NE(win.PassDataBase, nullptr);
    win.PassDataBase->SQLSelect("select * from PassData");
    book_refused = win.PassDataBase->Error() && win.PassDataBase->ErrorIsBusy();
    QCloseEvent close;
    QApplication::sendEvent(w, &close);
  });
  QTimer::singleShot(120, [&] { holder.Release(); });
  const int code = test::RunProgram([] {});
  EXPECT_TRUE(book_refused);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(fw::testing::ShownBoxes().empty()) << OneLine(fw::testing::ShownBoxes()[0].text);
  EXPECT_TRUE(Snapshot::Of(test::DatabasePath()) == before);
}

// --- a first start whose table cannot be made ----------------------------------------

TEST(DatabaseFaults, ATableThatCannotBeMadeAtFirstStartIsReported) {
  fw::seams::RefuseDatabaseStatements("CREATE TABLE PassData");
  fw::testing::ClearLog();
  test::StartProgram();
  fw::seams::RefuseDatabaseStatements("");
  ASSERT_EQ(fw::testing::ShownBoxes().size(), 1u);
  EXPECT_NE(fw::testing::ShownBoxes()[0].text.find("not authorized"), std::string::npos)
      << fw::testing::ShownBoxes()[0].text;
  EXPECT_EQ(fw::testing::Notes(), kChime);  // the start goes on, as after any first start
}

}  // namespace
}  // namespace kestrion
