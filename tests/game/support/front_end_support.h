#pragma once
// Shared steps of the front-end scene tests: starting the game on the
// fixture pack, entering a scene with its transition finished, writing board
// sets into folders, recording the effects played, and reading pixels.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "boardset/boardset.h"
#include "game/game_globals.h"
#include "game/support/game_driver.h"
#include "game/support/recorders.h"

namespace vantrel::test {

namespace fs = boost::filesystem;

// Bytes of a hand-laid board-set file of the given version (unscrambled,
// which the reader takes as well).
std::vector<uint8_t> PlainBoardSetBytes(int version, const std::string& title, int32_t boards);

struct SetSpec {
  std::string title = "Set";
  std::string author = "Tester";
  int32_t sortOrder = 0;
  int32_t boards = 1;
  std::string brickSet = "Bricks.img";
  std::string backgroundSet = "Backgrounds.img";
};

// Saves a version-7 set at path (folders made as needed).
void WriteSet(const fs::path& path, const SetSpec& spec = {});

// A plain version-7 set of one board titled `title`, whose board is followed
// by zeros up to `size` bytes, with the checksum right: a set of any size
// that every check but its size passes. The zeros are a hole in the file, so
// it costs no disk.
void WritePaddedSet(const fs::path& path, const std::string& title, int64_t size);

// The fixture pack's system font draws its glyphs in grey 200; the amber
// copy shows that as (255, 200, 50).
inline bool IsAmber(uint32_t rgb) { return rgb == Through555(0xFFC832); }
inline bool IsGreyText(uint32_t rgb) { return rgb == Through555(0xC8C8C8); }

class FrontEndTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The driver's Prepare over no stored settings but the options' own.
  void Prepare(const DriverOptions& options = {});
  // Prepare and StartUp; the splash's transition is finished.
  void Start(const DriverOptions& options = {});
  // Frames until no transition runs.
  void Settle();
  // Switches to the scene as another scene would, lets its transition end
  // and runs one more frame, so the window shows the scene.
  void Enter(Scene scene);
  // A click at (x, y) and the frame that reads it.
  void ClickAndFrame(int32_t x, int32_t y);
  // Effects played since the last ClearSounds.
  int CountSound(int32_t sample) const;
  void ClearSounds() { sounds_.clear(); }

  GameDriver d;
  std::vector<SoundCall> sounds_;
};

}  // namespace vantrel::test
