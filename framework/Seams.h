#pragma once
// The few places where a test can stand in for the outside world. The
// program never sets them; while none is set, the framework shows real boxes
// and menus, runs the real opener and keeps no record of what it did.
#include <functional>
#include <string>

namespace fw {
class MenuItem;
}

namespace fw::seams {

// Answers a message box instead of showing it; returns the button pressed.
using BoxResponder = std::function<int(const std::string& text, int style, const std::string& title)>;
void SetBoxResponder(BoxResponder responder);
const BoxResponder& CurrentBoxResponder();

// Picks an item of a contextual menu (nil: dismissed) instead of showing it.
using ContextMenuChooser = std::function<MenuItem*(MenuItem& base)>;
void SetContextMenuChooser(ContextMenuChooser chooser);
const ContextMenuChooser& CurrentContextMenuChooser();

// The program that opens web addresses; empty restores the default, xdg-open
// found on PATH.
void SetUrlOpener(const std::string& program);
const std::string& UrlOpener();

// Observers of what the program made the machine do: each web address
// handed to the opener, each sound event ("play PoofSound.mp3"), each note.
using UrlObserver = std::function<void(const std::string& address)>;
using SoundObserver = std::function<void(const std::string& event)>;
using NoteObserver = std::function<void(int instrument, int note, int velocity)>;
void SetUrlObserver(UrlObserver observer);
void SetSoundObserver(SoundObserver observer);
void SetNoteObserver(NoteObserver observer);
const UrlObserver& CurrentUrlObserver();
const SoundObserver& CurrentSoundObserver();
const NoteObserver& CurrentNoteObserver();

// The bundle's resources folder in place of the one found from the program's
// own file; empty restores that one.
void SetBundleResourcesRoot(const std::string& path);
const std::string& BundleResourcesRoot();
// The application-data folder in place of $XDG_DATA_HOME; empty restores it.
void SetApplicationDataRoot(const std::string& path);
const std::string& ApplicationDataRoot();

// The folder of the audio back end in place of lib/<program> beside the
// program's bin/ folder; empty restores that one.
void SetAudioBackendFolder(const std::string& path);
const std::string& AudioBackendFolder();

// Runs once each time the event loop starts, before the first event.
void SetEventLoopStartHook(std::function<void()> hook);
const std::function<void()>& EventLoopStartHook();

// Keeps the toolkit's application object alive after RuntimeExit, so that a
// process can bring the runtime up again (a test process does, once per case).
void SetKeepRuntime(bool on);
bool KeepRuntime();

}  // namespace fw::seams
