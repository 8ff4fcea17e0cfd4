#include "framework/testing/AudioRender.h"

#include <algorithm>

#include "framework/audio/AudioEngine.h"
#include "framework/audio/Synth.h"

namespace fw::audio {

std::vector<float> RenderForTest(int instrument, int note, int velocity, double seconds) {
  std::unique_ptr<Synth> synth = Synth::Make(kRenderRate, SoundFontPath());
  if (!synth) return {};
  synth->SetProgram(instrument);
  synth->Note(note, velocity);
  synth->Note(note, 0);
  const int frames = static_cast<int>(seconds * kRenderRate);
  std::vector<float> out(static_cast<size_t>(std::max(frames, 0)) * 2);
  constexpr int kBlock = 512;  // the size of a mixer callback, more or less
  for (int done = 0; done < frames; done += kBlock)
    synth->Render(out.data() + static_cast<size_t>(done) * 2, std::min(kBlock, frames - done));
  return out;
}

}  // namespace fw::audio
