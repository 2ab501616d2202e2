#pragma once
// The high scores (scene 5, RunHighScoresScreen in scenes.h).
#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <string>

#include "game/high_score_file.h"
#include "game/scenes/scenes.h"

// The high-score scene's states (scoreScreenState).
enum HighScoreState : int32_t {
  kScoresLocalTable = 0,
  kScoresNameEntry = 1,
  kScoresAskToPost = 2,
  kScoresPosting = 3,
  kScoresPosted = 4,
  kScoresPostFailed = 5,
  kScoresDeclined = 6,  // lasts one frame
  kScoresOnlineTable = 7,
};
constexpr int32_t kHighScoreStateCount = 8;

// High scores (set by play and the menus). The table shown, the file it came
// from (empty: none is read or written), the scene's state (HighScoreState),
// the best player's score and board + 1, the player whose name is asked and
// the name so far.
struct HighScoreScreenState {
  int32_t scoresViewOnly = 0;
  int32_t scoresFromCompletion = 0;
  int32_t scoreMusicStarted = 0;
  int32_t entryPlayerScore = 0;
  HighScoreEntry highScores[kHighScoreRows];
  boost::filesystem::path scoreFilePath;
  int32_t scoreScreenState = 0;
  int32_t bestPlayerScore = 0;
  int32_t bestPlayerBoard = 0;
  int32_t entryPlayer = 0;
  std::string typedName;
};
extern HighScoreScreenState highScoreScreen;

// Fills highScores with the default table.
void ResetHighScoreTable();

// Writes again every table whose save failed; the player was told of the
// failure once, and is not told again while the writes keep failing.
void SaveUnsavedHighScores();
void ForgetUnsavedHighScoresForTests();
