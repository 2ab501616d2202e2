#include "game/play/game_flow.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/entities.h"
#include "game/play/player_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/scoring.h"
#include "platform/random.h"

int32_t ActivePlayerCount() { return std::clamp<int32_t>(playerCount, 1, 4); }

namespace {

void ShowGetReady() {
  if (ActivePlayerCount() > 1) {
    SetStatusMessage("Get Ready", "Player " + std::to_string(currentPlayer + 1), 2000);
  }
}

}  // namespace

void ApplyBoardStartValues() {
  paused = 0;
  paddleSize = kidMode ? 2 : 1;
  throughOn = 0;
  fireballOn = 0;
  gravityOn = 0;
  catchOn = 0;
  laserOn = 0;
  fallArmed = 0;
  doubleScoreMs = 0;
  paddleButtonHeld = 0;
  paddleSink = 0;
  paddleSinkTrail = 0;
  invinHits = 0;
  fallRunning = 0;
  fallColumn = 100;
  boardCleared = 0;
  boardPending = 0;
  ballLost = 0;
  charmEntity = nullptr;
  entityHead.DeleteAll();
  exploQueueHead.DeleteAll();
  Entity* ball = new (std::nothrow) Entity(kEntityBall, kidMode ? 2 : 1, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  if (ball) {
    ball->aux = 6;  // held 6 pixels right of the paddle centre
    ball->heldSpeed = 330;
    Entity::Append(&entityHead, ball);
  }
  heldFrames = 1;
  anyInputThisFrame = 0;
  lastBricksStart = 0;
  statusExpiry = 0;
  const int32_t breakable = boardSet.CountBreakableBricks();
  boardSet.bricksAtStart = breakable;
  charmDelay = breakable * 3 / 4;
  ShowGetReady();
}

int32_t StartGame() {
  BuildMusicPlaylist();
  cheatMode = 0;
  scoresViewOnly = 0;
  scoresFromCompletion = 0;
  BuildBallLensTables();
  boardSet.SetCurrentBoard(chosenStartBoard);
  chosenStartBoard = 0;
  lastPaddleSoundTime = 0;
  charmsThisGame = 0;
  lastExplosionTime = 0;
  playClock = 0;
  shownScore = -1;
  score = 0;
  shownScoreTime = 0;
  lives = 3;
  currentPlayer = 0;
  playerChangePending = 0;
  for (int32_t p = 0; p < ActivePlayerCount(); ++p) SavePlayerState(p);
  BuildPowerUpDeck();
  ApplyBoardStartValues();
  boardPending = 1;
  return 1;
}

void StartBoard() { ApplyBoardStartValues(); }

int32_t LoseBall() {
  if (ballLost) return 0;
  ballLost = 1;
  lives -= 1;
  ballLostTime = playClock;
  soundSystem.StopVoice(0);
  soundSystem.StopVoice(1);
  PlaySoundAt(13, 0.0f, 0, 63);
  PlaySoundAt(13, 640.0f, static_cast<int32_t>(soundSystem.GetSampleRate(13) * 0.95), 63);
  const int32_t spread = std::max(1, static_cast<int32_t>(2.0f * paddleHalfWidth));
  const int32_t half = static_cast<int32_t>(paddleHalfWidth);
  for (int i = 0; i < 32; ++i) {
    const int32_t d = plat::Rand() % spread - half;
    const int32_t up = plat::Rand() % 64;
    Entity* spark = new (std::nothrow) Entity(kEntitySpark, 2000, 0, paddleX + static_cast<float>(d), paddleY + 8.0f,
                                              static_cast<float>(d), -static_cast<float>(up));
    Entity::InsertFirst(&entityHead, spark);
  }
  return 1;
}

int32_t NextPlayer() {
  const int32_t count = ActivePlayerCount();
  const int32_t start = std::clamp<int32_t>(currentPlayer, 0, count - 1);
  for (int32_t i = 1; i <= count; ++i) {
    const int32_t p = (start + i) % count;
    if (playerSlots[p].board < boardSet.boardCount && playerSlots[p].lives > 0) {
      currentPlayer = p;
      return 1;
    }
  }
  return 0;
}

void LaunchBalls() {
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind != kEntityBall || !(e->flags & 1)) continue;
    float angle = (e->x - paddleX) / std::max(1.0f, 1.3f * paddleHalfWidth);
    if (!(angle >= -1.3f)) angle = -1.3f;  // also catches a value that is not a number
    if (angle > 1.3f) angle = 1.3f;
    const int32_t speed = gravityOn ? 450 : std::min(e->heldSpeed, 600);
    e->heldSpeed = speed;
    e->vx = std::sin(angle) * static_cast<float>(speed);
    e->vy = -std::cos(angle) * static_cast<float>(speed);
    e->flags &= ~1;
    e->y -= 2.0f;
    catchGraceFrames = 4;
  }
}
