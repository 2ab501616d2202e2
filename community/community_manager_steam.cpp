#include "community/community_manager_steam.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "community/workshop_id.h"
#include "core/log.h"

namespace steam = plat::steam;

namespace {

const char kNoUserText[] = "Error: program attempts to connect to Steam when Steam not initialized.";
const char kFindFailedText[] = "Could not find a leaderboard for this boardset.";
const char kUploadFailedText[] = "Score upload failed.";
const char kDownloadFailedText[] = "Leaderboard download failed.";
const char kStatsNotReadText[] =
    "Stats and achievements could not be read: they are left as they are and not saved in this session.";
const char kSteamNotRunningText[] =
    "Action impossible: Steam not running. To do this, you must log into Steam and re-launch "
    "the game.";

// Periodic stores wait this long after the service received or stored stats.
constexpr float kStoreInterval = 300000.0f;
// Folder buffer size of the install-info query.
constexpr uint32_t kFolderBufferSize = 1024;
constexpr int32_t kWorkshopItemLimit = 10000;

// A float truncated toward zero into the int32 range (NaN gives 0), so an
// out-of-range value saturates instead of being undefined.
int32_t TruncateToInt32(float value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

std::string CreateResultText(const steam::CreateItemResult& result) {
  switch (result.result) {
    case 1: return FormatString("New mod created: #%lld", static_cast<long long>(result.publishedFileId));
    case 16: return "Error creating new mod: Timeout. Please try again.";
    case 21: return "Error creating new mod: User not logged into Steam.";
    case 24: return "Error creating new mod: User is banned.";
    default: return FormatString("Error creating new mod: Error code %d", result.result);
  }
}

const char* SubmitResultText(int32_t result) {
  switch (result) {
    case 1: return "Workshop upload succeeded!";
    case 2:
      return "Workshop upload failed! Make sure you're online and have permission to update "
             "the current workshop item.";
    case 3: return "Workshop upload failed! No network connection.";
    case 9:
      return "Workshop upload failed! File not found. Make sure the selected preview file is "
             "accessible.";
    case 15: return "Workshop upload failed! Access was denied.";
    case 16: return "Workshop upload failed! Operation timed out.";
    case 19: return "Workshop upload failed! Invalid steamID.";
    case 20: return "Workshop upload failed! Workshop currently unavailable.";
    case 21: return "Workshop upload failed! User not logged on.";
    case 23: return "Workshop upload failed! Encryption or decryption failure.";
    case 24: return "Workshop upload failed! Insufficient privilege.";
    case 25: return "Workshop upload failed! Limit exceeded.";
    case 32: return "Workshop upload failed! Could not write change to data store.";
    case 33: return "Workshop upload failed! Could not acquire access lock.";
    case 34: return "Workshop upload failed! Logon session replaced.";
    case 35: return "Workshop upload failed! Connection failed.";
    case 36: return "Workshop upload failed! Handshake failed";
    case 38: return "Workshop upload failed! Remote disconnection.";
    case 44: return "Workshop upload failed! Service is not accepting changes right now.";
    case 53: return "Workshop upload failed! Data corrupt.";
    case 54: return "Workshop upload failed! Not enough disk space.";
    case 69: return "Workshop upload failed! Blocked by parental controls.";
    case 73: return "Workshop upload failed! Account is locked down.";
    case 77: return "Workshop upload failed! Cannot complete action until password re-entered.";
    case 78: return "Workshop upload failed! Value out of range.";
    case 79: return "Workshop upload failed! Unexpected error.";
    case 80: return "Workshop upload failed! Services currently disabled.";
    case 81: return "Workshop upload failed! Invalid files submitted.";
    case 82: return "Workshop upload failed! Device not allowed to upload Workshop items.";
    case 83: return "Workshop upload failed! Region locked.";
    case 84: return "Workshop upload failed! Temporary rate limit exceeded, try again later.";
    case 86: return "Workshop upload failed! Workshop item has been deleted.";
    default: return nullptr;
  }
}

std::string SubmitResultMessage(int32_t result) {
  const char* text = SubmitResultText(result);
  if (text != nullptr) return text;
  return FormatString("Workshop upload failed! Error code %d", result);
}

}  // namespace

CommunityManagerSteam::CommunityManagerSteam(uint32_t appId) : appId(appId) {
  personaCallback.Register([this](const steam::PersonaStateChange& event) { OnPersonaStateChange(event); });
  statsReceivedCallback.Register([this](const steam::UserStatsReceived& event) { OnStatsReceived(event); });
  statsStoredCallback.Register([this](const steam::UserStatsStored& event) { OnStatsStored(event); });

  if (!steam::Init(appId)) {
    online = 0;
    return;
  }
  if (!steam::HasInterface(steam::Interface::User)) {
    // The destructor does not run for a constructor that throws: the service
    // is ended here so it is not left running.
    steam::Shutdown();
    throw std::runtime_error(kNoUserText);
  }
  userStats = steam::HasInterface(steam::Interface::UserStats);
  online = 1;
  steam::RequestCurrentStats();
}

CommunityManagerSteam::~CommunityManagerSteam() {
  // The call results, handlers and callbacks then go with the members, in
  // reverse order.
  if (online) steam::Shutdown();
}

bool CommunityManagerSteam::IsBaseImplementation() { return false; }

void CommunityManagerSteam::StoreStats() {
  if (HasStats()) steam::StoreStats();
}

float CommunityManagerSteam::GetStat(const std::string& name) {
  if (!online) return 0.0f;
  auto stat = stats.find(name);
  if (stat == stats.end()) return 0.0f;
  auto pending = pendingStats.find(name);
  if (pending != pendingStats.end()) return pending->second;
  const std::string& type = stat->second.type;
  if (type == "float" || type == "avgrate") {
    float value = 0.0f;
    if (userStats) steam::GetStat(name.c_str(), &value);
    return value;
  }
  if (type == "int" || type == "roundfloat") {
    int32_t value = 0;
    if (userStats) steam::GetStat(name.c_str(), &value);
    return static_cast<float>(value);
  }
  throw std::logic_error("unknown stat type '" + type + "' of stat '" + name + "'");
}

bool CommunityManagerSteam::IsAchievementUnlocked(const std::string& name) {
  if (!HasStats()) return false;
  bool achieved = false;
  if (!steam::GetAchievement(name.c_str(), &achieved)) return false;
  return achieved;
}

void CommunityManagerSteam::Update(float dt) {
  if (!online) return;
  steam::RunCallbacks();
  CommunityManager::Update(dt);
  LeaderboardStep(dt);

  bool storeDue = false;
  std::vector<std::string> delivered;
  for (const auto& [name, value] : pendingStats) {
    auto stat = stats.find(name);
    if (stat == stats.end()) {
      delivered.push_back(name);
    } else {
      const std::string& type = stat->second.type;
      if (type == "float") {
        if (userStats) steam::SetStat(name.c_str(), value);
      } else if (type == "int" || type == "roundfloat") {
        if (userStats) steam::SetStat(name.c_str(), TruncateToInt32(value));
      } else if (type == "avgrate") {
        if (userStats) steam::UpdateAvgRateStat(name.c_str(), value, dt / 3600000.0);
      } else {
        throw std::logic_error("unknown stat type '" + type + "' of stat '" + name + "'");
      }
      // A "roundfloat" keeps its fractions here and is sent again each time.
      if (type != "roundfloat") delivered.push_back(name);
    }
    if (storeTimer <= 0.0f) storeDue = true;
  }
  for (const std::string& name : delivered) pendingStats.erase(name);

  while (!pendingUnlocks.empty()) {
    const std::string name = std::move(pendingUnlocks.front());
    pendingUnlocks.pop_front();
    auto achievement = achievements.find(name);
    if (achievement == achievements.end() || achievement->second.statDriven == 0) {
      if (userStats) steam::SetAchievement(name.c_str());
      storeDue = true;
    }
  }

  if (storeDue) StoreStats();
  storeTimer -= dt;
}

std::string CommunityManagerSteam::GetPlayerName() {
  if (!online) return std::string();
  return steam::GetPersonaName();
}

void CommunityManagerSteam::ResetAllStats(bool withAchievements) {
  if (HasStats()) steam::ResetAllStats(withAchievements);
}

void CommunityManagerSteam::RequestCurrentStats() {
  if (HasStats()) steam::RequestCurrentStats();
}

std::string CommunityManagerSteam::GetGameLanguage() {
  if (!online) return std::string();
  return steam::GetCurrentGameLanguage();
}

void CommunityManagerSteam::OnStatsReceived(const steam::UserStatsReceived& event) {
  if (event.gameId != appId) return;
  // A failed receive changes nothing else: the values read stay 0, and the
  // service stores nothing over the stats it could not read. Said once.
  if (event.result != steam::kResultOk && !statsFailureReported) {
    statsFailureReported = true;
    DebugPrint(std::string(kStatsNotReadText) + "\n");
    ReportMessage(kStatsNotReadText);
  }
  storeTimer = kStoreInterval;
}

void CommunityManagerSteam::OnStatsStored(const steam::UserStatsStored& event) {
  if (event.gameId != appId) return;
  storeTimer = kStoreInterval;
}

// ---------------------------------------------------------------- leaderboards

void CommunityManagerSteam::RequestScoreUpload(const std::string& name, int32_t score,
                                               const std::vector<int32_t>& details) {
  CommunityManager::RequestScoreUpload(name, score, details);
  requestState = kRequestIdle;
}

void CommunityManagerSteam::FailScoreUpload(const std::string& text) {
  CommunityManager::FailScoreUpload(text);
  requestState = kRequestIdle;
}

bool CommunityManagerSteam::IsUploading() {
  return requestState == kRequestFinding || requestState == kRequestUploading;
}

float CommunityManagerSteam::GetRequestWaitTime() { return waitTime; }

bool CommunityManagerSteam::IsDownloading() {
  return requestState == kRequestFinding || requestState == kRequestDownloading;
}

void CommunityManagerSteam::RequestScoreDownload(const std::string& name) {
  CommunityManager::RequestScoreDownload(name);
  requestState = kRequestIdle;
}

void CommunityManagerSteam::FailScoreDownload(const std::string& text) {
  CommunityManager::FailScoreDownload(text);
  requestState = kRequestIdle;
}

int32_t CommunityManagerSteam::GetEntryCount() { return static_cast<int32_t>(entries.size()); }

bool CommunityManagerSteam::GetEntry(int32_t index, int32_t& rank, std::string& name, int32_t& score, int32_t& detail) {
  if (index < 0 || index >= GetEntryCount()) return false;
  const LeaderboardEntry& entry = entries[static_cast<size_t>(index)];
  rank = entry.entry.globalRank;
  name = entry.playerName;
  score = entry.entry.score;
  detail = entry.detail;
  return true;
}

void CommunityManagerSteam::LeaderboardStep(float dt) {
  const std::string* name = nullptr;
  if (pendingScoreUpload) {
    name = &pendingScoreUpload->leaderboardName;
  } else if (!downloadBoardName.empty()) {
    name = &downloadBoardName;
  } else {
    return;
  }
  if (requestState == kRequestFailed) return;
  if (requestState == kRequestIdle) {
    if (leaderboardName != *name) leaderboardHandle = 0;
    if (leaderboardHandle == 0) {
      IssueFind(*name);
    } else if (pendingScoreUpload) {
      IssueUpload();
    } else {
      IssueDownload();
    }
    return;
  }
  waitTime += dt;
}

// A call the service refuses at once (handle 0: a name or detail count over
// its limits, or the service gone) fails the request now instead of leaving
// it waiting for a result that never comes.
void CommunityManagerSteam::IssueFind(const std::string& name) {
  leaderboardName = name;
  leaderboardHandle = 0;
  waitTime = 0.0f;
  requestState = kRequestFinding;
  const bool issued = findCall.Set(
      steam::FindLeaderboard(name.c_str()),
      [this](const steam::LeaderboardFindResult& result, bool io) { OnFindResult(result, io); });
  if (!issued) {
    message = kFindFailedText;
    requestState = kRequestFailed;
  }
}

void CommunityManagerSteam::IssueUpload() {
  waitTime = 0.0f;
  requestState = kRequestUploading;
  const std::vector<int32_t>& details = pendingScoreUpload->details;
  const int count = static_cast<int>(
      std::min<size_t>(details.size(), static_cast<size_t>(std::numeric_limits<int>::max())));
  const bool issued = uploadCall.Set(
      steam::UploadLeaderboardScore(leaderboardHandle, steam::UploadMethod::KeepBest, pendingScoreUpload->score,
                                    details.empty() ? nullptr : details.data(), count),
      [this](const steam::LeaderboardScoreUploaded& result, bool io) { OnUploadResult(result, io); });
  if (!issued) {
    message = kUploadFailedText;
    requestState = kRequestFailed;
  }
}

void CommunityManagerSteam::IssueDownload() {
  waitTime = 0.0f;
  requestState = kRequestDownloading;
  const bool issued = downloadCall.Set(
      steam::DownloadLeaderboardEntries(leaderboardHandle, steam::DataRequest::Global, 0, kMaxEntries),
      [this](const steam::LeaderboardScoresDownloaded& result, bool io) { OnDownloadResult(result, io); });
  if (!issued) {
    message = kDownloadFailedText;
    requestState = kRequestFailed;
  }
}

void CommunityManagerSteam::OnFindResult(const steam::LeaderboardFindResult& result, bool ioFailure) {
  if (requestState != kRequestFinding) return;
  // A "found" answer without a handle would only send us finding again.
  if (ioFailure || !result.found || result.leaderboard == 0) {
    message = kFindFailedText;
    requestState = kRequestFailed;
    return;
  }
  leaderboardHandle = result.leaderboard;
  requestState = kRequestIdle;
}

void CommunityManagerSteam::OnUploadResult(const steam::LeaderboardScoreUploaded& result, bool ioFailure) {
  if (requestState != kRequestUploading) return;
  if (ioFailure || !result.success) {
    message = kUploadFailedText;
    requestState = kRequestFailed;
    return;
  }
  pendingScoreUpload.reset();
  auto posted = std::make_unique<ScoreUploadResult>();
  posted->newGlobalRank = result.globalRankNew;
  posted->previousGlobalRank = result.globalRankPrevious;
  posted->score = result.score;
  posted->changed = result.scoreChanged ? 1 : 0;
  scoreUploadResult = std::move(posted);
  requestState = kRequestIdle;
}

void CommunityManagerSteam::OnDownloadResult(const steam::LeaderboardScoresDownloaded& result, bool ioFailure) {
  if (requestState != kRequestDownloading) return;
  if (ioFailure) {
    message = kDownloadFailedText;
    requestState = kRequestFailed;
    return;
  }
  const int32_t count = std::clamp(result.entryCount, 0, kMaxEntries);
  std::vector<LeaderboardEntry> downloaded;
  downloaded.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    LeaderboardEntry entry;
    // An entry the service cannot give ends the list: no blank rows.
    if (!steam::GetDownloadedLeaderboardEntry(result.entries, i, &entry.entry, &entry.detail, 1)) {
      break;
    }
    if (entry.entry.detailCount < 1) entry.detail = 0;
    entry.playerName = steam::GetFriendPersonaName(entry.entry.user);
    steam::RequestUserInformation(entry.entry.user, true);
    downloaded.push_back(std::move(entry));
  }
  entries = std::move(downloaded);
  downloadBoardName.clear();
  requestState = kRequestIdle;
}

