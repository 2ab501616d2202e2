#include "graphics/flame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/noise.h"
#include "platform/clock.h"
#include "platform/random.h"

BackgroundEffectState gBackgroundEffect;

namespace {

constexpr double kPi = 3.14159;
constexpr double kTwoPi = 6.28318;
constexpr double kQuarterTurn = 1.570795;

BackgroundEffectState& E = gBackgroundEffect;

int Rand() { return plat::Rand(); }
double U(double s) { return RandomSpread(s); }

int RandomX() { return Rand() % (E.width - 10) + 5; }
int RandomY() { return Rand() % (E.height - 6) + 3; }

// The speed of one particle of a ring or a burst.
double ModeSpeed(int speedRoll, double s0) { return (speedRoll & 1) == 0 ? std::fabs(U(s0)) : s0 / 2; }

void Ring() {
  const double s0 = std::fabs(U(10)) + 2;
  const int k = Rand();
  const double f = std::fabs(U(0.5)) + 0.4;
  const double r = E.height * f / 2;
  const double cx = E.width / 2 + U(1) * (E.width / 2 - E.width * f / 2);
  const double cy = E.height / 2 + U(1) * (E.height / 2 - r);
  const int speedRoll = Rand();
  const int turn = Rand() & 3;
  const int every = k % 3 + 1;
  for (int i = 0; i < E.count; ++i) {
    if (i % every != 0) continue;
    FlameParticle& p = E.particles[i];
    double a = U(kPi);
    p.x = cx + std::sin(a) * r;
    p.y = cy - std::cos(a) * r;
    double speed = ModeSpeed(speedRoll, s0);
    if (turn == 1) speed = 0;
    if (turn == 2) a += kQuarterTurn;
    if (turn == 3) a -= kQuarterTurn;
    p.vx = -std::sin(a) * speed;
    p.vy = std::cos(a) * speed;
  }
}

void Kick() {
  for (int i = 0; i < E.count; ++i) {
    E.particles[i].vx -= 40 * E.driftX;
    E.particles[i].vy -= 40 * E.driftY;
  }
}

void Stop() {
  for (int i = 0; i < E.count; ++i) E.particles[i].vx = E.particles[i].vy = 0;
}

void Burst() {
  const double s0 = std::fabs(U(9)) + 3;
  const int speedRoll = Rand();
  const int px = RandomX();
  const int py = RandomY();
  const int k = Rand();
  const int every = k % 3 + 1;
  for (int i = 0; i < E.count; ++i) {
    if (i % every != 0) continue;
    FlameParticle& p = E.particles[i];
    p.x = px;
    p.y = py;
    const double a = U(kPi);
    const double speed = ModeSpeed(speedRoll, s0);
    p.vx = std::cos(a) * speed;
    p.vy = std::sin(a) * speed;
  }
}

void Jet() {
  const double s = std::fabs(U(8));
  const int px = RandomX();
  const int py = RandomY();
  const double a = U(kPi);
  for (int i = 0; i < E.count; ++i) {
    FlameParticle& p = E.particles[i];
    const double ox = U(1);
    const double oy = U(1);
    p.x = px + ox;
    p.y = py + oy;
    p.vx = std::cos(a) * s;
    p.vy = std::sin(a) * s;
  }
}

void Event() {
  switch ((Rand() >> 3) % 13) {
    case 0: Kick(); break;
    case 1: Stop(); break;
    case 2: Jet(); break;
    case 3:
      E.spiralDirection = Rand() % 3 - 1;
      E.spiralRemaining = E.count;
      break;
    case 4:
    case 5:
    case 6: Burst(); break;
    case 7: E.followMode = !E.followMode; break;
    case 8: E.smallGroups = !E.smallGroups; break;
    case 9: E.noiseSeedRow = !E.noiseSeedRow; break;
    case 10: E.driftOn = !E.driftOn; break;
    default: Ring(); break;
  }
  if (!E.followMode && Rand() % 4 == 0) {
    E.globalTarget = true;
    E.globalTargetX = Rand() % E.width;
    E.globalTargetY = Rand() % E.height;
  } else {
    E.globalTarget = false;
  }
}

void Spiral() {
  if (E.spiralRemaining <= 0) return;
  const int n = std::min(std::max(1, E.count / 100), E.spiralRemaining);
  double step = kTwoPi / (E.count * 0.25);
  if (E.spiralDirection < 0) step = -step;
  for (int e = 0; e < n; ++e) {
    const int j = E.spiralRemaining - 1 - e;
    FlameParticle& p = E.particles[j];
    p.x = E.width / 2;
    p.y = E.height / 2;
    if (E.spiralDirection == 0) {
      p.vx = p.vy = 0;
    } else {
      p.vx = std::sin(j * step) * 4;
      p.vy = std::cos(j * step) * -4;
    }
  }
  E.spiralRemaining -= n;
}

void Targets() {
  const int mask = E.smallGroups ? 63 : 32767;
  const int drift = E.driftOn ? 1 : 0;
  for (int i = 0; i < E.count; ++i) {
    FlameParticle& p = E.particles[i];
    if (!E.followMode || (i & mask) == 0) {
      if (E.globalTarget) {
        p.flags = drift | 2;
        p.targetX = E.globalTargetX;
        p.targetY = E.globalTargetY;
      } else {
        p.flags = drift;
      }
    } else {
      const FlameParticle& leader = E.particles[i & ~mask];
      p.flags = drift | 2;
      p.targetX = leader.x;
      p.targetY = leader.y;
    }
  }
}

void Raise(uint8_t* px, int v) {
  if (*px < v) *px = static_cast<uint8_t>(v);
}

// Bresenham line raising the pixels to at least `heat` and the pixels either
// side of the line to at least heat / 2.
void Trail(uint8_t* bits, int pitch, int x0, int y0, int x1, int y1, int heat) {
  const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  const int stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
  const bool sideways = dx >= dy;
  const int half = heat / 2;
  int err = dx - dy;
  for (;;) {
    uint8_t* p = bits + static_cast<ptrdiff_t>(y0) * pitch + x0;
    Raise(p, heat);
    if (sideways) {
      Raise(p - pitch, half);
      Raise(p + pitch, half);
    } else {
      Raise(p - 1, half);
      Raise(p + 1, half);
    }
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 > -dy) {
      err -= dy;
      x0 += stepX;
    }
    if (e2 < dx) {
      err += dx;
      y0 += stepY;
    }
  }
}

