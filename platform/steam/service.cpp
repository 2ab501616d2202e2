// The community service's calls and the model shared by the local service and
// the fake: the live session (stats, leaderboards, items, queued results) over
// a store that is either the disk (local service, disk_store.cpp) or memory
// (fake, memory_store.cpp). The test controls of fake.h are here too, as they
// reach into the model.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <variant>

#include <boost/filesystem.hpp>

#include "platform/debug.h"
#include "platform/files.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "platform/steam/store.h"
#include "platform/steam/stores.h"

namespace fs = boost::filesystem;

namespace plat::steam {

namespace {

constexpr UserId kLocalUser = 0x0100000100000001ull;
constexpr ItemId kFirstItemId = (ItemId(1) << 32) + 1;
constexpr std::size_t kMaxEntrySnapshots = 32;

using AnyResult = std::variant<LeaderboardFindResult, LeaderboardScoreUploaded, LeaderboardScoresDownloaded,
                               UgcDetailsResult, CreateItemResult, SubmitItemUpdateResult>;
using AnyCallback = std::variant<PersonaStateChange, UserStatsReceived, UserStatsStored>;

CallKind KindOf(const AnyResult& r) { return static_cast<CallKind>(r.index()); }
CallbackKind KindOf(const AnyCallback& c) { return static_cast<CallbackKind>(c.index()); }

const char* KindName(CallKind k) {
  switch (k) {
    case CallKind::FindLeaderboard: return "FindLeaderboard";
    case CallKind::UploadScore: return "UploadLeaderboardScore";
    case CallKind::DownloadScores: return "DownloadLeaderboardEntries";
    case CallKind::RequestItemDetails: return "RequestUGCDetails";
    case CallKind::CreateItem: return "CreateItem";
    case CallKind::SubmitItemUpdate: return "SubmitItemUpdate";
  }
  return "?";
}

AnyResult ZeroResult(CallKind k) {
  switch (k) {
    case CallKind::FindLeaderboard: return LeaderboardFindResult{};
    case CallKind::UploadScore: return LeaderboardScoreUploaded{};
    case CallKind::DownloadScores: return LeaderboardScoresDownloaded{};
    case CallKind::RequestItemDetails: {
      UgcDetailsResult r;
      r.details.result = 0;
      return r;
    }
    case CallKind::CreateItem: return CreateItemResult{0, 0, false};
    case CallKind::SubmitItemUpdate: return SubmitItemUpdateResult{0, false, 0};
  }
  return LeaderboardFindResult{};
}

std::uint32_t Now() { return static_cast<std::uint32_t>(std::time(nullptr)); }

std::string Fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* f, ...) {
  va_list ap;
  va_start(ap, f);
  va_list again;
  va_copy(again, ap);
  int n = std::vsnprintf(nullptr, 0, f, ap);
  va_end(ap);
  std::string out;
  if (n > 0) {
    out.resize(static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out.data(), out.size(), f, again);
    out.resize(static_cast<std::size_t>(n));
  }
  va_end(again);
  return out;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

bool ValidName(const char* name) { return name && name[0] && std::strlen(name) <= kMaxNameLength; }

// ------------------------------------------------------------------ the model

struct Script {
  enum Type { FailCall, FailResult, Answer } type = FailCall;
  AnyResult answer;
};

struct Event {
  bool isResult = false;
  CallHandle handle = 0;
  AnyResult result;
  bool ioFailure = false;
  AnyCallback callback;
};

struct Watch {
  CallKind kind;
  detail::RawCallResult fn;
};

struct Registration {
  CallbackKind kind;
  detail::RawCallback fn;
};

struct PendingUpdate {
  ItemId item = 0;
  std::optional<std::string> title, description, content, preview;
};

struct Snapshot {
  std::vector<LeaderboardEntryRecord> entries;
  std::vector<std::vector<std::int32_t>> details;
};

struct Service {
  // settings that outlive a session (until fake::Reset)
  Backend backend = Backend::Local;
  bool initFails = false;
  std::set<Interface> removed;
  std::optional<std::string> personaOverride, languageOverride;
  std::optional<UserId> userOverride;
  std::map<UserId, std::string> knownUsers;
  bool onDemand = true;
  std::map<ItemId, std::uint32_t> stateOverride;
  std::optional<ItemId> nextIdOverride;
  std::map<CallKind, std::deque<Script>> scripts;
  bool hold = false;
  int dropped = 0;
  int storeCount = 0;
  std::vector<std::string> log;
  std::vector<fake::DumpRecord> dumps;
  std::unique_ptr<Store> memory = NewMemoryStore();

  // registrations (independent of sessions)
  std::map<int, Registration> callbacks;
  int nextToken = 1;

  // the session
  bool initialized = false;
  AppId app = 0;
  UserId user = 0;
  std::unique_ptr<Store> disk;
  bool statsLoaded = false;
  bool statsReceived = false;
  store::Stats stats;
  std::map<std::string, LeaderboardHandle> boardHandles;
  std::map<LeaderboardHandle, store::Board> boards;
  std::map<EntriesHandle, Snapshot> snapshots;
  std::map<ItemId, ItemData> items;
  std::vector<ItemId> subscriptions;
  ItemId nextItemId = kFirstItemId;
  std::map<UpdateHandle, PendingUpdate> updates;
  std::deque<Event> queue;
  std::map<CallHandle, Watch> watches;
  std::uint64_t nextHandle = 1;
  std::uint64_t entryOrder = 0;
  bool delivering = false;
  std::uint64_t session = 0;  // counts Inits, so a restart inside a handler ends the old run

  Store& Backing() {
    if (disk) return *disk;
    return *memory;
  }
};

Service& S() {
  static Service* s = new Service();  // never destroyed: objects with static lifetime may still unregister
  return *s;
}

void Log(std::string line) { S().log.push_back(std::move(line)); }

bool Has(Interface i) { return S().initialized && !S().removed.count(i); }

std::optional<fs::path> StoreRoot() {
  std::string root = Env("VANTREL_COMMUNITY_ROOT");
  if (!root.empty()) return fs::path(root);
  std::string data = Env("XDG_DATA_HOME");
  if (!data.empty()) return fs::path(data) / "vantrel-community";
  std::string home = Env("HOME");
  if (!home.empty()) return fs::path(home) / ".local/share/vantrel-community";
  return std::nullopt;
}

// A store to seed through outside a session: the session's, the fake's
// memory, or the disk store under the root of the environment.
template <class F>
void WithStore(F f) {
  Service& s = S();
  if (s.initialized) {
    f(s.Backing());
    return;
  }
  if (s.backend == Backend::Fake) {
    f(*s.memory);
    return;
  }
  auto root = StoreRoot();
  if (!root) return;
  std::unique_ptr<Store> d = NewDiskStore(*root);
  f(*d);
}

UserId SeedUser() {
  Service& s = S();
  if (s.initialized) return s.user;
  return s.userOverride.value_or(kLocalUser);
}

CallHandle NewHandle() { return S().nextHandle++; }

void QueueResult(CallHandle h, AnyResult r, bool io) {
  Event e;
  e.isResult = true;
  e.handle = h;
  e.result = std::move(r);
  e.ioFailure = io;
  S().queue.push_back(std::move(e));
}

void QueueCallback(AnyCallback c) {
  Event e;
  e.callback = std::move(c);
  S().queue.push_back(std::move(e));
}

// Runs the call's script, if any: returns the handle (0 for a failed call)
// when the script answered the call; nullopt when the service should act.
std::optional<CallHandle> RunScript(CallKind kind) {
  auto& q = S().scripts[kind];
  if (q.empty()) return std::nullopt;
  Script sc = q.front();
  q.pop_front();
  if (sc.type == Script::FailCall) return CallHandle(0);
  CallHandle h = NewHandle();
  if (sc.type == Script::FailResult)
    QueueResult(h, ZeroResult(kind), true);
  else
    QueueResult(h, sc.answer, false);
  return h;
}

// Loads the session's stats once. Stats that are there but cannot be read
// stay unloaded (asked again at the next request) and are never received,
// so nothing is stored over them.
void EnsureStatsLoaded() {
  Service& s = S();
  if (s.statsLoaded) return;
  s.statsLoaded = s.Backing().LoadStats(s.user, s.app, s.stats) != LoadResult::kUnreadable;
}

bool StatsReady() { return Has(Interface::UserStats) && S().statsReceived; }

std::string PersonaName() {
  Service& s = S();
  if (s.personaOverride) return *s.personaOverride;
  std::string n = Env("VANTREL_COMMUNITY_NAME");
  if (n.empty()) n = Env("USER");
  if (n.empty()) n = "Player";
  return n;
}

// The board behind a handle, loaded when first asked for.
store::Board* BoardOf(LeaderboardHandle h) {
  auto it = S().boards.find(h);
  return it == S().boards.end() ? nullptr : &it->second;
}

void SortBoard(store::Board& b) {
  std::stable_sort(b.entries.begin(), b.entries.end(), [](const store::Entry& a, const store::Entry& c) {
    if (a.score != c.score) return a.score > c.score;
    return a.order < c.order;
  });
}

int RankOf(const store::Board& b, UserId user) {
  for (std::size_t i = 0; i < b.entries.size(); ++i)
    if (b.entries[i].user == user) return static_cast<int>(i + 1);
  return 0;
}

void ObserveBoard(const store::Board& b) {
  for (const auto& e : b.entries) {
    S().entryOrder = std::max(S().entryOrder, e.order);
  }
}

// The handle of a board, 0 when there is none (and create is false) or when
// its file cannot be read (*unreadable set): such a board is not opened, so
// nothing is written over it.
LeaderboardHandle OpenBoard(const std::string& name, bool create, bool* unreadable = nullptr) {
  Service& s = S();
  if (unreadable) *unreadable = false;
  auto it = s.boardHandles.find(name);
  if (it != s.boardHandles.end()) return it->second;
  store::Board b;
  const LoadResult r = s.Backing().LoadBoard(s.app, name, b);
  if (r == LoadResult::kUnreadable) {
    if (unreadable) *unreadable = true;
    return 0;
  }
  if (r == LoadResult::kMissing && !create) return 0;
  SortBoard(b);
  ObserveBoard(b);
  LeaderboardHandle h = s.boardHandles.size() + 1;
  s.boardHandles[name] = h;
  s.boards[h] = std::move(b);
  return h;
}

ItemData* ItemOf(ItemId id) {
  auto it = S().items.find(id);
  return it == S().items.end() ? nullptr : &it->second;
}

bool Installed(const ItemData& d) {
  if (d.installFolder.empty()) return false;
  if (S().backend == Backend::Fake) return true;
  boost::system::error_code ec;
  return fs::is_directory(d.installFolder, ec);
}

void CopyText(char* dst, std::size_t cap, const std::string& src) {
  std::size_t n = std::min(cap - 1, src.size());
  std::memcpy(dst, src.data(), n);
  dst[n] = 0;
}

}  // namespace

// ================================================================== library

namespace detail {
extern bool g_fakeBackend;
}

void UseBackend(Backend backend) {
  if (!S().initialized) S().backend = backend;
  detail::g_fakeBackend = S().backend == Backend::Fake;
}

Backend CurrentBackend() { return S().backend; }

bool Init(AppId appId) {
  Service& s = S();
  if (s.initialized) return true;
  Log(Fmt("Init %u", appId));
  if (Env("VANTREL_COMMUNITY") == "off") return false;
  if (s.initFails) return false;
  if (s.backend == Backend::Local) {
    auto root = StoreRoot();
    if (!root || !plat::MakeDirs(*root)) {
      plat::DebugOutput("community: the store folder cannot be made; offline\n");
      return false;
    }
    s.disk = NewDiskStore(*root);
  }
  s.initialized = true;
  ++s.session;
  s.app = appId;
  s.user = s.userOverride.value_or(kLocalUser);
  s.statsLoaded = s.statsReceived = false;
  s.stats = store::Stats();
  s.items = s.Backing().LoadItems();
  s.subscriptions = s.Backing().LoadSubscriptions(s.user);
  ItemId next = std::max<ItemId>(kFirstItemId, s.Backing().LoadNextItemId());
  if (!s.items.empty()) next = std::max(next, s.items.rbegin()->first + 1);
  s.nextItemId = next;
  return true;
}

void Shutdown() {
  Service& s = S();
  if (!s.initialized) return;
  Log("Shutdown");
  s.initialized = false;
  s.disk.reset();
  s.statsLoaded = s.statsReceived = false;
  s.stats = store::Stats();
  s.boardHandles.clear();
  s.boards.clear();
  s.snapshots.clear();
  s.items.clear();
  s.subscriptions.clear();
  s.updates.clear();
  s.queue.clear();
  s.watches.clear();
}

bool IsInitialized() { return S().initialized; }

void RunCallbacks() {
  Service& s = S();
  if (!s.initialized || s.delivering) return;
  s.delivering = true;
  const std::uint64_t session = s.session;
  std::deque<Event> batch;
  batch.swap(s.queue);
  std::deque<Event> kept;
  while (!batch.empty()) {
    if (!s.initialized || s.session != session) break;  // a handler shut the service down
    Event e = std::move(batch.front());
    batch.pop_front();
    if (e.isResult) {
      if (s.hold) {
        kept.push_back(std::move(e));
        continue;
      }
      auto w = s.watches.find(e.handle);
      if (w == s.watches.end() || w->second.kind != KindOf(e.result)) {
        ++s.dropped;
        plat::DebugOutput(Fmt("community: the result of %s call %" PRIu64 " arrived with nobody waiting for it\n",
                              KindName(KindOf(e.result)), e.handle)
                              .c_str());
        continue;
      }
      detail::RawCallResult fn = std::move(w->second.fn);
      s.watches.erase(w);
      std::visit([&](const auto& rec) { fn(&rec, e.ioFailure); }, e.result);
    } else {
      if (const auto* rec = std::get_if<UserStatsReceived>(&e.callback)) {
        if (rec->gameId == s.app && rec->result == kResultOk && rec->user == s.user) {
          EnsureStatsLoaded();
          s.statsReceived = s.statsLoaded;
        }
      }
      CallbackKind kind = KindOf(e.callback);
      std::vector<int> tokens;
      for (const auto& [t, r] : s.callbacks)
        if (r.kind == kind) tokens.push_back(t);
      for (int t : tokens) {
        auto it = s.callbacks.find(t);
        if (it == s.callbacks.end()) continue;   // unregistered by an earlier handler
        detail::RawCallback fn = it->second.fn;  // the handler may unregister itself
        std::visit([&](const auto& rec) { fn(&rec); }, e.callback);
        if (!s.initialized || s.session != session) break;
      }
    }
  }
  if (s.initialized && s.session == session) {
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) kept.push_back(std::move(*it));
    s.queue.swap(kept);
  }
  s.delivering = false;
}

