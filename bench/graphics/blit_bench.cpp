// Blit speed: opaque, keyed and blended copies of a 48 x 24 brick and of a
// whole 1280 x 720 frame at 16 and 32 bits, each beside a plain row-by-row
// memcpy of the same bytes, and the keyed and blended ones also through the
// per-pixel loops alone. Every row carries "vs_memcpy": memcpy's time over
// the blit's for the same bytes, both measured inside that row (best of
// several batches each, taken alternately), so a loaded machine moves both
// alike.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/blit.h"

namespace {

enum Mode { kMemcpy = 0, kOpaque = 1, kKeyed = 2, kBlend = 3, kKeyedScalar = 4, kBlendScalar = 5 };

struct Setup {
  Setup(int bpp, int w, int h) : w(w), h(h), pitch(1280 * (bpp / 8)), rowBytes(static_cast<size_t>(w) * (bpp / 8)) {
    src.Create(w, h, bpp);
    // Every fourth pixel is transparent (zero) so the keyed path branches.
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        src.SetPixel(x, y, (x & 3) ? 0x00A0B0C0u ^ static_cast<uint32_t>(x * 2654435761u + y) : 0u);
    frame.assign(static_cast<size_t>(pitch) * 720, 0x40);
  }
  void Run(int mode) {
    SetScalarBlits(mode == kKeyedScalar || mode == kBlendScalar);
    switch (mode) {
      case kMemcpy:
        for (int y = 0; y < h; ++y)
          std::memcpy(frame.data() + static_cast<size_t>(pitch) * y, src.pixels + static_cast<size_t>(src.stride) * y,
                      rowBytes);
        break;
      case kOpaque: src.Draw(frame.data(), 1280, 720, pitch, 0, 0, 0, 256); break;
      case kKeyed:
      case kKeyedScalar: src.Draw(frame.data(), 1280, 720, pitch, 0, 0, 1, 256); break;
      default: src.Draw(frame.data(), 1280, 720, pitch, 0, 0, 0, 128); break;
    }
    SetScalarBlits(false);
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  // Seconds per run: the best of a batch.
  double Batch(int mode, int runs) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) Run(mode);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
  }
  Bitmap src;
  int w, h, pitch;
  size_t rowBytes;
  std::vector<uint8_t> frame;
};

void Blit(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const int bpp = static_cast<int>(state.range(1));
  Setup s(bpp, static_cast<int>(state.range(2)), static_cast<int>(state.range(3)));
  for (auto _ : state) s.Run(mode);
  // The ratio: memcpy and this mode in alternating batches of about 2 ms.
  const int runs = std::max(1, static_cast<int>(2e-3 / std::max(s.Batch(kMemcpy, 3), 1e-9)));
  const int modeRuns = std::max(1, static_cast<int>(2e-3 / std::max(s.Batch(mode, 3), 1e-9)));
  double bestCopy = 1e9, bestMode = 1e9;
  for (int i = 0; i < 9; ++i) {
    bestCopy = std::min(bestCopy, s.Batch(kMemcpy, runs));
    bestMode = std::min(bestMode, s.Batch(mode, modeRuns));
  }
  state.counters["vs_memcpy"] = bestCopy / bestMode;
  // Shown as "Mpix=...k/s": megapixels per second.
  state.counters["Mpix"] = benchmark::Counter(static_cast<double>(s.w) * s.h / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(s.rowBytes) * s.h);
  static const char* names[] = {"memcpy", "opaque", "keyed", "blend", "keyed, per pixel", "blend, per pixel"};
  state.SetLabel(names[mode]);
}

void Args(benchmark::internal::Benchmark* b) {
  for (int bpp : {16, 32})
    for (auto size : {std::pair<int, int>{48, 24}, std::pair<int, int>{1280, 720}})
      for (int mode : {kMemcpy, kOpaque, kKeyed, kBlend, kKeyedScalar, kBlendScalar})
        b->Args({mode, bpp, size.first, size.second});
  b->ArgNames({"mode", "bpp", "w", "h"});
}

BENCHMARK(Blit)->Apply(Args);

}  // namespace
