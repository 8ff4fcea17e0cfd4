#pragma once
// The run from start to end: start-up in a fixed order, the event loop,
// then shut-down.
#include <string>
#include <vector>

namespace kestrion {

// The process entry: returns the exit code.
int RunMain(int argc, char** argv);

// The steps, in their order.
void StaticInitialize();
void _Main();
void _Startup();
void _InitFileTypes();
void _NewAppInstance();
void _ApplicationAddMenuHandlers();
void _MakeDefaultView();
void StaticFinalize();

// What start-up did, in order (e.g. "App", "MenuBar1", "RegisterApp", "Window1").
const std::vector<std::string>& StartupTrace();
void Trace(const std::string& step);

}  // namespace kestrion