double AngleOr(double y, double x, double fallback) { return (x == 0.0 && y == 0.0) ? fallback : std::atan2(y, x); }

void MoveParticles(uint8_t* bits, int pitch) {
  const int w = E.width, h = E.height;
  for (int i = 0; i < E.count; ++i) {
    FlameParticle& p = E.particles[i];
    p.prevX = p.x;
    p.prevY = p.y;
    if (p.flags & 1) {
      p.vx += E.driftX;
      p.vy += E.driftY;
    }
    if (p.flags & 2) {
      double speed = std::sqrt(p.vx * p.vx + p.vy * p.vy);
      if (speed == 0.0) speed = 2;
      double a = AngleOr(p.vy, p.vx, E.freeAngle);
      const double b = AngleOr(p.targetY - p.y, p.targetX - p.x, E.freeAngle);
      double d = b - a;
      if (d > kPi)
        d -= kTwoPi;
      else if (d < -kPi)
        d += kTwoPi;
      a += 0.05 * d;
      p.vx = std::cos(a) * speed;
      p.vy = std::sin(a) * speed;
    }
    p.x += p.vx;
    p.y += p.vy;
    if (p.x < 5) {
      p.x = 5;
      p.vx = 0.95 * std::fabs(p.vx);
      p.vy += U(0.5);
    } else if (p.x >= w - 5) {
      p.x = w - 6;
      p.vx = -0.95 * std::fabs(p.vx);
      p.vy += U(0.5);
    }
    if (p.y < 3) {
      p.y = 3;
      p.vy = 0.95 * std::fabs(p.vy);
      p.vx += U(0.5);
    } else if (p.y >= h - 3) {
      p.y = h - 4;
      p.vy = -0.95 * std::fabs(p.vy);
      p.vx += U(0.5);
    }
    // A position made by an event may lie anywhere (or be no number at
    // all); only a start inside the field draws a trail.
    if (p.prevX > 4 && p.prevX < w - 5 && p.prevY > 2 && p.prevY < h - 3) {
      const int x0 = static_cast<int>(p.prevX), y0 = static_cast<int>(p.prevY);
      if (x0 > 4 && x0 < w - 5 && y0 > 2 && y0 < h - 3)
        Trail(bits, pitch, x0, y0, static_cast<int>(p.x), static_cast<int>(p.y), p.heat);
    }
  }
}

