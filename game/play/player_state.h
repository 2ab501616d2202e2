#pragma once
// Each player's saved boards and counters, for games of several players.
#include <cstdint>

// Copies the set's boards, score, lives, board, charm count and charm
// countdown of the play state into the player's slot. A player outside
// 0..3 is ignored.
void SavePlayerState(int32_t player);
// The same copied back; the score also becomes the shown score.
void RestorePlayerState(int32_t player);
