#pragma once
#include <vector>

#include "framework/audio/Backend.h"

namespace fw::audio {

// A note played at `at` seconds from the start; velocity 0 ends it.
struct TimedNote {
  double at;
  int instrument, note, velocity;
};

// Plays the notes through a private synthesizer, made with `options` (nil:
// the note player's own), choosing each note's instrument before it when it
// is not the one chosen last, and returns `seconds` of its output,
// interleaved stereo at kRenderRate. Empty when no soundfont loads.
std::vector<float> RenderNotesForTest(const std::vector<TimedNote>& notes, double seconds,
                                      const SynthOptions* options = nullptr);
// One note (note-on, then note-off at once), as the program plays its tones.
std::vector<float> RenderForTest(int instrument, int note, int velocity, double seconds,
                                 const SynthOptions* options = nullptr);
// How many presets such a synthesizer holds once these instruments have been
// chosen; -1 when no soundfont loads.
int PresetsLoadedForTest(const std::vector<int>& instruments, const SynthOptions* options = nullptr);

}  // namespace fw::audio
