// The play rules' hot paths: one frame of collision tests for 8 balls on a
// full wide board, explosive bricks queuing and swapping, the ball sprite,
// the full board redraw, and a present after the dirty list overflowed.
#include <benchmark/benchmark.h>

#include <boost/filesystem.hpp>

#include <cstdio>
#include <memory>
#include <vector>

#include "game/game_globals.h"
#include "game/play/ball_sprite.h"
#include "game/play/board_background.h"
#include "game/play/brick_hits.h"
#include "game/play/entities.h"
#include "game/play/play_state.h"
#include "graphics/display.h"
#include "graphics/imageset_writer.h"
#include "platform/headless/headless_window.h"
#include "platform/random.h"

namespace fs = boost::filesystem;

namespace {

Bitmap Solid(int w, int h, uint32_t argb) {
  Bitmap b;
  b.Create(w, h, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, argb);
  return b;
}

bool LoadSet(const fs::path& path, const std::vector<std::string>& names, const std::vector<Bitmap>& images,
             bool bricks) {
  std::vector<ImageSetWriterEntry> entries;
  for (size_t i = 0; i < names.size(); ++i) entries.push_back({names[i], &images[i]});
  if (!WriteImageSet(path, entries)) return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  const bool ok = bricks ? boardSet.LoadBrickSet(f, false) : boardSet.LoadBackgroundSet(f);
  std::fclose(f);
  return ok;
}

// The display, the board pictures and a 15-image brick set, made once.
struct World {
  std::unique_ptr<plat::headless::HeadlessWindowSystem> windows;
  bool ready = false;

  World() {
    windows = std::make_unique<plat::headless::HeadlessWindowSystem>(1920, 1080);
    Display& d = TheDisplay();
    if (!d.CreateMainWindow(1280, 720, "Bench", nullptr, nullptr, plat::DefaultWindowProc, 0, false)) return;
    if (!d.SetVideoMode(1280, 720, 16, false, nullptr)) return;
    sceneBackdrop.Create(1280, 720, 16);
    boardBackdrop.Create(1280, 720, 16);
    const fs::path dir = fs::temp_directory_path() / fs::unique_path("rules-bench-%%%%%%%%");
    fs::create_directories(dir);
    std::vector<std::string> names = {"red",   "blue",  "explo",       "explo", "explo",  "glass",  "multi", "multi",
                                      "multi", "stone", "almostinvin", "invin", "zapped", "hidden", "end"};
    std::vector<Bitmap> images;
    for (size_t i = 0; i < names.size(); ++i) images.push_back(Solid(48, 24, 0xFF204060u + uint32_t(i) * 0x0A0B0C));
    std::vector<Bitmap> tiles = {Solid(64, 64, 0xFF4080C0), Solid(64, 64, 0xFFC06020)};
    ready = LoadSet(dir / "Bricks.img", names, images, true) &&
            LoadSet(dir / "Backgrounds.img", {"one", "two"}, tiles, false);
    boardSet.UploadImageSets(d.format);
    fs::remove_all(dir);
    BuildBallLensTables();
  }
};

World& TheWorld() {
  static World world;
  return world;
}

bool Ready(benchmark::State& state) {
  if (TheWorld().ready) {
    ResetGameStateForTests();
    return true;
  }
  state.SkipWithError("cannot set up the display and the brick set");
  return false;
}

void FillBoard(int32_t columns, int32_t value) {
  boardSet.columns = columns;
  boardSet.boardCount = 1;
  boardSet.currentBoard = 0;
  for (int c = 0; c < BoardRecord::kColumns; ++c)
    for (int r = 0; r < 20; ++r) boardSet.SetCell(c, r, value);
}

// 8 balls among the bricks of a full 26-column board of hard bricks (which
// bounce them without breaking, so every frame does the same work).
void BM_CollisionFrame8Balls(benchmark::State& state) {
  if (!Ready(state)) return;
  FillBoard(26, 12);
  const int32_t left = boardSet.GetBoardLeft();
  std::vector<Entity> balls;
  for (int i = 0; i < 8; ++i) {
    balls.emplace_back(kEntityBall, 1, 0, float(left + 60 + i * 140), float(60 + i * 55), 300.0f, -400.0f);
    balls.back().width = balls.back().height = 17;
  }
  int64_t hits = 0;
  for (auto _ : state) {
    for (Entity& ball : balls) {
      ball.vx = 300.0f;
      ball.vy = -400.0f;
      hits += BallBrickCollision(&ball);
      ClampBallSpeed(&ball, 0);
    }
    TheDisplay().ClearDirtyRects();
  }
  state.counters["reflections/frame"] = benchmark::Counter(double(hits) / double(state.iterations()));
}
BENCHMARK(BM_CollisionFrame8Balls)->Unit(benchmark::kMicrosecond);

// The same with the balls in empty space: the probes alone.
void BM_CollisionFrame8BallsEmpty(benchmark::State& state) {
  if (!Ready(state)) return;
  FillBoard(26, 0);
  std::vector<Entity> balls;
  for (int i = 0; i < 8; ++i) {
    balls.emplace_back(kEntityBall, 1, 0, float(40 + i * 150), float(60 + i * 55), 300.0f, -400.0f);
    balls.back().width = balls.back().height = 17;
  }
  for (auto _ : state) {
    for (Entity& ball : balls) benchmark::DoNotOptimize(BallBrickCollision(&ball));
  }
}
BENCHMARK(BM_CollisionFrame8BallsEmpty)->Unit(benchmark::kMicrosecond);

// 520 explosive bricks hit directly (queued at the front), then each hit
// again (found in the queue and swapped with the first node).
void BM_ExplosionQueue520(benchmark::State& state) {
  if (!Ready(state)) return;
  FillBoard(26, 3);
  for (auto _ : state) {
    exploQueueHead.DeleteAll();
    for (int c = 0; c < 26; ++c)
      for (int r = 0; r < 20; ++r) HitBrick(c, r, (c + r) & 1, 0);
    for (int c = 25; c >= 0; --c)
      for (int r = 0; r < 20; ++r) HitBrick(c, r, 0, 0);
  }
  int64_t nodes = 0;
  for (ExploQueue* q = exploQueueHead.next; q; q = q->next) ++nodes;
  state.counters["queued"] = double(nodes);
  state.counters["hits"] = 1040;
  exploQueueHead.DeleteAll();
}
BENCHMARK(BM_ExplosionQueue520)->Unit(benchmark::kMicrosecond);

// Args: size, tint, fire texture.
void BM_RenderBallSprite(benchmark::State& state) {
  if (!Ready(state)) return;
  const uint32_t size = uint32_t(state.range(0)), tint = uint32_t(state.range(1));
  if (state.range(2)) {
    explosionSet.SetCount(47);
    Image* fire = explosionSet.GetImage(46);
    fire->Create(96, 96, 32);
    fire->Upload(&TheDisplay().format);
  }
  play.board.fireballOn = int32_t(state.range(2));
  Bitmap target;
  float x = 300;
  for (auto _ : state) {
    benchmark::DoNotOptimize(RenderBallSprite(x, 400, &target, size, tint));
    x = x > 1200 ? 300 : x + 1.5f;
  }
  play.board.fireballOn = 0;
}
BENCHMARK(BM_RenderBallSprite)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}, {0}})
    ->Args({2, 0, 1})
    ->Unit(benchmark::kMicrosecond);