bool HasInterface(Interface which) { return Has(which); }

UserId CurrentUser() { return S().initialized ? S().user : 0; }

namespace detail {

int RegisterCallbackRaw(CallbackKind kind, RawCallback fn) {
  Service& s = S();
  int t = s.nextToken++;
  s.callbacks[t] = Registration{kind, std::move(fn)};
  return t;
}

void UnregisterCallbackRaw(int token) { S().callbacks.erase(token); }

bool WatchCallRaw(CallHandle handle, CallKind kind, RawCallResult fn) {
  Service& s = S();
  if (handle == 0 || !s.initialized) return false;
  bool pending = false;
  for (const Event& e : s.queue)
    if (e.isResult && e.handle == handle && KindOf(e.result) == kind) pending = true;
  if (!pending) return false;
  s.watches[handle] = Watch{kind, std::move(fn)};
  return true;
}

void UnwatchCallRaw(CallHandle handle) { S().watches.erase(handle); }

bool IsCallWatched(CallHandle handle) { return S().watches.count(handle) != 0; }

}  // namespace detail

// ================================================================== user stats

bool RequestCurrentStats() {
  Service& s = S();
  Log("RequestCurrentStats");
  if (!Has(Interface::UserStats)) return false;
  EnsureStatsLoaded();
  QueueCallback(UserStatsReceived{s.app, s.statsLoaded ? kResultOk : kResultFail, s.user});
  return true;
}

