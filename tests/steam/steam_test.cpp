// The community service: call-result rules, callbacks, stats, leaderboards,
// Workshop items and dumps, on the local service (a store in the test's
// temporary home) and on the scripted fake.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "platform/debug.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "platform/steam/store.h"
#include "support/read_failure.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;
namespace st = plat::steam;

namespace {

constexpr st::AppId kApp = 4242;

fs::path StoreRoot() { return fs::path(std::getenv("VANTREL_COMMUNITY_ROOT")); }

// The one file under the store root whose name starts with prefix.
fs::path StoreFile(const std::string& prefix) {
  fs::path found;
  for (auto& e : fs::recursive_directory_iterator(StoreRoot()))
    if (fs::is_regular_file(e.path()) && e.path().filename().string().rfind(prefix, 0) == 0) {
      EXPECT_TRUE(found.empty()) << found << " and " << e.path();
      found = e.path();
    }
  EXPECT_FALSE(found.empty()) << prefix;
  return found;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p.string(), std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteAll(const fs::path& p, const std::string& text) {
  fs::create_directories(p.parent_path());
  std::ofstream out(p.string(), std::ios::binary);
  out << text;
}

class SteamService : public ::testing::Test {
 protected:
  void SetUp() override {
    st::fake::Reset();
    st::UseBackend(st::Backend::Local);
  }
  void TearDown() override {
    st::Shutdown();
    st::fake::Reset();
  }
  // Init and the first stats delivery, as the community layer does them.
  void StartOnline(st::Backend backend = st::Backend::Local) {
    st::UseBackend(backend);
    ASSERT_TRUE(st::Init(kApp));
    ASSERT_TRUE(st::RequestCurrentStats());
    st::RunCallbacks();
  }
  void Restart() {
    st::Shutdown();
    StartOnline(st::CurrentBackend());
  }
};

// Waits for one result of type T; tells whether it came and with which flag.
template <class T>
struct Waiter {
  st::CallResult<T> call;
  int calls = 0;
  bool io = false;
  T last{};
  bool Watch(st::CallHandle h) {
    return call.Set(h, [this](const T& r, bool failed) {
      ++calls;
      io = failed;
      last = r;
    });
  }
};

// ------------------------------------------------------------------ offline

TEST_F(SteamService, OfflineWhenSwitchedOffEveryCallFailsCleanly) {
  setenv("VANTREL_COMMUNITY", "off", 1);
  for (st::Backend b : {st::Backend::Local, st::Backend::Fake}) {
    st::UseBackend(b);
    EXPECT_FALSE(st::Init(kApp));
    EXPECT_FALSE(st::IsInitialized());
    st::RunCallbacks();
    EXPECT_FALSE(st::HasInterface(st::Interface::UserStats));
    EXPECT_FALSE(st::RequestCurrentStats());
    EXPECT_FALSE(st::StoreStats());
    EXPECT_FALSE(st::ResetAllStats(true));
    std::int32_t i = 7;
    float f = 7;
    bool a = true;
    EXPECT_FALSE(st::GetStat("wins", &i));
    EXPECT_FALSE(st::GetStat("time", &f));
    EXPECT_FALSE(st::SetStat("wins", 1));
    EXPECT_FALSE(st::SetStat("time", 1.0f));
    EXPECT_FALSE(st::UpdateAvgRateStat("rate", 1.0f, 1.0));
    EXPECT_FALSE(st::GetAchievement("ach", &a));
    EXPECT_FALSE(st::SetAchievement("ach"));
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(a);
    EXPECT_EQ(st::FindLeaderboard("board"), 0u);
    EXPECT_EQ(st::UploadLeaderboardScore(1, st::UploadMethod::KeepBest, 5, nullptr, 0), 0u);
    EXPECT_EQ(st::DownloadLeaderboardEntries(1, st::DataRequest::Global, 0, 15), 0u);
    st::LeaderboardEntryRecord rec;
    EXPECT_FALSE(st::GetDownloadedLeaderboardEntry(1, 0, &rec, nullptr, 0));
    EXPECT_EQ(st::GetPersonaName(), "");
    EXPECT_EQ(st::GetFriendPersonaName(99), "[unknown]");
    EXPECT_FALSE(st::RequestUserInformation(99, true));
    EXPECT_EQ(st::GetCurrentGameLanguage(), "");
    EXPECT_EQ(st::GetNumSubscribedItems(), 0u);
    st::ItemId ids[4] = {};
    EXPECT_EQ(st::GetSubscribedItems(ids, 4), 0u);
    EXPECT_EQ(st::GetItemState(5), 0u);
    char folder[64] = "x";
    EXPECT_FALSE(st::GetItemInstallInfo(5, nullptr, folder, sizeof folder, nullptr));
    EXPECT_STREQ(folder, "x");
    EXPECT_EQ(st::RequestUGCDetails(5, 60), 0u);
    EXPECT_EQ(st::CreateItem(kApp, st::ItemType::Community), 0u);
    EXPECT_EQ(st::StartItemUpdate(kApp, 5), 0u);
    EXPECT_FALSE(st::SetItemTitle(1, "t"));
    EXPECT_EQ(st::SubmitItemUpdate(1, nullptr), 0u);
    st::CallResult<st::CreateItemResult> cr;
    EXPECT_FALSE(cr.Set(0, nullptr));
    EXPECT_FALSE(cr.IsActive());
  }
  unsetenv("VANTREL_COMMUNITY");
  EXPECT_FALSE(fs::exists(StoreRoot() / "users"));  // offline writes nothing
}

TEST_F(SteamService, FakeInitFailureAndMissingInterfaces) {
  st::UseBackend(st::Backend::Fake);
  st::fake::SetInitFails(true);
  EXPECT_FALSE(st::Init(kApp));
  st::fake::SetInitFails(false);
  ASSERT_TRUE(st::Init(kApp));
  EXPECT_TRUE(st::HasInterface(st::Interface::User));
  st::fake::SetInterfaceAvailable(st::Interface::Ugc, false);
  EXPECT_FALSE(st::HasInterface(st::Interface::Ugc));
  EXPECT_EQ(st::CreateItem(kApp, st::ItemType::Community), 0u);
  EXPECT_TRUE(st::HasInterface(st::Interface::UserStats));
  st::fake::SetInterfaceAvailable(st::Interface::Ugc, true);
  EXPECT_NE(st::CreateItem(kApp, st::ItemType::Community), 0u);
}

// ------------------------------------------------------------------ delivery rules

TEST_F(SteamService, ResultsAndCallbacksArriveOnlyInsideRunCallbacks) {
  ASSERT_TRUE(st::Init(kApp));
  st::Callback<st::UserStatsReceived> received;
  int got = 0;
  st::UserStatsReceived seen;
  received.Register([&](const st::UserStatsReceived& r) {
    ++got;
    seen = r;
  });
  ASSERT_TRUE(st::RequestCurrentStats());
  std::int32_t v = 0;
  EXPECT_FALSE(st::GetStat("wins", &v)) << "stats are not readable before they arrived";
  Waiter<st::LeaderboardFindResult> find;
  ASSERT_TRUE(find.Watch(st::FindLeaderboard("level")));
  EXPECT_EQ(got, 0);
  EXPECT_EQ(find.calls, 0);
  EXPECT_TRUE(find.call.IsActive());
  st::RunCallbacks();
  EXPECT_EQ(got, 1);
  EXPECT_EQ(seen.gameId, kApp);
  EXPECT_EQ(seen.result, st::kResultOk);
  EXPECT_EQ(seen.user, st::CurrentUser());
  EXPECT_EQ(find.calls, 1);
  EXPECT_FALSE(find.io);
  EXPECT_TRUE(find.last.found);
  EXPECT_NE(find.last.leaderboard, 0u);
  EXPECT_FALSE(find.call.IsActive());
  EXPECT_TRUE(st::GetStat("wins", &v));
  st::RunCallbacks();
  EXPECT_EQ(find.calls, 1) << "a result is delivered once";
}

TEST_F(SteamService, ANewCallReplacesThePendingOneAndItsResultIsDropped) {
  StartOnline();
  Waiter<st::LeaderboardFindResult> find;
  st::CallHandle first = st::FindLeaderboard("a");
  st::CallHandle second = st::FindLeaderboard("b");
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, first);
  ASSERT_TRUE(find.Watch(first));
  ASSERT_TRUE(find.Watch(second));
  EXPECT_EQ(find.call.Handle(), second);
  st::RunCallbacks();
  EXPECT_EQ(find.calls, 1);
  EXPECT_EQ(st::fake::DroppedResultCount(), 1);
  // the handle of "b" (the second board opened) came back
  EXPECT_EQ(find.last.leaderboard, 2u);
}

TEST_F(SteamService, HandlersThatStartCallsSeeTheirResultsOnTheNextRun) {
  StartOnline();
  st::CallResult<st::LeaderboardFindResult> find;
  Waiter<st::LeaderboardScoreUploaded> upload;
  bool inside = true;
  ASSERT_TRUE(find.Set(st::FindLeaderboard("chain"), [&](const st::LeaderboardFindResult& r, bool) {
    EXPECT_FALSE(find.IsActive()) << "the call is done once its handler runs";
    EXPECT_TRUE(upload.Watch(st::UploadLeaderboardScore(r.leaderboard, st::UploadMethod::KeepBest, 10, nullptr, 0)));
    inside = false;
  }));
  st::RunCallbacks();
  EXPECT_FALSE(inside);
  EXPECT_EQ(upload.calls, 0);
  st::RunCallbacks();
  EXPECT_EQ(upload.calls, 1);
  EXPECT_TRUE(upload.last.success);

  // one object may watch its next call from inside its own handler
  st::CallResult<st::UgcDetailsResult> details;
  std::vector<st::ItemId> arrived;
  std::function<void(const st::UgcDetailsResult&, bool)> next;
  next = [&](const st::UgcDetailsResult& r, bool) {
    arrived.push_back(r.details.publishedFileId);
    if (arrived.size() < 3) {
      EXPECT_TRUE(details.Set(st::RequestUGCDetails(arrived.size() + 1, 60), next));
    }
  };
  ASSERT_TRUE(details.Set(st::RequestUGCDetails(1, 60), next));
  for (int i = 0; i < 5; ++i) st::RunCallbacks();
  EXPECT_EQ(arrived, (std::vector<st::ItemId>{1, 2, 3}));
  EXPECT_FALSE(details.IsActive());
}

TEST_F(SteamService, ScriptsFailTheCallFailTheResultAnswerAndHold) {
  StartOnline(st::Backend::Fake);
  // a failed call gives handle 0 and nothing arrives
  st::fake::FailNextCall(st::CallKind::FindLeaderboard);
  EXPECT_EQ(st::FindLeaderboard("x"), 0u);
  EXPECT_EQ(st::fake::PendingResultCount(), 0);
  // an I/O failure arrives with the flag and a zeroed record
  Waiter<st::LeaderboardFindResult> find;
  st::fake::FailNextResult(st::CallKind::FindLeaderboard);
  ASSERT_TRUE(find.Watch(st::FindLeaderboard("x")));
  st::RunCallbacks();
  EXPECT_EQ(find.calls, 1);
  EXPECT_TRUE(find.io);
  EXPECT_FALSE(find.last.found);
  // a queued answer replaces the service's own
  st::fake::QueueResult(st::LeaderboardFindResult{77, true});
  ASSERT_TRUE(find.Watch(st::FindLeaderboard("x")));
  st::RunCallbacks();
  EXPECT_FALSE(find.io);
  EXPECT_EQ(find.last.leaderboard, 77u);
  // held results wait; callbacks still come
  st::fake::HoldResults(true);
  st::Callback<st::PersonaStateChange> persona;
  int names = 0;
  persona.Register([&](const st::PersonaStateChange&) { ++names; });
  ASSERT_TRUE(find.Watch(st::FindLeaderboard("late")));
  ASSERT_TRUE(st::RequestUserInformation(5, true));
  st::RunCallbacks();
  st::RunCallbacks();
  EXPECT_EQ(names, 1);
  EXPECT_EQ(find.calls, 3 - 1);
  EXPECT_EQ(st::fake::PendingResultCount(), 1);
  st::fake::HoldResults(false);
  st::RunCallbacks();
  EXPECT_EQ(find.calls, 3);
  EXPECT_TRUE(find.last.found);
  EXPECT_EQ(st::fake::PendingResultCount(), 0);
}

TEST_F(SteamService, CancelledCreateStillCompletesInTheService) {
  StartOnline();
  Waiter<st::CreateItemResult> create;
  st::CallHandle h = st::CreateItem(kApp, st::ItemType::Community);
  ASSERT_TRUE(create.Watch(h));
  create.call.Cancel();
  EXPECT_FALSE(create.call.IsActive());
  st::RunCallbacks();
  EXPECT_EQ(create.calls, 0);
  EXPECT_EQ(st::fake::DroppedResultCount(), 1);
  // the item was made all the same: the next create gets the next id
  ASSERT_TRUE(create.Watch(st::CreateItem(kApp, st::ItemType::Community)));
  st::RunCallbacks();
  EXPECT_EQ(create.last.publishedFileId, (st::ItemId(1) << 32) + 2);
  EXPECT_TRUE(st::fake::PeekItem((st::ItemId(1) << 32) + 1, nullptr));
}

TEST_F(SteamService, WatchingRefusesHandlesThatAreNotPending) {
  StartOnline();
  st::CallResult<st::LeaderboardFindResult> find;
  EXPECT_FALSE(find.Set(12345, nullptr));
  st::CallHandle h = st::FindLeaderboard("x");
  st::CallResult<st::CreateItemResult> wrongKind;
  EXPECT_FALSE(wrongKind.Set(h, nullptr));
  st::RunCallbacks();
  EXPECT_FALSE(find.Set(h, nullptr)) << "already delivered";
}

TEST_F(SteamService, CallbacksUnregisteredByAHandlerAreNotCalled) {
  StartOnline();
  auto a = std::make_unique<st::Callback<st::PersonaStateChange>>();
  auto b = std::make_unique<st::Callback<st::PersonaStateChange>>();
  int bCalls = 0;
  a->Register([&](const st::PersonaStateChange&) { b.reset(); });
  b->Register([&](const st::PersonaStateChange&) { ++bCalls; });
  st::RequestUserInformation(3, true);
  st::RunCallbacks();
  EXPECT_EQ(bCalls, 0);
  // a handler may unregister itself
  a->Register([&](const st::PersonaStateChange&) { a->Unregister(); });
  st::RequestUserInformation(3, true);
  st::RequestUserInformation(3, true);
  st::RunCallbacks();
  EXPECT_FALSE(a->IsRegistered());
}

TEST_F(SteamService, ShutdownInsideAHandlerDropsTheRest) {
  StartOnline();
  int calls = 0;
  st::Callback<st::PersonaStateChange> cb;
  cb.Register([&](const st::PersonaStateChange&) {
    ++calls;
    st::Shutdown();
  });
  st::RequestUserInformation(1, true);
  st::RequestUserInformation(2, true);
  st::RunCallbacks();
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(st::IsInitialized());

  // a restart inside a handler: the old session's events stay dropped
  ASSERT_TRUE(st::Init(kApp));
  calls = 0;
  cb.Register([&](const st::PersonaStateChange&) {
    ++calls;
    st::Shutdown();
    st::Init(kApp);
  });
  st::RequestUserInformation(1, true);
  st::RequestUserInformation(2, true);
  st::RunCallbacks();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(st::IsInitialized());
  st::RunCallbacks();
  EXPECT_EQ(calls, 1);
}

// ------------------------------------------------------------------ stats

TEST_F(SteamService, StatsKeepTheirTypeAndAreStoredPerUserAndApplication) {
  StartOnline();
  std::int32_t i = -1;
  float f = -1;
  EXPECT_TRUE(st::GetStat("never", &i));
  EXPECT_EQ(i, 0);
  EXPECT_TRUE(st::GetStat("never", &f));
  EXPECT_EQ(f, 0.0f);
  EXPECT_TRUE(st::SetStat("wins", 3));
  EXPECT_TRUE(st::SetStat("distance", 12.5f));
  EXPECT_FALSE(st::SetStat("wins", 1.0f)) << "an int stat refuses the float form";
  EXPECT_FALSE(st::GetStat("distance", &i));
  EXPECT_TRUE(st::UpdateAvgRateStat("rate", 10.0f, 2.0));
  EXPECT_TRUE(st::UpdateAvgRateStat("rate", 20.0f, 3.0));
  EXPECT_TRUE(st::GetStat("rate", &f));
  EXPECT_FLOAT_EQ(f, 6.0f);
  EXPECT_FALSE(st::UpdateAvgRateStat("rate", 1.0f, 0.0));
  EXPECT_FALSE(st::UpdateAvgRateStat("wins", 1.0f, 1.0));
  EXPECT_FALSE(st::SetStat("", 1));
  EXPECT_FALSE(st::SetStat(std::string(st::kMaxNameLength + 1, 'a').c_str(), 1));
  EXPECT_TRUE(st::SetStat(std::string(st::kMaxNameLength, 'a').c_str(), 1));

  // set values are lost without a store
  Restart();
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 0);

