// The play rules over the fixture board: brick hits, ball collision, speed
// limits, brick numbers, cell changes, lists, entities, the power-up deck,
// lightning and zap, and scoring.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <map>
#include <set>

#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/buttons.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/explosions.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/scoring.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/options.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/random.h"
#include "game/support/rules_fixture.h"

using namespace vantrel::test;

namespace {

constexpr int32_t kLeft20 = 160;  // board left of a 20-column board on 1280 pixels
constexpr int32_t kCol = 3, kRow = 2;

// Checks that the chain behind head is linked consistently both ways.
template <class T>
void ExpectConsistent(const T& head) {
  EXPECT_EQ(head.prev, nullptr);
  const T* at = &head;
  int n = 0;
  while (at->next) {
    ASSERT_EQ(at->next->prev, at) << "node " << n;
    at = at->next;
    ASSERT_LT(++n, 100000);
  }
}

class Rules : public RulesFixture {
 protected:
  // Every global back at its start; the fixture's links kept.
  void Fresh() {
    communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
    ResetGameStateForTests();
    communityManager = &community;
    community.calls.clear();
    sounds.clear();
    Seed(1);
    TheDisplay().ClearDirtyRects();
  }
  static float CellCentreX(int32_t c) { return float(kLeft20 + 48 * c + 24); }
};

// --- Brick hits ---------------------------------------------------------

enum Hit { kBall, kExplosion, kFast, kThrough };

TEST_F(Rules, BrickHitTable) {
  struct Case {
    int32_t cell;
    Hit hit;
    int32_t after;
    int32_t result;
    int32_t points;
  } cases[] = {
      {kRed, kBall, 0, 1, 10},
      {kRed, kExplosion, 0, 1, 8},
      {kRed, kFast, 0, 1, 10},
      {kInvin, kBall, kInvin, 0, 0},
      {kInvin, kExplosion, 0, 1, 8},
      {kInvin, kThrough, 0, 1, 10},
      {kAlmost, kBall, kInvin, 0, 2},
      {kAlmost, kFast, 0, 1, 10},
      {kMulti, kBall, 8, 0, 2},
      {kMultiLast, kBall, 0, 1, 10},
      {kMulti, kExplosion, 0, 1, 8},
      {kMulti, kFast, 0, 1, 10},
      {kExplo, kBall, kExplo, 1, 0},
      {kExplo, kExplosion, kExplo, 1, 0},
      {-kHidden, kBall, kHidden, 0, 0},
      {-kHidden, kExplosion, 0, 1, 8},
      {-1, kBall, 1, 0, 0},
      {1000, kBall, 0, 1, 10},
      {kZapped, kBall, 0, 1, 10},
      {-5000, kBall, 0, 1, 10},
      {INT_MIN, kBall, 0, 1, 10},
      {INT_MAX, kExplosion, 0, 1, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "cell " << c.cell << " hit " << c.hit);
    Fresh();
    play.pointsPerBrick = 10;
    MakeBoard({});
    boardSet.SetCell(kCol, kRow, c.cell);
    play.board.throughOn = c.hit == kThrough;
    const int32_t result = HitBrick(kCol, kRow, c.hit == kExplosion, c.hit == kFast);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(boardSet.GetCell(kCol, kRow), c.after);
    EXPECT_EQ(play.player.score, c.points);
  }
}

TEST_F(Rules, HitsOffTheBoardOrOnEmptyCellsDoNothing) {
  MakeBoard({"RRRRRRRRRRRRRRRRRRRR"});
  for (auto [c, r] : std::vector<std::pair<int, int>>{{20, 0}, {26, 0}, {-1, 0}, {0, 20}, {0, -1}, {0, 5}}) {
    EXPECT_EQ(HitBrick(c, r, 0, 0), 0) << c << "," << r;
    EXPECT_EQ(HitBrick(c, r, 1, 1), 0) << c << "," << r;
  }
  EXPECT_EQ(play.player.score, 0);
  EXPECT_EQ(entityHead.next, nullptr);
  EXPECT_TRUE(sounds.empty());
  // A cell past the column count is not touched either.
  boardSet.SetCell(22, 0, kRed);
  EXPECT_EQ(HitBrick(22, 0, 0, 0), 0);
  EXPECT_EQ(boardSet.GetCell(22, 0), kRed);
}

TEST_F(Rules, PlainBreakLeavesAPieceSoundAndOneDropRoll) {
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, kRed);
  ASSERT_EQ(HitBrick(kCol, kRow, 0, 0), 1);
  const auto pieces = EntitiesOf(kEntityBrickPiece);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0]->image, &boardSet.bricks);
  EXPECT_EQ(pieces[0]->frame, 0);
  EXPECT_EQ(pieces[0]->x, float(kLeft20 + 48 * kCol));
  EXPECT_EQ(pieces[0]->y, float(40 + 24 * kRow));
  ASSERT_EQ(SoundsOf(kSoundWowPulse).size(), 1u);
  EXPECT_EQ(SoundsOf(kSoundWowPulse)[0].x, CellCentreX(kCol));
  EXPECT_EQ(SoundsOf(kSoundWowPulse)[0].volume, 63);
  // Exactly one step of the drop roll.
  EXPECT_EQ(randomIntState, int32_t(uint32_t(123456) * 1103515245u + 12345u));
  EXPECT_EQ(play.brokenBricksCount, 1);
  EXPECT_EQ(play.player.charmDelay, -1);
}

TEST_F(Rules, ExplosionBreakShowsAnExplosiveImage) {
  for (uint32_t seed = 1; seed < 12; ++seed) {
    Fresh();
    Seed(seed);
    MakeBoard({});
    boardSet.SetCell(kCol, kRow, kRed);
    ASSERT_EQ(HitBrick(kCol, kRow, 1, 0), 1);
    const auto pieces = EntitiesOf(kEntityBrickPiece);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_GE(pieces[0]->frame, kExplo - 1);
    EXPECT_LE(pieces[0]->frame, kExplo + 1);
    EXPECT_TRUE(SoundsOf(kSoundWowPulse).empty());
  }
}

TEST_F(Rules, FastBreakThrowsSparksColouredFromTheImage) {
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, kBlue);
  play.board.gravityOn = 60000;
  ASSERT_EQ(HitBrick(kCol, kRow, 0, 1), 1);
  const auto sparks = EntitiesOf(kEntitySpark);
  // The whole image has pixels: every one of the 20 points is taken.
  ASSERT_EQ(sparks.size(), 20u);
  uint8_t r, g, b;
  const PixelFormat& f = TheDisplay().format;
  f.UnpackPixel(f.Pack((BrickColour(1) >> 16) & 0xFF, (BrickColour(1) >> 8) & 0xFF, BrickColour(1) & 0xFF), &r, &g, &b);
  for (const Entity* s : sparks) {
    EXPECT_EQ(s->aux, r + 256 * g + 65536 * b);
    EXPECT_EQ(s->value, 1000);
    EXPECT_EQ(s->flags, kSparkFalls);
    EXPECT_GE(s->x, kLeft20 + 48 * kCol);
    EXPECT_LT(s->x, kLeft20 + 48 * kCol + 48);
    const float speed = std::sqrt(s->vx * s->vx + s->vy * s->vy);
    if (speed > 0) {
      EXPECT_GE(speed, 49.9f);
      EXPECT_LE(speed, 90.1f);
    }
  }
  EXPECT_EQ(CountEntities(kEntityBrickPiece), 0);
  EXPECT_TRUE(SoundsOf(kSoundWowPulse).empty());
  const auto crack = SoundsOf(kSoundGlassShort);
  ASSERT_EQ(crack.size(), 1u);
  const int32_t rate = 8029;
  EXPECT_GE(crack[0].frequency, rate - rate / 5);
  EXPECT_LT(crack[0].frequency, rate + rate / 3 - rate / 5);
}

