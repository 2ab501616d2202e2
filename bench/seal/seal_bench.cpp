// Mixing cost: one second of 22050 Hz stereo output through the null output.
// The "x_realtime" counter is how many seconds of sound one second of CPU mixes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/seal/seal.h"
#include "tests/seal/module_variants.h"
#include "tests/seal/test_module.h"

namespace seal = plat::seal;

namespace {

constexpr std::uint32_t kRate = 22050;

void MixOneSecond(benchmark::State& state, std::uint32_t voices, bool withModule) {
  const bool sixteen = state.range(0) != 0;
  seal::SelectOutput(seal::Output::kNull);
  seal::DeviceDesc desc{seal::kDefaultDevice,
                        static_cast<std::uint16_t>(seal::kFormatStereo | (sixteen ? seal::kFormat16Bit : 0)), kRate};
  if (seal::OpenDevice(&desc) != seal::kOk || seal::OpenVoices(voices) != seal::kOk) {
    state.SkipWithError("cannot open the null output");
    return;
  }
  // Looping samples in all four data formats, played off their own rate so
  // every voice resamples.
  std::vector<seal::Sample> samples(4);
  for (int k = 0; k < 4; ++k) {
    seal::Sample& s = samples[k];
    s.format = static_cast<std::uint16_t>(seal::kFormatLoop | (k & 1 ? seal::kFormat16Bit : 0) |
                                          (k & 2 ? seal::kFormatStereo : 0));
    s.length = 8192;
    s.loopStart = 0;
    s.loopEnd = s.length;
    s.rate = 11025;
    seal::CreateSampleData(&s);
    auto* bytes = static_cast<std::uint8_t*>(s.data);
    for (std::uint32_t b = 0; b < s.length; ++b) bytes[b] = static_cast<std::uint8_t>((b * 7) & 0x3F);
    seal::WriteSampleData(&s, 0, s.length);
  }
  for (std::uint32_t k = 0; k < voices; ++k) {
    seal::Voice v = 0;
    seal::CreateVoice(&v);
    seal::PrimeVoice(v, &samples[k % 4]);
    seal::SetVoiceFrequency(v, 8000 + 1500 * k);
    seal::SetVoiceVolume(v, 20 + k);
    seal::SetVoicePanning(v, (k * 37) & 0xFF);
    seal::StartVoice(v);
  }
  seal::Module* module = nullptr;
  const auto mod = vantrel::test::MakeTestMod(4, 0);
  if (withModule) {
    seal::LoadModuleMemory(mod.data(), mod.size(), &module);
    seal::SetModuleVolume(40);
    seal::PlayModule(module);
  }
  for (auto _ : state) {
    seal::AdvanceNullOutput(kRate);
    benchmark::DoNotOptimize(seal::TakeNullOutputBytes());
  }
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  seal::CloseDevice();
  if (module != nullptr) seal::FreeModuleFile(module);
  for (auto& s : samples) seal::DestroySampleData(&s);
}

void BM_Mix8VoicesAndModule(benchmark::State& state) { MixOneSecond(state, 8, true); }
void BM_Mix32Voices(benchmark::State& state) { MixOneSecond(state, 32, false); }

// The generated songs with the most channels: one second of each mixed.
const std::vector<vantrel::test::ModuleVariant>& BusySongs() {
  static const auto songs = [] {
    std::vector<vantrel::test::ModuleVariant> out;
    for (auto& v : vantrel::test::ModuleVariants()) {
      if (v.name == "tune-32ch.mod" || v.name == "tune-32.xm" || v.name == "effects-32.s3m" ||
          v.name == "effects-12.xm") {
        out.push_back(v);
      }
    }
    return out;
  }();
  return songs;
}

void BM_MixBusySong(benchmark::State& state) {
  const auto& song = BusySongs().at(static_cast<std::size_t>(state.range(0)));
  state.SetLabel(song.name);
  seal::SelectOutput(seal::Output::kNull);
  seal::DeviceDesc desc{seal::kDefaultDevice, seal::kFormatStereo, kRate};
  seal::Module* module = nullptr;
  if (seal::OpenDevice(&desc) != seal::kOk ||
      seal::LoadModuleMemory(song.bytes.data(), song.bytes.size(), &module) != seal::kOk) {
    state.SkipWithError("cannot play the song");
    seal::CloseDevice();
    return;
  }
  seal::PlayModule(module);
  for (auto _ : state) {
    seal::AdvanceNullOutput(kRate);
    benchmark::DoNotOptimize(seal::TakeNullOutputBytes());
  }
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
  seal::CloseDevice();
  seal::FreeModuleFile(module);
}

void BM_LoadModule(benchmark::State& state) {
  const auto& song = BusySongs().at(static_cast<std::size_t>(state.range(0)));
  state.SetLabel(song.name);
  for (auto _ : state) {
    seal::Module* module = nullptr;
    seal::LoadModuleMemory(song.bytes.data(), song.bytes.size(), &module);
    if (module != nullptr) seal::FreeModuleFile(module);
  }
}

}  // namespace

// Argument: 0 = 8-bit output (the game's default), 1 = 16-bit output.
BENCHMARK(BM_Mix8VoicesAndModule)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mix32Voices)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
// Argument: which busy song (32-channel MOD, 32-channel XM, 32-channel S3M
// effect sweep, 12-channel XM effect sweep).
BENCHMARK(BM_MixBusySong)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadModule)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