  EXPECT_TRUE(st::SetStat("wins", 3));
  EXPECT_TRUE(st::SetStat("distance", 12.5f));
  EXPECT_TRUE(st::UpdateAvgRateStat("rate", 10.0f, 2.0));
  EXPECT_TRUE(st::SetAchievement("first"));
  st::Callback<st::UserStatsStored> stored;
  st::UserStatsStored seen{};
  stored.Register([&](const st::UserStatsStored& r) { seen = r; });
  EXPECT_TRUE(st::StoreStats());
  st::RunCallbacks();
  EXPECT_EQ(seen.gameId, kApp);
  EXPECT_EQ(seen.result, st::kResultOk);
  EXPECT_EQ(st::fake::StoreCount(), 1);
  EXPECT_TRUE(fs::exists(StoreRoot() / "users"));

  Restart();
  bool a = false;
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 3);
  EXPECT_TRUE(st::GetStat("distance", &f));
  EXPECT_EQ(f, 12.5f);
  EXPECT_TRUE(st::GetStat("rate", &f));
  EXPECT_FLOAT_EQ(f, 5.0f);
  EXPECT_TRUE(st::GetAchievement("first", &a));
  EXPECT_TRUE(a);
  EXPECT_TRUE(st::GetAchievement("other", &a));
  EXPECT_FALSE(a);

  // another application sees its own stats
  st::Shutdown();
  ASSERT_TRUE(st::Init(kApp + 1));
  st::RequestCurrentStats();
  st::RunCallbacks();
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 0);
}

