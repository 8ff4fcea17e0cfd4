#pragma once
// The framework's one audio output. A mixer device carries the sounds (one
// channel each) and a General MIDI synthesizer for the note player, whose
// output is added to the mix. Everything comes up lazily, on a helper thread,
// the first time it is needed, so start-up never waits for it.
//
// Without an audio device every call still does its bookkeeping and logs its
// event; nothing is heard.
#include <string>
#include <vector>

#include "framework/audio/MixerClient.h"

namespace fw::audio {

// --- the note player ---------------------------------------------------------
// GM program, 1-based (1 = acoustic grand piano).
void SetInstrument(int instrument);
int Instrument();
// Velocity 0 ends the note.
void PlayNote(int note, int velocity);
// Whether sound can really be heard (a device opened, not a silent stand-in).
// Brings the device up if it is not up yet.
bool DeviceOpen();
// Frees the sounds' channels, the synthesizer and the device. Safe to call
// more than once; nothing is reopened after it.
void Shutdown();

// --- for Sound ---------------------------------------------------------------
// Brings the mixer up and waits for it. True when a mixer runs: on the device,
// or on a silent stand-in when there is no device. False after Shutdown or when
// not even the stand-in opened; then sounds cannot be decoded.
bool MixerReady();
// A mixer channel of the caller's own; -1 without a mixer.
int AcquireChannel();
void ReleaseChannel(int channel);

void Attach(MixerClient* client);
void Detach(MixerClient* client);

// --- for tests ---------------------------------------------------------------
inline constexpr int kRenderRate = 44100;
// The soundfont the synthesizer loads; empty when there is none.
std::string SoundFontPath();
// Makes the synthesizer load this file instead (before its first use).
void SetSoundFontPathForTest(const std::string& path);
}  // namespace fw::audio
