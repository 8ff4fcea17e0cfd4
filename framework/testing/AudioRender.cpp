#include "framework/testing/AudioRender.h"

#include <algorithm>
#include <cmath>

#include "framework/audio/AudioEngine.h"

namespace fw::audio {

std::vector<float> RenderNotesForTest(const std::vector<TimedNote>& notes, double seconds,
                                      const SynthOptions* options) {
  const Backend* b = LoadedBackend();
  if (!b) return {};
  BackendSynth* synth = b->make_synth(kRenderRate, SoundFontPath().c_str(), options);
  if (!synth) return {};
  const int frames = std::max(static_cast<int>(seconds * kRenderRate), 0);
  std::vector<float> out(static_cast<size_t>(frames) * 2);
  constexpr int kBlock = 512;  // the size of a mixer callback, more or less
  int done = 0;
  auto render_to = [&](int frame) {
    while (done < frame) {
      const int n = std::min(kBlock, frame - done);
      b->render(synth, out.data() + static_cast<size_t>(done) * 2, n);
      done += n;
    }
  };
  int instrument = 0;
  for (const TimedNote& n : notes) {
    render_to(std::clamp(static_cast<int>(std::lround(n.at * kRenderRate)), done, frames));
    if (n.instrument != instrument) b->program(synth, n.instrument);
    instrument = n.instrument;
    b->note(synth, n.note, n.velocity);
  }
  render_to(frames);
  b->free_synth(synth);
  return out;
}

std::vector<float> RenderForTest(int instrument, int note, int velocity, double seconds,
                                 const SynthOptions* options) {
  return RenderNotesForTest({{0, instrument, note, velocity}, {0, instrument, note, 0}}, seconds, options);
}

int PresetsLoadedForTest(const std::vector<int>& instruments, const SynthOptions* options) {
  const Backend* b = LoadedBackend();
  if (!b) return -1;
  BackendSynth* synth = b->make_synth(kRenderRate, SoundFontPath().c_str(), options);
  if (!synth) return -1;
  for (const int i : instruments) b->program(synth, i);
  const int presets = b->presets(synth);
  b->free_synth(synth);
  return presets;
}

}  // namespace fw::audio
