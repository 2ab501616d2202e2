// The sound library's WAVE loader: arbitrary bytes either load as a sample
// that then plays through the null output, or are refused.
#include <cstddef>
#include <cstdint>

#include "platform/seal/seal.h"

namespace seal = plat::seal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool opened = [] {
    seal::SelectOutput(seal::Output::kNull);
    seal::DeviceDesc desc{seal::kDefaultDevice, seal::kFormatStereo, 8000};
    return seal::OpenDevice(&desc) == seal::kOk && seal::OpenVoices(1) == seal::kOk;
  }();
  static seal::Voice voice = 0;
  if (!opened || (voice == 0 && seal::CreateVoice(&voice) != seal::kOk)) return 0;
  seal::Sample* sample = nullptr;
  if (seal::LoadWaveMemory(data, size, &sample) != seal::kOk) {
    if (sample != nullptr) __builtin_trap();
    return 0;
  }
  if (sample->data == nullptr || sample->length == 0) __builtin_trap();
  seal::PrimeVoice(voice, sample);
  seal::StartVoice(voice);
  seal::AdvanceNullOutput(512);
  seal::TakeNullOutputBytes();
  seal::FreeWaveFile(sample);
  return 0;
}
