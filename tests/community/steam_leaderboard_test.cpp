// The leaderboard requests of the community back end: find, upload, download
// and the call-result rules, driven through the scripted service.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "community/community_manager_steam.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "support/steam_calls.h"

namespace steam = plat::steam;

namespace {

constexpr uint32_t kApp = 4242;
const char kBoard[] = "castle_1a2b3c";

using vantrel::test::CountCalls;

class SteamLeaderboard : public ::testing::Test {
 protected:
  void SetUp() override {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
    steam::fake::SetLeaderboardsOnDemand(true);
  }
  void TearDown() override { steam::fake::Reset(); }

  void SeedBoard(int entries) {
    for (int i = 0; i < entries; ++i) {
      steam::fake::SeedLeaderboardEntry(kBoard, 1000 + i, "Player " + std::to_string(i), 10000 - i * 10, {i});
    }
  }

  // Runs Updates until the manager is neither uploading nor downloading.
  static void Settle(CommunityManagerSteam& m, int maxFrames = 20) {
    for (int i = 0; i < maxFrames; ++i) {
      m.Update(16.0f);
      if (!m.IsUploading() && !m.IsDownloading() && m.GetRequestState() != CommunityManagerSteam::kRequestFinding) {
        // one more frame lets an idle request issue its next call
        m.Update(16.0f);
        if (!m.IsUploading() && !m.IsDownloading()) return;
      }
    }
  }
};

TEST_F(SteamLeaderboard, UploadThenDownloadThroughOneFind) {
  steam::fake::SetPersonaName("Orla");
  CommunityManagerSteam m(kApp);
  SeedBoard(2);
  m.RequestScoreUpload(kBoard, 20000, {7});
  m.RequestScoreDownload(kBoard);
  EXPECT_FALSE(m.IsUploading());  // nothing is asked before Update

  m.Update(16.0f);  // find
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestFinding);
  EXPECT_TRUE(m.IsUploading());
  EXPECT_TRUE(m.IsDownloading());
  m.Update(16.0f);  // found; upload
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestUploading);
  EXPECT_FALSE(m.IsDownloading());
  m.Update(16.0f);  // uploaded; download through the cached handle
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestDownloading);
  ASSERT_NE(m.GetScoreUploadResult(), nullptr);
  EXPECT_EQ(m.GetScoreUploadResult()->newGlobalRank, 1);
  EXPECT_EQ(m.GetScoreUploadResult()->score, 20000);
  EXPECT_EQ(m.GetScoreUploadResult()->changed, 1);
  m.Update(16.0f);  // downloaded
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestIdle);
  EXPECT_EQ(CountCalls("FindLeaderboard"), 1);
  EXPECT_TRUE(m.GetErrorMessage().empty());

  ASSERT_EQ(m.GetEntryCount(), 3);
  int32_t rank = 0, score = 0, detail = 0;
  std::string name;
  ASSERT_TRUE(m.GetEntry(0, rank, name, score, detail));
  EXPECT_EQ(rank, 1);
  EXPECT_EQ(name, "Orla");
  EXPECT_EQ(score, 20000);
  EXPECT_EQ(detail, 7);
  ASSERT_TRUE(m.GetEntry(2, rank, name, score, detail));
  EXPECT_EQ(rank, 3);
  EXPECT_EQ(name, "Player 1");
  EXPECT_EQ(score, 9990);
  EXPECT_EQ(detail, 1);

  // Asking again for the same board issues no second find.
  m.RequestScoreDownload(kBoard);
  Settle(m);
  EXPECT_EQ(CountCalls("FindLeaderboard"), 1);
  EXPECT_EQ(m.GetEntryCount(), 3);
}

TEST_F(SteamLeaderboard, DownloadKeepsAtMostFifteen) {
  for (int seeded : {40, 3, 0}) {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
    CommunityManagerSteam m(kApp);
    SeedBoard(seeded);
    m.RequestScoreDownload(kBoard);
    Settle(m);
    const int expected = seeded > 15 ? 15 : seeded;
    EXPECT_EQ(m.GetEntryCount(), expected) << seeded;
    EXPECT_EQ(steam::fake::CallLog().empty(), false);
    int32_t rank = -5, score = -5, detail = -5;
    std::string name = "untouched";
    EXPECT_FALSE(m.GetEntry(expected, rank, name, score, detail));
    EXPECT_FALSE(m.GetEntry(-1, rank, name, score, detail));
    EXPECT_EQ(rank, -5);
    EXPECT_EQ(name, "untouched");
    EXPECT_EQ(score, -5);
    EXPECT_EQ(detail, -5);
  }
}

