// Charms: loading the charm sets from the three sources, choosing, placing
// and collecting a charm, the ball touching it, and "charms.dat".
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "community/workshop_item.h"
#include "core/hash.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/play/charms.h"
#include "graphics/bitmap.h"
#include "graphics/imageset_writer.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/random.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

// One picture of a charm set: its frame name, size and fill colour (0xAARRGGBB).
struct CharmFrame {
  std::string name;
  int32_t width = 48;
  int32_t height = 48;
  uint32_t colour = 0xFF2080C0u;
};

// Writes a charm set holding the frames in order.
void WriteCharmFrames(const fs::path& path, const std::vector<CharmFrame>& frames) {
  fs::create_directories(path.parent_path());
  std::vector<Bitmap> pictures(frames.size());
  std::vector<ImageSetWriterEntry> entries;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].width > 0 && frames[i].height > 0) {
      ASSERT_TRUE(pictures[i].Create(frames[i].width, frames[i].height, 32));
      for (int32_t y = 0; y < frames[i].height; ++y)
        for (int32_t x = 0; x < frames[i].width; ++x) pictures[i].SetPixel(x, y, frames[i].colour);
    }
    entries.push_back({frames[i].name, &pictures[i]});
  }
  ASSERT_TRUE(WriteImageSet(path, entries));
}

