// The field codec: the stored format (pinned by known encodings), round trips,
// and what stored text not written by the encoder decodes to.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>

#include "book/Codec.h"

namespace {

using kestrion::DecryptText;
using kestrion::EncryptText;

// The 95 printable ASCII characters, then CR and LF.
std::string AllTableCharacters() {
  std::string s;
  for (int c = 32; c <= 126; ++c) s += static_cast<char>(c);
  s += "\r\n";
  return s;
}

bool InWorkingTable(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  return (b >= 32 && b <= 126) || b == '\r' || b == '\n';
}

bool AllDigits(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Known encodings: they fix the code table, which every stored value depends
// on. A change here makes every existing password book unreadable.
TEST(CodecFormat, KnownEncodingsArePinned) {
  const struct {
    const char* plain;
    const char* encoded;
  } cases[] = {
      {"Kestrion Program Lock", "956976533638702272143670193663967232706160"},
      {"aZ 9~", "6318727445"},
      {"Hello, World!\r\n", "266985857012722570368509419798"},
      {"7", "77"},  // the doubled digit: always its first position
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncryptText(c.plain), c.encoded) << c.plain;
    EXPECT_EQ(DecryptText(c.encoded), c.plain) << c.encoded;
  }
}

TEST(CodecFormat, EveryTableCharacterHasADistinctPair) {
  const std::string all = AllTableCharacters();
  std::string seen;
  for (char c : all) {
    const std::string pair = EncryptText(std::string(1, c));
    ASSERT_EQ(pair.size(), 2u);
    ASSERT_TRUE(AllDigits(pair)) << pair;
    const int pos = std::stoi(pair);
    EXPECT_GE(pos, 1) << int(c);
    EXPECT_LE(pos, 98) << int(c);
    EXPECT_EQ(seen.find(pair), std::string::npos) << "pair " << pair << " used twice";
    seen += pair + ",";
  }
  EXPECT_EQ(EncryptText("\r"), "97");
  EXPECT_EQ(EncryptText("\n"), "98");
  EXPECT_EQ(EncryptText("Note\r\n").substr(8), "9798");
}

TEST(CodecRoundTrip, TableTextsComeBackUnchanged) {
  const std::string all = AllTableCharacters();
  EXPECT_EQ(DecryptText(EncryptText(all)), all);
  std::string reversed(all.rbegin(), all.rend());
  EXPECT_EQ(DecryptText(EncryptText(reversed)), reversed);

  std::mt19937 rng(12345);
  for (int round = 0; round < 200; ++round) {
    std::string s = all + all.substr(0, static_cast<std::size_t>(round % 40));
    std::shuffle(s.begin(), s.end(), rng);
    s.resize(static_cast<std::size_t>(round) % s.size() + 1);
    const std::string enc = EncryptText(s);
    ASSERT_EQ(enc.size(), 2 * s.size());
    ASSERT_TRUE(AllDigits(enc));
    ASSERT_EQ(DecryptText(enc), s) << s;
  }
  EXPECT_EQ(DecryptText(EncryptText("MiXeD cAsE")), "MiXeD cAsE");
}

// Two digits per character, not per byte; characters outside the table are "00".
TEST(CodecEncrypt, CharactersOutsideTheTableGiveOneZeroPair) {
  const struct {
    std::string plain;
    std::string encoded;
  } cases[] = {
      {"\xC3\xA9", "00"},                   // é
      {"\xF0\x9F\x98\x80", "00"},           // 😀
      {"a\xC3\xA9" "b", "630007"},          // a é b
      {"\xE6\x97\xA5\xE6\x9C\xAC", "0000"},  // 日本
      {"a\tb", "630007"},
      {std::string("a\0b", 3), "630007"},
      {"\x7F", "00"},
      {"\xFF\xFE", "0000"},                  // stray bytes: one character each
  };
  for (const auto& c : cases) EXPECT_EQ(EncryptText(c.plain), c.encoded);
}

TEST(CodecDecrypt, ZeroPairsRepeatThePreviousCharacter) {
  const struct {
    const char* encoded;
    const char* plain;
  } cases[] = {
      {"630007", "aab"},  // letter, tab, letter
      {"0063", "a"},      // a leading tab decodes to nothing
      {"00", ""},
      {"0000", ""},
      {"630000", "aaa"},
      {"99", ""},  // beyond the table
      {"9900", ""},
      {"639900", "a"},
      {"6399000763", "aba"},
      {"79", "7"},  // second position of the doubled digit
      {"77", "7"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecryptText(c.encoded), c.plain) << c.encoded;
}

TEST(CodecDecrypt, ALoneLastDigitIsAPositionOrARepeat) {
  const std::string ab = EncryptText("ab");
  const char* first9 = "QE6$]+bxd";  // the code table's first nine characters
  for (int d = 1; d <= 9; ++d)
    EXPECT_EQ(DecryptText(ab + std::to_string(d)), "ab" + std::string(1, first9[d - 1])) << d;
  EXPECT_EQ(DecryptText(ab + "0"), "abb");
  EXPECT_EQ(DecryptText("0"), "");
  EXPECT_EQ(DecryptText("5"), "]");
}

// Stored text the encoder never writes: a sign, a point, letters, characters
// outside ASCII. Each piece is read as a number; what it selects stays inside
// the table.
TEST(CodecDecrypt, PiecesThatAreNotTwoDigits) {
  const struct {
    std::string encoded;
    std::string plain;
  } cases[] = {
      {"-5", ""},         // negative: nothing
      {"63-5", "a"},      // ... and it ends the repeat
      {"63-500", "a"},
      {"+1", "Q"},
      {"1.", "Q"},
      {"1e", "Q"},
      {" 5", "]"},
      {"5 ", "]"},
      {"9.9", "dd"},      // "9." then "9"
      {".5", ""},         // a fraction below 1 reads as 0: repeat
      {"63.5", "aa"},
      {"63-0", "aa"},
      {"ab", ""},
      {"63ab", "aa"},
      {"..", ""},
      {"63\xC3\xA9" "1", "aa"},       // the piece is "é1": two characters
      {"\xC3\xA9" "1", ""},
      {"63\xE6\x97\xA5", "aa"},       // a lone multi-byte last character
      {"\xF0\x9F\x98\x80\xF0\x9F\x98\x80", ""},
      {"63\xFF" "5", "aa"},           // a stray byte is one character
      {"&h", ""},
      {"1e9", "Qd"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecryptText(c.encoded), c.plain) << c.encoded;
}

// A long value is decoded a few hundred characters at a time: repeats and
// pieces that are not two digits read the same on either side of a seam.
TEST(CodecDecrypt, LongValuesReadTheSameThroughout) {
  auto times = [](const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
  };
  const struct {
    std::string encoded;
    std::string plain;
  } cases[] = {
      {times("01", 300) + times("00", 300), times("Q", 600)},
      {times("01", 255) + "a1" + "02", times("Q", 256) + "E"},
      {times("01", 256) + "a1" + "02", times("Q", 257) + "E"},
      {times("01", 256) + "-5" + "00" + "02", times("Q", 256) + "E"},
      {times("01", 511) + "\xC3\xA9" "1" + "02", times("Q", 512) + "E"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecryptText(c.encoded), c.plain) << c.encoded.size();

  std::mt19937 rng(77);
  std::string plain;
  for (int i = 0; i < 5000; ++i) plain += (i % 97 == 96) ? '\n' : static_cast<char>(32 + rng() % 95);
  EXPECT_EQ(DecryptText(EncryptText(plain)), plain);
}

TEST(CodecDecrypt, ArbitraryBytesDecodeOnlyToTableCharacters) {
  std::mt19937 rng(4242);
  const std::string alphabet = "0123456789-+.e &hx\xC3\xA9\xF0\x9F\x98\x80\xFF\x80";
  for (int round = 0; round < 20000; ++round) {
    const std::size_t len = rng() % 12;
    std::string s;
    for (std::size_t i = 0; i < len; ++i)
      s += (round % 2) ? static_cast<char>(rng() & 0xFF) : alphabet[rng() % alphabet.size()];
    const std::string out = DecryptText(s);
    ASSERT_LE(out.size(), (s.size() + 1) / 2) << s;
    for (char c : out) ASSERT_TRUE(InWorkingTable(c)) << "input " << s;
  }
}

// Each pass yields to the event loop, so other handlers can run meanwhile and
// even change the text being encoded; the routine works on what it was given.
TEST(CodecEvents, HandlersRunningDuringAPassDoNotDisturbIt) {
  ASSERT_NE(QCoreApplication::instance(), nullptr);
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "Site name " + std::to_string(i) + "\r\n";
  const std::string original = text;
  const std::string expected = EncryptText(original);

  bool fired = false;
  std::string nested;
  QTimer::singleShot(0, [&] {
    fired = true;
    text = "changed";
    nested = DecryptText(EncryptText("inner"));
  });
  std::string outer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fired && std::chrono::steady_clock::now() < deadline) {
    text = original;
    outer = EncryptText(text);
  }
  ASSERT_TRUE(fired) << "no event ran during encoding";
  EXPECT_EQ(nested, "inner");
  EXPECT_EQ(outer, expected);
}

}  // namespace
