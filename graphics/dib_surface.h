#pragma once
// The software back buffer: two plain memory buffers of the same size and
// depth, top row first. Drawing code writes the drawing buffer (through
// Display::Lock); a present copies the changed rectangles into the
// presentation buffer and then puts the whole presentation buffer into the
// window, letterboxed to the client area.
#include <cstdint>
#include <vector>

#include "platform/window.h"

// Where a buffer of bufferWidth x bufferHeight goes in a client area of
// clientWidth x clientHeight when its aspect is kept: the largest rectangle
// of the buffer's aspect that fits, centred (integer halves). Presenting
// and the mouse mapping both use these numbers.
struct LetterboxFit {
  int32_t fitWidth = 0;
  int32_t fitHeight = 0;
  int32_t offsetX = 0;
  int32_t offsetY = 0;
};
LetterboxFit ComputeLetterboxFit(int32_t clientWidth, int32_t clientHeight, int32_t bufferWidth, int32_t bufferHeight);

// The black bars around a fit: left/right or top/bottom. The right and
// bottom bars reach from the end of the fit to the client's edge, so an odd
// leftover column or row is painted too. Returns the number of bars (0..4).
int LetterboxBars(int32_t clientWidth, int32_t clientHeight, const LetterboxFit& fit, plat::WindowRect bars[4]);

class DibSurface {
 public:
  DibSurface();
  ~DibSurface();
  DibSurface(const DibSurface&) = delete;
  DibSurface& operator=(const DibSurface&) = delete;

  // Frees the buffers first. Depths: bpp & ~7 from 8 to 24, or 32..39
  // (kept as 32); width and height > 0. False when refused or out of memory.
  bool CreateBuffers(plat::Window* window, int32_t width, int32_t height, int32_t bpp);
  void FreeBuffers();

  // Each 0 (null) while the surface has no buffers.
  int32_t BitsPerPixel() const { return Valid() ? bitsPerPixel : 0; }
  int32_t Pitch() const { return Valid() ? pitch : 0; }
  uint8_t* Bits() { return Valid() ? drawBits.data() : nullptr; }
  int32_t Width() const { return Valid() ? width : 0; }
  int32_t Height() const { return Valid() ? height : 0; }
  bool Valid() const { return !drawBits.empty(); }

  // Only while valid: keeps red, green and blue of each entry as the colour
  // table of both buffers (used when an 8-bit buffer is presented).
  void SetColourTable(const uint8_t rgbx[256][4]);
  // Nothing to do: the palette is applied at present time.
  void RealizePalette() {}

  // Starts a present: the drawing buffer's bits, null when there is nothing
  // to present.
  uint8_t* BeginPresent();
  // Copies a w x h rectangle of the drawing buffer into the presentation
  // buffer (clipped to both).
  void CopyRect(int32_t xDst, int32_t yDst, int32_t xSrc, int32_t ySrc, int32_t w, int32_t h);
  // The same, nearest-neighbour scaled from the source rectangle onto the
  // destination rectangle (clipped to the presentation buffer).
  void StretchRect(int32_t xDst, int32_t yDst, int32_t wDst, int32_t hDst, int32_t xSrc, int32_t ySrc, int32_t wSrc,
                   int32_t hSrc);
  // Puts the presentation buffer into the window (letterboxed), telling it
  // which rectangles the copies since BeginPresent changed.
  bool EndPresent();
  // Puts the whole presentation buffer into the window (letterboxed).
  bool PresentLetterboxed();

  // The presentation buffer (what the window last got or is about to get).
  const uint8_t* PresentBits() const { return Valid() ? presentBits.data() : nullptr; }

  int32_t pitch = 0;
  int32_t bitsPerPixel = 0;
  plat::Window* window = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> drawBits;
  std::vector<uint8_t> presentBits;
  uint8_t colourTable[256][4] = {};
  // Presentation-buffer rectangles changed since BeginPresent.
  std::vector<plat::WindowRect> changed;
  bool tracking = false;
  // New buffers or colours: the next present sends everything.
  bool allChanged = true;

 private:
  bool Send(bool onlyChanged);
};
