#include "framework/database/sqlite/FileCheck.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <iterator>

#include "framework/database/sqlite/Handles.h"

namespace fw::sqlite {

namespace {
constexpr char kMagic[] = "SQLite format 3";  // 16 bytes with its NUL
constexpr size_t kHeaderSize = 100;

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

struct Header {
  unsigned char bytes[kHeaderSize];
  size_t got = 0;
  uint32_t At32(int at) const {
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8) |
           bytes[at + 3];
  }
  uint32_t PageSize() const {
    const uint32_t page = (uint32_t{bytes[16]} << 8) | bytes[17];
    return page == 1 ? 65536 : page;
  }
};

// Reads up to the header's size from the start of the file.
void ReadHeader(int fd, Header* h) {
  while (h->got < kHeaderSize) {
    const ssize_t n = pread(fd, h->bytes + h->got, kHeaderSize - h->got, static_cast<off_t>(h->got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    h->got += static_cast<size_t>(n);
  }
}

// Whether we may create and delete files in the folder (SQLite's journal).
bool FolderWritable(const std::string& folder, std::string* why) {
  if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0) return true;
  if (errno == EROFS) {
    *why = "the folder " + Quoted(folder) + " that holds it is on a read-only file system, so no change could be saved";
  } else if (errno == EACCES || errno == EPERM) {
    *why = "the folder " + Quoted(folder) + " that holds it cannot be written (permission denied), so no change " +
           "could be saved";
  } else {
    *why = "the folder " + Quoted(folder) + " that holds it cannot be used (" + std::strerror(errno) + ")";
  }
  return false;
}
}  // namespace

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool CheckBeforeOpening(const std::string& path, std::string* why) {
  const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!fd) {
    if (errno == ENOENT) {
      *why = "the file does not exist";
    } else if (errno == EACCES) {
      *why = "the file cannot be read (permission denied)";
    } else {
      *why = std::string("the file cannot be opened (") + std::strerror(errno) + ")";
    }
    return false;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0) {
    *why = std::string("the file cannot be examined (") + std::strerror(errno) + ")";
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *why = "it is a folder, not a file";
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
    *why = "it is not a regular file";
    return false;
  }
  if (st.st_uid != geteuid()) {
    *why = "the file belongs to another user";
    return false;
  }
  if (st.st_size == 0) {
    *why = "the file is empty, not a SQLite database";
    return false;
  }
  Header h;
  ReadHeader(fd.get(), &h);
  if (h.got < kHeaderSize || std::memcmp(h.bytes, kMagic, sizeof kMagic) != 0) {
    *why = "the file is not a SQLite database";
    return false;
  }
  const uint32_t page = h.PageSize();
  if (page < 512 || page > 65536 || (page & (page - 1)) != 0) {
    *why = "its header is damaged (invalid page size)";
    return false;
  }
  return FolderWritable(FolderOf(path), why);
}

bool CheckCompanions(const std::string& path, std::string* why) {
  struct stat file {};
  if (stat(path.c_str(), &file) != 0) return true;  // CheckBeforeOpening has spoken about it
  const char* const kSuffixes[] = {"-journal", "-wal", "-shm"};
  struct stat st[std::size(kSuffixes)] {};
  bool present[std::size(kSuffixes)] = {};
  for (size_t i = 0; i < std::size(kSuffixes); ++i) {
    const std::string companion = path + kSuffixes[i];
    if (lstat(companion.c_str(), &st[i]) != 0) continue;
    present[i] = true;
    if (!S_ISREG(st[i].st_mode) || st[i].st_uid != geteuid()) {
      *why = "the file " + Quoted(companion) + " beside it " +
             (S_ISREG(st[i].st_mode) ? "belongs to another user" : "is not a regular file");
      return false;
    }
  }
  for (size_t i = 0; i < std::size(kSuffixes); ++i) {
    const mode_t mode = st[i].st_mode & 07777;
    const mode_t allowed = mode & (file.st_mode & 0777);
    if (!present[i] || allowed == mode) continue;
    const std::string companion = path + kSuffixes[i];
    if (chmod(companion.c_str(), allowed) != 0) {
      *why = "the permissions of the file " + Quoted(companion) + " beside it cannot be narrowed (" +
             std::strerror(errno) + ")";
      return false;
    }
  }
  return true;
}

bool CheckPages(const std::string& path, std::string* why) {
  const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat st {};
  if (!fd || fstat(fd.get(), &st) != 0) return true;  // CheckBeforeOpening has spoken about these
  Header h;
  ReadHeader(fd.get(), &h);
  if (h.got < kHeaderSize) {
    *why = "the file is truncated or damaged (it is shorter than its header)";
    return false;
  }
  // Rollback-journal files (format bytes 1, 1) always hold whole pages, and
  // when the header's page count is current (offset 92 matches the change
  // counter at 24) the file holds that many. A WAL file may keep pages in its
  // log. Under the read lock SQLite has already rolled back a transaction that
  // a crashed writer left in a journal.
  if (h.bytes[18] != 1 || h.bytes[19] != 1) return true;
  const uint64_t page = h.PageSize();
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  const uint64_t pages = h.At32(28);
  if (size % page != 0 || (h.At32(92) == h.At32(24) && size < pages * page)) {
    *why = "the file is truncated or damaged (it holds " + std::to_string(size / page) + " of " +
           std::to_string(pages) + " pages)";
    return false;
  }
  return true;
}

bool HeaderWritten(const std::string& path) {
  const FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  char h[sizeof kMagic];
  return pread(fd.get(), h, sizeof h, 0) == static_cast<ssize_t>(sizeof h) && std::memcmp(h, kMagic, sizeof h) == 0;
}

std::string FolderProblem(const std::string& folder, int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return "the folder " + Quoted(folder) + " cannot be written (permission denied)";
    case EROFS:
      return "the folder " + Quoted(folder) + " is on a read-only file system";
    case ENOSPC:
    case EDQUOT:
      return "there is no room left on the disk of the folder " + Quoted(folder);
    case ENOTDIR:
      return Quoted(folder) + " is not a folder";
    case ENOENT: {
      // Which folder is missing, and why it was not made: the first one up the
      // path that exists is where the making failed.
      std::string up = folder;
      struct stat st {};
      while (up != "/" && up != "." && stat(up.c_str(), &st) != 0) up = FolderOf(up);
      if (up != folder && faccessat(AT_FDCWD, up.c_str(), W_OK | X_OK, AT_EACCESS) != 0 &&
          (errno == EACCES || errno == EPERM || errno == EROFS)) {
        return "the folder " + Quoted(folder) + " does not exist and cannot be made: " + Quoted(up) +
               (errno == EROFS ? " is on a read-only file system" : " cannot be written (permission denied)");
      }
      return "the folder " + Quoted(folder) + " does not exist";
    }
    default:
      return "the file cannot be made in the folder " + Quoted(folder) + " (" + std::strerror(error) + ")";
  }
}

}  // namespace fw::sqlite
