#include "framework/testing/EventLog.h"

#include "framework/Seams.h"

namespace fw::testing {
namespace {
std::vector<NoteEvent>& notes() { static std::vector<NoteEvent> v; return v; }
std::vector<std::string>& sounds() { static std::vector<std::string> v; return v; }
std::vector<std::string>& urls() { static std::vector<std::string> v; return v; }
}  // namespace

const std::vector<NoteEvent>& Notes() { return notes(); }
const std::vector<std::string>& SoundEvents() { return sounds(); }
const std::vector<std::string>& LaunchedUrls() { return urls(); }
void ClearLog() { notes().clear(); sounds().clear(); urls().clear(); }

void RecordEvents(bool on) {
  if (!on) {
    seams::SetNoteObserver(nullptr);
    seams::SetSoundObserver(nullptr);
    seams::SetUrlObserver(nullptr);
    return;
  }
  seams::SetNoteObserver([](int instrument, int note, int velocity) { notes().push_back({instrument, note, velocity}); });
  seams::SetSoundObserver([](const std::string& event) { sounds().push_back(event); });
  seams::SetUrlObserver([](const std::string& url) { urls().push_back(url); });
}

}  // namespace fw::testing
