// The board-set selection over the test driver: which sets the list holds
// and in what order, scrolling by wheel, keys and the thumb, choosing,
// playing, the scores view and the error box.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "community/app_id.h"
#include "game/play/play_state.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/transition.h"
#include "game/support/front_end_support.h"
#include "game/scenes/board_set_select.h"
#include "graphics/display.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"
#include "platform/window.h"

namespace fs = boost::filesystem;
using vantrel::test::FrontEndTest;
using vantrel::test::SetSpec;
using vantrel::test::WriteSet;

namespace {

std::vector<std::string> Packs() {
  std::vector<std::string> packs;
  for (const BoardSetEntry& e : boardSetSelect.boardSetEntries) packs.push_back(e.pack);
  return packs;
}

// The play button of the selection and the OK of its error box.
constexpr int32_t kPlayX = 1100, kPlayY = 650;
constexpr int32_t kBackX = 150, kBackY = 650;
constexpr int32_t kErrorOkX = 640, kErrorOkY = 450;

// Sets "Set00".."SetNN" in the game folder's Boards folder.
void WriteNumberedSets(const fs::path& folder, int count) {
  for (int i = 0; i < count; ++i) {
    char stem[16];
    std::snprintf(stem, sizeof(stem), "Set%02d", i);
    SetSpec spec;
    spec.title = stem;
    WriteSet(folder / "Boards" / (std::string(stem) + ".bdz"), spec);
  }
}

void SeedWorkshopItem(uint64_t id, const std::string& title, const fs::path& folder) {
  namespace steam = plat::steam;
  steam::fake::ItemRecord item;
  item.id = id;
  item.appId = kVantrelAppId;
  item.owner = 7;
  item.title = title;
  item.installFolder = folder.string();
  steam::fake::SeedItem(item);
  steam::fake::Subscribe(id);
}

// The y of row i of the visible list.
int32_t RowY(int32_t visibleRow) { return kBoardListHeaderY + (visibleRow + 1) * BoardListRowPitch() + 2; }

}  // namespace

TEST(BoardSetEntryOrder, SourcePackCaseAndSortOrderThenFoundOrder) {
  auto set = std::make_unique<BoardSet>();
  auto entry = [&](const char* file, int32_t source, int32_t sortOrder, const char* title) {
    set->sortOrder = sortOrder;
    set->title = title;
    return BoardSetEntry(fs::path("/sets") / file, source, *set);
  };
  std::vector<BoardSetEntry> list = {
      entry("zeta.bdz", 1, 0, "user"),     entry("b.bdz", 0, 5, "b5"),       entry("ABC.bdz", 0, 2, "ABC2"),
      entry("abc.bdz", 0, 1, "abc1"),      entry("b.bdz", 0, 5, "b5 again"), entry("w.bdz", 2, 0, "cloud"),
      entry("_x.bdz", 0, 0, "underscore"),
  };
  std::stable_sort(list.begin(), list.end());
  std::vector<std::string> titles;
  for (const BoardSetEntry& e : list) titles.push_back(e.title);
  // Letters fold to lower case before comparing, so '_' (0x5F) sorts before
  // any letter; "ABC" and "abc" are one pack ordered by sortOrder.
  EXPECT_EQ(titles, (std::vector<std::string>{"underscore", "abc1", "ABC2", "b5", "b5 again", "user", "cloud"}));
  EXPECT_EQ(list.back().pack, "Workshop");
  EXPECT_EQ(CompareNoCaseAscii("ABC", "abc"), 0);
  EXPECT_LT(CompareNoCaseAscii("ab", "abc"), 0);
  EXPECT_GT(CompareNoCaseAscii("\xE9", "z"), 0);  // bytes compare unsigned
}

TEST(BoardSetEntryOrder, LeaderboardNameIsStemAndChecksum) {
  const fs::path dir = fs::temp_directory_path() / fs::unique_path("lb-%%%%%%");
  WriteSet(dir / "Castle.bdz");
  DataFiles files;
  ASSERT_NE(files.Open(dir / "Castle.bdz"), nullptr);
  auto set = std::make_unique<BoardSet>();
  set->Load(files, false, "");
  ASSERT_FALSE(set->checksumText.empty());
  EXPECT_EQ(set->GetLeaderboardName(), set->fileStem + "_" + set->checksumText);
  EXPECT_EQ(set->fileStem, "castle");  // the reader keeps stems in lower case
  EXPECT_EQ(BoardSetEntry(dir / "Castle.bdz", 0, *set).leaderboardName, set->GetLeaderboardName());
  fs::remove_all(dir);
}

