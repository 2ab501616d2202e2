#pragma once
// The BMP headers as the game's reader sees them. The read and write calls
// themselves are members of Bitmap (graphics/bitmap.h).
#include <cstddef>
#include <cstdint>

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kBmpInfoHeaderSize = 40;

// The 40-byte information header, plus the three bit-field masks that
// follow it (0 when the data ends first).
struct BmpInfoHeader {
  uint32_t biSize = 0;
  int32_t biWidth = 0;
  int32_t biHeight = 0;
  uint16_t biPlanes = 0;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
};

// Reads the little-endian header at p (size bytes available). False when
// fewer than 40 bytes are there.
bool ParseBmpInfoHeader(const uint8_t* p, size_t size, BmpInfoHeader* out);
// Bytes per stored row (a multiple of 4).
int64_t BmpRowBytes(const BmpInfoHeader& h);
// Null when the game's reader can take the picture, else why not:
// uncompressed (or native bit fields) 8, 16, 24 or 32 bits and a size that
// fits in memory.
const char* CheckBmpLayout(const BmpInfoHeader& h);
