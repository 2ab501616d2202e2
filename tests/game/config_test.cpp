// The settings files: dirs.cfg folders and config.cfg keys.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "core/data_files.h"
#include "core/registry_settings.h"
#include "game/config.h"
#include "game/game_globals.h"
#include "platform/files.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::string& text) {
  FILE* f = std::fopen(path.string().c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

TEST(DirsConfig, LinesAreCutAtTheirFirstLineEndAndEmptyOnesSkipped) {
  const std::string longLine(3000, 'a');
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  } cases[] = {
      {"one\ntwo\n", {"one", "two"}},
      {"one\r\ntwo\r\n", {"one", "two"}},
      {"one\r\n\r\n\n\ntwo", {"one", "two"}},
      {"\r\n", {}},
      {"", {}},
      {"a\rjunk\nb", {"a", "b"}},
      {longLine + "\n" + "x", {longLine, "x"}},
      {std::string("nul\0byte\n", 9), {std::string("nul\0byte", 8)}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDirsConfig(c.bytes), c.lines) << c.bytes.size();
}

TEST(DirsConfig, FoldersJoinBothListsInFileOrderThenTheUserFolder) {
  const fs::path folder = vantrel::test::MakeTempDir("dirs");
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  const std::string longLine(3000, 'z');
  WriteFile(folder / "dirs.cfg", "packs\\extra\r\n\r\n/no/such/folder\n" + longLine + "\n");
  ResetGameStateForTests();
  userContentFolder = "/home/player/Documents/Quillmark/Vantrel - Orvesse";
  DataFiles files;
  ReadDirsConfig(files);
  ASSERT_EQ(gameRootFolders.size(), 4u);
  EXPECT_EQ(gameRootFolders[0], plat::CurrentFolder());
  EXPECT_EQ(gameRootFolders[1], fs::path("packs/extra"));
  EXPECT_EQ(gameRootFolders[2], fs::path("/no/such/folder"));
  EXPECT_EQ(gameRootFolders[3].string().size(), 3000u);
  ASSERT_EQ(files.searchDirs.size(), 5u);
  EXPECT_EQ(files.searchDirs[1], fs::path("packs/extra"));
  EXPECT_EQ(files.searchDirs[4], userContentFolder);
  fs::current_path(previous);
}

TEST(ConfigFile, KeysAreReadAsTheTextReaderFindsThem) {
  const fs::path folder = vantrel::test::MakeTempDir("config");
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  struct Case {
    const char* text;
    int32_t forceWindowed;
  } cases[] = {{"ForceWindowed 1\n", 1}, {"   forcewindowed = 1\n", 1}, {"ForceWindowed=1\n", 0}, {"", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteFile(folder / "config.cfg", c.text);
    ResetGameStateForTests();
    ReadConfigFile();
    EXPECT_EQ(settings.forceWindowed, c.forceWindowed);
  }
  WriteFile(folder / "config.cfg",
            "DisableAudio 1\nDisableFadeZoom 1\nMusicVoices 4\nPlaybackRate 44100\nPlaybackBits 16\n"
            "HighPriorityClass 0\nForceWaveOut 1\n");
  ResetGameStateForTests();
  ReadConfigFile();
  EXPECT_EQ(settings.disableAudio, 1);
  EXPECT_EQ(settings.disableFadeZoom, 1);
  EXPECT_EQ(settings.musicVoices, 4);
  EXPECT_EQ(settings.playbackRate, 44100);
  EXPECT_EQ(settings.playbackBits, 16);
  EXPECT_EQ(settings.highPriorityClass, 0);
  EXPECT_EQ(settings.forceWaveOut, 1);
  fs::remove(folder / "config.cfg");
  ResetGameStateForTests();
  ReadConfigFile();
  EXPECT_EQ(settings.playbackRate, 22050);
  EXPECT_EQ(settings.musicVoices, 8);
  EXPECT_EQ(settings.highPriorityClass, 1);
  fs::current_path(previous);
}

// Every number the game reads from the registry or config.cfg lands in the
// range it is used in: flags are 0 or 1 (whatever is not 0 is on), the
// background style one of its three, the sound values what the device opens.
struct RangeCase {
  const char* name;
  int32_t read;
  int32_t Settings::*field;
  int32_t expect;
};

TEST(StoredSettings, EveryValueIsBroughtIntoItsRangeAsRead) {
  const RangeCase cases[] = {
      {"FullScreen", 0, &Settings::fullScreen, 0},
      {"FullScreen", 7, &Settings::fullScreen, 1},
      {"FullScreen", INT_MIN, &Settings::fullScreen, 1},
      {"SwapStereo", -1, &Settings::swapStereo, 1},
      {"KidMode", INT_MAX, &Settings::kidMode, 1},
      {"UseInGameMods", 2, &Settings::useInGameMods, 1},
      {"CommunityBoards", 0, &Settings::communityBoards, 0},
      {"ClassicRules", -7, &Settings::classicRules, 1},
      {"ClassicTextures", 1, &Settings::classicTextures, 1},
      {"ShowScores", 0, &Settings::showScores, 0},
      {"BackgroundStyle", 0, &Settings::backgroundStyle, 0},
      {"BackgroundStyle", 1, &Settings::backgroundStyle, 1},
      {"BackgroundStyle", 2, &Settings::backgroundStyle, 2},
      {"BackgroundStyle", 3, &Settings::backgroundStyle, 0},
      {"BackgroundStyle", 5, &Settings::backgroundStyle, 0},
      {"BackgroundStyle", -1, &Settings::backgroundStyle, 0},
      {"BackgroundStyle", INT_MAX, &Settings::backgroundStyle, 0},
      {"BackgroundStyle", INT_MIN, &Settings::backgroundStyle, 0},
  };
  for (const RangeCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.read));
    ResetGameStateForTests();
    ASSERT_TRUE(registrySettings.WriteInt(c.name, c.read));
    ReadStoredSettings();
    EXPECT_EQ(settings.*c.field, c.expect);
  }
}