TEST_F(SteamLeaderboard, EntryCountClaimingMoreThanTheServiceGives) {
  CommunityManagerSteam m(kApp);
  SeedBoard(2);
  steam::LeaderboardScoresDownloaded lie;
  lie.entries = 0;  // no such entries handle
  lie.entryCount = 40;
  steam::fake::QueueResult(lie);
  m.RequestScoreDownload(kBoard);
  m.Update(16.0f);  // find
  m.Update(16.0f);  // found; download
  m.Update(16.0f);  // the scripted answer: no entry can be read
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestIdle);
  EXPECT_EQ(m.GetEntryCount(), 0);  // no blank rows
}

TEST_F(SteamLeaderboard, FailuresSetTheirTextAndStand) {
  struct Case {
    const char* label;
    void (*script)();
    bool upload;
    const char* text;
  };
  const Case cases[] = {
      {"find io", [] { steam::fake::FailNextResult(steam::CallKind::FindLeaderboard); }, true,
       "Could not find a leaderboard for this boardset."},
      {"not found",
       [] {
         steam::LeaderboardFindResult r;
         r.found = false;
         steam::fake::QueueResult(r);
       },
       false, "Could not find a leaderboard for this boardset."},
      {"upload io", [] { steam::fake::FailNextResult(steam::CallKind::UploadScore); }, true, "Score upload failed."},
      {"upload refused",
       [] {
         steam::LeaderboardScoreUploaded r;
         r.success = false;
         steam::fake::QueueResult(r);
       },
       true, "Score upload failed."},
      {"download io", [] { steam::fake::FailNextResult(steam::CallKind::DownloadScores); }, false,
       "Leaderboard download failed."},
      {"find refused", [] { steam::fake::FailNextCall(steam::CallKind::FindLeaderboard); }, true,
       "Could not find a leaderboard for this boardset."},
      {"upload call refused", [] { steam::fake::FailNextCall(steam::CallKind::UploadScore); }, true,
       "Score upload failed."},
  };
  for (const Case& c : cases) {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
    CommunityManagerSteam m(kApp);
    SeedBoard(1);
    c.script();
    if (c.upload) {
      m.RequestScoreUpload(kBoard, 5, {1});
    } else {
      m.RequestScoreDownload(kBoard);
    }
    for (int i = 0; i < 6; ++i) m.Update(16.0f);
    EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestFailed) << c.label;
    EXPECT_EQ(m.GetErrorMessage(), c.text) << c.label;
    EXPECT_FALSE(m.IsUploading()) << c.label;
    EXPECT_FALSE(m.IsDownloading()) << c.label;
    EXPECT_EQ(m.GetScoreUploadResult(), nullptr) << c.label;
    // The failure stands until the caller asks again.
    const size_t calls = steam::fake::CallLog().size();
    m.Update(16.0f);
    EXPECT_EQ(steam::fake::CallLog().size(), calls) << c.label;
    m.RequestScoreDownload(kBoard);
    EXPECT_TRUE(m.GetErrorMessage().empty()) << c.label;
    EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestIdle) << c.label;
  }
}

TEST_F(SteamLeaderboard, OverlongNameAndTooManyDetailsFail) {
  CommunityManagerSteam m(kApp);
  m.RequestScoreDownload(std::string(steam::kMaxNameLength + 1, 'x'));
  m.Update(16.0f);
  m.Update(16.0f);
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestFailed);
  EXPECT_EQ(m.GetErrorMessage(), "Could not find a leaderboard for this boardset.");

  m.RequestScoreUpload(kBoard, 5, std::vector<int32_t>(steam::kMaxLeaderboardDetails + 1, 1));
  Settle(m);
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestFailed);
  EXPECT_EQ(m.GetErrorMessage(), "Score upload failed.");
}

TEST_F(SteamLeaderboard, LateFindResultAfterFailIsIgnored) {
  CommunityManagerSteam m(kApp);
  SeedBoard(1);
  m.RequestScoreUpload(kBoard, 5, {});
  m.Update(16.0f);  // find issued
  m.FailScoreUpload("");
  EXPECT_EQ(m.GetErrorMessage(), "Unknown Error");
  EXPECT_FALSE(m.IsUploading());
  m.Update(16.0f);  // the find result arrives: state 0, ignored
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestIdle);
  EXPECT_EQ(m.GetScoreUploadResult(), nullptr);
  // The handle was not kept: the next request finds again.
  m.RequestScoreDownload(kBoard);
  Settle(m);
  EXPECT_EQ(CountCalls("FindLeaderboard"), 2);
  EXPECT_EQ(m.GetEntryCount(), 1);
}

