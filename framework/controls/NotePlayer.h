#pragma once
#include "framework/controls/Control.h"

namespace fw {

// Plays single notes of a General MIDI instrument; not drawn.
class NotePlayer : public Control {
 public:
  NotePlayer();
  void SetInstrument(int instrument);
  int Instrument() const { return instrument_; }
  // Velocity 0 ends the note.
  void PlayNote(int note, int velocity);

 private:
  int instrument_ = 1;
};

}  // namespace fw
