// The base community manager: definitions, the queue and the message texts.
#include "community/community_manager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/community_stub.h"

namespace {

// A back end whose service values live in a map; it exposes the base's state.
class FakeManager : public vantrel::test::CommunityStub {
 public:
  explicit FakeManager(bool isOnline) { online = isOnline ? 1 : 0; }

  float GetStat(const std::string& name) override {
    auto pending = pendingStats.find(name);
    if (pending != pendingStats.end()) return pending->second;
    auto found = service.find(name);
    return found == service.end() ? 0.0f : found->second;
  }

  std::map<std::string, float> service;
  using CommunityManager::achievements;
  using CommunityManager::downloadBoardName;
  using CommunityManager::pendingScoreUpload;
  using CommunityManager::pendingStats;
  using CommunityManager::pendingUnlocks;
  using CommunityManager::scoreUploadResult;
  using CommunityManager::stats;
  using CommunityManager::storeTimer;
  using CommunityManager::ReportMessage;
};

TEST(CommunityManagerBase, DefinitionsReplaceEarlierOnes) {
  FakeManager m(true);
  EXPECT_TRUE(m.IsBaseImplementation());
  StatTrigger t{"Ach_a", 5.0f, StatTrigger::kAtLeast};
  m.DefineStat("Bricks", "float", {t});
  ASSERT_EQ(m.stats.count("Bricks"), 1u);
  EXPECT_EQ(m.stats["Bricks"].triggers.size(), 1u);
  m.DefineStat("Bricks", "int", {});
  EXPECT_EQ(m.stats["Bricks"].type, "int");
  EXPECT_TRUE(m.stats["Bricks"].triggers.empty());

  m.DefineAchievement("Ach_x", 1);
  m.DefineAchievement("Ach_x", 0);
  EXPECT_EQ(m.achievements["Ach_x"].statDriven, 0);
}

TEST(CommunityManagerBase, AchievementTriggerDefinesStatDrivenAchievement) {
  FakeManager m(true);
  // The stat is not defined: the achievement still becomes stat-driven.
  m.AddAchievementTrigger("Ach_none", "Missing", 3.0f, StatTrigger::kAtLeast);
  ASSERT_EQ(m.achievements.count("Ach_none"), 1u);
  EXPECT_EQ(m.achievements["Ach_none"].statDriven, 1);
  EXPECT_EQ(m.stats.count("Missing"), 0u);

  m.DefineStat("Boards", "int", {});
  m.AddAchievementTrigger("Ach_ten", "Boards", 10.0f, StatTrigger::kEqual);
  ASSERT_EQ(m.stats["Boards"].triggers.size(), 1u);
  const StatTrigger& t = m.stats["Boards"].triggers.front();
  EXPECT_EQ(t.achievement, "Ach_ten");
  EXPECT_EQ(t.threshold, 10.0f);
  EXPECT_EQ(t.comparison, StatTrigger::kEqual);
}

TEST(CommunityManagerBase, SetStatQueuesOnlyChangesAndKeepsTheLatest) {
  FakeManager m(true);
  m.service["Bricks"] = 7.0f;
  m.SetStat("Bricks", 7.0f);
  EXPECT_TRUE(m.pendingStats.empty());
  m.SetStat("Bricks", 8.0f);
  m.SetStat("Bricks", 9.5f);
  ASSERT_EQ(m.pendingStats.size(), 1u);
  EXPECT_EQ(m.pendingStats["Bricks"], 9.5f);
  // An undefined stat reads 0: any other value is queued.
  m.SetStat("Unknown", 0.0f);
  EXPECT_EQ(m.pendingStats.count("Unknown"), 0u);
  m.SetStat("Unknown", 1.0f);
  EXPECT_EQ(m.pendingStats.count("Unknown"), 1u);
}

TEST(CommunityManagerBase, AddToStatOnlyWhenOnline) {
  FakeManager offline(false);
  offline.AddToStat("Bricks", 3.0f);
  EXPECT_TRUE(offline.pendingStats.empty());

  FakeManager m(true);
  m.service["Bricks"] = 2.0f;
  m.AddToStat("Bricks", 3.0f);
  m.AddToStat("Bricks", 1.5f);  // reads the pending 5 back
  EXPECT_EQ(m.pendingStats["Bricks"], 6.5f);
  m.AddToStat("Bricks", 0.0f);
  EXPECT_EQ(m.pendingStats["Bricks"], 6.5f);
}

TEST(CommunityManagerBase, UnlocksQueueInOrderWithoutDeduplication) {
  FakeManager m(false);
  m.UnlockAchievement("B");
  m.UnlockAchievement("A");
  m.UnlockAchievement("B");
  EXPECT_EQ(std::vector<std::string>(m.pendingUnlocks.begin(), m.pendingUnlocks.end()),
            (std::vector<std::string>{"B", "A", "B"}));
}

TEST(CommunityManagerBase, UpdateCountsTheStoreTimerDownOnceAndStopsAtZero) {
  FakeManager m(true);
  EXPECT_FALSE(m.IsStoreTimerRunning());
  m.Update(16.0f);
  EXPECT_EQ(m.storeTimer, 0.0f);  // not running: not lowered below 0
  m.storeTimer = 100.0f;
  EXPECT_TRUE(m.IsStoreTimerRunning());
  m.Update(0.0f);  // a paused frame: no change, and no endless loop
  EXPECT_EQ(m.storeTimer, 100.0f);
  m.Update(30.0f);
  EXPECT_EQ(m.storeTimer, 70.0f);
  m.Update(80.0f);
  EXPECT_EQ(m.storeTimer, -10.0f);
  EXPECT_FALSE(m.IsStoreTimerRunning());
}

TEST(CommunityManagerBase, LeaderboardRequestsAndFailureTexts) {
  FakeManager offline(false);
  offline.RequestScoreUpload("set_1", 100, {3});
  EXPECT_EQ(offline.GetErrorMessage(), "Community not online!");
  EXPECT_EQ(offline.pendingScoreUpload, nullptr);
  offline.RequestScoreDownload("set_1");
  EXPECT_EQ(offline.GetErrorMessage(), "Community not online!");
  EXPECT_TRUE(offline.downloadBoardName.empty());

  FakeManager m(true);
  m.FailScoreUpload("");
  EXPECT_EQ(m.GetErrorMessage(), "Unknown Error");
  m.scoreUploadResult = std::make_unique<ScoreUploadResult>();
  m.RequestScoreUpload("set_1", 1234, {4, 5});
  EXPECT_TRUE(m.GetErrorMessage().empty());
  EXPECT_EQ(m.GetScoreUploadResult(), nullptr);
  ASSERT_NE(m.pendingScoreUpload, nullptr);
  EXPECT_EQ(m.pendingScoreUpload->leaderboardName, "set_1");
  EXPECT_EQ(m.pendingScoreUpload->score, 1234);
  EXPECT_EQ(m.pendingScoreUpload->details, (std::vector<int32_t>{4, 5}));
  m.FailScoreUpload("Timeout");
  EXPECT_EQ(m.GetErrorMessage(), "Timeout");
  EXPECT_EQ(m.pendingScoreUpload, nullptr);

  m.RequestScoreDownload("set_2");
  EXPECT_TRUE(m.GetErrorMessage().empty());
  m.FailScoreDownload("");
  EXPECT_EQ(m.GetErrorMessage(), "Unknown Error");
  EXPECT_EQ(m.downloadBoardName, "set_2");  // asked again by the next Update
}

TEST(CommunityManagerBase, CheckStatTriggersUnlocksEveryHoldingComparison) {
  struct Case {
    int32_t comparison;
    float threshold;
    float value;
    bool unlocks;
  };
  const Case cases[] = {
      {StatTrigger::kAtLeast, 10, 10, true},
      {StatTrigger::kAtLeast, 10, 9.9f, false},
      {StatTrigger::kAtMost, 10, 10, true},
      {StatTrigger::kAtMost, 10, 10.1f, false},
      {StatTrigger::kEqual, 10, 10, true},
      {StatTrigger::kEqual, 10, 10.5f, false},
      {7, 10, 10, false},  // an unknown comparison never holds
  };
  for (const Case& c : cases) {
    FakeManager m(true);
    StatRecord stat;
    stat.triggers.push_back({"Ach", c.threshold, c.comparison});
    CommunityManager::CheckStatTriggers(stat, c.value, m);
    EXPECT_EQ(m.pendingUnlocks.size(), c.unlocks ? 1u : 0u) << "comparison " << c.comparison << " value " << c.value;
  }
  FakeManager m(true);
  StatRecord stat;
  stat.triggers = {{"First", 1, StatTrigger::kAtLeast}, {"Second", 2, StatTrigger::kAtLeast}};
  CommunityManager::CheckStatTriggers(stat, 5, m);
  EXPECT_EQ(std::vector<std::string>(m.pendingUnlocks.begin(), m.pendingUnlocks.end()),
            (std::vector<std::string>{"First", "Second"}));
}

TEST(CommunityManagerBase, MessagesGoToTheCallbackOnly) {
  FakeManager m(true);
  m.ReportMessage("dropped");  // no callback: nothing happens
  std::vector<std::string> got;
  m.SetMessageCallback([&](const char* text) { got.push_back(text); });
  m.ReportMessage("hello");
  EXPECT_EQ(got, (std::vector<std::string>{"hello"}));
  EXPECT_TRUE(m.GetErrorMessage().empty());
  EXPECT_TRUE(m.GetInstalledItems().empty());
}

}  // namespace
