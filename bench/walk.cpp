// A full read of the table with every field decoded, against the sqlite3
// command-line tool's plain read of the same file; and the cost of a yield.
//   bench_walk [rows]     (default: 10000)
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/support/BenchKit.h"
#include "book/Window1.h"
#include "framework/EventLoop.h"
#include "framework/database/SqlDatabase.h"

int main(int argc, char** argv) {
  using bench::Clock;
  using bench::Ms;
  QCoreApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  const std::string dir = std::filesystem::temp_directory_path() / "kestrion-bench-walk";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string file = dir + "/PassDataBaseURL.rsd";
  fw::SqlDatabase db;
  bench::MakeBook(db, file, rows, 7, [](std::mt19937& rng, int i) {
    return bench::TextEntry(rng, "site " + std::to_string(i) + bench::RandomText(rng, 4, 16));
  });

  // The program's walk: every row, every field decoded, one yield per row.
  size_t chars = 0;
  const double best = Ms(bench::Fastest(5, [&] {
    auto rs = db.SQLSelect("select * from PassData", false);
    size_t n = 0;
    while (!rs->Eof()) {
      for (const char* col : {"Site", "UserName", "PassWord", "Notes", "WebAddress"})
        n += kestrion::Window1::Decrypt(rs->Field(col).StringValue()).size();
      rs->MoveNext();
      fw::Yield();
    }
    rs->Close();
    chars = n;
  }));

  // The floor: the sqlite3 tool reading the same file (process start included).
  double floor_ms = bench::SqliteBestMs(file, 5);
  if (floor_ms < 0) {
    std::printf("sqlite3 not available\n");
    floor_ms = 0;
  }

  std::printf("walk of %d rows with every field decoded (%zu characters): %.2f ms (best of 5)\n", rows, chars, best);
  if (floor_ms > 0)
    std::printf("sqlite3 '%s' > /dev/null: %.2f ms (best of 5); ratio %.2f\n", "select * from PassData", floor_ms,
                best / floor_ms);

  // One yield call.
  const int calls = 10000000;
  const auto t0 = Clock::now();
  for (int i = 0; i < calls; ++i) fw::Yield();
  std::printf("yield: %.1f ns a call (%d calls)\n", Ms(Clock::now() - t0) * 1e6 / calls, calls);
  std::filesystem::remove_all(dir);
  return 0;
}
