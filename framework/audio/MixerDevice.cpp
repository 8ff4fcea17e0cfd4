#include "framework/audio/MixerDevice.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>

namespace fw::audio {

std::unique_ptr<MixerDevice> MixerDevice::Open(int rate, int chunk_frames, bool silent) {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // signals stay the UI toolkit's
  if (silent) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
  bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (ok && Mix_OpenAudio(rate, AUDIO_S16SYS, 2, chunk_frames) != 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    ok = false;
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
  d->rate_ = got_rate;
  d->format_ = format;
  d->channels_ = channels;
  return d;
}

MixerDevice::~MixerDevice() {
  Mix_SetPostMix(nullptr, nullptr);
  Mix_HaltChannel(-1);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace fw::audio
