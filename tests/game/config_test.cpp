// The settings files: dirs.cfg folders and config.cfg keys.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "core/data_files.h"
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

}  // namespace
