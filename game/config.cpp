#include "game/config.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "core/data_files.h"
#include "core/log.h"
#include "core/registry_settings.h"
#include "core/text_file.h"
#include "game/game_globals.h"
#include "game/save_failures.h"
#include "platform/files.h"

Settings settings;

boost::filesystem::path savedGamesFolder;
boost::filesystem::path userContentFolder;
std::vector<boost::filesystem::path> gameRootFolders;
std::unique_ptr<CommunityManager> communityManagerOwner;
CommunityManager* communityManager = nullptr;

namespace {

// What a value read from the registry or config.cfg may be: each one is
// brought into its range once, as it is read, so every use of it (and what
// the menus show of it) sees the same value and no arithmetic on it can
// overflow.
using Normalise = int32_t (*)(int32_t value);

// An on/off choice: whatever is not 0 is on, as the game reads it.
int32_t Flag(int32_t value) { return value != 0 ? 1 : 0; }
// 0 Textured, 1 Half-Bright, 2 Black; any other number reads as the start
// value, Textured.
int32_t BackgroundStyle(int32_t value) { return value >= 0 && value <= 2 ? value : 0; }
int32_t MusicVoices(int32_t value) { return std::clamp<int32_t>(value, 0, kMaxMusicVoices); }
int32_t PlaybackRate(int32_t value) { return std::clamp<int32_t>(value, kMinPlaybackRate, kMaxPlaybackRate); }
// The sound system plays 16 bits or else 8.
int32_t PlaybackBits(int32_t value) { return value == 16 ? 16 : 8; }

struct SettingValue {
  const char* name;
  int32_t* value;
  Normalise normalise;
};

// The stored choices in the order they are read and written.
const SettingValue kStoredSettings[] = {
    {"FullScreen", &settings.fullScreen, Flag},
    {"SwapStereo", &settings.swapStereo, Flag},
    {"KidMode", &settings.kidMode, Flag},
    {"BackgroundStyle", &settings.backgroundStyle, BackgroundStyle},
    {"UseInGameMods", &settings.useInGameMods, Flag},
    {"CommunityBoards", &settings.communityBoards, Flag},
    {"ClassicRules", &settings.classicRules, Flag},
    {"ClassicTextures", &settings.classicTextures, Flag},
    {"ShowScores", &settings.showScores, Flag},
};

const SettingValue kConfigKeys[] = {
    {"ForceWindowed", &settings.forceWindowed, Flag},         {"DisableAudio", &settings.disableAudio, Flag},
    {"DisableFadeZoom", &settings.disableFadeZoom, Flag},     {"MusicVoices", &settings.musicVoices, MusicVoices},
    {"PlaybackRate", &settings.playbackRate, PlaybackRate},   {"PlaybackBits", &settings.playbackBits, PlaybackBits},
    {"HighPriorityClass", &settings.highPriorityClass, Flag}, {"ForceWaveOut", &settings.forceWaveOut, Flag},
};

// The most a configuration file in the game's folder may hold: far beyond
// the eight keys of config.cfg and a thousand folders of the longest path
// in dirs.cfg (4096 bytes each).
constexpr size_t kMaxConfigFileBytes = 4u << 20;

// Reads one configuration file of the current folder through the one
// regular-file read. A file that is missing, cannot be read (a pipe, a
// device, a folder under its name) or is larger than any real one gives
// nothing, as a missing one does, and never holds the game up.
bool ReadConfigText(const char* name, std::string& bytes) {
  int error = 0;
  const plat::ReadFileResult read = plat::ReadWholeFile(name, bytes, kMaxConfigFileBytes, &error);
  if (read == plat::ReadFileResult::kRead) return true;
  if (read != plat::ReadFileResult::kMissing) {
    DebugPrint(std::string("Error reading ") + name + ": " +
               (read == plat::ReadFileResult::kTooLarge ? std::string("too large") : std::strerror(error)) + "\n");
  }
  return false;
}

}  // namespace

void ReadStoredSettings() {
  // One batch: the file is read once for all nine.
  registrySettings.BeginBatch();
  for (const SettingValue& s : kStoredSettings) {
    int32_t value = 0;
    if (registrySettings.ReadInt(s.name, &value)) *s.value = s.normalise(value);
  }
  registrySettings.EndBatch();
}

bool WriteStoredSettings() {
  // One batch: the nine are written in one write of the file, so it never
  // holds some new choices and some old ones.
  errno = 0;
  registrySettings.BeginBatch();
  for (const SettingValue& s : kStoredSettings) registrySettings.WriteInt(s.name, *s.value);
  if (registrySettings.EndBatch()) {
    ReportSaveWorked(SavedData::kSettings);
    return true;
  }
  ReportSaveFailed(SavedData::kSettings,
                   plat::SettingsStore::FilePath(registrySettings.keyPath, registrySettings.useLocalMachine != 0),
                   errno);
  return false;
}

void ReadConfigFile() {
  TextFile file;
  std::string bytes;
  if (ReadConfigText("config.cfg", bytes)) file.LoadFromMemory(bytes.data(), static_cast<int32_t>(bytes.size()));
  for (const SettingValue& key : kConfigKeys) {
    int32_t value = 0;
    if (file.FindKey(key.name) && file.GetInt(&value)) *key.value = key.normalise(value);
  }
}

void ApplyAudioSettings() {
  audioSettings.disableAudio = settings.disableAudio;
  audioSettings.forceWaveOut = settings.forceWaveOut;
  audioSettings.playbackRate = settings.playbackRate;
  audioSettings.playbackBits = settings.playbackBits;
  audioSettings.musicVoices = settings.musicVoices;
  audioSettings.swapStereo = settings.swapStereo != 0 ? 1 : 0;
}

std::vector<std::string> ParseDirsConfig(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < bytes.size()) {
    // A line runs to its LF (or the end); whatever follows its first CR or
    // LF is not part of the folder name.
    size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(pos, end - pos);
    const size_t cut = line.find_first_of("\r\n");
    if (cut != std::string::npos) line.resize(cut);
    if (!line.empty()) lines.push_back(std::move(line));
    pos = end + 1;
  }
  return lines;
}

void ReadDirsConfig(DataFiles& files) {
  gameRootFolders.push_back(plat::CurrentFolder());
  std::string bytes;
  ReadConfigText("dirs.cfg", bytes);
  for (const std::string& line : ParseDirsConfig(bytes)) {
    const boost::filesystem::path folder = plat::ToPath(line);
    gameRootFolders.push_back(folder);
    files.searchDirs.push_back(folder);
  }
  if (!userContentFolder.empty()) files.searchDirs.push_back(userContentFolder);
}
