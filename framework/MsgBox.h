#pragma once
#include <string>

namespace fw {

// A style is one set of buttons plus one icon: MsgBoxStyle::kYesNo +
// MsgBoxStyle::kQuestion is 36.
namespace MsgBoxStyle {
constexpr int kOK = 0;
constexpr int kOKCancel = 1;
constexpr int kAbortRetryIgnore = 2;
constexpr int kYesNoCancel = 3;
constexpr int kYesNo = 4;
constexpr int kRetryCancel = 5;
constexpr int kButtons = 7;  // the mask of the button set
constexpr int kStop = 16;
constexpr int kQuestion = 32;
constexpr int kCaution = 48;
constexpr int kNote = 64;
constexpr int kIcon = 0x70;  // the mask of the icon
}  // namespace MsgBoxStyle

// The button pressed.
namespace MsgBoxAnswer {
constexpr int kOK = 1;
constexpr int kCancel = 2;
constexpr int kAbort = 3;
constexpr int kRetry = 4;
constexpr int kIgnore = 5;
constexpr int kYes = 6;
constexpr int kNo = 7;
}  // namespace MsgBoxAnswer

// A modal box with the text and an OK button.
void MsgBox(const std::string& text);
// A modal box of a style; returns the button pressed. A box closed without a
// button answers No when it has Yes and No only, else Cancel.
int MsgBox(const std::string& text, int style, const std::string& title);

}  // namespace fw
