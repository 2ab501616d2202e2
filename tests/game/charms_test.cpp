// Charms: loading the charm sets from the three sources, choosing, placing
// and collecting a charm, the ball touching it, and "charms.dat".
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "community/workshop_item.h"
#include "core/hash.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/charms.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/imageset_writer.h"
#include "platform/clock.h"
#include "platform/debug.h"
#include "platform/random.h"
#include "game/support/rules_fixture.h"
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
    communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
    ResetGameStateForTests();
    root = vantrel::test::MakeTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
  }
  void TearDown() override {
    communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
    ResetGameStateForTests();
  }

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
  WriteCharmSet(data / "1.charms", {"Clover_3", "Clover_", "Star", "Moon_12x", "Gem_-3", "Sun_99999999999999999999",
                                    "Twin_2_7", "Max_2147483647", "Over_2147483648"});
  WriteCharmSet(data / "2.charms", {"Clover_4", "Comet_1"});
  plat::DebugCaptureScope debug;
  LoadCharms({data}, {}, {});

  struct Row {
    const char* name;
    int32_t rarity;
  };
  const Row rows[] = {{"Clover", 3}, {"Star", 0},        {"Moon", 12},        {"Gem", 0},  {"Sun", INT32_MAX},
                      {"Twin", 2},   {"Max", INT32_MAX}, {"Over", INT32_MAX}, {"Comet", 1}};
  ASSERT_EQ(charms.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(charms[i].name, rows[i].name);
    EXPECT_EQ(charms[i].rarity, rows[i].rarity) << rows[i].name;
  }
  // The first Clover stays; both later ones are reported.
  EXPECT_EQ(charms[0].frame, 0);
  EXPECT_NE(debug.text.find("Duplicate charm named Clover in file " + (data / "1.charms").string()), std::string::npos)
      << debug.text;
  EXPECT_NE(debug.text.find("Duplicate charm named Clover in file " + (data / "2.charms").string()), std::string::npos)
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
    communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
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
  const std::pair<uint32_t, int32_t> rows[] = {{0, 0},   {1, 0},   {99, 0},  {100, 0},       {101, 1},
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
  void TearDown() override {
    savedGamesFolder.clear();
    CharmTables::TearDown();
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
  const std::string expect = std::string(
                                 "\x01\x01"
                                 "a\x01"
                                 "b",
                                 5) +
                             char(255) + longest + "\x03" + accented;
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
  EXPECT_EQ(Unscramble(ReadBytes(file)), Plain(std::string("\x01\x01"
                                                           "a\x01"
                                                           "r",
                                                           5)));
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
      {"last length runs past the end",
       std::string("\x01\x02hi\x05"
                   "abc",
                   8),
       {"hi"},
       true},
      {"length byte 255 with one byte after it",
       std::string("\x01\x01"
                   "a\xff"
                   "b",
                   5),
       {"a"},
       true},
      {"trailing zero length",
       std::string("\x01\x01"
                   "a\x00",
                   4),
       {"a"},
       false},
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
  const std::vector<uint8_t> truncated = Scramble(
      Plain(std::string("\x01\x04"
                        "fern\x09"
                        "tul",
                        9)));
  std::vector<uint8_t> cut = Scramble(
      Plain(std::string("\x01\x04"
                        "fern",
                        6)));
  cut.pop_back();
  const Case cases[] = {
      {"list ends early", truncated, {"fern"}},
      {"does not unscramble", Plain("these bytes were never scrambled"), {}},
      {"cut short", cut, {}},
      {"empty file", {}, {}},
  };
  // Each copy keeps a name of its own: an earlier backup is never replaced.
  const fs::path second = backup.string() + ".1";
  for (const Case& c : cases) {
    fs::remove(second);
    WriteBytes(file, c.bytes);
    WriteBytes(backup, Plain("an older backup"));
    LoadCollectedCharms();
    EXPECT_EQ(collectedCharms, c.names) << c.what;
    collectedCharms.insert("new");
    SaveCollectedCharms();
    EXPECT_EQ(ReadBytes(backup), Plain("an older backup")) << c.what;
    EXPECT_EQ(ReadBytes(second), c.bytes) << c.what;
    std::set<std::string> expect = c.names;
    expect.insert("new");
    LoadCollectedCharms();
    EXPECT_EQ(collectedCharms, expect) << c.what;
    // Only the first save of the run keeps the old file.
    collectedCharms.insert("newer");
    SaveCollectedCharms();
    EXPECT_EQ(ReadBytes(second), c.bytes) << c.what;
    EXPECT_FALSE(fs::exists(backup.string() + ".2")) << c.what;
  }
  // With no backup there, the first copy takes the plain name.
  fs::remove(backup);
  fs::remove(second);
  WriteBytes(file, Plain("damaged"));
  LoadCollectedCharms();
  SaveCollectedCharms();
  EXPECT_EQ(ReadBytes(backup), Plain("damaged"));
  EXPECT_FALSE(fs::exists(second));
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

TEST_F(CharmsFile, TheLargestRealCollectionIsReadAndABiggerFileIsKeptUnread) {
  // Every name at its longest, as many as a collection can hold.
  for (size_t i = 0; i < kMaxCollectedCharms; ++i) {
    char number[9];
    std::snprintf(number, sizeof number, "%08zx", i);
    collectedCharms.insert(number + std::string(kMaxCharmNameBytes - 8, 'n'));
  }
  ASSERT_EQ(collectedCharms.size(), kMaxCollectedCharms);
  SaveCollectedCharms();
  ASSERT_LE(fs::file_size(file), kMaxCharmsFileBytes);
  const std::set<std::string> saved = collectedCharms;
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, saved);
  EXPECT_FALSE(collectedCharmsNeedBackup);

  // One byte more than that is no file the game wrote: not read at all, and
  // kept whole at the first save.
  fs::resize_file(file, kMaxCharmsFileBytes + 1);
  plat::DebugCaptureScope debug;
  LoadCollectedCharms();
  EXPECT_TRUE(collectedCharms.empty());
  EXPECT_TRUE(collectedCharmsNeedBackup);
  EXPECT_NE(debug.text.find("Error reading collected charms: too large"), std::string::npos) << debug.text;
  collectedCharms = {"new"};
  SaveCollectedCharms();
  EXPECT_EQ(fs::file_size(backup), kMaxCharmsFileBytes + 1);
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, std::set<std::string>{"new"});
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

TEST_F(CharmsFile, InterruptedWriteKeepsTheOldFile) {
  collectedCharms = {"old", "older"};
  SaveCollectedCharms();
  const std::vector<uint8_t> before = ReadBytes(file);
  ASSERT_FALSE(before.empty());

  // A file-size limit (as a full disk would) stops the write part way.
  for (int i = 0; i < 40; ++i) collectedCharms.insert(std::string(200, char('A' + i % 26)) + std::to_string(i));
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
  struct rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  plat::DebugCaptureScope debug;
  SaveCollectedCharms();
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_NE(debug.text.find("Error saving collected charms: "), std::string::npos) << debug.text;
  EXPECT_EQ(ReadBytes(file), before);
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, (std::set<std::string>{"old", "older"}));
}

