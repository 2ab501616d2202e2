// Putting bitmaps into a raw destination of the same depth: clipping and the
// hot spot, opaque and keyed copies, blends with a global alpha, and 8-bit
// pictures expanded to 32 bits through a table.
#include <algorithm>
#include <cstring>

#include "graphics/bitmap.h"
#include "graphics/blit.h"

bool Bitmap::Draw(uint8_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstPitch, int32_t x,
                  int32_t y, int32_t keyed, int32_t alpha) const {
  return DrawPart(dst, dstWidth, dstHeight, dstPitch, x, y, 0, 0, width, height, keyed, alpha);
}

bool Bitmap::DrawPart(uint8_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstPitch,
                      int32_t x, int32_t y, int32_t srcX, int32_t srcY, int32_t srcWidth,
                      int32_t srcHeight, int32_t keyed, int32_t alpha) const {
  if (!pixels || !dst || dstWidth <= 0 || dstHeight <= 0) return false;
  // 64-bit arithmetic so that extreme positions cannot overflow.
  int64_t sx = srcX, sy = srcY;
  int64_t h = std::min<int64_t>(std::max(srcHeight, 0), int64_t{height} - sy);
  int64_t w = std::min<int64_t>(std::max(srcWidth, 0), int64_t{width} - sx);
  int64_t dx = int64_t{x} - hotX;
  int64_t dy = int64_t{y} - hotY;
  if (sx < 0) {
    dx -= sx;
    w += sx;
    sx = 0;
  }
  if (sy < 0) {
    dy -= sy;
    h += sy;
    sy = 0;
  }
  if (dx < 0) {
    w += dx;
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    h += dy;
    sy -= dy;
    dy = 0;
  }
  w = std::min<int64_t>(w, dstWidth - dx);
  h = std::min<int64_t>(h, dstHeight - dy);
  if (w <= 0 || h <= 0 || dx >= dstWidth || dy >= dstHeight) return true;
  uint8_t* start = dst + static_cast<ptrdiff_t>(dstPitch) * dy + dx * bytesPerPixel;
  if (alpha >= 256) {
    CopyTo(start, dstPitch, static_cast<int32_t>(sx), static_cast<int32_t>(sy),
           static_cast<int32_t>(w), static_cast<int32_t>(h), keyed);
  } else {
    BlendTo(start, dstPitch, static_cast<int32_t>(sx), static_cast<int32_t>(sy),
            static_cast<int32_t>(w), static_cast<int32_t>(h), keyed, alpha);
  }
  return true;
}

bool Bitmap::CopyTo(uint8_t* dstRowStart, int32_t dstPitch, int32_t srcX, int32_t srcY,
                    int32_t w, int32_t h, int32_t keyed) const {
  if (!pixels || !dstRowStart || w <= 0 || h <= 0 || srcX < 0 || srcY < 0) return false;
  h = std::min(h, height - srcY);
  w = std::min(w, width - srcX);
  if (w <= 0 || h <= 0) return false;
  const uint8_t* src = pixels + static_cast<size_t>(stride) * srcY + static_cast<size_t>(srcX) * bytesPerPixel;
  uint8_t* out = dstRowStart;
  if (!keyed || bpp == 24) {
    size_t rowBytes = static_cast<size_t>(w) * bytesPerPixel;
    for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch)
      std::memcpy(out, src, rowBytes);
    return true;
  }
  switch (bpp) {
    case 8:
      for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch)
        for (int32_t i = 0; i < w; ++i)
          if (src[i]) out[i] = src[i];
      break;
    case 16:
      for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) {
        for (int32_t i = 0; i < w; ++i) {
          uint16_t v;
          std::memcpy(&v, src + 2 * i, 2);
          if (v) std::memcpy(out + 2 * i, &v, 2);
        }
      }
      break;
    case 32:
      for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) {
        for (int32_t i = 0; i < w; ++i) {
          uint32_t v;
          std::memcpy(&v, src + 4 * i, 4);
          if (v) std::memcpy(out + 4 * i, &v, 4);
        }
      }
      break;
    default: return false;
  }
  return true;
}

namespace {

inline uint32_t BlendChannel(uint32_t s, uint32_t d, int32_t alpha) {
  int32_t diff = static_cast<int32_t>(s) - static_cast<int32_t>(d);
  // The product is shifted arithmetically, rounding toward minus infinity.
  return static_cast<uint32_t>(static_cast<int32_t>(d) + ((diff * alpha) >> 8)) & 0xFF;
}

}  // namespace