TEST_F(FrontEndTest, ListTakesEverySourceOnceAndLeavesBadFilesOut) {
  const fs::path items = fs::temp_directory_path() / fs::unique_path("items-%%%%%%");
  WriteSet(items / "a" / "WsNoTitle.bdz", {"Cloud one"});
  WriteSet(items / "b" / "WsTitled.bdz", {"Cloud two"});
  Prepare();
  // The first details request fails: that item keeps no title.
  SeedWorkshopItem(501, "ignored", items / "a");
  SeedWorkshopItem(502, "Brick Pack", items / "b");
  plat::steam::fake::FailNextResult(plat::steam::CallKind::RequestItemDetails);
  ASSERT_EQ(d.StartUp(), std::nullopt);
  d.Frame();
  Settle();

  // The player's own folder: a second "Castle" (left out) and a set of its own.
  WriteSet(userContentFolder / "Castle.bdz", {"Player's castle"});
  WriteSet(userContentFolder / "Mine.bdz", {"Mine"});
  // In the game folder: a version-6 file and a corrupt one.
  {
    const std::vector<uint8_t> old = vantrel::test::PlainBoardSetBytes(6, "Old", 1);
    std::ofstream(d.Folder() / "Boards" / "Old.bdz", std::ios::binary)
        .write(reinterpret_cast<const char*>(old.data()), static_cast<std::streamsize>(old.size()));
    std::ofstream(d.Folder() / "Boards" / "Broken.bdz", std::ios::binary) << "BDST garbage";
  }
  Enter(kSceneBoardSetSelect);

  ASSERT_EQ(boardSetSelect.boardSetEntries.size(), 4u) << ::testing::PrintToString(Packs()) << d.Folder();
  EXPECT_EQ(Packs(), (std::vector<std::string>{"Castle", "Mine", "Brick Pack", "Workshop"}));
  EXPECT_EQ(boardSetSelect.boardSetEntries[0].source, 0);
  EXPECT_EQ(boardSetSelect.boardSetEntries[0].title, "Castle");
  EXPECT_EQ(boardSetSelect.boardSetEntries[0].path, d.Folder() / "Boards" / "Castle.bdz");
  EXPECT_EQ(boardSetSelect.boardSetEntries[1].source, 1);
  EXPECT_EQ(boardSetSelect.boardSetEntries[2].source, 2);
  EXPECT_EQ(boardSetSelect.boardSetEntries[2].title, "Cloud two");
  EXPECT_EQ(boardSetSelect.boardSetEntries[3].title, "Cloud one");
  EXPECT_TRUE(d.Boxes().empty());
  EXPECT_TRUE(boardSetSelect.boardSetLoadError.empty());

  // The source icons: the Workshop rows carry one at x 42, the game row none
  // (the selection's frame is moved off the rows looked at).
  boardSetSelect.boardSelectIndex = 1;
  d.Frame();
  const uint32_t back = vantrel::test::Through555(vantrel::test::kBoardSelectColour);
  auto iconPixels = [&](int32_t row) {
    const int32_t y = kBoardListHeaderY + (row + 1) * BoardListRowPitch() - 2;
    return d.CountPixels(42, y, 58, y + 8, [&](uint32_t rgb) { return rgb != back; });
  };
  EXPECT_EQ(iconPixels(0), 0);
  EXPECT_GT(iconPixels(2), 0);
  EXPECT_GT(iconPixels(3), 0);
  fs::remove_all(items);
}

TEST_F(FrontEndTest, ListLeavesOutFilesLargerThanAnySet) {
  Start();
  // Both pass every check but their size; the second is far larger than
  // any set the editor writes, yet within what the reader takes.
  vantrel::test::WritePaddedSet(userContentFolder / "Huge.bdz", "Huge", (int64_t{16} << 20) + 64);
  vantrel::test::WritePaddedSet(userContentFolder / "Long.bdz", "Long", int64_t{1} << 20);
  Enter(kSceneBoardSetSelect);
  EXPECT_EQ(Packs(), (std::vector<std::string>{"Castle", "Long"}));
  ASSERT_EQ(boardSetSelect.boardSetEntries.size(), 2u);
  EXPECT_EQ(boardSetSelect.boardSetEntries[1].title, "Long");
  EXPECT_EQ(boardSetSelect.boardSetEntries[1].boardCount, 1);
}

