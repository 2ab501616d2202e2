#include "game/save_failures.h"

#include <cstring>
#include <string>

#include "core/log.h"
#include "platform/cp1252.h"
#include "platform/message_box.h"

namespace {

constexpr int kKinds = 3;
bool told[kKinds] = {};

int Index(SavedData what) { return static_cast<int>(what); }

// What the message box calls the data, and how its debug line starts.
struct KindText {
  const char* naming;
  const char* debugHead;
};
constexpr KindText kKindTexts[kKinds] = {
    {"the high scores", "Error saving high scores: "},
    {"the collected charms", "Error saving collected charms: "},
    {"the settings", "Error saving settings: "},
};

}  // namespace

void ReportSaveFailed(SavedData what, const boost::filesystem::path& path, int error) {
  const std::string reason = error ? std::string(std::strerror(error)) : std::string("unknown error");
  DebugPrint(kKindTexts[Index(what)].debugHead + path.string() + ": " + reason + "\n");
  if (told[Index(what)]) return;
  told[Index(what)] = true;
  plat::ShowMessageBox(nullptr,
                       plat::Utf8ToCp1252Text(std::string("Could not save ") + kKindTexts[Index(what)].naming + ": " +
                                              reason + "!\n" + path.string()),
                       "Error!", plat::kMbOk | plat::kMbIconError);
}

void ReportSaveWorked(SavedData what) { told[Index(what)] = false; }

bool SaveFailed(SavedData what) { return told[Index(what)]; }

void ResetSaveFailuresForTests() {
  for (bool& t : told) t = false;
}
