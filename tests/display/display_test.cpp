// The display over the in-memory window system: modes, locking, the dirty
// list, presenting letterboxed, the mouse mapping and the message queue.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "core/registry_settings.h"
#include "graphics/display.h"
#include "platform/clock.h"
#include "platform/headless/headless_window.h"
#include "platform/message_box.h"
#include "platform/present.h"
#include "support/test_support.h"

using plat::headless::HeadlessWindow;
using plat::headless::HeadlessWindowSystem;

namespace {

struct Recorded {
  uint32_t message;
  uintptr_t wParam;
};

class DisplayTest : public ::testing::Test {
 protected:
  // Opens the window at the given client size and sets a buffer mode.
  void Open(int32_t clientW, int32_t clientH, int32_t bufW, int32_t bufH, int32_t bpp, bool full = false) {
    ASSERT_EQ(display.CreateMainWindow(clientW, clientH, "Test Window", nullptr, &handle, Proc(), 0, true), 1);
    ASSERT_EQ(display.SetVideoMode(bufW, bufH, bpp, full, &format), 1);
  }
  plat::WindowProc Proc() {
    return [this](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
      seen.push_back({m, wp});
      return plat::DefaultWindowProc(w, m, wp, lp);
    };
  }
  HeadlessWindow* Win() { return static_cast<HeadlessWindow*>(handle); }

