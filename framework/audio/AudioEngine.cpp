#include "framework/audio/AudioEngine.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/Seams.h"

namespace fw::audio {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPeriodFrames = 1024;  // about 23 ms at 44.1 kHz
// The device closes once the mix has stayed below what can be heard, with no
// sound playing, for this many periods in a row (about a third of a second);
// what still rings then, fainter yet, is ended with it...
constexpr int kQuietPeriods = 14;
// ...and no note has begun for this long: an instrument may begin with a
// silent delay.
constexpr auto kNoteHold = std::chrono::seconds(1);
// How often the audio thread looks at an open device.
constexpr auto kWatch = std::chrono::milliseconds(100);

constexpr const char* kSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// Only a fallback: another package can point it at a very large bank.
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";

// What the callers hand the audio thread, in order.
struct Command {
  enum Kind { kProgram, kNote, kPlay } kind;
  int a;  // program: instrument; note: note; play: sound
  int b;  // note: velocity; play: volume
};

enum class Device { kClosed, kOpening, kOpen, kClosing };

struct DecodedSound {
  BackendSound* decoded;
  int channel;
};

struct Engine {
  std::mutex mutex;
  std::condition_variable wake;     // the audio thread waits on it
  std::condition_variable changed;  // callers wait on it for the audio thread
  std::thread thread;
  bool started = false;
  bool held = false;
  bool shut_down = false;
  const Backend* backend = nullptr;  // set by the audio thread

  // The device. Only the audio thread opens and closes it; other threads call
  // the back end's sound functions only under the mutex while it is open.
  Device device = Device::kClosed;
  DeviceFormat format;  // of the first opening: every later one gets the same
  bool have_format = false;
  bool real = false;    // the latest opening is heard
  int openings = 0;
  long requests = 0;    // callers' requests to open it...
  long attempted = 0;   // ...up to this one answered by an opening, good or not
  int pins = 0;         // callers using it: it stays open

  // The synthesizer: the audio thread's alone, made for the first note.
  BackendSynth* synth = nullptr;
  bool synth_tried = false;
  int instrument = 1;        // the note player's, as callers see it
  int queued_program = 0;    // the synth's, once the queue has been played

  std::deque<Command> queue;
  Clock::time_point last_note_on;

