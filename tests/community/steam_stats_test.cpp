// Stats, achievements and the store timer of the community back end, driven
// through the scripted service.
#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "community/community_manager_steam.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"

namespace steam = plat::steam;

namespace {

constexpr uint32_t kApp = 4242;

// Exposes the queue and the timer of the base class.
class Manager : public CommunityManagerSteam {
 public:
  Manager() : CommunityManagerSteam(kApp) {}
  using CommunityManager::pendingStats;
  using CommunityManager::pendingUnlocks;
  using CommunityManager::storeTimer;
};

class SteamStats : public ::testing::Test {
 protected:
  void SetUp() override {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
  }
  void TearDown() override { steam::fake::Reset(); }

  // Delivers the stats-received callback of the constructor's request and
  // puts the store timer at 0. Seeds made before it are what the service
  // sends.
  static void Receive(Manager& m) {
    m.Update(0.0f);
    m.storeTimer = 0.0f;
  }
  // An online manager whose stats have arrived, with the store timer at 0.
  std::unique_ptr<Manager> Ready() {
    auto m = std::make_unique<Manager>();
    Receive(*m);
    return m;
  }
};

int32_t ServiceInt(const char* name) {
  int32_t value = -1;
  EXPECT_TRUE(steam::fake::PeekStatInt(name, &value)) << name;
  return value;
}

float ServiceFloat(const char* name) {
  float value = -1;
  EXPECT_TRUE(steam::fake::PeekStatFloat(name, &value)) << name;
  return value;
}

TEST_F(SteamStats, ConstructionOnlineAndOffline) {
  {
    Manager m;
    EXPECT_TRUE(m.IsOnline());
    EXPECT_FALSE(m.IsBaseImplementation());
    EXPECT_EQ(m.GetAppId(), kApp);
    EXPECT_FALSE(m.GetGameLanguage().empty());
  }
  EXPECT_FALSE(steam::IsInitialized());  // the destructor ended the service

  steam::fake::SetInitFails(true);
  Manager off;
  EXPECT_FALSE(off.IsOnline());
  EXPECT_TRUE(off.GetGameLanguage().empty());
}

TEST_F(SteamStats, StatsAreReadByTheirTypeWord) {
  auto m = std::make_unique<Manager>();
  steam::fake::SeedStatInt("Boards", 7);
  steam::fake::SeedStatFloat("Bricks", 2.5f);
  steam::fake::SeedStatFloat("Rate", 0.25f);
  steam::fake::SeedStatInt("Round", 4);
  steam::fake::SeedStatInt("Undefined", 9);
  Receive(*m);
  m->DefineStat("Boards", "int", {});
  m->DefineStat("Bricks", "float", {});
  m->DefineStat("Rate", "avgrate", {});
  m->DefineStat("Round", "roundfloat", {});
  EXPECT_EQ(m->GetStat("Boards"), 7.0f);
  EXPECT_EQ(m->GetStat("Bricks"), 2.5f);
  EXPECT_EQ(m->GetStat("Rate"), 0.25f);
  EXPECT_EQ(m->GetStat("Round"), 4.0f);
  EXPECT_EQ(m->GetStat("Undefined"), 0.0f);  // never defined here
  // A pending value is what GetStat gives until it is delivered.
  m->SetStat("Boards", 8.0f);
  EXPECT_EQ(m->GetStat("Boards"), 8.0f);
  EXPECT_EQ(ServiceInt("Boards"), 7);
}

TEST_F(SteamStats, UnknownTypeWordThrows) {
  auto m = Ready();
  m->DefineStat("Odd", "double", {});
  EXPECT_THROW(m->GetStat("Odd"), std::logic_error);
  m->pendingStats["Odd"] = 1.0f;
  EXPECT_THROW(m->Update(16.0f), std::logic_error);
}

TEST_F(SteamStats, UpdatePushesEachTypeAndStores) {
  auto m = Ready();
  m->DefineStat("Boards", "int", {});
  m->DefineStat("Bricks", "float", {});
  m->DefineStat("Rate", "avgrate", {});
  const int storesBefore = steam::fake::StoreCount();
  m->SetStat("Boards", 2.9f);
  m->SetStat("Bricks", 12.25f);
  m->SetStat("Rate", 5.0f);
  m->SetStat("Nobody", 3.0f);          // undefined: dropped unsent
  m->Update(36000.0f);                 // 0.01 hours
  EXPECT_EQ(ServiceInt("Boards"), 2);  // truncated toward zero
  EXPECT_EQ(ServiceFloat("Bricks"), 12.25f);
  EXPECT_NEAR(ServiceFloat("Rate"), 500.0f, 0.01f);  // 5 over 0.01 hours
  int32_t unused = 0;
  EXPECT_FALSE(steam::fake::PeekStatInt("Nobody", &unused));
  EXPECT_TRUE(m->pendingStats.empty());
  EXPECT_EQ(steam::fake::StoreCount(), storesBefore + 1);
  // Nothing pending: no store, whatever the timer says.
  m->Update(16.0f);
  EXPECT_EQ(steam::fake::StoreCount(), storesBefore + 1);
}

TEST_F(SteamStats, IntValuesOutsideTheRangeSaturate) {
  auto m = Ready();
  m->DefineStat("Big", "int", {});
  m->DefineStat("Small", "int", {});
  m->DefineStat("Nan", "int", {});
  m->SetStat("Big", 1e20f);
  m->SetStat("Small", -1e20f);
  m->SetStat("Nan", std::numeric_limits<float>::quiet_NaN());
  m->Update(16.0f);
  EXPECT_EQ(ServiceInt("Big"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(ServiceInt("Small"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(ServiceInt("Nan"), 0);
}

TEST_F(SteamStats, RoundFloatStaysPendingAndAccumulates) {
  auto m = Ready();
  m->DefineStat("Time", "roundfloat", {});
  m->SetStat("Time", 2.5f);
  m->Update(16.0f);
  EXPECT_EQ(ServiceInt("Time"), 2);
  ASSERT_EQ(m->pendingStats.count("Time"), 1u);
  m->AddToStat("Time", 0.75f);
  EXPECT_EQ(m->GetStat("Time"), 3.25f);
  m->Update(16.0f);
  EXPECT_EQ(ServiceInt("Time"), 3);
  EXPECT_EQ(m->GetStat("Time"), 3.25f);  // the local fractions stay
}

TEST_F(SteamStats, PeriodicStoreComesAfterHalfTheInterval) {
  Manager m;
  m.DefineStat("Bricks", "float", {});
  const int stores = steam::fake::StoreCount();
  // The first Update delivers stats-received (timer 300000), then every
  // Update lowers the timer twice: a store falls due after 150000 ms.
  for (int frame = 1; frame <= 150; ++frame) {
    m.SetStat("Bricks", static_cast<float>(frame));
    m.Update(1000.0f);
    EXPECT_EQ(m.IsStoreTimerRunning(), frame < 150) << frame;
  }
  EXPECT_EQ(steam::fake::StoreCount(), stores);
  m.SetStat("Bricks", 1000.0f);
  m.Update(1000.0f);
  EXPECT_EQ(steam::fake::StoreCount(), stores + 1);
  EXPECT_FALSE(m.IsStoreTimerRunning());
  // The stored callback restarts the timer.
  m.Update(0.0f);
  EXPECT_EQ(m.storeTimer, 300000.0f);
}

TEST_F(SteamStats, StatsCallbacksOfAnotherApplicationAreIgnored) {
  auto m = Ready();
  const uint64_t others[] = {kApp + 1, (uint64_t{1} << 32) | kApp};
  for (uint64_t other : others) {
    steam::fake::PostUserStatsReceived(other, steam::kResultOk);
    steam::fake::PostUserStatsStored(other, steam::kResultOk);
    m->Update(0.0f);
    EXPECT_EQ(m->storeTimer, 0.0f) << other;
  }
  steam::fake::PostUserStatsStored(kApp, steam::kResultOk);
  m->Update(0.0f);
  EXPECT_EQ(m->storeTimer, 300000.0f);
  m->storeTimer = 0.0f;
  // A failed receive still restarts the timer and does nothing else.
  steam::fake::PostUserStatsReceived(kApp, steam::kResultFail);
  m->Update(0.0f);
  EXPECT_EQ(m->storeTimer, 300000.0f);
}

TEST_F(SteamStats, AchievementUnlocksByDefinition) {
  auto m = Ready();
  m->DefineAchievement("Driven", 1);
  m->DefineAchievement("Plain", 0);
  m->AddAchievementTrigger("Triggered", "NoSuchStat", 10.0f, StatTrigger::kAtLeast);
  m->storeTimer = 100000.0f;  // an unlock stores at once all the same
  const int stores = steam::fake::StoreCount();

  m->UnlockAchievement("Driven");
  m->UnlockAchievement("Triggered");
  m->Update(16.0f);
  EXPECT_FALSE(steam::fake::PeekAchievement("Driven"));
  EXPECT_FALSE(steam::fake::PeekAchievement("Triggered"));
  EXPECT_EQ(steam::fake::StoreCount(), stores);
  EXPECT_TRUE(m->pendingUnlocks.empty());

  m->UnlockAchievement("Plain");
  m->UnlockAchievement("Ach_never_defined");
  m->Update(16.0f);
  EXPECT_TRUE(steam::fake::PeekAchievement("Plain"));
  EXPECT_TRUE(steam::fake::PeekAchievement("Ach_never_defined"));
  EXPECT_EQ(steam::fake::StoreCount(), stores + 1);
  EXPECT_TRUE(m->IsAchievementUnlocked("Plain"));
  EXPECT_FALSE(m->IsAchievementUnlocked("Driven"));
}

TEST_F(SteamStats, SeededAchievementPlayerNameAndReset) {
  steam::fake::SetPersonaName("Orla");
  auto m = std::make_unique<Manager>();
  steam::fake::SeedAchievement("Ach_castle", true);
  steam::fake::SeedStatInt("Boards", 5);
  Receive(*m);
  m->DefineStat("Boards", "int", {});
  EXPECT_TRUE(m->IsAchievementUnlocked("Ach_castle"));
  EXPECT_EQ(m->GetPlayerName(), "Orla");
  m->ResetAllStats(true);
  m->Update(0.0f);
  EXPECT_FALSE(m->IsAchievementUnlocked("Ach_castle"));
  EXPECT_EQ(m->GetStat("Boards"), 0.0f);
  m->RequestCurrentStats();
  m->storeTimer = 0.0f;
  m->Update(0.0f);
  EXPECT_EQ(m->storeTimer, 300000.0f);  // a new stats-received arrived
}

TEST_F(SteamStats, OfflineManagerSkipsEverything) {
  steam::fake::SetInitFails(true);
  Manager m;
  ASSERT_FALSE(m.IsOnline());
  m.DefineStat("Boards", "int", {});
  m.storeTimer = 5.0f;
  m.Update(100.0f);
  EXPECT_EQ(m.storeTimer, 5.0f);
  m.AddToStat("Boards", 1.0f);
  EXPECT_TRUE(m.pendingStats.empty());
  EXPECT_EQ(m.GetStat("Boards"), 0.0f);
  EXPECT_FALSE(m.IsAchievementUnlocked("Ach"));
  EXPECT_EQ(m.GetPlayerName(), "");
  m.StoreStats();
  m.ResetAllStats(true);
  m.RequestCurrentStats();
  // Nothing but the failed start reached the service.
  for (const std::string& line : steam::fake::CallLog()) EXPECT_EQ(line.rfind("Init", 0), 0u);
}

TEST_F(SteamStats, OfflineWhenTheEnvironmentSaysSo) {
  ASSERT_EQ(setenv("VANTREL_COMMUNITY", "off", 1), 0);
  for (steam::Backend backend : {steam::Backend::Fake, steam::Backend::Local}) {
    steam::UseBackend(backend);
    Manager m;
    EXPECT_FALSE(m.IsOnline());
    m.Update(16.0f);
    EXPECT_EQ(m.GetEntryCount(), 0);
  }
  unsetenv("VANTREL_COMMUNITY");
}

TEST_F(SteamStats, MissingUserInterfaceThrowsAndEndsTheService) {
  steam::fake::SetInterfaceAvailable(steam::Interface::User, false);
  try {
    Manager m;
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Error: program attempts to connect to Steam when Steam not initialized.");
  }
  EXPECT_FALSE(steam::IsInitialized());
}

}  // namespace
