#include "framework/controls/NotePlayer.h"

#include "framework/audio/AudioEngine.h"

namespace fw {

NotePlayer::NotePlayer() = default;
void NotePlayer::SetInstrument(int instrument) {
  instrument_ = instrument;
  audio::SetInstrument(instrument);
}
void NotePlayer::PlayNote(int note, int velocity) {
  // The synthesizer has one channel: each player brings its own instrument.
  if (audio::Instrument() != instrument_) audio::SetInstrument(instrument_);
  audio::PlayNote(note, velocity);
}

}  // namespace fw
