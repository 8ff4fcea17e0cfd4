#include "book/Codec.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>
#include <utility>

#include "framework/EventLoop.h"
#include "framework/Text.h"

namespace kestrion {
namespace {

// The code table: every printable ASCII character once, in a scrambled order,
// and the digit 7 a second time (positions 77 and 79). Every stored value
// depends on this exact order: never change it.
constexpr std::string_view kCodeTable =
    "QE6$]+bxd4(,YPf'wZg\\Cn{hWH@%|2?LG<^rqi}5!RyX~;)B-.81t0D_jpVkc`az[:SUeo> I9#s7*7uMT&/lFv=\"JON3AKm";

constexpr bool CodeTableIsWellFormed() {
  if (kCodeTable.size() != 96) return false;
  int doubled = 0;
  for (int c = 32; c <= 126; ++c) {
    int count = 0;
    for (char t : kCodeTable) count += (t == c);
    if (count == 2 && c >= '0' && c <= '9') ++doubled;
    else if (count != 1) return false;
  }
  return doubled == 1;
}
static_assert(CodeTableIsWellFormed(), "the code table must hold each printable ASCII character once and one digit twice");

// The working table: positions 1..96 the code table, 97 CR, 98 LF. Index 0 is
// unused so that a position indexes it directly.
constexpr int kWorkingSize = 98;
constexpr std::array<char, kWorkingSize + 1> MakeWorkingTable() {
  std::array<char, kWorkingSize + 1> t{};
  for (std::size_t i = 0; i < kCodeTable.size(); ++i) t[i + 1] = kCodeTable[i];
  t[97] = '\r';
  t[98] = '\n';
  return t;
}
constexpr std::array<char, kWorkingSize + 1> kWorking = MakeWorkingTable();

// For each byte below 128: its first position in the working table, 0 when it
// is not there. Being the first occurrence, the doubled digit always encodes
// as its first position.
constexpr std::array<unsigned char, 128> MakePositions() {
  std::array<unsigned char, 128> p{};
  for (int pos = kWorkingSize; pos >= 1; --pos)
    p[static_cast<unsigned char>(kWorking[pos])] = static_cast<unsigned char>(pos);
  return p;
}
constexpr std::array<unsigned char, 128> kPosition = MakePositions();

// Byte length of the character starting at s[i], counted the way the text
// functions count characters (a stray byte is one character).
inline std::size_t CharSize(std::string_view s, std::size_t i) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) return 1;
  // Rare: let the text functions decide how long the character is.
  return fw::Left(std::string(s.substr(i, 4)), 1).size();
}

// A stored piece read as a position. Two digits, the only form the encoder
// writes, are read directly; anything else (a sign, a point, a letter, a
// lone digit) is read as the text functions read a number: "+3" is 3, "1." is
// 1, "9.9" is 9 (fractions are cut toward zero), "ab" is 0, "-5" is -5.
inline long long PiecePosition(std::string_view s, std::size_t from, std::size_t to) {
  if (to - from == 2 && s[from] >= '0' && s[from] <= '9' && s[from + 1] >= '0' &&
      s[from + 1] <= '9')
    return (s[from] - '0') * 10 + (s[from + 1] - '0');
  const double v = fw::Val(std::string(s.substr(from, to - from)));
  if (std::isnan(v)) return -1;
  if (v >= 1e9) return kWorkingSize + 1;
  if (v <= -1e9) return -1;
  return static_cast<long long>(std::trunc(v));
}

// A digit pair's character: 0 for "00", which repeats the character before
// it, and 1 for "99", which is outside the table. Every character of the
// table is above 1 (CR and LF included).
constexpr std::array<char, 100> MakePairs() {
  std::array<char, 100> t{};
  for (std::size_t pos = 1; pos <= kWorkingSize; ++pos) t[pos] = kWorking[pos];
  t[99] = 1;
  return t;
}
constexpr std::array<char, 100> kPairs = MakePairs();
static_assert(kWorkingSize == 98, "two digits reach every position of the table, and 99 beyond it");

}  // namespace

