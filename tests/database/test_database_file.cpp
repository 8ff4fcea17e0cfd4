// Creating the database file and connecting to it: the file is private and a
// real database from the start, and anything that is not a database is refused
// and left exactly as it was.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTimer>
#include <filesystem>
#include <functional>

#include "framework/FolderItem.h"
#include "tests/database/DatabaseFixture.h"
#include "tests/support/Child.h"

namespace dbtest {
namespace {

using DatabaseFileTest = DatabaseTest;

TEST_F(DatabaseFileTest, CreateMakesAPrivateDatabaseAtOnceWhateverTheUmask) {
  for (mode_t mask : {mode_t{022}, mode_t{077}, mode_t{0277}, mode_t{0}}) {
    SCOPED_TRACE(mask);
    const std::string path = File("new-" + std::to_string(mask) + ".rsd");
    const mode_t old = umask(mask);
    fw::SqlDatabase db;
    db.SetDatabaseFile(std::make_shared<fw::FolderItem>(path));
    const bool created = db.CreateDatabaseFile();
    umask(old);
    ASSERT_TRUE(created) << db.ErrorMessage();
    EXPECT_FALSE(db.Error());
    EXPECT_EQ(db.DatabaseFile()->NativePath(), path);

    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    // A real database from the first moment, before anything is written to it.
    EXPECT_EQ(ReadBytes(path).substr(0, 16), std::string("SQLite format 3\0", 16));

    // Stays connected: usable without Connect, and another connection accepts the file.
    db.SQLExecute(kSchema);
    db.Commit();
    EXPECT_FALSE(db.Error()) << db.ErrorMessage();
    fw::SqlDatabase other;
    other.SetDatabaseFilePath(path);
    EXPECT_TRUE(other.Connect()) << other.ErrorMessage();
  }
}

// How many names in the file's folder contain its name (a file made under a
// temporary name carries it too).
int NamesOf(const std::string& path) {
  const std::filesystem::path p(path);
  int names = 0;
  for (const auto& e : std::filesystem::directory_iterator(p.parent_path()))
    names += e.path().filename().string().find(p.filename().string()) != std::string::npos;
  return names;
}

// Another connection (another copy of the program) that finds a new file
// waits until its maker has committed the first writes, instead of finding a
// database without its tables; the maker's temporary name is gone by then.
TEST_F(DatabaseFileTest, ANewFileIsLockedUntilItsMakerCommits) {
  fw::SqlDatabase maker;
  maker.SetDatabaseFilePath(path_);
  ASSERT_TRUE(maker.CreateDatabaseFile()) << maker.ErrorMessage();
  EXPECT_EQ(ReadBytes(path_).substr(0, 16), std::string("SQLite format 3\0", 16));
  bool committed_while_waited_for = false;
  QTimer::singleShot(50, [&] {
    maker.SQLExecute(kSchema);
    maker.InsertRecord("PassData", RecordOf(Letters("a")[0]));
    maker.Commit();
    committed_while_waited_for = !maker.Error();
  });
  fw::SqlDatabase other;
  other.SetDatabaseFilePath(path_);
  EXPECT_TRUE(other.Connect()) << other.ErrorMessage();
  EXPECT_TRUE(committed_while_waited_for);
  EXPECT_EQ(AllEntries(other), Letters("a"));

  // The maker goes on by the file's own name, and no second name is left.
  maker.InsertRecord("PassData", RecordOf(Letters("b")[0]));
  maker.Commit();
  ASSERT_FALSE(maker.Error()) << maker.ErrorMessage();
  EXPECT_EQ(AllEntries(other), Letters("ab"));
  EXPECT_EQ(NamesOf(path_), 1);
  ExpectNoSideFiles(path_);
}

// A file made and dropped before its first Commit leaves a database without
// tables under its name, and nothing else.
TEST_F(DatabaseFileTest, ANewFileDroppedBeforeItsFirstCommitLeavesOnlyItself) {
  {
    fw::SqlDatabase maker;
    maker.SetDatabaseFilePath(path_);
    ASSERT_TRUE(maker.CreateDatabaseFile()) << maker.ErrorMessage();
    maker.SQLExecute(kSchema);  // never committed
  }
  EXPECT_EQ(NamesOf(path_), 1);
  ExpectNoSideFiles(path_);
  auto db = Open();
  auto rs = db->SQLSelect("select count(*) as n from sqlite_master");
  EXPECT_EQ(rs->Field("n").StringValue(), "0");
}

TEST_F(DatabaseFileTest, CreateRefusesAnExistingFileAndLeavesItAlone) {
  // A database of the user's, some other file, an empty file.
  CreateBook(Letters("ab")).reset();
  WriteBytes(File("notes.txt"), "keep me\n");
  WriteBytes(File("empty"), "");
  for (const std::string& path : {path_, File("notes.txt"), File("empty")}) {
    SCOPED_TRACE(path);
    const Snapshot before = Snapshot::Of(path);
    fw::SqlDatabase db;
    db.SetDatabaseFilePath(path);
    EXPECT_FALSE(db.CreateDatabaseFile());
    EXPECT_TRUE(db.Error());
    EXPECT_NE(db.ErrorMessage().find(path), std::string::npos) << db.ErrorMessage();
    EXPECT_NE(db.ErrorMessage().find("already exists"), std::string::npos) << db.ErrorMessage();
    EXPECT_TRUE(Snapshot::Of(path) == before);
    ExpectNoSideFiles(path);
  }
  EXPECT_EQ(AllEntries(*Open()).size(), 2u);
}

TEST_F(DatabaseFileTest, CreateFailsCleanlyWithoutAUsablePath) {
  fw::SqlDatabase unset;
  EXPECT_FALSE(unset.CreateDatabaseFile());
  EXPECT_TRUE(unset.Error());
  EXPECT_FALSE(unset.ErrorMessage().empty());

  const std::string path = File("no-such-folder/book.rsd");
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(path);
  EXPECT_FALSE(db.CreateDatabaseFile());
  EXPECT_TRUE(db.Error());
  EXPECT_NE(db.ErrorMessage().find(path), std::string::npos) << db.ErrorMessage();
  EXPECT_FALSE(Exists(path));
  // Not connected: a later select reports that instead of crashing.
  auto rs = db.SQLSelect("select * from PassData");
  ASSERT_NE(rs, nullptr);
  EXPECT_TRUE(rs->Eof());
  EXPECT_TRUE(db.Error());
}

TEST_F(DatabaseFileTest, ConnectOpensAnExistingDatabase) {
  CreateBook(Letters("xyz")).reset();
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(path_);
  EXPECT_TRUE(db.Connect()) << db.ErrorMessage();
  EXPECT_FALSE(db.Error());
  EXPECT_TRUE(db.Connect());  // already connected
  EXPECT_EQ(AllEntries(db), Letters("xyz"));
}

// A file that Connect must refuse, how to make it, and words its message must hold.
struct BadFile {
  const char* name;
  std::function<void(const std::string& path)> make;
  const char* reason;
};

std::string SmallDatabase(const std::string& path) {
  // Enough rows for several pages.
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(path);
  EXPECT_TRUE(db.CreateDatabaseFile()) << db.ErrorMessage();
  db.SQLExecute(kSchema);
  for (int i = 0; i < 200; ++i) {
    db.InsertRecord("PassData", RecordOf({std::to_string(i), std::string(100, 'p'), std::string(100, 'n'), "", ""}));
  }
  db.Commit();
  EXPECT_FALSE(db.Error()) << db.ErrorMessage();
  return ReadBytes(path);
}

const BadFile kBadFiles[] = {
    {"garbage", [](const std::string& p) { WriteBytes(p, std::string(8192, '\x5a') + "not a database"); },
     "not a SQLite database"},
    {"empty", [](const std::string& p) { WriteBytes(p, ""); }, "empty"},
    {"png",
     [](const std::string& p) {
       WriteBytes(p, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x02\0\0\0", 29) +
                         std::string(4096, '\0'));
     },
     "not a SQLite database"},
    {"header only",
     [](const std::string& p) {
       const std::string full = SmallDatabase(p);
       WriteBytes(p, full.substr(0, 100));
     },
     "truncated"},
    {"truncated within a page",
     [](const std::string& p) {
       const std::string full = SmallDatabase(p);
       WriteBytes(p, full.substr(0, full.size() / 2 + 100));
     },
     "truncated"},
    {"truncated at a page boundary",
     [](const std::string& p) {
       const std::string full = SmallDatabase(p);
       ASSERT_GE(full.size(), 3 * 4096u);
       WriteBytes(p, full.substr(0, 2 * 4096));
     },
     "truncated"},
    {"missing", [](const std::string&) {}, "does not exist"},
    {"folder", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0700), 0); }, "folder"},
    {"unreadable",
     [](const std::string& p) {
       SmallDatabase(p);
       ASSERT_EQ(chmod(p.c_str(), 0), 0);
     },
     "permission denied"},
    {"another user's",
     [](const std::string& p) {
       SmallDatabase(p);
       ASSERT_EQ(lchown(p.c_str(), 65534, 65534), 0);
     },
     "the file belongs to another user"},
};

