#include "game/play/game_flow.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/ball_tuning.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/scoring.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/options.h"
#include "platform/random.h"

int32_t ActivePlayerCount() { return std::clamp<int32_t>(optionsScreen.playerCount, 1, 4); }

namespace {

void ShowGetReady() {
  if (ActivePlayerCount() > 1) {
    SetStatusMessage("Get Ready", "Player " + std::to_string(play.game.currentPlayer + 1), 2000);
  }
}

}  // namespace

void StartBoard() {
  play.board = BoardRun();
  if (settings.kidMode) play.board.paddleSize = 2;
  input.paddleButtonHeld = 0;
  input.anyInputThisFrame = 0;
  entityHead.DeleteAll();
  exploQueueHead.DeleteAll();
  if (Entity* ball = AppendEntity(kEntityBall, settings.kidMode ? kBallBig : kBallNormal, kBallHeld, 0.0f, 0.0f, 0.0f,
                                  0.0f)) {
    ball->aux = 6;  // held 6 pixels right of the paddle centre
    ball->heldSpeed = 330;
  }
  const int32_t breakable = boardSet.CountBreakableBricks();
  boardSet.bricksAtStart = breakable;
  play.player.charmDelay = breakable * 3 / 4;
  ShowGetReady();
}

int32_t StartGame() {
  BuildMusicPlaylist();
  settings.cheatMode = 0;
  highScoreScreen.scoresViewOnly = 0;
  highScoreScreen.scoresFromCompletion = 0;
  BuildBallLensTables();
  boardSet.SetCurrentBoard(boardSetSelect.chosenStartBoard);
  boardSetSelect.chosenStartBoard = 0;
  play.game = GameRun();
  play.player = PlayerRun();
  for (int32_t p = 0; p < ActivePlayerCount(); ++p) SavePlayerState(p);
  BuildPowerUpDeck();
  StartBoard();
  play.board.boardPending = 1;
  return 1;
}

int32_t LoseBall() {
  if (play.board.ballLost) return 0;
  play.board.ballLost = 1;
  play.player.lives -= 1;
  play.ballLostTime = play.game.playClock;
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
  const int32_t start = std::clamp<int32_t>(play.game.currentPlayer, 0, count - 1);
  for (int32_t i = 1; i <= count; ++i) {
    const int32_t p = (start + i) % count;
    if (playerSlots[p].board < boardSet.boardCount && playerSlots[p].run.lives > 0) {
      play.game.currentPlayer = p;
      return 1;
    }
  }
  return 0;
}

void LaunchBalls() {
  for (Entity* e = entityHead.next; e; e = e->next) {
    if (e->kind != kEntityBall || !(e->flags & kBallHeld)) continue;
    constexpr float kMaxAngle = ball_tuning::kMaxBounceAngle;
    float angle = (e->x - play.paddleX) / std::max(1.0f, kMaxAngle * play.paddleHalfWidth);
    if (!(angle >= -kMaxAngle)) angle = -kMaxAngle;  // also catches a value that is not a number
    if (angle > kMaxAngle) angle = kMaxAngle;
    const int32_t speed = play.board.gravityOn ? static_cast<int32_t>(ball_tuning::kCruiseSpeed)
                                               : std::min(e->heldSpeed, ball_tuning::kMaxLaunchSpeed);
    e->heldSpeed = speed;
    e->vx = std::sin(angle) * static_cast<float>(speed);
    e->vy = -std::cos(angle) * static_cast<float>(speed);
    e->flags &= ~kBallHeld;
    e->y -= 2.0f;
    play.catchGraceFrames = 4;
  }
}
