// Pictures of the front-end scenes on the generated pack, for a person to
// look at: the main menu, the board-set selection with its error box, the
// title and credits, the charm collection with some charms collected, and
// the completion scene; the high-score scene in each of its states; and the
// main menu and a game after each function key. Written as PNG into the
// review folder given at build time (build/game-review/).
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <string>

#include "community/community_manager.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/options.h"
#include "game/support/front_end_support.h"
#include "game/support/play_harness.h"
#include "platform/settings.h"
#include "platform/steam/steam.h"
#include "platform/window.h"
#include "game/play/charms.h"
#include "game/scenes/board_set_select.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "platform/window.h"

namespace fs = boost::filesystem;

namespace {

const fs::path kReview = VANTREL_REVIEW_DIR;

class ScenePictures : public vantrel::test::FrontEndTest {
 protected:
  void Save(const std::string& name) {
    const fs::path path = kReview / (name + ".png");
    ASSERT_TRUE(d.SaveScreen(path)) << path;
    std::printf("wrote %s\n", path.string().c_str());
  }
};

}  // namespace

TEST_F(ScenePictures, WritesEachFrontEndScene) {
  // A set whose brick pictures are missing, to show the error box.
  const fs::path extra = fs::temp_directory_path() / fs::unique_path("pictures-%%%%%%");
  vantrel::test::SetSpec broken;
  broken.title = "Set Without Bricks";
  broken.author = "Review";
  broken.brickSet = "NoSuchBricks.img";
  vantrel::test::WriteSet(extra / "ZzBroken.bdz", broken);
  vantrel::test::DriverOptions options;
  options.generatedPack = true;
  options.dirsLines.push_back(extra.string());
  Start(options);

  Enter(kSceneOptions);
  d.MoveMouse(900, 295 + 20 * 6 + 8);  // over "Backgrounds"
  d.RunFor(600);
  Save("main-menu");

  Enter(kSceneBoardSetSelect);
  d.MoveMouse(600, 104 + 3 * BoardListRowPitch());
  d.Frame();
  Save("board-set-selection");
  boardSetSelect.boardSelectIndex = static_cast<int32_t>(boardSetSelect.boardSetEntries.size()) - 1;
  d.Frame();
  ClickAndFrame(1100, 650);
  EXPECT_EQ(boardSetSelect.boardSetLoadError, "Could not load boardset graphics!");
  d.Frame();
  Save("board-set-selection-error");

  Enter(kSceneTitle);
  d.RunFor(4000);
  Save("title-credits");

  for (size_t i = 0; i < charms.size(); i += 3) collectedCharms.insert(charms[i].name);
  Enter(kSceneCharms);
  d.MoveMouse(640, 150);
  d.Frame();
  Save("charm-collection");
  collectedCharms.clear();

  Enter(kSceneCompleted);
  d.RunFor(1500);
  Save("completion");
  fs::remove_all(extra);
}

TEST_F(ScenePictures, WritesEachHighScoreState) {
  vantrel::test::DriverOptions options;
  options.generatedPack = true;
  Start(options);
  Enter(kSceneBoardSetSelect);
  namespace steam = plat::steam;
  steam::fake::SetLeaderboardsOnDemand(true);
  const std::string board = GetSelectedLeaderboardName();
  steam::fake::SeedLeaderboardEntry(board, 701, "Marisol", 48210, {13});
  steam::fake::SeedLeaderboardEntry(board, 702, "Tobiah", 30550, {9});
  steam::fake::SeedLeaderboardEntry(board, 703, "Quenby", 12040, {4});

  optionsScreen.playerCount = 1;
  playerSlots[0].run.score = 1234;
  playerSlots[0].board = 3;
  d.MoveMouse(1240, 40);
  program.sceneNumber = kSceneHighScores;
  d.Frame();
  Settle();
  d.Frame();
  for (char c : std::string("Annika")) {
    d.Type(std::string(1, c));
    d.Frame();
  }
  Save("high-scores-1-name-entry");
  d.Key(plat::kKeyEnter);
  d.Frame();
  d.Frame();
  d.Frame();
  Save("high-scores-2-ask");

  steam::fake::HoldResults(true);
  d.Type("y");
  d.Frame();
  d.RunFor(2100);
  Save("high-scores-3-posting");
  d.RunFor(8000);
  d.Frame();
  Save("high-scores-5-failed");

  steam::fake::HoldResults(false);
  d.Type("y");
  d.Frame();
  EXPECT_TRUE(d.RunUntil([] { return highScoreScreen.scoreScreenState == kScoresPosted; }, 2000));
  d.Frame();
  Save("high-scores-4-posted");
  d.Type("k");
  d.Frame();
  EXPECT_TRUE(
      d.RunUntil([] { return !communityManager->IsDownloading() && communityManager->GetEntryCount() >= 3; }, 2000));
  d.Frame();
  Save("high-scores-7-online");
  d.Click(640, 660);
  d.Frame();
  d.MoveMouse(1240, 40);
  d.Frame();
  Save("high-scores-0-local");
}

// The function keys one after another, each picture a few frames after its
// key: the main menu's lines follow them, and a game shows the background
// styles, the classic textures (with the pause that key starts) and the
// full-screen switch.
namespace {

struct FunctionKeyStep {
  uint32_t key;
  const char* name;
};
const FunctionKeyStep kFunctionKeySteps[] = {
    {plat::kKeyF1, "1-F1"}, {plat::kKeyF1, "2-F1-again"}, {plat::kKeyF1, "3-F1-third"},
    {plat::kKeyF5, "4-F5"}, {plat::kKeyF6, "5-F6"},       {plat::kKeyF9, "6-F9"},
    {plat::kKeyF8, "7-F8"}, {'P', "8-resumed"},           {plat::kKeyF7, "9-F7"},
};

}  // namespace

TEST_F(ScenePictures, WritesTheMenuAfterEachFunctionKey) {
  vantrel::test::DriverOptions options;
  options.generatedPack = true;
  Start(options);
  Enter(kSceneOptions);
  d.MoveMouse(900, 295 + 20 * 6 + 8);  // over "Backgrounds"
  d.RunFor(600);
  Save("function-keys-menu-0");
  for (const FunctionKeyStep& step : kFunctionKeySteps) {
    d.Key(step.key);
    d.RunFor(300);
    Save(std::string("function-keys-menu-") + step.name);
  }
}

TEST(ScenePicturesOfPlay, WritesAGameAfterEachFunctionKey) {
  // The settings the earlier pictures left behind are not this game's.
  boost::system::error_code ignored;
  fs::remove(plat::SettingsStore::FilePath("Software\\Quillmark\\Vantrel - Orvesse", false), ignored);
  vantrel::test::PlayOptions options;
  options.generatedPack = true;
  vantrel::test::PlayHarness h(options);
  h.Begin();
  h.Steps(30);
  auto save = [&](const std::string& name) {
    const fs::path path = kReview / ("function-keys-play-" + name + ".png");
    EXPECT_TRUE(h.Driver().SaveScreen(path)) << path;
  };
  save("0");
  for (const FunctionKeyStep& step : kFunctionKeySteps) {
    h.Key(static_cast<int32_t>(step.key));
    h.Steps(20);
    save(step.name);
  }
}