bool Bitmap::BlendTo(uint8_t* dstRowStart, int32_t dstPitch, int32_t srcX, int32_t srcY,
                     int32_t w, int32_t h, int32_t keyed, int32_t alpha) const {
  if (bpp == 8) return false;
  if (!pixels || !dstRowStart || w <= 0 || h <= 0 || srcX < 0 || srcY < 0) return false;
  h = std::min(h, height - srcY);
  w = std::min(w, width - srcX);
  if (w <= 0 || h <= 0) return false;
  // The layouts are fixed by depth: 5-5-5 at 16 bits, 8-8-8 at 24 and 32.
  const int n = bytesPerPixel;
  const uint8_t* src = pixels + static_cast<size_t>(stride) * srcY + static_cast<size_t>(srcX) * n;
  uint8_t* out = dstRowStart;
  if (bpp == 16) {
    for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) {
      for (int32_t i = 0; i < w; ++i) {
        uint32_t sv = static_cast<uint32_t>(src[2 * i] | src[2 * i + 1] << 8);
        uint32_t sr = ((sv & 0x7C00) >> 10) << 3, sg = ((sv & 0x3E0) >> 5) << 3, sb = (sv & 0x1F) << 3;
        if (keyed && sr == 0 && sg == 0 && sb == 0) continue;
        uint32_t dv = static_cast<uint32_t>(out[2 * i] | out[2 * i + 1] << 8);
        uint32_t dr = ((dv & 0x7C00) >> 10) << 3, dg = ((dv & 0x3E0) >> 5) << 3, db = (dv & 0x1F) << 3;
        uint32_t v = (BlendChannel(sr, dr, alpha) >> 3) << 10 | (BlendChannel(sg, dg, alpha) >> 3) << 5 |
                     (BlendChannel(sb, db, alpha) >> 3);
        out[2 * i] = static_cast<uint8_t>(v);
        out[2 * i + 1] = static_cast<uint8_t>(v >> 8);
      }
    }
  } else if (bpp == 24 || bpp == 32) {
    for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) {
      const uint8_t* s = src;
      uint8_t* d = out;
      for (int32_t i = 0; i < w; ++i, s += n, d += n) {
        if (keyed && s[0] == 0 && s[1] == 0 && s[2] == 0) continue;
        d[0] = static_cast<uint8_t>(BlendChannel(s[0], d[0], alpha));
        d[1] = static_cast<uint8_t>(BlendChannel(s[1], d[1], alpha));
        d[2] = static_cast<uint8_t>(BlendChannel(s[2], d[2], alpha));
        if (n == 4) d[3] = 0xFF;  // the packed result carries 0xFF000000
      }
    }
  } else {
    return false;
  }
  return true;
}

bool Bitmap::DrawIndexedTo32(uint32_t* dst, int32_t dstPitch, int32_t srcX, int32_t srcY,
                             int32_t w, int32_t h, const uint32_t* table) const {
  uint32_t own[256];
  if (!table) {
    if (!palette) return false;
    BuildArgbTable(own, reinterpret_cast<const uint8_t(*)[4]>(palette), 0);
    table = own;
  }
  if (bpp != 8 || !pixels || !dst || w <= 0 || h <= 0 || srcX < 0 || srcY < 0) return false;
  if (int64_t{srcX} + w > width || int64_t{srcY} + h > height) return false;
  const uint8_t* src = pixels + static_cast<size_t>(stride) * srcY + srcX;
  uint8_t* out = reinterpret_cast<uint8_t*>(dst);
  const ptrdiff_t step = dstPitch & ~3;
  for (int32_t row = 0; row < h; ++row, src += stride, out += step) {
    uint32_t* o = reinterpret_cast<uint32_t*>(out);
    for (int32_t i = 0; i < w; ++i) o[i] = table[src[i]];
  }
  return true;
}

void BuildArgbTable(uint32_t out[256], const uint8_t rgbx[256][4], uint32_t alpha) {
  if (!out || !rgbx) return;
  for (int i = 0; i < 256; ++i)
    out[i] = alpha << 24 | static_cast<uint32_t>(rgbx[i][0]) << 16 |
             static_cast<uint32_t>(rgbx[i][1]) << 8 | rgbx[i][2];
}

void PaletteToRGB32(uint32_t out[256], const uint8_t rgbx[256][4], uint32_t alpha) {
  if (!out || !rgbx) return;
  for (int i = 0; i < 256; ++i)
    out[i] = alpha << 24 | static_cast<uint32_t>(rgbx[i][2]) << 16 |
             static_cast<uint32_t>(rgbx[i][1]) << 8 | rgbx[i][0];
}
