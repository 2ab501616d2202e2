#pragma once
// The state of the play scene, by how long each part lives: one player's
// run (kept in the player's slot while another plays), one board, one game,
// and what lasts across games. Times are on the play clock, in ms. Each part
// starts at its member initialisers, so starting a board, a game or a
// player's turn is one assignment.
#include <cstdint>
#include <string>

class Entity;

// One player's run: what the player's slot keeps between turns. A new game
// starts every player at these values.
struct PlayerRun {
  int32_t score = 0;
  int32_t lives = 3;
  // Charms collected in this game.
  int32_t charmsThisGame = 0;
  // Bricks still to break before a charm may appear; a board start counts
  // it from the board's breakable bricks.
  int32_t charmDelay = 0;

  bool operator==(const PlayerRun&) const = default;
};

// One board: every value here is the value a board starts with. A board
// start also derives the paddle size in kid mode and the charm delay from
// the board, and puts the held ball on the paddle.
struct BoardRun {
  int32_t paused = 0;
  // 0..4, smallest to largest; kid mode starts at 2.
  int32_t paddleSize = 1;
  // The power-up states; gravityOn holds 60000 while set.
  int32_t throughOn = 0;
  int32_t fireballOn = 0;
  int32_t gravityOn = 0;
  int32_t catchOn = 0;
  int32_t laserOn = 0;
  int32_t fallArmed = 0;
  // What is left of the double score.
  int32_t doubleScoreMs = 0;
  // How far the held button has sunk the paddle, and the trail behind it.
  float paddleSink = 0;
  float paddleSinkTrail = 0;
  // Hits in a row on bricks that do not break.
  int32_t invinHits = 0;
  // The brick fall and the column it does next (clamped to the board when
  // used).
  int32_t fallRunning = 0;
  int32_t fallColumn = 100;
  int32_t boardCleared = 0;
  // A new board is to start at the next frame.
  int32_t boardPending = 0;
  int32_t ballLost = 0;
  // The charm on the board (null: none).
  Entity* charmEntity = nullptr;
  // Frames a ball is still held on the paddle; the new board's ball is.
  int32_t heldFrames = 1;
  // When one or two bricks were first left (0: the last-bricks timer is off).
  int32_t lastBricksStart = 0;
  // When the status texts stop showing (0: none shows).
  int32_t statusExpiry = 0;

  bool operator==(const BoardRun&) const = default;
};

// One game: every value here is the value a game starts with.
struct GameRun {
  // Advances at the end of every frame that runs to its end.
  int32_t playClock = 0;
  int32_t currentPlayer = 0;
  // The score on screen, counting up toward the score (-1: none drawn yet),
  // and when it last changed.
  int32_t shownScore = -1;
  int32_t shownScoreTime = 0;
  int32_t lastPaddleSoundTime = 0;
  // When the explosion queue was last popped.
  int32_t lastExplosionTime = 0;
  // The board is ending for a change of player, not because it was finished.
  int32_t playerChangePending = 0;

  bool operator==(const GameRun&) const = default;
};

// The play scene. Besides the three runs, what lasts across boards and
// games: values each frame recomputes, counters and cursors that carry on,
// and the status texts.
struct PlayState {
  PlayerRun player;
  BoardRun board;
  GameRun game;

  // The board to go to once the board is finished.
  int32_t nextBoard = 0;
  // When the ball was lost.
  int32_t ballLostTime = 0;
  // The paddle's centre and half width, written by the paddle's logic.
  float paddleX = 0;
  float paddleY = 0;
  float paddleHalfWidth = 0;
  // Frame countdowns: balls were just launched; a capsule falls.
  int32_t catchGraceFrames = 0;
  int32_t capsuleMarker = 0;
  // When the first of the hits on bricks that do not break came.
  int32_t firstInvinHitTime = 0;
  // The last 4400 ms step of the last-bricks timer.
  int32_t lastBricksStep = 0;
  // The cell the explosive-brick animation looks at next.
  int32_t animColumn = 0;
  int32_t animRow = 0;
  // Sparks and glows counted by this frame's and last frame's logic pass.
  int32_t particlesThisFrame = 0;
  int32_t particlesLastFrame = 0;
  // Laser bolts and balls counted by the logic pass.
  int32_t boltCount = 0;
  int32_t ballCount = 0;
  // Redraw the lives and the player line.
  int32_t hudDirty = 0;

  // Points for a broken brick; the ball logic recomputes it each frame.
  int32_t pointsPerBrick = 8;
  // Breaks not yet sent to the "BricksBroken" stat; lives for the whole run.
  int32_t brokenBricksCount = 0;
  // The velocity of the ball that hit last, for the next capsule to inherit.
  float lastBallVx = 0;
  float lastBallVy = 0;
  std::string statusLine1;
  std::string statusLine2;

  int32_t playfieldLeft = 0;
  int32_t explosionToggle = 0;
  int32_t musicStarted = 0;
  float charmPhase[3] = {};

  // The pause screen's click waiting to be handled (-1: none).
  int32_t pauseClickX = -1;
  int32_t pauseClickY = -1;

  // Tuning values.
  float sinkTrailRate = 100.0f;
  float glowSpeed = 80.0f;
  int32_t paddleTrailStep = 10;
  int32_t trailAlphaStep = 96;
};
extern PlayState play;
