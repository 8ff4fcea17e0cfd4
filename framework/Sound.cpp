#include "framework/Sound.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "framework/audio/AudioEngine.h"
#include "framework/Seams.h"

namespace fw {
namespace {

// Whether the file starts the way a sound file the mixer decodes does. Checked
// before decoding (so a stray file is never taken for a tracker module, which
// has no signature of its own) and, when there is no mixer at all, instead of it.
bool LooksLikeAudio(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  unsigned char h[12] = {};
  if (!in.read(reinterpret_cast<char*>(h), sizeof h)) return false;
  auto is = [&](size_t at, const char* tag) { return std::memcmp(h + at, tag, std::strlen(tag)) == 0; };
  if (is(0, "ID3")) return true;  // MP3 with a tag in front
  // An MPEG audio frame header: 11 sync bits, a defined layer, a usable bit rate.
  if (h[0] == 0xFF && (h[1] & 0xE0) == 0xE0 && (h[1] & 0x06) != 0 && (h[2] & 0xF0) != 0xF0) return true;
  if (is(0, "RIFF") && is(8, "WAVE")) return true;
  if (is(0, "FORM") && (is(8, "AIFF") || is(8, "AIFC"))) return true;
  return is(0, "OggS") || is(0, "fLaC") || is(0, "Crea");
}

// "<verb> <file name>[ <value>]", for whoever observes the sounds.
void Tell(const char* verb, const std::string& name, const std::string& value = "") {
  const seams::SoundObserver& observe = seams::CurrentSoundObserver();
  if (!observe) return;
  std::string event = std::string(verb) + " " + name;
  if (!value.empty()) event += " " + value;
  observe(event);
}

}  // namespace

struct Sound::Impl {
  std::string name;  // the file's name, as sound events show it
  int number = 0;    // the decoded sound; 0 without a mixer: then nothing is heard
  int volume = 100;
};

Sound::Sound() : impl_(std::make_unique<Impl>()) {}

Sound::~Sound() {
  if (impl_->number > 0) audio::FreeSound(impl_->number);
}

std::shared_ptr<Sound> Sound::Load(const std::string& path) {
  if (!LooksLikeAudio(path)) return nullptr;
  std::shared_ptr<Sound> sound(new Sound());
  Impl& impl = *sound->impl_;
  impl.name = std::filesystem::path(path).filename().string();
  const int number = audio::LoadSound(path);
  if (number == 0) return nullptr;  // the mixer could not decode it
  if (number > 0) impl.number = number;
  Tell("load", impl.name);
  return sound;
}

void Sound::Play() {
  Tell("play", impl_->name);
  if (impl_->number > 0) audio::PlaySound(impl_->number, impl_->volume);  // from the start, even when playing
}

void Sound::Stop() {
  Tell("stop", impl_->name);
  if (impl_->number > 0) audio::StopSound(impl_->number);
}

void Sound::SetVolume(int volume) {
  impl_->volume = std::clamp(volume, 0, 100);
  Tell("volume", impl_->name, std::to_string(impl_->volume));
  if (impl_->number > 0) audio::SetSoundVolume(impl_->number, impl_->volume);
}

int Sound::Volume() const { return impl_->volume; }

bool Sound::IsPlaying() const { return impl_->number > 0 && audio::SoundPlaying(impl_->number); }

}  // namespace fw
