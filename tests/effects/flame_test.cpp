#include "graphics/flame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/random.h"

namespace {

// An 8-bit surface with a guard margin on every side, so a write outside the
// field shows up as a changed guard byte.
struct Surface {
  static constexpr int kMargin = 8;
  int w, h, pitch;
  std::vector<uint8_t> store;
  Surface(int width, int height)
      : w(width),
        h(height),
        pitch(width + 2 * kMargin),
        store(static_cast<size_t>(pitch) * (height + 2 * kMargin), 0) {}
  uint8_t* bits() { return store.data() + kMargin * pitch + kMargin; }
  uint8_t at(int x, int y) const { return store[(y + kMargin) * pitch + x + kMargin]; }
  bool GuardsClean() const {
    for (int y = -kMargin; y < h + kMargin; ++y)
      for (int x = -kMargin; x < pitch - kMargin; ++x)
        if ((x < 0 || x >= w || y < 0 || y >= h) && at(x, y) != 0) return false;
    return true;
  }
  std::vector<uint8_t> Field() const {
    std::vector<uint8_t> f;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) f.push_back(at(x, y));
    return f;
  }
  double RowMean(int y) const {
    double s = 0;
    for (int x = 0; x < w; ++x) s += at(x, y);
    return s / w;
  }
};

class FlameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pristine_ = std::make_unique<BackgroundEffectState>(gBackgroundEffect);
    plat::SetFakeUnixTime(1000000);
  }
  void TearDown() override { gBackgroundEffect = *pristine_; }
  // Back to the state of a freshly started program.
  void Reset() { gBackgroundEffect = *pristine_; }

  // Starts an effect and renders `frames` frames of 20 ms each.
  std::vector<uint8_t> Run(uint32_t seed, int frames, bool echo, int w = 160, int h = 90) {
    Reset();
    plat::SetFakeUnixTime(1000000);
    plat::Srand(seed);
    EXPECT_TRUE(InitBackgroundEffect(300, w, h, 0, 0, 1000000));
    gBackgroundEffect.echoOn = echo;
    Surface s(w, h);
    for (int i = 0; i < frames; ++i) {
      RenderBackgroundEffect(s.bits(), w, h, s.pitch);
      plat::AdvanceFakeClockMs(20);
    }
    EXPECT_TRUE(s.GuardsClean());
    return s.Field();
  }

  plat::FakeClockScope clock_;
  std::unique_ptr<BackgroundEffectState> pristine_;
};

TEST_F(FlameTest, SeededRunRepeatsAndChangesBetweenFrames) {
  const auto a = Run(11, 200, true);
  const auto b = Run(11, 200, true);
  EXPECT_EQ(a, b);
  const auto c = Run(11, 201, true);
  EXPECT_NE(a, c);
  const auto d = Run(12, 200, true);
  EXPECT_NE(a, d);
  // The field is not empty after a few seconds of burning.
  int lit = 0;
  for (uint8_t v : a) lit += v != 0;
  EXPECT_GT(lit, static_cast<int>(a.size()) / 10);
}

TEST_F(FlameTest, EchoSwitchChangesTheOutput) {
  const auto on = Run(5, 60, true);
  const auto off = Run(5, 60, false);
  EXPECT_NE(on, off);
}

TEST_F(FlameTest, InitRefusesFieldsWithoutRoomAndClampsCount) {
  EXPECT_FALSE(InitBackgroundEffect(10, 10, 50, 0, 0, 20));
  EXPECT_FALSE(InitBackgroundEffect(10, 50, 6, 0, 0, 20));
  EXPECT_FALSE(InitBackgroundEffect(10, 8193, 50, 0, 0, 20));
  EXPECT_TRUE(InitBackgroundEffect(20000, 11, 7, 0, 0, 20));
  EXPECT_EQ(gBackgroundEffect.count, kFlameParticleMax);
  for (const FlameParticle& p : gBackgroundEffect.particles) {
    ASSERT_GE(p.x, 5);
    ASSERT_LT(p.x, 6);  // width - 10 = 1: x = 0 + 5
    ASSERT_GE(p.heat, 127);
    ASSERT_LE(p.heat, 253);
  }
  EXPECT_TRUE(InitBackgroundEffect(-5, 646, 108, 3, 1, 20));
  EXPECT_EQ(gBackgroundEffect.count, 0);
  EXPECT_TRUE(EndBackgroundEffect());
}

