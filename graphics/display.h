#pragma once
// The program's one output window with its software back buffer: window
// and full-screen modes, sizing and placement, the 8-bit palette, locking
// the back buffer, the dirty-rectangle list and presenting.
//
// The window comes from the program's window system (plat::GetWindowSystem),
// so the display works the same over SDL, Qt or the in-memory test back end.
#include <cstdint>
#include <string>

#include "graphics/dib_surface.h"
#include "graphics/pixel_format.h"
#include "platform/window.h"

// What drawing code gets from Display::Lock; valid until the matching Unlock.
struct SurfaceLock {
  int32_t bytesPerPixel = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  uint8_t* bits = nullptr;  // top row first
};

// What Display::CreateMainWindow registered for its window.
struct WindowClassInfo {
  std::string className;
  plat::WindowProc proc;
  int32_t iconId = 0;
};

// Present flags.
enum : int32_t {
  kPresentScaleToClient = 1,  // scale the rectangles to the client area
  kPresentDirtyOnly = 2,      // copy only the dirty rectangles
};

constexpr int32_t kMaxDirtyRects = 500;

class Display {
 public:
  Display();
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  // --- Window side. Results: 1 success, 0 refused or failed.
  // `instance` is accepted for the callers' sake and not used.
  int32_t CreateMainWindow(int32_t width, int32_t height, const char* className, void* instance,
                           plat::Window** outWindow, plat::WindowProc proc, int32_t iconId, bool sizable);
  int32_t SetVideoMode(int32_t width, int32_t height, int32_t bpp, bool fullScreen, PixelFormat* out);
  int32_t SetMode(int32_t width, int32_t height, int32_t bpp);
  int32_t SizeWindow(int32_t clientWidth, int32_t clientHeight);
  int32_t MoveWindowTo(int32_t x, int32_t y);
  // Returns the previous setting.
  int32_t SetCentreWindow(bool centre);
  // The mode the next CreateMainWindow opens its window in, so that a
  // SetVideoMode to full screen that follows finds the window already in
  // that mode instead of switching a shown window (a slow round trip with
  // the window manager). Returns the previous setting; 0 at construction.
  int32_t SetOpenFullScreen(bool full);
  int32_t SetPalette(const uint8_t rgbx[256][4]);
  int32_t GetPalette(uint8_t out[256][4]) const;
  int32_t RealizePalette();
  int32_t FreeBuffers();
  int32_t Close(bool destroyWindow);
  void Shutdown();

  // --- Buffer side.
  bool Lock(SurfaceLock* out);
  bool Unlock();
  // False when kMaxDirtyRects are listed; the refusal sets dirtyOverflow,
  // which makes the next Present present the whole buffer.
  bool AddDirtyRect(int32_t x, int32_t y, int32_t w, int32_t h);
  bool AddDirtyRect(const plat::WindowRect* rect);
  void ClearDirtyRects() { dirtyCount = 0; }
  // Flags: kPresentScaleToClient, kPresentDirtyOnly. 0 while locked (the
  // list is kept); 0 without a window or without buffers (the list then
  // holds the whole buffer, so the next present shows everything); else 1
  // with the list emptied.
  int32_t Present(int32_t flags);
  // Buffer position to client coordinates, clamped to 0..client right
  // (bottom).
  void BufferToClient(int32_t* x, int32_t* y) const;
  // Client position (mouse) to buffer coordinates, clamped to
  // 0..width - 1 and 0..height - 1.
  void ClientToBuffer(int32_t* x, int32_t* y) const;

  // The fit of the buffer in the window's current client area.
  LetterboxFit CurrentFit() const;

  int32_t fullScreen = 0;
  int32_t sizable = 1;
  WindowClassInfo windowClass;
  plat::Window* window = nullptr;
  DibSurface surface;
  uint8_t palette[256][4] = {};
  PixelFormat format;
  // Lock block.
  int32_t bytesPerPixel = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  uint8_t* bits = nullptr;
  int32_t lockCount = 0;
  // Window geometry.
  int32_t windowX = 0;
  int32_t windowY = 0;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  int32_t outerWidth = 0;
  int32_t outerHeight = 0;
  int32_t centreWindow = 1;
  int32_t openFullScreen = 0;
  plat::WindowRect dirty[kMaxDirtyRects] = {};
  int32_t dirtyCount = 0;
  // A rectangle was refused since the last present: present everything.
  int32_t dirtyOverflow = 0;
  // Presents that reached the window since construction.
  uint32_t presentCount = 0;
};

// Resizes any window so that its client area becomes width x height,
// keeping its position. Null window: 0.
int32_t SetWindowClientSize(plat::Window* window, int32_t width, int32_t height);
// Moves any window to x, y keeping its size. Null window: 0.
int32_t PlaceWindow(plat::Window* window, int32_t x, int32_t y);

// The program's display, used by the drawing primitives.
Display& TheDisplay();
