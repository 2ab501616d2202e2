#include "game/play/game_flow.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/scoring.h"
#include "game/scenes/high_scores.h"
#include "platform/random.h"

int32_t ActivePlayerCount() { return std::clamp<int32_t>(play.playerCount, 1, 4); }

namespace {

void ShowGetReady() {
  if (ActivePlayerCount() > 1) {
    SetStatusMessage("Get Ready", "Player " + std::to_string(play.currentPlayer + 1), 2000);
  }
}

}  // namespace

void ApplyBoardStartValues() {
  play.paused = 0;
  play.paddleSize = settings.kidMode ? 2 : 1;
  play.throughOn = 0;
  play.fireballOn = 0;
  play.gravityOn = 0;
  play.catchOn = 0;
  play.laserOn = 0;
  play.fallArmed = 0;
  play.doubleScoreMs = 0;
  input.paddleButtonHeld = 0;
  play.paddleSink = 0;
  play.paddleSinkTrail = 0;
  play.invinHits = 0;
  play.fallRunning = 0;
  play.fallColumn = 100;
  play.boardCleared = 0;
  play.boardPending = 0;
  play.ballLost = 0;
  play.charmEntity = nullptr;
  entityHead.DeleteAll();
  exploQueueHead.DeleteAll();
  if (Entity* ball = AppendEntity(kEntityBall, settings.kidMode ? kBallBig : kBallNormal, kBallHeld, 0.0f, 0.0f, 0.0f,
                                  0.0f)) {
    ball->aux = 6;  // held 6 pixels right of the paddle centre
    ball->heldSpeed = 330;
  }
  play.heldFrames = 1;
  input.anyInputThisFrame = 0;
  play.lastBricksStart = 0;
  play.statusExpiry = 0;
  const int32_t breakable = boardSet.CountBreakableBricks();
  boardSet.bricksAtStart = breakable;
  play.charmDelay = breakable * 3 / 4;
  ShowGetReady();
}

int32_t StartGame() {
  BuildMusicPlaylist();
  settings.cheatMode = 0;
  highScoreScreen.scoresViewOnly = 0;
  highScoreScreen.scoresFromCompletion = 0;
  BuildBallLensTables();
  boardSet.SetCurrentBoard(play.chosenStartBoard);
  play.chosenStartBoard = 0;
  play.lastPaddleSoundTime = 0;
  play.charmsThisGame = 0;
  play.lastExplosionTime = 0;
  play.playClock = 0;
  play.shownScore = -1;
  play.score = 0;
  play.shownScoreTime = 0;
  play.lives = 3;
  play.currentPlayer = 0;
  play.playerChangePending = 0;
  for (int32_t p = 0; p < ActivePlayerCount(); ++p) SavePlayerState(p);
  BuildPowerUpDeck();
  ApplyBoardStartValues();
  play.boardPending = 1;
  return 1;
}

void StartBoard() { ApplyBoardStartValues(); }

int32_t LoseBall() {
  if (play.ballLost) return 0;
  play.ballLost = 1;
  play.lives -= 1;
  play.ballLostTime = play.playClock;
  soundSystem.StopVoice(0);
  soundSystem.StopVoice(1);
  PlaySoundAt(kSoundPadExplode, 0.0f, 0, 63);
  PlaySoundAt(kSoundPadExplode, 640.0f, static_cast<int32_t>(soundSystem.GetSampleRate(kSoundPadExplode) * 0.95), 63);
  const int32_t spread = std::max(1, static_cast<int32_t>(2.0f * play.paddleHalfWidth));
  const int32_t half = static_cast<int32_t>(play.paddleHalfWidth);
  for (int i = 0; i < 32; ++i) {
    const int32_t d = plat::Rand() % spread - half;
    const int32_t up = plat::Rand() % 64;
    InsertEntityFirst(kEntitySpark, 2000, 0, play.paddleX + static_cast<float>(d), play.paddleY + 8.0f,
                      static_cast<float>(d), -static_cast<float>(up));
  }
  return 1;
}

int32_t NextPlayer() {
  const int32_t count = ActivePlayerCount();
  const int32_t start = std::clamp<int32_t>(play.currentPlayer, 0, count - 1);
  for (int32_t i = 1; i <= count; ++i) {
    const int32_t p = (start + i) % count;
    if (playerSlots[p].board < boardSet.boardCount && playerSlots[p].lives > 0) {
      play.currentPlayer = p;
      return 1;
    }
  }
  return 0;
}

void LaunchBalls() {
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind != kEntityBall || !(e->flags & kBallHeld)) continue;
    float angle = (e->x - play.paddleX) / std::max(1.0f, 1.3f * play.paddleHalfWidth);
    if (!(angle >= -1.3f)) angle = -1.3f;  // also catches a value that is not a number
    if (angle > 1.3f) angle = 1.3f;
    const int32_t speed = play.gravityOn ? 450 : std::min(e->heldSpeed, 600);
    e->heldSpeed = speed;
    e->vx = std::sin(angle) * static_cast<float>(speed);
    e->vy = -std::cos(angle) * static_cast<float>(speed);
    e->flags &= ~kBallHeld;
    e->y -= 2.0f;
    play.catchGraceFrames = 4;
  }
}
