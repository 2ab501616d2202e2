#include "graphics/noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/random.h"

namespace {

TEST(NoiseTables, SameSeedSameTablesAndRanges) {
  auto a = std::make_unique<Noise>();
  auto b = std::make_unique<Noise>();
  a->Init(1234);
  b->Init(1234);
  bool permDiffers = false;
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(a->perm[i], b->perm[i]);
    EXPECT_EQ(a->value[i], b->value[i]);
    EXPECT_GE(a->value[i], 0.0f);
    EXPECT_LE(a->value[i], 1.0f);
    EXPECT_GE(a->offset[i], -0.5f);
    EXPECT_LE(a->offset[i], 0.5f);
    EXPECT_EQ(a->value[i + 256], a->value[i]);
    EXPECT_EQ(a->offset[i + 256], a->offset[i]);
    EXPECT_EQ(a->valueByte[i], static_cast<int>(a->value[i] * 255));
  }
  b->Init(99);
  for (int i = 0; i < 256; ++i) permDiffers |= a->perm[i] != b->perm[i];
  EXPECT_TRUE(permDiffers);
}

TEST(NoiseTables, FirstEntriesFollowTheLinearCongruentialSteps) {
  Noise n;
  n.Init(0);
  // x1 = 12345: perm[0] = low byte of (12345 >> 16) = 0.
  EXPECT_EQ(n.perm[0], 0);
  uint32_t x = 12345u * 1103515245u + 12345u;
  EXPECT_EQ(n.perm[1], static_cast<uint8_t>(static_cast<int32_t>(x) >> 16));
}

TEST(NoiseSum, DeterministicAndWithinUnitRange) {
  Noise a, b;
  a.Init(7);
  b.Init(7);
  for (int oct = 0; oct <= 6; ++oct) {
    for (float y = -20.0f; y < 20.0f; y += 1.37f) {
      for (float x = -30.0f; x < 30.0f; x += 0.71f) {
        const float v = a.NoiseSum(x, y, oct, 0, 0);
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 1.0f);
        ASSERT_EQ(v, b.NoiseSum(x, y, oct, 0, 0));
      }
    }
  }
}

TEST(NoiseSum, OutOfRangeOctavesGiveHalf) {
  Noise n;
  EXPECT_EQ(n.NoiseSum(3.3f, 1.2f, 7, 0, 0), 0.5f);
  EXPECT_EQ(n.NoiseSum(3.3f, 1.2f, -1, 0, 0), 0.5f);
}

TEST(NoiseSum, OctaveZeroIsSmoothedLatticeValue) {
  Noise n;
  n.Init(42);
  // On a lattice point the smoothing weights are 0, so the value is the
  // lattice value itself.
  for (int iy = -3; iy < 3; ++iy) {
    for (int ix = -3; ix < 3; ++ix) {
      const int h0 = n.perm[iy & 255];
      const float expect = n.value[n.perm[(ix + h0) & 255]];
      EXPECT_FLOAT_EQ(n.NoiseSum(static_cast<float>(ix), static_cast<float>(iy), 0, 0, 0), expect) << ix << "," << iy;
    }
  }
  // Between lattice points the value moves continuously.
  const float a = n.NoiseSum(1.5f, 2.0f, 0, 0, 0);
  const float b = n.NoiseSum(1.5001f, 2.0f, 0, 0, 0);
  EXPECT_NEAR(a, b, 1e-3);
}

TEST(NoiseSum, PeriodsWrapEveryOctave) {
  Noise n;
  n.Init(5);
  for (int oct : {0, 2, 4}) {
    for (float x = 0.1f; x < 8.0f; x += 0.9f) {
      EXPECT_NEAR(n.NoiseSum(x, 1.25f, oct, 8, 0), n.NoiseSum(x + 8.0f, 1.25f, oct, 8, 0), 1e-4);
      EXPECT_NEAR(n.NoiseSum(x - 8.0f, 1.25f, oct, 8, 0), n.NoiseSum(x, 1.25f, oct, 8, 0), 1e-4);
      EXPECT_NEAR(n.NoiseSum(1.5f, x, oct, 0, 4), n.NoiseSum(1.5f, x + 4.0f, oct, 0, 4), 1e-4);
    }
  }
}

TEST(CellularNoise, CountsOutsideOneToTenChangeNothing) {
  Noise n;
  n.CellularNoise(2.3f, 4.1f, 3, 1.0f, 0, 0, false);
  const Noise::CellularResult before = n.cellular[0];
  for (int count : {0, 11, -1}) {
    n.CellularNoise(9.9f, 0.2f, count, 1.0f, 0, 0, false);
    EXPECT_EQ(n.cellular[0].distance, before.distance);
    EXPECT_EQ(n.cellular[0].point, before.point);
  }
}

