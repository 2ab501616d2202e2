#pragma once
// The community service: stats, achievements, leaderboards, persona names,
// Workshop items and crash dumps, kept on the local disk.
//
// Two back ends share one model of the service:
//   Backend::Local  the local service. State lives under $VANTREL_COMMUNITY_ROOT
//                   when set, else $XDG_DATA_HOME/vantrel-community/ (default
//                   ~/.local/share/vantrel-community/). Every store file is
//                   written to a temporary file and renamed; a damaged store
//                   file reads as empty (it is kept beside as "<name>.damaged",
//                   or "<name>.damaged.1", ... when earlier copies are there).
//                   A store file that cannot be read at all (no right to read
//                   it, a failing disk) is left as it is and never written
//                   over: stats then arrive with kResultFail, a leaderboard's
//                   find with an I/O failure.
//   Backend::Fake   the same model in memory only, driven by the tests through
//                   the controls in namespace fake (platform/steam/fake.h).
// Choose with UseBackend before Init (default Local). Init fails (offline)
// when VANTREL_COMMUNITY=off, whatever the back end.
//
// Everything runs on the program's one thread. Results of asynchronous calls
// (call results) and event notices (callbacks) are queued and delivered only
// inside RunCallbacks, never from inside the call that started them.
//
// Call results: each asynchronous call returns a CallHandle (0 = the call was
// not made: offline, bad argument). A CallResult<T> object watches one handle;
// setting it to a new handle forgets the old one (a result for a forgotten
// handle is dropped when it arrives: the service did the work all the same).
// Each result carries an I/O-failure flag; result codes use kResultOk (1) for
// success.
//
// Calls made while not initialised do nothing and return false, 0 or empty.
// Exceptions are the minidump calls, which work at any time.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace plat::steam {

using AppId = std::uint32_t;
using UserId = std::uint64_t;
using ItemId = std::uint64_t;             // published Workshop item id
using LeaderboardHandle = std::uint64_t;  // 0 = none
using EntriesHandle = std::uint64_t;      // downloaded entries, 0 = none
using UpdateHandle = std::uint64_t;       // item update, 0 = none
using CallHandle = std::uint64_t;         // asynchronous call, 0 = none

// Result codes carried by call results (and by the stats callbacks).
enum Result : std::int32_t {
  kResultOk = 1,
  kResultFail = 2,
  kResultNoConnection = 3,
  kResultInvalidParam = 8,
  kResultFileNotFound = 9,
  kResultAccessDenied = 15,
  kResultTimeout = 16,
  kResultNotLoggedOn = 21,
  kResultBanned = 24,
  kResultLimitExceeded = 25,
};

// Workshop item state bits (GetItemState).
enum ItemStateBits : std::uint32_t {
  kItemStateNone = 0,
  kItemStateSubscribed = 1,
  kItemStateInstalled = 4,
  kItemStateNeedsUpdate = 8,
  kItemStateDownloading = 16,
};

// Limits the service keeps.
constexpr std::size_t kMaxNameLength = 128;          // stat, achievement, leaderboard names
constexpr int kMaxLeaderboardDetails = 64;           // details per score
constexpr std::size_t kMaxTitleLength = 128;         // item title (bytes)
constexpr std::size_t kMaxDescriptionLength = 7999;  // item description (bytes)
constexpr std::size_t kMaxMiniDumpComment = 8192;    // bytes kept of the dump comment

// ---------------------------------------------------------------- library

enum class Backend { Local, Fake };
// Chooses the back end for the next Init (ignored while initialised).
void UseBackend(Backend backend);
Backend CurrentBackend();

// Starts the service for the application id. true: online. false: offline
// (VANTREL_COMMUNITY=off, the fake told to fail, or the store folder cannot be
// made). A second Init while online returns true and changes nothing.
bool Init(AppId appId);
// Ends the service: queued results and callbacks are dropped, the entry
// downloads freed, and every CallResult stops watching (IsActive false).
// Registered callbacks stay registered. Does nothing when not initialised.
void Shutdown();
bool IsInitialized();
// Delivers every queued callback and call result, in the order they were
// queued. Results queued by handlers during this call wait for the next call.
void RunCallbacks();

// The service's interfaces. All exist while initialised (the fake can take
// one away); none exist otherwise.
enum class Interface { User, UserStats, Friends, Apps, Ugc };
bool HasInterface(Interface which);

// The local user (0 when not initialised).
UserId CurrentUser();

// ---------------------------------------------------------------- callbacks

