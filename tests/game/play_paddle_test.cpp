// The paddle and the ball on it: launching, paddle contact, catching, the
// laser, the dip of the paddle and the modes that change them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "game/game_globals.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/game_flow.h"
#include "game/play/play_state.h"
#include "game/support/play_harness.h"

using vantrel::test::PlayHarness;
using vantrel::test::PlayOptions;
using vantrel::test::Rows;

namespace {

constexpr int32_t kFrameLengths[] = {9, 16, 33, 50};

// One brick far in the top-left corner keeps the board from being cleared.
void OneCornerBrick(PlayHarness& h) { h.MakeSet({Rows({"R"})}); }

Entity* HeldBall() {
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind == kEntityBall && (e->flags & 1)) return e;
  }
  return nullptr;
}

float Angle(const Entity* e) { return std::atan2(e->vx, -e->vy); }
float SpeedOf(const Entity* e) { return std::hypot(e->vx, e->vy); }

}  // namespace

TEST(PlayPaddle, HeldBallLaunchesAtItsAngleAndHeldSpeed) {
  struct Case {
    const char* name;
    bool kid;
    float offsetInHalfWidths;  // where the ball sits on the paddle
    int32_t heldSpeed;
    float angle;  // expected, radians from straight up
    float speed;  // expected
  };
  const Case cases[] = {
      {"centre", false, 0.0f, 330, 0.0f, 330.0f},
      {"right edge", false, 1.0f, 330, 1.0f / 1.3f, 330.0f},
      {"left edge", false, -1.0f, 330, -1.0f / 1.3f, 330.0f},
      {"beyond the edge is clamped", false, 3.0f, 330, 1.3f, 330.0f},
      {"held speed capped at 600", false, 0.0f, 640, 0.0f, 600.0f},
      {"kid mode keeps the held speed", true, 0.0f, 330, 0.0f, 330.0f},
  };
  for (int32_t ms : kFrameLengths) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << ", " << ms << " ms");
      PlayOptions o;
      o.kidMode = c.kid;
      PlayHarness h(o);
      OneCornerBrick(h);
      h.Begin();
      h.MoveMouse(640);
      h.Steps(3, ms);
      Entity* ball = HeldBall();
      ASSERT_NE(ball, nullptr);
      ball->aux = static_cast<int32_t>(std::lround(c.offsetInHalfWidths * play.paddleHalfWidth));
      ball->heldSpeed = c.heldSpeed;
      h.Step(ms);  // the ball follows its new place on the paddle
      h.Click();
      h.Step(ms);
      EXPECT_EQ(ball->flags & 1, 0);
      EXPECT_NEAR(Angle(ball), c.angle, 0.03f);
      // Above 450 the logic of the same frame already slows it by 30 per second.
      const float slowed = c.speed > 450.0f ? c.speed - 30.0f * static_cast<float>(ms) / 1000.0f : c.speed;
      EXPECT_NEAR(SpeedOf(ball), slowed, 0.05f);
      EXPECT_EQ(ball->heldSpeed, static_cast<int32_t>(c.speed));
      EXPECT_EQ(play.catchGraceFrames, 3);  // 4, less this frame's count-down
    }
  }
}

TEST(PlayPaddle, KidModeStartsWithBigBallAndLargerPaddle) {
  for (bool kid : {false, true}) {
    PlayOptions o;
    o.kidMode = kid;
    PlayHarness h(o);
    OneCornerBrick(h);
    h.Begin();
    h.Step();
    ASSERT_EQ(h.Balls().size(), 1u);
    EXPECT_EQ(h.Balls()[0]->value, kid ? 2 : 1);
    EXPECT_EQ(play.board.paddleSize, kid ? 2 : 1);
    EXPECT_EQ(h.Balls()[0]->heldSpeed, 330);
  }
}

// A ball just inside the paddle's top band, falling.
Entity* BallOnPaddle(PlayHarness& h, float offsetInHalfWidths, float speed = 300.0f) {
  const float d = 17.0f;
  return h.PlaceBall(play.paddleX + offsetInHalfWidths * play.paddleHalfWidth, play.paddleY - d / 2.0f + 4.0f, 0.0f,
                     speed, 1);
}