TEST(CellularNoise, ResultsSortedAndExactWithoutJitter) {
  Noise n;
  n.Init(3);
  // No jitter: feature points sit at the cell centres.
  n.CellularNoise(2.5f, 3.5f, 4, 0.0f, 0, 0, false);
  EXPECT_FLOAT_EQ(n.cellular[0].distance, 0.0f);
  EXPECT_FLOAT_EQ(n.cellular[1].distance, 1.0f);
  EXPECT_FLOAT_EQ(n.cellular[3].distance, 1.0f);
  n.CellularNoise(2.5f, 3.5f, 6, 0.0f, 0, 0, true);
  EXPECT_FLOAT_EQ(n.cellular[4].distance, 1.0f);
  EXPECT_FLOAT_EQ(n.cellular[5].distance, 2.0f);  // diagonal, Manhattan
  n.CellularNoise(2.5f, 3.5f, 6, 0.0f, 0, 0, false);
  EXPECT_FLOAT_EQ(n.cellular[5].distance, 2.0f);  // diagonal, squared
  // Jittered, negative coordinates without periods: sorted, in range.
  for (float y = -7.3f; y < 3.0f; y += 1.1f) {
    n.CellularNoise(-5.2f, y, 10, 1.0f, 0, 0, false);
    for (int i = 1; i < 10; ++i) EXPECT_LE(n.cellular[i - 1].distance, n.cellular[i].distance);
    for (int i = 0; i < 10; ++i) EXPECT_LT(n.cellular[i].point, 256);
  }
}

TEST(CellularNoise, PeriodicQueryRepeats) {
  Noise n;
  n.CellularNoise(1.3f, 2.2f, 2, 0.8f, 5, 5, false);
  const auto first = n.cellular[0];
  n.CellularNoise(6.3f, -2.8f, 2, 0.8f, 5, 5, false);
  EXPECT_NEAR(n.cellular[0].distance, first.distance, 1e-4);
  EXPECT_EQ(n.cellular[0].point, first.point);
}

struct CurveCase {
  float a, b, expect;
};

TEST(BiasGain, FixedPoints) {
  const CurveCase bias[] = {
      {0.2f, 0.0f, 0.0f}, {0.8f, 0.0f, 0.0f}, {0.2f, 1.0f, 1.0f}, {0.8f, 1.0f, 1.0f},
      {0.2f, 0.5f, 0.2f}, {0.8f, 0.5f, 0.8f}, {0.5f, 0.3f, 0.3f}, {0.5f, 0.9f, 0.9f},
  };
  for (const auto& c : bias) EXPECT_NEAR(Bias(c.a, c.b), c.expect, 1e-6) << c.a << " " << c.b;
  const CurveCase gain[] = {
      {0.2f, 0.0f, 0.0f}, {0.8f, 0.0f, 0.0f}, {0.2f, 1.0f, 1.0f}, {0.8f, 1.0f, 1.0f},
      {0.2f, 0.5f, 0.5f}, {0.8f, 0.5f, 0.5f}, {0.5f, 0.3f, 0.3f}, {0.5f, 0.9f, 0.9f},
  };
  for (const auto& c : gain) EXPECT_NEAR(Gain(c.a, c.b), c.expect, 1e-6) << c.a << " " << c.b;
  // Gain above 0.5 steepens the middle, below flattens it.
  EXPECT_GT(Gain(0.8f, 0.6f), 0.6f);
  EXPECT_LT(Gain(0.2f, 0.6f), 0.6f);
}

TEST(BiasGain, DegenerateArgumentsStayFinite) {
  // a = 0 for Bias, a = 1 for Gain, and the points where a denominator
  // vanishes would divide by zero.
  const float points[] = {0.0f, 0.25f, 1.0f / 3.0f, 0.5f, 0.75f, 1.0f};
  for (float b : points) {
    EXPECT_TRUE(std::isfinite(Bias(0.0f, b))) << b;
    EXPECT_TRUE(std::isfinite(Bias(1.0f, b))) << b;
    EXPECT_TRUE(std::isfinite(Bias(2.0f, b))) << b;
    EXPECT_TRUE(std::isfinite(Gain(1.0f, b))) << b;
    EXPECT_TRUE(std::isfinite(Gain(0.0f, b))) << b;
  }
  EXPECT_EQ(Bias(0.0f, 0.5f), 0.0f);
  EXPECT_EQ(Bias(0.0f, 1.0f), 1.0f);
  EXPECT_EQ(Gain(1.0f, 0.25f), 0.0f);
  EXPECT_EQ(Gain(1.0f, 0.75f), 1.0f);
}

TEST(RandomSpread, RangeAndRepeatability) {
  plat::Srand(77);
  double first[50];
  for (double& v : first) {
    v = RandomSpread(3.0);
    EXPECT_GE(v, -3.0);
    EXPECT_LT(v, 3.0);
  }
  plat::Srand(77);
  for (double v : first) EXPECT_EQ(RandomSpread(3.0), v);
  // One draw of the runtime generator per spread.
  plat::Srand(77);
  const int r = plat::Rand();
  plat::Srand(77);
  EXPECT_DOUBLE_EQ(RandomSpread(1.0), (r % 10000 - 5000) / 5000.0);
}

}  // namespace