  std::map<int, DecodedSound> sounds;
  int next_sound = 1;
  int channels = 0;  // channels handed out
  std::vector<int> free_channels;

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

// --- the audio thread ----------------------------------------------------------

// Opens the device for what is waiting. Called and returns with the lock held.
void OpenDevice(Engine& e, std::unique_lock<std::mutex>& lock) {
  const long upto = e.requests;
  const Backend* b = e.backend;
  const DeviceFormat same = e.format;
  const bool have_format = e.have_format;
  e.device = Device::kOpening;
  lock.unlock();
  DeviceFormat got;
  const DeviceFormat* want = have_format ? &same : nullptr;
  // No device: a silent stand-in still decodes sounds and keeps their timing.
  const bool open = b && (b->open_device(kRenderRate, kPeriodFrames, false, want, &got) ||
                          b->open_device(kRenderRate, kPeriodFrames, true, want, &got));
  if (open && e.synth) b->mix_synth(e.synth);
  lock.lock();
  e.attempted = upto;
  if (open) {
    e.device = Device::kOpen;
    if (!e.have_format) e.format = got;
    e.have_format = true;
    e.real = got.real;
    ++e.openings;
    b->set_channels(e.channels);
    b->reset_quiet();
  } else {
    // Nothing can be heard: what was to be played is dropped, its choice of
    // instrument too, so the next note brings its instrument again.
    e.device = Device::kClosed;
    e.queue.clear();
    e.queued_program = 0;
  }
  e.changed.notify_all();
}

void CloseDevice(Engine& e, std::unique_lock<std::mutex>& lock) {
  const Backend* b = e.backend;
  e.device = Device::kClosing;
  lock.unlock();
  b->close_device();
  // Whatever still rings has fallen below what the device can play.
  if (e.synth) b->all_off(e.synth);
  lock.lock();
  e.device = Device::kClosed;
  e.changed.notify_all();
}

// Plays what is queued, in order, on the open device.
void PlayQueue(Engine& e, std::unique_lock<std::mutex>& lock) {
  const Backend* b = e.backend;
  // A new synthesizer joins the mix once it has its first notes: it renders
  // them from its very first sample, as it does on its own.
  bool made = false;
  while (!e.queue.empty() && !e.shut_down) {
    const Command c = e.queue.front();
    e.queue.pop_front();
    if (c.kind == Command::kPlay) {
      // Under the lock, so that callers see it queued or playing, never neither.
      if (auto it = e.sounds.find(c.a); it != e.sounds.end()) {
        b->play(it->second.channel, it->second.decoded, c.b);
        b->reset_quiet();
      }
      continue;
    }
    const std::string soundfont = e.synth_tried ? "" : ChooseSoundFont(e);
    const int rate = e.format.rate;
    lock.unlock();
    if (!e.synth_tried) {
      e.synth_tried = true;
      e.synth = b->make_synth(rate, soundfont.c_str(), nullptr);
      made = e.synth != nullptr;
    }
    if (e.synth) {
      if (c.kind == Command::kProgram) {
        b->program(e.synth, c.a);
      } else {
        b->note(e.synth, c.a, c.b);
        if (c.b > 0) {
          e.last_note_on = Clock::now();
          b->reset_quiet();
        }
      }
    }
    lock.lock();
  }
  if (made) b->mix_synth(e.synth);
}

bool Quiet(const Engine& e) {
  return e.pins == 0 && e.queue.empty() && e.backend->quiet_periods() >= kQuietPeriods &&
         Clock::now() - e.last_note_on >= kNoteHold;
}

void Run() {
  Engine& e = E();
  const Backend* b = LoadedBackend();
  std::unique_lock lock(e.mutex);
  e.backend = b;
  while (!e.shut_down) {
    if (e.device == Device::kClosed) {
      // Notes without a synthesizer are not worth opening the device for.
      if (e.synth_tried && !e.synth)
        std::erase_if(e.queue, [](const Command& c) { return c.kind != Command::kPlay; });
      if (e.queue.empty() && e.requests == e.attempted)
        e.wake.wait(lock);
      else
        OpenDevice(e, lock);
      continue;
    }
    PlayQueue(e, lock);
    if (e.shut_down) break;
    if (Quiet(e))
      CloseDevice(e, lock);
    else if (e.queue.empty())
      e.wake.wait_for(lock, kWatch);
  }
  lock.unlock();
  if (b) b->thread_done();
}

// Starts the audio thread once, unless held. Called with the mutex held.
void StartLocked(Engine& e) {
  if (e.started || e.held) return;
  e.started = true;
  std::atexit(Shutdown);
  e.thread = std::thread(Run);
}

// Has the device opened for the caller and kept open until Unpin; false when
// it does not open. Called and returns with the lock held.
bool PinDevice(Engine& e, std::unique_lock<std::mutex>& lock) {
  if (e.shut_down) return false;
  e.held = false;
  StartLocked(e);
  ++e.pins;
  if (e.device == Device::kOpen) return true;  // pinned: it does not close now
  const long mine = ++e.requests;
  e.wake.notify_one();
  e.changed.wait(lock, [&] { return e.shut_down || e.device == Device::kOpen || e.attempted >= mine; });
  return !e.shut_down && e.device == Device::kOpen;
}

void Unpin(Engine& e) {
  --e.pins;
  e.wake.notify_one();
}

bool Queued(const Engine& e, int sound) {
  return std::any_of(e.queue.begin(), e.queue.end(),
                     [&](const Command& c) { return c.kind == Command::kPlay && c.a == sound; });
}

void Unqueue(Engine& e, int sound) {
  std::erase_if(e.queue, [&](const Command& c) { return c.kind == Command::kPlay && c.a == sound; });
}

// Where the back end is: lib/<program> beside the program's bin/ folder, as
// its resources are in share/<program>.
std::string BackendFolder() {
  if (const std::string& folder = seams::AudioBackendFolder(); !folder.empty()) return folder;
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : (exe.parent_path().parent_path() / "lib" / exe.filename()).string();
}

}  // namespace

const Backend* LoadedBackend() {
  // Loaded once and kept for the rest of the run: from its folder, else
  // wherever the dynamic linker finds it (a run path, LD_LIBRARY_PATH).
  static const Backend* const backend = []() -> const Backend* {
    const std::string beside = BackendFolder() + "/" + kBackendModule;
    void* module = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) module = dlopen(kBackendModule, RTLD_NOW | RTLD_LOCAL);
    if (!module) return nullptr;
    const auto entry = reinterpret_cast<BackendEntry>(dlsym(module, kBackendEntry));
    const Backend* b = entry ? entry() : nullptr;
    if (!b || b->abi != kBackendAbi) {
      dlclose(module);
      return nullptr;
    }
    return b;
  }();
  return backend;
}

// --- the note player ---------------------------------------------------------------