TEST(PlayPaddle, ContactAnglesLiftsCatchesAndSounds) {
  for (int32_t ms : kFrameLengths) {
    SCOPED_TRACE(testing::Message() << ms << " ms");
    PlayHarness h;
    OneCornerBrick(h);
    h.Begin();
    h.MoveMouse(640);
    h.Steps(250 / ms + 1, ms);  // no paddle sound in the first 200 ms of a game

    // Centre: bounced straight up, lifted onto the paddle top, sound 0,
    // speed + 9.
    Entity* ball = BallOnPaddle(h, 0.0f);
    const float top = play.paddleY - 17.0f / 2.0f;
    h.ClearSounds();
    h.Step(ms);
    EXPECT_LT(ball->vy, 0.0f);
    EXPECT_NEAR(std::fabs(Angle(ball)), 0.0f, 0.01f);
    EXPECT_NEAR(SpeedOf(ball), 309.0f, 0.5f);
    EXPECT_NEAR(ball->y, top + (300.0f - 309.0f) * ms / 2000.0f, 0.2f);
    EXPECT_EQ(h.SoundCount(kSoundBoing), 1);

    // A second contact within 200 ms plays no paddle sound.
    ball = BallOnPaddle(h, 0.0f);
    h.ClearSounds();
    h.Step(ms);
    EXPECT_LT(ball->vy, 0.0f);
    EXPECT_EQ(h.SoundCount(kSoundBoing) + h.SoundCount(kSoundSwordSwing), 0);

    // Outer part: a new angle, neither lifted nor caught, sound 15 once 200
    // ms have passed.
    h.Steps(250 / ms + 1, ms);
    play.board.catchOn = 1;
    play.catchGraceFrames = 0;
    ball = BallOnPaddle(h, 0.9f);
    const float startY = ball->y;
    h.ClearSounds();
    h.Step(ms);
    EXPECT_EQ(ball->flags & 1, 0) << "caught in the outer part";
    EXPECT_NEAR(Angle(ball), 0.9f * 1.3f, 0.02f);
    EXPECT_GE(ball->y, startY) << "lifted in the outer part";
    EXPECT_EQ(h.SoundCount(kSoundSwordSwing), 1);
    EXPECT_EQ(h.SoundCount(kSoundHumm), 0);

    // Centre with catch on: held, sound 17 (the next contact after 200 ms).
    h.Steps(250 / ms + 1, ms);
    ball = BallOnPaddle(h, 0.2f);
    h.ClearSounds();
    h.Step(ms);
    EXPECT_EQ(ball->flags & 1, 1);
    EXPECT_EQ(ball->heldSpeed, 309);
    EXPECT_EQ(h.SoundCount(kSoundHumm), 1);
    play.board.catchOn = 0;
  }
}

TEST(PlayPaddle, NoCatchWhileTheLaunchGraceRuns) {
  PlayHarness h;
  OneCornerBrick(h);
  h.Begin();
  h.MoveMouse(640);
  h.Step();
  play.board.catchOn = 1;
  Entity* ball = BallOnPaddle(h, 0.0f);
  play.catchGraceFrames = 3;
  h.Step();
  EXPECT_EQ(ball->flags & 1, 0);
  EXPECT_LT(ball->vy, 0.0f);
}

TEST(PlayPaddle, ArmedFallStartsOnlyWithAPaddleSound) {
  PlayHarness h;
  h.MakeSet({Rows({"RRRR", "....", "....", "RRRR"})});
  h.Begin();
  h.MoveMouse(640);
  h.Steps(20);
  play.board.fallArmed = 1;
  BallOnPaddle(h, 0.0f);
  h.ClearSounds();
  h.Step();
  EXPECT_EQ(play.board.fallRunning, 1);
  EXPECT_EQ(h.SoundCount(kSoundOrchestraBlast), 1);
  play.board.fallRunning = 0;
  BallOnPaddle(h, 0.0f);  // within 200 ms: no paddle sound, no fall
  h.Step();
  EXPECT_EQ(play.board.fallRunning, 0);
}

