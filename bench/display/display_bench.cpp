// Present of the game's 1280 x 720 16-bit back buffer: a whole frame and a
// frame with ten small dirty rectangles, on the in-memory window system, on
// SDL's offscreen driver and, where there is an X display (xvfb-run -a), on
// SDL's x11 driver; and the whole frame scaled into a 1920 x 1080 window.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "graphics/display.h"
#include "platform/headless/headless_window.h"
#include "platform/sdl/sdl_window.h"

namespace {

void Fill(Display& d, uint32_t seed) {
  SurfaceLock lock;
  if (!d.Lock(&lock)) return;
  for (int32_t y = 0; y < lock.height; ++y) {
    auto* row = reinterpret_cast<uint16_t*>(lock.bits + y * lock.pitch);
    for (int32_t x = 0; x < lock.width; ++x) row[x] = static_cast<uint16_t>((x * 3 + y * 5 + seed) & 0x7FFF);
  }
  d.Unlock();
}

void RunPresent(benchmark::State& state, plat::WindowSystem* system, int32_t clientW, int32_t clientH, bool dirtyOnly) {
  if (!system) {
    state.SkipWithError("no window system");
    return;
  }
  Display d;
  if (!d.CreateMainWindow(clientW, clientH, "Bench", nullptr, nullptr, nullptr, 0, true) ||
      !d.SetVideoMode(1280, 720, 16, false, nullptr)) {
    state.SkipWithError("cannot open the window");
    return;
  }
  Fill(d, 0);
  uint32_t frame = 0;
  for (auto _ : state) {
    if (dirtyOnly) {
      for (int i = 0; i < 10; ++i) d.AddDirtyRect(40 + i * 120, 100 + (frame % 7) * 30, 24, 24);
    }
    benchmark::DoNotOptimize(d.Present(dirtyOnly ? kPresentDirtyOnly : 0));
    ++frame;
  }
  d.Close(true);
}

void BM_PresentFullHeadless(benchmark::State& state) {
  plat::headless::HeadlessWindowSystem system(1920, 1080);
  RunPresent(state, &system, 1280, 720, false);
}
void BM_PresentTenDirtyHeadless(benchmark::State& state) {
  plat::headless::HeadlessWindowSystem system(1920, 1080);
  RunPresent(state, &system, 1280, 720, true);
}
void BM_PresentFullHeadlessScaled1080(benchmark::State& state) {
  plat::headless::HeadlessWindowSystem system(1920, 1080);
  RunPresent(state, &system, 1920, 1080, false);
}

std::unique_ptr<plat::WindowSystem> Offscreen() {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  return plat::sdl::CreateWindowSystem();
}
void BM_PresentFullSdlOffscreen(benchmark::State& state) {
  auto system = Offscreen();
  RunPresent(state, system.get(), 1280, 720, false);
}
void BM_PresentTenDirtySdlOffscreen(benchmark::State& state) {
  auto system = Offscreen();
  RunPresent(state, system.get(), 1280, 720, true);
}
void BM_PresentFullSdlOffscreenScaled1080(benchmark::State& state) {
  auto system = Offscreen();
  RunPresent(state, system.get(), 1920, 1080, false);
}

// One x11 window system for all the x11 rows: opening SDL's x11 video again
// right after closing it now and then fails to reach the X server.
plat::WindowSystem* X11() {
  static std::unique_ptr<plat::WindowSystem> system;
  if (!system && std::getenv("DISPLAY")) {
    setenv("SDL_VIDEODRIVER", "x11", 1);
    system = plat::sdl::CreateWindowSystem();
  }
  return system.get();
}
void BM_PresentFullSdlX11(benchmark::State& state) { RunPresent(state, X11(), 1280, 720, false); }
void BM_PresentTenDirtySdlX11(benchmark::State& state) { RunPresent(state, X11(), 1280, 720, true); }
void BM_PresentFullSdlX11Scaled1080(benchmark::State& state) { RunPresent(state, X11(), 1920, 1080, false); }

}  // namespace

BENCHMARK(BM_PresentFullHeadless)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentTenDirtyHeadless)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentFullHeadlessScaled1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentFullSdlOffscreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentTenDirtySdlOffscreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentFullSdlOffscreenScaled1080)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentFullSdlX11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentTenDirtySdlX11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentFullSdlX11Scaled1080)->Unit(benchmark::kMillisecond);
