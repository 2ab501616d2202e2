#pragma once
// The board background: background tiles (or black), the bevelled border
// in the given tint, then every brick, into the board pictures and the
// screen.
#include <cstdint>

// Draws the whole board; the board's column count.
int32_t DrawBoardBackground(int32_t red, int32_t green, int32_t blue);