void CommunityManagerSteam::OnPersonaStateChange(const steam::PersonaStateChange& event) {
  for (LeaderboardEntry& entry : entries) {
    if (entry.entry.user == event.user) {
      entry.playerName = steam::GetFriendPersonaName(event.user);
    }
  }
}

// ---------------------------------------------------------------- Workshop

std::vector<WorkshopItem> CommunityManagerSteam::GetInstalledItems() {
  if (!online || !steam::HasInterface(steam::Interface::Ugc)) return {};
  return installedItems;
}

void CommunityManagerSteam::LoadSubscribedItems() {
  if (!online || !steam::HasInterface(steam::Interface::Ugc)) return;
  installedItems.clear();
  const uint32_t subscribed = steam::GetNumSubscribedItems();
  if (subscribed == 0) return;
  itemLimit = kWorkshopItemLimit;
  const uint32_t wanted = std::min<uint32_t>(subscribed, static_cast<uint32_t>(itemLimit));
  std::vector<steam::ItemId> ids(wanted);
  ids.resize(steam::GetSubscribedItems(ids.data(), wanted));
  for (steam::ItemId id : ids) {
    if ((steam::GetItemState(id) & steam::kItemStateInstalled) == 0) continue;
    char folder[kFolderBufferSize] = {};
    uint64_t size = 0;
    uint32_t timeStamp = 0;
    if (!steam::GetItemInstallInfo(id, &size, folder, kFolderBufferSize, &timeStamp)) continue;
    folder[kFolderBufferSize - 1] = '\0';
    if (folder[0] == '\0') continue;
    WorkshopItem item;
    item.folder = boost::filesystem::path(folder);
    item.publishedFileId = id;
    installedItems.push_back(std::move(item));
    RequestItemDetails(id, DetailsHandler());
  }
}

