#pragma once
// Just enough reading of SQL text to find keywords outside strings, quoted
// names, comments and parentheses, and to quote a name.
#include <string>
#include <string_view>

namespace fw::sqlite {

// ASCII letters only, as SQLite compares names.
inline char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
// Inline: every field read by name goes through it.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// "name" with any " inside doubled.
std::string QuoteIdentifier(std::string_view name);
// The first word of the statement, after blanks and comments; "" if none.
std::string_view FirstWord(std::string_view sql);
// The position of the FROM of a leading SELECT (not one inside parentheses),
// or npos.
size_t TopLevelFrom(std::string_view sql);

}  // namespace fw::sqlite