void WriteCharmSet(const fs::path& path, const std::vector<std::string>& names) {
  std::vector<CharmFrame> frames;
  for (const std::string& n : names) frames.push_back({n});
  WriteCharmFrames(path, frames);
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) {
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  }
  std::fclose(f);
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  int c;
  while ((c = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return bytes;
}

std::vector<uint8_t> Scramble(const std::vector<uint8_t>& plain) {
  uint8_t* out = nullptr;
  int32_t size = 0;
  EXPECT_TRUE(ScrambleBuffer(plain.data(), int32_t(plain.size()), &out, &size));
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}

// The plain form of a file; empty when it does not unscramble.
std::vector<uint8_t> Unscramble(const std::vector<uint8_t>& bytes) {
  uint8_t* out = nullptr;
  int32_t size = 0;
  if (bytes.empty() || !UnscrambleBuffer(bytes.data(), int32_t(bytes.size()), &out, &size)) return {};
  std::vector<uint8_t> plain(out, out + size);
  std::free(out);
  return plain;
}

std::vector<uint8_t> Plain(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<std::string> CharmNames() {
  std::vector<std::string> names;
  for (const CharmInfo& c : charms) names.push_back(c.name);
  return names;
}

class CharmTables : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGameStateForTests();
    root = vantrel::test::MakeTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override { ResetGameStateForTests(); }

  // A charm table of the given rarities, named C0, C1, ... (no pictures).
  void MakeTable(const std::vector<int32_t>& rarities) {
    for (size_t i = 0; i < rarities.size(); ++i) {
      CharmInfo info;
      info.name = "C" + std::to_string(i);
      info.rarity = rarities[i];
      charmIndex[info.name] = int32_t(i);
      charms.push_back(info);
    }
  }

  fs::path root;
};

// --- Loading -----------------------------------------------------------

TEST_F(CharmTables, LoadsFromTheThreeSourcesFirstFileNameWins) {
  const fs::path data1 = root / "data1", data2 = root / "data2", community = root / "community";
  const fs::path item = root / "workshop" / "123";
  WriteCharmSet(data1 / "A.charms", {"Apple", "Acorn_1"});
  WriteCharmSet(data2 / "sub" / "deeper" / "B.charms", {"Bell_4"});
  WriteCharmSet(data1 / "C.CHARMS", {"Cherry"});
  WriteCharmSet(community / "A.charms", {"Anchor"});
  WriteCharmSet(community / "F.charms", {"Feather_2"});
  WriteCharmSet(item / "D.charms", {"Drum"});
  WriteBytes(data2 / "E.charms", Plain("IMST this is not an image set"));
  WorkshopItem workshop;
  workshop.folder = item;

  plat::DebugCaptureScope debug;
  LoadCharms({data1, data2}, community, {workshop});

  std::vector<std::string> files;
  for (const auto& f : charmFiles) files.push_back(f.first);
  EXPECT_EQ(files, (std::vector<std::string>{"A.charms", "B.charms", "D.charms", "E.charms", "F.charms"}));
  EXPECT_EQ(charmFiles["A.charms"].tag, kCharmSourceGame);
  EXPECT_EQ(charmFiles["A.charms"].path, data1 / "A.charms");
  EXPECT_EQ(charmFiles["B.charms"].tag, kCharmSourceGame);
  EXPECT_EQ(charmFiles["D.charms"].tag, kCharmSourceCloud);
  EXPECT_EQ(charmFiles["F.charms"].tag, kCharmSourceLocal);
  EXPECT_NE(debug.text.find("Duplicate charm file: " + (community / "A.charms").string()), std::string::npos)
      << debug.text;

  // Map order (by file name); the unreadable set is dropped without a charm.
  EXPECT_EQ(CharmNames(), (std::vector<std::string>{"Apple", "Acorn", "Bell", "Drum", "Feather"}));
  EXPECT_EQ(charmSets.size(), 4u);
  ASSERT_EQ(charmIndex.size(), charms.size());
  for (size_t i = 0; i < charms.size(); ++i) {
    const CharmInfo& c = charms[i];
    EXPECT_EQ(charmIndex[c.name], int32_t(i));
    EXPECT_EQ(c.weight, 1);
    EXPECT_EQ(c.flag, 0);
    ASSERT_NE(c.set, nullptr);
    const Image* image = c.set->GetImage(c.frame);
    EXPECT_EQ(c.set->GetName(c.frame).Text(), c.name + (c.rarity ? "_" + std::to_string(c.rarity) : ""));
    EXPECT_EQ(image->hotX, 24);
    EXPECT_EQ(image->hotY, 12);
  }
  EXPECT_EQ(charms[1].frame, 1);
  EXPECT_EQ(charms[1].set, charms[0].set);
}

TEST_F(CharmTables, NamesAndRarities) {
  const fs::path data = root / "data";
  WriteCharmSet(data / "1.charms", {"Clover_3", "Clover_", "Star", "Moon_12x", "Gem_-3",
                                    "Sun_99999999999999999999", "Twin_2_7", "Max_2147483647",
                                    "Over_2147483648"});
  WriteCharmSet(data / "2.charms", {"Clover_4", "Comet_1"});
  plat::DebugCaptureScope debug;
  LoadCharms({data}, {}, {});

  struct Row {
    const char* name;
    int32_t rarity;
  };
  const Row rows[] = {{"Clover", 3}, {"Star", 0},         {"Moon", 12},        {"Gem", 0},
                      {"Sun", INT32_MAX}, {"Twin", 2}, {"Max", INT32_MAX}, {"Over", INT32_MAX},
                      {"Comet", 1}};
  ASSERT_EQ(charms.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(charms[i].name, rows[i].name);
    EXPECT_EQ(charms[i].rarity, rows[i].rarity) << rows[i].name;
  }
  // The first Clover stays; both later ones are reported.
  EXPECT_EQ(charms[0].frame, 0);
  EXPECT_NE(debug.text.find("Duplicate charm named Clover in file " + (data / "1.charms").string()),
            std::string::npos)
      << debug.text;
  EXPECT_NE(debug.text.find("Duplicate charm named Clover in file " + (data / "2.charms").string()),
            std::string::npos)
      << debug.text;
}

TEST_F(CharmTables, NameLongerThanTheFileCanHoldIsRefused) {
  const fs::path data = root / "data";
  const std::string longest(255, 'L');
  const std::string tooLong(256, 'T');
  WriteCharmSet(data / "long.charms", {longest + "_4", tooLong + "_1", std::string(300, 'x'), "Ok"});
  plat::DebugCaptureScope debug;
  LoadCharms({data}, {}, {});
  EXPECT_EQ(CharmNames(), (std::vector<std::string>{longest, "Ok"}));
  EXPECT_EQ(charms[0].rarity, 4);
  EXPECT_EQ(charms[1].frame, 3);
  size_t reports = 0;
  const std::string line = "Charm name too long in file " + (data / "long.charms").string();
  for (size_t at = debug.text.find(line); at != std::string::npos; at = debug.text.find(line, at + 1)) ++reports;
  EXPECT_EQ(reports, 2u) << debug.text;
}

TEST_F(CharmTables, EmptyPicturesAndNoFolders) {
  const fs::path data = root / "data";
  WriteCharmFrames(data / "empty.charms", {CharmFrame{"Ghost", 0, 0}, CharmFrame{"Wisp_5", 0, 0}});
  LoadCharms({data, root / "missing"}, root / "no-community", {WorkshopItem{}});
  EXPECT_EQ(CharmNames(), (std::vector<std::string>{"Ghost", "Wisp"}));

  // A second load starts from empty tables.
  LoadCharms({}, {}, {});
  EXPECT_TRUE(charms.empty());
  EXPECT_TRUE(charmIndex.empty());
  EXPECT_TRUE(charmFiles.empty());
  EXPECT_TRUE(charmSets.empty());
}

// --- Choosing ----------------------------------------------------------

TEST_F(CharmTables, ChooseWithoutCharms) {
  EXPECT_EQ(ChooseCharm(), -1);
  EXPECT_EQ(PickCharm(0), -1);
}

TEST_F(CharmTables, WeightsAndTheRunningTotals) {
  struct Case {
    std::vector<int32_t> rarities;
    std::set<std::string> collected;
    std::vector<int32_t> totals;
  };
  const Case cases[] = {
      {{0, 4}, {}, {100, 105}},
      {{0, 4}, {"C0"}, {50, 55}},
      {{0, 4}, {"C0", "C1"}, {50, 52}},
      {{-2, 9}, {}, {100, 105}},
      {{INT_MIN, INT_MAX}, {}, {100, 105}},
      {{0, 1, 2, 3, 4}, {}, {100, 150, 175, 185, 190}},
      {{1, 2, 3}, {"C0", "C1", "C2", "other"}, {25, 37, 42}},
  };
  for (const Case& c : cases) {
    ResetGameStateForTests();
    MakeTable(c.rarities);
    collectedCharms = c.collected;
    const int32_t k = ChooseCharm();
    EXPECT_GE(k, 0);
    EXPECT_LT(k, int32_t(charms.size()));
    std::vector<int32_t> totals;
    for (const CharmInfo& info : charms) totals.push_back(info.weight);
    EXPECT_EQ(totals, c.totals) << "first rarity " << c.rarities[0];
  }
}

TEST_F(CharmTables, PickIsTheFirstRunningTotalAtLeastR) {
  MakeTable({0, 4});
  ChooseCharm();
  const std::pair<uint32_t, int32_t> rows[] = {{0, 0},   {1, 0},   {99, 0},  {100, 0}, {101, 1},
                                               {104, 1}, {105, 1}, {106, 1}, {UINT32_MAX, 1}};
  for (const auto& [r, expect] : rows) EXPECT_EQ(PickCharm(r), expect) << "r = " << r;
}

TEST_F(CharmTables, ChoiceRepeatsWithTheSameSeedAndFollowsTheWeights) {
  plat::FakeClockScope clock;
  plat::SetFakeMilliClock(5000);
  MakeTable({0, 4});
  auto draw = [] {
    randomIntState = 123456;
    plat::Srand(77);
    std::vector<int32_t> picks;
    for (int i = 0; i < 2000; ++i) picks.push_back(ChooseCharm());
    return picks;
  };
  const std::vector<int32_t> first = draw();
  EXPECT_EQ(draw(), first);
  int32_t rare = 0;
  for (int32_t k : first) {
    ASSERT_TRUE(k == 0 || k == 1);
    rare += k;
  }
  // 5 chances in 105 (plus the first charm's extra one): about 95 of 2000.
  EXPECT_GT(rare, 40);
  EXPECT_LT(rare, 180);
}

// --- "charms.dat" ------------------------------------------------------

class CharmsFile : public CharmTables {
 protected:
  void SetUp() override {
    CharmTables::SetUp();
    savedGamesFolder = root / "saved";
    fs::create_directories(savedGamesFolder);
    file = savedGamesFolder / "charms.dat";
    backup = savedGamesFolder / "charms.dat.bak";
  }
  fs::path file, backup;
};

TEST_F(CharmsFile, EmptySetIsTheVersionByteAlone) {
  SaveCollectedCharms();
  EXPECT_EQ(Unscramble(ReadBytes(file)), std::vector<uint8_t>{1});
  collectedCharms.insert("stale");
  LoadCollectedCharms();
  EXPECT_TRUE(collectedCharms.empty());
  EXPECT_FALSE(fs::exists(backup));
}

TEST_F(CharmsFile, RoundTripInUnsignedByteOrder) {
  const std::string accented = "\xE9t\xE9";
  const std::string longest(255, 'z');
  collectedCharms = {"b", "a", accented, longest};
  SaveCollectedCharms();
  const std::string expect = std::string("\x01\x01" "a\x01" "b", 5) + char(255) + longest + "\x03" + accented;
  EXPECT_EQ(Unscramble(ReadBytes(file)), Plain(expect));
  const std::set<std::string> saved = collectedCharms;
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, saved);
  EXPECT_FALSE(fs::exists(backup));
  // Loading a good file changes nothing on disk.
  const std::vector<uint8_t> before = ReadBytes(file);
  LoadCollectedCharms();
  EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(CharmsFile, OverLongNameIsLeftOutOfTheFile) {
  const std::string tooLong(256, 'q');
  collectedCharms = {"a", tooLong, "r"};
  plat::DebugCaptureScope debug;
  SaveCollectedCharms();
  EXPECT_EQ(Unscramble(ReadBytes(file)), Plain(std::string("\x01\x01" "a\x01" "r", 5)));
  EXPECT_NE(debug.text.find("Charm name too long to save"), std::string::npos) << debug.text;
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, (std::set<std::string>{"a", "r"}));
}

