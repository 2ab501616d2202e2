// The game program's costs: start-up on the generated pack up to the end of
// the first frame (goal: under 150 ms, with the peak resident memory after
// start-up as a counter, goal under 75 MB), and one frame of the scene
// transition at 1280 x 720 (goal: under 2 ms), both at t = 0.5 and for a
// frame that spans t = 0 to 0.9.
#include <benchmark/benchmark.h>

#include <boost/filesystem.hpp>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "game/frame.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/clock.h"
#include "platform/headless/headless_window.h"
#include "platform/seal/seal.h"

namespace fs = boost::filesystem;

namespace {

// A home of its own for the settings, the saved games and the lock.
void PrivateHome() {
  static bool done = false;
  if (done) return;
  done = true;
  std::string base = (fs::temp_directory_path() / "vantrel-bench-XXXXXX").string();
  if (!mkdtemp(base.data())) return;
  const fs::path home = base;
  for (const char* sub : {"config", "data", "run"}) fs::create_directories(home / sub);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
  setenv("VANTREL_COMMUNITY", "off", 1);
  plat::seal::SelectOutput(plat::seal::Output::kNull);
}

void BM_StartUpToFirstFrame(benchmark::State& state) {
  PrivateHome();
  const fs::path previous = fs::current_path();
  // The game only reads its folder.
  fs::current_path(VANTREL_BENCH_GAME_DIR);
  long peakKb = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto windows = std::make_unique<plat::headless::HeadlessWindowSystem>(1920, 1080);
    ResetGameStateForTests();
    state.ResumeTiming();
    if (GameStartUp()) {
      state.SkipWithError("start-up failed");
      break;
    }
    RunFrame();
    state.PauseTiming();
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    peakKb = usage.ru_maxrss;
    ShutdownGame();
    TheDisplay().Shutdown();
    windows.reset();
    state.ResumeTiming();
  }
  state.counters["peak_rss_MB"] = double(peakKb) / 1024.0;
  fs::current_path(previous);
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

// A display with two full-screen snapshots of different colours.
struct TransitionScene {
  TransitionScene() : windows(1920, 1080) {
    plat::InstallFakeClock();
    Display& display = TheDisplay();
    display.CreateMainWindow(1280, 720, "bench", nullptr, &program.windowHandle, plat::DefaultWindowProc, 0, true);
    display.SetVideoMode(1280, 720, 16, false, &program.screenFormat);
    Fill(0x7C00);
    SnapshotOldScreen();
    Fill(0x001F);
    SnapshotNewScreen();
    mainTimer.Restart();
  }
  ~TransitionScene() {
    TheDisplay().Shutdown();
    plat::RemoveFakeClock();
  }
  static void Fill(uint16_t pixel) {
    SurfaceLock lock;
    if (!TheDisplay().Lock(&lock)) return;
    for (int32_t y = 0; y < lock.height; ++y) {
      auto* row = reinterpret_cast<uint16_t*>(lock.bits + size_t(y) * size_t(lock.pitch));
      for (int32_t x = 0; x < lock.width; ++x) row[x] = pixel;
    }
    TheDisplay().Unlock();
  }
  plat::headless::HeadlessWindowSystem windows;
};

void BM_TransitionFrameHalfway(benchmark::State& state) {
  TransitionScene scene;
  plat::AdvanceFakeClockMs(5000);
  for (auto _ : state) {
    // t = 0.5, the band having moved 16 ms' worth since the last frame.
    transition.transitionRunning = 1;
    transition.transitionStart = mainTimer.Elapsed(1000) - 1000;
    transition.transitionBand = {0, 329, 1280, 379};
    DrawScreenTransition();
  }
}
BENCHMARK(BM_TransitionFrameHalfway)->Unit(benchmark::kMicrosecond);

void BM_TransitionFrameZeroToNineTenths(benchmark::State& state) {
  TransitionScene scene;
  plat::AdvanceFakeClockMs(5000);
  for (auto _ : state) {
    transition.transitionRunning = 1;
    transition.transitionStart = mainTimer.Elapsed(1000) - 1800;
    transition.transitionBand = {0, 0, 0, 0};
    DrawScreenTransition();
  }
}
BENCHMARK(BM_TransitionFrameZeroToNineTenths)->Unit(benchmark::kMicrosecond);

}  // namespace