TEST_F(Rules, HardBricksCountHitsAndStampTheFirst) {
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, kInvin);
  play.game.playClock = 700;
  EXPECT_EQ(HitBrick(kCol, kRow, 0, 0), 0);
  play.game.playClock = 900;
  EXPECT_EQ(HitBrick(kCol, kRow, 0, 0), 0);
  EXPECT_EQ(play.board.invinHits, 2);
  EXPECT_EQ(play.firstInvinHitTime, 700);
  EXPECT_EQ(SoundsOf(kSoundAoLaser).size(), 2u);
  EXPECT_EQ(boardSet.GetCell(kCol, kRow), kInvin);
  // Any other hit starts the count again.
  boardSet.SetCell(kCol + 1, kRow, kRed);
  HitBrick(kCol + 1, kRow, 0, 0);
  EXPECT_EQ(play.board.invinHits, 0);
  // Through a hard brick: broken with the break sound.
  play.board.throughOn = 1;
  EXPECT_EQ(HitBrick(kCol, kRow, 0, 0), 1);
  EXPECT_EQ(SoundsOf(kSoundWowPulse).size(), 2u);
}

TEST_F(Rules, MultiAndAlmostHardStepsScoreTwoAndSoundOne) {
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, kMulti);
  boardSet.SetCell(kCol + 1, kRow, kAlmost);
  HitBrick(kCol, kRow, 0, 0);
  HitBrick(kCol, kRow, 0, 0);
  EXPECT_EQ(boardSet.GetCell(kCol, kRow), kMultiLast);
  HitBrick(kCol + 1, kRow, 0, 0);
  EXPECT_EQ(boardSet.GetCell(kCol + 1, kRow), kInvin);
  EXPECT_EQ(play.player.score, 6);
  EXPECT_EQ(SoundsOf(kSoundEffect).size(), 3u);
  // Floating scores of 2 went up from the cells.
  EXPECT_EQ(CountEntities(kEntityFloatingScore), 3);
}

class RulesNoInvin : public Rules {
 protected:
  RulesNoInvin() : Rules() {}
  void SetUp() override {
    Rules::SetUp();
    LoadBricks(BrickSet::kNoInvin);
  }
};

TEST_F(RulesNoInvin, AlmostHardBreaksAtOnceWithoutAHardImage) {
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, kAlmost);
  EXPECT_EQ(HitBrick(kCol, kRow, 0, 0), 1);
  EXPECT_EQ(boardSet.GetCell(kCol, kRow), 0);
  EXPECT_EQ(play.player.score, 8);
}

TEST_F(Rules, ExplosiveBricksQueueFrontBackAndMoveToTheFront) {
  MakeBoard({"EEEE"});
  play.player.charmDelay = 10;
  EXPECT_EQ(HitBrick(0, 0, 0, 0), 1);  // front
  EXPECT_EQ(HitBrick(1, 0, 0, 0), 1);  // front: goes off first
  EXPECT_EQ(HitBrick(2, 0, 1, 0), 1);  // back
  using Cells = std::vector<std::pair<int32_t, int32_t>>;
  EXPECT_EQ(QueueCells(), (Cells{{1, 0}, {0, 0}, {2, 0}}));
  // Hitting a queued brick swaps it with the first node.
  EXPECT_EQ(HitBrick(2, 0, 0, 0), 1);
  EXPECT_EQ(QueueCells(), (Cells{{2, 0}, {0, 0}, {1, 0}}));
  ExpectConsistent(exploQueueHead);
  // The cells keep their bricks; each hit counted.
  for (int c = 0; c < 3; ++c) EXPECT_EQ(boardSet.GetCell(c, 0), kExplo);
  EXPECT_EQ(play.brokenBricksCount, 4);
  EXPECT_EQ(play.player.charmDelay, 6);
  EXPECT_EQ(play.player.score, 0);
  EXPECT_TRUE(community.calls.empty());
}

TEST_F(Rules, HiddenBricksShowThemselvesWithSparks) {
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, -kHidden);
  EXPECT_EQ(HitBrick(kCol, kRow, 0, 0), 0);
  EXPECT_EQ(boardSet.GetCell(kCol, kRow), kHidden);
  EXPECT_EQ(SoundsOf(kSoundGlass).size(), 1u);
  const auto sparks = EntitiesOf(kEntitySpark);
  ASSERT_EQ(sparks.size(), 12u);
  for (const Entity* s : sparks) {
    EXPECT_EQ(s->flags, kSparkGrey);
    EXPECT_EQ(s->value, kDefaultSparkLife);
    EXPECT_GE(s->x, kLeft20 + 48 * kCol);
    EXPECT_LT(s->x, kLeft20 + 48 * kCol + 48);
    EXPECT_GE(s->y, 40 + 24 * kRow);
    EXPECT_LT(s->y, 40 + 24 * kRow + 24);
  }
  // No new sparks while last frame had 512 particles.
  Fresh();
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, -kHidden);
  play.particlesLastFrame = 512;
  HitBrick(kCol, kRow, 0, 0);
  EXPECT_EQ(CountEntities(kEntitySpark), 0);
  EXPECT_EQ(SoundsOf(kSoundGlass).size(), 1u);
}

TEST_F(Rules, DoubleScoreShowScoresAndTheCharmCountdown) {
  struct Case {
    int32_t doubleMs, show;
    bool charm;
    int32_t points, floating, delay;
  } cases[] = {{1, 1, false, 16, 1, -1}, {0, 1, false, 8, 1, -1}, {0, 0, false, 8, 0, -1}, {1, 0, true, 16, 0, 0}};
  Entity charm(kEntityCharm, 0, 0, 0, 0, 0, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.points);
    Fresh();
    MakeBoard({});
    boardSet.SetCell(kCol, kRow, kRed);
    play.board.doubleScoreMs = c.doubleMs;
    settings.showScores = c.show;
    play.board.charmEntity = c.charm ? &charm : nullptr;
    HitBrick(kCol, kRow, 0, 0);
    EXPECT_EQ(play.player.score, c.points);
    EXPECT_EQ(CountEntities(kEntityFloatingScore), c.floating);
    EXPECT_EQ(play.player.charmDelay, c.delay);
  }
  play.board.charmEntity = nullptr;
}

TEST_F(Rules, BricksBrokenIsSentInBatchesOutsideCheatMode) {
  for (int cheat : {0, 1}) {
    SCOPED_TRACE(cheat);
    Fresh();
    settings.cheatMode = cheat;
    MakeBoard({});
    for (int i = 0; i < 100; ++i) {
      boardSet.SetCell(kCol, kRow, kRed);
      HitBrick(kCol, kRow, 0, 0);
    }
    EXPECT_TRUE(community.calls.empty());
    EXPECT_EQ(play.brokenBricksCount, 100);
    boardSet.SetCell(kCol, kRow, kRed);
    HitBrick(kCol, kRow, 0, 0);
    EXPECT_EQ(play.brokenBricksCount, 0);
    if (cheat) {
      EXPECT_TRUE(community.calls.empty());
    } else {
      ASSERT_EQ(community.calls.size(), 1u);
      EXPECT_EQ(community.calls[0].what, "AddToStat");
      EXPECT_EQ(community.calls[0].name, "BricksBroken");
      EXPECT_EQ(community.calls[0].value, 101.0f);
    }
  }
  // Without a community manager the count restarts all the same.
  Fresh();
  communityManager = nullptr;
  play.brokenBricksCount = 100;
  MakeBoard({"R"});
  HitBrick(0, 0, 0, 0);
  EXPECT_EQ(play.brokenBricksCount, 0);
}

