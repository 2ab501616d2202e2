// The high-score scene at frame level: the game started on the fixture pack,
// the selection visited once so its list and accessors are filled, then the
// players' results set and scene 5 entered. Input goes in through the
// driver as a player gives it; texts are checked on the back buffer.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "community/community_manager.h"
#include "core/hash.h"
#include "game/buttons.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/options.h"
#include "game/scenes/transition.h"
#include "game/support/front_end_support.h"
#include "game/high_score_file.h"
#include "game/scenes/high_scores.h"
#include "graphics/display.h"
#include "game/support/high_scores_support.h"
#include "platform/steam/steam.h"
#include "platform/window.h"

namespace vantrel::test {
namespace {

namespace steam = plat::steam;

TEST_F(HighScoresTest, NoFileShowsTheDefaultTable) {
  StartOnSelection();
  EnterScores({});
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  EXPECT_EQ(highScoreScreen.scoreFilePath, ScoreFile());
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(highScoreScreen.highScores[i].score, 1500 - 100 * i);
    EXPECT_EQ(highScoreScreen.highScores[i].name, "Nobbinthorpe");
    EXPECT_EQ(highScoreScreen.highScores[i].board, 0);
    EXPECT_EQ(highScoreScreen.highScores[i].isNew, 0);
  }
  EXPECT_TRUE(TextShown(sysFont, "(Local Scores)", 200));
  EXPECT_TRUE(TextShown(sysFont, "Rank", 257, 336));
  EXPECT_TRUE(TextShown(sysFont, "Board", 257, 910));
  const int32_t firstRow = 261 + sysFont.lineHeight + 7;
  EXPECT_TRUE(TextShown(sysFont, "Nobbinthorpe", firstRow, 394));
  EXPECT_TRUE(TextShown(sysFont, "1500", firstRow, 830));
  EXPECT_TRUE(TextShown(sysFont, "100", firstRow + 14 * (sysFont.lineHeight + 7), 830));
  EXPECT_FALSE(boost::filesystem::exists(ScoreFile()));  // nothing entered, nothing written
}

TEST_F(HighScoresTest, TableFilesReachTheSceneAsTheCodecReadsThem) {
  // A few files of the codec's table, each through a scene entry.
  HighScoreEntry sample[kHighScoreRows];
  ResetHighScoreTable(sample);
  sample[0] = {5000, "Ann", 2, 0};
  const std::vector<uint8_t> good = WriteHighScoreTable(sample);
  std::vector<uint8_t> flipped = good;
  flipped[8] ^= 1;  // row 1's score
  std::vector<uint8_t> cut(good.begin(), good.begin() + 300);
  struct Case {
    const char* label;
    std::vector<uint8_t> bytes;
    int32_t topScore;
  };
  const Case cases[] = {{"written", good, 5000}, {"bit flipped", flipped, 1500}, {"cut", cut, 1500}};
  StartOnSelection();
  for (const Case& c : cases) {
    WriteBytes(ScoreFile(), c.bytes);
    EnterScores({});
    EXPECT_EQ(highScoreScreen.highScores[0].score, c.topScore) << c.label;
    EXPECT_EQ(ReadBytes(ScoreFile()), c.bytes) << c.label << ": a visit without an entry leaves the file";
    LeaveToSelection();
  }
}

TEST_F(HighScoresTest, ScoreEqualToRowThreeGoesBelowItAndIsSavedAtOnce) {
  StartOnSelection();
  EnterScores({{1300, 4}});
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresNameEntry);
  EXPECT_EQ(highScoreScreen.entryPlayerScore, 1300);
  EXPECT_TRUE(TextShown(sysFont, "Great Score Player 1 !  Enter your name:", 335));
  EXPECT_TRUE(TextShown(chiselFont, "1300", 265));
  TypeEach("Bo");
  EXPECT_EQ(highScoreScreen.typedName, "Bo");
  EXPECT_TRUE(TextShown(sysFont, "Bo_", 355));
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(highScoreScreen.entryPlayer, 1);
  EXPECT_EQ(highScoreScreen.highScores[2].name, "Nobbinthorpe");
  EXPECT_EQ(highScoreScreen.highScores[3].score, 1300);
  EXPECT_EQ(highScoreScreen.highScores[3].name, "Bo");
  EXPECT_EQ(highScoreScreen.highScores[3].board, 5);
  EXPECT_EQ(highScoreScreen.highScores[3].isNew, 1);
  EXPECT_EQ(highScoreScreen.highScores[4].score, 1200);
  EXPECT_EQ(highScoreScreen.highScores[14].score, 200);  // the old row 15 (100) is gone
  // On disk already, before the player moves on.
  HighScoreEntry onDisk[kHighScoreRows];
  const std::vector<uint8_t> bytes = ReadBytes(ScoreFile());
  ASSERT_EQ(bytes.size(), kHighScoreFileSize);
  ASSERT_TRUE(ReadHighScoreTable(bytes.data(), bytes.size(), onDisk));
  EXPECT_EQ(onDisk[3].name, "Bo");
  EXPECT_EQ(onDisk[3].isNew, 0);
  // Next frame: posting is offered for a set of the game's own.
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresAskToPost);
  d.Frame();
  EXPECT_TRUE(TextShown(sysFont, "Would you like to post your score online?", 335));
  KeyFrame(plat::kKeyEscape);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresDeclined);
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  EXPECT_EQ(program.fullRedraw, 1);
  d.Frame();
  // The new row in amber.
  const int32_t pitch = sysFont.lineHeight + 7;
  EXPECT_TRUE(TextShown(amberSysFont, "Bo", 261 + 4 * pitch, 394));
  EXPECT_TRUE(TextShown(sysFont, "Nobbinthorpe", 261 + 3 * pitch, 394));
}

