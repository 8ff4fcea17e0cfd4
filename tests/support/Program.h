#pragma once
// Starting and driving the whole program inside a test process.
#include <string>

namespace kestrion::test {

// The data folder and database file of the test's own home.
std::string DataFolderPath();
std::string DatabasePath();

}  // namespace kestrion::test
