#pragma once
// What the game sends out, recorded for the tests: a community layer that
// keeps every call it gets, and the sound effects the game plays.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "support/community_stub.h"

namespace vantrel::test {

// A community layer that records what the game sends and answers from it: a
// stat reads back as last set (else the sum added), an achievement as
// unlocked once the game unlocked it. Update does nothing, so nothing ever
// reaches a service.
class FakeCommunity : public CommunityStub {
 public:
  struct Call {
    std::string what;  // "AddToStat", "SetStat", "StoreStats", "UnlockAchievement"
    std::string name;
    float value = 0;
  };

  float GetStat(const std::string& name) override;
  bool IsAchievementUnlocked(const std::string& name) override;
  std::string GetPlayerName() override { return "Tester"; }
  void SetStat(const std::string& name, float value) override;
  void AddToStat(const std::string& name, float delta) override;
  void UnlockAchievement(const std::string& name) override;
  void StoreStats() override;
  void Update(float) override {}

  std::vector<Call> calls;             // every call above that records, in order
  std::map<std::string, float> added;  // the sum of every AddToStat per stat
  std::map<std::string, float> set;    // the last SetStat per stat
  std::vector<std::string> unlocked;   // in order, repeats kept
  int32_t stores = 0;
};

// One sound effect the game played.
struct SoundCall {
  SoundEffect sample;
  float x;
  int32_t frequency;
  int32_t volume;
};

// Records every effect the game plays from now on at the end of calls (the
// one recorder: it replaces any earlier one); null stops recording.
void RecordSounds(std::vector<SoundCall>* calls);
// How many of the calls played this sample.
int32_t CountSample(const std::vector<SoundCall>& calls, SoundEffect sample);

}  // namespace vantrel::test