TEST_F(HighScoresTest, OnlyTheSecondOfTwoPlayersBeatsTheTable) {
  StartOnSelection();
  EnterScores({{50, 0}, {700, 1}});
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresNameEntry);
  EXPECT_EQ(highScoreScreen.bestPlayerScore, 700);
  EXPECT_EQ(highScoreScreen.bestPlayerBoard, 2);
  EXPECT_TRUE(TextShown(sysFont, "Sorry Player 1, you didn't get a high score.", 300));
  d.Frame();
  d.Frame();
  EXPECT_EQ(highScoreScreen.entryPlayer, 0);  // waits for the player
  ClearSounds();
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(highScoreScreen.entryPlayer, 1);
  EXPECT_EQ(CountSound(kSoundFanfare), 1);
  EXPECT_EQ(highScoreScreen.entryPlayerScore, 700);
  EXPECT_TRUE(TextShown(sysFont, "Great Score Player 2 !  Enter your name:", 335));
  TypeEach("Cy");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(CountSound(kSoundFanfare), 2);
  EXPECT_EQ(highScoreScreen.highScores[8].name, "Nobbinthorpe");  // an equal score stays above
  EXPECT_EQ(highScoreScreen.highScores[9].score, 700);
  EXPECT_EQ(highScoreScreen.highScores[9].name, "Cy");
  EXPECT_EQ(highScoreScreen.highScores[9].board, 2);
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresAskToPost);
  d.Frame();
  EXPECT_TRUE(TextShown(sysFont, "Would you like to post the best player's score online?", 335));

  // A click moves on from a "Sorry" screen as well.
  LeaveToSelection();
  EnterScores({{60, 0}, {65, 0}, {1450, 0}});
  ClickAndFrame(1100, 100);
  EXPECT_EQ(highScoreScreen.entryPlayer, 1);
  ClickAndFrame(1100, 100);
  EXPECT_EQ(highScoreScreen.entryPlayer, 2);
  EXPECT_EQ(highScoreScreen.entryPlayerScore, 1450);
}

