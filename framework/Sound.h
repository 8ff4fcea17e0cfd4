#pragma once
#include <memory>
#include <string>

namespace fw {

// A sound file decoded whole, played on a channel of its own.
class Sound {
 public:
  // Nil when the file is missing or cannot be decoded.
  static std::shared_ptr<Sound> Load(const std::string& path);
  ~Sound();

  void Play();
  void Stop();
  // 0 (silent) to 100 (full).
  void SetVolume(int volume);
  int Volume() const;
  bool IsPlaying() const;

  struct Impl;

 private:
  Sound();
  std::unique_ptr<Impl> impl_;
};

}  // namespace fw
