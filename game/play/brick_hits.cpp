// Ball-brick collision, brick hits and the cell operations they use.
#include "game/play/brick_hits.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/play/ball_tuning.h"
#include "game/play/charms.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/scoring.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/random.h"

namespace {

constexpr double kPositionLimit = 1073741824.0;  // 2^30
// Unsent breaks above this go to the stat.
constexpr int32_t kBricksBrokenBatch = 100;

// Sound numbers.
constexpr SoundEffect kSoundMultiHit = kSoundEffect;
constexpr SoundEffect kSoundHard = kSoundAoLaser;
constexpr SoundEffect kSoundBreak = kSoundWowPulse;
constexpr SoundEffect kSoundReveal = kSoundGlass;
constexpr SoundEffect kSoundFastBreak = kSoundGlassShort;

int32_t ColumnCount() { return BoardColumns(); }
int32_t KindOf(int32_t v) { return BrickKindOf(v); }

// A hidden brick is stored as its negated number; values below -999 are
// not hidden bricks but plain ones (and must never be negated).
bool IsHiddenValue(int32_t v) { return v < 0 && v >= -999; }

float CellCentreX(int32_t column) { return float(boardSet.GetBoardLeft() + kCellWidth * column + kCellWidth / 2); }

void PlayCellSound(SoundEffect sample, int32_t column) { PlaySoundAt(sample, CellCentreX(column), 0, 63); }

ExploQueue* FindQueued(int32_t column, int32_t row) {
  for (ExploQueue* q = exploQueueHead.next; q; q = q->next) {
    if (q->column == column && q->row == row) return q;
  }
  return nullptr;
}

void MakeFastBreakSparks(int32_t v, int32_t column, int32_t row) {
  // Without a picture (or one without pixels) there is nothing to take
  // sparks from; the crack still sounds.
  const Bitmap* frame = BrickFrame(v);
  if (frame && !frame->pixels) frame = nullptr;
  const int32_t left = boardSet.GetBoardLeft();
  for (int i = 0; i < 20 && frame; ++i) {
    const int32_t px = plat::Rand() % kCellWidth;
    const int32_t py = plat::Rand() % kCellHeight;
    // The picture may be smaller than a cell: read only inside it.
    if (px >= frame->width || py >= frame->height) continue;
    SparkFromPixel(*frame, px, py, float(left + kCellWidth * column + px), float(kBoardTop + kCellHeight * row + py),
                   50.0f, 40.0f, 1000, play.board.gravityOn > 0 ? kSparkFalls : 0);
  }
  const int32_t f = soundSystem.GetSampleRate(kSoundFastBreak);
  if (f != 0) {
    const int32_t jitter = int32_t(RandomInt(uint32_t(std::max(f / 3, 0))));
    PlaySoundAt(kSoundFastBreak, CellCentreX(column), f + jitter - f / 5, 63);
  }
}

void CountBreak() {
  if (!play.board.charmEntity) --play.player.charmDelay;
  ++play.brokenBricksCount;
  if (play.brokenBricksCount > kBricksBrokenBatch) {
    if (!settings.cheatMode && communityManager)
      communityManager->AddToStat("BricksBroken", float(play.brokenBricksCount));
    play.brokenBricksCount = 0;
  }
}

int32_t BreakBrick(int32_t column, int32_t row, int32_t v, int32_t fromExplosion, int32_t fastBreak) {
  SetBrick(column, row, 0);
  AddScoreAtCell((fromExplosion && !fastBreak) ? 8 : play.pointsPerBrick, column, row);
  MaybeDropPowerUp(column, row, 0);
  if (fromExplosion) {
    int32_t m = v;
    const int32_t steps = plat::Rand() % 3 + 1;
    for (int32_t i = 0; i < steps; ++i) m = NextBrickIdOfKind(m, kBrickExplo);
    InsertEntityFirst(kEntityBrickPiece, m, 0, float(column), float(row), 0, 0);
  } else if (fastBreak) {
    MakeFastBreakSparks(v, column, row);
  } else {
    PlayCellSound(kSoundBreak, column);
    InsertEntityFirst(kEntityBrickPiece, v, 0, float(column), float(row), 0, 0);
  }
  CountBreak();
  return 1;
}

}  // namespace

int32_t BrickKindOf(int32_t v) { return (v >= 1 && v <= 999) ? boardSet.GetBrickType(v) : kBrickPlain; }

int32_t BoardColumns() { return std::clamp(boardSet.columns, 0, BoardRecord::kColumns); }

const Bitmap* BrickFrame(int32_t v) {
  if (v < 1 || v > boardSet.bricks.count) return nullptr;
  const Image* image = boardSet.bricks.GetImage(v - 1);
  return image->frameCount > 1 ? image->GetFrame(1) : image;
}

