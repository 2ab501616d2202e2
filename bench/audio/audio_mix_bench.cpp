// Mixing cost: one second of 22050 Hz 8-bit stereo (the game's output) with
// 8 voices and a playing module, and with all 32 voices. The time per
// iteration is the cost of one second of sound (divided by 1000 ms, the
// share of real time the mixer takes); "x_realtime" is its inverse.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "audio/sound_seal.h"
#include "platform/seal/seal.h"
#include "tests/audio/audio_test_files.h"

namespace seal = plat::seal;

namespace {

void Mix(benchmark::State& state, int voices, bool module) {
  seal::SelectOutput(seal::Output::kNull);
  SoundSEAL sound;
  if (!sound.Init(true, 22050, 8, 1, 4, voices, voices)) {
    state.SkipWithError("cannot open the null output");
    return;
  }
  std::vector<uint8_t> tone(8000);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = uint8_t(128 + ((i / 20) % 2 ? 90 : -90));
  sound.CreateSample8(tone.data(), int32_t(tone.size()), 22050);
  sound.SetSampleLoop(0, true);
  for (int v = 0; v < voices; ++v) sound.PlaySample(0, 11025 + 1500 * v, 40, (v * 37) % 256);
  if (module) {
    const std::string path = "/tmp/audio_mix_bench.mod";
    const audiotest::Bytes mod = audiotest::FourChannelMod(8);
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(mod.data(), 1, mod.size(), f);
      std::fclose(f);
    }
    if (!sound.LoadModule(path.c_str(), 0, 0) || !sound.PlayModule(0)) {
      state.SkipWithError("module did not play");
      return;
    }
    std::remove(path.c_str());
  }
  for (auto _ : state) {
    seal::AdvanceNullOutput(22050);
    benchmark::DoNotOptimize(seal::TakeNullOutputBytes());
  }
  // Seconds of sound mixed per second of CPU time: how many times faster
  // than real time the mixer runs.
  state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  sound.Shutdown();
}

void BM_MixSecond8VoicesAndModule(benchmark::State& state) { Mix(state, 8, true); }
void BM_MixSecond32Voices(benchmark::State& state) { Mix(state, 32, false); }

}  // namespace

BENCHMARK(BM_MixSecond8VoicesAndModule)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MixSecond32Voices)->Unit(benchmark::kMillisecond);
