#include "app/Startup.h"

#include <exception>
#include <memory>

#include "app/App.h"
#include "app/MenuBar1.h"
#include "app/Module1.h"
#include "app/Resources.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/Clipboard.h"

namespace kestrion {

namespace {
std::vector<std::string>& trace() {
  static std::vector<std::string> t;
  return t;
}
}  // namespace

const std::vector<std::string>& StartupTrace() { return trace(); }
void Trace(const std::string& step) { trace().push_back(step); }

void StaticInitialize() {
  trace().clear();
  Module1::Initialize();
  ResetResourceCaches();
}

void _InitFileTypes() {}  // no document types
void _ApplicationAddMenuHandlers() {}  // every menu command belongs to the main window

void _NewAppInstance() {
  auto app = std::make_unique<App>();
  Trace("App");
  app->SetMenuBar(&MenuBar1::Instance());
  Trace("MenuBar1");
  fw::RegisterAppObject(std::move(app));
  Trace("RegisterApp");
}

void _MakeDefaultView() {
  Window1::Instance();
  Trace("Window1");
}

void _Startup() {
  _InitFileTypes();
  _NewAppInstance();
  _ApplicationAddMenuHandlers();
  _MakeDefaultView();
}

void _Main() {
  // Whatever escapes the program ends in a report and a clean shut-down.
  try {
    fw::RunFrameworkInitialization(_Startup);
    fw::RuntimeRun();
  } catch (const std::exception& e) {
    fw::UnhandledException(e.what());
    fw::Quit(1);
  } catch (...) {
    fw::UnhandledException("unknown error");
    fw::Quit(1);
  }
  // The export's promise holds however the run ends: the main window's close
  // erases the clipboard, and so does an end that skipped it (the session
  // asking the program to end, an error report).
  if (Module1::ClearClipBoard == 1) fw::Clipboard().SetText("");
  // So does the promise of a right security answer: the lock is gone, also
  // when the run ended before the main window was activated.
  if (Window1* main = Window1::Existing()) main->FinishLockReset();
}

void StaticFinalize() {
  ReleaseSounds();
  fw::ReleaseAllWindows();
  MenuBar1::Release();
  Module1::Finalize();
}

int RunMain(int argc, char** argv) {
  fw::RuntimeInit(argc, argv);
  StaticInitialize();
  _Main();
  StaticFinalize();
  return fw::RuntimeExit();
}

}  // namespace kestrion
