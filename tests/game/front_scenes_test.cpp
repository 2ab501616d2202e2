// The title and credits, the charm collection and the completion scene over
// the test driver.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "game/play/play_state.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/options.h"
#include "game/scenes/transition.h"
#include "game/support/front_end_support.h"
#include "game/play/charms.h"
#include "game/scenes/charm_collection.h"
#include "game/scenes/completion.h"
#include "game/scenes/credits.h"
#include "game/scenes/title.h"
#include "graphics/display.h"
#include "platform/seal/seal.h"
#include "platform/window.h"

using vantrel::test::FrontEndTest;

namespace {

// Voices now playing the title's fire.
int FireVoices() {
  int n = 0;
  for (int32_t v = 0; v < soundSystem.GetVoiceCount(); ++v)
    if (soundSystem.IsVoicePlaying(v) && soundSystem.GetVoiceSample(v) == 25) ++n;
  return n;
}

// The topmost row of the field holding a non-zero pixel; -1 for none.
int32_t TopInkRow(const Bitmap& field) {
  for (int32_t y = 0; y < field.height; ++y)
    for (int32_t x = 0; x < field.width; ++x)
      if (field.pixels[static_cast<size_t>(y) * field.stride + x] != 0) return y;
  return -1;
}

// A test charm picture: one white 40 x 40 image, uploaded for the screen.
std::unique_ptr<ImageSet> CharmPicture() {
  auto set = std::make_unique<ImageSet>();
  set->Create(40, 40, 32);
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 40; ++x) set->SetPixel(x, y, 0xFFFFFFFFu);
  set->Upload(&program.screenFormat);
  return set;
}

void FillCharms(ImageSet* picture, int count, int32_t rarity = 0) {
  charms.clear();
  for (int i = 0; i < count; ++i) charms.push_back({"charm" + std::to_string(i), picture, 0, rarity, 1, 0});
}

constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

TEST(Credits, TableHasTwoTitleRowsAndFiftyTwoWithText) {
  int withText = 0;
  for (const char* row : kCreditRows) withText += (row && *row) ? 1 : 0;
  EXPECT_EQ(withText, 52);
  EXPECT_STREQ(kCreditRows[0], "VANTREL");
  EXPECT_STREQ(kCreditRows[1], "ORVESSE EDITION");
}

TEST_F(FrontEndTest, CreditsRiseOneRowPerSecondAndStartOver) {
  Start();
  const int32_t step = sysFontGlow.lineHeight + 32;
  Image field;
  auto topAt = [&](int32_t ms) {
    field.Create(1280, 720, 8);
    DrawCredits(field, ms);
    return TopInkRow(field);
  };
  const int32_t at1 = topAt(1000), at2 = topAt(2000), at3 = topAt(3000);
  ASSERT_GT(at1, 0);
  EXPECT_EQ(at1 - at2, step);
  EXPECT_EQ(at2 - at3, step);
  EXPECT_LT(at1, 720 - step + step);  // row 0 is just above the bottom after a second
  // Half a second moves half a row: the scroll is smooth.
  EXPECT_EQ(topAt(1500), at1 - step / 2);
  // The last row leaves the top after (H / L + 87) seconds.
  const int32_t end = static_cast<int32_t>((720.0 / step + kCreditRowCount) * 1000.0);
  EXPECT_FALSE(CreditsFinished(end - 20, 720));
  EXPECT_TRUE(CreditsFinished(end + 20, 720));
  field.Create(1280, 720, 8);
  DrawCredits(field, end + 20);
  EXPECT_EQ(TopInkRow(field), -1);

  // In the scene, the credits start again from the bottom.
  Enter(kSceneTitle);
  titleScreen.creditsStartMs = mainTimer.Elapsed(1000) - end - 100;
  d.Frame();
  EXPECT_GE(titleScreen.creditsStartMs, mainTimer.Elapsed(1000) - 20);
}

