// Putting bitmaps into a raw destination of the same depth: clipping and the
// hot spot, opaque and keyed copies, blends with a global alpha, and 8-bit
// pictures expanded to 32 bits through a table. Keyed copies and blends have
// an SSE2 row loop beside the per-pixel one, with the same results.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/bitmap.h"
#include "graphics/blit.h"

bool Bitmap::Draw(uint8_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstPitch, int32_t x, int32_t y,
                  int32_t keyed, int32_t alpha) const {
  return DrawPart(dst, dstWidth, dstHeight, dstPitch, x, y, 0, 0, width, height, keyed, alpha);
}

bool Bitmap::DrawPart(uint8_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstPitch, int32_t x, int32_t y,
                      int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, int32_t keyed,
                      int32_t alpha) const {
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
    CopyTo(start, dstPitch, static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(w),
           static_cast<int32_t>(h), keyed);
  } else {
    BlendTo(start, dstPitch, static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(w),
            static_cast<int32_t>(h), keyed, alpha);
  }
  return true;
}

namespace {

bool scalarOnly = false;

// --- The per-pixel loops: what every path must produce, and the path for
// whatever the vector loops below do not take.

void KeyRow8(uint8_t* out, const uint8_t* src, int32_t w) {
  for (int32_t i = 0; i < w; ++i)
    if (src[i]) out[i] = src[i];
}

void KeyRow16(uint8_t* out, const uint8_t* src, int32_t w) {
  for (int32_t i = 0; i < w; ++i) {
    uint16_t v;
    std::memcpy(&v, src + 2 * i, 2);
    if (v) std::memcpy(out + 2 * i, &v, 2);
  }
}

void KeyRow32(uint8_t* out, const uint8_t* src, int32_t w) {
  for (int32_t i = 0; i < w; ++i) {
    uint32_t v;
    std::memcpy(&v, src + 4 * i, 4);
    if (v) std::memcpy(out + 4 * i, &v, 4);
  }
}

inline uint32_t BlendChannel(uint32_t s, uint32_t d, int32_t alpha) {
  int32_t diff = static_cast<int32_t>(s) - static_cast<int32_t>(d);
  // The product is shifted arithmetically, rounding toward minus infinity.
  return static_cast<uint32_t>(static_cast<int32_t>(d) + ((diff * alpha) >> 8)) & 0xFF;
}

// 5-5-5: each channel widened to 8 bits, blended, narrowed again; bit 15 of
// a drawn pixel becomes 0. Keyed: a source with no colour bits is skipped.
void BlendRow16(uint8_t* out, const uint8_t* src, int32_t w, int32_t keyed, int32_t alpha) {
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

// 8-8-8 in 3 or 4 bytes: blue, green and red blended; a 4-byte pixel that is
// drawn gets alpha 0xFF. Keyed: a source with black colour bytes is skipped.
void BlendRowBytes(uint8_t* out, const uint8_t* src, int32_t w, int n, int32_t keyed, int32_t alpha) {
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

#if defined(__SSE2__)
// --- SSE2 (every x86-64 has it). Rows of any alignment and width: the
// vector loop takes whole 16-byte groups, the per-pixel loop the rest.
//
// For 0 <= alpha <= 255 the blend d + ((s - d) * alpha >> 8) with the shift
// rounding down equals (d * (256 - alpha) + s * alpha) >> 8, whose terms are
// never negative and whose sum stays below 65536: 16-bit lanes hold it
// exactly, for 8-bit channels and for the 5-bit ones of 5-5-5 (where the
// widening by 3 bits and the narrowing afterwards cancel out).

void KeyRow8Sse2(uint8_t* out, const uint8_t* src, int32_t w) {
  const __m128i zero = _mm_setzero_si128();
  int32_t i = 0;
  for (; i + 16 <= w; i += 16) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i));
    const __m128i clear = _mm_cmpeq_epi8(s, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, s)));
  }
  KeyRow8(out + i, src + i, w - i);
}

void KeyRow16Sse2(uint8_t* out, const uint8_t* src, int32_t w) {
  const __m128i zero = _mm_setzero_si128();
  int32_t i = 0;
  for (; i + 8 <= w; i += 8) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 2 * i));
    const __m128i clear = _mm_cmpeq_epi16(s, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i),
                     _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, s)));
  }
  KeyRow16(out + 2 * i, src + 2 * i, w - i);
}

