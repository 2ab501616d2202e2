// The editor's program start, its main window (board view, palette, status
// bar) and the mouse painting.
#include "editor/editor.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <boost/filesystem.hpp>

#include "graphics/display.h"
#include "platform/files.h"
#include "platform/message_box.h"

namespace editor {

namespace {

std::unique_ptr<EditorState> g_editor;

int32_t BrickImageCount(const BoardSet& set) { return set.bricks.names ? set.bricks.count : 0; }

// The picture an image shows on screen: its first extra frame (the copy in
// the display's format) when it has one.
const Bitmap* DisplayFrame(const Image* image) {
  if (!image) return nullptr;
  return image->frameCount > 1 ? image->GetFrame(1) : image;
}

void DrawBitmap(const SurfaceLock& lock, const Bitmap* bitmap, int32_t x, int32_t y, int32_t srcWidth,
                int32_t srcHeight) {
  if (!bitmap || !bitmap->pixels || bitmap->bytesPerPixel != lock.bytesPerPixel) return;
  bitmap->DrawPart(lock.bits, lock.width, lock.height, lock.pitch, x, y, 0, 0, srcWidth, srcHeight, 1, 256);
}

// The most dirs.cfg may hold: a thousand folders of the longest line kept.
// A larger file, like one that is not a regular file, reads as none.
constexpr size_t kMaxDirsConfigBytes = size_t{1} << 20;

void ReadDirsConfig(DataFiles& files) {
  std::string text;
  if (plat::ReadWholeFile("dirs.cfg", text, kMaxDirsConfigBytes) != plat::ReadFileResult::kRead) return;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, std::min<size_t>(end - pos, 1023));
    pos = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    // Configured text: a '\' separates folders, as in the game's dirs.cfg.
    if (!line.empty()) files.searchDirs.push_back(plat::ToPath(line));
  }
}

void LoadSystemFont(EditorState& ed) {
  FILE* f = ed.dataFiles.Open("Fonts/SysFont.img");
  if (f) {
    ed.fontLoaded = ed.sysFont.Load(f);
    if (ed.fontLoaded) ed.sysFont.Upload(&TheDisplay().format);
  }
  ed.dataFiles.Close();
}

void HandleMouse(EditorState& ed, uintptr_t wParam, intptr_t lParam) {
  if (ed.mainWindow) ed.mainWindow->Invalidate();
  int32_t x = static_cast<int32_t>(plat::LowWord(static_cast<uintptr_t>(lParam)));
  int32_t y = static_cast<int32_t>(plat::HighWord(static_cast<uintptr_t>(lParam)));
  TheDisplay().ClientToBuffer(&x, &y);
  const bool left = (wParam & plat::kButtonLeft) != 0;
  const bool right = (wParam & plat::kButtonRight) != 0;
  BoardSet& set = *ed.boardSet;

  if (left && x > kPaletteLeft && y > kPaletteTop) {
    const int32_t slot = ((y - kPaletteTop) / BoardSet::kCellHeight) * kPaletteColumns +
                         (x - kPaletteLeft) / BoardSet::kCellWidth;
    ed.selectedBrick = std::clamp(slot, 0, BrickImageCount(set));
  }

  const int32_t left_edge = set.GetBoardLeft();
  if (x > left_edge && x < left_edge + set.columns * BoardSet::kCellWidth && y < kBoardAreaHeight) {
    ed.hoverColumn = std::clamp((x - left_edge) / BoardSet::kCellWidth, 0, BoardRecord::kColumns);
    ed.hoverRow = std::clamp(y / BoardSet::kCellHeight, 0, BoardRecord::kRows);
    if (left) set.SetCell(ed.hoverColumn, ed.hoverRow, ed.selectedBrick);
    if (right) ed.selectedBrick = set.GetCell(ed.hoverColumn, ed.hoverRow);
  }
}

}  // namespace

EditorState::EditorState() : boardSet(std::make_unique<BoardSet>()), settings("Quillmark", "Vantrel", 0) {}

EditorState& TheEditor() {
  if (!g_editor) g_editor = std::make_unique<EditorState>();
  return *g_editor;
}

BoardSet& TheBoardSet() { return *TheEditor().boardSet; }