namespace {

// A set in the player's folder whose file stem, title and author overrun
// their columns, the title and the author holding control bytes (a newline
// among them); its title.
std::string WriteHostileSet() {
  std::string title = "Hostile\ntitle ";
  while (title.size() < 100000) title += "A very long title ";
  SetSpec spec;
  spec.title = title;
  spec.author = std::string("Evil\nAuthor\x01\x02\x1b\x7f\r\tEnd") + std::string(300, 'W');
  WriteSet(userContentFolder / (std::string(200, 'P') + ".bdz"), spec);
  return title;
}

bool IsText(uint32_t rgb) { return vantrel::test::IsGreyText(rgb) || vantrel::test::IsAmber(rgb); }

}  // namespace

TEST_F(FrontEndTest, HostileTextsStayInTheirColumns) {
  // Every text pixel on the screen lies in a column of the header or of a
  // row: none at the top-left corner, none across into the next column.
  Start();
  const std::string title = WriteHostileSet();
  Enter(kSceneBoardSetSelect);
  ASSERT_EQ(boardSetSelect.boardSetEntries.size(), 2u) << ::testing::PrintToString(Packs());
  ASSERT_EQ(boardSetSelect.boardSetEntries[1].title, title);
  d.MoveMouse(1270, 715);  // off every row
  d.Frame();

  const int32_t h = sysFont.lineHeight;
  auto inAColumn = [&](int32_t x, int32_t y) {
    for (int32_t line = 0; line <= 2; ++line) {  // the header and the two rows
      const int32_t top = kBoardListHeaderY + line * BoardListRowPitch();
      if (y < top || y >= top + h) continue;
      for (int32_t c = 0; c < kBoardColumnCount; ++c)
        if (x >= kBoardColumnX[c] && x < kBoardColumnX[c] + kBoardColumnWidth[c]) return true;
    }
    return false;
  };
  int64_t outside = 0, topLeft = 0;
  for (int32_t y = 0; y < 720; ++y)
    for (int32_t x = 0; x < 1280; ++x) {
      if (!IsText(d.PresentedAt(x, y)) || inAColumn(x, y)) continue;
      ++outside;
      if (x < kBoardColumnX[1] && y < kBoardListHeaderY) ++topLeft;
    }
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(topLeft, 0);
  // The long texts fill their columns to near the edge.
  const int32_t row = kBoardListHeaderY + 2 * BoardListRowPitch();
  for (int32_t c = 0; c < 3; ++c) {
    const int32_t right = kBoardColumnX[c] + kBoardColumnWidth[c];
    EXPECT_GT(d.CountPixels(right - 20, row, right, row + h, IsText), 0) << "column " << c;
  }
}

TEST_F(FrontEndTest, HostileTitleStaysOnItsLineAboveTheScores) {
  Start();
  WriteHostileSet();
  Enter(kSceneBoardSetSelect);
  boardSetSelect.boardSelectIndex = 1;
  d.MoveMouse(640, 600);  // off every row and button
  d.Frame();
  d.Type("h");
  d.Frame();
  ASSERT_EQ(program.sceneNumber, kSceneHighScores);
  d.Frame();  // its first frame starts the transition
  Settle();
  d.Frame();
  // The title's line at y = 180 is the first text of the screen.
  EXPECT_EQ(d.CountPixels(0, 0, 1280, 180, IsText), 0);
  EXPECT_GT(d.CountPixels(0, 180, 1280, 180 + sysFont.lineHeight, IsText), 0);
}

TEST_F(FrontEndTest, CommunityBoardsOffListsTheGameFoldersOnly) {
  vantrel::test::DriverOptions options;
  options.storedSettings["CommunityBoards"] = 0;
  Start(options);
  WriteSet(userContentFolder / "Mine.bdz", {"Mine"});
  Enter(kSceneBoardSetSelect);
  EXPECT_EQ(Packs(), (std::vector<std::string>{"Castle"}));
}

