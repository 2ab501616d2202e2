// The board-set model: board moves, shifts, cells, counts, kinds and geometry.
#include <gtest/gtest.h>

#include <memory>

#include "boardset/boardset.h"

namespace {

// Marks every cell of a board with its board number and cell index, so moved
// boards can be told apart.
void Mark(BoardSet& set, int board) {
  set.boards[board].background = static_cast<uint32_t>(1000 + board);
  for (int i = 0; i < BoardRecord::kCells; ++i) set.boards[board].cells[i] = board * 10000 + i + 1;
}

bool HoldsMark(const BoardSet& set, int slot, int board) {
  if (set.boards[slot].background != static_cast<uint32_t>(1000 + board)) return false;
  for (int i = 0; i < BoardRecord::kCells; ++i) {
    if (set.boards[slot].cells[i] != board * 10000 + i + 1) return false;
  }
  return true;
}

bool IsBlank(const BoardSet& set, int slot) {
  if (set.boards[slot].background != 0) return false;
  for (int32_t c : set.boards[slot].cells) {
    if (c != 0) return false;
  }
  return true;
}

std::unique_ptr<BoardSet> MarkedSet() {
  auto set = std::make_unique<BoardSet>();
  for (int b = 0; b < BoardSet::kMaxBoards; ++b) Mark(*set, b);
  return set;
}

}  // namespace

TEST(BoardSetModel, ConstructionState) {
  auto set = std::make_unique<BoardSet>();
  EXPECT_EQ(set->boardCount, 1);
  EXPECT_EQ(set->currentBoard, 0);
  EXPECT_EQ(set->columns, 20);
  EXPECT_EQ(set->version, 7);
  EXPECT_EQ(set->bricksAtStart, 0);
  EXPECT_FALSE(set->IsLocked());
  for (int b = 0; b < BoardSet::kRecordCount; ++b) EXPECT_TRUE(IsBlank(*set, b)) << b;
}

TEST(BoardSetModel, ResetKeepsSpareBlankPathsAndVersion) {
  auto set = MarkedSet();
  Mark(*set, BoardSet::kSpareBoard);
  set->brickSetPath = "Bricks.img";
  set->backgroundSetPath = "Back.img";
  set->version = 3;
  set->title = "t";
  set->salt = std::string("\0\1", 2);
  set->lockWord = 5;
  set->boardCount = 9;
  set->currentBoard = 4;
  set->brickSetSignature = 77;
  set->Reset();
  for (int b = 0; b < BoardSet::kMaxBoards; ++b) EXPECT_TRUE(IsBlank(*set, b)) << b;
  EXPECT_TRUE(HoldsMark(*set, BoardSet::kSpareBoard, BoardSet::kSpareBoard));
  EXPECT_EQ(set->brickSetPath, "Bricks.img");
  EXPECT_EQ(set->backgroundSetPath, "Back.img");
  EXPECT_EQ(set->version, 3);
  EXPECT_EQ(set->title, "");
  EXPECT_EQ(set->salt, "");
  EXPECT_EQ(set->lockWord, 0u);
  EXPECT_EQ(set->boardCount, 0);
  EXPECT_EQ(set->currentBoard, 0);
  EXPECT_EQ(set->brickSetSignature, 0);
  EXPECT_EQ(set->columns, 26);
}

TEST(BoardSetModel, InsertMovesBoardsUpAndDropsTheLast) {
  auto set = MarkedSet();
  set->InsertBoard(5);
  for (int b = 0; b < 5; ++b) EXPECT_TRUE(HoldsMark(*set, b, b)) << b;
  EXPECT_TRUE(IsBlank(*set, 5));
  for (int b = 6; b < 128; ++b) EXPECT_TRUE(HoldsMark(*set, b, b - 1)) << b;

  set = MarkedSet();
  set->InsertBoard(127);
  EXPECT_TRUE(HoldsMark(*set, 126, 126));
  EXPECT_TRUE(IsBlank(*set, 127));

  set = MarkedSet();
  set->InsertBoard(128);
  set->InsertBoard(-1);
  for (int b = 0; b < 128; ++b) EXPECT_TRUE(HoldsMark(*set, b, b)) << b;
}