std::string PasswordFromArguments(const std::vector<std::string>& args) {
  // Every argument that directly follows a "-pwd" argument becomes the
  // password (so the last such one wins, and "-pwd -pwd x" gives "x").
  std::string password;
  for (size_t i = 1; i < args.size(); ++i)
    if (args[i - 1] == "-pwd") password = args[i];
  return password;
}

bool HasExtension(const boost::filesystem::path& path) { return path.filename().has_extension(); }

void FreeRequesters() {
  EditorState& ed = TheEditor();
  ed.imgReq.file.clear();
  ed.boardReq.file.clear();
}

void FillSurfaceRect(const SurfaceLock& lock, int32_t x, int32_t y, int32_t width, int32_t height, uint8_t red,
                     uint8_t green, uint8_t blue, plat::WindowRect* out) {
  if (out) *out = plat::WindowRect{x, y, x + width, y + height};
  if (!lock.bits) return;
  const int32_t x0 = std::max(x, 0);
  const int32_t y0 = std::max(y, 0);
  const int32_t x1 = std::min<int64_t>(int64_t{x} + width, lock.width);
  const int32_t y1 = std::min<int64_t>(int64_t{y} + height, lock.height);
  if (x0 >= x1 || y0 >= y1) return;
  const PixelFormat& format = TheDisplay().format;
  uint32_t value = format.Pack(red, green, blue);
  if (lock.bytesPerPixel == 4) value |= 0xFF000000u;
  for (int32_t row = y0; row < y1; ++row) {
    uint8_t* p = lock.bits + static_cast<size_t>(row) * lock.pitch;
    for (int32_t col = x0; col < x1; ++col) {
      switch (lock.bytesPerPixel) {
        case 2: {
          const uint16_t v = static_cast<uint16_t>(value);
          std::memcpy(p + col * 2, &v, 2);
          break;
        }
        case 3:
          p[col * 3] = static_cast<uint8_t>(value);
          p[col * 3 + 1] = static_cast<uint8_t>(value >> 8);
          p[col * 3 + 2] = static_cast<uint8_t>(value >> 16);
          break;
        case 4: std::memcpy(p + col * 4, &value, 4); break;
        default: return;
      }
    }
  }
}

void BindFontToSurface(BitFont& font, const SurfaceLock& lock) {
  font.SetTarget(lock.bits, lock.width, lock.height, lock.pitch, lock.bytesPerPixel * 8);
}

std::string WindowTitleText() {
  const BoardSet& set = TheBoardSet();
  return std::string(kProgramTitle) + " - " + set.fileStem + (set.IsLocked() ? " (Locked)" : "") + " -" +
         set.checksumText;
}

void UpdateWindowTitles() {
  EditorState& ed = TheEditor();
  const std::string title = WindowTitleText();
  if (ed.mainWindow) ed.mainWindow->SetTitle(title);
  if (ed.dialog) ed.dialog->SetTitle(title);
}

