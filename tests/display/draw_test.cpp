// The drawing primitives over the display's locked back buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/headless/headless_window.h"

namespace {

class DrawTest : public ::testing::Test {
 protected:
  void SetUp() override { Mode(16); }
  void TearDown() override {
    TheDisplay().Close(true);
    SetBackgroundPicture(nullptr);
  }
  void Mode(int32_t bpp) {
    Display& d = TheDisplay();
    if (!d.window) {
      ASSERT_EQ(d.CreateMainWindow(kW, kH, "T", nullptr, nullptr, nullptr, 0, true), 1);
    }
    ASSERT_EQ(d.SetVideoMode(kW, kH, bpp, false, nullptr), 1);
    d.ClearDirtyRects();
  }
  static uint16_t Px(int32_t x, int32_t y) {
    Display& d = TheDisplay();
    return reinterpret_cast<const uint16_t*>(d.surface.Bits() + y * d.surface.Pitch())[x];
  }
  static void SetPx(int32_t x, int32_t y, uint16_t v) {
    Display& d = TheDisplay();
    reinterpret_cast<uint16_t*>(d.surface.Bits() + y * d.surface.Pitch())[x] = v;
  }
  static int Changed() {
    Display& d = TheDisplay();
    int n = 0;
    for (int32_t y = 0; y < d.surface.Height(); ++y)
      for (int32_t x = 0; x < d.surface.Width(); ++x) n += Px(x, y) != 0;
    return n;
  }
  // A 16-bit bitmap filled with one value.
  static void Make16(Bitmap* b, int32_t w, int32_t h, uint16_t v) {
    ASSERT_TRUE(b->Create(w, h, 16));
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) b->SetPixel(x, y, v);
  }

  static constexpr int32_t kW = 64;
  static constexpr int32_t kH = 48;
  plat::headless::HeadlessWindowSystem system;
};

TEST_F(DrawTest, LineStopsBeforeItsEndPoint) {
  DrawLine(10, 10, 13, 10, 255, 255, 255);
  EXPECT_EQ(Px(10, 10), 0x7FFF);
  EXPECT_EQ(Px(11, 10), 0x7FFF);
  EXPECT_EQ(Px(12, 10), 0x7FFF);
  EXPECT_EQ(Px(13, 10), 0);
  EXPECT_EQ(Changed(), 3);
  EXPECT_EQ(TheDisplay().dirtyCount, 0);
  EXPECT_EQ(TheDisplay().lockCount, 0);
}

TEST_F(DrawTest, LineCases) {
  struct Case {
    int32_t x1, y1, x2, y2;
    int changed;
  } cases[] = {
      {5, 5, 5, 5, 0},                  // zero length
      {13, 20, 10, 20, 3},              // backwards
      {0, 0, 8, 8, 8},                  // diagonal
      {-10, 3, 10, 3, 10},              // starts left of the buffer
      {60, 40, 200, 40, 4},             // leaves on the right
      {-20000000, 1, 20000000, 1, kW},  // 256 x beyond 32 bits: no overflow
  };
  for (const Case& c : cases) {
    Mode(16);
    DrawLine(c.x1, c.y1, c.x2, c.y2, 0, 255, 0);
    EXPECT_EQ(Changed(), c.changed) << c.x1 << "," << c.y1 << " -> " << c.x2 << "," << c.y2;
  }
  Mode(16);
  DrawLine(13, 20, 10, 20, 0, 255, 0);
  EXPECT_EQ(Px(13, 20), 0x03E0);
  EXPECT_EQ(Px(11, 20), 0x03E0);
  EXPECT_EQ(Px(10, 20), 0);
}

TEST_F(DrawTest, GlowOnlyAwayFromTheEdges) {
  DrawGlow(1, 20, 256, 255, 255, 255);
  DrawGlow(20, kH - 2, 256, 255, 255, 255);
  DrawGlow(kW - 2, 20, 256, 255, 255, 255);
  EXPECT_EQ(Changed(), 0);
  DrawGlow(2, 2, 256, 255, 0, 0);
  EXPECT_EQ(Changed(), 13);
  EXPECT_EQ(Px(0, 2), 0x7C00);
  EXPECT_EQ(Px(4, 2), 0x7C00);
  EXPECT_EQ(Px(3, 3), 0x7C00);
  EXPECT_EQ(Px(4, 3), 0);  // 2^2 + 1^2 > 4
  // Half alpha over a white pixel: ((128 * 248) + 128 * 0) >> 8 = 124 -> 15.
  Mode(16);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) SetPx(x, y, 0x7FFF);
  DrawGlow(10, 10, 128, 0, 0, 0);
  EXPECT_EQ(Px(10, 10), (15 << 10) | (15 << 5) | 15);
  EXPECT_EQ(Px(13, 10), 0x7FFF);
  DrawGlow(20, 20, 0, 0, 0, 0);
  EXPECT_EQ(Px(20, 20), (31 << 10) | (31 << 5) | 31);
}

