// The play scene's frames on the generated pack, through the game's own
// start-up over the in-memory window: a typical frame, a stress frame, a
// full redraw, draining the explosion queue after dynamite on a wall of
// explosive bricks, and the automatic player's frames per second. Each
// reports the split logic / drawing / present and the counters (entities,
// dirty rectangles, presented pixels) of its last frame.
#include <benchmark/benchmark.h>

#include <boost/filesystem.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "game/frame.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/entity_behaviour.h"
#include "game/play/game_flow.h"
#include "game/play/play_frame.h"
#include "game/play/play_state.h"
#include "game/play/powerup_deck.h"
#include "game/play/powerup_effects.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/clock.h"
#include "platform/headless/headless_window.h"
#include "platform/random.h"
#include "platform/seal/seal.h"
#include "platform/steam/steam.h"
#include "game/support/auto_player.h"

namespace fs = boost::filesystem;

namespace {

std::unique_ptr<plat::FakeClockScope> gClock;
std::unique_ptr<plat::headless::HeadlessWindowSystem> gWindows;
bool gReady = false;

bool StartGameProgram() {
  if (gReady) return true;
  char pattern[] = "/tmp/vantrel-play-bench-XXXXXX";
  const char* dir = mkdtemp(pattern);
  if (!dir) return false;
  const fs::path root(dir);
  for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
    fs::create_directories(root / v);
    setenv(v, (root / v).string().c_str(), 1);
  }
  setenv("VANTREL_COMMUNITY", "off", 1);
  const fs::path folder = root / "game";
  fs::create_directories(folder);
  if (FILE* f = std::fopen((folder / "dirs.cfg").string().c_str(), "wb")) {
    std::fprintf(f, "%s\n", VANTREL_PACK_DIR);
    std::fclose(f);
  }
  if (FILE* f = std::fopen((folder / "config.cfg").string().c_str(), "wb")) {
    std::fputs("ForceWindowed 1\n", f);
    std::fclose(f);
  }
  fs::current_path(folder);
  gClock = std::make_unique<plat::FakeClockScope>();
  gWindows = std::make_unique<plat::headless::HeadlessWindowSystem>(1920, 1080);
  plat::seal::SelectOutput(plat::seal::Output::kNull);
  ResetGameStateForTests();
  if (GameStartUp()) return false;
  gReady = true;
  return true;
}

bool LoadSet(const char* name) {
  try {
    if (!dataFiles.Open(dataFiles.FindFile(name, true, true))) return false;
    boardSet.Load(dataFiles, false, "");
    dataFiles.Close();
    boardSet.LoadImageSets(dataFiles, true);
    boardSet.UploadImageSets(program.screenFormat);
  } catch (...) {
    dataFiles.Close();
    return false;
  }
  return true;
}

// One frame of the program: the frame step with its scene (and a running
// transition), as the main loop calls it.
void OneFrame(int32_t ms) {
  program.frameMs = play.board.paused ? 0 : ms;
  program.frameSec = static_cast<float>(program.frameMs) / 1000.0f;
  program.totalMs += program.frameMs;
  plat::AdvanceFakeClockMs(static_cast<uint32_t>(ms));
  RunFrame();
}

void BeginGame(const char* set) {
  LoadSet(set);
  StartGame();
  program.sceneNumber = kScenePlay;
  settings.backgroundStyle = 0;
  play.player.lives = 1000000;
  OneFrame(16);
  while (transition.transitionRunning) OneFrame(16);
  input.mouseX = 640;
  OneFrame(16);
}

int32_t CountKind(int32_t kind) {
  int32_t n = 0;
  for (const Entity* e = entityHead.next; e; e = e->next) n += e->kind == kind && !e->dead;
  return n;
}

void TopUp(int32_t balls, int32_t sparks) {
  for (int32_t i = CountKind(kEntityBall); i < balls; ++i) {
    InsertEntityFirst(kEntityBall, 1, 0, static_cast<float>(300 + plat::Rand() % 680),
                      static_cast<float>(450 + plat::Rand() % 100), static_cast<float>(plat::Rand() % 400 - 200),
                      -420.0f);
  }
  for (int32_t i = CountKind(kEntitySpark); i < sparks; ++i) {
    Spark(2000, plat::Rand() % 2 ? 0 : 4, static_cast<float>(200 + plat::Rand() % 880),
          static_cast<float>(100 + plat::Rand() % 500), static_cast<float>(plat::Rand() % 200 - 100),
          static_cast<float>(plat::Rand() % 200 - 100), true);
  }
  play.board.ballLost = 0;
  play.board.boardCleared = 0;
}

void Report(benchmark::State& state, double logicNs, double drawNs, double presentNs, int64_t frames) {
  const double n = static_cast<double>(std::max<int64_t>(frames, 1));
  state.counters["logic_us"] = logicNs / n / 1000.0;
  state.counters["draw_us"] = drawNs / n / 1000.0;
  state.counters["present_us"] = presentNs / n / 1000.0;
  state.counters["entities"] = playFrameCounters.entities;
  state.counters["dirty_rects"] = playFrameCounters.dirtyRects;
  state.counters["presented_px"] = static_cast<double>(playFrameCounters.presentedPixels);
  state.counters["full_present"] = playFrameCounters.fullPresent;
}

