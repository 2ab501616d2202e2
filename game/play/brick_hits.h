#pragma once
// The rules of the board: how a ball or laser bolt finds the bricks it
// touches and bounces off them, what a hit does to each kind of brick, the
// ball's speed limits, brick numbers within runs, and changing and
// redrawing one cell.
#include <cstdint>

class Bitmap;
class Entity;

// Board geometry: cells are 48 x 24 pixels, row 0's top at y = 40.
constexpr int32_t kBoardRows = 20;
constexpr int32_t kCellWidth = 48;
constexpr int32_t kCellHeight = 24;
constexpr int32_t kBoardTop = 40;

// A ball at a speed above this (squared) breaks bricks at once.
constexpr float kFastBreakSpeedSquared = 308025.0f;

// Tests the four points at the edge of the entity (above, right, below,
// left), reflects it off touched bricks and hits them. 1 when any
// reflection test fired, else 0 (also for null and for a position that is
// not a usable number).
int32_t BallBrickCollision(Entity* e);
// Hits the brick of a cell. 1 when it broke or its explosion was queued.
int32_t HitBrick(int32_t column, int32_t row, int32_t fromExplosion, int32_t fastBreak);
// Sets the ball's speed (0: its speed + 2.25) within the limits, keeping
// its direction.
void ClampBallSpeed(Entity* ball, float speed);
// The next brick number after n (wrapping, never n itself or the set's
// last number) whose kind is `kind`; -1 when none.
int32_t NextBrickIdOfKind(int32_t n, int32_t kind);
// The next number within n's run of `kind` (from the run's last number its
// first); for a number of another kind the next number of `kind`.
int32_t NextBrickInRun(int32_t n, int32_t kind);
// Stores value (unless negative) in the cell and redraws the cell in the
// board picture and on screen; 0 when the cell is off the board, else the
// restore's result.
int32_t SetBrick(int32_t column, int32_t row, int32_t value);
// Stores each hidden brick of the board negated (not drawn); how many.
int32_t HideInvisibleBricks();

// The one conversion of a position (screen pixels, board cells) to an
// integer: floor, or truncation toward 0 with truncate set. False, and
// *out left alone, when v is not finite or lies beyond +-2^30: such a point
// is off the board and off the screen.
bool PositionToInt(double v, int32_t* out, bool truncate = false);

// The kind of a cell value: values outside 1..999 (empty, hidden, beyond
// the kind table) are plain.
int32_t BrickKindOf(int32_t value);
// The number of columns of the current board, within 0..26.
int32_t BoardColumns();
// The display-depth picture of brick number v; null when the brick set has
// no image for it.
const Bitmap* BrickFrame(int32_t v);

// Screen position to board cell through the checked conversion; false when
// the point is not a usable number or not on a cell of the board.
bool CellAt(float px, float py, int32_t* column, int32_t* row);
// True when the cell is on the current board.
bool IsOnBoard(int32_t column, int32_t row);
