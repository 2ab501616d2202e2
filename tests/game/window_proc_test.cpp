// The window procedure: keys by scene, function keys, focus and minimising,
// the mouse and its coordinates, the wheel, the two typed codes and the
// classic-textures reload, through direct calls and through the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/charm_collection.h"
#include "game/scenes/options.h"
#include "game/scenes/transition.h"
#include "game/support/game_driver.h"
#include "game/support/option_globals.h"
#include "game/support/play_harness.h"
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
    return MainWndProc(program.windowHandle, message, wParam, lParam);
  }
  GameDriver d;
};

TEST_F(WindowProcTest, EscapeByScene) {
  Start();
  struct Case {
    Scene scene;
    Scene sceneAfter;
    bool input;
    bool pauses;
  } cases[] = {{kSceneBoardSetSelect, kSceneOptions, false, false},
               {kScenePlay, kScenePlay, false, true},
               {kSceneTitle, kSceneTitle, true, false},
               {kSceneHighScores, kSceneHighScores, true, false},
               {kSceneCompleted, kSceneCompleted, true, false},
               {kSceneCharms, kSceneCharms, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scene);
    program.sceneNumber = c.scene;
    input.anyInputThisFrame = 0;
    play.board.paused = 0;
    transition.transitionRunning = 0;
    Send(plat::kMsgKeyDown, plat::kKeyEscape);
    EXPECT_EQ(program.sceneNumber, c.sceneAfter);
    EXPECT_EQ(input.anyInputThisFrame, c.input ? 1 : 0);
    EXPECT_EQ(play.board.paused, c.pauses ? 1 : 0);
    EXPECT_EQ(d.Windows().QueueLength(), 0u);
  }
  for (Scene scene : {kSceneOptions, kSceneExit}) {
    SCOPED_TRACE(scene);
    program.sceneNumber = scene;
    Send(plat::kMsgKeyDown, plat::kKeyEscape);
    plat::Message m;
    ASSERT_TRUE(d.Windows().PeekMessage(&m, true));
    EXPECT_EQ(m.message, plat::kMsgClose);
  }
}

TEST_F(WindowProcTest, EscapeInTheMainMenuEndsTheGame) {
  Start();
  program.sceneNumber = kSceneOptions;
  d.Key(plat::kKeyEscape);
  d.RunFor(100);
  EXPECT_FALSE(d.Running());
  EXPECT_EQ(d.Loop().result, 0);
}

TEST_F(WindowProcTest, PauseKeysAndFocus) {
  Start();
  program.sceneNumber = kScenePlay;
  transition.transitionRunning = 0;
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(play.board.paused, 1);
  EXPECT_EQ(input.pauseKeyReleased, 0);
  Send(plat::kMsgKeyDown, 'P');  // still held: no resume
  EXPECT_EQ(play.board.paused, 1);
  Send(plat::kMsgKeyUp, 'P');
  EXPECT_EQ(input.pauseKeyReleased, 1);
  play.statusLine1 = "x";
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(play.board.paused, 0);
  EXPECT_TRUE(play.statusLine1.empty());
  EXPECT_EQ(input.settingsChanged, 1);

  // F7 in play pauses with resume allowed.
  Send(plat::kMsgKeyDown, plat::kKeyF1 + 6);
  EXPECT_EQ(play.board.paused, 1);
  EXPECT_EQ(input.pauseKeyReleased, 1);
  EXPECT_EQ(program.fullScreenTogglePending, 1);
  program.fullScreenTogglePending = 0;
  play.board.paused = 0;

  // Focus lost in play pauses, resume allowed; the cursor shows again.
  Send(plat::kMsgActivateApp, 0);
  EXPECT_EQ(program.appActive, 0);
  EXPECT_EQ(play.board.paused, 1);
  EXPECT_EQ(input.pauseKeyReleased, 1);
  EXPECT_TRUE(d.Windows().CursorShown());
  Send(plat::kMsgActivateApp, 1);
  EXPECT_FALSE(d.Windows().CursorShown());

  // Not in play, or during a transition: no pause.
  play.board.paused = 0;
  program.sceneNumber = kSceneOptions;
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(play.board.paused, 0);
  program.sceneNumber = kScenePlay;
  transition.transitionRunning = 1;
  Send(plat::kMsgKeyDown, 'P');
  EXPECT_EQ(play.board.paused, 0);
}

