// The scene transition in pixels, its fades and input rules, and the two
// scenes of this program that use it: the splash and the exit picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/scenes/splash.h"
#include "game/scenes/transition.h"
#include "game/support/game_driver.h"
#include "graphics/display.h"
#include "platform/seal/seal.h"

using vantrel::test::DriverOptions;
using vantrel::test::GameDriver;
using vantrel::test::Through555;

namespace {

constexpr uint32_t kRed = 0xF00000;
constexpr uint32_t kBlue = 0x0000F0;

void FillBuffer(uint32_t rgb) {
  SurfaceLock lock;
  ASSERT_TRUE(TheDisplay().Lock(&lock));
  const uint16_t p = uint16_t(((rgb >> 19) & 0x1F) << 10 | ((rgb >> 11) & 0x1F) << 5 | ((rgb >> 3) & 0x1F));
  for (int32_t y = 0; y < lock.height; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(lock.bits + size_t(y) * size_t(lock.pitch));
    for (int32_t x = 0; x < lock.width; ++x) row[x] = p;
  }
  TheDisplay().Unlock();
}

class TransitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d.Prepare();
    ASSERT_EQ(d.StartUp(), std::nullopt);
    program.sceneNumber = kSceneNone;  // the test draws
    d.Frame();
  }
  // Scene A in red on the window, scene B in blue handed to the transition.
  void StartRedToBlue() {
    FillBuffer(kRed);
    TheDisplay().Present(0);
    SnapshotOldScreen();
    FillBuffer(kBlue);
    SnapshotNewScreen();
    ASSERT_EQ(transition.transitionRunning, 1);
  }
  bool IsRed(uint32_t c) const { return c == Through555(kRed); }
  bool IsBlue(uint32_t c) const { return c == Through555(kBlue); }
  GameDriver d;
};

TEST_F(TransitionTest, HalfwayTheBandSitsAt335WithBlueAboveAndRedBelow) {
  StartRedToBlue();
  d.RunFor(1000, 16);
  // 1008 ms after the start: the band top is at floor(770 * 0.504 - 50) = 338.
  const int32_t e = int32_t(std::floor(770.0f * (1008.0f / 2000.0f) - 50.0f));
  EXPECT_EQ(transition.transitionBand.top, e);
  EXPECT_EQ(d.CountPixels(0, 0, 1280, e, [&](uint32_t c) { return !IsBlue(c); }), 0);
  EXPECT_EQ(d.CountPixels(0, e + 50, 1280, 720, [&](uint32_t c) { return !IsRed(c); }), 0);
  // Inside the band: blue, brightened (red and green fields above blue's 0).
  const uint32_t top = d.PresentedAt(640, e + 1);
  EXPECT_GT((top >> 16) & 0xFF, 0u);
  EXPECT_GT((top >> 8) & 0xFF, 0u);
  EXPECT_EQ(top & 0xFF, 0xFFu);
  const uint32_t bottom = d.PresentedAt(640, e + 49);
  EXPECT_TRUE(IsBlue(bottom)) << std::hex << bottom;
}

TEST_F(TransitionTest, OneLongFrameLeavesNoOldRowAboveTheBand) {
  StartRedToBlue();
  d.Frame(1800);  // t from 0 to 0.9 in one frame
  const int32_t e = transition.transitionBand.top;
  EXPECT_EQ(e, int32_t(std::floor(770.0f * 0.9f - 50.0f)));
  EXPECT_EQ(d.CountPixels(0, 0, 1280, e, [&](uint32_t c) { return IsRed(c); }), 0);
  EXPECT_EQ(d.CountPixels(0, e + 50, 1280, 720, [&](uint32_t c) { return !IsRed(c); }), 0);
}

TEST_F(TransitionTest, MusicFadesOutToZeroAndStopsOrInToExactlyForty) {
  for (int32_t fade : {-1, 1}) {
    SCOPED_TRACE(fade);
    ASSERT_EQ(PlayMusic(0), 1);
    transition.musicFade = fade;
    StartRedToBlue();
    std::vector<uint32_t> volumes;
    while (transition.transitionRunning) {
      d.Frame(16);
      plat::seal::ModuleInfo module;
      plat::seal::GetModuleInfo(&module);
      volumes.push_back(module.volume);
      ASSERT_LT(volumes.size(), 200u);
    }
    for (size_t i = 1; i < volumes.size(); ++i) {
      if (fade < 0)
        EXPECT_LE(volumes[i], volumes[i - 1]);
      else
        EXPECT_GE(volumes[i], volumes[i - 1]);
    }
    plat::seal::ModuleInfo module;
    plat::seal::GetModuleInfo(&module);
    if (fade < 0) {
      EXPECT_EQ(volumes.back(), 0u);
      EXPECT_EQ(module.playing, nullptr);
    } else {
      EXPECT_EQ(volumes.back(), 40u);
      EXPECT_NE(module.playing, nullptr);
    }
    EXPECT_EQ(transition.musicFade, 0);
  }
}

