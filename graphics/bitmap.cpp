#include "graphics/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/cstr.h"
#include "core/hash.h"

// ---------------------------------------------------------------- Bitmap

Bitmap::Bitmap() = default;

Bitmap::Bitmap(const Bitmap& other) { *this = other; }

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this == &other) return *this;
  Destroy();
  if (!other.pixels) return *this;
  if (!Create(other.width, other.height, other.bpp)) return *this;
  CopyFromBuffer(other.pixels, other.width, other.height, other.stride, other.bpp);
  if (other.spanRows > 0 && other.leadingClear && other.trailingClear && AllocRowSpans()) {
    int32_t n = std::min(spanRows, other.spanRows);
    std::memcpy(leadingClear, other.leadingClear, sizeof(int32_t) * n);
    std::memcpy(trailingClear, other.trailingClear, sizeof(int32_t) * n);
  }
  return *this;
}

Bitmap::~Bitmap() { Destroy(); }

bool Bitmap::Create(int32_t w, int32_t h, int32_t depth) {
  Destroy();
  if (w <= 0 || h <= 0) return false;
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
  int64_t rowBytes = (static_cast<int64_t>(w) * (depth >> 3) + 3) & ~int64_t{3};
  int64_t total = rowBytes * h;
  if (rowBytes > INT32_MAX || total > INT32_MAX) return false;
  uint8_t* block = new (std::nothrow) uint8_t[static_cast<size_t>(total)];
  if (!block) {
    Destroy();
    return false;
  }
  std::memset(block, 0, static_cast<size_t>(total));
  AdoptPixels(block, w, h, depth, static_cast<int32_t>(rowBytes));
  return true;
}

void Bitmap::AdoptPixels(uint8_t* block, int32_t w, int32_t h, int32_t depth, int32_t rowBytes) {
  pixels = block;
  width = w;
  height = h;
  bpp = depth;
  bytesPerPixel = depth >> 3;
  colourBytes = std::min(bytesPerPixel, 3);
  alphaBytes = bytesPerPixel >= 4 ? bytesPerPixel - 3 : 0;
  stride = rowBytes;
}

void Bitmap::Destroy() {
  FreeRowSpans();
  delete[] pixels;
  pixels = nullptr;
  width = height = stride = bpp = 0;
  bytesPerPixel = colourBytes = alphaBytes = 0;
  hotX = hotY = 0;
  stateFlags = 0;
}

bool Bitmap::AllocRowSpans() {
  if (spanRows == height && spanRows > 0 && leadingClear && trailingClear) return true;
  FreeRowSpans();
  if (height <= 0) return false;
  leadingClear = new (std::nothrow) int32_t[height];
  trailingClear = new (std::nothrow) int32_t[height];
  if (!leadingClear || !trailingClear) {
    FreeRowSpans();
    return false;
  }
  spanRows = height;
  return true;
}

void Bitmap::FreeRowSpans() {
  delete[] leadingClear;
  delete[] trailingClear;
  leadingClear = trailingClear = nullptr;
  spanRows = 0;
}

bool Bitmap::ComputeRowSpans() {
  if (bpp != 8 || !pixels) return false;
  if (!AllocRowSpans()) return false;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + static_cast<size_t>(stride) * y;
    int32_t left = 0;
    while (left < width && row[left] == 0) ++left;
    int32_t right = 0;
    while (right < width && row[width - 1 - right] == 0) ++right;
    leadingClear[y] = left;
    trailingClear[y] = right;
  }
  return true;
}

uint32_t Bitmap::GetPixel(int32_t x, int32_t y) const {
  if (!pixels || x < 0 || y < 0 || x >= width || y >= height) return 0;
  const uint8_t* p = pixels + static_cast<size_t>(stride) * y + static_cast<size_t>(x) * bytesPerPixel;
  switch (bpp) {
    case 8: return p[0];
    case 16: return static_cast<uint32_t>(p[0] | p[1] << 8);
    case 24: return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16);
    case 32: return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
    default: return 0;
  }
}

void Bitmap::GetPixelRGB(int32_t x, int32_t y, int* r, int* g, int* b) const {
  if (!pixels || x < 0 || y < 0 || x >= width || y >= height) return;
  uint32_t v = GetPixel(x, y);
  switch (bpp) {
    case 8:
      if (v == 255 || !palette) return;
      *r = palette[v * 4 + 0];
      *g = palette[v * 4 + 1];
      *b = palette[v * 4 + 2];
      return;
    case 16:
      *r = (v >> 7) & 0xF8;
      *g = (v >> 2) & 0xF8;
      *b = (v & 0x1F) << 3;
      return;
    case 24:
    case 32:
      *r = v & 0xFF;
      *g = (v >> 8) & 0xFF;
      *b = (v >> 16) & 0xFF;
      return;
    default: return;
  }
}