  // Fills the drawing buffer with a position-dependent pattern.
  void Pattern() {
    SurfaceLock lock;
    ASSERT_TRUE(display.Lock(&lock));
    for (int32_t y = 0; y < lock.height; ++y) {
      for (int32_t x = 0; x < lock.width; ++x) {
        uint8_t* p = lock.bits + y * lock.pitch + x * lock.bytesPerPixel;
        uint32_t v = static_cast<uint32_t>(x * 7 + y * 131) * 2654435761u;
        for (int32_t i = 0; i < lock.bytesPerPixel; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
      }
    }
    display.Unlock();
  }
  plat::PresentBuffer DrawBuffer() {
    plat::PresentBuffer b;
    b.bits = display.surface.Bits();
    b.width = display.surface.Width();
    b.height = display.surface.Height();
    b.pitch = display.surface.Pitch();
    b.bitsPerPixel = display.surface.BitsPerPixel();
    b.palette = display.surface.colourTable;
    return b;
  }

  HeadlessWindowSystem system{1920, 1080};
  Display display;
  plat::Window* handle = nullptr;
  PixelFormat format;
  std::vector<Recorded> seen;
};

TEST_F(DisplayTest, SetVideoModeRefusals) {
  // Without a window every mode is refused.
  EXPECT_EQ(display.SetVideoMode(640, 480, 16, false, nullptr), 0);
  ASSERT_EQ(display.CreateMainWindow(640, 480, "T", nullptr, &handle, Proc(), 0, true), 1);
  struct Case {
    int32_t w, h, bpp;
  } refused[] = {{642, 480, 16}, {0, 480, 16},  {-4, 480, 16}, {640, 0, 16},
                 {640, -1, 16},  {640, 480, 0}, {641, 480, 32}};
  for (const Case& c : refused) {
    EXPECT_EQ(display.SetVideoMode(c.w, c.h, c.bpp, false, &format), 0) << c.w << "x" << c.h << "x" << c.bpp;
  }
  // Buffers that cannot be made fail the mode (instead of a display
  // that silently has no buffer).
  EXPECT_EQ(display.SetVideoMode(1 << 18, 1 << 16, 32, false, &format), 0);
  SurfaceLock none;
  EXPECT_FALSE(display.Lock(&none));
  // Refused while locked.
  ASSERT_EQ(display.SetVideoMode(640, 480, 16, false, nullptr), 1);
  SurfaceLock lock;
  ASSERT_TRUE(display.Lock(&lock));
  EXPECT_EQ(display.SetVideoMode(640, 480, 32, false, nullptr), 0);
  EXPECT_EQ(display.CreateMainWindow(640, 480, "T", nullptr, nullptr, Proc(), 0, true), 0);
  display.Unlock();
  EXPECT_EQ(display.surface.BitsPerPixel(), 16);
}

TEST_F(DisplayTest, PixelFormatsByDepth) {
  ASSERT_EQ(display.CreateMainWindow(640, 480, "T", nullptr, &handle, Proc(), 0, true), 1);
  ASSERT_EQ(display.SetVideoMode(640, 480, 16, false, &format), 1);
  // Depth 16 means 5-5-5.
  EXPECT_EQ(format.bpp, 16);
  EXPECT_EQ(format.maskR, 0x7C00u);
  EXPECT_EQ(format.maskG, 0x3E0u);
  EXPECT_EQ(format.maskB, 0x1Fu);
  EXPECT_EQ(format.shiftR, 10);
  EXPECT_EQ(format.lossG, 3);
  EXPECT_EQ(display.surface.Pitch(), 1280);

  ASSERT_EQ(display.SetVideoMode(640, 480, 32, false, &format), 1);
  EXPECT_EQ(format.maskR, 0xFF0000u);
  EXPECT_EQ(format.lossB, 0);
  ASSERT_EQ(display.SetVideoMode(644, 3, 24, false, &format), 1);
  EXPECT_EQ(display.surface.Pitch(), (644 * 3 + 3) & ~3);
  ASSERT_EQ(display.SetVideoMode(640, 480, 8, false, &format), 1);
  EXPECT_EQ(format.bpp, 8);
  EXPECT_EQ(format.maskR, 0u);
  EXPECT_EQ(format.lossR, 8);
}

TEST_F(DisplayTest, DirtyRectanglesMergeWhenTouching) {
  EXPECT_TRUE(display.AddDirtyRect(10, 10, 5, 5));
  EXPECT_TRUE(display.AddDirtyRect(15, 10, 5, 5));
  ASSERT_EQ(display.dirtyCount, 1);
  EXPECT_EQ(display.dirty[0].left, 10);
  EXPECT_EQ(display.dirty[0].top, 10);
  EXPECT_EQ(display.dirty[0].right, 20);
  EXPECT_EQ(display.dirty[0].bottom, 15);
  // One pixel apart: a second rectangle.
  EXPECT_TRUE(display.AddDirtyRect(21, 10, 5, 5));
  EXPECT_EQ(display.dirtyCount, 2);
  EXPECT_FALSE(display.AddDirtyRect(nullptr));
  display.ClearDirtyRects();
  // The list holds 500; the 501st is refused.
  for (int i = 0; i < kMaxDirtyRects; ++i) ASSERT_TRUE(display.AddDirtyRect(i * 10, 0, 2, 2)) << i;
  EXPECT_FALSE(display.AddDirtyRect(100000, 0, 2, 2));
  EXPECT_EQ(display.dirtyCount, kMaxDirtyRects);
}

TEST_F(DisplayTest, NestedLocks) {
  Open(640, 480, 640, 480, 16);
  SurfaceLock outer, inner;
  ASSERT_TRUE(display.Lock(&outer));
  ASSERT_TRUE(display.Lock(&inner));
  EXPECT_EQ(inner.bits, outer.bits);
  EXPECT_EQ(inner.pitch, 1280);
  EXPECT_EQ(inner.bytesPerPixel, 2);
  EXPECT_EQ(display.Present(0), 0);
  EXPECT_TRUE(display.Unlock());
  EXPECT_EQ(display.Present(0), 0);
  EXPECT_TRUE(display.Unlock());
  EXPECT_EQ(display.Present(0), 1);
  EXPECT_FALSE(display.Unlock());
  EXPECT_EQ(display.lockCount, 0);
  // A negative count is repaired by the next lock.
  display.lockCount = -3;
  ASSERT_TRUE(display.Lock(&outer));
  EXPECT_EQ(display.lockCount, 1);
  display.Unlock();
  // Without buffers the lock fails and the count stays.
  display.FreeBuffers();
  EXPECT_FALSE(display.Lock(&outer));
  EXPECT_EQ(display.lockCount, 0);
  EXPECT_EQ(display.Present(0), 0);
}

TEST_F(DisplayTest, LetterboxFitAndBars) {
  Open(1280, 720, 640, 480, 16);
  LetterboxFit fit = display.CurrentFit();
  EXPECT_EQ(fit.fitWidth, 960);
  EXPECT_EQ(fit.fitHeight, 720);
  EXPECT_EQ(fit.offsetX, 160);
  EXPECT_EQ(fit.offsetY, 0);
  Pattern();
  ASSERT_EQ(display.Present(0), 1);
  const auto& img = Win()->LastPresented();
  ASSERT_EQ(img.width, 1280);
  ASSERT_EQ(img.height, 720);
  const plat::PresentBuffer buf = DrawBuffer();
  for (int32_t y = 0; y < 720; y += 7) {
    for (int32_t x = 0; x < 1280; ++x) {
      uint32_t want = 0xFF000000u;
      if (x >= 160 && x < 1120) want = plat::PresentPixelRgb(buf, (x - 160) * 640 / 960, y * 480 / 720);
      ASSERT_EQ(img.At(x, y), want) << x << "," << y;
    }
  }
  // Same size: a plain copy, no bars.
  EXPECT_EQ(ComputeLetterboxFit(640, 480, 640, 480).offsetX, 0);
  plat::WindowRect bars[4];
  EXPECT_EQ(LetterboxBars(640, 480, ComputeLetterboxFit(640, 480, 640, 480), bars), 0);
}

TEST_F(DisplayTest, OddLeftoverColumnAndRowAreBlack) {
  // 1281 - 960 = 321: offset 160 on the left, 161 on the right.
  for (auto [cw, ch] : {std::pair{1281, 720}, std::pair{1280, 721}, std::pair{643, 480}}) {
    HeadlessWindowSystem sys(1920, 1080);
    Display d;
    plat::Window* w = nullptr;
    ASSERT_EQ(d.CreateMainWindow(cw, ch, "T", nullptr, &w, nullptr, 0, true), 1);
    ASSERT_EQ(d.SetVideoMode(640, 480, 16, false, nullptr), 1);
    ASSERT_EQ(d.Present(0), 1);
    const auto& img = static_cast<HeadlessWindow*>(w)->LastPresented();
    ASSERT_EQ(img.width, cw);
    for (uint32_t p : img.pixels) ASSERT_NE(p, plat::headless::kUnpainted) << cw << "x" << ch;
  }
}

TEST_F(DisplayTest, ClientToBufferUsesTheFit) {
  Open(1280, 720, 640, 480, 16);
  struct Case {
    int32_t cx, cy, bx, by;
  } cases[] = {
      {10, 10, 0, 6},         // in the left bar
      {1200, 719, 639, 479},  // in the right bar, bottom row: the last pixel, not one past
      {160, 0, 0, 0},         // the fit's corner
      {1119, 360, 639, 240},  // the fit's last column
      {640, 360, 320, 240},   // the centre
      {-5, 5000, 0, 479},     // out of the client area
  };
  for (const Case& c : cases) {
    int32_t x = c.cx, y = c.cy;
    display.ClientToBuffer(&x, &y);
    EXPECT_EQ(x, c.bx) << c.cx;
    EXPECT_EQ(y, c.by) << c.cy;
  }
  int32_t x = 320, y = 240;
  display.BufferToClient(&x, &y);
  EXPECT_EQ(x, 640);
  EXPECT_EQ(y, 360);
  for (auto [bx, by, cx, cy] : {std::tuple{100000, -100000, 1280, 0}, std::tuple{INT32_MAX, INT32_MIN, 1280, 0},
                                std::tuple{INT32_MIN, INT32_MAX, 0, 720}}) {
    x = bx;
    y = by;
    display.BufferToClient(&x, &y);
    EXPECT_EQ(x, cx) << bx;
    EXPECT_EQ(y, cy) << by;
  }
}

TEST_F(DisplayTest, FullScreenSwitchKeepsBufferSize) {
  Open(1280, 720, 1280, 720, 16);
  const plat::WindowRect windowed = Win()->OuterRect();
  // Centred on the 1920 x 1080 screen with the frame around the client.
  EXPECT_EQ(windowed.left, (1920 - (1280 + 16)) / 2);
  EXPECT_EQ(windowed.top, (1080 - (720 + 39)) / 2);

  ASSERT_EQ(display.SetVideoMode(1280, 720, 16, true, &format), 1);
  EXPECT_EQ(Win()->Style(), plat::WindowStyle::kFullScreen);
  EXPECT_EQ(display.surface.Width(), 1280);
  EXPECT_EQ(display.surface.Height(), 720);
  EXPECT_EQ(display.MoveWindowTo(10, 10), 0);
  Pattern();
  ASSERT_EQ(display.Present(0), 1);
  const auto& img = Win()->LastPresented();
  ASSERT_EQ(img.width, 1920);
  ASSERT_EQ(img.height, 1080);
  const plat::PresentBuffer buf = DrawBuffer();
  EXPECT_EQ(img.At(0, 0), plat::PresentPixelRgb(buf, 0, 0));
  EXPECT_EQ(img.At(1919, 1079), plat::PresentPixelRgb(buf, 1279, 719));
  EXPECT_EQ(img.At(961, 541), plat::PresentPixelRgb(buf, 961 * 1280 / 1920, 541 * 720 / 1080));

  ASSERT_EQ(display.SetVideoMode(1280, 720, 16, false, &format), 1);
  EXPECT_EQ(Win()->Style(), plat::WindowStyle::kFramedSizable);
  EXPECT_EQ(Win()->ClientRect().right, 1280);
  EXPECT_EQ(Win()->ClientRect().bottom, 720);
  EXPECT_EQ(Win()->OuterRect().left, windowed.left);
  EXPECT_EQ(display.surface.Width(), 1280);
  // Entering and leaving full screen never reports "maximised".
  for (const Recorded& r : seen) {
    if (r.message == plat::kMsgSize) {
      EXPECT_NE(r.wParam, plat::kSizeMaximised);
    }
  }
  system.DispatchAll();
  for (const Recorded& r : seen) {
    if (r.message == plat::kMsgSize) {
      EXPECT_NE(r.wParam, plat::kSizeMaximised);
    }
  }
}

// A window opened in the mode the settings ask for: full screen from its
// creation, so the full-screen mode that follows switches nothing and gives
// what switching a framed window gave; a system that refuses full screen
// leaves a framed window, and the mode then fails as a switch would.
TEST_F(DisplayTest, OpeningInFullScreenGivesTheModeWithoutASwitch) {
  EXPECT_EQ(display.SetOpenFullScreen(true), 0);
  ASSERT_EQ(display.CreateMainWindow(1280, 720, "Test Window", nullptr, &handle, Proc(), 0, true), 1);
  EXPECT_EQ(Win()->Style(), plat::WindowStyle::kFullScreen);
  EXPECT_TRUE(Win()->Shown());
  EXPECT_EQ(display.fullScreen, 1);
  const size_t sizesBefore = std::count_if(seen.begin(), seen.end(),
                                           [](const Recorded& r) { return r.message == plat::kMsgSize; });
  ASSERT_EQ(display.SetVideoMode(1280, 720, 16, true, &format), 1);
  EXPECT_EQ(Win()->Style(), plat::WindowStyle::kFullScreen);
  EXPECT_EQ(std::count_if(seen.begin(), seen.end(), [](const Recorded& r) { return r.message == plat::kMsgSize; }),
            sizesBefore);
  EXPECT_EQ(Win()->ClientRect().right, 1920);
  EXPECT_EQ(display.surface.Width(), 1280);
  // Leaving full screen gives the centred framed window at the asked size.
  ASSERT_EQ(display.SetVideoMode(1280, 720, 16, false, &format), 1);
  EXPECT_EQ(Win()->Style(), plat::WindowStyle::kFramedSizable);
  EXPECT_EQ(Win()->ClientRect().right, 1280);
  EXPECT_EQ(Win()->ClientRect().bottom, 720);
  EXPECT_EQ(Win()->OuterRect().left, (1920 - (1280 + 16)) / 2);
  EXPECT_EQ(display.Close(true), 0);

  system.RefuseStyle(plat::WindowStyle::kFullScreen, true);
  ASSERT_EQ(display.CreateMainWindow(1280, 720, "Test Window", nullptr, &handle, Proc(), 0, true), 1);
  EXPECT_NE(Win()->Style(), plat::WindowStyle::kFullScreen);
  EXPECT_EQ(display.SetVideoMode(1280, 720, 16, true, &format), 0);
  EXPECT_EQ(display.SetVideoMode(1280, 720, 16, false, &format), 1);
  EXPECT_EQ(display.SetOpenFullScreen(false), 1);
}

TEST_F(DisplayTest, PlacementWithoutCentring) {
  Open(640, 480, 640, 480, 16);
  display.SetCentreWindow(false);
  EXPECT_EQ(display.MoveWindowTo(-20, -30), 1);
  EXPECT_EQ(display.windowX, 0);
  EXPECT_EQ(display.windowY, 0);
  EXPECT_EQ(display.MoveWindowTo(100, 50), 1);
  EXPECT_EQ(display.SizeWindow(800, 600), 1);
  EXPECT_EQ(Win()->OuterRect().left, 100);
  EXPECT_EQ(Win()->OuterRect().top, 50);
  EXPECT_EQ(Win()->ClientRect().right, 800);
  EXPECT_EQ(display.SetCentreWindow(true), 0);
  EXPECT_EQ(SetWindowClientSize(handle, 320, 200), 1);
  EXPECT_EQ(Win()->ClientRect().right, 320);
  EXPECT_EQ(Win()->OuterRect().left, 100);
  EXPECT_EQ(PlaceWindow(handle, 7, 9), 1);
  EXPECT_EQ(Win()->OuterRect().left, 7);
  EXPECT_EQ(Win()->ClientRect().bottom, 200);
  EXPECT_EQ(SetWindowClientSize(nullptr, 1, 1), 0);
  EXPECT_EQ(PlaceWindow(nullptr, 1, 1), 0);
}

TEST_F(DisplayTest, WindowPlacementRoundTrip) {
  Open(800, 600, 800, 600, 16);
  RegistrySettings settings("Quillmark", "Vantrel", 0);
  display.SetCentreWindow(false);
  display.MoveWindowTo(123, 45);
  ASSERT_EQ(settings.SaveWindow(handle, "MainWnd", false, false), 1);
  display.MoveWindowTo(600, 400);
  ASSERT_EQ(settings.RestoreWindow(handle, "MainWnd", false, false), 1);
  EXPECT_EQ(Win()->OuterRect().left, 123);
  EXPECT_EQ(Win()->OuterRect().top, 45);
  EXPECT_EQ(Win()->ClientRect().right, 800);
  EXPECT_EQ(Win()->ClientRect().bottom, 600);
  // A minimised window reports -32000, restored as -8.
  Win()->UserMinimise();
  ASSERT_EQ(settings.SaveWindow(handle, "MainWnd", false, false), 1);
  Win()->UserRestore();
  ASSERT_EQ(settings.RestoreWindow(handle, "MainWnd", false, false), 1);
  EXPECT_EQ(Win()->OuterRect().left, -8);
}

TEST_F(DisplayTest, PresentedImageEqualsDrawnBuffer) {
  for (int32_t bpp : {16, 24, 32, 8}) {
    HeadlessWindowSystem sys(1920, 1080);
    Display d;
    plat::Window* w = nullptr;
    ASSERT_EQ(d.CreateMainWindow(320, 200, "T", nullptr, &w, nullptr, 0, false), 1);
    ASSERT_EQ(d.SetVideoMode(320, 200, bpp, false, nullptr), 1);
    uint8_t pal[256][4];
    for (int i = 0; i < 256; ++i) {
      pal[i][0] = static_cast<uint8_t>(i);
      pal[i][1] = static_cast<uint8_t>(255 - i);
      pal[i][2] = static_cast<uint8_t>(i * 3);
      pal[i][3] = 0;
    }
    d.SetPalette(pal);
    SurfaceLock lock;
    ASSERT_TRUE(d.Lock(&lock));
    for (int32_t y = 0; y < lock.height; ++y)
      for (int32_t i = 0; i < lock.width * lock.bytesPerPixel; ++i)
        lock.bits[y * lock.pitch + i] = static_cast<uint8_t>((i * 31 + y * 17) ^ (i >> 3));
    d.Unlock();
    ASSERT_EQ(d.Present(0), 1);
    plat::PresentBuffer b;
    b.bits = d.surface.Bits();
    b.width = 320;
    b.height = 200;
    b.pitch = d.surface.Pitch();
    b.bitsPerPixel = bpp;
    b.palette = pal;
    const auto& img = static_cast<HeadlessWindow*>(w)->LastPresented();
    ASSERT_EQ(img.width, 320);
    ASSERT_EQ(img.height, 200);
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 320; ++x)
        ASSERT_EQ(img.At(x, y), plat::PresentPixelRgb(b, x, y)) << bpp << " " << x << "," << y;
    EXPECT_EQ(std::memcmp(d.surface.PresentBits(), d.surface.Bits(), static_cast<size_t>(b.pitch) * 200), 0);
  }
}

TEST_F(DisplayTest, DirtyPresentCopiesOnlyListedRectangles) {
  Open(64, 32, 64, 32, 16);
  ASSERT_EQ(display.Present(0), 1);  // all black
  SurfaceLock lock;
  ASSERT_TRUE(display.Lock(&lock));
  for (int32_t y = 0; y < 32; ++y)
    for (int32_t x = 0; x < 64; ++x) reinterpret_cast<uint16_t*>(lock.bits + y * lock.pitch)[x] = 0x7FFF;
  display.Unlock();
  display.AddDirtyRect(4, 4, 8, 8);
  display.AddDirtyRect(-10, 30, 20, 20);  // clipped to the buffer
  ASSERT_EQ(display.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(display.dirtyCount, 0);
  const auto& img = Win()->LastPresented();
  EXPECT_EQ(img.At(4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(img.At(11, 11), 0xFFFFFFFFu);
  EXPECT_EQ(img.At(12, 11), 0xFF000000u);
  EXPECT_EQ(img.At(3, 4), 0xFF000000u);
  EXPECT_EQ(img.At(0, 31), 0xFFFFFFFFu);
  EXPECT_EQ(img.At(40, 20), 0xFF000000u);
  // An empty list with the dirty flag presents the whole buffer.
  ASSERT_EQ(display.Present(kPresentDirtyOnly), 1);
  EXPECT_EQ(img.At(40, 20), 0xFFFFFFFFu);
}

TEST_F(DisplayTest, PresentScaledToClientStaysInsideTheBuffer) {
  // The scaled copy maps the rectangles onto the client size, which is
  // larger than the presentation buffer here: it is clipped to it.
  Open(64, 32, 32, 16, 16);
  SurfaceLock lock;
  ASSERT_TRUE(display.Lock(&lock));
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 32; ++x)
      reinterpret_cast<uint16_t*>(lock.bits + y * lock.pitch)[x] = static_cast<uint16_t>(x + 32 * y);
  display.Unlock();
  ASSERT_EQ(display.Present(kPresentScaleToClient), 1);
  const uint16_t* shown = reinterpret_cast<const uint16_t*>(display.surface.PresentBits());
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 32; ++x) ASSERT_EQ(shown[y * 32 + x], (x / 2) + 32 * (y / 2)) << x << "," << y;
}

TEST_F(DisplayTest, CreateMainWindow) {
  ASSERT_EQ(display.CreateMainWindow(1280, 720, "Vantrel: Orvesse", nullptr, &handle, Proc(), 102, false), 1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().message, plat::kMsgCreate);
  EXPECT_EQ(Win()->Title(), "Vantrel: Orvesse");
  EXPECT_EQ(Win()->IconId(), 102);
  EXPECT_TRUE(Win()->Shown());
  EXPECT_TRUE(Win()->Focused());
  EXPECT_EQ(Win()->Style(), plat::WindowStyle::kFramedFixed);
  EXPECT_EQ(display.window, handle);
  EXPECT_EQ(display.sizable, 0);
  EXPECT_EQ(display.outerWidth, 1280 + 16);
  // Close destroys the window once; the procedure sees the destroy.
  EXPECT_EQ(display.Close(true), 0);
  EXPECT_EQ(display.window, nullptr);
  EXPECT_FALSE(Win()->IsAlive());
  EXPECT_EQ(seen.back().message, plat::kMsgDestroy);
  // A procedure that refuses creation makes it fail.
  plat::WindowProc refuse = [](plat::Window*, uint32_t m, uintptr_t, intptr_t) -> intptr_t {
    return m == plat::kMsgCreate ? -1 : 0;
  };
  EXPECT_EQ(display.CreateMainWindow(64, 64, "T", nullptr, &handle, refuse, 0, true), 0);
  EXPECT_EQ(display.window, nullptr);
}

TEST(DisplayNoSystem, CreateMainWindowFailsWithoutWindowSystem) {
  ASSERT_EQ(plat::GetWindowSystem(), nullptr);
  Display d;
  plat::Window* w = reinterpret_cast<plat::Window*>(1);
  EXPECT_EQ(d.CreateMainWindow(64, 64, "T", nullptr, &w, nullptr, 0, true), 0);
  EXPECT_EQ(d.window, nullptr);
  // Message boxes work without any window system: OK.
  EXPECT_EQ(plat::ShowMessageBox(nullptr, "Vantrel is already running!", "Error!", plat::kMbOk), plat::kIdOk);
}

// ---------------------------------------------------------------------------
// The message queue.

class QueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::WindowDesc desc;
    desc.proc = [this](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
      order.push_back(m);
      if (m == plat::kMsgUser + 1) system.PostMessage(w, plat::kMsgUser + 3, 0, 0);
      if (m == plat::kMsgDestroy) {
        system.PostQuitMessage(7);
        w->Destroy();  // from inside its own destroy: nothing more
      }
      return plat::DefaultWindowProc(w, m, wp, lp);
    };
    window = system.CreateMainWindow(desc);
    ASSERT_NE(window, nullptr);
    order.clear();
  }
  HeadlessWindowSystem system;
  plat::Window* window = nullptr;
  std::vector<uint32_t> order;
};

