// The book survives the program being killed at any moment: a copy of the
// program saves, updates and deletes entries, locks and unlocks, and passes
// the prompt by the password or the security answer, over and over, while
// this test kills it with SIGKILL at a random moment and starts it again.
// After each kill the file is sound, everything the user was told was saved
// is in it, and a change under way is there whole or not at all.
#include <fcntl.h>
#include <signal.h>
#include <poll.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <ctime>
#include <string>
#include <vector>

#include "app/Module1.h"
#include "book/Window1.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"
#include "lock/Window4.h"
#include "lock/Window5.h"
#include "tests/support/Child.h"
#include "tests/support/Program.h"

namespace killtest {
namespace {

namespace ft = fw::testing;
using kestrion::Window1;

const char* const kLockKey = "Kestrion Program Lock";
const char* const kLockPassword = "lock-pw";
const char* const kLockAnswer = "blue";
constexpr int kYes = 6;
constexpr int kSearch = 86;

// What a copy says, one line each, flushed at once: the parent reads what
// was said before the kill. "TRY" comes before an action, "ACK" once the user
// saw it done, "REFUSED" when the user was told it was not.
void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::string BoxesSaid() {
  std::string all;
  for (const ft::ShownBox& b : ft::ShownBoxes()) all += "[" + kestrion::test::OneLine(b.text) + "]";
  return all;
}

void Retype(Window1& w, fw::TextControl& field, const std::string& text) {
  ft::MoveFocusTo(field);
  ft::PressShortcut(w, 'a');
  ft::TypeText(field, text);
}

bool OpenEntry(Window1& w, const std::string& site) {
  w.SearchText().SetText("");
  ft::TypeText(w.SearchText(), site);
  ft::PressKey(w.SearchText(), ft::Key::Return);
  ft::ProcessEvents();
  return w.Height() != kSearch && w.WebSystem().Text() == site;
}

// Run only as a child of the tests below: the program on the book in
// KESTRION_KILL_DATA_HOME, doing one thing after another until it is killed.
// With a KESTRION_KILL_LANE, one of several copies at work on the book at
// once: it touches only the entries whose names begin with its lane, and
// leaves the lock alone.
TEST(KilledCopy, DISABLED_WorksUntilKilled) {
  const char* data = std::getenv("KESTRION_KILL_DATA_HOME");
  const char* seed_text = std::getenv("KESTRION_KILL_SEED");
  ASSERT_TRUE(data && seed_text);
  const std::string lane = std::getenv("KESTRION_KILL_LANE") ? std::getenv("KESTRION_KILL_LANE") : "";
  Say(std::string("HOME ") + std::getenv("HOME"));
  setenv("XDG_DATA_HOME", data, 1);
  const unsigned seed = static_cast<unsigned>(std::atoi(seed_text));
  std::mt19937 random(seed);

  // The entries as this copy finds them, by site.
  std::vector<std::string> sites;
  {
    sqlite3* db = nullptr;
    sqlite3_open_v2(kestrion::test::DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select Site from PassData", -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
      const std::string site = Window1::Decrypt(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
      if (site != kLockKey && site.rfind(lane, 0) == 0) sites.push_back(site);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
  }

  Window1& w = kestrion::test::StartProgram();
  bool locked = false;
  if (kestrion::Window5::Asking()) {
    kestrion::Window5& prompt = kestrion::Window5::Instance();
    if (random() % 2) {
      Say("TRY PASS");
      ft::TypeText(prompt.TextField1(), kLockPassword);
      ft::PressKey(prompt.TextField1(), ft::Key::Return);
      ft::ProcessEvents();
      locked = true;
      Say("ACK PASS");
    } else {
      Say("TRY RESET");
      ft::QueueAnswers({kYes});
      ft::Click(prompt.Label2());
      ft::ProcessEvents();
      ft::TypeText(prompt.TextField2(), kLockAnswer);
      ft::PressKey(prompt.TextField2(), ft::Key::Return);
      ft::ProcessEvents();
      Say("ACK RESET");
    }
  } else {
    // The menu knows whether the book is locked.
    locked = !w.FileLockProgram().AutoEnable();
  }
  Say("READY");

  for (int n = 0;; ++n) {
    ft::ClearShownBoxes();
    const std::string tag = std::to_string(seed) + "-" + std::to_string(n);
    const int what = static_cast<int>(random() % (lane.empty() ? 10 : 8));
    if (what < 3 || sites.empty()) {
      // A new entry, with notes long enough to span pages of the file.
      // Each site ends in "x", so that no site is found inside another.
      const std::string site = lane + "s" + tag + "x", password = "p" + tag;
      const std::string notes(random() % 6000, 'n');
      Say("TRY SAVE " + site + " " + password + " " + std::to_string(notes.size()));
      ft::Click(w.AddNewPassword());
      ft::TypeText(w.WebSystem(), site);
      ft::TypeText(w.PassWord(), password);
      if (!notes.empty()) ft::TypeText(w.Notes(), notes.substr(0, 1));
      if (notes.size() > 1) {
        w.Notes().SetText(notes);
      }
      ft::Click(w.SaveButton());
      ft::ProcessEvents();
      if (ft::ShownBoxes().empty() && w.Height() == kSearch) {
        sites.push_back(site);
        Say("ACK SAVE " + site);
      } else {
        Say("REFUSED " + BoxesSaid());
        ft::Click(w.CloseButton());
      }
    } else if (what < 6) {
      const std::string site = sites[random() % sites.size()], password = "u" + tag;
      Say("TRY UPDATE " + site + " " + password);
      if (!OpenEntry(w, site)) {
        Say("REFUSED cannot open " + site + " " + BoxesSaid() + " (the book said: " +
            (w.PassDataBase->Error() ? w.PassDataBase->ErrorMessage() : "nothing") + ")");
        continue;
      }
      Retype(w, w.PassWord(), password);
      ft::Click(w.SaveButton());
      ft::ProcessEvents();
      if (ft::ShownBoxes().empty() && w.Height() == kSearch) {
        Say("ACK UPDATE " + site + " " + password);
      } else {
        Say("REFUSED " + BoxesSaid());
      }
    } else if (what < 8) {
      const size_t at = random() % sites.size();
      const std::string site = sites[at];
      Say("TRY DELETE " + site);
      if (!OpenEntry(w, site)) {
        Say("REFUSED cannot open " + site + " " + BoxesSaid() + " (the book said: " +
            (w.PassDataBase->Error() ? w.PassDataBase->ErrorMessage() : "nothing") + ")");
        continue;
      }
      ft::QueueAnswers({kYes});
      ft::Click(w.DeleteButton());
      ft::ProcessEvents();
      if (ft::ShownBoxes().size() == 1 && w.Height() == kSearch) {
        sites.erase(sites.begin() + static_cast<long>(at));
        Say("ACK DELETE " + site);
      } else {
        Say("REFUSED " + BoxesSaid());
      }
    } else if (!locked) {
      Say("TRY LOCK");
      ASSERT_TRUE(ft::ChooseMenuItem(w, "FileLockProgram"));
      kestrion::Window4& s = kestrion::Window4::Instance();
      ft::TypeText(s.GatemarkText1(), kLockPassword);
      ft::TypeText(s.GatemarkText2(), kLockPassword);
      ft::TypeText(s.SecurityQtext(), "colour");
      ft::TypeText(s.SecurityAtext(), kLockAnswer);
      ft::Click(s.LockProgramNow());
      ft::ProcessEvents();
      if (ft::ShownBoxes().size() == 1 && ft::ShownBoxes()[0].text.rfind("Kestrion Program has been locked.", 0) == 0) {
        locked = true;
        Say("ACK LOCK");
      } else {
        Say("REFUSED " + BoxesSaid());
      }
    } else {
      Say("TRY UNLOCK");
      ft::QueueAnswers({kYes});
      ASSERT_TRUE(ft::ChooseMenuItem(w, "FileUnLockProgram"));
      ft::ProcessEvents();
      if (ft::ShownBoxes().size() == 2 &&
          ft::ShownBoxes()[1].text.rfind("The Kestrion program has been unlocked.", 0) == 0) {
        locked = false;
        Say("ACK UNLOCK");
      } else {
        Say("REFUSED " + BoxesSaid());
      }
    }
  }
}

// --- the parent: starts the copy, kills it, reads the book ---------------------------

struct Stored {
  std::string password, notes_length;
};

// What the file holds, read as the next start would read it: a journal a
// killed run left behind is rolled back first.
struct Book {
  std::string integrity;
  std::map<std::string, Stored> entries;
  int locks = 0;
  std::string lock_password;
};

Book ReadBook() {
  Book b;
  sqlite3* db = nullptr;
  sqlite3_open_v2(kestrion::test::DatabasePath().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr);
  while (st && sqlite3_step(st) == SQLITE_ROW) b.integrity += reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
  sqlite3_finalize(st);
  sqlite3_prepare_v2(db, "select Site, PassWord, length(Notes) from PassData", -1, &st, nullptr);
  while (st && sqlite3_step(st) == SQLITE_ROW) {
    auto text = [&](int i) {
      const unsigned char* t = sqlite3_column_text(st, i);
      return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    const std::string site = Window1::Decrypt(text(0));
    const std::string password = Window1::Decrypt(text(1));
    if (site == kLockKey) {
      ++b.locks;
      b.lock_password = password;
    } else {
      b.entries[site] = {password, text(2)};
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  return b;
}

struct Run {
  std::vector<std::string> lines;
  int status = 0;
};

// When a copy is killed: `after` it has begun (during its start or while it
// works), or, with `in_a_write`, that long after the book's journal appears,
// that is in the middle of a write.
struct KillAt {
  std::chrono::microseconds after;
  bool in_a_write = false;
};

// The state of the book's journal: a journal that a kill left before its
// header was written stays until the next write, so a write is a journal
// that appears or changes.
std::string JournalState() {
  struct stat st {};
  if (stat((kestrion::test::DatabasePath() + "-journal").c_str(), &st) != 0) return {};
  return std::to_string(st.st_ino) + "/" + std::to_string(st.st_size) + "/" + std::to_string(st.st_mtim.tv_sec) + "." +
         std::to_string(st.st_mtim.tv_nsec);
}

// Copies started at once on the book, one per lane ("" alone: the only
// copy), each killed as its KillAt says; what each said.
std::vector<Run> RunAndKill(unsigned seed, const std::vector<std::string>& lanes, const std::vector<KillAt>& when,
                            int signal_number) {
  std::vector<Run> runs(lanes.size());
  std::vector<pid_t> pids;
  std::vector<int> outs;
  const std::string journal_before = JournalState();
  for (size_t c = 0; c < lanes.size(); ++c) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return runs;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      // The copy's own complaints (the offscreen platform's) are of no interest here.
      if (const int null = open("/dev/null", O_WRONLY); null >= 0) dup2(null, 2);
      setenv("KESTRION_KILL_DATA_HOME", std::getenv("XDG_DATA_HOME"), 1);
      setenv("KESTRION_KILL_SEED", std::to_string(seed + c).c_str(), 1);
      setenv("KESTRION_KILL_LANE", lanes[c].c_str(), 1);
      execl("/proc/self/exe", "test_book", "--gtest_also_run_disabled_tests",
            "--gtest_filter=KilledCopy.DISABLED_WorksUntilKilled", static_cast<char*>(nullptr));
      _exit(121);
    }
    close(out[1]);
    pids.push_back(pid);
    outs.push_back(out[0]);
  }
  // Killed from threads of their own, so that this one keeps reading.
  std::vector<std::thread> killers;
  for (size_t c = 0; c < pids.size(); ++c) {
    killers.emplace_back([pid = pids[c], at = when[c], signal_number, journal_before] {
      if (at.in_a_write) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        for (std::string now = journal_before;
             (now.empty() || now == journal_before) && std::chrono::steady_clock::now() < give_up; now = JournalState())
          std::this_thread::sleep_for(std::chrono::microseconds(20));
      }
      std::this_thread::sleep_for(at.after);
      kill(pid, signal_number);
    });
  }
  std::vector<std::string> pending(pids.size());
  for (size_t open_pipes = pids.size(); open_pipes > 0;) {
    std::vector<pollfd> fds;
    for (int fd : outs) fds.push_back({fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0) continue;
    for (size_t c = 0; c < fds.size(); ++c) {
      if (outs[c] < 0 || !(fds[c].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buf[4096];
      const ssize_t n = read(outs[c], buf, sizeof buf);
      if (n <= 0) {
        close(outs[c]);
        outs[c] = -1;
        --open_pipes;
        continue;
      }
      pending[c].append(buf, static_cast<size_t>(n));
      for (size_t nl; (nl = pending[c].find('\n')) != std::string::npos;) {
        runs[c].lines.push_back(pending[c].substr(0, nl));
        pending[c].erase(0, nl + 1);
      }
    }
  }
  for (size_t c = 0; c < pids.size(); ++c) {
    waitpid(pids[c], &runs[c].status, 0);
    killers[c].join();
    if (!pending[c].empty()) runs[c].lines.push_back(pending[c] + " (cut off)");
  }
  return runs;
}

// The book as the user was told it is, and what the change under way may
// have left: before or after it, never a piece of it.
struct Expected {
  std::map<std::string, std::string> entries;  // site: password
  bool locked = false;
};

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// Checks the entries of `lane` in the book against what the user of that
// copy was told in `run`; the expectation then follows the book where the
// kill left a change undecided.
std::string Check(const Book& whole, const Run& run, const std::string& lane, Expected& e) {
  Book book = whole;
  for (auto it = book.entries.begin(); it != book.entries.end();)
    it = it->first.rfind(lane, 0) == 0 ? std::next(it) : book.entries.erase(it);
  std::vector<std::string> undecided;  // the TRY without its answer
  std::string told_reset;
  for (const std::string& line : run.lines) {
    const std::vector<std::string> w = Words(line);
    if (w.empty()) continue;
    if (w[0] == "TRY") {
      undecided = w;
    } else if (w[0] == "REFUSED") {
      undecided.clear();
    } else if (w[0] == "ACK") {
      undecided.clear();
      if (w[1] == "SAVE") e.entries[w[2]] = "p" + w[2].substr(lane.size() + 1, w[2].size() - lane.size() - 2);
      if (w[1] == "UPDATE") e.entries[w[2]] = w[3];
      if (w[1] == "DELETE") e.entries.erase(w[2]);
      if (w[1] == "LOCK") e.locked = true;
      if (w[1] == "UNLOCK") e.locked = false;
      if (w[1] == "RESET") {
        e.locked = false;
        told_reset = "told";
      }
    }
  }
  std::ostringstream problems;
  // Every entry the user was told about, as told, unless the change under
  // way concerns it.
  const std::string undecided_site = undecided.size() > 2 ? undecided[2] : "";
  for (const auto& [site, password] : e.entries) {
    auto it = book.entries.find(site);
    if (site == undecided_site) continue;
    if (it == book.entries.end()) {
      problems << "acknowledged entry " << site << " is missing; ";
    } else if (it->second.password != password) {
      problems << site << " holds " << it->second.password << " instead of " << password << "; ";
    }
  }
  for (const auto& [site, stored] : book.entries) {
    if (e.entries.count(site) || site == undecided_site) continue;
    problems << "unacknowledged entry " << site << " is stored; ";
  }
  if (!undecided.empty() && undecided_site.size()) {
    const auto it = book.entries.find(undecided_site);
    const std::string& op = undecided[1];
    const auto was = e.entries.find(undecided_site);
    if (op == "SAVE" && it != book.entries.end()) {
      if (it->second.password != undecided[3] || it->second.notes_length != std::to_string(2 * std::stoul(undecided[4])))
        problems << "the save under way left a piece of " << undecided_site << "; ";
    }
    if (op == "UPDATE") {
      if (it == book.entries.end()) {
        problems << "the update under way lost " << undecided_site << "; ";
      } else if (it->second.password != undecided[3] && (was == e.entries.end() || it->second.password != was->second)) {
        problems << "the update under way left " << undecided_site << " with " << it->second.password << "; ";
      }
    }
    if (op == "DELETE" && it != book.entries.end() && was != e.entries.end() && it->second.password != was->second)
      problems << "the delete under way changed " << undecided_site << "; ";
    // Follow the book.
    if (it == book.entries.end()) {
      e.entries.erase(undecided_site);
    } else {
      e.entries[undecided_site] = it->second.password;
    }
  }
  if (!lane.empty()) return problems.str();  // the lock is the only copy's
  const bool lock_undecided = !undecided.empty() && (undecided[1] == "LOCK" || undecided[1] == "UNLOCK" ||
                                                     undecided[1] == "RESET");
  if (!lock_undecided && (book.locks == 1) != e.locked)
    problems << (e.locked ? "the lock the user made is gone" : "a lock the user removed is still there")
             << (told_reset.empty() ? "" : " (removed by the security answer)") << "; ";
  if (book.locks == 1 && book.lock_password != kLockPassword) problems << "the lock holds a broken password; ";
  e.locked = book.locks == 1;
  return problems.str();
}

// Runs the copies of `lanes` together `runs` times, each killed at a random
// moment, and checks the book after each run.
void KillRuns(int runs, const std::vector<std::string>& lanes, std::chrono::milliseconds longest) {
  std::vector<kestrion::test::Row> rows;
  std::vector<Expected> expected(lanes.size());
  for (size_t c = 0; c < lanes.size(); ++c) {
    rows.push_back({lanes[c] + "Bank", "me", "pw-bank", "", "http://www."});
    expected[c].entries[lanes[c] + "Bank"] = "pw-bank";
  }
  kestrion::test::MakeDatabase(rows);
  std::mt19937 random(static_cast<unsigned>(std::time(nullptr)));
  std::map<std::string, int> outcomes;
  // Seeds of their own for every copy of every run: the names of the entries
  // they make come from them.
  const unsigned base = static_cast<unsigned>(random() % 1000) * 100000;
  for (int i = 0; i < runs; ++i) {
    const unsigned seed = base + static_cast<unsigned>(i) * 10;
    // Half the runs are killed in the middle of a write.
    std::vector<KillAt> when(lanes.size());
    for (KillAt& k : when) {
      k.in_a_write = i % 2 == 1;
      k.after = std::chrono::microseconds(random() % (k.in_a_write ? 3000 : longest.count() * 1000));
    }
    const std::vector<Run> ran = RunAndKill(seed, lanes, when, SIGKILL);
    const Book book = ReadBook();
    ASSERT_EQ(book.integrity, "ok") << "run " << i;
    ASSERT_LE(book.locks, 1) << "run " << i;
    for (size_t c = 0; c < lanes.size(); ++c) {
      const Run& run = ran[c];
      std::string last;
      for (const std::string& line : run.lines) {
        if (line.rfind("HOME ", 0) == 0) {
          std::error_code ec;
          std::filesystem::remove_all(line.substr(5), ec);
        }
        if (line.rfind("TRY", 0) == 0 || line.rfind("ACK", 0) == 0 || line.rfind("REFUSED", 0) == 0) last = line;
      }
      const std::vector<std::string> w = Words(last);
      outcomes[(when[c].in_a_write ? "in a write, " : "at random, ") +
               (w.size() > 1 ? w[0] + " " + w[1] : "before the start")]++;
      const std::string problems = Check(book, run, lanes[c], expected[c]);
      std::string said;
      for (const std::string& line : run.lines) said += line.substr(0, 200) + "\n";
      ASSERT_EQ(problems, "") << "run " << i << ", copy " << c << " (seed " << seed + c << ", killed "
                              << when[c].after.count() << " us after "
                              << (when[c].in_a_write ? "a journal appeared" : "its start") << "), the copy said:\n"
                              << said;
      // It works until it is killed: ending by itself is a crash or a failure.
      ASSERT_TRUE(WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGKILL)
          << "run " << i << ", copy " << c << " ended with status " << run.status << "; the copy said:\n"
          << said;
      for (const std::string& line : run.lines)
        ASSERT_EQ(line.rfind("REFUSED", 0), std::string::npos) << "run " << i << ", copy " << c << ": " << line
                                                               << "\nthe copy said:\n"
                                                               << said;
    }
  }
  std::string summary;
  for (const auto& [what, count] : outcomes) summary += "  " + what + ": " + std::to_string(count) + "\n";
  std::printf("%d runs of %zu copies killed; where the kills came:\n%s", runs, lanes.size(), summary.c_str());
}

int Runs(int normal) {
  const char* asked = std::getenv("KESTRION_KILL_RUNS");
  return asked ? std::atoi(asked) : normal;
}

TEST(Kills, NothingTheUserWasToldIsLostWhenTheProgramIsKilledAtAnyMoment) {
  KillRuns(Runs(16), {""}, std::chrono::milliseconds(1500));
}

// Two copies at work on the book at once, saving, updating and deleting
// entries of their own: each waits for the other's writes, none is refused,
// and a kill of either loses nothing of what either told its user.
TEST(Kills, TwoCopiesAtWorkTogetherLoseNothingWhenKilled) {
  KillRuns(Runs(8), {"a", "b"}, std::chrono::milliseconds(1500));
}

}  // namespace
}  // namespace killtest
