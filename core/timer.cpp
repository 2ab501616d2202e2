#include "core/timer.h"

#include "platform/clock.h"

Timer::Timer() {
  frequency = plat::PerfFrequency();
  usesPerformanceCounter = frequency != 0 ? 1 : 0;
  started = 0;
  Restart();
}

void Timer::Restart() {
  if (usesPerformanceCounter) {
    start = plat::PerfCounter();
  } else {
    start = int64_t((uint64_t(start) & ~uint64_t(0xFFFFFFFF)) | plat::MilliClock());
  }
  started = 1;
}

int32_t Timer::Elapsed(int32_t unitsPerSecond) {
  if (!started) return 0;
  if (usesPerformanceCounter) {
    now = plat::PerfCounter();
    // The product is formed in 128 bits, so it cannot overflow; the
    // result is what the signed 64-bit division gives.
    __int128 product = (__int128)(now - start) * unitsPerSecond;
    return int32_t(uint32_t(uint64_t(int64_t(product / frequency))));
  }
  uint32_t nowMs = plat::MilliClock();
  now = int64_t((uint64_t(now) & ~uint64_t(0xFFFFFFFF)) | nowMs);
  uint32_t elapsedMs = nowMs - uint32_t(uint64_t(start));
  uint64_t product = uint64_t(elapsedMs) * uint64_t(uint32_t(unitsPerSecond));
  return int32_t(uint32_t(product / 1000));
}