TEST_F(DrawTest, GlowSkipsAFormatWiderThanTheBuffer) {
  // Depth 15 makes 8-bit buffers and keeps the previous (32-bit) format.
  Mode(32);
  Mode(15);
  ASSERT_EQ(TheDisplay().surface.BitsPerPixel(), 8);
  ASSERT_EQ(TheDisplay().format.bpp, 32);
  // Its lowest pixel is next to the buffer's last byte: four-byte writes
  // would run past the buffer.
  DrawGlow(kW - 3, kH - 3, 256, 255, 255, 255);
  const uint8_t* bits = TheDisplay().surface.Bits();
  const int32_t size = TheDisplay().surface.Pitch() * kH;
  EXPECT_EQ(std::count(bits, bits + size, 0), size);
  EXPECT_EQ(TheDisplay().lockCount, 0);
}

TEST_F(DrawTest, FillRectColour) {
  plat::WindowRect out{};
  FillRectColour(4, 6, 3, 5, 0, 0, 255, &out);  // height 3, width 5
  EXPECT_EQ(out.left, 4);
  EXPECT_EQ(out.top, 6);
  EXPECT_EQ(out.right, 9);
  EXPECT_EQ(out.bottom, 9);
  EXPECT_EQ(Changed(), 15);
  EXPECT_EQ(Px(8, 8), 0x001F);
  EXPECT_EQ(Px(9, 8), 0);
  EXPECT_EQ(TheDisplay().dirtyCount, 0);
  // Partly outside the buffer: only the visible part is written.
  Mode(16);
  FillRectColour(-10, kH - 2, 100, 20, 255, 255, 255, &out);
  EXPECT_EQ(Changed(), 10 * 2);
  EXPECT_EQ(out.right, 10);
  EXPECT_EQ(out.bottom, kH - 2 + 100);
  // 32 bits: the packed value with its 0xFF alpha byte.
  Mode(32);
  FillRectColour(0, 0, 1, 1, 1, 2, 3, nullptr);
  EXPECT_EQ(*reinterpret_cast<const uint32_t*>(TheDisplay().surface.Bits()), 0xFF010203u);
}

TEST_F(DrawTest, PrimitivesDoNothingWithoutBuffers) {
  TheDisplay().FreeBuffers();
  plat::WindowRect out{1, 2, 3, 4};
  FillRectColour(0, 0, 4, 4, 255, 255, 255, &out);
  EXPECT_EQ(out.left, 1);
  DrawLine(0, 0, 10, 10, 1, 1, 1);
  DrawGlow(10, 10, 256, 1, 1, 1);
  Bitmap b;
  Make16(&b, 2, 2, 1);
  BlitImage(&b, 0, 0, &out, 0);
  BlitKeyed(&b, 0, 0, 256, nullptr, &out);
  EXPECT_EQ(out.left, 1);
  EXPECT_EQ(RestoreBackgroundRect(0, 0, 4, 4), 0);
  EXPECT_EQ(TheDisplay().dirtyCount, 0);
  EXPECT_EQ(TheDisplay().lockCount, 0);
}

TEST_F(DrawTest, BlitImageUsesTheHotSpotAndMarksDirty) {
  Bitmap b;
  Make16(&b, 4, 3, 0x1234);
  b.SetPixel(0, 0, 0);
  b.hotX = 2;
  b.hotY = 1;
  plat::WindowRect out{};
  BlitImage(&b, 10, 10, &out, 1);
  EXPECT_EQ(out.left, 8);
  EXPECT_EQ(out.top, 9);
  EXPECT_EQ(out.right, 12);
  EXPECT_EQ(out.bottom, 12);
  EXPECT_EQ(Px(0 + 8, 0 + 9), 0);  // keyed: the zero pixel is skipped
  EXPECT_EQ(Px(9, 9), 0x1234);
  EXPECT_EQ(Changed(), 11);
  ASSERT_EQ(TheDisplay().dirtyCount, 1);
  EXPECT_EQ(TheDisplay().dirty[0].left, 8);
  EXPECT_EQ(TheDisplay().dirty[0].right, 12);
  // A bitmap of another depth than the buffer's is not drawn.
  Bitmap deep;
  ASSERT_TRUE(deep.Create(4, 4, 32));
  out = {};
  BlitImage(&deep, 30, 30, &out, 0);
  EXPECT_EQ(out.right, 0);
  EXPECT_EQ(Changed(), 11);
  BlitImage(nullptr, 0, 0, nullptr, 0);
}

