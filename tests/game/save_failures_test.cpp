// Saves that fail: the high-score tables, the collected charms and the
// settings, each made to fail through the platform's file layer as a full
// disk fails them. The player is told once, in the game's message box, what
// could not be saved and why; nothing is lost while the game runs, and every
// later save writes it again.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cerrno>
#include <set>
#include <string>
#include <vector>

#include "core/hash.h"
#include "core/registry_settings.h"
#include "game/config.h"
#include "game/game_globals.h"
#include "game/high_score_file.h"
#include "game/play/charms.h"
#include "game/save_failures.h"
#include "game/scenes/high_scores.h"
#include "game/support/high_scores_support.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "support/test_support.h"

namespace vantrel::test {
namespace {

namespace fs = boost::filesystem;

const std::string kNoSpace = "No space left on device";

std::string Told(const std::string& what, const fs::path& path) {
  return "Could not save " + what + ": " + kNoSpace + "!\n" + path.string();
}

// The boxes of the tests that run without the game's window system.
class RecordedBoxes : public plat::MessageBoxHandler {
 public:
  RecordedBoxes() { plat::SetMessageBoxHandler(this); }
  ~RecordedBoxes() override { plat::SetMessageBoxHandler(nullptr); }
  int32_t ShowMessageBox(plat::Window*, const std::string& text, const std::string& caption, uint32_t) override {
    texts.push_back(caption + "|" + text);
    return plat::kIdOk;
  }
  std::vector<std::string> texts;
};

class SaveFailures : public HighScoresTest {
 protected:
  void TearDown() override {
    plat::FailNextAtomicWrites(0, 0);
    HighScoresTest::TearDown();
  }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> out;
    for (const auto& box : d.Boxes()) out.push_back(box.caption + "|" + box.text);
    return out;
  }
  // The names of the table file's rows.
  std::vector<std::string> StoredNames() const {
    const std::vector<uint8_t> bytes = ReadBytes(ScoreFile());
    HighScoreEntry table[kHighScoreRows];
    if (!ReadHighScoreTable(bytes.data(), bytes.size(), table)) return {};
    std::vector<std::string> names;
    for (const HighScoreEntry& row : table) names.push_back(row.name);
    return names;
  }
};

TEST_F(SaveFailures, AHighScoreThatCannotBeSavedIsToldOnceAndWrittenAtTheNextSave) {
  StartOnSelection();
  const std::string scores = "Error!|" + Told("the high scores", ScoreFile());

  // The visit's own saves (the charms) are done: the name's save fails.
  EnterScores({{1550, 0}});
  plat::FailNextAtomicWrites(1, ENOSPC);
  TypeEach("Ed");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{scores});
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Ed");
  EXPECT_FALSE(fs::exists(ScoreFile()));
  EXPECT_NE(d.DebugText().find("Error saving high scores: " + ScoreFile().string() + ": " + kNoSpace),
            std::string::npos);

  // The next visit's saves fail too: the charms are told (a first failure
  // of theirs), the table is not told again, and the table still shows Ed.
  LeaveToSelection();
  plat::FailNextAtomicWrites(2, ENOSPC);
  EnterScores({});
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{
                            scores, "Error!|" + Told("the collected charms", savedGamesFolder / "charms.dat")}));
  EXPECT_EQ(highScoreScreen.highScores[0].name, "Ed");
  EXPECT_EQ(highScoreScreen.highScores[0].isNew, 0);
  EXPECT_TRUE(TextShown(sysFont, "Ed", 261 + sysFont.lineHeight + 7, 394));
  EXPECT_FALSE(fs::exists(ScoreFile()));

  // The visit after that can write: the table reaches its file.
  LeaveToSelection();
  EnterScores({});
  ASSERT_FALSE(StoredNames().empty());
  EXPECT_EQ(StoredNames()[0], "Ed");
  EXPECT_EQ(d.Boxes().size(), 2u);

  // Once a save has worked, the next failure is told again; the exit writes it.
  LeaveToSelection();
  EnterScores({{1600, 0}});
  plat::FailNextAtomicWrites(1, ENOSPC);
  TypeEach("Flo");
  KeyFrame(plat::kKeyEnter);
  EXPECT_EQ(d.Boxes().size(), 3u);
  EXPECT_EQ(StoredNames()[0], "Ed");
  d.Finish();
  ASSERT_FALSE(StoredNames().empty());
  EXPECT_EQ(StoredNames()[0], "Flo");
  EXPECT_EQ(StoredNames()[1], "Ed");
  // Nothing is left beside the table.
  EXPECT_EQ(std::distance(fs::directory_iterator(ScoreFile().parent_path()), fs::directory_iterator()), 1);
}

