#include "framework/audio/AudioEngine.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "framework/Seams.h"
#include "framework/audio/MixerDevice.h"
#include "framework/audio/Synth.h"

namespace fw::audio {
namespace {

constexpr int kChunkFrames = 1024;  // about 23 ms at 44.1 kHz
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Only a fallback: another package can point it at a very large bank.
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

struct PendingNote {
  int instrument;
  int note;
  int velocity;
};

enum class State { kIdle, kStarting, kShutDown };

struct Engine {
  std::mutex mutex;
  std::condition_variable changed;
  State state = State::kIdle;
  std::thread worker;
  bool at_exit_registered = false;

  // Set by the worker.
  bool mixer_done = false;   // the mixer stage is over (opened or not)
  bool mixer_open = false;   // device is set
  bool device_real = false;
  bool synth_done = false;   // the synthesizer stage is over
  int rate = kRenderRate;
  Uint16 format = AUDIO_S16SYS;
  int channels = 2;

  std::unique_ptr<MixerDevice> device;
  std::unique_ptr<Synth> synth;  // set once it renders into the mix
  std::vector<float> render;     // used only by the audio thread

  int instrument = 1;
  int synth_program = 0;            // program set on the synth's channel 0
  std::vector<PendingNote> pending;  // notes played before the synth was ready

  int next_channel = 0;
  std::vector<int> free_channels;
  std::set<MixerClient*> clients;

  std::string soundfont_override;
  bool soundfont_overridden = false;
};

// Never destroyed: sounds held in statics may outlive every other object.
Engine& E() {
  static Engine* engine = new Engine;
  return *engine;
}

bool Readable(const std::string& path) { return !path.empty() && access(path.c_str(), R_OK) == 0; }

std::string ChooseSoundFont(const Engine& e) {
  if (e.soundfont_overridden) return Readable(e.soundfont_override) ? e.soundfont_override : "";
  if (Readable(kSoundFont)) return kSoundFont;
  if (Readable(kDefaultSoundFont)) return kDefaultSoundFont;
  return "";
}

// Runs on the audio thread, after SDL_mixer has mixed the channels: adds the
// synthesizer's output to the mix.
void PostMix(void* udata, Uint8* stream, int len) {
  Engine& e = *static_cast<Engine*>(udata);
  if (!e.synth || e.channels < 1) return;
  const int sample_bytes = SDL_AUDIO_BITSIZE(e.format) / 8;
  const int frames = len / (sample_bytes * e.channels);
  if (frames <= 0) return;
  if (e.render.size() < static_cast<size_t>(frames) * 2) e.render.resize(static_cast<size_t>(frames) * 2);
  float* buf = e.render.data();
  e.synth->Render(buf, frames);

  auto add = [&](auto* out, float scale, float lo, float hi) {
    for (int i = 0; i < frames; ++i) {
      const float l = buf[2 * i], r = buf[2 * i + 1];
      auto* frame = out + static_cast<size_t>(i) * e.channels;
      auto mixin = [&](auto& sample, float v) {
        const float sum = static_cast<float>(sample) + v * scale;
        sample = static_cast<std::remove_reference_t<decltype(sample)>>(std::clamp(sum, lo, hi));
      };
      if (e.channels == 1) {
        mixin(frame[0], 0.5f * (l + r));
      } else {
        mixin(frame[0], l);
        mixin(frame[1], r);
      }
    }
  };
  if (e.format == AUDIO_S16SYS)
    add(reinterpret_cast<Sint16*>(stream), 32767.0f, -32768.0f, 32767.0f);
  else if (e.format == AUDIO_F32SYS)
    add(reinterpret_cast<float*>(stream), 1.0f, -1.0f, 1.0f);
}

void BringUp() {
  Engine& e = E();
  std::unique_ptr<MixerDevice> device = MixerDevice::Open(kRenderRate, kChunkFrames, false);
  // No device: a silent stand-in still decodes sounds and keeps their timing.
  if (!device) device = MixerDevice::Open(kRenderRate, kChunkFrames, true);
  const bool open = device != nullptr;
  int rate = kRenderRate;
  std::string soundfont;
  {
    std::lock_guard lock(e.mutex);
    e.mixer_done = true;
    e.mixer_open = open;
    if (device) {
      e.device_real = device->Real();
      e.rate = rate = device->Rate();
      e.format = static_cast<Uint16>(device->Format());
      e.channels = device->Channels();
    }
    e.device = std::move(device);
    soundfont = ChooseSoundFont(e);
  }
  e.changed.notify_all();

  std::unique_ptr<Synth> synth = open ? Synth::Make(rate, soundfont) : nullptr;

  std::lock_guard lock(e.mutex);
  e.synth_done = true;
  if (synth) {
    // Play what came while the synth was loading, in order, each note with
    // the instrument it was played with.
    int program = 1;
    synth->SetProgram(program);
    for (const PendingNote& p : e.pending) {
      if (p.instrument != program) synth->SetProgram(program = p.instrument);
      synth->Note(p.note, p.velocity);
    }
    if (e.instrument != program) synth->SetProgram(e.instrument);
    e.render.resize(static_cast<size_t>(kChunkFrames) * 4);
    e.synth = std::move(synth);
    Mix_SetPostMix(PostMix, &e);  // takes the audio lock: the callback sees all of the above
  }
  e.pending.clear();
  e.changed.notify_all();
}

// Starts the bring-up once. Called with the mutex held.
void StartLocked(Engine& e) {
  if (e.state != State::kIdle) return;
  e.state = State::kStarting;
  if (!e.at_exit_registered) {
    e.at_exit_registered = true;
    std::atexit(Shutdown);
  }
  e.worker = std::thread([] {
    BringUp();
    // SDL keeps data for each thread that calls it (its error text) and frees
    // it by itself only on threads that SDL started: this one frees its own.
    SDL_TLSCleanup();
  });
}

// Starts the bring-up and waits for the mixer stage. Returns with the lock held.
void WaitForMixer(Engine& e, std::unique_lock<std::mutex>& lock) {
  StartLocked(e);
  e.changed.wait(lock, [&] { return e.mixer_done || e.state == State::kShutDown; });
}

}  // namespace

void SetInstrument(int instrument) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  e.instrument = instrument;
  if (e.synth) e.synth->SetProgram(instrument);
}

