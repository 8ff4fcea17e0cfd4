#pragma once
#include <memory>
#include <string>

namespace fw {

// A decoded image, drawn as a window's backdrop.
class Picture {
 public:
  // Nil when the file cannot be read as an image.
  static std::shared_ptr<Picture> Load(const std::string& path);
  ~Picture();

  int Width() const;
  int Height() const;

  struct Impl;
  Impl& impl() const { return *impl_; }

 private:
  Picture();
  std::unique_ptr<Impl> impl_;
};

}  // namespace fw