TEST_F(DatabaseFileTest, ConnectRefusesWhatIsNotADatabaseAndLeavesItUntouched) {
  for (const BadFile& bad : kBadFiles) {
    SCOPED_TRACE(bad.name);
    if (std::string(bad.name) == "unreadable" && geteuid() == 0) continue;  // root reads anything
    if (std::string(bad.name) == "another user's" && geteuid() != 0) continue;  // only root can give it away
    const std::string path = File(std::string("bad ") + bad.name + ".rsd");
    bad.make(path);
    const Snapshot before = Snapshot::Of(path);

    fw::SqlDatabase db;
    db.SetDatabaseFilePath(path);
    EXPECT_FALSE(db.Connect());
    EXPECT_TRUE(db.Error());
    const std::string msg = db.ErrorMessage();
    EXPECT_NE(msg.find(path), std::string::npos) << msg;
    EXPECT_NE(msg.find(bad.reason), std::string::npos) << msg;

    // Still refused on a second try, and nothing can be done through it.
    EXPECT_FALSE(db.Connect());
    auto rs = db.SQLSelect("select * from PassData");
    ASSERT_NE(rs, nullptr);
    EXPECT_TRUE(rs->Eof());
    db.InsertRecord("PassData", RecordOf({"1", "2", "", "", ""}));
    EXPECT_TRUE(db.Error());

    EXPECT_TRUE(Snapshot::Of(path) == before);
    ExpectNoSideFiles(path);
  }
}

