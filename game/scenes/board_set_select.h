#pragma once
// The board-set selection (scene 3): the list of every playable board set
// from the game folders, the player's own content folder and the installed
// Workshop items, and the accessors the rest of the game reads the chosen
// set through.
#include <boost/filesystem/path.hpp>

#include <cstdint>
#include <string>
#include <vector>

class BoardSet;

// Where a listed set was found.
enum : int32_t {
  kBoardSourceGame = 0,
  kBoardSourceUser = 1,
  kBoardSourceWorkshop = 2,
};

// One row of the list.
struct BoardSetEntry {
  BoardSetEntry(const boost::filesystem::path& path, int32_t source, const BoardSet& set);
  BoardSetEntry(const BoardSetEntry&) = default;
  BoardSetEntry& operator=(const BoardSetEntry&) = default;

  // The list order: source, then pack (ASCII letters folded, bytes compared
  // unsigned), then sortOrder.
  bool operator<(const BoardSetEntry& other) const;

  boost::filesystem::path path;
  int32_t sortOrder = 0;
  std::string pack;
  std::string title;
  std::string author;
  std::string notes;
  int32_t boardCount = 0;
  std::string leaderboardName;
  int32_t source = 0;
};

// Board-set selection: the list, the selected row (also moved by the
// window procedure), its first visible row, the thumb drag and the text of
// the error box (empty while none shows).
struct BoardSetSelectState {
  std::vector<BoardSetEntry> boardSetEntries;
  int32_t boardSelectIndex = 0;
  int32_t listTop = 0;
  bool thumbDragging = false;
  int32_t thumbDragOffset = 0;
  std::string boardSetLoadError;
  // The board the next game starts on; StartGame takes it and sets it back
  // to 0.
  int32_t chosenStartBoard = 0;
};
extern BoardSetSelectState boardSetSelect;

// Compares two texts as the list orders packs: ASCII letters folded to lower
// case, then bytes as unsigned values. Negative, 0 or positive.
int CompareNoCaseAscii(const std::string& a, const std::string& b);

// Reads the data locator's open file into `set`; a file that does not load,
// whose stem is listed already, or of a version before 7 is left out
// silently. Otherwise appends its entry, with `packText` as the pack when
// that is not empty.
void AddBoardSetEntry(const boost::filesystem::path& path, int32_t source, BoardSet& set, const std::string& packText);

// Rebuilds `boardSetEntries` from every source and sorts it.
void BuildBoardSetList();

// The selected entry (`boardSelectIndex`); outside the list the texts are
// empty and the numbers 0.
boost::filesystem::path GetSelectedBoardSetPath();
int32_t GetSelectedBoardCount();
std::string GetSelectedBoardSetTitle();
std::string GetSelectedLeaderboardName();
int32_t GetSelectedBoardSetSource();

// Loads the selected set and starts a game on it; the error box shows what
// went wrong instead.
void PlaySelectedBoardSet();

// Layout of the list.
constexpr int32_t kBoardListRows = 25;
constexpr int32_t kBoardListHeaderY = 104;
constexpr int32_t kBoardTrackLeft = 1227, kBoardTrackRight = 1249;
constexpr int32_t kBoardTrackTop = 122, kBoardTrackBottom = 569;
constexpr int32_t kScrollThumbHeight = 22;
// The four columns (pack, title, author, boards): where each text starts and
// how wide it may draw, up to 10 pixels before the next column; the last ends
// at the selection frame's right side.
constexpr int32_t kBoardColumnCount = 4;
constexpr int32_t kBoardColumnX[kBoardColumnCount] = {65, 315, 815, 1115};
constexpr int32_t kBoardColumnWidth[kBoardColumnCount] = {240, 490, 290, 73};

// The row pitch: the system font's line height and a half.
int32_t BoardListRowPitch();
// The entry under the pointer, -1 for none: only a visible row, only left of
// the scroll track and only while no error box shows.
int32_t BoardRowAt(int32_t x, int32_t y);

void RunBoardSetSelectScreen();