bool CommunityManagerSteam::CheckSteamRunning() {
  if (online && steam::HasInterface(steam::Interface::Ugc)) return true;
  ReportMessage(kSteamNotRunningText);
  return false;
}

void CommunityManagerSteam::CreateWorkshopItem(CreateHandler handler) {
  createHandler = std::move(handler);
  if (!CheckSteamRunning()) return;
  ReportMessage("Defining new mod...");
  createCall.Set(steam::CreateItem(appId, steam::ItemType::Community),
                 [this](const steam::CreateItemResult& result, bool io) { OnCreateResult(result, io); });
}

void CommunityManagerSteam::RequestItemDetails(uint64_t publishedFileId, DetailsHandler handler) {
  if (!CheckSteamRunning()) {
    // The handler is kept as the one of its kind, and never called.
    detailsHandler = std::move(handler);
    return;
  }
  detailsQueue.push_back({publishedFileId, std::move(handler)});
  if (!detailsCall.IsActive()) IssueNextDetailsRequest();
}

void CommunityManagerSteam::IssueNextDetailsRequest() {
  while (!detailsQueue.empty()) {
    DetailsRequest request = std::move(detailsQueue.front());
    detailsQueue.pop_front();
    detailsHandler = std::move(request.handler);
    if (detailsCall.Set(steam::RequestUGCDetails(request.id, 60),
                        [this](const steam::UgcDetailsResult& result, bool io) { OnDetailsResult(result, io); })) {
      return;
    }
    // Refused at once: no result will come for this one; go on to the next.
  }
}

