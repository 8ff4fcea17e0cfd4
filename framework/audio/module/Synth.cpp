#include "framework/audio/module/Synth.h"

#include <fluidsynth.h>
#include <malloc.h>

#include <algorithm>
#include <bitset>
#include <cstdio>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "framework/audio/module/SoundFontCut.h"

namespace fw::audio {

namespace {
constexpr int kMinNoteMs = 200;  // a note-off sent at once still leaves a note heard
constexpr double kGain = 1.0;    // the synth's default 0.2 is faint at soft velocities

// Voices: each costs memory whether it sounds or not (11 kB; FluidSynth's
// default of 256 takes 2.8 MB). A note takes one voice per sample it layers
// (one in the General MIDI bank here, two for a stereo bank), and the voice
// lives on until its release has fallen below the synthesizer's noise floor:
// the start-up chime's for 19 s, although it is heard for under 2 s; the
// tones' for 3 s. So a user who returns to the search view four times a
// second for 12 s, showing and hiding the password twice a second meanwhile,
// has 54 voices alive at the end, most of them long silent. When a note
// finds every voice taken, the synthesizer ends the one it deems least
// important, a released, old and quiet one: one of those silent tails, not a
// note still heard. 64 voices play even that burst exactly as 256 do.
constexpr int kPolyphony = 64;

void QuietLog(int, const char*, void*) {}

void SilenceFluidLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
      fluid_set_log_function(level, QuietLog, nullptr);
  });
}

// --- the cut soundfonts, as files the synthesizer opens by name ----------------
// It opens one when loading it, and again each time it reads the samples of
// an instrument chosen: a cut stays known by its name while any synthesizer
// that loaded it lives.

std::mutex g_cuts_mutex;
std::map<std::string, std::pair<std::shared_ptr<const SoundFontCut>, int>>& Cuts() {
  static auto* cuts = new std::map<std::string, std::pair<std::shared_ptr<const SoundFontCut>, int>>;
  return *cuts;
}

void Register(const std::string& name, std::shared_ptr<const SoundFontCut> cut) {
  std::lock_guard lock(g_cuts_mutex);
  auto [it, added] = Cuts().try_emplace(name, std::move(cut), 0);
  ++it->second.second;
}

void Unregister(const std::string& name) {
  std::lock_guard lock(g_cuts_mutex);
  const auto it = Cuts().find(name);
  if (it != Cuts().end() && --it->second.second == 0) Cuts().erase(it);
}

struct OpenCut {
  std::shared_ptr<const SoundFontCut> cut;
  std::FILE* file;
  uint64_t pos = 0;
};

void* OpenCutFile(const char* name) {
  std::shared_ptr<const SoundFontCut> cut;
  {
    std::lock_guard lock(g_cuts_mutex);
    const auto it = Cuts().find(name ? name : "");
    if (it == Cuts().end()) return nullptr;  // not ours: the synthesizer's own loader reads it
    cut = it->second.first;
  }
  std::FILE* file = std::fopen(cut->Path().c_str(), "rb");
  if (!file) return nullptr;
  return new OpenCut{std::move(cut), file};
}

int ReadCutFile(void* buf, fluid_long_long_t count, void* handle) {
  auto* h = static_cast<OpenCut*>(handle);
  if (count < 0 || !h->cut->Read(h->file, h->pos, static_cast<char*>(buf), static_cast<uint64_t>(count)))
    return FLUID_FAILED;
  h->pos += static_cast<uint64_t>(count);
  return FLUID_OK;
}

int SeekCutFile(void* handle, fluid_long_long_t offset, int origin) {
  auto* h = static_cast<OpenCut*>(handle);
  const auto size = static_cast<fluid_long_long_t>(h->cut->Size());
  fluid_long_long_t base = 0;
  if (origin == SEEK_CUR)
    base = static_cast<fluid_long_long_t>(h->pos);
  else if (origin == SEEK_END)
    base = size;
  else if (origin != SEEK_SET)
    return FLUID_FAILED;
  if (offset > size || offset < -size || base + offset < 0 || base + offset > size) return FLUID_FAILED;
  h->pos = static_cast<uint64_t>(base + offset);
  return FLUID_OK;
}

fluid_long_long_t TellCutFile(void* handle) {
  return static_cast<fluid_long_long_t>(static_cast<OpenCut*>(handle)->pos);
}

int CloseCutFile(void* handle) {
  auto* h = static_cast<OpenCut*>(handle);
  std::fclose(h->file);
  delete h;
  return FLUID_OK;
}

struct SettingsDeleter {
  void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
  void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
}  // namespace

// The synth is declared after its settings, so it goes first; the cuts it
// loaded are let go of after it.
struct Synth::Handles {
  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings;
  std::unique_ptr<fluid_synth_t, SynthDeleter> synth;
  std::string soundfont;
  bool whole = false;          // the bank is loaded whole: every program is there
  std::bitset<128> loaded;     // programs whose presets are loaded
  std::vector<std::string> cuts;  // the names of the cuts loaded

  ~Handles() {
    synth.reset();
    for (const std::string& name : cuts) Unregister(name);
  }