// Someone's persona (name) is known or changed: after RequestUserInformation.
struct PersonaStateChange {
  UserId user = 0;
  std::int32_t changeFlags = 1;  // 1 = name
};
// The user's stats arrived, after RequestCurrentStats.
struct UserStatsReceived {
  std::uint64_t gameId = 0;  // the application id (high 32 bits 0)
  std::int32_t result = kResultOk;
  UserId user = 0;
};
// The stats were stored, after StoreStats (also after ResetAllStats).
struct UserStatsStored {
  std::uint64_t gameId = 0;
  std::int32_t result = kResultOk;
};

enum class CallbackKind { PersonaStateChange, UserStatsReceived, UserStatsStored };

namespace detail {
using RawCallback = std::function<void(const void* record)>;
int RegisterCallbackRaw(CallbackKind kind, RawCallback fn);  // > 0
void UnregisterCallbackRaw(int token);
template <class T>
struct CallbackKindOf;
template <>
struct CallbackKindOf<PersonaStateChange> {
  static constexpr CallbackKind value = CallbackKind::PersonaStateChange;
};
template <>
struct CallbackKindOf<UserStatsReceived> {
  static constexpr CallbackKind value = CallbackKind::UserStatsReceived;
};
template <>
struct CallbackKindOf<UserStatsStored> {
  static constexpr CallbackKind value = CallbackKind::UserStatsStored;
};
}  // namespace detail

// A registered callback for one of the three kinds; unregisters itself on
// destruction. Registration does not need Init.
template <class T>
class Callback {
 public:
  Callback() = default;
  ~Callback() { Unregister(); }
  Callback(const Callback&) = delete;
  Callback& operator=(const Callback&) = delete;

  // Registers fn (replacing an earlier registration of this object).
  void Register(std::function<void(const T&)> fn) {
    Unregister();
    token_ = detail::RegisterCallbackRaw(detail::CallbackKindOf<T>::value, [f = std::move(fn)](const void* record) {
      f(*static_cast<const T*>(record));
    });
  }
  void Unregister() {
    if (token_ != 0) detail::UnregisterCallbackRaw(token_);
    token_ = 0;
  }
  bool IsRegistered() const { return token_ != 0; }

 private:
  int token_ = 0;
};

// ---------------------------------------------------------------- call results

struct LeaderboardFindResult {
  LeaderboardHandle leaderboard = 0;
  bool found = false;
};
struct LeaderboardScoreUploaded {
  bool success = false;
  LeaderboardHandle leaderboard = 0;
  std::int32_t score = 0;     // the score that was sent
  bool scoreChanged = false;  // false when keep-best kept an older, better score
  std::int32_t globalRankNew = 0;
  std::int32_t globalRankPrevious = 0;  // 0 = no earlier entry
};
struct LeaderboardScoresDownloaded {
  LeaderboardHandle leaderboard = 0;
  EntriesHandle entries = 0;
  std::int32_t entryCount = 0;
};
// One downloaded entry (GetDownloadedLeaderboardEntry).
struct LeaderboardEntryRecord {
  UserId user = 0;
  std::int32_t globalRank = 0;  // 1 = best
  std::int32_t score = 0;
  std::int32_t detailCount = 0;  // details stored with the score
  std::uint64_t ugcHandle = 0;   // always 0 here
};

// Details of one Workshop item.
struct UgcDetails {
  ItemId publishedFileId = 0;
  std::int32_t result = kResultOk;
  AppId creatorAppId = 0;
  AppId consumerAppId = 0;
  char title[kMaxTitleLength + 1] = {};              // zero-terminated
  char description[kMaxDescriptionLength + 1] = {};  // zero-terminated
  UserId owner = 0;
  std::uint32_t timeCreated = 0;  // seconds since 1970
  std::uint32_t timeUpdated = 0;
  std::int32_t visibility = 0;
  bool banned = false;
  std::int32_t fileSize = 0;         // content bytes
  std::int32_t previewFileSize = 0;  // preview bytes
};
struct UgcDetailsResult {
  UgcDetails details;  // details.result: kResultOk, or kResultFileNotFound for an unknown id
  bool cachedData = false;
};
struct CreateItemResult {
  std::int32_t result = kResultOk;
  ItemId publishedFileId = 0;
  bool userNeedsToAcceptLegalAgreement = false;
};
struct SubmitItemUpdateResult {
  std::int32_t result = kResultOk;
  bool userNeedsToAcceptLegalAgreement = false;
  ItemId publishedFileId = 0;
};

// The asynchronous call kinds (one per result record).
enum class CallKind {
  FindLeaderboard,     // LeaderboardFindResult
  UploadScore,         // LeaderboardScoreUploaded
  DownloadScores,      // LeaderboardScoresDownloaded
  RequestItemDetails,  // UgcDetailsResult
  CreateItem,          // CreateItemResult
  SubmitItemUpdate,    // SubmitItemUpdateResult
};

