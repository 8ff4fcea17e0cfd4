#pragma once
// The open audio device under the mixer: SDL's audio, SDL_mixer on it and its
// MP3 decoder, closed again in reverse order when the owner lets go.
#include <memory>

namespace fw::audio {

class MixerDevice {
 public:
  // Opens on the driver the environment chooses, or, when `silent`, on SDL's
  // dummy driver, which plays into nothing. Nil when it does not open.
  static std::unique_ptr<MixerDevice> Open(int rate, int chunk_frames, bool silent);
  ~MixerDevice();
  MixerDevice(const MixerDevice&) = delete;
  MixerDevice& operator=(const MixerDevice&) = delete;

  // Whether a real device plays (not SDL's dummy driver).
  bool Real() const { return real_; }
  int Rate() const { return rate_; }
  // SDL's sample format code (AUDIO_S16SYS, AUDIO_F32SYS, ...).
  unsigned Format() const { return format_; }
  int Channels() const { return channels_; }

 private:
  MixerDevice() = default;
  bool real_ = false;
  int rate_ = 0;
  unsigned format_ = 0;
  int channels_ = 0;
};

}  // namespace fw::audio
