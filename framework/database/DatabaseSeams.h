#pragma once
// The database's seams for tests: a way to make the engine refuse a
// statement, so that a test can show what the program does when a write
// fails, and a shorter wait for a lock held elsewhere. The program never sets
// them.
#include <chrono>
#include <string>

namespace fw::seams {

// From now on the engine refuses ("not authorized") every statement whose text
// begins with `prefix`, letter case and leading blanks ignored; "" lifts it.
void RefuseDatabaseStatements(const std::string& prefix);

// How long a statement waits for a lock that another connection holds
// (5 s unless set; zero or less restores that).
void SetDatabaseLockWait(std::chrono::milliseconds wait);

// Each Commit takes this much longer (zero unless set), as it would on a slow
// disk: a test can then show what runs while the file is being saved.
void SlowDatabaseCommits(std::chrono::milliseconds extra);

}  // namespace fw::seams
