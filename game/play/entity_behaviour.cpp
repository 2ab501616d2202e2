#include "game/play/entity_behaviour.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/ball_tuning.h"
#include "game/play/board_background.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/powerup_effects.h"
#include "game/play/scoring.h"
#include "graphics/bitfont.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/random.h"

int32_t nonFiniteResets = 0;

namespace {

using namespace ball_tuning;

constexpr float kTwoPi = 6.28318f;

int32_t BoardLeft() { return boardSet.GetBoardLeft(); }
int32_t BoardColumns() { return std::clamp(boardSet.columns, 0, BoardRecord::kColumns); }
int32_t BoardRight() { return BoardLeft() + BoardColumns() * BoardSet::kCellWidth; }

int32_t Px(float v) { return PositionToInt(v); }

float Speed(const Entity* e) { return std::sqrt(e->vx * e->vx + e->vy * e->vy); }

// Scales the velocity to `speed`, keeping the direction.
void SetSpeed(Entity* e, float current, float speed) {
  if (current > 0.0f) {
    const float k = speed / current;
    e->vx *= k;
    e->vy *= k;
  }
}

int32_t BallDiameter(int32_t size) { return kBallDiameters[std::clamp(size, 0, 2)]; }

// The rate a ball plays its sounds at: twice the sample's own for a small
// ball, half for a big one, its own (0) otherwise.
int32_t BallSoundRate(const Entity* ball, SoundEffect sample) {
  if (ball->value == kBallSmall) return soundSystem.GetSampleRate(sample) * 2;
  if (ball->value == kBallBig) return soundSystem.GetSampleRate(sample) / 2;
  return 0;
}

void SetDirty(Entity* e, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  e->dirty[0] = left;
  e->dirty[1] = top;
  e->dirty[2] = right;
  e->dirty[3] = bottom;
}

void ClearDirty(Entity* e) { SetDirty(e, 0, 0, 0, 0); }

// Grows the dirty rectangle to hold another one (an empty one is replaced).
void AddToDirty(Entity* e, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (e->dirty[2] <= e->dirty[0] || e->dirty[3] <= e->dirty[1]) {
    SetDirty(e, left, top, right, bottom);
    return;
  }
  SetDirty(e, std::min(e->dirty[0], left), std::min(e->dirty[1], top), std::max(e->dirty[2], right),
           std::max(e->dirty[3], bottom));
}

// The display frame of image `frame` of a set, or null when it cannot be
// blitted onto the back buffer (no pixels, or another depth).
const Bitmap* DisplayFrame(const ImageSet* set, int32_t frame) {
  if (!set) return nullptr;
  const Image* image = set->GetImage(frame);
  if (!image) return nullptr;
  const Bitmap* f = image->GetFrame(1);
  if (!f || !f->pixels || f->bytesPerPixel != TheDisplay().bytesPerPixel) return nullptr;
  return f;
}

// Blended below alpha 256, else a keyed copy; the rectangle drawn becomes
// the entity's dirty rectangle (empty when nothing could be drawn).
void DrawKeyedAt(Entity* e, const Bitmap* f, int32_t x, int32_t y, int32_t alpha) {
  plat::WindowRect rect;
  if (f) {
    if (alpha < 256) {
      BlitKeyed(f, x, y, std::max(alpha, 0), nullptr, &rect);
    } else {
      BlitImage(f, x, y, &rect, 1);
    }
  }
  SetDirty(e, rect.left, rect.top, rect.right, rect.bottom);
}

void DrawOwnPicture(Entity* e) {
  if (!e->image || e->frame < 0) {
    ClearDirty(e);
    return;
  }
  DrawKeyedAt(e, DisplayFrame(e->image, e->frame), Px(e->x), Px(e->y), e->alpha);
}

// A line in three strands: the outer two in (c/2, c/2, c), the middle one in
// (c, c, 255); `across` shifts the outer strands by one pixel in x (true) or y.
void DrawBoltSegment(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool across) {
  const int32_t c = 127 + plat::Rand() % 128;
  const uint8_t outer = static_cast<uint8_t>(c / 2), mid = static_cast<uint8_t>(c);
  const int32_t dx = across ? 1 : 0, dy = across ? 0 : 1;
  DrawLine(x1 - dx, y1 - dy, x2 - dx, y2 - dy, outer, outer, mid);
  DrawLine(x1, y1, x2, y2, mid, mid, 255);
  DrawLine(x1 + dx, y1 + dy, x2 + dx, y2 + dy, outer, outer, mid);
}

void MarkDirty(Entity* e, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  SetDirty(e, left, top, right, bottom);
  TheDisplay().AddDirtyRect(left, top, right - left, bottom - top);
}

// ---- logic by kind ----

void PaddleLogic(Entity* e) {
  e->image = &paddleSet;
  const int32_t mode = std::min(
      ((play.board.catchOn || play.board.heldFrames > 0) ? 1 : 0) + 2 * (play.board.laserOn ? 1 : 0), 2);
  e->frame = 20 * mode + static_cast<int32_t>((program.totalMs / 100) % 4) - 4 * play.board.paddleSize + 16;
  const Image* picture = paddleSet.GetImage(e->frame);  // the set's image 0 when out of range
  e->width = static_cast<float>(picture->width);
  e->height = static_cast<float>(picture->height);
  play.paddleHalfWidth = e->width / 2.0f;
  if (play.board.ballLost || play.board.paused) return;

  if (input.paddleButtonHeld && !play.board.laserOn && !play.board.catchOn && !play.board.heldFrames &&
      !settings.classicRules) {
    play.board.paddleSink = std::min(play.board.paddleSink + 600.0f * program.frameSec, kMaxSink);
    if (play.board.paddleSink >= kMaxSink)
      play.board.paddleSinkTrail = std::min(play.board.paddleSinkTrail + play.sinkTrailRate * program.frameSec,
                                            play.board.paddleSink);
  } else {
    play.board.paddleSink = std::max(play.board.paddleSink - 200.0f * program.frameSec, 0.0f);
    play.board.paddleSinkTrail = std::max(play.board.paddleSinkTrail - play.sinkTrailRate * program.frameSec,
                                          play.board.paddleSink);
  }

  const float lo = static_cast<float>(BoardLeft()) + e->width / 2.0f;
  const float hi = static_cast<float>(BoardRight()) - e->width / 2.0f;
  e->x = std::max(lo, std::min(static_cast<float>(input.mouseX), hi));
  e->y = kPaddleRestLine - play.board.paddleSink;
  play.paddleX = e->x;
  play.paddleY = e->y;
  play.playfieldLeft = static_cast<int32_t>(lo);

  if (play.board.doubleScoreMs > 0) {
    const float t = std::min(1.0f, static_cast<float>(play.board.doubleScoreMs) / 10000.0f);
    if (std::abs(play.game.playClock - e->startTime) > static_cast<int32_t>((1.0f - t) * 20.0f) + 2) {
      if (play.particlesLastFrame < kParticleCap) {
        const float side = plat::Rand() % 100 > 50 ? 1.0f : -1.0f;
        const float sy = play.paddleY + 15.0f + static_cast<float>(plat::Rand() % 8 - 4);
        const float svx = (static_cast<float>(plat::Rand() % 50) + 30.0f + t * 125.0f) * side;
        const float svy = static_cast<float>(plat::Rand() % 50 - 70);
        Spark(600, 9, play.paddleX + side * e->width / 2.0f, sy, svx, svy);
      }
      e->startTime = play.game.playClock;
    }
  }
}

void HitSparks(const Entity* e) {
  for (int i = 0; i < kHitSparks; ++i) {
    const float svx = e->vx * 0.1f + static_cast<float>(plat::Rand() % 100 - 50);
    const float svy = e->vy * 0.1f + static_cast<float>(plat::Rand() % 100 - 50);
    Spark(0, 0, e->x, e->y, svx, svy);
  }
}

// The burst of a ball leaving the paddle hard: `count` sparks up and to the
// sides, up to `spreadX` - 200 to the right; made whatever the particle count.
void PaddleSparkBurst(const Entity* e, int32_t count, int32_t spreadX) {
  for (int32_t i = 0; i < count; ++i) {
    const float svx = static_cast<float>(plat::Rand() % spreadX - 200);
    const float svy = static_cast<float>(plat::Rand() % 200 - 200);
    Spark(0, 0, e->x, e->y, svx, svy, true);
  }
}

void BallTrail(Entity* e) {
  const float speed = Speed(e);
  const int32_t since = std::abs(play.game.playClock - e->startTime);
  const bool due = ((play.board.fireballOn || play.board.gravityOn) && since > kEffectTrailGapMs) ||
                   (speed * speed > kTrailSpeed * kTrailSpeed &&
                    since > static_cast<int32_t>((5.0f - (speed - kTrailSpeed) / kTrailSpeedStep) * 20.0f));
  if (!due) return;
  if (play.particlesLastFrame < kParticleCap) {
    int32_t life = 1000, flags = 0;
    float svx = e->vx * 0.2f + static_cast<float>(plat::Rand() % 50 - 25);
    float svy = e->vy * 0.2f + static_cast<float>(plat::Rand() % 50 - 25);
    if (play.board.gravityOn) {
      svx = 0.0f;
      svy = 10.0f;
      flags = kSparkFalls | (play.board.fireballOn ? 0 : play.board.throughOn ? kSparkBlueGreen : kSparkGrey);
    } else if (play.board.fireballOn) {
      flags = 0;
    } else {
      life = 500;
      flags = play.board.throughOn ? kSparkBlueGreen : kSparkGrey;
    }
    const int32_t w = std::max(1, static_cast<int32_t>(e->width));
    const int32_t h = std::max(1, static_cast<int32_t>(e->height));
    const float sx = e->x + static_cast<float>(plat::Rand() % w) - e->width / 2.0f;
    const float sy = e->y + static_cast<float>(plat::Rand() % h) - e->height / 2.0f;
    Spark(life, flags, sx, sy, svx, svy);
  }
  e->startTime = play.game.playClock;
}

int32_t PointsPerBrick(const Entity* ball, float speed) {
  const int32_t percent = 100 + (play.board.paddleSize == 0 ? kSmallTargetBonusPercent : 0) +
                          (ball->value == kBallSmall ? kSmallTargetBonusPercent : 0);
  return static_cast<int32_t>(speed * kPointsPerSpeed) * percent / 100;
}

// Above the cruise speed the ball loses speed, not below it (unless the
// classic rules hold); its speed after.
float SlowDown(Entity* ball, float speed) {
  if (!settings.classicRules && speed > kCruiseSpeed) {
    const float slower = std::max(kCruiseSpeed,
                                  speed - kSlowDownPerSecond * static_cast<float>(program.frameMs) / 1000.0f);
    SetSpeed(ball, speed, slower);
    speed = slower;
  }
  return speed;
}

// Under gravity the ball gains downward speed, never more speed in all than
// it had (`speed`) or the cruise speed.
void FallUnderGravity(Entity* ball, float speed) {
  if (!play.board.gravityOn) return;
  ball->vy += kGravityPerSecond * static_cast<float>(program.frameMs) / 1000.0f;
  const float cap = std::max(speed, kCruiseSpeed);
  const float now = Speed(ball);
  if (now > cap) SetSpeed(ball, now, cap);
}

// Whether an entity is over the paddle: below its top by its half height and
// within its ends widened by `margin`, while the ball is not lost.
bool OverPaddle(const Entity* e, float margin) {
  return e->y > play.paddleY - e->height / 2.0f && play.paddleX - play.paddleHalfWidth - margin < e->x &&
         e->x < play.paddleX + play.paddleHalfWidth + margin && !play.board.ballLost;
}

// The walls an entity turns back from: the board's left edge, the right one
// as far from the screen's right edge, the top of the screen.
enum Wall : uint32_t { kLeftWall = 1, kRightWall = 2, kTopWall = 4 };

// Turns the entity back from each of `walls` it has reached (within its half
// size) while moving into it, and calls bounced() after each turn.
template <typename Bounced>
void BounceOffWalls(Entity* e, uint32_t walls, Bounced bounced) {
  const float left = static_cast<float>(BoardLeft());
  if ((walls & kLeftWall) && e->x < left + e->width / 2.0f && e->vx < 0.0f) {
    e->vx = std::fabs(e->vx);
    bounced();
  }
  if ((walls & kRightWall) && e->x > static_cast<float>(program.screenWidth) - left - e->width / 2.0f && e->vx > 0.0f) {
    e->vx = -std::fabs(e->vx);
    bounced();
  }
  if ((walls & kTopWall) && e->y < e->height / 2.0f && e->vy < 0.0f) {
    e->vy = std::fabs(e->vy);
    bounced();
  }
}

// The paddle sound of a bounce, at most one each kPaddleSoundGapMs: the
// centre's or the edge's. The first bounce after the fall was armed starts it.
std::optional<SoundEffect> PaddleSound(const Entity* ball, bool centre) {
  if (play.game.playClock - play.game.lastPaddleSoundTime <= kPaddleSoundGapMs) return std::nullopt;
  play.game.lastPaddleSoundTime = play.game.playClock;
  if (play.board.fallArmed) {
    play.board.fallRunning = 1;
    PlaySoundAt(kSoundOrchestraBlast, ball->x, 0, 63);
  }
  return centre ? kSoundBoing : kSoundSwordSwing;
}

// The speed a paddle bounce gives (unless the classic rules hold): a little
// more, and much more off a dipped paddle on its way back up.
float PaddleSpeed(const Entity* ball, float speed) {
  if (settings.classicRules) return speed;
  speed += kPaddleSpeedGain;
  if (input.paddleButtonHeld && play.board.paddleSink < kMaxSink) {
    const float factor = 1.0f - play.board.paddleSink / kMaxSink;
    speed = std::min(kMaxBoostedSpeed, speed + kSinkBoost * factor);
    if (factor > 0.0f) {
      PlaySoundAt(kSoundVolleyBall, ball->x, BallSoundRate(ball, kSoundVolleyBall),
                  static_cast<int32_t>(factor * 63.0f));
      PaddleSparkBurst(ball, kBoostSparks + static_cast<int32_t>(kBoostSparksMore * factor), 600);
    }
  }
  return speed;
}

// A ball over the paddle leaves it at an angle by where it struck, at the
// paddle's speed; one in its centre part is put on top of it, and is caught
// or (classic rules, fast) ricochets. The sound chosen, if any.
std::optional<SoundEffect> BounceOffPaddle(Entity* ball) {
  const bool centre = std::fabs(ball->x - play.paddleX) < kPaddleCentrePart * play.paddleHalfWidth;
  std::optional<SoundEffect> sound = PaddleSound(ball, centre);
  float angle = (ball->x - play.paddleX) / std::max(1.0f, play.paddleHalfWidth) * kMaxBounceAngle;
  angle = std::max(-kMaxBounceAngle, std::min(angle, kMaxBounceAngle));
  const float s = PaddleSpeed(ball, Speed(ball));
  ball->vx = std::sin(angle) * s;
  ball->vy = -std::cos(angle) * s;
  if (!centre) return sound;
  ball->y = play.paddleY - ball->height / 2.0f;
  if (play.board.catchOn && play.catchGraceFrames == 0) {
    ball->flags |= kBallHeld;
    ball->aux = static_cast<int32_t>(ball->x - play.paddleX);
    ball->heldSpeed = static_cast<int32_t>(s);
    return kSoundHumm;
  }
  if (settings.classicRules && s > kRicochetSpeed) {
    PaddleSparkBurst(ball, kRicochetSparks, 400);
    return kSoundRicochet;
  }
  return sound;
}

// A held ball rides on the paddle where it was caught, and keeps the
// paddle's arcs going.
void RideOnPaddle(Entity* ball) {
  ball->x = play.paddleX + static_cast<float>(ball->aux);
  ball->y = play.paddleY - ball->height / 2.0f;
  ball->vx = ball->vy = 0.0f;
  play.board.heldFrames = 2;
}

void BallLogic(Entity* e) {
  play.ballCount += 1;
  e->width = e->height = static_cast<float>(BallDiameter(e->value));
  play.lastBallVx = e->vx;
  play.lastBallVy = e->vy;
  const float speed = Speed(e);
  play.pointsPerBrick = PointsPerBrick(e, speed);
  FallUnderGravity(e, SlowDown(e, speed));
  if (BallBrickCollision(e)) {
    ClampBallSpeed(e, 0.0f);
    if (!play.board.throughOn) HitSparks(e);
  }
  BallTrail(e);

  if (e->flags & kBallHeld) {
    RideOnPaddle(e);
    return;
  }

  std::optional<SoundEffect> sound;
  if (OverPaddle(e, e->width / 2.0f)) sound = BounceOffPaddle(e);
  if (!(e->flags & kBallHeld)) {
    BounceOffWalls(e, kLeftWall | kRightWall | kTopWall, [&] {
      ClampBallSpeed(e, 0.0f);
      sound = kSoundBassDrum;
    });
    if (e->y > kBoardBottom - e->height / 2.0f && e->vy > 0.0f) {
      e->dead = 1;
      sound = kSoundByeBall;
    }
  }
  if (!play.board.gravityOn && std::fabs(e->vy) < kMinVerticalSpeed)
    e->vy = static_cast<float>(plat::Rand() % 100 - 50);
  if (sound) PlaySoundAt(*sound, e->x, BallSoundRate(e, *sound), 63);
}

void CapsuleLogic(Entity* e) {
  play.capsuleMarker = 2;
  e->vy += 160.0f * program.frameSec;
  e->width = static_cast<float>(powerUpSet.width);
  e->height = static_cast<float>(powerUpSet.height);
  const auto bang = [e] { PlaySoundAt(kSoundBassDrum, e->x, 0, 63); };
  BounceOffWalls(e, kLeftWall, bang);
  // The "kill" capsule must be caught with the paddle itself.
  if (OverPaddle(e, e->value == kPowerUpKill ? 0.0f : e->width / 2.0f) && !e->dead) {
    AddScoreAt(50, e->x, e->y - 10.0f);
    PlaySoundAt(static_cast<SoundEffect>(e->flags), e->x, 0, 63);
    ApplyPowerUpEffect(static_cast<PowerUpId>(e->value));
    e->dead = 1;
  }
  BounceOffWalls(e, kRightWall | kTopWall, bang);
  if (e->y > kBoardBottom && e->vy > 0.0f) e->dead = 1;
}

void BoltLogic(Entity* e) {
  play.boltCount += 1;
  e->width = 3.0f;
  e->height = 16.0f;
  play.pointsPerBrick = 8;
  if (BallBrickCollision(e) && !play.board.throughOn) {
    e->dead = 1;
    HitSparks(e);
  }
  if (e->y < 0.0f) e->dead = 1;
}

void PieceLogic(Entity* e) {
  const int32_t age = play.game.playClock - e->aux;
  e->alpha = std::clamp(256 - (age * 256) / 150, 0, 256);
  if (age > 150) e->dead = 1;
}

void SparkLogic(Entity* e) {
  const float fraction = static_cast<float>(std::abs(play.game.playClock - e->startTime)) /
                         static_cast<float>(std::max(1, e->value));
  if (e->flags & kSparkFalls) e->vy += 100.0f * static_cast<float>(program.frameMs) / 1000.0f;
  const float left = static_cast<float>(BoardLeft()), right = static_cast<float>(BoardRight());
  if ((e->vx > 0.0f && e->x >= right) || (e->vx < 0.0f && e->x <= left)) e->vx = -e->vx;
  if (fraction > 1.0f) {
    e->dead = 1;
  } else {
    e->alpha = static_cast<int32_t>((1.0f - fraction) * 255.0f);
  }
  play.particlesThisFrame += 1;
}

void ExplosionLogic(Entity* e) {
  const int32_t age = play.game.playClock - e->aux;
  e->frame = std::clamp(age * 45 / 400, 0, 45);
  if (age > 100 && e->flags == 0) {
    const int32_t c = Px(e->x), r = Px(e->y);
    for (int32_t dc = -1; dc <= 1; ++dc) {
      for (int32_t dr = -1; dr <= 1; ++dr) {
        if (dc == 0 && dr == 0) continue;
        const int64_t nc = int64_t{c} + dc, nr = int64_t{r} + dr;
        if (nc >= 0 && nc < BoardColumns() && nr >= 0 && nr < BoardRecord::kRows) {
          HitBrick(static_cast<int32_t>(nc), static_cast<int32_t>(nr), 1, 0);
        }
      }
    }
    e->flags = kExplosionSpread;
  }
  if (age > 400) e->dead = 1;
}

// Walks clockwise along the border of the 45 x 21 path: the top edge to the
// right, the right edge down, the bottom to the left, the left edge up.
void GlowLogic(Entity* e) {
  if (!std::isfinite(e->x) || !std::isfinite(e->y)) e->x = e->y = 0.0f;
  // A place off the path is put on it first, so the walk always ends.
  e->x = std::clamp(e->x, 0.0f, kGlowPathWidth);
  e->y = std::clamp(e->y, 0.0f, kGlowPathHeight);
  if (e->x > 0.0f && e->x < kGlowPathWidth && e->y > 0.0f && e->y < kGlowPathHeight) e->y = 0.0f;
  float d = play.glowSpeed * program.frameSec;
  if (std::isfinite(d) && d > 0.0f) {
    d = std::fmod(d, 2.0f * (kGlowPathWidth + kGlowPathHeight));
    for (int step = 0; step < 5 && d > 0.0f; ++step) {
      if (e->y <= 0.0f && e->x < kGlowPathWidth) {
        const float m = std::min(d, kGlowPathWidth - e->x);
        e->x += m;
        d -= m;
      } else if (e->x >= kGlowPathWidth && e->y < kGlowPathHeight) {
        const float m = std::min(d, kGlowPathHeight - e->y);
        e->y += m;
        d -= m;
      } else if (e->y >= kGlowPathHeight && e->x > 0.0f) {
        const float m = std::min(d, e->x);
        e->x -= m;
        d -= m;
      } else {
        const float m = std::min(d, e->y);
        e->y -= m;
        d -= m;
      }
    }
  }
  if (play.board.doubleScoreMs < 1) e->dead = 1;
  play.particlesThisFrame += 1;
}

// ---- drawing by kind ----

void DrawPaddle(Entity* e) {
  const bool arcs = play.board.heldFrames > 0 || play.catchGraceFrames > 0;
  int32_t x0 = 0, x1 = 0, top = 0;
  if (arcs) {
    const float w = 0.92f * play.paddleHalfWidth;
    x0 = Px(play.paddleX - w);
    x1 = Px(play.paddleX + w);
    top = Px(play.paddleY - 26.0f);
    RestoreBackgroundRect(x0, top, x1 - x0 + 1, 32);
    // While paused the paddle is gone, and its arcs with it.
    if (play.board.heldFrames > 0 && !play.board.paused) {
      const int32_t base = Px(play.paddleY - 10.0f);
      for (int pass = 0; pass < 2; ++pass) {
        int32_t px = x0, py = base + plat::Rand() % 21 - 10;
        for (int seg = 1; seg <= 3; ++seg) {
          const int32_t nx = x0 + (x1 - x0) * seg / 3;
          const int32_t ny = base + plat::Rand() % 21 - 10;
          DrawBoltSegment(px, py, nx, ny, false);
          px = nx;
          py = ny;
        }
      }
    }
  }
  if (play.board.paused) return;
  const Bitmap* f = DisplayFrame(&paddleSet, e->frame);
  if (input.paddleButtonHeld && play.board.paddleSink > play.board.paddleSinkTrail && f) {
    int32_t alpha = 64;
    for (float t = play.board.paddleSinkTrail; t <= play.board.paddleSink;
         t += static_cast<float>(play.paddleTrailStep)) {
      plat::WindowRect ignored;
      if (alpha < 256) {
        BlitKeyed(f, Px(e->x), Px(kPaddleRestLine - t), alpha, nullptr, &ignored);
      } else {
        BlitImage(f, Px(e->x), Px(kPaddleRestLine - t), &ignored, 1);
      }
      alpha = std::min(256, alpha + play.trailAlphaStep);
      if (play.paddleTrailStep <= 0) break;
    }
  }
  DrawKeyedAt(e, f, Px(e->x), Px(e->y), 256);
  e->dirty[3] += 20;  // the sink trail below the paddle
  // The arcs strip joins the paddle's redraw area, so that the next frame
  // restores it wherever the paddle has gone by then.
  if (arcs) AddToDirty(e, x0, top, x1 + 1, top + 32);
}

void DrawBall(Entity* e) {
  if (play.board.paused) return;
  const uint32_t size = static_cast<uint32_t>(std::clamp(e->value, 0, 2));
  float sx = e->x, sy = e->y;
  uint32_t tint = play.board.throughOn ? 2 : 0;
  if (play.board.fireballOn) {
    const float a = static_cast<float>(play.game.playClock % 512) / 512.0f * 3.14159f * 2.0f;
    sx = e->x + 16.0f * std::sin(a);
    sy = e->y + 16.0f * std::cos(a);
    tint = 1;
  }
  const bool rendered = RenderBallSprite(sx, sy, &ballSprites, size, tint) != 0;
  const Bitmap* sprite = &ballSprites;
  const bool drawable = rendered && sprite->pixels && sprite->bytesPerPixel == TheDisplay().bytesPerPixel;
  DrawKeyedAt(e, drawable ? sprite : nullptr, Px(e->x), Px(e->y), 256);
  e->frame = 0;
}

void DrawBolt(Entity* e) {
  const int32_t x = Px(e->x), y = Px(e->y);
  DrawLine(x - 1, y - 7, x - 1, y + 7, 200, 100, 50);
  DrawLine(x, y - 8, x, y + 8, 255, 150, 50);
  DrawLine(x + 1, y - 7, x + 1, y + 7, 200, 100, 50);
  MarkDirty(e, x - 2, y - 8, x + 2, y + 8);
}

void DrawGlowAt(Entity* e, int32_t x, int32_t y) {
  const uint32_t c = static_cast<uint32_t>(e->aux);
  DrawGlow(x, y, e->alpha, static_cast<uint8_t>(c & 255), static_cast<uint8_t>((c >> 8) & 255),
           static_cast<uint8_t>((c >> 16) & 255));
  MarkDirty(e, x - 8, y - 8, x + 8, y + 8);
}

void DrawExplosion(Entity* e) {
  ClearDirty(e);
  if (e->value != 0) return;
  const int32_t x = Px(e->x * 48.0f + static_cast<float>(BoardLeft()) + 24.0f);
  const int32_t y = Px(e->y * 24.0f + 52.0f);
  const Bitmap* f = DisplayFrame(&explosionSet, e->frame);
  if (!f) return;
  // Clipped to the board and its border: in the outer columns of a wide set
  // the picture reaches past the screen's edges, and is still seen.
  const BoardFrameSpan frame = BoardFrame();
  plat::WindowRect rect;
  BlitKeyedClipped(f, x, y, 256, nullptr, {frame.left, 0, frame.right, static_cast<int32_t>(kBoardBottom)}, &rect);
  SetDirty(e, rect.left, rect.top, rect.right, rect.bottom);
}

void DrawLightning(Entity* e) {
  const int32_t tx = Px(e->x * 48.0f + static_cast<float>(BoardLeft()) + 24.0f);
  const int32_t ty = Px(e->y * 24.0f + 52.0f);
  // The bolt keeps its shape for 50 ms.
  plat::Srand(static_cast<uint32_t>(play.game.playClock / 50));
  const int32_t n = std::max(0, ty / 40);
  const int32_t div = std::max(1, n);
  for (int bolt = 0; bolt < 3; ++bolt) {
    int32_t px = tx, py = 0;
    for (int32_t i = 0; i <= n; ++i) {
      const int32_t ey = static_cast<int32_t>(int64_t{i} * ty / div);
      const int32_t ex = tx + (plat::Rand() % 150 - 75) * (n - i) / div;
      DrawBoltSegment(px, py, ex, ey, true);
      px = ex;
      py = ey;
    }
  }
  MarkDirty(e, tx - 76, 0, tx + 76, std::max(ty, 0));
}

void DrawFloatingScore(Entity* e) {
  ClearDirty(e);
  if (!settings.showScores) return;
  BitFont& font = e->flags ? greenBrushedFont : brushedFont;
  SurfaceLock lock;
  Display& display = TheDisplay();
  if (!display.Lock(&lock)) return;
  const int32_t x = Px(e->x), y = Px(e->y);
  char text[16];
  std::snprintf(text, sizeof text, "%d", e->value);
  font.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
  const int32_t saved = font.alpha;
  font.alpha = std::clamp(e->alpha, 0, 256);
  font.DrawText(text, x, y);
  font.alpha = saved;
  display.Unlock();
  MarkDirty(e, x - 2, y - 2, x + 60, y + 27);
}

void DrawCharm(Entity* e) {
  static const float kRates[3] = {5.026544f, 4.3982263f, 5.654862f};
  for (int i = 0; i < 3; ++i) {
    play.charmPhase[i] = std::fmod(play.charmPhase[i] + static_cast<float>(program.frameMs) * kRates[i] / 1000.0f,
                                   kTwoPi);
  }
  const float x = e->x + 2.0f * std::cos(play.charmPhase[0]) + 2.0f * std::cos(play.charmPhase[1]);
  const float y = e->y + 4.0f * std::cos(play.charmPhase[1]);
  if (!e->image || e->frame < 0) {
    ClearDirty(e);
    return;
  }
  DrawKeyedAt(e, DisplayFrame(e->image, e->frame), Px(x), Px(y), e->alpha);
}

}  // namespace

