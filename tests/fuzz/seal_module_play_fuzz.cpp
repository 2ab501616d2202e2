// Module playback: arbitrary bytes that load as a module are played for a few
// seconds of output, the way the game plays them: on one of the four device
// formats, from the start, through the song's end and back to a restart order
// (moved while it plays), paused and resumed, at changing volume, then played
// again from the top. Nothing may crash, hang, or read or write out of bounds.
#include <cstddef>
#include <cstdint>

#include "platform/seal/seal.h"

namespace seal = plat::seal;

namespace {

constexpr std::uint16_t kRate = 8000;
constexpr std::uint16_t kFormats[] = {0, seal::kFormatStereo, seal::kFormat16Bit,
                                      seal::kFormat16Bit | seal::kFormatStereo};

bool OpenWithFormat(std::uint16_t format) {
  static int openFormat = -1;
  if (openFormat == format) return true;
  if (openFormat >= 0) seal::CloseDevice();
  openFormat = -1;
  seal::SelectOutput(seal::Output::kNull);
  seal::DeviceDesc desc{seal::kDefaultDevice, format, kRate};
  if (seal::OpenDevice(&desc) != seal::kOk) return false;
  openFormat = format;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The choices come from the size and the last byte, so the module's own
  // bytes stay what the mutator made them.
  const std::uint8_t last = size > 0 ? data[size - 1] : 0;
  if (!OpenWithFormat(kFormats[size % 4])) return 0;
  seal::Module* module = nullptr;
  if (seal::LoadModuleMemory(data, size, &module) != seal::kOk) {
    if (module != nullptr) __builtin_trap();
    return 0;
  }
  if (seal::PlayModule(module) != seal::kOk) __builtin_trap();
  // Four seconds in blocks of uneven length, the restart moving each second.
  const std::uint32_t block = 200 + last * 7;
  std::uint32_t played = 0;
  for (int k = 0; played < 4u * kRate; ++k) {
    if (played % kRate < block) module->restart = static_cast<std::uint16_t>((last + k) % 9);
    if (k == 5) seal::PauseModule();
    if (k == 6) seal::ResumeModule();
    if (k == 7) seal::SetModuleVolume(last % 64);
    if (seal::AdvanceNullOutput(block) != seal::kOk) __builtin_trap();
    played += block;
    std::uint32_t order = 0;
    seal::GetModulePosition(&order);
    seal::TakeNullOutputBytes();
  }
  seal::SetModuleVolume(seal::kMaxVolume);
  // Once more from the top, briefly.
  if (seal::PlayModule(module) != seal::kOk) __builtin_trap();
  seal::AdvanceNullOutput(kRate / 4);
  seal::TakeNullOutputBytes();
  seal::StopModule();
  seal::FreeModuleFile(module);
  return 0;
}
