#include "game/support/recorders.h"

#include <algorithm>

#include "audio/sound_bank.h"

namespace vantrel::test {

float FakeCommunity::GetStat(const std::string& name) {
  auto it = set.find(name);
  if (it != set.end()) return it->second;
  auto a = added.find(name);
  return a == added.end() ? 0.0f : a->second;
}

bool FakeCommunity::IsAchievementUnlocked(const std::string& name) {
  return std::find(unlocked.begin(), unlocked.end(), name) != unlocked.end();
}

void FakeCommunity::SetStat(const std::string& name, float value) {
  calls.push_back({"SetStat", name, value});
  set[name] = value;
}

void FakeCommunity::AddToStat(const std::string& name, float delta) {
  calls.push_back({"AddToStat", name, delta});
  added[name] += delta;
}

void FakeCommunity::UnlockAchievement(const std::string& name) {
  calls.push_back({"UnlockAchievement", name, 0});
  unlocked.push_back(name);
}

void FakeCommunity::StoreStats() {
  calls.push_back({"StoreStats", "", 0});
  ++stores;
}

void RecordSounds(std::vector<SoundCall>* calls) {
  if (!calls) {
    SetPlaySoundObserver(nullptr);
    return;
  }
  SetPlaySoundObserver([calls](SoundEffect sample, float x, int32_t frequency, int32_t volume) {
    calls->push_back({sample, x, frequency, volume});
  });
}

int32_t CountSample(const std::vector<SoundCall>& calls, SoundEffect sample) {
  return static_cast<int32_t>(
      std::count_if(calls.begin(), calls.end(), [sample](const SoundCall& s) { return s.sample == sample; }));
}

}  // namespace vantrel::test
