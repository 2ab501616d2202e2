// The game's own BMP reader and writer: uncompressed 8-, 16-, 24- and 32-bit
// pictures straight into a Bitmap, rows taken as bottom-up. (Pictures of
// every BMP kind go through the picture interface instead.)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/bmp.h"
#include "platform/files.h"

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

}  // namespace

bool ParseBmpInfoHeader(const uint8_t* p, size_t size, BmpInfoHeader* out) {
  if (!p || !out || size < kBmpInfoHeaderSize) return false;
  out->biSize = Le32(p);
  out->biWidth = static_cast<int32_t>(Le32(p + 4));
  out->biHeight = static_cast<int32_t>(Le32(p + 8));
  out->biPlanes = Le16(p + 12);
  out->biBitCount = Le16(p + 14);
  out->biCompression = Le32(p + 16);
  out->biSizeImage = Le32(p + 20);
  out->biXPelsPerMeter = static_cast<int32_t>(Le32(p + 24));
  out->biYPelsPerMeter = static_cast<int32_t>(Le32(p + 28));
  out->biClrUsed = Le32(p + 32);
  out->biClrImportant = Le32(p + 36);
  // Bit-field masks follow a 40-byte header, or sit inside a longer one.
  out->redMask = out->greenMask = out->blueMask = 0;
  if (size >= kBmpInfoHeaderSize + 12) {
    out->redMask = Le32(p + 40);
    out->greenMask = Le32(p + 44);
    out->blueMask = Le32(p + 48);
  }
  return true;
}

int64_t BmpRowBytes(const BmpInfoHeader& h) { return (int64_t{h.biWidth} * (h.biBitCount >> 3) + 3) & ~int64_t{3}; }

const char* CheckBmpLayout(const BmpInfoHeader& h) {
  if (h.biSize < kBmpInfoHeaderSize) return "unknown header";
  if (h.biBitCount != 8 && h.biBitCount != 16 && h.biBitCount != 24 && h.biBitCount != 32) return "unsupported depth";
  if (h.biCompression == 3) {
    // Bit fields are fine when they describe the layout the rows are kept in.
    bool native16 = h.biBitCount == 16 && h.redMask == 0x7C00 && h.greenMask == 0x3E0 && h.blueMask == 0x1F;
    bool native32 = h.biBitCount == 32 && h.redMask == 0xFF0000 && h.greenMask == 0xFF00 && h.blueMask == 0xFF;
    if (!native16 && !native32) return "unsupported bit fields";
  } else if (h.biCompression != 0) {
    return "compressed";
  }
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return "bad size";
  int64_t rowBytes = BmpRowBytes(h);
  int64_t rows = h.biHeight < 0 ? -int64_t{h.biHeight} : h.biHeight;
  if (rowBytes > INT32_MAX || rows > INT32_MAX / rowBytes) return "bad size";
  return nullptr;
}

// Colour-table entries of an 8-bit BMP: biClrUsed, 256 when 0, never more
// than 256 kept (extra entries are skipped).
static uint32_t TableEntries(const BmpInfoHeader& h, uint32_t* skipped) {
  uint32_t n = h.biBitCount == 8 ? (h.biClrUsed ? h.biClrUsed : 256) : 0;
  *skipped = n > 256 ? n - 256 : 0;
  return n > 256 ? 256 : n;
}

static void TakeRaster(Bitmap* to, Bitmap* from) {
  // Moves the raster (not the palette pointers) so that a failed read never
  // touches the caller's bitmap.
  to->Destroy();
  std::swap(to->pixels, from->pixels);
  to->width = from->width;
  to->height = from->height;
  to->stride = from->stride;
  to->bpp = from->bpp;
  to->bytesPerPixel = from->bytesPerPixel;
  to->colourBytes = from->colourBytes;
  to->alphaBytes = from->alphaBytes;
  from->Destroy();
}

static void CopyTable(uint8_t paletteOut[256][4], const uint8_t table[256][4]) {
  if (!paletteOut) return;
  for (int i = 0; i < 256; ++i) {
    paletteOut[i][0] = table[i][2];
    paletteOut[i][1] = table[i][1];
    paletteOut[i][2] = table[i][0];
  }
}

bool Bitmap::LoadBmp(FILE* f, Bitmap* out, uint8_t paletteOut[256][4]) {
  if (!f || !out) return false;
  long start = std::ftell(f);
  if (start < 0) return false;
  uint8_t head[kBmpFileHeaderSize + kBmpInfoHeaderSize + 12];
  size_t got = std::fread(head, 1, sizeof(head), f);
  if (got < kBmpFileHeaderSize + kBmpInfoHeaderSize) return false;
  BmpInfoHeader info;
  ParseBmpInfoHeader(head + kBmpFileHeaderSize, got - kBmpFileHeaderSize, &info);
  if (CheckBmpLayout(info)) return false;
  uint32_t offBits = Le32(head + 10);
  if (std::fseek(f, 0, SEEK_END) != 0) return false;
  long end = std::ftell(f);
  if (end < start) return false;
  int64_t fileLeft = end - start;

  uint8_t table[256][4] = {};
  uint32_t skipped = 0;
  uint32_t entries = TableEntries(info, &skipped);
  if (entries) {
    int64_t tablePos = start + int64_t{kBmpFileHeaderSize} + info.biSize;
    if (tablePos > end || std::fseek(f, static_cast<long>(tablePos), SEEK_SET) != 0) return false;
    // Entries the file does not hold stay 0.
    (void)std::fread(table, 4, entries, f);
  }
  // The rows must be in the file before any memory is taken for them.
  int32_t h = info.biHeight < 0 ? -info.biHeight : info.biHeight;
  if (int64_t{offBits} + BmpRowBytes(info) * h > fileLeft) return false;
  Bitmap tmp;
  if (!tmp.Create(info.biWidth, h, info.biBitCount)) return false;
  if (std::fseek(f, static_cast<long>(start + int64_t{offBits}), SEEK_SET) != 0) return false;
  // Rows from the last up to the first, whatever the sign of the height.
  for (int32_t row = h - 1; row >= 0; --row) {
    if (std::fread(tmp.pixels + static_cast<size_t>(tmp.stride) * row, 1, static_cast<size_t>(tmp.stride), f) !=
        static_cast<size_t>(tmp.stride))
      return false;
  }
  TakeRaster(out, &tmp);
  CopyTable(paletteOut, table);
  return true;
}

