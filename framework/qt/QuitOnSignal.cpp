#include "framework/qt/QuitOnSignal.h"

#include <fcntl.h>
#include <cerrno>
#include <unistd.h>

#include <QSocketNotifier>

#include "framework/Application.h"

namespace fw {

namespace {
// Only what a signal handler may touch: a descriptor and write(2).
volatile std::sig_atomic_t g_write_fd = -1;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  if (g_write_fd >= 0) [[maybe_unused]] ssize_t n = write(g_write_fd, &byte, 1);
  errno = saved;
}
}  // namespace

QuitOnSignal::QuitOnSignal() {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  g_write_fd = pipe_[1];
  notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] {
    char buf[16];
    while (read(pipe_[0], buf, sizeof buf) > 0) {
    }
    Quit(0);
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  // The first signal asks; the disposition then falls back to the default.
  sa.sa_flags = SA_RESTART | SA_RESETHAND;
  sigaction(SIGTERM, &sa, &old_term_);
  sigaction(SIGINT, &sa, &old_int_);
  installed_ = true;
}

QuitOnSignal::~QuitOnSignal() {
  if (installed_) {
    sigaction(SIGTERM, &old_term_, nullptr);
    sigaction(SIGINT, &old_int_, nullptr);
  }
  g_write_fd = -1;
  delete notifier_;
  for (int fd : pipe_)
    if (fd >= 0) close(fd);
}

}  // namespace fw
