// The note player and sounds: what they log, how they fail, and whether what
// they play can really be heard.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "framework/Sound.h"
#include "framework/Window.h"
#include "framework/audio/AudioEngine.h"
#include "framework/qt/AudioHold.h"
#include "framework/testing/AudioRender.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"

namespace {

namespace audio = fw::audio;
namespace fs = std::filesystem;
using fw::Sound;
using fw::testing::NoteEvent;

const std::string kPoof = std::string(KESTRION_SOURCE_DIR) + "/resources/PoofSound.mp3";

// A folder of the test's own for files it makes.
class Scratch {
 public:
  Scratch() {
    char tmpl[] = "/tmp/kestrion-audio-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  fs::path dir_;
};

std::string RandomBytes(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 2463534242u;
  for (char& c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

// --- notes -------------------------------------------------------------------

TEST(NotePlayer, LogsEachNoteWithTheInstrumentOfItsTime) {
  fw::testing::ClearLog();
  EXPECT_EQ(audio::Instrument(), 1);  // a fresh note player plays the piano
  audio::SetInstrument(10);
  audio::PlayNote(60, 30);
  audio::PlayNote(60, 0);
  audio::SetInstrument(46);
  audio::PlayNote(40, 40);
  audio::PlayNote(40, 0);
  EXPECT_EQ(audio::Instrument(), 46);
  const std::vector<NoteEvent> expected = {{10, 60, 30}, {10, 60, 0}, {46, 40, 40}, {46, 40, 0}};
  EXPECT_EQ(fw::testing::Notes(), expected);
}

TEST(NotePlayer, OutOfRangeValuesAreLoggedAndDoNoHarm) {
  fw::testing::ClearLog();
  audio::SetInstrument(0);
  audio::PlayNote(-1, 200);
  audio::SetInstrument(500);
  audio::PlayNote(128, -3);
  audio::Shutdown();  // waits for the synthesizer to have taken the notes
  const std::vector<NoteEvent> expected = {{0, -1, 200}, {500, 128, -3}};
  EXPECT_EQ(fw::testing::Notes(), expected);
}

// Without a usable soundfont the notes are silent but everything else works.
TEST(NotePlayer, WithoutASoundFontNotesAreSilentAndStillLogged) {
  Scratch scratch;
  for (const std::string& font : {scratch.Path("none.sf2"), scratch.Write("broken.sf2", RandomBytes(4096))}) {
    SCOPED_TRACE(font);
    audio::SetSoundFontPathForTest(font);
    EXPECT_TRUE(audio::RenderForTest(10, 60, 30, 0.5).empty());
  }
  fw::testing::ClearLog();
  audio::SetInstrument(10);
  audio::PlayNote(60, 30);
  audio::PlayNote(60, 0);
  audio::Shutdown();
  const std::vector<NoteEvent> expected = {{10, 60, 30}, {10, 60, 0}};
  EXPECT_EQ(fw::testing::Notes(), expected);
}

TEST(NotePlayer, ShutdownTwiceAndNotesAfterItAreHarmless) {
  fw::testing::ClearLog();
  audio::PlayNote(60, 30);
  audio::Shutdown();
  audio::Shutdown();
  audio::PlayNote(60, 0);
  EXPECT_FALSE(audio::DeviceOpen());
  EXPECT_FALSE(audio::MixerReady());
  const std::vector<NoteEvent> expected = {{1, 60, 30}, {1, 60, 0}};
  EXPECT_EQ(fw::testing::Notes(), expected);
}

// The audio comes up on a helper thread that SDL did not start, and SDL keeps
// data for each thread that calls it: once that thread has ended, nothing of
// it may be left. A failing device open makes SDL keep the most (its error
// text). Only the leak checker of the sanitizer build sees such a block.
TEST(AudioBringUp, LeavesNothingOfItsThreadBehind) {
#if defined(__SANITIZE_ADDRESS__)
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  EXPECT_TRUE(audio::MixerReady());  // on the silent stand-in
  EXPECT_FALSE(audio::DeviceOpen());
  audio::Shutdown();  // waits for the bring-up thread to end
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "see the leak report above";
#else
  GTEST_SKIP() << "only the sanitizer build checks for leaks";
#endif
}

// --- the notes' sound, rendered offline -----------------------------------------

// What "audible" means here: a peak above -40 dBFS (the synthesizer's default
// gain leaves the soft start-up notes below it), heard above -50 dBFS for at
// least 150 ms.
constexpr float kAudiblePeak = 0.01f;
constexpr float kHeardLevel = 0.00316f;
constexpr double kHeardSeconds = 0.15;

struct Loudness {
  float peak = 0;
  double heard_seconds = 0;  // from the first to the last sample above kHeardLevel
};

// Interleaved stereo at kRenderRate, full scale 1.0.
Loudness Measure(const std::vector<float>& stereo) {
  Loudness l;
  size_t first = stereo.size(), last = 0;
  for (size_t i = 0; i < stereo.size(); ++i) {
    const float a = std::abs(stereo[i]);
    l.peak = std::max(l.peak, a);
    if (a >= kHeardLevel) {
      first = std::min(first, i);
      last = i;
    }
  }
  if (last > first) l.heard_seconds = double(last - first) / 2 / audio::kRenderRate;
  return l;
}

// A render as the mixer adds it to silent 16-bit output.
std::vector<int16_t> As16Bit(const std::vector<float>& render) {
  std::vector<int16_t> out(render.size());
  std::transform(render.begin(), render.end(), out.begin(),
                 [](float v) { return static_cast<int16_t>(std::clamp(v * 32767.0f, -32768.0f, 32767.0f)); });
  return out;
}

struct Tone {
  const char* name;
  int instrument, note, velocity;
};
void PrintTo(const Tone& t, std::ostream* os) { *os << t.name; }

class ToneRender : public ::testing::TestWithParam<Tone> {};

// The start-up chime and the attention tone are played as a note-on followed at
// once by its note-off; the gain and the minimum note length must keep them
// clearly audible.
TEST_P(ToneRender, IsAudibleForLongEnough) {
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  const Tone& t = GetParam();
  const std::vector<float> out = audio::RenderForTest(t.instrument, t.note, t.velocity, 1.5);
  ASSERT_EQ(out.size(), static_cast<size_t>(1.5 * audio::kRenderRate) * 2);
  const Loudness l = Measure(out);
  EXPECT_GT(l.peak, kAudiblePeak);
  EXPECT_GE(l.heard_seconds, kHeardSeconds);
}

INSTANTIATE_TEST_SUITE_P(Tones, ToneRender,
                         ::testing::Values(Tone{"Chime", 10, 60, 30}, Tone{"Attention", 46, 40, 40}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- the note player's synthesizer against the synthesizer as it comes ---------
// The note player's reads only the presets it plays and has fewer voices; what
// it plays must not change by one sample. The synthesizer as it comes: the
// bank loaded whole, 256 voices.
const audio::SynthOptions kAsItComes{true, 256};

// The program's notes: the start-up chime, the attention tone, and the notes
// of Show and Hide.
const std::vector<audio::TimedNote> kTones = {
    {0.0, 10, 60, 30}, {0.0, 10, 60, 0}, {2.0, 46, 40, 40}, {2.0, 46, 40, 0},
    {3.0, 46, 58, 20}, {3.0, 46, 58, 0}, {3.5, 46, 53, 20}, {3.5, 46, 53, 0},
};

// Whether two renders are the same, sample for sample; where not, the first
// difference is told.
::testing::AssertionResult SameSamples(const std::vector<float>& a, const std::vector<float>& b) {
  if (a.size() != b.size()) return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
  const auto differ = std::mismatch(a.begin(), a.end(), b.begin());
  if (differ.first == a.end()) return ::testing::AssertionSuccess();
  const size_t at = static_cast<size_t>(differ.first - a.begin());
  return ::testing::AssertionFailure() << "first difference at " << double(at) / 2 / audio::kRenderRate << " s: "
                                       << *differ.first << " against " << *differ.second;
}

TEST(Synthesizer, PlaysTheProgramsNotesExactlyAsTheSynthesizerAsItComes) {
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  const std::vector<float> ours = audio::RenderNotesForTest(kTones, 12);
  ASSERT_FALSE(ours.empty());
  EXPECT_GT(Measure(ours).peak, kAudiblePeak);
  EXPECT_TRUE(SameSamples(ours, audio::RenderNotesForTest(kTones, 12, &kAsItComes)));
}

// A user who returns to the search view four times a second for 12 s, and
// meanwhile shows and hides the password twice a second: chimes and tones ring
// over one another. The synthesizer keeps every voice of them, as one with 256
// voices does, where one of 16 voices has to end some early.
TEST(Synthesizer, HasVoicesForChimesAndTonesInQuickSuccession) {
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  std::vector<audio::TimedNote> burst;
  for (int i = 0; i < 48; ++i) {
    const double at = 0.25 * i;
    burst.push_back({at, 10, 60, 30});
    burst.push_back({at, 10, 60, 0});
    if (i % 2 == 1) {
      burst.push_back({at + 0.1, 46, i % 4 == 1 ? 58 : 53, 20});
      burst.push_back({at + 0.1, 46, i % 4 == 1 ? 58 : 53, 0});
    }
  }
  const std::vector<float> full = audio::RenderNotesForTest(burst, 20, &kAsItComes);
  ASSERT_FALSE(full.empty());
  EXPECT_TRUE(SameSamples(audio::RenderNotesForTest(burst, 20), full));
  const audio::SynthOptions few{false, 16};
  EXPECT_FALSE(SameSamples(audio::RenderNotesForTest(burst, 20, &few), full)) << "the burst needs more than 16";
}

// Every melodic program of the bank, each chosen in turn for a note of its
// own: read from the cut bank, each sounds exactly as from the whole bank.
TEST(Synthesizer, EveryProgramSoundsFromItsOwnPresetsAsFromTheWholeBank) {
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  std::vector<audio::TimedNote> notes;
  for (int program = 1; program <= 128; ++program) {
    const double at = 0.2 * (program - 1);
    const int note = 36 + (program * 7) % 60, velocity = 20 + (program * 13) % 100;
    notes.push_back({at, program, note, velocity});
    notes.push_back({at + 0.1, program, note, 0});
  }
  // As many voices as the synthesizer as it comes: only the bank differs.
  const audio::SynthOptions cut{false, 256};
  const std::vector<float> whole = audio::RenderNotesForTest(notes, 28, &kAsItComes);
  ASSERT_FALSE(whole.empty());
  EXPECT_TRUE(SameSamples(audio::RenderNotesForTest(notes, 28, &cut), whole));
  // From cuts, not from the bank loaded whole after all: no drum kit.
  std::vector<int> programs(128);
  std::iota(programs.begin(), programs.end(), 1);
  EXPECT_LT(audio::PresetsLoadedForTest(programs, &cut), audio::PresetsLoadedForTest({}, &kAsItComes));
}

// A copy of the soundfont to damage, with the places in it that matter.
class BankCopy {
 public:
  explicit BankCopy(const Scratch& scratch) : path_(scratch.Path("bank.sf2")) {
    std::ifstream in(audio::SoundFontPath(), std::ios::binary);
    original_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    bytes_ = original_;
    // The preset data: the last list of the file, after INFO and the samples.
    size_t at = 12;
    for (int list = 0; list < 2 && at + 8 <= bytes_.size(); ++list) at += 8 + U32(at + 4);
    pdta_ = at;
    for (size_t c = at + 12; c + 8 <= bytes_.size(); c += 8 + U32(c + 4)) chunks_[bytes_.substr(c, 4)] = c + 8;
  }
  bool Usable() const { return chunks_.size() == 9; }
  const std::string& Path() const { return path_; }
  size_t PresetData() const { return pdta_; }
  // Where a record of a chunk of the preset data begins.
  size_t Record(const std::string& chunk, size_t size, size_t i) const { return chunks_.at(chunk) + size * i; }
  size_t ChunkSize(const std::string& chunk) const { return U32(chunks_.at(chunk) - 4); }
  uint32_t U32(size_t at) const { return U16(at) | uint32_t{U16(at + 2)} << 16; }
  uint16_t U16(size_t at) const {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes_[at]) |
                                 static_cast<unsigned char>(bytes_[at + 1]) << 8);
  }
  // The generator record in a zone of preset `program` of bank 0 that names
  // its instrument; of the first zone of that instrument that names its sample.
  size_t InstrumentGenerator(int program) const { return LinkIn("phdr", 38, 24, "pbag", "pgen", Preset(program), 41); }
  size_t SampleGenerator(int program) const {
    return LinkIn("inst", 22, 20, "ibag", "igen", U16(InstrumentGenerator(program) + 2), 53);
  }
  void Set16(size_t at, uint16_t v) {
    bytes_[at] = static_cast<char>(v & 0xff);
    bytes_[at + 1] = static_cast<char>(v >> 8);
  }
  void Set(size_t at, char v) { bytes_[at] = v; }
  void Truncate(size_t size) { bytes_.resize(size); }
  void Restore() { bytes_ = original_; }
  void Write() const { std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes_; }

 private:
  size_t Preset(int program) const {
    for (size_t i = 0;; ++i)
      if (U16(Record("phdr", 38, i) + 20) == program && U16(Record("phdr", 38, i) + 22) == 0) return i;
  }
  size_t LinkIn(const char* headers, size_t size, size_t bag_at, const char* bags, const char* gens, size_t header,
                uint16_t op) const {
    const size_t bag = U16(Record(headers, size, header) + bag_at);
    for (size_t b = bag; b < U16(Record(headers, size, header + 1) + bag_at); ++b)
      for (size_t g = U16(Record(bags, 4, b)); g < U16(Record(bags, 4, b + 1)); ++g)
        if (U16(Record(gens, 4, g)) == op) return Record(gens, 4, g);
    return 0;
  }
  std::string path_, original_, bytes_;
  size_t pdta_ = 0;
  std::map<std::string, size_t> chunks_;
};

// A damaged or odd soundfont never crashes the synthesizer. Where the bank
// loads whole, it plays exactly as the bank loaded whole; where it does not,
// what is intact of the instruments played still plays, as from the intact
// bank, and a damaged instrument is silent.
TEST(Synthesizer, ADamagedSoundFontPlaysWhatIsIntactOfIt) {
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  std::vector<audio::TimedNote> without_chime;
  std::copy_if(kTones.begin(), kTones.end(), std::back_inserter(without_chime),
               [](const audio::TimedNote& n) { return n.instrument != 10; });
  const std::vector<float> intact = audio::RenderNotesForTest(kTones, 5);
  const std::vector<float> intact_without_chime = audio::RenderNotesForTest(without_chime, 5);
  Scratch scratch;
  BankCopy bank(scratch);
  ASSERT_TRUE(bank.Usable());
  ASSERT_NE(bank.InstrumentGenerator(9), 0u);
  ASSERT_NE(bank.SampleGenerator(9), 0u);
  enum Heard {
    kAsWhole,          // the bank loads whole: as from it
    kAsWholeIfItLoads,  // the same when it does; otherwise only no crash
    kNothing,          // neither loads: nothing
    kAsIntact,         // it would not load whole, but all that plays is intact
    kWithoutChime,     // the same, but the chime's instrument is damaged
  };
  struct Case {
    std::string what;
    std::function<void(BankCopy&)> damage;
    Heard heard;
  };
  std::vector<Case> cases = {
      {"as it is", [](BankCopy&) {}, kAsWhole},
      {"cut short in its presets", [](BankCopy& b) { b.Truncate(b.PresetData() + 5000); }, kNothing},
      {"cut short in its samples", [](BankCopy& b) { b.Truncate(b.PresetData() / 2); }, kNothing},
      {"RIFF size too large", [](BankCopy& b) { b.Set16(4, static_cast<uint16_t>(b.U16(4) + 2)); }, kNothing},
      {"not a soundfont", [](BankCopy& b) { b.Set(8, 'x'); }, kNothing},
      {"preset data named otherwise", [](BankCopy& b) { b.Set(b.PresetData() + 8, 'q'); }, kNothing},
      {"chime's instrument out of range", [](BankCopy& b) { b.Set16(b.InstrumentGenerator(9) + 2, 60000); },
       kWithoutChime},
      {"chime's instrument another one", [](BankCopy& b) { b.Set16(b.InstrumentGenerator(9) + 2, 3); }, kAsWhole},
      {"chime's sample out of range", [](BankCopy& b) { b.Set16(b.SampleGenerator(9) + 2, 60000); },
       kWithoutChime},
      {"chime's sample's start past the samples",
       [](BankCopy& b) {
         const size_t sample = b.Record("shdr", 46, b.U16(b.SampleGenerator(9) + 2));
         b.Set16(sample + 22, 0xffff);
       },
       kAsWhole},
      {"preset bags out of order", [](BankCopy& b) { b.Set16(b.Record("pbag", 4, 5), 0xfff0); }, kAsWholeIfItLoads},
      {"terminal preset pointing past the bags",
       [](BankCopy& b) {
         const size_t last = b.ChunkSize("phdr") / 38 - 1;
         b.Set16(b.Record("phdr", 38, last) + 24, 0xfff0);
       },
       kAsWholeIfItLoads},
      {"instrument headers a byte short", [](BankCopy& b) { b.Set16(b.Record("inst", 22, 0) - 4, 4641); },
       kAsWholeIfItLoads},
      {"sample headers a record short",
       [](BankCopy& b) { b.Set16(b.Record("shdr", 46, 0) - 4, static_cast<uint16_t>(b.ChunkSize("shdr") - 46)); },
       kAsIntact},
      {"chime not in the bank", [](BankCopy& b) { b.Set16(b.Record("phdr", 38, 0) + 20, 9); }, kAsWhole},
  };
  // And bytes of the preset data changed at random.
  uint32_t x = 12345;
  for (int i = 0; i < 12; ++i) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    const size_t at = bank.PresetData() + 12 + x % (bank.ChunkSize("phdr") + bank.ChunkSize("pbag") * 6);
    const char v = static_cast<char>(x >> 24);
    cases.push_back({"byte " + std::to_string(at) + " changed", [at, v](BankCopy& b) { b.Set(at, v); },
                     kAsWholeIfItLoads});
  }
  audio::SetSoundFontPathForTest(bank.Path());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bank.Restore();
    c.damage(bank);
    bank.Write();
    // Such a bank the synthesizer refuses whole, and FluidSynth (2.3.1) keeps
    // a block of it as it does: it is not asked to.
    const bool refused_whole = c.heard == kAsIntact || c.heard == kWithoutChime;
    const std::vector<float> whole = refused_whole ? std::vector<float>()
                                                   : audio::RenderNotesForTest(kTones, 5, &kAsItComes);
    const std::vector<float> ours = audio::RenderNotesForTest(kTones, 5);
    switch (c.heard) {
      case kAsWhole:
        EXPECT_FALSE(whole.empty());
        EXPECT_TRUE(SameSamples(ours, whole));
        break;
      case kAsWholeIfItLoads:
        if (!whole.empty()) EXPECT_TRUE(SameSamples(ours, whole));
        break;
      case kNothing:
        EXPECT_TRUE(whole.empty());
        EXPECT_TRUE(ours.empty());
        break;
      case kAsIntact:
      case kWithoutChime:
        EXPECT_TRUE(SameSamples(ours, c.heard == kAsIntact ? intact : intact_without_chime));
        break;
    }
  }
}

// The synthesizer holds the presets of the instruments chosen, not the bank's.
TEST(Synthesizer, HoldsOnlyThePresetsOfTheInstrumentsChosen) {
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  const int bank = audio::PresetsLoadedForTest({}, &kAsItComes);
  EXPECT_GT(bank, 100);
  EXPECT_EQ(audio::PresetsLoadedForTest({}), 0);
  EXPECT_EQ(audio::PresetsLoadedForTest({10}), 1);
  EXPECT_EQ(audio::PresetsLoadedForTest({10, 46, 10, 46}), 2);
}

// --- sounds --------------------------------------------------------------------

// Sounds behave the same whether the output is a device (the dummy device under
// test), a silent stand-in (no device at all) or nothing (audio shut down).
enum class Output { kDevice, kNoDevice, kNoMixer };
const char* Name(Output o) {
  switch (o) {
    case Output::kDevice: return "Device";
    case Output::kNoDevice: return "NoDevice";
    default: return "NoMixer";
  }
}
void PrintTo(Output o, std::ostream* os) { *os << Name(o); }

class SoundTest : public ::testing::TestWithParam<Output> {
 protected:
  void SetUp() override {
    if (GetParam() == Output::kNoDevice) setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    if (GetParam() == Output::kNoMixer) audio::Shutdown();
    ASSERT_EQ(audio::MixerReady(), GetParam() != Output::kNoMixer);
    if (GetParam() != Output::kDevice) {
      EXPECT_FALSE(audio::DeviceOpen());
    }
    fw::testing::ClearLog();
  }
  bool Mixing() const { return GetParam() != Output::kNoMixer; }
};

TEST_P(SoundTest, WhatIsNotASoundLoadsAsNil) {
  Scratch scratch;
  struct Case {
    const char* what;
    std::string path;
    bool needs_decoder;  // only decoding tells it from a sound
  };
  const Case cases[] = {
      {"missing", scratch.Path("missing.mp3"), false},
      {"empty", scratch.Write("empty.mp3", ""), false},
      {"text", scratch.Write("notes.mp3", "these are not the sounds you are looking for\n"), false},
      {"noise", scratch.Write("noise.mp3", RandomBytes(20000)), false},
      {"folder", scratch.Path(""), false},
      {"wave header only", scratch.Write("cut.wav", std::string("RIFF\x24\0\0\0WAVEfmt ", 16)), true},
      {"tag without audio", scratch.Write("tag.mp3", std::string("ID3\x03\0\0\0\0\0\0", 10) + RandomBytes(64)), true},
  };
  for (const Case& c : cases) {
    if (c.needs_decoder && !Mixing()) continue;
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Sound::Load(c.path), nullptr);
  }
  EXPECT_TRUE(fw::testing::SoundEvents().empty());
}

TEST_P(SoundTest, LogsLoadPlayVolumeStopInOrder) {
  auto poof = Sound::Load(kPoof);
  ASSERT_NE(poof, nullptr);
  EXPECT_EQ(poof->Volume(), 100);
  poof->Play();
  EXPECT_EQ(poof->IsPlaying(), Mixing());
  poof->SetVolume(15);
  EXPECT_EQ(poof->Volume(), 15);
  poof->Stop();
  EXPECT_FALSE(poof->IsPlaying());
  const std::vector<std::string> expected = {"load PoofSound.mp3", "play PoofSound.mp3", "volume PoofSound.mp3 15",
                                             "stop PoofSound.mp3"};
  EXPECT_EQ(fw::testing::SoundEvents(), expected);
}

TEST_P(SoundTest, VolumeStaysWithinZeroToHundred) {
  auto poof = Sound::Load(kPoof);
  ASSERT_NE(poof, nullptr);
  const struct {
    int set, kept;
  } cases[] = {{37, 37}, {0, 0}, {100, 100}, {150, 100}, {-5, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.set);
    fw::testing::ClearLog();
    poof->SetVolume(c.set);
    EXPECT_EQ(poof->Volume(), c.kept);
    EXPECT_EQ(fw::testing::SoundEvents(),
              std::vector<std::string>{"volume PoofSound.mp3 " + std::to_string(c.kept)});
  }
}

TEST_P(SoundTest, EachSoundPlaysOnItsOwnChannelUntilItEnds) {
  if (!Mixing()) GTEST_SKIP() << "nothing plays without a mixer";
  // More sounds than the mixer has channels to begin with.
  std::vector<std::shared_ptr<Sound>> sounds;
  for (int i = 0; i < 12; ++i) sounds.push_back(Sound::Load(kPoof));
  for (auto& s : sounds) {
    ASSERT_NE(s, nullptr);
    s->Play();
  }
  sounds[3]->Stop();
  for (size_t i = 0; i < sounds.size(); ++i) EXPECT_EQ(sounds[i]->IsPlaying(), i != 3) << i;
  // A sound freed while playing gives its channel back; the next one reuses it.
  sounds[5].reset();
  auto again = Sound::Load(kPoof);
  again->Play();
  EXPECT_TRUE(again->IsPlaying());
  EXPECT_TRUE(sounds[6]->IsPlaying());
  // The poof is under half a second long; it ends by itself.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (again->IsPlaying() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(again->IsPlaying());
}

TEST_P(SoundTest, SoundsOutliveShutdownHarmlessly) {
  auto poof = Sound::Load(kPoof);
  ASSERT_NE(poof, nullptr);
  poof->Play();
  audio::Shutdown();
  EXPECT_FALSE(poof->IsPlaying());
  poof->Play();
  poof->SetVolume(50);
  EXPECT_FALSE(poof->IsPlaying());
  EXPECT_EQ(fw::testing::SoundEvents().back(), "volume PoofSound.mp3 50");
  poof.reset();
}

INSTANTIATE_TEST_SUITE_P(Outputs, SoundTest,
                         ::testing::Values(Output::kDevice, Output::kNoDevice, Output::kNoMixer),
                         [](const auto& info) { return std::string(Name(info.param)); });

// --- what the device really receives ----------------------------------------------

// SDL's disk driver writes the final mix to a file in real time, from the
// device's opening to its closing: what a speaker would have played. Each
// opening starts the file named at that moment anew.
class DiskDevice {
 public:
  DiskDevice() {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    CaptureTo("mix.raw");
  }
  // Where the device's next opening writes.
  std::string CaptureTo(const std::string& name) {
    const std::string file = scratch_.Path(name);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    return file;
  }
  // Whether the device closes by itself within `seconds`.
  static bool ClosesWithin(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (audio::DeviceRunning()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  static std::vector<int16_t> Read(const std::string& file) {
    std::error_code ec;
    const auto bytes = fs::file_size(file, ec);
    if (ec) return {};
    std::vector<int16_t> mix(bytes / sizeof(int16_t));
    std::ifstream in(file, std::ios::binary);
    in.read(reinterpret_cast<char*>(mix.data()), static_cast<std::streamsize>(mix.size() * sizeof(int16_t)));
    return mix;
  }

 private:
  Scratch scratch_;
};

std::vector<float> ToFloat(const std::vector<int16_t>& mix) {
  std::vector<float> samples(mix.size());
  std::transform(mix.begin(), mix.end(), samples.begin(), [](int16_t v) { return v / 32768.0f; });
  return samples;
}

// The samples from the first that is not zero to the last that is not.
std::vector<int16_t> Sounding(const std::vector<int16_t>& mix) {
  const auto first = std::find_if(mix.begin(), mix.end(), [](int16_t v) { return v != 0; });
  const auto last = std::find_if(mix.rbegin(), mix.rend(), [](int16_t v) { return v != 0; }).base();
  return first < last ? std::vector<int16_t>(first, last) : std::vector<int16_t>();
}

// The samples from the first that is not zero on.
std::vector<int16_t> FromFirstSound(const std::vector<int16_t>& mix) {
  return std::vector<int16_t>(std::find_if(mix.begin(), mix.end(), [](int16_t v) { return v != 0; }), mix.end());
}

// Above what the device takes for too faint to hear: 8 steps of 16 bits.
bool Loud(int16_t v) { return v > 8 || v < -8; }

// How many samples come after the last one that can be heard (all of them
// when none can).
size_t AfterTheLastLoud(const std::vector<int16_t>& mix) {
  return static_cast<size_t>(std::find_if(mix.rbegin(), mix.rend(), Loud) - mix.rbegin());
}

// Stereo samples of the mix in `seconds`.
size_t Samples(double seconds) { return static_cast<size_t>(seconds * 2 * audio::kRenderRate); }

using Sounds = std::vector<std::shared_ptr<Sound>>;
struct Capture {
  const char* name;
  void (*play)(Sounds& keep);
  bool audible;
  double seconds;  // how long it may take until the device has closed by itself
};
void PrintTo(const Capture& c, std::ostream* os) { *os << c.name; }

class DeviceCapture : public ::testing::TestWithParam<Capture> {};

// The device plays what was played, then closes by itself once the mix has
// fallen below what can be heard: the file ends in a third of a second too
// faint to hear.
TEST_P(DeviceCapture, MixCarriesWhatWasPlayedAndTheDeviceClosesAfterIt) {
  DiskDevice disk;
  const std::string file = disk.CaptureTo("mix.raw");
  if (!audio::DeviceOpen()) GTEST_SKIP() << "SDL has no disk audio driver here";
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";

  Sounds keep;
  GetParam().play(keep);
  ASSERT_TRUE(DiskDevice::ClosesWithin(GetParam().seconds));
  EXPECT_EQ(audio::DeviceOpenings(), 1);

  const std::vector<int16_t> mix = DiskDevice::Read(file);
  const Loudness l = Measure(ToFloat(mix));
  if (GetParam().audible) {
    EXPECT_GT(l.peak, kAudiblePeak);
    EXPECT_GE(l.heard_seconds, kHeardSeconds);
    EXPECT_GE(AfterTheLastLoud(mix), Samples(0.3));
  } else {
    EXPECT_EQ(l.peak, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Mix, DeviceCapture,
    ::testing::Values(
        Capture{"Chime",
                [](Sounds&) {
                  audio::SetInstrument(10);
                  audio::PlayNote(60, 30);
                  audio::PlayNote(60, 0);
                },
                true, 30},
        Capture{"PoofAtFullVolume",
                [](Sounds& keep) {
                  keep.push_back(Sound::Load(kPoof));
                  keep.back()->Play();
                },
                true, 15},
        Capture{"PoofAtVolumeZero",
                [](Sounds& keep) {
                  keep.push_back(Sound::Load(kPoof));
                  keep.back()->SetVolume(0);
                  keep.back()->Play();
                },
                false, 15},
        Capture{"Nothing", [](Sounds&) {}, false, 15}),
    [](const auto& info) { return std::string(info.param.name); });

class DeviceTone : public ::testing::TestWithParam<Tone> {};

// A note reaches the device sample for sample as the synthesizer renders it
// on its own, until it has been too faint to hear for a third of a second;
// then the device closes, soon, not once the note has rung out to the last
// step above zero (the chime's 3.6 s later). What it did not play could not
// have been heard.
TEST_P(DeviceTone, IsHeardWholeAndTheDeviceClosesOnceItIsTooFaintToHear) {
  DiskDevice disk;
  const std::string file = disk.CaptureTo("tone.raw");
  const Tone& t = GetParam();
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  audio::SetInstrument(t.instrument);
  audio::PlayNote(t.note, t.velocity);
  audio::PlayNote(t.note, 0);
  if (!audio::DeviceOpen()) GTEST_SKIP() << "SDL has no disk audio driver here";
  ASSERT_TRUE(DiskDevice::ClosesWithin(30));

  const std::vector<int16_t> heard = FromFirstSound(DiskDevice::Read(file));
  const std::vector<int16_t> alone =
      FromFirstSound(As16Bit(audio::RenderForTest(t.instrument, t.note, t.velocity, 25)));
  ASSERT_FALSE(heard.empty());
  ASSERT_LE(heard.size(), alone.size());
  EXPECT_TRUE(std::equal(heard.begin(), heard.end(), alone.begin()));
  EXPECT_TRUE(std::none_of(alone.begin() + static_cast<std::ptrdiff_t>(heard.size()), alone.end(), Loud));
  EXPECT_GE(AfterTheLastLoud(heard), Samples(0.3));
  // Soon after: the third of a second, and a second from the note at most.
  EXPECT_LT(heard.size(), alone.size() - AfterTheLastLoud(alone) + Samples(2));
}

INSTANTIATE_TEST_SUITE_P(Tones, DeviceTone,
                         ::testing::Values(Tone{"Chime", 10, 60, 30}, Tone{"Attention", 46, 40, 40},
                                           Tone{"Show", 46, 58, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

// The runtime holds the audio back while a program starts, so that its start
// does not share the processor or the dynamic linker with loading the audio
// stack: a note played before then waits, and plays once the first window is
// on screen, or, when nothing is shown, after a second of events.
class Plain : public fw::Window {
  void Layout() override {
    SetSize(200, 100);
    SetVisible(true);
  }
};

bool OpensWithin(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (audio::DeviceOpenings() == 0 && std::chrono::steady_clock::now() < deadline) {
    fw::testing::ProcessEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return audio::DeviceOpenings() > 0;
}

void PlayAttentionTone() {
  audio::SetInstrument(46);
  audio::PlayNote(40, 40);
  audio::PlayNote(40, 0);
}

TEST(Device, WaitsForTheFirstWindowOnScreen) {
  fw::testing::ClearLog();
  PlayAttentionTone();
  fw::testing::ProcessEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(audio::DeviceOpenings(), 0);
  EXPECT_FALSE(audio::DeviceRunning());

  const auto shown = std::chrono::steady_clock::now();
  fw::ImplicitInstance<Plain>("Plain.Plain");
  EXPECT_TRUE(OpensWithin(5));
  EXPECT_LT(std::chrono::steady_clock::now() - shown, std::chrono::milliseconds(900)) << "not the second's wait";
  EXPECT_EQ(fw::AudioHold::LastLetGo(), fw::AudioHold::Reason::kWindowOnScreen);
  const std::vector<NoteEvent> notes = {{46, 40, 40}, {46, 40, 0}};
  EXPECT_EQ(fw::testing::Notes(), notes);
}

TEST(Device, ShowingNothingWaitsNoLongerThanASecond) {
  PlayAttentionTone();
  fw::testing::ProcessEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(audio::DeviceOpenings(), 0);
  EXPECT_TRUE(OpensWithin(5));
  EXPECT_EQ(fw::AudioHold::LastLetGo(), fw::AudioHold::Reason::kLongestWait);
}

// Closed while nothing plays, the device opens again for the next sound or
// note, each time with everything of it; sounds decoded before keep playing.
TEST(Device, ClosesWhenNothingPlaysAndOpensAgainForTheNextSound) {
  DiskDevice disk;
  const std::string first = disk.CaptureTo("first.raw");
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  if (!audio::DeviceOpen()) GTEST_SKIP() << "SDL has no disk audio driver here";
  fw::testing::ClearLog();
  auto poof = Sound::Load(kPoof);
  ASSERT_NE(poof, nullptr);
  poof->Play();
  ASSERT_TRUE(DiskDevice::ClosesWithin(15));
  EXPECT_FALSE(poof->IsPlaying());
  EXPECT_EQ(audio::DeviceOpenings(), 1);

  // The sound again, and a note: the device opens once more.
  const std::string second = disk.CaptureTo("second.raw");
  poof->SetVolume(50);
  poof->Play();
  EXPECT_TRUE(poof->IsPlaying());
  audio::SetInstrument(46);
  audio::PlayNote(40, 40);
  audio::PlayNote(40, 0);
  ASSERT_TRUE(DiskDevice::ClosesWithin(15));
  EXPECT_FALSE(poof->IsPlaying());
  EXPECT_EQ(audio::DeviceOpenings(), 2);

  const std::vector<int16_t> once = Sounding(DiskDevice::Read(first));
  const std::vector<int16_t> again = Sounding(DiskDevice::Read(second));
  std::vector<int16_t> tone = FromFirstSound(As16Bit(audio::RenderForTest(46, 40, 40, 3)));
  tone.resize(tone.size() - AfterTheLastLoud(tone));
  EXPECT_GT(Measure(ToFloat(once)).peak, kAudiblePeak);
  // The second opening carries the poof at half volume and all of the tone
  // that can be heard.
  EXPECT_GT(Measure(ToFloat(again)).peak, kAudiblePeak);
  EXPECT_GE(again.size(), tone.size());
  EXPECT_GE(again.size(), once.size());

  const std::vector<std::string> sounds = {"load PoofSound.mp3", "play PoofSound.mp3", "volume PoofSound.mp3 50",
                                           "play PoofSound.mp3"};
  EXPECT_EQ(fw::testing::SoundEvents(), sounds);
  const std::vector<NoteEvent> notes = {{46, 40, 40}, {46, 40, 0}};
  EXPECT_EQ(fw::testing::Notes(), notes);
}

}  // namespace
