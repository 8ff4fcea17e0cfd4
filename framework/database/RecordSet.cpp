#include "framework/database/RecordSet.h"

#include "framework/database/sqlite/RecordSetData.h"

namespace fw {

RecordSet::RecordSet() : d_(std::make_unique<sqlite::RecordSetData>()) { d_->BuildFields(); }

RecordSet::RecordSet(std::unique_ptr<sqlite::RecordSetData> data) : d_(std::move(data)) {
  if (!d_) {
    d_ = std::make_unique<sqlite::RecordSetData>();
    d_->BuildFields();
  }
}

RecordSet::~RecordSet() = default;

bool RecordSet::Eof() const { return d_->Eof(); }
void RecordSet::MoveFirst() { d_->MoveFirst(); }
void RecordSet::MoveNext() { d_->MoveNext(); }

DatabaseField& RecordSet::Field(const std::string& column) { return d_->FieldAt(d_->ColumnIndex(column)); }

const DatabaseField& RecordSet::Field(const std::string& column) const {
  return d_->FieldAt(d_->ColumnIndex(column));
}

int RecordSet::FieldCount() const { return d_->closed ? 0 : static_cast<int>(d_->columns.size()); }

void RecordSet::Edit() { d_->Edit(); }
void RecordSet::Update() { d_->Update(); }
void RecordSet::DeleteRecord() { d_->Delete(); }
void RecordSet::Close() { d_->Close(); }

}  // namespace fw