TEST_F(SteamLeaderboard, NewRequestReplacesThePendingCall) {
  CommunityManagerSteam m(kApp);
  SeedBoard(1);
  steam::fake::SeedLeaderboardEntry("other_board", 77, "Other", 3, {});
  steam::fake::HoldResults(true);
  m.RequestScoreDownload(kBoard);
  m.Update(16.0f);  // find of kBoard
  m.RequestScoreDownload("other_board");
  m.Update(16.0f);  // find of other_board replaces it
  steam::fake::HoldResults(false);
  Settle(m);
  EXPECT_GE(steam::fake::DroppedResultCount(), 1);
  ASSERT_EQ(m.GetEntryCount(), 1);
  int32_t rank = 0, score = 0, detail = 0;
  std::string name;
  ASSERT_TRUE(m.GetEntry(0, rank, name, score, detail));
  EXPECT_EQ(name, "Other");
  EXPECT_EQ(score, 3);
  EXPECT_EQ(detail, 0);  // a score without details
}

TEST_F(SteamLeaderboard, WaitTimeGrowsUntilTheCallerGivesUp) {
  CommunityManagerSteam m(kApp);
  SeedBoard(1);
  steam::fake::HoldResults(true);
  m.RequestScoreUpload(kBoard, 5, {});
  m.Update(100.0f);  // issues the find: wait time 0
  EXPECT_EQ(m.GetRequestWaitTime(), 0.0f);
  m.Update(100.0f);
  m.Update(250.0f);
  EXPECT_EQ(m.GetRequestWaitTime(), 350.0f);
  EXPECT_TRUE(m.IsUploading());
  m.FailScoreUpload("Timeout");
  EXPECT_EQ(m.GetErrorMessage(), "Timeout");
  EXPECT_FALSE(m.IsUploading());
  steam::fake::HoldResults(false);
  m.Update(16.0f);
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestIdle);
  EXPECT_EQ(m.GetErrorMessage(), "Timeout");
}

TEST_F(SteamLeaderboard, KeepBestAndDownloadedEntriesSurviveAFailedDownload) {
  steam::fake::SetCurrentUser(1000);  // the current user holds Player 0's score
  CommunityManagerSteam m(kApp);
  SeedBoard(1);  // Player 0 at 10000
  m.RequestScoreUpload(kBoard, 50, {2});
  Settle(m);
  ASSERT_NE(m.GetScoreUploadResult(), nullptr);
  EXPECT_EQ(m.GetScoreUploadResult()->changed, 0);
  EXPECT_EQ(m.GetScoreUploadResult()->score, 50);

  m.RequestScoreDownload(kBoard);
  Settle(m);
  ASSERT_EQ(m.GetEntryCount(), 1);
  steam::fake::FailNextResult(steam::CallKind::DownloadScores);
  m.RequestScoreDownload(kBoard);
  Settle(m);
  EXPECT_EQ(m.GetErrorMessage(), "Leaderboard download failed.");
  EXPECT_EQ(m.GetEntryCount(), 1);  // the last good download stays
  // After FailScoreDownload the name stays, so the next Update asks again.
  m.FailScoreDownload("Timeout");
  Settle(m);
  EXPECT_TRUE(m.GetErrorMessage() == "Timeout");
  EXPECT_EQ(m.GetRequestState(), CommunityManagerSteam::kRequestIdle);
  EXPECT_EQ(m.GetEntryCount(), 1);
  EXPECT_GE(CountCalls("DownloadLeaderboardEntries"), 3);
}

TEST_F(SteamLeaderboard, PersonaChangeRenamesEntries) {
  CommunityManagerSteam m(kApp);
  steam::fake::SeedLeaderboardEntry(kBoard, 555, "Old", 10, {});
  steam::fake::SeedLeaderboardEntry(kBoard, 556, "Keep", 5, {});
  m.RequestScoreDownload(kBoard);
  Settle(m);
  ASSERT_EQ(m.GetEntryCount(), 2);
  steam::fake::AddUser(555, "New");
  steam::fake::PostPersonaStateChange(555);
  m.Update(16.0f);
  int32_t rank = 0, score = 0, detail = 0;
  std::string name;
  ASSERT_TRUE(m.GetEntry(0, rank, name, score, detail));
  EXPECT_EQ(name, "New");
  ASSERT_TRUE(m.GetEntry(1, rank, name, score, detail));
  EXPECT_EQ(name, "Keep");
}

TEST_F(SteamLeaderboard, OfflineRequestsReportNotOnline) {
  steam::fake::SetInitFails(true);
  CommunityManagerSteam m(kApp);
  m.RequestScoreUpload(kBoard, 1, {});
  EXPECT_EQ(m.GetErrorMessage(), "Community not online!");
  m.FailScoreDownload("x");
  m.RequestScoreDownload(kBoard);
  EXPECT_EQ(m.GetErrorMessage(), "Community not online!");
  m.Update(16.0f);
  EXPECT_FALSE(m.IsUploading());
  EXPECT_FALSE(m.IsDownloading());
  EXPECT_EQ(m.GetEntryCount(), 0);
}

}  // namespace
