// The About menu's commands: the information windows stand in for the main window.
#include "app/Module1.h"
#include "book/Window1.h"
#include "info/Window2.h"
#include "info/Window3.h"

namespace kestrion {

bool Window1::_AboutHowToUse_Action() {
  Window1::Instance().SetVisible(false);
  // From the menu the guide always comes with its music when it is newly made.
  Module1::NoPlay = false;
  Window2::Instance().SetVisible(true);
  return true;
}

bool Window1::_AboutAboutKestrion_Action() {
  Window1::Instance().SetVisible(false);
  Window3::Instance().SetVisible(true);
  return true;
}

}  // namespace kestrion
