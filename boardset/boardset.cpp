// The in-memory board-set model: boards, cells, counts and geometry.
#include "boardset/boardset.h"

#include <algorithm>
#include <cstring>

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Non-negative remainder, for wrap-around shifts.
int Wrap(int v, int n) {
  int m = v % n;
  return m < 0 ? m + n : m;
}

bool EqualsFolded(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

int32_t BrickKindFromName(const std::string& name) {
  static const struct {
    const char* keyword;
    int32_t kind;
  } kTable[] = {{"explo", kBrickExplo}, {"invin", kBrickInvin},   {"almostinvin", kBrickAlmostInvin},
                {"multi", kBrickMulti}, {"hidden", kBrickHidden}, {"zapped", kBrickZapped}};
  int32_t kind = kBrickPlain;
  for (const auto& entry : kTable) {
    if (EqualsFolded(name, entry.keyword)) kind = entry.kind;
  }
  return kind;
}

void BoardRecord::Clear() { std::memset(cells, 0, sizeof cells); }

void ClearBoardArray(BoardRecord* records) {
  if (!records) return;
  for (int i = 0; i < BoardSet::kMaxBoards; ++i) records[i].Clear();
}

BoardSet::BoardSet() = default;

BoardSet::~BoardSet() = default;

void BoardSet::Reset() {
  for (int i = 0; i < kMaxBoards; ++i) {
    boards[i].background = 0;
    boards[i].Clear();
  }
  title.clear();
  author.clear();
  notes.clear();
  spareText.clear();
  fileStem.clear();
  checksumText.clear();
  salt.clear();
  lockWord = 0;
  sortOrder = 0;
  boardCount = 0;
  currentBoard = 0;
  brickSetSignature = 0;
  columns = 26;
  FreeImageSets();
}

BoardRecord& BoardSet::Current() { return boards[Clamp(currentBoard, 0, kRecordCount - 1)]; }

const BoardRecord& BoardSet::Current() const { return boards[Clamp(currentBoard, 0, kRecordCount - 1)]; }

void BoardSet::InsertBoard(int index) {
  if (index < 0 || index >= kMaxBoards) return;
  for (int i = kMaxBoards - 1; i > index; --i) boards[i] = boards[i - 1];
  boards[index] = boards[kBlankBoard];
}

void BoardSet::DeleteBoard(int index) {
  if (index < 0 || index > kMaxBoards - 2) return;
  for (int i = index; i < kMaxBoards - 1; ++i) boards[i] = boards[i + 1];
}

void BoardSet::ShiftBoard(int dc, int dr) {
  int cols = Clamp(columns, 1, BoardRecord::kColumns);
  BoardRecord& board = Current();
  BoardRecord old = board;
  for (int c = 0; c < cols; ++c) {
    for (int r = 0; r < BoardRecord::kRows; ++r) {
      int sc = Wrap(c - dc, cols);
      int sr = Wrap(r - dr, BoardRecord::kRows);
      board.cells[c * BoardRecord::kRows + r] = old.cells[sc * BoardRecord::kRows + sr];
    }
  }
}

void BoardSet::CopyToSpareBoard() {
  if (currentBoard == kSpareBoard) return;
  boards[kSpareBoard] = Current();
}

void BoardSet::CopyFromSpareBoard() {
  if (currentBoard == kSpareBoard) return;
  Current() = boards[kSpareBoard];
}

void BoardSet::ClearBoard() {
  if (&Current() == &boards[kBlankBoard]) return;
  Current() = boards[kBlankBoard];
}

int32_t BoardSet::GetCell(int column, int row) const {
  column = Clamp(column, 0, BoardRecord::kColumns - 1);
  row = Clamp(row, 0, BoardRecord::kRows - 1);
  return Current().cells[column * BoardRecord::kRows + row];
}

void BoardSet::SetCell(int column, int row, int32_t value) {
  column = Clamp(column, 0, BoardRecord::kColumns - 1);
  row = Clamp(row, 0, BoardRecord::kRows - 1);
  Current().cells[column * BoardRecord::kRows + row] = value;
}

void BoardSet::SetCurrentBoard(int index) { currentBoard = Clamp(index, 0, std::max(boardCount - 1, 0)); }

void BoardSet::SetBoardCount(int count) { boardCount = Clamp(count, 0, kMaxBoards); }

void BoardSet::OffsetBricks(int board, int32_t value) {
  if (board < 0 || board >= kRecordCount) return;
  for (int32_t& cell : boards[board].cells) {
    // Unsigned arithmetic: a large offset wraps instead of overflowing.
    if (cell != 0) cell = static_cast<int32_t>(static_cast<uint32_t>(cell) + static_cast<uint32_t>(value));
  }
}

int32_t BoardSet::CountBreakableBricks() {
  bricksLeft = 0;
  hiddenBricks = 0;
  int cells = Clamp(columns, 0, BoardRecord::kColumns) * BoardRecord::kRows;
  const BoardRecord& board = Current();
  for (int i = 0; i < cells; ++i) {
    int32_t v = board.cells[i];
    if (v < 0) {
      ++bricksLeft;
      ++hiddenBricks;
    } else if (v >= 1 && v <= 999 && brickKind[v] != kBrickInvin) {
      ++bricksLeft;
    }
  }
  return bricksLeft;
}

int32_t BoardSet::GetBrickType(int32_t brick) const {
  if (brick < 0 || brick > 999) return 0;
  return brickKind[brick];
}

bool BoardSet::IsBrickCellOpen(int column, int row) const {
  if (row >= BoardRecord::kRows) return true;
  int32_t v = GetCell(column, row);
  if (v == 0) return true;
  return v >= 1 && v <= 999 && brickKind[v] == kBrickHidden;
}

bool BoardSet::IsLocked() const { return !salt.empty() && lockWord != 0; }

std::string BoardSet::GetAchievementName() const {
  size_t at = fileStem.rfind("wide");
  return "Ach_" + (at == std::string::npos ? fileStem : fileStem.substr(0, at));
}

std::string BoardSet::GetLeaderboardName() const { return fileStem + "_" + checksumText; }

int BoardSet::GetBoardLeft() const {
  const BoardSetHost& host = GetBoardSetHost();
  int width = host.screenWidth ? host.screenWidth() : 1280;
  return (width - columns * kCellWidth) / 2;
}

int BoardSet::GetBorderWidth() const { return std::min(GetBoardLeft(), 30); }

std::string PathStemToNarrow(const boost::filesystem::path& path) {
  if (path.empty() || !path.has_filename()) return std::string();
  boost::filesystem::path name = path.filename();
  if (name == "." || name == "..") return std::string();
  return name.stem().string();
}

BoardSetHost& GetBoardSetHost() {
  static BoardSetHost host;
  return host;
}

bool IsBrickCellOpen(int column, int row) {
  const BoardSet* set = GetBoardSetHost().gameSet;
  return set ? set->IsBrickCellOpen(column, row) : true;
}
