#pragma once
#include <vector>

namespace fw::audio {

// Plays one note through a private synthesizer with the note player's settings
// (note-on, then note-off at once) and returns `seconds` of its output,
// interleaved stereo at kRenderRate. Empty when no soundfont loads.
std::vector<float> RenderForTest(int instrument, int note, int velocity, double seconds);

}  // namespace fw::audio