TEST_F(QueueTest, PostedMessagesRunInOrderAfterTheCurrentHandler) {
  system.PostMessage(window, plat::kMsgUser + 1, 0, 0);
  system.PostMessage(window, plat::kMsgUser + 2, 0, 0);
  window->Invalidate();
  plat::Message m;
  // Peek without removing leaves the message in front.
  ASSERT_TRUE(system.PeekMessage(&m, false));
  EXPECT_EQ(m.message, plat::kMsgUser + 1);
  ASSERT_TRUE(system.PeekMessage(&m, false));
  EXPECT_EQ(m.message, plat::kMsgUser + 1);
  while (system.PeekMessage(&m, true)) plat::WindowSystem::DispatchMessage(m);
  // The message posted by the first handler runs after the second; paint
  // comes once nothing else waits.
  std::vector<uint32_t> want = {plat::kMsgUser + 1, plat::kMsgUser + 2, plat::kMsgUser + 3, plat::kMsgPaint};
  EXPECT_EQ(order, want);
  EXPECT_FALSE(system.PeekMessage(&m, false));
}

TEST_F(QueueTest, CloseDestroyQuit) {
  system.PostMessage(window, plat::kMsgClose, 0, 0);
  system.PostMessage(window, plat::kMsgUser + 9, 0, 0);  // dropped with the window
  plat::Message m;
  ASSERT_TRUE(system.GetMessage(&m));
  plat::WindowSystem::DispatchMessage(m);
  EXPECT_FALSE(window->IsAlive());
  // The quit is seen by the very next look at the queue.
  ASSERT_TRUE(system.PeekMessage(&m, false));
  EXPECT_EQ(m.message, plat::kMsgQuit);
  EXPECT_FALSE(system.GetMessage(&m));
  EXPECT_EQ(m.wParam, 7u);
  std::vector<uint32_t> want = {plat::kMsgClose, plat::kMsgDestroy};
  EXPECT_EQ(order, want);
  EXPECT_FALSE(system.PostMessage(window, plat::kMsgUser, 0, 0));
  window->Destroy();  // a second destroy does nothing
  EXPECT_EQ(order.size(), 2u);
}