TEST_F(SteamService, ResetAllStatsKeepsOrClearsAchievements) {
  StartOnline();
  st::SetStat("wins", 4);
  st::SetAchievement("first");
  st::StoreStats();
  bool a = false;
  std::int32_t i = -1;
  EXPECT_TRUE(st::ResetAllStats(false));
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 0);
  EXPECT_TRUE(st::GetAchievement("first", &a));
  EXPECT_TRUE(a);
  EXPECT_TRUE(st::ResetAllStats(true));
  EXPECT_TRUE(st::GetAchievement("first", &a));
  EXPECT_FALSE(a);
  Restart();  // the reset was written at once
  EXPECT_TRUE(st::GetAchievement("first", &a));
  EXPECT_FALSE(a);
}

TEST_F(SteamService, StatsReceivedForAnotherApplicationDoesNotOpenTheStats) {
  st::UseBackend(st::Backend::Fake);
  ASSERT_TRUE(st::Init(kApp));
  st::Callback<st::UserStatsReceived> cb;
  std::uint64_t game = 0;
  cb.Register([&](const st::UserStatsReceived& r) { game = r.gameId; });
  st::fake::PostUserStatsReceived(kApp + 1, st::kResultOk);
  st::RunCallbacks();
  EXPECT_EQ(game, kApp + 1u);
  std::int32_t i = 0;
  EXPECT_FALSE(st::GetStat("wins", &i));
  st::fake::PostUserStatsReceived(kApp, st::kResultFail);
  st::RunCallbacks();
  EXPECT_FALSE(st::GetStat("wins", &i));
  st::fake::PostUserStatsReceived(kApp, st::kResultOk);
  st::RunCallbacks();
  EXPECT_TRUE(st::GetStat("wins", &i));
}

TEST_F(SteamService, FakeSeedsAndPeeksStatsAndLogsCalls) {
  StartOnline(st::Backend::Fake);
  st::fake::SeedStatInt("wins", 9);
  st::fake::SeedStatFloat("time", 1.5f);
  st::fake::SeedAchievement("a1", true);
  std::int32_t i = 0;
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 9);
  st::fake::ClearCallLog();
  st::SetStat("wins", 2);
  st::SetStat("time", 2.5f);
  st::UpdateAvgRateStat("rate", 3.0f, 0.5);
  st::SetAchievement("a2");
  EXPECT_EQ(st::fake::CallLog(), (std::vector<std::string>{"SetStat int wins 2", "SetStat float time 2.5",
                                                           "UpdateAvgRateStat rate 3 0.5", "SetAchievement a2"}));
  float f = 0;
  EXPECT_TRUE(st::fake::PeekStatInt("wins", &i));
  EXPECT_EQ(i, 2);
  EXPECT_TRUE(st::fake::PeekStatFloat("time", &f));
  EXPECT_EQ(f, 2.5f);
  EXPECT_FALSE(st::fake::PeekStatInt("time", &i));
  EXPECT_TRUE(st::fake::PeekAchievement("a1"));
  EXPECT_TRUE(st::fake::PeekAchievement("a2"));
  EXPECT_EQ(st::fake::StoreCount(), 0);
  // the fake keeps what was stored across a restart, and writes no files
  st::StoreStats();
  Restart();
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 2);
  EXPECT_FALSE(fs::exists(StoreRoot() / "users"));
}

