#include "framework/audio/module/MixerDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "framework/audio/module/Synth.h"

namespace fw::audio {
namespace {

void PostMix(void* udata, Uint8* stream, int len) { static_cast<MixerDevice*>(udata)->MixIn(stream, len); }

// Adds the synthesizer's stereo output to the mixed frames, clipped.
template <class Sample>
void AddInto(Sample* out, const float* stereo, int frames, int channels, float scale, float lo, float hi) {
  auto mixin = [&](Sample& sample, float v) {
    sample = static_cast<Sample>(std::clamp(static_cast<float>(sample) + v * scale, lo, hi));
  };
  for (int i = 0; i < frames; ++i) {
    const float l = stereo[2 * i], r = stereo[2 * i + 1];
    Sample* frame = out + static_cast<size_t>(i) * channels;
    if (channels == 1) {
      mixin(frame[0], 0.5f * (l + r));
    } else {
      mixin(frame[0], l);
      mixin(frame[1], r);
    }
  }
}

// The level below which the mix counts as silent: 8 steps of 16 bits,
// -72 dBFS. The program's soft tones peak between -41 dBFS (Show, Hide) and
// -29 dBFS (the attention tone), the start-up chime near -33 dBFS; fallen
// this far they are lost under the background noise of a quiet room at any
// ordinary listening volume, while their last few steps above zero would
// ring on for seconds more (the chime's for 3.6 s), keeping the device open
// for nothing heard.
constexpr int kInaudible16 = 8;

template <class Sample>
bool AllBelow(const unsigned char* stream, int len, Sample limit) {
  Sample s;
  for (int i = 0; i + static_cast<int>(sizeof s) <= len; i += static_cast<int>(sizeof s)) {
    std::memcpy(&s, stream + i, sizeof s);
    if (s > limit || s < -limit) return false;
  }
  return true;
}

bool Inaudible(const unsigned char* stream, int len, unsigned format) {
  if (format == AUDIO_S16SYS) return AllBelow<Sint16>(stream, len, kInaudible16);
  if (format == AUDIO_F32SYS) return AllBelow<float>(stream, len, kInaudible16 / 32768.0f);
  // Zero bytes are silence in the other signed formats.
  return std::all_of(stream, stream + len, [](unsigned char b) { return b == 0; });
}

}  // namespace

std::unique_ptr<MixerDevice> MixerDevice::Open(int rate, int period_frames, bool silent, const Format* same) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // signals stay the UI toolkit's
  if (silent) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
  bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (ok) {
    const int opened =
        same ? Mix_OpenAudioDevice(same->rate, static_cast<Uint16>(same->sample_format), same->channels, period_frames,
                                   nullptr, 0)
             : Mix_OpenAudio(rate, AUDIO_S16SYS, 2, period_frames);
    if (opened != 0) {
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      ok = false;
    }
  }
  if (silent) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
  if (!ok) return nullptr;
  // From here on the destructor closes what is open.
  std::unique_ptr<MixerDevice> d(new MixerDevice);
  const char* driver = SDL_GetCurrentAudioDriver();
  d->real_ = driver && std::strcmp(driver, "dummy") != 0;
  Mix_Init(MIX_INIT_MP3);
  int got_rate = rate, channels = 2;
  Uint16 format = AUDIO_S16SYS;
  Mix_QuerySpec(&got_rate, &format, &channels);
  d->format_ = {got_rate, format, channels};
  d->render_.resize(static_cast<size_t>(period_frames) * 4);
  Mix_SetPostMix(PostMix, d.get());
  return d;
}

MixerDevice::~MixerDevice() {
  Mix_SetPostMix(nullptr, nullptr);
  Mix_HaltChannel(-1);
  Mix_CloseAudio();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void MixerDevice::MixIn(unsigned char* stream, int len) {
  Synth* synth = synth_.load(std::memory_order_acquire);
  if (synth && format_.channels >= 1) {
    const int frames = len / (SDL_AUDIO_BITSIZE(format_.sample_format) / 8 * format_.channels);
    if (frames > 0) {
      if (render_.size() < static_cast<size_t>(frames) * 2) render_.resize(static_cast<size_t>(frames) * 2);
      synth->Render(render_.data(), frames);
      if (format_.sample_format == AUDIO_S16SYS)
        AddInto(reinterpret_cast<Sint16*>(stream), render_.data(), frames, format_.channels, 32767.0f, -32768.0f,
                32767.0f);
      else if (format_.sample_format == AUDIO_F32SYS)
        AddInto(reinterpret_cast<float*>(stream), render_.data(), frames, format_.channels, 1.0f, -1.0f, 1.0f);
    }
  }
  if (Mix_Playing(-1) == 0 && Inaudible(stream, len, format_.sample_format))
    quiet_.fetch_add(1, std::memory_order_relaxed);
  else
    quiet_.store(0, std::memory_order_relaxed);
}

}  // namespace fw::audio
