// Reduction of true-colour bitmaps to 8 bits through the quantisers.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include "graphics/bitmap.h"
#include "graphics/neuquant.h"
#include "graphics/octree.h"

namespace {

bool IsTrueColour(const Bitmap& b) { return (b.bpp == 24 || b.bpp == 32) && b.pixels && b.width > 0 && b.height > 0; }

// Makes dst an 8-bit bitmap at least w x h, re-creating it when it is
// smaller, empty or of another depth.
bool PrepareDestination(Bitmap* dst, int32_t w, int32_t h) {
  if (dst->pixels && dst->bpp == 8 && dst->width >= w && dst->height >= h) return true;
  return dst->Create(w, h, 8);
}

}  // namespace

bool Bitmap::ReduceTo8Octree(Bitmap* dst, uint8_t palette[256][4], int colours, int bitsOption) {
  if (!IsTrueColour(*this) || !dst || dst == this || colours < 1 || colours > 256) return false;
  uint8_t* pal = palette ? &palette[0][0] : dst->palette;
  if (!pal) return false;

  // The low byte of the option is the number of low bits dropped from each
  // channel; the top byte is a key byte carried in the packed colour. Taking
  // the bit count from the low byte alone keeps a key byte from masking
  // every channel to 0.
  const int dropBits = bitsOption & 0xFF;
  const uint32_t m = dropBits > 0 ? (0xFFu << std::min(dropBits, 8)) & 0xFFu : 0xFFu;
  const uint32_t k = (static_cast<uint32_t>(bitsOption) >> 24) & 0xFFu;
  const bool lowFirst = (stateFlags & kBitmapOctreeByteOrder) != 0;
  auto key = [&](const uint8_t* p) {
    const uint32_t b0 = p[0] & m, b1 = p[1] & m, b2 = p[2] & m;
    return lowFirst ? (b0 | b1 << 8 | b2 << 16 | k << 24) : (k << 24 | b0 << 16 | b1 << 8 | b2);
  };

  // The destination is made at least this size, so the overlap is the whole
  // picture: the tree is built first, and a tree that runs out of memory
  // leaves dst as it was.
  OctreeQuantizer tree;
  try {
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
      for (int32_t x = 0; x < width; ++x) tree.AddColour(key(row + x * bytesPerPixel));
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!PrepareDestination(dst, width, height)) return false;
  const int32_t w = std::min(width, dst->width);
  const int32_t h = std::min(height, dst->height);
  tree.ReduceTo(colours);
  tree.AssignIndices(pal, 256);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
    uint8_t* out = dst->pixels + static_cast<ptrdiff_t>(y) * dst->stride;
    for (int32_t x = 0; x < w; ++x) out[x] = static_cast<uint8_t>(tree.FindIndex(key(row + x * bytesPerPixel)));
  }
  stateFlags |= kBitmapReduced;
  return true;
}

bool Bitmap::ReduceTo8NeuQuant(Bitmap* dst, uint8_t palette[256][4]) {
  if (!IsTrueColour(*this) || !dst || dst == this) return false;
  uint8_t* pal = palette ? &palette[0][0] : dst->palette;
  if (!pal) return false;
  const int64_t bytes = static_cast<int64_t>(width) * height * 3;
  if (bytes > std::numeric_limits<int32_t>::max()) return false;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
  if (!buffer) return false;
  if (!PrepareDestination(dst, width, height)) return false;

  uint8_t* q = buffer.get();
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + static_cast<ptrdiff_t>(y) * stride;
    for (int32_t x = 0; x < width; ++x, q += 3) {
      const uint8_t* p = row + x * bytesPerPixel;
      q[0] = p[0];
      q[1] = p[1];
      q[2] = p[2];
    }
  }
  NeuQuantInit(buffer.get(), static_cast<int32_t>(bytes), 1);
  NeuQuantLearn();
  NeuQuantUnbias();
  for (int i = 0; i < 256; ++i) {
    pal[i * 4 + 0] = static_cast<uint8_t>(NeuQuantGetColour(i, 0));
    pal[i * 4 + 1] = static_cast<uint8_t>(NeuQuantGetColour(i, 1));
    pal[i * 4 + 2] = static_cast<uint8_t>(NeuQuantGetColour(i, 2));
  }
  NeuQuantBuildIndex();
  const int32_t w = std::min(width, dst->width);
  const int32_t h = std::min(height, dst->height);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* in = buffer.get() + static_cast<ptrdiff_t>(y) * width * 3;
    uint8_t* out = dst->pixels + static_cast<ptrdiff_t>(y) * dst->stride;
    for (int32_t x = 0; x < w; ++x, in += 3) out[x] = static_cast<uint8_t>(NeuQuantSearch(in[0], in[1], in[2]));
  }
  stateFlags |= kBitmapReduced;
  return true;
}