TEST_F(SteamService, DamagedStatsFileReadsAsEmptyAndIsKeptAside) {
  StartOnline();
  st::SetStat("wins", 5);
  st::StoreStats();
  st::Shutdown();
  fs::path file;
  for (auto& e : fs::recursive_directory_iterator(StoreRoot() / "users"))
    if (e.path().filename().string().rfind("stats-", 0) == 0) file = e.path();
  ASSERT_FALSE(file.empty());
  std::string good = ReadAll(file);
  std::string bad = good;
  bad[bad.size() - 3] = 'x';  // "5" becomes a bad number
  WriteAll(file, bad.substr(0, bad.size() - 1) + "\\q\n");
  StartOnline();
  std::int32_t i = -1;
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 0);
  EXPECT_TRUE(fs::exists(file.string() + ".damaged"));
  st::SetStat("wins", 6);
  st::StoreStats();
  Restart();
  EXPECT_TRUE(st::GetStat("wins", &i));
  EXPECT_EQ(i, 6);
}

// Stores "wins" 5 and ends the session; the stats file.
fs::path StoreFiveWins() {
  EXPECT_TRUE(st::Init(kApp));
  EXPECT_TRUE(st::RequestCurrentStats());
  st::RunCallbacks();
  st::SetStat("wins", 5);
  EXPECT_TRUE(st::StoreStats());
  st::Shutdown();
  return StoreFile("stats-");
}

TEST_F(SteamService, EveryDamagedStatsFileIsKeptUnderItsOwnName) {
  const fs::path file = StoreFiveWins();
  const std::string copies[] = {"first damage\n", "second damage\n", "third damage\n"};
  for (const std::string& bytes : copies) {
    WriteAll(file, bytes);
    StartOnline();
    st::Shutdown();
  }
  EXPECT_EQ(ReadAll(file.string() + ".damaged"), copies[0]);
  EXPECT_EQ(ReadAll(file.string() + ".damaged.1"), copies[1]);
  EXPECT_EQ(ReadAll(file.string() + ".damaged.2"), copies[2]);
}

TEST_F(SteamService, StatsThatCannotBeReadStayWhereTheyAreAndAreNeverStoredOver) {
  StartOnline();
  st::SetStat("wins", 5);
  st::SetAchievement("first");
  ASSERT_TRUE(st::StoreStats());
  st::Shutdown();
  const fs::path file = StoreFile("stats-");
  const std::string intact = ReadAll(file);
  {
    vantrel::test::ReadRefusedScope refused("stats-");
    plat::DebugCaptureScope debug;
    ASSERT_TRUE(st::Init(kApp));
    st::Callback<st::UserStatsReceived> cb;
    std::vector<std::int32_t> results;
    cb.Register([&](const st::UserStatsReceived& r) { results.push_back(r.result); });
    ASSERT_TRUE(st::RequestCurrentStats());
    ASSERT_TRUE(st::RequestCurrentStats());  // asked again: still not readable
    st::RunCallbacks();
    EXPECT_EQ(results, (std::vector<std::int32_t>{st::kResultFail, st::kResultFail}));
    std::int32_t wins = -1;
    bool achieved = true;
    EXPECT_FALSE(st::GetStat("wins", &wins));
    EXPECT_FALSE(st::GetAchievement("first", &achieved));
    EXPECT_FALSE(st::SetStat("wins", 1));
    EXPECT_FALSE(st::SetAchievement("second"));
    EXPECT_FALSE(st::StoreStats());
    EXPECT_FALSE(st::ResetAllStats(true));
    st::fake::SeedStatInt("wins", 9);  // a seed cannot write over it either
    // A result that says the stats arrived does not open them.
    st::fake::PostUserStatsReceived(kApp, st::kResultOk);
    st::RunCallbacks();
    EXPECT_FALSE(st::GetStat("wins", &wins));
    st::Shutdown();
    EXPECT_EQ(ReadAll(file), intact);
    EXPECT_FALSE(fs::exists(file.string() + ".damaged"));
    EXPECT_EQ(Count(debug.text, "cannot be read (Permission denied)"), 1u) << debug.text;
  }
  // Readable again: everything is there.
  StartOnline();
  std::int32_t wins = 0;
  bool achieved = false;
  EXPECT_TRUE(st::GetStat("wins", &wins));
  EXPECT_EQ(wins, 5);
  EXPECT_TRUE(st::GetAchievement("first", &achieved));
  EXPECT_TRUE(achieved);
}

TEST_F(SteamService, AnOpenedFileThatReadsBadlyIsKeptAsideOneThatCannotBeOpenedIsNot) {
  const fs::path file = StoreFiveWins();
  const std::string intact = ReadAll(file);
  for (int error : {EACCES, EIO, EPERM}) {
    SCOPED_TRACE(error);
    vantrel::test::ReadRefusedScope refused("stats-", error);
    StartOnline();
    st::Shutdown();
    EXPECT_EQ(ReadAll(file), intact);
    EXPECT_FALSE(fs::exists(file.string() + ".damaged"));
  }
  WriteAll(file, intact.substr(0, intact.size() - 1));  // no last line end
  StartOnline();
  EXPECT_EQ(ReadAll(file.string() + ".damaged"), intact.substr(0, intact.size() - 1));
}

// ------------------------------------------------------------------ leaderboards

struct SteamBoards : SteamService {
  st::LeaderboardHandle Find(const char* name) {
    Waiter<st::LeaderboardFindResult> w;
    EXPECT_TRUE(w.Watch(st::FindLeaderboard(name)));
    st::RunCallbacks();
    EXPECT_EQ(w.calls, 1);
    return w.last.found ? w.last.leaderboard : 0;
  }
  st::LeaderboardScoreUploaded Upload(st::LeaderboardHandle h, std::int32_t score,
                                      std::vector<std::int32_t> details = {},
                                      st::UploadMethod m = st::UploadMethod::KeepBest) {
    Waiter<st::LeaderboardScoreUploaded> w;
    EXPECT_TRUE(w.Watch(st::UploadLeaderboardScore(h, m, score, details.data(), static_cast<int>(details.size()))));
    st::RunCallbacks();
    EXPECT_EQ(w.calls, 1);
    return w.last;
  }
  st::LeaderboardScoresDownloaded Download(st::LeaderboardHandle h, int from, int to) {
    Waiter<st::LeaderboardScoresDownloaded> w;
    EXPECT_TRUE(w.Watch(st::DownloadLeaderboardEntries(h, st::DataRequest::Global, from, to)));
    st::RunCallbacks();
    EXPECT_EQ(w.calls, 1);
    return w.last;
  }
};

