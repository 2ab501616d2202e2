#pragma once
// Each player's saved boards and counters, for games of several players.
#include <cstdint>

#include "boardset/boardset.h"
#include "game/play/play_state.h"

// The players' slots.
constexpr int32_t kMaxPlayers = 4;
// A player's boards as the player left them, the board the player is on
// (the board count once all are finished) and the player's run.
struct PlayerSlot {
  BoardRecord boards[BoardSet::kMaxBoards];
  int32_t board = 0;
  PlayerRun run;
};
extern PlayerSlot playerSlots[kMaxPlayers];

// Copies the set's boards, the current board and the player's run into the
// player's slot. A player outside 0..3 is ignored.
void SavePlayerState(int32_t player);
// The same copied back; the score also becomes the shown score.
void RestorePlayerState(int32_t player);