TEST(PlayPaddle, FallMovesBricksDownOneColumnPerFrameRightToLeft) {
  PlayHarness h;
  // Column 0: plain, gap, plain; column 1: explosive, gap, hidden.
  h.MakeSet({Rows({"RE..", "....", "R?.."})});
  h.Begin();
  h.HoldAllBalls();
  const int32_t red = h.Brick('R'), hidden = h.Brick('?');
  play.board.fallRunning = 1;
  play.board.fallColumn = 100;  // clamped to the last column
  h.Step();
  EXPECT_EQ(play.board.fallColumn, 18);
  EXPECT_NE(h.Cell(1, 0), 0);  // column 1 has not moved yet
  EXPECT_EQ(h.Cell(1, 1), 0);
  for (int i = 0; i < 19; ++i) h.Step();
  EXPECT_EQ(play.board.fallRunning, 0);
  EXPECT_EQ(play.board.fallColumn, 20);
  // Every brick with an empty cell below went down one row; the hidden one
  // stays hidden (negative).
  EXPECT_EQ(h.Cell(0, 0), 0);
  EXPECT_EQ(h.Cell(0, 1), red);
  EXPECT_EQ(h.Cell(0, 2), 0);
  EXPECT_EQ(h.Cell(0, 3), red);
  EXPECT_EQ(h.Cell(1, 0), 0);
  EXPECT_NE(h.Cell(1, 1), 0);
  EXPECT_EQ(h.Cell(1, 3), -hidden);
}

TEST(PlayPaddle, LaserFiresTwoBoltsPerClickAndNoneAtSix) {
  for (int32_t ms : kFrameLengths) {
    SCOPED_TRACE(testing::Message() << ms << " ms");
    PlayHarness h;
    OneCornerBrick(h);
    h.Begin();
    h.MoveMouse(640);
    h.Step(ms);
    play.board.laserOn = 1;
    h.ClearSounds();
    for (int click = 1; click <= 3; ++click) {
      h.Click();
      h.Step(ms);
      EXPECT_EQ(h.Count(kEntityLaserBolt), 2 * click);
    }
    EXPECT_EQ(h.SoundCount(kSoundGunfire), 3);
    h.Click();
    h.Step(ms);
    EXPECT_EQ(h.Count(kEntityLaserBolt), 6) << "a seventh bolt";
    // The bolts leave at 0.85 of the half width either side, 16 above.
    bool left = false, right = false;
    for (Entity* e = entityHead.next; e; e = e->next) {
      if (e->kind != kEntityLaserBolt) continue;
      EXPECT_EQ(e->vy, -600.0f);
      left |= std::fabs(e->x - (play.paddleX - 0.85f * play.paddleHalfWidth)) < 0.5f;
      right |= std::fabs(e->x - (play.paddleX + 0.85f * play.paddleHalfWidth)) < 0.5f;
    }
    EXPECT_TRUE(left && right);
  }
}

TEST(PlayPaddle, BoltBreaksABrickAndDiesUnlessThrough) {
  for (bool through : {false, true}) {
    SCOPED_TRACE(through ? "through" : "plain");
    PlayHarness h;
    h.MakeSet({Rows({"R", "....................", "..........R........."})});
    h.Begin();
    h.HoldAllBalls();
    play.board.throughOn = through;
    const float x = 160.0f + 10 * 48 + 24;
    Entity* bolt = InsertEntityFirst(kEntityLaserBolt, 0, 0, x, 40 + 2 * 24 + 30, 0.0f, -600.0f);
    ASSERT_NE(bolt, nullptr);
    h.StepUntil([&] { return h.Cell(10, 2) == 0; }, 10);
    EXPECT_EQ(h.Cell(10, 2), 0);
    h.Step();
    int32_t bolts = h.Count(kEntityLaserBolt);
    EXPECT_EQ(bolts, through ? 1 : 0);
  }
}

