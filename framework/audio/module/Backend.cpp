// The module's entry: the back end's functions over MixerDevice, SDL_mixer's
// chunks and Synth.
#include "framework/audio/Backend.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <memory>

#include "framework/audio/module/MixerDevice.h"
#include "framework/audio/module/Synth.h"

namespace fw::audio {

struct BackendSynth {
  std::unique_ptr<Synth> synth;
};
struct BackendSound {
  Mix_Chunk* chunk;
};

namespace {

// The open device; only the engine's audio thread opens and closes it. A
// plain pointer: nothing of it is left for the end of the process to undo.
MixerDevice* g_device = nullptr;

void CloseDevice() {
  delete g_device;
  g_device = nullptr;
}

int ChannelVolume(int volume) { return (std::clamp(volume, 0, 100) * MIX_MAX_VOLUME + 50) / 100; }

bool OpenDevice(int rate, int period_frames, bool silent, const DeviceFormat* same, DeviceFormat* got) {
  CloseDevice();
  MixerDevice::Format want;
  if (same) want = {same->rate, same->sample_format, same->channels};
  g_device = MixerDevice::Open(rate, period_frames, silent, same ? &want : nullptr).release();
  if (!g_device) return false;
  const MixerDevice::Format& f = g_device->GetFormat();
  *got = {f.rate, f.channels, f.sample_format, g_device->Real()};
  return true;
}

void MixSynth(BackendSynth* s) {
  if (g_device) g_device->SetSynth(s ? s->synth.get() : nullptr);
}

int QuietPeriods() { return g_device ? g_device->QuietPeriods() : 0; }
void ResetQuiet() {
  if (g_device) g_device->ResetQuiet();
}

void SetChannels(int count) {
  if (Mix_AllocateChannels(-1) < count) Mix_AllocateChannels(count);
}

BackendSound* LoadSound(const char* path) {
  Mix_Chunk* chunk = Mix_LoadWAV(path);
  if (!chunk) return nullptr;
  if (chunk->alen == 0) {
    Mix_FreeChunk(chunk);
    return nullptr;
  }
  return new BackendSound{chunk};
}

void FreeSound(BackendSound* sound) {
  if (!sound) return;
  Mix_FreeChunk(sound->chunk);  // first takes it off any channel still playing it
  delete sound;
}

void Play(int channel, BackendSound* sound, int volume) {
  Mix_Volume(channel, ChannelVolume(volume));
  Mix_PlayChannel(channel, sound->chunk, 0);  // from the start, even when already playing
}

void Halt(int channel) { Mix_HaltChannel(channel); }
void Volume(int channel, int volume) { Mix_Volume(channel, ChannelVolume(volume)); }
bool Playing(int channel, const BackendSound* sound) {
  return Mix_Playing(channel) && Mix_GetChunk(channel) == sound->chunk;
}

BackendSynth* MakeSynth(double rate, const char* soundfont, const SynthOptions* options) {
  Synth::Options o;
  if (options) o = {options->whole_bank, options->polyphony};
  std::unique_ptr<Synth> synth = Synth::Make(rate, soundfont ? soundfont : "", o);
  return synth ? new BackendSynth{std::move(synth)} : nullptr;
}
void FreeSynth(BackendSynth* s) { delete s; }
void Program(BackendSynth* s, int instrument) { s->synth->SetProgram(instrument); }
void Note(BackendSynth* s, int note, int velocity) { s->synth->Note(note, velocity); }
void AllOff(BackendSynth* s) { s->synth->AllOff(); }
void Render(BackendSynth* s, float* out, int frames) { s->synth->Render(out, frames); }
int Presets(BackendSynth* s) { return s->synth->Presets(); }

// SDL keeps an error text per thread that it frees only for threads of its own.
void ThreadDone() { SDL_TLSCleanup(); }

void ShutDown() {
  CloseDevice();
  Mix_Quit();
  SDL_Quit();
  SDL_TLSCleanup();
}

constexpr Backend kBackend = {
    kBackendAbi, OpenDevice, CloseDevice, MixSynth,  QuietPeriods, ResetQuiet, SetChannels, LoadSound, FreeSound,
    Play,        Halt,       Volume,      Playing,   MakeSynth,    FreeSynth,  Program,     Note,      AllOff,
    Render,      Presets,    ThreadDone,  ShutDown,
};

}  // namespace
}  // namespace fw::audio

extern "C" __attribute__((visibility("default"))) const fw::audio::Backend* kframework_audio_backend() {
  return &fw::audio::kBackend;
}
