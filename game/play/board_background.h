#pragma once
// The board background: background tiles (or black), the bevelled border
// in the given tint, then every brick, into the board pictures and the
// screen.
#include <cstdint>

// The screen columns [left, right) of the board with its border.
struct BoardFrameSpan {
  int32_t left = 0;
  int32_t right = 0;
};
BoardFrameSpan BoardFrame();

// Draws the whole board; the board's column count.
int32_t DrawBoardBackground(int32_t red, int32_t green, int32_t blue);