TEST_F(CharmsFile, ReadingPlainForms) {
  struct Case {
    const char* what;
    std::string plain;
    std::set<std::string> names;
    bool damaged;
  };
  const Case cases[] = {
      {"zero length bytes are skipped", std::string("\x01\x00\x02hi\x00\x00\x01x", 9), {"hi", "x"}, false},
      {"version byte is ignored", std::string("\x07\x02ok", 4), {"ok"}, false},
      {"only the version byte", std::string("\x01", 1), {}, false},
      {"last length runs past the end", std::string("\x01\x02hi\x05" "abc", 8), {"hi"}, true},
      {"length byte 255 with one byte after it", std::string("\x01\x01" "a\xff" "b", 5), {"a"}, true},
      {"trailing zero length", std::string("\x01\x01" "a\x00", 4), {"a"}, false},
  };
  for (const Case& c : cases) {
    std::set<std::string> parsed;
    EXPECT_EQ(ParseCollectedCharms(reinterpret_cast<const uint8_t*>(c.plain.data()), c.plain.size(), parsed),
              !c.damaged)
        << c.what;
    EXPECT_EQ(parsed, c.names) << c.what;

    WriteBytes(file, Scramble(Plain(c.plain)));
    fs::remove(backup);
    LoadCollectedCharms();
    EXPECT_EQ(collectedCharms, c.names) << c.what;
    EXPECT_EQ(collectedCharmsNeedBackup, c.damaged) << c.what;
  }
}