bool StoreStats() {
  Service& s = S();
  Log("StoreStats");
  if (!StatsReady()) return false;
  bool ok = s.Backing().SaveStats(s.user, s.app, s.stats);
  if (ok) ++s.storeCount;
  QueueCallback(UserStatsStored{s.app, ok ? kResultOk : kResultFail});
  return true;
}

bool ResetAllStats(bool achievementsToo) {
  Service& s = S();
  Log(Fmt("ResetAllStats %d", achievementsToo ? 1 : 0));
  if (!StatsReady()) return false;
  s.stats.stats.clear();
  if (achievementsToo) s.stats.achievements.clear();
  bool ok = s.Backing().SaveStats(s.user, s.app, s.stats);
  if (ok) ++s.storeCount;
  QueueCallback(UserStatsStored{s.app, ok ? kResultOk : kResultFail});
  return true;
}

bool GetStat(const char* name, std::int32_t* value) {
  if (!StatsReady() || !ValidName(name) || !value) return false;
  auto it = S().stats.stats.find(name);
  if (it == S().stats.stats.end()) {
    *value = 0;
    return true;
  }
  if (it->second.type != store::Stat::Int) return false;
  *value = it->second.intValue;
  return true;
}

bool GetStat(const char* name, float* value) {
  if (!StatsReady() || !ValidName(name) || !value) return false;
  auto it = S().stats.stats.find(name);
  if (it == S().stats.stats.end()) {
    *value = 0.0f;
    return true;
  }
  const store::Stat& st = it->second;
  if (st.type == store::Stat::Float) {
    *value = st.floatValue;
    return true;
  }
  if (st.type == store::Stat::AvgRate) {
    *value = st.hours > 0 ? static_cast<float>(st.count / st.hours) : 0.0f;
    return true;
  }
  return false;
}

