#pragma once
// The ball is drawn as a lens: each pixel of the sprite shows the picture
// behind it (or the fire texture) from a displaced point, shaded by a tint.
#include <cstdint>

class Bitmap;

// Ball diameters by ball size (small, normal, big).
constexpr int32_t kBallSizes = 3;
constexpr int32_t kBallDiameters[kBallSizes] = {9, 17, 29};
constexpr int32_t kBallTints = 3;
constexpr int32_t kLensTableSize = 32;

struct BallLensEntry {
  int16_t offsetX;
  int16_t offsetY;
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  uint8_t see;  // how much of the shade covers the picture behind; 0 = black
};

// By tint * 3 + size, then row, then column.
extern BallLensEntry ballLensTables[kBallTints * kBallSizes][kLensTableSize][kLensTableSize];

void BuildBallLensTables();
// Renders the ball of `size` and `tint` centred on (x, y) into target
// (re-created at the ball's size and the display's depth when needed). 0
// for a size or tint out of range or no target, else the unlock result.
int32_t RenderBallSprite(float x, float y, Bitmap* target, uint32_t size, uint32_t tint);