TEST_F(FrontEndTest, GeneratedPackListsItsTwoSets) {
  vantrel::test::DriverOptions options;
  options.generatedPack = true;
  Start(options);
  Enter(kSceneBoardSetSelect);
  auto find = [](const std::string& pack) -> const BoardSetEntry* {
    for (const BoardSetEntry& e : boardSetSelect.boardSetEntries)
      if (e.pack == pack) return &e;
    return nullptr;
  };
  const BoardSetEntry* starter = find("Starter");
  const BoardSetEntry* wide = find("StarterWide");
  ASSERT_NE(starter, nullptr) << ::testing::PrintToString(Packs());
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(starter->title, "Starter Set");
  EXPECT_EQ(starter->author, "Vantrel Team");
  EXPECT_EQ(starter->boardCount, 12);
  EXPECT_EQ(wide->title, "Starter Set Wide");
  EXPECT_EQ(wide->boardCount, 8);
}

TEST_F(FrontEndTest, ListTopKeepsTheSelectionTwelveRowsDown) {
  struct Case {
    int sets;
    int32_t selection;
    int32_t listTop;
  } cases[] = {{10, 9, 0}, {10, 0, 0}, {100, 50, 38}, {100, 99, 75}, {100, 3, 0}};
  Start();
  fs::remove(d.Folder() / "Boards" / "Castle.bdz");
  int written = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.sets << " sets, selection " << c.selection);
    if (written != c.sets) {
      WriteNumberedSets(d.Folder(), c.sets);
      written = c.sets;
      program.sceneNumber = kSceneOptions;  // leave, so the list is built anew
      d.Frame();
      Settle();
      Enter(kSceneBoardSetSelect);
    }
    ASSERT_EQ(static_cast<int>(boardSetSelect.boardSetEntries.size()), c.sets);
    boardSetSelect.boardSelectIndex = c.selection;
    d.Frame();
    EXPECT_EQ(boardSetSelect.listTop, c.listTop);
    EXPECT_EQ(boardSetSelect.boardSelectIndex, c.selection);
  }
}

TEST_F(FrontEndTest, WheelAndArrowKeysMoveTheSelection) {
  Start();
  WriteNumberedSets(d.Folder(), 10);
  Enter(kSceneBoardSetSelect);
  boardSetSelect.boardSelectIndex = 2;
  d.Wheel(-3);  // three notches down
  d.Frame();
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 5);
  d.Key(plat::kKeyDown);
  d.Frame();
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 6);
  d.Key(plat::kKeyUp);
  d.Frame();
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 5);
  d.Wheel(20);  // far past the top: clamped
  d.Frame();
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 0);
  EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
}

struct ThumbCase {
  int sets;
  int32_t dragToY;  // where the pointer goes while held (client y; may be negative)
  int32_t listTop;
  int32_t selection;
};

// Readable case names in test listings, in place of the raw bytes.
void PrintTo(const ThumbCase& c, std::ostream* os) {
  *os << c.sets << " sets, drag to y " << c.dragToY << ": top row " << c.listTop << ", selection " << c.selection;
}
std::string ThumbCaseName(const ::testing::TestParamInfo<ThumbCase>& info) {
  const ThumbCase& c = info.param;
  return "Sets" + std::to_string(c.sets) + "DragTo" + (c.dragToY < 0 ? "Minus" : "") +
         std::to_string(std::abs(c.dragToY));
}

class ThumbDrag : public FrontEndTest, public ::testing::WithParamInterface<ThumbCase> {};

