// The mixer under arbitrary use: the bytes are a script of library calls
// (sample sizes and formats, loop points, positions, frequencies, volumes,
// pans, starts and stops, mixing). Nothing may read or write out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/seal/seal.h"

namespace seal = plat::seal;

namespace {

struct Reader {
  const std::uint8_t* p;
  std::size_t n;
  std::uint32_t Next(int bytes) {
    std::uint32_t v = 0;
    for (int k = 0; k < bytes; ++k) {
      v = v << 8 | (n > 0 ? *p : 0);
      if (n > 0) ++p, --n;
    }
    return v;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in{data, size};
  seal::SelectOutput(seal::Output::kNull);
  const std::uint16_t rates[] = {8000, 11025, 22050, 44100, 48000};
  seal::DeviceDesc desc{seal::kDefaultDevice, static_cast<std::uint16_t>(in.Next(1) & 1 ? seal::kFormat16Bit : 0),
                        rates[in.Next(1) % 5]};
  if (in.Next(1) & 1) desc.format |= seal::kFormatStereo;
  if (seal::OpenDevice(&desc) != seal::kOk) return 0;
  seal::OpenVoices(4);
  seal::Voice voices[4] = {};
  for (auto& v : voices) seal::CreateVoice(&v);
  seal::Sample samples[3];
  for (auto& s : samples) {
    s.length = 1 + in.Next(2) % 3000;
    s.format = static_cast<std::uint16_t>(in.Next(2) & (seal::kFormat16Bit | seal::kFormatStereo | seal::kFormatLoop));
    s.rate = static_cast<std::uint16_t>(in.Next(2));
    if (seal::CreateSampleData(&s) == seal::kOk) {
      auto* bytes = static_cast<std::uint8_t*>(s.data);
      for (std::uint32_t k = 0; k < s.length; ++k) bytes[k] = static_cast<std::uint8_t>(in.Next(1));
      seal::WriteSampleData(&s, 0, s.length);
    }
  }
  int steps = 0;
  while (in.n > 0 && ++steps < 200) {
    const std::uint32_t op = in.Next(1);
    const seal::Voice v = voices[(op >> 4) & 3];
    seal::Sample& s = samples[(op >> 6) % 3];
    switch (op & 15) {
      case 0:
        s.loopStart = in.Next(2);
        s.loopEnd = in.Next(2);
        break;
      case 1: s.format ^= seal::kFormatLoop; break;
      case 2: seal::PrimeVoice(v, &s); break;
      case 3: seal::StartVoice(v); break;
      case 4: seal::StopVoice(v); break;
      case 5: seal::SetVoicePosition(v, in.Next(2)); break;
      case 6: seal::SetVoiceFrequency(v, in.Next(3)); break;
      case 7: seal::SetVoiceVolume(v, in.Next(1)); break;
      case 8: seal::SetVoicePanning(v, in.Next(1)); break;
      case 9: seal::AdvanceNullOutput(in.Next(2) % 4096); break;
      case 10: {
        std::uint32_t pos;
        seal::GetVoicePosition(v, &pos);
        break;
      }
      case 11: {
        int stopped;
        seal::GetVoiceStatus(v, &stopped);
        break;
      }
      case 12: seal::WriteSampleData(&s, in.Next(2), in.Next(2)); break;
      case 13: seal::DestroySampleData(&s); break;
      case 14: seal::TakeNullOutputSamples(); break;
      default: s.format ^= static_cast<std::uint16_t>(in.Next(1) & 1 ? seal::kFormat16Bit : seal::kFormatStereo); break;
    }
  }
  seal::AdvanceNullOutput(256);
  seal::CloseDevice();
  for (auto& s : samples) seal::DestroySampleData(&s);
  seal::TakeNullOutputBytes();
  return 0;
}
