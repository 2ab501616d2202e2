#include "game/play/player_state.h"

#include <algorithm>

#include "game/game_globals.h"
#include "game/play/play_state.h"

PlayerSlot playerSlots[kMaxPlayers];

namespace {

int32_t BoardsToCopy() { return std::clamp<int32_t>(boardSet.boardCount, 0, BoardSet::kMaxBoards); }

}  // namespace

void SavePlayerState(int32_t player) {
  if (player < 0 || player > 3) return;
  PlayerSlot& slot = playerSlots[player];
  std::copy(boardSet.boards, boardSet.boards + BoardsToCopy(), slot.boards);
  slot.board = boardSet.currentBoard;
  slot.run = play.player;
}

void RestorePlayerState(int32_t player) {
  if (player < 0 || player > 3) return;
  const PlayerSlot& slot = playerSlots[player];
  std::copy(slot.boards, slot.boards + BoardsToCopy(), boardSet.boards);
  // A finished player's board is the board count, at most 128: still a record.
  boardSet.currentBoard = std::clamp<int32_t>(slot.board, 0, BoardSet::kMaxBoards);
  play.player = slot.run;
  play.game.shownScore = slot.run.score;
}