TEST_F(CharmsFile, DamagedFileIsKeptAsBackupAtTheFirstSave) {
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::set<std::string> names;
  };
  const std::vector<uint8_t> truncated = Scramble(Plain(std::string("\x01\x04" "fern\x09" "tul", 9)));
  std::vector<uint8_t> cut = Scramble(Plain(std::string("\x01\x04" "fern", 6)));
  cut.pop_back();
  const Case cases[] = {
      {"list ends early", truncated, {"fern"}},
      {"does not unscramble", Plain("these bytes were never scrambled"), {}},
      {"cut short", cut, {}},
      {"empty file", {}, {}},
  };
  for (const Case& c : cases) {
    WriteBytes(file, c.bytes);
    WriteBytes(backup, Plain("an older backup"));
    LoadCollectedCharms();
    EXPECT_EQ(collectedCharms, c.names) << c.what;
    collectedCharms.insert("new");
    SaveCollectedCharms();
    EXPECT_EQ(ReadBytes(backup), c.bytes) << c.what;
    std::set<std::string> expect = c.names;
    expect.insert("new");
    LoadCollectedCharms();
    EXPECT_EQ(collectedCharms, expect) << c.what;
    // Only the first save of the run keeps the old file.
    collectedCharms.insert("newer");
    SaveCollectedCharms();
    EXPECT_EQ(ReadBytes(backup), c.bytes) << c.what;
  }
}

