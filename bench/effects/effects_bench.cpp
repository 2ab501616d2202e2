// Flame frames at the title and options sizes, and 8-bit reduction of a
// 1280 x 720 true-colour picture through both quantisers, and the blend
// tables of one palette (milliseconds).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/flame.h"
#include "graphics/octree.h"
#include "platform/random.h"

namespace {

void FlameFrame(benchmark::State& state, int w, int h, int count, int seedShift) {
  plat::Srand(1);
  InitBackgroundEffect(count, w, h, 0, seedShift, 1000000);
  std::vector<uint8_t> field(static_cast<size_t>(w) * h, 0);
  // Warm up so the field holds a burning picture.
  for (int i = 0; i < 60; ++i) RenderBackgroundEffect(field.data(), w, h, w);
  for (auto _ : state) {
    RenderBackgroundEffect(field.data(), w, h, w);
    benchmark::DoNotOptimize(field.data());
  }
}

void BM_FlameFrame1280x720(benchmark::State& state) { FlameFrame(state, 1280, 720, 300, 0); }
void BM_FlameFrame646x108(benchmark::State& state) { FlameFrame(state, 646, 108, 20, 1); }

Bitmap Photo() {
  Bitmap b;
  b.Create(1280, 720, 32);
  plat::Srand(9);
  for (int y = 0; y < 720; ++y)
    for (int x = 0; x < 1280; ++x) {
      const double u = x / 1280.0, v = y / 720.0;
      const double blob = std::exp(-((u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4)) * 12);
      const int n = plat::Rand() % 9 - 4;
      auto clamp = [](double c) { return static_cast<uint8_t>(c < 0 ? 0 : (c > 255 ? 255 : c)); };
      uint8_t* p = b.pixels + y * b.stride + x * 4;
      p[0] = clamp(255 * (1 - v) * 0.8 + n);
      p[1] = clamp(200 * u * v + 55 * blob + n);
      p[2] = clamp(255 * blob + 60 * u + n);
    }
  return b;
}

void BM_NeuQuant1280x720(benchmark::State& state) {
  Bitmap src = Photo();
  Bitmap dst;
  uint8_t pal[256][4];
  // The learner reports its start and end on stderr; keep the output clean.
  std::FILE* saved = std::freopen("/dev/null", "w", stderr);
  (void)saved;
  for (auto _ : state) benchmark::DoNotOptimize(src.ReduceTo8NeuQuant(&dst, pal));
}

void BM_Octree1280x720(benchmark::State& state) {
  Bitmap src = Photo();
  Bitmap dst;
  uint8_t pal[256][4];
  for (auto _ : state) benchmark::DoNotOptimize(src.ReduceTo8Octree(&dst, pal, 256, 0));
}

void BM_MixTablesBuild(benchmark::State& state) {
  uint8_t pal[256][4];
  plat::Srand(3);
  for (auto& e : pal)
    for (auto& c : e) c = static_cast<uint8_t>(plat::Rand() & 255);
  MixTables tables;
  for (auto _ : state) benchmark::DoNotOptimize(tables.Build(&pal[0][0]));
}

}  // namespace

BENCHMARK(BM_FlameFrame1280x720)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlameFrame646x108)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NeuQuant1280x720)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Octree1280x720)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixTablesBuild)->Unit(benchmark::kMillisecond);