TEST_F(CharmsFile, NoSavedGamesFolderTouchesNothing) {
  savedGamesFolder.clear();
  const fs::path cwd = fs::current_path();
  fs::current_path(root);
  WriteBytes(root / "charms.dat", Scramble(Plain(std::string("\x01\x01"
                                                             "a",
                                                             3))));
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
  WriteBytes(file, Scramble(Plain(std::string("\x01\x01"
                                              "a",
                                              3))));
  collectedCharms = {"x", "y"};
  LoadCollectedCharms();
  EXPECT_EQ(collectedCharms, std::set<std::string>{"a"});
  fs::remove(file);
  LoadCollectedCharms();
  EXPECT_TRUE(collectedCharms.empty());
  EXPECT_FALSE(collectedCharmsNeedBackup);
}

// --- Play: placing, collecting, touching ---------------------------------

constexpr int32_t kFilled = vantrel::test::kRed;     // a plain brick
constexpr int32_t kHidden = vantrel::test::kHidden;  // a hidden brick number

// The play fixture (the 1280 x 720 x 16 in-memory display, the brick set,
// recorded sounds and stats) with a few charm sets loaded and uploaded as the
// game does.
class CharmPlay : public vantrel::test::RulesFixture {
 protected:
  CharmPlay()
      : RulesFixture(vantrel::test::BrickSet::kFull, vantrel::test::Backgrounds::kTwoTiles,
                     vantrel::test::Audio::kOff) {}