bool Bitmap::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (!pixels || x < 0 || y < 0 || x >= width || y >= height) return false;
  uint8_t* p = pixels + static_cast<size_t>(stride) * y + static_cast<size_t>(x) * bytesPerPixel;
  for (int32_t i = 0; i < bytesPerPixel; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
  return true;
}

bool Bitmap::Fill(uint8_t value) {
  if (!pixels || width <= 0 || height <= 0) return false;
  for (int32_t y = 0; y < height; ++y)
    std::memset(pixels + static_cast<size_t>(stride) * y, value, static_cast<size_t>(width) * bytesPerPixel);
  stateFlags |= kBitmapFilled;
  return true;
}

bool Bitmap::RemapPixels(const uint8_t* table) {
  if (bpp != 8 || !pixels) return false;
  if (!table) table = indexMap;
  if (!table) return false;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = pixels + static_cast<size_t>(stride) * y;
    for (int32_t x = 0; x < width; ++x) row[x] = table[row[x]];
  }
  stateFlags |= kBitmapRemapped;
  return true;
}

// ---------------------------------------------------------------- Image

Image::Image() {
  Bitmap::palette = &palette[0][0];
  Bitmap::indexMap = indexMap;
  ResetPaletteAndMap();
  std::memset(screenPalette, 0, sizeof(screenPalette));
}

Image::Image(const Image& other) : Image() { *this = other; }

Image::~Image() { Free(); }

void Image::ResetPaletteAndMap() {
  std::memset(palette, 0, sizeof(palette));
  for (int i = 0; i < 256; ++i) indexMap[i] = static_cast<uint8_t>(i);
}

bool Image::Create(int32_t w, int32_t h, int32_t depth) {
  ResetPaletteAndMap();
  return Bitmap::Create(w, h, depth);
}

void Image::Free() {
  delete[] frames;
  frames = nullptr;
  frameCount = 1;
  ResetPaletteAndMap();
  Bitmap::Destroy();
}

bool Image::SetFrameCount(int32_t n) {
  delete[] frames;
  frames = nullptr;
  frameCount = 1;
  if (n == 1) return true;
  if (n < 1) return false;
  frames = new (std::nothrow) Bitmap[static_cast<size_t>(n - 1)];
  if (!frames) return false;
  for (int32_t i = 0; i < n - 1; ++i) {
    frames[i].Bitmap::palette = &palette[0][0];
    frames[i].Bitmap::indexMap = indexMap;
  }
  frameCount = n;
  return true;
}

Bitmap* Image::GetFrame(int32_t i) {
  if (i >= 1 && i < frameCount && frames) return &frames[i - 1];
  return this;
}

const Bitmap* Image::GetFrame(int32_t i) const {
  if (i >= 1 && i < frameCount && frames) return &frames[i - 1];
  return this;
}

bool Image::SetPalette(const uint8_t rgbx[256][4]) {
  if (!rgbx) return false;
  std::memmove(palette, rgbx, sizeof(palette));
  return true;
}

Image& Image::operator=(const Image& other) {
  if (this == &other) return *this;
  SetFrameCount(other.frameCount);
  Bitmap::operator=(other);
  for (int32_t i = 1; i < frameCount && frames; ++i) frames[i - 1] = *other.GetFrame(i);
  std::memcpy(palette, other.palette, sizeof(palette));
  std::memcpy(indexMap, other.indexMap, sizeof(indexMap));
  return *this;
}

bool Image::RemapToPalette(const uint8_t newPalette[256][4]) {
  if (newPalette) BuildPaletteRemap(indexMap, palette, newPalette);
  bool ok = true;
  for (int32_t i = 0; i < frameCount; ++i) {
    if (!GetFrame(i)->RemapPixels(indexMap)) ok = false;
  }
  if (newPalette) {
    for (int i = 0; i < 256; ++i) indexMap[i] = static_cast<uint8_t>(i);
    std::memmove(palette, newPalette, sizeof(palette));
  }
  return ok;
}

bool Image::Upload(const PixelFormat* format) {
  if (!format) return false;
  if (!SetFrameCount(2)) return false;
  Bitmap* frame = GetFrame(1);
  if (!frame->Create(width, height, format->bpp)) return false;
  format->PackColours32(screenPalette, &palette[0][0], 256);
  if (!frame->ConvertFrom(*this, reinterpret_cast<const uint8_t*>(screenPalette))) return false;
  frame->hotX = hotX;
  frame->hotY = hotY;
  return true;
}

bool Image::Resize(int32_t newWidth, int32_t newHeight, bool smooth) {
  for (int32_t i = 0; i < frameCount; ++i)
    if (!GetFrame(i)->Resize(newWidth, newHeight, smooth)) return false;
  return true;
}

bool Image::Scale(float factor, bool smooth) {
  for (int32_t i = 0; i < frameCount; ++i)
    if (!GetFrame(i)->Scale(factor, smooth)) return false;
  return true;
}

// ---------------------------------------------------------------- ImageSet

ImageSet::ImageSet(int32_t n) {
  if (n >= 2) SetCount(n);
}

