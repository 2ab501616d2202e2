#pragma once
// Clocks: a monotonic performance counter, a wrapping millisecond clock,
// wall-clock seconds, yielding and sleeping. Tests switch every read to a
// fake clock that they advance by hand.
#include <cstdint>

namespace plat {

// Ticks per second of PerfCounter(): 10 MHz (100 ns ticks), so that
// elapsed-ticks x units products stay far inside 64 bits.
constexpr int64_t kPerfFrequency = 10'000'000;

// Current value of the monotonic performance counter, in 1/PerfFrequency() s.
int64_t PerfCounter();
// Ticks per second of the performance counter; 0 when no counter is
// available (the fake clock can simulate that).
int64_t PerfFrequency();
// Milliseconds of a monotonic clock, truncated to 32 bits (wraps after
// about 49.7 days).
uint32_t MilliClock();
// Seconds since 1970-01-01 UTC.
int64_t UnixTime();
// Gives up the rest of the time slice.
void YieldCpu();
// Sleeps for ms milliseconds (0 behaves as YieldCpu). With the fake clock
// active, advances it instead of sleeping.
void SleepMs(uint32_t ms);

// ---- fake clock (tests and headless runs) ---------------------------------
// While installed, PerfCounter, PerfFrequency, MilliClock and UnixTime
// return the fake values below, and SleepMs advances them.
void InstallFakeClock();
void RemoveFakeClock();
bool FakeClockInstalled();
// Moves the fake counter, millisecond clock and (whole) seconds forward.
void AdvanceFakeClockMs(uint32_t ms);
// Moves only the fake performance counter forward by raw ticks.
void AdvanceFakeCounter(int64_t ticks);
void SetFakeCounter(int64_t ticks);
void SetFakeMilliClock(uint32_t ms);
void SetFakeUnixTime(int64_t seconds);
// false: the fake clock reports no performance counter (frequency 0).
void SetFakeCounterAvailable(bool available);

// Installs the fake clock for the life of the object (counter 0, millisecond
// clock 0, counter available), then removes it.
class FakeClockScope {
 public:
  FakeClockScope() { InstallFakeClock(); }
  ~FakeClockScope() { RemoveFakeClock(); }
  FakeClockScope(const FakeClockScope&) = delete;
  FakeClockScope& operator=(const FakeClockScope&) = delete;
};

}  // namespace plat
