#include "game/scenes/board_set_select.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <set>
#include <stdexcept>
#include <string>

#include "audio/sound_bank.h"
#include "community/community_manager.h"
#include "boardset/boardset.h"
#include "game/buttons.h"
#include "game/game_globals.h"
#include "game/play/game_flow.h"
#include "game/play/play_state.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/high_scores.h"
#include "game/scenes/menu_pointer.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/clock.h"
#include "platform/random.h"

BoardSetSelectState boardSetSelect;

namespace {

// The stems listed so far; lives only while the list is built.
std::set<std::string> listedStems;

constexpr int32_t kSelectedRowOffset = 12;  // the selection stays this many rows below the top
constexpr int32_t kThumbTravel = kBoardTrackBottom - kBoardTrackTop;

void AddFolder(const boost::filesystem::path& folder, int32_t source, const std::string& packText) {
  for (const boost::filesystem::path& path : dataFiles.ListDir(folder, ".bdz", true)) {
    if (dataFiles.Open(path)) AddBoardSetEntry(path, source, boardSet, packText);
  }
  dataFiles.Close();
}

const BoardSetEntry* SelectedEntry() {
  if (boardSetSelect.boardSelectIndex < 0 ||
      boardSetSelect.boardSelectIndex >= static_cast<int32_t>(boardSetSelect.boardSetEntries.size()))
    return nullptr;
  return &boardSetSelect.boardSetEntries[static_cast<size_t>(boardSetSelect.boardSelectIndex)];
}

void SetFontTarget(BitFont& font, const SurfaceLock& lock) {
  font.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
}

void DrawIcon(const char* name, int32_t x, int32_t y) {
  const Image* icon = iconSet.FindImage(name);
  if (icon) BlitImage(icon->GetFrame(1), x, y, nullptr, 1);
}

// The flickering frame around the selected row, redrawn at random offsets
// that change every 50 ms.
void DrawSelectionFrame(int32_t y, int32_t h) {
  plat::Srand(plat::MilliClock() / 50);
  const int32_t x1 = 38 + plat::Rand() % 4;
  const int32_t y1 = y - 6 + plat::Rand() % 4;
  const int32_t x2 = 1188 + plat::Rand() % 4;
  const int32_t y2 = y + h + plat::Rand() % 4;
  auto side = [](int32_t ax, int32_t ay, int32_t bx, int32_t by, bool horizontal) {
    const uint8_t g = static_cast<uint8_t>(128 + plat::Rand() % 127);
    const uint8_t b = static_cast<uint8_t>(128 + plat::Rand() % 127);
    const int32_t dx = horizontal ? 0 : 1, dy = horizontal ? 1 : 0;
    DrawLine(ax - dx, ay - dy, bx - dx, by - dy, 255, 128, 128);
    DrawLine(ax + dx, ay + dy, bx + dx, by + dy, 255, 128, 128);
    DrawLine(ax, ay, bx, by, 255, g, b);
  };
  side(x1, y1, x2, y1, true);
  side(x2, y1, x2, y2, false);
  side(x1, y2, x2, y2, true);
  side(x1, y1, x1, y2, false);
}

}  // namespace