TEST_F(HighScoresTest, NoEntryInCheatModeOrAViewFromTheSelection) {
  StartOnSelection();
  settings.cheatMode = 1;
  EnterScores({{99999, 3}});
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  TypeEach("Zed");
  KeyFrame(plat::kKeyEnter);
  EXPECT_FALSE(boost::filesystem::exists(ScoreFile()));
  LeaveToSelection();
  settings.cheatMode = 0;

  // The selection's 'h' opens the table only to look at it; Esc goes back.
  optionsScreen.playerCount = 1;
  playerSlots[0].run.score = 99999;
  d.MoveMouse(640, 600);
  d.Frame();
  d.Type("h");
  d.Frame();
  ASSERT_EQ(program.sceneNumber, kSceneHighScores);
  d.Frame();
  Settle();
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoresViewOnly, 1);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  const int32_t musicFadeBefore = transition.musicFade;
  ClearSounds();
  KeyFrame(plat::kKeyEscape);
  EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
  EXPECT_EQ(highScoreScreen.scoresViewOnly, 0);
  EXPECT_EQ(transition.musicFade, musicFadeBefore);
  EXPECT_EQ(CountSound(kSoundLock), 1);
  EXPECT_FALSE(boost::filesystem::exists(ScoreFile()));
}

TEST_F(HighScoresTest, KidModeUsesItsOwnFileAndOffersNoPosting) {
  StartOnSelection();
  HighScoreEntry normal[kHighScoreRows];
  ResetHighScoreTable(normal);
  normal[0] = {8000, "Grown", 1, 0};
  WriteBytes(ScoreFile(false), WriteHighScoreTable(normal));
  const std::vector<uint8_t> normalBytes = ReadBytes(ScoreFile(false));
  settings.kidMode = 1;
  EnterScores({{1450, 0}});
  EXPECT_EQ(highScoreScreen.scoreFilePath, ScoreFile(true));
  EXPECT_EQ(highScoreScreen.highScores[0].score, 1500);  // not the .hsc table
  TypeEach("Kit");
  KeyFrame(plat::kKeyEnter);
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);  // no posting question
  d.Frame();
  EXPECT_TRUE(TextShown(sysFont, "(Local Scores - Kid Mode)", 200));
  HighScoreEntry kid[kHighScoreRows];
  const std::vector<uint8_t> kidBytes = ReadBytes(ScoreFile(true));
  ASSERT_TRUE(ReadHighScoreTable(kidBytes.data(), kidBytes.size(), kid));
  EXPECT_EQ(kid[1].name, "Kit");
  EXPECT_EQ(ReadBytes(ScoreFile(false)), normalBytes);

  // And back in normal mode the .hsc table shows, the .hsk one untouched.
  LeaveToSelection();
  settings.kidMode = 0;
  EnterScores({});
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Grown");
  EXPECT_EQ(ReadBytes(ScoreFile(true)), kidBytes);
}

// A set from the player's folder or the Workshop: a name is entered, but
// nothing is posted and the online table says why it has none.
void CommunitySetScores(HighScoresTest& t, int32_t source) {
  t.StartOnSelection();
  boardSetSelect.boardSetEntries[0].source = source;
  t.EnterScores({{1450, 0}});
  t.TypeEach("Al");
  t.KeyFrame(plat::kKeyEnter);
  t.d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  t.ClickAndFrame(kOnlineX, kLowButtonsY);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresOnlineTable);
  t.AwayAndFrame();
  EXPECT_TRUE(t.TextShown(sysFont, "(Online Scores)", 200));
  EXPECT_TRUE(t.TextShown(sysFont, "Unable to download online scores ...", 350));
  EXPECT_TRUE(t.TextShown(sysFont, "Online leaderboards are not supported for community boardsets.", 370));
  // Local scores again, then back leaves to the menu.
  t.ClickAndFrame(kOnlineX, kLowButtonsY);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  t.ClickAndFrame(kBackX, kLowButtonsY);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  EXPECT_EQ(transition.musicFade, -1);
}

TEST_F(HighScoresTest, UserFolderSetGetsNoPostingAndNoOnlineTable) { CommunitySetScores(*this, kBoardSourceUser); }
TEST_F(HighScoresTest, WorkshopSetGetsNoPostingAndNoOnlineTable) { CommunitySetScores(*this, kBoardSourceWorkshop); }

