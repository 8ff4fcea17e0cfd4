#pragma once
// Looks at a database file, and at its folder, before and while SQLite opens
// it. SQLite opens lazily and would take an empty or foreign file for a new
// database, and only finds out at the first save that it cannot write. Nothing
// here writes.
#include <string>

namespace fw::sqlite {

// What can be told without a lock: that the file is there, readable, a file,
// not empty, a SQLite database with a sane page size, in a folder we can write
// (SQLite writes its journal beside the file). False with *why otherwise.
bool CheckBeforeOpening(const std::string& path, std::string* why);

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
