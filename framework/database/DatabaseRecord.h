#pragma once
// The columns of one new row, for SqlDatabase::InsertRecord.
#include <string>
#include <utility>
#include <vector>

namespace fw {

class DatabaseRecord {
 public:
  // Sets a column (a second call for the same name, in any letter case,
  // replaces the value).
  void Column(const std::string& name, const std::string& value);

  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // By position, 0-based, in the order the columns were first set.
  const std::string& ColumnName(int index) const { return columns_.at(index).first; }
  const std::string& ColumnValue(int index) const { return columns_.at(index).second; }

 private:
  std::vector<std::pair<std::string, std::string>> columns_;
};

}  // namespace fw
