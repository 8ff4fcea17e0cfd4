#pragma once
// The application object, the runtime around the whole run, and the event loop.
#include <functional>
#include <memory>
#include <string>

namespace fw {

class MenuBar;

class Application {
 public:
  // The program's name, as the user knows it: message boxes without a title of
  // their own and the error report carry it.
  explicit Application(std::string name = "");
  virtual ~Application();

  const std::string& Name() const { return name_; }

  // The application's menu bar; shared with the windows that show it.
  void SetMenuBar(MenuBar* bar) { menu_bar_ = bar; }
  MenuBar* GetMenuBar() const { return menu_bar_; }

 private:
  std::string name_;
  MenuBar* menu_bar_ = nullptr;
};

// The runtime: brought up before anything else, taken down last.
void RuntimeInit(int& argc, char** argv);
// Ends the runtime; returns the exit code that Quit was given.
int RuntimeExit();
bool RuntimeIsUp();

// The framework takes the application object and holds it for the whole run.
void RegisterAppObject(std::unique_ptr<Application> app);
Application* App();
// The registered application's name; before there is one, the executable's.
std::string ProgramName();

// Runs the routine once the framework's application layer stands.
void RunFrameworkInitialization(const std::function<void()>& startup);

// Runs the event loop until Quit. Returns at once when Quit came first.
void RuntimeRun();
// Ends the event loop; code becomes the exit code.
void Quit(int code = 0);
bool QuitRequested();
int ExitCode();

// The report of an exception that no handler caught: a message box with its text.
void UnhandledException(const std::string& what);

// Shut-down: closes and releases every window still alive.
void ReleaseAllWindows();

}  // namespace fw