TEST_F(CharmsFile, UnreadableFileIsNotOverwritten) {
  // A folder where the file should be cannot be read as one.
  fs::create_directories(file);
  LoadCollectedCharms();
  EXPECT_TRUE(collectedCharms.empty());
  EXPECT_TRUE(collectedCharmsNeedBackup);
  collectedCharms.insert("a");
  SaveCollectedCharms();
  EXPECT_TRUE(fs::is_directory(backup));
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, std::set<std::string>{"a"});
}

TEST_F(CharmsFile, FailedSaveKeepsTheOldFile) {
  collectedCharms = {"old"};
  SaveCollectedCharms();
  const std::vector<uint8_t> before = ReadBytes(file);
  ASSERT_FALSE(before.empty());

  // The folder is replaced by a file, so nothing can be created in it.
  const fs::path blocked = root / "blocked";
  WriteBytes(blocked, Plain("not a folder"));
  savedGamesFolder = blocked;
  collectedCharms = {"new"};
  plat::DebugCaptureScope debug;
  SaveCollectedCharms();
  EXPECT_NE(debug.text.find("Error saving collected charms: "), std::string::npos) << debug.text;
  EXPECT_EQ(ReadBytes(blocked), Plain("not a folder"));

  // A target that cannot be replaced (a non-empty folder in its place)
  // leaves the old contents and no temporary file behind.
  savedGamesFolder = root / "saved";
  fs::rename(file, root / "kept.dat");
  fs::create_directories(file / "inside");
  debug.text.clear();
  SaveCollectedCharms();
  EXPECT_NE(debug.text.find("Error saving collected charms: "), std::string::npos) << debug.text;
  EXPECT_TRUE(fs::is_directory(file / "inside"));
  size_t entries = 0;
  for (fs::directory_iterator it(savedGamesFolder), end; it != end; ++it) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST_F(CharmsFile, NoSavedGamesFolderTouchesNothing) {
  savedGamesFolder.clear();
  const fs::path cwd = fs::current_path();
  fs::current_path(root);
  WriteBytes(root / "charms.dat", Scramble(Plain(std::string("\x01\x01" "a", 3))));
  const std::vector<uint8_t> before = ReadBytes(root / "charms.dat");
  collectedCharms = {"b"};
  plat::DebugCaptureScope debug;
  LoadCollectedCharms();
  EXPECT_TRUE(collectedCharms.empty());
  const std::string afterLoad = debug.text;
  EXPECT_EQ(std::count(afterLoad.begin(), afterLoad.end(), '\n'), 1) << afterLoad;
  collectedCharms = {"b"};
  SaveCollectedCharms();
  fs::current_path(cwd);
  EXPECT_EQ(std::count(debug.text.begin(), debug.text.end(), '\n'), 2) << debug.text;
  EXPECT_EQ(ReadBytes(root / "charms.dat"), before);
  EXPECT_FALSE(fs::exists(root / "charms.dat.bak"));
}

TEST_F(CharmsFile, LoadEmptiesTheSetFirst) {
  WriteBytes(file, Scramble(Plain(std::string("\x01\x01" "a", 3))));
  collectedCharms = {"x", "y"};
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, std::set<std::string>{"a"});
  fs::remove(file);
  LoadCollectedCharms();
  EXPECT_TRUE(collectedCharms.empty());
  EXPECT_FALSE(collectedCharmsNeedBackup);
}

}  // namespace
