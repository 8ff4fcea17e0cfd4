#include "tests/support/Program.h"

#include <cstdlib>

namespace kestrion::test {

std::string DataFolderPath() { return std::string(std::getenv("XDG_DATA_HOME")) + "/Kestrion"; }
std::string DatabasePath() { return DataFolderPath() + "/PassDataBaseURL.rsd"; }

}  // namespace kestrion::test
