#pragma once
// A community layer over a service that answers nothing: no stats, no
// achievements, no player name, no leaderboard entries, never busy. The
// base class keeps its definitions and queue as always. Test fakes derive
// from it and override only what they record or answer.
#include <cstdint>
#include <string>

#include "community/community_manager.h"

namespace vantrel::test {

class CommunityStub : public CommunityManager {
 public:
  float GetStat(const std::string&) override { return 0.0f; }
  bool IsAchievementUnlocked(const std::string&) override { return false; }
  std::string GetPlayerName() override { return {}; }
  void ResetAllStats(bool) override {}
  void RequestCurrentStats() override {}
  bool IsUploading() override { return false; }
  float GetRequestWaitTime() override { return 0.0f; }
  bool IsDownloading() override { return false; }
  int32_t GetEntryCount() override { return 0; }
  bool GetEntry(int32_t, int32_t&, std::string&, int32_t&, int32_t&) override { return false; }
};

}  // namespace vantrel::test