TEST_F(QueueTest, TimedWaitsAreRecordedAndEndWithWhatTheHandlerPosts) {
  // Something waiting (a message, a paint): true at once, nothing recorded.
  system.PostMessage(window, plat::kMsgUser, 0, 0);
  EXPECT_TRUE(system.WaitMessageFor(5));
  system.DispatchAll();
  window->Invalidate();
  EXPECT_TRUE(system.WaitMessageFor(5));
  system.DispatchAll();
  EXPECT_TRUE(system.TimedWaits().empty());

  // Nothing waiting: 0 only looks; a wait is recorded, and without a handler
  // it ends at once, neither moving time nor running the queue dry.
  plat::FakeClockScope clock;
  EXPECT_FALSE(system.WaitMessageFor(0));
  EXPECT_FALSE(system.WaitMessageFor(7));
  EXPECT_EQ(plat::MilliClock(), 0u);
  EXPECT_EQ(system.RanDryCount(), 0);
  EXPECT_EQ(system.QueueLength(), 0u);

  // The handler stands for the wait's time: what it posts ends the wait.
  std::vector<uint32_t> asked;
  system.SetTimedWaitHandler([&](uint32_t ms) {
    asked.push_back(ms);
    plat::AdvanceFakeClockMs(ms / 2);
    if (asked.size() == 2) system.PostMessage(window, plat::kMsgUser + 5, 0, 0);
  });
  EXPECT_FALSE(system.WaitMessageFor(8));
  EXPECT_TRUE(system.WaitMessageFor(6));
  EXPECT_EQ(asked, (std::vector<uint32_t>{8, 6}));
  EXPECT_EQ(system.TimedWaits(), (std::vector<uint32_t>{7, 8, 6}));
  EXPECT_EQ(plat::MilliClock(), 7u);
  EXPECT_EQ(system.DispatchAll(), 1);
  EXPECT_EQ(order.back(), plat::kMsgUser + 5);
  system.SetTimedWaitHandler(nullptr);
}

