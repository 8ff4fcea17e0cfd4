#pragma once
// The framework's one audio output. A mixer device carries the sounds (one
// channel each) and a General MIDI synthesizer for the note player, whose
// output is added to the mix. An audio thread of the engine's own does the
// work: it loads the audio back end the first time something is to be heard,
// opens the device when something plays and closes it again once the mix has
// fallen silent, so an idle program has no audio running at all. Notes and
// sounds are handed over to it; nothing here waits for the device except
// decoding a sound file.
//
// Without an audio device every call still does its bookkeeping and logs its
// event; nothing is heard.
#include <string>

#include "framework/audio/Backend.h"

namespace fw::audio {

// --- the note player ---------------------------------------------------------
// GM program, 1-based (1 = acoustic grand piano).
void SetInstrument(int instrument);
int Instrument();
// Velocity 0 ends the note.
void PlayNote(int note, int velocity);
// Whether sound can really be heard (a device opens, not a silent stand-in).
// Opens the device if it is closed.
bool DeviceOpen();
// Ends the audio thread and frees the sounds, the synthesizer and the device.
// Safe to call more than once; nothing is opened again after it.
void Shutdown();
// While held, notes and sounds handed over wait, and the audio stack is not
// loaded: a program's start keeps the processor and the dynamic linker to
// itself until its first window is up. Anything that must wait for the device
// (decoding a sound) ends the hold at once.
void Hold();
void Release();

// --- sounds, known by a number -----------------------------------------------
// Brings the mixer up and waits for it. True when a mixer runs: on the device,
// or on a silent stand-in when there is no device. False after Shutdown, or
// when not even the stand-in opens; then sounds cannot be decoded.
bool MixerReady();
inline constexpr int kNoMixer = -1;
// Decodes the file whole: its number, 0 when it does not decode, kNoMixer
// when there is no mixer to decode it with.
int LoadSound(const std::string& path);
// Plays it from the start on a channel of its own, at `volume` 0-100.
void PlaySound(int sound, int volume);
void StopSound(int sound);
void SetSoundVolume(int sound, int volume);
bool SoundPlaying(int sound);
void FreeSound(int sound);

// --- for tests ---------------------------------------------------------------
inline constexpr int kRenderRate = 44100;
// The soundfont the synthesizer loads; empty when there is none.
std::string SoundFontPath();
// Makes the synthesizer load this file instead (before its first use).
void SetSoundFontPathForTest(const std::string& path);
// Whether the device is open at this moment, or about to be for something
// handed over (not while held); and how many times it has been opened.
bool DeviceRunning();
int DeviceOpenings();
// The back end, loaded if it is not yet; nil when it cannot be.
const Backend* LoadedBackend();
}  // namespace fw::audio
