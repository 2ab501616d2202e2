// Catching each of the 24 power-ups, and the faults around split and
// megaball when the last ball has just fallen out.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/powerup_effects.h"
#include "game/support/play_harness.h"

using vantrel::test::PlayHarness;
using vantrel::test::PlayOptions;
using vantrel::test::Rows;

namespace {

float SpeedOf(const Entity* e) { return std::hypot(e->vx, e->vy); }

// Hard brick at (2, 2), explosive at (5, 4), plain bricks in row 7; a second
// board so "level" has somewhere to go.
void EffectBoard(PlayHarness& h) {
  h.MakeSet({Rows({"", "", "..H", "", ".....E", "", "", "..........RRRR"}), Rows({"R"})});
}

Entity* DropCapsule(PowerUpId id, float dx = 0.0f) {
  Entity* capsule = AppendEntity(kEntityFallingPowerUp, id, powerUpTable[id].catchSound, play.paddleX + dx,
                                 play.paddleY - static_cast<float>(powerUpSet.height) / 2.0f + 2.0f, 0.0f, 40.0f);
  if (capsule) {
    capsule->image = &powerUpSet;
    capsule->frame = powerUpTable[id].imageIndex;
  }
  return capsule;
}

int32_t HeldBalls(PlayHarness& h) {
  int32_t n = 0;
  for (Entity* e : h.Balls()) n += e->flags & 1;
  return n;
}

struct State {
  int32_t lives, paddle, score, balls;
};

}  // namespace