// Both write into a text made long enough at the start and cut to size at
// the end, and read the input through a local pointer and length: a long
// value then costs one allocation, and the compiler need not reload the
// input at every character written.
std::string EncryptText(std::string s) {
  const char* const in = s.data();
  const std::size_t n = s.size();
  std::string out(n * 2, '\0');
  char* o = out.data();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = static_cast<unsigned char>(in[i]);
    std::size_t size = 1;
    int pos = 0;
    if (b < 0x80) pos = kPosition[b];
    else size = CharSize(s, i);  // outside ASCII: never in the table
    *o++ = static_cast<char>('0' + pos / 10);
    *o++ = static_cast<char>('0' + pos % 10);
    i += size;
    fw::Yield();
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

void DecryptAppend(std::string_view s, std::string& out) {
  const unsigned char* const in = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  // Decoded into a buffer of its own and appended a buffer at a time: a
  // field's text then costs one append.
  char buffer[256];
  char* o = buffer;
  char* const full = buffer + sizeof buffer;
  // The character of the last position read, which a "00" pair repeats; 0
  // (none) before the first position and after a position outside the table.
  char current = 0;
  std::size_t i = 0;
  while (i < n) {
    // Stored text is all digit pairs: they are read here, in a loop of their
    // own, and only other pieces take the general way below.
    const unsigned char* p = in + i;
    const unsigned char* const stop = p + 2 * std::min<std::size_t>((n - i) / 2, static_cast<std::size_t>(full - o));
    while (p != stop) {
      const unsigned d0 = p[0] - unsigned{'0'};
      const unsigned d1 = p[1] - unsigned{'0'};
      if ((d0 >= 10u) | (d1 >= 10u)) break;
      const char c = kPairs[d0 * 10 + d1];
      if (c > 1) current = c;
      else if (c == 1) current = 0;
      *o = current;
      o += current != 0;
      p += 2;
      fw::Yield();
    }
    i = static_cast<std::size_t>(p - in);
    if (o == full) {
      out.append(buffer, sizeof buffer);
      o = buffer;
      continue;
    }
    if (i >= n) break;
    // The piece: two characters, or one at the end of an odd-length text.
    std::size_t end = i + CharSize(s, i);
    if (end < n) end += CharSize(s, end);
    const long long pos = PiecePosition(s, i, end);
    if (pos != 0) current = pos >= 1 && pos <= kWorkingSize ? kWorking[static_cast<std::size_t>(pos)] : 0;
    *o = current;
    o += current != 0;
    i = end;
    fw::Yield();
  }
  out.append(buffer, static_cast<std::size_t>(o - buffer));
}

std::string DecryptText(std::string s) {
  std::string out;
  DecryptAppend(std::string_view(s), out);
  return out;
}

namespace {
bool Storable(unsigned char c) { return (c >= 32 && c <= 126) || c == '\r' || c == '\n'; }

std::string Describe(const std::string& text, std::size_t at) {
  const unsigned char c = static_cast<unsigned char>(text[at]);
  if (c == '\t') return "a tab";
  if (c < 0x80) return "a control character";
  const int code = fw::Asc(text.substr(at, 4));
  char hex[16];
  std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
  return "the character \"" + fw::Left(text.substr(at), 1) + "\" (" + hex + ")";
}
}  // namespace

std::string UnstorableTextMessage(const std::string& text, const std::string& label, bool masked,
                                  const std::string& not_stored, const std::string& holder) {
  std::size_t at = 0;
  while (at < text.size() && Storable(static_cast<unsigned char>(text[at]))) ++at;
  if (at == text.size()) return {};
  return "The field \"" + label + "\" holds " + (masked ? std::string("a character") : Describe(text, at)) +
         " that Kestrion cannot store, so " + not_stored + "." + fw::EndOfLine() + fw::EndOfLine() + holder +
         " can hold the letters A to Z and a to z, the digits, the blank, the punctuation marks of a US keyboard "
         "and line breaks. Please remove or replace that character.";
}

}  // namespace kestrion
