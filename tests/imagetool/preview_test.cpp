// Sheetwright's preview window: its size follows the entry, it shows the
// entry scaled and the grid of inverted cells the mouse lays over it.
#include "imagetool_fixture.h"

using namespace imagetool_test;

namespace {

int32_t ClientWidth(plat::Window* w) { return w->ClientRect().right; }
int32_t ClientHeight(plat::Window* w) { return w->ClientRect().bottom; }

}  // namespace

class PreviewWindow : public ToolFixture {
 protected:
  // One entry of w x h whose pixel (x, y) is 0xFF000000 | x << 8 | y.
  void AddGradient(int32_t w, int32_t h) {
    auto e = std::make_unique<ImageEntry>();
    ASSERT_TRUE(e->image.Create(w, h, 32));
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        e->image.SetPixel(x, y, 0xFF000000u | static_cast<uint32_t>(x) << 8 | static_cast<uint32_t>(y));
    e->BuildDisplayFrame();
    e->RefreshSurface();
    tool.entries.push_back(std::move(e));
    tool.current = static_cast<uint32_t>(tool.entries.size() - 1);
    tool.PostRefresh(0);
    Pump();
  }
  const plat::headless::ClientImage& Shown() { return Preview()->LastPresented(); }
  // Number of inverted pixels along row y of a gradient shown 1:1.
  std::vector<int32_t> InvertedColumns(int32_t y) {
    std::vector<int32_t> out;
    const auto& img = Shown();
    for (int32_t x = 0; x < img.width; ++x) {
      uint32_t plain = 0xFF000000u | static_cast<uint32_t>(x) << 8 | static_cast<uint32_t>(y);
      if (img.At(x, y) == (plain ^ 0x00FFFFFFu)) out.push_back(x);
    }
    return out;
  }
  void SetCorners(int32_t ax, int32_t ay, int32_t bx, int32_t by) {
    tool.x1 = ax;
    tool.y1 = ay;
    tool.x2 = bx;
    tool.y2 = by;
    Preview()->Invalidate();
    Pump();
  }
};

TEST_F(PreviewWindow, WithoutEntriesItIsASmallBlackSquare) {
  ASSERT_NE(Preview(), nullptr);
  EXPECT_EQ(ClientWidth(Preview()), 64);
  EXPECT_EQ(ClientHeight(Preview()), 64);
  const auto& img = Shown();
  ASSERT_EQ(img.width, 64);
  ASSERT_EQ(img.height, 64);
  for (uint32_t p : img.pixels) ASSERT_EQ(p, 0xFF000000u);
}

TEST_F(PreviewWindow, AnEmptyEntryCountsAsNoSelection) {
  AddGradient(100, 10);
  fs::path bad = dir / "bad.png";
  WriteBytes(bad, {0});
  Add({bad});
  EXPECT_EQ(ClientWidth(Preview()), 64);
  EXPECT_EQ(ClientHeight(Preview()), 64);
}

TEST_F(PreviewWindow, TheWindowKeepsTheEntrysAspectAndNeverShrinksBelowItsWidth) {
  Preview()->UserResize(200, 50);
  Pump();
  AddGradient(16, 8);
  EXPECT_EQ(ClientWidth(Preview()), 200);
  EXPECT_EQ(ClientHeight(Preview()), 100);
  const auto& img = Shown();
  ASSERT_EQ(img.width, 200);
  ASSERT_EQ(img.height, 100);
  // Scaled nearest: client (199, 99) shows pixel (15, 7).
  EXPECT_EQ(img.At(199, 99), 0xFF000F07u);
  EXPECT_EQ(img.At(12, 12), 0xFF000000u | 0 << 8 | 0);
  EXPECT_EQ(img.At(13, 13), 0xFF000101u);

  AddGradient(300, 30);  // wider than the window: the window grows
  EXPECT_EQ(ClientWidth(Preview()), 300);
  EXPECT_EQ(ClientHeight(Preview()), 30);
  // The top-left corner stays where it was.
  plat::WindowRect before = Preview()->OuterRect();
  AddGradient(10, 20);
  EXPECT_EQ(Preview()->OuterRect().left, before.left);
  EXPECT_EQ(Preview()->OuterRect().top, before.top);
  EXPECT_EQ(ClientHeight(Preview()), 600);
  // The user's own resize is drawn at once, stretched to the new size.
  Preview()->UserResize(150, 40);
  Pump();
  ASSERT_EQ(Shown().width, 150);
  ASSERT_EQ(Shown().height, 40);
  EXPECT_EQ(Shown().At(149, 39), 0xFF000913u);
}