TEST_F(SteamBoards, UploadKeepsTheBestScoreAndReportsRanks) {
  StartOnline();
  st::LeaderboardHandle h = Find("classic_1234");
  ASSERT_NE(h, 0u);
  EXPECT_EQ(Find("classic_1234"), h) << "the same board keeps its handle";
  auto r = Upload(h, 500, {7});
  EXPECT_TRUE(r.success);
  EXPECT_TRUE(r.scoreChanged);
  EXPECT_EQ(r.score, 500);
  EXPECT_EQ(r.globalRankNew, 1);
  EXPECT_EQ(r.globalRankPrevious, 0);
  r = Upload(h, 300, {8});
  EXPECT_TRUE(r.success);
  EXPECT_FALSE(r.scoreChanged) << "keep best keeps 500";
  EXPECT_EQ(r.score, 300);
  EXPECT_EQ(r.globalRankNew, 1);
  EXPECT_EQ(r.globalRankPrevious, 1);
  r = Upload(h, 200, {9}, st::UploadMethod::ForceUpdate);
  EXPECT_TRUE(r.scoreChanged);

  // others' entries rank around ours; the names come from the board
  st::fake::SeedLeaderboardEntry("classic_1234", 11, "Ada", 900, {1});
  st::fake::SeedLeaderboardEntry("classic_1234", 12, "Bo", 100, {});
  r = Upload(h, 950, {3});
  EXPECT_EQ(r.globalRankPrevious, 2);
  EXPECT_EQ(r.globalRankNew, 1);

  Restart();  // boards live in the store
  h = Find("classic_1234");
  auto d = Download(h, 0, 15);
  ASSERT_EQ(d.entryCount, 3);
  struct Row {
    std::int32_t rank, score, detail;
    std::string name;
  };
  std::vector<Row> rows;
  for (int i = 0; i < d.entryCount; ++i) {
    st::LeaderboardEntryRecord e;
    std::int32_t detail = -1;
    ASSERT_TRUE(st::GetDownloadedLeaderboardEntry(d.entries, i, &e, &detail, 1));
    rows.push_back({e.globalRank, e.score, e.detailCount ? detail : -1, st::GetFriendPersonaName(e.user)});
  }
  EXPECT_EQ(rows[0].score, 950);
  EXPECT_EQ(rows[0].detail, 3);
  EXPECT_EQ(rows[0].name, st::GetPersonaName());
  EXPECT_EQ(rows[1].rank, 2);
  EXPECT_EQ(rows[1].name, "Ada");
  EXPECT_EQ(rows[1].detail, 1);
  EXPECT_EQ(rows[2].name, "Bo");
  EXPECT_EQ(rows[2].detail, -1);
  EXPECT_EQ(st::GetFriendPersonaName(4711), "[unknown]");
}

TEST_F(SteamBoards, ABoardFileNamingAnotherBoardIsKeptAsideNotWrittenOver) {
  StartOnline();
  st::fake::SeedLeaderboardEntry("Castle", 11, "Ada", 900, {});
  st::fake::SeedLeaderboardEntry("Castle", 12, "Bo", 800, {});
  st::fake::SeedLeaderboardEntry("Castle", 13, "Cy", 700, {});
  st::Shutdown();
  const fs::path file = StoreFile(st::store::HexName("Castle"));
  std::string bytes = ReadAll(file);
  const std::size_t at = bytes.find("name\tCastle\n");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 5] = 'K';  // "Kastle": a well-formed record of the wrong board
  WriteAll(file, bytes);
  StartOnline();
  st::LeaderboardHandle h = Find("Castle");
  ASSERT_NE(h, 0u);
  EXPECT_EQ(Download(h, 1, 15).entryCount, 0);
  EXPECT_EQ(ReadAll(file.string() + ".damaged"), bytes);
  EXPECT_TRUE(Upload(h, 500).success);
  EXPECT_EQ(ReadAll(file.string() + ".damaged"), bytes) << "the three entries are kept";
  st::store::Board stored;
  EXPECT_TRUE(st::store::DecodeBoard(ReadAll(file), stored));
  EXPECT_EQ(stored.name, "Castle");
  EXPECT_EQ(stored.entries.size(), 1u);
}

TEST_F(SteamBoards, ABoardThatCannotBeReadIsNotFoundAndNeverWrittenOver) {
  StartOnline();
  st::fake::SeedLeaderboardEntry("Castle", 11, "Ada", 900, {});
  st::Shutdown();
  const std::string name = st::store::HexName("Castle");
  const fs::path file = StoreFile(name);
  const std::string intact = ReadAll(file);
  {
    vantrel::test::ReadRefusedScope refused(name);
    plat::DebugCaptureScope debug;
    StartOnline();
    for (int i = 0; i < 2; ++i) {
      Waiter<st::LeaderboardFindResult> w;
      ASSERT_TRUE(w.Watch(st::FindLeaderboard("Castle")));
      st::RunCallbacks();
      EXPECT_TRUE(w.io);
      EXPECT_FALSE(w.last.found);
    }
    st::fake::SeedLeaderboardEntry("Castle", 12, "Bo", 950, {});
    st::Shutdown();
    EXPECT_EQ(ReadAll(file), intact);
    EXPECT_FALSE(fs::exists(file.string() + ".damaged"));
    EXPECT_EQ(Count(debug.text, "cannot be read"), 1u) << debug.text;
  }
  StartOnline();
  EXPECT_EQ(Download(Find("Castle"), 1, 15).entryCount, 1);
}

TEST_F(SteamBoards, DownloadRangesAndEntryBounds) {
  StartOnline();
  for (int i = 0; i < 40; ++i) st::fake::SeedLeaderboardEntry("big", 100 + i, "p" + std::to_string(i), i * 10, {i});
  st::LeaderboardHandle h = Find("big");
  struct Case {
    int from, to, count, firstRank;
  } cases[] = {{0, 15, 15, 1}, {1, 15, 15, 1}, {30, 50, 11, 30}, {50, 60, 0, 0}, {5, 4, 0, 0}, {-10, 2, 2, 1}};
  for (const Case& c : cases) {
    auto d = Download(h, c.from, c.to);
    EXPECT_EQ(d.entryCount, c.count) << c.from << ".." << c.to;
    st::LeaderboardEntryRecord e;
    if (c.count) {
      ASSERT_TRUE(st::GetDownloadedLeaderboardEntry(d.entries, 0, &e, nullptr, 0));
      EXPECT_EQ(e.globalRank, c.firstRank);
    }
    e.score = 12345;
    EXPECT_FALSE(st::GetDownloadedLeaderboardEntry(d.entries, c.count, &e, nullptr, 0));
    EXPECT_FALSE(st::GetDownloadedLeaderboardEntry(d.entries, -1, &e, nullptr, 0));
    EXPECT_EQ(e.score, 12345) << "a refused index leaves the entry untouched";
  }
  auto d = Download(h, 0, 15);
  st::LeaderboardEntryRecord e;
  ASSERT_TRUE(st::GetDownloadedLeaderboardEntry(d.entries, 0, &e, nullptr, 0));
  EXPECT_EQ(e.score, 390);
  EXPECT_EQ(st::GetFriendPersonaName(e.user), "p39");
  EXPECT_FALSE(st::GetDownloadedLeaderboardEntry(d.entries + 1000, 0, &e, nullptr, 0));
}

