// Blit speed in megapixels per second: opaque, keyed and blended copies of a
// 48 x 24 brick and of a whole 1280 x 720 frame at 16 and 32 bits, each next
// to a plain row-by-row memcpy of the same bytes measured in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "graphics/bitmap.h"

namespace {

enum Mode { kMemcpy = 0, kOpaque = 1, kKeyed = 2, kBlend = 3 };

void Blit(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const int bpp = static_cast<int>(state.range(1));
  const int w = static_cast<int>(state.range(2));
  const int h = static_cast<int>(state.range(3));
  const int frameW = 1280, frameH = 720;
  Bitmap src;
  src.Create(w, h, bpp);
  // Every fourth pixel is transparent (zero) so the keyed path branches.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      src.SetPixel(x, y, (x & 3) ? 0x00A0B0C0u ^ static_cast<uint32_t>(x * 2654435761u + y) : 0u);
  const int pitch = frameW * (bpp / 8);
  std::vector<uint8_t> frame(static_cast<size_t>(pitch) * frameH, 0x40);
  const size_t rowBytes = static_cast<size_t>(w) * (bpp / 8);
  for (auto _ : state) {
    switch (mode) {
      case kMemcpy:
        for (int y = 0; y < h; ++y)
          std::memcpy(frame.data() + static_cast<size_t>(pitch) * y, src.pixels + static_cast<size_t>(src.stride) * y,
                      rowBytes);
        break;
      case kOpaque: src.Draw(frame.data(), frameW, frameH, pitch, 0, 0, 0, 256); break;
      case kKeyed: src.Draw(frame.data(), frameW, frameH, pitch, 0, 0, 1, 256); break;
      case kBlend: src.Draw(frame.data(), frameW, frameH, pitch, 0, 0, 0, 128); break;
    }
    benchmark::DoNotOptimize(frame.data());
    benchmark::ClobberMemory();
  }
  // Shown as "Mpix=...k/s": megapixels per second.
  state.counters["Mpix"] = benchmark::Counter(static_cast<double>(w) * h / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(rowBytes) * h);
  static const char* names[] = {"memcpy", "opaque", "keyed", "blend"};
  state.SetLabel(names[mode]);
}

void Args(benchmark::internal::Benchmark* b) {
  for (int bpp : {16, 32})
    for (auto size : {std::pair<int, int>{48, 24}, std::pair<int, int>{1280, 720}})
      for (int mode : {kMemcpy, kOpaque, kKeyed, kBlend}) b->Args({mode, bpp, size.first, size.second});
  b->ArgNames({"mode", "bpp", "w", "h"});
}

BENCHMARK(Blit)->Apply(Args);

}  // namespace