namespace detail {
using RawCallResult = std::function<void(const void* record, bool ioFailure)>;
// Watches handle for a result of kind; false (nothing watched) for handle 0
// or a handle the service never gave out.
bool WatchCallRaw(CallHandle handle, CallKind kind, RawCallResult fn);
void UnwatchCallRaw(CallHandle handle);
bool IsCallWatched(CallHandle handle);
template <class T>
struct CallKindOf;
template <>
struct CallKindOf<LeaderboardFindResult> {
  static constexpr CallKind value = CallKind::FindLeaderboard;
};
template <>
struct CallKindOf<LeaderboardScoreUploaded> {
  static constexpr CallKind value = CallKind::UploadScore;
};
template <>
struct CallKindOf<LeaderboardScoresDownloaded> {
  static constexpr CallKind value = CallKind::DownloadScores;
};
template <>
struct CallKindOf<UgcDetailsResult> {
  static constexpr CallKind value = CallKind::RequestItemDetails;
};
template <>
struct CallKindOf<CreateItemResult> {
  static constexpr CallKind value = CallKind::CreateItem;
};
template <>
struct CallKindOf<SubmitItemUpdateResult> {
  static constexpr CallKind value = CallKind::SubmitItemUpdate;
};
}  // namespace detail

// Waits for the result of one call. Set replaces the call watched before (its
// result will be dropped); the handler runs inside RunCallbacks, after the
// object has stopped watching (IsActive is false inside the handler, and the
// handler may Set a new call). Destruction forgets the pending call.
template <class T>
class CallResult {
 public:
  using Handler = std::function<void(const T& result, bool ioFailure)>;
  CallResult() = default;
  ~CallResult() { Cancel(); }
  CallResult(const CallResult&) = delete;
  CallResult& operator=(const CallResult&) = delete;

  // Watches handle (0: only forgets the old call). true when now watching.
  bool Set(CallHandle handle, Handler fn) {
    Cancel();
    if (handle == 0) return false;
    if (!detail::WatchCallRaw(handle, detail::CallKindOf<T>::value, [f = std::move(fn)](const void* record, bool io) {
          if (f) f(*static_cast<const T*>(record), io);
        }))
      return false;
    handle_ = handle;
    return true;
  }
  // Forgets the pending call, if any.
  void Cancel() {
    if (handle_ != 0) detail::UnwatchCallRaw(handle_);
    handle_ = 0;
  }
  bool IsActive() const { return handle_ != 0 && detail::IsCallWatched(handle_); }
  CallHandle Handle() const { return IsActive() ? handle_ : 0; }

 private:
  CallHandle handle_ = 0;
};

// ---------------------------------------------------------------- crash dumps

// Keeps the comment for the next WriteMiniDump (at most kMaxMiniDumpComment
// bytes; null clears it). Works without Init.
void SetMiniDumpComment(const char* comment);
// Writes a text file with the comment and the exception code into the
// "crashes" folder of the store ("minidump-<seconds>-<pid>-<n>.txt").
// exceptionInfo is not read. Works without Init, even offline; uses no heap
// memory on the Local back end, so it may run from a crash handler. true when
// the file was written (the fake records it instead).
bool WriteMiniDump(std::uint32_t exceptionCode, const void* exceptionInfo, std::uint32_t buildId);

// ---------------------------------------------------------------- user stats
//
// The stats and achievements of the current user, per application. They can
// be read and set only after the UserStatsReceived callback of a
// RequestCurrentStats has been delivered (before that every Get/Set returns
// false). Any name up to kMaxNameLength bytes is a stat: a stat that was never
// set reads 0 in either form; once set in one form (int32, float, average
// rate) it keeps that type, and the other form fails. Set values stay in
// memory until StoreStats writes them.

// Queues a UserStatsReceived callback (the stats are read from the store).
bool RequestCurrentStats();
// Writes the stats and achievements; queues UserStatsStored.
bool StoreStats();
// Clears every stat (and with achievementsToo every achievement), writes the
// store at once and queues UserStatsStored.
bool ResetAllStats(bool achievementsToo);

bool GetStat(const char* name, std::int32_t* value);
bool GetStat(const char* name, float* value);
bool SetStat(const char* name, std::int32_t value);
bool SetStat(const char* name, float value);
// Adds count over sessionHours to an average-rate stat; its value (read with
// the float form) is the total count over the total hours. Fails for a
// sessionHours <= 0 or not finite, or a count not finite.
bool UpdateAvgRateStat(const char* name, float countThisSession, double sessionHours);

bool GetAchievement(const char* name, bool* achieved);
bool SetAchievement(const char* name);

