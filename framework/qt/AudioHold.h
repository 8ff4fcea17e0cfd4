#pragma once
#include <QObject>

namespace fw {

// Holds the audio back while a program starts: notes and sounds wait and the
// audio stack is not loaded until the first window has been exposed and
// drawn, so that loading it competes with the start neither for the processor
// nor for the dynamic linker. A program that shows nothing has it let go a
// second after the hold began. Anything that must wait for the device lets it
// go at once (see audio::Hold).
class AudioHold : public QObject {
 public:
  AudioHold();
  ~AudioHold() override;
  AudioHold(const AudioHold&) = delete;
  AudioHold& operator=(const AudioHold&) = delete;

  // What let the audio go, the last time a hold did.
  enum class Reason { kNotYet, kWindowOnScreen, kLongestWait, kEnded };
  static Reason LastLetGo();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LetGo(Reason why);
  bool let_go_ = false;
};

}  // namespace fw
