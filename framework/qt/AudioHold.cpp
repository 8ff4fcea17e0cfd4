#include "framework/qt/AudioHold.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>

#include "framework/audio/AudioEngine.h"

namespace fw {

namespace {
constexpr int kLongestHoldMs = 1000;
AudioHold::Reason last_let_go = AudioHold::Reason::kNotYet;
}  // namespace

AudioHold::AudioHold() {
  audio::Hold();
  QCoreApplication::instance()->installEventFilter(this);
  QTimer::singleShot(kLongestHoldMs, this, [this] { LetGo(Reason::kLongestWait); });
}

AudioHold::~AudioHold() { LetGo(Reason::kEnded); }

AudioHold::Reason AudioHold::LastLetGo() { return last_let_go; }

bool AudioHold::eventFilter(QObject* watched, QEvent* event) {
  // Once the window system has the window on screen, the next round of events
  // comes after its drawing.
  if (event->type() == QEvent::Expose && !let_go_) {
    if (auto* window = qobject_cast<QWindow*>(watched); window && window->isExposed())
      QTimer::singleShot(0, this, [this] { LetGo(Reason::kWindowOnScreen); });
  }
  return false;
}

void AudioHold::LetGo(Reason why) {
  if (let_go_) return;
  let_go_ = true;
  last_let_go = why;
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
  audio::Release();
}

}  // namespace fw