TEST_F(HighScoresTest, TypingOverDoneEntersTheWholeNameOnce) {
  StartOnSelection();
  EnterScores({{1550, 0}});
  d.MoveMouse(kDoneX, kDoneY);
  TypeEach("Ann");
  EXPECT_EQ(menuButtons.hoveredButton, kButtonDone);
  EXPECT_EQ(highScoreScreen.entryPlayer, 0);
  EXPECT_EQ(highScoreScreen.typedName, "Ann");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Ann");
  int rows = 0;
  for (const HighScoreEntry& row : highScoreScreen.highScores) rows += row.isNew;
  EXPECT_EQ(rows, 1);

  // Clicking "Done" enters the name too.
  LeaveToSelection();
  EnterScores({{1560, 0}});
  TypeEach("Di");
  ClickAndFrame(kDoneX, kDoneY);
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Di");
  EXPECT_EQ(highScoreScreen.highScores[1].name, "Ann");
}

TEST_F(HighScoresTest, AClickOnDoneInTheFirstFrameNeverEntersAStaleScore) {
  StartOnSelection();
  highScoreScreen.entryPlayerScore = 77777;  // what an earlier visit left
  optionsScreen.playerCount = 1;
  playerSlots[0].run.score = 1550;
  playerSlots[0].board = 0;
  program.sceneNumber = kSceneHighScores;
  d.Click(kDoneX, kDoneY);
  d.Frame();
  ASSERT_EQ(program.previousScene, kSceneHighScores);
  for (const HighScoreEntry& row : highScoreScreen.highScores) EXPECT_NE(row.score, 77777);
  // The click entered the empty name with this player's own score.
  EXPECT_EQ(highScoreScreen.highScores[0].score, 1550);
  EXPECT_EQ(highScoreScreen.highScores[0].name, "");
}

TEST_F(HighScoresTest, LongNamesStopAtNinetyFiveBytesAndReloadIntact) {
  StartOnSelection();
  EnterScores({{1550, 0}});
  std::string typed;
  for (int i = 0; i < 200; ++i) typed += char('a' + i % 26);
  TypeEach(typed);
  EXPECT_EQ(highScoreScreen.typedName, typed.substr(0, 95));
  KeyFrame(plat::kKeyEnter);
  LeaveToSelection();
  EnterScores({});
  EXPECT_EQ(highScoreScreen.highScores[0].name, typed.substr(0, 95));  // the checksum held
  EXPECT_EQ(highScoreScreen.highScores[0].score, 1550);
}

TEST_F(HighScoresTest, NameCharactersAndBackspace) {
  StartOnSelection();
  EnterScores({{1550, 0}});
  KeyFrame(plat::kKeyBackspace);  // on an empty name: nothing
  EXPECT_EQ(highScoreScreen.typedName, "");
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresNameEntry);
  TypeEach("\xC3\xA4");  // 'ä' in UTF-8
  EXPECT_EQ(highScoreScreen.typedName, "\xE4");
  TypeEach("\xC3\xA9");  // 'é': refused
  TypeEach("!?@#_/");    // refused
  TypeEach("\xC3\x85\xC3\x96 O'Neil-Jr.,9");
  EXPECT_EQ(highScoreScreen.typedName, "\xE4\xC5\xD6 O'Neil-Jr.,9");
  KeyFrame(plat::kKeyBackspace);
  KeyFrame(plat::kKeyBackspace);
  EXPECT_EQ(highScoreScreen.typedName, "\xE4\xC5\xD6 O'Neil-Jr.");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(highScoreScreen.highScores[0].name, "\xE4\xC5\xD6 O'Neil-Jr.");
}