void KeyRow32Sse2(uint8_t* out, const uint8_t* src, int32_t w) {
  const __m128i zero = _mm_setzero_si128();
  int32_t i = 0;
  for (; i + 4 <= w; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 4 * i));
    const __m128i clear = _mm_cmpeq_epi32(s, zero);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                     _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, s)));
  }
  KeyRow32(out + 4 * i, src + 4 * i, w - i);
}

// (d * (256 - alpha) + s * alpha) >> 8 in 16-bit lanes.
inline __m128i Mix16(__m128i s, __m128i d, __m128i a, __m128i inverse) {
  return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(d, inverse), _mm_mullo_epi16(s, a)), 8);
}

void BlendRow16Sse2(uint8_t* out, const uint8_t* src, int32_t w, int32_t keyed, int32_t alpha) {
  const __m128i a = _mm_set1_epi16(static_cast<int16_t>(alpha));
  const __m128i inverse = _mm_set1_epi16(static_cast<int16_t>(256 - alpha));
  const __m128i five = _mm_set1_epi16(0x1F);
  const __m128i colour = _mm_set1_epi16(0x7FFF);
  const __m128i zero = _mm_setzero_si128();
  int32_t i = 0;
  for (; i + 8 <= w; i += 8) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 2 * i));
    const __m128i b = Mix16(_mm_and_si128(s, five), _mm_and_si128(d, five), a, inverse);
    const __m128i g = Mix16(_mm_and_si128(_mm_srli_epi16(s, 5), five), _mm_and_si128(_mm_srli_epi16(d, 5), five), a,
                            inverse);
    const __m128i r = Mix16(_mm_and_si128(_mm_srli_epi16(s, 10), five), _mm_and_si128(_mm_srli_epi16(d, 10), five), a,
                            inverse);
    __m128i v = _mm_or_si128(_mm_or_si128(b, _mm_slli_epi16(g, 5)), _mm_slli_epi16(r, 10));
    if (keyed) {
      const __m128i clear = _mm_cmpeq_epi16(_mm_and_si128(s, colour), zero);
      v = _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, v));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), v);
  }
  BlendRow16(out + 2 * i, src + 2 * i, w - i, keyed, alpha);
}

// Sixteen bytes, each blended as a channel.
inline __m128i MixBytes(__m128i s, __m128i d, __m128i a, __m128i inverse) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lo = Mix16(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), a, inverse);
  const __m128i hi = Mix16(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), a, inverse);
  return _mm_packus_epi16(lo, hi);
}

void BlendRow32Sse2(uint8_t* out, const uint8_t* src, int32_t w, int32_t keyed, int32_t alpha) {
  const __m128i a = _mm_set1_epi16(static_cast<int16_t>(alpha));
  const __m128i inverse = _mm_set1_epi16(static_cast<int16_t>(256 - alpha));
  const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
  const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
  const __m128i zero = _mm_setzero_si128();
  int32_t i = 0;
  for (; i + 4 <= w; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 4 * i));
    __m128i v = _mm_or_si128(MixBytes(s, d, a, inverse), opaque);
    if (keyed) {
      const __m128i clear = _mm_cmpeq_epi32(_mm_and_si128(s, colour), zero);
      v = _mm_or_si128(_mm_and_si128(clear, d), _mm_andnot_si128(clear, v));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), v);
  }
  BlendRowBytes(out + 4 * i, src + 4 * i, w - i, 4, keyed, alpha);
}

// 24 bits without the key: every byte is a channel, so the row is blended
// as a run of bytes, 48 (16 pixels) at a time.
void BlendRow24Sse2(uint8_t* out, const uint8_t* src, int32_t w, int32_t alpha) {
  const __m128i a = _mm_set1_epi16(static_cast<int16_t>(alpha));
  const __m128i inverse = _mm_set1_epi16(static_cast<int16_t>(256 - alpha));
  const int64_t bytes = int64_t{w} * 3;
  int64_t i = 0;
  for (; i + 48 <= bytes; i += 48) {
    for (int k = 0; k < 48; k += 16) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i + k));
      const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i + k));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + k), MixBytes(s, d, a, inverse));
    }
  }
  BlendRowBytes(out + i, src + i, static_cast<int32_t>((bytes - i) / 3), 3, 0, alpha);
}
#endif

}  // namespace

