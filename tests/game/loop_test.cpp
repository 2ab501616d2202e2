// The main loop's timing over the fake clock: when frames run, how long they
// say they were, pausing, inactivity, quitting, a clock past 2^31 ms, and the
// wait between frames (for the time left, or until a message arrives).
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "game/frame.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "game/play/play_state.h"
#include "game/support/game_driver.h"

using vantrel::test::GameDriver;

namespace {

class LoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    d.Prepare();
    ASSERT_EQ(d.StartUp(), std::nullopt);
    // Nothing to draw: the scene number has no scene.
    program.sceneNumber = kSceneNone;
    d.Frame();
    SetFrameHookForTests([this] { frames.push_back(program.frameMs); });
  }
  void TearDown() override {
    SetFrameHookForTests(nullptr);
    d.Windows().SetTimedWaitHandler(nullptr);
  }

  bool Turn() { return MainLoopTurn(d.Loop()); }
  // Turns until no message waits.
  void Drain() {
    plat::Message m;
    while (d.Windows().PeekMessage(&m, false)) ASSERT_TRUE(Turn());
  }
  // From here on every wait of the loop lasts the whole time it asks for,
  // as a real one does when nothing arrives.
  void WaitsLetTheirTimePass() {
    d.Windows().SetTimedWaitHandler([](uint32_t ms) { plat::AdvanceFakeClockMs(ms); });
    d.Windows().ClearTimedWaits();
  }
  const std::vector<uint32_t>& Waits() { return d.Windows().TimedWaits(); }

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
  const int32_t before = program.totalMs;
  d.Frame(120);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], 50);
  EXPECT_FLOAT_EQ(program.frameSec, 0.05f);
  EXPECT_EQ(program.totalMs - before, 50);
}

TEST_F(LoopTest, PausedFramesRunWithZeroTime) {
  play.board.paused = 1;
  const int32_t before = program.totalMs;
  const size_t fpsBefore = std::count(d.DebugText().begin(), d.DebugText().end(), 'F');
  d.RunFor(200, 10);
  EXPECT_EQ(frames.size(), 20u);
  for (int32_t ms : frames) EXPECT_EQ(ms, 0);
  EXPECT_EQ(program.totalMs, before);
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
  SetFrameHookForTests([] { program.quitRequested = 1; });
  d.Frame(16);
  EXPECT_FALSE(d.Running());
  EXPECT_EQ(d.Loop().result, 0);
}

TEST_F(LoopTest, QuitRequestedWithMessagesWaitingGivesZeroNotTheirParameters) {
  program.quitRequested = 1;
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

TEST_F(LoopTest, BetweenChecksTheLoopWaitsForTheTimeLeftAndNoLonger) {
  // SetUp's frame has just run; every turn with nothing waiting waits for
  // what is left of the 9 ms, and none spins.
  d.Windows().ClearTimedWaits();
  for (uint32_t step : {0u, 3u, 4u, 1u}) {
    plat::AdvanceFakeClockMs(step);
    ASSERT_TRUE(Turn());
  }
  EXPECT_EQ(Waits(), (std::vector<uint32_t>{9, 6, 2, 1}));
  EXPECT_TRUE(frames.empty());

  // A waiting message is handled at once: no wait.
  d.MoveMouse(10, 10);
  ASSERT_TRUE(Turn());
  EXPECT_EQ(Waits().size(), 4u);

  // At 9 ms the frame runs instead of a wait; the next wait is a whole 9 ms.
  plat::AdvanceFakeClockMs(1);
  ASSERT_TRUE(Turn());
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], 9);
  EXPECT_EQ(Waits().size(), 4u);
  ASSERT_TRUE(Turn());
  EXPECT_EQ(Waits().back(), 9u);
}

TEST_F(LoopTest, WaitsThatLastTheirTimeKeepAFrameEveryNineMilliseconds) {
  // Each frame takes 3.4 ms of its own: the wait after it is for the whole
  // milliseconds left, so the next check is never early and never late.
  WaitsLetTheirTimePass();
  SetFrameHookForTests([this] {
    frames.push_back(program.frameMs);
    plat::AdvanceFakeCounter(34 * plat::kPerfFrequency / 10000);
  });
  const int32_t before = program.totalMs;
  for (int turn = 0; turn < 200; ++turn) ASSERT_TRUE(Turn());
  // Wait, frame, wait, frame...: none lost, each 9 ms.
  ASSERT_EQ(frames.size(), 100u);
  for (int32_t ms : frames) EXPECT_EQ(ms, 9);
  EXPECT_EQ(program.totalMs - before, 900);
  ASSERT_EQ(Waits().size(), 100u);
  EXPECT_EQ(Waits()[0], 9u);  // SetUp's frame took no time
  // Then 9 less the frame's 3.4 ms as the loop's millisecond clock reads
  // them: 6, or 5 when the fractions carry into the next millisecond.
  for (size_t i = 1; i < Waits().size(); ++i) EXPECT_TRUE(Waits()[i] == 6u || Waits()[i] == 5u) << i;
}

TEST_F(LoopTest, AMessageEndsTheWaitAndIsHandledBeforeTheFrameIsDue) {
  int waits = 0;
  d.Windows().SetTimedWaitHandler([&](uint32_t ms) {
    // 2 ms into the first wait the mouse moves; later waits last their time.
    if (waits++ > 0) return plat::AdvanceFakeClockMs(ms);
    plat::AdvanceFakeClockMs(2);
    d.MoveMouse(100, 200);
  });
  d.Windows().ClearTimedWaits();
  ASSERT_TRUE(Turn());  // waits; the move arrives
  ASSERT_TRUE(Turn());  // handles it, 2 ms after the frame
  EXPECT_EQ(input.mouseX, 100);
  EXPECT_EQ(input.mouseY, 200);
  EXPECT_TRUE(frames.empty());
  ASSERT_TRUE(Turn());  // waits for the 7 ms left
  ASSERT_TRUE(Turn());  // the frame, on time
  EXPECT_EQ(Waits(), (std::vector<uint32_t>{9, 7}));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], 9);
}

TEST_F(LoopTest, PausedOrInactiveTheChecksGoOnEveryNineMillisecondsWithoutSpinning) {
  struct Case {
    const char* name;
    bool pause;
    bool deactivate;
    size_t frames;      // frames run in 900 ms
    int32_t totalGain;  // what totalMs gains meanwhile
  };
  const Case cases[] = {
      {"paused", true, false, 100, 0},
      // Inactive: no frames, but the running total goes on as before.
      {"inactive", false, true, 0, 900},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    play.board.paused = c.pause ? 1 : 0;
    d.Focus(!c.deactivate);
    Drain();
    d.Frame(16);
    frames.clear();
    WaitsLetTheirTimePass();
    const int32_t before = program.totalMs;
    // Two turns a check: one wait of 9 ms, then the check.
    for (int turn = 0; turn < 200; ++turn) ASSERT_TRUE(Turn());
    EXPECT_EQ(frames.size(), c.frames);
    for (int32_t ms : frames) EXPECT_EQ(ms, 0);
    EXPECT_EQ(program.totalMs - before, c.totalGain);
    EXPECT_EQ(Waits(), std::vector<uint32_t>(100, 9));
  }
}

}  // namespace
