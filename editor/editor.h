#pragma once
// The board-set editor: one main window showing the current board at game
// size above a palette of the set's brick images (painted with the mouse),
// and one modeless control dialog for every other command.
//
// All of the editor's state lives in one EditorState; the window and dialog
// procedures work on TheEditor(). main() installs a window system, calls
// RunEditor and returns its result; tests call StartEditor and drive the
// procedures through the in-memory back ends.
#include <boost/filesystem/path.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/data_files.h"
#include "core/registry_settings.h"
#include "boardset/boardset.h"
#include "graphics/bitfont.h"
#include "imagetool/file_requester.h"
#include "platform/dialog.h"
#include "platform/window.h"

struct SurfaceLock;

namespace editor {

constexpr const char* kProgramTitle = "Vantrel Editor";
constexpr int32_t kScreenWidth = 1280;
constexpr int32_t kScreenHeight = 720;
constexpr int32_t kBoardAreaHeight = 480;  // rows 0..479
constexpr int32_t kStatusBarTop = 480;
constexpr int32_t kPaletteTop = 528;
constexpr int32_t kPaletteLeft = 16;
constexpr int32_t kPaletteColumns = 26;
constexpr int32_t kMainIconId = 107;

// The dialog's private refresh message.
constexpr uint32_t kMsgRefresh = plat::kMsgUser + 100;

// Control and menu ids of the control dialog.
enum : int32_t {
  kIdPrevBoard = 1000,
  kIdNextBoard = 1001,
  kIdBoardNumber = 1002,
  kIdLastBoard = 1003,
  kIdFirstBoard = 1004,
  kIdOpen = 1005,
  kIdSave = 1006,
  kIdAppend = 1007,
  kIdBrickSet = 1008,
  kIdSelectBrickSet = 1009,
  kIdBackgroundSet = 1010,
  kIdSelectBackgroundSet = 1011,
  kIdBackground = 1012,
  kIdCopy = 1013,
  kIdPaste = 1014,
  kIdClear = 1015,
  kIdBoardCount = 1016,
  kIdTitle = 1017,
  kIdAuthor = 1018,
  kIdApplyOffset = 1019,
  kIdOffsetValue = 1020,
  kIdNotes = 1021,
  kIdWidescreen = 1022,
  kIdChecksum = 1023,
  kIdSortOrder = 1024,
  kIdNew = 1026,
  kIdSaveIcon = 1027,
  kIdShiftUp = 1028,
  kIdShiftDown = 1029,
  kIdShiftLeft = 1030,
  kIdShiftRight = 1031,
  kIdSheetwright = 1032,
  kIdWorkshopHelper = 1033,

  kMenuNew = 40001,
  kMenuOpen = 40002,
  kMenuSave = 40003,
  kMenuExit = 40004,
  kMenuCopy = 40005,
  kMenuPaste = 40006,
  kMenuShowGrid = 40007,
  kMenuClear = 40008,
  kMenuAppend = 40009,
  kMenuCut = 40011,
  kMenuInsert = 40012,
};

struct EditorState {
  EditorState();

  // The set being edited. A pointer so that Open can load into a fresh set
  // and swap it in only when the load worked.
  std::unique_ptr<BoardSet> boardSet;
  RegistrySettings settings;
  std::string password;
  FileRequester imgReq;
  FileRequester boardReq;
  boost::filesystem::path startFolder;
  DataFiles dataFiles;
  BitFont sysFont;
  bool fontLoaded = false;
  int32_t selectedBrick = 0;
  int32_t hoverColumn = 0;
  int32_t hoverRow = 0;
  bool showGrid = true;
  int32_t offsetValue = 0;
  plat::Window* mainWindow = nullptr;
  plat::Dialog* dialog = nullptr;
};

// The editor's state (made on first use).
EditorState& TheEditor();
BoardSet& TheBoardSet();

// The password from the program's arguments: the argument after "-pwd";
// empty when there is none. Every other argument is ignored.
std::string PasswordFromArguments(const std::vector<std::string>& args);

// Start-up up to the message loop: requesters, the window and back buffer
// (false when either cannot be made), dirs.cfg, the start folder, the
// system font, the saved window placement, the control dialog.
bool StartEditor(const std::vector<std::string>& args);
// The message loop; returns the quit code.
int32_t RunMessageLoop();
// StartEditor, the loop, FreeRequesters: the whole program. 0 when the
// window or display cannot be set up.
int32_t RunEditor(const std::vector<std::string>& args);

intptr_t MainWndProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t MainDlgProc(plat::Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
// The control dialog's template and menu.
plat::DialogDesc MainDialogDesc();

// "Vantrel Editor - <stem>[ (Locked)] -<checksum>" on both windows.
std::string WindowTitleText();
void UpdateWindowTitles();
// Draws the whole view into the back buffer and presents it.
void DrawView();

// Fills a rectangle of the locked back buffer with the colour in the
// buffer's pixel format, clipped to the buffer; `out` (when given) gets
// left, top, right, bottom as asked for.
void FillSurfaceRect(const SurfaceLock& lock, int32_t x, int32_t y, int32_t width, int32_t height, uint8_t red,
                     uint8_t green, uint8_t blue, plat::WindowRect* out = nullptr);
void BindFontToSurface(BitFont& font, const SurfaceLock& lock);
// Whether the path's file name has an extension.
bool HasExtension(const boost::filesystem::path& path);
void FreeRequesters();

// Dialog commands that open files, callable from tests.
void CommandNew();
void CommandOpen();
void CommandAppend();
void CommandSave();
void CommandSaveIcon();
void CommandChooseImageSet(bool bricks);
void CommandStartTool(int32_t id);

// Appends the boards of `loaded` after the set's boards, up to 128 in all.
void AppendBoards(BoardSet& set, const BoardSet& loaded);

}  // namespace editor