TEST_F(QueueTest, LoopsEndWhenTheQueueRunsDry) {
  // A loop of the shape "wait while nothing waits, get, dispatch": the idle
  // handler feeds it three messages, one per wait, then has nothing more.
  int fed = 0;
  system.SetIdleHandler([&] {
    if (fed < 3) system.PostMessage(window, plat::kMsgUser + 10 + fed++, 0, 0);
  });
  plat::Message m;
  int turns = 0;
  for (; turns < 100; ++turns) {
    if (!system.PeekMessage(&m, false)) system.WaitMessage();
    if (!system.GetMessage(&m)) break;
    plat::WindowSystem::DispatchMessage(m);
  }
  EXPECT_LT(turns, 100);
  std::vector<uint32_t> want = {plat::kMsgUser + 10, plat::kMsgUser + 11, plat::kMsgUser + 12};
  EXPECT_EQ(order, want);
  EXPECT_EQ(m.message, plat::kMsgQuit);
  EXPECT_EQ(static_cast<int32_t>(m.wParam), HeadlessWindowSystem::kRanDryQuitCode);
  EXPECT_EQ(system.RanDryCount(), 1);

  // A bare get on an empty queue is the same quit, never an empty message;
  // "peek until something waits" ends too.
  system.SetIdleHandler(nullptr);
  EXPECT_FALSE(system.GetMessage(&m));
  EXPECT_EQ(m.message, plat::kMsgQuit);
  for (turns = 0; turns < 100 && !system.PeekMessage(&m, true); ++turns) system.WaitMessage();
  EXPECT_EQ(m.message, plat::kMsgQuit);
  EXPECT_EQ(system.RanDryCount(), 3);

  // A program's own quit keeps its code; waiting with messages queued (or a
  // paint due) calls no idle handler.
  bool idleCalled = false;
  system.SetIdleHandler([&] { idleCalled = true; });
  window->Invalidate();
  system.WaitMessage();
  ASSERT_TRUE(system.GetMessage(&m));
  EXPECT_EQ(m.message, plat::kMsgPaint);
  system.PostQuitMessage(4);
  EXPECT_FALSE(system.GetMessage(&m));
  EXPECT_EQ(m.wParam, 4u);
  EXPECT_FALSE(idleCalled);
  EXPECT_EQ(system.RanDryCount(), 3);
}

