// Workshop items through the community back end: the listing with its queued
// details requests, creation, update submission, cancel and the result texts,
// driven through the scripted service.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <fstream>
#include <string>
#include <vector>

#include "community/community_manager_steam.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "support/steam_calls.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;
namespace steam = plat::steam;

namespace {

constexpr uint32_t kApp = 4242;
constexpr uint64_t kBigId = (uint64_t{1} << 32) + 17;  // does not fit 32 bits

using vantrel::test::CountCalls;

class SteamWorkshop : public ::testing::Test {
 protected:
  void SetUp() override {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
  }
  void TearDown() override { steam::fake::Reset(); }

  // A manager whose messages are collected in texts.
  std::unique_ptr<CommunityManagerSteam> Make() {
    auto m = std::make_unique<CommunityManagerSteam>(kApp);
    m->SetMessageCallback([this](const char* text) { texts.push_back(text); });
    return m;
  }

  static void SeedItem(uint64_t id, const std::string& title, const std::string& folder, uint64_t owner = 0) {
    steam::fake::ItemRecord item;
    item.id = id;
    item.appId = kApp;
    item.owner = owner != 0 ? owner : steam::CurrentUser();
    item.title = title;
    item.description = title + " description";
    item.installFolder = folder;
    steam::fake::SeedItem(item);
  }

  // A content folder with one file, and a preview picture beside it.
  static fs::path ContentFolder(const std::string& name) {
    const fs::path dir = vantrel::test::MakeTempDir(name);
    std::ofstream(dir / "set.bdz") << "boards";
    std::ofstream(dir / "preview.png") << "png";
    return dir;
  }

  std::vector<std::string> texts;
};

TEST_F(SteamWorkshop, ListingKeepsInstalledItemsAndQueuesTheirDetails) {
  auto m = Make();
  SeedItem(11, "First", "/items/11");
  SeedItem(12, "Not installed", "");
  SeedItem(kBigId, "Wide", "/items/big");
  SeedItem(13, "Third", "/items/13");
  for (uint64_t id : {uint64_t{11}, uint64_t{12}, kBigId, uint64_t{13}}) {
    steam::fake::Subscribe(id);
  }
  m->LoadSubscribedItems();
  std::vector<WorkshopItem> items = m->GetInstalledItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].publishedFileId, 11u);
  EXPECT_EQ(items[0].folder, fs::path("/items/11"));
  EXPECT_EQ(items[1].publishedFileId, kBigId);
  EXPECT_EQ(items[2].publishedFileId, 13u);
  for (const WorkshopItem& item : items) EXPECT_EQ(item.detailsValid, 0);

  // One details request at a time; each result lets the next one go.
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_LE(steam::fake::PendingResultCount(), 1);
    EXPECT_EQ(CountCalls("RequestUGCDetails"), frame + 1);
    m->Update(16.0f);
  }
  EXPECT_EQ(steam::fake::DroppedResultCount(), 0);
  items = m->GetInstalledItems();
  const char* titles[] = {"First", "Wide", "Third"};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].detailsValid, 1) << i;
    EXPECT_EQ(items[i].title, titles[i]);
    EXPECT_STREQ(items[i].details.title, titles[i]);
    EXPECT_EQ(items[i].details.publishedFileId, items[i].publishedFileId);
  }
  EXPECT_TRUE(texts.empty());
  // Listing again gives the same items once.
  m->LoadSubscribedItems();
  EXPECT_EQ(m->GetInstalledItems().size(), 3u);
}

TEST_F(SteamWorkshop, ListingSkipsItemsWhoseStateOrFolderFails) {
  auto m = Make();
  SeedItem(21, "Says installed", "/items/21");
  SeedItem(22, "Folder too long", "/" + std::string(1100, 'f'));
  SeedItem(23, "Downloading", "/items/23");
  for (uint64_t id : {21, 22, 23}) steam::fake::Subscribe(id);
  steam::fake::SetItemState(23, steam::kItemStateSubscribed | steam::kItemStateDownloading);
  m->LoadSubscribedItems();
  const std::vector<WorkshopItem> items = m->GetInstalledItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].publishedFileId, 21u);
}

