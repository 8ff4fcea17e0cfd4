#include "framework/database/sqlite/SqlScan.h"

#include <cctype>

namespace fw::sqlite {

namespace {
bool IsWordChar(unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

size_t SkipSpace(std::string_view s, size_t i) {
  while (i < s.size()) {
    const char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      i = s.find('\n', i);
      if (i == std::string_view::npos) return s.size();
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      const size_t e = s.find("*/", i + 2);
      if (e == std::string_view::npos) return s.size();
      i = e + 2;
    } else {
      break;
    }
  }
  return i;
}

size_t TokenEnd(std::string_view s, size_t i) {
  const char c = s[i];
  if (c == '\'' || c == '"' || c == '`') {
    for (size_t j = i + 1; j < s.size(); ++j) {
      if (s[j] != c) continue;
      if (j + 1 < s.size() && s[j + 1] == c) {
        ++j;  // a doubled quote stands for itself
      } else {
        return j + 1;
      }
    }
    return s.size();
  }
  if (c == '[') {
    const size_t e = s.find(']', i + 1);
    return e == std::string_view::npos ? s.size() : e + 1;
  }
  if (IsWordChar(static_cast<unsigned char>(c))) {
    size_t j = i;
    while (j < s.size() && IsWordChar(static_cast<unsigned char>(s[j]))) ++j;
    return j;
  }
  return i + 1;
}
}  // namespace

std::string QuoteIdentifier(std::string_view name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  q += '"';
  return q;
}

std::string_view FirstWord(std::string_view sql) {
  const size_t i = SkipSpace(sql, 0);
  if (i >= sql.size() || !IsWordChar(static_cast<unsigned char>(sql[i]))) return {};
  return sql.substr(i, TokenEnd(sql, i) - i);
}

size_t TopLevelFrom(std::string_view sql) {
  if (!EqualsNoCase(FirstWord(sql), "select")) return std::string_view::npos;
  int depth = 0;
  for (size_t i = SkipSpace(sql, 0); i < sql.size(); i = SkipSpace(sql, i)) {
    const size_t end = TokenEnd(sql, i);
    const char c = sql[i];
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (depth == 0 && EqualsNoCase(sql.substr(i, end - i), "from")) {
      return i;
    }
    i = end;
  }
  return std::string_view::npos;
}

}  // namespace fw::sqlite
