// Opens a real window (run it under X11, e.g. xvfb-run) and shows a test
// pattern drawn with the drawing primitives, letterboxed into the client
// area, for a few seconds.
//
//   display_test_pattern [seconds [clientW clientH [bufferW bufferH [full]]]]
//
// Defaults: 4 seconds, a 1280 x 720 client, a 640 x 480 16-bit buffer, so
// the pattern shows with a black bar on either side. "full" uses the full-
// screen mode instead of the window.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/sdl/sdl_window.h"

namespace {

void DrawPattern() {
  Display& d = TheDisplay();
  const int32_t w = d.surface.Width(), h = d.surface.Height();
  FillRectColour(0, 0, h, w, 40, 40, 48, nullptr);
  // Eight colour bars across the middle.
  const uint8_t bars[8][3] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                              {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};
  for (int i = 0; i < 8; ++i) {
    FillRectColour(w / 8 + i * (w * 3 / 4) / 8, h / 3, h / 3, (w * 3 / 4) / 8, bars[i][0], bars[i][1], bars[i][2],
                   nullptr);
  }
  // A grey ramp below them.
  for (int32_t x = w / 8; x < w * 7 / 8; ++x) {
    const uint8_t v = static_cast<uint8_t>((x - w / 8) * 255 / (w * 3 / 4));
    DrawLine(x, h * 2 / 3 + 8, x, h * 2 / 3 + 40, v, v, v);
  }
  // Corner markers: red top-left, green top-right, blue bottom-left,
  // yellow bottom-right, each 24 pixels square.
  FillRectColour(0, 0, 24, 24, 255, 0, 0, nullptr);
  FillRectColour(w - 24, 0, 24, 24, 0, 255, 0, nullptr);
  FillRectColour(0, h - 24, 24, 24, 0, 0, 255, nullptr);
  FillRectColour(w - 24, h - 24, 24, 24, 255, 255, 0, nullptr);
  // A one-pixel white frame on the buffer's outermost pixels and the two
  // diagonals (lines stop before their end point, hence the + 1).
  DrawLine(0, 0, w, 0, 255, 255, 255);
  DrawLine(0, h - 1, w, h - 1, 255, 255, 255);
  DrawLine(0, 0, 0, h, 255, 255, 255);
  DrawLine(w - 1, 0, w - 1, h, 255, 255, 255);
  DrawLine(0, 0, w, h, 255, 128, 0);
  DrawLine(w - 1, 0, -1, h, 255, 128, 0);
  // A row of glows over the ramp.
  for (int i = 0; i < 16; ++i)
    DrawGlow(w / 8 + 8 + i * (w * 3 / 4 - 16) / 15, h * 2 / 3 + 60, 64 + i * 12, 255, 255, 255);
}

intptr_t PatternProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case plat::kMsgPaint: TheDisplay().Present(0); return 0;
    case plat::kMsgKeyDown:
      if (wParam == plat::kKeyEscape) plat::GetWindowSystem()->PostMessage(window, plat::kMsgClose, 0, 0);
      return 0;
    case plat::kMsgDestroy:
      TheDisplay().Close(false);
      plat::GetWindowSystem()->PostQuitMessage(0);
      return 0;
    default: return plat::DefaultWindowProc(window, message, wParam, lParam);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 4.0;
  const int32_t clientW = argc > 3 ? std::atoi(argv[2]) : 1280;
  const int32_t clientH = argc > 3 ? std::atoi(argv[3]) : 720;
  const int32_t bufferW = argc > 5 ? std::atoi(argv[4]) : 640;
  const int32_t bufferH = argc > 5 ? std::atoi(argv[5]) : 480;
  const bool full = argc > 6 && std::strcmp(argv[6], "full") == 0;

  auto system = plat::sdl::CreateWindowSystem();
  Display& display = TheDisplay();
  if (!display.CreateMainWindow(clientW, clientH, "Display test pattern", nullptr, nullptr, PatternProc, 0, true)) {
    std::fprintf(stderr, "Could not open the window.\n");
    return 1;
  }
  if (!display.SetVideoMode(bufferW, bufferH, 16, full, nullptr)) {
    std::fprintf(stderr, "Could not set the mode %dx%d.\n", bufferW, bufferH);
    return 1;
  }
  DrawPattern();
  display.Present(0);

  const auto start = std::chrono::steady_clock::now();
  auto lastPresent = start;
  bool closing = false;
  bool reported = false;
  int exitCode = 0;
  for (;;) {
    plat::Message msg;
    if (system->PeekMessage(&msg, false)) {
      if (!system->GetMessage(&msg)) {
        exitCode = static_cast<int>(msg.wParam);
        break;
      }
      plat::WindowSystem::DispatchMessage(msg);
      continue;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!closing && std::chrono::duration<double>(now - start).count() >= seconds) {
      closing = true;
      if (display.window) system->PostMessage(display.window, plat::kMsgClose, 0, 0);
    }
    if (display.window && now - lastPresent > std::chrono::milliseconds(100)) {
      display.Present(0);
      lastPresent = now;
      if (!reported && now - start > std::chrono::seconds(1)) {
        reported = true;
        const plat::WindowRect c = display.window->ClientRect();
        const plat::WindowRect o = display.window->OuterRect();
        const LetterboxFit f = display.CurrentFit();
        std::printf("client %dx%d, outer %d,%d-%d,%d, fit %dx%d at %d,%d\n", c.right, c.bottom, o.left, o.top, o.right,
                    o.bottom, f.fitWidth, f.fitHeight, f.offsetX, f.offsetY);
        std::fflush(stdout);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return exitCode;
}
