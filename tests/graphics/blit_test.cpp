#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/blit.h"

namespace {

// A destination buffer with a guard band after every row and after the
// last one, so that a write outside the clipped area shows up.
struct Target {
  Target(int w, int h, int bytesPerPixel)
      : width(w),
        height(h),
        bpp(bytesPerPixel),
        pitch(w * bytesPerPixel + 8),
        bytes(static_cast<size_t>(pitch) * (h + 1), 0xEE) {
    for (int y = 0; y < h; ++y) std::memset(&bytes[static_cast<size_t>(pitch) * y], 0, w * bpp);
  }
  uint8_t* bits() { return bytes.data(); }
  uint32_t At(int x, int y) const {
    uint32_t v = 0;
    for (int k = 0; k < bpp; ++k) v |= static_cast<uint32_t>(bytes[pitch * y + x * bpp + k]) << (8 * k);
    return v;
  }
  bool GuardsIntact() const {
    for (int y = 0; y <= height; ++y) {
      size_t from = y < height ? static_cast<size_t>(pitch) * y + width * bpp : static_cast<size_t>(pitch) * y;
      size_t to = static_cast<size_t>(pitch) * (y + 1);
      for (size_t i = from; i < to; ++i)
        if (bytes[i] != 0xEE) return false;
    }
    return true;
  }
  int width, height, bpp, pitch;
  std::vector<uint8_t> bytes;
};

// An 8-bit bitmap whose pixel (x, y) holds 1 + x + 10 y.
Bitmap Numbered(int w, int h) {
  Bitmap b;
  b.Create(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, static_cast<uint32_t>(1 + x + 10 * y));
  return b;
}

TEST(Blit, ClippingOnEveryEdge) {
  struct Case {
    const char* what;
    int x, y;
    int firstDstX, firstDstY;  // where the top-left visible pixel lands
    int firstSrcX, firstSrcY;  // which source pixel that is
    int visibleW, visibleH;
  } cases[] = {
      {"inside", 2, 3, 2, 3, 0, 0, 4, 3},      {"left edge", -2, 1, 0, 1, 2, 0, 2, 3},
      {"top edge", 1, -1, 1, 0, 0, 1, 4, 2},   {"right edge", 8, 0, 8, 0, 0, 0, 2, 3},
      {"bottom edge", 0, 6, 0, 6, 0, 0, 4, 2}, {"all corners", -1, -1, 0, 0, 1, 1, 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bitmap b = Numbered(4, 3);
    Target t(10, 8, 1);
    EXPECT_TRUE(b.Draw(t.bits(), t.width, t.height, t.pitch, c.x, c.y, 0, 256));
    int drawn = 0;
    for (int y = 0; y < t.height; ++y)
      for (int x = 0; x < t.width; ++x)
        if (t.At(x, y)) ++drawn;
    EXPECT_EQ(drawn, c.visibleW * c.visibleH);
    EXPECT_EQ(t.At(c.firstDstX, c.firstDstY), 1u + c.firstSrcX + 10u * c.firstSrcY);
    EXPECT_TRUE(t.GuardsIntact());
  }
}

TEST(Blit, NothingVisibleStillSucceeds) {
  Bitmap b = Numbered(4, 3);
  Target t(10, 8, 1);
  EXPECT_TRUE(b.Draw(t.bits(), 10, 8, t.pitch, 10, 0, 0, 256));  // at x = dstWidth
  EXPECT_TRUE(b.Draw(t.bits(), 10, 8, t.pitch, 0, 8, 0, 256));
  EXPECT_TRUE(b.Draw(t.bits(), 10, 8, t.pitch, -4, 0, 0, 256));
  EXPECT_TRUE(b.Draw(t.bits(), 10, 8, t.pitch, 0, -3, 0, 256));
  EXPECT_TRUE(b.Draw(t.bits(), 10, 8, t.pitch, INT32_MIN, INT32_MAX, 0, 256));
  EXPECT_EQ(t.At(0, 0), 0u);
  EXPECT_TRUE(t.GuardsIntact());
  EXPECT_FALSE(b.Draw(nullptr, 10, 8, t.pitch, 0, 0, 0, 256));
  EXPECT_FALSE(b.Draw(t.bits(), 0, 8, t.pitch, 0, 0, 0, 256));
  Bitmap empty;
  EXPECT_FALSE(empty.Draw(t.bits(), 10, 8, t.pitch, 0, 0, 0, 256));
}

TEST(Blit, HotSpotIsSubtracted) {
  Bitmap b;
  ASSERT_TRUE(b.Create(32, 32, 8));
  b.Fill(1);
  b.SetPixel(16, 16, 9);
  b.hotX = b.hotY = 16;
  Target t(40, 40, 1);
  b.Draw(t.bits(), 40, 40, t.pitch, 16, 16, 0, 256);
  EXPECT_EQ(t.At(0, 0), 1u);
  EXPECT_EQ(t.At(16, 16), 9u);
  EXPECT_EQ(t.At(32, 32), 0u);

  Target q(40, 40, 1);
  b.Draw(q.bits(), 40, 40, q.pitch, 0, 0, 0, 256);  // only the lower-right quarter
  EXPECT_EQ(q.At(0, 0), 9u);
  EXPECT_EQ(q.At(15, 15), 1u);
  EXPECT_EQ(q.At(16, 0), 0u);
  EXPECT_EQ(q.At(0, 16), 0u);
  EXPECT_TRUE(q.GuardsIntact());
}

TEST(Blit, PartWithNegativeSourceCorner) {
  Bitmap b = Numbered(4, 3);
  Target t(10, 8, 1);
  // A source rectangle starting at (-1, -1) moves the destination by (1, 1).
  EXPECT_TRUE(b.DrawPart(t.bits(), 10, 8, t.pitch, 2, 2, -1, -1, 3, 3, 0, 256));
  EXPECT_EQ(t.At(3, 3), 1u);
  EXPECT_EQ(t.At(4, 4), 12u);
  EXPECT_EQ(t.At(2, 2), 0u);
  EXPECT_EQ(t.At(5, 3), 0u);
}

TEST(Blit, KeyedCopyByDepth) {
  // 8-bit: index 0 leaves the destination.
  Bitmap b8;
  b8.Create(2, 1, 8);
  b8.SetPixel(1, 0, 5);
  Target t8(2, 1, 1);
  t8.bytes[0] = 7;
  b8.Draw(t8.bits(), 2, 1, t8.pitch, 0, 0, 1, 256);
  EXPECT_EQ(t8.At(0, 0), 7u);
  EXPECT_EQ(t8.At(1, 0), 5u);

  // 16-bit: word 0 is the key.
  Bitmap b16;
  b16.Create(2, 1, 16);
  b16.SetPixel(0, 0, 0x1234);
  Target t16(2, 1, 2);
  t16.bytes[2] = 0x55;
  b16.Draw(t16.bits(), 2, 1, t16.pitch, 0, 0, 1, 256);
  EXPECT_EQ(t16.At(0, 0), 0x1234u);
  EXPECT_EQ(t16.At(1, 0), 0x55u);

  // 32-bit: only the word 0 is transparent; opaque black is drawn.
  Bitmap b32;
  b32.Create(3, 1, 32);
  b32.SetPixel(0, 0, 0xFF000000);
  b32.SetPixel(1, 0, 0x00000000);
  b32.SetPixel(2, 0, 0x00000001);
  Target t32(3, 1, 4);
  for (int i = 0; i < 12; ++i) t32.bytes[i] = 0x33;
  b32.Draw(t32.bits(), 3, 1, t32.pitch, 0, 0, 1, 256);
  EXPECT_EQ(t32.At(0, 0), 0xFF000000u);
  EXPECT_EQ(t32.At(1, 0), 0x33333333u);
  EXPECT_EQ(t32.At(2, 0), 1u);

  // 24-bit has no key: everything is copied.
  Bitmap b24;
  b24.Create(2, 1, 24);
  Target t24(2, 1, 3);
  t24.bytes[0] = 9;
  b24.Draw(t24.bits(), 2, 1, t24.pitch, 0, 0, 1, 256);
  EXPECT_EQ(t24.At(0, 0), 0u);

  // Not keyed: zeros are copied too.
  Target plain(2, 1, 1);
  plain.bytes[0] = 7;
  b8.Draw(plain.bits(), 2, 1, plain.pitch, 0, 0, 0, 256);
  EXPECT_EQ(plain.At(0, 0), 0u);
}

TEST(Blit, BlendValues) {
  struct Case {
    const char* what;
    int bpp;
    uint32_t src, dst;
    int alpha, keyed;
    uint32_t expect;
  } cases[] = {
      // red 31 over red 0 at alpha 128: 0 + (248 * 128 >> 8) = 124, packed as 15
      {"16-bit half red", 16, 0x7C00, 0x0000, 128, 0, 15u << 10},
      {"16-bit alpha 0 keeps colour", 16, 0x7C00, 0x03E0, 0, 0, 0x03E0},
      {"32-bit alpha 255", 32, 0x00FFFFFF, 0x00000000, 255, 0, 0xFFFEFEFE},
      {"32-bit darkening rounds down", 32, 0x00000000, 0x00010101, 128, 0, 0xFF000000},
      {"32-bit result alpha is opaque", 32, 0x00202020, 0x00202020, 100, 0, 0xFF202020},
      {"keyed skips black whatever its alpha", 32, 0xFF000000, 0x00123456, 200, 1, 0x00123456},
      {"keyed still blends colours", 32, 0x00000100, 0x00000000, 256 - 1, 1, 0xFF000000},
      {"24-bit", 24, 0x00FF0000, 0x000000FF, 128, 0, 0x7F007F},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bitmap b;
    ASSERT_TRUE(b.Create(1, 1, c.bpp));
    b.SetPixel(0, 0, c.src);
    Target t(1, 1, c.bpp / 8);
    for (int k = 0; k < c.bpp / 8; ++k) t.bytes[k] = static_cast<uint8_t>(c.dst >> (8 * k));
    EXPECT_TRUE(b.Draw(t.bits(), 1, 1, t.pitch, 0, 0, c.keyed, c.alpha));
    EXPECT_EQ(t.At(0, 0), c.expect);
    EXPECT_TRUE(t.GuardsIntact());
  }
}

TEST(Blit, AlphaChoosesCopyOrBlend) {
  Bitmap b;
  b.Create(1, 1, 32);
  b.SetPixel(0, 0, 0x12345678);
  Target t(1, 1, 4);
  b.Draw(t.bits(), 1, 1, t.pitch, 0, 0, 0, 256);
  EXPECT_EQ(t.At(0, 0), 0x12345678u);  // copied as it is, alpha byte included
  Target u(1, 1, 4);
  b.Draw(u.bits(), 1, 1, u.pitch, 0, 0, 0, 1000);
  EXPECT_EQ(u.At(0, 0), 0x12345678u);
  // An 8-bit picture cannot be blended: the draw shows nothing.
  Bitmap p = Numbered(1, 1);
  Target v(1, 1, 1);
  EXPECT_TRUE(p.Draw(v.bits(), 1, 1, v.pitch, 0, 0, 0, 128));
  EXPECT_EQ(v.At(0, 0), 0u);
  EXPECT_FALSE(p.BlendTo(v.bits(), v.pitch, 0, 0, 1, 1, 0, 128));
}

TEST(Blit, IndexedTo32) {
  Image img;
  ASSERT_TRUE(img.Create(3, 2, 8));
  img.palette[1][0] = 0x11;
  img.palette[1][1] = 0x22;
  img.palette[1][2] = 0x33;
  img.SetPixel(1, 1, 1);
  std::vector<uint32_t> out(4 * 2, 0xDEADBEEF);
  // Pitch 18 is used as 16 (rounded down to whole pixels).
  ASSERT_TRUE(img.DrawIndexedTo32(out.data(), 18, 0, 0, 3, 2, nullptr));
  EXPECT_EQ(out[0], 0x00000000u);
  EXPECT_EQ(out[4 + 1], 0x00112233u);  // BuildArgbTable with alpha 0
  EXPECT_EQ(out[3], 0xDEADBEEFu);
  uint32_t table[256];
  BuildArgbTable(table, img.palette, 0x80);
  EXPECT_EQ(table[1], 0x80112233u);
  PaletteToRGB32(table, img.palette, 0x80);
  EXPECT_EQ(table[1], 0x80332211u);
  EXPECT_FALSE(img.DrawIndexedTo32(out.data(), 16, 1, 0, 3, 2, nullptr));  // outside the bitmap
  EXPECT_FALSE(img.DrawIndexedTo32(out.data(), 16, -1, 0, 1, 1, nullptr));
  Bitmap lone = Numbered(1, 1);
  EXPECT_FALSE(lone.DrawIndexedTo32(out.data(), 16, 0, 0, 1, 1, nullptr));  // no palette
  EXPECT_TRUE(lone.DrawIndexedTo32(out.data(), 16, 0, 0, 1, 1, table));
}

// The vector loops against the per-pixel ones: random pictures, positions,
// source parts, destination pitches and offsets (so rows start at every
// alignment), widths around the vector sizes, keys and alphas, at every
// depth. The whole destination, padding included, must come out the same.
TEST(Blit, FastPathsMatchPerPixelLoops) {
  std::mt19937 rng(20261210);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int alphas[] = {0, 1, 2, 127, 128, 129, 200, 254, 255, 256, -1, -200, 300};
  int compared = 0;
  for (int bpp : {8, 16, 24, 32}) {
    const int n = bpp / 8;
    for (int round = 0; round < 400; ++round) {
      const int w = round < 40 ? 1 + round : pick(1, 90);
      const int h = pick(1, 9);
      Bitmap b;
      ASSERT_TRUE(b.Create(w, h, bpp));
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          uint32_t v = static_cast<uint32_t>(rng());
          switch (pick(0, 5)) {
            case 0: v = 0; break;             // the key
            case 1: v &= 0xFF000000u; break;  // 32 bits: alpha only, black colour
            case 2: v &= 0x8000u; break;      // 16 bits: top bit only
            case 3: v &= 0x00010101u; break;  // dark colours
            default: break;
          }
          b.SetPixel(x, y, v);
        }
      }
      const int dstW = pick(1, 100), dstH = pick(1, 12);
      const int pitch = dstW * n + pick(0, 7);
      const int offset = pick(0, 15);
      std::vector<uint8_t> fast(static_cast<size_t>(offset) + static_cast<size_t>(pitch) * dstH + 16);
      for (uint8_t& byte : fast) byte = static_cast<uint8_t>(pick(0, 3) == 0 ? 0 : rng());
      std::vector<uint8_t> slow = fast;
      const int x = pick(-w, dstW), y = pick(-h, dstH);
      const int srcX = pick(-2, w), srcY = pick(-1, h);
      const int srcW = pick(0, w + 2), srcH = pick(0, h + 1);
      const int keyed = pick(0, 1);
      const int alpha = alphas[pick(0, static_cast<int>(std::size(alphas)) - 1)];
      SCOPED_TRACE(testing::Message() << "bpp " << bpp << " round " << round << " w " << w << " alpha " << alpha
                                      << " keyed " << keyed << " at " << x << "," << y << " part " << srcX << ","
                                      << srcY << " " << srcW << "x" << srcH << " pitch " << pitch << " offset "
                                      << offset);
      SetScalarBlits(false);
      const bool a = b.DrawPart(fast.data() + offset, dstW, dstH, pitch, x, y, srcX, srcY, srcW, srcH, keyed, alpha);
      SetScalarBlits(true);
      const bool c = b.DrawPart(slow.data() + offset, dstW, dstH, pitch, x, y, srcX, srcY, srcW, srcH, keyed, alpha);
      SetScalarBlits(false);
      EXPECT_EQ(a, c);
      ASSERT_EQ(fast, slow);
      ++compared;
    }
  }
  EXPECT_EQ(compared, 4 * 400);
}

