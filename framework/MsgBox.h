#pragma once
#include <string>

namespace fw {

// A modal box with the text and an OK button.
void MsgBox(const std::string& text);
// A modal box of a style: buttons (0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No,
// 5 Retry/Cancel) plus an icon (16 stop, 32 question, 48 caution, 64 note).
// Returns the button pressed: 1 OK, 2 Cancel, 4 Retry, 6 Yes, 7 No.
int MsgBox(const std::string& text, int style, const std::string& title);

}  // namespace fw
