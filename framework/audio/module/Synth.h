#pragma once
// The note player's General MIDI synthesizer: no audio driver of its own, the
// owner renders it. Owns its FluidSynth settings and synth. Only the samples
// of the instruments it is given are read from the soundfont, when it is
// given them.
#include <memory>
#include <string>

namespace fw::audio {

class Synth {
 public:
  // Nil when the soundfont path is empty or the synthesizer cannot load it.
  static std::unique_ptr<Synth> Make(double rate, const std::string& soundfont);
  ~Synth();
  Synth(const Synth&) = delete;
  Synth& operator=(const Synth&) = delete;

  // GM program, 1-based; others are ignored.
  void SetProgram(int instrument);
  // Velocity 0 (or below) ends the note; notes outside 0-127 are ignored.
  void Note(int note, int velocity);
  // Every voice ended at once, without its release.
  void AllOff();
  // Renders `frames` interleaved stereo frames into out (2 * frames floats).
  void Render(float* out, int frames);

 private:
  struct Handles;
  explicit Synth(std::unique_ptr<Handles> h);
  std::unique_ptr<Handles> h_;
};

}  // namespace fw::audio