void CommunityManagerSteam::OnDetailsResult(const steam::UgcDetailsResult& result, bool ioFailure) {
  // Taken out first: the handler may ask for more details.
  DetailsHandler handler = std::move(detailsHandler);
  detailsHandler = DetailsHandler();
  if (ioFailure || result.details.result != steam::kResultOk) {
    ReportMessage(FormatString("Error downloading workshop item details (%d).", result.details.result));
  } else {
    for (WorkshopItem& item : installedItems) {
      if (item.publishedFileId == result.details.publishedFileId) {
        item.details = result.details;
        // The record's texts are zero-terminated whatever the service sent.
        item.details.title[sizeof item.details.title - 1] = '\0';
        item.details.description[sizeof item.details.description - 1] = '\0';
        item.title = item.details.title;
        item.description = item.details.description;
        item.detailsValid = 1;
        break;
      }
    }
    if (handler) handler(&result);
  }
  if (!detailsCall.IsActive()) IssueNextDetailsRequest();
}

void CommunityManagerSteam::OnCreateResult(const steam::CreateItemResult& result, bool ioFailure) {
  steam::CreateItemResult answer = result;
  if (ioFailure && answer.result == steam::kResultOk) answer.result = 0;
  ReportMessage(CreateResultText(answer));
  CreateHandler handler = std::move(createHandler);
  createHandler = CreateHandler();
  if (handler) handler(&answer);
}

