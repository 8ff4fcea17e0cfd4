#pragma once
// Looks at a database file, and at its folder, before and while SQLite opens
// it. SQLite opens lazily and would take an empty or foreign file for a new
// database, and only finds out at the first save that it cannot write. Nothing
// here writes; only CheckCompanions may take permissions away.
#include <string>

namespace fw::sqlite {

// What can be told without a lock: that the file is there, readable, a file
// of the user the program runs as, not empty, a SQLite database with a sane
// page size, in a folder we can write (SQLite writes its journal beside the
// file). False with *why otherwise.
bool CheckBeforeOpening(const std::string& path, std::string* why);

// SQLite's companion files beside the database: its rollback journal, and a
// WAL file with its index. SQLite reads a journal that a run left behind when
// it ended in the middle of a write, and copies its pages back into the file.
// One that belongs to another user is refused, nothing changed; one that
// others may read, which holds earlier pages of the file, keeps no more
// permissions than the file itself (as SQLite gives a new one).
bool CheckCompanions(const std::string& path, std::string* why);

// That the file holds all the pages its header counts. Asked while holding a
// read lock: a writer in the middle of a commit can make a file look short.
bool CheckPages(const std::string& path, std::string* why);

// Whether the file begins with SQLite's header.
bool HeaderWritten(const std::string& path);

// Why a file could not be made in `folder`, from the error of the attempt:
// the real cause, e.g. that the folder, or the folder above a missing one,
// cannot be written.
std::string FolderProblem(const std::string& folder, int error);

// The folder part of a path ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace fw::sqlite
