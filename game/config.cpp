#include "game/config.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "core/data_files.h"
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

struct StoredSetting {
  const char* name;
  int32_t* value;
};

// The stored choices in the order they are read and written.
const StoredSetting kStoredSettings[] = {
    {"FullScreen", &settings.fullScreen},
    {"SwapStereo", &settings.swapStereo},
    {"KidMode", &settings.kidMode},
    {"BackgroundStyle", &settings.backgroundStyle},
    {"UseInGameMods", &settings.useInGameMods},
    {"CommunityBoards", &settings.communityBoards},
    {"ClassicRules", &settings.classicRules},
    {"ClassicTextures", &settings.classicTextures},
    {"ShowScores", &settings.showScores},
};

struct ConfigKey {
  const char* name;
  int32_t* value;
};

const ConfigKey kConfigKeys[] = {
    {"ForceWindowed", &settings.forceWindowed},         {"DisableAudio", &settings.disableAudio},
    {"DisableFadeZoom", &settings.disableFadeZoom},     {"MusicVoices", &settings.musicVoices},
    {"PlaybackRate", &settings.playbackRate},           {"PlaybackBits", &settings.playbackBits},
    {"HighPriorityClass", &settings.highPriorityClass}, {"ForceWaveOut", &settings.forceWaveOut},
};

}  // namespace

void ReadStoredSettings() {
  // One batch: the file is read once for all nine.
  registrySettings.BeginBatch();
  for (const StoredSetting& s : kStoredSettings) registrySettings.ReadInt(s.name, s.value);
  registrySettings.EndBatch();
}

bool WriteStoredSettings() {
  // One batch: the nine are written in one write of the file, so it never
  // holds some new choices and some old ones.
  errno = 0;
  registrySettings.BeginBatch();
  for (const StoredSetting& s : kStoredSettings) registrySettings.WriteInt(s.name, *s.value);
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
  file.Load("config.cfg", 0);
  for (const ConfigKey& key : kConfigKeys) {
    if (file.FindKey(key.name)) file.GetInt(key.value);
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
  if (FILE* f = std::fopen("dirs.cfg", "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  for (const std::string& line : ParseDirsConfig(bytes)) {
    const boost::filesystem::path folder = plat::ToPath(line);
    gameRootFolders.push_back(folder);
    files.searchDirs.push_back(folder);
  }
  if (!userContentFolder.empty()) files.searchDirs.push_back(userContentFolder);
}
