#pragma once
#include <QObject>
#include <csignal>

class QSocketNotifier;

namespace fw {

// Ends the run as Quit(0) does when the desktop session asks the program to
// end (SIGTERM) or the terminal interrupts it (SIGINT), so that the shut-down
// runs instead of the process dying mid-way. A second such signal ends the
// process at once, as it would have without this. While it lives it holds the
// signal dispositions and a pipe; its destructor gives both back.
class QuitOnSignal : public QObject {
 public:
  QuitOnSignal();
  ~QuitOnSignal() override;
  QuitOnSignal(const QuitOnSignal&) = delete;
  QuitOnSignal& operator=(const QuitOnSignal&) = delete;

 private:
  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;  // a child of this object
  struct sigaction old_term_ {}, old_int_ {};
  bool installed_ = false;
};

}  // namespace fw