class RulesZeroImage : public Rules {
 protected:
  void SetUp() override {
    Rules::SetUp();
    LoadBricks(BrickSet::kZeroImage);
  }
};

TEST_F(RulesZeroImage, FastBreakOfAnImageWithoutPixelsMakesNoSparks) {
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, kRed);
  const Image* image = boardSet.bricks.GetImage(0);
  const Bitmap* frame = image->frameCount > 1 ? image->GetFrame(1) : image;
  ASSERT_TRUE(frame->pixels == nullptr || frame->width == 0);
  EXPECT_EQ(HitBrick(kCol, kRow, 0, 1), 1);
  EXPECT_EQ(CountEntities(kEntitySpark), 0);
  EXPECT_EQ(SoundsOf(kSoundGlassShort).size(), 1u);
  EXPECT_EQ(boardSet.GetCell(kCol, kRow), 0);
  // SetBrick with that number draws the background, not a picture.
  EXPECT_NE(SetBrick(kCol, kRow, kRed), 0);
}

class RulesMissingBricks : public Rules {
 protected:
  void SetUp() override {
    Rules::SetUp();
    LoadBricks(BrickSet::kMissing);
  }
};

TEST_F(RulesMissingBricks, AFailedBrickSetLeavesEveryNumberPlain) {
  // The full set was loaded first; its kinds are gone with it.
  for (int32_t n = 0; n <= kBrickCount + 1; ++n) EXPECT_EQ(boardSet.GetBrickType(n), kBrickPlain) << n;
  EXPECT_EQ(NextBrickIdOfKind(0, kBrickExplo), -1);
  MakeBoard({});
  boardSet.SetCell(kCol, kRow, kInvin);
  // A former hard number now breaks as a plain brick; fast breaks have no
  // picture to take sparks from.
  EXPECT_EQ(HitBrick(kCol, kRow, 0, 1), 1);
  EXPECT_EQ(CountEntities(kEntitySpark), 0);
  EXPECT_EQ(HideInvisibleBricks(), 0);
}

// --- Ball collision ------------------------------------------------------

class Collision : public Rules {
 protected:
  // A normal ball (17 x 17) centred at a point of cell (5, 5).
  Entity Ball(float vx, float vy, EntityKind kind = kEntityBall) {
    Entity ball(kind, 1, 0, float(kLeft20 + 48 * 5 + 40), float(40 + 24 * 5 + 10), vx, vy);
    ball.width = 17;
    ball.height = 17;
    return ball;
  }
};

TEST_F(Collision, UpAndRightIntoBricksAboveAndRightReflectsBoth) {
  MakeBoard({});
  boardSet.SetCell(5, 4, kRed);  // above
  boardSet.SetCell(6, 5, kRed);  // right
  Entity ball = Ball(100, -100);
  EXPECT_EQ(BallBrickCollision(&ball), 1);
  EXPECT_EQ(ball.vx, -100);
  EXPECT_EQ(ball.vy, 100);
  EXPECT_EQ(boardSet.GetCell(5, 4), 0);
  EXPECT_EQ(boardSet.GetCell(6, 5), 0);
  EXPECT_EQ(BallBrickCollision(nullptr), 0);
}

TEST_F(Collision, AReflectedComponentIsAtLeastFive) {
  MakeBoard({});
  boardSet.SetCell(5, 4, kRed);
  Entity still = Ball(0, 0);
  EXPECT_EQ(BallBrickCollision(&still), 0);
  EXPECT_EQ(boardSet.GetCell(5, 4), kRed);
  EXPECT_EQ(still.vy, 0);
  Entity slow = Ball(0, -0.1f);
  EXPECT_EQ(BallBrickCollision(&slow), 1);
  EXPECT_EQ(slow.vy, 5);
}

TEST_F(Collision, ThroughKeepsTheVelocityAndHitsEveryLaterTouchedProbe) {
  for (int through : {0, 1}) {
    SCOPED_TRACE(through);
    Fresh();
    MakeBoard({});
    boardSet.SetCell(5, 4, kRed);  // above
    boardSet.SetCell(6, 5, kRed);  // right
    play.board.throughOn = through;
    Entity ball = Ball(0, -100);
    EXPECT_EQ(BallBrickCollision(&ball), 1);
    EXPECT_EQ(boardSet.GetCell(5, 4), 0);
    if (through) {
      EXPECT_EQ(ball.vx, 0);
      EXPECT_EQ(ball.vy, -100);
      EXPECT_EQ(boardSet.GetCell(6, 5), 0);
    } else {
      EXPECT_EQ(ball.vy, 100);
      EXPECT_EQ(boardSet.GetCell(6, 5), kRed);
    }
  }
}

TEST_F(Collision, ProbesOffTheBoardAreIgnored) {
  MakeBoard({});
  // Cells kept in the record beyond a 20-column board, and probes left of
  // column 0 and above row 0.
  for (int c = 20; c < 26; ++c)
    for (int r = 0; r < 20; ++r) boardSet.SetCell(c, r, kRed);
  Entity right(kEntityBall, 1, 0, float(kLeft20 + 48 * 20 - 4), 100, 100, 0);
  right.width = right.height = 17;
  EXPECT_EQ(BallBrickCollision(&right), 0);
  Entity left(kEntityBall, 1, 0, float(kLeft20 + 4), 100, -100, 0);
  left.width = left.height = 17;
  boardSet.SetCell(0, 2, 0);
  EXPECT_EQ(BallBrickCollision(&left), 0);
  Entity top(kEntityBall, 1, 0, 300, 44, 0, -100);
  top.width = top.height = 17;
  EXPECT_EQ(BallBrickCollision(&top), 0);
  Entity below(kEntityBall, 1, 0, 300, 40 + 24 * 20 + 4, 0, -100);
  below.width = below.height = 17;
  EXPECT_EQ(BallBrickCollision(&below), 0);
  EXPECT_EQ(right.vx, 100);
  EXPECT_EQ(play.player.score, 0);
}

TEST_F(Collision, FireballTurnsAHardBrickExplosive) {
  MakeBoard({});
  boardSet.SetCell(5, 4, kInvin);
  play.board.fireballOn = 1;
  Entity ball = Ball(0, -100);
  EXPECT_EQ(BallBrickCollision(&ball), 1);
  EXPECT_EQ(boardSet.GetCell(5, 4), kExplo);
  EXPECT_EQ(QueueCells(), (std::vector<std::pair<int32_t, int32_t>>{{5, 4}}));
}

TEST_F(Collision, FastBreakOnlyForFastBallsOutsideTheClassicRules) {
  struct Case {
    EntityKind kind;
    int32_t classic;
    float vy;
    int32_t after;
  } cases[] = {
      {kEntityBall, 0, -600, 0},                // above 555 after the reflection: breaks at once
      {kEntityBall, 1, -600, kMulti + 1},       // classic rules: a step
      {kEntityLaserBolt, 0, -600, kMulti + 1},  // laser bolts never fast-break
      {kEntityBall, 0, -555, kMulti + 1},       // exactly 555 is not above
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " " << c.classic << " " << c.vy);
    Fresh();
    MakeBoard({});
    boardSet.SetCell(5, 4, kMulti);
    settings.classicRules = c.classic;
    Entity ball = Ball(0, c.vy, c.kind);
    EXPECT_EQ(BallBrickCollision(&ball), 1);
    EXPECT_EQ(boardSet.GetCell(5, 4), c.after);
  }
}

