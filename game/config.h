#pragma once
// The game's settings: the nine stored choices, the config.cfg overrides
// and the extra data folders of dirs.cfg.
#include <cstdint>
#include <string>
#include <vector>

class DataFiles;

// Reads config.cfg from the current folder into the eight override values.
void ReadConfigFile();
// gameRootFolders = the current folder and the dirs.cfg folders; the same
// folders, then userContentFolder, are appended to the search list of files.
void ReadDirsConfig(DataFiles& files);
// The folder lines of a dirs.cfg: each line cut before its first CR or LF,
// empty lines left out, long lines kept whole.
std::vector<std::string> ParseDirsConfig(const std::string& bytes);

// The stored choices: read at start-up, written by a normal exit, each in
// one pass over the settings file. A write that fails is told to the player
// (false).
void ReadStoredSettings();
bool WriteStoredSettings();
// The sound bank's settings from the configuration and SwapStereo.
void ApplyAudioSettings();
