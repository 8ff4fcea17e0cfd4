#include "framework/Text.h"

#include <QChar>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace fw {
namespace {

// One character of a UTF-8 string: its code point and its byte length. A byte
// that does not start a valid sequence (stray continuation byte, overlong
// form, surrogate, truncated sequence) is one character of length 1.
struct Char {
  char32_t code;
  int size;
  bool valid;
};

inline bool IsCont(unsigned char b) { return (b & 0xC0) == 0x80; }

inline Char DecodeAt(const std::string& s, std::size_t i) {
  const std::size_t n = s.size();
  const unsigned char b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) return {b0, 1, true};
  const Char stray{b0, 1, false};
  auto at = [&](std::size_t k) -> unsigned char {
    return i + k < n ? static_cast<unsigned char>(s[i + k]) : 0;
  };
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    const unsigned char b1 = at(1);
    if (!IsCont(b1)) return stray;
    return {static_cast<char32_t>(((b0 & 0x1F) << 6) | (b1 & 0x3F)), 2, true};
  }
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    const unsigned char b1 = at(1), b2 = at(2);
    const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;  // no overlong forms
    const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;  // no surrogates
    if (b1 < lo || b1 > hi || !IsCont(b2)) return stray;
    return {static_cast<char32_t>(((b0 & 0x0F) << 12) | ((b1 & 0x3F) << 6) | (b2 & 0x3F)), 3,
            true};
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    const unsigned char b1 = at(1), b2 = at(2), b3 = at(3);
    const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;  // no overlong forms
    const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    if (b1 < lo || b1 > hi || !IsCont(b2) || !IsCont(b3)) return stray;
    return {static_cast<char32_t>(((b0 & 0x07) << 18) | ((b1 & 0x3F) << 12) |
                                  ((b2 & 0x3F) << 6) | (b3 & 0x3F)),
            4, true};
  }
  return stray;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Byte offset just after the first `count` characters from byte `from`
// (s.size() when s has fewer).
std::size_t SkipChars(const std::string& s, std::size_t from, long long count) {
  std::size_t i = from;
  while (count > 0 && i < s.size()) {
    i += static_cast<std::size_t>(DecodeAt(s, i).size);
    --count;
  }
  return i;
}

inline char32_t FoldAscii(char32_t c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }

// The key two characters are compared by when letter case is ignored. Stray
// bytes are kept apart from every real code point.
inline char32_t FoldKey(const Char& c) {
  if (!c.valid) return 0x110000u + c.code;
  if (c.code < 0x80) return FoldAscii(c.code);
  return QChar::toCaseFolded(c.code);
}

std::vector<char32_t> FoldedChars(const std::string& s, std::size_t from) {
  std::vector<char32_t> out;
  out.reserve(s.size() - from);
  for (std::size_t i = from; i < s.size();) {
    const Char c = DecodeAt(s, i);
    out.push_back(FoldKey(c));
    i += static_cast<std::size_t>(c.size);
  }
  return out;
}

bool IsWhite(const Char& c) {
  if (!c.valid) return false;
  switch (c.code) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
    case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
    case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c.code >= 0x2000 && c.code <= 0x200A;
  }
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int ClampToInt(std::size_t v) {
  return v > static_cast<std::size_t>(std::numeric_limits<int>::max())
             ? std::numeric_limits<int>::max()
             : static_cast<int>(v);
}

// "&h1F", "&o17", "&b101": the digits after the prefix, as far as they go.
double RadixValue(const std::string& s, std::size_t i, int radix) {
  double v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9') d = c - '0';
    else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else break;
    if (d >= radix) break;
    v = v * radix + d;
  }
  return v;
}

}  // namespace

int Len(const std::string& s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); ++count) i += static_cast<std::size_t>(DecodeAt(s, i).size);
  return ClampToInt(count);
}

std::string Left(const std::string& s, int n) {
  if (n <= 0) return {};
  return s.substr(0, SkipChars(s, 0, n));
}

std::string Right(const std::string& s, int n) {
  if (n <= 0) return {};
  const int len = Len(s);
  if (n >= len) return s;
  return s.substr(SkipChars(s, 0, len - n));
}

std::string Mid(const std::string& s, int start) {
  const std::size_t from = SkipChars(s, 0, static_cast<long long>(start < 1 ? 1 : start) - 1);
  return s.substr(from);
}

std::string Mid(const std::string& s, int start, int length) {
  if (length <= 0) return {};
  const std::size_t from = SkipChars(s, 0, static_cast<long long>(start < 1 ? 1 : start) - 1);
  const std::size_t to = SkipChars(s, from, length);
  return s.substr(from, to - from);
}

int InStr(const std::string& source, const std::string& pattern) {
  return InStr(1, source, pattern);
}

