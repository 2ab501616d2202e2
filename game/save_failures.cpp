#include "game/save_failures.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/log.h"
#include "platform/cp1252.h"
#include "platform/message_box.h"

namespace {

constexpr int kKinds = 3;
bool told[kKinds] = {};

int Index(SavedData what) { return static_cast<int>(what); }

const char* Naming(SavedData what) {
  switch (what) {
    case SavedData::kHighScores: return "the high scores";
    case SavedData::kCollectedCharms: return "the collected charms";
    case SavedData::kSettings: return "the settings";
  }
  return "the game's data";
}

// The debug line's start.
const char* DebugHead(SavedData what) {
  switch (what) {
    case SavedData::kHighScores: return "Error saving high scores: ";
    case SavedData::kCollectedCharms: return "Error saving collected charms: ";
    case SavedData::kSettings: return "Error saving settings: ";
  }
  return "Error saving: ";
}

// Message boxes take Windows-1252 text; paths and system texts are UTF-8.
std::string Shown(const std::string& utf8) {
  const std::vector<uint8_t> bytes = plat::Utf8ToCp1252(utf8);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

void ReportSaveFailed(SavedData what, const boost::filesystem::path& path, int error) {
  const std::string reason = error ? std::string(std::strerror(error)) : std::string("unknown error");
  DebugPrint(DebugHead(what) + path.string() + ": " + reason + "\n");
  if (told[Index(what)]) return;
  told[Index(what)] = true;
  plat::ShowMessageBox(nullptr,
                       Shown(std::string("Could not save ") + Naming(what) + ": " + reason + "!\n" + path.string()),
                       "Error!", plat::kMbOk | plat::kMbIconError);
}

void ReportSaveWorked(SavedData what) { told[Index(what)] = false; }

bool SaveFailed(SavedData what) { return told[Index(what)]; }

void ResetSaveFailuresForTests() {
  for (bool& t : told) t = false;
}
