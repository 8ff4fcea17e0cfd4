#include "framework/testing/AudioRender.h"

#include <algorithm>

#include "framework/audio/AudioEngine.h"

namespace fw::audio {

std::vector<float> RenderForTest(int instrument, int note, int velocity, double seconds) {
  const Backend* b = LoadedBackend();
  if (!b) return {};
  BackendSynth* synth = b->make_synth(kRenderRate, SoundFontPath().c_str());
  if (!synth) return {};
  b->program(synth, instrument);
  b->note(synth, note, velocity);
  b->note(synth, note, 0);
  const int frames = static_cast<int>(seconds * kRenderRate);
  std::vector<float> out(static_cast<size_t>(std::max(frames, 0)) * 2);
  constexpr int kBlock = 512;  // the size of a mixer callback, more or less
  for (int done = 0; done < frames; done += kBlock)
    b->render(synth, out.data() + static_cast<size_t>(done) * 2, std::min(kBlock, frames - done));
  b->free_synth(synth);
  return out;
}

}  // namespace fw::audio
