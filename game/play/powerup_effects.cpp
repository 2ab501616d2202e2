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
    Entity* copy = new (std::nothrow) Entity(kEntityBall, e->value, e->flags, e->x, e->y, -e->vy, e->vx);
    if (!copy) continue;
    copy->heldSpeed = e->heldSpeed;
    copy->aux = e->aux;
    // Inserted before the ball being visited, so the walk never splits it again.
    Entity::InsertFirst(&entityHead, copy);
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
    Entity* ball = new (std::nothrow) Entity(kEntityBall, first->value, first->flags, first->x, first->y,
                                             std::sin(a) * 600.0f, -std::cos(a) * 600.0f);
    Entity::InsertFirst(&entityHead, ball);
  }
}

}  // namespace

void ApplyPowerUpEffect(int32_t id) {
  switch (id) {
    case 0:  // life
      LaunchBalls();
      play.lives += 1;
      play.hudDirty = 1;
      play.catchOn = 0;
      play.laserOn = 0;
      break;
    case 1:  // level
      play.boardCleared = 1;
      play.nextBoard = boardSet.currentBoard + 1;
      break;
    case 2:  // zap
      ZapBricks();
      break;
    case 3:  // slow
      LaunchBalls();
      SetAllBallSpeeds(225.0f);
      play.gravityOn = 0;
      play.throughOn = 0;
      play.fireballOn = 0;
      break;
    case 4: Multiply(); break;
    case 5: play.throughOn = 1; break;
    case 6: Dynamite(); break;
    case 7:
      play.fireballOn = 1;
      LaunchBalls();
      break;
    case 8:
      play.laserOn = 1;
      LaunchBalls();
      break;
    case 9:  // catch
      play.catchOn = 1;
      play.gravityOn = 0;
      break;
    case 10:  // the row without a keyword acts as expand
    case 11:
      play.paddleSize = std::min(play.paddleSize + 1, 4);
      LaunchBalls();
      break;
    case 12:
      LaunchBalls();
      Split();
      break;
    case 13:  // kill
      if (!settings.cheatMode && !play.ballLost && communityManager) communityManager->AddToStat("PowerupDeaths", 1.0f);
      LoseBall();
      break;
    case 14:
      play.paddleSize = std::max(play.paddleSize - 1, 0);
      LaunchBalls();
      break;
    case 15:  // fast
      play.gravityOn = 0;
      LaunchBalls();
      SetAllBallSpeeds(600.0f);
      break;
    case 16:
      play.paddleSize = 0;
      LaunchBalls();
      break;
    case 17: play.fallArmed = 1; break;
    case 18:  // small
      play.gravityOn = 0;
      LaunchBalls();
      SetAllBallSizes(0);
      break;
    case 19:
      LaunchBalls();
      Megaball();
      break;
    case 20:  // bigball
      play.gravityOn = 0;
      LaunchBalls();
      SetAllBallSizes(2);
      break;
    case 21:
      LightningStrike(1);
      LightningStrike(0);
      LightningStrike(0);
      break;
    case 22: play.doubleScoreMs += 10000; break;
    case 23: play.gravityOn = 60000; break;
    default: break;
  }
}
