#pragma once
// The automatic player: watches the play state and chooses the mouse for
// the next frame. It keeps the balls up by predicting where the one due
// first meets the paddle line, catches capsules when no ball needs it,
// avoids the "kill" capsule, launches held balls and fires the laser. Its
// own generator (seeded) varies the bounce angles, so it never touches the
// game's generator and a seeded run replays exactly.
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "game/game_globals.h"
#include "game/play/entity_behaviour.h"

namespace vantrel::test {

struct AutoInput {
  int32_t mouseX = 640;
  int32_t mouseY = static_cast<int32_t>(kPaddleRestLine);
  bool click = false;    // press and release in this frame
  bool press = false;    // press and keep holding (exercises the paddle's dip)
  bool release = false;  // let go of a held button
};

class AutoPlayer {
 public:
  explicit AutoPlayer(uint32_t seed) { Reset(seed); }
  void Reset(uint32_t seed);
  // The input for the next frame, from the current play state.
  AutoInput Decide();

  // Where the player predicted the target ball to meet the paddle line
  // (-1 with none), for tests and reports.
  float lastPrediction = -1.0f;

 private:
  float Uniform(float lo, float hi);

  std::mt19937 rng_;
  float aimOffset_ = 0.0f;
  int32_t lastPaddleSoundTime_ = -1;
  int32_t launchWait_ = -1;
  int32_t holding_ = 0;
  int32_t frame_ = 0;
};

}  // namespace vantrel::test

namespace vantrel::test {

class PlayHarness;

struct AutoRunConfig {
  std::vector<int32_t> frameLengths = {16};  // cycled
  int32_t maxPlayMsPerBoard = 20 * 60 * 1000;
  int64_t maxFrames = -1;  // stop after this many frames (-1: play to the end)
  bool checkInvariants = true;
  int32_t stopAfterBoards = -1;  // stop once this many boards were finished (-1: play to the end)
  // Called after every frame with the number of frames played so far.
  std::function<void(int64_t frames)> afterFrame;
};

struct AutoRunResult {
  int64_t frames = 0;
  int32_t livesLost = 0;
  int32_t powerUps[24] = {};
  int32_t charmsCollected = 0;
  int32_t mostEntities = 0;
  Scene endScene = kScenePlay;
  bool finished = false;       // reached the all-boards-completed scene
  int32_t boardsFinished = 0;  // boards left for the next one (every player)
  std::vector<int64_t> framesPerBoard;
  std::string failure;  // the first broken invariant or the budget, with where
};

// Plays the harness's game with the player until the game ends (or
// maxFrames), checking the invariants before every frame.
AutoRunResult RunAutoGame(PlayHarness& harness, AutoPlayer& player, const AutoRunConfig& config);

}  // namespace vantrel::test
