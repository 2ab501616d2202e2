#include "game/play/powerup_effects.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "community/community_manager.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/explosions.h"
#include "game/play/game_flow.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"

namespace {

constexpr float kPi = 3.14159265f;

template <class F>
void ForEachBall(F&& f) {
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind == kEntityBall) f(e);
  }
}

void SetAllBallSpeeds(float speed) {
  ForEachBall([speed](Entity* e) { ClampBallSpeed(e, speed); });
}

void SetAllBallSizes(int32_t size) {
  ForEachBall([size](Entity* e) { e->value = size; });
}

bool InBoard(int32_t c, int32_t r) { return c >= 0 && c < boardSet.columns && r >= 0 && r < BoardRecord::kRows; }

bool IsExplosive(int32_t v) { return v >= 1 && v <= 999 && boardSet.GetBrickType(v) == kBrickExplo; }

// Each explosive brick of the board as it was at the catch sets the 3 x 3
// block around it; bricks written by an earlier block are not spread again.
void Multiply() {
  boardSet.CopyToSpareBoard();
  const BoardRecord& spare = boardSet.boards[BoardSet::kSpareBoard];
  const int32_t columns = std::clamp(boardSet.columns, 0, BoardRecord::kColumns);
  for (int32_t c = 0; c < columns; ++c) {
    for (int32_t r = 0; r < BoardRecord::kRows; ++r) {
      const int32_t v = spare.cells[c * BoardRecord::kRows + r];
      if (!IsExplosive(v)) continue;
      for (int32_t dc = -1; dc <= 1; ++dc) {
        for (int32_t dr = -1; dr <= 1; ++dr) {
          if (InBoard(c + dc, r + dr)) SetBrick(c + dc, r + dr, v);
        }
      }
    }
  }
}

void Dynamite() {
  const int32_t columns = std::clamp(boardSet.columns, 0, BoardRecord::kColumns);
  for (int32_t c = 0; c < columns; ++c) {
    for (int32_t r = 0; r < BoardRecord::kRows; ++r) {
      if (IsExplosive(boardSet.GetCell(c, r))) HitBrick(c, r, 1, 0);
    }
  }
}

// Copies of a ball that already fell out would come back from below the
// board, so only live balls are split.
void Split() {
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind != kEntityBall || e->dead) continue;
    // Inserted before the ball being visited, so the walk never splits it again.
    Entity* copy = InsertEntityFirst(kEntityBall, e->value, e->flags, e->x, e->y, -e->vy, e->vx);
    if (!copy) continue;
    copy->heldSpeed = e->heldSpeed;
    copy->aux = e->aux;
  }
}

// The first live ball becomes eight; with none alive there is nothing to
// replace (the last ball may have fallen out in the frame before).
void Megaball() {
  Entity* first = nullptr;
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind == kEntityBall && !e->dead) {
      first = e;
      break;
    }
  }
  if (!first) return;
  first->dead = 1;
  for (int i = 0; i < 8; ++i) {
    const float a = static_cast<float>(i) * 2.0f * kPi / 8.0f + kPi / 8.0f;
    InsertEntityFirst(kEntityBall, first->value, first->flags, first->x, first->y, std::sin(a) * 600.0f,
                      -std::cos(a) * 600.0f);
  }
}

}  // namespace

void ApplyPowerUpEffect(PowerUpId id) {
  switch (id) {
    case kPowerUpLife:
      LaunchBalls();
      play.player.lives += 1;
      play.hudDirty = 1;
      play.board.catchOn = 0;
      play.board.laserOn = 0;
      break;
    case kPowerUpLevel:
      play.board.boardCleared = 1;
      play.nextBoard = boardSet.currentBoard + 1;
      break;
    case kPowerUpZap: ZapBricks(); break;
    case kPowerUpSlow:
      LaunchBalls();
      SetAllBallSpeeds(225.0f);
      play.board.gravityOn = 0;
      play.board.throughOn = 0;
      play.board.fireballOn = 0;
      break;
    case kPowerUpMultiply: Multiply(); break;
    case kPowerUpThrough: play.board.throughOn = 1; break;
    case kPowerUpDynamite: Dynamite(); break;
    case kPowerUpFireball:
      play.board.fireballOn = 1;
      LaunchBalls();
      break;
    case kPowerUpLaser:
      play.board.laserOn = 1;
      LaunchBalls();
      break;
    case kPowerUpCatch:
      play.board.catchOn = 1;
      play.board.gravityOn = 0;
      break;
    case kPowerUpUnused:  // the row without a keyword acts as expand
    case kPowerUpExpand:
      play.board.paddleSize = std::min(play.board.paddleSize + 1, 4);
      LaunchBalls();
      break;
    case kPowerUpSplit:
      LaunchBalls();
      Split();
      break;
    case kPowerUpKill:
      if (!settings.cheatMode && !play.board.ballLost && communityManager)
        communityManager->AddToStat("PowerupDeaths", 1.0f);
      LoseBall();
      break;
    case kPowerUpShrink:
      play.board.paddleSize = std::max(play.board.paddleSize - 1, 0);
      LaunchBalls();
      break;
    case kPowerUpFast:
      play.board.gravityOn = 0;
      LaunchBalls();
      SetAllBallSpeeds(600.0f);
      break;
    case kPowerUpSuperShrink:
      play.board.paddleSize = 0;
      LaunchBalls();
      break;
    case kPowerUpFall: play.board.fallArmed = 1; break;
    case kPowerUpSmall:
      play.board.gravityOn = 0;
      LaunchBalls();
      SetAllBallSizes(kBallSmall);
      break;
    case kPowerUpMegaBall:
      LaunchBalls();
      Megaball();
      break;
    case kPowerUpBigBall:
      play.board.gravityOn = 0;
      LaunchBalls();
      SetAllBallSizes(kBallBig);
      break;
    case kPowerUpLightning:
      LightningStrike(1);
      LightningStrike(0);
      LightningStrike(0);
      break;
    case kPowerUpDoubleScore: play.board.doubleScoreMs += 10000; break;
    case kPowerUpGravityBall: play.board.gravityOn = 60000; break;
    default: break;
  }
}
