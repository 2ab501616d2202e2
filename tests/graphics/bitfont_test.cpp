#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "graphics/bitfont.h"
#include "support/test_support.h"
#include "test_images.h"

using gfxtest::Bytes;

namespace {

struct Glyph {
  std::string name;
  int w, h;
  uint32_t colour;  // every pixel of the 32-bit image
};

// A version-2 image set with solid images; image 0 is the first entry.
std::vector<uint8_t> FontFile(const std::vector<Glyph>& glyphs) {
  Bytes b;
  b.Raw("IMST").Int(2).Int(static_cast<int32_t>(glyphs.size()));
  for (const Glyph& g : glyphs) {
    b.Name(g.name).Int(g.w).Int(g.h).Int(0).Int(0);
    for (int i = 0; i < g.w * g.h; ++i) b.Int(static_cast<int32_t>(g.colour));
  }
  return b.data;
}

bool LoadFont(BitFont& font, const std::vector<Glyph>& glyphs) {
  std::vector<uint8_t> bytes = FontFile(glyphs);
  FILE* f = fmemopen(bytes.data(), bytes.size(), "rb");
  bool ok = font.Load(f);
  std::fclose(f);
  return ok;
}

// A 32-bit canvas the font draws on.
struct Canvas {
  Canvas(int w, int h) : width(w), height(h), px(static_cast<size_t>(w) * h, 0) {}
  uint8_t* bits() { return reinterpret_cast<uint8_t*>(px.data()); }
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
  // Leftmost column holding the colour, or -1.
  int FirstColumn(uint32_t colour) const {
    for (int x = 0; x < width; ++x)
      for (int y = 0; y < height; ++y)
        if (At(x, y) == colour) return x;
    return -1;
  }
  int FirstRow(uint32_t colour) const {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        if (At(x, y) == colour) return y;
    return -1;
  }
  int Count(uint32_t colour) const {
    int n = 0;
    for (uint32_t v : px) n += v == colour;
    return n;
  }
  int width, height;
  std::vector<uint32_t> px;
};

const uint32_t kA = 0xFF0000AA, kB = 0xFF0000BB, kM = 0xFF0000CC, kBase = 0xFF000011, kSpace = 0xFF00EEEE,
               kLowA = 0xFF00AA00;

std::vector<Glyph> StandardFont() {
  return {{"base", 2, 2, kBase}, {"A", 3, 5, kA},     {"B", 4, 5, kB},
          {"M", 5, 6, kM},       {" ", 2, 2, kSpace}, {"long", 1, 1, 0xFF123456}};
}

TEST(BitFont, LoadBuildsGlyphMapAndSpacing) {
  BitFont font;
  ASSERT_TRUE(LoadFont(font, StandardFont()));
  EXPECT_EQ(font.glyph['A'], 1);
  EXPECT_EQ(font.glyph['M'], 3);
  EXPECT_EQ(font.glyph['a'], 1);   // lower case borrowed from upper case
  EXPECT_EQ(font.glyph['l'], -1);  // "long" gets no glyph
  EXPECT_EQ(font.spacing, 1);
  EXPECT_EQ(font.lineHeight, 6);  // height of M
  EXPECT_EQ(font.spaceWidth, 6);  // width of M + spacing
  EXPECT_EQ(font.TextWidth("AB"), 3 + 1 + 4 + 1);
  EXPECT_EQ(font.TextWidth("A B\n"), 4 + 6 + 5 + 6);
  EXPECT_EQ(font.TextWidth("A?"), 4 + 6);  // no glyph: a blank
  EXPECT_EQ(font.TextWidth(""), 0);
  EXPECT_EQ(font.TextWidth(nullptr), 0);

  BitFont single;
  EXPECT_FALSE(LoadFont(single, {{"A", 1, 1, kA}}));
  EXPECT_EQ(single.glyph['A'], -1);
}

TEST(BitFont, PathLoadBuildsTheGlyphMapThroughAnImageSet) {
  std::vector<uint8_t> bytes = FontFile(StandardFont());
  auto dir = vantrel::test::MakeTempDir("fontpath");
  std::string path = (dir / "font.img").string();
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  BitFont font;
  ImageSet& asSet = font;  // callers that only know image sets
  ASSERT_TRUE(asSet.Load(path.c_str()));
  EXPECT_EQ(font.glyph['B'], 2);
  EXPECT_EQ(font.spaceWidth, 6);
  // A refused file leaves the font as it was, glyphs and all.
  std::string bad = (dir / "bad.img").string();
  f = std::fopen(bad.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite("IMST\x03\0\0\0", 1, 8, f);
  std::fclose(f);
  EXPECT_FALSE(asSet.Load(bad.c_str()));
  EXPECT_EQ(font.count, 6);
  EXPECT_EQ(font.glyph['B'], 2);
  EXPECT_EQ(font.TextWidth("AB"), 9);
}

TEST(BitFont, CaseBorrowing) {
  BitFont lower;
  ASSERT_TRUE(LoadFont(lower, {{"base", 1, 1, kBase}, {"a", 2, 2, kLowA}}));
  EXPECT_EQ(lower.glyph['A'], 1);
  BitFont upper;
  ASSERT_TRUE(LoadFont(upper, {{"base", 1, 1, kBase}, {"A", 2, 2, kA}}));
  EXPECT_EQ(upper.glyph['a'], 1);
  BitFont both;
  ASSERT_TRUE(LoadFont(both, {{"base", 1, 1, kBase}, {"A", 2, 2, kA}, {"a", 2, 2, kLowA}, {"a", 3, 3, kLowA}}));
  EXPECT_EQ(both.glyph['A'], 1);
  EXPECT_EQ(both.glyph['a'], 3);  // the later image wins
}

TEST(BitFont, NoTargetNoDraw) {
  BitFont font;
  ASSERT_TRUE(LoadFont(font, StandardFont()));
  EXPECT_FALSE(font.DrawText("AB", 0, 0));
  EXPECT_FALSE(font.DrawTextAtCursor("AB"));
  Canvas c(4, 4);
  EXPECT_FALSE(font.SetTarget(nullptr, 4, 4, 16, 32));
  EXPECT_FALSE(font.SetTarget(c.bits(), 0, 4, 16, 32));
  EXPECT_FALSE(font.SetTarget(c.bits(), 4, 4, 16, 0));
  EXPECT_EQ(font.targetBits, nullptr);
  ASSERT_TRUE(font.SetTarget(c.bits(), 4, 4, 16, 32));
  EXPECT_FALSE(font.DrawText("", 0, 0));
}

TEST(BitFont, DrawsAKnownString) {
  BitFont font;
  ASSERT_TRUE(LoadFont(font, StandardFont()));
  Canvas c(40, 20);
  ASSERT_TRUE(font.SetTarget(c.bits(), c.width, c.height, c.width * 4, 32));
  ASSERT_TRUE(font.DrawText("A B", 2, 3));
  EXPECT_EQ(c.FirstColumn(kA), 2);
  EXPECT_EQ(c.FirstRow(kA), 3);
  EXPECT_EQ(c.Count(kA), 15);
  // A (3) + spacing (1) + blank (6): B starts at 2 + 10.
  EXPECT_EQ(c.FirstColumn(kB), 12);
  EXPECT_EQ(c.Count(kB), 20);
  EXPECT_EQ(c.Count(kSpace), 0);  // a blank never draws
  EXPECT_EQ(font.penX, 12 + 4 + 1);
  EXPECT_EQ(font.penY, 3);

  // Centred in a width of 20: the text is 15 wide, so it starts at x + 2.
  Canvas d(40, 20);
  font.SetTarget(d.bits(), d.width, d.height, d.width * 4, 32);
  font.DrawTextCentered("A B", 10, 0, 20);
  EXPECT_EQ(d.FirstColumn(kA), 12);
  Canvas e(40, 20);
  font.SetTarget(e.bits(), e.width, e.height, e.width * 4, 32);
  font.DrawTextCentered("ABAB", 10, 0, 4);  // 18 wide in 4: starts left of x
  EXPECT_EQ(e.FirstColumn(kA), 3);
}

TEST(BitFont, NewlinesAndTheCursor) {
  BitFont font;
  ASSERT_TRUE(LoadFont(font, StandardFont()));
  ASSERT_TRUE(font.SetSpacing(1, 0, 2, 1, 0));  // line shift 2, line height 6 + 1
  EXPECT_EQ(font.lineHeight, 7);
  Canvas c(60, 40);
  font.SetTarget(c.bits(), c.width, c.height, c.width * 4, 32);
  font.SetCursor(5, 1);
  // Drawn at (20, 10), the second line starts at the stored line start.
  ASSERT_TRUE(font.DrawText("A\nB", 20, 10));
  EXPECT_EQ(c.FirstColumn(kA), 20);
  EXPECT_EQ(c.FirstColumn(kB), 5 + 2);
  EXPECT_EQ(c.FirstRow(kB), 1 + 7);
  EXPECT_EQ(font.cursorX, 5);  // DrawText leaves the cursor alone

  Canvas d(60, 40);
  font.SetTarget(d.bits(), d.width, d.height, d.width * 4, 32);
  font.SetCursor(0, 0);
  ASSERT_TRUE(font.DrawTextAtCursor("A"));
  EXPECT_EQ(font.cursorX, 4);
  ASSERT_TRUE(font.DrawTextAtCursor("B\n"));
  EXPECT_EQ(d.FirstColumn(kB), 4);  // continues where the first ended
  EXPECT_EQ(font.cursorX, 2);
  EXPECT_EQ(font.cursorY, 7);
  EXPECT_EQ(font.lineStartX, 2);
  EXPECT_EQ(font.lineStartY, 7);
  EXPECT_FALSE(font.DrawTextAtCursor(""));
  EXPECT_EQ(font.cursorY, 7);
}

TEST(BitFont, ControlBytesNeverDraw) {
  // Images named by control bytes get no glyph: a text holding such a byte
  // draws nothing for it and advances as for any byte without a glyph.
  const uint32_t kCtl = 0xFF00C0C0;
  BitFont font;
  ASSERT_TRUE(LoadFont(font, {{"base", 2, 2, kBase},
                              {"A", 3, 5, kA},
                              {"M", 5, 6, kM},
                              {std::string(1, '\x01'), 4, 4, kCtl},
                              {std::string(1, '\x1f'), 4, 4, kCtl},
                              {std::string(1, '\x7f'), 4, 4, kCtl},
                              {std::string(1, '\t'), 4, 4, kCtl},
                              {std::string(1, '\n'), 4, 4, kCtl}}));
  for (int c : {1, 9, 10, 31, 127}) EXPECT_EQ(font.glyph[c], -1) << c;
  EXPECT_EQ(font.glyph['A'], 1);
  Canvas c(60, 20);
  ASSERT_TRUE(font.SetTarget(c.bits(), c.width, c.height, c.width * 4, 32));
  ASSERT_TRUE(
      font.DrawText("\x01\x1f\t\x7f"
                    "A",
                    0, 0));
  EXPECT_EQ(c.Count(kCtl), 0);
  EXPECT_EQ(c.FirstColumn(kA), 4 * font.spaceWidth);
  EXPECT_EQ(font.TextWidth("\x01\x7f"), 2 * font.spaceWidth);
}

TEST(BitFont, LineStopsAtItsWidthAndKeepsControlBytesOnTheLine) {
  BitFont font;
  ASSERT_TRUE(LoadFont(font, StandardFont()));
  font.SetSpacing(1, 0, 0, 0, 6);
  struct Case {
    std::string text;
    int32_t width;
    int drawnA;  // A glyphs (3 wide, 4 apart) that fit
  } cases[] = {
      {"AAAA", 16, 4},                     // 4 x 3 + 3 spacings = 15 fits in 16
      {"AAAA", 15, 4},                     // the last glyph ends exactly at the edge
      {"AAAA", 14, 3},                     // the fourth would reach past it
      {"AAAA", 2, 0},                      // not even one fits
      {std::string(100000, 'A'), 40, 10},  // a long text costs what fits
      {"A\nA\rA", 40, 3},                  // a newline stays on the line
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(::testing::Message() << k.text.size() << " bytes in " << k.width);
    Canvas c(200, 20);
    font.SetTarget(c.bits(), c.width, c.height, c.width * 4, 32);
    font.SetCursor(0, 0);
    ASSERT_TRUE(font.DrawTextLine(k.text.c_str(), 5, 3, k.width));
    EXPECT_EQ(c.Count(kA), k.drawnA * 15);
    for (int x = 0; x < c.width; ++x)
      for (int y = 0; y < c.height; ++y)
        if (c.At(x, y) == kA) {
          EXPECT_GE(x, 5);
          EXPECT_LT(x, 5 + k.width);
          EXPECT_GE(y, 3);
          EXPECT_LT(y, 3 + 5);
        }
  }
  // After a newline the line goes on from where the blank ends.
  Canvas c(60, 20);
  font.SetTarget(c.bits(), c.width, c.height, c.width * 4, 32);
  ASSERT_TRUE(font.DrawTextLine("\nB", 2, 1, 50));
  EXPECT_EQ(c.FirstColumn(kB), 2 + 6);
  EXPECT_EQ(c.FirstRow(kB), 1);
  EXPECT_FALSE(font.DrawTextLine("", 0, 0, 50));
}

TEST(BitFont, CursorMoves) {
  BitFont font;
  font.SetCursor(10, 20);
  font.MoveCursor(5, 0);
  EXPECT_EQ(font.lineStartX, 10);
  // The cursor follows the line start only on the axis where it sits on it.
  font.ShiftLineStart(3, 4);
  EXPECT_EQ(font.lineStartX, 13);
  EXPECT_EQ(font.lineStartY, 24);
  EXPECT_EQ(font.cursorX, 15);
  EXPECT_EQ(font.cursorY, 24);
  BitFont other;
  other.CopyCursor(font);
  EXPECT_EQ(other.cursorX, 15);
  EXPECT_EQ(other.lineStartY, 24);
}

TEST(BitFont, ReferenceGlyphFallsBackToImageZero) {
  BitFont font;
  ASSERT_TRUE(LoadFont(font, {{"base", 7, 9, kBase}, {"A", 2, 2, kA}}));
  EXPECT_EQ(font.lineHeight, 9);
  EXPECT_EQ(font.spaceWidth, 8);
  font.SetSpacing(2, 0, 0, 0, 6);
  EXPECT_EQ(font.spaceWidth, 6);
}

TEST(BitFont, DrawsTheFrameOfTheTargetDepth) {
  BitFont font;
  ASSERT_TRUE(LoadFont(font, {{"base", 1, 1, kBase}, {"A", 2, 2, 0xFFF80000}}));
  PixelFormat f16;
  f16.SetForDepth(16);
  ASSERT_TRUE(font.Upload(&f16));
  std::vector<uint16_t> px(8 * 4, 0);
  ASSERT_TRUE(font.SetTarget(reinterpret_cast<uint8_t*>(px.data()), 8, 4, 16, 16));
  ASSERT_TRUE(font.DrawText("A", 1, 1));
  EXPECT_EQ(px[1 * 8 + 1], 0x7C00);  // frame 1 holds 5-5-5 red
  EXPECT_EQ(px[2 * 8 + 2], 0x7C00);
  EXPECT_EQ(px[0], 0);

  // Copying a font takes the images and every setting.
  BitFont copy;
  copy.CopyFrom(font);
  EXPECT_EQ(copy.glyph['A'], 1);
  EXPECT_EQ(copy.count, 2);
  EXPECT_EQ(copy.GetImage(1)->frameCount, 2);
  EXPECT_EQ(copy.targetDepth, 16);
  EXPECT_EQ(copy.TextWidth("A"), 3);
}

}  // namespace
