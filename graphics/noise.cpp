#include "graphics/noise.h"

#include <cmath>

#include "platform/random.h"

Noise gNoise;

namespace {

// Octave weights 1, 1/2 .. 1/64 and the factors that bring the sum of the
// first n+1 weights back to 1.
constexpr double kWeight[7] = {1.0, 0.5, 0.25, 0.125, 0.0625, 0.03125, 0.015625};
constexpr double kNorm[7] = {1.0, 2.0 / 3.0, 4.0 / 7.0, 8.0 / 15.0, 16.0 / 31.0, 32.0 / 63.0, 64.0 / 127.0};

int32_t NextLcg(int32_t x) { return static_cast<int32_t>(static_cast<uint32_t>(x) * 1103515245u + 12345u); }

// Lattice coordinate of v and the next one, wrapped into the period when
// there is one; returns the fraction.
double Lattice(double v, int period, int* i0, int* i1) {
  int i = static_cast<int>(v);
  if (v < 0) i -= 1;
  const double f = v - i;
  if (period != 0) {
    if (i < 0)
      i = (i + 1) % period + period - 1;
    else
      i %= period;
    int n = i + 1;
    if (n >= period) n = 0;
    *i0 = i;
    *i1 = n;
  } else {
    *i0 = i;
    *i1 = i + 1;
  }
  return f;
}

// Wraps a lattice cell of the cellular query into its period.
int WrapCell(int c, int period) {
  if (period == 0) return c;
  if (c < 0) return period - 1;
  if (c >= period) return 0;
  return c;
}

}  // namespace

Noise::Noise() { Init(0); }

void Noise::Init(int32_t seed) {
  int32_t x = seed;
  for (int i = 0; i < 256; ++i) {
    x = NextLcg(x);
    perm[i] = static_cast<uint8_t>(x >> 16);
  }
  for (int i = 0; i < 256; ++i) {
    x = NextLcg(x);
    value[i] = static_cast<float>((x >> 16) & 0x7FFF) / 32767.0f;
    x = NextLcg(x);
    offset[i] = static_cast<float>((x >> 16) & 0x7FFF) / 32767.0f - 0.5f;
    valueByte[i] = static_cast<uint8_t>(static_cast<int>(value[i] * 255));
  }
  for (int i = 0; i < 256; ++i) {
    value[256 + i] = value[i];
    offset[256 + i] = offset[i];
  }
  for (auto& r : cellular) r = {0.0f, 0};
}

float Noise::NoiseSum(float xIn, float yIn, int octaves, int xPeriod, int yPeriod) const {
  if (octaves < 0 || octaves > 6) return 0.5f;
  // A negative period would make the wrap arithmetic meaningless.
  if (xPeriod < 0) xPeriod = 0;
  if (yPeriod < 0) yPeriod = 0;
  double x = xIn, y = yIn;
  double sum = 0.0;
  auto V = [this](int a) { return static_cast<double>(value[perm[a & 255]]); };
  for (int i = 0; i <= octaves; ++i) {
    int ix, ix1, iy, iy1;
    const double fx = Lattice(x, xPeriod, &ix, &ix1);
    const double fy = Lattice(y, yPeriod, &iy, &iy1);
    if (xPeriod != 0) xPeriod *= 2;
    if (yPeriod != 0) yPeriod *= 2;
    const double sx = (3.0 - 2.0 * fx) * fx * fx;
    const double sy = (3.0 - 2.0 * fy) * fy * fy;
    const int h0 = perm[iy & 255];
    const int h1 = perm[iy1 & 255];
    const double top = V(ix1 + h0) * sx + V(ix + h0) * (1.0 - sx);
    const double bottom = V(ix1 + h1) * sx + V(ix + h1) * (1.0 - sx);
    sum += (top * (1.0 - sy) + bottom * sy) * kWeight[i];
    x = (x + 7.0) * 2.0;
    y = (y + 7.0) * 2.0;
  }
  double r = sum * kNorm[octaves];
  // Rounding of the weights may leave the sum a hair outside the range.
  if (!(r >= 0.0)) r = 0.0;
  if (r > 1.0) r = 1.0;
  return static_cast<float>(r);
}

void Noise::CellularNoise(float xIn, float yIn, int count, float jitter, int xPeriod, int yPeriod, bool manhattan) {
  if (count < 1 || count > 10) return;
  if (xPeriod < 0) xPeriod = 0;
  if (yPeriod < 0) yPeriod = 0;
  for (int i = 0; i < count; ++i) cellular[i].distance = 10.0f;
  double x = xIn, y = yIn;
  if (xPeriod != 0) {
    x = std::fmod(x, static_cast<double>(xPeriod));
    if (x < 0) x += xPeriod;
  }
  if (yPeriod != 0) {
    y = std::fmod(y, static_cast<double>(yPeriod));
    if (y < 0) y += yPeriod;
  }
  int ix = static_cast<int>(x);
  if (x < 0) ix -= 1;
  int iy = static_cast<int>(y);
  if (y < 0) iy -= 1;
  const int reach = count < 3 ? 1 : 2;
  for (int cy = iy - reach; cy <= iy + reach; ++cy) {
    const int wy = WrapCell(cy, yPeriod);
    for (int cx = ix - reach; cx <= ix + reach; ++cx) {
      const int wx = WrapCell(cx, xPeriod);
      // Without a period the cell may be negative: both look-ups are masked.
      const int p = perm[(wx + perm[wy & 255]) & 255];
      const double px = cx + 0.5 + offset[p] * jitter;
      const double py = cy + 0.5 + offset[p + 1] * jitter;
      const double dx = px - x, dy = py - y;
      const float d = static_cast<float>(manhattan ? std::fabs(dx) + std::fabs(dy) : dx * dx + dy * dy);
      int slot = count;
      while (slot > 0 && d < cellular[slot - 1].distance) --slot;
      if (slot >= count) continue;
      for (int k = count - 1; k > slot; --k) cellular[k] = cellular[k - 1];
      cellular[slot] = {d, p};
    }
  }
}

float Bias(float a, float b) {
  // a = 0 is the limit of an ever stronger bias: everything below 1 to 0.
  if (a == 0.0f) return b >= 1.0f ? 1.0f : 0.0f;
  const float d = (1.0f / a - 2.0f) * (1.0f - b) + 1.0f;
  if (d == 0.0f) return b;
  return b / d;
}

float Gain(float a, float b) {
  // a = 1 is the limit of an ever sharper step at 0.5.
  if (a == 1.0f) return b < 0.5f ? 0.0f : (b == 0.5f ? 0.5f : 1.0f);
  const float g = 1.0f / (1.0f - a) - 2.0f;
  if (b < 0.5f) {
    const float d = g * (1.0f - 2.0f * b) + 1.0f;
    if (d == 0.0f) return b;
    return 0.5f * 2.0f * b / d;
  }
  const float c = 2.0f - 2.0f * b;
  const float d = g * (1.0f - c) + 1.0f;
  if (d == 0.0f) return b;
  return 1.0f - 0.5f * c / d;
}

double RandomSpread(double s) { return (plat::Rand() % 10000 - 5000) * s / 5000.0; }
