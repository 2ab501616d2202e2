#pragma once
// How red, green and blue are packed into one pixel of a given depth. The
// display keeps one of these for its back buffer; uploads and blends use one
// made for the depth at hand.
#include <cstdint>
#include <cstring>

struct PixelFormat {
  int32_t bpp = 0;
  uint32_t maskR = 0;
  int32_t bitsR = 0;
  int32_t shiftR = 0;
  int32_t lossR = 8;
  uint32_t maskG = 0;
  int32_t bitsG = 0;
  int32_t shiftG = 0;
  int32_t lossG = 8;
  uint32_t maskB = 0;
  int32_t bitsB = 0;
  int32_t shiftB = 0;
  int32_t lossB = 8;

  // Stores the depth and the three masks and derives shift, run length and
  // loss of each channel. A zero mask gives shift 0, bits 0, loss 8.
  void Set(int32_t depth, uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    bpp = depth;
    SetChannel(redMask, &maskR, &bitsR, &shiftR, &lossR);
    SetChannel(greenMask, &maskG, &bitsG, &shiftG, &lossG);
    SetChannel(blueMask, &maskB, &bitsB, &shiftB, &lossB);
  }

  // 15 and 16: 5-5-5; 24 and 32: 8-8-8; anything else: no channels.
  void SetForDepth(int32_t depth) {
    if (depth == 15 || depth == 16) {
      Set(16, 0x7C00, 0x3E0, 0x1F);
    } else if (depth == 24 || depth == 32) {
      Set(depth, 0xFF0000, 0xFF00, 0xFF);
    } else {
      Set(depth, 0, 0, 0);
    }
  }

  // Packs 8-bit channel values into this layout (no alpha added).
  uint32_t Pack(uint32_t r, uint32_t g, uint32_t b) const {
    return ((r & 0xFF) >> lossR) << shiftR | ((g & 0xFF) >> lossG) << shiftG | ((b & 0xFF) >> lossB) << shiftB;
  }

  // Packs `count` palette entries of 4 bytes (r, g, b, unused) into 16-bit
  // pixels. Returns the number packed; 0 for null pointers or count < 0.
  int32_t PackColours16(uint16_t* out, const uint8_t* rgbx, int32_t count) const {
    if (!out || !rgbx || count < 0) return 0;
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* e = rgbx + 4 * i;
      out[i] = static_cast<uint16_t>(Pack(e[0], e[1], e[2]));
    }
    return count;
  }

  // The same into 32-bit values, each with 0xFF000000 added.
  int32_t PackColours32(uint32_t* out, const uint8_t* rgbx, int32_t count) const {
    if (!out || !rgbx || count < 0) return 0;
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t* e = rgbx + 4 * i;
      out[i] = Pack(e[0], e[1], e[2]) + 0xFF000000u;
    }
    return count;
  }

  // Packs a colour (with 0xFF000000 added) and stores the low bpp / 8 bytes
  // of it at dst, lowest byte first.
  void StorePixel(uint8_t* dst, uint8_t r, uint8_t g, uint8_t b) const {
    uint32_t v = Pack(r, g, b) | 0xFF000000u;
    int n = bpp >> 3;
    for (int i = 0; i < n && i < 4; ++i) dst[i] = static_cast<uint8_t>(v >> (8 * i));
  }

  // Splits a packed value into 8-bit channels.
  void UnpackPixel(uint32_t v, uint8_t* r, uint8_t* g, uint8_t* b) const {
    *r = static_cast<uint8_t>(((v & maskR) >> shiftR) << lossR);
    *g = static_cast<uint8_t>(((v & maskG) >> shiftG) << lossG);
    *b = static_cast<uint8_t>(((v & maskB) >> shiftB) << lossB);
  }

  // Reads one pixel of this depth at src and splits it; other depths leave
  // the outputs unchanged.
  void ReadPixel(const uint8_t* src, uint8_t* r, uint8_t* g, uint8_t* b) const {
    uint32_t v;
    switch (bpp) {
      case 8: v = src[0]; break;
      case 16: v = src[0] | src[1] << 8; break;
      case 24: v = src[0] | src[1] << 8 | src[2] << 16; break;
      case 32: v = src[0] | src[1] << 8 | src[2] << 16 | static_cast<uint32_t>(src[3]) << 24; break;
      default: return;
    }
    UnpackPixel(v, r, g, b);
  }

 private:
  static void SetChannel(uint32_t mask, uint32_t* m, int32_t* bits, int32_t* shift, int32_t* loss) {
    *m = mask;
    int32_t s = 0;
    int32_t n = 0;
    if (mask) {
      while (!(mask & (1u << s))) ++s;
      while (s + n < 32 && (mask & (1u << (s + n)))) ++n;
    }
    *shift = s;
    *bits = n;
    *loss = 8 - n;
  }
};
