// The main menu over the test driver: every option line, the buttons and
// what opens the selection, the hovered line, the version text, the menu
// music, the burning logo band and the pointer over a full redraw.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "audio/sound_bank.h"
#include "game/play/play_state.h"
#include "game/scenes/transition.h"
#include "game/support/front_end_support.h"
#include "game/support/option_globals.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/options.h"
#include "platform/seal/seal.h"
#include "platform/version.h"
#include "platform/window.h"

using vantrel::test::FrontEndTest;

namespace {

// The middle of option line k, and of the menu buttons.
int32_t LineY(int32_t k) { return kOptionLineY + kOptionLinePitch * k + 8; }
constexpr int32_t kLineX = 850;
constexpr int32_t kPlayX = 300, kPlayY = 360, kCreditsX = 567, kCreditsY = 360;
constexpr int32_t kCharmsX = 300, kCharmsY = 450, kExitX = 567, kExitY = 450;

// The presented pixels of a rectangle, row by row.
std::vector<uint32_t> Grab(const vantrel::test::GameDriver& d, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  std::vector<uint32_t> out;
  for (int32_t y = y0; y < y1; ++y)
    for (int32_t x = x0; x < x1; ++x) out.push_back(d.PresentedAt(x, y));
  return out;
}

}  // namespace

// Settings for the tables below: everything off, everything on, and values
// a settings file can hold that no click makes.
constexpr const char* kAllOff = "players=1";
constexpr const char* kAllOn =
    "players=4 kidMode=1 classicRules=1 communityBoards=1 fullScreen=1 backgroundStyle=2 classicTextures=1 "
    "showScores=1 useInGameMods=1 swapStereo=1 soundSwapStereo=1";
constexpr const char* kOdd =
    "players=0 kidMode=5 classicRules=-3 communityBoards=2 fullScreen=-1 backgroundStyle=3 classicTextures=9 "
    "showScores=-1 useInGameMods=4 swapStereo=6 fullScreenTogglePending=7";

