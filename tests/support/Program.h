#pragma once
// Starting and driving the whole program inside a test process.
#include <functional>
#include <vector>
#include <string>

namespace kestrion {
class Window1;
}

namespace kestrion::test {

// The data folder and database file of the test's own home.
std::string DataFolderPath();
std::string DatabasePath();

// Start-up as a run does it, up to the event loop: globals at their start
// values, App with its menu bar, the main window created and opened.
// Message boxes are answered from the script (fw::testing::QueueAnswers).
Window1& StartProgram();
// The whole run, event loop included; `drive` runs once the loop has started
// and must end the run (e.g. by closing the main window). Returns the exit code.
int RunProgram(std::function<void()> drive);
// The end of a run begun by StartProgram.
int StopProgram();

// A database file made before the program starts, with rows of plain
// (site, user, password, notes, address) values stored scrambled.
struct Row {
  std::string site, user, password, notes, address;
};
void MakeDatabase(const std::vector<Row>& rows);

}  // namespace kestrion::test