bool Bitmap::LoadBmpFile(const boost::filesystem::path& path, Bitmap* out, uint8_t paletteOut[256][4]) {
  FILE* f = plat::OpenFile(path, "rb");
  if (!f) return false;
  bool ok = LoadBmp(f, out, paletteOut);
  std::fclose(f);
  return ok;
}

bool Bitmap::LoadBmpMemory(const void* packedDib, size_t size, Bitmap* out, uint8_t paletteOut[256][4]) {
  if (!packedDib || !out) return false;
  const uint8_t* base = static_cast<const uint8_t*>(packedDib);
  BmpInfoHeader info;
  if (!ParseBmpInfoHeader(base, size, &info) || CheckBmpLayout(info)) return false;
  if (info.biSize > size) return false;
  uint8_t table[256][4] = {};
  uint32_t skipped = 0;
  uint32_t entries = TableEntries(info, &skipped);
  size_t pos = info.biSize;
  // With bit fields the three masks take the table's place after a 40-byte
  // header.
  if (info.biCompression == 3 && info.biSize == kBmpInfoHeaderSize) pos += 12;
  if (pos > size) return false;
  for (uint32_t i = 0; i < entries + skipped; ++i, pos += 4) {
    if (pos + 4 > size) return false;
    if (i < entries) std::memcpy(table[i], base + pos, 4);
  }
  int32_t h = info.biHeight < 0 ? -info.biHeight : info.biHeight;
  if (static_cast<uint64_t>(BmpRowBytes(info)) * h > size - pos) return false;
  Bitmap tmp;
  if (!tmp.Create(info.biWidth, h, info.biBitCount)) return false;
  for (int32_t k = 0; k < h; ++k)
    std::memcpy(tmp.pixels + static_cast<size_t>(tmp.stride) * (h - 1 - k),
                base + pos + static_cast<size_t>(tmp.stride) * k, static_cast<size_t>(tmp.stride));
  TakeRaster(out, &tmp);
  CopyTable(paletteOut, table);
  return true;
}

bool Bitmap::WriteBmp(FILE* f, const Bitmap* bmp, const uint8_t palette[256][4], bool rowsTopFirst) {
  if (!f || !bmp || !bmp->pixels || bmp->width <= 0 || bmp->height <= 0 || bmp->stride <= 0) return false;
  const uint32_t offset = bmp->bpp == 8 ? 1078 : 54;
  uint8_t head[54] = {};
  head[0] = 'B';
  head[1] = 'M';
  Put32(head + 2, static_cast<uint32_t>(bmp->height) * static_cast<uint32_t>(bmp->stride) + offset);
  Put32(head + 10, offset);
  Put32(head + 14, 40);
  Put32(head + 18, static_cast<uint32_t>(bmp->width));
  Put32(head + 22, static_cast<uint32_t>(bmp->height));
  Put16(head + 26, 1);
  Put16(head + 28, static_cast<uint16_t>(bmp->bpp));
  if (std::fwrite(head, 1, sizeof(head), f) != sizeof(head)) return false;
  if (bmp->bpp == 8) {
    uint8_t table[256][4] = {};
    if (palette) {
      for (int i = 0; i < 256; ++i) {
        table[i][0] = palette[i][2];
        table[i][1] = palette[i][1];
        table[i][2] = palette[i][0];
      }
    }
    if (std::fwrite(table, 1, sizeof(table), f) != sizeof(table)) return false;
  }
  for (int32_t i = 0; i < bmp->height; ++i) {
    int32_t row = rowsTopFirst ? i : bmp->height - 1 - i;
    if (std::fwrite(bmp->pixels + static_cast<size_t>(bmp->stride) * row, 1, static_cast<size_t>(bmp->stride), f) !=
        static_cast<size_t>(bmp->stride))
      return false;
  }
  return true;
}

bool Bitmap::SaveBmp(const boost::filesystem::path& path, const Bitmap* bmp, const uint8_t palette[256][4],
                     bool rowsTopFirst) {
  char* buffer = nullptr;
  size_t size = 0;
  FILE* mem = open_memstream(&buffer, &size);
  if (!mem) return false;
  bool ok = WriteBmp(mem, bmp, palette, rowsTopFirst);
  if (std::fclose(mem) != 0) ok = false;
  if (ok) ok = plat::WriteFileAtomic(path, buffer, size);
  std::free(buffer);
  return ok;
}
