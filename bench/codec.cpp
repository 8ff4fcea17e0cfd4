// Timing of the field codec over 1 MB of field-like text (printable ASCII with
// CR LF line ends), with the application object present as in the program, so
// that the per-pass yields cost what they cost in a real run.
#include <QCoreApplication>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/support/BenchKit.h"
#include "book/Codec.h"

namespace {

std::string MakeText(std::size_t size) {
  std::mt19937 rng(7);
  std::string s;
  s.reserve(size);
  while (s.size() < size) {
    const std::size_t line = 8 + rng() % 60;
    for (std::size_t i = 0; i < line && s.size() < size; ++i)
      s += static_cast<char>(32 + rng() % 95);
    if (s.size() + 2 <= size) s += "\r\n";
  }
  s.resize(size, 'x');
  return s;
}

void Report(const char* what, double seconds, std::size_t chars) {
  std::printf("%-28s %8.2f ms  %8.1f MB/s  %6.2f ns/char\n", what, seconds * 1e3,
              static_cast<double>(chars) / 1e6 / seconds, seconds * 1e9 / static_cast<double>(chars));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const std::size_t kSize = 1 << 20;
  const std::string text = MakeText(kSize);
  const int kRuns = 5;

  std::string encoded, decoded;
  const double enc = bench::Seconds(bench::Fastest(kRuns, [&] { encoded = kestrion::EncryptText(text); }));
  const double dec = bench::Seconds(bench::Fastest(kRuns, [&] { decoded = kestrion::DecryptText(encoded); }));

  // Many short values, as a scan of the records decodes them.
  std::vector<std::string> fields;
  for (std::size_t at = 0; at + 24 <= kSize; at += 24) fields.push_back(kestrion::EncryptText(text.substr(at, 24)));
  std::size_t total = 0;
  const double shortDec = bench::Seconds(bench::Fastest(kRuns, [&] {
    total = 0;
    for (const std::string& f : fields) total += kestrion::DecryptText(f).size();
  }));

  std::printf("codec over %zu characters (best of %d runs)\n", kSize, kRuns);
  Report("EncryptText", enc, kSize);
  Report("DecryptText", dec, kSize);
  Report("DecryptText, 24-char fields", shortDec, total);

  const bool ok = encoded.size() == 2 * kSize && decoded == text && total == fields.size() * 24;
  std::printf("round trip: %s\n", ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