void CommunityManagerSteam::SubmitWorkshopItem(const WorkshopItem& item, SubmitHandler handler) {
  submitHandler = std::move(handler);
  if (!CheckSteamRunning()) return;
  const steam::UpdateHandle update = steam::StartItemUpdate(appId, item.publishedFileId);
  if (update == 0) {
    // Not an item of this user: nothing can be sent, and no result will come.
    ReportMessage(SubmitResultMessage(steam::kResultFail));
    return;
  }
  // The service keeps at most so many bytes of each text.
  if (!item.title.empty()) {
    const std::string title = item.title.substr(0, steam::kMaxTitleLength);
    steam::SetItemTitle(update, title.c_str());
  }
  if (!item.description.empty()) {
    const std::string description = item.description.substr(0, steam::kMaxDescriptionLength);
    steam::SetItemDescription(update, description.c_str());
  }
  const std::string content = item.folder.string() + "/";
  steam::SetItemContent(update, content.c_str());
  if (!item.previewPath.empty()) {
    const std::string preview = item.previewPath.string();
    steam::SetItemPreview(update, preview.c_str());
  }
  const bool issued = submitCall.Set(
      steam::SubmitItemUpdate(update, nullptr),
      [this](const steam::SubmitItemUpdateResult& result, bool io) { OnSubmitResult(result, io); });
  if (!issued) ReportMessage(SubmitResultMessage(steam::kResultFail));
}

