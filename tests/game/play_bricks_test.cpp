// Balls against bricks in play: a plain brick broken, the explosion queue
// and its chains, the explosive bricks' animation, bricks moved by the fall.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <tuple>

#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/support/play_harness.h"

using vantrel::test::PlayHarness;
using vantrel::test::PlayOptions;
using vantrel::test::Rows;

namespace {

constexpr int32_t kFrameLengths[] = {9, 16, 33, 50};

float SpeedOf(const Entity* e) { return std::hypot(e->vx, e->vy); }

// Two boards: the first with one plain brick at (10, 5), the second with a
// brick so the game goes on.
void OneBrickSet(PlayHarness& h) { h.MakeSet({Rows({"", "", "", "", "", "..........R"}), Rows({"R"})}); }

// The sparks of a hit leave the screen in the next frame.
void RemoveSparks(PlayHarness& h) {
  for (Entity* e = entityHead.next; e; e = e->next) e->dead |= e->kind == kEntitySpark;
  h.Step();
}

}  // namespace

TEST(PlayBricks, BallBreaksAPlainBrick) {
  struct Case {
    int32_t ballSize;
    int32_t paddle;
    bool doubled;
    int32_t points;  // at 400 px/s: int(400 x 0.04) = 16, then the bonuses
  };
  const Case cases[] = {
      {1, 2, false, 16}, {0, 2, false, 24}, {1, 0, false, 24}, {0, 0, false, 32}, {1, 2, true, 32},
  };
  for (int32_t ms : kFrameLengths) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "ball " << c.ballSize << " paddle " << c.paddle << (c.doubled ? " x2 " : " ")
                                      << ms << " ms");
      PlayHarness h;
      OneBrickSet(h);
      h.Begin();
      play.board.paddleSize = c.paddle;
      if (c.doubled) play.board.doubleScoreMs = 5000;
      Entity* ball = h.BallBelowCell(10, 5, 400.0f, c.ballSize);
      const int32_t before = play.player.score;
      h.ClearSounds();
      h.Step(ms);
      EXPECT_EQ(h.Cell(10, 5), 0);
      EXPECT_EQ(play.player.score - before, c.points);
      EXPECT_NEAR(SpeedOf(ball), 402.25f, 0.05f);
      EXPECT_GT(ball->vy, 0.0f);
      ASSERT_EQ(h.SoundCount(kSoundWowPulse), 1);
      for (const auto& s : h.Sounds()) {
        if (s.sample == kSoundWowPulse) {
          EXPECT_EQ(s.x, 160.0f + 10 * 48 + 24);
        }
      }
      EXPECT_EQ(h.Count(kEntityBrickPiece), 1);
      EXPECT_EQ(play.board.boardCleared, 0);  // seen by the next frame's count

      // The board is cleared at once, but the next board waits for the piece.
      h.Step(ms);
      EXPECT_EQ(play.board.boardCleared, 1);
      EXPECT_EQ(play.nextBoard, 1);
      int32_t frames = 0;
      while (h.Count(kEntityBrickPiece) > 0 && frames < 100) {
        EXPECT_EQ(play.board.boardPending, 0);
        EXPECT_EQ(boardSet.currentBoard, 0);
        h.Step(ms);
        ++frames;
      }
      EXPECT_LE(frames * ms, 150 + 2 * ms);
      h.StepUntil([] { return boardSet.currentBoard == 1; }, 5, ms);
      EXPECT_EQ(play.board.boardPending, 1);
      EXPECT_EQ(h.Community().added["BoardsCompleted"], 1.0f);
    }
  }
}

TEST(PlayBricks, ExplosionChainPopsOneNodePerFrameAndHitsNeighbours) {
  for (bool doubled : {false, true}) {
    SCOPED_TRACE(doubled ? "x2" : "plain");
    PlayHarness h;
    h.MakeSet({Rows({"", "", "", "", "", ".EEE.", ".RHR.", "", "", "", "", "", "R"})});
    h.Begin();
    h.HoldAllBalls();
    if (doubled) play.board.doubleScoreMs = 60000;
    const int32_t before = play.player.score;
    ASSERT_EQ(HitBrick(2, 5, 0, 0), 1);
    ASSERT_EQ(h.QueueCells().size(), 1u);
    EXPECT_NE(h.Cell(2, 5), 0) << "a queued brick keeps its cell until it goes off";

    std::vector<int32_t> values;  // of each explosion, in the order they came
    std::vector<int32_t> popTimes;
    std::set<std::tuple<int32_t, float, float>> known;  // creation time and cell
    for (int frame = 0; frame < 200 && (!h.QueueCells().empty() || h.Count(kEntityExplosion) > 0); ++frame) {
      h.Step(16);
      for (Entity* e = entityHead.next; e; e = e->next) {
        if (e->kind != kEntityExplosion || !known.insert({e->aux, e->x, e->y}).second) continue;
        values.push_back(e->value);
        popTimes.push_back(e->aux);
      }
    }
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values, (std::vector<int32_t>{0, 1, 0}));  // every second one hidden, the last shown
    for (size_t i = 1; i < popTimes.size(); ++i) EXPECT_GT(popTimes[i] - popTimes[i - 1], 24);
    EXPECT_TRUE(h.QueueCells().empty());
    for (int c = 1; c <= 3; ++c) {
      EXPECT_EQ(h.Cell(c, 5), 0);
      EXPECT_EQ(h.Cell(c, 6), 0);
    }
    // Three explosions at 8 and the R, H, R below at 8 each (all doubled under x2).
    EXPECT_EQ(play.player.score - before, (doubled ? 2 : 1) * 8 * 6);
    EXPECT_NE(h.Cell(0, 12), 0);
  }
}

