#pragma once
// The online-community service the game and the Workshop helper call.
//
// The base class keeps the stat and achievement definitions and the queue of
// stat values and achievement unlocks that a back end pushes to the service
// in Update. SetStat, AddToStat and UnlockAchievement only queue; nothing
// reaches the service before the next Update. The queue lives in memory only.
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "community/workshop_item.h"

// A threshold on a stat that unlocks an achievement.
struct StatTrigger {
  // comparison values
  static constexpr int32_t kAtLeast = 0;  // value >= threshold
  static constexpr int32_t kAtMost = 1;   // value <= threshold
  static constexpr int32_t kEqual = 2;    // value == threshold

  std::string achievement;
  float threshold = 0.0f;
  int32_t comparison = kAtLeast;
};

struct AchievementRecord {
  std::string name;
  // Display texts, flags and progress: kept for the record layout, never
  // filled by this program.
  std::string displayName;
  std::string description;
  uint8_t hidden = 0;
  uint8_t achieved = 0;
  int32_t progress = 0;
  // 1: the service unlocks the achievement from its stat, so the unlock
  // queue never sends it.
  uint8_t statDriven = 0;
  std::list<std::string> requiredStats;
  std::list<std::string> unlockedBy;
};

struct StatRecord {
  std::string name;
  // "float", "int", "avgrate" or "roundfloat".
  std::string type;
  int32_t intValue = 0;        // never filled by this program
  std::vector<float> history;  // never filled by this program
  std::list<StatTrigger> triggers;
  int32_t flags = 0;  // never filled by this program
};

// A score waiting to be posted to a leaderboard.
struct PendingScoreUpload {
  std::string leaderboardName;
  int32_t score = 0;
  std::vector<int32_t> details;
};

// What the service answered to the last successful score post.
struct ScoreUploadResult {
  int32_t newGlobalRank = 0;
  int32_t previousGlobalRank = 0;
  int32_t score = 0;
  uint8_t changed = 0;
};

class CommunityManager {
 public:
  using MessageCallback = std::function<void(const char* text)>;

  CommunityManager();
  CommunityManager(const CommunityManager&) = delete;
  CommunityManager& operator=(const CommunityManager&) = delete;

  // The virtual operations, in their slot order.
  virtual bool IsBaseImplementation();
  virtual ~CommunityManager();
  virtual void DefineStat(const std::string& name, const std::string& type, const std::list<StatTrigger>& triggers);
  virtual void AddAchievementTrigger(const std::string& achievement, const std::string& stat, float threshold,
                                     int32_t comparison);
  virtual void DefineAchievement(const std::string& name, uint8_t statDriven);
  virtual void SetStat(const std::string& name, float value);
  virtual void AddToStat(const std::string& name, float delta);
  virtual void UnlockAchievement(const std::string& name);
  virtual void StoreStats();
  virtual float GetStat(const std::string& name) = 0;
  virtual bool IsAchievementUnlocked(const std::string& name) = 0;
  // dt: the frame time in milliseconds.
  virtual void Update(float dt);
  virtual std::string GetPlayerName() = 0;
  virtual bool IsStoreTimerRunning();
  virtual void ResetAllStats(bool withAchievements) = 0;
  virtual void RequestCurrentStats() = 0;
  virtual void RequestScoreUpload(const std::string& leaderboardName, int32_t score,
                                  const std::vector<int32_t>& details);
  virtual void FailScoreUpload(const std::string& text);
  virtual bool IsUploading() = 0;
  virtual float GetRequestWaitTime() = 0;
  virtual const std::string GetErrorMessage();
  virtual bool IsDownloading() = 0;
  virtual void RequestScoreDownload(const std::string& leaderboardName);
  virtual void FailScoreDownload(const std::string& text);
  virtual int32_t GetEntryCount() = 0;
  virtual bool GetEntry(int32_t index, int32_t& rank, std::string& name, int32_t& score, int32_t& detail) = 0;
  virtual std::vector<WorkshopItem> GetInstalledItems();

  // Runs the stat's triggers in list order and unlocks each achievement whose
  // comparison holds for value.
  static void CheckStatTriggers(const StatRecord& stat, float value, CommunityManager& manager);

  // The callback that receives the layer's reports (may be empty).
  void SetMessageCallback(MessageCallback callback);
  bool IsOnline() const { return online != 0; }
  // The result of the last successful score post; null when there is none.
  const ScoreUploadResult* GetScoreUploadResult() const { return scoreUploadResult.get(); }

 protected:
  // Hands text to the message callback, when one is installed.
  void ReportMessage(const std::string& text) const;

  MessageCallback messageCallback;
  // Milliseconds until the next periodic stats store is allowed.
  float storeTimer = 0.0f;
  uint8_t online = 0;
  std::map<std::string, AchievementRecord> achievements;
  std::map<std::string, StatRecord> stats;
  std::map<std::string, float> pendingStats;
  std::list<std::string> pendingUnlocks;
  std::unique_ptr<PendingScoreUpload> pendingScoreUpload;
  std::unique_ptr<ScoreUploadResult> scoreUploadResult;
  std::string message;
  std::string downloadBoardName;
};