void SeedRow(uint8_t* bits, int pitch) {
  const int w = E.width, h = E.height;
  uint8_t* clear = bits + static_cast<ptrdiff_t>(E.burnDownward ? h - 2 : 2) * pitch;
  uint8_t* seed = bits + static_cast<ptrdiff_t>(E.burnDownward ? 2 : h - 2) * pitch;
  std::memset(clear, 0, w);
  const int shift = E.seedShift;
  if (E.noiseSeedRow) {
    E.noiseTime += 0.03;
    for (int x = 4; x <= w - 5; ++x) {
      const float n = gNoise.NoiseSum(static_cast<float>(x * 0.03), static_cast<float>(E.noiseTime), 2, 0, 0);
      seed[x] = static_cast<uint8_t>(((static_cast<int>(n * 191) & 255) + 64) >> shift);
    }
  } else {
    int v = Rand() & (255 >> shift);
    const int top = 254 >> shift;
    for (int x = 4; x <= w - 5; ++x) {
      if (seed[x] != 0) v = seed[x];
      v += Rand() % 65 - 32;
      v = std::clamp(v, 0, top);
      seed[x] = static_cast<uint8_t>(v);
    }
  }
}

// One row of the flame: dst row takes the mean of itself and three source
// pixels below (or above) it, less a little, in groups of four columns.
void FlameRow(uint8_t* dst, const uint8_t* src) {
  const int groups = E.width / 4 - 1;
  for (int g = 1; g < groups; ++g) {
    const int x = 4 * g;
    uint32_t four;
    std::memcpy(&four, src + x, 4);
    if (four != 0) {
      E.columnMarks[g] = 1;
    } else if (E.columnMarks[g]) {
      E.columnMarks[g] = 0;
    } else {
      continue;
    }
    for (int c = x; c < x + 4; ++c) {
      const int v = dst[c] + src[c - 1] + src[c] + src[c + 1] - 6;
      dst[c] = static_cast<uint8_t>(v < 0 ? 0 : v >> 2);
    }
  }
}

void Spark(uint8_t* bits, int pitch, int r) {
  if (!(r & 1) || r <= 2 || r >= E.height - 3) return;
  const int x = RandomX();
  uint8_t* p = bits + static_cast<ptrdiff_t>(r) * pitch + x;
  const int v = *p;
  if (v > 32 && v < 128) {
    const auto hot = static_cast<uint8_t>(std::min(2 * v, 255));
    p[-1] = p[1] = p[-pitch] = p[pitch] = hot;
  }
}

void Flame(uint8_t* bits, int pitch) {
  const int h = E.height;
  auto row = [&](int r) { return bits + static_cast<ptrdiff_t>(r) * pitch; };
  if (!E.burnDownward) {
    for (int r = 3; r <= h - 2; ++r) {
      FlameRow(row(r - 1), row(r));
      Spark(bits, pitch, r);
    }
  } else {
    for (int r = h - 4; r >= 2; --r) {
      FlameRow(row(r + 1), row(r));
      Spark(bits, pitch, r);
    }
  }
}

// Blends a slightly magnified copy of the field over itself, so the flame
// seems to move toward the viewer.
void Echo(uint8_t* bits, int pitch) {
  const int w = E.width, h = E.height;
  Bitmap& echo = E.echoBuffer;
  if (!echo.pixels || echo.width != w || echo.height != h || echo.bpp != 8) {
    if (!echo.Create(w, h, 8)) return;
  }
  if (!echo.CopyFromBuffer(bits, w, h, pitch, 8)) return;
  const bool strong = (E.frameCounter / 10) % 10 == 0;
  const int sx = strong ? w / 40 : w / 50;
  const int sy = strong ? h / 40 : h / 50;
  const int spanX = w - 8, spanY = h - 5;
  int srcRow = sy / 2 + 2;
  int errY = spanY / 2;
  for (int y = 2; y <= h - 4; ++y) {
    const uint8_t* src = echo.pixels + static_cast<ptrdiff_t>(std::min(srcRow, h - 1)) * echo.stride;
    uint8_t* dst = bits + static_cast<ptrdiff_t>(y) * pitch;
    int srcCol = sx / 2 + 4;
    int errX = spanX / 2;
    for (int x = 4; x <= w - 5; ++x) {
      const int s = src[std::min(srcCol, w - 1)];
      const int d = dst[x];
      dst[x] = static_cast<uint8_t>(strong ? std::min(255, s / 8 + d / 2 + s / 2) : d / 2 + s / 2);
      errX -= sx;
      if (errX < 0)
        errX += spanX;
      else
        ++srcCol;
    }
    errY -= sy;
    if (errY < 0)
      errY += spanY;
    else
      ++srcRow;
  }
}

}  // namespace