TEST_F(WindowProcTest, MaximisingAWindowSwitchesToFullScreenOnce) {
  Start();
  ASSERT_EQ(settings.fullScreen, 0);
  d.Maximise();
  d.Frame();
  d.Frame();
  EXPECT_EQ(settings.fullScreen, 1);
  EXPECT_EQ(d.Window()->Style(), plat::WindowStyle::kFullScreen);
  d.RunFor(100);
  EXPECT_EQ(program.fullScreenTogglePending, 0);
  EXPECT_EQ(settings.fullScreen, 1);
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
  program.sceneNumber = kSceneBoardSetSelect;
  d.Wheel(-2);
  d.Wheel(1);
  d.Frame();
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 1);
  program.sceneNumber = kSceneCharms;
  d.Wheel(-3);
  d.Frame();
  EXPECT_EQ(charmScreen.charmScroll, 3);
  program.sceneNumber = kSceneOptions;
  d.Wheel(5);
  d.Frame();
  EXPECT_EQ(charmScreen.charmScroll, 3);
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 1);
}

TEST_F(WindowProcTest, ResetCodeWipesStatsOnceAndNotDuringNameEntry) {
  Start();
  d.RunFor(200);  // the stats arrive
  program.sceneNumber = kSceneOptions;
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
  program.sceneNumber = kSceneHighScores;
  d.Type("BOB");
  d.Frame();
  EXPECT_EQ(resets(), 1);
  EXPECT_STREQ(input.typedCodeBuffer.Text(), "TAMBLE");
}

TEST_F(WindowProcTest, HiddenModeOnlyInSinglePlayerPlay) {
  Start();
  std::vector<std::pair<SoundEffect, int32_t>> sounds;  // sample, frequency
  std::vector<float> xs;
  SetPlaySoundObserver([&](SoundEffect sample, float x, int32_t frequency, int32_t) {
    sounds.push_back({sample, frequency});
    xs.push_back(x);
  });
  program.sceneNumber = kSceneOptions;
  d.Type("vorpex");
  d.Frame();
  EXPECT_EQ(settings.cheatMode, 0);
  program.sceneNumber = kScenePlay;
  optionsScreen.playerCount = 2;
  d.Type("vorpex");
  d.Frame();
  EXPECT_EQ(settings.cheatMode, 0);
  optionsScreen.playerCount = 1;
  sounds.clear();
  d.Type("VorPex");
  d.Frame();
  EXPECT_EQ(settings.cheatMode, 1);
  ASSERT_EQ(sounds.size(), 2u);
  EXPECT_EQ(sounds[0].first, kSoundFanfare);
  EXPECT_EQ(sounds[0].second, int32_t(soundSystem.GetSampleRate(kSoundFanfare) * 0.98));
  EXPECT_FLOAT_EQ(xs[0], 0.0f);
  EXPECT_EQ(sounds[1].first, kSoundFanfare);
  EXPECT_FLOAT_EQ(xs[1], 1280.0f);
  // A seventh character shifts the buffer: only the last six count.
  d.Type("q");
  d.Frame();
  EXPECT_STREQ(input.typedCodeBuffer.Text(), "orPexq");
  SetPlaySoundObserver(nullptr);
}

TEST_F(WindowProcTest, TypedCharactersMarkInputOutsideSinglePlayerPlay) {
  Start();
  program.sceneNumber = kSceneOptions;
  Send(plat::kMsgChar, 'a');
  EXPECT_EQ(input.anyInputThisFrame, 1);
  EXPECT_EQ(input.lastTypedChar, 'a');
  input.anyInputThisFrame = 0;
  Send(plat::kMsgChar, 27);
  EXPECT_EQ(input.anyInputThisFrame, 0);
  program.sceneNumber = kScenePlay;
  Send(plat::kMsgChar, 'b');
  EXPECT_EQ(input.anyInputThisFrame, 0);
}

TEST_F(WindowProcTest, MouseCoordinatesThroughTheFit) {
  DriverOptions options;
  options.configCfg.reset();  // full screen: the 1920 x 1080 screen
  options.storedSettings = {{"FullScreen", 1}};
  Start(options);
  ASSERT_EQ(settings.fullScreen, 1);
  Send(plat::kMsgMouseMove, 0, plat::MakeLParam(960, 540));
  EXPECT_EQ(input.mouseX, 640);
  EXPECT_EQ(input.mouseY, 360);
  // A drag above the window (negative client y) stays at the top.
  Send(plat::kMsgMouseMove, plat::kButtonLeft, plat::MakeLParam(300, -20));
  EXPECT_EQ(input.mouseY, 0);
  EXPECT_EQ(input.mouseX, 200);
}