TEST_F(Collision, PositionsThatAreNoUsableNumberTouchNothing) {
  const float bad[] = {NAN, INFINITY, -INFINITY, 1e20f, -1e20f, 3e9f};
  for (float v : bad) {
    for (int axis = 0; axis < 3; ++axis) {
      SCOPED_TRACE(testing::Message() << v << " axis " << axis);
      Fresh();
      MakeBoard({"RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR"});
      Entity ball(kEntityBall, 1, 0, 300, 60, 50, -50);
      ball.width = ball.height = 17;
      if (axis == 0) ball.x = v;
      if (axis == 1) ball.y = v;
      if (axis == 2) ball.width = v;
      EXPECT_EQ(BallBrickCollision(&ball), 0);
      EXPECT_EQ(play.player.score, 0);
      EXPECT_EQ(ball.vx, 50);
      EXPECT_EQ(ball.vy, -50);
    }
  }
}

TEST_F(Rules, ClampBallSpeedLimits) {
  struct Case {
    float speed;     // current speed (along x)
    float argument;  // 0: speed up a little
    int32_t classic, kid;
    float expect;
  } cases[] = {
      {100, 0, 0, 0, 225}, {649, 0, 0, 0, 650},   {649, 0, 1, 0, 600},     {649, 0, 0, 1, 225},
      {300, 0, 0, 1, 225}, {100, 300, 0, 0, 300}, {400, 0, 0, 0, 402.25f}, {1000, 900, 0, 0, 650},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.speed << " " << c.argument << " " << c.classic << c.kid);
    settings.classicRules = c.classic;
    settings.kidMode = c.kid;
    Entity ball(kEntityBall, 1, 0, 0, 0, c.speed * 0.6f, -c.speed * 0.8f);
    ClampBallSpeed(&ball, c.argument);
    EXPECT_NEAR(std::sqrt(ball.vx * ball.vx + ball.vy * ball.vy), c.expect, 0.01f);
    EXPECT_NEAR(ball.vx / ball.vy, -0.75f, 1e-4f);  // direction kept
  }
  settings.classicRules = settings.kidMode = 0;
  Entity rest(kEntityBall, 1, 0, 0, 0, 0, 0);
  ClampBallSpeed(&rest, 0);
  EXPECT_EQ(rest.vx, 0);
  EXPECT_EQ(rest.vy, 0);
  ClampBallSpeed(nullptr, 0);
}

// --- Brick numbers and cells ----------------------------------------------

TEST_F(Rules, NextBrickNumbers) {
  struct Case {
    int32_t n, kind, expect;
  } ofKind[] = {
      {0, kBrickExplo, 3}, {5, kBrickExplo, 3}, {14, kBrickExplo, 3}, {11, kBrickInvin, 12}, {12, kBrickZapped, 13},
      {1, kBrickMulti, 7}, {9, kBrickMulti, 7}, {14, kBrickPlain, 0}, {3, kBrickHidden, 14}, {2, 99, -1},
  };
  for (const Case& c : ofKind) EXPECT_EQ(NextBrickIdOfKind(c.n, c.kind), c.expect) << c.n << " " << c.kind;
  // Numbers from any cell: a valid number, never below 0 or past the set.
  for (int32_t n : {1000, -7, INT_MAX, INT_MIN, INT_MAX - 1, -1}) {
    const int32_t r = NextBrickIdOfKind(n, kBrickExplo);
    EXPECT_GE(r, 3) << n;
    EXPECT_LE(r, 5) << n;
  }
  // The last number is never a candidate.
  EXPECT_NE(NextBrickIdOfKind(0, kBrickPlain), kEnd);
  Case inRun[] = {{3, kBrickExplo, 4}, {4, kBrickExplo, 5},  {5, kBrickExplo, 3},       {1, kBrickExplo, 3},
                  {9, kBrickMulti, 7}, {-5, kBrickExplo, 3}, {INT_MAX, kBrickExplo, 3}, {2, kBrickPlain, 1}};
  for (const Case& c : inRun) EXPECT_EQ(NextBrickInRun(c.n, c.kind), c.expect) << c.n << " " << c.kind;
}

class RulesNoExplo : public Rules {
 protected:
  void SetUp() override {
    Rules::SetUp();
    LoadBricks(BrickSet::kNoExplo);
  }
};

TEST_F(RulesNoExplo, NoNumberOfAMissingKind) {
  EXPECT_EQ(NextBrickIdOfKind(0, kBrickExplo), -1);
  EXPECT_EQ(NextBrickInRun(3, kBrickExplo), -1);
}

class RulesZappedLast : public Rules {
 protected:
  void SetUp() override {
    Rules::SetUp();
    LoadBricks(BrickSet::kZappedLast);
  }
};

TEST_F(RulesZappedLast, TheLastNumberIsNeverFound) {
  EXPECT_EQ(boardSet.GetBrickType(kEnd), kBrickZapped);
  EXPECT_EQ(NextBrickIdOfKind(kInvin, kBrickZapped), -1);
  // So zap leaves hard and almost-hard bricks alone, and still shows
  // hidden bricks and lowers multi-hit ones.
  MakeBoard({"HA#-14M"});
  ZapBricks();
  EXPECT_EQ(boardSet.GetCell(0, 0), kInvin);
  EXPECT_EQ(boardSet.GetCell(1, 0), kAlmost);
  EXPECT_EQ(boardSet.GetCell(2, 0), kHidden);
  EXPECT_EQ(boardSet.GetCell(3, 0), kMultiLast);
}

TEST_F(Rules, SetBrickRedrawsTheCell) {
  MakeBoard({});
  const int32_t x = kLeft20 + 48 * kCol, y = 40 + 24 * kRow;
  // A known background under the cell.
  boardBackdrop.Fill(0x21);
  sceneBackdrop.Fill(0);
  Display& d = TheDisplay();
  d.ClearDirtyRects();
  EXPECT_EQ(SetBrick(kCol, kRow, kBlue), 1);
  EXPECT_EQ(boardSet.GetCell(kCol, kRow), kBlue);
  const uint32_t brick = PicturePixel(sceneBackdrop, x + 10, y + 5);
  uint8_t r, g, b;
  d.format.UnpackPixel(
      d.format.Pack((BrickColour(1) >> 16) & 0xFF, (BrickColour(1) >> 8) & 0xFF, BrickColour(1) & 0xFF), &r, &g, &b);
  EXPECT_EQ(brick, 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b);
  EXPECT_EQ(ScreenPixel(x + 47, y + 23), brick);
  EXPECT_EQ(ScreenPixel(x + 48, y + 23), 0xFF000000u);  // the next cell was not touched
  ASSERT_EQ(d.dirtyCount, 1);
  EXPECT_EQ(d.dirty[0].left, x);
  EXPECT_EQ(d.dirty[0].top, y);
  EXPECT_EQ(d.dirty[0].right, x + 48);
  EXPECT_EQ(d.dirty[0].bottom, y + 24);
  // A negative value only redraws; a hidden cell shows the background.
  boardSet.SetCell(kCol, kRow, -kHidden);
  EXPECT_EQ(SetBrick(kCol, kRow, -1), 1);
  EXPECT_EQ(boardSet.GetCell(kCol, kRow), -kHidden);
  EXPECT_EQ(PicturePixel(sceneBackdrop, x + 10, y + 5), PicturePixel(boardBackdrop, x + 10, y + 5));
  EXPECT_EQ(ScreenPixel(x + 10, y + 5), PicturePixel(boardBackdrop, x + 10, y + 5));
  // Off the board: nothing.
  for (auto [c, r2] : std::vector<std::pair<int, int>>{{20, 0}, {-1, 0}, {0, 20}, {0, -1}}) {
    EXPECT_EQ(SetBrick(c, r2, kRed), 0);
  }
  EXPECT_EQ(boardSet.GetCell(19, 0), 0);
}