void SetEffectPalette(int32_t kind) {
  uint8_t(&ramp)[256][4] = E.ramp;
  auto set = [&](int i, int r, int g, int b) {
    ramp[i][0] = static_cast<uint8_t>(r);
    ramp[i][1] = static_cast<uint8_t>(g);
    ramp[i][2] = static_cast<uint8_t>(b);
  };
  if (kind >= 0 && kind <= 4) {
    for (int i = 0; i < 256; ++i) {
      const bool low = i < 128;
      switch (kind) {
        case 0: low ? set(i, 2 * i, i, 0) : set(i, 255, i, 0); break;
        case 1: low ? set(i, 0, i, 2 * i) : set(i, 0, i, 255); break;
        case 2: low ? set(i, i / 2, i / 2, i) : set(i, i - 64, i - 64, i); break;
        case 3: low ? set(i, i / 4, i, i / 4) : set(i, i - 96, i, i - 96); break;
        default: low ? set(i, 2 * i, i / 2, i / 2) : set(i, 255, i - 64, i - 64); break;
      }
    }
  }
  set(255, 255, 255, 255);
  for (int k = 0; k < 32; ++k)
    for (int c = 0; c < 3; ++c)
      ramp[224 + k][c] = static_cast<uint8_t>((ramp[224 + k][c] * (31 - k) + 255 * (k + 1)) >> 5);
}

bool InitBackgroundEffect(int32_t count, int32_t width, int32_t height, int32_t paletteKind, int32_t seedShift,
                          int32_t phaseSeconds) {
  // The field needs room for its borders, and one column mark per group of
  // four columns.
  if (width <= 10 || height <= 6 || width > 4 * kFlameColumnMarks) return false;
  E.count = std::clamp(count, 0, kFlameParticleMax);
  E.width = width;
  E.height = height;
  E.seedShift = std::clamp(seedShift, 0, 1);
  E.phaseLength = phaseSeconds;
  SetEffectPalette(paletteKind);
  for (FlameParticle& p : E.particles) {
    p.x = p.prevX = RandomX();
    p.y = p.prevY = RandomY();
    p.vx = p.vy = 0;
    p.heat = Rand() % 127 + 127;
  }
  E.startTime = E.lastTime = plat::UnixTime();
  E.followMode = Rand() & 1;
  E.smallGroups = Rand() & 1;
  E.noiseSeedRow = Rand() & 1;
  E.driftOn = Rand() & 1;
  return true;
}

void BurstBackgroundEffect() {
  if (E.width <= 10 || E.height <= 6) return;
  Burst();
}

void RenderBackgroundEffect(uint8_t* bits, int32_t width, int32_t height, int32_t pitch) {
  if (E.width <= 10 || E.height <= 6) return;  // never initialised
  // A surface smaller than the field is not drawn into.
  if (bits && (width < E.width || height < E.height || pitch < E.width)) bits = nullptr;

  const int64_t now = plat::UnixTime();
  const int64_t length = E.phaseLength > 0 ? E.phaseLength : 1;
  int64_t phase = ((now - E.startTime) / length) % 4;
  if (phase < 0) phase += 4;
  switch (phase) {
    case 0:
      E.driftX = 0;
      E.driftY = 0.1;
      E.burnDownward = false;
      break;
    case 1:
      E.driftX = -0.1;
      E.driftY = 0;
      break;
    case 2:
      E.driftX = 0;
      E.driftY = -0.1;
      E.burnDownward = true;
      break;
    default:
      E.driftX = 0.1;
      E.driftY = 0;
      break;
  }

  if (now != E.lastTime) {
    E.lastTime = now;
    const int odds = E.eventOdds > 0 ? E.eventOdds : 1;
    if (Rand() % odds == 0) Event();
  }
  Spiral();
  Targets();
  E.freeAngle += 0.01;
  if (E.freeAngle > M_PI) E.freeAngle -= 2 * M_PI;
  if (!bits) return;

  MoveParticles(bits, pitch);
  SeedRow(bits, pitch);
  Flame(bits, pitch);
  E.frameCounter += 1;
  if (E.echoOn) Echo(bits, pitch);
}

bool EndBackgroundEffect() { return true; }
