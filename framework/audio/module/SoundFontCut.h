#pragma once
// A General MIDI bank (an SF2 file) seen with only some of its presets: the
// file as it is up to its preset data, its samples included, then preset data
// rewritten to hold only the chosen presets with the instruments and sample
// headers they use, the sizes of the whole adjusted. Sample offsets are
// those of the file, so the samples are read from the file itself, only those
// that are played, when they are played. The synthesizer that loads a cut
// sees the same presets, instruments and samples as in the whole bank, and so
// plays them exactly alike, without parsing and keeping hundreds of presets
// it never plays.
//
// Only a bank laid out the way the synthesizer reads it is cut; anything odd
// (sizes that do not add up, indices out of order or out of range) is not,
// and the bank is then loaded whole, as the synthesizer alone would load it.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace fw::audio {

class SoundFontCut {
 public:
  // The presets the synthesizer plays for `program` (0-127) of bank 0 on a
  // melodic channel: those of that number or, when the bank has none, those
  // it takes instead (program 0); kNoProgram: none at all, the file's header
  // and samples only. Nil when the file cannot be cut exactly; Refused()
  // when those presets are damaged so that the synthesizer would not load
  // the bank whole either.
  static constexpr int kNoProgram = -1;
  static std::shared_ptr<const SoundFontCut> ForProgram(const std::string& path, int program);

  const std::string& Path() const { return path_; }
  uint64_t Size() const { return keep_ + pdta_.size(); }
  int Presets() const { return presets_; }
  bool Refused() const { return refused_; }
  // Reads `count` bytes at `pos` of the cut file into `out`, what comes from
  // the file itself through `file` (opened on Path()). False when they are not
  // all there.
  bool Read(std::FILE* file, uint64_t pos, char* out, uint64_t count) const;

 private:
  SoundFontCut() = default;
  std::string path_;
  uint32_t riff_size_ = 0;  // of the cut, in place of the file's own
  uint64_t keep_ = 0;       // bytes of the file itself: up to its preset data
  std::string pdta_;        // the preset data list, cut
  int presets_ = 0;
  bool refused_ = false;
};

}  // namespace fw::audio
