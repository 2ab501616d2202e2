#include "game/support/option_globals.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "audio/sound_bank.h"
#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "game/scenes/options.h"

namespace vantrel::test {

namespace {

const std::vector<std::pair<const char*, int32_t*>>& Globals() {
  static const std::vector<std::pair<const char*, int32_t*>> kGlobals = {
      {"players", &optionsScreen.playerCount},
      {"kidMode", &settings.kidMode},
      {"classicRules", &settings.classicRules},
      {"communityBoards", &settings.communityBoards},
      {"fullScreen", &settings.fullScreen},
      {"backgroundStyle", &settings.backgroundStyle},
      {"classicTextures", &settings.classicTextures},
      {"showScores", &settings.showScores},
      {"useInGameMods", &settings.useInGameMods},
      {"swapStereo", &settings.swapStereo},
      {"soundSwapStereo", &audioSettings.swapStereo},
      {"fullScreenTogglePending", &program.fullScreenTogglePending},
      {"backgroundDirty", &program.backgroundDirty},
      {"settingsChanged", &input.settingsChanged},
      {"paused", &play.board.paused},
      {"pauseKeyReleased", &input.pauseKeyReleased},
      {"pauseClickX", &play.pauseClickX},
  };
  return kGlobals;
}

}  // namespace

OptionGlobalValues ReadOptionGlobals() {
  OptionGlobalValues values;
  for (const auto& entry : Globals()) values.push_back(*entry.second);
  return values;
}

void WriteOptionGlobals(const OptionGlobalValues& values) {
  const auto& globals = Globals();
  for (size_t i = 0; i < globals.size() && i < values.size(); ++i) *globals[i].second = values[i];
}

void PutOptionGlobals(const std::string& assignments) {
  for (const auto& entry : Globals()) *entry.second = 0;
  std::istringstream words(assignments);
  std::string word;
  while (words >> word) {
    const size_t equals = word.find('=');
    const std::string name = word.substr(0, equals);
    bool known = false;
    for (const auto& [globalName, global] : Globals()) {
      if (equals == std::string::npos || name != globalName) continue;
      *global = std::stoi(word.substr(equals + 1));
      known = true;
    }
    if (!known) ADD_FAILURE() << "no option global in \"" << word << "\"";
  }
}

std::string ChangedOptionGlobals(const OptionGlobalValues& before) {
  std::string changed;
  const auto& globals = Globals();
  for (size_t i = 0; i < globals.size(); ++i) {
    if (i < before.size() && *globals[i].second == before[i]) continue;
    if (!changed.empty()) changed += ' ';
    changed += std::string(globals[i].first) + "=" + std::to_string(*globals[i].second);
  }
  return changed;
}

}  // namespace vantrel::test
