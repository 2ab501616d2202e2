#pragma once
// The automatic player: watches the play state and chooses the mouse for
// the next frame. It keeps the balls up by predicting where the one due
// first meets the paddle line, catches capsules when no ball needs it,
// avoids the "kill" capsule, launches held balls and fires the laser. Its
// own generator (seeded) varies the bounce angles, so it never touches the
// game's generator and a seeded run replays exactly.
#include <cstdint>
#include <random>

namespace vantrel::test {

struct AutoInput {
  int32_t mouseX = 640;
  int32_t mouseY = 690;
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