TEST(ConfigFile, EveryValueIsBroughtIntoItsRangeAsRead) {
  const fs::path folder = vantrel::test::MakeTempDir("config-ranges");
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  struct TextCase {
    const char* name;
    const char* text;
    int32_t Settings::*field;
    int32_t expect;
  } cases[] = {
      {"MusicVoices", "2147483647", &Settings::musicVoices, kMaxMusicVoices},
      {"MusicVoices", "99999999999", &Settings::musicVoices, kMaxMusicVoices},
      {"MusicVoices", "25", &Settings::musicVoices, kMaxMusicVoices},
      {"MusicVoices", "24", &Settings::musicVoices, 24},
      {"MusicVoices", "4", &Settings::musicVoices, 4},
      {"MusicVoices", "0", &Settings::musicVoices, 0},
      {"MusicVoices", "-5", &Settings::musicVoices, 0},
      {"MusicVoices", "-2147483648", &Settings::musicVoices, 0},
      {"PlaybackRate", "2147483647", &Settings::playbackRate, 48000},
      {"PlaybackRate", "96000", &Settings::playbackRate, 48000},
      {"PlaybackRate", "44100", &Settings::playbackRate, 44100},
      {"PlaybackRate", "8000", &Settings::playbackRate, 8000},
      {"PlaybackRate", "1000", &Settings::playbackRate, 8000},
      {"PlaybackRate", "0", &Settings::playbackRate, 8000},
      {"PlaybackRate", "-2147483648", &Settings::playbackRate, 8000},
      {"PlaybackBits", "16", &Settings::playbackBits, 16},
      {"PlaybackBits", "8", &Settings::playbackBits, 8},
      {"PlaybackBits", "24", &Settings::playbackBits, 8},
      {"PlaybackBits", "-16", &Settings::playbackBits, 8},
      {"PlaybackBits", "2147483647", &Settings::playbackBits, 8},
      {"ForceWindowed", "2", &Settings::forceWindowed, 1},
      {"DisableAudio", "-1", &Settings::disableAudio, 1},
      {"DisableFadeZoom", "-2147483648", &Settings::disableFadeZoom, 1},
      {"HighPriorityClass", "0", &Settings::highPriorityClass, 0},
      {"HighPriorityClass", "2147483647", &Settings::highPriorityClass, 1},
      {"ForceWaveOut", "5", &Settings::forceWaveOut, 1},
  };
  for (const TextCase& c : cases) {
    const std::string line = std::string(c.name) + " " + c.text + "\n";
    SCOPED_TRACE(line);
    WriteFile(folder / "config.cfg", line);
    ResetGameStateForTests();
    ReadConfigFile();
    EXPECT_EQ(settings.*c.field, c.expect);
  }
  fs::current_path(previous);
}

}  // namespace