int InStr(int start, const std::string& source, const std::string& pattern) {
  if (start < 1) start = 1;
  const std::size_t from = SkipChars(source, 0, static_cast<long long>(start) - 1);
  if (pattern.empty()) {
    // Found at `start` as long as start is at most one past the last character.
    if (start == 1) return 1;
    const bool reached = SkipChars(source, 0, static_cast<long long>(start) - 2) < source.size();
    return reached ? start : 0;
  }
  if (from >= source.size()) return 0;

  if (IsAscii(source) && IsAscii(pattern)) {
    // Common case: byte positions are character positions.
    const std::size_t n = source.size(), m = pattern.size();
    for (std::size_t i = from; i + m <= n; ++i) {
      std::size_t k = 0;
      while (k < m && FoldAscii(static_cast<unsigned char>(source[i + k])) ==
                          FoldAscii(static_cast<unsigned char>(pattern[k])))
        ++k;
      if (k == m) return ClampToInt(i + 1);
    }
    return 0;
  }

  const std::vector<char32_t> hay = FoldedChars(source, from);
  const std::vector<char32_t> needle = FoldedChars(pattern, 0);
  if (needle.size() > hay.size()) return 0;
  for (std::size_t i = 0; i + needle.size() <= hay.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && hay[i + k] == needle[k]) ++k;
    if (k == needle.size()) return ClampToInt(static_cast<std::size_t>(start) + i);
  }
  return 0;
}

int InStrB(const std::string& source, const std::string& pattern) {
  return InStrB(1, source, pattern);
}

int InStrB(int start, const std::string& source, const std::string& pattern) {
  if (start < 1) start = 1;
  const std::size_t from = static_cast<std::size_t>(start) - 1;
  if (from > source.size()) return 0;
  const std::size_t at = source.find(pattern, from);
  return at == std::string::npos ? 0 : ClampToInt(at + 1);
}

std::string Trim(const std::string& s) {
  std::size_t first = s.size(), end = 0;
  for (std::size_t i = 0; i < s.size();) {
    const Char c = DecodeAt(s, i);
    const std::size_t next = i + static_cast<std::size_t>(c.size);
    if (!IsWhite(c)) {
      if (first == s.size()) first = i;
      end = next;
    }
    i = next;
  }
  if (first == s.size()) return {};
  return s.substr(first, end - first);
}

std::string Chr(int code) {
  if (code < 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
  const auto c = static_cast<std::uint32_t>(code);
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

int Asc(const std::string& s) {
  if (s.empty()) return 0;
  return static_cast<int>(DecodeAt(s, 0).code);
}

std::string Str(double v) {
  if (v == 0) return "0";  // also -0
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
  char buf[400];
  const double mag = std::fabs(v);
  // Plain digits for everyday magnitudes, an exponent only for the extremes.
  const auto fmt = (mag >= 1e-5 && mag < 1e15) ? std::chars_format::fixed
                                               : std::chars_format::scientific;
  const auto r = std::to_chars(buf, buf + sizeof buf, v, fmt);
  if (r.ec != std::errc()) return {};
  return std::string(buf, r.ptr);
}

double Val(const std::string& s) {
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;

  if (i + 1 < n && s[i] == '&') {
    switch (s[i + 1]) {
      case 'h': case 'H': return RadixValue(s, i + 2, 16);
      case 'o': case 'O': return RadixValue(s, i + 2, 8);
      case 'b': case 'B': return RadixValue(s, i + 2, 2);
      default: return 0;
    }
  }

  bool negative = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  const std::size_t digits = i;
  std::size_t intDigits = 0, fracDigits = 0;
  while (i < n && IsDigit(s[i])) ++i, ++intDigits;
  if (i < n && s[i] == '.') {
    ++i;
    while (i < n && IsDigit(s[i])) ++i, ++fracDigits;
  }
  if (intDigits + fracDigits == 0) return 0;
  const std::size_t mantissaEnd = i;
  long long exponent = 0;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    bool expNegative = false;
    if (j < n && (s[j] == '+' || s[j] == '-')) expNegative = s[j++] == '-';
    if (j < n && IsDigit(s[j])) {
      while (j < n && IsDigit(s[j])) {
        if (exponent < 100000) exponent = exponent * 10 + (s[j] - '0');
        ++j;
      }
      if (expNegative) exponent = -exponent;
      i = j;  // the exponent belongs to the number only when it has digits
    }
  }

  double v = 0;
  const auto r = std::from_chars(s.data() + digits, s.data() + i, v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: which one depends on the decimal
    // magnitude of the first significant digit.
    long long mag = 0;
    bool found = false;
    for (std::size_t k = digits, place = 0; k < mantissaEnd; ++k) {
      if (s[k] == '.') continue;
      if (s[k] != '0') {
        mag = static_cast<long long>(intDigits) - static_cast<long long>(place);
        found = true;
        break;
      }
      ++place;
    }
    v = (found && mag + exponent > 0) ? std::numeric_limits<double>::infinity() : 0.0;
  } else if (r.ec != std::errc()) {
    v = 0;
  }
  return negative ? -v : v;
}

std::string EndOfLine() { return "\n"; }

bool Equals(const std::string& a, const std::string& b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
      if (FoldAscii(static_cast<unsigned char>(a[i])) != FoldAscii(static_cast<unsigned char>(b[i])))
        return false;
    return true;
  }
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const Char ca = DecodeAt(a, i), cb = DecodeAt(b, j);
    if (FoldKey(ca) != FoldKey(cb)) return false;
    i += static_cast<std::size_t>(ca.size);
    j += static_cast<std::size_t>(cb.size);
  }
  return i == a.size() && j == b.size();
}

}  // namespace fw