TEST(PlayPaddle, SinkAndBoostNeverUnderClassicRules) {
  for (bool classic : {false, true}) {
    for (int32_t ms : kFrameLengths) {
      SCOPED_TRACE(testing::Message() << (classic ? "classic " : "default ") << ms << " ms");
      PlayOptions o;
      o.classicRules = classic;
      PlayHarness h(o);
      OneCornerBrick(h);
      h.Begin();
      h.MoveMouse(640);
      h.PlaceBall(640, 300, 0, -300);
      h.Steps(3, ms);  // the hold-countdown runs out
      h.ButtonDown();
      h.Steps(100 / ms + 2, ms);
      if (classic) {
        EXPECT_EQ(play.board.paddleSink, 0.0f);
        EXPECT_EQ(input.paddleButtonHeld, 0);
      } else {
        EXPECT_EQ(play.board.paddleSink, 20.0f);
        EXPECT_NEAR(play.paddleY, 670.0f, 0.01f);
      }
      h.ButtonUp();
      h.Steps(200 / ms + 2, ms);
      EXPECT_EQ(play.board.paddleSink, 0.0f);

      // Contact while the button is held early in the dip: more speed by
      // default; the classic rules keep the speed as it was.
      h.ButtonDown();
      Entity* ball = BallOnPaddle(h, 0.0f, 300.0f);
      h.Step(ms);
      if (classic) {
        EXPECT_NEAR(SpeedOf(ball), 300.0f, 0.5f);
      } else {
        const float sinkBefore = std::min(20.0f, 600.0f * ms / 1000.0f);
        const float expected = std::min(650.0f, 309.0f + 200.0f * (1.0f - sinkBefore / 20.0f));
        EXPECT_NEAR(SpeedOf(ball), expected, 0.5f);
      }
      h.ButtonUp();
    }
  }
}

TEST(PlayPaddle, ClassicRulesFastCentreBounceRicochets) {
  // A centre bounce ricochets only with the classic rules, and only faster
  // than 500: at 500 itself it does not.
  struct Case {
    bool classic;
    float speed;
    int ricochets;
  };
  const Case cases[] = {
      {true, 550.0f, 1}, {true, 501.0f, 1}, {true, 500.0f, 0}, {true, 450.0f, 0}, {false, 550.0f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.classic ? "classic " : "default ") << c.speed);
    PlayOptions o;
    o.classicRules = c.classic;
    PlayHarness h(o);
    OneCornerBrick(h);
    h.Begin();
    h.MoveMouse(640);
    h.Step();
    Entity* ball = BallOnPaddle(h, 0.0f, c.speed);
    h.ClearSounds();
    h.Step();
    EXPECT_LT(ball->vy, 0.0f);
    if (c.classic) {
      EXPECT_NEAR(SpeedOf(ball), c.speed, 0.5f);
    }
    EXPECT_EQ(h.SoundCount(kSoundRicochet), c.ricochets);
  }
}

TEST(PlayPaddle, PaddleStaysOnTheBoard) {
  PlayHarness h;
  h.MakeSet({Rows({"R"})}, 26);
  h.Begin();
  for (int32_t x : {0, 5, 1279}) {
    h.MoveMouse(x);
    h.Step();
    const float left = static_cast<float>(boardSet.GetBoardLeft());
    EXPECT_GE(play.paddleX - play.paddleHalfWidth, left - 0.5f);
    EXPECT_LE(play.paddleX + play.paddleHalfWidth, left + 26 * 48 + 0.5f);
    EXPECT_EQ(play.playfieldLeft, static_cast<int32_t>(left + play.paddleHalfWidth));
  }
}

