// The high-score scene's online states over the scripted community service:
// posting the best score with the service's answers, held answers that run
// into the scene's time-outs, failures, and the online table.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "community/community_manager.h"
#include "game/game_globals.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/high_scores.h"
#include "game/support/high_scores_support.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "platform/window.h"

namespace vantrel::test {
namespace {

namespace steam = plat::steam;

bool Logged(const std::string& prefix) {
  const auto& log = steam::fake::CallLog();
  return std::any_of(log.begin(), log.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

class HighScoresOnlineTest : public HighScoresTest {
 protected:
  // A name entered for one player with (score, board); the scene then asks
  // whether to post.
  void ReachTheQuestion(int32_t score, int32_t board, const DriverOptions& options = {}) {
    StartOnSelection(options);
    steam::fake::SetLeaderboardsOnDemand(true);
    EnterScores({{score, board}});
    TypeEach("Ann");
    KeyFrame(plat::kKeyEnter);
    d.Frame();
    ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresAskToPost);
    AwayAndFrame();
  }
  // Frames until the posting has an answer (state 4 or 5).
  void AwaitPostingAnswer() {
    ASSERT_TRUE(d.RunUntil([] { return highScoreScreen.scoreScreenState != kScoresPosting; }, 12000));
    AwayAndFrame();
  }
  std::string Posted(const char* format, int32_t score) {
    char text[256];
    std::snprintf(text, sizeof text, format, score);
    return text;
  }
};

TEST_F(HighScoresOnlineTest, PostingTheBestScoreShowsTheServicesAnswerThenTheOnlineTable) {
  ReachTheQuestion(1450, 3);
  steam::LeaderboardScoreUploaded answer;
  answer.success = true;
  answer.score = 1450;
  answer.scoreChanged = true;
  answer.globalRankNew = 3;
  answer.globalRankPrevious = 5;
  steam::fake::QueueResult(answer);
  steam::fake::ClearCallLog();
  ClearSounds();
  TypeEach("y");
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPosting);
  EXPECT_EQ(CountSound(kSoundLock), 1);
  AwaitPostingAnswer();
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresPosted);
  EXPECT_TRUE(Logged("FindLeaderboard " + boardSet.GetLeaderboardName()));
  // The set's stem and checksum text, the same name the selection lists.
  EXPECT_EQ(boardSet.GetLeaderboardName(), GetSelectedLeaderboardName());
  EXPECT_EQ(boardSet.GetLeaderboardName(), boardSet.fileStem + "_" + boardSet.checksumText);
  EXPECT_TRUE(Logged("UploadLeaderboardScore "));
  const auto& log = steam::fake::CallLog();
  const auto upload = std::find_if(log.begin(), log.end(),
                                   [](const std::string& l) { return l.rfind("UploadLeaderboardScore", 0) == 0; });
  ASSERT_NE(upload, log.end());
  EXPECT_NE(upload->find(" best 1450 1"), std::string::npos) << *upload;  // the score, one detail
  EXPECT_TRUE(
      TextShown(sysFont, Posted("Congratulations! Your score of %d beat your previous best score!.", 1450), 335));
  // Any key goes on to the online table.
  TypeEach("k");
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresOnlineTable);
  EXPECT_TRUE(Logged("DownloadLeaderboardEntries") || Logged("FindLeaderboard"));
}