TEST_F(Rules, SetBrickDrawsNothingFromAPictureOfAnotherDepth) {
  MakeBoard({});
  // A 32-bit board picture under a 16-bit brick frame and scene.
  ASSERT_TRUE(boardBackdrop.Create(1280, 720, 32));
  sceneBackdrop.Fill(0x5A);
  EXPECT_EQ(SetBrick(kCol, kRow, 0), 1);
  EXPECT_EQ(sceneBackdrop.GetPixel(kLeft20 + 48 * kCol, 40 + 24 * kRow), 0x5A5Au);
  ASSERT_TRUE(sceneBackdrop.Create(1280, 720, 32));
  EXPECT_EQ(SetBrick(kCol, kRow, kRed), 1);
  EXPECT_EQ(sceneBackdrop.GetPixel(kLeft20 + 48 * kCol, 40 + 24 * kRow), 0u);
}

TEST_F(Rules, HideInvisibleBricksNegatesHiddenNumbersOnly) {
  MakeBoard({"??R#1000#-14", "....................?"}, 20);
  boardSet.SetCell(19, 19, kHidden);
  EXPECT_EQ(HideInvisibleBricks(), 3);
  EXPECT_EQ(boardSet.GetCell(0, 0), -kHidden);
  EXPECT_EQ(boardSet.GetCell(1, 0), -kHidden);
  EXPECT_EQ(boardSet.GetCell(2, 0), kRed);
  EXPECT_EQ(boardSet.GetCell(3, 0), 1000);
  EXPECT_EQ(boardSet.GetCell(4, 0), -kHidden);
  EXPECT_EQ(boardSet.GetCell(19, 19), -kHidden);
  // Column 20 lies beyond a 20-column board.
  EXPECT_EQ(boardSet.GetCell(20, 1), kHidden);
  EXPECT_EQ(HideInvisibleBricks(), 0);
}

// --- Lists, queue and entities ----------------------------------------------

TEST(RulesLists, AppendInsertFirstDeleteAllAndUnlink) {
  Entity head;
  EXPECT_EQ(Entity::Append(&head, nullptr), nullptr);
  EXPECT_EQ(Entity::InsertFirst(&head, nullptr), nullptr);
  Entity* a = Entity::Append(&head, new Entity(kEntitySpark, 1, 0, 0, 0, 0, 0));
  EXPECT_EQ(head.next, a);
  EXPECT_EQ(a->prev, &head);
  EXPECT_EQ(a->next, nullptr);
  Entity* b = Entity::Append(a, new Entity(kEntitySpark, 2, 0, 0, 0, 0, 0));  // from any node
  Entity* c = Entity::InsertFirst(&head, new Entity(kEntitySpark, 3, 0, 0, 0, 0, 0));
  EXPECT_EQ(head.next, c);
  EXPECT_EQ(c->next, a);
  EXPECT_EQ(a->next, b);
  ExpectConsistent(head);
  UnlinkAndDelete(a);
  EXPECT_EQ(c->next, b);
  EXPECT_EQ(b->prev, c);
  ExpectConsistent(head);
  UnlinkAndDelete(static_cast<Entity*>(nullptr));
  head.DeleteAll();
  EXPECT_EQ(head.next, nullptr);
  EXPECT_EQ(head.prev, nullptr);
  head.DeleteAll();  // empty: nothing happens
  EXPECT_EQ(head.alpha, 256);
  // Nodes on the prev side go too; a long chain is no problem.
  Entity* before = new Entity;
  head.prev = before;
  before->next = &head;
  for (int i = 0; i < 200000; ++i) Entity::InsertFirst(&head, new Entity);
  head.DeleteAll();
  EXPECT_EQ(head.next, nullptr);
  EXPECT_EQ(head.prev, nullptr);
}