TEST_F(SteamBoards, BadArgumentsAreRefused) {
  StartOnline();
  st::LeaderboardHandle h = Find("b");
  std::vector<std::int32_t> many(st::kMaxLeaderboardDetails + 1, 1);
  EXPECT_EQ(st::UploadLeaderboardScore(h, st::UploadMethod::KeepBest, 1, many.data(), static_cast<int>(many.size())),
            0u);
  EXPECT_EQ(st::UploadLeaderboardScore(h, st::UploadMethod::KeepBest, 1, nullptr, 2), 0u);
  EXPECT_EQ(st::UploadLeaderboardScore(h, st::UploadMethod::KeepBest, 1, many.data(), -1), 0u);
  EXPECT_EQ(st::UploadLeaderboardScore(999, st::UploadMethod::KeepBest, 1, nullptr, 0), 0u);
  EXPECT_EQ(st::DownloadLeaderboardEntries(999, st::DataRequest::Global, 0, 15), 0u);
  EXPECT_EQ(st::FindLeaderboard(nullptr), 0u);
  EXPECT_EQ(Find(""), 0u);
  EXPECT_EQ(Find(std::string(st::kMaxNameLength + 1, 'n').c_str()), 0u);
  // all 64 details are kept
  many.pop_back();
  for (int i = 0; i < st::kMaxLeaderboardDetails; ++i) many[static_cast<std::size_t>(i)] = i;
  Upload(h, 5, many);
  auto d = Download(h, 1, 1);
  std::vector<std::int32_t> out(st::kMaxLeaderboardDetails, -1);
  st::LeaderboardEntryRecord e;
  ASSERT_TRUE(st::GetDownloadedLeaderboardEntry(d.entries, 0, &e, out.data(), 64));
  EXPECT_EQ(e.detailCount, 64);
  EXPECT_EQ(out, many);

  // names of the longest length are kept in the store like any other
  const std::string longest(st::kMaxNameLength, 'z');
  const std::string sibling = std::string(st::kMaxNameLength - 1, 'z') + "y";
  Upload(Find(longest.c_str()), 31);
  Upload(Find(sibling.c_str()), 32);
  Restart();
  d = Download(Find(longest.c_str()), 1, 15);
  ASSERT_EQ(d.entryCount, 1);
  ASSERT_TRUE(st::GetDownloadedLeaderboardEntry(d.entries, 0, &e, nullptr, 0));
  EXPECT_EQ(e.score, 31);
}

TEST_F(SteamBoards, WithoutOnDemandBoardsOnlyExistingOnesAreFound) {
  StartOnline(st::Backend::Fake);
  st::fake::SetLeaderboardsOnDemand(false);
  EXPECT_EQ(Find("missing"), 0u);
  st::fake::SeedLeaderboardEntry("there", 5, "x", 1, {});
  EXPECT_NE(Find("there"), 0u);
}

TEST_F(SteamBoards, PersonaChangeFollowsUserInformationRequests) {
  StartOnline();
  st::Callback<st::PersonaStateChange> cb;
  std::vector<st::UserId> seen;
  cb.Register([&](const st::PersonaStateChange& p) { seen.push_back(p.user); });
  EXPECT_TRUE(st::RequestUserInformation(31, true));
  EXPECT_TRUE(seen.empty());
  st::RunCallbacks();
  EXPECT_EQ(seen, std::vector<st::UserId>{31});
  st::fake::AddUser(31, "Cleo");
  EXPECT_EQ(st::GetFriendPersonaName(31), "Cleo");
  EXPECT_EQ(st::GetCurrentGameLanguage(), "english");
  st::fake::SetLanguage("german");
  EXPECT_EQ(st::GetCurrentGameLanguage(), "german");
  st::fake::SetPersonaName("Dee");
  EXPECT_EQ(st::GetPersonaName(), "Dee");
}

// ------------------------------------------------------------------ Workshop

struct SteamItems : SteamService {
  fs::path MakeContent(const std::string& name) {
    fs::path dir = vantrel::test::MakeTempDir(name);
    WriteAll(dir / "set.bdz", "board bytes");
    WriteAll(dir / "Images" / "brick.png", "png bytes");
    WriteAll(dir / "preview.png", "preview");
    return dir;
  }
  st::ItemId Create() {
    Waiter<st::CreateItemResult> w;
    EXPECT_TRUE(w.Watch(st::CreateItem(kApp, st::ItemType::Community)));
    st::RunCallbacks();
    EXPECT_EQ(w.calls, 1);
    EXPECT_EQ(w.last.result, st::kResultOk);
    return w.last.publishedFileId;
  }
  std::int32_t Submit(st::UpdateHandle u) {
    Waiter<st::SubmitItemUpdateResult> w;
    EXPECT_TRUE(w.Watch(st::SubmitItemUpdate(u, nullptr)));
    st::RunCallbacks();
    EXPECT_EQ(w.calls, 1);
    EXPECT_FALSE(w.io);
    return w.last.result;
  }
};

TEST_F(SteamItems, CreateUpdateSubmitAndListAsInstalled) {
  StartOnline();
  st::ItemId id = Create();
  EXPECT_GT(id, st::ItemId(0xffffffffu)) << "ids do not fit 32 bits";
  EXPECT_EQ(Create(), id + 1);

  fs::path content = MakeContent("content");
  st::UpdateHandle u = st::StartItemUpdate(kApp, id);
  ASSERT_NE(u, 0u);
  EXPECT_TRUE(st::SetItemTitle(u, "My Boards"));
  EXPECT_TRUE(st::SetItemDescription(u, "Twenty boards."));
  EXPECT_TRUE(st::SetItemContent(u, (content.string() + "/").c_str()));
  EXPECT_TRUE(st::SetItemPreview(u, (content / "preview.png").c_str()));
  EXPECT_EQ(Submit(u), st::kResultOk);
  EXPECT_EQ(st::SubmitItemUpdate(u, nullptr), 0u) << "the update handle is used up";

  // not subscribed: installed only
  EXPECT_EQ(st::GetItemState(id), st::kItemStateInstalled);
  EXPECT_EQ(st::GetNumSubscribedItems(), 0u);
  st::fake::Subscribe(id);
  Restart();
  ASSERT_EQ(st::GetNumSubscribedItems(), 1u);
  st::ItemId ids[2] = {};
  ASSERT_EQ(st::GetSubscribedItems(ids, 2), 1u);
  EXPECT_EQ(ids[0], id);
  EXPECT_EQ(st::GetItemState(id), st::kItemStateSubscribed | st::kItemStateInstalled);
  char folder[1024];
  std::uint64_t size = 0;
  std::uint32_t stamp = 0;
  ASSERT_TRUE(st::GetItemInstallInfo(id, &size, folder, sizeof folder, &stamp));
  fs::path installed(folder);
  EXPECT_TRUE(fs::exists(installed / "set.bdz"));
  EXPECT_TRUE(fs::exists(installed / "Images" / "brick.png"));
  EXPECT_EQ(size, 11u + 9u + 7u);
  EXPECT_NE(stamp, 0u);
  EXPECT_EQ(installed.parent_path(), StoreRoot() / "workshop" / std::to_string(id));
  EXPECT_TRUE(fs::exists(installed.parent_path() / "preview.png"));
  char tiny[8] = "keep";
  EXPECT_FALSE(st::GetItemInstallInfo(id, nullptr, tiny, sizeof tiny, nullptr));
  EXPECT_STREQ(tiny, "keep");

  Waiter<st::UgcDetailsResult> details;
  ASSERT_TRUE(details.Watch(st::RequestUGCDetails(id, 60)));
  st::RunCallbacks();
  EXPECT_EQ(details.last.details.result, st::kResultOk);
  EXPECT_EQ(details.last.details.publishedFileId, id);
  EXPECT_STREQ(details.last.details.title, "My Boards");
  EXPECT_STREQ(details.last.details.description, "Twenty boards.");
  EXPECT_EQ(details.last.details.owner, st::CurrentUser());

  // a second update without content keeps the content and changes the title
  u = st::StartItemUpdate(kApp, id);
  st::SetItemTitle(u, "Renamed");
  EXPECT_EQ(Submit(u), st::kResultOk);
  st::fake::ItemRecord rec;
  ASSERT_TRUE(st::fake::PeekItem(id, &rec));
  EXPECT_EQ(rec.title, "Renamed");
  EXPECT_EQ(rec.description, "Twenty boards.");
  EXPECT_TRUE(fs::exists(fs::path(rec.installFolder) / "set.bdz"));

  // sending the installed copy and the stored preview again keeps both whole
  fs::path storedPreview = installed.parent_path() / "preview.png";
  u = st::StartItemUpdate(kApp, id);
  st::SetItemContent(u, rec.installFolder.c_str());
  st::SetItemPreview(u, storedPreview.c_str());
  EXPECT_EQ(Submit(u), st::kResultOk);
  EXPECT_EQ(ReadAll(storedPreview), "preview");
  EXPECT_EQ(ReadAll(installed / "set.bdz"), "board bytes");
}