TEST_F(FrontEndTest, TitleFireNeverStacksOverFocusChanges) {
  Start();
  Enter(kSceneTitle);
  EXPECT_EQ(FireVoices(), 3);
  for (int i = 0; i < 5; ++i) {
    d.Focus(false);
    d.Frame();
    d.Focus(true);
    d.Frame();
    d.Frame();
    EXPECT_LE(FireVoices(), 3) << "focus change " << i;
  }
  EXPECT_EQ(FireVoices(), 3);
  // Voices are left for the menu's click.
  int busy = 0;
  for (int32_t v = 0; v < soundSystem.GetVoiceCount(); ++v) busy += soundSystem.IsVoicePlaying(v) ? 1 : 0;
  EXPECT_LT(busy, soundSystem.GetVoiceCount());
  // A click goes back to the menu, and the fire fades out
  // with the transition and stops at its end.
  ClearSounds();
  ClickAndFrame(640, 360);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  EXPECT_EQ(transition.soundFade, -1);
  EXPECT_EQ(transition.musicFade, 1);
  d.Frame();
  Settle();
  EXPECT_EQ(FireVoices(), 0);
  EXPECT_EQ(transition.soundFade, 0);
  ClickAndFrame(850, 303);  // the Players line
  EXPECT_EQ(optionsScreen.playerCount, 2);
  EXPECT_EQ(CountSound(kSoundLock), 1);
}

TEST_F(FrontEndTest, TitleDrawsFlamesOverTheWholeScreenWithoutSnapshots) {
  Start();
  Settle();
  program.sceneNumber = kSceneTitle;
  d.Frame();
  EXPECT_EQ(transition.transitionRunning, 0);  // the title takes no snapshots
  d.RunFor(1500);
  const uint32_t splash = vantrel::test::Through555(vantrel::test::kSplashColour);
  EXPECT_EQ(d.CountPixels(0, 0, 1280, 720, [&](uint32_t rgb) { return rgb == splash; }), 0);
  EXPECT_GT(d.CountPixels(0, 0, 1280, 720, [](uint32_t rgb) { return rgb != 0; }), 0);
}

TEST(CharmDisplayList, OrdersByRarityKeepingTheTableOrder) {
  charms.clear();
  const int32_t rarities[] = {3, 0, 7, 1, 0, 4};
  for (int i = 0; i < 6; ++i) charms.push_back({"c" + std::to_string(i), nullptr, 0, rarities[i], 1, 0});
  BuildCharmDisplayList();
  // A rarity above 4 counts as 4; equal rarities keep their order.
  EXPECT_EQ(charmScreen.charmDisplayList, (std::vector<int32_t>{1, 4, 3, 0, 2, 5}));
  charms.clear();
  EXPECT_EQ(CharmMaxRows(63), 0);
  EXPECT_EQ(CharmMaxRows(64), 0);
  EXPECT_EQ(CharmMaxRows(80), 1);
  EXPECT_EQ(CharmMaxRows(200), 8);
}

TEST_F(FrontEndTest, CharmGridShowsCollectedPicturesOverTheLockedOnes) {
  Start();
  auto picture = CharmPicture();
  FillCharms(picture.get(), 20);
  collectedCharms.clear();
  collectedCharms.insert("charm0");
  collectedCharms.insert("charm17");
  Enter(kSceneCharms);
  const uint32_t locked = vantrel::test::Through555(0x606060);
  const uint32_t back = vantrel::test::Through555(vantrel::test::kCharmsColour);
  auto slot = [&](int32_t index, int32_t dx, int32_t dy) {
    const int32_t row = index / 16, col = index % 16;
    return d.PresentedAt(55 + 72 * col + dx, 210 + 72 * row + dy);
  };
  EXPECT_EQ(slot(0, 10, 10), kWhite);  // collected: its picture at +5, +5
  EXPECT_EQ(slot(0, 2, 2), locked);    // the locked picture around it
  EXPECT_EQ(slot(1, 10, 10), locked);  // not collected: locked only
  EXPECT_EQ(slot(17, 10, 10), kWhite);
  EXPECT_EQ(slot(19, 10, 10), locked);
  EXPECT_EQ(slot(20, 10, 10), back);  // no slot past the last charm
  EXPECT_EQ(slot(31, 10, 10), back);
  EXPECT_EQ(slot(32, 10, 10), back);
  charms.clear();
  collectedCharms.clear();
}