bool SetStat(const char* name, std::int32_t value) {
  Log(Fmt("SetStat int %s %d", name ? name : "(null)", value));
  if (!StatsReady() || !ValidName(name)) return false;
  auto& stats = S().stats.stats;
  auto it = stats.find(name);
  if (it != stats.end() && it->second.type != store::Stat::Int) return false;
  store::Stat& st = stats[name];
  st.type = store::Stat::Int;
  st.intValue = value;
  return true;
}

bool SetStat(const char* name, float value) {
  Log(Fmt("SetStat float %s %g", name ? name : "(null)", static_cast<double>(value)));
  if (!StatsReady() || !ValidName(name) || !std::isfinite(value)) return false;
  auto& stats = S().stats.stats;
  auto it = stats.find(name);
  if (it != stats.end() && it->second.type != store::Stat::Float) return false;
  store::Stat& st = stats[name];
  st.type = store::Stat::Float;
  st.floatValue = value;
  return true;
}

bool UpdateAvgRateStat(const char* name, float countThisSession, double sessionHours) {
  Log(Fmt("UpdateAvgRateStat %s %g %g", name ? name : "(null)", static_cast<double>(countThisSession), sessionHours));
  if (!StatsReady() || !ValidName(name)) return false;
  if (!std::isfinite(countThisSession) || !std::isfinite(sessionHours) || sessionHours <= 0) return false;
  auto& stats = S().stats.stats;
  auto it = stats.find(name);
  if (it != stats.end() && it->second.type != store::Stat::AvgRate) return false;
  store::Stat& st = stats[name];
  st.type = store::Stat::AvgRate;
  double count = st.count + countThisSession;
  double hours = st.hours + sessionHours;
  if (!std::isfinite(count) || !std::isfinite(hours)) return false;
  st.count = count;
  st.hours = hours;
  return true;
}

bool GetAchievement(const char* name, bool* achieved) {
  if (!StatsReady() || !ValidName(name) || !achieved) return false;
  *achieved = S().stats.achievements.count(name) != 0;
  return true;
}

bool SetAchievement(const char* name) {
  Log(Fmt("SetAchievement %s", name ? name : "(null)"));
  if (!StatsReady() || !ValidName(name)) return false;
  S().stats.achievements.emplace(name, Now());
  return true;
}

// ================================================================== leaderboards

CallHandle FindLeaderboard(const char* name) {
  Service& s = S();
  Log(Fmt("FindLeaderboard %s", name ? name : "(null)"));
  if (!Has(Interface::UserStats) || !name) return 0;
  if (auto h = RunScript(CallKind::FindLeaderboard)) return *h;
  LeaderboardFindResult r;
  bool unreadable = false;
  if (ValidName(name)) {
    r.leaderboard = OpenBoard(name, s.onDemand, &unreadable);
    r.found = r.leaderboard != 0;
  }
  CallHandle h = NewHandle();
  QueueResult(h, r, unreadable);
  return h;
}

CallHandle UploadLeaderboardScore(LeaderboardHandle leaderboard, UploadMethod method, std::int32_t score,
                                  const std::int32_t* details, int detailCount) {
  Service& s = S();
  Log(Fmt("UploadLeaderboardScore %" PRIu64 " %s %d %d", leaderboard,
          method == UploadMethod::KeepBest ? "best" : "force", score, detailCount));
  if (!Has(Interface::UserStats)) return 0;
  if (detailCount < 0 || detailCount > kMaxLeaderboardDetails) return 0;
  if (detailCount > 0 && !details) return 0;
  store::Board* board = BoardOf(leaderboard);
  if (!board) return 0;
  if (auto h = RunScript(CallKind::UploadScore)) return *h;

  LeaderboardScoreUploaded r;
  r.leaderboard = leaderboard;
  r.score = score;
  store::Board updated = *board;
  int previous = RankOf(updated, s.user);
  r.globalRankPrevious = previous;
  auto mine = std::find_if(updated.entries.begin(), updated.entries.end(),
                           [&](const store::Entry& e) { return e.user == s.user; });
  bool better = mine == updated.entries.end() || method == UploadMethod::ForceUpdate || score > mine->score;
  if (better) {
    store::Entry e;
    e.user = s.user;
    e.score = score;
    e.order = ++s.entryOrder;
    e.time = Now();
    e.name = PersonaName();
    e.details.assign(details, details + detailCount);
    if (mine != updated.entries.end())
      *mine = std::move(e);
    else
      updated.entries.push_back(std::move(e));
    SortBoard(updated);
    if (s.Backing().SaveBoard(s.app, updated)) {
      *board = std::move(updated);
      r.success = true;
      r.scoreChanged = true;
    }
  } else {
    r.success = true;
  }
  r.globalRankNew = RankOf(*board, s.user);
  CallHandle h = NewHandle();
  QueueResult(h, r, false);
  return h;
}