  // Loads `cut` under `name`; false when the synthesizer does not take it.
  bool LoadCut(const std::string& name, std::shared_ptr<const SoundFontCut> cut) {
    Register(name, std::move(cut));
    if (fluid_synth_sfload(synth.get(), name.c_str(), 0) == FLUID_FAILED) {
      Unregister(name);
      return false;
    }
    cuts.push_back(name);
    return true;
  }

  bool LoadWhole() {
    whole = fluid_synth_sfload(synth.get(), soundfont.c_str(), 0) != FLUID_FAILED;
    // Reading the bank leaves megabytes freed on the heap: give them back.
    malloc_trim(0);
    return whole;
  }

  // The presets of `program` (0-based), from a cut of the bank; the bank
  // whole when it will not be cut, or the synthesizer does not take the cut.
  // An instrument damaged so that the bank would not load whole is silent;
  // the others still play.
  void LoadProgram(int program) {
    if (whole || loaded[static_cast<size_t>(program)]) return;
    loaded[static_cast<size_t>(program)] = true;
    const std::shared_ptr<const SoundFontCut> cut = SoundFontCut::ForProgram(soundfont, program);
    // The bank has nothing for it, or nothing it would load: the synthesizer
    // would find nothing either.
    if (cut && (cut->Refused() || cut->Presets() == 0)) return;
    if (cut && LoadCut(soundfont + "#program " + std::to_string(program), cut)) return;
    LoadWhole();
  }
};

Synth::Synth(std::unique_ptr<Handles> h) : h_(std::move(h)) {}
Synth::~Synth() = default;

std::unique_ptr<Synth> Synth::Make(double rate, const std::string& soundfont, const Options& options) {
  SilenceFluidLog();
  if (soundfont.empty()) return nullptr;
  auto h = std::make_unique<Handles>();
  h->soundfont = soundfont;
  h->settings.reset(new_fluid_settings());
  if (!h->settings) return nullptr;
  fluid_settings_t* s = h->settings.get();
  fluid_settings_setnum(s, "synth.sample-rate", rate);
  fluid_settings_setnum(s, "synth.gain", kGain);
  fluid_settings_setint(s, "synth.min-note-length", kMinNoteMs);
  fluid_settings_setint(s, "synth.threadsafe-api", 1);
  if (options.polyphony > 0)
    fluid_settings_setint(s, "synth.polyphony", options.polyphony);
  else
    fluid_settings_setint(s, "synth.polyphony", kPolyphony);
  // A sample is read when an instrument that plays it is chosen, not all of
  // the bank's at once.
  fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
  h->synth.reset(new_fluid_synth(s));
  if (!h->synth) return nullptr;
  // No instrument is chosen for the MIDI channels yet (no preset reset): that
  // would read the samples of the piano and the drum kit, which may never play.
  if (options.whole_bank) {
    if (!h->LoadWhole()) return nullptr;
    return std::unique_ptr<Synth>(new Synth(std::move(h)));
  }
  // The bank's cuts are read through a loader of their own, tried before
  // the synthesizer's.
  fluid_sfloader_t* loader = new_fluid_defsfloader(s);
  if (!loader) return nullptr;
  fluid_sfloader_set_callbacks(loader, OpenCutFile, ReadCutFile, SeekCutFile, TellCutFile, CloseCutFile);
  fluid_synth_add_sfloader(h->synth.get(), loader);
  // The bank cut to no preset at all: whether the synthesizer reads the file.
  if (const auto empty = SoundFontCut::ForProgram(soundfont, SoundFontCut::kNoProgram)) {
    if (!h->LoadCut(soundfont + "#header", empty)) return nullptr;
  } else if (!h->LoadWhole()) {
    return nullptr;
  }
  return std::unique_ptr<Synth>(new Synth(std::move(h)));
}

void Synth::SetProgram(int instrument) {
  if (instrument < 1 || instrument > 128) return;
  h_->LoadProgram(instrument - 1);
  fluid_synth_program_change(h_->synth.get(), 0, instrument - 1);
}

void Synth::Note(int note, int velocity) {
  if (note < 0 || note > 127) return;
  if (velocity <= 0)
    fluid_synth_noteoff(h_->synth.get(), 0, note);
  else
    fluid_synth_noteon(h_->synth.get(), 0, note, std::min(velocity, 127));
}

void Synth::AllOff() {
  fluid_synth_all_sounds_off(h_->synth.get(), -1);
}

void Synth::Render(float* out, int frames) { fluid_synth_write_float(h_->synth.get(), frames, out, 0, 2, out, 1, 2); }

int Synth::Presets() const {
  int count = 0;
  const int fonts = fluid_synth_sfcount(h_->synth.get());
  for (int i = 0; i < fonts; ++i) {
    fluid_sfont_t* font = fluid_synth_get_sfont(h_->synth.get(), static_cast<unsigned>(i));
    if (!font) continue;
    fluid_sfont_iteration_start(font);
    while (fluid_sfont_iteration_next(font)) ++count;
  }
  return count;
}

}  // namespace fw::audio