TEST_F(FrontEndTest, CharmGridPagesWithTheThumb) {
  struct Case {
    int count;
    int32_t scrollAtBottom;
  } cases[] = {{63, 0}, {200, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    if (!d.Running()) Start();
    auto picture = CharmPicture();
    FillCharms(picture.get(), c.count);
    collectedCharms.clear();
    for (int i = 0; i < c.count; ++i) collectedCharms.insert("charm" + std::to_string(i));
    program.sceneNumber = kSceneOptions;
    d.Frame();
    Settle();
    Enter(kSceneCharms);
    EXPECT_EQ(charmScreen.charmScroll, 0);
    // Press on the thumb (at the top of the track) and drag it to the bottom.
    int32_t x = 1230, y = 220;
    TheDisplay().BufferToClient(&x, &y);
    d.Post(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(x, y));
    d.Frame();
    EXPECT_TRUE(charmScreen.charmThumbDragging);
    int32_t toX = 1230, toY = 600;
    TheDisplay().BufferToClient(&toX, &toY);
    d.Post(plat::kMsgMouseMove, plat::kButtonLeft, plat::MakeLParam(toX, toY));
    d.Frame();
    d.Frame();
    EXPECT_EQ(charmScreen.charmScroll, c.scrollAtBottom);
    d.Post(plat::kMsgLButtonUp, 0, plat::MakeLParam(toX, toY));
    d.MoveMouse(640, 150);
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kSceneCharms);
    if (c.count == 200) {
      // Rows 8 to 12 show: the first slot is charm 128, the last row stops
      // at charm 199 (slot 7 of row 12).
      EXPECT_EQ(d.PresentedAt(55 + 10, 210 + 10), kWhite);
      EXPECT_EQ(d.PresentedAt(55 + 72 * 7 + 10, 210 + 72 * 4 + 10), kWhite);
      EXPECT_EQ(d.PresentedAt(55 + 72 * 8 + 10, 210 + 72 * 4 + 10),
                vantrel::test::Through555(vantrel::test::kCharmsColour));
      // The wheel scrolls up a row.
      d.Wheel(1);
      d.Frame();
      EXPECT_EQ(charmScreen.charmScroll, 7);
    }
    charms.clear();
  }
  collectedCharms.clear();
}

TEST_F(FrontEndTest, AnyClickOffTheTrackLeavesTheCharmCollection) {
  Start();
  Enter(kSceneCharms);
  ClearSounds();
  ClickAndFrame(1230, 300);  // on the track: stays
  EXPECT_EQ(program.sceneNumber, kSceneCharms);
  ClickAndFrame(600, 300);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  EXPECT_EQ(CountSound(kSoundLock), 1);
}

TEST(CompletionMessage, SplitsAtNewlinesAndDropsCarriageReturns) {
  EXPECT_EQ(SplitMessageLines("Congratulations!\n\n\nYou've completed all the boards!\n"),
            (std::vector<std::string>{"Congratulations!", "", "", "You've completed all the boards!", ""}));
  EXPECT_EQ(SplitMessageLines("a\r\nb"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FrontEndTest, CompletionStartsTheScoreMusicOnceAndHandsOverToTheScores) {
  Start();
  Settle();
  program.sceneNumber = kSceneCompleted;
  d.Frame();
  EXPECT_EQ(transition.musicFade, -1);
  EXPECT_EQ(highScoreScreen.scoreMusicStarted, 0);
  EXPECT_EQ(completionScreen.completionMessage, "Congratulations!\n\n\nYou've completed all the boards!\n");
  Settle();
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreMusicStarted, 1);
  EXPECT_EQ(soundBank.currentModule, soundBank.scoreModule);
  plat::seal::ModuleInfo info;
  plat::seal::GetModuleInfo(&info);
  const void* playing = info.playing;
  ASSERT_NE(playing, nullptr);
  // Later frames do not start it again.
  soundBank.currentModule = -7;
  d.RunFor(200);
  EXPECT_EQ(soundBank.currentModule, -7);
  soundBank.currentModule = soundBank.scoreModule;
  // The first line in the big font at y = its height: something is drawn
  // there that the flames alone would not put in every column it covers.
  ClickAndFrame(640, 360);
  EXPECT_EQ(program.sceneNumber, kSceneHighScores);
  EXPECT_EQ(highScoreScreen.scoresFromCompletion, 1);
  EXPECT_EQ(input.anyInputThisFrame, 0);
  EXPECT_NE(transition.musicFade, -1);
  plat::seal::GetModuleInfo(&info);
  EXPECT_EQ(info.playing, playing);
}
