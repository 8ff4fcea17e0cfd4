#pragma once
// What the last operation of a database (or of one of its record sets) came
// to, as Error and ErrorMessage report it.
#include <string>
#include <utility>

namespace fw::sqlite {

// Why an operation failed; `busy` when another connection held the file
// locked for longer than the database waits, `damaged` when the file is
// damaged.
struct Failure {
  std::string message;
  bool busy = false;
  bool damaged = false;
};

class Outcome {
 public:
  bool error() const { return error_; }
  const std::string& message() const { return failure_.message; }
  bool busy() const { return error_ && failure_.busy; }
  bool damaged() const { return error_ && failure_.damaged; }

  void Ok() {
    error_ = false;
    failure_ = {};
  }
  void Fail(Failure why) {
    error_ = true;
    failure_ = std::move(why);
  }
  void Fail(std::string why) { Fail(Failure{std::move(why), false}); }

  // The last write refused since the last Commit, for Commit to report: a
  // caller who tests the flag after Commit learns that a write did not go in.
  void Committed() {
    if (refused_write_) {
      Fail(std::move(refused_));
    } else {
      Ok();
    }
    ForgetWrites();
  }
  void ForgetWrites() {
    refused_write_ = false;
    refused_ = {};
  }

  // Marks an operation as a write: a failure it ends with is kept for Commit.
  class WriteScope {
   public:
    explicit WriteScope(Outcome& o) : o_(o) {}
    ~WriteScope() {
      if (!o_.error_) return;
      o_.refused_write_ = true;
      o_.refused_ = o_.failure_;
    }
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;

   private:
    Outcome& o_;
  };

 private:
  bool error_ = false;
  Failure failure_;
  bool refused_write_ = false;
  Failure refused_;
};

}  // namespace fw::sqlite
