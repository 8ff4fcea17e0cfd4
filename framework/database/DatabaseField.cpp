#include "framework/database/DatabaseField.h"

#include "framework/database/sqlite/RecordSetData.h"

namespace fw {

std::string DatabaseField::StringValue() const { return set_->Value(column_); }

void DatabaseField::ReadInto(std::string& text) const { set_->ValueInto(column_, text); }

void DatabaseField::SetStringValue(const std::string& v) { set_->SetPending(column_, v); }

}  // namespace fw