int CompareNoCaseAscii(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

BoardSetEntry::BoardSetEntry(const boost::filesystem::path& pathIn, int32_t sourceIn, const BoardSet& set)
    : path(pathIn),
      sortOrder(set.sortOrder),
      pack(sourceIn == kBoardSourceWorkshop ? std::string("Workshop") : PathStemToNarrow(pathIn)),
      title(set.title),
      author(set.author),
      notes(set.notes),
      boardCount(set.boardCount),
      leaderboardName(set.GetLeaderboardName()),
      source(sourceIn) {}

bool BoardSetEntry::operator<(const BoardSetEntry& other) const {
  if (source != other.source) return source < other.source;
  const int c = CompareNoCaseAscii(pack, other.pack);
  if (c != 0) return c < 0;
  return sortOrder < other.sortOrder;
}

void AddBoardSetEntry(const boost::filesystem::path& path, int32_t source, BoardSet& set, const std::string& packText) {
  try {
    // The list shows no boards: only the header is kept, whatever the file holds.
    if (!set.LoadHeader(dataFiles)) return;
  } catch (...) {
    return;
  }
  if (listedStems.count(set.fileStem) != 0 || set.version < 7) return;
  boardSetSelect.boardSetEntries.emplace_back(path, source, set);
  if (!packText.empty()) boardSetSelect.boardSetEntries.back().pack = packText;
  listedStems.insert(set.fileStem);
}

void BuildBoardSetList() {
  boardSetSelect.boardSetEntries.clear();
  listedStems.clear();
  for (const boost::filesystem::path& folder : gameRootFolders) AddFolder(folder, kBoardSourceGame, "");
  if (settings.communityBoards && !userContentFolder.empty()) AddFolder(userContentFolder, kBoardSourceUser, "");
  if (settings.communityBoards && communityManager) {
    for (const WorkshopItem& item : communityManager->GetInstalledItems()) {
      AddFolder(item.folder, kBoardSourceWorkshop, item.detailsValid ? std::string(item.details.title) : std::string());
    }
  }
  listedStems.clear();
  std::stable_sort(boardSetSelect.boardSetEntries.begin(), boardSetSelect.boardSetEntries.end());
  input.lastTypedChar = 0;
  boardSetSelect.thumbDragging = false;
}

boost::filesystem::path GetSelectedBoardSetPath() {
  const BoardSetEntry* e = SelectedEntry();
  return e ? e->path : boost::filesystem::path();
}

int32_t GetSelectedBoardCount() {
  const BoardSetEntry* e = SelectedEntry();
  return e ? e->boardCount : 0;
}

std::string GetSelectedBoardSetTitle() {
  const BoardSetEntry* e = SelectedEntry();
  return e ? e->title : std::string();
}

std::string GetSelectedLeaderboardName() {
  const BoardSetEntry* e = SelectedEntry();
  return e ? e->leaderboardName : std::string();
}

int32_t GetSelectedBoardSetSource() {
  const BoardSetEntry* e = SelectedEntry();
  return e ? e->source : 0;
}

int32_t BoardListRowPitch() {
  const int32_t h = sysFont.lineHeight;
  return std::max(1, h + h / 2);
}

int32_t BoardRowAt(int32_t x, int32_t y) {
  if (x >= kBoardTrackLeft || !boardSetSelect.boardSetLoadError.empty()) return -1;
  const int32_t d = BoardListRowPitch();
  if (y < kBoardListHeaderY + d || y >= kBoardListHeaderY + (kBoardListRows + 1) * d) return -1;
  const int32_t row = boardSetSelect.listTop + (y - kBoardListHeaderY - d) / d;
  const int32_t end = std::min<int32_t>(boardSetSelect.listTop + kBoardListRows,
                                        static_cast<int32_t>(boardSetSelect.boardSetEntries.size()));
  return row < end ? row : -1;
}

void PlaySelectedBoardSet() {
  try {
    if (!dataFiles.Open(GetSelectedBoardSetPath())) throw std::runtime_error("Could not open boardset file.");
    boardSet.Load(dataFiles, false, "");
    dataFiles.Close();
    // A set whose brick pictures are missing would play with invisible
    // bricks, so it counts as a failure here as well.
    if (!boardSet.LoadImageSets(dataFiles, true) || !boardSet.bricks.pixels)
      throw std::runtime_error("Could not load boardset graphics!");
    boardSet.UploadImageSets(program.screenFormat);
    StartGame();
    program.sceneNumber = kScenePlay;
    transition.musicFade = -1;
    softCursor.x = softCursor.y = -1;
  } catch (const std::exception& e) {
    dataFiles.Close();
    PlaySoundAt(kSoundPadExplode, 640.0f, 0, 63);
    boardSetSelect.boardSetLoadError = e.what();
    if (boardSetSelect.boardSetLoadError.empty()) boardSetSelect.boardSetLoadError = "Could not open boardset file.";
  }
}

void RunBoardSetSelectScreen() {
  const bool firstFrame = program.sceneNumber != program.previousScene;
  if (firstFrame) BuildBoardSetList();

  const int32_t n = static_cast<int32_t>(boardSetSelect.boardSetEntries.size());
  const int32_t maxTop = std::max(0, n - kBoardListRows);
  int32_t thumbY = kBoardTrackTop;
  bool thumbLit = false;
  if (boardSetSelect.thumbDragging && input.mouseButtonDown) {
    const float f = std::clamp(static_cast<float>(input.mouseY - kBoardTrackTop) / static_cast<float>(kThumbTravel),
                               0.0f, 1.0f);
    boardSetSelect.listTop = static_cast<int32_t>(std::floor(static_cast<float>(maxTop) * f));
    boardSetSelect.boardSelectIndex = std::max(0, std::min(boardSetSelect.listTop + kSelectedRowOffset, n - 1));
    thumbY = std::clamp(input.mouseY + boardSetSelect.thumbDragOffset, kBoardTrackTop, kBoardTrackBottom);
    thumbLit = true;
  } else {
    boardSetSelect.thumbDragging = false;
    boardSetSelect.thumbDragOffset = 0;
    if (maxTop > 0)
      thumbY = kBoardTrackTop +
               static_cast<int32_t>(std::floor(static_cast<double>(boardSetSelect.listTop) / maxTop * kThumbTravel));
    // An empty list keeps the selection at 0 (there is no range to clamp into).
    boardSetSelect.boardSelectIndex = n > 0 ? std::clamp(boardSetSelect.boardSelectIndex, 0, n - 1) : 0;
    boardSetSelect.listTop = std::max(
        0, std::min(boardSetSelect.boardSelectIndex - kSelectedRowOffset, n - kBoardListRows));
  }
  const bool overTrack = input.mouseX >= kBoardTrackLeft && input.mouseX <= kBoardTrackRight &&
                         input.mouseY >= kBoardTrackTop && input.mouseY <= kBoardTrackBottom;
  const bool overThumb = overTrack && input.mouseY >= thumbY && input.mouseY <= thumbY + kScrollThumbHeight;
  if (overThumb) {
    thumbLit = true;
    if (!boardSetSelect.thumbDragging && input.anyInputThisFrame && input.mouseButtonDown) {
      boardSetSelect.thumbDragging = true;
      boardSetSelect.thumbDragOffset = thumbY - input.mouseY;
    }
  }

  const bool errorShown = !boardSetSelect.boardSetLoadError.empty();
  UpdateButtonHover(errorShown ? boardSelectErrorButtons : boardSelectButtons);
  const int32_t rowUnderPointer = BoardRowAt(input.mouseX, input.mouseY);

  if (!overTrack && !overThumb && input.anyInputThisFrame) {
    input.anyInputThisFrame = 0;
    PlaySoundAt(kSoundLock, 640.0f, 0, 63);
    if (errorShown) {
      boardSetSelect.boardSetLoadError.clear();
    } else if (menuButtons.hoveredButton == kButtonBack) {
      program.sceneNumber = kSceneOptions;
    } else if (rowUnderPointer >= 0 && rowUnderPointer != boardSetSelect.boardSelectIndex) {
      boardSetSelect.boardSelectIndex = rowUnderPointer;
    } else if (input.lastTypedChar == 'h' || input.lastTypedChar == 'H' ||
               menuButtons.hoveredButton == kButtonHighScores) {
      input.lastTypedChar = 0;
      highScoreScreen.entryPlayerScore = 0;
      program.sceneNumber = kSceneHighScores;
      highScoreScreen.scoresViewOnly = 1;
    } else {
      PlaySelectedBoardSet();
    }
    return;
  }

  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  if (firstFrame) SnapshotOldScreen();
  UsePicture(boardSelectPicture);
  DrawMenuPointer(true, [&] {
    BlitImage(boardSelectPicture.GetFrame(1), 0, 0, nullptr, 0);
    display.AddDirtyRect(0, 0, lock.width, lock.height);
    DrawIcon(thumbLit ? "ScrollThumbLit" : "ScrollThumb", kBoardTrackLeft, thumbY);

    SetFontTarget(chiselFont, lock);
    SetFontTarget(sysFont, lock);
    SetFontTarget(amberSysFont, lock);
    chiselFont.DrawTextCentered("Select A Boardset", 0, 36, lock.width);
    const char* const headings[kBoardColumnCount] = {"Pack:", "Title:", "Author:", "Boards:"};
    for (int32_t c = 0; c < kBoardColumnCount; ++c) sysFont.DrawText(headings[c], kBoardColumnX[c], kBoardListHeaderY);
    const int32_t h = sysFont.lineHeight;
    const int32_t d = BoardListRowPitch();
    const int32_t end = std::min(boardSetSelect.listTop + kBoardListRows, n);
    for (int32_t i = boardSetSelect.listTop; i < end; ++i) {
      const BoardSetEntry& e = boardSetSelect.boardSetEntries[static_cast<size_t>(i)];
      const int32_t y = kBoardListHeaderY + (i - boardSetSelect.listTop + 1) * d;
      BitFont& font = i == rowUnderPointer ? amberSysFont : sysFont;
      if (e.source == kBoardSourceUser) DrawIcon("LocalBoard", 42, y - 2);
      if (e.source == kBoardSourceWorkshop) DrawIcon("CloudBoard", 42, y - 2);
      // A set's texts come from its file: each stays on its row and within
      // its column, however long it is and whatever bytes it holds.
      const std::string boards = std::to_string(e.boardCount);
      const std::string* const texts[kBoardColumnCount] = {&e.pack, &e.title, &e.author, &boards};
      for (int32_t c = 0; c < kBoardColumnCount; ++c)
        font.DrawTextLine(texts[c]->c_str(), kBoardColumnX[c], y, kBoardColumnWidth[c]);
      if (i == boardSetSelect.boardSelectIndex && boardSetSelect.boardSetLoadError.empty()) DrawSelectionFrame(y, h);
    }

    if (!boardSetSelect.boardSetLoadError.empty()) {
      const int32_t mid = lock.height / 2;
      FillRectColour(0, mid - 45, 140, 1200, 0, 0, 0, nullptr);
      amberSysFont.DrawTextCentered("There was an error loading the boardset ...", 0, mid - 20, lock.width);
      amberSysFont.DrawTextCentered(boardSetSelect.boardSetLoadError.c_str(), 0, mid, lock.width);
      amberSysFont.DrawTextCentered("Verify your game installation and any active community content.", 0, mid + 20,
                                    lock.width);
    }
    DrawButtons(boardSetSelect.boardSetLoadError.empty() ? boardSelectButtons : boardSelectErrorButtons);
  });
  EndSceneFrame(firstFrame, kPresentDirtyOnly, true);
}