TEST_P(ThumbDrag, ScrollsTheListAndSelectsTheTwelfthRow) {
  const ThumbCase& c = GetParam();
  Start();
  fs::remove(d.Folder() / "Boards" / "Castle.bdz");
  WriteNumberedSets(d.Folder(), c.sets);
  Enter(kSceneBoardSetSelect);
  boardSetSelect.boardSelectIndex = c.sets - 1;
  d.Frame();
  d.Frame();
  // The thumb sits at 122 + listTop / maxTop x 447; press on it.
  const int32_t maxTop = std::max(0, c.sets - kBoardListRows);
  const int32_t thumbY = maxTop > 0
                             ? kBoardTrackTop +
                                   static_cast<int32_t>(static_cast<double>(boardSetSelect.listTop) / maxTop * 447)
                             : kBoardTrackTop;
  int32_t x = 1238, y = std::min(thumbY + 5, kBoardTrackBottom);
  TheDisplay().BufferToClient(&x, &y);
  d.Post(plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(x, y));
  d.Frame();
  EXPECT_TRUE(boardSetSelect.thumbDragging);
  int32_t toX = 1238, toY = c.dragToY;
  if (toY >= 0) TheDisplay().BufferToClient(&toX, &toY);
  d.Post(plat::kMsgMouseMove, plat::kButtonLeft, plat::MakeLParam(toX, toY));
  d.Frame();
  d.Frame();
  EXPECT_EQ(boardSetSelect.listTop, c.listTop);
  EXPECT_EQ(boardSetSelect.boardSelectIndex, c.selection);
  // The lit thumb follows the pointer, within the track.
  EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
  d.Post(plat::kMsgLButtonUp, 0, plat::MakeLParam(toX, toY));
  d.Frame();
  EXPECT_FALSE(boardSetSelect.thumbDragging);
  EXPECT_EQ(boardSetSelect.boardSelectIndex, c.selection);
  EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
}

INSTANTIATE_TEST_SUITE_P(Cases, ThumbDrag,
                         ::testing::Values(ThumbCase{40, kBoardTrackTop, 0, 12},  // to the top
                                           ThumbCase{40, -40, 0, 12},             // above the window
                                           ThumbCase{40, kBoardTrackBottom, 15, 27},
                                           ThumbCase{5, kBoardTrackTop, 0, 4}),  // a short list: its last row
                         ThumbCaseName);

TEST_F(FrontEndTest, ClicksSelectOnlyVisibleRowsAndPlayTheHighlightedSet) {
  Start();
  fs::remove(d.Folder() / "Boards" / "Castle.bdz");
  WriteNumberedSets(d.Folder(), 40);
  Enter(kSceneBoardSetSelect);
  boardSetSelect.boardSelectIndex = 20;
  d.Frame();
  ASSERT_EQ(boardSetSelect.listTop, 8);
  // A click on a visible row selects it (and plays nothing).
  ClickAndFrame(400, RowY(3));
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 11);
  EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
  EXPECT_EQ(CountSound(kSoundLock), 1);
  // A click on the title area selects no row: it plays the highlighted set.
  ClickAndFrame(400, 36);
  EXPECT_EQ(program.sceneNumber, kScenePlay);
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 11);
  EXPECT_EQ(boardSet.title, "Set11");
}

TEST_F(FrontEndTest, PlayButtonWithManySetsPlaysTheHighlightedSet) {
  Start();
  fs::remove(d.Folder() / "Boards" / "Castle.bdz");
  WriteNumberedSets(d.Folder(), 40);
  Enter(kSceneBoardSetSelect);
  boardSetSelect.boardSelectIndex = 5;
  d.Frame();
  ASSERT_EQ(boardSetSelect.listTop, 0);
  ClickAndFrame(kPlayX, kPlayY);
  EXPECT_EQ(program.sceneNumber, kScenePlay);
  EXPECT_EQ(boardSetSelect.boardSelectIndex, 5);
  EXPECT_EQ(boardSet.title, "Set05");
  EXPECT_EQ(GetSelectedBoardSetTitle(), "Set05");
}

TEST_F(FrontEndTest, PlayOnCastleStartsTheGameWithTheMusicFadingOut) {
  Start();
  Enter(kSceneBoardSetSelect);
  ASSERT_EQ(boardSetSelect.boardSetEntries.size(), 1u);
  boardSet.title.clear();
  softCursor.x = softCursor.y = 5;
  ClickAndFrame(kPlayX, kPlayY);
  EXPECT_EQ(program.sceneNumber, kScenePlay);
  EXPECT_EQ(transition.musicFade, -1);
  EXPECT_EQ(softCursor.x, -1);
  EXPECT_EQ(boardSet.title, "Castle");
  EXPECT_GT(boardSet.bricks.count, 1);
  EXPECT_EQ(GetSelectedBoardCount(), 1);
  EXPECT_EQ(GetSelectedBoardSetSource(), 0);
  EXPECT_EQ(GetSelectedLeaderboardName(), boardSet.GetLeaderboardName());
  EXPECT_EQ(GetSelectedBoardSetPath(), d.Folder() / "Boards" / "Castle.bdz");
  d.Frame();
  EXPECT_EQ(program.previousScene, kScenePlay);
  Settle();
  EXPECT_EQ(program.sceneNumber, kScenePlay);
  EXPECT_TRUE(boardSetSelect.boardSetLoadError.empty());
}

