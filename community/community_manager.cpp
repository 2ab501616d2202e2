#include "community/community_manager.h"

#include <utility>

namespace {
const char kNotOnline[] = "Community not online!";
const char kUnknownError[] = "Unknown Error";
}  // namespace

CommunityManager::CommunityManager() = default;

CommunityManager::~CommunityManager() = default;

bool CommunityManager::IsBaseImplementation() { return true; }

void CommunityManager::DefineStat(const std::string& name, const std::string& type,
                                  const std::list<StatTrigger>& triggers) {
  StatRecord record;
  record.name = name;
  record.type = type;
  record.triggers = triggers;
  stats[name] = std::move(record);
}

void CommunityManager::AddAchievementTrigger(const std::string& achievement, const std::string& stat, float threshold,
                                             int32_t comparison) {
  DefineAchievement(achievement, 1);
  auto found = stats.find(stat);
  if (found == stats.end()) return;
  StatTrigger trigger;
  trigger.achievement = achievement;
  trigger.threshold = threshold;
  trigger.comparison = comparison;
  found->second.triggers.push_back(std::move(trigger));
}

void CommunityManager::DefineAchievement(const std::string& name, uint8_t statDriven) {
  AchievementRecord record;
  record.name = name;
  record.statDriven = statDriven;
  achievements[name] = std::move(record);
}

void CommunityManager::SetStat(const std::string& name, float value) {
  if (value != GetStat(name)) pendingStats[name] = value;
}

void CommunityManager::AddToStat(const std::string& name, float delta) {
  if (!online) return;
  SetStat(name, GetStat(name) + delta);
}

void CommunityManager::UnlockAchievement(const std::string& name) { pendingUnlocks.push_back(name); }

void CommunityManager::StoreStats() {}

// One countdown step per call: the timer is only ever lowered by the time
// that passed, so a zero frame time (a paused game) leaves it as it is.
void CommunityManager::Update(float dt) {
  if (storeTimer > 0.0f) storeTimer -= dt;
}

bool CommunityManager::IsStoreTimerRunning() { return storeTimer > 0.0f; }

void CommunityManager::RequestScoreUpload(const std::string& leaderboardName, int32_t score,
                                          const std::vector<int32_t>& details) {
  scoreUploadResult.reset();
  if (!online) {
    message = kNotOnline;
    return;
  }
  message.clear();
  auto upload = std::make_unique<PendingScoreUpload>();
  upload->leaderboardName = leaderboardName;
  upload->score = score;
  upload->details = details;
  pendingScoreUpload = std::move(upload);
}

void CommunityManager::FailScoreUpload(const std::string& text) {
  pendingScoreUpload.reset();
  scoreUploadResult.reset();
  message = text.empty() ? std::string(kUnknownError) : text;
}

const std::string CommunityManager::GetErrorMessage() { return message; }

void CommunityManager::RequestScoreDownload(const std::string& leaderboardName) {
  if (!online) {
    message = kNotOnline;
    return;
  }
  message.clear();
  downloadBoardName = leaderboardName;
}

void CommunityManager::FailScoreDownload(const std::string& text) {
  message = text.empty() ? std::string(kUnknownError) : text;
}

std::vector<WorkshopItem> CommunityManager::GetInstalledItems() { return {}; }

void CommunityManager::CheckStatTriggers(const StatRecord& stat, float value, CommunityManager& manager) {
  for (const StatTrigger& trigger : stat.triggers) {
    bool holds = false;
    switch (trigger.comparison) {
      case StatTrigger::kAtLeast: holds = value >= trigger.threshold; break;
      case StatTrigger::kAtMost: holds = value <= trigger.threshold; break;
      case StatTrigger::kEqual: holds = value == trigger.threshold; break;
      default: break;
    }
    if (holds) manager.UnlockAchievement(trigger.achievement);
  }
}

void CommunityManager::SetMessageCallback(MessageCallback callback) { messageCallback = std::move(callback); }

void CommunityManager::ReportMessage(const std::string& text) const {
  if (messageCallback) messageCallback(text.c_str());
}