TEST(RulesLists, QueueSwapInEveryArrangement) {
  // Builds head -> 0 1 2 3 4, swaps two of them, checks the order.
  struct Case {
    int a, b;
    std::vector<int> order;
  } cases[] = {
      {2, 2, {0, 1, 2, 3, 4}}, {1, 2, {0, 2, 1, 3, 4}}, {2, 1, {0, 2, 1, 3, 4}}, {0, 4, {4, 1, 2, 3, 0}},
      {3, 0, {3, 1, 2, 0, 4}}, {0, 1, {1, 0, 2, 3, 4}}, {4, 3, {0, 1, 2, 4, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << "<->" << c.b);
    ExploQueue head;
    std::vector<ExploQueue*> nodes;
    for (int i = 0; i < 5; ++i) nodes.push_back(ExploQueue::Append(&head, new ExploQueue(i, 0)));
    EXPECT_EQ(nodes[c.a]->Swap(nodes[c.b]), nodes[c.a]);
    std::vector<int> order;
    for (ExploQueue* q = head.next; q; q = q->next) order.push_back(q->column);
    EXPECT_EQ(order, c.order);
    ExpectConsistent(head);
    EXPECT_EQ(nodes[0]->Swap(nullptr), nodes[0]);
    head.DeleteAll();
  }
  ExploQueue head;
  EXPECT_EQ(ExploQueue::Append(&head, nullptr), nullptr);
  EXPECT_EQ(head.InsertAfter(nullptr), nullptr);
  ExploQueue* first = head.InsertAfter(new ExploQueue(1, 1));
  ExploQueue* front = head.InsertAfter(new ExploQueue(2, 2));
  EXPECT_EQ(head.next, front);
  EXPECT_EQ(front->next, first);
  ExpectConsistent(head);
  UnlinkAndDelete(front);
  EXPECT_EQ(head.next, first);
  head.DeleteAll();
}

TEST_F(Rules, EntityConstructorSetUpByKind) {
  play.game.playClock = 4321;
  MakeBoard({});
  Entity piece(kEntityBrickPiece, kBlue, 0, 3, 2, 7, 8);
  EXPECT_EQ(piece.image, &boardSet.bricks);
  EXPECT_EQ(piece.frame, kBlue - 1);
  EXPECT_EQ(piece.value, 0);
  EXPECT_EQ(piece.x, float(kLeft20 + 144));
  EXPECT_EQ(piece.y, 88.0f);
  EXPECT_EQ(piece.aux, 4321);
  EXPECT_EQ(piece.prevX, 3.0f);  // the arguments as given
  EXPECT_EQ(piece.prevVy, 8.0f);
  Entity empty(kEntityBrickPiece, -3, 0, 3, 2, 0, 0);
  EXPECT_EQ(empty.image, nullptr);
  EXPECT_EQ(empty.value, -3);
  EXPECT_EQ(empty.x, 3.0f);
  EXPECT_EQ(empty.aux, 4321);

  struct Spark {
    int32_t flags;
  } sparks[] = {{0}, {kSparkFalls}, {kSparkGrey}, {kSparkBlueGreen}, {kSparkGreen}, {kSparkGrey | kSparkGreen}};
  for (const Spark& s : sparks) {
    for (uint32_t seed = 1; seed < 20; ++seed) {
      plat::Srand(seed);
      Entity e(kEntitySpark, 0, s.flags, 1, 2, 3, 4);
      const int r = e.aux & 0xFF, g = (e.aux >> 8) & 0xFF, b = (e.aux >> 16) & 0xFF;
      EXPECT_EQ(e.value, 400);
      EXPECT_EQ(e.startTime, 4321);
      if (s.flags & kSparkGrey) {
        EXPECT_TRUE(r == g && g == b && r < 192);
      } else if (s.flags & kSparkBlueGreen) {
        EXPECT_TRUE(r == 0 && g < 192 && b < 192);
      } else if (s.flags & kSparkGreen) {
        EXPECT_TRUE(r < 64 && g == 255 && b < 64);
      } else {
        EXPECT_TRUE(r == 255 && g >= 127 && b == 0);
      }
    }
  }
  Entity longSpark(kEntitySpark, 1000, 0, 0, 0, 0, 0);
  EXPECT_EQ(longSpark.value, 1000);
  Entity explosion(kEntityExplosion, 1, 5, 2, 3, 0, 0);
  EXPECT_EQ(explosion.flags, 0);
  EXPECT_EQ(explosion.aux, 4321);
  Entity lightning(kEntityLightning, 0, 0, 2, 3, 0, 0);
  EXPECT_EQ(lightning.startTime, 4321);
  EXPECT_EQ(lightning.x, 2.0f);
  Entity ball(kEntityBall, 1, 1, 10, 20, 30, 40);
  EXPECT_EQ(ball.alpha, 256);
  EXPECT_EQ(ball.prevX, 10.0f);
  EXPECT_EQ(ball.prevY, 20.0f);
  EXPECT_EQ(ball.prevVx, 30.0f);
  EXPECT_EQ(ball.prevVy, 40.0f);
  EXPECT_EQ(ball.image, nullptr);
  EXPECT_EQ(ball.dead, 0);
  EXPECT_EQ(ball.startTime, 0);
  EXPECT_EQ(ball.aux, 0);
  EXPECT_EQ(entityHead.alpha, 256);
  EXPECT_EQ(entityHead.kind, kEntityPaddle);
}

// --- Deck and drops -------------------------------------------------------

TEST_F(Rules, DeckSizesByOptions) {
  struct Case {
    int32_t classic, kid;
    size_t size;
    std::set<int32_t> absent;
  } cases[] = {
      {0, 0, 2335, {kPowerUpUnused}},
      {1, 0, 2160, {kPowerUpUnused, kPowerUpLightning, kPowerUpDoubleScore, kPowerUpGravityBall}},
      {0, 1, 1610, {kPowerUpUnused, kPowerUpKill, kPowerUpSuperShrink, kPowerUpSmall, kPowerUpGravityBall}},
      {1,
       1,
       1510,
       {kPowerUpUnused, kPowerUpKill, kPowerUpSuperShrink, kPowerUpSmall, kPowerUpLightning, kPowerUpDoubleScore,
        kPowerUpGravityBall}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.classic << c.kid);
    settings.classicRules = c.classic;
    settings.kidMode = c.kid;
    BuildPowerUpDeck();
    EXPECT_EQ(powerUpDeck.size(), c.size);
    EXPECT_GE(powerUpDeck.capacity(), kDeckReserve);
    std::map<int32_t, int32_t> seen;
    for (int32_t id : powerUpDeck) ++seen[id];
    for (int32_t id = 0; id < kPowerUpCount; ++id) {
      EXPECT_EQ(seen[id], c.absent.count(id) ? 0 : powerUpTable[id].dropWeight) << id;
    }
  }
}

TEST_F(Rules, DealingAWholeDeckGivesEachIdItsWeightThenRebuilds) {
  std::map<int32_t, int32_t> dealt;
  for (int i = 0; i < 2335; ++i) ++dealt[DrawPowerUpFromDeck()];
  for (int32_t id = 0; id < kPowerUpCount; ++id) EXPECT_EQ(dealt[id], powerUpTable[id].dropWeight) << id;
  EXPECT_TRUE(powerUpDeck.empty());
  EXPECT_GE(DrawPowerUpFromDeck(), 0);
  EXPECT_EQ(powerUpDeck.size(), 2334u);
  // A deck that stays empty deals nothing.
  PowerUpInfo saved = powerUpTable[0];
  std::vector<int32_t> weights;
  for (PowerUpInfo& row : powerUpTable) {
    weights.push_back(row.dropWeight);
    row.dropWeight = 0;
  }
  powerUpDeck.clear();
  EXPECT_EQ(DrawPowerUpFromDeck(), kPowerUpNone);
  EXPECT_EQ(MaybeDropPowerUp(1, 1, 1), 0);
  for (int i = 0; i < kPowerUpCount; ++i) powerUpTable[i].dropWeight = weights[size_t(i)];
}

TEST_F(Rules, TheShuffleIsReproducibleAndFollowsTheFixedDraw) {
  plat::SetFakeUnixTime(1234);
  BuildPowerUpDeck();
  const std::vector<PowerUpId> first = powerUpDeck;
  BuildPowerUpDeck();
  EXPECT_EQ(powerUpDeck, first);
  // The same shuffle written out: entry k with a uniform pick of 0..k.
  std::vector<PowerUpId> expect;
  for (const PowerUpInfo& row : powerUpTable)
    for (int i = 0; i < row.dropWeight; ++i) expect.push_back(row.id);
  plat::Srand(1234);
  for (size_t k = 1; k < expect.size(); ++k) {
    int r;
    do r = plat::Rand();
    while (r >= 32768 - 32768 % int(k + 1));
    std::swap(expect[k], expect[size_t(r) % (k + 1)]);
  }
  EXPECT_EQ(powerUpDeck, expect);
  plat::SetFakeUnixTime(1235);
  BuildPowerUpDeck();
  EXPECT_NE(powerUpDeck, first);
}

TEST_F(Rules, ForcedDropsIgnoreRollAndBlockRandomOnesRespectBoth) {
  MakeBoard({});
  play.capsuleMarker = 2;
  EXPECT_EQ(MaybeDropPowerUp(4, 6, 1), 1);
  for (int marker : {2, 1}) {
    play.capsuleMarker = marker;
    const int32_t before = randomIntState;
    for (int i = 0; i < 200; ++i) {
      plat::SetFakeMilliClock(uint32_t(1000 + i));
      EXPECT_EQ(MaybeDropPowerUp(4, 6, 0), 0);
    }
    EXPECT_NE(randomIntState, before);  // the roll was drawn all the same
  }
  EXPECT_EQ(CountEntities(kEntityFallingPowerUp), 1);
  // Unblocked, about one roll in five drops.
  play.capsuleMarker = 0;
  int drops = 0;
  for (int i = 0; i < 500; ++i) {
    plat::SetFakeMilliClock(uint32_t(7000 + 13 * i));
    drops += MaybeDropPowerUp(4, 6, 0);
  }
  EXPECT_GT(drops, 50);
  EXPECT_LT(drops, 160);
}

TEST_F(Rules, CapsuleAndItsSparks) {
  MakeBoard({});
  play.lastBallVx = 200;
  play.lastBallVy = -300;
  ASSERT_EQ(MaybeDropPowerUp(4, 6, 1), 1);
  EXPECT_EQ(play.lastBallVx, 0);
  EXPECT_EQ(play.lastBallVy, 0);
  // Sparks in front, the capsule at the end.
  int n = 0;
  Entity* last = nullptr;
  for (Entity* e = entityHead.next; e; e = e->next, ++n) {
    if (n < 8) {
      EXPECT_EQ(e->kind, kEntitySpark);
    }
    last = e;
  }
  ASSERT_EQ(n, 9);
  ASSERT_EQ(last->kind, kEntityFallingPowerUp);
  const int32_t id = last->value;
  ASSERT_GE(id, 0);
  ASSERT_LT(id, kPowerUpCount);
  EXPECT_EQ(last->image, &powerUpSet);
  EXPECT_EQ(last->frame, powerUpTable[id].imageIndex);
  EXPECT_GE(last->frame, 0);
  EXPECT_EQ(last->flags, powerUpTable[id].catchSound);
  EXPECT_EQ(last->x, float(kLeft20 + 48 * 4 + 24));
  EXPECT_EQ(last->y, float(24 * 6 + 52));
  // A fraction of the ball's motion: same sign, no more than it (plus the jitter).
  EXPECT_LE(last->vy, 0);
  EXPECT_GE(last->vy, -300);
  EXPECT_GE(last->vx, -0.0f - 50);
  EXPECT_LE(last->vx, 250);
  ASSERT_EQ(SoundsOf(kSoundBang).size(), 1u);
  EXPECT_EQ(SoundsOf(kSoundBang)[0].x, last->x);
  // The second drop no longer inherits: it jumps up and sideways.
  for (uint32_t seed = 1; seed < 30; ++seed) {
    Seed(seed);
    ASSERT_EQ(MaybeDropPowerUp(4, 6, 1), 1);
    Entity* capsule = EntitiesOf(kEntityFallingPowerUp).back();
    EXPECT_GE(capsule->vx, -150);
    EXPECT_LT(capsule->vx, 150);
    EXPECT_LE(capsule->vy, 0);
    EXPECT_GT(capsule->vy, -200);
  }
}

TEST_F(Rules, TheSameSeedAndClocksGiveTheSameCapsules) {
  auto run = [&]() {
    Fresh();
    MakeBoard({});
    std::vector<std::tuple<int32_t, float, float>> out;
    for (int i = 0; i < 300; ++i) {
      plat::SetFakeMilliClock(uint32_t(100 + i * 7));
      if (i % 3 == 0) {
        play.lastBallVx = 100;
        play.lastBallVy = -200;
      }
      if (MaybeDropPowerUp(i % 20, i % 7, 0)) {
        Entity* c = EntitiesOf(kEntityFallingPowerUp).back();
        out.emplace_back(c->value, c->vx, c->vy);
      }
    }
    return out;
  };
  const auto a = run();
  const auto b = run();
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(a, b);
}

// --- Lightning and zap ----------------------------------------------------

TEST_F(Rules, LightningOnHardBricksOnlyFindsNoTarget) {
  MakeBoard({"HHHHHHHHHHHHHHHHHHHH", "HHHH"});
  ASSERT_EQ(LightningStrike(1), 0);
  const auto strikes = EntitiesOf(kEntityLightning);
  ASSERT_EQ(strikes.size(), 1u);
  EXPECT_EQ(strikes[0]->x, -1.0f);
  EXPECT_EQ(strikes[0]->y, -1.0f);
  EXPECT_EQ(CountEntities(kEntitySpark), 32);
  for (const Entity* s : EntitiesOf(kEntitySpark)) EXPECT_EQ(s->value, 1000);
  for (int c = 0; c < 20; ++c) EXPECT_EQ(boardSet.GetCell(c, 0), kInvin);
  EXPECT_EQ(boardSet.GetCell(4, 1), 0);
  const auto thunder = SoundsOf(kSoundThunder);
  ASSERT_EQ(thunder.size(), 3u);
  EXPECT_EQ(thunder[0].x, 0.0f);
  EXPECT_EQ(thunder[1].x, 1280.0f);
  EXPECT_EQ(thunder[2].x, 640.0f);
  EXPECT_EQ(thunder[0].frequency, 0);
  EXPECT_EQ(thunder[2].frequency, int32_t(0.98 * 8024));
  // The sparks and the strike come first in the list.
  EXPECT_EQ(entityHead.next->kind, kEntitySpark);
}

TEST_F(Rules, LightningMakesTheOnlyBreakableBrickExplode) {
  for (uint32_t seed = 1; seed < 8; ++seed) {
    SCOPED_TRACE(seed);
    Fresh();
    Seed(seed);
    MakeBoard({"HHHHHHHHHH", "HHHHHRHHHH", "HHHHHHHHHH"});
    EXPECT_EQ(LightningStrike(0), 1);
    EXPECT_EQ(boardSet.GetCell(5, 1), kExplo);
    EXPECT_EQ(QueueCells(), (std::vector<std::pair<int32_t, int32_t>>{{5, 1}}));
    const auto strikes = EntitiesOf(kEntityLightning);
    ASSERT_EQ(strikes.size(), 1u);
    EXPECT_EQ(strikes[0]->x, 5.0f);
    EXPECT_EQ(strikes[0]->y, 1.0f);
    EXPECT_TRUE(sounds.empty());
  }
}

TEST_F(RulesNoExplo, LightningWithoutExplosiveBricksGivesABallHit) {
  MakeBoard({"HHHHHHHHHH", "HHHHHRHHHH"});
  EXPECT_EQ(LightningStrike(0), 1);
  EXPECT_EQ(boardSet.GetCell(5, 1), 0);
  EXPECT_TRUE(QueueCells().empty());
  EXPECT_EQ(play.player.score, 8);
}

TEST_F(Rules, LightningTakesHiddenAndOutOfTableCellsAndNeverNegatesThem) {
  for (int32_t value : {-kHidden, 1000, -5000, INT_MIN}) {
    SCOPED_TRACE(value);
    Fresh();
    MakeBoard({"HHHHHHHHHHHHHHHHHHHH"});
    boardSet.SetCell(7, 0, value);
    EXPECT_EQ(LightningStrike(0), 1);
    EXPECT_EQ(boardSet.GetCell(7, 0), kExplo);
  }
}

TEST_F(Rules, ZapSoftensTheBoard) {
  MakeBoard({"HA#-14M#9R#-5000E"});
  ZapBricks();
  const int32_t expect[] = {kZapped, kZapped, kHidden, kMultiLast, kMultiLast, kRed, -5000, kExplo};
  for (int c = 0; c < 8; ++c) EXPECT_EQ(boardSet.GetCell(c, 0), expect[c]) << c;
  // The -5000 cell is still broken like any brick.
  EXPECT_EQ(HitBrick(6, 0, 0, 0), 1);
  EXPECT_EQ(boardSet.GetCell(6, 0), 0);
}

TEST_F(Rules, RandomIntRange) {
  for (uint32_t i = 0; i < 500; ++i) {
    plat::SetFakeMilliClock(i * 37);
    EXPECT_EQ(RandomInt(1), 0u);
    EXPECT_LT(RandomInt(5), 5u);
    EXPECT_EQ(RandomInt(0), 0u);
  }
}

// --- Scoring --------------------------------------------------------------

TEST_F(Rules, FloatingScores) {
  struct Case {
    bool cell;
    int32_t doubleMs, show;
  } cases[] = {{true, 0, 1}, {true, 5, 1}, {true, 5, 0}, {false, 0, 1}, {false, 5, 1}, {false, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cell << " " << c.doubleMs << " " << c.show);
    Fresh();
    Seed(77);
    MakeBoard({});
    play.board.doubleScoreMs = c.doubleMs;
    settings.showScores = c.show;
    play.player.score = 100;
    if (c.cell) {
      AddScoreAtCell(25, 4, 6);
    } else {
      AddScoreAt(25, 333, 444);
    }
    const int32_t points = c.doubleMs ? 50 : 25;
    EXPECT_EQ(play.player.score, 100 + points);
    const auto floating = EntitiesOf(kEntityFloatingScore);
    if (!c.show) {
      EXPECT_TRUE(floating.empty());
      continue;
    }
    ASSERT_EQ(floating.size(), 1u);
    const Entity* e = floating[0];
    EXPECT_EQ(e->value, points);
    EXPECT_EQ(e->flags, c.doubleMs ? 1 : 0);
    plat::Srand(77);
    const int a = plat::Rand(), b = plat::Rand();
    if (c.cell) {
      const int cc = plat::Rand(), d = plat::Rand();
      EXPECT_EQ(e->x, float(kLeft20 + 48 * 4 + 19 + d % 10));
      EXPECT_EQ(e->y, float(24 * 6 + 47 + cc % 10));
    } else {
      EXPECT_EQ(e->x, 333.0f);
      EXPECT_EQ(e->y, 444.0f);
    }
    EXPECT_EQ(e->vx, float(5 + b % 5));
    EXPECT_EQ(e->vy, float(-13 - a % 8));
  }
}

// The x2 glow runs clockwise around the border of its cell's 45 x 21 path at
// 80 pixels a second, carries a corner's overshoot on along the next edge,
// counts as a particle, is drawn at its cell, and goes when the x2 ends.
TEST_F(Rules, TheX2GlowWalksAroundItsCell) {
  MakeBoard({});
  struct Case {
    float x, y;  // on the path
    float want[2];
  } cases[] = {
      {0, 0, {8, 0}},      // along the top
      {40, 0, {45, 3}},    // round the top right corner
      {45, 20, {38, 21}},  // round the bottom right corner
      {3, 21, {0, 16}},    // round the bottom left corner
      {0, 4, {4, 0}},      // round the top left corner
  };
  program.frameMs = 100;
  program.frameSec = 0.1f;
  play.board.doubleScoreMs = 500;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    Entity glow(kEntityX2Glow, 3 + 256 * 7, 0, c.x, c.y, 0, 0);
    play.particlesThisFrame = 0;
    RunEntityLogic(&glow);
    EXPECT_FLOAT_EQ(glow.x, c.want[0]);
    EXPECT_FLOAT_EQ(glow.y, c.want[1]);
    EXPECT_EQ(glow.dead, 0);
    EXPECT_EQ(play.particlesThisFrame, 1);
  }
  // Drawn in its colour at (left + 48 column + x + 1, 40 + 24 row + y + 1).
  Entity glow(kEntityX2Glow, 3 + 256 * 7, 0, 10, 21, 0, 0);
  glow.aux = 0x00FF00;  // green
  DrawEntity(&glow);
  const int32_t gx = kLeft20 + 48 * 3 + 10 + 1, gy = 40 + 24 * 7 + 21 + 1;
  EXPECT_EQ(ScreenPixel(gx, gy), 0xFF00F800u);
  EXPECT_EQ(glow.dirty[0], gx - 8);
  EXPECT_EQ(glow.dirty[3], gy + 8);
  // The x2 running out ends it.
  for (int32_t left : {1, 0}) {
    play.board.doubleScoreMs = left;
    Entity ending(kEntityX2Glow, 0, 0, 0, 0, 0, 0);
    RunEntityLogic(&ending);
    EXPECT_EQ(ending.dead, left < 1 ? 1 : 0);
  }
}