// Args: columns, style. A full redraw of a full board.
void BM_DrawBoardBackground(benchmark::State& state) {
  if (!Ready(state)) return;
  FillBoard(int32_t(state.range(0)), 1);
  for (int c = 0; c < 26; ++c)
    for (int r = 0; r < 20; ++r) boardSet.SetCell(c, r, 1 + (c * 7 + r) % 14);
  settings.backgroundStyle = int32_t(state.range(1));
  for (auto _ : state) {
    benchmark::DoNotOptimize(DrawBoardBackground(255, 255, 255));
    TheDisplay().ClearDirtyRects();
  }
  settings.backgroundStyle = 0;
}
BENCHMARK(BM_DrawBoardBackground)->ArgsProduct({{20, 26}, {0, 1, 2}})->Unit(benchmark::kMicrosecond);

// 500 disjoint rectangles and one refused, then a dirty-only present (which
// presents the whole buffer).
void BM_DirtyOverflowPresent(benchmark::State& state) {
  if (!Ready(state)) return;
  Display& d = TheDisplay();
  int64_t refused = 0;
  for (auto _ : state) {
    for (int i = 0; i < 500; ++i) d.AddDirtyRect((i % 50) * 25, (i / 50) * 70, 20, 20);
    refused += d.AddDirtyRect(1270, 710, 5, 5) ? 0 : 1;
    benchmark::DoNotOptimize(d.Present(kPresentDirtyOnly));
  }
  state.counters["refused"] = benchmark::Counter(double(refused) / double(state.iterations()));
}
BENCHMARK(BM_DirtyOverflowPresent)->Unit(benchmark::kMicrosecond);

}  // namespace
