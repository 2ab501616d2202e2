// Module loading: arbitrary bytes either load as a module that then plays a
// little through the null output, or are refused; nothing else may happen.
#include <cstddef>
#include <cstdint>

#include "platform/seal/seal.h"

namespace seal = plat::seal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool opened = [] {
    seal::SelectOutput(seal::Output::kNull);
    seal::DeviceDesc desc{seal::kDefaultDevice, seal::kFormat16Bit | seal::kFormatStereo, 8000};
    return seal::OpenDevice(&desc) == seal::kOk;
  }();
  if (!opened) return 0;
  seal::Module* module = nullptr;
  if (seal::LoadModuleMemory(data, size, &module) != seal::kOk) {
    if (module != nullptr) __builtin_trap();
    return 0;
  }
  module->restart = static_cast<std::uint16_t>(size & 7);
  if (seal::PlayModule(module) == seal::kOk) {
    for (int k = 0; k < 8; ++k) seal::AdvanceNullOutput(1000);
    seal::TakeNullOutputBytes();
    std::uint32_t order = 0;
    seal::GetModulePosition(&order);
  }
  seal::FreeModuleFile(module);
  return 0;
}
