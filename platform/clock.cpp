#include "platform/clock.h"

#include <sched.h>
#include <time.h>

#include <atomic>

namespace plat {
namespace {

// Atomics, so a mixing thread of the sound output may read the clock while
// a test moves it.
struct FakeClock {
  std::atomic<bool> installed{false};
  std::atomic<int64_t> counter{0};
  std::atomic<uint32_t> milli{0};
  std::atomic<int64_t> unixTime{0};
  std::atomic<bool> counterAvailable{true};
};

FakeClock& Fake() {
  static FakeClock fake;
  return fake;
}

int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

}  // namespace

int64_t PerfCounter() {
  if (Fake().installed) return Fake().counter;
  return MonotonicNs() / 100;
}

int64_t PerfFrequency() {
  if (Fake().installed) return Fake().counterAvailable ? kPerfFrequency : 0;
  return kPerfFrequency;
}

uint32_t MilliClock() {
  if (Fake().installed) return Fake().milli;
  return uint32_t(uint64_t(MonotonicNs() / 1'000'000));
}

int64_t UnixTime() {
  if (Fake().installed) return Fake().unixTime;
  return int64_t(time(nullptr));
}

void YieldCpu() {
  if (Fake().installed) return;
  sched_yield();
}

void SleepMs(uint32_t ms) {
  if (Fake().installed) {
    AdvanceFakeClockMs(ms);
    return;
  }
  if (ms == 0) {
    sched_yield();
    return;
  }
  timespec ts{time_t(ms / 1000), long(ms % 1000) * 1'000'000};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void InstallFakeClock() {
  FakeClock& f = Fake();
  f.counter = 0;
  f.milli = 0;
  f.unixTime = 0;
  f.counterAvailable = true;
  f.installed = true;
}

void RemoveFakeClock() { Fake().installed = false; }

bool FakeClockInstalled() { return Fake().installed; }

void AdvanceFakeClockMs(uint32_t ms) {
  FakeClock& f = Fake();
  // Whole seconds follow the millisecond clock: a second passes each time
  // the milliseconds cross a multiple of 1000.
  uint32_t before = f.milli.fetch_add(ms);
  f.counter += int64_t(ms) * (kPerfFrequency / 1000);
  f.unixTime += int64_t((uint64_t(before % 1000) + ms) / 1000);
}

void AdvanceFakeCounter(int64_t ticks) { Fake().counter += ticks; }
void SetFakeCounter(int64_t ticks) { Fake().counter = ticks; }
void SetFakeMilliClock(uint32_t ms) { Fake().milli = ms; }
void SetFakeUnixTime(int64_t seconds) { Fake().unixTime = seconds; }
void SetFakeCounterAvailable(bool available) { Fake().counterAvailable = available; }

}  // namespace plat