TEST_F(SteamItems, SubscribedItemsThatAreNotInstalledAndUnknownDetails) {
  StartOnline();
  st::fake::ItemRecord rec;
  rec.id = 77;
  rec.appId = kApp;
  rec.owner = 5;
  rec.title = "Elsewhere";
  st::fake::SeedItem(rec);
  st::fake::Subscribe(77);
  st::fake::Subscribe(78);  // an item the store does not have
  EXPECT_EQ(st::GetNumSubscribedItems(), 2u);
  EXPECT_EQ(st::GetItemState(77), st::kItemStateSubscribed);
  EXPECT_EQ(st::GetItemState(78), st::kItemStateSubscribed);
  char folder[64];
  EXPECT_FALSE(st::GetItemInstallInfo(77, nullptr, folder, sizeof folder, nullptr));
  Waiter<st::UgcDetailsResult> details;
  ASSERT_TRUE(details.Watch(st::RequestUGCDetails(78, 60)));
  st::RunCallbacks();
  EXPECT_EQ(details.last.details.result, st::kResultFileNotFound);
  EXPECT_EQ(details.last.details.publishedFileId, 78u);
  EXPECT_EQ(st::StartItemUpdate(kApp, 77), 0u) << "another user's item";
  // a seeded item with content is installed from the store's copy
  rec.id = 79;
  rec.installFolder = MakeContent("seeded").string();
  st::fake::SeedItem(rec);
  st::fake::Subscribe(79);
  EXPECT_EQ(st::GetItemState(79), st::kItemStateSubscribed | st::kItemStateInstalled);
  char big[1024];
  ASSERT_TRUE(st::GetItemInstallInfo(79, nullptr, big, sizeof big, nullptr));
  EXPECT_TRUE(fs::exists(fs::path(big) / "set.bdz"));
  st::fake::SetItemState(79, st::kItemStateSubscribed);
  EXPECT_EQ(st::GetItemState(79), st::kItemStateSubscribed);
}

TEST_F(SteamItems, SubmitRefusals) {
  StartOnline();
  st::ItemId id = Create();
  EXPECT_EQ(st::StartItemUpdate(kApp + 1, id), 0u) << "another application's item";
  EXPECT_EQ(st::StartItemUpdate(kApp, id + 100), 0u);
  st::UpdateHandle u = st::StartItemUpdate(kApp, id);
  EXPECT_FALSE(st::SetItemTitle(u, std::string(st::kMaxTitleLength + 1, 't').c_str()));
  EXPECT_TRUE(st::SetItemTitle(u, std::string(st::kMaxTitleLength, 't').c_str()));
  EXPECT_FALSE(st::SetItemDescription(u, std::string(st::kMaxDescriptionLength + 1, 'd').c_str()));
  EXPECT_FALSE(st::SetItemTitle(u + 1000, "x"));
  fs::path content = MakeContent("c2");
  st::SetItemContent(u, content.c_str());
  st::SetItemPreview(u, (content / "missing.png").c_str());
  EXPECT_EQ(Submit(u), st::kResultFileNotFound);
  st::fake::ItemRecord rec;
  ASSERT_TRUE(st::fake::PeekItem(id, &rec));
  EXPECT_EQ(rec.title, "") << "a refused submit changes nothing";
  EXPECT_EQ(rec.installFolder, "");

  u = st::StartItemUpdate(kApp, id);
  st::SetItemContent(u, (content / "nothing").c_str());
  EXPECT_EQ(Submit(u), st::kResultFileNotFound);

  // content that holds the store's own item folder is refused
  u = st::StartItemUpdate(kApp, id);
  st::SetItemContent(u, StoreRoot().c_str());
  EXPECT_EQ(Submit(u), st::kResultInvalidParam);
}

TEST_F(SteamItems, FakeSubmitRecordsTheCallsAndTheFolder) {
  StartOnline(st::Backend::Fake);
  st::fake::SetNextItemId(0x200000005ull);
  st::ItemId id = Create();
  EXPECT_EQ(id, 0x200000005ull);
  fs::path content = MakeContent("c3");
  st::fake::ClearCallLog();
  st::UpdateHandle u = st::StartItemUpdate(kApp, id);
  st::SetItemContent(u, (content.string() + "/").c_str());
  EXPECT_EQ(Submit(u), st::kResultOk);
  ASSERT_EQ(st::fake::CallLog().size(), 3u);
  EXPECT_EQ(st::fake::CallLog()[1], "SetItemContent " + std::to_string(u) + " " + content.string() + "/");
  st::fake::ItemRecord rec;
  ASSERT_TRUE(st::fake::PeekItem(id, &rec));
  EXPECT_EQ(rec.installFolder, content.string());
  // scripted submit results
  st::fake::QueueResult(st::SubmitItemUpdateResult{36, false, id});
  u = st::StartItemUpdate(kApp, id);
  EXPECT_EQ(Submit(u), 36);
  st::fake::QueueResult(st::CreateItemResult{st::kResultTimeout, 0, false});
  Waiter<st::CreateItemResult> w;
  ASSERT_TRUE(w.Watch(st::CreateItem(kApp, st::ItemType::Community)));
  st::RunCallbacks();
  EXPECT_EQ(w.last.result, st::kResultTimeout);
}

TEST_F(SteamItems, DamagedItemAndSubscriptionFilesReadAsEmpty) {
  StartOnline();
  st::ItemId id = Create();
  st::fake::Subscribe(id);
  st::Shutdown();
  fs::path meta = StoreRoot() / "workshop" / std::to_string(id) / "item.txt";
  ASSERT_TRUE(fs::exists(meta));
  WriteAll(meta, "vantrel-community\t1\titem\nid\t" + std::to_string(id) + "\npreview\t../../x\n");
  fs::path subs;
  for (auto& e : fs::recursive_directory_iterator(StoreRoot() / "users"))
    if (e.path().filename() == "subscribed.txt") subs = e.path();
  ASSERT_FALSE(subs.empty());
  WriteAll(subs, std::string("\0\0\xff", 3));
  StartOnline();
  EXPECT_EQ(st::GetNumSubscribedItems(), 0u);
  EXPECT_FALSE(st::fake::PeekItem(id, nullptr));
  EXPECT_TRUE(fs::exists(meta.string() + ".damaged"));
  EXPECT_GT(Create(), id) << "ids are never given out twice";
}

