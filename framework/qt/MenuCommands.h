#pragma once
// From the menu tree to commands.
#include <QString>
#include <string>

namespace fw {

class MenuItem;

// Runs the item's command: the handler bound by a window, else the standard
// editing command of its shortcut on the focused field.
void DispatchMenuCommand(const MenuItem& item);
// The Qt key sequence of a "Cmd+x" shortcut text.
QString ShortcutText(const std::string& shortcut);

}  // namespace fw
