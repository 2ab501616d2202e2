// Out-of-memory paths of the quantisers: this program replaces the global
// allocation functions so that a chosen allocation throws std::bad_alloc,
// and checks that the operations report false and keep their outputs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/octree.h"

namespace {

// -1: off; n >= 0: the allocation after n more succeeds throws (once).
std::atomic<long> gFailIn{-1};

void* Allocate(std::size_t n) {
  long left = gFailIn.load();
  if (left >= 0) {
    if (left == 0) {
      gFailIn.store(-1);
      throw std::bad_alloc();
    }
    gFailIn.store(left - 1);
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) { return Allocate(n); }
void* operator new[](std::size_t n) { return Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
  try {
    return Allocate(n);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// 8 x 8 pixels of 64 distinct colours (each needs nodes of its own).
void FillDistinct(Bitmap* b) {
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = b->pixels + y * b->stride + x * b->bytesPerPixel;
      p[0] = static_cast<uint8_t>(x * 32 + 3);
      p[1] = static_cast<uint8_t>(y * 32 + 5);
      p[2] = static_cast<uint8_t>((x ^ y) * 29 + 1);
    }
}

TEST(QuantiserMemory, OctreeReductionWithoutMemoryKeepsTheDestination) {
  Bitmap src;
  ASSERT_TRUE(src.Create(8, 8, 32));
  FillDistinct(&src);
  Bitmap dst;
  ASSERT_TRUE(dst.Create(4, 4, 8));
  for (int i = 0; i < 4; ++i) dst.pixels[i] = static_cast<uint8_t>(10 + i);
  uint8_t pal[256][4];
  std::memset(pal, 0xAB, sizeof pal);

  gFailIn.store(20);  // part way through the tree
  EXPECT_FALSE(src.ReduceTo8Octree(&dst, pal, 256, 0));
  gFailIn.store(-1);
  EXPECT_EQ(dst.width, 4);
  EXPECT_EQ(dst.pixels[3], 13);
  EXPECT_EQ(pal[0][0], 0xAB);
  EXPECT_EQ(src.stateFlags & kBitmapReduced, 0u);

  ASSERT_TRUE(src.ReduceTo8Octree(&dst, pal, 256, 0));
  EXPECT_EQ(dst.width, 8);
}

TEST(QuantiserMemory, AddColoursWithoutMemoryFailsAndKeepsWhatWasAdded) {
  std::vector<uint8_t> pixels(4 * 64);
  for (int i = 0; i < 64; ++i) {
    pixels[4 * i] = static_cast<uint8_t>(i * 4);
    pixels[4 * i + 1] = static_cast<uint8_t>(255 - i * 3);
    pixels[4 * i + 2] = static_cast<uint8_t>(i * 7);
  }
  OctreeQuantizer q;
  gFailIn.store(30);
  EXPECT_FALSE(q.AddColours(pixels.data(), 64, 0));
  gFailIn.store(-1);
  const int32_t partial = q.LeafCount();
  EXPECT_GT(partial, 0);
  EXPECT_LT(partial, 64);
  q.Clear();
  EXPECT_TRUE(q.AddColours(pixels.data(), 64, 0));
  EXPECT_EQ(q.LeafCount(), 64);
}

TEST(QuantiserMemory, InverseCubeWithoutScanMemoryKeepsItsCells) {
  InverseColourCube cube;
  ASSERT_TRUE(cube.SetSize(3, 3, 3));
  cube.cells[5] = 7;
  uint8_t pal[256][4] = {};
  pal[1][0] = 200;
  gFailIn.store(0);
  EXPECT_FALSE(cube.Build(&pal[0][0], 2));
  gFailIn.store(-1);
  EXPECT_EQ(cube.cells[5], 7);
  EXPECT_TRUE(cube.Build(&pal[0][0], 2));
  EXPECT_EQ(cube.Near(200, 0, 0), 1);
}

}  // namespace