ImageSet::ImageSet(const ImageSet& other) : ImageSet(1) { *this = other; }

ImageSet::~ImageSet() {
  Free();
  Image::Free();
  Bitmap::Destroy();
}

void ImageSet::Free() {
  delete[] subImages;
  subImages = nullptr;
  delete[] names;
  names = nullptr;
  count = 1;
}

bool ImageSet::SetCount(int32_t n) {
  Free();
  if (n <= 0) return false;
  names = new (std::nothrow) CStr[static_cast<size_t>(n)];
  if (!names) return false;
  if (n == 1) return true;
  subImages = new (std::nothrow) Image[static_cast<size_t>(n - 1)];
  if (!subImages) return false;
  count = n;
  return true;
}

Image* ImageSet::GetImage(int32_t i) {
  if (i >= 1 && i < count && subImages) return &subImages[i - 1];
  return this;
}

const Image* ImageSet::GetImage(int32_t i) const {
  if (i >= 1 && i < count && subImages) return &subImages[i - 1];
  return this;
}

CStr ImageSet::GetName(int32_t i) const {
  if (!names || i < 0 || i >= count) return CStr();
  return names[i];
}

int32_t ImageSet::IndexOf(const char* name) const {
  if (!names || !name) return -1;
  for (int32_t i = 0; i < count; ++i)
    if (EqualsNoCase(names[i].Text(), name)) return i;
  return -1;
}

Image* ImageSet::FindImage(const char* name) {
  int32_t i = IndexOf(name);
  return i < 0 ? nullptr : GetImage(i);
}

ImageSet& ImageSet::operator=(const ImageSet& other) {
  if (this == &other) return *this;
  SetCount(other.count);
  for (int32_t i = 0; i < count; ++i) *GetImage(i) = *other.GetImage(i);
  if (names && other.names && count == other.count)
    for (int32_t i = 0; i < count; ++i) names[i] = other.names[i];
  return *this;
}

bool ImageSet::SetIndexMap(const uint8_t map[256]) {
  if (!map) return false;
  for (int32_t i = 0; i < count; ++i) std::memmove(GetImage(i)->indexMap, map, 256);
  return true;
}

bool ImageSet::RemapToPalette(const uint8_t newPalette[256][4]) {
  for (int32_t i = 0; i < count; ++i)
    if (!GetImage(i)->Image::RemapToPalette(newPalette)) return false;
  return true;
}

bool ImageSet::Resize(int32_t newWidth, int32_t newHeight, bool smooth) {
  for (int32_t i = 0; i < count; ++i)
    if (!GetImage(i)->Image::Resize(newWidth, newHeight, smooth)) return false;
  return true;
}

bool ImageSet::Scale(float factor, bool smooth) {
  for (int32_t i = 0; i < count; ++i)
    if (!GetImage(i)->Image::Scale(factor, smooth)) return false;
  return true;
}

bool ImageSet::Upload(const PixelFormat* format) {
  for (int32_t i = 0; i < count; ++i)
    if (!GetImage(i)->Image::Upload(format)) return false;
  return true;
}

uint32_t ImageSet::ComputeSignature() const {
  uint32_t h = HashSeed(static_cast<uint32_t>(count));
  int32_t k = 0;
  for (int32_t i = 0; i < count; ++i) {
    const Image* img = GetImage(i);
    HashAddString(h, names ? names[i] : CStr(), k);
    HashAddInt(h, img->width, k);
    HashAddInt(h, img->height, k);
  }
  return h;
}

void ImageSet::TakeImagesFrom(ImageSet& other) {
  Free();
  Image::Free();
  // Image 0: pixels and tables move over; frames do not exist after a load.
  AdoptPixels(other.pixels, other.width, other.height, other.bpp, other.stride);
  other.pixels = nullptr;
  hotX = other.hotX;
  hotY = other.hotY;
  stateFlags = other.stateFlags;
  std::memcpy(palette, other.palette, sizeof(palette));
  std::memcpy(indexMap, other.indexMap, sizeof(indexMap));
  other.Image::Free();
  subImages = other.subImages;
  names = other.names;
  count = other.count;
  other.subImages = nullptr;
  other.names = nullptr;
  other.count = 1;
}

// ---------------------------------------------------------------- helpers

bool BuildPaletteRemap(uint8_t out[256], const uint8_t from[256][4], const uint8_t to[256][4]) {
  if (!out || !from || !to) return false;
  for (int i = 0; i < 256; ++i) {
    int best = 2048;
    int bestIndex = 0;
    for (int j = 0; j < 256; ++j) {
      int d = std::abs(from[i][0] - to[j][0]) + std::abs(from[i][1] - to[j][1]) + std::abs(from[i][2] - to[j][2]);
      if (d < best) {
        best = d;
        bestIndex = j;
      }
    }
    out[i] = static_cast<uint8_t>(bestIndex);
  }
  return true;
}

int HighestBit(int v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int bit = 31; bit >= 1; --bit)
    if (u & (1u << bit)) return bit;
  return 0;
}