  void SetUp() override {
    RulesFixture::SetUp();
    root = vantrel::test::MakeTempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    SetColumns(20);
    Fill(0);
  }

  void SetColumns(int32_t columns) { boardSet.columns = columns; }
  void Fill(int32_t value) {
    for (int32_t c = 0; c < BoardRecord::kColumns; ++c)
      for (int32_t r = 0; r < BoardRecord::kRows; ++r) boardSet.SetCell(c, r, value);
  }

  // Charm sets: "Plain" (common, opaque 48 x 48), "Ruby_2" (uncommon), "Opal_5"
  // (rare), "Void" (0 x 0), "Half" (left half black, right half coloured).
  void LoadTestCharms() {
    const fs::path data = root / "charm-data";
    fs::create_directories(data);
    std::vector<CharmFrame> frames = {{"Plain", 48, 48, 0xFF2080C0u},
                                      {"Ruby_2", 48, 48, 0xFFF80808u},
                                      {"Opal_5", 48, 48, 0xFF08F808u},
                                      {"Void", 0, 0, 0}};
    WriteCharmFrames(data / "test.charms", frames);
    // The half-black picture is written by hand.
    Bitmap half;
    ASSERT_TRUE(half.Create(40, 20, 32));
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 40; ++x) half.SetPixel(x, y, x < 20 ? 0xFF000000u : 0xFFF8F8F8u);
    ASSERT_TRUE(WriteImageSet(data / "zhalf.charms", {{"Half_1", &half}}));
    LoadCharms({data}, {}, {});
    ASSERT_EQ(CharmNames(), (std::vector<std::string>{"Plain", "Ruby", "Opal", "Void", "Half"}));
    for (auto& set : charmSets)
      for (int32_t i = 0; i < set->count; ++i) set->GetImage(i)->Upload(&TheDisplay().format);
  }

  // A charm entity for charm k (or any value) at x, y, as SpawnCharm makes it.
  Entity* PlaceCharm(int32_t value, float x, float y) {
    Entity* e = InsertEntityFirst(kEntityCharm, value, 0, x, y, 0, 0);
    if (value >= 0 && size_t(value) < charms.size()) {
      e->image = charms[size_t(value)].set;
      e->frame = charms[size_t(value)].frame;
    }
    play.board.charmEntity = e;
    return e;
  }

  std::vector<Entity*> Entities() {
    std::vector<Entity*> list;
    for (Entity* e = entityHead.next; e; e = e->next) list.push_back(e);
    return list;
  }

  // The community calls as "add Name n" / "set Name n".
  std::vector<std::string> Calls() const {
    std::vector<std::string> out;
    for (const auto& c : community.calls) {
      const std::string verb = c.what == "AddToStat" ? "add" : c.what == "SetStat" ? "set" : c.what;
      out.push_back(verb + " " + c.name + " " + std::to_string(static_cast<int64_t>(c.value)));
    }
    return out;
  }

  fs::path root;
};

