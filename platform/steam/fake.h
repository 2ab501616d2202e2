#pragma once
// The community service's test controls. The state controls (persona,
// friends, stats, leaderboards, items) work on whichever back end is chosen;
// on the local service they write the store. The scripting controls (fail,
// queue, hold) work on both as well. Reset clears the fake's state and every
// script. Only tests and the service's own fake include this.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/steam/steam.h"

namespace plat::steam {

namespace fake {

// Clears the fake model and all scripts, and the recorded dumps; the next
// Init starts from defaults. Does not touch the local store. Shuts down
// first when initialised.
void Reset();

// Init answers false (offline) while set.
void SetInitFails(bool fails);
// Removes an interface after Init (HasInterface false; its calls fail).
void SetInterfaceAvailable(Interface which, bool available);

// The current user's persona name and id (for the next Init), on either back
// end; they replace the environment's name and the local user's id.
void SetPersonaName(const std::string& name);
void SetCurrentUser(UserId user);
// A user the service knows by name.
void AddUser(UserId user, const std::string& name);
// The game language (replaces the environment's).
void SetLanguage(const std::string& language);

// Stats of the current user, as if stored earlier: written to the store, and
// into the live stats at once when those were received already. These and
// the leaderboard seeding need Init (they belong to the application).
void SeedStatInt(const std::string& name, std::int32_t value);
void SeedStatFloat(const std::string& name, float value);
void SeedAchievement(const std::string& name, bool achieved);
// Stats as the service holds them now (after Set..., before or after Store).
// false when the stat does not exist or has the other type.
bool PeekStatInt(const std::string& name, std::int32_t* value);
bool PeekStatFloat(const std::string& name, float* value);
bool PeekAchievement(const std::string& name);
// Number of StoreStats calls that wrote (since Reset).
int StoreCount();

// Leaderboards. With on-demand off, only boards that exist are found.
void SetLeaderboardsOnDemand(bool onDemand);
void SeedLeaderboardEntry(const std::string& board, UserId user, const std::string& name, std::int32_t score,
                          const std::vector<std::int32_t>& details);

// Workshop items.
struct ItemRecord {
  ItemId id = 0;
  AppId appId = 0;
  UserId owner = 0;
  std::string title;
  std::string description;
  std::string installFolder;  // empty: not installed (local: the store's content copy)
  std::string previewFile;    // the stored preview
  std::uint32_t timeCreated = 0;
  std::uint32_t timeUpdated = 0;
  std::uint64_t contentSize = 0;
};
// Adds or replaces an item. On the fake, installFolder is taken as it is; on
// the local service, a non-empty installFolder is copied into the store.
void SeedItem(const ItemRecord& item);
void Subscribe(ItemId item);
// Overrides what GetItemState reports for the item (until Reset).
void SetItemState(ItemId item, std::uint32_t state);
// The item as the service holds it; false when unknown.
bool PeekItem(ItemId item, ItemRecord* out);
// The id the next CreateItem gives (must be above every existing id).
void SetNextItemId(ItemId id);

// Scripts for the asynchronous calls, each used up by the next call of its
// kind (in the order given):
// the next call returns handle 0 and does nothing;
void FailNextCall(CallKind kind);
// the next call's result arrives with the I/O-failure flag (record zeroed,
// and the service does nothing);
void FailNextResult(CallKind kind);
// the next call is answered with this record instead of the service's own
// (the service does nothing else).
void QueueResult(const LeaderboardFindResult& result);
void QueueResult(const LeaderboardScoreUploaded& result);
void QueueResult(const LeaderboardScoresDownloaded& result);
void QueueResult(const UgcDetailsResult& result);
void QueueResult(const CreateItemResult& result);
void QueueResult(const SubmitItemUpdateResult& result);

// While held, RunCallbacks delivers no call results (callbacks still come);
// they are delivered, in order, by the first RunCallbacks after release.
void HoldResults(bool hold);
// Call results queued and not yet delivered or dropped.
int PendingResultCount();
// Call results that arrived for a handle nobody watched any more.
int DroppedResultCount();

// Queues a callback as if the service had sent it.
void PostPersonaStateChange(UserId user);
void PostUserStatsReceived(std::uint64_t gameId, std::int32_t result);
void PostUserStatsStored(std::uint64_t gameId, std::int32_t result);

// Every call that asks the service to do something, one line each, e.g.
// "SetStat int wins 2", "FindLeaderboard level_1", "SetItemTitle 1 My set"
// (since Reset or ClearCallLog): Init, Shutdown, the Request, Store, Reset,
// Set, Update, Find, Upload, Download, Create, Start and Submit calls; not the
// reads (Get...) and not the controls.
const std::vector<std::string>& CallLog();
void ClearCallLog();

// The last dump written through WriteMiniDump on the fake (comment, code).
struct DumpRecord {
  std::string comment;
  std::uint32_t code = 0;
};
const std::vector<DumpRecord>& Dumps();

}  // namespace fake

}  // namespace plat::steam
