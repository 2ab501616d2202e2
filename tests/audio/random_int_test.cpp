#include "core/random_int.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/random.h"

TEST(RandomInt, MixesStateRuntimeGeneratorAndClock) {
  plat::FakeClockScope clock;
  plat::SetFakeMilliClock(987654);
  EXPECT_EQ(randomIntState, 123456);
  plat::Srand(42);
  // The runtime generator's two draws, computed alongside.
  uint32_t r = 42;
  auto draw = [&r]() {
    r = r * 214013u + 2531011u;
    return (r >> 16) & 0x7FFFu;
  };
  uint32_t state = 123456;
  for (int i = 0; i < 5; ++i) {
    state = state * 1103515245u + 12345u;
    const uint32_t a = draw();
    const uint32_t b = draw();
    const uint32_t m = (a * 1664525u + 1013904223u) ^ 987654u ^ b ^ ((state >> 16) & 0x7FFFu);
    EXPECT_EQ(RandomInt(1000003u), m % 1000003u) << i;
  }
  EXPECT_EQ(uint32_t(randomIntState), state);
}

TEST(RandomInt, StaysBelowItsBound) {
  for (int i = 0; i < 200; ++i) {
    EXPECT_EQ(RandomInt(1), 0u);
    EXPECT_LE(RandomInt(5), 4u);
  }
  EXPECT_EQ(RandomInt(0), 0u);
  EXPECT_LT(RandomInt(0xFFFFFFFFu), 0xFFFFFFFFu);
}