TEST_F(CharmPlay, SpawnOnTheOnlyOpenPair) {
  LoadTestCharms();
  struct Case {
    int32_t columns, column, row;
    int32_t top, below;  // the two cells of the pair
  };
  const Case cases[] = {
      {20, 0, 0, 0, 0},  {20, 19, 14, 0, 0},     {20, 7, 3, 0, 0},        {26, 25, 9, 0, 0},
      {26, 0, 14, 0, 0}, {20, 5, 6, kHidden, 0}, {20, 11, 2, 0, kHidden},
  };
  for (const Case& c : cases) {
    for (uint32_t seed : {1u, 99u, 12345u}) {
      entityHead.DeleteAll();
      play.board.charmEntity = nullptr;
      play.player.charmDelay = 0;
      SetColumns(c.columns);
      Fill(kFilled);
      boardSet.SetCell(c.column, c.row, c.top);
      boardSet.SetCell(c.column, c.row + 1, c.below);
      Seed(seed);
      SpawnCharm();
      const std::string where = std::to_string(c.columns) + " columns, cell " + std::to_string(c.column) + "," +
                                std::to_string(c.row) + ", seed " + std::to_string(seed);
      ASSERT_NE(play.board.charmEntity, nullptr) << where;
      EXPECT_EQ(entityHead.next, play.board.charmEntity) << where;
      EXPECT_EQ(Entities().size(), 1u) << where;
      EXPECT_EQ(play.board.charmEntity->kind, kEntityCharm);
      EXPECT_EQ(play.board.charmEntity->x, float(boardSet.GetBoardLeft() + 48 * c.column + 24)) << where;
      EXPECT_EQ(play.board.charmEntity->y, float(24 * c.row + 52)) << where;
      ASSERT_GE(play.board.charmEntity->value, 0);
      ASSERT_LT(size_t(play.board.charmEntity->value), charms.size());
      EXPECT_EQ(play.board.charmEntity->image, charms[size_t(play.board.charmEntity->value)].set);
      EXPECT_EQ(play.board.charmEntity->frame, charms[size_t(play.board.charmEntity->value)].frame);
      EXPECT_EQ(play.player.charmDelay, 10000);
    }
  }
}

TEST_F(CharmPlay, SpawnFindsNoPlace) {
  LoadTestCharms();
  struct Case {
    const char* what;
    std::vector<std::pair<int32_t, int32_t>> open;  // cells left empty
    int32_t hiddenNegated;                          // cell 5,5 holds -14 when 1
  };
  const Case cases[] = {
      {"full board", {}, 0},
      {"open cells never one above the other", {{0, 0}, {1, 1}, {2, 2}, {3, 14}}, 0},
      // Only the top 15 rows are searched, so the last rows never hold a charm.
      {"open cell only in row 19", {{4, 19}}, 0},
      {"open pair in rows 15 and 16", {{4, 15}, {4, 16}}, 0},
      {"negated hidden brick above an empty cell", {{5, 6}}, 1},
  };
  for (const Case& c : cases) {
    Fill(kFilled);
    for (const auto& [col, row] : c.open) boardSet.SetCell(col, row, 0);
    if (c.hiddenNegated) boardSet.SetCell(5, 5, -kHidden);
    play.player.charmDelay = 0;
    plat::Srand(7);
    SpawnCharm();
    EXPECT_EQ(play.board.charmEntity, nullptr) << c.what;
    EXPECT_TRUE(Entities().empty()) << c.what;
    EXPECT_EQ(play.player.charmDelay, 10) << c.what;
  }
}

TEST_F(CharmPlay, SpawnWithoutCharmsPlacesNothing) {
  Fill(0);
  SpawnCharm();
  EXPECT_EQ(play.board.charmEntity, nullptr);
  EXPECT_TRUE(Entities().empty());
  EXPECT_EQ(play.player.charmDelay, 10);
}

