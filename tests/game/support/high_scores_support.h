#pragma once
// Steps shared by the high-score scene tests: the game started on the
// fixture pack with the selection visited once, players' results handed to
// scene 5, typing one character a frame, the table files, and whether a text
// shows on the back buffer.
#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/support/front_end_support.h"
#include "graphics/bitfont.h"

namespace vantrel::test {

// Button centres of the high-score lists.
constexpr int32_t kBackX = 156, kOnlineX = 640, kLowButtonsY = 660;
constexpr int32_t kDoneX = 640, kDoneY = 447;
constexpr int32_t kLeftChoiceX = 501, kRightChoiceX = 778, kChoiceY = 447;
// Where the pointer rests while texts are read: on no text and no button.
constexpr int32_t kRestX = 1240, kRestY = 40;

std::vector<uint8_t> ReadBytes(const boost::filesystem::path& path);
void WriteBytes(const boost::filesystem::path& path, const std::vector<uint8_t>& bytes);

class HighScoresTest : public FrontEndTest {
 public:
  // Start-up on the fixture pack and one visit to the selection.
  void StartOnSelection(const DriverOptions& options = {});
  // The players' final (score, board) as play leaves them, scene 5, its
  // transition run out and one more frame.
  void EnterScores(const std::vector<std::pair<int32_t, int32_t>>& players);
  // Back to the selection (the list is built again), its transition done.
  void LeaveToSelection();
  // Each byte of the text (UTF-8, sent as the window's code page) in a frame
  // of its own, as a person types.
  void TypeEach(const std::string& utf8);
  void KeyFrame(uint32_t vk);
  // The pointer off every text and button, and a frame.
  void AwayAndFrame();
  // The set's table file.
  boost::filesystem::path ScoreFile(bool kid = false) const;
  // The back buffer shows the text: drawing it again, centred at y (or from
  // x), changes no pixel.
  bool TextShown(BitFont& font, const std::string& text, int32_t y, int32_t x = -1);

  using FrontEndTest::ClickAndFrame;
  using FrontEndTest::ClearSounds;
  using FrontEndTest::CountSound;
  using FrontEndTest::Settle;
  using FrontEndTest::d;
};

}  // namespace vantrel::test