TEST_F(SaveFailures, TheSettingsOfAnExitThatCannotSaveAreToldAndNoneIsStored) {
  DriverOptions options;
  options.storedSettings = {{"BackgroundStyle", 1}, {"ShowScores", 1}};
  Start(options);
  d.Key(plat::kKeyF1);      // BackgroundStyle 2
  d.Key(plat::kKeyF1 + 8);  // ShowScores 0
  d.Frame();
  // Every write of the exit fails.
  plat::FailNextAtomicWrites(1000, ENOSPC);
  d.Finish();
  plat::FailNextAtomicWrites(0, 0);
  const std::string file = plat::SettingsStore::FilePath(registrySettings.keyPath, false);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Error!|" + Told("the settings", file)});
  EXPECT_EQ(d.StoredSetting("BackgroundStyle"), 1);
  EXPECT_EQ(d.StoredSetting("ShowScores"), 1);
  EXPECT_EQ(d.StoredSetting("FullScreen"), std::nullopt);
}

TEST(StoredSettings, OneSaveWritesAllNineOrNone) {
  RecordedBoxes boxes;
  ResetGameStateForTests();
  const std::string file = plat::SettingsStore::FilePath(registrySettings.keyPath, false);
  settings.kidMode = 1;
  settings.showScores = 0;
  ASSERT_TRUE(WriteStoredSettings());
  const std::vector<uint8_t> before = ReadBytes(file);

  // One failed write of the file: all nine stay as they were (one write per
  // option would have stored all but the first).
  settings.kidMode = 0;
  settings.showScores = 1;
  settings.classicRules = 1;
  plat::FailNextAtomicWrites(1, ENOSPC);
  EXPECT_FALSE(WriteStoredSettings());
  plat::FailNextAtomicWrites(0, 0);
  EXPECT_EQ(ReadBytes(file), before);
  ASSERT_EQ(boxes.texts, std::vector<std::string>{"Error!|" + Told("the settings", file)});

  // The next save stores them, and they read back.
  ASSERT_TRUE(WriteStoredSettings());
  settings = Settings();
  ReadStoredSettings();
  EXPECT_EQ(settings.kidMode, 0);
  EXPECT_EQ(settings.showScores, 1);
  EXPECT_EQ(settings.classicRules, 1);
  EXPECT_EQ(boxes.texts.size(), 1u);
  ResetGameStateForTests();
}

TEST(CollectedCharmsSave, AFailureIsToldOnceAndTheSetIsWrittenByTheNextSave) {
  RecordedBoxes boxes;
  ResetGameStateForTests();
  savedGamesFolder = MakeTempDir("charms-save");
  const fs::path file = savedGamesFolder / "charms.dat";
  collectedCharms = {"Clover"};
  SaveCollectedCharms();
  const std::vector<uint8_t> before = ReadBytes(file);
  ASSERT_FALSE(before.empty());

  collectedCharms.insert("Acorn");
  plat::FailNextAtomicWrites(2, ENOSPC);
  SaveCollectedCharms();
  SaveCollectedCharms();
  EXPECT_EQ(ReadBytes(file), before);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"Error!|" + Told("the collected charms", file)});
  EXPECT_TRUE(SaveFailed(SavedData::kCollectedCharms));

  SaveCollectedCharms();
  EXPECT_FALSE(SaveFailed(SavedData::kCollectedCharms));
  collectedCharms.clear();
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, (std::set<std::string>{"Acorn", "Clover"}));
  plat::FailNextAtomicWrites(1, ENOSPC);
  SaveCollectedCharms();
  EXPECT_EQ(boxes.texts.size(), 2u) << "a failure after a save that worked is told again";
  plat::FailNextAtomicWrites(0, 0);
  ResetGameStateForTests();
}

}  // namespace
}  // namespace vantrel::test
