#include "core/timer.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

TEST(TimerTest, NotStartedReadsZero) {
  plat::FakeClockScope fake;
  Timer t;
  plat::AdvanceFakeClockMs(500);
  t.started = 0;
  for (int units : {1000, 10000, -5, 0}) EXPECT_EQ(t.Elapsed(units), 0);
}

TEST(TimerTest, CounterReadingsInAnyUnits) {
  plat::FakeClockScope fake;
  plat::SetFakeCounter(123456789);
  Timer t;
  EXPECT_EQ(t.usesPerformanceCounter, 1);
  EXPECT_EQ(t.frequency, plat::kPerfFrequency);
  EXPECT_EQ(t.Elapsed(1000), 0);
  plat::AdvanceFakeCounter(plat::kPerfFrequency / 1000 * 8 - 1);  // just under 8 ms
  EXPECT_EQ(t.Elapsed(1000), 7);
  plat::AdvanceFakeCounter(1);
  EXPECT_EQ(t.Elapsed(1000), 8);
  EXPECT_EQ(t.Elapsed(10000), 80);
  plat::AdvanceFakeCounter(12345);
  int32_t ms = t.Elapsed(1000), tenths = t.Elapsed(10000);
  EXPECT_LE(tenths - 10 * ms, 9);
  EXPECT_GE(tenths - 10 * ms, 0);
  EXPECT_EQ(t.now, 123456789 + plat::kPerfFrequency / 1000 * 8 + 12345);
  t.Restart();
  EXPECT_EQ(t.Elapsed(1000), 0);
}

TEST(TimerTest, LongRunsStayExactAndNeverOverflowTheProduct) {
  plat::FakeClockScope fake;
  plat::SetFakeCounter(int64_t(1) << 50);  // a machine up for years
  Timer t;
  const int64_t day = plat::kPerfFrequency * 86400;
  plat::AdvanceFakeCounter(24 * day);
  EXPECT_EQ(t.Elapsed(1000), 24 * 86400 * 1000);
  // At 1000 days the milliseconds no longer fit in 32 bits: the low 32 bits
  // come back, but the 64-bit product is still right.
  plat::AdvanceFakeCounter(976 * day);
  int64_t wantMs = int64_t(1000) * 86400 * 1000;
  EXPECT_EQ(t.Elapsed(1000), int32_t(uint32_t(uint64_t(wantMs))));
  EXPECT_EQ(t.Elapsed(1), 1000 * 86400);
}

TEST(TimerTest, MillisecondFallbackSurvivesTheWrap) {
  plat::FakeClockScope fake;
  plat::SetFakeCounterAvailable(false);
  plat::SetFakeMilliClock(0xFFFFFFFFu - 99);  // 100 ms before the wrap
  Timer t;
  EXPECT_EQ(t.usesPerformanceCounter, 0);
  EXPECT_EQ(t.Elapsed(1000), 0);
  plat::AdvanceFakeClockMs(250);
  EXPECT_LT(plat::MilliClock(), 1000u);
  EXPECT_EQ(t.Elapsed(1000), 250);
  EXPECT_EQ(t.Elapsed(10000), 2500);
  EXPECT_EQ(t.Elapsed(1), 0);
  plat::AdvanceFakeClockMs(3000000000u);
  // 3,000,000,250 ms x 10 is formed without 32-bit overflow.
  EXPECT_EQ(t.Elapsed(10), 30000002);
  t.Restart();
  EXPECT_EQ(t.Elapsed(1000), 0);
  plat::SleepMs(16);  // the fake clock moves instead of sleeping
  EXPECT_EQ(t.Elapsed(1000), 16);
}

TEST(TimerTest, RealClockRunsForward) {
  Timer t;
  int32_t last = 0;
  for (int i = 0; i < 5; ++i) {
    plat::SleepMs(2);
    int32_t e = t.Elapsed(10000);
    EXPECT_GE(e, last);
    last = e;
  }
  EXPECT_GE(last, 80);
}

}  // namespace