void DrawView() {
  EditorState& ed = TheEditor();
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) {
    display.Present(kPresentScaleToClient);
    return;
  }
  if (ed.fontLoaded) BindFontToSurface(ed.sysFont, lock);
  BoardSet& set = *ed.boardSet;
  const int32_t boardLeft = set.GetBoardLeft();
  const int32_t boardWidth = set.columns * BoardSet::kCellWidth;
  const int32_t cellW = BoardSet::kCellWidth;
  const int32_t cellH = BoardSet::kCellHeight;
  const BoardRecord& board = set.boards[std::clamp(set.currentBoard, 0, BoardSet::kMaxBoards - 1)];

  // Background tiles.
  const Bitmap* background = nullptr;
  if (set.backgrounds.names && board.background < static_cast<uint32_t>(set.backgrounds.count))
    background = DisplayFrame(set.backgrounds.GetImage(static_cast<int32_t>(board.background)));
  if (background && background->width > 0 && background->height > 0 && background->pixels) {
    const int32_t border = set.GetBorderWidth();
    const int32_t x0 = std::max(boardLeft - border, 0);
    const int32_t x1 = x0 + std::min(kScreenWidth, 2 * border + boardWidth);
    for (int32_t y = 0; y < kBoardAreaHeight; y += background->height)
      for (int32_t x = x0; x < x1; x += background->width)
        DrawBitmap(lock, background, x, y, std::min(background->width, x1 - x),
                   std::min(background->height, kBoardAreaHeight - y));
  } else {
    FillSurfaceRect(lock, boardLeft, 0, boardWidth, kBoardAreaHeight, 0, 0, 0);
  }

  // Grid.
  if (ed.showGrid) {
    for (int32_t y = 0; y < kBoardAreaHeight; y += cellH) {
      FillSurfaceRect(lock, boardLeft, y, boardWidth, 1, 128, 128, 128);
      FillSurfaceRect(lock, boardLeft, y + cellH - 1, boardWidth, 1, 128, 128, 128);
    }
    for (int32_t c = 0; c < set.columns; ++c) {
      FillSurfaceRect(lock, boardLeft + cellW * c, 0, 1, kBoardAreaHeight, 128, 128, 128);
      FillSurfaceRect(lock, boardLeft + cellW * c + cellW - 1, 0, 1, kBoardAreaHeight, 128, 128, 128);
    }
  }

  // Side bars.
  const int32_t side = (kScreenWidth - boardWidth) / 2;
  FillSurfaceRect(lock, 0, 0, side, kBoardAreaHeight, 64, 64, 64);
  FillSurfaceRect(lock, kScreenWidth - side, 0, side, kBoardAreaHeight, 64, 64, 64);

  // Bricks.
  const int32_t brickCount = BrickImageCount(set);
  for (int32_t row = 0; row < BoardRecord::kRows; ++row) {
    for (int32_t col = 0; col < set.columns && col < BoardRecord::kColumns; ++col) {
      const int32_t cell = board.cells[col * BoardRecord::kRows + row];
      if (cell <= 0 || brickCount == 0) continue;
      const int32_t index = cell - 1 < brickCount ? cell - 1 : 0;
      const Bitmap* image = DisplayFrame(set.bricks.GetImage(index));
      if (image) DrawBitmap(lock, image, boardLeft + cellW * col, cellH * row, image->width, image->height);
    }
  }

  // Palette.
  FillSurfaceRect(lock, 0, kPaletteTop, kScreenWidth, kScreenHeight - kPaletteTop, 0, 0, 0);
  {
    int32_t slot = 0;
    for (int32_t y = kPaletteTop; y < kScreenHeight && slot <= brickCount; y += cellH) {
      for (int32_t x = kPaletteLeft; x < kScreenWidth - kPaletteLeft && slot <= brickCount; x += cellW, ++slot) {
        if (slot == 0) continue;
        const Bitmap* image = DisplayFrame(set.bricks.GetImage(slot - 1));
        if (image) DrawBitmap(lock, image, x, y, std::min(image->width, cellW), std::min(image->height, cellH));
      }
    }
  }

  // Status bar, the selected brick and the status text.
  FillSurfaceRect(lock, 0, kStatusBarTop, kScreenWidth, 48, 64, 64, 64);
  const int32_t selX = (kScreenWidth - cellW) / 2;
  const int32_t selY = kPaletteTop - 36;
  if (ed.selectedBrick <= 0 || ed.selectedBrick > brickCount) {
    FillSurfaceRect(lock, selX, selY, cellW, cellH, 0, 0, 0);
  } else {
    const Bitmap* image = DisplayFrame(set.bricks.GetImage(ed.selectedBrick - 1));
    if (image) DrawBitmap(lock, image, selX, selY, image->width, image->height);
    if (ed.fontLoaded)
      ed.sysFont.DrawText(set.bricks.GetName(ed.selectedBrick - 1).Text(), selX + 58, kPaletteTop - 30);
  }
  if (ed.fontLoaded) {
    const int32_t col = std::clamp(ed.hoverColumn, 0, BoardRecord::kColumns - 1);
    const int32_t row = std::clamp(ed.hoverRow, 0, BoardRecord::kRows - 1);
    char text[96];
    std::snprintf(text, sizeof text, "Pos: %d, %d, Brick: #%d", ed.hoverColumn, ed.hoverRow,
                  board.cells[col * BoardRecord::kRows + row]);
    ed.sysFont.DrawText(text, boardLeft, kPaletteTop - 30);
  }

  display.AddDirtyRect(0, 0, kScreenWidth, kScreenHeight);
  display.Unlock();
  display.Present(kPresentScaleToClient);
}

