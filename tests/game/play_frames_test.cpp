// What the play scene puts on the screen: the presented picture keeps up
// with the back buffer through a busy scene, a quiet frame leaves nothing
// but the board outside the paddle and the balls, and pictures for a person
// to look at.
#include <gtest/gtest.h>

#include <cmath>

#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/explosions.h"
#include "game/play/play_state.h"
#include "game/play/scoring.h"
#include "game/support/play_harness.h"

using vantrel::test::PlayHarness;
using vantrel::test::PlayOptions;
using vantrel::test::Rows;

namespace {

// Rows 3..6 of explosive bricks over plain ones: a long chain.
std::vector<std::string> BusyBoard() {
  return Rows({"", "", "RRRRRRRRRRRRRRRRRRRR", "EEEEEEEEEEEEEEEEEEEE", "EEEEEEEEEEEEEEEEEEEE", "RRRRRRRRRRRRRRRRRRRR",
               "RRRRRRRRRRRRRRRRRRRR", "", "", "", "HHHHHHHHHHHHHHHHHHHH"});
}

void StartBusyScene(PlayHarness& h) {
  HitBrick(10, 3, 0, 0);
  LightningStrike(1);
  LightningStrike(0);
  play.board.doubleScoreMs = 8000;
  AddScoreAtCell(100, 5, 2);
  h.PlaceBall(640.0f, 500.0f, 200.0f, -400.0f);
}

}  // namespace

TEST(PlayFrames, PresentedPictureEqualsTheBackBufferThroughABusyScene) {
  for (int32_t ms : {9, 16, 33, 50}) {
    SCOPED_TRACE(testing::Message() << ms << " ms");
    PlayHarness h;
    h.MakeSet({BusyBoard()});
    h.Begin();
    h.MoveMouse(640);
    h.Step(ms);
    StartBusyScene(h);
    int32_t mostSparks = 0;
    for (int frame = 0; frame < 1500 / ms; ++frame) {
      h.Step(ms);
      mostSparks = std::max(mostSparks, h.Count(kEntitySpark));
      std::string why;
      ASSERT_TRUE(h.PresentedMatchesBackBuffer(&why)) << "frame " << frame << ": " << why;
    }
    EXPECT_GT(mostSparks, 50);
  }
}

TEST(PlayFrames, QuietFrameShowsOnlyTheBoardOutsideThePaddleAndBalls) {
  PlayHarness h;
  h.MakeSet({BusyBoard()});
  h.Begin();
  h.MoveMouse(640);
  h.PlaceBall(300.0f, 500.0f, 0.0f, -300.0f);
  h.Steps(30);
  StartBusyScene(h);
  h.StepUntil([&] { return h.QueueCells().empty() && h.Count(kEntityExplosion) == 0; }, 800);
  play.board.doubleScoreMs = 0;
  // Let every spark, piece, score and strike run out.
  h.StepUntil(
      [&] {
        return h.Count(kEntitySpark) + h.Count(kEntityBrickPiece) + h.Count(kEntityFloatingScore) +
                   h.Count(kEntityLightning) + h.Count(kEntityFallingPowerUp) + h.Count(kEntityX2Glow) ==
               0;
      },
      400);
  h.Steps(2);
  std::vector<std::array<int32_t, 4>> allowed = {
      {0, 315, 1280, 455},  // the status strip
      {static_cast<int32_t>(play.paddleX - play.paddleHalfWidth - 2), static_cast<int32_t>(play.paddleY - 30),
       static_cast<int32_t>(play.paddleX + play.paddleHalfWidth + 2), 720}};  // the paddle and its arc strip
  for (Entity* b : h.Balls()) {
    allowed.push_back({static_cast<int32_t>(b->x) - 16, static_cast<int32_t>(b->y) - 16,
                       static_cast<int32_t>(b->x) + 16, static_cast<int32_t>(b->y) + 16});
  }
  EXPECT_EQ(h.BackBufferDiffersFromBackdrop(allowed), 0);
  std::string why;
  EXPECT_TRUE(h.PresentedMatchesBackBuffer(&why)) << why;
}

TEST(PlayFrames, PicturesForAPerson) {
  PlayOptions o;
  o.generatedPack = true;
  PlayHarness h(o);
  ASSERT_TRUE(h.LoadPackSet("Starter.bdz"));
  h.Begin();
  h.MoveMouse(640);
  h.Steps(3);
  h.SaveReview("board-start");

  // The ball waits on the paddle while the mouse sweeps across the board:
  // only the paddle's current arcs are on the screen.
  for (int32_t x = 640; x >= 200; x -= 60) {
    h.MoveMouse(x);
    h.Step();
  }
  for (int32_t x = 200; x <= 900; x += 60) {
    h.MoveMouse(x);
    h.Step();
  }
  h.SaveReview("swept-paddle");

  // A busy frame: explosions, lightning, sparks and floating scores.
  for (int32_t c = 2; c < 18; c += 3) {
    for (int32_t r = 2; r < 8; ++r) {
      if (h.Cell(c, r) == 0) boardSet.SetCell(c, r, 21);
    }
  }
  boardSet.SetCell(5, 4, 21);
  boardSet.SetCell(11, 5, 21);
  program.backgroundDirty = 1;
  h.Step();
  HitBrick(5, 4, 0, 0);
  HitBrick(11, 5, 0, 0);
  LightningStrike(1);
  play.board.doubleScoreMs = 8000;
  h.PlaceBall(500.0f, 450.0f, 300.0f, -420.0f);
  h.Steps(12);
  h.SaveReview("busy-frame");

  play.player.lives = 9;
  play.hudDirty = 1;
  h.Steps(2);
  h.SaveReview("lives-9");

  h.Key('P');
  h.MoveMouse(420, 400);
  h.Steps(3);
  h.SaveReview("pause");
}
