// The text functions: characters, not bytes; case-insensitive search and
// equality; number reading that never fails.
#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <random>
#include <string>

#include "framework/Text.h"

namespace {

const std::string kE = "\xC3\xA9";                       // é
const std::string kEUpper = "\xC3\x89";                  // É
const std::string kNihon = "\xE6\x97\xA5\xE6\x9C\xAC";   // 日本
const std::string kSmile = "\xF0\x9F\x98\x80";           // 😀

TEST(TextLength, CountsCharacters) {
  const struct {
    std::string s;
    int len;
  } cases[] = {
      {"", 0},
      {"abc", 3},
      {kE, 1},
      {"caf" + kE, 4},
      {kNihon, 2},
      {kSmile, 1},
      {"a" + kSmile + "b" + kNihon, 5},
      {std::string("a\0b", 3), 3},
      {"\xFF", 1},              // a stray byte is one character
      {"\xC3", 1},              // a truncated sequence
      {"\xE6\x97", 2},          // truncated: each byte alone
      {"\xC0\xAF", 2},          // an overlong form is not a character
      {"\xED\xA0\x80", 3},      // nor is a surrogate
      {"\xF4\x90\x80\x80", 4},  // nor anything above U+10FFFF
  };
  for (const auto& c : cases) EXPECT_EQ(fw::Len(c.s), c.len) << c.s;
}

TEST(TextPieces, LeftRightMidCountCharacters) {
  const std::string s = "a" + kE + kNihon + kSmile + "z";  // a é 日 本 😀 z
  const struct {
    std::string got, want;
  } cases[] = {
      {fw::Left(s, 0), ""},
      {fw::Left(s, -3), ""},
      {fw::Left(s, 2), "a" + kE},
      {fw::Left(s, 99), s},
      {fw::Right(s, 0), ""},
      {fw::Right(s, 2), kSmile + "z"},
      {fw::Right(s, 4), kNihon + kSmile + "z"},
      {fw::Right(s, 99), s},
      {fw::Mid(s, 1), s},
      {fw::Mid(s, 0), s},
      {fw::Mid(s, 3), kNihon + kSmile + "z"},
      {fw::Mid(s, 6), "z"},
      {fw::Mid(s, 7), ""},
      {fw::Mid(s, 2, 3), kE + kNihon},
      {fw::Mid(s, 5, 1), kSmile},
      {fw::Mid(s, 5, 99), kSmile + "z"},
      {fw::Mid(s, 2, 0), ""},
      {fw::Mid(s, 2, -1), ""},
      {fw::Mid(s, 50, 2), ""},
      {fw::Mid("abc", 3, 1), "c"},
      {fw::Mid("\xFF\xFE" "a", 2, 2), "\xFE" "a"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;
}

TEST(TextSearch, InStrIgnoresCaseAndCountsCharacters) {
  const struct {
    int start;  // 0: the two-argument form
    std::string source, pattern;
    int want;
  } cases[] = {
      {0, "xxBANKyy", "bank", 3},
      {0, "bank", "BANK", 1},
      {0, "abc", "d", 0},
      {0, "abc", "", 1},
      {0, "", "", 1},
      {0, "", "a", 0},
      {0, "ab", "abc", 0},
      {0, "aaab", "aab", 2},
      {0, "caf" + kE, kE, 4},
      {0, "CAF" + kEUpper, "caf" + kE, 1},  // case ignored beyond ASCII too
      {0, kNihon + "Bank", "bank", 3},
      {0, kSmile + "x" + kSmile + "y", kSmile + "Y", 3},
      {0, "a\xFF" "b", "\xFF" "B", 2},
      {0, "Stra\xC3\x9F" "e", "SS", 0},  // ß is not two letters
      {0, "@[`{", "`", 3},  // neighbours of the letters are not letters
      {0, "@", "`", 0},
      {2, "abcabc", "abc", 4},
      {4, "abcabc", "ABC", 4},
      {5, "abcabc", "abc", 0},
      {-2, "abc", "b", 2},
      {99, "abc", "a", 0},
      {3, kE + kE + "x" + kE, kE, 4},
      {2, "abc", "", 2},
      {4, "abc", "", 4},
      {5, "abc", "", 0},
  };
  for (const auto& c : cases) {
    const int got = c.start == 0 ? fw::InStr(c.source, c.pattern)
                                 : fw::InStr(c.start, c.source, c.pattern);
    EXPECT_EQ(got, c.want) << c.start << " '" << c.source << "' '" << c.pattern << "'";
  }
}

TEST(TextSearch, InStrBIsByteExact) {
  const struct {
    int start;
    std::string source, pattern;
    int want;
  } cases[] = {
      {0, "xxBANKyy", "BANK", 3},
      {0, "xxBANKyy", "bank", 0},
      {0, "abc", "", 1},
      {0, kE + "x", "x", 3},  // byte position
      {0, kNihon, "\x97", 2},
      {0, "CAF" + kEUpper, kE, 0},
      {2, "abab", "ab", 3},
      {3, "abab", "ab", 3},
      {4, "abab", "ab", 0},
      {0, std::string("a\0b", 3), std::string("\0b", 2), 2},
      {-1, "abc", "a", 1},
      {9, "abc", "", 0},
      {4, "abc", "", 4},
  };
  for (const auto& c : cases) {
    const int got = c.start == 0 ? fw::InStrB(c.source, c.pattern)
                                 : fw::InStrB(c.start, c.source, c.pattern);
    EXPECT_EQ(got, c.want) << c.start << " '" << c.source << "' '" << c.pattern << "'";
  }
}

TEST(TextCompare, EqualsIgnoresLetterCaseOnly) {
  const struct {
    std::string a, b;
    bool equal;
  } cases[] = {
      {"SHOW", "Show", true},
      {"a", "b", false},
      {"", "", true},
      {"a", "", false},
      {"abc", "ab", false},
      {"UPDATE", "update", true},
      {"caf" + kE, "CAF" + kEUpper, true},
      {kNihon, kNihon, true},
      {"a ", "a", false},
      {"@", "`", false},
      {"[", "{", false},
      {"\xFF", "\xFE", false},
      {"\xFF", "\xFF", true},
      {"\xC3", kE, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fw::Equals(c.a, c.b), c.equal) << "'" << c.a << "' '" << c.b << "'";
    EXPECT_EQ(fw::Equals(c.b, c.a), c.equal) << "'" << c.b << "' '" << c.a << "'";
  }
}

TEST(TextTrim, RemovesWhiteSpaceAtBothEnds) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"abc", "abc"},
      {"  abc  ", "abc"},
      {"\t\r\nabc\r\n\t", "abc"},
      {"\v\fa b\f\v", "a b"},
      {" a \t b ", "a \t b"},
      {"\xC2\xA0" "x" "\xC2\xA0", "x"},        // no-break space
      {"\xE3\x80\x80" "x", "x"},               // ideographic space
      {" " + kE + " ", kE},
      {" " + kSmile, kSmile},
      {" \xFF ", "\xFF"},
      {std::string("\0a", 2), std::string("\0a", 2)},  // NUL is not white space
  };
  for (const auto& c : cases) EXPECT_EQ(fw::Trim(c.in), c.out) << "'" << c.in << "'";
}

