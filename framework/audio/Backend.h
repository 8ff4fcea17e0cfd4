#pragma once
// The audio back end: the device, its mixer and the synthesizer, over SDL,
// SDL_mixer and FluidSynth, built as a module of its own
// (lib/<program>/libkframework_audio.so beside the program's bin/). The audio
// thread loads it the first time something is to be heard, so that a program
// neither links nor loads the audio stack before then. Plain functions and
// handles of the module's own: no SDL or FluidSynth type crosses.
namespace fw::audio {

struct BackendSynth;  // a synthesizer
struct BackendSound;  // a sound file decoded whole

// How a synthesizer is made. The program's own (no options) loads each
// instrument's presets from the soundfont when the instrument is first
// chosen and has voices for what it plays; a comparison can ask for the bank
// loaded whole and for as many voices as the synthesizer has by default.
struct SynthOptions {
  bool whole_bank = false;
  int polyphony = 0;  // 0: the program's
};

struct DeviceFormat {
  int rate = 0;
  int channels = 0;
  unsigned sample_format = 0;  // SDL's code of it
  bool real = false;           // a device that is heard, not SDL's dummy driver
};

struct Backend {
  int abi;  // kBackendAbi

  // --- the device: one at a time ---------------------------------------------
  // Opens it on the driver the environment chooses or, when `silent`, on
  // SDL's dummy driver, which plays into nothing. `same` (may be nil) is what
  // an earlier opening got: then exactly that again, converted if need be.
  bool (*open_device)(int rate, int period_frames, bool silent, const DeviceFormat* same, DeviceFormat* got);
  void (*close_device)();
  // The synthesizer whose output is added to the mix from the next period on.
  void (*mix_synth)(BackendSynth* synth);
  // Periods in a row below what can be heard (-72 dBFS) with no sound playing.
  int (*quiet_periods)();
  void (*reset_quiet)();
  // The mixer keeps this many channels (it starts with 8 at each opening).
  void (*set_channels)(int count);

  // --- sounds, one channel each; all but free_sound need the device open --------
  BackendSound* (*load_sound)(const char* path);  // nil when it does not decode
  void (*free_sound)(BackendSound* sound);
  void (*play)(int channel, BackendSound* sound, int volume);  // volume 0-100
  void (*halt)(int channel);
  void (*volume)(int channel, int volume);
  bool (*playing)(int channel, const BackendSound* sound);

  // --- the General MIDI synthesizer: one MIDI channel --------------------------
  // Nil when the soundfont cannot be loaded. `options` may be nil.
  BackendSynth* (*make_synth)(double rate, const char* soundfont, const SynthOptions* options);
  void (*free_synth)(BackendSynth* synth);
  void (*program)(BackendSynth* synth, int instrument);  // GM program, 1-based
  void (*note)(BackendSynth* synth, int note, int velocity);  // velocity 0 ends it
  void (*all_off)(BackendSynth* synth);  // every voice ended at once
  // `frames` interleaved stereo frames, full scale 1.0.
  void (*render)(BackendSynth* synth, float* out, int frames);
  // How many presets it holds, of every soundfont it has loaded.
  int (*presets)(BackendSynth* synth);

  // --- the end -------------------------------------------------------------------
  // Called on a thread of ours that used the back end, before it ends.
  void (*thread_done)();
  // After the last use: the audio libraries let go of what they hold.
  void (*shut_down)();
};

inline constexpr int kBackendAbi = 2;
inline constexpr const char* kBackendModule = "libkframework_audio.so";
// The module's one exported function: `const Backend* kframework_audio_backend()`.
inline constexpr const char* kBackendEntry = "kframework_audio_backend";
using BackendEntry = const Backend* (*)();

}  // namespace fw::audio
