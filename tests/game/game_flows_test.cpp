// The whole game as a player goes through it, from the splash to the saved
// score file, through the driver: the menus, the selection, a game played by
// the automatic player, the completion or the game's end, the name entry,
// posting (or not), back to the menu and Quit. Every budget is fake time.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "community/community_manager.h"
#include "core/hash.h"
#include "game/game_globals.h"
#include "game/high_score_file.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/transition.h"
#include "game/support/auto_player.h"
#include "game/support/high_scores_support.h"
#include "platform/instance.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "platform/window.h"

namespace vantrel::test {
namespace {

namespace fs = boost::filesystem;
namespace steam = plat::steam;

constexpr int32_t kPlayX = 1120, kPlayY = 660;  // the selection's Play button
constexpr int32_t kQuitX = 567, kQuitY = 450;   // the menu's Quit button

uint32_t L(int32_t x) { return uint32_t(x) * 1664525u + 1013904223u; }
uint32_t Int(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

// The rows of a table file as this test reads the layout, and whether its
// checksum holds.
struct FileRow {
  int32_t score;
  std::string name;
  int32_t board;
};
std::vector<FileRow> RowsOf(const std::vector<uint8_t>& file, bool* checksumHolds) {
  std::vector<FileRow> rows;
  uint32_t c = 571302846u;
  for (size_t i = 0; i < 15; ++i) {
    const size_t at = 8 + 104 * i;
    std::string name(reinterpret_cast<const char*>(&file[at + 4]), 96);
    name.resize(name.find('\0') == std::string::npos ? 96 : name.find('\0'));
    rows.push_back({int32_t(Int(file, at)), name, int32_t(Int(file, at + 100))});
    c ^= L(rows.back().score) ^ L(rows.back().board) ^ HashBytes(name.data(), int32_t(name.size()));
  }
  *checksumHolds = Int(file, 1568) == c;
  return rows;
}

// The frame a new scene starts in, its transition, and one frame of the
// scene itself.
void Arrive(GameDriver& g) {
  g.Frame();
  ASSERT_TRUE(g.RunUntil([] { return transition.transitionRunning == 0; }, 5000));
  g.Frame();
}

class GameFlowTest : public HighScoresTest {
 protected:
  // Plays scene 4 with the automatic player until the scene changes or,
  // with stopAtBoard, until that board is reached.
  void AutoPlay(int32_t maxMs, int32_t stopAtBoard = -1) {
    AutoPlayer player(7);
    bool held = false;
    for (int32_t t = 0; t < maxMs && program.sceneNumber == kScenePlay && d.Running(); t += 16) {
      if (stopAtBoard >= 0 && boardSet.currentBoard >= stopAtBoard) return;
      if (!transition.transitionRunning && !play.board.paused) {
        const vantrel::test::AutoInput in = player.Decide();
        d.MoveMouse(in.mouseX, in.mouseY);
        if (in.click) {
          d.Click(in.mouseX, in.mouseY);
        } else if (in.press && !held) {
          d.Post(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(in.mouseX, in.mouseY));
          held = true;
        } else if (in.release && held) {
          d.Post(plat::kMsgLButtonUp, 0, plat::MakeLParam(in.mouseX, in.mouseY));
          held = false;
        }
      }
      d.Frame();
    }
    if (held) d.Post(plat::kMsgLButtonUp, 0, plat::MakeLParam(640, 690));
  }

  // From the splash to a game on the selection's first set.
  void SplashToPlay(const DriverOptions& options) {
    Prepare(options);
    ASSERT_EQ(d.StartUp(), std::nullopt);
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kSceneSplash);
    Settle();
    d.Frame();
    if (!options.generatedPack) {
      EXPECT_EQ(d.PresentedAt(640, 360), Through555(kSplashColour));
    }
    ASSERT_TRUE(d.RunUntil([] { return program.sceneNumber == kSceneOptions; }, 6000));
    // A click while the menu's transition runs does nothing.
    ASSERT_TRUE(d.RunUntil([] { return transition.transitionRunning != 0; }, 200));
    d.Click(kQuitX, kQuitY);
    Settle();
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kSceneOptions);
    EXPECT_TRUE(d.Running());
    d.MoveMouse(kRestX, kRestY);
    TypeEach("x");
    EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
    Arrive(d);
  }

  void QuitFromTheMenu() {
    ASSERT_EQ(program.sceneNumber, kSceneOptions);
    d.Click(kQuitX, kQuitY);
    d.Frame();
    EXPECT_EQ(d.Finish(), 0);
  }