CallHandle DownloadLeaderboardEntries(LeaderboardHandle leaderboard, DataRequest request, int rangeStart,
                                      int rangeEnd) {
  Service& s = S();
  Log(Fmt("DownloadLeaderboardEntries %" PRIu64 " %d %d %d", leaderboard, static_cast<int>(request), rangeStart,
          rangeEnd));
  if (!Has(Interface::UserStats)) return 0;
  store::Board* board = BoardOf(leaderboard);
  if (!board) return 0;
  if (auto h = RunScript(CallKind::DownloadScores)) return *h;

  // ranks first..last, 1-based inclusive, in 64 bits so no range overflows
  std::int64_t first = 1, last = 0;
  const std::int64_t count = static_cast<std::int64_t>(board->entries.size());
  if (request == DataRequest::Global) {
    first = std::max<std::int64_t>(1, rangeStart);
    last = rangeEnd;
  } else if (request == DataRequest::GlobalAroundUser) {
    int rank = RankOf(*board, s.user);
    if (rank > 0) {
      first = std::max<std::int64_t>(1, std::int64_t(rank) + rangeStart);
      last = std::int64_t(rank) + rangeEnd;
    }
  } else {
    int rank = RankOf(*board, s.user);
    if (rank > 0) first = last = rank;
  }
  last = std::min(last, count);
  Snapshot snap;
  for (std::int64_t rank = first; rank <= last; ++rank) {
    const store::Entry& e = board->entries[static_cast<std::size_t>(rank - 1)];
    LeaderboardEntryRecord rec;
    rec.user = e.user;
    rec.globalRank = static_cast<std::int32_t>(rank);
    rec.score = e.score;
    rec.detailCount = static_cast<std::int32_t>(e.details.size());
    snap.entries.push_back(rec);
    snap.details.push_back(e.details);
  }
  EntriesHandle eh = NewHandle();
  LeaderboardScoresDownloaded r;
  r.leaderboard = leaderboard;
  r.entries = eh;
  r.entryCount = static_cast<std::int32_t>(snap.entries.size());
  s.snapshots[eh] = std::move(snap);
  while (s.snapshots.size() > kMaxEntrySnapshots) s.snapshots.erase(s.snapshots.begin());
  CallHandle h = NewHandle();
  QueueResult(h, r, false);
  return h;
}

bool GetDownloadedLeaderboardEntry(EntriesHandle entries, int index, LeaderboardEntryRecord* out, std::int32_t* details,
                                   int maxDetails) {
  if (!Has(Interface::UserStats) || !out) return false;
  auto it = S().snapshots.find(entries);
  if (it == S().snapshots.end()) return false;
  const Snapshot& snap = it->second;
  if (index < 0 || static_cast<std::size_t>(index) >= snap.entries.size()) return false;
  if (maxDetails < 0 || (maxDetails > 0 && !details)) return false;
  *out = snap.entries[static_cast<std::size_t>(index)];
  const auto& d = snap.details[static_cast<std::size_t>(index)];
  std::size_t n = std::min(d.size(), static_cast<std::size_t>(maxDetails));
  std::copy(d.begin(), d.begin() + static_cast<std::ptrdiff_t>(n), details);
  return true;
}

// ================================================================== friends

std::string GetPersonaName() {
  if (!Has(Interface::Friends)) return "";
  return PersonaName();
}

std::string GetFriendPersonaName(UserId user) {
  Service& s = S();
  if (!Has(Interface::Friends)) return "[unknown]";
  if (user == s.user) return PersonaName();
  auto k = s.knownUsers.find(user);
  if (k != s.knownUsers.end()) return k->second;
  for (const auto& [h, b] : s.boards)
    for (const auto& e : b.entries)
      if (e.user == user && !e.name.empty()) return e.name;
  return "[unknown]";
}

bool RequestUserInformation(UserId user, bool nameOnly) {
  Log(Fmt("RequestUserInformation %" PRIu64 " %d", user, nameOnly ? 1 : 0));
  if (!Has(Interface::Friends)) return false;
  QueueCallback(PersonaStateChange{user, 1});
  return true;
}

// ================================================================== apps

std::string GetCurrentGameLanguage() {
  if (!Has(Interface::Apps)) return "";
  if (S().languageOverride) return *S().languageOverride;
  std::string l = Env("VANTREL_COMMUNITY_LANGUAGE");
  return l.empty() ? "english" : l;
}

// ================================================================== UGC

std::uint32_t GetNumSubscribedItems() {
  if (!Has(Interface::Ugc)) return 0;
  return static_cast<std::uint32_t>(std::min<std::size_t>(S().subscriptions.size(), UINT32_MAX));
}

std::uint32_t GetSubscribedItems(ItemId* ids, std::uint32_t maxEntries) {
  if (!Has(Interface::Ugc) || !ids) return 0;
  std::uint32_t n = std::min<std::uint32_t>(maxEntries, GetNumSubscribedItems());
  std::copy(S().subscriptions.begin(), S().subscriptions.begin() + n, ids);
  return n;
}

