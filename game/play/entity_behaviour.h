#pragma once
// The per-kind behaviour of the play scene's entities: the logic pass
// (movement, bounces, collisions, expiry) and the drawing pass.
#include <cstdint>

class Bitmap;

class Entity;
struct SurfaceLock;

// The logic of one entity by its kind.
void RunEntityLogic(Entity* e);
// Draws one entity by its kind onto the locked back buffer and records what
// it drew in its dirty rectangle.
void DrawEntity(Entity* e);

// A spark (kEntitySpark) inserted first in the entity list. Made only while the
// last frame counted fewer than kParticleCap particles, unless `uncapped`.
// Null when none was made.
Entity* Spark(int32_t value, int32_t flags, float x, float y, float vx, float vy, bool uncapped = false);
// A spark of a picture's colour: when the pixel (px, py) of `frame` is not 0,
// a spark of that colour starts at (x, y), flying straight away from the
// picture's centre at `speed` plus a random part of `extraSpeed` pixels per
// second, and is inserted first (never capped). Null for a pixel of 0.
Entity* SparkFromPixel(const Bitmap& frame, int32_t px, int32_t py, float x, float y, float speed, float extraSpeed,
                       int32_t life, int32_t flags);

constexpr int32_t kParticleCap = 512;
constexpr float kPaddleRestLine = 690.0f;
// The bottom of the board: a ball or capsule below it is gone. The board
// runs to the bottom of the 720-line screen.
constexpr float kBoardBottom = 720.0f;
constexpr int32_t kMaxLaserBolts = 6;
// The x2 glow walks the border of a 45 x 21 rectangle around its cell.
constexpr float kGlowPathWidth = 45.0f;
constexpr float kGlowPathHeight = 21.0f;

// How many entities the drawing pass found with a position that was not a
// finite number (reset to 100, 100); tests read it.
extern int32_t nonFiniteResets;

// A position as a whole pixel or cell number. A value that is not finite or
// lies beyond +-2^30 gives kOffScreen, which every drawing and cell test
// treats as off the screen and off the board.
constexpr int32_t kOffScreen = -100000;
int32_t PositionToInt(float v);