TEST(BoardSetModel, DeleteMovesBoardsDownAndKeepsTheLast) {
  auto set = MarkedSet();
  set->DeleteBoard(3);
  for (int b = 0; b < 3; ++b) EXPECT_TRUE(HoldsMark(*set, b, b)) << b;
  for (int b = 3; b < 127; ++b) EXPECT_TRUE(HoldsMark(*set, b, b + 1)) << b;
  EXPECT_TRUE(HoldsMark(*set, 127, 127));

  set = MarkedSet();
  set->DeleteBoard(126);
  EXPECT_TRUE(HoldsMark(*set, 126, 127));
  EXPECT_TRUE(HoldsMark(*set, 127, 127));

  set = MarkedSet();
  set->DeleteBoard(127);
  set->DeleteBoard(-1);
  for (int b = 0; b < 128; ++b) EXPECT_TRUE(HoldsMark(*set, b, b)) << b;
}

TEST(BoardSetModel, ShiftWrapsInsideThePlayedColumns) {
  struct Case {
    int columns, dc, dr;
    int fromC, fromR, toC, toR;
  } cases[] = {
      {20, -1, 0, 0, 5, 19, 5},  // left: column 0 goes to 19, never 25
      {20, 1, 0, 19, 5, 0, 5},   // right: column 19 wraps to 0
      {26, -1, 0, 0, 5, 25, 5}, {26, 1, 0, 25, 7, 0, 7}, {20, 0, 1, 3, 19, 3, 0},  // down: last row wraps to the top
      {20, 0, -1, 3, 0, 3, 19},                                                    // up
      {20, 1, 1, 19, 19, 0, 0},
  };
  for (const Case& c : cases) {
    auto set = std::make_unique<BoardSet>();
    set->columns = c.columns;
    set->boards[0].background = 42;
    set->SetCell(c.fromC, c.fromR, 7);
    set->SetCell(22, 2, 99);  // outside a 20-column board: must stay put there
    set->ShiftBoard(c.dc, c.dr);
    EXPECT_EQ(set->GetCell(c.toC, c.toR), 7) << c.columns << " " << c.dc << " " << c.dr;
    if (c.fromC != c.toC || c.fromR != c.toR) {
      EXPECT_EQ(set->GetCell(c.fromC, c.fromR), 0);
    }
    EXPECT_EQ(set->boards[0].background, 42u);
    if (c.columns == 20) {
      EXPECT_EQ(set->GetCell(22, 2), 99);
    }
  }
}

TEST(BoardSetModel, CellsClampAndSpareCopies) {
  auto set = std::make_unique<BoardSet>();
  set->SetCell(30, 25, 5);
  EXPECT_EQ(set->GetCell(25, 19), 5);
  set->SetCell(-4, -1, 6);
  EXPECT_EQ(set->boards[0].cells[0], 6);
  EXPECT_EQ(set->GetCell(0, 0), 6);
  set->boards[0].background = 3;

  set->CopyToSpareBoard();
  EXPECT_EQ(set->boards[BoardSet::kSpareBoard].cells[0], 6);
  EXPECT_EQ(set->boards[BoardSet::kSpareBoard].background, 3u);
  set->ClearBoard();
  EXPECT_TRUE(IsBlank(*set, 0));
  set->CopyFromSpareBoard();
  EXPECT_EQ(set->GetCell(0, 0), 6);
  EXPECT_EQ(set->boards[0].background, 3u);

  set->boards[5].Clear();
  set->boards[5].background = 8;
  set->boards[5].cells[3] = 1;
  set->boards[5].Clear();
  EXPECT_EQ(set->boards[5].background, 8u);
  EXPECT_EQ(set->boards[5].cells[3], 0);
}

TEST(BoardSetModel, CurrentBoardAndCountClamp) {
  auto set = std::make_unique<BoardSet>();
  set->SetBoardCount(200);
  EXPECT_EQ(set->boardCount, 128);
  set->SetBoardCount(-3);
  EXPECT_EQ(set->boardCount, 0);
  set->SetCurrentBoard(4);
  EXPECT_EQ(set->currentBoard, 0);
  set->SetBoardCount(10);
  set->SetCurrentBoard(12);
  EXPECT_EQ(set->currentBoard, 9);
  set->SetCurrentBoard(-2);
  EXPECT_EQ(set->currentBoard, 0);
}

TEST(BoardSetModel, OffsetBricksTouchesEveryNonZeroCell) {
  auto set = std::make_unique<BoardSet>();
  set->boards[2].cells[0] = 5;
  set->boards[2].cells[519] = -3;
  set->boards[2].cells[7] = 0;
  set->OffsetBricks(2, 10);
  EXPECT_EQ(set->boards[2].cells[0], 15);
  EXPECT_EQ(set->boards[2].cells[519], 7);
  EXPECT_EQ(set->boards[2].cells[7], 0);
}

