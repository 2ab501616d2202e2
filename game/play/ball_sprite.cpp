#include "game/play/ball_sprite.h"

#include "game/game_globals.h"

BallLensEntry ballLensTables[kBallTints * kBallSizes][kLensTableSize][kLensTableSize];

void BuildBallLensTables() {}
int32_t RenderBallSprite(float, float, Bitmap*, uint32_t, uint32_t) { return 0; }