void SetScalarBlits(bool on) { scalarOnly = on; }
bool ScalarBlits() { return scalarOnly; }

bool Bitmap::CopyTo(uint8_t* dstRowStart, int32_t dstPitch, int32_t srcX, int32_t srcY, int32_t w, int32_t h,
                    int32_t keyed) const {
  if (!pixels || !dstRowStart || w <= 0 || h <= 0 || srcX < 0 || srcY < 0) return false;
  h = std::min(h, height - srcY);
  w = std::min(w, width - srcX);
  if (w <= 0 || h <= 0) return false;
  const uint8_t* src = pixels + static_cast<size_t>(stride) * srcY + static_cast<size_t>(srcX) * bytesPerPixel;
  uint8_t* out = dstRowStart;
  if (!keyed || bpp == 24) {
    size_t rowBytes = static_cast<size_t>(w) * bytesPerPixel;
    for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) std::memcpy(out, src, rowBytes);
    return true;
  }
  void (*rowCopy)(uint8_t*, const uint8_t*, int32_t) = nullptr;
  switch (bpp) {
    case 8: rowCopy = KeyRow8; break;
    case 16: rowCopy = KeyRow16; break;
    case 32: rowCopy = KeyRow32; break;
    default: return false;
  }
#if defined(__SSE2__)
  if (!scalarOnly) {
    switch (bpp) {
      case 8: rowCopy = KeyRow8Sse2; break;
      case 16: rowCopy = KeyRow16Sse2; break;
      default: rowCopy = KeyRow32Sse2; break;
    }
  }
#endif
  for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) rowCopy(out, src, w);
  return true;
}

bool Bitmap::BlendTo(uint8_t* dstRowStart, int32_t dstPitch, int32_t srcX, int32_t srcY, int32_t w, int32_t h,
                     int32_t keyed, int32_t alpha) const {
  if (bpp == 8) return false;
  if (!pixels || !dstRowStart || w <= 0 || h <= 0 || srcX < 0 || srcY < 0) return false;
  h = std::min(h, height - srcY);
  w = std::min(w, width - srcX);
  if (w <= 0 || h <= 0) return false;
  if (bpp != 16 && bpp != 24 && bpp != 32) return false;
  // The layouts are fixed by depth: 5-5-5 at 16 bits, 8-8-8 at 24 and 32.
  const int n = bytesPerPixel;
  const uint8_t* src = pixels + static_cast<size_t>(stride) * srcY + static_cast<size_t>(srcX) * n;
  uint8_t* out = dstRowStart;
#if defined(__SSE2__)
  // The vector loops hold the blend exactly for alpha 0..255 only.
  if (!scalarOnly && alpha >= 0 && alpha <= 255 && !(bpp == 24 && keyed)) {
    for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) {
      switch (bpp) {
        case 16: BlendRow16Sse2(out, src, w, keyed, alpha); break;
        case 24: BlendRow24Sse2(out, src, w, alpha); break;
        default: BlendRow32Sse2(out, src, w, keyed, alpha); break;
      }
    }
    return true;
  }
#endif
  for (int32_t row = 0; row < h; ++row, src += stride, out += dstPitch) {
    if (bpp == 16)
      BlendRow16(out, src, w, keyed, alpha);
    else
      BlendRowBytes(out, src, w, n, keyed, alpha);
  }
  return true;
}

bool Bitmap::DrawIndexedTo32(uint32_t* dst, int32_t dstPitch, int32_t srcX, int32_t srcY, int32_t w, int32_t h,
                             const uint32_t* table) const {
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
    out[i] = alpha << 24 | static_cast<uint32_t>(rgbx[i][0]) << 16 | static_cast<uint32_t>(rgbx[i][1]) << 8 |
             rgbx[i][2];
}

void PaletteToRGB32(uint32_t out[256], const uint8_t rgbx[256][4], uint32_t alpha) {
  if (!out || !rgbx) return;
  for (int i = 0; i < 256; ++i)
    out[i] = alpha << 24 | static_cast<uint32_t>(rgbx[i][2]) << 16 | static_cast<uint32_t>(rgbx[i][1]) << 8 |
             rgbx[i][0];
}
