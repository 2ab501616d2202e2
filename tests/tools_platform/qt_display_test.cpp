// A Display presents into a Qt window, and the window's message queue.
// (No toolkit headers here: the toolkit's X11 headers also name a type Display.)
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/display.h"
#include "platform/present.h"
#include "platform/qt/qt_platform.h"

namespace {

plat::WindowProc QuietProc() {
  return [](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
    if (m == plat::kMsgPaint) return 0;
    return plat::DefaultWindowProc(w, m, wp, lp);
  };
}

// Fills the locked buffer with a pattern every pixel of which differs from
// its neighbours, in the buffer's own layout.
void DrawPattern(Display& display) {
  SurfaceLock lock;
  ASSERT_TRUE(display.Lock(&lock));
  for (int32_t y = 0; y < lock.height; ++y) {
    uint8_t* row = lock.bits + static_cast<intptr_t>(y) * lock.pitch;
    for (int32_t x = 0; x < lock.width; ++x) {
      const uint32_t v = static_cast<uint32_t>(x * 7 + y * 131 + (x * y) % 17);
      switch (lock.bytesPerPixel) {
        case 1: row[x] = static_cast<uint8_t>(v); break;
        case 2: {
          const uint16_t p = static_cast<uint16_t>(v * 97) & 0x7FFF;
          std::memcpy(row + 2 * x, &p, 2);
          break;
        }
        case 3:
          row[3 * x] = static_cast<uint8_t>(v);
          row[3 * x + 1] = static_cast<uint8_t>(v >> 3);
          row[3 * x + 2] = static_cast<uint8_t>(v * 5);
          break;
        default: {
          const uint32_t p = v * 2654435761u;
          std::memcpy(row + 4 * x, &p, 4);
          break;
        }
      }
    }
  }
  ASSERT_TRUE(display.Unlock());
}

}  // namespace

TEST(QtPlatform, NumbersFormatWithAPoint) {
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  char text[16];
  std::snprintf(text, sizeof text, "%.2f", 1.25);
  EXPECT_STREQ(text, "1.25");
}

TEST(QtWindow, DisplayPresentsTheBufferExactly) {
  for (int32_t bpp : {8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    Display display;
    plat::Window* window = nullptr;
    ASSERT_EQ(display.CreateMainWindow(96, 64, "Preview", nullptr, &window, QuietProc(), 0, true), 1);
    ASSERT_EQ(display.SetVideoMode(96, 64, bpp, false, nullptr), 1);
    if (bpp == 8) {
      uint8_t palette[256][4];
      for (int i = 0; i < 256; ++i) {
        palette[i][0] = static_cast<uint8_t>(i);
        palette[i][1] = static_cast<uint8_t>(255 - i);
        palette[i][2] = static_cast<uint8_t>(i * 3);
        palette[i][3] = 0;
      }
      display.SetPalette(palette);
    }
    DrawPattern(display);
    ASSERT_EQ(display.Present(0), 1);
    plat::qt::ProcessEvents();

    int32_t w = 0, h = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(plat::qt::GrabClient(window, &w, &h, &pixels));
    ASSERT_EQ(w, 96);
    ASSERT_EQ(h, 64);
    // What the buffer holds, through the same reading the back ends share.
    plat::PresentBuffer b;
    b.bits = display.surface.PresentBits();
    b.width = display.surface.Width();
    b.height = display.surface.Height();
    b.pitch = display.surface.Pitch();
    b.bitsPerPixel = bpp;
    b.palette = display.palette;
    ASSERT_TRUE(b.Usable());
    int mismatches = 0;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        if (pixels[static_cast<size_t>(y) * w + x] != plat::PresentPixelRgb(b, x, y) && mismatches++ < 5) {
          ADD_FAILURE() << "pixel " << x << "," << y;
        }
      }
    }
    EXPECT_EQ(mismatches, 0);
    display.Close(true);
  }
}

TEST(QtWindow, ScaledPresentAndBlackBars) {
  Display display;
  plat::Window* window = nullptr;
  ASSERT_EQ(display.CreateMainWindow(64, 32, "Scaled", nullptr, &window, QuietProc(), 0, true), 1);
  ASSERT_EQ(display.SetVideoMode(32, 16, 32, false, nullptr), 1);
  DrawPattern(display);
  ASSERT_EQ(display.Present(kPresentScaleToClient), 1);
  plat::qt::ProcessEvents();
  int32_t w = 0, h = 0;
  std::vector<uint32_t> pixels;
  ASSERT_TRUE(plat::qt::GrabClient(window, &w, &h, &pixels));
  ASSERT_EQ(w, 64);
  ASSERT_EQ(h, 32);
  plat::PresentBuffer b{display.surface.PresentBits(), 32, 16, display.surface.Pitch(), 32, nullptr};
  // Each buffer pixel covers 2 x 2 client pixels.
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      ASSERT_EQ(pixels[static_cast<size_t>(y) * w + x], plat::PresentPixelRgb(b, x / 2, y / 2)) << x << "," << y;
    }
  }
  // A buffer the window cannot use is refused.
  plat::PresentBuffer bad = b;
  bad.bitsPerPixel = 12;
  EXPECT_FALSE(window->Present(bad, {0, 0, 64, 32}, nullptr, 0));
  plat::WindowRect bar{0, 0, 10, 32};
  EXPECT_TRUE(window->Present(b, {10, 0, 64, 32}, &bar, 1));
  plat::qt::ProcessEvents();
  ASSERT_TRUE(plat::qt::GrabClient(window, &w, &h, &pixels));
  EXPECT_EQ(pixels[5], 0xFF000000u);
  EXPECT_EQ(pixels[10], plat::PresentPixelRgb(b, 0, 0));
}