TEST_F(DrawTest, RectanglesAtExtremePositionsSaturate) {
  // The blits clip far-off positions; the rectangles they report and mark
  // stay inside the coordinate range instead of wrapping.
  Bitmap b;
  Make16(&b, 4, 4, 0x7FFF);
  b.hotX = -8;
  b.hotY = 8;
  plat::WindowRect out{};
  BlitImage(&b, INT32_MAX - 2, INT32_MIN + 2, &out, 0);
  EXPECT_EQ(out.left, INT32_MAX);
  EXPECT_EQ(out.right, INT32_MAX);
  EXPECT_EQ(out.top, INT32_MIN);
  EXPECT_EQ(out.bottom, INT32_MIN + 4);
  BlitKeyed(&b, INT32_MAX - 2, 0, 256, nullptr, &out);
  FillRectColour(INT32_MAX - 1, 0, 3, 10, 255, 255, 255, &out);
  EXPECT_EQ(out.right, INT32_MAX);
  EXPECT_EQ(Changed(), 0);
  EXPECT_TRUE(TheDisplay().AddDirtyRect(INT32_MAX - 1, INT32_MAX - 1, 10, 10));
  EXPECT_EQ(TheDisplay().dirty[TheDisplay().dirtyCount - 1].right, INT32_MAX);
  // Whatever was listed, the present clips it to the buffer.
  EXPECT_EQ(TheDisplay().Present(kPresentDirtyOnly), 1);
}

TEST_F(DrawTest, BlitKeyedModes) {
  Bitmap src;
  Make16(&src, 4, 4, (16 << 10) | (16 << 5) | 16);
  src.SetPixel(1, 1, 0);  // transparent in every mode
  // Additive saturates per channel.
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) SetPx(x, y, (20 << 10) | (2 << 5) | 0);
  plat::WindowRect out{};
  BlitKeyed(&src, 10, 10, kBlitAdditive, nullptr, &out);
  EXPECT_EQ(Px(10, 10), (31 << 10) | (18 << 5) | 16);
  EXPECT_EQ(Px(11, 11), (20 << 10) | (2 << 5) | 0);
  EXPECT_EQ(out.right, 14);
  EXPECT_EQ(TheDisplay().dirtyCount, 1);

  // Global alpha: d + ((s - d) * a >> 8) per channel, kept in the mask.
  Mode(16);
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) SetPx(x, y, (8 << 10) | (31 << 5) | 0);
  BlitKeyed(&src, 10, 10, 128, nullptr, nullptr);
  const uint16_t v = Px(10, 10);
  EXPECT_EQ((v >> 10) & 31, 12);
  EXPECT_EQ((v >> 5) & 31, 23);
  EXPECT_EQ(v & 31, 8);
  EXPECT_EQ(Px(11, 11), (8 << 10) | (31 << 5) | 0);
  // Alpha above 256 counts as 256: a copy.
  BlitKeyed(&src, 30, 10, 5000, nullptr, nullptr);
  EXPECT_EQ(Px(30, 10), src.GetPixel(0, 0));

  // Alpha map of the image's size: 0 keeps, 255 copies.
  Mode(16);
  Bitmap map;
  ASSERT_TRUE(map.Create(4, 4, 8));
  map.SetPixel(0, 0, 255);
  map.SetPixel(2, 0, 128);
  BlitKeyed(&src, 10, 10, 0, &map, nullptr);
  EXPECT_EQ(Px(10, 10), src.GetPixel(0, 0));
  EXPECT_EQ(Px(11, 10), 0);
  EXPECT_EQ(Px(12, 10), (8 << 10) | (8 << 5) | 8);
  // A map of another size is ignored: the mode's alpha (0) applies.
  Bitmap small;
  ASSERT_TRUE(small.Create(2, 2, 8));
  small.SetPixel(0, 0, 255);
  Mode(16);
  BlitKeyed(&src, 10, 10, 0, &small, nullptr);
  EXPECT_EQ(Changed(), 0);
}

