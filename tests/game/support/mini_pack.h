#pragma once
// A tiny data pack for the game's tests, written with the project's own
// writers: every image set, font, picture, sound, module and board file the
// game opens at start-up, each as small as the game allows. Every
// full-screen picture is one flat colour of its own.
#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <set>
#include <string>

namespace vantrel::test {

struct MiniPackOptions {
  // Pack-relative paths ("Graphics/Icons.img") left out, or written with a
  // bad magic.
  std::set<std::string> omit;
  std::set<std::string> corrupt;
  // Font stems ("ChiselFont", "SysFont") written as 32-bit sets instead of
  // 8-bit ones.
  std::set<std::string> fonts32;
  // Charms in "Charms/Default.charms" (named "charm<i>", rarity i mod 5).
  int charmCount = 6;
};

// The flat colours (0xRRGGBB) of the full-screen pictures. None of them is
// black, so none packs to the drawing key.
constexpr uint32_t kHighScoresColour = 0xC82828;
constexpr uint32_t kSplashColour = 0x2850C8;
constexpr uint32_t kCharmsColour = 0x28A03C;
constexpr uint32_t kBoardSelectColour = 0xA07828;
constexpr uint32_t kTitlePowerupsColour = 0x7828A0;
constexpr uint32_t kTitleScreenColour = 0x3C8C8C;
constexpr uint32_t kExitColour = 0xC8C828;
constexpr uint32_t kCursorColour = 0xF0F0F0;

// The fixture board set: one board whose row 10 is all "explo" bricks.
constexpr const char* kBoardSetPath = "Boards/Castle.bdz";
constexpr int kExploBrick = 21;
constexpr int kExploRow = 10;

// Writes the pack into root (made when missing).
void WriteMiniPack(const boost::filesystem::path& root, const MiniPackOptions& options = {});

// The 0xRRGGBB colour a 5-5-5 display shows for a 0xRRGGBB colour.
uint32_t Through555(uint32_t rgb);

}  // namespace vantrel::test
