#include "game/play/board_background.h"

#include "game/game_globals.h"

int32_t DrawBoardBackground(int32_t, int32_t, int32_t) { return boardSet.columns; }
