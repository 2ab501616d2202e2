#pragma once
// The community manager over the community service: stats and achievements,
// leaderboards and Workshop items. Every result of the service arrives inside
// Update (RunCallbacks is its first step); an offline manager (the service
// could not start) skips every service call.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <boost/filesystem/path.hpp>

#include "community/community_manager.h"
#include "community/leaderboard_entry.h"
#include "community/workshop_item.h"
#include "platform/steam/steam.h"

class CommunityManagerSteam : public CommunityManager {
 public:
  // Completion handlers of the Workshop operations; each gets the service's
  // result record.
  using DetailsHandler = std::function<void(const plat::steam::UgcDetailsResult* result)>;
  using CreateHandler = std::function<void(const plat::steam::CreateItemResult* result)>;
  using SubmitHandler = std::function<void(const plat::steam::SubmitItemUpdateResult* result)>;

  // Leaderboard request states.
  static constexpr int32_t kRequestIdle = 0;
  static constexpr int32_t kRequestFinding = 1;
  static constexpr int32_t kRequestUploading = 2;
  static constexpr int32_t kRequestDownloading = 3;
  static constexpr int32_t kRequestFailed = 4;
  // At most this many entries of a leaderboard are downloaded.
  static constexpr int32_t kMaxEntries = 15;

  // Starts the service for the application id; offline when it cannot start.
  // Throws std::runtime_error when the service started without a user.
  explicit CommunityManagerSteam(uint32_t appId);
  ~CommunityManagerSteam() override;

  bool IsBaseImplementation() override;
  void StoreStats() override;
  float GetStat(const std::string& name) override;
  bool IsAchievementUnlocked(const std::string& name) override;
  void Update(float dt) override;
  std::string GetPlayerName() override;
  void ResetAllStats(bool withAchievements) override;
  void RequestCurrentStats() override;
  void RequestScoreUpload(const std::string& leaderboardName, int32_t score,
                          const std::vector<int32_t>& details) override;
  void FailScoreUpload(const std::string& text) override;
  bool IsUploading() override;
  float GetRequestWaitTime() override;
  bool IsDownloading() override;
  void RequestScoreDownload(const std::string& leaderboardName) override;
  void FailScoreDownload(const std::string& text) override;
  int32_t GetEntryCount() override;
  bool GetEntry(int32_t index, int32_t& rank, std::string& name, int32_t& score, int32_t& detail) override;
  std::vector<WorkshopItem> GetInstalledItems() override;

  // The game language the service reports (empty while offline).
  std::string GetGameLanguage();

  // ---- Workshop ----
  // Lists the subscribed items that are installed and asks for their details
  // (one request at a time, the next when a result arrives).
  void LoadSubscribedItems();
  // true when the Workshop can be reached; else reports why and gives false.
  bool CheckSteamRunning();
  void CreateWorkshopItem(CreateHandler handler);
  // Asks for an item's details. While another details request is pending the
  // request waits its turn; the handler runs with its own result.
  void RequestItemDetails(uint64_t publishedFileId, DetailsHandler handler);
  void SubmitWorkshopItem(const WorkshopItem& item, SubmitHandler handler);
  // Whether an item creation or an item update is waiting for its result.
  bool IsCreatingItem() const;
  bool IsSubmittingItem() const;
  // Forgets a pending item creation and item update: their results are not
  // delivered. The service may complete them all the same, which is
  // reported.
  void CancelWorkshopCalls();

  // "steamid.txt" in an item folder: the published id, 0 when there is none
  // (a damaged file is reported).
  uint64_t LoadWorkshopId(const boost::filesystem::path& folder);
  void SaveWorkshopId(const boost::filesystem::path& folder, uint64_t id);

  uint32_t GetAppId() const { return appId; }
  int32_t GetRequestState() const { return requestState; }

 private:
  struct DetailsRequest {
    uint64_t id = 0;
    DetailsHandler handler;
  };

  void LeaderboardStep(float dt);
  void IssueFind(const std::string& name);
  void IssueUpload();
  void IssueDownload();
  void OnFindResult(const plat::steam::LeaderboardFindResult& result, bool ioFailure);
  void OnUploadResult(const plat::steam::LeaderboardScoreUploaded& result, bool ioFailure);
  void OnDownloadResult(const plat::steam::LeaderboardScoresDownloaded& result, bool ioFailure);
  void OnPersonaStateChange(const plat::steam::PersonaStateChange& event);
  void OnStatsReceived(const plat::steam::UserStatsReceived& event);
  void OnStatsStored(const plat::steam::UserStatsStored& event);
  void IssueNextDetailsRequest();
  void OnDetailsResult(const plat::steam::UgcDetailsResult& result, bool ioFailure);
  void OnCreateResult(const plat::steam::CreateItemResult& result, bool ioFailure);
  void OnSubmitResult(const plat::steam::SubmitItemUpdateResult& result, bool ioFailure);
  bool HasStats() const { return online && userStats; }

  int32_t itemLimit = 0;
  uint32_t appId = 0;
  int32_t requestState = kRequestIdle;
  float waitTime = 0.0f;
  // The user-stats interface was there when the service started.
  bool userStats = false;
  // A failed stats receive has been reported.
  bool statsFailureReported = false;
  std::string leaderboardName;
  uint64_t leaderboardHandle = 0;
  std::vector<LeaderboardEntry> entries;
  std::vector<WorkshopItem> installedItems;
  plat::steam::CallResult<plat::steam::LeaderboardFindResult> findCall;
  plat::steam::CallResult<plat::steam::LeaderboardScoreUploaded> uploadCall;
  plat::steam::CallResult<plat::steam::LeaderboardScoresDownloaded> downloadCall;
  plat::steam::Callback<plat::steam::PersonaStateChange> personaCallback;
  plat::steam::Callback<plat::steam::UserStatsReceived> statsReceivedCallback;
  plat::steam::Callback<plat::steam::UserStatsStored> statsStoredCallback;
  DetailsHandler detailsHandler;
  SubmitHandler submitHandler;
  CreateHandler createHandler;
  // Details requests waiting for the pending one to finish.
  std::deque<DetailsRequest> detailsQueue;
  plat::steam::CallResult<plat::steam::CreateItemResult> createCall;
  plat::steam::CallResult<plat::steam::SubmitItemUpdateResult> submitCall;
  plat::steam::CallResult<plat::steam::UgcDetailsResult> detailsCall;
};