Entity* Spark(int32_t value, int32_t flags, float x, float y, float vx, float vy, bool uncapped) {
  if (!uncapped && play.particlesLastFrame >= kParticleCap) return nullptr;
  return InsertEntityFirst(kEntitySpark, value, flags, x, y, vx, vy);
}

Entity* SparkFromPixel(const Bitmap& frame, int32_t px, int32_t py, float x, float y, float speed, float extraSpeed,
                       int32_t life, int32_t flags) {
  const uint32_t pixel = frame.GetPixel(px, py);
  if (pixel == 0) return nullptr;
  float ox = float(px - frame.width / 2);
  float oy = float(py - frame.height / 2);
  const float d = std::sqrt(ox * ox + oy * oy);
  if (d > 0.0f) {
    const float scale = (speed + extraSpeed * float(plat::Rand() % 1000) / 1000.0f) / d;
    ox *= scale;
    oy *= scale;
  }
  Entity* spark = InsertEntityFirst(kEntitySpark, life, flags, x, y, ox, oy);
  if (!spark) return nullptr;
  uint8_t r = 0, g = 0, b = 0;
  TheDisplay().format.UnpackPixel(pixel, &r, &g, &b);
  // Red in the low byte, the order the spark drawing hands to the glow.
  spark->aux = int32_t(r) + 256 * int32_t(g) + 65536 * int32_t(b);
  return spark;
}

