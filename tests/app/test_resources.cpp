// The bundle's picture and sounds: where they are found and how they are kept.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Resources.h"
#include "book/Window1.h"
#include "framework/testing/Drivers.h"
#include "tests/support/Program.h"

namespace kestrion {
namespace {

namespace fs = std::filesystem;

// An empty resources folder of the test's own; files are put in on demand.
struct EmptyBundle {
  fs::path dir = fs::path(std::getenv("HOME")) / "Resources";
  EmptyBundle() {
    fs::create_directories(dir);
    fw::testing::SetBundleResourcesPath(dir.string());
  }
  void Restore(const char* file) const {
    fs::copy_file(fs::path(KESTRION_TEST_RESOURCES_DIR) / file, dir / file);
  }
};

TEST(Resources, ThePictureIsTriedAgainWhileItFailsThenKept) {
  EmptyBundle bundle;
  EXPECT_EQ(_x_Background2::Background2(), nullptr);
  bundle.Restore("Background2.png");
  auto pic = _x_Background2::Background2();
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->Width(), 430);
  EXPECT_EQ(pic->Height(), 456);
  fs::remove(bundle.dir / "Background2.png");
  EXPECT_EQ(_x_Background2::Background2(), pic);
}

TEST(Resources, EachSoundIsTriedOnceARun) {
  EmptyBundle bundle;
  struct Case {
    const char* file;
    std::shared_ptr<fw::Sound> (*get)();
  };
  for (const Case& c : {Case{"PoofSound.mp3", &_x_PoofSound::PoofSound},
                        Case{"Tamberly Rag.mp3", &_x_TamberlyRag::TamberlyRag}}) {
    EXPECT_EQ(c.get(), nullptr) << c.file;
    bundle.Restore(c.file);
    EXPECT_EQ(c.get(), nullptr) << c.file << " restored during the run stays unloaded";
  }
}

TEST(Resources, SoundsLoadOnFirstUseAndStayTheSame) {
  auto poof = _x_PoofSound::PoofSound();
  ASSERT_NE(poof, nullptr);
  EXPECT_EQ(_x_PoofSound::PoofSound(), poof);
  auto rag = _x_TamberlyRag::TamberlyRag();
  ASSERT_NE(rag, nullptr);
  EXPECT_EQ(_x_TamberlyRag::TamberlyRag(), rag);
}

TEST(Resources, WithoutTheBackdropTheMainWindowOpensPlainAndSilent) {
  EmptyBundle bundle;
  Window1& w = test::StartProgram();
  EXPECT_EQ(w.Backdrop(), nullptr);
  EXPECT_TRUE(fw::testing::IsOnScreen(w));
  EXPECT_TRUE(fw::testing::ShownBoxes().empty());
}

TEST(Resources, TheMainWindowShowsTheBackdrop) {
  Window1& w = test::StartProgram();
  ASSERT_NE(w.Backdrop(), nullptr);
  EXPECT_EQ(w.Backdrop(), _x_Background2::Background2());
}

}  // namespace
}  // namespace kestrion
