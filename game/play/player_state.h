#pragma once
// Each player's saved boards and counters, for games of several players.
#include <cstdint>

#include "boardset/boardset.h"

// The players' slots.
constexpr int32_t kMaxPlayers = 4;
struct PlayerSlot {
  BoardRecord boards[BoardSet::kMaxBoards];
  int32_t score = 0;
  int32_t lives = 0;
  int32_t board = 0;
  int32_t charmsThisGame = 0;
  int32_t charmDelay = 0;
};
extern PlayerSlot playerSlots[kMaxPlayers];

// Copies the set's boards, score, lives, board, charm count and charm
// countdown of the play state into the player's slot. A player outside
// 0..3 is ignored.
void SavePlayerState(int32_t player);
// The same copied back; the score also becomes the shown score.
void RestorePlayerState(int32_t player);
