// The frame step: the first frame's upload, display switches with their
// re-upload and their failures, and the cursor confinement.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "game/frame.h"
#include "game/game_globals.h"
#include "game/play/charms.h"
#include "game/play/play_state.h"
#include "game/scenes/deferred_pictures.h"
#include "game/support/game_driver.h"
#include "graphics/display.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;
using vantrel::test::DriverOptions;
using vantrel::test::GameDriver;

namespace {

bool HasDisplayCopy(const Image& image) {
  const Bitmap* frame = const_cast<Image&>(image).GetFrame(1);
  return image.frameCount >= 2 && frame && frame->pixels && frame->bpp == 16;
}

class FrameTest : public ::testing::Test {
 protected:
  void Start(const DriverOptions& options = {}) {
    d.Prepare(options);
    ASSERT_EQ(d.StartUp(), std::nullopt);
    program.sceneNumber = kSceneNone;
  }
  int CountBoxes(const std::string& text) {
    int n = 0;
    for (const auto& box : d.Boxes()) n += box.text == text;
    return n;
  }
  GameDriver d;
};

TEST_F(FrameTest, TheFirstFrameUploadsEveryPictureButTheGlowFont) {
  Start();
  d.Frame();
  struct Item {
    const char* name;
    const Image* image;
  } items[] = {
      {"power-ups", &powerUpSet},
      {"paddle", &paddleSet},
      {"explosion", &explosionSet},
      {"boing", &boingSet},
      {"buttons", &buttonSet},
      {"locked charms", &lockedCharmSet},
      {"icons", &iconSet},
      {"cursor", &cursorPicture},
      {"splash", &splashPicture},
      {"title screen", &titleScreenPicture},
      {"small font", &smallFont},
      {"candy font", &candyFont},
      {"chisel font", &chiselFont},
      {"big font", &bigFont},
      {"system font", &sysFont},
      {"brushed font", &brushedFont},
      {"green brushed font", &greenBrushedFont},
      {"amber font", &amberSysFont},
  };
  for (const Item& item : items) EXPECT_TRUE(HasDisplayCopy(*item.image)) << item.name;
  // Sub-images of a set too.
  EXPECT_TRUE(HasDisplayCopy(*powerUpSet.GetImage(powerUpSet.count - 1)));
  EXPECT_TRUE(HasDisplayCopy(*sysFont.GetImage(sysFont.count - 1)));
  ASSERT_FALSE(charmSets.empty());
  EXPECT_TRUE(HasDisplayCopy(*charmSets[0]));
  EXPECT_EQ(sysFontGlow.frameCount, 1);
  EXPECT_EQ(program.imagesNeedUpload, 0);
  // The other screens' pictures are decoded when first shown, and get their
  // display copy then.
  const Item later[] = {
      {"high scores", &highScoresPicture},
      {"title power-ups", &titlePowerupsPicture},
      {"board select", &boardSelectPicture},
      {"charms", &charmsPicture},
      {"exit", &exitPicture},
  };
  for (const Item& item : later) {
    EXPECT_EQ(item.image->pixels, nullptr) << item.name;
    UsePicture(*const_cast<Image*>(item.image));
    EXPECT_TRUE(HasDisplayCopy(*item.image)) << item.name;
  }
}

// The start-up measurement's stamp: written by the first frame that reaches
// the window, once per file named, and never without the variable.
TEST_F(FrameTest, TheFirstPresentedFrameIsStampedOnce) {
  const fs::path dir = vantrel::test::MakeTempDir("first-frame");
  const fs::path stamp = dir / "stamp";
  unsetenv("VANTREL_FIRST_FRAME_FILE");
  StampFirstPresentedFrame(0, 1);
  setenv("VANTREL_FIRST_FRAME_FILE", stamp.c_str(), 1);
  StampFirstPresentedFrame(3, 3);  // nothing presented in that frame
  EXPECT_FALSE(fs::exists(stamp));
  const int64_t before = int64_t(std::time(nullptr));
  Start();
  program.sceneNumber = kSceneSplash;
  d.RunFor(200);
  unsetenv("VANTREL_FIRST_FRAME_FILE");
  ASSERT_TRUE(fs::exists(stamp));
  std::ifstream in(stamp.string());
  long long ns = 0;
  ASSERT_TRUE(in >> ns);
  EXPECT_GE(ns / 1000000000LL, before - 1);
  EXPECT_LE(ns / 1000000000LL, int64_t(std::time(nullptr)) + 1);
  fs::remove(stamp);
  setenv("VANTREL_FIRST_FRAME_FILE", stamp.c_str(), 1);
  d.RunFor(100);
  unsetenv("VANTREL_FIRST_FRAME_FILE");
  EXPECT_FALSE(fs::exists(stamp));
}

TEST_F(FrameTest, SwitchingToFullScreenUploadsEverythingAgain) {
  Start();
  d.Frame();
  ASSERT_EQ(settings.fullScreen, 0);
  splashPicture.GetFrame(1)->Destroy();
  program.fullRedraw = program.backgroundDirty = 0;
  d.Key(plat::kKeyF1 + 6);
  d.Frame();
  EXPECT_EQ(settings.fullScreen, 1);
  EXPECT_EQ(d.Window()->Style(), plat::WindowStyle::kFullScreen);
  EXPECT_TRUE(HasDisplayCopy(splashPicture));
  EXPECT_EQ(program.fullRedraw, 1);
  EXPECT_EQ(program.backgroundDirty, 1);
  EXPECT_EQ(program.fullScreenTogglePending, 0);
}

TEST_F(FrameTest, RefusedFullScreenIsReportedOnceThenTheWindowComesBack) {
  Start();
  d.Frame();
  d.Windows().RefuseStyle(plat::WindowStyle::kFullScreen, true);
  d.Key(plat::kKeyF1 + 6);
  d.Frame();
  EXPECT_EQ(CountBoxes("Could not open init display!"), 1);
  EXPECT_EQ(program.fullScreenTogglePending, 1);
  d.Frame();
  EXPECT_EQ(settings.fullScreen, 0);
  EXPECT_EQ(program.fullScreenTogglePending, 0);
  d.RunFor(100);
  EXPECT_EQ(CountBoxes("Could not open init display!"), 1);
  EXPECT_TRUE(d.Running());
  EXPECT_EQ(d.Finish(), 0);
  EXPECT_EQ(program.startUpFailed, 0);
}

TEST_F(FrameTest, ARefusedWindowOnTheWayBackEndsTheGameAsAFailure) {
  Start();
  d.Frame();
  d.Key(plat::kKeyF1 + 6);
  d.Frame();
  ASSERT_EQ(settings.fullScreen, 1);
  d.Windows().RefuseStyle(plat::WindowStyle::kFramedSizable, true);
  d.Key(plat::kKeyF1 + 6);
  d.RunFor(100);
  EXPECT_EQ(CountBoxes("Could not open init display!"), 1);
  EXPECT_FALSE(d.Running());
  EXPECT_EQ(program.windowHandle, nullptr);
  EXPECT_EQ(program.startUpFailed, 1);
  EXPECT_EQ(d.Finish(), 0);
}

TEST_F(FrameTest, TheCursorIsConfinedOnlyInRunningPlay) {
  Start();
  d.Frame();
  auto confines = [&] {
    int n = 0;
    for (const auto& call : d.Windows().CursorCalls()) n += call.kind == plat::headless::CursorCall::kConfine;
    return n;
  };
  auto releases = [&] {
    int n = 0;
    for (const auto& call : d.Windows().CursorCalls()) n += call.kind == plat::headless::CursorCall::kRelease;
    return n;
  };
  program.sceneNumber = kScenePlay;
  const int before = confines();
  d.Frame();
  d.Frame();
  EXPECT_EQ(confines(), before + 2);  // again each frame: a moved window is followed
  EXPECT_EQ(program.cursorClipped, 1);
  const int releasesBefore = releases();
  play.board.paused = 1;
  d.Frame();
  EXPECT_EQ(releases(), releasesBefore + 1);
  d.Frame();
  EXPECT_EQ(releases(), releasesBefore + 1);  // already released: no call
  EXPECT_EQ(program.cursorClipped, 0);
}

}  // namespace