TEST(TextCodes, ChrAndAscRoundTrip) {
  const struct {
    int code;
    std::string text;
  } cases[] = {
      {65, "A"},  {233, kE},  {0x65E5, "\xE6\x97\xA5"}, {0x1F600, kSmile},
      {13, "\r"}, {10, "\n"}, {0x7F, "\x7F"},           {0x80, "\xC2\x80"},
      {0x7FF, "\xDF\xBF"}, {0x800, "\xE0\xA0\x80"}, {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"}, {0x10FFFF, "\xF4\x8F\xBF\xBF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fw::Chr(c.code), c.text) << c.code;
    EXPECT_EQ(fw::Asc(c.text), c.code) << c.code;
    EXPECT_EQ(fw::Asc(c.text + "tail"), c.code) << c.code;
  }
  EXPECT_EQ(fw::Chr(0), std::string(1, '\0'));
  for (int bad : {-1, 0xD800, 0xDFFF, 0x110000, std::numeric_limits<int>::max()})
    EXPECT_EQ(fw::Chr(bad), "") << bad;
  EXPECT_EQ(fw::Asc(""), 0);
  EXPECT_EQ(fw::Asc("\xFF"), 0xFF);
  EXPECT_EQ(fw::Asc("\xC3"), 0xC3);
}

