// The community back end over the local service, whose state lives on disk
// in the test's temporary home: what one manager stores the next one reads.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "community/community_manager_steam.h"
#include "platform/debug.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "support/read_failure.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;
namespace steam = plat::steam;

namespace {

constexpr uint32_t kApp = 4242;

class SteamLocal : public ::testing::Test {
 protected:
  void SetUp() override {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Local);
    root = vantrel::test::MakeTempDir("community-store");
    ASSERT_EQ(setenv("VANTREL_COMMUNITY_ROOT", root.c_str(), 1), 0);
  }
  void TearDown() override {
    steam::fake::Reset();
    unsetenv("VANTREL_COMMUNITY_ROOT");
  }

  static std::unique_ptr<CommunityManagerSteam> Start() {
    auto m = std::make_unique<CommunityManagerSteam>(kApp);
    EXPECT_TRUE(m->IsOnline());
    m->DefineStat("BoardsCompleted", "int", {});
    m->DefineStat("BricksBroken", "float", {});
    m->DefineAchievement("Ach_castle", 0);
    m->Update(16.0f);  // stats received
    return m;
  }

  static void Settle(CommunityManagerSteam& m) {
    for (int i = 0; i < 10; ++i) m.Update(16.0f);
  }

  fs::path root;
};

TEST_F(SteamLocal, StatsAndAchievementsLastAcrossRuns) {
  {
    auto m = Start();
    EXPECT_EQ(m->GetStat("BoardsCompleted"), 0.0f);
    m->AddToStat("BoardsCompleted", 1.0f);
    m->AddToStat("BricksBroken", 101.0f);
    m->UnlockAchievement("Ach_castle");
    m->Update(16.0f);  // the unlock stores at once
  }
  auto m = Start();
  EXPECT_EQ(m->GetStat("BoardsCompleted"), 1.0f);
  EXPECT_EQ(m->GetStat("BricksBroken"), 101.0f);
  EXPECT_TRUE(m->IsAchievementUnlocked("Ach_castle"));
  m->ResetAllStats(true);
  m.reset();
  m = Start();
  EXPECT_EQ(m->GetStat("BoardsCompleted"), 0.0f);
  EXPECT_FALSE(m->IsAchievementUnlocked("Ach_castle"));
}

TEST_F(SteamLocal, DamagedStatsFileReadsAsEmpty) {
  {
    auto m = Start();
    m->AddToStat("BoardsCompleted", 3.0f);
    m->UnlockAchievement("Ach_castle");
    m->Update(16.0f);
  }
  int damaged = 0;
  for (fs::recursive_directory_iterator it(root), end; it != end; ++it) {
    const std::string name = it->path().filename().string();
    if (fs::is_regular_file(it->path()) && name.rfind("stats-", 0) == 0) {
      std::ofstream(it->path().string(), std::ios::binary | std::ios::trunc) << "\x01garbage\xff";
      ++damaged;
    }
  }
  ASSERT_EQ(damaged, 1);
  auto m = Start();
  EXPECT_EQ(m->GetStat("BoardsCompleted"), 0.0f);
  EXPECT_FALSE(m->IsAchievementUnlocked("Ach_castle"));
  // And it can be written again.
  m->AddToStat("BoardsCompleted", 2.0f);
  m->UnlockAchievement("Ach_castle");
  m->Update(16.0f);
  m.reset();
  m = Start();
  EXPECT_EQ(m->GetStat("BoardsCompleted"), 2.0f);
}

TEST_F(SteamLocal, LeaderboardPostAndDownload) {
  ASSERT_EQ(setenv("VANTREL_COMMUNITY_NAME", "Orla", 1), 0);
  {
    auto m = Start();
    m->RequestScoreUpload("castle_00ff", 1500, {4});
    m->RequestScoreDownload("castle_00ff");
    Settle(*m);
    ASSERT_NE(m->GetScoreUploadResult(), nullptr);
    EXPECT_EQ(m->GetScoreUploadResult()->newGlobalRank, 1);
    EXPECT_EQ(m->GetEntryCount(), 1);
  }
  auto m = Start();
  m->RequestScoreDownload("castle_00ff");
  Settle(*m);
  ASSERT_EQ(m->GetEntryCount(), 1);
  int32_t rank = 0, score = 0, detail = 0;
  std::string name;
  ASSERT_TRUE(m->GetEntry(0, rank, name, score, detail));
  EXPECT_EQ(rank, 1);
  EXPECT_EQ(name, "Orla");
  EXPECT_EQ(score, 1500);
  EXPECT_EQ(detail, 4);
  EXPECT_TRUE(m->GetErrorMessage().empty());
  unsetenv("VANTREL_COMMUNITY_NAME");
}

