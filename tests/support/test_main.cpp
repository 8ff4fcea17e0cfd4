// Every test process gets a fresh, private home folder, so no test ever
// touches a real user's data, and runs headless.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "framework/Application.h"
#include "framework/Seams.h"
#include "framework/testing/Drivers.h"
#include "framework/testing/EventLog.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  char tmpl[] = "/tmp/kestrion-test-XXXXXX";
  const char* home = mkdtemp(tmpl);
  if (!home) return 2;
  const std::string h = home;
  setenv("HOME", h.c_str(), 1);
  setenv("XDG_DATA_HOME", (h + "/.local/share").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (h + "/.config").c_str(), 1);
  setenv("XDG_CACHE_HOME", (h + "/.cache").c_str(), 1);
  const std::string runtime = h + "/runtime";
  mkdir(runtime.c_str(), 0700);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);

  // The tests are not named after the program: they are shown its audio back end.
  fw::seams::SetAudioBackendFolder(KESTRION_TEST_AUDIO_DIR);
  fw::RuntimeInit(argc, argv);
  // No real message box, browser or torn-down runtime inside a test.
  fw::testing::UseScriptedMessageBoxes(true);
  fw::testing::SetUrlLauncher("true");
  fw::testing::KeepRuntimeAlive(true);
  fw::testing::RecordEvents(true);
  const int rc = RUN_ALL_TESTS();
  fw::ReleaseAllWindows();
  if (!getenv("KESTRION_KEEP_TEST_HOME")) {
    std::error_code ec;
    std::filesystem::remove_all(h, ec);
  }
  return rc;
}
