#include "framework/database/sqlite/DamageCheck.h"

#include <chrono>

#include "framework/database/sqlite/Connection.h"
#include "framework/database/sqlite/Handles.h"

namespace fw::sqlite {

namespace {
// Enough lines to tell what is damaged; the check ends there.
constexpr int kMostLines = 10;

struct Waiting {
  const std::atomic<bool>* stop;
  std::chrono::steady_clock::time_point since;
};

// Waits for another connection's lock as long as a statement would, unless
// told to stop.
int BusyWait(void* state, int count) {
  auto* w = static_cast<Waiting*>(state);
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) w->since = now;
  if (w->stop->load() || now - w->since >= Connection::LockWait()) return 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return 1;
}

int Stopped(void* stop) { return static_cast<const std::atomic<bool>*>(stop)->load() ? 1 : 0; }
}  // namespace

DamageCheck::DamageCheck(std::string path, Verdict verdict)
    : thread_([this, path = std::move(path), verdict = std::move(verdict)] { Run(path, verdict); }) {}

DamageCheck::~DamageCheck() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void DamageCheck::Run(const std::string& path, const Verdict& verdict) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  const ConnectionHandle db(raw);
  if (opened != SQLITE_OK) return;
  Waiting waiting{&stop_, {}};
  sqlite3_busy_handler(db.get(), BusyWait, &waiting);
  sqlite3_progress_handler(db.get(), 1000, Stopped, &stop_);

  int rc = SQLITE_OK;
  const StatementHandle st = Prepare(db.get(), "PRAGMA integrity_check(" + std::to_string(kMostLines) + ")", &rc);
  std::string lines;
  if (st) {
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
      const unsigned char* line = sqlite3_column_text(st.get(), 0);
      if (!lines.empty()) lines += "\n";
      lines += line ? reinterpret_cast<const char*>(line) : "";
    }
  }
  if (stop_) return;
  if (rc == SQLITE_DONE) {
    verdict(lines == "ok" ? std::string() : lines);
    return;
  }
  // A file whose very schema cannot be read fails before a line comes out.
  const int code = sqlite3_extended_errcode(db.get()) & 0xff;
  if (code == SQLITE_CORRUPT || code == SQLITE_NOTADB) verdict(sqlite3_errmsg(db.get()));
}

}  // namespace fw::sqlite