  // After the run: the table file with one row by name, the settings, the
  // charms file, the instance token and no message box.
  void CheckWhatWasSaved(const fs::path& file, const std::string& name, int32_t score, int32_t board) {
    const std::vector<uint8_t> bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), 1572u) << file;
    EXPECT_EQ(Int(bytes, 0), 2u);
    EXPECT_EQ(Int(bytes, 4), 15u);
    bool checksumHolds = false;
    const std::vector<FileRow> rows = RowsOf(bytes, &checksumHolds);
    EXPECT_TRUE(checksumHolds);
    int found = 0;
    for (const FileRow& row : rows) {
      if (row.name != name) continue;
      ++found;
      EXPECT_EQ(row.score, score);
      EXPECT_EQ(row.board, board);
    }
    EXPECT_EQ(found, 1);
    // The codec reads the same file to the same rows.
    HighScoreEntry table[kHighScoreRows];
    ASSERT_TRUE(ReadHighScoreTable(bytes.data(), bytes.size(), table));
    for (int i = 0; i < 15; ++i) EXPECT_EQ(table[i].name, rows[size_t(i)].name);

    EXPECT_TRUE(fs::exists(savedGamesFolder / "charms.dat"));
    for (const char* setting : {"FullScreen", "SwapStereo", "KidMode", "BackgroundStyle", "UseInGameMods",
                                "CommunityBoards", "ClassicRules", "ClassicTextures", "ShowScores"})
      EXPECT_TRUE(d.StoredSetting(setting).has_value()) << setting;
    plat::InstanceToken token;
    EXPECT_EQ(token.Acquire("Vantrel - Orvesse Semaphore"), plat::InstanceResult::kAcquired);
    EXPECT_TRUE(d.Boxes().empty());
  }

  // E1 and E2: the fixture set played to its end, the name "Annä" entered;
  // offline the post is declined, online it is made and the online table
  // follows. Returns the saved score.
  int32_t PlayCastleAndEnterAName(bool online) {
    DriverOptions options;
    SplashToPlay(options);
    if (online) {
      steam::fake::SetLeaderboardsOnDemand(true);
      const std::string board = GetSelectedLeaderboardName();
      steam::fake::SeedLeaderboardEntry(board, 601, "Tarn", 90000, {2});
      steam::fake::SeedLeaderboardEntry(board, 602, "Umber", 80000, {1});
      steam::fake::SeedLeaderboardEntry(board, 603, "Vale", 70000, {1});
    }
    EXPECT_EQ(boardSetSelect.boardSetEntries.size(), 1u);
    EXPECT_EQ(GetSelectedBoardSetTitle(), "Castle");
    d.Click(kPlayX, kPlayY);
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kScenePlay);
    Arrive(d);
    AutoPlay(10 * 60 * 1000);
    EXPECT_EQ(program.sceneNumber, kSceneCompleted);  // the explosive row cleared the only board
    Arrive(d);
    d.RunFor(500);
    const int32_t moduleBefore = soundBank.currentModule;
    d.Click(640, 360);
    d.Frame();
    EXPECT_EQ(program.sceneNumber, kSceneHighScores);
    EXPECT_EQ(highScoreScreen.scoresFromCompletion, 1);
    d.MoveMouse(kRestX, kRestY);
    Arrive(d);
    EXPECT_EQ(soundBank.currentModule, moduleBefore);  // the completion's music plays on
    const int32_t saved = playerSlots[0].run.score;
    EXPECT_GT(saved, highScoreScreen.highScores[14].score);
    EXPECT_TRUE(TextShown(sysFont, "Great Score Player 1 !  Enter your name:", 335));
    TypeEach("Ann");
    TypeEach("\xC3\xA4");
    KeyFrame(plat::kKeyEnter);
    d.Frame();
    EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresAskToPost);
    if (!online) {
      TypeEach("n");
      EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresDeclined);
      d.Frame();
      EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
    } else {
      steam::LeaderboardScoreUploaded answer;
      answer.success = true;
      answer.score = saved;
      answer.scoreChanged = true;
      answer.globalRankNew = 4;
      answer.globalRankPrevious = 0;
      steam::fake::QueueResult(answer);
      TypeEach("y");
      EXPECT_TRUE(d.RunUntil([] { return highScoreScreen.scoreScreenState != kScoresPosting; }, 12000));
      EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPosted);
      AwayAndFrame();
      char text[256];
      std::snprintf(text, sizeof text, "Congratulations! Your score of %d has been posted!", saved);
      EXPECT_TRUE(TextShown(sysFont, text, 335));
      TypeEach("k");
      EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresOnlineTable);
      EXPECT_TRUE(d.RunUntil(
          [] { return !communityManager->IsDownloading() && communityManager->GetEntryCount() == 3; }, 3000));
      AwayAndFrame();
      const int32_t pitch = sysFont.lineHeight + 7;
      EXPECT_TRUE(TextShown(sysFont, "Tarn", 261 + pitch, 394));
      EXPECT_TRUE(TextShown(sysFont, "Won!", 261 + pitch, 910));
      EXPECT_TRUE(TextShown(sysFont, "Umber", 261 + 2 * pitch, 394));
      EXPECT_TRUE(TextShown(sysFont, "Vale", 261 + 3 * pitch, 394));
    }
    AwayAndFrame();
    KeyFrame(plat::kKeyEscape);
    EXPECT_EQ(program.sceneNumber, kSceneOptions);
    Arrive(d);
    QuitFromTheMenu();
    return saved;
  }
};

