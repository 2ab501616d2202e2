#pragma once
// The fixture of the play-rule tests: the in-memory window with a 1280 x 720
// x 16 display, the board pictures, a 15-image brick set written by the test
// (or one of its variants), two background tiles, small power-up and
// explosion sets, a community manager that records what it is told, and a
// recorder of the sounds the rules play. Every global starts from its start
// value.
#include <gtest/gtest.h>

#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "game/play/entities.h"
#include "game/support/recorders.h"
#include "platform/clock.h"
#include "platform/headless/headless_window.h"

class Bitmap;
class Entity;

namespace vantrel::test {

// Brick-set variants.
enum class BrickSet {
  kFull,        // the 15 images below
  kNoExplo,     // the "explo" images renamed "plain"
  kZappedLast,  // "zapped" only as the last image
  kNoInvin,     // without "invin": almost-hard bricks break at once
  kZeroImage,   // image 0 ("red") is 0 x 0
  kMissing,     // no brick file at all
};
// Background variants.
enum class Backgrounds { kTwoTiles, kZeroTile };
// Audio: loaded on the null output (sample k plays at 8000 + k Hz), or off.
enum class Audio { kLoaded, kOff };

// Brick numbers of the full set.
constexpr int32_t kRed = 1, kBlue = 2, kExplo = 3, kGlass = 6, kMulti = 7, kMultiLast = 9, kStone = 10, kAlmost = 11,
                  kInvin = 12, kZapped = 13, kHidden = 14, kEnd = 15;
constexpr int32_t kBrickCount = 15;
// Background tile colours (as 0xFFRRGGBB) of tile 0 and tile 1.
constexpr uint32_t kTileColour[2] = {0xFF4080C0, 0xFFC06020};

// The colour (0xFFRRGGBB, 32-bit source) of brick image i.
uint32_t BrickColour(int32_t image);

// Puts a board from text: rows from the top, one character per column;
// '.' 0, 'R' 1, 'E' 3, 'M' 7, 'A' 11, 'H' 12, 'Z' 13, '?' 14, 'X' 1000,
// "#nnn" (or "#-nnn") any number. Sets the column count, one board, board 0.
void MakeBoard(std::initializer_list<std::string> rows, int32_t columns = 20);

class RulesFixture : public ::testing::Test {
 protected:
  explicit RulesFixture(BrickSet bricks = BrickSet::kFull, Backgrounds backgrounds = Backgrounds::kTwoTiles,
                        Audio audio = Audio::kLoaded, int32_t depth = 16)
      : bricks_(bricks), backgrounds_(backgrounds), audio_(audio), depth_(depth) {}

  void SetUp() override;
  void TearDown() override;

  // Reloads the brick set as another variant.
  void LoadBricks(BrickSet variant);
  // Pins the runtime generator (and the fixed clocks) for one case.
  void Seed(uint32_t seed);

  // The sounds played so far with this sample number.
  std::vector<SoundCall> SoundsOf(SoundEffect sample) const;
  // Entities of a kind in list order.
  static std::vector<Entity*> EntitiesOf(int32_t kind);
  static int32_t CountEntities(int32_t kind);
  // Queue cells in order.
  static std::vector<std::pair<int32_t, int32_t>> QueueCells();
  // The colour of a back-buffer or picture pixel as 0xFFRRGGBB.
  static uint32_t ScreenPixel(int32_t x, int32_t y);
  static uint32_t PicturePixel(const Bitmap& picture, int32_t x, int32_t y);

  std::unique_ptr<plat::headless::HeadlessWindowSystem> windows;
  plat::Window* window = nullptr;
  std::unique_ptr<plat::FakeClockScope> clock;
  FakeCommunity community;
  std::vector<SoundCall> sounds;
  boost::filesystem::path dir;

 private:
  BrickSet bricks_;
  Backgrounds backgrounds_;
  Audio audio_;
  int32_t depth_;
};

}  // namespace vantrel::test
