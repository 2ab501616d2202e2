// The ball in free flight: the walls, the slow-down above 450, gravity and
// its cap, the nudge of a ball that hardly moves up or down, and the points
// a brick is worth at the ball's speed and size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "game/game_globals.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/support/play_harness.h"

using vantrel::test::PlayHarness;
using vantrel::test::Rows;

namespace {

constexpr int32_t kFrameLengths[] = {9, 16, 50};

float SpeedOf(float vx, float vy) { return std::hypot(vx, vy); }

// The ball starts at (x, y) moving (vx, vy) in a frame of ms; after the
// frame's logic it moves (wantVx, wantVy) and has played sound 4 (a wall)
// `wallSounds` times.
struct Flight {
  const char* name;
  float x, y, vx, vy;
  bool gravity, classic;
  std::function<std::pair<float, float>(float ms)> want;
  int32_t wallSounds;
};

// The speed a wall bounce gives: 2.25 more, within 225..650.
std::pair<float, float> Bounced(float vx, float vy) {
  const float d = SpeedOf(vx, vy), k = std::clamp(d + 2.25f, 225.0f, 650.0f) / d;
  return {vx * k, vy * k};
}

// A board with one brick in its corner, started, the paddle in the middle.
void OneBrickBoardStarted(PlayHarness& h) {
  h.MakeSet({Rows({"R"})});
  h.Begin();
  h.MoveMouse(640);
  h.Steps(3);
}

}  // namespace

TEST(PlayBall, FreeFlight) {
  const float left = 160.0f, right = 1120.0f, r = 17.0f / 2.0f;
  const Flight flights[] = {
      {"left wall", left + r - 1, 300, -300, -200, false, false, [](float) { return Bounced(300, -200); }, 1},
      {"right wall", right - r + 1, 300, 300, -200, false, false, [](float) { return Bounced(-300, -200); }, 1},
      {"top", 640, r - 1, 100, -300, false, false, [](float) { return Bounced(100, 300); }, 1},
      {"leaving a wall is no bounce", left + r - 1, 300, 300, -200, false, false,
       [](float) { return std::make_pair(300.0f, -200.0f); }, 0},
      {"above 450 it loses 30 a second", 640, 300, 360, -480, false, false,
       [](float ms) {
         const float k = (600.0f - 30.0f * ms / 1000.0f) / 600.0f;
         return std::make_pair(360.0f * k, -480.0f * k);
       },
       0},
      {"but never below 450", 640, 300, 0, -450.2f, false, false,
       [](float ms) { return std::make_pair(0.0f, -std::max(450.0f, 450.2f - 30.0f * ms / 1000.0f)); }, 0},
      {"the classic rules keep the speed", 640, 300, 360, -480, false, true,
       [](float) { return std::make_pair(360.0f, -480.0f); }, 0},
      {"gravity pulls down 130 a second", 640, 300, 300, -100, true, false,
       [](float ms) { return std::make_pair(300.0f, -100.0f + 130.0f * ms / 1000.0f); }, 0},
      {"gravity stops at 450", 640, 300, 0, 449, true, false,
       [](float ms) { return std::make_pair(0.0f, std::min(450.0f, 449.0f + 130.0f * ms / 1000.0f)); }, 0},
      {"gravity never adds to a speed above 450", 640, 300, 0, 600, true, false,
       [](float ms) { return std::make_pair(0.0f, 600.0f - 30.0f * ms / 1000.0f); }, 0},
      {"under gravity a flat ball is not nudged", 640, 300, 300, 10.5f, true, false,
       [](float ms) { return std::make_pair(300.0f, 10.5f + 130.0f * ms / 1000.0f); }, 0},
      {"a ball at 30 up or down is not nudged", 640, 300, 300, -30.5f, false, false,
       [](float) { return std::make_pair(300.0f, -30.5f); }, 0},
  };
  for (int32_t ms : kFrameLengths) {
    PlayHarness h;
    OneBrickBoardStarted(h);
    for (const Flight& f : flights) {
      SCOPED_TRACE(testing::Message() << f.name << ", " << ms << " ms");
      play.board.gravityOn = f.gravity ? 60000 : 0;
      settings.classicRules = f.classic ? 1 : 0;
      Entity* ball = h.PlaceBall(f.x, f.y, f.vx, f.vy);
      ASSERT_NE(ball, nullptr);
      h.ClearSounds();
      h.Step(ms);
      const auto [vx, vy] = f.want(static_cast<float>(ms));
      EXPECT_NEAR(ball->vx, vx, 0.01f);
      EXPECT_NEAR(ball->vy, vy, 0.01f);
      EXPECT_EQ(ball->dead, 0);
      EXPECT_EQ(h.SoundCount(kSoundBassDrum), f.wallSounds);
      for (const auto& s : h.Sounds()) {
        if (s.sample != kSoundBassDrum) continue;
        EXPECT_EQ(s.volume, 63);
        EXPECT_EQ(s.frequency, 0) << "a normal ball plays at the sound's own rate";
      }
    }
    play.board.gravityOn = 0;
    settings.classicRules = 0;

    // A ball that hardly moves up or down gets a new vertical speed from
    // -50 to 49, a whole number.
    int32_t nudged = 0;
    for (int i = 0; i < 20; ++i) {
      Entity* ball = h.PlaceBall(640, 300, 300, 29.5f);
      h.Step(ms);
      EXPECT_GE(ball->vy, -50.0f);
      EXPECT_LE(ball->vy, 49.0f);
      EXPECT_EQ(ball->vy, std::floor(ball->vy));
      nudged += ball->vy != 29.5f;
    }
    EXPECT_EQ(nudged, 20);
  }
}

TEST(PlayBall, PointsPerBrickFollowSpeedBallAndPaddle) {
  struct Case {
    float speed;
    int32_t ballSize, paddle;
    int32_t points;
  } cases[] = {
      {300, 1, 1, 12},     // 300 x 0.04
      {300, 0, 1, 18},     // a small ball: half as much again
      {300, 1, 0, 18},     // the smallest paddle: half as much again
      {300, 0, 0, 24},     // both
      {330, 0, 1, 19},     // 13 x 150 / 100, whole numbers
      {449.9f, 2, 4, 17},  // the fraction of 17.996 is dropped
  };
  PlayHarness h;
  OneBrickBoardStarted(h);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.speed << ", ball " << c.ballSize << ", paddle " << c.paddle);
    play.board.paddleSize = c.paddle;
    h.PlaceBall(640, 300, 0, -c.speed, c.ballSize);
    h.Step();
    EXPECT_EQ(play.pointsPerBrick, c.points);
  }
}
