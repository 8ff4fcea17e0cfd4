#pragma once
// Owners of the C handles the database layer works with: each is released
// exactly once, on every path, when its owner goes.
#include <sqlite3.h>
#include <unistd.h>

#include <memory>
#include <string_view>

namespace fw::sqlite {

struct CloseConnection {
  // _v2: statements still alive keep the connection until they are finalized.
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using ConnectionHandle = std::unique_ptr<sqlite3, CloseConnection>;

struct FinalizeStatement {
  void operator()(sqlite3_stmt* st) const noexcept { sqlite3_finalize(st); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// Prepares the first statement of `sql`. Returns null both on failure (*rc is
// then SQLite's code) and for text with no statement in it (*rc is SQLITE_OK);
// *tail, when asked for, is where the next statement begins.
StatementHandle Prepare(sqlite3* db, std::string_view sql, int* rc, const char** tail = nullptr);

// An open file descriptor, closed when the owner goes.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace fw::sqlite
