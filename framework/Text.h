#pragma once
// Text functions of the framework. Strings are UTF-8; lengths and positions
// count characters (code points), except where a name ends in B (bytes).
// A byte that is not part of a valid UTF-8 sequence counts as one character.
// None of these functions throws.
#include <string>

namespace fw {

// Number of characters.
int Len(const std::string& s);
// The first n characters ("" when n <= 0, all of s when n >= Len(s)).
std::string Left(const std::string& s, int n);
// The last n characters.
std::string Right(const std::string& s, int n);
// From character `start` (1-based) to the end; a start below 1 counts as 1.
std::string Mid(const std::string& s, int start);
// `length` characters from character `start`; "" when length <= 0.
std::string Mid(const std::string& s, int start, int length);

// 1-based character position of the first occurrence of pattern, ignoring
// letter case (Unicode simple case folding); 0 when absent. An empty pattern
// is found at 1.
int InStr(const std::string& source, const std::string& pattern);
// The same, searching from character `start` (below 1 counts as 1). An empty
// pattern is found at `start` while start <= Len(source) + 1, else 0.
int InStr(int start, const std::string& source, const std::string& pattern);
// Byte-exact search; 1-based byte position, 0 when absent, 1 for an empty
// pattern.
int InStrB(const std::string& source, const std::string& pattern);
// The same from byte `start` (below 1 counts as 1); an empty pattern is found
// at `start` while start <= byte length + 1, else 0.
int InStrB(int start, const std::string& source, const std::string& pattern);

// Removes leading and trailing white space (blank, tab, CR, LF, VT, FF and the
// Unicode white-space characters such as the no-break space).
std::string Trim(const std::string& s);

// UTF-8 of the code point; "" for a negative code, a surrogate or a code above
// U+10FFFF. Chr(0) is a one-byte string holding NUL.
std::string Chr(int code);
// Code point of the first character; 0 for "". A stray byte gives its value.
int Asc(const std::string& s);

// Shortest form that reads back as the same number: 3 -> "3", 2.5 -> "2.5".
std::string Str(double v);
// The number at the start of s after blanks, tabs, CR and LF: decimal with an
// optional sign, point and exponent, or &h (hex), &o (octal), &b (binary).
// Whatever follows the number is ignored; 0 when there is no number.
double Val(const std::string& s);

// The platform's end of line.
std::string EndOfLine();

// The program's text equality: ignores letter case, like InStr.
bool Equals(const std::string& a, const std::string& b);

}  // namespace fw