TEST_F(GameFlowTest, CastleFromTheSplashToTheSavedTable) {
  const int32_t saved = PlayCastleAndEnterAName(false);
  const fs::path file = savedGamesFolder / "Scores" / "Castle.hsc";
  CheckWhatWasSaved(file, "Ann\xE4", saved, 2);
  const std::vector<uint8_t> bytes = ReadBytes(file);

  // A second run shows the same row from the selection's 'h'.
  GameDriver second;
  second.Prepare();
  ASSERT_EQ(second.StartUp(), std::nullopt);
  ASSERT_TRUE(second.RunUntil([] { return program.sceneNumber == kSceneOptions; }, 10000));
  Arrive(second);
  second.Type("x");
  second.Frame();
  ASSERT_EQ(program.sceneNumber, kSceneBoardSetSelect);
  Arrive(second);
  second.MoveMouse(640, 600);
  second.Frame();
  second.Type("h");
  second.Frame();
  ASSERT_EQ(program.sceneNumber, kSceneHighScores);
  Arrive(second);
  int found = 0;
  for (const HighScoreEntry& row : highScoreScreen.highScores)
    found += row.name == "Ann\xE4" && row.score == saved && row.board == 2;
  EXPECT_EQ(found, 1);
  EXPECT_EQ(second.Finish(), 0);
  EXPECT_EQ(ReadBytes(file), bytes);  // viewing writes nothing
}

TEST_F(GameFlowTest, CastleWithThePostMadeOnline) {
  const int32_t saved = PlayCastleAndEnterAName(true);
  CheckWhatWasSaved(savedGamesFolder / "Scores" / "Castle.hsc", "Ann\xE4", saved, 2);
}

TEST_F(GameFlowTest, StarterPlayedToTheFirstBoardThenLost) {
  DriverOptions options;
  options.generatedPack = true;
  SplashToPlay(options);
  std::vector<std::string> stems;
  for (const BoardSetEntry& e : boardSetSelect.boardSetEntries) stems.push_back(e.path.stem().string());
  EXPECT_EQ(stems, (std::vector<std::string>{"Starter", "StarterWide"}));
  ASSERT_EQ(GetSelectedBoardSetPath().filename(), "Starter.bdz");
  d.Click(kPlayX, kPlayY);
  d.Frame();
  ASSERT_EQ(program.sceneNumber, kScenePlay);
  Arrive(d);
  AutoPlay(15 * 60 * 1000, 1);
  ASSERT_EQ(program.sceneNumber, kScenePlay);
  ASSERT_EQ(boardSet.currentBoard, 1);
  // No more help: the paddle parked at the left, a click now and then to
  // let a held ball go, until the game is over.
  for (int32_t t = 0; t < 20 * 60 * 1000 && program.sceneNumber == kScenePlay; t += 16) {
    if (t % 2000 == 0) {
      d.Click(0, 690);
    } else {
      d.MoveMouse(0, 690);
    }
    d.Frame();
  }
  ASSERT_EQ(program.sceneNumber, kSceneHighScores);
  d.MoveMouse(kRestX, kRestY);
  Arrive(d);
  const int32_t saved = playerSlots[0].run.score;
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresNameEntry) << "score " << saved;
  TypeEach("Wren");
  KeyFrame(plat::kKeyEnter);
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresAskToPost);
  TypeEach("n");
  d.Frame();
  AwayAndFrame();
  KeyFrame(plat::kKeyEscape);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  Arrive(d);
  QuitFromTheMenu();
  CheckWhatWasSaved(savedGamesFolder / "Scores" / "Starter.hsc", "Wren", saved, 2);
}

}  // namespace
}  // namespace vantrel::test
