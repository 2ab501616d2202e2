#pragma once
// Sheetwright, the image-set tool: the list of entries being assembled into
// an image set, the tool's own reader of .img files, the main dialog and the
// preview window. The program's main() installs a back end and calls
// SheetwrightMain; tests drive the procedures through the in-memory back
// ends.
#include <boost/filesystem/path.hpp>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/cstr.h"
#include "core/registry_settings.h"
#include "graphics/bitmap.h"
#include "graphics/dib_surface.h"
#include "imagetool/file_requester.h"
#include "platform/dialog.h"
#include "platform/files.h"
#include "platform/window.h"

// The private message that keeps the dialog and the preview in step. In the
// dialog an lParam of 0 also rebuilds the list; 1 updates the fields only.
constexpr uint32_t kMsgRefresh = 2024;

// Control and command ids of the main dialog.
enum : int32_t {
  kIdEntryList = 1001,
  kIdAdd = 1002,
  kIdReplace = 1003,
  kIdLoadSet = 1004,
  kIdSaveSet = 1005,
  kIdColourCount = 1006,
  kIdUp = 1007,
  kIdDown = 1008,
  kIdRemove = 1009,
  kIdSave = 1010,
  kIdSaveAll = 1011,
  kIdCellWidth = 1013,
  kIdCellHeight = 1014,
  kIdGapAcross = 1015,
  kIdName = 1016,
  kIdSize = 1017,
  kIdMode1 = 1019,
  kIdMode2 = 1020,
  kIdMode0 = 1021,
  kIdGapDown = 1022,
  kIdClearSet = 1023,
  kIdSetting1024 = 1024,
  kIdAppendSet = 1026,
};

// Most entries a set file may hold for the reader.
constexpr int32_t kMaxSetEntries = 65536;

// The largest set file the reader takes in: a larger one is refused as a
// file that cannot be read, before any of it is read. The game draws on a
// 1280 x 720 screen, where a whole screen of 32-bit pixels is 3.5 MiB; the
// largest set of the data pack is under 2 MiB. 64 MiB holds eighteen whole
// screens, while the tool, which keeps each pixel three times (the picture,
// its display frame, the preview copy) beside the file's bytes, stays near
// 256 MiB for the largest set it takes.
constexpr size_t kMaxSetFileBytes = size_t{64} << 20;

// Longest entry name kept, in bytes, from the name field.
constexpr int32_t kMaxEntryName = 255;

// Longest entry name kept from a set file, in bytes: as long as the writer
// takes, so that every set that reads can be saved again unchanged.
constexpr int32_t kMaxSetName = 1022;

// One image of the set being assembled.
class ImageEntry {
 public:
  // Frame 0: the picture as loaded (32 bits, or 8 bits with a palette for
  // version-1 sets). Frame 1: the display frame, frame 0 at 32 bits.
  Image image;
  CStr name;
  // A 32-bit copy of the display frame for the preview; no buffers while
  // the image is empty.
  DibSurface surface;

  // Frame 1 becomes frame 0 at 32 bits per pixel (through the palette for
  // 8 bits; 32-bit pixels are copied as they are, alpha included), with
  // frame 0's hot spot. An empty image gets no frame 1.
  bool BuildDisplayFrame();
  // Copies the display frame into the preview surface.
  void RefreshSurface();
  // The frame that is written and exported (frame 1, or the empty image).
  const Bitmap& DisplayFrame() const;
  bool Empty() const { return image.pixels == nullptr || image.width <= 0 || image.height <= 0; }
};

// What a set file holds, read by ParseImageSetEntries.
struct ImageSetContents {
  std::vector<std::unique_ptr<ImageEntry>> entries;
  int32_t version = 0;
  // Versions 0 and 1 only.
  bool hasGlobalPalette = false;
  int32_t globalPaletteCount = 0;
  uint8_t globalPalette[256][4] = {};
};

// Reads a whole set file from memory. Every count and size is checked
// against the bytes that remain before anything is allocated, so a cut or
// hostile file fails with the reader's message (in *error) instead of
// reading past its end. *out is filled only on success.
bool ParseImageSetEntries(const uint8_t* data, size_t size, ImageSetContents* out, std::string* error);

// Boost's windows_name test: not empty, no blank first or last, none of the
// characters Windows forbids in names, no final dot unless . or ..
bool IsWindowsName(const std::string& name);

