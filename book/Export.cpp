// Export of every entry to the clipboard.
#include "book/Window1.h"

namespace kestrion {

bool Window1::_FileExport_Action() { return true; }

}  // namespace kestrion