TEST_F(HighScoresOnlineTest, PostedTextsByTheServicesAnswer) {
  struct Case {
    bool changed;
    int32_t rankNew, rankPrevious;
    const char* text;
  };
  const Case cases[] = {
      {false, 4, 4, "Your score of %d did not beat your previous highscore."},
      {true, 4, 0, "Congratulations! Your score of %d has been posted!"},
      {true, 4, 4, "Congratulations! Your score of %d has been posted!"},
  };
  ReachTheQuestion(1450, 0);
  bool first = true;
  for (const Case& c : cases) {
    steam::LeaderboardScoreUploaded answer;
    answer.success = true;
    answer.score = 1234;
    answer.scoreChanged = c.changed;
    answer.globalRankNew = c.rankNew;
    answer.globalRankPrevious = c.rankPrevious;
    steam::fake::QueueResult(answer);
    if (first) {
      ClickAndFrame(kLeftChoiceX, kChoiceY);  // "yes"
      first = false;
    } else {
      // From a failed post's retry button the post goes again the same way.
      highScoreScreen.scoreScreenState = kScoresPostFailed;
      ClickAndFrame(kLeftChoiceX, kChoiceY);
    }
    EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPosting) << c.text;
    AwaitPostingAnswer();
    ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresPosted) << c.text;
    EXPECT_TRUE(TextShown(sysFont, Posted(c.text, 1234), 335)) << c.text;
  }
}

TEST_F(HighScoresOnlineTest, AHeldPostTimesOutThenRetriesOrIsDeclined) {
  ReachTheQuestion(1450, 0);
  steam::fake::HoldResults(true);
  TypeEach("y");
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresPosting);
  d.RunFor(3000);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPosting);
  AwayAndFrame();
  EXPECT_TRUE(TextShown(sysFont, "Posting Score ... 3", 335));
  ASSERT_TRUE(d.RunUntil([] { return highScoreScreen.scoreScreenState != kScoresPosting; }, 9000));
  EXPECT_GT(communityManager->GetRequestWaitTime(), 10000.0f);
  EXPECT_LT(communityManager->GetRequestWaitTime(), 10100.0f);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPostFailed);
  AwayAndFrame();
  EXPECT_TRUE(TextShown(sysFont, "Sorry, your score could not be posted online.", 335));
  EXPECT_TRUE(TextShown(sysFont, "Timeout", 355));

  // 'y' posts again; the service answers this time.
  steam::fake::HoldResults(false);
  TypeEach("y");
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPosting);
  AwaitPostingAnswer();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPosted);

  // An I/O failure of the upload: the manager's message; 'n' declines.
  highScoreScreen.scoreScreenState = kScoresAskToPost;
  steam::fake::FailNextResult(steam::CallKind::UploadScore);
  TypeEach("Y");
  AwaitPostingAnswer();
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresPostFailed);
  EXPECT_TRUE(TextShown(sysFont, communityManager->GetErrorMessage(), 355));
  EXPECT_EQ(communityManager->GetErrorMessage(), "Score upload failed.");
  TypeEach("n");
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresDeclined);
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  EXPECT_EQ(program.fullRedraw, 1);
}

TEST_F(HighScoresOnlineTest, OfflinePostFailsWithTheManagersMessage) {
  DriverOptions options;
  options.communityOff = true;
  ReachTheQuestion(1450, 0, options);
  ClickAndFrame(kLeftChoiceX, kChoiceY);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPosting);
  d.Frame();
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresPostFailed);
  AwayAndFrame();
  EXPECT_TRUE(TextShown(sysFont, "Community not online!", 355));
  // Cancel declines.
  ClickAndFrame(kRightChoiceX, kChoiceY);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresDeclined);
}