// ---------------------------------------------------------------- leaderboards
//
// Scores sort descending (higher is better). A leaderboard exists once
// something was uploaded to it; Find of any other valid name (1 to
// kMaxNameLength bytes) finds it too and makes it, unless the fake was told
// not to (fake::SetLeaderboardsOnDemand).

enum class UploadMethod { KeepBest, ForceUpdate };
enum class DataRequest { Global, GlobalAroundUser, Friends };

// -> LeaderboardFindResult.
CallHandle FindLeaderboard(const char* name);
// -> LeaderboardScoreUploaded. detailCount 0..kMaxLeaderboardDetails, details
// may be null when 0; otherwise 0 is returned.
CallHandle UploadLeaderboardScore(LeaderboardHandle leaderboard, UploadMethod method, std::int32_t score,
                                  const std::int32_t* details, int detailCount);
// -> LeaderboardScoresDownloaded. Global: ranks rangeStart..rangeEnd
// inclusive (a start below 1 counts as 1). GlobalAroundUser: the user's rank
// + rangeStart .. + rangeEnd. Friends: every entry of the current user.
CallHandle DownloadLeaderboardEntries(LeaderboardHandle leaderboard, DataRequest request, int rangeStart, int rangeEnd);
// Entry index (0-based) of a download; copies min(detailCount, maxDetails)
// details into details (may be null when maxDetails is 0). false for an
// unknown or freed entries handle or an index out of range (out untouched).
bool GetDownloadedLeaderboardEntry(EntriesHandle entries, int index, LeaderboardEntryRecord* out, std::int32_t* details,
                                   int maxDetails);

// ---------------------------------------------------------------- friends

// The current user's name: $VANTREL_COMMUNITY_NAME, else $USER, else "Player".
// Empty when not initialised; never null.
std::string GetPersonaName();
// A user's name as far as the service knows it; "[unknown]" for a user it has
// never seen (and when not initialised). Never null.
std::string GetFriendPersonaName(UserId user);
// Queues a PersonaStateChange for the user (true); false when not initialised.
bool RequestUserInformation(UserId user, bool nameOnly);

// ---------------------------------------------------------------- apps

// $VANTREL_COMMUNITY_LANGUAGE, else "english"; empty when not initialised.
std::string GetCurrentGameLanguage();

// ---------------------------------------------------------------- UGC (Workshop)
//
// An item is a folder "workshop/<id>/" in the store with its metadata
// ("item.txt") and, once content was submitted, a copy of the content in
// "content/" (the install folder) and of the preview. The subscribed items
// are listed in "subscribed.txt". Created items get ids above 2^32.

std::uint32_t GetNumSubscribedItems();
// Copies at most maxEntries ids (in subscription order); returns the number
// copied.
std::uint32_t GetSubscribedItems(ItemId* ids, std::uint32_t maxEntries);
// ItemStateBits of the item (kItemStateNone for an unknown item).
std::uint32_t GetItemState(ItemId item);
// Install folder of an installed item, zero-terminated into folder (size
// folderSize). false when not installed or when the folder path does not fit
// (folder untouched then). sizeOnDisk and timeStamp may be null.
bool GetItemInstallInfo(ItemId item, std::uint64_t* sizeOnDisk, char* folder, std::uint32_t folderSize,
                        std::uint32_t* timeStamp);
// -> UgcDetailsResult. maxAgeSeconds is accepted and not used.
CallHandle RequestUGCDetails(ItemId item, std::uint32_t maxAgeSeconds);

enum class ItemType { Community = 0 };
// -> CreateItemResult. The item exists as soon as the call is made.
CallHandle CreateItem(AppId consumerApp, ItemType type);
// Starts an update of an item the current user owns; 0 for an unknown item,
// another user's or another application's item.
UpdateHandle StartItemUpdate(AppId consumerApp, ItemId item);
// Each false for an unknown update handle; title and description are refused
// (false) beyond kMaxTitleLength / kMaxDescriptionLength bytes.
bool SetItemTitle(UpdateHandle update, const char* title);
bool SetItemDescription(UpdateHandle update, const char* description);
// A folder (a trailing '/' is fine) whose files become the item's content.
bool SetItemContent(UpdateHandle update, const char* folder);
// A picture file that becomes the item's preview.
bool SetItemPreview(UpdateHandle update, const char* file);
// -> SubmitItemUpdateResult. The content folder and the preview are checked
// and copied now: a missing folder or preview gives kResultFileNotFound and
// changes nothing. changeNote may be null. The update handle is used up.
CallHandle SubmitItemUpdate(UpdateHandle update, const char* changeNote);

}  // namespace plat::steam