TEST_F(PreviewWindow, GridCellsBetweenTheCornersAreInverted) {
  Preview()->UserResize(128, 64);
  Pump();
  AddGradient(128, 64);
  ASSERT_EQ(ClientWidth(Preview()), 128);
  ASSERT_EQ(ClientHeight(Preview()), 64);
  SetCorners(0, 0, 64, 32);
  std::vector<int32_t> want;
  for (int32_t x = 0; x < 64; ++x) want.push_back(x);
  EXPECT_EQ(InvertedColumns(0), want);
  EXPECT_EQ(InvertedColumns(31), want);
  EXPECT_TRUE(InvertedColumns(32).empty());

  tool.gapAcross = 4;
  SetCorners(0, 0, 64, 32);
  want.clear();
  for (int32_t x = 0; x < 32; ++x) want.push_back(x);
  for (int32_t x = 36; x < 68; ++x) want.push_back(x);
  EXPECT_EQ(InvertedColumns(5), want);

  // A corner far past the picture (a drag that left the window) inverts
  // the cells up to the picture's edge, and painting still finishes.
  tool.gapAcross = 0;
  SetCorners(64, 0, 1 << 30, 1 << 30);
  want.clear();
  for (int32_t x = 64; x < 128; ++x) want.push_back(x);
  EXPECT_EQ(InvertedColumns(0), want);
  EXPECT_EQ(InvertedColumns(63), want);

  SetCorners(40, 20, 10, 30);  // corner 2 left of corner 1
  EXPECT_TRUE(InvertedColumns(25).empty());
  SetCorners(10, 20, 40, 5);  // corner 2 above corner 1
  EXPECT_TRUE(InvertedColumns(25).empty());
}

TEST_F(PreviewWindow, TheGridIsScaledWithThePicture) {
  AddGradient(32, 16);
  Preview()->UserResize(64, 32);
  tool.PostRefresh(0);
  Pump();
  ASSERT_EQ(ClientWidth(Preview()), 64);
  ASSERT_EQ(ClientHeight(Preview()), 32);
  tool.cellWidth = 8;
  tool.cellHeight = 8;
  SetCorners(0, 0, 9, 1);  // cells at x = 0 and 8 of the image: client 0..31
  const auto& img = Shown();
  EXPECT_NE(img.At(0, 0), 0xFF000000u);
  int inverted = 0;
  for (int32_t x = 0; x < 64; ++x) {
    uint32_t plain = 0xFF000000u | static_cast<uint32_t>(x / 2) << 8;
    if (img.At(x, 0) == (plain ^ 0x00FFFFFFu)) ++inverted;
  }
  EXPECT_EQ(inverted, 32);
}

TEST_F(PreviewWindow, MouseButtonsSetTheCornersInImagePixels) {
  AddGradient(50, 25);
  Preview()->UserResize(100, 50);
  tool.PostRefresh(0);
  Pump();
  ASSERT_EQ(ClientWidth(Preview()), 100);
  windows.PostMessage(tool.preview, plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(20, 10));
  windows.PostMessage(tool.preview, plat::kMsgMouseMove, plat::kButtonLeft, plat::MakeLParam(22, 14));
  windows.PostMessage(tool.preview, plat::kMsgRButtonDown, plat::kButtonRight, plat::MakeLParam(81, 41));
  windows.PostMessage(tool.preview, plat::kMsgMouseMove, 0, plat::MakeLParam(99, 49));
  Pump();
  EXPECT_EQ(tool.x1, 11);
  EXPECT_EQ(tool.y1, 7);
  EXPECT_EQ(tool.x2, 41);
  EXPECT_EQ(tool.y2, 21);
  // Corners stay when the current entry changes; without an entry the
  // mouse changes nothing.
  tool.entries.clear();
  tool.PostRefresh(0);
  Pump();
  windows.PostMessage(tool.preview, plat::kMsgLButtonDown, plat::kButtonLeft, plat::MakeLParam(1, 1));
  Pump();
  EXPECT_EQ(tool.x1, 11);
  EXPECT_EQ(tool.x2, 41);
}

TEST_F(PreviewWindow, ClosingThePreviewClosesTheToolAndSavesBothPlacements) {
  Preview()->MoveOuter(123, 45, 100, 100, false);
  Preview()->UserClose();
  Pump();
  EXPECT_EQ(tool.preview, nullptr);
  EXPECT_FALSE(dlg->IsAlive());
  RegistrySettings settings("Quillmark", "Sheetwright", 0);
  int32_t x = 0, y = 0;
  EXPECT_TRUE(settings.ReadInt("PreviewWndX", &x));
  EXPECT_TRUE(settings.ReadInt("PreviewWndY", &y));
  EXPECT_EQ(x, 123);
  EXPECT_EQ(y, 45);
  EXPECT_TRUE(settings.ReadInt("MainDlgWndX", &x));
}