TEST_F(WindowProcTest, AClickOnTheLetterboxBarIsAtTheEdge) {
  DriverOptions options;
  options.configCfg.reset();
  options.storedSettings = {{"FullScreen", 1}};
  d.Windows().SetScreenSize(2560, 1080);
  Start(options);
  ASSERT_EQ(settings.fullScreen, 1);
  Send(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(100, 540));
  EXPECT_EQ(input.mouseX, 0);
  EXPECT_EQ(input.mouseY, 360);
  EXPECT_EQ(input.mouseButtonDown, 1);
  EXPECT_EQ(input.anyInputThisFrame, 1);
  Send(plat::kMsgLButtonUp, 0, plat::MakeLParam(100, 540));
  EXPECT_EQ(input.mouseButtonDown, 0);
}

TEST_F(WindowProcTest, PaddleButtonAndFence) {
  Start();
  std::vector<SoundEffect> samples;
  SetPlaySoundObserver([&](SoundEffect sample, float, int32_t, int32_t) { samples.push_back(sample); });
  program.sceneNumber = kScenePlay;
  play.playfieldLeft = 200;
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
  play.board.heldFrames = play.board.catchOn = play.board.laserOn = play.board.paused = 0;
  Send(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(640, 300));
  EXPECT_EQ(input.paddleButtonHeld, 1);
  ASSERT_FALSE(samples.empty());
  EXPECT_EQ(samples.back(), kSoundWhoosh);
  Send(plat::kMsgLButtonUp, 0, plat::MakeLParam(640, 300));
  EXPECT_EQ(input.paddleButtonHeld, 0);
  settings.classicRules = 1;
  Send(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(640, 300));
  EXPECT_EQ(input.paddleButtonHeld, 0);
  SetPlaySoundObserver(nullptr);
}

