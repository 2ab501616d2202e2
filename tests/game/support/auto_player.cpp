#include "game/support/auto_player.h"

#include <algorithm>
#include <cmath>

#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"

namespace vantrel::test {

namespace {

// x after moving freely for t seconds between two walls, the reflections
// folded in.
float FoldedX(float x, float vx, float t, float lo, float hi) {
  if (hi <= lo) return (lo + hi) / 2.0f;
  const float span = hi - lo;
  float u = std::fmod(x + vx * t - lo, 2.0f * span);
  if (u < 0.0f) u += 2.0f * span;
  if (u > span) u = 2.0f * span - u;
  return lo + u;
}

}  // namespace

void AutoPlayer::Reset(uint32_t seed) {
  rng_.seed(seed);
  aimOffset_ = 0.0f;
  lastPaddleSoundTime_ = -1;
  launchWait_ = -1;
  holding_ = 0;
  frame_ = 0;
  lastPrediction = -1.0f;
}

float AutoPlayer::Uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }

AutoInput AutoPlayer::Decide() {
  AutoInput in;
  ++frame_;
  const float left = static_cast<float>(boardSet.GetBoardLeft());
  const float halfWidth = std::max(play.paddleHalfWidth, 8.0f);

  // A new paddle contact: a new aim offset, so the angles vary and loops break.
  if (play.game.lastPaddleSoundTime != lastPaddleSoundTime_) {
    lastPaddleSoundTime_ = play.game.lastPaddleSoundTime;
    aimOffset_ = Uniform(-0.6f, 0.6f);
  }

  // 1. The target: the live free ball soonest at the paddle line; with none
  // falling, the lowest ball.
  const Entity* target = nullptr;
  float soonest = 1e9f;
  const Entity* lowest = nullptr;
  bool anyHeld = false;
  for (const Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind != kEntityBall || e->dead) continue;
    if (e->flags & 1) {
      anyHeld = true;
      continue;
    }
    if (!std::isfinite(e->x) || !std::isfinite(e->y)) continue;
    // A ball still above the bottom can meet the paddle (it bounces
    // anywhere in the band down to the bottom); one below it is gone.
    const float radius = static_cast<float>(kBallDiameters[std::clamp(e->value, 0, 2)]) / 2.0f;
    if (e->y > kBoardBottom - radius) continue;
    if (!lowest || e->y > lowest->y) lowest = e;
    if (e->vy > 0.0f) {
      const float h = static_cast<float>(kBallDiameters[std::clamp(e->value, 0, 2)]);
      const float t = std::max(0.0f, (kPaddleRestLine - h / 2.0f - e->y) / e->vy);
      if (t < soonest) {
        soonest = t;
        target = e;
      }
    }
  }

  float aimX = play.paddleX;
  if (target) {
    const float r = static_cast<float>(kBallDiameters[std::clamp(target->value, 0, 2)]) / 2.0f;
    const float x = FoldedX(target->x, target->vx, soonest, left + r,
                            static_cast<float>(program.screenWidth) - left - r);
    lastPrediction = x;
    aimX = x - aimOffset_ * halfWidth;
  } else if (lowest) {
    lastPrediction = -1.0f;
    aimX = lowest->x;
  }

  // 3. Capsules: with no ball due soon, go under the lowest wanted capsule;
  // keep away from "kill".
  const bool ballDueSoon = target && soonest < 0.3f;
  if (!ballDueSoon) {
    const Entity* capsule = nullptr;
    for (const Entity* e = entityHead.next; e; e = e->next) {
      if (e->kind != kEntityFallingPowerUp || e->dead || e->value == kPowerUpKill) continue;
      if (e->y > kPaddleRestLine + 10.0f) continue;
      if (!capsule || e->y > capsule->y) capsule = e;
    }
    if (capsule) aimX = capsule->x;
  }
  for (const Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind != kEntityFallingPowerUp || e->dead || e->value != kPowerUpKill) continue;
    if (e->y < kPaddleRestLine - 120.0f || e->y > kPaddleRestLine + 10.0f) continue;
    const float reach = halfWidth + 30.0f;
    if (std::fabs(aimX - e->x) < reach) {
      // Step aside to the side the paddle can reach on the board.
      const float lo = left + halfWidth, hi = left + static_cast<float>(boardSet.columns * kCellWidth) - halfWidth;
      float away = aimX < e->x ? e->x - reach : e->x + reach;
      if (away < lo || away > hi) away = aimX < e->x ? e->x + reach : e->x - reach;
      // Only step aside when no ball needs the paddle there.
      if (!ballDueSoon) aimX = away;
    }
  }

  in.mouseX = static_cast<int32_t>(std::lround(std::clamp(aimX, 0.0f, static_cast<float>(program.screenWidth - 1))));
  in.mouseY = static_cast<int32_t>(kPaddleRestLine);

  // 5. Clicks: launch a held ball after a short random wait; fire the laser;
  // now and then hold the button down for the paddle's dip.
  if (holding_ > 0) {
    if (--holding_ == 0) in.release = true;
    return in;
  }
  if (anyHeld) {
    if (launchWait_ < 0) launchWait_ = static_cast<int32_t>(rng_() % 31);
    if (launchWait_-- == 0) {
      launchWait_ = -1;
      in.click = true;
    }
  } else {
    launchWait_ = -1;
    if (play.board.laserOn && frame_ % 10 == 0) {
      in.click = true;
    } else if (target && soonest < 0.4f && rng_() % 40 == 0) {
      // Dip the paddle into a falling ball now and then.
      in.press = true;
      holding_ = 10;
    }
  }
  return in;
}

}  // namespace vantrel::test