TEST(QtWindow, TimedWaitEndsForAMessageOrAWindowTimer) {
  plat::WindowSystem* system = plat::GetWindowSystem();
  ASSERT_NE(system, nullptr);
  plat::WindowDesc desc;
  desc.proc = plat::DefaultWindowProc;
  plat::Window* window = system->CreateMainWindow(desc);
  ASSERT_NE(window, nullptr);
  plat::Message m;
  while (system->PeekMessage(&m, true)) {
  }
  EXPECT_FALSE(system->WaitMessageFor(0));
  EXPECT_FALSE(system->WaitMessageFor(2));

  ASSERT_TRUE(system->PostMessage(window, plat::kMsgUser + 7, 0, 0));
  EXPECT_TRUE(system->WaitMessageFor(60000));
  ASSERT_TRUE(system->PeekMessage(&m, true));
  EXPECT_EQ(m.message, plat::kMsgUser + 7);

  // A window timer falls due within a long wait: the wait ends for it.
  window->SetTimer(4, 20);
  EXPECT_TRUE(system->WaitMessageFor(60000));
  ASSERT_TRUE(system->PeekMessage(&m, true));
  EXPECT_EQ(m.message, plat::kMsgTimer);
  window->KillTimer(4);
  window->Destroy();
}

TEST(QtWindow, MessageQueueTimersAndQuit) {
  plat::WindowSystem* system = plat::GetWindowSystem();
  ASSERT_NE(system, nullptr);
  std::vector<std::pair<uint32_t, uintptr_t>> got;
  plat::WindowDesc desc;
  desc.clientWidth = 50;
  desc.clientHeight = 40;
  desc.title = "Queue \xE9";
  desc.proc = [&](plat::Window* w, uint32_t m, uintptr_t wp, intptr_t lp) -> intptr_t {
    if (m == plat::kMsgCreate || m >= plat::kMsgUser || m == plat::kMsgTimer || m == plat::kMsgDestroy ||
        m == plat::kMsgPaint) {
      got.push_back({m, wp});
    }
    return plat::DefaultWindowProc(w, m, wp, lp);
  };
  plat::Window* window = system->CreateMainWindow(desc);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].first, plat::kMsgCreate);
  EXPECT_EQ(window->ClientRect().right, 50);
  EXPECT_EQ(window->ClientRect().bottom, 40);

  for (uintptr_t i = 0; i < 4; ++i) EXPECT_TRUE(system->PostMessage(window, plat::kMsgUser + 24, i, 0));
  window->SetTimer(3, 20);
  plat::Message m;
  // The user messages first, in order; then the timer once it is due.
  while (got.size() < 6 && system->GetMessage(&m)) plat::WindowSystem::DispatchMessage(m);
  ASSERT_EQ(got.size(), 6u);
  for (uintptr_t i = 0; i < 4; ++i) {
    EXPECT_EQ(got[1 + i].first, plat::kMsgUser + 24);
    EXPECT_EQ(got[1 + i].second, i);
  }
  EXPECT_EQ(got[5].first, plat::kMsgTimer);
  EXPECT_EQ(got[5].second, 3u);
  window->KillTimer(3);

  window->Invalidate();
  ASSERT_TRUE(system->PeekMessage(&m, true));
  EXPECT_EQ(m.message, plat::kMsgPaint);
  EXPECT_FALSE(system->PeekMessage(&m, false) && m.message == plat::kMsgPaint);

  system->PostQuitMessage(6);
  while (system->GetMessage(&m)) plat::WindowSystem::DispatchMessage(m);
  EXPECT_EQ(m.message, plat::kMsgQuit);
  EXPECT_EQ(m.wParam, 6u);

  window->Destroy();
  EXPECT_FALSE(window->IsAlive());
  EXPECT_EQ(got.back().first, plat::kMsgDestroy);
  EXPECT_FALSE(system->PostMessage(window, plat::kMsgUser, 0, 0));
  EXPECT_EQ(plat::qt::NativeWidget(window), nullptr);
}
