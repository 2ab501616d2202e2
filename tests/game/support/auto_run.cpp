#include "game/support/auto_player.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <sstream>

#include "game/game_globals.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "game/scenes/transition.h"
#include "game/support/play_harness.h"

namespace vantrel::test {

AutoRunResult RunAutoGame(PlayHarness& h, AutoPlayer& player, const AutoRunConfig& config) {
  AutoRunResult result;
  std::map<const Entity*, std::pair<float, int32_t>> capsules;  // falling capsules of last frame: y and id
  int32_t boardStartClock = play.game.playClock;
  int32_t board = boardSet.currentBoard;
  int32_t player0 = play.game.currentPlayer;
  int32_t livesBefore = play.player.lives;
  bool buttonDown = false;
  size_t frameIndex = 0;
  // With VANTREL_AUTO_TRACE set, the last frames before each lost life are
  // printed: where the balls were and where the paddle was sent.
  const bool trace = std::getenv("VANTREL_AUTO_TRACE") != nullptr;
  std::deque<std::string> recent;
  while (config.maxFrames < 0 || result.frames < config.maxFrames) {
    if (program.sceneNumber != kScenePlay) {
      result.endScene = program.sceneNumber;
      result.finished = program.sceneNumber == kSceneCompleted;
      break;
    }
    if (config.checkInvariants) {
      const std::string broken = h.CheckInvariants();
      if (!broken.empty()) {
        std::ostringstream s;
        s << "frame " << result.frames << ", board " << boardSet.currentBoard << ", player " << play.game.currentPlayer
          << ", seed " << h.Options().seed << ": " << broken;
        result.failure = s.str();
        break;
      }
    }
    if (board != boardSet.currentBoard || player0 != play.game.currentPlayer) {
      if (player0 == play.game.currentPlayer && boardSet.currentBoard > board) {
        ++result.boardsFinished;
        result.framesPerBoard.push_back(result.frames);
        if (config.stopAfterBoards >= 0 && result.boardsFinished >= config.stopAfterBoards) break;
      }
      board = boardSet.currentBoard;
      player0 = play.game.currentPlayer;
      boardStartClock = play.game.playClock;
    } else if (play.game.playClock - boardStartClock > config.maxPlayMsPerBoard) {
      std::ostringstream s;
      s << "board " << board << " not finished in " << config.maxPlayMsPerBoard << " ms (seed " << h.Options().seed
        << ")";
      result.failure = s.str();
      break;
    }

    if (!transition.transitionRunning && !play.board.paused) {
      const AutoInput in = player.Decide();
      h.MoveMouse(in.mouseX, in.mouseY);
      if (trace) {
        std::ostringstream line;
        line << "frame " << result.frames << " clock " << play.game.playClock << " paddle " << play.paddleX << ","
             << play.paddleY << " half " << play.paddleHalfWidth << " aim " << in.mouseX << " predicted "
             << player.lastPrediction << " balls";
        for (const Entity* e = entityHead.next; e; e = e->next) {
          if (e->kind == kEntityBall) line << " (" << e->x << "," << e->y << " v " << e->vx << "," << e->vy << ")";
          if (e->kind == kEntityFallingPowerUp)
            line << " [capsule " << e->value << " at " << e->x << "," << e->y << "]";
        }
        recent.push_back(line.str());
        if (recent.size() > 12) recent.pop_front();
      }
      if (in.click) {
        h.Click();
      } else if (in.press && !buttonDown) {
        h.ButtonDown();
        buttonDown = true;
      } else if (in.release && buttonDown) {
        h.ButtonUp();
        buttonDown = false;
      }
    }
    const int32_t ms = config.frameLengths[frameIndex++ % config.frameLengths.size()];
    h.Step(ms);
    ++result.frames;
    if (config.afterFrame) config.afterFrame(result.frames);

    // What happened in the frame.
    if (play.game.currentPlayer == player0 && play.player.lives < livesBefore) {
      result.livesLost += livesBefore - play.player.lives;
      if (trace) {
        std::printf("[auto player] life lost on board %d at frame %lld:\n", boardSet.currentBoard,
                    static_cast<long long>(result.frames));
        for (const std::string& line : recent) std::printf("  %s\n", line.c_str());
      }
    }
    livesBefore = play.player.lives;
    std::map<const Entity*, std::pair<float, int32_t>> now;
    int32_t entities = 0;
    for (const Entity* e = entityHead.next; e; e = e->next) {
      ++entities;
      if (e->kind == kEntityFallingPowerUp && !e->dead) now[e] = {e->y, e->value};
    }
    for (const auto& [capsule, seen] : capsules) {
      // Gone while still above the board's bottom: caught.
      if (!now.count(capsule) && seen.first < 700.0f && seen.second >= 0 && seen.second < 24) {
        ++result.powerUps[seen.second];
      }
    }
    capsules = std::move(now);
    result.mostEntities = std::max(result.mostEntities, entities);
  }
  if (buttonDown) h.ButtonUp();
  result.charmsCollected = static_cast<int32_t>(h.Community().added["CharmsCollected"]);
  return result;
}

}  // namespace vantrel::test