// Runs `body` in a child process that, when the tests run as root, becomes
// the unprivileged user nobody, so that file permissions apply to it; returns
// what the body returned ("" when all went as expected).
std::string AsOrdinaryUser(const std::function<std::string()>& body) {
  int out[2];
  if (pipe(out) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid == 0) {
    close(out[0]);
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
    const std::string said = body();
    const bool written = write(out[1], said.data(), said.size()) == static_cast<ssize_t>(said.size());
    _exit(written ? 0 : 4);
  }
  close(out[1]);
  return kestrion::test::OutputOf(pid, out[0]);
}

// What cannot be written is refused before anything is saved into it: a
// read-only file, a file in a read-only folder (SQLite keeps its journal
// there), and a new file in a folder that cannot be written or made. The
// message gives the real cause; nothing is left changed or behind.
TEST_F(DatabaseFileTest, WhatCannotBeWrittenIsRefusedWithTheRealCause) {
  struct Case {
    const char* name;
    bool book;               // a book in the folder
    mode_t file_mode;        // of the book
    const char* locked;      // "" (nothing), "folder" or "parent": made read-only (0500)
    bool create;             // CreateDatabaseFile instead of Connect
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"a read-only file", true, 0400, "", false, {"the file cannot be written (read-only)"}},
      {"a book in a read-only folder", true, 0600, "folder", false,
       {"/folder\" that holds it cannot be written (permission denied)"}},
      {"a new file in a read-only folder", false, 0, "folder", true,
       {"the folder \"", "/folder\" cannot be written (permission denied)"}},
      {"a new file in a folder that cannot be made", false, 0, "parent", true,
       {"/folder\" does not exist and cannot be made", "/parent\" cannot be written (permission denied)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char tmpl[] = "/tmp/kestrion-db-perm-XXXXXX";
    const std::string base = mkdtemp(tmpl);
    const std::string parent = base + "/parent";
    const std::string folder = parent + "/folder";
    const std::string file = folder + "/PassDataBaseURL.rsd";
    std::filesystem::create_directories(std::string(c.locked) == "parent" ? parent : folder);
    if (c.book) {
      fw::SqlDatabase maker;
      maker.SetDatabaseFilePath(file);
      ASSERT_TRUE(maker.CreateDatabaseFile()) << maker.ErrorMessage();
      maker.SQLExecute(kSchema);
      maker.Commit();
    }
    if (geteuid() == 0) {
      for (const auto& e : std::filesystem::recursive_directory_iterator(base)) ASSERT_EQ(lchown(e.path().c_str(), 65534, 65534), 0);
      ASSERT_EQ(lchown(base.c_str(), 65534, 65534), 0);
    }
    if (c.book) ASSERT_EQ(chmod(file.c_str(), c.file_mode), 0);
    if (*c.locked) ASSERT_EQ(chmod((std::string(c.locked) == "parent" ? parent : folder).c_str(), 0500), 0);
    const Snapshot before = Snapshot::Of(file);

    const std::string said = AsOrdinaryUser([&] {
      fw::SqlDatabase db;
      db.SetDatabaseFilePath(file);
      const bool ok = c.create ? db.CreateDatabaseFile() : db.Connect();
      if (ok) return std::string("it was accepted");
      std::string missing;
      for (const std::string& w : c.words)
        if (db.ErrorMessage().find(w) == std::string::npos) missing += "[" + w + "] ";
      if (db.ErrorMessage().find(file) == std::string::npos) missing += "[the file's path] ";
      return missing.empty() ? std::string() : "not said: " + missing + "in: " + db.ErrorMessage();
    });
    EXPECT_EQ(said, "");
    EXPECT_TRUE(Snapshot::Of(file) == before);
    if (std::filesystem::exists(folder)) {
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator{}),
                c.book ? 1 : 0);
    }
    chmod(parent.c_str(), 0700);
    chmod(folder.c_str(), 0700);
    std::filesystem::remove_all(base);
  }
}

}  // namespace
}  // namespace dbtest
