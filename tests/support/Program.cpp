#include "tests/support/Program.h"

#include <cstdlib>
#include <memory>

#include "app/Startup.h"
#include "book/Window1.h"
#include "framework/Application.h"
#include "framework/FolderItem.h"
#include "framework/database/SqlDatabase.h"
#include "framework/testing/Drivers.h"

namespace kestrion::test {

std::string DataFolderPath() { return std::string(std::getenv("XDG_DATA_HOME")) + "/Kestrion"; }
std::string DatabasePath() { return DataFolderPath() + "/PassDataBaseURL.rsd"; }

Window1& StartProgram() {
  StaticInitialize();
  fw::RunFrameworkInitialization(_Startup);
  fw::testing::ProcessEvents();
  return Window1::Instance();
}

int RunProgram(std::function<void()> drive) {
  fw::testing::RunWhenEventLoopStarts(std::move(drive));
  static int argc = 1;
  static char name[] = "kestrion";
  static char* argv[] = {name, nullptr};
  return RunMain(argc, argv);
}

int StopProgram() {
  StaticFinalize();
  return fw::RuntimeExit();
}

void MakeDatabase(const std::vector<Row>& rows) {
  fw::FolderItem(DataFolderPath()).CreateAsFolder();
  fw::SqlDatabase db;
  db.SetDatabaseFilePath(DatabasePath());
  db.CreateDatabaseFile();
  db.SQLExecute(
      "CREATE TABLE PassData(Site VarChar UNIQUE, PassWord VarChar, Notes VarChar, UserName VarChar, "
      "WebAddress VarChar)");
  for (const Row& r : rows) {
    fw::DatabaseRecord rec;
    rec.Column("Site", Window1::Encrypt(r.site));
    rec.Column("UserName", Window1::Encrypt(r.user));
    rec.Column("PassWord", Window1::Encrypt(r.password));
    rec.Column("Notes", Window1::Encrypt(r.notes));
    rec.Column("WebAddress", Window1::Encrypt(r.address));
    db.InsertRecord("PassData", rec);
  }
  db.Commit();
}

}  // namespace kestrion::test
