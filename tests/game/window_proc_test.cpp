// The window procedure: keys by scene, function keys, focus and minimising,
// the mouse and its coordinates, the wheel, the two typed codes and the
// classic-textures reload, through direct calls and through the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/support/game_driver.h"
#include "game/window_proc.h"
#include "graphics/display.h"
#include "platform/seal/seal.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"

using vantrel::test::DriverOptions;
using vantrel::test::GameDriver;

namespace {

class WindowProcTest : public ::testing::Test {
 protected:
  void Start(const DriverOptions& options = {}) {
    d.Prepare(options);
    ASSERT_EQ(d.StartUp(), std::nullopt);
    d.Frame();
  }
  intptr_t Send(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return MainWndProc(windowHandle, message, wParam, lParam);
  }
  GameDriver d;
};

TEST_F(WindowProcTest, EscapeByScene) {
  Start();
  struct Case {
    int32_t scene;
    int32_t sceneAfter;
    bool input;
    bool pauses;
  } cases[] = {{3, 2, false, false}, {4, 4, false, true}, {1, 1, true, false},
               {5, 5, true, false},  {7, 7, true, false}, {6, 6, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scene);
    sceneNumber = c.scene;
    anyInputThisFrame = 0;
    paused = 0;
    transitionRunning = 0;
    Send(plat::kMsgKeyDown, plat::kKeyEscape);
    EXPECT_EQ(sceneNumber, c.sceneAfter);
    EXPECT_EQ(anyInputThisFrame, c.input ? 1 : 0);
    EXPECT_EQ(paused, c.pauses ? 1 : 0);
    EXPECT_EQ(d.Windows().QueueLength(), 0u);
  }
  for (int32_t scene : {2, 8}) {
    SCOPED_TRACE(scene);
    sceneNumber = scene;
    Send(plat::kMsgKeyDown, plat::kKeyEscape);
    plat::Message m;
    ASSERT_TRUE(d.Windows().PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::kMsgClose);
  }
}

TEST_F(WindowProcTest, EscapeInTheMainMenuEndsTheGame) {
  Start();
  sceneNumber = 2;
  d.Key(plat::kKeyEscape);
  d.RunFor(100);
  EXPECT_FALSE(d.Running());
  EXPECT_EQ(d.Loop().result, 0);
}

TEST_F(WindowProcTest, PauseKeysAndFocus) {
  Start();
  sceneNumber = 4;
  transitionRunning = 0;
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(paused, 1);
  EXPECT_EQ(pauseKeyReleased, 0);
  Send(plat::kMsgKeyDown, 'P');  // still held: no resume
  EXPECT_EQ(paused, 1);
  Send(plat::kMsgKeyUp, 'P');
  EXPECT_EQ(pauseKeyReleased, 1);
  statusLine1 = "x";
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(paused, 0);
  EXPECT_TRUE(statusLine1.empty());
  EXPECT_EQ(settingsChanged, 1);

  // F7 in play pauses with resume allowed.
  Send(plat::kMsgKeyDown, plat::kKeyF1 + 6);
  EXPECT_EQ(paused, 1);
  EXPECT_EQ(pauseKeyReleased, 1);
  EXPECT_EQ(fullScreenTogglePending, 1);
  fullScreenTogglePending = 0;
  paused = 0;

  // Focus lost in play pauses, resume allowed; the cursor shows again.
  Send(plat::kMsgActivateApp, 0);
  EXPECT_EQ(appActive, 0);
  EXPECT_EQ(paused, 1);
  EXPECT_EQ(pauseKeyReleased, 1);
  EXPECT_TRUE(d.Windows().CursorShown());
  Send(plat::kMsgActivateApp, 1);
  EXPECT_FALSE(d.Windows().CursorShown());

  // Not in play, or during a transition: no pause.
  paused = 0;
  sceneNumber = 2;
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(paused, 0);
  sceneNumber = 4;
  transitionRunning = 1;
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(paused, 0);
}

TEST_F(WindowProcTest, MaximisingAWindowSwitchesToFullScreenOnce) {
  Start();
  ASSERT_EQ(fullScreen, 0);
  d.Maximise();
  d.Frame();
  d.Frame();
  EXPECT_EQ(fullScreen, 1);
  EXPECT_EQ(d.Window()->Style(), plat::WindowStyle::kFullScreen);
  d.RunFor(100);
  EXPECT_EQ(fullScreenTogglePending, 0);
  EXPECT_EQ(fullScreen, 1);
}

TEST_F(WindowProcTest, MinimiseClosesTheSoundDeviceAndRestoreOpensIt) {
  Start();
  ASSERT_TRUE(plat::seal::GetCounts().deviceOpen);
  d.Minimise();
  d.Frame();
  EXPECT_FALSE(plat::seal::GetCounts().deviceOpen);
  d.Restore();
  d.Frame();
  d.Frame();
  EXPECT_TRUE(plat::seal::GetCounts().deviceOpen);
  EXPECT_EQ(PlayMusic(0), 1);
  plat::seal::ModuleInfo module;
  plat::seal::GetModuleInfo(&module);
  EXPECT_EQ(module.volume, 40u);
}

TEST_F(WindowProcTest, WheelMovesTheListsOfItsScenes) {
  Start();
  sceneNumber = 3;
  d.Wheel(-2);
  d.Wheel(1);
  d.Frame();
  EXPECT_EQ(boardSelectIndex, 1);
  sceneNumber = 6;
  d.Wheel(-3);
  d.Frame();
  EXPECT_EQ(charmScroll, 3);
  sceneNumber = 2;
  d.Wheel(5);
  d.Frame();
  EXPECT_EQ(charmScroll, 3);
  EXPECT_EQ(boardSelectIndex, 1);
}

TEST_F(WindowProcTest, ResetCodeWipesStatsOnceAndNotDuringNameEntry) {
  Start();
  d.RunFor(200);  // the stats arrive
  sceneNumber = 2;
  plat::steam::fake::ClearCallLog();
  auto resets = [] {
    const auto& log = plat::steam::fake::CallLog();
    return std::count_if(log.begin(), log.end(),
                         [](const std::string& line) { return line.rfind("ResetAllStats", 0) == 0; });
  };
  d.Type("TAMBLE");
  d.Frame();
  EXPECT_EQ(resets(), 1);
  // The name entry: the buffer still reads "tamble", and stays so.
  sceneNumber = 5;
  d.Type("BOB");
  d.Frame();
  EXPECT_EQ(resets(), 1);
  EXPECT_STREQ(typedCodeBuffer.Text(), "TAMBLE");
}

TEST_F(WindowProcTest, HiddenModeOnlyInSinglePlayerPlay) {
  Start();
  std::vector<std::pair<int32_t, int32_t>> sounds;  // sample, frequency
  std::vector<float> xs;
  SetPlaySoundObserver([&](int32_t sample, float x, int32_t frequency, int32_t) {
    sounds.push_back({sample, frequency});
    xs.push_back(x);
  });
  sceneNumber = 2;
  d.Type("vorpex");
  d.Frame();
  EXPECT_EQ(cheatMode, 0);
  sceneNumber = 4;
  playerCount = 2;
  d.Type("vorpex");
  d.Frame();
  EXPECT_EQ(cheatMode, 0);
  playerCount = 1;
  sounds.clear();
  d.Type("VorPex");
  d.Frame();
  EXPECT_EQ(cheatMode, 1);
  ASSERT_EQ(sounds.size(), 2u);
  EXPECT_EQ(sounds[0].first, 12);
  EXPECT_EQ(sounds[0].second, int32_t(soundSystem.GetSampleRate(12) * 0.98));
  EXPECT_FLOAT_EQ(xs[0], 0.0f);
  EXPECT_EQ(sounds[1].first, 12);
  EXPECT_FLOAT_EQ(xs[1], 1280.0f);
  // A seventh character shifts the buffer: only the last six count.
  d.Type("q");
  d.Frame();
  EXPECT_STREQ(typedCodeBuffer.Text(), "orPexq");
  SetPlaySoundObserver(nullptr);
}

TEST_F(WindowProcTest, TypedCharactersMarkInputOutsideSinglePlayerPlay) {
  Start();
  sceneNumber = 2;
  Send(plat::kMsgChar, 'a');
  EXPECT_EQ(anyInputThisFrame, 1);
  EXPECT_EQ(lastTypedChar, 'a');
  anyInputThisFrame = 0;
  Send(plat::kMsgChar, 27);
  EXPECT_EQ(anyInputThisFrame, 0);
  sceneNumber = 4;
  Send(plat::kMsgChar, 'b');
  EXPECT_EQ(anyInputThisFrame, 0);
}

TEST_F(WindowProcTest, MouseCoordinatesThroughTheFit) {
  DriverOptions options;
  options.configCfg.reset();  // full screen: the 1920 x 1080 screen
  options.storedSettings = {{"FullScreen", 1}};
  Start(options);
  ASSERT_EQ(fullScreen, 1);
  Send(plat::kMsgMouseMove, 0, plat::MakeLParam(960, 540));
  EXPECT_EQ(mouseX, 640);
  EXPECT_EQ(mouseY, 360);
  // A drag above the window (negative client y) stays at the top.
  Send(plat::kMsgMouseMove, plat::kButtonLeft, plat::MakeLParam(300, -20));
  EXPECT_EQ(mouseY, 0);
  EXPECT_EQ(mouseX, 200);
}

TEST_F(WindowProcTest, AClickOnTheLetterboxBarIsAtTheEdge) {
  DriverOptions options;
  options.configCfg.reset();
  options.storedSettings = {{"FullScreen", 1}};
  d.Windows().SetScreenSize(2560, 1080);
  Start(options);
  ASSERT_EQ(fullScreen, 1);
  Send(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(100, 540));
  EXPECT_EQ(mouseX, 0);
  EXPECT_EQ(mouseY, 360);
  EXPECT_EQ(mouseButtonDown, 1);
  EXPECT_EQ(anyInputThisFrame, 1);
  Send(plat::kMsgLButtonUp, 0, plat::MakeLParam(100, 540));
  EXPECT_EQ(mouseButtonDown, 0);
}

TEST_F(WindowProcTest, PaddleButtonAndFence) {
  Start();
  std::vector<int32_t> samples;
  SetPlaySoundObserver([&](int32_t sample, float, int32_t, int32_t) { samples.push_back(sample); });
  sceneNumber = 4;
  playfieldLeft = 200;
  const size_t before = d.Windows().CursorCalls().size();
  d.MoveMouse(100, 300);
  d.Frame();
  const auto& calls = d.Windows().CursorCalls();
  bool warped = false;
  for (size_t i = before; i < calls.size(); ++i)
    if (calls[i].kind == plat::headless::CursorCall::kWarp) {
      int32_t x = 200, y = 0;
      TheDisplay().BufferToClient(&x, &y);
      EXPECT_EQ(calls[i].x, x);
      warped = true;
    }
  EXPECT_TRUE(warped);

  // The play scene starts with the ball held on the paddle; the paddle is
  // free to sink only once nothing holds it.
  heldFrames = catchOn = laserOn = paused = 0;
  Send(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(640, 300));
  EXPECT_EQ(paddleButtonHeld, 1);
  ASSERT_FALSE(samples.empty());
  EXPECT_EQ(samples.back(), 26);
  Send(plat::kMsgLButtonUp, 0, plat::MakeLParam(640, 300));
  EXPECT_EQ(paddleButtonHeld, 0);
  classicRules = 1;
  Send(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(640, 300));
  EXPECT_EQ(paddleButtonHeld, 0);
  SetPlaySoundObserver(nullptr);
}

TEST(WindowProc, ClassicTexturesOfAnotherSignatureAreRevertedAndReloaded) {
  for (bool plainMissing : {false, true}) {
    SCOPED_TRACE(plainMissing);
    GameDriver local;
    DriverOptions options;
    if (plainMissing) options.pack.omit.insert("Boards/Bricks.img");
    local.Prepare(options);
    ASSERT_EQ(local.StartUp(), std::nullopt);
    local.Frame();
    ASSERT_NE(dataFiles.Open(dataFiles.FindFile("Castle.bdz", true, true)), nullptr);
    ASSERT_NO_THROW(boardSet.Load(dataFiles, false, ""));
    dataFiles.Close();
    boardSet.LoadImageSets(dataFiles, true);
    sceneNumber = 4;
    EXPECT_NO_THROW(MainWndProc(windowHandle, plat::kMsgKeyDown, plat::kKeyF1 + 7, 0));
    EXPECT_EQ(classicTextures, 0);
    EXPECT_EQ(boardSet.bricks.pixels != nullptr, !plainMissing);
    EXPECT_EQ(settingsChanged, 1);
    EXPECT_EQ(backgroundDirty, 1);
    if (plainMissing) {
      EXPECT_NE(local.DebugText().find("could not be loaded again"), std::string::npos);
    }
    local.Finish();
  }
}

}  // namespace