// A font-mode glyph name from a file stem: the stem read as an integer with
// a base prefix (decimal, 0x hexadecimal, leading-0 octal), modulo 256.
// False when the stem is not such a number or does not fit.
bool GlyphCodeFromStem(const std::string& stem, int* code);

class ImageTool {
 public:
  explicit ImageTool(bool fontMode = false);
  ~ImageTool();
  ImageTool(const ImageTool&) = delete;
  ImageTool& operator=(const ImageTool&) = delete;

  // Reads the command-line arguments (argv[1] onwards): "-font" turns font
  // mode on; any other argument is the set path (blanks and double quotes
  // trimmed from both ends; a later one replaces an earlier one).
  void ParseCommandLine(const std::vector<std::string>& args);

  // Creates the preview window (shown) and runs the main dialog modally
  // until it ends. Needs an installed window and dialog system.
  int Run();

  plat::DialogDesc MainDialogDesc();
  plat::Window* CreatePreviewWindow();

  intptr_t MainDlgProc(plat::Dialog* dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);
  intptr_t PreviewWndProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

  // Reads a set into the list, replacing it or appending to it. On any
  // failure the reader's message is shown and the list stays as it was.
  // Only a regular file (or a link to one) of at most kMaxSetFileBytes is
  // read: anything else is a file that cannot be opened.
  bool LoadImageSetEntries(const boost::filesystem::path& path, bool append);
  // Writes the list as a version-2 set; false when nothing could be
  // written (an existing file then stays as it was), and for a list with an
  // entry without a picture, which no reader could open again. *failure,
  // when given, says whether the file was made and why writing it failed.
  bool SaveImageSetEntries(const boost::filesystem::path& path, plat::WriteFailure* failure = nullptr) const;

  // The file name Save suggests for entry `index` (with ".png").
  std::string SuggestedName(size_t index) const;
  // Writes an entry's display frame as PNG; a frame whose alpha is 0
  // everywhere is written opaque. The real result of the write.
  bool ExportPng(size_t index, const boost::filesystem::path& path) const;

  bool Selected() const { return current < entries.size(); }
  ImageEntry* CurrentEntry() { return Selected() ? entries[current].get() : nullptr; }
  const ImageEntry* CurrentEntry() const { return Selected() ? entries[current].get() : nullptr; }
  // Indices of the entries whose picture could not be read (no pixels).
  std::vector<size_t> EntriesWithoutPicture() const;
  // The list line of an entry: index, blank, name.
  std::string ListLine(size_t index) const;
  // Posts the refresh message to the dialog (0: rebuild the list too).
  void PostRefresh(intptr_t fieldsOnly = 0);

  // Commands of the dialog.
  void OnAdd();
  void OnReplace();
  void OnUp();
  void OnDown();
  void OnRemove();
  void OnSave();
  void OnSaveAll();
  void OnLoadSet(bool append);
  void OnSaveSet();
  void OnClearSet();
  void OnClose();

  // State.
  std::vector<std::unique_ptr<ImageEntry>> entries;
  uint32_t current = 0;
  uint8_t globalPalette[256][4] = {};
  int32_t colourCount = 256;
  int32_t cellWidth = 32;
  int32_t cellHeight = 32;
  int32_t gapAcross = 0;
  int32_t gapDown = 0;
  int32_t setting1024 = 1;
  int32_t mode = 0;
  bool fontMode = false;
  boost::filesystem::path setPath;
  std::string title;
  FileRequester folderRequester;
  FileRequester setRequester;
  RegistrySettings registry;
  plat::Dialog* dialog = nullptr;
  plat::Window* preview = nullptr;
  // Grid corners in image pixels.
  int32_t x1 = 0;
  int32_t y1 = 0;
  int32_t x2 = 0;
  int32_t y2 = 0;

 private:
  bool settingFields_ = false;
  void Commit(ImageSetContents&& contents, bool append);
  void ShowError(const std::string& text) const;
  void PreviewRefresh(plat::Window* window);
  void PreviewPaint(plat::Window* window);
  void PreviewMouse(plat::Window* window, uintptr_t wParam, intptr_t lParam);
};

// The program: parses the arguments, runs the tool, returns its exit code.
int SheetwrightMain(const std::vector<std::string>& args);