void CommunityManagerSteam::OnSubmitResult(const steam::SubmitItemUpdateResult& result, bool ioFailure) {
  steam::SubmitItemUpdateResult answer = result;
  if (ioFailure && answer.result == steam::kResultOk) answer.result = 0;
  ReportMessage(SubmitResultMessage(answer.result));
  SubmitHandler handler = std::move(submitHandler);
  submitHandler = SubmitHandler();
  if (handler) handler(&answer);
}

bool CommunityManagerSteam::IsCreatingItem() const { return createCall.IsActive(); }

bool CommunityManagerSteam::IsSubmittingItem() const { return submitCall.IsActive(); }

void CommunityManagerSteam::CancelWorkshopCalls() {
  if (createCall.IsActive()) {
    createCall.Cancel();
    const char text[] = "Cancelled: the Workshop may still create the item, but its id will not be saved.";
    LogWrite(text);
    ReportMessage(text);
  }
  if (submitCall.IsActive()) {
    submitCall.Cancel();
    const char text[] = "Cancelled: the Workshop may still complete the upload.";
    LogWrite(text);
    ReportMessage(text);
  }
  createHandler = CreateHandler();
  submitHandler = SubmitHandler();
}

uint64_t CommunityManagerSteam::LoadWorkshopId(const boost::filesystem::path& folder) {
  uint64_t id = 0;
  switch (ReadWorkshopIdFile(folder, id)) {
    case WorkshopIdFileRead::kOk: return id;
    case WorkshopIdFileRead::kMissing: return 0;
    case WorkshopIdFileRead::kCorrupted:
      ReportMessage("Error loading workshop id. 'steamid.txt' file is corrupted.");
      return 0;
  }
  return 0;
}

void CommunityManagerSteam::SaveWorkshopId(const boost::filesystem::path& folder, uint64_t id) {
  if (!WriteWorkshopIdFile(folder, id)) {
    ReportMessage("Error saving workshop id file 'steamid.txt'");
  }
}