// Frames of a scene kept in its steady state (topped up between frames,
// outside the measured time).
void SteadyFrames(benchmark::State& state, const char* set, int32_t balls, int32_t sparks, bool fillBoard, bool chain,
                  bool fullRedrawEachFrame) {
  if (!StartGameProgram()) {
    state.SkipWithError("the game did not start");
    return;
  }
  BeginGame(set);
  BoardRecord saved = boardSet.boards[boardSet.currentBoard];
  if (fillBoard) {
    for (int32_t c = 0; c < boardSet.columns; ++c) {
      for (int32_t r = 0; r < 20; ++r) saved.cells[c * 20 + r] = (c + r) % 7 == 0 ? 21 : 1 + (c + r) % 20;
    }
    boardSet.boards[boardSet.currentBoard] = saved;
    program.fullRedraw = 1;
    program.backgroundDirty = 1;
    OneFrame(16);
  }
  double logic = 0, draw = 0, present = 0;
  int64_t frames = 0;
  for (auto _ : state) {
    TopUp(balls, sparks);
    if (boardSet.CountBreakableBricks() < 40) {
      boardSet.boards[boardSet.currentBoard] = saved;
      program.backgroundDirty = 1;
    }
    if (chain && !exploQueueHead.next) {
      for (int32_t c = 0; c < boardSet.columns; c += 4) HitBrick(c, (c * 7) % 20, 0, 0);
    }
    if (fullRedrawEachFrame) program.fullRedraw = 1;
    const auto start = std::chrono::steady_clock::now();
    OneFrame(16);
    const auto end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    logic += static_cast<double>(playFrameCounters.logicNs);
    draw += static_cast<double>(playFrameCounters.drawNs);
    present += static_cast<double>(playFrameCounters.presentNs);
    ++frames;
  }
  Report(state, logic, draw, present, frames);
}

void BM_TypicalFrame(benchmark::State& state) { SteadyFrames(state, "Starter.bdz", 3, 50, false, false, false); }
void BM_StressFrame(benchmark::State& state) { SteadyFrames(state, "StarterWide.bdz", 8, 500, true, true, false); }
void BM_FullRedrawFrame(benchmark::State& state) { SteadyFrames(state, "Starter.bdz", 3, 50, false, false, true); }

void BM_DrainQueueAfterDynamite(benchmark::State& state) {
  if (!StartGameProgram()) {
    state.SkipWithError("the game did not start");
    return;
  }
  int64_t totalFrames = 0;
  for (auto _ : state) {
    state.PauseTiming();
    BeginGame("StarterWide.bdz");
    for (int32_t c = 0; c < boardSet.columns; ++c) {
      for (int32_t r = 0; r < 20; ++r) boardSet.SetCell(c, r, 21 + (c + r) % 8);
    }
    program.fullRedraw = 1;
    program.backgroundDirty = 1;
    OneFrame(16);
    for (Entity* e = entityHead.next; e; e = e->next) {
      if (e->kind == kEntityBall) e->flags |= 1;
    }
    state.ResumeTiming();
    ApplyPowerUpEffect(kPowerUpDynamite);
    int64_t frames = 0;
    while ((exploQueueHead.next || CountKind(kEntityExplosion) > 0) && frames < 100000) {
      OneFrame(16);
      ++frames;
    }
    totalFrames += frames;
  }
  state.counters["frames"] = static_cast<double>(totalFrames) / static_cast<double>(state.iterations());
  state.counters["entities_last"] = playFrameCounters.entities;
}

void BM_AutoPlayerFramesPerSecond(benchmark::State& state) {
  if (!StartGameProgram()) {
    state.SkipWithError("the game did not start");
    return;
  }
  BeginGame("Starter.bdz");
  play.player.lives = 3;
  vantrel::test::AutoPlayer player(1);
  int64_t frames = 0;
  for (auto _ : state) {
    if (program.sceneNumber != kScenePlay) {
      state.PauseTiming();
      BeginGame("Starter.bdz");
      player.Reset(static_cast<uint32_t>(frames));
      state.ResumeTiming();
    }
    if (!transition.transitionRunning) {
      const vantrel::test::AutoInput in = player.Decide();
      input.mouseX = in.mouseX;
      input.mouseY = in.mouseY;
      if (in.click || in.press) input.anyInputThisFrame = 1;
    }
    OneFrame(16);
    ++frames;
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_TypicalFrame)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_StressFrame)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_FullRedrawFrame)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_DrainQueueAfterDynamite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AutoPlayerFramesPerSecond)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (gReady) ShutdownGame();
  ResetGameStateForTests();
  TheDisplay().Shutdown();
  gWindows.reset();
  gClock.reset();
  return 0;
}