TEST_F(FlameTest, EveryEventStaysInsideTheField) {
  // One event every second, many seconds, several seeds: each kind of event
  // comes up; none may write outside the field.
  for (uint32_t seed = 1; seed <= 6; ++seed) {
    Reset();
    plat::Srand(seed);
    ASSERT_TRUE(InitBackgroundEffect(500, 97, 41, static_cast<int>(seed % 5), 0, 3));
    gBackgroundEffect.eventOdds = 1;
    Surface s(97, 41);
    for (int i = 0; i < 400; ++i) {
      RenderBackgroundEffect(s.bits(), 97, 41, s.pitch);
      plat::AdvanceFakeClockMs(250);
    }
    EXPECT_TRUE(s.GuardsClean()) << seed;
    for (int i = 0; i < gBackgroundEffect.count; ++i) {
      const FlameParticle& p = gBackgroundEffect.particles[i];
      ASSERT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
      ASSERT_GE(p.x, 5);
      ASSERT_LT(p.x, 97 - 5);
      ASSERT_GE(p.y, 3);
      ASSERT_LT(p.y, 41 - 3);
    }
  }
}

TEST_F(FlameTest, PhasesTurnTheDriftAndTheBurnDirection) {
  plat::Srand(3);
  ASSERT_TRUE(InitBackgroundEffect(50, 64, 32, 0, 0, 2));
  gBackgroundEffect.eventOdds = 1 << 30;
  struct Expect {
    double dx, dy;
    bool down;
  } phases[] = {{0, 0.1, false}, {-0.1, 0, false}, {0, -0.1, true}, {0.1, 0, true}, {0, 0.1, false}};
  Surface s(64, 32);
  for (const Expect& e : phases) {
    RenderBackgroundEffect(s.bits(), 64, 32, s.pitch);
    EXPECT_DOUBLE_EQ(gBackgroundEffect.driftX, e.dx);
    EXPECT_DOUBLE_EQ(gBackgroundEffect.driftY, e.dy);
    EXPECT_EQ(gBackgroundEffect.burnDownward, e.down);
    plat::AdvanceFakeClockMs(2000);
  }
}

TEST_F(FlameTest, LongPhaseKeepsFlameRisingFromTheBottom) {
  plat::Srand(8);
  ASSERT_TRUE(InitBackgroundEffect(0, 120, 200, 0, 0, 1000000));
  gBackgroundEffect.echoOn = false;
  Surface s(120, 200);
  for (int i = 0; i < 300; ++i) {
    RenderBackgroundEffect(s.bits(), 120, 200, s.pitch);
    plat::AdvanceFakeClockMs(50);
    ASSERT_FALSE(gBackgroundEffect.burnDownward);
    ASSERT_DOUBLE_EQ(gBackgroundEffect.driftY, 0.1);
  }
  // Heat comes from the seed row at the bottom and fades as it climbs
  // (by about two levels a row), so the top stays dark.
  EXPECT_GT(s.RowMean(195), s.RowMean(160));
  EXPECT_GT(s.RowMean(160), s.RowMean(120));
  EXPECT_GT(s.RowMean(195), 20.0);
  EXPECT_LT(s.RowMean(20), 1.0);
}

TEST_F(FlameTest, DownwardPhaseBurnsFromTheTop) {
  plat::Srand(8);
  ASSERT_TRUE(InitBackgroundEffect(0, 120, 100, 0, 0, 1));
  gBackgroundEffect.echoOn = false;
  plat::AdvanceFakeClockMs(2000);  // phase 2
  Surface s(120, 100);
  for (int i = 0; i < 15; ++i) RenderBackgroundEffect(s.bits(), 120, 100, s.pitch);
  ASSERT_TRUE(gBackgroundEffect.burnDownward);
  EXPECT_GT(s.RowMean(4), s.RowMean(30));
  EXPECT_LT(s.RowMean(96), 1.0);
}

TEST_F(FlameTest, HalfBrightSeedRowStaysBelow128) {
  for (bool noise : {true, false}) {
    Reset();
    plat::Srand(21);
    ASSERT_TRUE(InitBackgroundEffect(40, 200, 60, 1, 1, 1000000));
    gBackgroundEffect.eventOdds = 1 << 30;
    gBackgroundEffect.noiseSeedRow = noise;
    Surface s(200, 60);
    for (int i = 0; i < 50; ++i) {
      RenderBackgroundEffect(s.bits(), 200, 60, s.pitch);
      int top = 0;
      for (int x = 0; x < 200; ++x) top = std::max<int>(top, s.at(x, 58));
      ASSERT_LE(top, 127) << noise;
      ASSERT_GT(top, 0) << noise;
    }
  }
}

