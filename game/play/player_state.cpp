#include "game/play/player_state.h"

#include <algorithm>

#include "game/game_globals.h"

namespace {

int32_t BoardsToCopy() { return std::clamp<int32_t>(boardSet.boardCount, 0, BoardSet::kMaxBoards); }

}  // namespace

void SavePlayerState(int32_t player) {
  if (player < 0 || player > 3) return;
  PlayerSlot& slot = playerSlots[player];
  std::copy(boardSet.boards, boardSet.boards + BoardsToCopy(), slot.boards);
  slot.score = score;
  slot.lives = lives;
  slot.board = boardSet.currentBoard;
  slot.charmsThisGame = charmsThisGame;
  slot.charmDelay = charmDelay;
}

void RestorePlayerState(int32_t player) {
  if (player < 0 || player > 3) return;
  const PlayerSlot& slot = playerSlots[player];
  std::copy(slot.boards, slot.boards + BoardsToCopy(), boardSet.boards);
  score = slot.score;
  shownScore = slot.score;
  lives = slot.lives;
  // A finished player's board is the board count, at most 128: still a record.
  boardSet.currentBoard = std::clamp<int32_t>(slot.board, 0, BoardSet::kMaxBoards);
  charmsThisGame = slot.charmsThisGame;
  charmDelay = slot.charmDelay;
}