TEST_F(QueueTest, UserActionsAndTimers) {
  auto* w = static_cast<HeadlessWindow*>(window);
  w->UserMinimise();
  w->UserRestore();
  w->UserFocus(false);
  w->UserMaximise();
  window->SetTimer(5, 1000);
  system.AdvanceTime(999);
  system.AdvanceTime(1);
  system.AdvanceTime(2500);  // still one pending timer message
  std::vector<plat::Message> got;
  plat::Message m;
  while (system.PeekMessage(&m, true)) got.push_back(m);
  ASSERT_GE(got.size(), 7u);
  EXPECT_EQ(got[0].message, plat::kMsgActivate);
  EXPECT_NE(plat::HighWord(got[0].wParam), 0u);  // minimised
  EXPECT_EQ(got[1].message, plat::kMsgSize);
  EXPECT_EQ(got[1].wParam, plat::kSizeMinimised);
  EXPECT_EQ(got[2].message, plat::kMsgActivate);
  EXPECT_EQ(plat::LowWord(got[2].wParam), plat::kActive);
  EXPECT_EQ(plat::HighWord(got[2].wParam), 0u);
  int timers = 0, maximised = 0, appInactive = 0;
  for (const plat::Message& g : got) {
    if (g.message == plat::kMsgTimer && g.wParam == 5) ++timers;
    if (g.message == plat::kMsgSize && g.wParam == plat::kSizeMaximised) ++maximised;
    if (g.message == plat::kMsgActivateApp && g.wParam == 0) ++appInactive;
  }
  EXPECT_EQ(timers, 1);
  EXPECT_EQ(maximised, 1);
  EXPECT_EQ(appInactive, 1);
}