// The band the play scene starts every board with: the new picture above it,
// the old one below, and inside it each colour field going from the new
// value to the old one in steps of 1/50 of the band per row.
TEST_F(TransitionTest, TheBlendedBandMixesNewIntoOldRowByRow) {
  StartRedToBlue();
  StartTransition(1);
  for (uint32_t ms : {600u, 1000u, 1900u}) {
    SCOPED_TRACE(ms);
    d.RunFor(ms - (mainTimer.Elapsed(1000) - transition.transitionStart), 16);
    const int32_t e = transition.transitionBand.top;
    const uint32_t passed = uint32_t(mainTimer.Elapsed(1000) - transition.transitionStart);
    EXPECT_EQ(e, int32_t(std::floor(770.0f * (float(passed) / 2000.0f) - 50.0f)));
    EXPECT_EQ(d.CountPixels(0, 0, 1280, std::max(e + 1, 0), [&](uint32_t c) { return !IsBlue(c); }), 0);
    EXPECT_EQ(d.CountPixels(0, std::min(e + 50, 720), 1280, 720, [&](uint32_t c) { return !IsRed(c); }), 0);
    for (int32_t y = std::max(e + 1, 0); y < std::min(e + 50, 720); ++y) {
      // Red's field 30 of 31 comes in, blue's 30 goes out.
      const int32_t a = (y - e) * 256 / 50;
      const uint32_t r5 = uint32_t(30 * a / 256), b5 = uint32_t(30 - 30 * a / 256);
      const uint32_t want = Through555((r5 << 3) << 16 | (b5 << 3));
      ASSERT_EQ(d.PresentedAt(0, y), want) << "row " << y;
      ASSERT_EQ(d.PresentedAt(1279, y), want) << "row " << y;
    }
  }
  d.RunFor(200, 16);
  EXPECT_EQ(transition.transitionRunning, 0);
  EXPECT_EQ(d.CountPixels(0, 0, 1280, 720, [&](uint32_t c) { return !IsBlue(c); }), 0);
}

TEST_F(TransitionTest, SnapshotsOfAnotherSizeDrawNoBandAndStillEnd) {
  StartRedToBlue();
  transitionNewPicture.Create(640, 360, 16);
  d.RunFor(1000, 16);
  // The presents run (the band's rows show the buffer as the scene left
  // it), but nothing is brightened or taken from the snapshots.
  EXPECT_EQ(d.CountPixels(0, 0, 1280, 720, [&](uint32_t c) { return !IsRed(c) && !IsBlue(c); }), 0);
  d.RunFor(1100, 16);
  EXPECT_EQ(transition.transitionRunning, 0);
}

TEST(Splash, LeavesForTheMenuAfterFiveSecondsWithoutInput) {
  GameDriver d;
  d.Prepare();
  ASSERT_EQ(d.StartUp(), std::nullopt);
  // A frame without a scene takes the start-up messages (and their paints).
  program.sceneNumber = kSceneNone;
  d.Frame();
  program.sceneNumber = kSceneSplash;
  const int presentsBefore = d.Window()->PresentCount();
  d.Frame();
  // The first frame hands its picture to the transition, presenting nothing.
  EXPECT_EQ(transition.transitionRunning, 1);
  EXPECT_EQ(d.Window()->PresentCount(), presentsBefore);
  EXPECT_EQ(program.previousScene, kSceneSplash);
  d.RunFor(2100);
  EXPECT_EQ(transition.transitionRunning, 0);
  EXPECT_EQ(d.PresentedAt(640, 360), Through555(vantrel::test::kSplashColour));
  EXPECT_EQ(program.sceneNumber, kSceneSplash);
  const uint32_t start = splashScreen.splashStartMs;
  d.RunFor(2700);
  EXPECT_EQ(program.sceneNumber, kSceneSplash);
  EXPECT_EQ(splashScreen.splashStartMs, start);  // no second entry
  d.RunFor(300);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
}

TEST(Splash, AClickDuringTheTransitionIsDroppedATypedCharacterIsKept) {
  {
    GameDriver d;
    d.Prepare();
    ASSERT_EQ(d.StartUp(), std::nullopt);
    d.Frame();
    d.Click(100, 100);
    d.RunFor(2100);
    EXPECT_EQ(transition.transitionRunning, 0);
    EXPECT_EQ(program.sceneNumber, kSceneSplash);
    d.Click(100, 100);
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kSceneOptions);
  }
  {
    GameDriver d;
    d.Prepare();
    ASSERT_EQ(d.StartUp(), std::nullopt);
    d.Frame();
    d.Type("x");
    d.RunUntil([] { return transition.transitionRunning == 0; }, 2500);
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kSceneOptions);
  }
  {
    GameDriver d;
    d.Prepare();
    ASSERT_EQ(d.StartUp(), std::nullopt);
    d.Frame();
    d.RunFor(2100);
    d.Key(plat::kKeyEscape);  // a key arrives as its character too
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kSceneOptions);
  }
}

TEST(ExitPicture, AClickEndsTheGameWithResultZeroAndTheSettingsWritten) {
  GameDriver d;
  d.Prepare();
  ASSERT_EQ(d.StartUp(), std::nullopt);
  program.sceneNumber = kSceneExit;
  d.Frame();
  EXPECT_EQ(transition.transitionRunning, 1);
  plat::seal::ModuleInfo module;
  plat::seal::GetModuleInfo(&module);
  EXPECT_NE(module.playing, nullptr);
  d.RunUntil([] { return transition.transitionRunning == 0; }, 2500);
  d.Frame();
  EXPECT_EQ(d.PresentedAt(640, 360), Through555(vantrel::test::kExitColour));
  plat::seal::GetModuleInfo(&module);
  EXPECT_EQ(module.volume, 40u);
  d.Click(640, 360);
  d.RunFor(100);
  EXPECT_FALSE(d.Running());
  EXPECT_EQ(d.Finish(), 0);
  EXPECT_EQ(d.StoredSetting("ShowScores"), 1);
}

TEST(ExitPicture, WithoutItsPictureTheSplashStandsIn) {
  GameDriver d;
  DriverOptions options;
  options.pack.omit.insert("Pictures/ExitScreen.png");
  d.Prepare(options);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  EXPECT_TRUE(d.Boxes().empty());
  program.sceneNumber = kSceneExit;
  d.RunFor(2200);
  d.Frame();
  EXPECT_EQ(d.PresentedAt(640, 360), Through555(vantrel::test::kSplashColour));
  d.Finish();
}

}  // namespace
