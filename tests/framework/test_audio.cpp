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
#include <memory>
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

// A render as the mixer adds it to silent 16-bit output.
std::vector<int16_t> As16Bit(const std::vector<float>& render) {
  std::vector<int16_t> out(render.size());
  std::transform(render.begin(), render.end(), out.begin(),
                 [](float v) { return static_cast<int16_t>(std::clamp(v * 32767.0f, -32768.0f, 32767.0f)); });
  return out;
}

// The samples from the first that is not zero to the last that is not.
std::vector<int16_t> Sounding(const std::vector<int16_t>& mix) {
  const auto first = std::find_if(mix.begin(), mix.end(), [](int16_t v) { return v != 0; });
  const auto last = std::find_if(mix.rbegin(), mix.rend(), [](int16_t v) { return v != 0; }).base();
  return first < last ? std::vector<int16_t>(first, last) : std::vector<int16_t>();
}

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
// fallen silent: the file ends in silence, nothing of the sound cut off.
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
    // Closed only after a third of a second of silence (stereo samples).
    const auto silent_end = std::find_if(mix.rbegin(), mix.rend(), [](int16_t v) { return v != 0; });
    EXPECT_GE(static_cast<size_t>(silent_end - mix.rbegin()), static_cast<size_t>(0.3 * 2 * audio::kRenderRate));
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

// A note reaches the device whole: sample for sample what the synthesizer
// renders on its own, its last ringing included, however long it rings.
TEST_P(DeviceTone, ReachesTheDeviceWholeBeforeItCloses) {
  DiskDevice disk;
  const std::string file = disk.CaptureTo("tone.raw");
  const Tone& t = GetParam();
  if (audio::SoundFontPath().empty()) GTEST_SKIP() << "no General MIDI soundfont installed";
  audio::SetInstrument(t.instrument);
  audio::PlayNote(t.note, t.velocity);
  audio::PlayNote(t.note, 0);
  if (!audio::DeviceOpen()) GTEST_SKIP() << "SDL has no disk audio driver here";
  ASSERT_TRUE(DiskDevice::ClosesWithin(30));

  const std::vector<int16_t> heard = Sounding(DiskDevice::Read(file));
  const std::vector<int16_t> alone = Sounding(As16Bit(audio::RenderForTest(t.instrument, t.note, t.velocity, 9)));
  ASSERT_FALSE(alone.empty());
  EXPECT_EQ(heard.size(), alone.size());
  EXPECT_TRUE(heard == alone);
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
  const std::vector<NoteEvent> notes = {{46, 40, 40}, {46, 40, 0}};
  EXPECT_EQ(fw::testing::Notes(), notes);
}

TEST(Device, ShowingNothingWaitsNoLongerThanASecond) {
  PlayAttentionTone();
  fw::testing::ProcessEvents();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(audio::DeviceOpenings(), 0);
  EXPECT_TRUE(OpensWithin(5));
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
  const std::vector<int16_t> tone = Sounding(As16Bit(audio::RenderForTest(46, 40, 40, 3)));
  EXPECT_GT(Measure(ToFloat(once)).peak, kAudiblePeak);
  // The second opening carries the poof at half volume and the whole tone.
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
