#pragma once
// The open audio device under the mixer: SDL's audio, SDL_mixer on it and its
// MP3 decoder, closed again in reverse order when the owner lets go. After
// the sounds, the synthesizer it is given is rendered into the mix; and it
// counts how long the mix has been too faint to be heard.
#include <atomic>
#include <memory>
#include <vector>

namespace fw::audio {

class Synth;

class MixerDevice {
 public:
  struct Format {
    int rate = 0;
    unsigned sample_format = 0;  // SDL's code (AUDIO_S16SYS, AUDIO_F32SYS, ...)
    int channels = 0;
  };
  // Opens on the driver the environment chooses, or, when `silent`, on SDL's
  // dummy driver, which plays into nothing. With `same`, exactly that format
  // (SDL converts for the device); otherwise the rate and channel count may
  // be the device's own. Nil when it does not open.
  static std::unique_ptr<MixerDevice> Open(int rate, int period_frames, bool silent, const Format* same);
  ~MixerDevice();
  MixerDevice(const MixerDevice&) = delete;
  MixerDevice& operator=(const MixerDevice&) = delete;

  // Whether a real device plays (not SDL's dummy driver).
  bool Real() const { return real_; }
  const Format& GetFormat() const { return format_; }

  // Renders `synth` into the mix from the next period on. Given once: the
  // device closes before its synthesizer goes.
  void SetSynth(Synth* synth) { synth_.store(synth, std::memory_order_release); }
  // Periods in a row in which no channel played and the mix, the synthesizer
  // included, stayed below what can be heard.
  int QuietPeriods() const { return quiet_.load(std::memory_order_relaxed); }
  void ResetQuiet() { quiet_.store(0, std::memory_order_relaxed); }

  // On the audio thread, after the channels are mixed.
  void MixIn(unsigned char* stream, int len);

 private:
  MixerDevice() = default;
  bool real_ = false;
  Format format_;
  std::atomic<Synth*> synth_{nullptr};
  std::vector<float> render_;  // used by the audio thread only
  std::atomic<int> quiet_{0};
};

}  // namespace fw::audio
