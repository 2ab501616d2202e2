#include "game/play/brick_hits.h"

#include "game/game_globals.h"

int32_t BallBrickCollision(Entity*) { return 0; }
int32_t HitBrick(int32_t, int32_t, int32_t, int32_t) { return 0; }
void ClampBallSpeed(Entity*, float) {}
int32_t NextBrickIdOfKind(int32_t, int32_t) { return -1; }
int32_t NextBrickInRun(int32_t, int32_t) { return -1; }
int32_t SetBrick(int32_t, int32_t, int32_t) { return 0; }
int32_t HideInvisibleBricks() { return 0; }
bool CellAt(float, float, int32_t*, int32_t*) { return false; }
bool IsOnBoard(int32_t, int32_t) { return false; }