std::uint32_t GetItemState(ItemId item) {
  Service& s = S();
  if (!Has(Interface::Ugc)) return kItemStateNone;
  auto o = s.stateOverride.find(item);
  if (o != s.stateOverride.end()) return o->second;
  std::uint32_t state = kItemStateNone;
  if (std::find(s.subscriptions.begin(), s.subscriptions.end(), item) != s.subscriptions.end())
    state |= kItemStateSubscribed;
  if (const ItemData* d = ItemOf(item); d && Installed(*d)) state |= kItemStateInstalled;
  return state;
}

bool GetItemInstallInfo(ItemId item, std::uint64_t* sizeOnDisk, char* folder, std::uint32_t folderSize,
                        std::uint32_t* timeStamp) {
  if (!Has(Interface::Ugc) || !folder || folderSize == 0) return false;
  const ItemData* d = ItemOf(item);
  if (!d || !Installed(*d)) return false;
  if (d->installFolder.size() + 1 > folderSize) return false;
  std::memcpy(folder, d->installFolder.c_str(), d->installFolder.size() + 1);
  if (sizeOnDisk) *sizeOnDisk = d->meta.contentSize;
  if (timeStamp) *timeStamp = d->meta.timeUpdated;
  return true;
}

CallHandle RequestUGCDetails(ItemId item, std::uint32_t maxAgeSeconds) {
  Log(Fmt("RequestUGCDetails %" PRIu64 " %u", item, maxAgeSeconds));
  if (!Has(Interface::Ugc)) return 0;
  if (auto h = RunScript(CallKind::RequestItemDetails)) return *h;
  UgcDetailsResult r;
  r.details.publishedFileId = item;
  if (const ItemData* d = ItemOf(item)) {
    const store::Item& m = d->meta;
    r.details.result = kResultOk;
    r.details.creatorAppId = m.appId;
    r.details.consumerAppId = m.appId;
    CopyText(r.details.title, sizeof r.details.title, m.title);
    CopyText(r.details.description, sizeof r.details.description, m.description);
    r.details.owner = m.owner;
    r.details.timeCreated = m.timeCreated;
    r.details.timeUpdated = m.timeUpdated;
    r.details.fileSize = static_cast<std::int32_t>(std::min<std::uint64_t>(m.contentSize, INT32_MAX));
  } else {
    r.details.result = kResultFileNotFound;
  }
  CallHandle h = NewHandle();
  QueueResult(h, r, false);
  return h;
}

CallHandle CreateItem(AppId consumerApp, ItemType type) {
  Service& s = S();
  Log(Fmt("CreateItem %u %d", consumerApp, static_cast<int>(type)));
  if (!Has(Interface::Ugc)) return 0;
  if (auto h = RunScript(CallKind::CreateItem)) return *h;
  CreateItemResult r;
  ItemId id = s.nextItemId;
  if (s.nextIdOverride) {
    id = std::max(id, *s.nextIdOverride);
    s.nextIdOverride.reset();
  }
  ItemData d;
  d.meta.id = id;
  d.meta.appId = consumerApp;
  d.meta.owner = s.user;
  d.meta.timeCreated = d.meta.timeUpdated = Now();
  if (s.Backing().SaveItem(d) && s.Backing().SaveNextItemId(id + 1)) {
    s.items[id] = d;
    s.nextItemId = id + 1;
    r.result = kResultOk;
    r.publishedFileId = id;
  } else {
    r.result = kResultFail;
  }
  CallHandle h = NewHandle();
  QueueResult(h, r, false);
  return h;
}

UpdateHandle StartItemUpdate(AppId consumerApp, ItemId item) {
  Service& s = S();
  Log(Fmt("StartItemUpdate %u %" PRIu64, consumerApp, item));
  if (!Has(Interface::Ugc)) return 0;
  const ItemData* d = ItemOf(item);
  if (!d || d->meta.owner != s.user || d->meta.appId != consumerApp) return 0;
  UpdateHandle h = NewHandle();
  s.updates[h].item = item;
  return h;
}

namespace {
PendingUpdate* UpdateOf(UpdateHandle h) {
  if (!Has(Interface::Ugc)) return nullptr;
  auto it = S().updates.find(h);
  return it == S().updates.end() ? nullptr : &it->second;
}
}  // namespace

bool SetItemTitle(UpdateHandle update, const char* title) {
  Log(Fmt("SetItemTitle %" PRIu64 " %s", update, title ? title : "(null)"));
  PendingUpdate* u = UpdateOf(update);
  if (!u || !title || std::strlen(title) > kMaxTitleLength) return false;
  u->title = title;
  return true;
}

bool SetItemDescription(UpdateHandle update, const char* description) {
  Log(Fmt("SetItemDescription %" PRIu64 " %s", update, description ? description : "(null)"));
  PendingUpdate* u = UpdateOf(update);
  if (!u || !description || std::strlen(description) > kMaxDescriptionLength) return false;
  u->description = description;
  return true;
}

bool SetItemContent(UpdateHandle update, const char* folder) {
  Log(Fmt("SetItemContent %" PRIu64 " %s", update, folder ? folder : "(null)"));
  PendingUpdate* u = UpdateOf(update);
  if (!u || !folder || !folder[0]) return false;
  u->content = folder;
  return true;
}

bool SetItemPreview(UpdateHandle update, const char* file) {
  Log(Fmt("SetItemPreview %" PRIu64 " %s", update, file ? file : "(null)"));
  PendingUpdate* u = UpdateOf(update);
  if (!u || !file || !file[0]) return false;
  u->preview = file;
  return true;
}