void RunEntityLogic(Entity* e) {
  if (!e) return;
  switch (e->kind) {
    case kEntityPaddle: PaddleLogic(e); break;
    case kEntityBall: BallLogic(e); break;
    case kEntityFallingPowerUp: CapsuleLogic(e); break;
    case kEntityLaserBolt: BoltLogic(e); break;
    case kEntityBrickPiece: PieceLogic(e); break;
    case kEntitySpark: SparkLogic(e); break;
    case kEntityExplosion: ExplosionLogic(e); break;
    case kEntityLightning:
      if (play.game.playClock - e->startTime > 300) e->dead = 1;
      break;
    case kEntityFloatingScore:
      e->x += static_cast<float>(program.frameMs) * e->vx / 1000.0f;
      e->y += static_cast<float>(program.frameMs) * e->vy / 1000.0f;
      e->alpha = std::max(0, e->alpha - program.frameMs * 300 / 1000);
      if (e->alpha < 1) e->dead = 1;
      break;
    case kEntityX2Glow: GlowLogic(e); break;
    default: break;  // the charm has no logic of its own
  }
}

void DrawEntity(Entity* e) {
  if (!e) return;
  switch (e->kind) {
    case kEntityPaddle: DrawPaddle(e); break;
    case kEntityBall: DrawBall(e); break;
    case kEntityLaserBolt: DrawBolt(e); break;
    case kEntitySpark: DrawGlowAt(e, Px(e->x), Px(e->y)); break;
    case kEntityExplosion: DrawExplosion(e); break;
    case kEntityLightning: DrawLightning(e); break;
    case kEntityFloatingScore: DrawFloatingScore(e); break;
    case kEntityX2Glow: {
      const float gx = static_cast<float>(BoardLeft() + (e->value & 255) * 48) + e->x + 1.0f;
      const float gy = static_cast<float>(((e->value >> 8) & 0xFFFFFF) * 24 + 40) + e->y + 1.0f;
      DrawGlowAt(e, Px(gx), Px(gy));
      break;
    }
    case kEntityCharm: DrawCharm(e); break;
    default: DrawOwnPicture(e); break;  // capsules, brick pieces and anything else with a picture
  }
}

int32_t PositionToInt(float v) {
  constexpr float kLimit = 1073741824.0f;  // 2^30
  if (!std::isfinite(v) || v > kLimit || v < -kLimit) return kOffScreen;
  return static_cast<int32_t>(v);
}
