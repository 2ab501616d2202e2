// Odd files where the game expects files of its own: a pipe, a link to
// /dev/zero, a huge sparse file or a folder as "charms.dat", as a set's score
// table, as "dirs.cfg" and as "config.cfg". The real game starts over each,
// through the driver: nothing waits on the pipe, nothing reads the device or
// the hole into memory, the game treats the file as one it cannot read, and
// a save never writes over it without keeping it.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/data_files.h"
#include "game/config.h"
#include "game/game_globals.h"
#include "game/high_score_file.h"
#include "game/play/charms.h"
#include "game/scenes/high_scores.h"
#include "game/support/high_scores_support.h"
#include "platform/files.h"
#include "platform/window.h"
#include "support/odd_files.h"

namespace vantrel::test {
namespace {

class OddSavedFiles : public HighScoresTest, public ::testing::WithParamInterface<OddFileCase> {
 protected:
  void TearDown() override {
    HighScoresTest::TearDown();
    odd_.clear();  // the pipes released once the game is done with them
  }

  // The saved-games folder as the game will find it, emptied of what an
  // earlier test left there.
  static fs::path FreshSavedGames() {
    const fs::path folder = plat::GetKnownFolder(plat::KnownFolder::SavedGames, true) / "Vantrel - Orvesse";
    boost::system::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder);
    return folder;
  }

  OddFile& Plant(const fs::path& path) {
    odd_.push_back(std::make_unique<OddFile>(GetParam().kind, path));
    return *odd_.back();
  }

  // Checks that nothing got through to the pipes.
  void ExpectNoPipeOpened() {
    for (const auto& odd : odd_) EXPECT_EQ(odd->PipeOpens(), 0) << "opened, which waits for a writer: " << odd->Path();
  }

  std::vector<std::unique_ptr<OddFile>> odd_;
};

TEST_P(OddSavedFiles, CharmsFileIsUnreadableAndKeptAsideAtTheFirstSave) {
  const fs::path saved = FreshSavedGames();
  const fs::path file = saved / "charms.dat";
  Prepare();
  OddFile& odd = Plant(file);
  {
    // The start-up itself takes about 40 MB (under the sanitizers too): a
    // reader that took the device or the hole in would take far more.
    const MemoryGuard startUpMemory(128ull << 20);
    ASSERT_EQ(d.StartUp(), std::nullopt);  // the window opens
  }
  d.Frame();
  Settle();
  ExpectNoPipeOpened();
  EXPECT_TRUE(odd.Intact());
  EXPECT_TRUE(collectedCharms.empty());
  EXPECT_TRUE(collectedCharmsNeedBackup);
  EXPECT_NE(d.DebugText().find("Error reading collected charms: "), std::string::npos) << d.DebugText();

  // The high-score scene saves the collection: the odd file is kept aside
  // whole and a collection of the game's own takes its name.
  Enter(kSceneBoardSetSelect);
  collectedCharms = {"Fern"};
  EnterScores({});
  ExpectNoPipeOpened();
  EXPECT_TRUE(odd.IntactAt(saved / "charms.dat.bak"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(file)));
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, std::set<std::string>{"Fern"});
  EXPECT_FALSE(collectedCharmsNeedBackup);
}

TEST_P(OddSavedFiles, ScoreTableShowsTheDefaultTableAndIsNeverWrittenOver) {
  FreshSavedGames();
  StartOnSelection();
  OddFile& odd = Plant(ScoreFile());
  EnterScores({});
  ExpectNoPipeOpened();
  for (int i = 0; i < kHighScoreRows; ++i) {
    EXPECT_EQ(highScoreScreen.highScores[i].score, 1500 - 100 * i);
    EXPECT_EQ(highScoreScreen.highScores[i].name, "Nobbinthorpe");
  }
  EXPECT_TRUE(TextShown(sysFont, "Nobbinthorpe", 261 + sysFont.lineHeight + 7, 394));
  LeaveToSelection();
  EXPECT_TRUE(odd.Intact()) << "a visit without an entry writes nothing";

  // A name entered saves the table. A folder stays where it is and the save
  // fails, as a folder always has; anything else is kept aside whole before
  // the table is written.
  EnterScores({{1550, 0}});
  ASSERT_EQ(highScoreScreen.scoreScreenState, kScoresNameEntry);
  TypeEach("Ed");
  KeyFrame(plat::kKeyEnter);
  ExpectNoPipeOpened();
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Ed");
  const fs::path kept = ScoreFile().string() + ".bak";
  if (GetParam().kind == OddKind::kFolder) {
    EXPECT_TRUE(odd.Intact());
    EXPECT_FALSE(fs::exists(fs::symlink_status(kept)));
    EXPECT_NE(d.DebugText().find("Error saving high scores: " + ScoreFile().string()), std::string::npos);
  } else {
    EXPECT_TRUE(odd.IntactAt(kept));
    HighScoreEntry onDisk[kHighScoreRows];
    const std::vector<uint8_t> bytes = ReadBytes(ScoreFile());
    ASSERT_TRUE(ReadHighScoreTable(bytes.data(), bytes.size(), onDisk));
    EXPECT_EQ(onDisk[0].name, "Ed");
    // Only the first save keeps: the next one replaces the game's own file.
    d.Frame();
    LeaveToSelection();
    EnterScores({{1600, 0}});
    TypeEach("Al");
    KeyFrame(plat::kKeyEnter);
    EXPECT_TRUE(odd.IntactAt(kept));
    EXPECT_FALSE(fs::exists(fs::symlink_status(kept.string() + ".1")));
    const std::vector<uint8_t> again = ReadBytes(ScoreFile());
    ASSERT_TRUE(ReadHighScoreTable(again.data(), again.size(), onDisk));
    EXPECT_EQ(onDisk[0].name, "Al");
    EXPECT_EQ(onDisk[1].name, "Ed");
  }
}

TEST_P(OddSavedFiles, ConfigurationFilesAreReadAsMissing) {
  FreshSavedGames();
  DriverOptions options;
  options.configCfg.reset();
  Prepare(options);
  Plant(d.Folder() / "dirs.cfg");
  Plant(d.Folder() / "config.cfg");
  ASSERT_EQ(d.StartUp(), std::nullopt);
  d.Frame();
  ExpectNoPipeOpened();
  for (const auto& odd : odd_) EXPECT_TRUE(odd->Intact()) << odd->Path();
  // Only the current folder, then the player's: no line of dirs.cfg.
  ASSERT_EQ(gameRootFolders.size(), 1u);
  EXPECT_EQ(gameRootFolders[0], plat::CurrentFolder());
  // The start values: nothing of config.cfg.
  EXPECT_EQ(settings.playbackRate, 22050);
  EXPECT_EQ(settings.playbackBits, 8);
  EXPECT_EQ(settings.musicVoices, 8);
  EXPECT_EQ(settings.highPriorityClass, 1);
}

INSTANTIATE_TEST_SUITE_P(OddFiles, OddSavedFiles, ::testing::ValuesIn(OddFileCases()),
                         [](const auto& info) { return OddFileCaseId(info.param); });

}  // namespace
}  // namespace vantrel::test
