#include "framework/audio/module/Synth.h"

#include <fluidsynth.h>
#include <malloc.h>

#include <algorithm>
#include <mutex>

namespace fw::audio {

namespace {
constexpr int kMinNoteMs = 200;  // a note-off sent at once still leaves a note heard
constexpr double kGain = 1.0;    // the synth's default 0.2 is faint at soft velocities

void QuietLog(int, const char*, void*) {}

void SilenceFluidLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level)
      fluid_set_log_function(level, QuietLog, nullptr);
  });
}

struct SettingsDeleter {
  void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct SynthDeleter {
  void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
}  // namespace

// The synth is declared after its settings, so it goes first.
struct Synth::Handles {
  std::unique_ptr<fluid_settings_t, SettingsDeleter> settings;
  std::unique_ptr<fluid_synth_t, SynthDeleter> synth;
};

Synth::Synth(std::unique_ptr<Handles> h) : h_(std::move(h)) {}
Synth::~Synth() = default;

std::unique_ptr<Synth> Synth::Make(double rate, const std::string& soundfont) {
  SilenceFluidLog();
  if (soundfont.empty()) return nullptr;
  auto h = std::make_unique<Handles>();
  h->settings.reset(new_fluid_settings());
  if (!h->settings) return nullptr;
  fluid_settings_t* s = h->settings.get();
  fluid_settings_setnum(s, "synth.sample-rate", rate);
  fluid_settings_setnum(s, "synth.gain", kGain);
  fluid_settings_setint(s, "synth.min-note-length", kMinNoteMs);
  fluid_settings_setint(s, "synth.threadsafe-api", 1);
  // A sample is read when an instrument that plays it is chosen, not all of
  // the bank's at once.
  fluid_settings_setint(s, "synth.dynamic-sample-loading", 1);
  h->synth.reset(new_fluid_synth(s));
  if (!h->synth) return nullptr;
  // No instrument is chosen for the MIDI channels yet: that would read the
  // samples of the piano and the drum kit, which may never play.
  if (fluid_synth_sfload(h->synth.get(), soundfont.c_str(), 0) == FLUID_FAILED) return nullptr;
  // Reading the bank leaves megabytes freed on the heap: give them back.
  malloc_trim(0);
  return std::unique_ptr<Synth>(new Synth(std::move(h)));
}

void Synth::SetProgram(int instrument) {
  if (instrument >= 1 && instrument <= 128) fluid_synth_program_change(h_->synth.get(), 0, instrument - 1);
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

}  // namespace fw::audio
