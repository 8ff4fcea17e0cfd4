#include "framework/Seams.h"

namespace fw::seams {

namespace {
// Function-local, so that a seam set during static initialisation finds its
// storage already made.
struct State {
  BoxResponder box_responder;
  ContextMenuChooser context_menu_chooser;
  std::string url_opener;
  UrlObserver url_observer;
  SoundObserver sound_observer;
  NoteObserver note_observer;
  std::string resources_root;
  std::string data_root;
  std::string audio_folder;
  std::function<void()> loop_start_hook;
  bool keep_runtime = false;
};
State& S() {
  static State s;
  return s;
}
}  // namespace

void SetBoxResponder(BoxResponder responder) { S().box_responder = std::move(responder); }
const BoxResponder& CurrentBoxResponder() { return S().box_responder; }

void SetContextMenuChooser(ContextMenuChooser chooser) { S().context_menu_chooser = std::move(chooser); }
const ContextMenuChooser& CurrentContextMenuChooser() { return S().context_menu_chooser; }

void SetUrlOpener(const std::string& program) { S().url_opener = program; }
const std::string& UrlOpener() {
  static const std::string kDefault = "xdg-open";
  return S().url_opener.empty() ? kDefault : S().url_opener;
}

void SetUrlObserver(UrlObserver observer) { S().url_observer = std::move(observer); }
void SetSoundObserver(SoundObserver observer) { S().sound_observer = std::move(observer); }
void SetNoteObserver(NoteObserver observer) { S().note_observer = std::move(observer); }
const UrlObserver& CurrentUrlObserver() { return S().url_observer; }
const SoundObserver& CurrentSoundObserver() { return S().sound_observer; }
const NoteObserver& CurrentNoteObserver() { return S().note_observer; }

void SetBundleResourcesRoot(const std::string& path) { S().resources_root = path; }
const std::string& BundleResourcesRoot() { return S().resources_root; }

void SetApplicationDataRoot(const std::string& path) { S().data_root = path; }
const std::string& ApplicationDataRoot() { return S().data_root; }

void SetAudioBackendFolder(const std::string& path) { S().audio_folder = path; }
const std::string& AudioBackendFolder() { return S().audio_folder; }

void SetEventLoopStartHook(std::function<void()> hook) { S().loop_start_hook = std::move(hook); }
const std::function<void()>& EventLoopStartHook() { return S().loop_start_hook; }

void SetKeepRuntime(bool on) { S().keep_runtime = on; }
bool KeepRuntime() { return S().keep_runtime; }

}  // namespace fw::seams
