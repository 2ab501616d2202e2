// One frame of each front-end scene on the generated pack at 1280 x 720:
// the title (flames and credits over the whole screen, goal under 2 ms), the
// main menu with a band refresh (goal under 2 ms), the completion scene, and
// the board-set selection with 100 entries. Each frame ends with its present
// into the in-memory window; the title is also measured without it.
#include <benchmark/benchmark.h>

#include <boost/filesystem.hpp>

#include <memory>

#include "game/frame.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "game/scenes/board_set_select.h"
#include "game/scenes/flame_screen.h"
#include "game/scenes/options.h"
#include "game/scenes/scenes.h"
#include "game/scenes/title.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "graphics/flame.h"
#include "platform/headless/headless_window.h"

namespace fs = boost::filesystem;

namespace {

// The display and every picture and font of the pack, loaded and uploaded once.
struct World {
  std::unique_ptr<plat::headless::HeadlessWindowSystem> windows;
  bool ready = false;

  World() {
    windows = std::make_unique<plat::headless::HeadlessWindowSystem>(1920, 1080);
    boost::system::error_code ec;
    fs::current_path(fs::path(VANTREL_GAME_DIR), ec);
    if (ec) return;
    ResetGameStateForTests();
    if (!LoadGameResources()) return;
    Display& d = TheDisplay();
    if (!d.CreateMainWindow(1280, 720, "Bench", nullptr, &program.windowHandle, plat::DefaultWindowProc, 0, false))
      return;
    if (!d.SetVideoMode(1280, 720, 16, false, &program.screenFormat)) return;
    // One frame of the splash uploads every picture and font for the screen.
    program.appActive = 1;
    program.sceneNumber = kSceneSplash;
    RunFrame();
    transition.transitionRunning = 0;
    ready = true;
  }
};

World& TheWorld() {
  static World world;
  return world;
}

// Runs the scene's first frame (its entry steps), then measures later frames.
template <typename Run>
void SceneFrames(benchmark::State& state, Scene scene, Run run, bool bandRefresh = false) {
  World& world = TheWorld();
  if (!world.ready) {
    state.SkipWithError("the generated pack did not load");
    return;
  }
  program.sceneNumber = scene;
  program.previousScene = kSceneNone;
  run();
  program.previousScene = scene;
  transition.transitionRunning = 0;
  for (auto _ : state) {
    if (bandRefresh) {
      optionsScreen.bandLastRefreshMs = mainTimer.Elapsed(1000) - 100;
      input.settingsChanged = 1;
    }
    run();
    program.sceneNumber = scene;
    input.anyInputThisFrame = 0;
  }
}

void BM_TitleFrame(benchmark::State& state) { SceneFrames(state, kSceneTitle, RunTitleScreen); }
// The title's own work without the present into the in-memory window (which
// allocates and converts a whole picture per present): flames, credits and
// the field put on the screen.
void BM_TitleDrawingOnly(benchmark::State& state) {
  if (!TheWorld().ready) {
    state.SkipWithError("the generated pack did not load");
    return;
  }
  program.sceneNumber = kSceneTitle;
  program.previousScene = kSceneNone;
  RunTitleScreen();
  int32_t ms = 0;
  for (auto _ : state) {
    RenderBackgroundEffect(flameField.pixels, flameField.width, flameField.height, flameField.stride);
    DrawCredits(flameField, ms += 16);
    DrawFlameField(flameField, 0, 0);
  }
}
void BM_OptionsFrameWithBandRefresh(benchmark::State& state) {
  SceneFrames(state, kSceneOptions, RunOptionsScreen, true);
}
void BM_CompletionFrame(benchmark::State& state) { SceneFrames(state, kSceneCompleted, RunCompletedScreen); }
void BM_SelectionFrame100Entries(benchmark::State& state) {
  if (!TheWorld().ready) {
    state.SkipWithError("the generated pack did not load");
    return;
  }
  auto set = std::make_unique<BoardSet>();
  set->title = "A board set with a long enough title";
  set->author = "Bench";
  set->boardCount = 20;
  // The first frame lists the pack's sets; the list is then replaced by 100
  // entries and the later frames draw those.
  program.sceneNumber = kSceneBoardSetSelect;
  program.previousScene = kSceneNone;
  RunBoardSetSelectScreen();
  boardSetSelect.boardSetEntries.clear();
  for (int i = 0; i < 100; ++i) boardSetSelect.boardSetEntries.emplace_back(fs::path("Boards/set.bdz"), i % 3, *set);
  boardSetSelect.boardSelectIndex = 50;
  program.previousScene = kSceneBoardSetSelect;
  transition.transitionRunning = 0;
  for (auto _ : state) {
    RunBoardSetSelectScreen();
    input.anyInputThisFrame = 0;
  }
}

}  // namespace

BENCHMARK(BM_TitleFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TitleDrawingOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptionsFrameWithBandRefresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompletionFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectionFrame100Entries)->Unit(benchmark::kMillisecond);