TEST_F(SteamWorkshop, DetailsFailureIsReportedAndTheQueueGoesOn) {
  auto m = Make();
  SeedItem(31, "One", "/items/31");
  SeedItem(32, "Two", "/items/32");
  steam::fake::Subscribe(31);
  steam::fake::Subscribe(32);
  steam::fake::FailNextResult(steam::CallKind::RequestItemDetails);
  m->LoadSubscribedItems();
  m->Update(16.0f);
  EXPECT_EQ(texts, (std::vector<std::string>{"Error downloading workshop item details (0)."}));
  m->Update(16.0f);
  std::vector<WorkshopItem> items = m->GetInstalledItems();
  EXPECT_EQ(items[0].detailsValid, 0);
  EXPECT_EQ(items[1].detailsValid, 1);
  EXPECT_EQ(items[1].title, "Two");

  // A refused call does not hold up the requests behind it.
  steam::fake::FailNextCall(steam::CallKind::RequestItemDetails);
  int called = 0;
  m->RequestItemDetails(31, [&](const steam::UgcDetailsResult*) { ++called; });
  m->RequestItemDetails(32, [&](const steam::UgcDetailsResult*) { called += 10; });
  m->Update(16.0f);
  EXPECT_EQ(called, 10);
}

TEST_F(SteamWorkshop, DetailsHandlersGetTheirOwnResults) {
  auto m = Make();
  SeedItem(41, "Listed", "/items/41");
  SeedItem(42, "Not listed", "");
  steam::fake::Subscribe(41);
  m->LoadSubscribedItems();
  std::vector<uint64_t> got;
  std::vector<std::string> gotTitles;
  auto handler = [&](const steam::UgcDetailsResult* r) {
    got.push_back(r->details.publishedFileId);
    gotTitles.push_back(r->details.title);
  };
  m->RequestItemDetails(42, handler);   // waits behind the listing's request
  m->RequestItemDetails(999, handler);  // unknown to the service
  for (int i = 0; i < 4; ++i) m->Update(16.0f);
  // A details result for an item that is not listed still reaches its handler.
  EXPECT_EQ(got, (std::vector<uint64_t>{42}));
  EXPECT_EQ(gotTitles, (std::vector<std::string>{"Not listed"}));
  EXPECT_EQ(texts, (std::vector<std::string>{"Error downloading workshop item details (9)."}));
  const std::vector<WorkshopItem> items = m->GetInstalledItems();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].title, "Listed");
}

TEST_F(SteamWorkshop, CreateThenSubmitLikeTheHelper) {
  auto m = Make();
  const fs::path folder = ContentFolder("new item");
  WorkshopItem item;
  item.folder = folder;
  item.previewPath = folder / "preview.png";
  item.title = "My boards";
  item.description = "Twelve boards.";

  int submitted = 0;
  int32_t submitResult = -1;
  m->CreateWorkshopItem([&](const steam::CreateItemResult* r) {
    ASSERT_EQ(r->result, steam::kResultOk);
    item.publishedFileId = r->publishedFileId;
    m->SaveWorkshopId(folder, item.publishedFileId);
    m->SubmitWorkshopItem(item, [&](const steam::SubmitItemUpdateResult* s) {
      ++submitted;
      submitResult = s->result;
    });
  });
  EXPECT_EQ(texts, (std::vector<std::string>{"Defining new mod..."}));
  EXPECT_TRUE(m->IsCreatingItem());
  m->Update(1000.0f);
  EXPECT_FALSE(m->IsCreatingItem());
  EXPECT_TRUE(m->IsSubmittingItem());
  ASSERT_GT(item.publishedFileId, uint64_t{0xFFFFFFFF});  // created ids need 64 bits
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], "New mod created: #" + std::to_string(item.publishedFileId));
  EXPECT_EQ(m->LoadWorkshopId(folder), item.publishedFileId);

  m->Update(1000.0f);
  EXPECT_FALSE(m->IsSubmittingItem());
  EXPECT_EQ(submitted, 1);
  EXPECT_EQ(submitResult, steam::kResultOk);
  EXPECT_EQ(texts.back(), "Workshop upload succeeded!");
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(item.publishedFileId, &stored));
  EXPECT_EQ(stored.title, "My boards");
  EXPECT_EQ(stored.description, "Twelve boards.");
  EXPECT_EQ(CountCalls(("SetItemContent ")), 1);
  const std::string content = folder.string() + "/";
  bool sawContent = false;
  for (const std::string& line : steam::fake::CallLog()) {
    if (line.rfind("SetItemContent ", 0) == 0) {
      sawContent = line.size() >= content.size() &&
                   line.compare(line.size() - content.size(), content.size(), content) == 0;
    }
  }
  EXPECT_TRUE(sawContent);
}

