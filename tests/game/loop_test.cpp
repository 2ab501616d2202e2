// The main loop's timing over the fake clock: when frames run, how long they
// say they were, pausing, inactivity, quitting and a clock past 2^31 ms.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/frame.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "game/support/game_driver.h"

using vantrel::test::GameDriver;

namespace {

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d.Prepare();
    ASSERT_EQ(d.StartUp(), std::nullopt);
    // Nothing to draw: the scene number has no scene.
    sceneNumber = 99;
    d.Frame();
    SetFrameHookForTests([this] { frames.push_back(frameMs); });
  }
  void TearDown() override { SetFrameHookForTests(nullptr); }

  GameDriver d;
  std::vector<int32_t> frames;
};

TEST_F(LoopTest, AFrameRunsOnlyAfterMoreThanEightMilliseconds) {
  d.Frame(5);
  EXPECT_TRUE(frames.empty());
  d.Frame(5);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], 10);
  d.Frame(8);
  d.Frame(1);
  EXPECT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[1], 9);
}

TEST_F(LoopTest, AStallIsCutToFiftyMilliseconds) {
  const int32_t before = totalMs;
  d.Frame(120);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], 50);
  EXPECT_FLOAT_EQ(frameSec, 0.05f);
  EXPECT_EQ(totalMs - before, 50);
}

TEST_F(LoopTest, PausedFramesRunWithZeroTime) {
  paused = 1;
  const int32_t before = totalMs;
  const size_t fpsBefore = std::count(d.DebugText().begin(), d.DebugText().end(), 'F');
  d.RunFor(200, 10);
  EXPECT_EQ(frames.size(), 20u);
  for (int32_t ms : frames) EXPECT_EQ(ms, 0);
  EXPECT_EQ(totalMs, before);
  EXPECT_EQ(size_t(std::count(d.DebugText().begin(), d.DebugText().end(), 'F')), fpsBefore);
}

TEST_F(LoopTest, NoFramesWhileInactiveAndNoCatchUpAfter) {
  d.Focus(false);
  d.RunFor(10000, 16);
  EXPECT_TRUE(frames.empty());
  d.Focus(true);
  d.Frame(16);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_LE(frames[0], 16);
}

TEST_F(LoopTest, QuitRequestedEndsTheLoopAfterThatFrameWithResultZero) {
  SetFrameHookForTests([] { quitRequested = 1; });
  d.Frame(16);
  EXPECT_FALSE(d.Running());
  EXPECT_EQ(d.Loop().result, 0);
}

TEST_F(LoopTest, QuitRequestedWithMessagesWaitingGivesZeroNotTheirParameters) {
  quitRequested = 1;
  d.Post(plat::kMsgMouseMove, plat::kButtonLeft | plat::kButtonRight, plat::MakeLParam(5, 5));
  EXPECT_FALSE(MainLoopTurn(d.Loop()));
  EXPECT_EQ(d.Loop().result, 0);
}

TEST_F(LoopTest, AClockPastTwoToTheThirtyFirstMillisecondsKeepsFraming) {
  // Move the clock to 100 ms before 2^31 ms of the loop's timer.
  const int64_t ticksPerMs = plat::kPerfFrequency / 1000;
  plat::AdvanceFakeCounter((int64_t(1) << 31) * ticksPerMs - 100 * ticksPerMs -
                           int64_t(uint32_t(mainTimer.Elapsed(1000))) * ticksPerMs);
  d.Frame(16);
  frames.clear();
  d.RunFor(320, 16);
  EXPECT_EQ(frames.size(), 20u);
  for (int32_t ms : frames) EXPECT_EQ(ms, 16);
}

}  // namespace
