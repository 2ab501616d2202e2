#pragma once
// Timer: time since a start point in any units per second, from the
// performance counter, or from the millisecond clock when there is none.
#include <cstdint>

class Timer {
 public:
  int64_t start = 0;
  int64_t frequency = 0;
  int64_t now = 0;
  int32_t started = 0;
  int32_t usesPerformanceCounter = 0;

  // Picks the clock and starts.
  Timer();
  void Restart();
  // Time since the last start in unitsPerSecond, truncated; 0 when not
  // started.
  int32_t Elapsed(int32_t unitsPerSecond);
};
