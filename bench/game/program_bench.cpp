// The game program's costs: start-up on the generated pack up to the end of
// the first frame (goal: under 150 ms, with the peak resident memory after
// start-up as a counter, goal under 75 MB), its steps one by one (the first
// frame, each picture's decoding, the check that replaced it for pictures
// decoded when first shown, a full-screen upload, the sound bank; the window
// and the display need a real X server: scripts/measure-startup.sh), and one frame of the scene
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

#include "audio/sound_bank.h"
#include "game/frame.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/clock.h"
#include "platform/headless/headless_window.h"
#include "platform/picture.h"
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

// The start-up steps one by one, on the generated pack.

// The first frame alone: the upload of every picture, image set and font to
// the display's format, and the splash's first frame.
void BM_StartUpFirstFrameOnly(benchmark::State& state) {
  PrivateHome();
  const fs::path previous = fs::current_path();
  fs::current_path(VANTREL_BENCH_GAME_DIR);
  for (auto _ : state) {
    state.PauseTiming();
    auto windows = std::make_unique<plat::headless::HeadlessWindowSystem>(1920, 1080);
    ResetGameStateForTests();
    if (GameStartUp()) {
      state.SkipWithError("start-up failed");
      break;
    }
    state.ResumeTiming();
    RunFrame();
    state.PauseTiming();
    ShutdownGame();
    TheDisplay().Shutdown();
    windows.reset();
    state.ResumeTiming();
  }
  fs::current_path(previous);
}
BENCHMARK(BM_StartUpFirstFrameOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

const char* const kPackPictures[] = {"HighScores.png",    "splash.png", "Charms.png",    "BoardSelect.png",
                                     "TitlePowerups.png", "cursor.png", "ExitScreen.png"};

// Decoding one picture of the pack (what start-up paid for each before the
// pictures of later screens were decoded when first shown).
void BM_DecodePackPicture(benchmark::State& state) {
  const char* name = kPackPictures[state.range(0)];
  state.SetLabel(name);
  const fs::path path = fs::path(VANTREL_BENCH_GAME_DIR) / "Pictures" / name;
  for (auto _ : state) {
    Image picture;
    picture.LoadWithGdiplus(path);
    if (!picture.pixels) state.SkipWithError("the picture does not decode");
    benchmark::DoNotOptimize(picture.pixels);
  }
}
BENCHMARK(BM_DecodePackPicture)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

// What start-up pays now for a picture decoded when first shown.
void BM_CheckPackPicture(benchmark::State& state) {
  const fs::path path = fs::path(VANTREL_BENCH_GAME_DIR) / "Pictures" / "HighScores.png";
  for (auto _ : state) {
    int w = 0, h = 0;
    if (!plat::ReadPngSize(path, &w, &h)) state.SkipWithError("no header");
    benchmark::DoNotOptimize(w);
  }
}
BENCHMARK(BM_CheckPackPicture)->Unit(benchmark::kMicrosecond);

// One full-screen picture converted to the display's 16-bit format.
void BM_UploadFullScreenPicture(benchmark::State& state) {
  Image picture;
  picture.LoadWithGdiplus(fs::path(VANTREL_BENCH_GAME_DIR) / "Pictures" / "splash.png");
  PixelFormat format;
  format.SetForDepth(16);
  for (auto _ : state) {
    if (!picture.Upload(&format)) state.SkipWithError("upload failed");
    benchmark::DoNotOptimize(picture.GetFrame(1)->pixels);
  }
}
BENCHMARK(BM_UploadFullScreenPicture)->Unit(benchmark::kMillisecond);

// The sound bank: the device (null output), the eight modules and the 32
// effects.
void BM_LoadSounds(benchmark::State& state) {
  PrivateHome();
  const fs::path previous = fs::current_path();
  fs::current_path(VANTREL_BENCH_GAME_DIR);
  for (auto _ : state) {
    if (!LoadSounds()) state.SkipWithError("no sound");
    state.PauseTiming();
    ShutdownAudio();
    state.ResumeTiming();
  }
  fs::current_path(previous);
}
BENCHMARK(BM_LoadSounds)->Unit(benchmark::kMillisecond);

// A display with two full-screen snapshots of different colours.
struct TransitionScene {
  TransitionScene() : windows(1920, 1080) {
    plat::InstallFakeClock();
    Display& display = TheDisplay();
    display.CreateMainWindow(1280, 720, "bench", nullptr, &windowHandle, plat::DefaultWindowProc, 0, true);
    display.SetVideoMode(1280, 720, 16, false, &screenFormat);
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
    transitionRunning = 1;
    transitionStart = mainTimer.Elapsed(1000) - 1000;
    transitionBand = {0, 329, 1280, 379};
    DrawScreenTransition();
  }
}
BENCHMARK(BM_TransitionFrameHalfway)->Unit(benchmark::kMicrosecond);

void BM_TransitionFrameZeroToNineTenths(benchmark::State& state) {
  TransitionScene scene;
  plat::AdvanceFakeClockMs(5000);
  for (auto _ : state) {
    transitionRunning = 1;
    transitionStart = mainTimer.Elapsed(1000) - 1800;
    transitionBand = {0, 0, 0, 0};
    DrawScreenTransition();
  }
}
BENCHMARK(BM_TransitionFrameZeroToNineTenths)->Unit(benchmark::kMicrosecond);

}  // namespace