TEST(TextNumbers, StrGivesTheShortestNaturalForm) {
  const struct {
    double v;
    const char* s;
  } cases[] = {
      {3, "3"},         {2.5, "2.5"},     {-1, "-1"},       {0, "0"},
      {-0.0, "0"},      {0.1, "0.1"},     {100, "100"},     {1000000, "1000000"},
      {-12.75, "-12.75"}, {123456789012, "123456789012"}, {1e20, "1e+20"},
  };
  for (const auto& c : cases) EXPECT_EQ(fw::Str(c.v), c.s) << c.v;
  for (double v : {0.3, 1.0 / 3, 2.0 / 3e7, 1e300, -4.2e-12})
    EXPECT_EQ(fw::Val(fw::Str(v)), v) << fw::Str(v);
}

TEST(TextNumbers, ValReadsTheLeadingNumber) {
  const struct {
    std::string s;
    double v;
  } cases[] = {
      {"12ab", 12},  {"ab", 0},    {" 7", 7},     {"-3", -3},    {"1.5", 1.5},
      {"", 0},       {"  ", 0},    {"+4", 4},     {"-", 0},      {".", 0},
      {"-.5", -0.5}, {".25x", 0.25}, {"1.", 1},   {"1e3", 1000}, {"1E-2", 0.01},
      {"1e", 1},     {"1e+", 1},   {"2e+x", 2},   {"3.5.1", 3.5}, {"\t\r\n 9", 9},
      {"1 2", 1},    {"--1", 0},   {"+-1", 0},    {"007", 7},    {"&h1F", 31},
      {"&H1f", 31},  {"&o17", 15}, {"&b101", 5},  {"&hZ", 0},    {"&", 0},
      {"&x1", 0},    {kE + "1", 0}, {"1e400", std::numeric_limits<double>::infinity()},
      {"-1e400", -std::numeric_limits<double>::infinity()}, {"1e-400", 0},
      {"0e999999999999", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(fw::Val(c.s), c.v) << "'" << c.s << "'";
}

TEST(TextNumbers, EndOfLineIsLF) { EXPECT_EQ(fw::EndOfLine(), "\n"); }

// No input makes a text function read outside its string or stop.
TEST(TextRobustness, ArbitraryBytes) {
  std::mt19937 rng(99);
  for (int round = 0; round < 5000; ++round) {
    std::string s, p;
    for (std::size_t i = rng() % 10; i > 0; --i) s += static_cast<char>(rng() & 0xFF);
    for (std::size_t i = rng() % 3; i > 0; --i) p += static_cast<char>(rng() & 0xFF);
    const int len = fw::Len(s);
    ASSERT_LE(len, static_cast<int>(s.size()));
    ASSERT_EQ(fw::Left(s, len), s);
    ASSERT_EQ(fw::Left(s, 2) + fw::Mid(s, 3), s);
    ASSERT_EQ(fw::Mid(s, 1, 1) + fw::Right(s, len - 1), s);
    const int at = fw::InStr(s, p);
    ASSERT_GE(at, 0);
    ASSERT_LE(at, len + 1);
    if (at > 0) ASSERT_TRUE(fw::Equals(fw::Mid(s, at, fw::Len(p)), p));
    const int atB = fw::InStrB(s, p);
    if (atB > 0) ASSERT_EQ(s.substr(static_cast<std::size_t>(atB - 1), p.size()), p);
    ASSERT_LE(fw::Trim(s).size(), s.size());
    (void)fw::Val(s);
    (void)fw::Asc(s);
  }
}

}  // namespace