int Instrument() {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  return e.instrument;
}

void PlayNote(int note, int velocity) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  if (const seams::NoteObserver& observe = seams::CurrentNoteObserver()) observe(e.instrument, note, velocity);
  if (e.state == State::kShutDown) return;
  StartLocked(e);
  if (e.synth)
    e.synth->Note(note, velocity);
  else if (!e.synth_done)
    e.pending.push_back({e.instrument, note, velocity});
}

bool DeviceOpen() {
  Engine& e = E();
  std::unique_lock lock(e.mutex);
  if (e.state == State::kShutDown) return false;
  WaitForMixer(e, lock);
  return e.mixer_open && e.device_real;
}

bool MixerReady() {
  Engine& e = E();
  std::unique_lock lock(e.mutex);
  if (e.state == State::kShutDown) return false;
  WaitForMixer(e, lock);
  return e.mixer_open && e.state != State::kShutDown;
}

int AcquireChannel() {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  if (!e.mixer_open || e.state == State::kShutDown) return -1;
  int channel;
  if (!e.free_channels.empty()) {
    channel = e.free_channels.back();
    e.free_channels.pop_back();
  } else {
    channel = e.next_channel++;
    if (Mix_AllocateChannels(-1) < e.next_channel) Mix_AllocateChannels(e.next_channel);
  }
  Mix_Volume(channel, MIX_MAX_VOLUME);
  return channel;
}

void ReleaseChannel(int channel) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  if (channel < 0 || !e.mixer_open || e.state == State::kShutDown) return;
  e.free_channels.push_back(channel);
}

void Attach(MixerClient* client) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  e.clients.insert(client);
}

void Detach(MixerClient* client) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  e.clients.erase(client);
}

void Shutdown() {
  Engine& e = E();
  std::thread worker;
  std::set<MixerClient*> clients;
  {
    std::lock_guard lock(e.mutex);
    if (e.state == State::kShutDown) return;
    e.state = State::kShutDown;
    worker = std::move(e.worker);
  }
  e.changed.notify_all();
  if (worker.joinable()) worker.join();  // the bring-up finishes; then nothing else touches the engine

  {
    std::lock_guard lock(e.mutex);
    clients.swap(e.clients);
  }
  for (MixerClient* client : clients) client->ReleaseMixerResources();

  std::lock_guard lock(e.mutex);
  // The device first: once it is closed no callback renders the synth.
  e.device.reset();
  e.mixer_open = false;
  e.synth.reset();
  e.pending.clear();
  e.free_channels.clear();
}

std::string SoundFontPath() {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  return ChooseSoundFont(e);
}

void SetSoundFontPathForTest(const std::string& path) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  e.soundfont_override = path;
  e.soundfont_overridden = true;
}

}  // namespace fw::audio