TEST(BoardSetModel, BrickKindsAreWholeNameMatches) {
  struct Case {
    const char* name;
    int32_t kind;
  } cases[] = {{"explo", kBrickExplo},  {"INVIN", kBrickInvin},   {"AlmostInvin", kBrickAlmostInvin},
               {"multi", kBrickMulti},  {"Hidden", kBrickHidden}, {"zapped", kBrickZapped},
               {"invin2", kBrickPlain}, {"xinvin", kBrickPlain},  {"", kBrickPlain},
               {"almost", kBrickPlain}, {"explo ", kBrickPlain}};
  for (const Case& c : cases) EXPECT_EQ(BrickKindFromName(c.name), c.kind) << c.name;
}

TEST(BoardSetModel, CountBreakableBricks) {
  auto set = std::make_unique<BoardSet>();
  set->brickKind[3] = kBrickInvin;
  set->brickKind[4] = kBrickAlmostInvin;
  set->SetCell(0, 0, 1);      // plain: counts
  set->SetCell(0, 1, 3);      // hard: does not count
  set->SetCell(0, 2, -3);     // concealed hard brick: counts, and as hidden
  set->SetCell(0, 3, 1000);   // above 999: nothing
  set->SetCell(1, 0, 4);      // almost hard: counts
  set->SetCell(19, 19, 999);  // last played cell
  set->SetCell(20, 0, 1);     // outside a 20-column board
  EXPECT_EQ(set->CountBreakableBricks(), 4);
  EXPECT_EQ(set->bricksLeft, 4);
  EXPECT_EQ(set->hiddenBricks, 1);
  set->columns = 26;
  EXPECT_EQ(set->CountBreakableBricks(), 5);

  EXPECT_EQ(set->GetBrickType(3), kBrickInvin);
  EXPECT_EQ(set->GetBrickType(1000), 0);
  EXPECT_EQ(set->GetBrickType(-3), 0);
}

TEST(BoardSetModel, BrickCellOpen) {
  auto set = std::make_unique<BoardSet>();
  set->brickKind[5] = kBrickHidden;
  set->SetCell(2, 2, 1);
  set->SetCell(2, 3, 5);
  set->SetCell(2, 4, -5);
  set->SetCell(2, 5, 1000);
  EXPECT_FALSE(set->IsBrickCellOpen(2, 2));
  EXPECT_TRUE(set->IsBrickCellOpen(2, 3));
  EXPECT_FALSE(set->IsBrickCellOpen(2, 4));
  EXPECT_FALSE(set->IsBrickCellOpen(2, 5));
  EXPECT_TRUE(set->IsBrickCellOpen(2, 6));
  EXPECT_TRUE(set->IsBrickCellOpen(2, 20));
  set->SetCell(0, 0, 1);
  EXPECT_FALSE(set->IsBrickCellOpen(-3, -7));  // clamped to cell (0, 0)

  GetBoardSetHost().gameSet = set.get();
  EXPECT_FALSE(IsBrickCellOpen(2, 2));
  GetBoardSetHost().gameSet = nullptr;
  EXPECT_TRUE(IsBrickCellOpen(2, 2));
}

TEST(BoardSetModel, AchievementNameCutsBeforeTheLastWide) {
  auto set = std::make_unique<BoardSet>();
  struct Case {
    const char* stem;
    const char* name;
  } cases[] = {{"castlewide", "Ach_castle"},
               {"castle", "Ach_castle"},
               {"boardswide2", "Ach_boards"},
               {"widewide", "Ach_wide"},
               {"", "Ach_"}};
  for (const Case& c : cases) {
    set->fileStem = c.stem;
    EXPECT_EQ(set->GetAchievementName(), c.name);
  }
}

TEST(BoardSetModel, GeometryFollowsTheScreenWidth) {
  auto set = std::make_unique<BoardSet>();
  int width = 1280;
  GetBoardSetHost().screenWidth = [&width] { return width; };
  EXPECT_EQ(set->GetBoardLeft(), 160);
  EXPECT_EQ(set->GetBorderWidth(), 30);
  set->columns = 26;
  EXPECT_EQ(set->GetBoardLeft(), 16);
  EXPECT_EQ(set->GetBorderWidth(), 16);
  width = 1251;
  EXPECT_EQ(set->GetBoardLeft(), 1);  // (1251 - 1248) / 2
  GetBoardSetHost().screenWidth = nullptr;
}

TEST(BoardSetModel, PathStem) {
  EXPECT_EQ(PathStemToNarrow("Boards/Castle.bdz"), "Castle");
  EXPECT_EQ(PathStemToNarrow("a.b.bdz"), "a.b");
  EXPECT_EQ(PathStemToNarrow(""), "");
  EXPECT_EQ(PathStemToNarrow("dir/"), "");
}