TEST_F(SteamWorkshop, BareItemSendsOnlyItsContentFolder) {
  auto m = Make();
  const fs::path folder = ContentFolder("bare");
  SeedItem(51, "Old title", "");
  WorkshopItem item;
  item.folder = folder;
  item.publishedFileId = 51;
  m->SubmitWorkshopItem(item, nullptr);
  m->Update(1000.0f);
  EXPECT_EQ(CountCalls("SetItemTitle"), 0);
  EXPECT_EQ(CountCalls("SetItemDescription"), 0);
  EXPECT_EQ(CountCalls("SetItemPreview"), 0);
  EXPECT_EQ(CountCalls("SetItemContent"), 1);
  EXPECT_EQ(texts.back(), "Workshop upload succeeded!");
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(51, &stored));
  EXPECT_EQ(stored.title, "Old title");
}

TEST_F(SteamWorkshop, OverlongTextsAreCutToTheServiceLimits) {
  auto m = Make();
  const fs::path folder = ContentFolder("long");
  SeedItem(52, "", "");
  WorkshopItem item;
  item.folder = folder;
  item.publishedFileId = 52;
  item.title = std::string(300, 't');
  item.description = std::string(9000, 'd');
  m->SubmitWorkshopItem(item, nullptr);
  m->Update(1000.0f);
  EXPECT_EQ(texts.back(), "Workshop upload succeeded!");
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(52, &stored));
  EXPECT_EQ(stored.title, std::string(steam::kMaxTitleLength, 't'));
  EXPECT_EQ(stored.description, std::string(steam::kMaxDescriptionLength, 'd'));
}

TEST_F(SteamWorkshop, SubmitFailures) {
  auto m = Make();
  const fs::path folder = ContentFolder("fail");
  SeedItem(61, "Mine", "");
  SeedItem(62, "Someone else's", "", 987654);
  // Preview that does not exist.
  WorkshopItem item;
  item.folder = folder;
  item.publishedFileId = 61;
  item.previewPath = folder / "missing.png";
  int handled = 0;
  m->SubmitWorkshopItem(item, [&](const steam::SubmitItemUpdateResult*) { ++handled; });
  m->Update(1000.0f);
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(texts.back(),
            "Workshop upload failed! File not found. Make sure the selected preview file is "
            "accessible.");
  // Another user's item cannot be updated at all: said at once, no result.
  item.publishedFileId = 62;
  item.previewPath.clear();
  m->SubmitWorkshopItem(item, [&](const steam::SubmitItemUpdateResult*) { ++handled; });
  EXPECT_FALSE(m->IsSubmittingItem());
  EXPECT_EQ(texts.back(),
            "Workshop upload failed! Make sure you're online and have permission to update the "
            "current workshop item.");
  m->Update(1000.0f);
  EXPECT_EQ(handled, 1);
  // An I/O failure is never a success.
  item.publishedFileId = 61;
  steam::fake::FailNextResult(steam::CallKind::SubmitItemUpdate);
  int32_t result = -1;
  m->SubmitWorkshopItem(item, [&](const steam::SubmitItemUpdateResult* r) { result = r->result; });
  m->Update(1000.0f);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(texts.back(), "Workshop upload failed! Error code 0");
}