bool PositionToInt(double v, int32_t* out, bool truncate) {
  if (!std::isfinite(v) || v > kPositionLimit || v < -kPositionLimit) return false;
  *out = int32_t(truncate ? std::trunc(v) : std::floor(v));
  return true;
}

bool IsOnBoard(int32_t column, int32_t row) {
  return column >= 0 && column < ColumnCount() && row >= 0 && row < kBoardRows;
}

bool CellAt(float px, float py, int32_t* column, int32_t* row) {
  const double left = boardSet.GetBoardLeft();
  int32_t c, r;
  if (!PositionToInt((double(px) - left) / kCellWidth, &c)) return false;
  if (!PositionToInt((double(py) - kBoardTop) / kCellHeight, &r)) return false;
  if (!IsOnBoard(c, r)) return false;
  *column = c;
  *row = r;
  return true;
}

int32_t BallBrickCollision(Entity* e) {
  if (!e) return 0;
  const float hw = e->width / 2;
  const float hh = e->height / 2;
  const float radius = std::sqrt(hw * hw + hh * hh);
  // Above, right, below, left of the centre.
  const float dx[4] = {0, radius, 0, -radius};
  const float dy[4] = {-radius, 0, radius, 0};
  enum { kAbove, kRight, kBelow, kLeft };
  bool touched[4] = {false, false, false, false};
  int32_t result = 0;
  for (int p = 0; p < 4; ++p) {
    int32_t column, row;
    if (!CellAt(e->x + dx[p], e->y + dy[p], &column, &row) || boardSet.GetCell(column, row) == 0) {
      touched[p] = false;
      continue;
    }
    touched[p] = true;
    bool fired = false;
    if (touched[kAbove] && e->vy < 0) {
      fired = true;
      if (!play.board.throughOn) e->vy = std::max(5.0f, std::fabs(e->vy));
    }
    if (touched[kBelow] && e->vy > 0) {
      fired = true;
      if (!play.board.throughOn) e->vy = std::min(-5.0f, -std::fabs(e->vy));
    }
    if (touched[kLeft] && e->vx < 0) {
      fired = true;
      if (!play.board.throughOn) e->vx = std::max(5.0f, std::fabs(e->vx));
    }
    if (touched[kRight] && e->vx > 0) {
      fired = true;
      if (!play.board.throughOn) e->vx = std::min(-5.0f, -std::fabs(e->vx));
    }
    if (!fired) continue;
    result = 1;
    if (play.board.fireballOn) SetBrick(column, row, NextBrickIdOfKind(0, kBrickExplo));
    const int32_t fast = (!settings.classicRules && e->kind == kEntityBall &&
                          e->vx * e->vx + e->vy * e->vy > kFastBreakSpeedSquared)
                             ? 1
                             : 0;
    HitBrick(column, row, 0, fast);
  }
  // A ball that touches the charm on the board collects it (laser bolts pass).
  // The charm's centre is 12 pixels below its anchor, on a whole pixel.
  if (play.board.charmEntity && e->kind == kEntityBall) {
    const float dx = e->x - play.board.charmEntity->x;
    const float dy = e->y - std::trunc(play.board.charmEntity->y + 12.0f);
    const float reach = e->height / 2 + 27.0f;
    if (dx * dx + dy * dy < reach * reach) {
      CollectCharm(play.board.charmEntity);
      play.board.charmEntity = nullptr;
    }
  }
  return result;
}

