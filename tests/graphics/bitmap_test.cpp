#include <gtest/gtest.h>

#include <cstring>

#include "graphics/bitmap.h"
#include "graphics/pixel_format.h"

namespace {

TEST(Bitmap, CreateSetsStrideOrRefuses) {
  struct Case {
    int w, h, bpp;
    bool ok;
    int stride, bytes, colour, alphaBytes;
  } cases[] = {
      {3, 2, 8, true, 4, 1, 1, 0},   {3, 2, 24, true, 12, 3, 3, 0}, {3, 2, 16, true, 8, 2, 2, 0},
      {5, 1, 32, true, 20, 4, 3, 1}, {1, 1, 8, true, 4, 1, 1, 0},   {0, 5, 8, false, 0, 0, 0, 0},
      {5, 0, 8, false, 0, 0, 0, 0},  {-2, 5, 8, false, 0, 0, 0, 0}, {4, 4, 12, false, 0, 0, 0, 0},
      {4, 4, 15, false, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "x" << c.bpp);
    Bitmap b;
    ASSERT_TRUE(b.Create(8, 8, 8));  // a refused Create also empties the bitmap
    EXPECT_EQ(b.Create(c.w, c.h, c.bpp), c.ok);
    EXPECT_EQ(b.stride, c.stride);
    EXPECT_EQ(b.bytesPerPixel, c.bytes);
    EXPECT_EQ(b.colourBytes, c.colour);
    EXPECT_EQ(b.alphaBytes, c.alphaBytes);
    EXPECT_EQ(b.pixels != nullptr, c.ok);
    if (c.ok) {
      for (int i = 0; i < b.stride * b.height; ++i) ASSERT_EQ(b.pixels[i], 0);
    }
  }
}

TEST(Bitmap, PixelAccessByDepth) {
  Bitmap b24;
  ASSERT_TRUE(b24.Create(2, 2, 24));
  EXPECT_TRUE(b24.SetPixel(1, 1, 0x00AABBCC));
  EXPECT_EQ(b24.GetPixel(1, 1), 0xAABBCCu);
  EXPECT_EQ(b24.pixels[b24.stride + 3], 0xCC);
  EXPECT_FALSE(b24.SetPixel(2, 0, 1));
  EXPECT_EQ(b24.GetPixel(-1, 0), 0u);
  int r = -1, g = -1, b = -1;
  b24.GetPixelRGB(1, 1, &r, &g, &b);
  EXPECT_EQ(r, 0xCC);  // bytes 0, 1, 2 of the pixel in that order
  EXPECT_EQ(g, 0xBB);
  EXPECT_EQ(b, 0xAA);

  Bitmap b16;
  ASSERT_TRUE(b16.Create(1, 1, 16));
  b16.SetPixel(0, 0, 0x7C00 | 0x3E0);
  b16.GetPixelRGB(0, 0, &r, &g, &b);
  EXPECT_EQ(r, 0xF8);
  EXPECT_EQ(g, 0xF8);
  EXPECT_EQ(b, 0);
}

TEST(Bitmap, PaletteLookupSkipsIndex255) {
  Image img;
  ASSERT_TRUE(img.Create(2, 1, 8));
  img.palette[7][0] = 10;
  img.palette[7][1] = 20;
  img.palette[7][2] = 30;
  img.SetPixel(0, 0, 7);
  img.SetPixel(1, 0, 255);
  int r = -1, g = -1, b = -1;
  img.GetPixelRGB(0, 0, &r, &g, &b);
  EXPECT_EQ(r, 10);
  EXPECT_EQ(g, 20);
  EXPECT_EQ(b, 30);
  r = g = b = -5;
  img.GetPixelRGB(1, 0, &r, &g, &b);
  EXPECT_EQ(r, -5);
  EXPECT_EQ(g, -5);
  EXPECT_EQ(b, -5);
}

TEST(Bitmap, CopyAndRowSpans) {
  Bitmap a;
  ASSERT_TRUE(a.Create(5, 3, 8));
  // Row 0: 0 0 3 0 0; row 1: all clear; row 2: 1 0 0 0 2.
  a.SetPixel(2, 0, 3);
  a.SetPixel(0, 2, 1);
  a.SetPixel(4, 2, 2);
  ASSERT_TRUE(a.ComputeRowSpans());
  EXPECT_EQ(a.leadingClear[0], 2);
  EXPECT_EQ(a.trailingClear[0], 2);
  EXPECT_EQ(a.leadingClear[1], 5);
  EXPECT_EQ(a.trailingClear[1], 5);
  EXPECT_EQ(a.leadingClear[2], 0);
  EXPECT_EQ(a.trailingClear[2], 0);

  Bitmap copy(a);
  EXPECT_NE(copy.pixels, a.pixels);
  EXPECT_EQ(copy.GetPixel(2, 0), 3u);
  ASSERT_EQ(copy.spanRows, 3);
  EXPECT_EQ(copy.leadingClear[1], 5);
  copy = copy;  // self-assignment keeps the pixels
  EXPECT_EQ(copy.GetPixel(4, 2), 2u);

  Bitmap deep;
  ASSERT_TRUE(deep.Create(2, 2, 32));
  EXPECT_FALSE(deep.ComputeRowSpans());
}

TEST(Bitmap, FillAndRemap) {
  Image img;
  EXPECT_FALSE(img.Fill(1));
  ASSERT_TRUE(img.Create(3, 2, 8));
  ASSERT_TRUE(img.Fill(4));
  EXPECT_EQ(img.GetPixel(2, 1), 4u);
  EXPECT_TRUE(img.stateFlags & kBitmapFilled);
  img.indexMap[4] = 9;
  ASSERT_TRUE(img.RemapPixels(nullptr));  // own index map
  EXPECT_EQ(img.GetPixel(0, 0), 9u);
  Bitmap lone;
  ASSERT_TRUE(lone.Create(1, 1, 8));
  EXPECT_FALSE(lone.RemapPixels(nullptr));  // no index map to fall back on
}

TEST(Image, FramesShareThePalette) {
  Image img;
  ASSERT_TRUE(img.SetFrameCount(3));
  EXPECT_EQ(img.frameCount, 3);
  EXPECT_EQ(img.GetFrame(2)->palette, &img.palette[0][0]);
  EXPECT_EQ(img.GetFrame(1)->indexMap, img.indexMap);
  EXPECT_EQ(img.GetFrame(0), &img);
  EXPECT_EQ(img.GetFrame(3), &img);
  EXPECT_EQ(img.GetFrame(-1), &img);
  EXPECT_FALSE(img.SetFrameCount(0));
  EXPECT_EQ(img.frameCount, 1);
}

TEST(Image, RemapToPaletteUsesNearestColours) {
  Image img;
  ASSERT_TRUE(img.Create(2, 1, 8));
  img.palette[1][0] = 200;  // red
  img.palette[2][2] = 190;  // blue
  img.SetPixel(0, 0, 1);
  img.SetPixel(1, 0, 2);
  uint8_t target[256][4] = {};
  target[5][0] = 255;
  target[9][2] = 255;
  ASSERT_TRUE(img.RemapToPalette(target));
  EXPECT_EQ(img.GetPixel(0, 0), 5u);
  EXPECT_EQ(img.GetPixel(1, 0), 9u);
  EXPECT_EQ(img.palette[5][0], 255);
  EXPECT_EQ(img.indexMap[1], 1);  // back to identity
}

TEST(Image, UploadTo555FromEightAndThirtyTwoBits) {
  PixelFormat f;
  f.Set(16, 0x7C00, 0x3E0, 0x1F);
  EXPECT_EQ(f.shiftR, 10);
  EXPECT_EQ(f.bitsG, 5);
  EXPECT_EQ(f.lossB, 3);

  Image pal;
  ASSERT_TRUE(pal.Create(2, 1, 8));
  pal.palette[3][0] = 255;
  pal.palette[3][1] = 128;
  pal.palette[3][2] = 8;
  pal.SetPixel(1, 0, 3);
  pal.hotX = 1;
  ASSERT_TRUE(pal.Upload(&f));
  ASSERT_EQ(pal.frameCount, 2);
  const Bitmap* frame = pal.GetFrame(1);
  EXPECT_EQ(frame->bpp, 16);
  EXPECT_EQ(frame->hotX, 1);
  EXPECT_EQ(frame->GetPixel(1, 0), (31u << 10) | (16u << 5) | 1u);
  EXPECT_EQ(frame->GetPixel(0, 0), 0u);  // palette entry 0 is black
  EXPECT_EQ(pal.screenPalette[3], 0xFF000000u | (31u << 10) | (16u << 5) | 1u);

  Image deep;
  ASSERT_TRUE(deep.Create(1, 1, 32));
  deep.SetPixel(0, 0, 0x80FF8008);  // r 255, g 128, b 8
  ASSERT_TRUE(deep.Upload(&f));
  EXPECT_EQ(deep.GetFrame(1)->GetPixel(0, 0), (31u << 10) | (16u << 5) | 1u);

  // A second upload replaces frame 1 rather than adding frames.
  ASSERT_TRUE(deep.Upload(&f));
  EXPECT_EQ(deep.frameCount, 2);
}

TEST(Image, UploadToEightBitFormatFailsForPaletteImages) {
  PixelFormat f8;
  f8.SetForDepth(8);
  Image pal;
  ASSERT_TRUE(pal.Create(2, 2, 8));
  EXPECT_FALSE(pal.Upload(&f8));

  PixelFormat f32;
  f32.SetForDepth(32);
  ASSERT_TRUE(pal.Upload(&f32));
  EXPECT_EQ(pal.GetFrame(1)->GetPixel(0, 0), 0xFF000000u);
}

TEST(PixelFormat, PackAndUnpack) {
  PixelFormat f;
  f.Set(16, 0xF800, 0x7E0, 0x1F);  // 5-6-5
  EXPECT_EQ(f.bitsG, 6);
  EXPECT_EQ(f.lossG, 2);
  f.Set(8, 0, 0, 0);
  EXPECT_EQ(f.shiftR, 0);
  EXPECT_EQ(f.lossR, 8);
  uint8_t rgbx[2][4] = {{255, 0, 0, 0}, {0, 0, 255, 0}};
  f.SetForDepth(15);
  EXPECT_EQ(f.bpp, 16);
  uint16_t out16[2];
  EXPECT_EQ(f.PackColours16(out16, &rgbx[0][0], 2), 2);
  EXPECT_EQ(out16[0], 0x7C00);
  EXPECT_EQ(out16[1], 0x1F);
  EXPECT_EQ(f.PackColours16(nullptr, &rgbx[0][0], 2), 0);
  EXPECT_EQ(f.PackColours16(out16, &rgbx[0][0], -1), 0);
  uint32_t out32[2];
  f.SetForDepth(32);
  f.PackColours32(out32, &rgbx[0][0], 2);
  EXPECT_EQ(out32[0], 0xFFFF0000u);
  EXPECT_EQ(out32[1], 0xFF0000FFu);
  uint8_t px[3] = {0x08, 0x80, 0xFF};
  f.SetForDepth(24);
  uint8_t r, g, b;
  f.ReadPixel(px, &r, &g, &b);
  EXPECT_EQ(r, 0xFF);
  EXPECT_EQ(g, 0x80);
  EXPECT_EQ(b, 0x08);
}

TEST(ImageSet, LookupsAndSignature) {
  ImageSet set(3);
  ASSERT_EQ(set.count, 3);
  set.names[0].Assign("base");
  set.names[1].Assign("brick1");
  set.names[2].Assign("brick2");
  ASSERT_TRUE(set.GetImage(1)->Create(48, 24, 8));
  ASSERT_TRUE(set.GetImage(2)->Create(48, 24, 8));
  EXPECT_EQ(set.GetImage(0), &set);
  EXPECT_EQ(set.GetImage(-1), &set);
  EXPECT_EQ(set.GetImage(3), &set);
  EXPECT_EQ(set.IndexOf("BRICK1"), 1);
  EXPECT_EQ(set.IndexOf("brick3"), -1);
  EXPECT_EQ(set.FindImage("Brick2"), set.GetImage(2));
  EXPECT_EQ(set.FindImage("nope"), nullptr);
  EXPECT_STREQ(set.GetName(2).Text(), "brick2");
  EXPECT_STREQ(set.GetName(7).Text(), "");

  uint32_t sig = set.ComputeSignature();
  set.GetImage(1)->Fill(5);
  EXPECT_EQ(set.ComputeSignature(), sig);  // pixels do not count
  set.names[1].Assign("brick9");
  EXPECT_NE(set.ComputeSignature(), sig);
  set.names[1].Assign("brick1");
  EXPECT_EQ(set.ComputeSignature(), sig);
  set.GetImage(2)->Create(48, 25, 8);
  EXPECT_NE(set.ComputeSignature(), sig);

  ImageSet empty;
  EXPECT_EQ(empty.IndexOf("x"), -1);  // no names
  EXPECT_FALSE(empty.SetCount(0));
}

TEST(ImageSet, CopyKeepsNamesAndPixels) {
  ImageSet a(2);
  a.names[0].Assign("zero");
  a.names[1].Assign("one");
  ASSERT_TRUE(a.GetImage(1)->Create(2, 2, 32));
  a.GetImage(1)->SetPixel(1, 1, 0x11223344);
  a.GetImage(1)->palette[3][1] = 77;
  ImageSet b;
  b = a;
  EXPECT_EQ(b.count, 2);
  EXPECT_STREQ(b.GetName(1).Text(), "one");
  EXPECT_EQ(b.GetImage(1)->GetPixel(1, 1), 0x11223344u);
  EXPECT_EQ(b.GetImage(1)->palette[3][1], 77);
  EXPECT_NE(b.GetImage(1)->pixels, a.GetImage(1)->pixels);
  uint8_t map[256];
  for (int i = 0; i < 256; ++i) map[i] = static_cast<uint8_t>(255 - i);
  ASSERT_TRUE(b.SetIndexMap(map));
  EXPECT_EQ(b.GetImage(1)->indexMap[0], 255);
  EXPECT_EQ(b.indexMap[1], 254);
  EXPECT_FALSE(b.SetIndexMap(nullptr));
}

}  // namespace
