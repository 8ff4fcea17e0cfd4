#include "framework/Sound.h"

#include <SDL_mixer.h>

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

int ChannelVolume(int volume) { return (volume * MIX_MAX_VOLUME + 50) / 100; }

// "<verb> <file name>[ <value>]", for whoever observes the sounds.
void Tell(const char* verb, const std::string& name, const std::string& value = "") {
  const seams::SoundObserver& observe = seams::CurrentSoundObserver();
  if (!observe) return;
  std::string event = std::string(verb) + " " + name;
  if (!value.empty()) event += " " + value;
  observe(event);
}

struct ChunkDeleter {
  void operator()(Mix_Chunk* c) const { Mix_FreeChunk(c); }
};
using ChunkPtr = std::unique_ptr<Mix_Chunk, ChunkDeleter>;

}  // namespace

struct Sound::Impl final : audio::MixerClient {
  std::string name;  // the file's name, as sound events show it
  ChunkPtr chunk;    // null without a mixer: then nothing is heard
  int channel = -1;
  int volume = 100;

  // Called when the audio shuts down before the sound goes away.
  void ReleaseMixerResources() override {
    if (chunk && channel >= 0) Mix_HaltChannel(channel);
    chunk.reset();
    channel = -1;
  }
};

Sound::Sound() : impl_(std::make_unique<Impl>()) {}

Sound::~Sound() {
  if (impl_->chunk) {
    audio::Detach(impl_.get());
    Mix_HaltChannel(impl_->channel);  // the mixer must let go of the samples before they are freed
    impl_->chunk.reset();
    audio::ReleaseChannel(impl_->channel);
  }
}

std::shared_ptr<Sound> Sound::Load(const std::string& path) {
  if (!LooksLikeAudio(path)) return nullptr;
  std::shared_ptr<Sound> sound(new Sound());
  Impl& impl = *sound->impl_;
  impl.name = std::filesystem::path(path).filename().string();
  if (audio::MixerReady()) {
    ChunkPtr chunk(Mix_LoadWAV(path.c_str()));
    if (!chunk || chunk->alen == 0) return nullptr;
    // Without a channel of its own the sound stays silent.
    if (const int channel = audio::AcquireChannel(); channel >= 0) {
      impl.chunk = std::move(chunk);
      impl.channel = channel;
      audio::Attach(&impl);
    }
  }
  Tell("load", impl.name);
  return sound;
}

void Sound::Play() {
  Tell("play", impl_->name);
  if (!impl_->chunk) return;
  Mix_Volume(impl_->channel, ChannelVolume(impl_->volume));
  Mix_PlayChannel(impl_->channel, impl_->chunk.get(), 0);  // from the start, even when already playing
}

void Sound::Stop() {
  Tell("stop", impl_->name);
  if (impl_->chunk) Mix_HaltChannel(impl_->channel);
}

void Sound::SetVolume(int volume) {
  impl_->volume = std::clamp(volume, 0, 100);
  Tell("volume", impl_->name, std::to_string(impl_->volume));
  if (impl_->chunk) Mix_Volume(impl_->channel, ChannelVolume(impl_->volume));
}

int Sound::Volume() const { return impl_->volume; }

bool Sound::IsPlaying() const {
  return impl_->chunk && Mix_Playing(impl_->channel) && Mix_GetChunk(impl_->channel) == impl_->chunk.get();
}

}  // namespace fw