TEST_F(FlameTest, NullBitsAdvanceOnlyClockEventsAndTargets) {
  plat::Srand(4);
  ASSERT_TRUE(InitBackgroundEffect(300, 160, 90, 0, 0, 1000000));
  gBackgroundEffect.eventOdds = 1;
  gBackgroundEffect.followMode = true;
  gBackgroundEffect.smallGroups = true;
  gBackgroundEffect.driftOn = true;
  const double angle = gBackgroundEffect.freeAngle;
  plat::AdvanceFakeClockMs(1000);
  const int before = plat::Rand();  // what the next draw would have been
  plat::Srand(4);
  ASSERT_TRUE(InitBackgroundEffect(300, 160, 90, 0, 0, 1000000));
  plat::AdvanceFakeClockMs(1000);
  gBackgroundEffect.eventOdds = 1;
  gBackgroundEffect.followMode = true;
  gBackgroundEffect.smallGroups = true;
  gBackgroundEffect.driftOn = true;
  RenderBackgroundEffect(nullptr, 160, 90, 160);
  EXPECT_EQ(gBackgroundEffect.frameCounter, 0u);
  EXPECT_NEAR(gBackgroundEffect.freeAngle, angle + 0.01, 1e-12);
  // The new second rolled an event: the generator moved on.
  EXPECT_NE(plat::Rand(), before);
  // Targets ran: particle 1 follows its leader, particle 0.
  const FlameParticle& p = gBackgroundEffect.particles[1];
  EXPECT_EQ(p.flags, 3);
  EXPECT_EQ(p.targetX, gBackgroundEffect.particles[0].x);
}

TEST_F(FlameTest, SurfaceSmallerThanTheFieldIsNotTouched) {
  plat::Srand(4);
  ASSERT_TRUE(InitBackgroundEffect(300, 160, 90, 0, 0, 1000000));
  Surface s(150, 90);
  RenderBackgroundEffect(s.bits(), 150, 90, s.pitch);
  EXPECT_EQ(gBackgroundEffect.frameCounter, 0u);
  for (uint8_t v : s.store) ASSERT_EQ(v, 0);
}

struct RampCase {
  int kind, i, r, g, b;
};

TEST_F(FlameTest, RampsOfEveryKind) {
  const RampCase cases[] = {
      {0, 0, 0, 0, 0},
      {0, 100, 200, 100, 0},
      {0, 200, 255, 200, 0},
      {1, 100, 0, 100, 200},
      {1, 128, 0, 128, 255},
      {2, 100, 50, 50, 100},
      {2, 200, 136, 136, 200},
      {3, 100, 25, 100, 25},
      {3, 200, 104, 200, 104},
      {4, 100, 200, 50, 50},
      {4, 130, 255, 66, 66},
      // Top 32 entries: (c (31 - k) + 255 (k + 1)) >> 5 with k = i - 224.
      {0, 224, (255 * 31 + 255) >> 5, (224 * 31 + 255) >> 5, (0 + 255) >> 5},
      {3, 240, (144 * 15 + 255 * 17) >> 5, (240 * 15 + 255 * 17) >> 5, (144 * 15 + 255 * 17) >> 5},
  };
  for (const RampCase& c : cases) {
    SetEffectPalette(c.kind);
    EXPECT_EQ(gBackgroundEffect.ramp[c.i][0], c.r) << c.kind << " " << c.i;
    EXPECT_EQ(gBackgroundEffect.ramp[c.i][1], c.g) << c.kind << " " << c.i;
    EXPECT_EQ(gBackgroundEffect.ramp[c.i][2], c.b) << c.kind << " " << c.i;
  }
  for (int kind = 0; kind < 5; ++kind) {
    SetEffectPalette(kind);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(gBackgroundEffect.ramp[255][c], 255);
    // 224..254 lie between the kind's colour and white, brightening.
    for (int i = 225; i < 256; ++i)
      for (int c = 0; c < 3; ++c) EXPECT_GE(gBackgroundEffect.ramp[i][c], gBackgroundEffect.ramp[i - 1][c]);
  }
  // Another kind keeps the entries below the white fade.
  SetEffectPalette(1);
  const uint8_t kept = gBackgroundEffect.ramp[100][2];
  SetEffectPalette(9);
  EXPECT_EQ(gBackgroundEffect.ramp[100][2], kept);
}

TEST_F(FlameTest, BurstRequestMovesParticlesToOnePoint) {
  plat::Srand(6);
  ASSERT_TRUE(InitBackgroundEffect(30, 200, 100, 0, 0, 1000000));
  BurstBackgroundEffect();
  // Particle 0 always takes part (0 % n == 0).
  const FlameParticle& p = gBackgroundEffect.particles[0];
  int same = 0;
  for (int i = 1; i < 30; ++i)
    same += gBackgroundEffect.particles[i].x == p.x && gBackgroundEffect.particles[i].y == p.y;
  EXPECT_GE(same, 9);
  EXPECT_GE(p.x, 5);
  EXPECT_LT(p.x, 195);
}

}  // namespace