TEST_F(HighScoresOnlineTest, OnlineTableOfThreeUsersWithNamesArrivingLate) {
  StartOnSelection();
  const std::string board = GetSelectedLeaderboardName();
  steam::fake::SeedLeaderboardEntry(board, 501, "Quill", 9000, {2});  // above the set's one board: Won!
  steam::fake::SeedLeaderboardEntry(board, 502, "Rook", 7000, {1});
  steam::fake::SeedLeaderboardEntry(board, 503, "Sable", 5000, {});
  EnterScores({});
  ClickAndFrame(kOnlineX, kLowButtonsY);
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresOnlineTable);
  ASSERT_TRUE(
      d.RunUntil([] { return !communityManager->IsDownloading() && communityManager->GetEntryCount() == 3; }, 2000));
  AwayAndFrame();
  EXPECT_TRUE(TextShown(sysFont, "(Online Scores)", 200));
  const int32_t pitch = sysFont.lineHeight + 7;
  EXPECT_TRUE(TextShown(sysFont, "1", 261 + pitch, 336));
  EXPECT_TRUE(TextShown(sysFont, "Quill", 261 + pitch, 394));
  EXPECT_TRUE(TextShown(sysFont, "9000", 261 + pitch, 830));
  EXPECT_TRUE(TextShown(sysFont, "Won!", 261 + pitch, 910));
  EXPECT_TRUE(TextShown(sysFont, "Rook", 261 + 2 * pitch, 394));
  EXPECT_TRUE(TextShown(sysFont, "1", 261 + 2 * pitch, 910));
  EXPECT_TRUE(TextShown(sysFont, "3", 261 + 3 * pitch, 336));
  EXPECT_TRUE(TextShown(sysFont, "0", 261 + 3 * pitch, 910));

  // A name the service learns later shows in the next frame.
  steam::fake::AddUser(502, "Rookwood");
  steam::fake::PostPersonaStateChange(502);
  d.Frame();
  AwayAndFrame();
  EXPECT_TRUE(TextShown(sysFont, "Rookwood", 261 + 2 * pitch, 394));

  // The local table again with its button, and Esc leaves.
  ClickAndFrame(kOnlineX, kLowButtonsY);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresLocalTable);
  ClickAndFrame(kOnlineX, kLowButtonsY);
  EXPECT_EQ(highScoreScreen.scoreScreenState, kScoresOnlineTable);
  KeyFrame(plat::kKeyEscape);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
}

TEST_F(HighScoresOnlineTest, UploadedScoreCarriesTheBestPlayersBoard) {
  // Two players: the second is best; the fake keeps what was sent, so the
  // online table shows it with its detail.
  StartOnSelection();
  steam::fake::SetLeaderboardsOnDemand(true);
  EnterScores({{1420, 0}, {1480, 4}});
  TypeEach("A");
  KeyFrame(plat::kKeyEnter);
  TypeEach("B");
  KeyFrame(plat::kKeyEnter);
  d.Frame();
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresAskToPost);
  TypeEach("y");
  AwaitPostingAnswer();
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresPosted);
  EXPECT_EQ(communityManager->GetScoreUploadResult()->score, 1480);
  TypeEach("k");
  ASSERT_TRUE(
      d.RunUntil([] { return !communityManager->IsDownloading() && communityManager->GetEntryCount() == 1; }, 2000));
  int32_t rank = 0, score = 0, detail = 0;
  std::string name;
  ASSERT_TRUE(communityManager->GetEntry(0, rank, name, score, detail));
  EXPECT_EQ(score, 1480);
  EXPECT_EQ(detail, 5);  // board 4 (from 0) + 1
}

TEST_F(HighScoresOnlineTest, AHeldDownloadTimesOutAfterTenWholeSeconds) {
  StartOnSelection();
  steam::fake::SetLeaderboardsOnDemand(true);
  EnterScores({});
  steam::fake::HoldResults(true);
  ClickAndFrame(kOnlineX, kLowButtonsY);
  AwayAndFrame();
  EXPECT_TRUE(TextShown(sysFont, "Downloading scores ... 0", 350));
  d.RunFor(10500);
  AwayAndFrame();
  EXPECT_TRUE(communityManager->GetErrorMessage().empty());  // 10 whole seconds are still waited
  ASSERT_TRUE(d.RunUntil([] { return !communityManager->GetErrorMessage().empty(); }, 1500));
  EXPECT_EQ(communityManager->GetErrorMessage(), "Timeout");
  AwayAndFrame();
  EXPECT_TRUE(TextShown(sysFont, "Unable to download online scores ...", 350));
  EXPECT_TRUE(TextShown(sysFont, "Timeout", 370));
}

}  // namespace
}  // namespace vantrel::test
