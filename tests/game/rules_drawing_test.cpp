// What the rules draw: the board background and its styles, the ball lens
// tables and sprite, the image origins, and a frame with more dirty
// rectangles than the display lists.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "core/registry_settings.h"
#include "game/config.h"
#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/board_background.h"
#include "game/play/brick_hits.h"
#include "game/play/image_origins.h"
#include "game/play/play_state.h"
#include "game/scenes/options.h"
#include "graphics/display.h"
#include "graphics/imageset_writer.h"
#include "platform/present.h"
#include "game/support/rules_fixture.h"
#include "support/test_support.h"

using namespace vantrel::test;

namespace {

// A colour as the 16-bit (or display-depth) pictures hold it.
uint32_t AsShown(uint32_t argb, int32_t depth = 16) {
  PixelFormat f;
  f.SetForDepth(depth);
  uint8_t r, g, b;
  f.UnpackPixel(f.Pack((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF), &r, &g, &b);
  return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

class Drawing : public RulesFixture {};

TEST_F(Drawing, BackgroundStyles) {
  MakeBoard({});
  boardSet.boards[0].background = 1;
  struct Case {
    int32_t style;
    bool litInside, darkInside, darkSides;
  } cases[] = {{0, true, false, true}, {1, false, true, false}, {2, false, false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    settings.backgroundStyle = c.style;
    EXPECT_EQ(DrawBoardBackground(255, 255, 255), 20);
    const uint32_t inside = PicturePixel(boardBackdrop, 600, 600);
    const uint32_t side = PicturePixel(boardBackdrop, 50, 300);
    const uint32_t lit = AsShown(kTileColour[1]);
    if (c.litInside) {
      EXPECT_EQ(inside, lit);
    }
    if (c.darkInside) {
      EXPECT_NE(inside, lit);
      EXPECT_NE(inside, 0xFF000000u);
      EXPECT_LT(inside & 0xFF, lit & 0xFF);
    }
    if (!c.litInside && !c.darkInside) {
      EXPECT_EQ(inside, 0xFF000000u);
    }
    if (c.darkSides) {
      EXPECT_NE(side, 0xFF000000u);
      EXPECT_NE(side, lit);
    } else {
      EXPECT_EQ(side, 0xFF000000u);
    }
    // The board picture and the screen show the same.
    EXPECT_EQ(PicturePixel(sceneBackdrop, 600, 600), inside);
    EXPECT_EQ(ScreenPixel(600, 500), PicturePixel(sceneBackdrop, 600, 500));
  }
}

TEST_F(Drawing, AStoredStyleOutOfRangeDrawsWhatTheOptionsLineNames) {
  MakeBoard({});
  boardSet.boards[0].background = 1;
  for (int32_t stored : {3, 5, -1, INT_MAX, INT_MIN}) {
    SCOPED_TRACE(stored);
    ASSERT_TRUE(registrySettings.WriteInt("BackgroundStyle", stored));
    ReadStoredSettings();
    EXPECT_EQ(OptionLineText(6), "Backgrounds:  Textured (F1)");
    DrawBoardBackground(255, 255, 255);
    EXPECT_EQ(PicturePixel(boardBackdrop, 600, 600), AsShown(kTileColour[1]));
  }
}

TEST_F(Drawing, TheBevelIsBrightestInTheMiddleOfEachBorder) {
  MakeBoard({});
  settings.backgroundStyle = 2;
  DrawBoardBackground(255, 128, 0);
  // 20 columns: the border is 30 wide, from 130 and ending at 1150.
  const uint32_t middle = PicturePixel(boardBackdrop, 130 + 15, 300);
  EXPECT_EQ(middle, AsShown(0xFFFF8000));
  EXPECT_EQ(PicturePixel(boardBackdrop, 1149 - 15, 300), middle);
  EXPECT_EQ(PicturePixel(boardBackdrop, 130, 300), 0xFF000000u);
  EXPECT_EQ(PicturePixel(boardBackdrop, 1149, 300), 0xFF000000u);
  uint32_t previous = 0;
  for (int i = 0; i <= 15; ++i) {
    const uint32_t red = (PicturePixel(boardBackdrop, 130 + i, 10) >> 16) & 0xFF;
    EXPECT_GE(red, previous) << i;
    previous = red;
  }
}

TEST_F(Drawing, ABorderOnePixelWideIsDrawnInFullColour) {
  MakeBoard({}, 26);
  GetBoardSetHost().screenWidth = [] { return 1250; };
  ASSERT_EQ(boardSet.GetBorderWidth(), 1);
  settings.backgroundStyle = 2;
  EXPECT_EQ(DrawBoardBackground(255, 255, 255), 26);
  EXPECT_EQ(PicturePixel(boardBackdrop, 0, 700), AsShown(0xFFFFFFFF));
  EXPECT_EQ(PicturePixel(boardBackdrop, 1249, 700), AsShown(0xFFFFFFFF));
}

class ZeroTile : public RulesFixture {
 protected:
  ZeroTile() : RulesFixture(BrickSet::kFull, Backgrounds::kZeroTile) {}
};

TEST_F(ZeroTile, ATileWithoutPixelsIsLeftOutLikeBlack) {
  MakeBoard({"R"});
  boardSet.boards[0].background = 0;
  settings.backgroundStyle = 0;
  EXPECT_EQ(DrawBoardBackground(255, 255, 255), 20);
  EXPECT_EQ(PicturePixel(boardBackdrop, 600, 600), 0xFF000000u);
  EXPECT_EQ(ScreenPixel(160 + 10, 40 + 10), AsShown(BrickColour(0)));
}

TEST_F(Drawing, EveryCellReachesTheScreen) {
  for (int columns : {20, 26}) {
    SCOPED_TRACE(columns);
    MakeBoard({}, columns);
    const int32_t left = (1280 - 48 * columns) / 2;
    for (int c = 0; c < columns; ++c)
      for (int r = 0; r < 20; ++r) boardSet.SetCell(c, r, 1 + (c + r) % 13);
    boardSet.SetCell(1, 1, -kHidden);
    settings.backgroundStyle = 2;
    EXPECT_EQ(DrawBoardBackground(255, 255, 255), columns);
    for (int c = 0; c < columns; ++c) {
      for (int r = 0; r < 20; ++r) {
        const uint32_t want = (c == 1 && r == 1) ? 0xFF000000u : AsShown(BrickColour((c + r) % 13));
        ASSERT_EQ(ScreenPixel(left + 48 * c + 5, 40 + 24 * r + 5), want) << c << "," << r;
      }
    }
    EXPECT_LE(TheDisplay().dirtyCount, kMaxDirtyRects);
    EXPECT_EQ(TheDisplay().lockCount, 0);
  }
}

TEST_F(Drawing, LensTables) {
  BuildBallLensTables();
  const auto& t = ballLensTables;
  // Size 9: corners lie outside the disc.
  for (int tint = 0; tint < 3; ++tint) {
    for (auto [j, k] : std::vector<std::pair<int, int>>{{0, 0}, {0, 8}, {8, 0}, {8, 8}}) {
      const BallLensEntry& e = t[3 * tint][j][k];
      EXPECT_EQ(e.see, 0);
      EXPECT_EQ(e.offsetX, 0);
      EXPECT_EQ(e.offsetY, 0);
      EXPECT_EQ(e.red + e.green + e.blue, 0);
    }
    // Beyond the diameter every entry is 0.
    EXPECT_EQ(t[3 * tint][20][20].see, 0);
  }
  // The centre: o = 1, s = 0.71, level 173.
  const BallLensEntry& c0 = t[0][4][4];
  EXPECT_EQ(c0.offsetX, 0);
  EXPECT_EQ(c0.offsetY, 0);
  EXPECT_EQ(c0.red, 173);
  EXPECT_EQ(c0.green, 173);
  EXPECT_EQ(c0.blue, 173);
  EXPECT_EQ(c0.see, 200 - 173 / 2);
  const BallLensEntry& c1 = t[3][4][4];
  EXPECT_EQ(c1.red, 173);
  EXPECT_EQ(c1.green, 192 * 173 / 256);
  EXPECT_EQ(c1.blue, 0);
  const BallLensEntry& c2 = t[6][4][4];
  EXPECT_EQ(c2.red, 0);
  EXPECT_EQ(c2.green, 173);
  EXPECT_EQ(c2.blue, 173);
  // A point left of and above the centre of the big ball.
  {
    const int n = 29;
    const float f = 14.5f, F = 14.5f;
    const float h = 10 + 0.5f - f, g = 7 + 0.5f - f;
    const float m = std::sqrt(h * h + g * g) / F;
    const float o = std::sqrt(1 - m * m);
    const BallLensEntry& e = t[2][10][7];
    EXPECT_EQ(e.offsetX, int16_t(std::trunc(2 * n * o * g / F)));
    EXPECT_EQ(e.offsetY, int16_t(std::trunc(2 * n * o * h / F)));
    EXPECT_LT(e.offsetX, 0);
    EXPECT_GT(e.see, 0);
  }
}

class Sprite : public RulesFixture {
 protected:
  void SetUp() override {
    RulesFixture::SetUp();
    BuildBallLensTables();
  }
  // The expected sprite pixel for a source colour at lens entry e.
  static uint32_t Expect(const BallLensEntry& e, uint32_t src, int32_t depth) {
    if (e.see == 0) return 0xFF000000u;
    const int w = 255 - e.see;
    auto ch = [w](int s, int shade) { return s + int(std::floor(double(w) * (shade - s) / 256.0)); };
    const int r = ch((src >> 16) & 0xFF, e.red), g = ch((src >> 8) & 0xFF, e.green), b = ch(src & 0xFF, e.blue);
    return AsShown(0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b), depth);
  }
};

TEST_F(Sprite, BadArgumentsDrawNothing) {
  Bitmap target;
  EXPECT_EQ(RenderBallSprite(100, 100, &target, 0, 3), 0);
  EXPECT_EQ(RenderBallSprite(100, 100, &target, 3, 0), 0);
  EXPECT_EQ(RenderBallSprite(100, 100, nullptr, 0, 0), 0);
  EXPECT_EQ(target.pixels, nullptr);
}

TEST_F(Sprite, OutsideTheBufferReadsGreyAndAWrongTargetIsRemade) {
  Bitmap target;
  ASSERT_TRUE(target.Create(5, 5, 32));
  for (float x : {-100.0f, 5000.0f, NAN, INFINITY, 1e20f}) {
    SCOPED_TRACE(x);
    ASSERT_EQ(RenderBallSprite(x, 100, &target, 1, 0), 1);
    ASSERT_EQ(target.width, 17);
    ASSERT_EQ(target.height, 17);
    EXPECT_EQ(target.bpp, 16);
    EXPECT_EQ(target.hotX, 8);
    EXPECT_EQ(target.hotY, 8);
    for (int u = 0; u < 17; ++u)
      for (int k = 0; k < 17; ++k)
        ASSERT_EQ(PicturePixel(target, k, u), Expect(ballLensTables[1][u][k], 0xFF323232, 16)) << u << "," << k;
  }
  EXPECT_EQ(TheDisplay().lockCount, 0);
}

TEST_F(Sprite, RefractsTheBackBuffer) {
  // A screen of one colour left of x = 640 and another right of it.
  {
    SurfaceLock lock;
    ASSERT_TRUE(TheDisplay().Lock(&lock));
    const PixelFormat& f = TheDisplay().format;
    for (int y = 0; y < lock.height; ++y)
      for (int x = 0; x < lock.width; ++x)
        f.StorePixel(lock.bits + y * lock.pitch + x * lock.bytesPerPixel, x < 640 ? 200 : 16, 40, 80);
    TheDisplay().Unlock();
  }
  Bitmap target;
  ASSERT_EQ(RenderBallSprite(300.7f, 200.2f, &target, 2, 2), 1);
  const uint32_t leftColour = AsShown(0xFFC82850);
  for (int u = 0; u < 29; ++u)
    for (int k = 0; k < 29; ++k)
      ASSERT_EQ(PicturePixel(target, k, u), Expect(ballLensTables[8][u][k], leftColour, 16)) << u << "," << k;
}

TEST_F(Sprite, TheFireTextureWrapsAtItsRealSize) {
  play.board.fireballOn = 1;
  Image* fire = explosionSet.GetImage(46);
  // A texture whose size is not a power of two.
  ASSERT_TRUE(fire->Resize(12, 10, false));
  ASSERT_TRUE(fire->Upload(&TheDisplay().format));
  const Bitmap* frame = fire->GetFrame(1);
  ASSERT_EQ(frame->width, 12);
  Bitmap target;
  for (float x : {-3.0f, 1000.0f, 7.0f}) {
    SCOPED_TRACE(x);
    ASSERT_EQ(RenderBallSprite(x, -25.0f, &target, 0, 1), 1);
    for (int u = 0; u < 9; ++u) {
      for (int k = 0; k < 9; ++k) {
        const BallLensEntry& e = ballLensTables[3][u][k];
        int sx = int(std::trunc(x)) - 4 + k + e.offsetX, sy = -25 - 4 + u + e.offsetY;
        sx = ((sx % 12) + 12) % 12;
        sy = ((sy % 10) + 10) % 10;
        const uint32_t src = PicturePixel(*frame, sx, sy);
        ASSERT_EQ(PicturePixel(target, k, u), Expect(e, src, 16)) << u << "," << k;
      }
    }
  }
}

class Sprite32 : public RulesFixture {
 protected:
  Sprite32() : RulesFixture(BrickSet::kFull, Backgrounds::kTwoTiles, Audio::kLoaded, 32) {}
};

TEST_F(Sprite32, ADeepDisplayGetsADeepSprite) {
  BuildBallLensTables();
  Bitmap target;
  ASSERT_TRUE(target.Create(29, 29, 16));
  ASSERT_EQ(RenderBallSprite(640, 360, &target, 2, 0), 1);
  EXPECT_EQ(target.bpp, 32);
  EXPECT_EQ(target.width, 29);
  // The screen is black: the centre shows the shade over black.
  const BallLensEntry& e = ballLensTables[2][14][14];
  const int w = 255 - e.see;
  const uint32_t level = uint32_t(w * e.red / 256);
  EXPECT_EQ(target.GetPixel(14, 14) & 0xFFFFFF, level << 16 | level << 8 | level);
}

TEST_F(Drawing, CentreImageOriginsPutsPaddlesOnOneLine) {
  const boost::filesystem::path path = dir / "Paddle.img";
  std::vector<Bitmap> images(3);
  images[0].Create(64, 16, 32);
  images[1].Create(96, 20, 32);
  images[2].Create(47, 13, 32);
  std::vector<ImageSetWriterEntry> entries = {{"a", &images[0]}, {"b", &images[1]}, {"c", &images[2]}};
  ASSERT_TRUE(WriteImageSet(path, entries));
  ASSERT_TRUE(paddleSet.Load(path.c_str()));
  ASSERT_TRUE(paddleSet.Scale(1.5f, false));
  ASSERT_TRUE(paddleSet.Upload(&TheDisplay().format));
  CentreImageOrigins();
  const int32_t h0 = paddleSet.height;
  for (int i = 0; i < paddleSet.count; ++i) {
    const Image* image = paddleSet.GetImage(i);
    EXPECT_EQ(image->hotX, image->width / 2) << i;
    EXPECT_EQ(image->height - image->hotY, h0) << i;  // equal bottom lines
    EXPECT_EQ(image->GetFrame(1)->hotX, image->hotX) << i;
    EXPECT_EQ(image->GetFrame(1)->hotY, image->hotY) << i;
  }
  for (ImageSet* set : {&explosionSet, &powerUpSet}) {
    for (int i = 0; i < set->count; ++i) {
      const Image* image = set->GetImage(i);
      EXPECT_EQ(image->hotX, image->width / 2);
      EXPECT_EQ(image->hotY, image->height / 2);
    }
  }
}

TEST_F(Drawing, ARefusedDirtyRectangleMakesTheNextPresentWhole) {
  Display& d = TheDisplay();
  auto paint = [&](uint32_t salt) {
    SurfaceLock lock;
    ASSERT_TRUE(d.Lock(&lock));
    for (int y = 0; y < lock.height; ++y)
      for (int x = 0; x < lock.width; ++x) {
        const uint16_t v = uint16_t((x * 7 + y * 131 + salt) * 2654435761u >> 17);
        std::memcpy(lock.bits + y * lock.pitch + x * 2, &v, 2);
      }
    d.Unlock();
  };
  auto matches = [&]() {
    plat::PresentBuffer b;
    b.bits = d.surface.Bits();
    b.width = d.surface.Width();
    b.height = d.surface.Height();
    b.pitch = d.surface.Pitch();
    b.bitsPerPixel = d.surface.BitsPerPixel();
    b.palette = d.surface.colourTable;
    const auto& shown = static_cast<plat::headless::HeadlessWindow*>(window)->LastPresented();
    int wrong = 0;
    for (int y = 0; y < 720; ++y)
      for (int x = 0; x < 1280; ++x) wrong += shown.At(x, y) != plat::PresentPixelRgb(b, x, y);
    return wrong;
  };
  paint(1);
  ASSERT_EQ(d.Present(0), 1);
  ASSERT_EQ(matches(), 0);
  paint(2);
  // 500 disjoint single pixels, then one more that is refused.
  for (int i = 0; i < 500; ++i) ASSERT_TRUE(d.AddDirtyRect((i % 50) * 20, (i / 50) * 20, 1, 1));
  EXPECT_FALSE(d.AddDirtyRect(1200, 700, 5, 5));
  ASSERT_EQ(d.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(matches(), 0);
  EXPECT_EQ(d.dirtyOverflow, 0);
  // The mark is gone: the next dirty-only present is a partial one again.
  paint(3);
  ASSERT_TRUE(d.AddDirtyRect(0, 0, 10, 10));
  ASSERT_EQ(d.Present(kPresentDirtyOnly), 1);
  EXPECT_GT(matches(), 0);
}

}  // namespace