TEST(WindowProc, FunctionKeysInTheMenuAndDuringAGame) {
  // A game of the fixture pack's Castle set runs; the menu cases only switch
  // the scene over. The pack's classic bricks have another signature, so
  // in play the textures key ends on the plain pictures.
  vantrel::test::PlayHarness h;
  h.Begin();
  // Put back at the end: the settings the game writes at its end are read
  // by the later tests of this program.
  const auto start = vantrel::test::ReadOptionGlobals();
  enum Where { kMenu, kPlay, kPausedPlay, kPlayInTransition };
  const char* const kWhereNames[] = {"in the menu", "in play", "in paused play", "in play during a transition"};
  constexpr const char* kOff = "players=1 pauseClickX=5";
  constexpr const char* kOn =
      "players=4 kidMode=1 classicRules=1 communityBoards=1 fullScreen=1 backgroundStyle=2 classicTextures=1 "
      "showScores=1 useInGameMods=1 swapStereo=1 soundSwapStereo=1 pauseClickX=5";
  const uint32_t f1 = plat::kKeyF1, f2 = plat::kKeyF2, f5 = plat::kKeyF5, f6 = plat::kKeyF6, f7 = plat::kKeyF7,
                 f8 = plat::kKeyF8, f9 = plat::kKeyF9, f12 = plat::kKeyF12;
  struct Case {
    Where where;
    const char* from;
    uint32_t key;
    const char* changed;
  } cases[] = {
      {kMenu, kOff, f1, "backgroundStyle=1 backgroundDirty=1 settingsChanged=1"},
      {kMenu, kOff, f2, ""},
      {kMenu, kOff, f5, "useInGameMods=1 settingsChanged=1"},
      {kMenu, kOff, f6, "swapStereo=1 soundSwapStereo=1 settingsChanged=1"},
      {kMenu, kOff, f7, "fullScreenTogglePending=1 settingsChanged=1"},
      {kMenu, kOff, f8, "classicTextures=1 backgroundDirty=1 settingsChanged=1 pauseKeyReleased=1"},
      {kMenu, kOff, f9, "showScores=1 settingsChanged=1"},
      {kMenu, kOff, f12, ""},
      {kMenu, kOn, f1, "backgroundStyle=0 backgroundDirty=1 settingsChanged=1"},
      {kMenu, kOn, f5, "useInGameMods=0 settingsChanged=1"},
      {kMenu, kOn, f6, "swapStereo=0 soundSwapStereo=0 settingsChanged=1"},
      {kMenu, kOn, f7, "fullScreenTogglePending=1 settingsChanged=1"},
      {kMenu, kOn, f8, "classicTextures=0 backgroundDirty=1 settingsChanged=1 pauseKeyReleased=1"},
      {kMenu, kOn, f9, "showScores=0 settingsChanged=1"},
      {kMenu, "players=1 backgroundStyle=3", f1, "backgroundStyle=0 backgroundDirty=1 settingsChanged=1"},
      {kMenu, "players=1 backgroundStyle=-1", f1, "backgroundStyle=0 backgroundDirty=1 settingsChanged=1"},
      {kPlay, kOff, f1, "backgroundStyle=1 backgroundDirty=1 settingsChanged=1"},
      {kPlay, kOff, f2, ""},
      {kPlay, kOff, f5, "useInGameMods=1 settingsChanged=1"},
      {kPlay, kOff, f6, "swapStereo=1 soundSwapStereo=1 settingsChanged=1"},
      {kPlay, kOff, f7, "fullScreenTogglePending=1 settingsChanged=1 paused=1 pauseKeyReleased=1"},
      {kPlay, kOff, f8, "backgroundDirty=1 settingsChanged=1 paused=1 pauseKeyReleased=1 pauseClickX=-1"},
      {kPlay, kOff, f9, "showScores=1 settingsChanged=1"},
      {kPlay, kOff, f12, ""},
      {kPlay, kOn, f8,
       "classicTextures=0 backgroundDirty=1 settingsChanged=1 paused=1 pauseKeyReleased=1 pauseClickX=-1"},
      {kPausedPlay, kOff, f1, "backgroundStyle=1 backgroundDirty=1 settingsChanged=1"},
      {kPausedPlay, kOff, f5, "useInGameMods=1 settingsChanged=1"},
      {kPausedPlay, kOff, f6, "swapStereo=1 soundSwapStereo=1 settingsChanged=1"},
      {kPausedPlay, kOff, f7, "fullScreenTogglePending=1 settingsChanged=1"},
      {kPausedPlay, kOff, f8, "backgroundDirty=1 settingsChanged=1"},
      {kPausedPlay, kOff, f9, "showScores=1 settingsChanged=1"},
      {kPlayInTransition, kOff, f1, "backgroundStyle=1 backgroundDirty=1 settingsChanged=1"},
      {kPlayInTransition, kOff, f5, "useInGameMods=1 settingsChanged=1"},
      {kPlayInTransition, kOff, f6, "swapStereo=1 soundSwapStereo=1 settingsChanged=1"},
      {kPlayInTransition, kOff, f7, "fullScreenTogglePending=1 settingsChanged=1"},
      {kPlayInTransition, kOff, f8, "backgroundDirty=1 settingsChanged=1 pauseKeyReleased=1"},
      {kPlayInTransition, kOff, f9, "showScores=1 settingsChanged=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "F" << c.key - plat::kKeyF1 + 1 << " " << kWhereNames[c.where] << " from "
                                    << c.from);
    program.sceneNumber = c.where == kMenu ? kSceneOptions : kScenePlay;
    transition.transitionRunning = c.where == kPlayInTransition ? 1 : 0;
    vantrel::test::PutOptionGlobals(std::string(c.from) + (c.where == kPausedPlay ? " paused=1" : ""));
    const auto before = vantrel::test::ReadOptionGlobals();
    MainWndProc(program.windowHandle, plat::kMsgKeyDown, c.key, 0);
    EXPECT_EQ(vantrel::test::ChangedOptionGlobals(before), c.changed);
    if (c.where != kMenu && c.key == f8) {
      EXPECT_NE(boardSet.bricks.pixels, nullptr);
    }
  }
  transition.transitionRunning = 0;
  vantrel::test::WriteOptionGlobals(start);
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
    program.sceneNumber = kScenePlay;
    EXPECT_NO_THROW(MainWndProc(program.windowHandle, plat::kMsgKeyDown, plat::kKeyF1 + 7, 0));
    EXPECT_EQ(settings.classicTextures, 0);
    EXPECT_EQ(boardSet.bricks.pixels != nullptr, !plainMissing);
    EXPECT_EQ(input.settingsChanged, 1);
    EXPECT_EQ(program.backgroundDirty, 1);
    if (plainMissing) {
      EXPECT_NE(local.DebugText().find("could not be loaded again"), std::string::npos);
    }
    local.Finish();
  }
}

}  // namespace
