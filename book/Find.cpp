// Find, list and open an entry.
#include "book/Window1.h"

namespace kestrion {

void Window1::FindButton_Action(fw::BevelButton&) {}
bool Window1::SearchText_KeyDown(fw::TextField&, const std::string&) { return false; }
bool Window1::SearchText_MouseDown(fw::TextField&, int32_t, int32_t) { return false; }
void Window1::FindRecord() {}
bool Window1::Listbox1_CellClick(fw::Listbox&, int32_t, int32_t, int32_t, int32_t) { return false; }
bool Window1::_FileShowAll_Action() { return true; }

}  // namespace kestrion