TEST_F(FrontEndTest, EveryOptionLineReadsItsSettings) {
  Start();
  struct Case {
    const char* settings;
    std::vector<std::string> lines;
  } cases[] = {
      {kAllOff,
       {"Players:  1", "Difficulty:  Normal", "Orvesse Ed. Features:  Enabled", "Community Boardsets:  Disabled", "",
        "Display:  Windowed (F7)", "Backgrounds:  Textured (F1)", "Classic Textures:  Disabled (F8)",
        "Floating Scores:  Disabled (F9)", "", "In-game Music:  Disabled (F5)", "Stereo Mode:  Normal (F6)"}},
      {kAllOn,
       {"Players:  4", "Difficulty:  Kid-Mode", "Orvesse Ed. Features:  Disabled", "Community Boardsets:  Enabled", "",
        "Display:  Fullscreen (F7)", "Backgrounds:  Black (F1)", "Classic Textures:  Enabled (F8)",
        "Floating Scores:  Enabled (F9)", "", "In-game Music:  Enabled (F5)", "Stereo Mode:  Left/Right Swapped (F6)"}},
      {"players=3 backgroundStyle=1",
       {"Players:  3", "Difficulty:  Normal", "Orvesse Ed. Features:  Enabled", "Community Boardsets:  Disabled", "",
        "Display:  Windowed (F7)", "Backgrounds:  Half-Bright (F1)", "Classic Textures:  Disabled (F8)",
        "Floating Scores:  Disabled (F9)", "", "In-game Music:  Disabled (F5)", "Stereo Mode:  Normal (F6)"}},
      {kOdd,
       {"Players:  0", "Difficulty:  Kid-Mode", "Orvesse Ed. Features:  Disabled", "Community Boardsets:  Enabled", "",
        "Display:  Fullscreen (F7)", "Backgrounds:  Textured (F1)", "Classic Textures:  Enabled (F8)",
        "Floating Scores:  Enabled (F9)", "", "In-game Music:  Enabled (F5)", "Stereo Mode:  Left/Right Swapped (F6)"}},
      {"players=12 backgroundStyle=-1",
       {"Players:  12", "Difficulty:  Normal", "Orvesse Ed. Features:  Enabled", "Community Boardsets:  Disabled", "",
        "Display:  Windowed (F7)", "Backgrounds:  Textured (F1)", "Classic Textures:  Disabled (F8)",
        "Floating Scores:  Disabled (F9)", "", "In-game Music:  Disabled (F5)", "Stereo Mode:  Normal (F6)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    vantrel::test::PutOptionGlobals(c.settings);
    std::vector<std::string> lines;
    for (int32_t k = 0; k < kOptionLineCount; ++k) lines.push_back(OptionLineText(k));
    EXPECT_EQ(lines, c.lines);
    for (int32_t k : {-1, kOptionLineCount, 100}) EXPECT_EQ(OptionLineText(k), "") << k;
  }
}

TEST_F(FrontEndTest, EveryOptionClickChangesItsSettingOnly) {
  Start();
  // What a click on line k changes, from each of the three settings above;
  // a line that takes no click changes nothing.
  struct Case {
    int32_t k;
    bool taken;
    const char* fromOff;
    const char* fromOn;
    const char* fromOdd;
  } cases[] = {
      {-1, false, "", "", ""},
      {0, true, "players=2", "players=1", "players=1"},
      {1, true, "kidMode=1", "kidMode=0", "kidMode=0"},
      {2, true, "classicRules=1", "classicRules=0", "classicRules=0"},
      {3, true, "communityBoards=1", "communityBoards=0", "communityBoards=0"},
      {4, false, "", "", ""},
      {5, true, "fullScreenTogglePending=1", "fullScreenTogglePending=1", "fullScreenTogglePending=1"},
      {6, true, "backgroundStyle=1", "backgroundStyle=0", "backgroundStyle=0"},
      {7, true, "classicTextures=1", "classicTextures=0", "classicTextures=0"},
      {8, true, "showScores=1", "showScores=0", "showScores=0"},
      {9, false, "", "", ""},
      {10, true, "useInGameMods=1", "useInGameMods=0", "useInGameMods=0"},
      {11, true, "swapStereo=1 soundSwapStereo=1", "swapStereo=0 soundSwapStereo=0", "swapStereo=0"},
      {12, false, "", "", ""},
  };
  for (const Case& c : cases) {
    const std::pair<const char*, const char*> runs[] = {{kAllOff, c.fromOff}, {kAllOn, c.fromOn}, {kOdd, c.fromOdd}};
    for (const auto& [from, changed] : runs) {
      SCOPED_TRACE(testing::Message() << "line " << c.k << " from " << from);
      vantrel::test::PutOptionGlobals(from);
      const auto before = vantrel::test::ReadOptionGlobals();
      EXPECT_EQ(ApplyOptionClick(c.k), c.taken);
      EXPECT_EQ(vantrel::test::ChangedOptionGlobals(before), changed);
    }
  }
}

TEST_F(FrontEndTest, PlayersAndBackgroundsCycleThroughTheirValues) {
  Start();
  Enter(kSceneOptions);
  ASSERT_EQ(optionsScreen.playerCount, 1);
  std::vector<int32_t> players;
  for (int i = 0; i < 4; ++i) {
    ClickAndFrame(kLineX, LineY(0));
    players.push_back(optionsScreen.playerCount);
  }
  EXPECT_EQ(players, (std::vector<int32_t>{2, 3, 4, 1}));
  EXPECT_EQ(OptionLineText(0), "Players:  1");

  std::vector<std::string> words = {OptionLineText(6)};
  for (int i = 0; i < 3; ++i) {
    ClickAndFrame(kLineX, LineY(6));
    words.push_back(OptionLineText(6));
  }
  EXPECT_EQ(words, (std::vector<std::string>{"Backgrounds:  Textured (F1)", "Backgrounds:  Half-Bright (F1)",
                                             "Backgrounds:  Black (F1)", "Backgrounds:  Textured (F1)"}));
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  EXPECT_EQ(CountSound(kSoundLock), 7);
}

TEST_F(FrontEndTest, EveryToggleLineIsStoredAtANormalExit) {
  Start();
  Enter(kSceneOptions);
  struct Line {
    int32_t k;
    const char* setting;
    int32_t stored;
    const char* textAfter;
  } lines[] = {
      {1, "KidMode", 1, "Difficulty:  Kid-Mode"},
      {2, "ClassicRules", 1, "Orvesse Ed. Features:  Disabled"},
      {3, "CommunityBoards", 0, "Community Boardsets:  Disabled"},
      {6, "BackgroundStyle", 1, "Backgrounds:  Half-Bright (F1)"},
      {7, "ClassicTextures", 1, "Classic Textures:  Enabled (F8)"},
      {8, "ShowScores", 0, "Floating Scores:  Disabled (F9)"},
      {10, "UseInGameMods", 1, "In-game Music:  Enabled (F5)"},
      {11, "SwapStereo", 1, "Stereo Mode:  Left/Right Swapped (F6)"},
  };
  for (const Line& line : lines) {
    SCOPED_TRACE(line.setting);
    ClickAndFrame(kLineX, LineY(line.k));
    EXPECT_EQ(OptionLineText(line.k), line.textAfter);
    EXPECT_EQ(program.sceneNumber, kSceneOptions);
  }
  EXPECT_EQ(audioSettings.swapStereo, 1);
  EXPECT_EQ(d.Finish(), 0);
  for (const Line& line : lines) EXPECT_EQ(d.StoredSetting(line.setting), line.stored) << line.setting;
}

TEST_F(FrontEndTest, DisplayLineAsksForTheModeSwitch) {
  Start();
  Enter(kSceneOptions);
  EXPECT_EQ(OptionLineText(5), "Display:  Windowed (F7)");
  ClickAndFrame(kLineX, LineY(5));
  EXPECT_EQ(program.fullScreenTogglePending, 1);
  d.Frame();  // the frame step carries the switch out
  EXPECT_EQ(program.fullScreenTogglePending, 0);
  EXPECT_EQ(settings.fullScreen, 1);
  EXPECT_EQ(OptionLineText(5), "Display:  Fullscreen (F7)");
}

TEST_F(FrontEndTest, StoredValuesOutOfRangeShowAndCycleAsTheirDefault) {
  vantrel::test::DriverOptions options;
  options.storedSettings["BackgroundStyle"] = 5;
  options.storedSettings["KidMode"] = 7;
  Start(options);
  Enter(kSceneOptions);
  EXPECT_EQ(OptionLineText(6), "Backgrounds:  Textured (F1)");
  EXPECT_EQ(OptionLineText(1), "Difficulty:  Kid-Mode");
  // The click steps on from what the line shows.
  ClickAndFrame(kLineX, LineY(6));
  ClickAndFrame(kLineX, LineY(1));
  EXPECT_EQ(settings.backgroundStyle, 1);
  EXPECT_EQ(OptionLineText(6), "Backgrounds:  Half-Bright (F1)");
  EXPECT_EQ(settings.kidMode, 0);
}

TEST_F(FrontEndTest, MenuInputOpensTheRightScene) {
  struct Case {
    const char* what;
    int32_t x, y;  // a click there, or a typed letter when x < 0
    Scene scene;
  } cases[] = {
      {"a letter", -1, -1, kSceneBoardSetSelect},
      {"the empty line after Community Boardsets", kLineX, LineY(4), kSceneBoardSetSelect},
      {"the empty line after Floating Scores", kLineX, LineY(9), kSceneBoardSetSelect},
      {"below the lines", kLineX, LineY(14), kSceneBoardSetSelect},
      {"PLAY", kPlayX, kPlayY, kSceneBoardSetSelect},
      {"the rest of the screen", 100, 650, kSceneBoardSetSelect},
      {"CREDITS", kCreditsX, kCreditsY, kSceneTitle},
      {"CHARMS", kCharmsX, kCharmsY, kSceneCharms},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Enter(kSceneOptions);
    ClearSounds();
    if (c.x < 0) {
      d.Type("x");
      d.Frame();
    } else {
      ClickAndFrame(c.x, c.y);
    }
    EXPECT_EQ(program.sceneNumber, c.scene);
    EXPECT_EQ(CountSound(kSoundLock), 1);
  }
}

TEST_F(FrontEndTest, QuitClosesTheGameWithoutTheClickSound) {
  Start();
  Enter(kSceneOptions);
  ClearSounds();
  ClickAndFrame(kExitX, kExitY);
  EXPECT_EQ(CountSound(kSoundLock), 0);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  for (int i = 0; i < 10 && d.Running(); ++i) d.Frame();
  EXPECT_FALSE(d.Running());  // the game's own close ended the loop
  EXPECT_EQ(d.Finish(), 0);
}

TEST_F(FrontEndTest, HoveredLineIsAmberAndOnlyThatLine) {
  Start();
  Enter(kSceneOptions);
  d.MoveMouse(kLineX, LineY(6));
  d.Frame();
  EXPECT_EQ(optionsScreen.hoveredOption, 6);
  auto lineRect = [&](int32_t k, const std::function<bool(uint32_t)>& pred) {
    const int32_t top = kOptionLineY + kOptionLinePitch * k;
    return d.CountPixels(kOptionLineX, top, 1181, top + kOptionLinePitch, pred);
  };
  EXPECT_GT(lineRect(6, vantrel::test::IsAmber), 0);
  EXPECT_EQ(lineRect(6, vantrel::test::IsGreyText), 0);
  for (int32_t k : {5, 7, 8}) {
    EXPECT_EQ(lineRect(k, vantrel::test::IsAmber), 0) << k;
    EXPECT_GT(lineRect(k, vantrel::test::IsGreyText), 0) << k;
  }
  // Moving away turns it grey again.
  d.MoveMouse(kLineX, LineY(8));
  d.Frame();
  EXPECT_EQ(lineRect(6, vantrel::test::IsAmber), 0);
  EXPECT_GT(lineRect(8, vantrel::test::IsAmber), 0);
}

TEST_F(FrontEndTest, VersionTextSitsFivePixelsFromTheRightEdge) {
  EXPECT_EQ(VersionTextOrUnknown(""), "Unknown");
  EXPECT_EQ(VersionTextOrUnknown("2.5"), "2.5");
  EXPECT_EQ(GetProgramVersion(), "0.1.0");
  Start();
  Enter(kSceneOptions);
  const int32_t width = sysFont.TextWidth("0.1.0");
  const int32_t h = sysFont.lineHeight;
  EXPECT_GT(d.CountPixels(1280 - width - 5, 2, 1275, 2 + h, vantrel::test::IsGreyText), 0);
  EXPECT_EQ(d.CountPixels(1275, 0, 1280, 2 + h, vantrel::test::IsGreyText), 0);
  EXPECT_EQ(d.CountPixels(0, 0, 1280 - width - 5, 2 + h, vantrel::test::IsGreyText), 0);
}

TEST_F(FrontEndTest, TitleStripsLeaveTheVersionTextWhole) {
  // On the generated pack: the version text's rows look the same whether
  // the power-up strips are drawn or not, through every frame of the strip.
  vantrel::test::DriverOptions options;
  options.generatedPack = true;
  Start(options);
  Enter(kSceneOptions);
  d.MoveMouse(640, 600);
  d.Frame();
  const std::string version = GetProgramVersion();
  const int32_t x0 = 1280 - sysFont.TextWidth(version.c_str()) - 5, y1 = 2 + sysFont.lineHeight;
  std::vector<std::vector<uint32_t>> withStrips;
  for (int32_t i = 0; i < kStripFrames; ++i) {
    d.Frame(kBandRefreshMs + 1);
    withStrips.push_back(Grab(d, x0, 0, 1280, y1));
  }
  // Without a strip picture, the full redraw shows the title and the text only.
  DeferPicture(titlePowerupsPicture, d.Folder() / "no such picture.png", "TitlePowerups.png", false);
  program.fullRedraw = 1;
  d.Frame();
  const auto without = Grab(d, x0, 0, 1280, y1);
  ASSERT_FALSE(PictureShowable(titlePowerupsPicture));
  for (size_t i = 0; i < withStrips.size(); ++i) EXPECT_EQ(withStrips[i], without) << "strip frame " << i;
}

TEST_F(FrontEndTest, MenuMusicStartsSilentAndRisesWithTheTransition) {
  Start();
  Settle();
  program.sceneNumber = kSceneOptions;
  d.Frame();
  plat::seal::ModuleInfo info;
  plat::seal::GetModuleInfo(&info);
  ASSERT_NE(info.playing, nullptr);
  EXPECT_EQ(info.volume, 0u);
  EXPECT_GE(soundBank.currentModule, 0);
  EXPECT_LE(soundBank.currentModule, 2);
  EXPECT_EQ(transition.musicFade, 1);
  uint32_t last = 0;
  while (transition.transitionRunning) {
    d.Frame();
    plat::seal::GetModuleInfo(&info);
    EXPECT_GE(info.volume, last);
    last = info.volume;
  }
  EXPECT_EQ(info.volume, 40u);
}

TEST_F(FrontEndTest, LogoBandBurnsAtMostEveryFiftyMilliseconds) {
  Start();
  Enter(kSceneOptions);
  d.Frame(60);
  const auto first = Grab(d, kLogoBandX, kLogoBandY, kLogoBandX + kLogoBandWidth, kLogoBandY + kLogoBandHeight);
  d.Frame(10);
  const auto soon = Grab(d, kLogoBandX, kLogoBandY, kLogoBandX + kLogoBandWidth, kLogoBandY + kLogoBandHeight);
  EXPECT_EQ(soon, first);
  d.Frame(45);
  const auto later = Grab(d, kLogoBandX, kLogoBandY, kLogoBandX + kLogoBandWidth, kLogoBandY + kLogoBandHeight);
  EXPECT_NE(later, first);
  // The band is not plain black once it burns.
  int nonBlack = 0;
  for (uint32_t p : later) nonBlack += p != 0;
  EXPECT_GT(nonBlack, 0);
}

TEST_F(FrontEndTest, FullRedrawWithAMovingPointerLeavesNoStalePatch) {
  Start();
  Enter(kSceneOptions);
  d.MoveMouse(900, 600);
  d.Frame();
  // Something else is drawn where the pointer is, then the menu redraws in
  // full while the pointer moves.
  program.fullRedraw = 1;
  d.MoveMouse(100, 600);
  d.Frame();
  d.MoveMouse(600, 640);
  d.Frame();
  d.MoveMouse(640, 700);
  d.Frame();
  const auto moved = Grab(d, 0, 560, 1280, 650);
  program.fullRedraw = 1;
  d.Frame();
  const auto clean = Grab(d, 0, 560, 1280, 650);
  EXPECT_EQ(moved, clean);
  const uint32_t pointer = vantrel::test::Through555(vantrel::test::kCursorColour);
  EXPECT_EQ(d.CountPixels(0, 0, 1280, 680, [&](uint32_t rgb) { return rgb == pointer; }), 0);
  EXPECT_GT(d.CountPixels(640, 700, 672, 720, [&](uint32_t rgb) { return rgb == pointer; }), 0);
}
