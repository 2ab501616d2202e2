#pragma once
// What a window is given to show: a finished buffer in one of the back
// buffer's layouts, top row first.
#include <cstdint>

#include "platform/window_placement.h"

namespace plat {

struct PresentBuffer {
  const uint8_t* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;         // bytes per row
  int32_t bitsPerPixel = 0;  // 8 (palette indices), 16 (5-5-5), 24 (B, G, R bytes), 32 (0xAARRGGBB; alpha ignored)
  // 8 bits only: 256 entries of red, green, blue, unused.
  const uint8_t (*palette)[4] = nullptr;
  // The rectangles (buffer coordinates) that changed since this buffer was
  // last presented to the window; null: everything may have changed. A
  // window may send only these when what it shows came from this buffer.
  const WindowRect* changed = nullptr;
  int32_t changedCount = 0;

  bool Usable() const {
    if (!bits || width <= 0 || height <= 0) return false;
    if (bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    if (bitsPerPixel == 8 && !palette) return false;
    return pitch >= width * (bitsPerPixel / 8);
  }
};

// Colour of one buffer pixel as 0xFFRRGGBB (5-bit channels widened as
// (c << 3) | (c >> 2)). The caller keeps x, y inside the buffer.
uint32_t PresentPixelRgb(const PresentBuffer& buffer, int32_t x, int32_t y);
// The same for the whole row y (width values); the buffer must be usable.
void PresentRowRgb(const PresentBuffer& buffer, int32_t y, uint32_t* out);
// The same for w pixels of row y from column x (all inside the buffer).
void PresentSpanRgb(const PresentBuffer& buffer, int32_t x, int32_t y, int32_t w, uint32_t* out);

// Nearest-neighbour mapping of the buffer onto a target of targetWidth x
// targetHeight: target column tx shows buffer column tx * width / targetWidth
// (likewise rows). Shared by the back ends that scale in software.
inline int32_t NearestSource(int32_t t, int32_t sourceSize, int32_t targetSize) {
  return static_cast<int32_t>(static_cast<int64_t>(t) * sourceSize / targetSize);
}

}  // namespace plat
