#pragma once
// The play harness: a thin layer over GameDriver for the play scene. It
// starts the program on the fixture pack (or the generated pack), writes
// boards straight into the loaded set, starts a game in scene 4, steps
// frames through the program's own loop, places balls, and records the
// sounds, stats and pictures the scene produces.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/support/recorders.h"

class Bitmap;

namespace vantrel::test {

class GameDriver;

struct PlayOptions {
  bool generatedPack = false;  // the pack the build generates, else the fixture pack
  uint32_t seed = 1;
  int32_t players = 1;
  bool classicRules = false;
  bool kidMode = false;
  bool showScores = true;
};

class PlayHarness {
 public:
  explicit PlayHarness(const PlayOptions& options = {});
  ~PlayHarness();
  PlayHarness(const PlayHarness&) = delete;
  PlayHarness& operator=(const PlayHarness&) = delete;

  GameDriver& Driver() { return *driver_; }
  const PlayOptions& Options() const { return options_; }

  // Loads a board set of the pack by file name ("Starter.bdz") with its
  // pictures. False when it cannot be read.
  bool LoadPackSet(const std::string& fileName);
  // Writes boards into the loaded set: each board is its rows from the top,
  // one character a column: '.' empty, 'R' plain, 'E' explosive, 'M'
  // multi-hit, 'A' almost-hard, 'H' hard, 'Z' zapped, '?' hidden, 'X' 1000.
  // Letters take the first brick number of their kind in the loaded set.
  void MakeSet(const std::vector<std::vector<std::string>>& boards, int32_t columns = 20);
  // The brick number a letter stands for.
  int32_t Brick(char letter) const;

  // StartGame, scene 4, the board's first frame and its transition.
  void Begin();
  // One frame of ms (9..50) through the program's loop.
  void Step(int32_t ms = 16);
  void Steps(int32_t frames, int32_t ms = 16);
  // Steps until pred holds; false (and a test failure naming the seed)
  // after maxFrames.
  bool StepUntil(const std::function<bool()>& pred, int32_t maxFrames, int32_t ms = 16);
  void SkipTransition();

  // Takes the held ball (or makes one) and puts it free at x, y moving vx, vy.
  Entity* PlaceBall(float x, float y, float vx, float vy, int32_t size = 1);
  // A ball below cell (c, r), moving straight up at speed, so near that its
  // upward probe reaches the cell in the next logic pass.
  Entity* BallBelowCell(int32_t column, int32_t row, float speed, int32_t size = 1);
  // Parks every ball harmlessly: held on the paddle.
  void HoldAllBalls();

  // Input through the window procedure.
  void MoveMouse(int32_t x, int32_t y = static_cast<int32_t>(kPaddleRestLine));
  void Click();
  void Key(int32_t vk);
  void KeyDown(int32_t vk);
  void KeyUp(int32_t vk);
  void ButtonDown();
  void ButtonUp();
  // Button down, frames steps, button up.
  void Hold(int32_t frames, int32_t ms = 16);

  // Observers.
  int32_t Cell(int32_t column, int32_t row) const;
  int32_t Count(int32_t kind) const;
  std::vector<Entity*> Balls() const;
  std::vector<std::pair<int32_t, int32_t>> QueueCells() const;
  FakeCommunity& Community() { return *community_; }
  std::vector<SoundCall>& Sounds() { return sounds_; }
  int32_t SoundCount(SoundEffect sample) const { return CountSample(sounds_, sample); }
  void ClearSounds() { sounds_.clear(); }
  // The presented picture equals the back buffer, pixel for pixel.
  bool PresentedMatchesBackBuffer(std::string* why = nullptr) const;
  // Pixels of the back buffer that differ from sceneBackdrop outside the
  // given rectangles (left, top, right, bottom; right and bottom exclusive).
  int64_t BackBufferDiffersFromBackdrop(const std::vector<std::array<int32_t, 4>>& except) const;
  // The names in "charms.dat", unscrambled; empty when there is none.
  std::vector<std::string> CharmsFile() const;
  bool CharmsFileExists() const;
  // Every invariant of a running game; empty when all hold.
  std::string CheckInvariants();
  // Writes the presented picture to build/play-review/<name>.png.
  void SaveReview(const std::string& name);

 private:
  PlayOptions options_;
  std::unique_ptr<GameDriver> driver_;
  FakeCommunity* community_ = nullptr;
  std::vector<SoundCall> sounds_;
  std::map<char, int32_t> letters_;
  std::vector<int32_t> startCells_;  // every value the boards started with
  int32_t lastScore_ = 0;
  int32_t lastPlayer_ = 0;
  int32_t frames_ = 0;
  int32_t transitionSince_ = -1;
  bool lastStepPresented_ = false;  // the last step ran a play frame to its present
  int32_t mouseX_ = 640;            // where the mouse was last moved to
  int32_t mouseY_ = static_cast<int32_t>(kPaddleRestLine);
};

// A board of rows (top first) from a compact text.
std::vector<std::string> Rows(std::initializer_list<const char*> rows);

}  // namespace vantrel::test
