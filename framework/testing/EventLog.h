#pragma once
// What the program made the machine do, recorded for tests while recording is on: notes played,
// sounds loaded, played, stopped and their volume, and web addresses launched.
#include <string>
#include <vector>

namespace fw::testing {

struct NoteEvent {
  int instrument;  // the note player's instrument when the note was played
  int note;
  int velocity;    // 0 ends the note
  bool operator==(const NoteEvent&) const = default;
};

// Sound events read "<verb> <file name>[ <value>]": "load Tamberly Rag.mp3",
// "play PoofSound.mp3", "stop PoofSound.mp3", "volume PoofSound.mp3 15".
const std::vector<NoteEvent>& Notes();
const std::vector<std::string>& SoundEvents();
const std::vector<std::string>& LaunchedUrls();
void ClearLog();

// Starts (or stops) recording: installs the framework's note, sound and
// address observers. A test process does it once, before the program starts.
void RecordEvents(bool on = true);

}  // namespace fw::testing