CallHandle SubmitItemUpdate(UpdateHandle update, const char* changeNote) {
  Service& s = S();
  Log(Fmt("SubmitItemUpdate %" PRIu64 " %s", update, changeNote ? changeNote : "(none)"));
  PendingUpdate* u = UpdateOf(update);
  if (!u) return 0;
  PendingUpdate pu = *u;
  s.updates.erase(update);
  if (auto h = RunScript(CallKind::SubmitItemUpdate)) return *h;
  SubmitItemUpdateResult r;
  r.publishedFileId = pu.item;
  ItemData* d = ItemOf(pu.item);
  if (!d) {
    r.result = kResultFileNotFound;
  } else {
    ItemData changed = *d;
    r.result = s.Backing().TakeContent(changed, pu.content ? fs::path(*pu.content) : fs::path(),
                                       pu.preview.value_or(""), pu.content.has_value());
    if (r.result == kResultOk) {
      if (pu.title) changed.meta.title = *pu.title;
      if (pu.description) changed.meta.description = *pu.description;
      changed.meta.timeUpdated = Now();
      if (s.Backing().SaveItem(changed))
        *d = std::move(changed);
      else
        r.result = kResultFail;
    }
  }
  CallHandle h = NewHandle();
  QueueResult(h, r, false);
  return h;
}

// ================================================================== test controls

