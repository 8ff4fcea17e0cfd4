// The main window's lock members.
#include "book/Window1.h"

namespace kestrion {

void Window1::Event_Activate() {}
bool Window1::_FileLockProgram_Action() { return true; }
bool Window1::_FileUnLockProgram_Action() { return true; }
void Window1::DeleteProgramLock() {}
void Window1::CreateProgramLock() {}

}  // namespace kestrion