TEST_F(FrontEndTest, HOpensTheScoresInViewMode) {
  Start();
  Enter(kSceneBoardSetSelect);
  highScoreScreen.entryPlayerScore = 1234;
  d.MoveMouse(640, 600);  // off every row and button
  d.Frame();
  d.Type("h");
  d.Frame();
  EXPECT_EQ(program.sceneNumber, kSceneHighScores);
  EXPECT_EQ(highScoreScreen.scoresViewOnly, 1);
  EXPECT_EQ(highScoreScreen.entryPlayerScore, 0);
  EXPECT_EQ(input.lastTypedChar, 0);
  EXPECT_EQ(CountSound(kSoundLock), 1);
}

TEST_F(FrontEndTest, BackButtonReturnsToTheMenu) {
  Start();
  Enter(kSceneBoardSetSelect);
  ClickAndFrame(kBackX, kBackY);
  EXPECT_EQ(program.sceneNumber, kSceneOptions);
}

struct FailureCase {
  const char* name;
  const char* error;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name << ": \"" << c.error << '"'; }

class LoadFailure : public FrontEndTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoadFailure, ShowsTheErrorBoxAndKeepsTheList) {
  const FailureCase& c = GetParam();
  Start();
  const std::string which = c.name;
  const fs::path castle = d.Folder() / "Boards" / "Castle.bdz";
  if (which == "NoBrickSet") {
    SetSpec spec;
    spec.title = "Bare";
    spec.brickSet = "Missing.img";
    WriteSet(d.Folder() / "Boards" / "Bare.bdz", spec);
    fs::remove(castle);
  }
  if (which == "EmptyList") fs::remove(castle);
  Enter(kSceneBoardSetSelect);
  const size_t listed = boardSetSelect.boardSetEntries.size();
  if (which == "RemovedAfterListing") fs::remove(castle);
  if (which == "EmptyList") {
    EXPECT_EQ(listed, 0u);
    EXPECT_EQ(boardSetSelect.boardSelectIndex, 0);
    EXPECT_EQ(GetSelectedBoardSetPath(), fs::path());
    EXPECT_EQ(GetSelectedBoardSetTitle(), "");
    EXPECT_EQ(GetSelectedLeaderboardName(), "");
    EXPECT_EQ(GetSelectedBoardCount(), 0);
    EXPECT_EQ(GetSelectedBoardSetSource(), 0);
  }
  ClearSounds();
  ClickAndFrame(kPlayX, kPlayY);
  EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
  EXPECT_EQ(boardSetSelect.boardSetLoadError, c.error);
  EXPECT_EQ(CountSound(kSoundPadExplode), 1);
  d.Frame();
  // The box: a black band with amber text in the middle of the screen.
  EXPECT_GT(d.CountPixels(0, 330, 1200, 400, vantrel::test::IsAmber), 0);
  EXPECT_EQ(d.PresentedAt(5, 320), 0u);
  // Any click closes it; the list stays.
  ClickAndFrame(kErrorOkX, kErrorOkY);
  EXPECT_TRUE(boardSetSelect.boardSetLoadError.empty());
  EXPECT_EQ(program.sceneNumber, kSceneBoardSetSelect);
  EXPECT_EQ(boardSetSelect.boardSetEntries.size(), listed);
  d.Frame();
  EXPECT_EQ(d.CountPixels(0, 330, 1200, 400, vantrel::test::IsAmber), 0);
  EXPECT_NE(d.PresentedAt(5, 320), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, LoadFailure,
                         ::testing::Values(FailureCase{"RemovedAfterListing", "Could not open boardset file."},
                                           FailureCase{"NoBrickSet", "Could not load boardset graphics!"},
                                           FailureCase{"EmptyList", "Could not open boardset file."}),
                         [](const ::testing::TestParamInfo<FailureCase>& info) {
                           return std::string(info.param.name);
                         });
