#pragma once
#include <functional>
#include <string>

#include "framework/controls/Control.h"

namespace fw {

// A one-column list with a heading.
class Listbox : public Control {
 public:
  Listbox();
  void SetHeading(const std::string& heading);
  std::string Heading() const;
  void DeleteAllRows();
  void AddRow(const std::string& text);
  int ListCount() const;
  std::string Cell(int row, int column) const;
  // A number kept with a row, -1 until one is given; it moves with its row
  // when the list is sorted.
  void SetRowTag(int row, long long tag);
  long long RowTag(int row) const;
  // Sorts the rows by their text, ignoring letter case.
  void Sort();
  int ListIndex() const;

  std::function<bool(Listbox&, int, int, int, int)> CellClick;
  bool OnCellClick(int row, int column, int x, int y) override {
    return CellClick && CellClick(*this, row, column, x, y);
  }
};

}  // namespace fw
