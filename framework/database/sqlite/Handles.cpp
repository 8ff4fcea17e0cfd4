#include "framework/database/sqlite/Handles.h"

#include <cctype>
#include <string>

#include "framework/database/DatabaseSeams.h"

namespace fw {

namespace {
std::string& RefusedPrefix() {
  static std::string prefix;
  return prefix;
}

bool Refused(std::string_view sql) {
  const std::string& prefix = RefusedPrefix();
  if (prefix.empty()) return false;
  size_t i = 0;
  while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i]))) ++i;
  if (sql.size() - i < prefix.size()) return false;
  for (size_t k = 0; k < prefix.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(sql[i + k])) != std::tolower(static_cast<unsigned char>(prefix[k])))
      return false;
  }
  return true;
}

int DenyEverything(void*, int, const char*, const char*, const char*, const char*) { return SQLITE_DENY; }
}  // namespace

void seams::RefuseDatabaseStatements(const std::string& prefix) {
  std::string p = prefix;
  size_t i = 0;
  while (i < p.size() && std::isspace(static_cast<unsigned char>(p[i]))) ++i;
  RefusedPrefix() = p.substr(i);
}

namespace sqlite {

StatementHandle Prepare(sqlite3* db, std::string_view sql, int* rc, const char** tail) {
  sqlite3_stmt* st = nullptr;
  // A refused statement fails in the engine itself, as a real refusal would.
  const bool refused = Refused(sql);
  if (refused) sqlite3_set_authorizer(db, DenyEverything, nullptr);
  *rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &st, tail);
  if (refused) sqlite3_set_authorizer(db, nullptr, nullptr);
  if (*rc != SQLITE_OK) {
    sqlite3_finalize(st);
    return nullptr;
  }
  return StatementHandle(st);
}

}  // namespace sqlite
}  // namespace fw
