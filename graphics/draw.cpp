#include "graphics/draw.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "graphics/bitmap.h"
#include "graphics/display.h"

namespace {

const Bitmap* g_background = nullptr;

inline uint8_t* PixelAt(const SurfaceLock& lock, int32_t x, int32_t y) {
  return lock.bits + static_cast<ptrdiff_t>(y) * lock.pitch + static_cast<ptrdiff_t>(x) * lock.bytesPerPixel;
}

// The colour packed as StorePixel packs it, as the bytes to write.
inline uint32_t PackedColour(const PixelFormat& f, uint8_t r, uint8_t g, uint8_t b) {
  return f.Pack(r, g, b) | 0xFF000000u;
}

// start + size (or start - size) kept inside the int32 range, for the
// rectangles of blits at extreme positions (the blits themselves clip).
inline int32_t Edge(int32_t start, int64_t size) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{start} + size, INT32_MIN, INT32_MAX));
}

inline void StoreValue(uint8_t* dst, uint32_t v, int32_t bytes) {
  for (int32_t i = 0; i < bytes && i < 4; ++i) dst[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

void FillRectColour(int32_t x, int32_t y, int32_t height, int32_t width, uint8_t r, uint8_t g, uint8_t b,
                    plat::WindowRect* out) {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const uint32_t v = PackedColour(display.format, r, g, b);
  // Only the part that lies on the buffer is written.
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(int64_t{x} + width, lock.width);
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(int64_t{y} + height, lock.height);
  for (int64_t row = y0; row < y1; ++row) {
    uint8_t* p = PixelAt(lock, static_cast<int32_t>(x0), static_cast<int32_t>(row));
    for (int64_t col = x0; col < x1; ++col, p += lock.bytesPerPixel) StoreValue(p, v, lock.bytesPerPixel);
  }
  if (out) *out = {x, y, Edge(x, width), Edge(y, height)};
  display.Unlock();
}

void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t r, uint8_t g, uint8_t b) {
  Display& display = TheDisplay();
  const uint32_t v = PackedColour(display.format, r, g, b);
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const int64_t dx = int64_t{x2} - x1, dy = int64_t{y2} - y1;
  const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
  const int64_t div = std::max<int64_t>(1, n);
  const int64_t sx = 256 * dx / div, sy = 256 * dy / div;
  int64_t X = 256 * int64_t{x1}, Y = 256 * int64_t{y1};
  for (int64_t i = 0; i < n; ++i, X += sx, Y += sy) {
    if (X >= 0 && Y >= 0 && (X >> 8) < lock.width && (Y >> 8) < lock.height) {
      StoreValue(PixelAt(lock, static_cast<int32_t>(X >> 8), static_cast<int32_t>(Y >> 8)), v, lock.bytesPerPixel);
    }
  }
  display.Unlock();
}

void DrawGlow(int32_t x, int32_t y, int32_t alpha, uint8_t r, uint8_t g, uint8_t b) {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const PixelFormat& f = display.format;
  // The blend reads and writes whole pixels of the format's size; a mode
  // whose depth has no format of its own (15, 33, ...) keeps the previous
  // format, whose pixels may be wider than the buffer's.
  if (f.bpp >> 3 == lock.bytesPerPixel && 1 < x && x < lock.width - 2 && 1 < y && y < lock.height - 2) {
    const int32_t a = alpha, keep = 256 - alpha;
    for (int32_t j = -2; j <= 2; ++j) {
      for (int32_t i = -2; i <= 2; ++i) {
        if (i * i + j * j > 4) continue;
        uint8_t* p = PixelAt(lock, x + i, y + j);
        uint8_t cr = 0, cg = 0, cb = 0;
        f.ReadPixel(p, &cr, &cg, &cb);
        f.StorePixel(p, static_cast<uint8_t>((keep * cr + a * r) >> 8), static_cast<uint8_t>((keep * cg + a * g) >> 8),
                     static_cast<uint8_t>((keep * cb + a * b) >> 8));
      }
    }
  }
  display.Unlock();
}

void BlitImage(const Bitmap* image, int32_t x, int32_t y, plat::WindowRect* out, int32_t key) {
  if (!image) return;
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  // The blit writes the bitmap's own bytes per pixel: another depth than the
  // buffer's would run past the rows.
  if (image->bytesPerPixel == lock.bytesPerPixel) {
    image->Draw(lock.bits, lock.width, lock.height, lock.pitch, x, y, key, 256);
    const int32_t left = Edge(x, -int64_t{image->hotX}), top = Edge(y, -int64_t{image->hotY});
    display.AddDirtyRect(left, top, image->width, image->height);
    if (out) *out = {left, top, Edge(left, image->width), Edge(top, image->height)};
  }
  display.Unlock();
}

namespace {

// The rows of BlitKeyed over the part (srcX, srcY, w, h) of a 16-bit image,
// whose pixel (srcX, srcY) lands on the buffer at (left, top). The part must
// lie on the buffer.
void BlitKeyedPart(const SurfaceLock& lock, const PixelFormat& f, const Bitmap* image, int32_t srcX, int32_t srcY,
                   int32_t w, int32_t h, int32_t left, int32_t top, int32_t mode, const Bitmap* alphaMap) {
  const uint32_t masks[3] = {f.maskR, f.maskG, f.maskB};
  const bool useMap = alphaMap && alphaMap->pixels && alphaMap->width == image->width &&
                      alphaMap->height == image->height;
  const int32_t a = std::clamp(mode, 0, 256);
  for (int32_t row = 0; row < h; ++row) {
    const uint8_t* src = image->pixels + static_cast<ptrdiff_t>(srcY + row) * image->stride;
    uint8_t* dst = PixelAt(lock, left, top + row);
    const uint8_t* map = useMap ? alphaMap->pixels + static_cast<ptrdiff_t>(srcY + row) * alphaMap->stride : nullptr;
    for (int32_t i = 0; i < w; ++i) {
      const int32_t col = srcX + i;
      const uint32_t s = src[2 * col] | src[2 * col + 1] << 8;
      if (s == 0) continue;
      uint8_t* dp = dst + 2 * i;
      const uint32_t d = dp[0] | dp[1] << 8;
      uint32_t result = 0;
      if (mode == kBlitAdditive) {
        for (uint32_t m : masks) result |= std::min(m, (d & m) + (s & m));
      } else if (useMap) {
        const uint32_t m = map[static_cast<ptrdiff_t>(col) * std::max(1, alphaMap->bytesPerPixel)];
        if (m == 0) continue;
        if (m == 255) {
          result = s;
        } else {
          for (uint32_t k : masks) result |= (((d & k) * (256 - m) + m * (s & k)) >> 8) & k;
        }
      } else {
        for (uint32_t k : masks) {
          const int64_t dc = d & k, sc = s & k;
          result |= static_cast<uint32_t>(dc + (((sc - dc) * a) >> 8)) & k;
        }
      }
      dp[0] = static_cast<uint8_t>(result);
      dp[1] = static_cast<uint8_t>(result >> 8);
    }
  }
}

bool KeyedBlitDepths(const Bitmap* image, const SurfaceLock& lock) {
  return image->bpp == 16 && image->pixels && lock.bytesPerPixel == 2;
}

}  // namespace

void BlitKeyed(const Bitmap* image, int32_t x, int32_t y, int32_t mode, const Bitmap* alphaMap, plat::WindowRect* out) {
  if (!image) return;
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const int32_t left = Edge(x, -int64_t{image->hotX}), top = Edge(y, -int64_t{image->hotY});
  const bool inside = left >= 0 && top >= 0 && int64_t{left} + image->width < lock.width &&
                      int64_t{top} + image->height < lock.height;
  if (!inside || !KeyedBlitDepths(image, lock)) {
    display.Unlock();
    return;
  }
  BlitKeyedPart(lock, display.format, image, 0, 0, image->width, image->height, left, top, mode, alphaMap);
  display.AddDirtyRect(left, top, image->width, image->height);
  if (out) *out = {left, top, Edge(left, image->width), Edge(top, image->height)};
  display.Unlock();
}

void BlitKeyedClipped(const Bitmap* image, int32_t x, int32_t y, int32_t mode, const Bitmap* alphaMap,
                      const plat::WindowRect& clip, plat::WindowRect* out) {
  if (out) *out = {0, 0, 0, 0};
  if (!image) return;
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const int64_t left = int64_t{x} - image->hotX, top = int64_t{y} - image->hotY;
  const int64_t x0 = std::max({left, int64_t{clip.left}, int64_t{0}});
  const int64_t y0 = std::max({top, int64_t{clip.top}, int64_t{0}});
  const int64_t x1 = std::min({left + image->width, int64_t{clip.right}, int64_t{lock.width}});
  const int64_t y1 = std::min({top + image->height, int64_t{clip.bottom}, int64_t{lock.height}});
  if (x0 >= x1 || y0 >= y1 || !KeyedBlitDepths(image, lock)) {
    display.Unlock();
    return;
  }
  const int32_t l = static_cast<int32_t>(x0), t = static_cast<int32_t>(y0);
  const int32_t w = static_cast<int32_t>(x1 - x0), h = static_cast<int32_t>(y1 - y0);
  BlitKeyedPart(lock, display.format, image, static_cast<int32_t>(x0 - left), static_cast<int32_t>(y0 - top), w, h, l,
                t, mode, alphaMap);
  display.AddDirtyRect(l, t, w, h);
  if (out) *out = {l, t, l + w, t + h};
  display.Unlock();
}

void SetBackgroundPicture(const Bitmap* picture) { g_background = picture; }
const Bitmap* BackgroundPicture() { return g_background; }

int32_t RestoreBackgroundRect(int32_t x, int32_t y, int32_t w, int32_t h) {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return 0;
  if (g_background && g_background->bytesPerPixel == lock.bytesPerPixel) {
    g_background->DrawPart(lock.bits, lock.width, lock.height, lock.pitch, x, y, x, y, w, h, 0, 256);
  }
  display.AddDirtyRect(x, y, w, h);
  return display.Unlock() ? 1 : 0;
}

int32_t RestoreBackgroundRect(const plat::WindowRect* rect) {
  if (!rect) return 0;
  return RestoreBackgroundRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
}