TEST(PlayEffects, EachPowerUpCaught) {
  struct Row {
    PowerUpId id;
    bool releases;
    std::function<void(PlayHarness&)> before;
    std::function<void(PlayHarness&, const State&)> check;
  };
  auto nothing = [](PlayHarness&) {};
  auto speeds = [](PlayHarness& h, float s) {
    for (Entity* e : h.Balls()) EXPECT_NEAR(SpeedOf(e), s, 0.01f);
  };
  auto sizes = [](PlayHarness& h, int32_t v) {
    for (Entity* e : h.Balls()) EXPECT_EQ(e->value, v);
  };
  const Row rows[] = {
      {kPowerUpLife, true, [](PlayHarness&) { play.board.catchOn = play.board.laserOn = 1; },
       [](PlayHarness&, const State& s) {
         EXPECT_EQ(play.player.lives, s.lives + 1);
         EXPECT_EQ(play.board.catchOn, 0);
         EXPECT_EQ(play.board.laserOn, 0);
       }},
      {kPowerUpLevel, false, nothing,
       [](PlayHarness&, const State&) {
         EXPECT_EQ(play.board.boardCleared, 1);
         EXPECT_EQ(play.nextBoard, 1);
       }},
      {kPowerUpZap, false, nothing, [](PlayHarness& h, const State&) { EXPECT_EQ(h.Cell(2, 2), h.Brick('Z')); }},
      {kPowerUpSlow, true,
       [](PlayHarness&) { play.board.gravityOn = 60000, play.board.throughOn = play.board.fireballOn = 1; },
       [speeds](PlayHarness& h, const State&) {
         speeds(h, 225.0f);
         EXPECT_EQ(play.board.gravityOn, 0);
         EXPECT_EQ(play.board.throughOn, 0);
         EXPECT_EQ(play.board.fireballOn, 0);
       }},
      {kPowerUpMultiply, false, nothing,
       [](PlayHarness& h, const State&) {
         for (int c = 4; c <= 6; ++c) {
           for (int r = 3; r <= 5; ++r) EXPECT_EQ(boardSet.GetBrickType(h.Cell(c, r)), kBrickExplo) << c << "," << r;
         }
         EXPECT_EQ(h.Cell(3, 4), 0);
       }},
      {kPowerUpThrough, false, nothing, [](PlayHarness&, const State&) { EXPECT_EQ(play.board.throughOn, 1); }},
      {kPowerUpDynamite, false, [](PlayHarness&) { play.game.lastExplosionTime = play.game.playClock + 16; },
       [](PlayHarness& h, const State&) {
         const auto q = h.QueueCells();
         ASSERT_EQ(q.size(), 1u);
         EXPECT_EQ(q[0], std::make_pair(5, 4));
       }},
      {kPowerUpFireball, true, nothing, [](PlayHarness&, const State&) { EXPECT_EQ(play.board.fireballOn, 1); }},
      {kPowerUpLaser, true, nothing, [](PlayHarness&, const State&) { EXPECT_EQ(play.board.laserOn, 1); }},
      {kPowerUpCatch, false, [](PlayHarness&) { play.board.gravityOn = 60000; },
       [](PlayHarness&, const State&) {
         EXPECT_EQ(play.board.catchOn, 1);
         EXPECT_EQ(play.board.gravityOn, 0);
       }},
      {kPowerUpUnused, true, nothing,
       [](PlayHarness&, const State& s) { EXPECT_EQ(play.board.paddleSize, s.paddle + 1); }},
      {kPowerUpExpand, true, nothing,
       [](PlayHarness&, const State& s) { EXPECT_EQ(play.board.paddleSize, s.paddle + 1); }},
      {kPowerUpSplit, true, nothing,
       [](PlayHarness& h, const State& s) {
         const auto balls = h.Balls();
         ASSERT_EQ(static_cast<int32_t>(balls.size()), 2 * s.balls);
         int32_t copies = 0;
         for (Entity* a : balls) {
           for (Entity* b : balls) {
             copies += a != b && std::fabs(b->vx + a->vy) < 0.01f && std::fabs(b->vy - a->vx) < 0.01f;
           }
         }
         EXPECT_GE(copies, s.balls);
       }},
      {kPowerUpKill, false, nothing,
       [](PlayHarness& h, const State& s) {
         EXPECT_EQ(play.player.lives, s.lives - 1);
         EXPECT_EQ(play.board.ballLost, 1);
         EXPECT_EQ(h.Community().added["PowerupDeaths"], 1.0f);
       }},
      {kPowerUpShrink, true, nothing,
       [](PlayHarness&, const State& s) { EXPECT_EQ(play.board.paddleSize, s.paddle - 1); }},
      {kPowerUpFast, true, [](PlayHarness&) { play.board.gravityOn = 60000; },
       [speeds](PlayHarness& h, const State&) {
         speeds(h, 600.0f);
         EXPECT_EQ(play.board.gravityOn, 0);
       }},
      {kPowerUpSuperShrink, true, nothing, [](PlayHarness&, const State&) { EXPECT_EQ(play.board.paddleSize, 0); }},
      {kPowerUpFall, false, nothing, [](PlayHarness&, const State&) { EXPECT_EQ(play.board.fallArmed, 1); }},
      {kPowerUpSmall, true, [](PlayHarness&) { play.board.gravityOn = 60000; },
       [sizes](PlayHarness& h, const State&) {
         sizes(h, 0);
         EXPECT_EQ(play.board.gravityOn, 0);
       }},
      {kPowerUpMegaBall, true, nothing,
       [](PlayHarness& h, const State& s) {
         const auto balls = h.Balls();
         EXPECT_EQ(static_cast<int32_t>(balls.size()), s.balls - 1 + 8);
         int32_t fast = 0;
         for (Entity* e : balls) fast += std::fabs(SpeedOf(e) - 600.0f) < 0.5f;
         EXPECT_EQ(fast, 8);
       }},
      {kPowerUpBigBall, true, [](PlayHarness&) { play.board.gravityOn = 60000; },
       [sizes](PlayHarness& h, const State&) {
         sizes(h, 2);
         EXPECT_EQ(play.board.gravityOn, 0);
       }},
      {kPowerUpLightning, false, nothing,
       [](PlayHarness& h, const State&) {
         EXPECT_EQ(h.Count(kEntityLightning), 3);
         EXPECT_EQ(h.SoundCount(kSoundThunder), 3);  // only the first strike sounds
       }},
      {kPowerUpDoubleScore, false, [](PlayHarness&) { play.board.doubleScoreMs = 500; },
       [](PlayHarness&, const State&) { EXPECT_EQ(play.board.doubleScoreMs, 500 - 2 * 16 + 10000); }},
      {kPowerUpGravityBall, false, nothing, [](PlayHarness&, const State&) { EXPECT_EQ(play.board.gravityOn, 60000); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "power-up " << row.id << " \"" << powerUpTable[row.id].keyword << "\"");
    PlayHarness h;
    EffectBoard(h);
    h.Begin();
    h.MoveMouse(640);
    h.Step();
    play.board.paddleSize = 2;
    // A second ball, free and high up; the first stays held.
    ASSERT_NE(InsertEntityFirst(kEntityBall, 1, 0, 400.0f, 300.0f, 120.0f, -300.0f), nullptr);
    row.before(h);
    h.Step();
    const State s{play.player.lives, play.board.paddleSize, play.player.score, static_cast<int32_t>(h.Balls().size())};
    ASSERT_EQ(s.balls, 2);
    Entity* capsule = DropCapsule(row.id);
    ASSERT_NE(capsule, nullptr);
    h.ClearSounds();
    h.Step();
    EXPECT_EQ(h.Count(kEntityFallingPowerUp), 0) << "the capsule was not caught";
    EXPECT_EQ(h.SoundCount(powerUpTable[row.id].catchSound), 1) << "catch sound " << powerUpTable[row.id].catchSound;
    bool fifty = false;
    for (Entity* e = entityHead.next; e; e = e->next)
      fifty |= e->kind == kEntityFloatingScore && (e->value == 50 || e->value == 100);
    EXPECT_TRUE(fifty) << "no +50 at the capsule";
    EXPECT_EQ(HeldBalls(h), row.releases ? 0 : 1);
    row.check(h, s);
  }
}

TEST(PlayEffects, SizesStopAtTheirEndsAndStillRelease) {
  for (auto [id, start, expected] :
       {std::tuple{kPowerUpExpand, 4, 4}, std::tuple{kPowerUpShrink, 0, 0}, std::tuple{kPowerUpUnused, 4, 4}}) {
    SCOPED_TRACE(id);
    PlayHarness h;
    EffectBoard(h);
    h.Begin();
    h.MoveMouse(640);
    h.Step();
    play.board.paddleSize = start;
    h.Step();
    DropCapsule(id);
    h.Step();
    EXPECT_EQ(play.board.paddleSize, expected);
    EXPECT_EQ(HeldBalls(h), 0);
  }
}

TEST(PlayEffects, GravityIsClearedByFiveEffectsOnly) {
  for (int32_t i = 0; i < kPowerUpCount; ++i) {
    const PowerUpId id = static_cast<PowerUpId>(i);
    if (id == kPowerUpLevel || id == kPowerUpKill) continue;  // these end the board or the ball
    PlayHarness h;
    EffectBoard(h);
    h.Begin();
    h.MoveMouse(640);
    h.Step();
    play.board.gravityOn = 60000;
    DropCapsule(id);
    h.Step();
    const bool clears = id == kPowerUpSlow || id == kPowerUpCatch || id == kPowerUpFast || id == kPowerUpSmall ||
                        id == kPowerUpBigBall;
    EXPECT_EQ(play.board.gravityOn, clears ? 0 : 60000) << "power-up " << id;
  }
}

TEST(PlayEffects, KillHasNoCatchMarginAndCountsOnlyOnce) {
  PlayHarness h;
  EffectBoard(h);
  h.Begin();
  h.MoveMouse(640);
  h.Step();
  const float beside = play.paddleHalfWidth + static_cast<float>(powerUpSet.width) / 4.0f;
  DropCapsule(kPowerUpKill, beside);
  DropCapsule(kPowerUpThrough, -beside);  // the same distance on the other side: caught
  h.Step();
  EXPECT_EQ(play.board.throughOn, 1);
  EXPECT_EQ(play.board.ballLost, 0);
  EXPECT_EQ(h.Count(kEntityFallingPowerUp), 1);

  // Caught while the ball-lost state runs: nothing more.
  DropCapsule(kPowerUpKill);
  DropCapsule(kPowerUpKill);
  const int32_t livesBefore = play.player.lives;
  h.Step();
  EXPECT_EQ(play.player.lives, livesBefore - 1);
  EXPECT_EQ(h.Community().added["PowerupDeaths"], 1.0f);
}

TEST(PlayEffects, KillInCheatModeAddsNoStat) {
  PlayHarness h;
  EffectBoard(h);
  h.Begin();
  h.MoveMouse(640);
  h.Step();
  settings.cheatMode = 1;
  DropCapsule(kPowerUpKill);
  h.Step();
  EXPECT_EQ(play.board.ballLost, 1);
  EXPECT_EQ(h.Community().added.count("PowerupDeaths"), 0u);
}

// A falling capsule turns back from the board's sides and the top as the
// ball does, but keeps its speed, plays the wall sound at its own rate at
// once, and is gone only below the board's bottom itself.
TEST(PlayEffects, CapsulesBounceOffTheSidesAndTheTop) {
  PlayHarness h;
  EffectBoard(h);
  h.Begin();
  h.MoveMouse(640);
  h.Step();
  h.HoldAllBalls();
  const float w = static_cast<float>(powerUpSet.width), ht = static_cast<float>(powerUpSet.height);
  const float left = 160.0f, right = 1120.0f, fall = 160.0f * 0.016f;
  struct Case {
    const char* name;
    float x, y, vx, vy;
    float wantVx, wantVy;
    int32_t wallSounds;
    bool gone;
  };
  const Case cases[] = {
      {"left side", left + w / 2 - 1, 300, -100, 0, 100, fall, 1, false},
      {"right side", right - w / 2 + 1, 300, 100, 0, -100, fall, 1, false},
      {"top", 640, ht / 2 - 1, 0, -300, 0, 300 - fall, 1, false},
      {"leaving a side is no bounce", left + w / 2 - 1, 300, 100, 0, 100, fall, 0, false},
      {"in the left corner both", left + w / 2 - 1, ht / 2 - 1, -100, -300, 100, 300 - fall, 2, false},
      {"below the bottom less its half height it still falls", 300, kBoardBottom - ht / 4, 0, 10, 0, 10 + fall, 0,
       false},
      {"below the bottom it is gone", 300, kBoardBottom + 1, 0, 10, 0, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Entity* capsule = AppendEntity(kEntityFallingPowerUp, kPowerUpThrough, powerUpTable[kPowerUpThrough].catchSound,
                                   c.x, c.y, c.vx, c.vy);
    ASSERT_NE(capsule, nullptr);
    h.ClearSounds();
    h.Step(16);
    EXPECT_EQ(h.SoundCount(kSoundBassDrum), c.wallSounds);
    for (const auto& s : h.Sounds()) {
      if (s.sample != kSoundBassDrum) continue;
      EXPECT_EQ(s.x, c.x);
      EXPECT_EQ(s.frequency, 0);
      EXPECT_EQ(s.volume, 63);
    }
    if (c.gone) {
      EXPECT_EQ(h.Count(kEntityFallingPowerUp), 0);
      continue;
    }
    ASSERT_EQ(h.Count(kEntityFallingPowerUp), 1);
    EXPECT_NEAR(capsule->vx, c.wantVx, 0.001f);
    EXPECT_NEAR(capsule->vy, c.wantVy, 0.001f);
    UnlinkAndDelete(capsule);
  }
  EXPECT_EQ(play.board.throughOn, 0) << "no capsule was caught";

  // Caught at the left side in the same frame: the wall sound comes first.
  h.MoveMouse(0);
  h.Step();
  AppendEntity(kEntityFallingPowerUp, kPowerUpThrough, powerUpTable[kPowerUpThrough].catchSound, left + w / 2 - 1,
               play.paddleY - ht / 2 + 2, -50, 0);
  h.ClearSounds();
  h.Step(16);
  EXPECT_EQ(play.board.throughOn, 1);
  ASSERT_GE(h.Sounds().size(), 2u);
  EXPECT_EQ(h.Sounds()[0].sample, kSoundBassDrum);
  EXPECT_EQ(h.Sounds()[1].sample, powerUpTable[kPowerUpThrough].catchSound);
}

TEST(PlayEffects, MultiplySpreadsTheBoardAsItWasAtTheCatch) {
  PlayHarness h;
  h.MakeSet({Rows({"", "", "", "", "....EE", "", "", "", "R"})});
  h.Begin();
  h.MoveMouse(640);
  h.Step();
  DropCapsule(kPowerUpMultiply);
  h.Step();
  // Both bricks spread their 3 x 3 block once: columns 3..6, rows 3..5; the
  // bricks written by the first block are not spread again (column 7 stays).
  for (int c = 3; c <= 6; ++c) {
    for (int r = 3; r <= 5; ++r) EXPECT_EQ(boardSet.GetBrickType(h.Cell(c, r)), kBrickExplo) << c << "," << r;
  }
  for (int r = 3; r <= 5; ++r) EXPECT_EQ(h.Cell(7, r), 0);
  EXPECT_EQ(h.Cell(2, 4), 0);
}

TEST(PlayEffects, MultiplyAtTheBoardEdgeSkipsCellsOffTheBoard) {
  PlayHarness h;
  h.MakeSet({Rows({"E..................E", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
                   "E..................E"})});
  h.Begin();
  h.HoldAllBalls();
  h.Step();
  h.MoveMouse(640);
  ApplyPowerUpEffect(kPowerUpMultiply);
  EXPECT_EQ(boardSet.GetBrickType(h.Cell(1, 1)), kBrickExplo);
  EXPECT_EQ(boardSet.GetBrickType(h.Cell(18, 18)), kBrickExplo);
  EXPECT_EQ(h.Cell(2, 2), 0);
}

TEST(PlayEffects, MegaballAndSplitUseOnlyLiveBalls) {
  // The only ball falls out in the same logic pass that catches the capsule
  // (the ball is visited first), or has already been removed: megaball has
  // no live ball to replace and split nothing to copy.
  for (PowerUpId id : {kPowerUpMegaBall, kPowerUpSplit}) {
    for (bool alreadyGone : {false, true}) {
      SCOPED_TRACE(testing::Message() << "power-up " << id << (alreadyGone ? ", ball gone" : ", ball falling out"));
      PlayHarness h;
      EffectBoard(h);
      h.Begin();
      h.MoveMouse(640);
      h.Step();
      Entity* ball = h.PlaceBall(200.0f, 715.0f, 0.0f, 300.0f);
      if (alreadyGone) {
        h.Step();  // dead below the board; removed by the drawing pass
        ASSERT_TRUE(h.Balls().empty());
      } else {
        ASSERT_EQ(ball->dead, 0);
      }
      DropCapsule(id);
      h.Step();
      EXPECT_TRUE(h.Balls().empty()) << "a ball came back from below the board";
      h.Step();
      EXPECT_EQ(play.board.ballLost, 1);
    }
  }
}

TEST(PlayEffects, LightningWithOnlyHardBricksDrawsOffTheBoardAndChangesNothing) {
  PlayHarness h;
  h.MakeSet({Rows({"HHH", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "...R"})});
  h.Begin();
  h.HoldAllBalls();
  h.MoveMouse(640);
  h.Step();
  // The last breakable brick goes; in the same frame the strike finds only
  // hard bricks.
  boardSet.SetCell(3, 19, 0);
  DropCapsule(kPowerUpLightning);
  h.Step();
  EXPECT_EQ(h.Cell(0, 0), h.Brick('H'));
  EXPECT_EQ(h.Cell(1, 0), h.Brick('H'));
  EXPECT_EQ(h.Cell(2, 0), h.Brick('H'));
  int32_t strikes = 0;
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind != kEntityLightning) continue;
    ++strikes;
    EXPECT_EQ(e->x, -1.0f);
    EXPECT_EQ(e->y, -1.0f);
  }
  EXPECT_EQ(strikes, 3);
}
