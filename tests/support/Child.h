#pragma once
// What the tests that start processes of their own share: all that a child
// writes, read to its end with the way it ended, and texts put on one line
// for a report.
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace kestrion::test {

// Reads what the child `pid` writes into `fd` until it closes it, closes
// `fd` and waits for the child: what it wrote, with a note when it ended
// otherwise than with status 0.
inline std::string OutputOf(pid_t pid, int fd) {
  std::string out;
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  close(fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    out += "\n(the child ended with status " + std::to_string(status) + ")";
  return out;
}

// The text on one line, each line end shown as "|".
inline std::string OneLine(std::string s) {
  for (char& c : s)
    if (c == '\n') c = '|';
  return s;
}

}  // namespace kestrion::test