TEST_F(Rules, StatusMessages) {
  play.game.playClock = 1000;
  SetStatusMessage(kStatusGetReady, std::string(kStatusPlayer) + "2", 2000);
  EXPECT_EQ(play.statusLine1, "Get Ready");
  EXPECT_EQ(play.statusLine2, "Player 2");
  EXPECT_EQ(play.board.statusExpiry, 3000);
  // Its own strings are kept as they are.
  SetStatusMessage(play.statusLine1, play.statusLine2, 1);
  EXPECT_EQ(play.statusLine1, "Get Ready");
  EXPECT_EQ(play.statusLine2, "Player 2");
  EXPECT_EQ(play.board.statusExpiry, 1001);
  SetStatusMessage(kStatusGamePaused, "", 1000);
  EXPECT_EQ(play.statusLine1, "Game Paused");
  EXPECT_EQ(play.statusLine2, "");
  SetStatusMessage(kStatusGameOver, play.statusLine2, 1);
  EXPECT_EQ(play.statusLine1, "Game Over");
}

// --- Globals --------------------------------------------------------------

TEST_F(Rules, ResetPutsTheGlobalsBack) {
  MakeBoard({"RRR"});
  play.player.score = 55;
  program.fullRedraw = 0;
  settings.showScores = 0;
  softCursor.x = 3;
  menuButtons.hoveredButton = kButtonQuit;
  randomIntState = 9;
  play.brokenBricksCount = 50;
  playerSlots[2].boards[5].cells[7] = 9;
  playerSlots[1].run.score = 4;
  InsertEntityFirst(kEntitySpark, 0, 0, 0, 0, 0, 0);
  exploQueueHead.InsertAfter(new ExploQueue(1, 1));
  BuildPowerUpDeck();
  const size_t capacity = powerUpDeck.capacity();
  GetBoardSetHost().gameSet = nullptr;
  communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
  ResetGameStateForTests();
  EXPECT_EQ(play.player.score, 0);
  EXPECT_EQ(program.fullRedraw, 1);
  EXPECT_EQ(program.backgroundDirty, 1);
  EXPECT_EQ(settings.showScores, 1);
  EXPECT_EQ(optionsScreen.playerCount, 1);
  EXPECT_EQ(softCursor.x, -1);
  EXPECT_EQ(menuButtons.hoveredButton, kButtonNone);
  EXPECT_EQ(play.pointsPerBrick, 8);
  EXPECT_EQ(randomIntState, 123456);
  EXPECT_EQ(play.brokenBricksCount, 0);
  EXPECT_EQ(playerSlots[2].boards[5].cells[7], 0);
  EXPECT_EQ(playerSlots[1].run.score, 0);
  EXPECT_EQ(entityHead.next, nullptr);
  EXPECT_EQ(exploQueueHead.next, nullptr);
  EXPECT_TRUE(powerUpDeck.empty());
  EXPECT_EQ(powerUpDeck.capacity(), capacity);
  EXPECT_EQ(GetBoardSetHost().gameSet, &boardSet);
  EXPECT_EQ(GetBoardSetHost().screenWidth(), 1280);
  program.screenWidth = 1000;
  EXPECT_EQ(boardSet.GetBoardLeft(), (1000 - 20 * 48) / 2);
  EXPECT_EQ(BackgroundPicture(), &sceneBackdrop);
  // Loaded pictures stay.
  EXPECT_GT(boardSet.bricks.count, 1);
  EXPECT_NE(sceneBackdrop.pixels, nullptr);
  EXPECT_EQ(boardSet.GetCell(0, 0), kRed);
  // The table as the game starts with it.
  EXPECT_EQ(powerUpTable[kPowerUpUnused].keyword, "");
  EXPECT_EQ(powerUpTable[kPowerUpUnused].dropWeight, 0);
  EXPECT_EQ(powerUpTable[kPowerUpDoubleScore].keyword, "doublescore");
  EXPECT_EQ(powerUpTable[kPowerUpDoubleScore].catchSound, kSoundX2);
  int32_t total = 0;
  for (const PowerUpInfo& row : powerUpTable) total += row.dropWeight;
  EXPECT_EQ(total, 2335);
}

}  // namespace
