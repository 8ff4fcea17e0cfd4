#pragma once
// SQLite's integrity check of a whole database file, on a read-only
// connection and a thread of their own, so that the thread that owns the
// database goes on meanwhile. It reads every page: on a large file it takes
// a good part of a second, and holds a read lock for as long (writers of
// other connections wait for it as for any reader).
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace fw::sqlite {

class DamageCheck {
 public:
  // Called on the check's own thread: "" for a sound file, otherwise SQLite's
  // account of the damage. Not called when no verdict could be had (the file
  // held locked elsewhere throughout, gone, or the check stopped).
  using Verdict = std::function<void(const std::string& damage)>;

  DamageCheck(std::string path, Verdict verdict);
  // Stops the check at once and waits for its thread.
  ~DamageCheck();
  DamageCheck(const DamageCheck&) = delete;
  DamageCheck& operator=(const DamageCheck&) = delete;

 private:
  void Run(const std::string& path, const Verdict& verdict);

  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace fw::sqlite
