#include "framework/database/DatabaseRecord.h"

#include "framework/database/sqlite/SqlScan.h"

namespace fw {

void DatabaseRecord::Column(const std::string& name, const std::string& value) {
  for (auto& c : columns_) {
    if (sqlite::EqualsNoCase(c.first, name)) {
      c.second = value;
      return;
    }
  }
  columns_.emplace_back(name, value);
}

}  // namespace fw