TEST_F(CharmPlay, CollectScoresSoundsAndStats) {
  LoadTestCharms();
  struct Case {
    const char* what;
    int32_t value;        // the entity's charm index
    int32_t before;       // charms collected earlier in the game
    int32_t doubleScore;  // x2 running
    int32_t cheat;
    int32_t points;
    std::vector<std::string> calls;
    std::set<std::string> collected;
  };
  const Case cases[] = {
      {"first charm, common", 0, 0, 0, 0, 250, {"add CharmsCollected 1", "set UniqueCharms 1"}, {"Plain"}},
      {"second charm", 0, 1, 0, 0, 325, {"add CharmsCollected 1", "set UniqueCharms 1"}, {"Plain"}},
      {"16th charm", 0, 15, 0, 0, 4000, {"add CharmsCollected 1", "set UniqueCharms 1"}, {"Plain"}},
      {"21st charm", 0, 20, 0, 0, 4000, {"add CharmsCollected 1", "set UniqueCharms 1"}, {"Plain"}},
      {"x2 running", 0, 0, 1, 0, 500, {"add CharmsCollected 1", "set UniqueCharms 1"}, {"Plain"}},
      {"uncommon", 1, 0, 0, 0, 250, {"add CharmsCollected 1", "set UniqueCharms 1", "add UncommonCharms 1"}, {"Ruby"}},
      {"rare", 2, 0, 0, 0, 250, {"add CharmsCollected 1", "set UniqueCharms 1", "add RareCharms 1"}, {"Opal"}},
      {"cheat mode", 2, 0, 0, 1, 250, {}, {}},
      {"value -1", -1, 0, 0, 0, 250, {"add CharmsCollected 1"}, {}},
      {"value past the table", 5, 0, 0, 0, 250, {"add CharmsCollected 1"}, {}},
  };
  for (const Case& c : cases) {
    entityHead.DeleteAll();
    community.calls.clear();
    sounds.clear();
    collectedCharms.clear();
    play.player.score = 0;
    play.player.charmsThisGame = c.before;
    play.board.doubleScoreMs = c.doubleScore;
    settings.cheatMode = c.cheat;
    Entity* charm = PlaceCharm(c.value, 400.0f, 160.0f);
    CollectCharm(charm);
    EXPECT_EQ(play.player.score, c.points) << c.what;
    ASSERT_EQ(sounds.size(), 1u) << c.what;
    EXPECT_EQ(sounds[0].sample, kSoundChChing) << c.what;
    EXPECT_EQ(sounds[0].x, 400.0f) << c.what;
    EXPECT_EQ(sounds[0].frequency, 0) << c.what;
    EXPECT_EQ(sounds[0].volume, 63) << c.what;
    EXPECT_EQ(Calls(), c.calls) << c.what;
    EXPECT_EQ(collectedCharms, c.collected) << c.what;
    EXPECT_EQ(play.player.charmsThisGame, c.before + 1) << c.what;
    EXPECT_EQ(charm->dead, 1) << c.what;
  }
  // The unique count is the size of the whole set.
  community.calls.clear();
  collectedCharms = {"Plain", "Ruby"};
  settings.cheatMode = 0;
  CollectCharm(PlaceCharm(2, 400.0f, 160.0f));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"add CharmsCollected 1", "set UniqueCharms 3", "add RareCharms 1"}));
  // Without a community manager nothing is sent, and the name still counts.
  communityManager = nullptr;
  collectedCharms.clear();
  CollectCharm(PlaceCharm(1, 400.0f, 160.0f));
  EXPECT_EQ(collectedCharms, std::set<std::string>{"Ruby"});
  CollectCharm(nullptr);
}