TEST_F(QueueTest, ParameterPacking) {
  const intptr_t lp = plat::MakeLParam(1279, 719);
  EXPECT_EQ(plat::LowWord(static_cast<uintptr_t>(lp)), 1279u);
  EXPECT_EQ(plat::HighWord(static_cast<uintptr_t>(lp)), 719u);
  EXPECT_EQ(plat::SignedHighWord(plat::MakeWParam(0, -120)), -120);
  EXPECT_EQ(plat::SignedHighWord(plat::MakeWParam(plat::kButtonLeft, 240)), 240);
}

TEST_F(QueueTest, MessageBoxesAndCursorAreRecorded) {
  system.ScriptAnswer(plat::kIdCancel);
  EXPECT_EQ(plat::ShowMessageBox(window, "Really quit?", "Confirm", plat::kMbOkCancel), plat::kIdCancel);
  EXPECT_EQ(plat::ShowMessageBox(nullptr, "Could not open Window!", "Fatal Error", 0), plat::kIdOk);
  ASSERT_EQ(system.MessageBoxes().size(), 2u);
  EXPECT_EQ(system.MessageBoxes()[0].text, "Really quit?");
  EXPECT_EQ(system.MessageBoxes()[0].owner, window);
  EXPECT_EQ(system.MessageBoxes()[1].caption, "Fatal Error");

  window->ConfineCursor(true);
  window->WarpCursor(100, 200);
  system.ShowCursor(false);
  window->ConfineCursor(false);
  const auto& calls = system.CursorCalls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, plat::headless::CursorCall::kConfine);
  int32_t sx = 0, sy = 0;
  window->ClientToScreen(&sx, &sy);
  EXPECT_EQ(calls[0].clip.left, sx);
  EXPECT_EQ(calls[0].clip.bottom - calls[0].clip.top, window->ClientRect().bottom);
  EXPECT_EQ(calls[1].kind, plat::headless::CursorCall::kWarp);
  EXPECT_EQ(calls[1].x, 100);
  EXPECT_EQ(calls[2].kind, plat::headless::CursorCall::kHide);
  EXPECT_FALSE(system.CursorShown());
  EXPECT_EQ(calls[3].kind, plat::headless::CursorCall::kRelease);
}