int32_t HitBrick(int32_t column, int32_t row, int32_t fromExplosion, int32_t fastBreak) {
  if (!IsOnBoard(column, row)) return 0;
  int32_t v = boardSet.GetCell(column, row);
  if (v == 0) return 0;
  const int32_t kind = KindOf(v);

  if (kind == kBrickInvin && !fromExplosion && !play.board.throughOn) {
    PlayCellSound(kSoundHard, column);
    if (++play.board.invinHits == 1) play.firstInvinHitTime = play.game.playClock;
    return 0;
  }
  play.board.invinHits = 0;

  if (IsHiddenValue(v)) {
    v = -v;
    SetBrick(column, row, v);
    if (fromExplosion) return BreakBrick(column, row, v, fromExplosion, fastBreak);
    PlayCellSound(kSoundReveal, column);
    if (play.particlesLastFrame < kParticleCap) {
      const int32_t left = boardSet.GetBoardLeft();
      for (int i = 0; i < 12; ++i) {
        const float fx = float(plat::Rand() % 100) / 100.0f;
        const float fy = float(plat::Rand() % 100) / 100.0f;
        InsertEntityFirst(kEntitySpark, 0, kSparkGrey, float(left + kCellWidth * column + int32_t(48 * fx)),
                          float(kBoardTop + kCellHeight * row + int32_t(24 * fy)), 300 * fx - 150, 300 * fy - 150);
      }
    }
    return 0;
  }

  // A multi-hit brick wears to the next brick id while that one is
  // multi-hit too; an almost-invincible brick to the next invincible one. A
  // ball's hit that wears it scores 2; an explosion or a fast break wears it
  // and breaks it at once, as does a hit with nothing left to wear to.
  if (kind == kBrickMulti || kind == kBrickAlmostInvin) {
    const int32_t n = kind == kBrickMulti ? (KindOf(v + 1) == kBrickMulti ? v + 1 : -1)
                                          : NextBrickIdOfKind(v, kBrickInvin);
    if (n > 0) {
      SetBrick(column, row, n);
      if (!fromExplosion && !fastBreak) {
        AddScoreAtCell(2, column, row);
        PlayCellSound(kSoundMultiHit, column);
        return 0;
      }
    }
    return BreakBrick(column, row, v, fromExplosion, fastBreak);
  }

  if (kind == kBrickExplo) {
    if (ExploQueue* queued = FindQueued(column, row)) {
      queued->Swap(exploQueueHead.next);
    } else if (ExploQueue* node = new (std::nothrow) ExploQueue(column, row)) {
      if (fromExplosion) {
        ExploQueue::Append(&exploQueueHead, node);
      } else {
        exploQueueHead.InsertAfter(node);
      }
    }
    ++play.brokenBricksCount;
    if (!play.board.charmEntity) --play.player.charmDelay;
    return 1;
  }

  return BreakBrick(column, row, v, fromExplosion, fastBreak);
}

void ClampBallSpeed(Entity* ball, float speed) {
  if (!ball) return;
  const float d = std::max(1.0f, std::sqrt(ball->vx * ball->vx + ball->vy * ball->vy));
  float s = speed != 0 ? speed : d + 2.25f;
  s = std::max(s, ball_tuning::kMinBallSpeed);
  const float limit = settings.kidMode        ? ball_tuning::kKidModeTopSpeed
                      : settings.classicRules ? ball_tuning::kClassicTopSpeed
                                              : ball_tuning::kMaxBoostedSpeed;
  s = std::min(s, limit);
  ball->vx = ball->vx / d * s;
  ball->vy = ball->vy / d * s;
}

int32_t NextBrickIdOfKind(int32_t n, int32_t kind) {
  const int64_t count = boardSet.bricks.count;
  for (int64_t i = 1; i < count; ++i) {
    int64_t c = (int64_t(n) + i) % count;
    if (c < 0) c += count;
    if (KindOf(int32_t(c)) == kind) return int32_t(c);
  }
  return -1;
}

int32_t NextBrickInRun(int32_t n, int32_t kind) {
  const int32_t count = boardSet.bricks.count;
  int32_t m = std::clamp(n, 0, std::max(count, 0));
  // The walk stops at 0: number 0 is of kind 0 too.
  if (KindOf(m) == kind && KindOf(m + 1) != kind) {
    while (m > 0 && KindOf(m) == kind) --m;
  }
  return NextBrickIdOfKind(m, kind);
}

int32_t SetBrick(int32_t column, int32_t row, int32_t value) {
  if (!IsOnBoard(column, row)) return 0;
  if (value >= 0) boardSet.SetCell(column, row, value);
  const int32_t v = boardSet.GetCell(column, row);
  const int32_t x = boardSet.GetBoardLeft() + kCellWidth * column;
  const int32_t y = kBoardTop + kCellHeight * row;
  const Bitmap* brick = v > 0 ? BrickFrame(v) : nullptr;
  if (brick) {
    // A blit trusts its target to have the source's depth.
    if (brick->bytesPerPixel == sceneBackdrop.bytesPerPixel) {
      brick->Draw(sceneBackdrop.pixels, sceneBackdrop.width, sceneBackdrop.height, sceneBackdrop.stride, x, y, 0, 256);
    }
  } else if (boardBackdrop.bytesPerPixel == sceneBackdrop.bytesPerPixel) {
    boardBackdrop.DrawPart(sceneBackdrop.pixels, sceneBackdrop.width, sceneBackdrop.height, sceneBackdrop.stride, x, y,
                           x, y, kCellWidth, kCellHeight, 0, 256);
  }
  return RestoreBackgroundRect(x, y, kCellWidth, kCellHeight);
}

int32_t HideInvisibleBricks() {
  int32_t hidden = 0;
  const int32_t columns = ColumnCount();
  for (int32_t row = 0; row < kBoardRows; ++row) {
    for (int32_t column = 0; column < columns; ++column) {
      const int32_t v = boardSet.GetCell(column, row);
      if (v >= 0 && v <= 999 && KindOf(v) == kBrickHidden) {
        boardSet.SetCell(column, row, -v);
        ++hidden;
      }
    }
  }
  return hidden;
}