TEST_F(CharmPlay, CollectThrowsSparksFromThePicture) {
  LoadTestCharms();
  plat::Srand(4242);
  Entity* charm = PlaceCharm(0, 500.0f, 200.0f);
  CollectCharm(charm);
  // Sparks first, then the floating score, then the charm itself.
  std::vector<Entity*> list = Entities();
  ASSERT_EQ(list.size(), 102u);
  EXPECT_EQ(list[100]->kind, kEntityFloatingScore);
  EXPECT_EQ(list[100]->value, 250);
  EXPECT_EQ(list.back(), charm);
  const uint32_t expectColour = 0x20 + 256 * 0x80 + 65536 * 0xC0;
  for (size_t i = 0; i < 100; ++i) {
    const Entity* s = list[i];
    EXPECT_EQ(s->kind, kEntitySpark);
    EXPECT_EQ(s->value, 2000);
    EXPECT_EQ(uint32_t(s->aux), expectColour);
    // Inside the picture: hot spot (24, 12) at the charm.
    EXPECT_GE(s->x, 500.0f - 24);
    EXPECT_LT(s->x, 500.0f - 24 + 48);
    EXPECT_GE(s->y, 200.0f - 12);
    EXPECT_LT(s->y, 200.0f - 12 + 48);
    const float speed = std::sqrt(s->vx * s->vx + s->vy * s->vy);
    if (speed > 0.0f) {
      EXPECT_GE(speed, 39.99f);
      EXPECT_LE(speed, 70.01f);
    }
  }

  // Black pixels throw nothing: only the right half of "Half" does.
  entityHead.DeleteAll();
  settings.showScores = 0;
  charm = PlaceCharm(4, 300.0f, 100.0f);
  CollectCharm(charm);
  list = Entities();
  ASSERT_GT(list.size(), 20u);
  ASSERT_LT(list.size(), 90u);
  for (size_t i = 0; i + 1 < list.size(); ++i) EXPECT_GE(list[i]->x, 300.0f - 24 + 20);
}

TEST_F(CharmPlay, CollectWithoutPixelsThrowsNoSparks) {
  LoadTestCharms();
  settings.showScores = 0;
  // The 0 x 0 picture; a picture never uploaded (not the display's depth); no
  // picture at all.
  Entity* charm = PlaceCharm(3, 300.0f, 100.0f);
  CollectCharm(charm);
  EXPECT_EQ(Entities().size(), 1u);

  Bitmap plain;
  ASSERT_TRUE(plain.Create(48, 48, 32));
  plain.Fill(0x7F);
  const fs::path data = root / "raw";
  fs::create_directories(data);
  ASSERT_TRUE(WriteImageSet(data / "raw.charms", {{"Raw", &plain}}));
  ImageSet raw;
  ASSERT_TRUE(raw.Load((data / "raw.charms").c_str()));
  entityHead.DeleteAll();
  charm = PlaceCharm(-1, 300.0f, 100.0f);
  charm->image = &raw;
  charm->frame = 0;
  CollectCharm(charm);
  EXPECT_EQ(Entities().size(), 1u);

  charm->image = nullptr;
  CollectCharm(charm);
  EXPECT_EQ(Entities().size(), 1u);
  EXPECT_EQ(play.player.charmsThisGame, 3);
}

// A ball within half its height + 27 of the charm's centre (12 below its
// anchor, on a whole pixel) collects it.
TEST_F(CharmPlay, BallTouchingTheCharmCollectsIt) {
  LoadTestCharms();
  settings.showScores = 0;
  struct Case {
    const char* what;
    EntityKind kind;
    float charmY;
    float dx, dy;  // ball centre from (400, trunc(charmY + 12))
    bool collects;
  };
  const float nan = std::nanf("");
  const Case cases[] = {
      {"on the centre", kEntityBall, 100.0f, 0, 0, true},
      {"just inside", kEntityBall, 100.0f, 35.5f, 0, true},
      {"exactly at the reach", kEntityBall, 100.0f, 36.0f, 0, false},
      {"just outside, diagonal", kEntityBall, 100.0f, 21.7f, 28.9f, false},
      {"just inside, diagonal", kEntityBall, 100.0f, 21.5f, 28.7f, true},
      {"below a fractional anchor", kEntityBall, 100.75f, 0, 36.0f, false},
      {"above a fractional anchor", kEntityBall, 100.75f, 0, -35.5f, true},
      {"laser bolt", kEntityLaserBolt, 100.0f, 0, 0, false},
      {"ball at NaN", kEntityBall, 100.0f, nan, 0, false},
  };
  for (const Case& c : cases) {
    entityHead.DeleteAll();
    Fill(0);
    play.player.charmsThisGame = 0;
    Entity* charm = PlaceCharm(0, 400.0f, c.charmY);
    Entity* ball = AppendEntity(c.kind, 1, 0, 400.0f + c.dx, std::trunc(c.charmY + 12) + c.dy, 0, 0);
    ball->width = 18;
    ball->height = 18;
    EXPECT_EQ(BallBrickCollision(ball), 0) << c.what;
    EXPECT_EQ(play.board.charmEntity == nullptr, c.collects) << c.what;
    EXPECT_EQ(charm->dead, c.collects ? 1 : 0) << c.what;
    EXPECT_EQ(play.player.charmsThisGame, c.collects ? 1 : 0) << c.what;
  }
  // The reach grows with the ball.
  entityHead.DeleteAll();
  PlaceCharm(0, 400.0f, 100.0f);
  Entity* big = AppendEntity(kEntityBall, 2, 0, 400.0f + 40.0f, 112.0f, 0, 0);
  big->width = big->height = 29;
  BallBrickCollision(big);
  EXPECT_EQ(play.board.charmEntity, nullptr);
  // No charm on the board: nothing to collect.
  BallBrickCollision(big);
  EXPECT_EQ(play.player.charmsThisGame, 1);
}