TEST(PlayBricks, HitOnAnAlreadyQueuedBrickMovesItToTheFront) {
  PlayHarness h;
  h.MakeSet({Rows({"", "", "", "E.E.E", "", "", "R"})});
  h.Begin();
  h.HoldAllBalls();
  HitBrick(0, 3, 1, 0);
  HitBrick(2, 3, 1, 0);
  HitBrick(4, 3, 1, 0);
  auto cells = h.QueueCells();
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells.front(), std::make_pair(0, 3));
  HitBrick(4, 3, 0, 0);
  cells = h.QueueCells();
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells.front(), std::make_pair(4, 3));
}

TEST(PlayBricks, QueuedBrickMovedByTheFallLeavesItsNodeOnAnEmptyCell) {
  PlayHarness h;
  h.MakeSet({Rows({".....E", "", "", "", "", "", "", "", "", "", "R"})});
  h.Begin();
  h.HoldAllBalls();
  HitBrick(5, 0, 0, 0);
  play.game.lastExplosionTime = play.game.playClock;  // hold the pop back until the fall has run
  play.board.fallRunning = 1;
  play.board.fallColumn = 5;
  h.Step(9);
  EXPECT_EQ(h.Cell(5, 0), 0);
  EXPECT_NE(h.Cell(5, 1), 0);
  const int32_t before = play.player.score;
  h.StepUntil([&] { return h.QueueCells().empty(); }, 20, 9);
  EXPECT_EQ(play.player.score, before) << "the pop cleared nothing, so it scored nothing";
  EXPECT_NE(h.Cell(5, 1), 0);
}

TEST(PlayBricks, ExplosiveBricksStepThroughTheirRun) {
  PlayHarness h;
  h.MakeSet({Rows({"E", "", "", "R"})});
  h.Begin();
  h.HoldAllBalls();
  int32_t explosiveNumbers = 0;
  for (int32_t n = 1; n < boardSet.bricks.count && n < 1000; ++n)
    explosiveNumbers += boardSet.GetBrickType(n) == kBrickExplo;
  const int32_t first = h.Cell(0, 0);
  std::set<int32_t> seen{first};
  for (int i = 0; i < 60; ++i) {
    h.Step(50);  // 200 cells a frame: the whole board in three frames
    const int32_t v = h.Cell(0, 0);
    ASSERT_EQ(boardSet.GetBrickType(v), kBrickExplo) << v;
    seen.insert(v);
  }
  if (explosiveNumbers > 1) {
    EXPECT_GT(seen.size(), 1u);
  }
}

// The pack's explosion is twice a cell wide: in the outer columns of a wide
// set it reaches past the screen's edges. It is drawn clipped to the board
// and its border, shown in the presented picture, and wiped when it ends.
TEST(PlayBricks, ExplosionsInTheOuterColumnsOfBothLayoutsAreSeen) {
  PlayOptions o;
  o.generatedPack = true;
  o.showScores = false;  // no floating number over the explosion
  for (int32_t columns : {20, 26}) {
    PlayHarness h(o);
    ASSERT_TRUE(h.LoadPackSet("Starter.bdz"));
    std::string row(static_cast<size_t>(columns), '.');
    row.front() = row.back() = 'E';
    h.MakeSet({Rows({"R", "", "", "", "", row.c_str()})}, columns);
    h.Begin();
    h.HoldAllBalls();
    play.player.charmDelay = 1000;  // no charm comes
    const int32_t left = boardSet.GetBoardLeft();
    // 20 columns: the border is 30 wide, from 130 to 1150; 26 columns: the
    // board and its 16-pixel border fill the screen's width.
    const int32_t frameLeft = columns == 20 ? 130 : 0, frameRight = columns == 20 ? 1150 : 1280;
    for (int32_t column : {0, columns - 1}) {
      SCOPED_TRACE(testing::Message() << columns << " columns, column " << column);
      play.capsuleMarker = 1000;  // no power-up drops
      ASSERT_EQ(HitBrick(column, 5, 0, 0), 1);
      ASSERT_TRUE(h.StepUntil([&] { return h.Count(kEntityExplosion) > 0; }, 10));
      h.Steps(11);  // the explosion at its fullest; the brick piece is gone
      RemoveSparks(h);
      ASSERT_EQ(h.Count(kEntityExplosion), 1);
      const int32_t cx = left + 48 * column + 24, cy = 5 * 24 + 52;
      const int32_t x0 = std::max(cx - 48, frameLeft), x1 = std::min(cx + 48, frameRight);
      // The explosion's own square, clipped to the board and its border.
      const std::array<int32_t, 4> square = {x0, cy - 48, x1, cy + 48}, paddle = {0, 600, 1280, 720};
      EXPECT_EQ(h.BackBufferDiffersFromBackdrop({square, paddle}), 0);
      EXPECT_GT(h.BackBufferDiffersFromBackdrop({paddle}), 2000) << "the explosion is not drawn";
      std::string why;
      EXPECT_TRUE(h.PresentedMatchesBackBuffer(&why)) << why;
      if (columns == 26) h.SaveReview(column == 0 ? "wide-edge-explosion-left" : "wide-edge-explosion-right");
      ASSERT_TRUE(h.StepUntil([&] { return h.Count(kEntityExplosion) == 0; }, 60));
      RemoveSparks(h);
      EXPECT_EQ(h.BackBufferDiffersFromBackdrop({{0, 600, 1280, 720}}), 0) << "the explosion is not wiped";
    }
  }
}
