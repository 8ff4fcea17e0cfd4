#pragma once
// The bundle's picture and sounds, loaded on first use and kept for the run.
#include <memory>

#include "framework/Picture.h"
#include "framework/Sound.h"

namespace kestrion {

namespace _x_Background2 {
// Tried again on every call while it fails to load.
std::shared_ptr<fw::Picture> Background2();
}  // namespace _x_Background2

namespace _x_PoofSound {
extern std::shared_ptr<fw::Sound> permaSound;
extern bool loaded;
// Tried once a run.
std::shared_ptr<fw::Sound> PoofSound();
}  // namespace _x_PoofSound

namespace _x_TamberlyRag {
extern std::shared_ptr<fw::Sound> permaSound;
extern bool loaded;
// Tried once a run.
std::shared_ptr<fw::Sound> TamberlyRag();
}  // namespace _x_TamberlyRag

// Start state of the caches, and their release at the end of the run.
void ResetResourceCaches();
void ReleaseSounds();

}  // namespace kestrion