TEST_F(SteamWorkshop, ResultTexts) {
  auto m = Make();
  const struct {
    int32_t code;
    const char* text;
  } created[] = {
      {16, "Error creating new mod: Timeout. Please try again."},
      {21, "Error creating new mod: User not logged into Steam."},
      {24, "Error creating new mod: User is banned."},
      {2, "Error creating new mod: Error code 2"},
      {-3, "Error creating new mod: Error code -3"},
  };
  for (const auto& c : created) {
    steam::CreateItemResult r;
    r.result = c.code;
    steam::fake::QueueResult(r);
    int32_t handled = -1;
    m->CreateWorkshopItem([&](const steam::CreateItemResult* got) { handled = got->result; });
    m->Update(1000.0f);
    EXPECT_EQ(texts.back(), c.text);
    EXPECT_EQ(handled, c.code);  // the handler runs whatever the result
  }

  const fs::path folder = ContentFolder("codes");
  SeedItem(71, "Codes", "");
  const struct {
    int32_t code;
    const char* text;
  } submitted[] = {
      {2,
       "Workshop upload failed! Make sure you're online and have permission to update the "
       "current workshop item."},
      {3, "Workshop upload failed! No network connection."},
      {36, "Workshop upload failed! Handshake failed"},
      {44, "Workshop upload failed! Service is not accepting changes right now."},
      {84, "Workshop upload failed! Temporary rate limit exceeded, try again later."},
      {86, "Workshop upload failed! Workshop item has been deleted."},
      {85, "Workshop upload failed! Error code 85"},
      {1000, "Workshop upload failed! Error code 1000"},
  };
  WorkshopItem item;
  item.folder = folder;
  item.publishedFileId = 71;
  for (const auto& c : submitted) {
    steam::SubmitItemUpdateResult r;
    r.result = c.code;
    steam::fake::QueueResult(r);
    int32_t handled = -1;
    m->SubmitWorkshopItem(item, [&](const steam::SubmitItemUpdateResult* got) { handled = got->result; });
    m->Update(1000.0f);
    EXPECT_EQ(texts.back(), c.text);
    EXPECT_EQ(handled, c.code);
  }
}

TEST_F(SteamWorkshop, HandlerMayStartTheNextCallOfItsKind) {
  auto m = Make();
  std::vector<std::string> order;
  m->CreateWorkshopItem([&](const steam::CreateItemResult*) {
    order.push_back("first");
    // Replaces the handler that is running right now.
    m->CreateWorkshopItem([&](const steam::CreateItemResult*) { order.push_back("second"); });
  });
  m->Update(1000.0f);
  EXPECT_TRUE(m->IsCreatingItem());
  m->Update(1000.0f);
  EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
  EXPECT_FALSE(m->IsCreatingItem());

  SeedItem(85, "Chained", "");
  order.clear();
  m->RequestItemDetails(85, [&](const steam::UgcDetailsResult*) {
    order.push_back("details 1");
    m->RequestItemDetails(85, [&](const steam::UgcDetailsResult*) { order.push_back("details 2"); });
  });
  for (int i = 0; i < 3; ++i) m->Update(1000.0f);
  EXPECT_EQ(order, (std::vector<std::string>{"details 1", "details 2"}));
}