TEST_F(SteamItems, ItemFilesThatCannotBeReadAreNeverWrittenOver) {
  StartOnline();
  const st::ItemId id = Create();
  st::fake::Subscribe(id);
  st::Shutdown();
  const fs::path service = StoreRoot() / "service.txt";
  const fs::path subs = StoreFile("subscribed.txt");
  const fs::path meta = StoreRoot() / "workshop" / std::to_string(id) / "item.txt";
  const std::string intact[] = {ReadAll(service), ReadAll(subs), ReadAll(meta)};
  {
    vantrel::test::ReadRefusedScope refused("s");  // service.txt and subscribed.txt
    StartOnline();
    EXPECT_EQ(st::GetNumSubscribedItems(), 0u);
    st::fake::Subscribe(id);
    Waiter<st::CreateItemResult> w;
    ASSERT_TRUE(w.Watch(st::CreateItem(kApp, st::ItemType::Community)));
    st::RunCallbacks();
    EXPECT_EQ(w.last.result, st::kResultFail) << "the next id cannot be kept";
    st::Shutdown();
  }
  {
    vantrel::test::ReadRefusedScope refused("item.txt");
    StartOnline();
    EXPECT_FALSE(st::fake::PeekItem(id, nullptr));
    st::Shutdown();
  }
  EXPECT_EQ(ReadAll(service), intact[0]);
  EXPECT_EQ(ReadAll(subs), intact[1]);
  EXPECT_EQ(ReadAll(meta), intact[2]);
  StartOnline();
  EXPECT_EQ(st::GetNumSubscribedItems(), 1u);
  EXPECT_TRUE(st::fake::PeekItem(id, nullptr));
}

TEST_F(SteamItems, AnItemFileOfAnotherFolderIsKeptAside) {
  StartOnline();
  const st::ItemId id = Create();
  st::Shutdown();
  const fs::path meta = StoreRoot() / "workshop" / std::to_string(id) / "item.txt";
  const std::string other = "vantrel-community\t1\titem\nid\t" + std::to_string(id + 1000) + "\napp\t" +
                            std::to_string(kApp) + "\n";
  WriteAll(meta, other);
  StartOnline();
  EXPECT_FALSE(st::fake::PeekItem(id, nullptr));
  EXPECT_FALSE(st::fake::PeekItem(id + 1000, nullptr));
  EXPECT_EQ(ReadAll(meta.string() + ".damaged"), other);
}

// ------------------------------------------------------------------ dumps

TEST_F(SteamService, MiniDumpWritesCommentAndCodeWithoutInit) {
  st::SetMiniDumpComment("Error 'boom'\nScene: 3, Boardset: , Board: 0\n");
  ASSERT_TRUE(st::WriteMiniDump(0xC0000005u, nullptr, 0));
  std::vector<fs::path> files;
  for (auto& e : fs::directory_iterator(StoreRoot() / "crashes")) files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u);
  std::string text = ReadAll(files[0]);
  EXPECT_NE(text.find("0xC0000005"), std::string::npos);
  EXPECT_NE(text.find("Error 'boom'\nScene: 3, Boardset: , Board: 0\n"), std::string::npos);
  // a long comment is cut, and a second dump gets its own file
  st::SetMiniDumpComment(std::string(st::kMaxMiniDumpComment + 100, 'c').c_str());
  ASSERT_TRUE(st::WriteMiniDump(1, nullptr, 0));
  files.clear();
  for (auto& e : fs::directory_iterator(StoreRoot() / "crashes")) files.push_back(e.path());
  EXPECT_EQ(files.size(), 2u);

  st::UseBackend(st::Backend::Fake);
  st::SetMiniDumpComment("fake");
  ASSERT_TRUE(st::WriteMiniDump(7, nullptr, 0));
  ASSERT_EQ(st::fake::Dumps().size(), 1u);
  EXPECT_EQ(st::fake::Dumps()[0].comment, "fake");
  EXPECT_EQ(st::fake::Dumps()[0].code, 7u);
}

TEST_F(SteamService, WithoutARootTheStoreLivesInTheDataFolder) {
  unsetenv("VANTREL_COMMUNITY_ROOT");
  const fs::path data = fs::path(std::getenv("XDG_DATA_HOME")) / "vantrel-community";
  fs::remove_all(data);
  StartOnline();
  st::SetStat("wins", 1);
  st::StoreStats();
  st::SetMiniDumpComment("c");
  EXPECT_TRUE(st::WriteMiniDump(1, nullptr, 0));
  EXPECT_TRUE(fs::is_directory(data / "users"));
  EXPECT_TRUE(fs::is_directory(data / "crashes"));
  st::Shutdown();
  unsetenv("XDG_DATA_HOME");
  fs::remove_all(vantrel::test::TempHome() / ".local/share/vantrel-community");
  StartOnline();
  st::SetStat("wins", 1);
  st::StoreStats();
  EXPECT_TRUE(fs::is_directory(vantrel::test::TempHome() / ".local/share/vantrel-community/users"));
}

// ------------------------------------------------------------------ store format

TEST(SteamStore, RoundTripsAndRefusesDamage) {
  namespace sf = st::store;
  sf::Stats s;
  s.stats["tab\tname\\x\n"].intValue = -5;
  s.stats["f"].type = sf::Stat::Float;
  s.stats["f"].floatValue = 0.1f;
  s.stats["r"].type = sf::Stat::AvgRate;
  s.stats["r"].count = 1.0 / 3;
  s.stats["r"].hours = 2.5;
  s.achievements["a"] = 12;
  sf::Stats back;
  ASSERT_TRUE(sf::DecodeStats(sf::EncodeStats(s), back));
  EXPECT_EQ(back.stats.at("tab\tname\\x\n").intValue, -5);
  EXPECT_EQ(back.stats.at("f").floatValue, 0.1f);
  EXPECT_EQ(back.stats.at("r").count, 1.0 / 3);
  EXPECT_EQ(back.achievements.at("a"), 12u);

  const std::string h = "vantrel-community\t1\tstats\n";
  const char* bad[] = {
      "",                                     // no header
      "vantrel-community\t2\tstats\n",        // other version
      "vantrel-community\t1\tleaderboard\n",  // other kind
      "vantrel-community\t1\tstats",          // no line end
  };
  for (const char* b : bad) EXPECT_FALSE(sf::DecodeStats(b, back)) << b;
  const std::string badBodies[] = {
      "int\twins\t99999999999\n",
      "int\twins\t1x\n",
      "float\tf\tnan\n",
      "float\tf\t1e39\n",
      "avgrate\tr\t1\t-1\n",
      "int\t\t1\n",
      "bogus\tx\t1\n",
      "int\tw\\q\t1\n",
      "int\tw\t1\r\n",
      "achievement\ta\n",
  };
  for (const auto& b : badBodies) {
    back.stats["left"] = {};
    EXPECT_FALSE(sf::DecodeStats(h + b, back)) << b;
    EXPECT_TRUE(back.stats.empty()) << "a refused file leaves nothing behind";
  }
  sf::Board board;
  EXPECT_FALSE(
      sf::DecodeBoard("vantrel-community\t1\tleaderboard\nname\tb\nentry\t1\t5\t1\t0\tx\n"
                      "entry\t1\t6\t2\t0\ty\n",
                      board))
      << "two entries of one user";
  sf::Item item;
  EXPECT_FALSE(sf::DecodeItem("vantrel-community\t1\titem\ntitle\tx\n", item)) << "no id";
  EXPECT_EQ(sf::HexName("A_b"), "415f62");
  EXPECT_LE(sf::HexName(std::string(200, 'a')).size(), 220u);
  EXPECT_NE(sf::HexName(std::string(200, 'a')), sf::HexName(std::string(199, 'a') + "b"));
}

}  // namespace
