#include "platform/present.h"

#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace plat {

uint32_t PresentPixelRgb(const PresentBuffer& buffer, int32_t x, int32_t y) {
  const uint8_t* p = buffer.bits + static_cast<intptr_t>(y) * buffer.pitch;
  uint32_t r = 0, g = 0, b = 0;
  switch (buffer.bitsPerPixel) {
    case 8: {
      const uint8_t* e = buffer.palette[p[x]];
      r = e[0];
      g = e[1];
      b = e[2];
      break;
    }
    case 16: {
      uint32_t v = p[2 * x] | p[2 * x + 1] << 8;
      r = (v >> 10) & 0x1F;
      g = (v >> 5) & 0x1F;
      b = v & 0x1F;
      r = (r << 3) | (r >> 2);
      g = (g << 3) | (g >> 2);
      b = (b << 3) | (b >> 2);
      break;
    }
    case 24:
      b = p[3 * x];
      g = p[3 * x + 1];
      r = p[3 * x + 2];
      break;
    case 32:
      b = p[4 * x];
      g = p[4 * x + 1];
      r = p[4 * x + 2];
      break;
    default: break;
  }
  return 0xFF000000u | r << 16 | g << 8 | b;
}

namespace {

// 5-5-5 value to 0xFFRRGGBB, for all 32768 values.
const uint32_t* Table555() {
  static const std::vector<uint32_t> table = [] {
    std::vector<uint32_t> t(32768);
    for (uint32_t v = 0; v < 32768; ++v) {
      uint32_t r = (v >> 10) & 0x1F, g = (v >> 5) & 0x1F, b = v & 0x1F;
      r = (r << 3) | (r >> 2);
      g = (g << 3) | (g >> 2);
      b = (b << 3) | (b >> 2);
      t[v] = 0xFF000000u | r << 16 | g << 8 | b;
    }
    return t;
  }();
  return table.data();
}

}  // namespace

void PresentRowRgb(const PresentBuffer& buffer, int32_t y, uint32_t* out) {
  PresentSpanRgb(buffer, 0, y, buffer.width, out);
}

void PresentSpanRgb(const PresentBuffer& buffer, int32_t x0, int32_t y, int32_t w, uint32_t* out) {
  const uint8_t* p = buffer.bits + static_cast<intptr_t>(y) * buffer.pitch +
                     static_cast<intptr_t>(x0) * (buffer.bitsPerPixel / 8);
  int32_t x = 0;
  switch (buffer.bitsPerPixel) {
    case 16: {
#if defined(__SSE2__)
      // Eight pixels at a time; each channel c widened as (c << 3) | (c >> 2)
      // straight from its place in the 5-5-5 word.
      const __m128i zero = _mm_setzero_si128();
      const __m128i opaque = _mm_set1_epi32(static_cast<int32_t>(0xFF000000u));
      const auto widen = [&opaque](__m128i v) {
        const __m128i r = _mm_or_si128(_mm_and_si128(_mm_slli_epi32(v, 9), _mm_set1_epi32(0xF80000)),
                                       _mm_and_si128(_mm_slli_epi32(v, 4), _mm_set1_epi32(0x070000)));
        const __m128i g = _mm_or_si128(_mm_and_si128(_mm_slli_epi32(v, 6), _mm_set1_epi32(0xF800)),
                                       _mm_and_si128(_mm_slli_epi32(v, 1), _mm_set1_epi32(0x0700)));
        const __m128i b = _mm_or_si128(_mm_and_si128(_mm_slli_epi32(v, 3), _mm_set1_epi32(0xF8)),
                                       _mm_and_si128(_mm_srli_epi32(v, 2), _mm_set1_epi32(0x07)));
        return _mm_or_si128(_mm_or_si128(r, g), _mm_or_si128(b, opaque));
      };
      for (; x + 8 <= w; x += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), widen(_mm_unpacklo_epi16(v, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), widen(_mm_unpackhi_epi16(v, zero)));
      }
#endif
      const uint32_t* t = Table555();
      for (; x < w; ++x) out[x] = t[(p[2 * x] | p[2 * x + 1] << 8) & 0x7FFF];
      break;
    }
    case 32:
      for (; x < w; ++x) {
        uint32_t v;
        std::memcpy(&v, p + 4 * x, 4);
        out[x] = v | 0xFF000000u;
      }
      break;
    default:
      for (; x < w; ++x) out[x] = PresentPixelRgb(buffer, x0 + x, y);
      break;
  }
}

}  // namespace plat
