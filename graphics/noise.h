#pragma once
// Small noise library beside the flame background: the bias and gain curves
// (also used by the colour curves of Bitmap::AdjustColours), a seeded value
// noise whose sum of octaves can feed the flame, and a cellular noise.
#include <cstdint>

class Noise {
 public:
  // Result of a cellular query: squared (or Manhattan) distance to a
  // feature point and the hash index of that point.
  struct CellularResult {
    float distance;
    int32_t point;
  };

  // Builds the tables for seed 0, so a noise object is usable at once.
  Noise();

  // Builds the tables from a seed (32-bit linear congruential steps).
  void Init(int32_t seed);

  // Sum of octaves 0..octaves of smoothed value noise, normalised to [0, 1].
  // More than 6 octaves (or a negative count) gives 0.5. A period of 0 means
  // no wrap; otherwise the lattice wraps at the period (doubled per octave).
  float NoiseSum(float x, float y, int octaves, int xPeriod, int yPeriod) const;

  // Distances from (x, y) to the `count` nearest feature points (one per
  // lattice cell, jittered), sorted ascending into `cellular`. Counts outside
  // 1..10 change nothing.
  void CellularNoise(float x, float y, int count, float jitter, int xPeriod, int yPeriod, bool manhattan);

  CellularResult cellular[10];
  float value[512];   // two copies of 256 values in [0, 1]
  float offset[512];  // two copies of 256 offsets in [-0.5, 0.5]
  uint8_t perm[256];
  uint8_t valueByte[256];
};

// The process-wide noise tables the flame background reads.
extern Noise gNoise;

// Bias curve: b / ((1/a - 2)(1 - b) + 1). Bias(a, 0.5) = a, Bias(0.5, b) = b.
float Bias(float a, float b);
// Gain curve: an S-shaped (or inverse) bend through (0.5, 0.5).
float Gain(float a, float b);
// A uniform random value in [-s, s) from the runtime generator.
double RandomSpread(double s);
