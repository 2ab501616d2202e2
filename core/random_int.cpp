#include "core/random_int.h"

#include "platform/clock.h"
#include "platform/random.h"

int32_t randomIntState = 123456;

uint32_t RandomInt(uint32_t n) {
  const uint32_t state = uint32_t(randomIntState) * 1103515245u + 12345u;
  randomIntState = int32_t(state);
  const uint32_t a = uint32_t(plat::Rand());
  const uint32_t t = plat::MilliClock();
  const uint32_t b = uint32_t(plat::Rand());
  const uint32_t m = (a * 1664525u + 1013904223u) ^ t ^ b ^ ((state >> 16) & 0x7FFFu);
  // n = 0 has no number below it; 0 keeps the caller's index in range.
  return n == 0 ? 0 : m % n;
}
