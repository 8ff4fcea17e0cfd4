#pragma once
// Strings between the framework's UTF-8 and Qt's UTF-16; key texts.
#include <QString>
#include <string>

class QKeyEvent;

namespace fw {

inline QString ToQ(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string FromQ(const QString& s) { return s.toStdString(); }
// Shown text: CR and CR LF line ends become LF.
QString DisplayText(const std::string& s);

// Characters (code points) in the first `utf16` units of s, and back.
int CharsOf(const QString& s, int utf16);
int Utf16Of(const QString& s, int chars);

// The key as the program sees it: its text, or the control character of a
// movement or editing key (Return 13, Esc 27, arrows 28-31, Backspace 8, ...).
std::string KeyText(const QKeyEvent* e);

}  // namespace fw
