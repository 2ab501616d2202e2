// Throughput of the rolling hash and the scrambler, in bytes per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "core/hash.h"

namespace {

std::vector<uint8_t> Data(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = uint8_t(i * 2654435761u >> 13);
  return v;
}

void BM_HashBytes(benchmark::State& state) {
  std::vector<uint8_t> data = Data(size_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(HashBytes(data.data(), int32_t(data.size())));
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_HashBytes)->Arg(4 << 10)->Arg(1 << 20);

void BM_ScrambleBuffer(benchmark::State& state) {
  std::vector<uint8_t> data = Data(size_t(state.range(0)));
  for (auto _ : state) {
    uint8_t* out = nullptr;
    int32_t size = 0;
    ScrambleBuffer(data.data(), int32_t(data.size()), &out, &size);
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ScrambleBuffer)->Arg(4 << 10)->Arg(1 << 20);

void BM_UnscrambleBuffer(benchmark::State& state) {
  std::vector<uint8_t> data = Data(size_t(state.range(0)));
  uint8_t* scrambled = nullptr;
  int32_t scrambledSize = 0;
  ScrambleBuffer(data.data(), int32_t(data.size()), &scrambled, &scrambledSize);
  for (auto _ : state) {
    uint8_t* out = nullptr;
    int32_t size = 0;
    UnscrambleBuffer(scrambled, scrambledSize, &out, &size);
    benchmark::DoNotOptimize(out);
    std::free(out);
  }
  std::free(scrambled);
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_UnscrambleBuffer)->Arg(4 << 10)->Arg(1 << 20);

}  // namespace
