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

bool RecordSet::Eof() const { return d_->closed || d_->pos >= d_->rows; }

void RecordSet::MoveFirst() {
  d_->pos = 0;
  d_->in_gap = false;
}

void RecordSet::MoveNext() {
  if (d_->in_gap) {
    d_->in_gap = false;  // onto the row that followed the deleted one
  } else if (d_->pos < d_->rows) {
    ++d_->pos;
  }
}

DatabaseField& RecordSet::Field(const std::string& column) { return d_->FieldAt(d_->ColumnIndex(column)); }

const DatabaseField& RecordSet::Field(const std::string& column) const {
  return d_->FieldAt(d_->ColumnIndex(column));
}

int RecordSet::FieldCount() const { return d_->closed ? 0 : static_cast<int>(d_->columns.size()); }

void RecordSet::Edit() { d_->Edit(); }
void RecordSet::Update() { d_->Update(); }
void RecordSet::DeleteRecord() { d_->Delete(); }

void RecordSet::Close() {
  d_->Clear();
  d_->closed = true;
  d_->editing = false;
  d_->pending.clear();
  d_->conn.reset();
}

}  // namespace fw
