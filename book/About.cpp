// The About menu's commands: the information windows stand in for the main window.
#include "book/Window1.h"

namespace kestrion {

bool Window1::_AboutHowToUse_Action() { return true; }
bool Window1::_AboutAboutKestrion_Action() { return true; }

}  // namespace kestrion
