#pragma once
// The window timers of the in-memory back ends: each has an id and a period,
// and fires when the time the tests advance has run through its period.
#include <algorithm>
#include <cstdint>
#include <vector>

namespace plat::headless {

class TimerList {
 public:
  // Starts the timer, or restarts it with the new period when it exists.
  void Set(uint32_t id, uint32_t periodMs) {
    for (Timer& t : timers_) {
      if (t.id == id) {
        t.period = periodMs;
        t.elapsed = 0;
        return;
      }
    }
    timers_.push_back({id, periodMs, 0});
  }
  void Kill(uint32_t id) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; }),
                  timers_.end());
  }
  bool Has(uint32_t id) const {
    return std::any_of(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
  }
  void Clear() { timers_.clear(); }
  // Lets `ms` pass; calls fired(id) once for every timer whose period ran out.
  template <class Fired>
  void Advance(uint32_t ms, Fired&& fired) {
    for (Timer& t : timers_) {
      if (t.period == 0) continue;
      t.elapsed += ms;
      if (t.elapsed < t.period) continue;
      t.elapsed %= t.period;
      fired(t.id);
    }
  }

 private:
  struct Timer {
    uint32_t id;
    uint32_t period;
    uint32_t elapsed;
  };
  std::vector<Timer> timers_;
};

}  // namespace plat::headless