intptr_t MainWndProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  EditorState& ed = TheEditor();
  switch (message) {
    case plat::kMsgCreate:
      // The display centres the window after creating it; the saved
      // placement is applied once the display is set up (StartEditor).
      return 0;
    case plat::kMsgDestroy:
      ed.sysFont.Free();
      ed.fontLoaded = false;
      if (window) ed.settings.SaveWindow(window, "MainWnd", false, false);
      ed.mainWindow = nullptr;
      if (ed.dialog) {
        plat::Dialog* dialog = ed.dialog;
        dialog->Destroy();
        ed.dialog = nullptr;
      }
      if (plat::GetWindowSystem()) plat::GetWindowSystem()->PostQuitMessage(0);
      return 0;
    case plat::kMsgClose:
      if (plat::ShowMessageBox(window, "Really quit?", "Confirm", plat::kMbOkCancel) == plat::kIdOk && window)
        window->Destroy();
      return 0;
    case plat::kMsgPaint: DrawView(); return 0;
    case plat::kMsgKeyDown:
      if (wParam == plat::kKeyEscape) {
        if (plat::GetWindowSystem()) plat::GetWindowSystem()->PostMessage(window, plat::kMsgClose, 0, 0);
      } else if (wParam == plat::kKeyLeft || wParam == plat::kKeyRight) {
        ed.boardSet->SetCurrentBoard(ed.boardSet->currentBoard + (wParam == plat::kKeyLeft ? -1 : 1));
        if (ed.dialog) ed.dialog->PostMessage(kMsgRefresh, 0, 0);
      }
      return 0;
    case plat::kMsgMouseMove:
    case plat::kMsgLButtonDown:
    case plat::kMsgLButtonUp:
    case plat::kMsgRButtonDown:
    case plat::kMsgRButtonUp: HandleMouse(ed, wParam, lParam); return 0;
    default: return plat::DefaultWindowProc(window, message, wParam, lParam);
  }
}

bool StartEditor(const std::vector<std::string>& args) {
  EditorState& ed = TheEditor();
  ed.password = PasswordFromArguments(args);

  ed.imgReq.AddFilter("Image Sets (*.img)", "*.img");
  ed.boardReq.AddFilter("Board Sets (*.bdz)", "*.bdz");
  ed.boardReq.SetDefaultExtension("bdz");

  Display& display = TheDisplay();
  plat::Window* window = nullptr;
  if (!display.CreateMainWindow(kScreenWidth, kScreenHeight, kProgramTitle, nullptr, &window, MainWndProc, kMainIconId,
                                false))
    return false;
  ed.mainWindow = window;
  if (!display.SetVideoMode(kScreenWidth, kScreenHeight, 16, false, nullptr)) return false;
  // The display has placed the window by now; the saved position wins.
  ed.settings.RestoreWindow(window, "MainWnd", false, false);

  ReadDirsConfig(ed.dataFiles);
  boost::system::error_code ec;
  ed.startFolder = boost::filesystem::current_path(ec);
  LoadSystemFont(ed);

  plat::DialogSystem* dialogs = plat::GetDialogSystem();
  if (dialogs) {
    ed.dialog = dialogs->CreateModeless(MainDialogDesc(), window);
    if (ed.dialog) ed.dialog->Show(true);
  }
  window->Invalidate();
  return true;
}

int32_t RunMessageLoop() {
  plat::WindowSystem* system = plat::GetWindowSystem();
  if (!system) return 0;
  plat::Message msg;
  for (;;) {
    if (!system->PeekMessage(&msg, false)) system->WaitMessage();
    if (!system->GetMessage(&msg)) break;
    plat::WindowSystem::DispatchMessage(msg);
  }
  return static_cast<int32_t>(msg.wParam);
}

int32_t RunEditor(const std::vector<std::string>& args) {
  if (!StartEditor(args)) {
    FreeRequesters();
    return 0;
  }
  const int32_t code = RunMessageLoop();
  FreeRequesters();
  return code;
}

}  // namespace editor
