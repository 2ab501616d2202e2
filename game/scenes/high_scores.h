#pragma once
// The high scores (scene 5, RunHighScoresScreen in scenes.h).
#include "game/scenes/scenes.h"

// Fills highScores with the default table.
void ResetHighScoreTable();

// Writes again every table whose save failed; the player was told of the
// failure once, and is not told again while the writes keep failing.
void SaveUnsavedHighScores();
void ForgetUnsavedHighScoresForTests();
