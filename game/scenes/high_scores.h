#pragma once
// The high scores (scene 5, RunHighScoresScreen in scenes.h).
#include "game/scenes/scenes.h"

// Fills highScores with the default table.
void ResetHighScoreTable();
