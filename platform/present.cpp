#include "platform/present.h"

#include <vector>

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
    default:
      break;
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
  const uint8_t* p = buffer.bits + static_cast<intptr_t>(y) * buffer.pitch;
  const int32_t w = buffer.width;
  switch (buffer.bitsPerPixel) {
    case 16: {
      const uint32_t* t = Table555();
      for (int32_t x = 0; x < w; ++x) out[x] = t[(p[2 * x] | p[2 * x + 1] << 8) & 0x7FFF];
      break;
    }
    case 32:
      for (int32_t x = 0; x < w; ++x) out[x] = 0xFF000000u | p[4 * x + 2] << 16 | p[4 * x + 1] << 8 | p[4 * x];
      break;
    default:
      for (int32_t x = 0; x < w; ++x) out[x] = PresentPixelRgb(buffer, x, y);
      break;
  }
}

}  // namespace plat