// Sweeps the mouse across the board a frame at a time while the ball waits on
// the paddle (held at the start of a board, or caught with the catch power-up)
// and checks after every frame that nothing but the paddle, its current arc
// strip and the ball differs from the board picture.
TEST(PlayPaddle, ASweptPaddleLeavesNoArcsBehind) {
  struct Case {
    const char* name;
    bool caught;
    int32_t stepPx;
  };
  const Case cases[] = {
      {"held at the start, slow", false, 23},
      {"held at the start, fast", false, 150},
      {"caught, slow", true, 23},
      {"caught, fast", true, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlayHarness h;
    h.MakeSet({Rows({"RRRR"})});  // enough bricks that no charm comes yet
    h.Begin();
    h.MoveMouse(640);
    h.Steps(3);
    if (c.caught) {
      h.Click();
      h.Steps(6);  // launched; the grace frames run out
      play.board.catchOn = 1;
      BallOnPaddle(h, 0.0f);
      h.Step();
      ASSERT_NE(HeldBall(), nullptr);
      h.Step();
    }
    ASSERT_GT(play.board.heldFrames, 0);
    auto sweep = [&](int32_t from, int32_t to) {
      const int32_t step = from < to ? c.stepPx : -c.stepPx;
      for (int32_t x = from; (step > 0) ? x <= to : x >= to; x += step) {
        h.MoveMouse(x);
        h.Step();
        const std::array<int32_t, 4> paddle = {static_cast<int32_t>(play.paddleX - play.paddleHalfWidth - 2),
                                               static_cast<int32_t>(play.paddleY - 30),
                                               static_cast<int32_t>(play.paddleX + play.paddleHalfWidth + 2), 720};
        // Above the paddle's band only the bricks and the HUD, which the
        // board picture holds.
        ASSERT_EQ(h.BackBufferDiffersFromBackdrop({paddle, {0, 0, 1280, 600}}), 0) << "mouse at " << x;
      }
    };
    sweep(640, 1080);
    sweep(1080, 200);
    ASSERT_GT(play.board.heldFrames, 0);
    std::string why;
    EXPECT_TRUE(h.PresentedMatchesBackBuffer(&why)) << why;
  }
}

// While the double score runs the paddle throws green sparks that fall, from
// one of its two ends and outwards: one a frame at first, fewer as the time
// runs out, none once it is over.
TEST(PlayPaddle, DoubleScoreThrowsGreenSparksFromThePaddleEnds) {
  PlayHarness h;
  OneCornerBrick(h);
  h.Begin();
  h.MoveMouse(640);
  h.Steps(3);
  // The sparks this frame's logic made: created at the frame's own time.
  auto newSparks = [&](int32_t ms) {
    std::vector<Entity*> made;
    for (Entity* e = entityHead.next; e; e = e->next) {
      if (e->kind == kEntitySpark && e->startTime == play.game.playClock - ms) made.push_back(e);
    }
    return made;
  };
  struct Phase {
    const char* name;
    int32_t doubleMs, frames, sparks;
  } phases[] = {
      {"full time: more than 2 ms apart", 20000, 10, 10},
      {"a tenth left: more than 20 ms apart", 1000, 20, 10},
      {"over", 0, 10, 0},
  };
  bool left = false, right = false;
  for (const Phase& p : phases) {
    SCOPED_TRACE(p.name);
    play.board.doubleScoreMs = p.doubleMs;
    h.Step();  // the first spark of a phase may follow the last of the one before
    int32_t count = 0;
    for (int32_t f = 0; f < p.frames; ++f) {
      const float x = play.paddleX, halfWidth = play.paddleHalfWidth, y = play.paddleY;
      h.Step(16);
      for (const Entity* s : newSparks(16)) {
        ++count;
        EXPECT_EQ(s->value, 600);
        EXPECT_EQ(s->flags, 9);  // falls, green
        const uint32_t c = static_cast<uint32_t>(s->aux);
        EXPECT_EQ((c >> 8) & 255, 255u);
        EXPECT_LT(c & 255, 64u);
        EXPECT_LT((c >> 16) & 255, 64u);
        // Thrown outwards from one end, then moved by one frame.
        const float side = s->vx > 0 ? 1.0f : -1.0f;
        left |= side < 0;
        right |= side > 0;
        EXPECT_GE(std::fabs(s->vx), 30.0f);
        EXPECT_NEAR(s->x - s->vx * 0.016f, x + side * halfWidth, 0.5f);
        EXPECT_NEAR(s->y - s->vy * 0.016f, y + 15.0f, 4.5f);
        EXPECT_GE(s->vy, -70.0f + 100.0f * 0.016f - 0.01f);
        EXPECT_LT(s->vy, -20.0f + 100.0f * 0.016f + 0.01f);
      }
    }
    EXPECT_EQ(count, p.sparks);
  }
  EXPECT_TRUE(left && right);
}