TEST_F(SteamLocal, CreatedItemIsListedOnceSubscribed) {
  const fs::path folder = vantrel::test::MakeTempDir("my set");
  std::ofstream(folder / "set.bdz") << "boards";
  std::ofstream(folder / "preview.png") << "png";
  uint64_t id = 0;
  std::vector<std::string> texts;
  {
    auto m = Start();
    m->SetMessageCallback([&](const char* text) { texts.push_back(text); });
    WorkshopItem item;
    item.folder = folder;
    item.previewPath = folder / "preview.png";
    item.title = "My set";
    m->CreateWorkshopItem([&](const steam::CreateItemResult* r) {
      if (r->result != steam::kResultOk) return;
      item.publishedFileId = id = r->publishedFileId;
      m->SaveWorkshopId(folder, id);
      m->SubmitWorkshopItem(item, nullptr);
    });
    for (int i = 0; i < 3 && (m->IsCreatingItem() || m->IsSubmittingItem()); ++i) {
      m->Update(1000.0f);
    }
    ASSERT_NE(id, 0u);
    EXPECT_GT(id, uint64_t{0xFFFFFFFF});
    EXPECT_EQ(texts.back(), "Workshop upload succeeded!");
    EXPECT_EQ(m->LoadWorkshopId(folder), id);
  }
  steam::fake::Subscribe(id);  // writes the store's subscription list
  auto m = Start();
  m->LoadSubscribedItems();
  std::vector<WorkshopItem> items = m->GetInstalledItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].publishedFileId, id);
  EXPECT_TRUE(fs::exists(items[0].folder / "set.bdz"));
  Settle(*m);
  items = m->GetInstalledItems();
  EXPECT_EQ(items[0].detailsValid, 1);
  EXPECT_EQ(items[0].title, "My set");
}

TEST_F(SteamLocal, StatsThatCannotBeReadAreSaidOnceAndNeverSavedOver) {
  {
    auto m = Start();
    m->AddToStat("BoardsCompleted", 3.0f);
    m->UnlockAchievement("Ach_castle");
    m->Update(16.0f);
  }
  fs::path file;
  for (fs::recursive_directory_iterator it(root), end; it != end; ++it)
    if (it->path().filename().string().rfind("stats-", 0) == 0) file = it->path();
  ASSERT_FALSE(file.empty());
  std::ifstream in(file.string(), std::ios::binary);
  const std::string intact((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  {
    vantrel::test::ReadRefusedScope refused("stats-");
    plat::DebugCaptureScope debug;
    auto m = std::make_unique<CommunityManagerSteam>(kApp);
    std::vector<std::string> texts;
    m->SetMessageCallback([&](const char* text) { texts.push_back(text); });
    m->DefineStat("BoardsCompleted", "int", {});
    m->DefineAchievement("Ach_castle", 0);
    m->Update(16.0f);
    EXPECT_FALSE(m->IsAchievementUnlocked("Ach_castle"));
    m->AddToStat("BoardsCompleted", 1.0f);
    m->UnlockAchievement("Ach_other");
    m->RequestCurrentStats();  // asked again, still unreadable: said once all the same
    Settle(*m);
    m->StoreStats();
    m.reset();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0],
              "Stats and achievements could not be read: they are left as they are and not saved in this session.");
    EXPECT_NE(debug.text.find(texts[0] + "\n"), std::string::npos) << debug.text;
    std::ifstream again(file.string(), std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()), intact);
    EXPECT_FALSE(fs::exists(file.string() + ".damaged"));
  }
  auto m = Start();
  EXPECT_EQ(m->GetStat("BoardsCompleted"), 3.0f);
  EXPECT_TRUE(m->IsAchievementUnlocked("Ach_castle"));
}

TEST_F(SteamLocal, OffSwitchKeepsTheStoreUntouched) {
  ASSERT_EQ(setenv("VANTREL_COMMUNITY", "off", 1), 0);
  CommunityManagerSteam m(kApp);
  EXPECT_FALSE(m.IsOnline());
  std::vector<std::string> texts;
  m.SetMessageCallback([&](const char* text) { texts.push_back(text); });
  m.DefineStat("BoardsCompleted", "int", {});
  m.AddToStat("BoardsCompleted", 1.0f);
  m.UnlockAchievement("Ach_castle");
  m.RequestScoreUpload("castle_00ff", 10, {});
  m.Update(16.0f);
  m.LoadSubscribedItems();
  m.CreateWorkshopItem(nullptr);
  EXPECT_EQ(m.GetErrorMessage(), "Community not online!");
  EXPECT_EQ(texts.size(), 1u);
  EXPECT_TRUE(fs::is_empty(root));
  unsetenv("VANTREL_COMMUNITY");
}

}  // namespace
