#pragma once
// Board sets: up to 128 boards of bricks, the two image sets that draw them
// (bricks and backgrounds, plus a darkened copy of the backgrounds), the set's
// texts and its password lock. The game plays one global set; the board-set
// editor edits one. The .bdz reader and writer live in boardset_file.cpp, the
// image handling in boardset_images.cpp.
#include <boost/filesystem/path.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "graphics/bitmap.h"

class DataFiles;

// Kind of a brick number, taken from the name of its image.
enum BrickKind : int32_t {
  kBrickPlain = 0,
  kBrickExplo = 1,        // "explo"
  kBrickInvin = 2,        // "invin"
  kBrickAlmostInvin = 3,  // "almostinvin"
  kBrickMulti = 4,        // "multi"
  kBrickHidden = 5,       // "hidden"
  kBrickZapped = 6,       // "zapped"
};

// The kind that an image of this name gives its brick number: the name must
// equal a keyword as a whole, letters compared without regard to case.
int32_t BrickKindFromName(const std::string& name);

// One board. The cell of column c, row r is cells[c * kRows + r].
struct BoardRecord {
  static constexpr int kColumns = 26;
  static constexpr int kRows = 20;
  static constexpr int kCells = kColumns * kRows;

  uint32_t background = 0;  // index into BoardSet::backgrounds
  int32_t cells[kCells] = {};

  // Zeroes the cells and keeps the background.
  void Clear();
};

// Clear() on each of 128 records (a player's saved copy of the boards).
void ClearBoardArray(BoardRecord* records);

class BoardSet {
 public:
  static constexpr int kMaxBoards = 128;
  static constexpr int kSpareBoard = 128;  // the copy the game plays on; the editor's clipboard
  static constexpr int kBlankBoard = 129;  // always empty; Insert and Clear copy it
  static constexpr int kRecordCount = 130;
  static constexpr int kBrickKinds = 1000;
  static constexpr int kCellWidth = 48;
  static constexpr int kCellHeight = 24;

  BoardSet();
  ~BoardSet();
  BoardSet(const BoardSet&) = delete;
  BoardSet& operator=(const BoardSet&) = delete;

  // The first step of Load: boards 0..127, the texts, the lock and the images
  // cleared, 26 columns. The spare and blank records, the two paths and the
  // version are left for the loader to overwrite.
  void Reset();

  // Board operations. None of them changes boardCount.
  void InsertBoard(int index);
  void DeleteBoard(int index);
  void ShiftBoard(int dc, int dr);
  void CopyToSpareBoard();
  void CopyFromSpareBoard();
  void ClearBoard();
  int32_t GetCell(int column, int row) const;
  void SetCell(int column, int row, int32_t value);
  void SetCurrentBoard(int index);
  void SetBoardCount(int count);
  void OffsetBricks(int board, int32_t value);

  // Queries.
  int32_t CountBreakableBricks();
  int32_t GetBrickType(int32_t brick) const;
  bool IsBrickCellOpen(int column, int row) const;
  bool IsLocked() const;
  std::string GetAchievementName() const;
  // The name of the set's online leaderboard: fileStem, "_", checksumText.
  std::string GetLeaderboardName() const;
  int GetBoardLeft() const;
  int GetBorderWidth() const;

  // Image sets (boardset_images.cpp). Names are looked up recursively
  // through the data-file locator, last search folder first when
  // lastFolderFirst is set; with the classic-textures setting on, a
  // stem + "_classic" + extension file is preferred when one opens.
  // LoadImageSets passes its checkSignature flag as that search order (the
  // game checks and searches later folders first; the editor does neither).
  // LoadImageSets is true when the background set loaded; missing bricks
  // leave `bricks` empty. A brick set whose signature differs from a
  // recorded non-zero brickSetSignature raises std::runtime_error.
  bool OpenImageSetFile(DataFiles& files, const std::string& name, bool lastFolderFirst = true);
  bool LoadImageSets(DataFiles& files, bool checkSignature);
  bool LoadBrickSet(FILE* file, bool checkSignature);
  bool LoadBackgroundSet(FILE* file);
  bool UploadImageSets(const PixelFormat& format);
  bool SaveIcon(int board, const boost::filesystem::path& path) const;

  // The .bdz file (boardset_file.cpp). Load and Lock raise std::runtime_error
  // with the message for the user; Save reports by its result.
  bool Load(DataFiles& files, bool checkPassword, const std::string& password);
  // Load without the boards: the counts, texts, version and checksum that
  // the board-set list shows, with the same checks and errors as Load; the
  // boards stay as Reset leaves them.
  bool LoadHeader(DataFiles& files);
  bool Save(const boost::filesystem::path& path);
  void Lock(const std::string& password);
  bool CheckPassword(const std::string& password) const;

  BoardRecord boards[kRecordCount];
  std::string brickSetPath;
  std::string backgroundSetPath;
  int32_t brickSetSignature = 0;
  ImageSet bricks;
  ImageSet backgrounds;
  ImageSet darkBackgrounds;
  int32_t boardCount = 1;
  int32_t currentBoard = 0;
  int32_t columns = 20;
  std::string spareText;
  std::string title;
  std::string author;
  std::string notes;
  std::string fileStem;
  std::string checksumText;
  std::string salt;  // byte string: its bytes may be 0
  uint32_t lockWord = 0;
  int32_t sortOrder = 0;
  int32_t version = 7;
  int32_t brickKind[kBrickKinds] = {};
  int32_t bricksLeft = 0;
  int32_t hiddenBricks = 0;
  int32_t bricksAtStart = 0;

 private:
  BoardRecord& Current();
  const BoardRecord& Current() const;
  void FreeImageSets();
  // Load and LoadHeader: reads the open file, raising the reader's errors.
  void Read(DataFiles& files, bool checkPassword, const std::string& password, bool withBoards);
};

// Reads one stored string at pos (int32 length, then that many bytes) and
// moves pos past it. A length that is negative or runs past the end raises
// "Boardset file is corrupted.".
std::string ReadBoardSetString(const uint8_t* data, size_t size, size_t& pos);

// The stem of a path's file name; "" for an empty path or one without a file name.
std::string PathStemToNarrow(const boost::filesystem::path& path);

// What the board-set code reads from the program around it. The game (and
// the editor) fill these at start-up; unset, the screen is 1280 pixels wide,
// classic textures are off and there is no game set.
struct BoardSetHost {
  std::function<int()> screenWidth;       // the display's width in pixels
  std::function<bool()> classicTextures;  // the "ClassicTextures" setting
  const BoardSet* gameSet = nullptr;      // the set being played
};
BoardSetHost& GetBoardSetHost();

// IsBrickCellOpen on the game's set (true when there is none).
bool IsBrickCellOpen(int column, int row);
