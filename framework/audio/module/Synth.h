#pragma once
// The note player's General MIDI synthesizer: no audio driver of its own, the
// owner renders it. Owns its FluidSynth settings and synth. Of the soundfont
// it reads only what it plays: the presets of an instrument when the
// instrument is first chosen, and their samples then.
#include <memory>
#include <string>

namespace fw::audio {

class Synth {
 public:
  // The program's synthesizer has voices enough for what it plays; for a
  // comparison, `polyphony` (above 0) gives it another number, and
  // `whole_bank` has it load every preset of the soundfont at once.
  struct Options {
    bool whole_bank = false;
    int polyphony = 0;
  };
  // Nil when the soundfont path is empty or the synthesizer cannot read it.
  static std::unique_ptr<Synth> Make(double rate, const std::string& soundfont, const Options& options);
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
  // How many presets it holds, of every soundfont it has loaded.
  int Presets() const;

 private:
  struct Handles;
  explicit Synth(std::unique_ptr<Handles> h);
  std::unique_ptr<Handles> h_;
};

}  // namespace fw::audio