TEST_F(QueueTest, PresentedImageSavesAsPng) {
  auto* w = static_cast<HeadlessWindow*>(window);
  uint16_t px[4] = {0x7C00, 0x03E0, 0x001F, 0x7FFF};
  plat::PresentBuffer b;
  b.bits = reinterpret_cast<const uint8_t*>(px);
  b.width = 2;
  b.height = 2;
  b.pitch = 4;
  b.bitsPerPixel = 16;
  plat::WindowRect target{0, 0, 640, 480};
  ASSERT_TRUE(w->Present(b, target, nullptr, 0));
  EXPECT_EQ(w->LastPresented().At(0, 0), 0xFFFF0000u);
  EXPECT_EQ(w->LastPresented().At(639, 479), 0xFFFFFFFFu);
  const auto dir = vantrel::test::MakeTempDir("png");
  EXPECT_TRUE(w->LastPresented().SavePng((dir / "shot.png").string()));
  EXPECT_GT(boost::filesystem::file_size(dir / "shot.png"), 50u);
  EXPECT_FALSE(w->LastPresented().SavePng((dir / "missing" / "shot.png").string()));
  // A buffer that is not usable is refused.
  b.bitsPerPixel = 12;
  EXPECT_FALSE(w->Present(b, target, nullptr, 0));
}

// Spans of a row, converted in groups, give each pixel's own colour: every
// 5-5-5 value (top bit set or not) from every starting column, and the
// other depths.
TEST(PresentSpan, MatchesEachPixel) {
  for (int bpp : {8, 16, 24, 32}) {
    const int width = 70000 / (bpp == 16 ? 1 : 2);
    const int n = bpp / 8;
    std::vector<uint8_t> bits(static_cast<size_t>(width) * n + 3);
    uint32_t seed = 1;
    for (size_t i = 0; i < bits.size(); ++i) {
      seed = seed * 1664525u + 1013904223u;
      bits[i] = static_cast<uint8_t>(seed >> 24);
    }
    if (bpp == 16) {
      for (int x = 0; x < 65536; ++x) {
        bits[2 * x] = static_cast<uint8_t>(x);
        bits[2 * x + 1] = static_cast<uint8_t>(x >> 8);
      }
    }
    uint8_t palette[256][4];
    for (int i = 0; i < 256; ++i)
      for (int k = 0; k < 4; ++k) palette[i][k] = static_cast<uint8_t>(i * (k + 3));
    plat::PresentBuffer b;
    b.bits = bits.data();
    b.width = width;
    b.height = 1;
    b.pitch = width * n;
    b.bitsPerPixel = bpp;
    b.palette = palette;
    std::vector<uint32_t> out(static_cast<size_t>(width));
    for (int start : {0, 1, 2, 3, 5, 7, 9}) {
      SCOPED_TRACE(testing::Message() << "bpp " << bpp << " from " << start);
      plat::PresentSpanRgb(b, start, 0, width - start, out.data());
      for (int x = start; x < width; ++x) ASSERT_EQ(out[x - start], plat::PresentPixelRgb(b, x, 0)) << x;
    }
  }
}

}  // namespace