TEST_F(CharmPlay, BrickProbesActBeforeTheCharm) {
  LoadTestCharms();
  settings.showScores = 0;
  const int32_t left = boardSet.GetBoardLeft();
  const float x = float(left + 48 * 5 + 24);
  const float y = float(40 + 24 * 6 + 12);
  boardSet.SetCell(5, 5, kFilled);
  Entity* charm = PlaceCharm(0, x + 10.0f, y - 12.0f);
  Entity* ball = AppendEntity(kEntityBall, 1, 0, x, y, 0, -100.0f);
  ball->width = ball->height = 18;
  play.player.charmDelay = 5;
  EXPECT_EQ(BallBrickCollision(ball), 1);
  EXPECT_EQ(boardSet.GetCell(5, 5), 0);
  EXPECT_GT(ball->vy, 0.0f);
  // The break saw the charm still on the board, so the countdown stayed.
  EXPECT_EQ(play.player.charmDelay, 5);
  EXPECT_EQ(play.board.charmEntity, nullptr);
  EXPECT_EQ(charm->dead, 1);
}

// Random tables and boards, many spawns, choices and collections: the lists
// stay whole, one charm at most, and only names of the table are collected.
TEST_F(CharmPlay, RandomisedSpawnAndCollect) {
  const std::vector<std::string> suffixes = {
      "", "_", "_0", "_1", "_3", "_4", "_12x", "_-3", "_99999999999999999999", "_2147483648"};
  const int32_t hostile[] = {0, 1, 2, 3, 4, 5, -1, -100, INT_MIN, INT_MAX, 1000};
  const int32_t cells[] = {0, 0, 0, kFilled, kFilled, kHidden, -kHidden, 1000, 5000, -5000, INT_MIN, INT_MAX};
  int32_t placed = 0, sparks = 0;
  for (uint32_t seed : {1u, 2u, 3u, 20261210u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    communityManager = nullptr;  // the fixture's own recorder: the reset must not free it
    ResetGameStateForTests();
    communityManager = &community;
    std::srand(seed);
    auto pick = [](int32_t n) { return std::rand() % n; };

    // A table of 0 to 200 charms over one or two sets, some pictures 0 x 0.
    const int32_t count = seed == 1u ? 0 : pick(201);
    const fs::path data = root / ("soak" + std::to_string(seed));
    fs::create_directories(data);
    std::vector<CharmFrame> frames[2];
    for (int32_t i = 0; i < count; ++i) {
      CharmFrame f;
      // Every fifth name repeats an earlier one.
      f.name = "N" + std::to_string(i % 5 == 4 ? pick(i + 1) : i) + suffixes[size_t(pick(int32_t(suffixes.size())))];
      const bool empty = pick(6) == 0;
      f.width = empty ? 0 : 1 + pick(48);
      f.height = empty ? 0 : 1 + pick(48);
      f.colour = 0xFF000000u | uint32_t(std::rand());
      frames[pick(2)].push_back(f);
    }
    for (int k = 0; k < 2; ++k)
      if (!frames[k].empty()) WriteCharmFrames(data / ("set" + std::to_string(k) + ".charms"), frames[k]);
    LoadCharms({data}, {}, {});
    for (auto& set : charmSets)
      for (int32_t i = 0; i < set->count; ++i) set->GetImage(i)->Upload(&TheDisplay().format);
    for (CharmInfo& c : charms)
      if (pick(4) == 0) c.rarity = hostile[pick(int32_t(std::size(hostile)))];
    std::set<std::string> names;
    for (const CharmInfo& c : charms) names.insert(c.name);
    if (count > 0) {
      ASSERT_FALSE(charms.empty());
    }

    for (int step = 0; step < 1500; ++step) {
      if (step % 50 == 0) {
        SetColumns(pick(2) ? 20 : 26);
        for (int32_t c = 0; c < BoardRecord::kColumns; ++c)
          for (int32_t r = 0; r < BoardRecord::kRows; ++r)
            boardSet.SetCell(c, r, cells[pick(int32_t(std::size(cells)))]);
        settings.cheatMode = pick(4) == 0;
        play.board.doubleScoreMs = pick(2);
        play.player.charmsThisGame = pick(3) == 0 ? pick(40) : play.player.charmsThisGame;
      }
      switch (pick(4)) {
        case 0:
        case 1:
          if (!play.board.charmEntity) {
            plat::Srand(uint32_t(std::rand()));
            SpawnCharm();
            ASSERT_TRUE(play.player.charmDelay == 10 || play.player.charmDelay == 10000) << play.player.charmDelay;
            ASSERT_EQ(play.player.charmDelay == 10000, play.board.charmEntity != nullptr);
            if (play.board.charmEntity) {
              ++placed;
              ASSERT_EQ(entityHead.next, play.board.charmEntity);
              ASSERT_GE(play.board.charmEntity->value, 0);
              ASSERT_LT(size_t(play.board.charmEntity->value), charms.size());
            }
          }
          break;
        case 2:
          if (play.board.charmEntity) {
            CollectCharm(play.board.charmEntity);
            play.board.charmEntity = nullptr;
          } else {
            Entity* stray = InsertEntityFirst(kEntityCharm, hostile[pick(int32_t(std::size(hostile)))], 0,
                                              float(pick(1280)), float(pick(720)), 0, 0);
            if (!charms.empty() && pick(2)) {
              const CharmInfo& c = charms[size_t(pick(int32_t(charms.size())))];
              stray->image = c.set;
              stray->frame = c.frame;
            }
            CollectCharm(stray);
          }
          break;
        case 3: {
          const int32_t k = ChooseCharm();
          if (charms.empty()) {
            ASSERT_EQ(k, -1);
          } else {
            ASSERT_GE(k, 0);
            ASSERT_LT(size_t(k), charms.size());
          }
          break;
        }
      }
      // The drawing pass removes what is dead; sparks fade out now and then.
      const bool fade = pick(8) == 0;
      for (Entity* e = entityHead.next; e;) {
        Entity* next = e->next;
        if (e->kind == kEntitySpark && e->startTime == 0) {
          ++sparks;
          e->startTime = 1;
        }
        if (e->dead || (fade && e->kind == kEntitySpark)) UnlinkAndDelete(e);
        e = next;
      }

      ASSERT_EQ(entityHead.prev, nullptr);
      int32_t live = 0, shown = 0;
      for (Entity* e = &entityHead; e->next; e = e->next) {
        ASSERT_EQ(e->next->prev, e);
        ++live;
        if (e->next->kind == kEntityCharm) ++shown;
      }
      ASSERT_LE(shown, 1);
      ASSERT_EQ(shown == 1, play.board.charmEntity != nullptr);
      ASSERT_LT(live, 20000);
      for (const std::string& n : collectedCharms) ASSERT_TRUE(names.count(n)) << n;
    }
    play.board.charmEntity = nullptr;
  }
  // The runs did place charms and throw sparks.
  EXPECT_GT(placed, 100);
  EXPECT_GT(sparks, 1000);
}

}  // namespace