// Whole rows the vector loops take from start to end, every alpha value,
// with and without the key, at the depths that blend.
TEST(Blit, FastBlendMatchesForEveryAlpha) {
  std::mt19937 rng(7);
  for (int bpp : {16, 24, 32}) {
    Bitmap b;
    ASSERT_TRUE(b.Create(67, 3, bpp));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 67; ++x) b.SetPixel(x, y, (x % 5) ? static_cast<uint32_t>(rng()) : 0u);
    const int pitch = 67 * (bpp / 8) + 1;
    std::vector<uint8_t> start(static_cast<size_t>(pitch) * 3 + 1);
    for (uint8_t& byte : start) byte = static_cast<uint8_t>(rng());
    for (int alpha = 0; alpha < 256; ++alpha) {
      for (int keyed = 0; keyed < 2; ++keyed) {
        SCOPED_TRACE(testing::Message() << "bpp " << bpp << " alpha " << alpha << " keyed " << keyed);
        std::vector<uint8_t> fast = start, slow = start;
        SetScalarBlits(false);
        b.Draw(fast.data() + 1, 67, 3, pitch, 0, 0, keyed, alpha);
        SetScalarBlits(true);
        b.Draw(slow.data() + 1, 67, 3, pitch, 0, 0, keyed, alpha);
        SetScalarBlits(false);
        ASSERT_EQ(fast, slow);
      }
    }
  }
}

}  // namespace