TEST_F(DrawTest, BlitKeyedOnlyWhollyInside) {
  Bitmap src;
  Make16(&src, 4, 4, 0x7FFF);
  struct Case {
    int32_t x, y;
    bool drawn;
  } cases[] = {{kW - 5, 0, true}, {kW - 4, 0, false}, {0, kH - 4, false},
               {0, kH - 5, true}, {-1, 5, false},     {5, -1, false}};
  for (const Case& c : cases) {
    Mode(16);
    plat::WindowRect out{};
    BlitKeyed(&src, c.x, c.y, 256, nullptr, &out);
    EXPECT_EQ(Changed() == 16, c.drawn) << c.x << "," << c.y;
    EXPECT_EQ(TheDisplay().dirtyCount, c.drawn ? 1 : 0);
  }
  // Only 16 bits onto 16 bits.
  Mode(32);
  BlitKeyed(&src, 5, 5, 256, nullptr, nullptr);
  EXPECT_EQ(TheDisplay().dirtyCount, 0);
}

TEST_F(DrawTest, BlitKeyedClippedDrawsThePartInsideTheClipAndTheBuffer) {
  // Pixel (x, y) of the source holds 1 + x + 8 y; (1, 1) is transparent.
  Bitmap src;
  Make16(&src, 6, 4, 0);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) src.SetPixel(x, y, uint32_t(1 + x + 8 * y));
  src.SetPixel(1, 1, 0);
  src.hotX = 3;
  src.hotY = 2;
  const plat::WindowRect everywhere = {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  struct Case {
    const char* name;
    int32_t x, y;
    plat::WindowRect clip, drawn;  // drawn: the rectangle drawn, empty for none
  } cases[] = {
      {"wholly inside", 10, 10, everywhere, {7, 8, 13, 12}},
      {"past the left and top edges", 1, 0, everywhere, {0, 0, 4, 2}},
      {"past the right and bottom edges", kW - 1, kH - 1, everywhere, {kW - 4, kH - 3, kW, kH}},
      {"cut by the clip", 10, 10, {9, 9, 11, 30}, {9, 9, 11, 12}},
      {"clip beside it", 10, 10, {20, 0, 30, 30}, {0, 0, 0, 0}},
      {"wholly off the buffer", -10, 5, everywhere, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Mode(16);
    plat::WindowRect out{1, 1, 1, 1};
    BlitKeyedClipped(&src, c.x, c.y, 256, nullptr, c.clip, &out);
    EXPECT_EQ(out.left, c.drawn.left);
    EXPECT_EQ(out.top, c.drawn.top);
    EXPECT_EQ(out.right, c.drawn.right);
    EXPECT_EQ(out.bottom, c.drawn.bottom);
    const bool any = c.drawn.right > c.drawn.left;
    EXPECT_EQ(TheDisplay().dirtyCount, any ? 1 : 0);
    int64_t drawn = 0;
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        const bool in = x >= c.drawn.left && x < c.drawn.right && y >= c.drawn.top && y < c.drawn.bottom;
        const int32_t sx = x - (c.x - 3), sy = y - (c.y - 2);
        const uint16_t want = in ? uint16_t(src.GetPixel(sx, sy)) : 0;
        ASSERT_EQ(Px(x, y), want) << x << "," << y;
        drawn += Px(x, y) != 0;
      }
    }
    if (any) {
      EXPECT_GT(drawn, 0);
    }
  }
}

TEST_F(DrawTest, RestoreBackgroundRect) {
  Bitmap picture;
  Make16(&picture, kW, kH, 0x0421);
  picture.SetPixel(5, 6, 0x7C00);
  SetBackgroundPicture(&picture);
  EXPECT_EQ(RestoreBackgroundRect(4, 5, 3, 2), 1);
  EXPECT_EQ(Px(5, 6), 0x7C00);
  EXPECT_EQ(Px(4, 5), 0x0421);
  EXPECT_EQ(Px(7, 5), 0);
  EXPECT_EQ(Changed(), 6);
  ASSERT_EQ(TheDisplay().dirtyCount, 1);
  EXPECT_EQ(TheDisplay().dirty[0].right, 7);
  plat::WindowRect r{60, 40, 80, 60};  // clipped by the blit
  EXPECT_EQ(RestoreBackgroundRect(&r), 1);
  EXPECT_EQ(Px(63, 47), 0x0421);
  EXPECT_EQ(RestoreBackgroundRect(nullptr), 0);
  // Inside an outer lock the result is that of the inner unlock.
  SurfaceLock lock;
  ASSERT_TRUE(TheDisplay().Lock(&lock));
  EXPECT_EQ(RestoreBackgroundRect(0, 0, 1, 1), 1);
  EXPECT_EQ(TheDisplay().lockCount, 1);
  TheDisplay().Unlock();
}

}  // namespace
