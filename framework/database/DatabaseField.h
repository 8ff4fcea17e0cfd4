#pragma once
// One column of a record set's current row.
#include <string>

namespace fw {

namespace sqlite {
class RecordSetData;
}

class DatabaseField {
 public:
  // The stored text, byte for byte; "" for NULL, at the end of the set and for
  // a column the set does not have. Never fails.
  std::string StringValue() const;
  // Takes effect only between the set's Edit and Update; ignored otherwise.
  void SetStringValue(const std::string& v);
  operator std::string() const { return StringValue(); }
  // The same text put into `text`, in the room it already has: a walk that
  // reads every row needs no new text for each value.
  void ReadInto(std::string& text) const;

 private:
  friend class sqlite::RecordSetData;
  DatabaseField(sqlite::RecordSetData* set, int column) : set_(set), column_(column) {}

  sqlite::RecordSetData* set_;
  int column_;  // -1: the field that reads "" for unknown columns
};

}  // namespace fw