TEST_F(HighScoresTest, AScoreFileThatCannotBeWrittenKeepsWhatWasThere) {
  StartOnSelection();
  boost::filesystem::create_directories(ScoreFile() / "inside");
  EnterScores({{1550, 0}});
  TypeEach("Ed");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Ed");  // the table in memory has the row
  EXPECT_TRUE(boost::filesystem::is_directory(ScoreFile() / "inside"));
  EXPECT_NE(d.DebugText().find("Error saving high scores: " + ScoreFile().string()), std::string::npos);
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresAskToPost);  // the scene goes on
  ASSERT_EQ(d.Boxes().size(), 1u);                                // the player is told
  EXPECT_EQ(d.Boxes()[0].text.rfind("Could not save the high scores: ", 0), 0u) << d.Boxes()[0].text;
  // Nothing left beside it.
  int entries = 0;
  for (auto it = boost::filesystem::directory_iterator(ScoreFile().parent_path());
       it != boost::filesystem::directory_iterator(); ++it)
    ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(HighScoresTest, ScoresFolderThatCannotBeMadeIsReportedAndTheSceneGoesOn) {
  StartOnSelection();
  WriteBytes(savedGamesFolder / "Scores", {'x'});  // a file where the folder goes
  EnterScores({{1550, 0}});
  EXPECT_NE(d.DebugText().find("Error creating scores folder: "), std::string::npos);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresNameEntry);
  TypeEach("Fa");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Fa");
  EXPECT_EQ(ReadBytes(savedGamesFolder / "Scores"), std::vector<uint8_t>{'x'});
}

TEST_F(HighScoresTest, WithoutASavedGamesFolderNothingIsReadOrWritten) {
  StartOnSelection();
  const boost::filesystem::path saved = savedGamesFolder;
  savedGamesFolder.clear();
  EnterScores({{1550, 0}});
  EXPECT_TRUE(highScoreScreen.scoreFilePath.empty());
  TypeEach("Gus");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Gus");
  EXPECT_FALSE(boost::filesystem::exists(saved / "Scores" / "Castle.hsc"));
  EXPECT_FALSE(boost::filesystem::exists("Scores"));
  EXPECT_FALSE(boost::filesystem::exists("Castle.hsc"));
}

TEST_F(HighScoresTest, ABackslashedWorkshopNameKeepsItsTableInsideScores) {
  StartOnSelection();
  const boost::filesystem::path odd = d.Folder() / "ws" / "..\\..\\x.bdz";
  boardSetSelect.boardSetEntries[0].path = odd;
  EnterScores({{1450, 0}});
  EXPECT_EQ(highScoreScreen.scoreFilePath, savedGamesFolder / "Scores" / "..\\..\\x.hsc");
  TypeEach("Hal");
  KeyFrame(plat::kKeyEnter);
  EXPECT_TRUE(boost::filesystem::is_regular_file(savedGamesFolder / "Scores" / "..\\..\\x.hsc"));
  EXPECT_FALSE(boost::filesystem::exists(savedGamesFolder.parent_path() / "x.hsc"));
  EXPECT_FALSE(boost::filesystem::exists(savedGamesFolder / "x.hsc"));

  // An empty list: no table file at all.
  LeaveToSelection();
  boardSetSelect.boardSetEntries.clear();
  EnterScores({{1450, 0}});
  EXPECT_TRUE(highScoreScreen.scoreFilePath.empty());
}

TEST_F(HighScoresTest, BoardsBeyondTheSetShowWon) {
  StartOnSelection();
  HighScoreEntry table[kHighScoreRows];
  ResetHighScoreTable(table);
  table[0] = {9000, "Ivy", 2, 0};  // the fixture set has one board
  table[1] = {8000, "Jon", 1, 0};
  WriteBytes(ScoreFile(), WriteHighScoreTable(table));
  EnterScores({});
  const int32_t pitch = sysFont.lineHeight + 7;
  EXPECT_TRUE(TextShown(sysFont, "Won!", 261 + pitch, 910));
  EXPECT_FALSE(TextShown(sysFont, "Won!", 261 + 2 * pitch, 910));
  EXPECT_TRUE(TextShown(sysFont, "1", 261 + 2 * pitch, 910));
}

TEST_F(HighScoresTest, ButtonsAndKeysOfTheLocalTable) {
  StartOnSelection();
  EnterScores({});
  ClearSounds();
  // A key other than Esc does nothing, a click beside the buttons neither.
  TypeEach("q");
  ClickAndFrame(1100, 100);
  EXPECT_EQ(program.sceneNumber, kSceneHighScores);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  EXPECT_EQ(CountSound(kSoundLock), 0);
  ClickAndFrame(kBackX, kLowButtonsY);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
  EXPECT_EQ(transition.musicFade, -1);
  EXPECT_EQ(CountSound(kSoundLock), 1);
}

}  // namespace
}  // namespace vantrel::test
