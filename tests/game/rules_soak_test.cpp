// Thousands of random rule calls on boards of hostile values: the lists,
// the queue, the cells, the score and the display stay sound.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>
#include <set>

#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/explosions.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "graphics/display.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "game/support/rules_fixture.h"

using namespace vantrel::test;

namespace {

class Soak : public RulesFixture {
 protected:
  Soak() : RulesFixture(BrickSet::kFull, Backgrounds::kTwoTiles, Audio::kOff) {}

  // Every value a cell may hold that did not come from the board itself.
  static bool Allowed(int32_t v, const std::set<int32_t>& start, int32_t count) {
    if (v == 0 || start.count(v)) return true;
    if (v >= 1 && v <= count) return true;
    if (v < 0 && v >= -999) return true;  // a hidden number
    return false;
  }

  void Run(uint32_t seed, BrickSet variant, int32_t columns) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << " variant " << int(variant) << " columns " << columns);
    communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
    ResetGameStateForTests();
    communityManager = &community;
    LoadBricks(variant);
    std::mt19937 rng(seed);
    plat::Srand(seed);
    const int32_t count = boardSet.bricks.count;
    const int32_t hostile[] = {0,       1,       count, count + 1, 500, 999, 1000, 5000, -1, -count, -1000,
                               INT_MIN, INT_MAX, 3,     7,         12,  11,  13,   -14,  14, -5000,  9};
    boardSet.columns = columns;
    boardSet.boardCount = 1;
    boardSet.currentBoard = 0;
    std::set<int32_t> start;
    for (int c = 0; c < BoardRecord::kColumns; ++c) {
      for (int r = 0; r < 20; ++r) {
        const int32_t v = hostile[rng() % (sizeof hostile / sizeof hostile[0])];
        boardSet.SetCell(c, r, v);
        start.insert(v);
        if (v > 0 && v <= 999) start.insert(-v);
      }
    }
    HideInvisibleBricks();
    const float odd[] = {NAN, INFINITY, -INFINITY, 1e20f, -1e20f, 3e9f, -0.0f};
    int32_t lastScore = play.player.score;
    for (int step = 0; step < 4000; ++step) {
      plat::SetFakeMilliClock(uint32_t(step * 17));
      play.game.playClock = step * 16;
      const int32_t c = int32_t(rng() % 30) - 2, r = int32_t(rng() % 24) - 2;
      play.board.throughOn = rng() % 7 == 0;
      play.board.fireballOn = rng() % 9 == 0;
      play.board.doubleScoreMs = rng() % 5 == 0 ? 100 : 0;
      play.particlesLastFrame = rng() % 3 == 0 ? 600 : 0;
      switch (rng() % 8) {
        case 0:
        case 1: HitBrick(c, r, int32_t(rng() % 2), int32_t(rng() % 2)); break;
        case 2: {
          Entity ball(rng() % 4 == 0 ? kEntityLaserBolt : kEntityBall, 1, 0, float(rng() % 1400) - 60.0f,
                      float(rng() % 600), float(int(rng() % 1400) - 700), float(int(rng() % 1400) - 700));
          ball.width = ball.height = float(rng() % 30);
          if (rng() % 4 == 0) ball.x = odd[rng() % 7];
          if (rng() % 4 == 0) ball.y = odd[rng() % 7];
          if (rng() % 6 == 0) ball.width = odd[rng() % 7];
          BallBrickCollision(&ball);
          if (std::isfinite(ball.vx) && std::isfinite(ball.vy)) ClampBallSpeed(&ball, 0);
          break;
        }
        case 3: LightningStrike(uint8_t(rng() % 2)); break;
        case 4:
          if (rng() % 10 == 0) ZapBricks();
          break;
        case 5: {
          const int32_t v = rng() % 2 ? hostile[rng() % (sizeof hostile / sizeof hostile[0])] : int32_t(rng() % 20);
          if (v > 0 && v <= 999) start.insert(-v);
          start.insert(v);
          SetBrick(c, r, v);
          break;
        }
        case 6: {
          const int32_t n = NextBrickInRun(hostile[rng() % (sizeof hostile / sizeof hostile[0])], int32_t(rng() % 8));
          ASSERT_GE(n, -1);
          ASSERT_LT(n, std::max(count, 1));
          break;
        }
        case 7:
          play.capsuleMarker = int32_t(rng() % 3);
          play.lastBallVx = float(int(rng() % 600) - 300);
          MaybeDropPowerUp(c, r, int32_t(rng() % 2));
          break;
      }
      // Pop an explosion now and then, as the play scene does.
      if (rng() % 3 == 0 && exploQueueHead.next) {
        ExploQueue* q = exploQueueHead.next;
        const int32_t qc = q->column, qr = q->row;
        UnlinkAndDelete(q);
        if (boardSet.GetCell(qc, qr) != 0) HitBrick(qc, qr, 1, 0);
      }
      // Expire entities so the list stays small.
      if (step % 50 == 0) entityHead.DeleteAll();
      ASSERT_NO_FATAL_FAILURE(Check(start, count, lastScore));
      lastScore = play.player.score;
    }
  }

  void Check(const std::set<int32_t>& start, int32_t count, int32_t lastScore) {
    int n = 0;
    for (const Entity* e = &entityHead; e->next; e = e->next) {
      ASSERT_EQ(e->next->prev, e);
      ASSERT_LT(++n, 20000);
    }
    ASSERT_EQ(entityHead.prev, nullptr);
    std::set<std::pair<int32_t, int32_t>> cells;
    for (const ExploQueue* q = &exploQueueHead; q->next; q = q->next) {
      ASSERT_EQ(q->next->prev, q);
      ASSERT_TRUE(cells.insert({q->next->column, q->next->row}).second) << "queued twice";
      ASSERT_TRUE(IsOnBoard(q->next->column, q->next->row));
    }
    for (int c = 0; c < BoardRecord::kColumns; ++c)
      for (int r = 0; r < 20; ++r)
        ASSERT_TRUE(Allowed(boardSet.GetCell(c, r), start, count)) << c << "," << r << " " << boardSet.GetCell(c, r);
    ASSERT_GE(play.player.score, lastScore);
    ASSERT_LE(TheDisplay().dirtyCount, kMaxDirtyRects);
    ASSERT_EQ(TheDisplay().lockCount, 0);
    if (TheDisplay().dirtyCount > 400) TheDisplay().Present(kPresentDirtyOnly);
  }
};

TEST_F(Soak, HostileBoardsAndRandomCalls) {
  const BrickSet variants[] = {BrickSet::kFull, BrickSet::kNoExplo, BrickSet::kZappedLast, BrickSet::kZeroImage,
                               BrickSet::kMissing};
  uint32_t seed = 1;
  for (BrickSet variant : variants) {
    for (int32_t columns : {20, 26}) {
      Run(seed++, variant, columns);
      if (HasFatalFailure()) return;
    }
  }
}

}  // namespace