void SetInstrument(int instrument) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  e.instrument = instrument;
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
  if (e.shut_down) return;
  StartLocked(e);
  // The synthesizer has one channel: each note brings its instrument.
  if (e.queued_program != e.instrument) {
    e.queue.push_back({Command::kProgram, e.instrument, 0});
    e.queued_program = e.instrument;
  }
  e.queue.push_back({Command::kNote, note, velocity});
  e.wake.notify_one();
}

void Hold() {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  e.held = !e.started;
}

void Release() {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  if (!e.held) return;
  e.held = false;
  if (!e.queue.empty() && !e.shut_down) StartLocked(e);
}

bool DeviceOpen() {
  Engine& e = E();
  std::unique_lock lock(e.mutex);
  const bool open = PinDevice(e, lock);
  if (!e.shut_down) Unpin(e);
  return open && e.real;
}

void Shutdown() {
  Engine& e = E();
  std::thread thread;
  {
    std::lock_guard lock(e.mutex);
    if (e.shut_down) return;
    e.shut_down = true;
    e.queue.clear();
    thread = std::move(e.thread);
  }
  e.wake.notify_all();
  e.changed.notify_all();
  if (thread.joinable()) thread.join();

  // The audio thread is gone: what it held is this thread's now.
  std::lock_guard lock(e.mutex);
  if (const Backend* b = e.backend) {
    // The device first: once it is closed nothing plays the sounds or renders
    // the synthesizer.
    if (e.device == Device::kOpen) b->close_device();
    for (auto& [number, sound] : e.sounds) b->free_sound(sound.decoded);
    if (e.synth) b->free_synth(e.synth);
    b->shut_down();
  }
  e.device = Device::kClosed;
  e.sounds.clear();
  e.synth = nullptr;
  e.free_channels.clear();
}

// --- sounds --------------------------------------------------------------------------

bool MixerReady() {
  Engine& e = E();
  std::unique_lock lock(e.mutex);
  const bool open = PinDevice(e, lock);
  if (!e.shut_down) Unpin(e);
  return open;
}

int LoadSound(const std::string& path) {
  Engine& e = E();
  std::unique_lock lock(e.mutex);
  if (!PinDevice(e, lock)) {
    if (!e.shut_down) Unpin(e);
    return kNoMixer;
  }
  // The device stays open while this thread decodes.
  const Backend* b = e.backend;
  lock.unlock();
  BackendSound* decoded = b->load_sound(path.c_str());
  lock.lock();
  Unpin(e);
  if (!decoded) return 0;
  int channel;
  if (!e.free_channels.empty()) {
    channel = e.free_channels.back();
    e.free_channels.pop_back();
  } else {
    channel = e.channels++;
    if (e.device == Device::kOpen) b->set_channels(e.channels);
  }
  const int number = e.next_sound++;
  e.sounds[number] = {decoded, channel};
  return number;
}

void PlaySound(int sound, int volume) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  if (e.shut_down || !e.sounds.count(sound)) return;
  e.queue.push_back({Command::kPlay, sound, volume});
  e.wake.notify_one();
}

void StopSound(int sound) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  const auto it = e.sounds.find(sound);
  if (it == e.sounds.end()) return;
  Unqueue(e, sound);
  if (e.device == Device::kOpen) e.backend->halt(it->second.channel);
}

void SetSoundVolume(int sound, int volume) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  const auto it = e.sounds.find(sound);
  if (it == e.sounds.end()) return;
  for (Command& c : e.queue)
    if (c.kind == Command::kPlay && c.a == sound) c.b = volume;
  if (e.device == Device::kOpen) e.backend->volume(it->second.channel, volume);
}

bool SoundPlaying(int sound) {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  const auto it = e.sounds.find(sound);
  if (it == e.sounds.end()) return false;
  if (Queued(e, sound)) return true;
  return e.device == Device::kOpen && e.backend->playing(it->second.channel, it->second.decoded);
}

void FreeSound(int sound) {
  Engine& e = E();
  std::unique_lock lock(e.mutex);
  // Not while the mixer comes or goes.
  e.changed.wait(lock, [&] { return e.device == Device::kOpen || e.device == Device::kClosed; });
  const auto it = e.sounds.find(sound);
  if (it == e.sounds.end()) return;
  Unqueue(e, sound);
  if (e.device == Device::kOpen) e.backend->halt(it->second.channel);
  e.backend->free_sound(it->second.decoded);
  e.free_channels.push_back(it->second.channel);
  e.sounds.erase(it);
}

// --- for tests -------------------------------------------------------------------------

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

bool DeviceRunning() {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  return e.device != Device::kClosed || (!e.held && (!e.queue.empty() || e.requests > e.attempted));
}

int DeviceOpenings() {
  Engine& e = E();
  std::lock_guard lock(e.mutex);
  return e.openings;
}

}  // namespace fw::audio
