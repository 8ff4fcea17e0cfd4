#include "app/Resources.h"

#include "framework/SpecialFolder.h"

namespace kestrion {

namespace _x_Background2 {
namespace {
std::shared_ptr<fw::Picture> pic;
}
std::shared_ptr<fw::Picture> Background2() {
  if (!pic) {
    if (auto folder = fw::GetApplicationBundleResources()) pic = folder->Child("Background2.png")->OpenAsPicture();
  }
  return pic;
}
void Reset() { pic.reset(); }
}  // namespace _x_Background2

namespace {
std::shared_ptr<fw::Sound> LoadOnce(bool& loaded, std::shared_ptr<fw::Sound>& cache, const char* file) {
  if (!loaded) {
    loaded = true;
    if (auto folder = fw::GetApplicationBundleResources()) cache = folder->Child(file)->OpenAsSound();
  }
  return cache;
}
}  // namespace

namespace _x_PoofSound {
std::shared_ptr<fw::Sound> permaSound;
bool loaded = false;
std::shared_ptr<fw::Sound> PoofSound() { return LoadOnce(loaded, permaSound, "PoofSound.mp3"); }
}  // namespace _x_PoofSound

namespace _x_TamberlyRag {
std::shared_ptr<fw::Sound> permaSound;
bool loaded = false;
std::shared_ptr<fw::Sound> TamberlyRag() { return LoadOnce(loaded, permaSound, "Tamberly Rag.mp3"); }
}  // namespace _x_TamberlyRag

void ResetResourceCaches() {
  _x_Background2::Reset();
  _x_PoofSound::permaSound.reset();
  _x_PoofSound::loaded = false;
  _x_TamberlyRag::permaSound.reset();
  _x_TamberlyRag::loaded = false;
}

void ReleaseSounds() {
  _x_PoofSound::permaSound = nullptr;
  _x_TamberlyRag::permaSound = nullptr;
}

}  // namespace kestrion