namespace fake {

void Reset() {
  Shutdown();
  Service& s = S();
  auto callbacks = std::move(s.callbacks);
  int token = s.nextToken;
  Backend backend = s.backend;
  std::uint64_t session = s.session;
  std::uint64_t handle = s.nextHandle;
  bool delivering = s.delivering;
  s.~Service();
  new (&s) Service();
  s.callbacks = std::move(callbacks);  // registrations belong to live objects
  s.nextToken = token;
  s.backend = backend;
  s.session = session;    // an old run of RunCallbacks stops
  s.nextHandle = handle;  // handles of the old session never come back
  s.delivering = delivering;
}

void SetInitFails(bool fails) { S().initFails = fails; }

void SetInterfaceAvailable(Interface which, bool available) {
  if (available)
    S().removed.erase(which);
  else
    S().removed.insert(which);
}

void SetPersonaName(const std::string& name) { S().personaOverride = name; }
void SetCurrentUser(UserId user) { S().userOverride = user; }
void AddUser(UserId user, const std::string& name) { S().knownUsers[user] = name; }
void SetLanguage(const std::string& language) { S().languageOverride = language; }

namespace {
void SeedStat(const std::string& name, const store::Stat& st) {
  Service& s = S();
  if (!s.initialized) return;  // stats belong to an application: needs Init
  store::Stats stats;
  if (s.Backing().LoadStats(s.user, s.app, stats) == LoadResult::kUnreadable) return;
  stats.stats[name] = st;
  s.Backing().SaveStats(s.user, s.app, stats);
  if (s.statsLoaded) s.stats.stats[name] = st;
}
}  // namespace

void SeedStatInt(const std::string& name, std::int32_t value) {
  store::Stat st;
  st.type = store::Stat::Int;
  st.intValue = value;
  SeedStat(name, st);
}

void SeedStatFloat(const std::string& name, float value) {
  store::Stat st;
  st.type = store::Stat::Float;
  st.floatValue = value;
  SeedStat(name, st);
}

void SeedAchievement(const std::string& name, bool achieved) {
  Service& s = S();
  if (!s.initialized) return;
  store::Stats stats;
  if (s.Backing().LoadStats(s.user, s.app, stats) == LoadResult::kUnreadable) return;
  if (achieved)
    stats.achievements[name] = Now();
  else
    stats.achievements.erase(name);
  s.Backing().SaveStats(s.user, s.app, stats);
  if (s.statsLoaded) {
    if (achieved)
      s.stats.achievements[name] = Now();
    else
      s.stats.achievements.erase(name);
  }
}

namespace {
store::Stats StatsForPeek() {
  Service& s = S();
  if (s.statsLoaded) return s.stats;
  store::Stats stats;
  s.Backing().LoadStats(s.user, s.app, stats);
  return stats;
}

std::optional<store::Stat> PeekStat(const std::string& name) {
  Service& s = S();
  if (!s.initialized) return std::nullopt;
  const store::Stats stats = StatsForPeek();
  auto it = stats.stats.find(name);
  if (it == stats.stats.end()) return std::nullopt;
  return it->second;
}
}  // namespace

bool PeekStatInt(const std::string& name, std::int32_t* value) {
  auto st = PeekStat(name);
  if (!st || st->type != store::Stat::Int) return false;
  if (value) *value = st->intValue;
  return true;
}

bool PeekStatFloat(const std::string& name, float* value) {
  auto st = PeekStat(name);
  if (!st || st->type == store::Stat::Int) return false;
  if (value)
    *value = st->type == store::Stat::Float ? st->floatValue
                                            : (st->hours > 0 ? static_cast<float>(st->count / st->hours) : 0.0f);
  return true;
}

bool PeekAchievement(const std::string& name) {
  Service& s = S();
  if (!s.initialized) return false;
  const store::Stats stats = StatsForPeek();
  return stats.achievements.count(name) != 0;
}

int StoreCount() { return S().storeCount; }

void SetLeaderboardsOnDemand(bool onDemand) { S().onDemand = onDemand; }

void SeedLeaderboardEntry(const std::string& board, UserId user, const std::string& name, std::int32_t score,
                          const std::vector<std::int32_t>& details) {
  Service& s = S();
  if (!s.initialized) return;
  LeaderboardHandle h = OpenBoard(board, true);
  store::Board* b = BoardOf(h);
  if (!b) return;  // its file cannot be read
  b->entries.erase(
      std::remove_if(b->entries.begin(), b->entries.end(), [&](const store::Entry& e) { return e.user == user; }),
      b->entries.end());
  store::Entry e;
  e.user = user;
  e.score = score;
  e.order = ++s.entryOrder;
  e.time = Now();
  e.name = name;
  e.details = details;
  if (e.details.size() > static_cast<std::size_t>(kMaxLeaderboardDetails)) e.details.resize(kMaxLeaderboardDetails);
  b->entries.push_back(std::move(e));
  SortBoard(*b);
  s.Backing().SaveBoard(s.app, *b);
}

void SeedItem(const ItemRecord& item) {
  Service& s = S();
  if (item.id == 0) return;
  ItemData d;
  d.meta.id = item.id;
  d.meta.appId = item.appId;
  d.meta.owner = item.owner;
  d.meta.title = item.title.substr(0, kMaxTitleLength);
  d.meta.description = item.description.substr(0, kMaxDescriptionLength);
  d.meta.preview = item.previewFile;
  d.meta.timeCreated = item.timeCreated;
  d.meta.timeUpdated = item.timeUpdated;
  d.meta.contentSize = item.contentSize;
  WithStore([&](Store& st) {
    if (!st.SeedContent(d, item.installFolder)) return;
    if (s.backend == Backend::Local) d.meta.preview.clear();
    st.SaveItem(d);
    if (st.LoadNextItemId() <= item.id) st.SaveNextItemId(item.id + 1);
  });
  if (s.initialized) {
    s.items[item.id] = d;
    s.nextItemId = std::max(s.nextItemId, item.id + 1);
  }
}

void Subscribe(ItemId item) {
  Service& s = S();
  UserId user = SeedUser();
  WithStore([&](Store& st) {
    auto ids = st.LoadSubscriptions(user);
    if (std::find(ids.begin(), ids.end(), item) == ids.end()) ids.push_back(item);
    st.SaveSubscriptions(user, ids);
  });
  if (s.initialized && std::find(s.subscriptions.begin(), s.subscriptions.end(), item) == s.subscriptions.end())
    s.subscriptions.push_back(item);
}

void SetItemState(ItemId item, std::uint32_t state) { S().stateOverride[item] = state; }

bool PeekItem(ItemId item, ItemRecord* out) {
  Service& s = S();
  std::optional<ItemData> d;
  if (s.initialized) {
    if (const ItemData* p = ItemOf(item)) d = *p;
  } else {
    WithStore([&](Store& st) {
      auto all = st.LoadItems();
      auto it = all.find(item);
      if (it != all.end()) d = it->second;
    });
  }
  if (!d) return false;
  if (out) {
    out->id = d->meta.id;
    out->appId = d->meta.appId;
    out->owner = d->meta.owner;
    out->title = d->meta.title;
    out->description = d->meta.description;
    out->installFolder = d->installFolder;
    out->previewFile = d->meta.preview;
    out->timeCreated = d->meta.timeCreated;
    out->timeUpdated = d->meta.timeUpdated;
    out->contentSize = d->meta.contentSize;
  }
  return true;
}

void SetNextItemId(ItemId id) { S().nextIdOverride = id; }

void FailNextCall(CallKind kind) { S().scripts[kind].push_back(Script{Script::FailCall, {}}); }

void FailNextResult(CallKind kind) { S().scripts[kind].push_back(Script{Script::FailResult, {}}); }

namespace {
void Answer(AnyResult r) {
  CallKind k = KindOf(r);
  S().scripts[k].push_back(Script{Script::Answer, std::move(r)});
}
}  // namespace

void QueueResult(const LeaderboardFindResult& result) { Answer(result); }
void QueueResult(const LeaderboardScoreUploaded& result) { Answer(result); }
void QueueResult(const LeaderboardScoresDownloaded& result) { Answer(result); }
void QueueResult(const UgcDetailsResult& result) { Answer(result); }
void QueueResult(const CreateItemResult& result) { Answer(result); }
void QueueResult(const SubmitItemUpdateResult& result) { Answer(result); }

void HoldResults(bool hold) { S().hold = hold; }

int PendingResultCount() {
  int n = 0;
  for (const Event& e : S().queue) n += e.isResult ? 1 : 0;
  return n;
}

int DroppedResultCount() { return S().dropped; }

void PostPersonaStateChange(UserId user) {
  if (S().initialized) QueueCallback(PersonaStateChange{user, 1});
}

void PostUserStatsReceived(std::uint64_t gameId, std::int32_t result) {
  if (S().initialized) QueueCallback(UserStatsReceived{gameId, result, S().user});
}

void PostUserStatsStored(std::uint64_t gameId, std::int32_t result) {
  if (S().initialized) QueueCallback(UserStatsStored{gameId, result});
}

const std::vector<std::string>& CallLog() { return S().log; }
void ClearCallLog() { S().log.clear(); }

const std::vector<DumpRecord>& Dumps() { return S().dumps; }

}  // namespace fake

// Used by the dump writer (dump.cpp): the fake records dumps in memory.
namespace detail {
bool g_fakeBackend = false;

bool RecordFakeDump(const char* comment, std::uint32_t code) {
  if (!g_fakeBackend) return false;
  S().dumps.push_back(fake::DumpRecord{comment ? comment : "", code});
  return true;
}
}  // namespace detail

}  // namespace plat::steam
