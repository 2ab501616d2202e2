#include "game/support/high_scores_support.h"

#include <boost/filesystem.hpp>

#include <fstream>
#include <iterator>

#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "game/play/player_state.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/options.h"
#include "graphics/display.h"

namespace vantrel::test {

std::vector<uint8_t> ReadBytes(const boost::filesystem::path& path) {
  std::ifstream in(path.string(), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const boost::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  boost::filesystem::create_directories(path.parent_path());
  std::ofstream out(path.string(), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void HighScoresTest::StartOnSelection(const DriverOptions& options) {
  Start(options);
  Enter(kSceneBoardSetSelect);
  ASSERT_FALSE(boardSetSelect.boardSetEntries.empty());
}

void HighScoresTest::EnterScores(const std::vector<std::pair<int32_t, int32_t>>& players) {
  optionsScreen.playerCount = static_cast<int32_t>(players.size());
  for (size_t p = 0; p < players.size(); ++p) {
    playerSlots[p].run.score = players[p].first;
    playerSlots[p].board = players[p].second;
  }
  d.MoveMouse(kRestX, kRestY);
  program.sceneNumber = kSceneHighScores;
  d.Frame();
  Settle();
  d.Frame();
  ASSERT_EQ(program.previousScene, kSceneHighScores);
}

void HighScoresTest::LeaveToSelection() {
  Settle();
  highScoreScreen.scoresViewOnly = 0;
  program.sceneNumber = kSceneBoardSetSelect;
  d.Frame();
  Settle();
  d.Frame();
  ASSERT_EQ(program.previousScene, kSceneBoardSetSelect);
}

void HighScoresTest::TypeEach(const std::string& utf8) {
  for (size_t i = 0; i < utf8.size();) {
    size_t n = 1;
    const auto lead = static_cast<uint8_t>(utf8[i]);
    if (lead >= 0xF0)
      n = 4;
    else if (lead >= 0xE0)
      n = 3;
    else if (lead >= 0xC0)
      n = 2;
    d.Type(utf8.substr(i, n));
    d.Frame();
    i += n;
  }
}

void HighScoresTest::KeyFrame(uint32_t vk) {
  d.Key(vk);
  d.Frame();
}

void HighScoresTest::AwayAndFrame() {
  d.MoveMouse(kRestX, kRestY);
  d.Frame();
}

boost::filesystem::path HighScoresTest::ScoreFile(bool kid) const {
  return savedGamesFolder / "Scores" / (kid ? "Castle.hsk" : "Castle.hsc");
}

bool HighScoresTest::TextShown(BitFont& font, const std::string& text, int32_t y, int32_t x) {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return false;
  const size_t bytes = size_t(lock.pitch) * size_t(lock.height);
  const std::vector<uint8_t> shown(lock.bits, lock.bits + bytes);
  display.Unlock();
  std::vector<uint8_t> again = shown;
  font.SetTarget(again.data(), lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
  if (x < 0) {
    font.DrawTextCentered(text.c_str(), 0, y, lock.width);
  } else {
    font.DrawText(text.c_str(), x, y);
  }
  font.SetTarget(nullptr, 0, 0, 0, 0);
  return again == shown;
}

}  // namespace vantrel::test
