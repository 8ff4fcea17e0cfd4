#include "framework/Application.h"

#include <QApplication>
#include <QFontDatabase>
#include <utility>

#include "framework/MsgBox.h"
#include "framework/Seams.h"
#include "framework/Window.h"
#include "framework/audio/AudioEngine.h"
#include "framework/qt/AudioHold.h"
#include "framework/qt/GuardedApplication.h"
#include "framework/qt/QuitOnSignal.h"
#include "framework/qt/QtText.h"

namespace fw {

namespace {
struct Runtime {
  QApplication* qt = nullptr;
  bool owns_qt = false;
  std::unique_ptr<Application> app;
  std::unique_ptr<QuitOnSignal> quit_on_signal;  // lives as long as the runtime's Qt
  std::unique_ptr<AudioHold> audio_hold;         // likewise
  bool quit_requested = false;
  int exit_code = 0;
  int argc = 1;
  char* argv[2] = {const_cast<char*>("program"), nullptr};
};
Runtime& rt() {
  static Runtime r;
  return r;
}

// The windows are laid out for a compact sans-serif; the usual default here is
// wide enough to cut off labels. The first narrow one installed is used, at
// the default size; without any the default stays.
void UseNarrowApplicationFont() {
  const QStringList installed = QFontDatabase::families();
  for (const char* family : {"Liberation Sans", "Arimo", "Nimbus Sans"}) {
    if (!installed.contains(QString::fromLatin1(family))) continue;
    QFont f = QApplication::font();
    f.setFamilies({QString::fromLatin1(family)});
    QApplication::setFont(f);
    return;
  }
}
}  // namespace

Application::Application(std::string name) : name_(std::move(name)) {}
Application::~Application() = default;

void RuntimeInit(int& argc, char** argv) {
  Runtime& r = rt();
  r.quit_requested = false;
  r.exit_code = 0;
  if (QApplication::instance()) {
    r.qt = qobject_cast<QApplication*>(QApplication::instance());
    return;
  }
  if (argc > 0 && argv) {
    r.qt = new GuardedApplication(argc, argv);
  } else {
    r.qt = new GuardedApplication(r.argc, r.argv);
  }
  r.owns_qt = true;
  r.qt->setQuitOnLastWindowClosed(false);
  UseNarrowApplicationFont();
  r.quit_on_signal = std::make_unique<QuitOnSignal>();
  r.audio_hold = std::make_unique<AudioHold>();
}

bool RuntimeIsUp() { return QApplication::instance() != nullptr; }

int RuntimeExit() {
  Runtime& r = rt();
  ReleaseAllWindows();
  r.app.reset();
  audio::Shutdown();
  if (r.owns_qt && !seams::KeepRuntime()) {
    r.quit_on_signal.reset();
    r.audio_hold.reset();
    delete r.qt;
    r.qt = nullptr;
    r.owns_qt = false;
  }
  return r.exit_code;
}

void RegisterAppObject(std::unique_ptr<Application> app) {
  if (app && !app->Name().empty() && QCoreApplication::instance())
    QCoreApplication::setApplicationName(ToQ(app->Name()));
  rt().app = std::move(app);
}
Application* App() { return rt().app.get(); }

std::string ProgramName() {
  if (rt().app && !rt().app->Name().empty()) return rt().app->Name();
  return QCoreApplication::instance() ? FromQ(QCoreApplication::applicationName()) : std::string();
}

void RunFrameworkInitialization(const std::function<void()>& startup) { startup(); }

void RuntimeRun() {
  Runtime& r = rt();
  if (r.quit_requested) return;
  if (const auto& hook = seams::EventLoopStartHook()) hook();
  QApplication::exec();
}

void Quit(int code) {
  Runtime& r = rt();
  r.quit_requested = true;
  r.exit_code = code;
  QCoreApplication::exit(code);
}

bool QuitRequested() { return rt().quit_requested; }
int ExitCode() { return rt().exit_code; }

void UnhandledException(const std::string& what) {
  MsgBox("An unexpected error stopped " + ProgramName() + ":\n\n" + what);
}

}  // namespace fw
