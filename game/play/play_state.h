#pragma once
// The state of the play scene, one global object whose members start at
// their start values.
#include <cstdint>
#include <string>

class Entity;

// The play scene (times on the play clock, in ms).
struct PlayState {
  int32_t playClock = 0;
  int32_t boardPending = 0;
  int32_t boardCleared = 0;
  int32_t nextBoard = 0;
  int32_t paused = 0;
  int32_t ballLost = 0;
  int32_t ballLostTime = 0;
  float paddleX = 0;
  float paddleY = 0;
  float paddleHalfWidth = 0;
  int32_t paddleSize = 0;
  int32_t throughOn = 0;
  int32_t fireballOn = 0;
  int32_t catchOn = 0;
  int32_t laserOn = 0;
  int32_t fallArmed = 0;
  int32_t gravityOn = 0;
  int32_t doubleScoreMs = 0;
  int32_t fallRunning = 0;
  int32_t fallColumn = 0;
  int32_t heldFrames = 0;
  int32_t catchGraceFrames = 0;
  int32_t capsuleMarker = 0;
  int32_t invinHits = 0;
  int32_t firstInvinHitTime = 0;
  Entity* charmEntity = nullptr;
  int32_t charmDelay = 0;
  int32_t lastBricksStart = 0;
  int32_t lastBricksStep = 0;
  int32_t animColumn = 0;
  int32_t animRow = 0;
  int32_t lastExplosionTime = 0;
  int32_t particlesThisFrame = 0;
  int32_t particlesLastFrame = 0;
  int32_t boltCount = 0;
  int32_t ballCount = 0;
  int32_t hudDirty = 0;
  int32_t score = 0;
  int32_t shownScore = 0;
  int32_t shownScoreTime = 0;
  int32_t lives = 0;
  int32_t playerCount = 1;
  int32_t currentPlayer = 0;

  // Points for a broken brick; the ball logic recomputes it each frame.
  int32_t pointsPerBrick = 8;
  // Breaks not yet sent to the "BricksBroken" stat; lives for the whole run.
  int32_t brokenBricksCount = 0;
  // The velocity of the ball that hit last, for the next capsule to inherit.
  float lastBallVx = 0;
  float lastBallVy = 0;
  std::string statusLine1;
  std::string statusLine2;
  int32_t statusExpiry = 0;

  float paddleSink = 0;
  float paddleSinkTrail = 0;
  int32_t lastPaddleSoundTime = 0;
  int32_t playfieldLeft = 0;
  int32_t explosionToggle = 0;
  int32_t musicStarted = 0;
  int32_t softCursorX = -1;
  int32_t softCursorY = -1;
  int32_t charmsThisGame = 0;
  float charmPhase[3] = {};

  // The id of the button under the mouse (-1: none).
  int32_t hoveredButton = -1;
  // The board the next game starts on; StartGame takes it and sets it back to 0.
  int32_t chosenStartBoard = 0;
  // The board is ending for a change of player, not because it was finished.
  int32_t playerChangePending = 0;
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