TEST_F(SteamWorkshop, CancelForgetsTheCallsButTheServiceMayFinish) {
  auto m = Make();
  int handled = 0;
  m->CreateWorkshopItem([&](const steam::CreateItemResult*) { ++handled; });
  ASSERT_TRUE(m->IsCreatingItem());
  m->CancelWorkshopCalls();
  EXPECT_FALSE(m->IsCreatingItem());
  EXPECT_EQ(texts.back(), "Cancelled: the Workshop may still create the item, but its id will not be saved.");
  m->Update(1000.0f);
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(steam::fake::DroppedResultCount(), 1);

  // A late completion of a cancelled update: the service did the work.
  const fs::path folder = ContentFolder("late");
  SeedItem(81, "Before", "");
  WorkshopItem item;
  item.folder = folder;
  item.publishedFileId = 81;
  item.title = "After";
  steam::fake::HoldResults(true);
  m->SubmitWorkshopItem(item, [&](const steam::SubmitItemUpdateResult*) { ++handled; });
  m->Update(1000.0f);
  EXPECT_TRUE(m->IsSubmittingItem());
  m->CancelWorkshopCalls();
  EXPECT_EQ(texts.back(), "Cancelled: the Workshop may still complete the upload.");
  steam::fake::HoldResults(false);
  m->Update(1000.0f);
  EXPECT_EQ(handled, 0);
  steam::fake::ItemRecord stored;
  ASSERT_TRUE(steam::fake::PeekItem(81, &stored));
  EXPECT_EQ(stored.title, "After");
  // Nothing pending: cancel says nothing.
  const size_t count = texts.size();
  m->CancelWorkshopCalls();
  EXPECT_EQ(texts.size(), count);
}

TEST_F(SteamWorkshop, NoWorkshopMeansNothingHappens) {
  steam::fake::SetInitFails(true);
  auto m = Make();
  const char* notRunning =
      "Action impossible: Steam not running. To do this, you must log into Steam and re-launch "
      "the game.";
  int handled = 0;
  m->LoadSubscribedItems();
  EXPECT_TRUE(m->GetInstalledItems().empty());
  EXPECT_FALSE(m->CheckSteamRunning());
  m->CreateWorkshopItem([&](const steam::CreateItemResult*) { ++handled; });
  m->RequestItemDetails(5, [&](const steam::UgcDetailsResult*) { ++handled; });
  WorkshopItem item;
  item.publishedFileId = 5;
  m->SubmitWorkshopItem(item, [&](const steam::SubmitItemUpdateResult*) { ++handled; });
  m->Update(1000.0f);
  EXPECT_EQ(handled, 0);
  EXPECT_EQ(texts, std::vector<std::string>(4, notRunning));
  EXPECT_FALSE(m->IsCreatingItem());
  EXPECT_FALSE(m->IsSubmittingItem());
}

TEST_F(SteamWorkshop, WorkshopGoneAfterStart) {
  auto m = Make();
  SeedItem(91, "Item", "/items/91");
  steam::fake::Subscribe(91);
  m->LoadSubscribedItems();
  ASSERT_EQ(m->GetInstalledItems().size(), 1u);
  steam::fake::SetInterfaceAvailable(steam::Interface::Ugc, false);
  EXPECT_TRUE(m->GetInstalledItems().empty());
  EXPECT_FALSE(m->CheckSteamRunning());
}

TEST_F(SteamWorkshop, IdFileMessages) {
  auto m = Make();
  const fs::path folder = vantrel::test::MakeTempDir("ids");
  EXPECT_EQ(m->LoadWorkshopId(folder), 0u);
  EXPECT_TRUE(texts.empty());  // a missing file is silent
  std::ofstream(folder / "steamid.txt") << "0";
  EXPECT_EQ(m->LoadWorkshopId(folder), 0u);
  EXPECT_EQ(texts, (std::vector<std::string>{"Error loading workshop id. 'steamid.txt' file is corrupted."}));
  m->SaveWorkshopId(folder / "gone", 5);
  EXPECT_EQ(texts.back(), "Error saving workshop id file 'steamid.txt'");
  m->SaveWorkshopId(folder, kBigId);
  EXPECT_EQ(m->LoadWorkshopId(folder), kBigId);
  EXPECT_EQ(texts.size(), 2u);
}

}  // namespace
