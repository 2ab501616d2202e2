// The WAVE reader: arbitrary bytes either load (in memory and as a stream)
// and survive the conversions, or are refused with the previous contents
// kept.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "audio/wave_buffer.h"

namespace {

const std::string& StreamPath() {
  static const std::string path = [] {
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "/tmp") + "/wave_buffer_fuzz." + std::to_string(getpid()) + ".wav";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // In memory, over a buffer that already holds something.
  WaveBuffer w;
  if (w.Create(8000, 8, 0, 4) != 1) __builtin_trap();
  std::memset(w.samples, 99, 4);
  FILE* f = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (f == nullptr) return 0;
  const int32_t loaded = w.LoadFromFile(f);
  std::fclose(f);
  if (!loaded) {
    if (w.sizeBytes != 4 || w.samples[3] != 99 || w.format.samplesPerSec != 8000) __builtin_trap();
  } else {
    if (w.sizeBytes <= 0 || size_t(w.sizeBytes) > size) __builtin_trap();
    // Touch every byte so the sanitizer sees any that were never written.
    unsigned sum = 0;
    for (int32_t i = 0; i < w.sizeBytes; ++i) sum += w.samples[i];
    if (sum == 0xFFFFFFFFu) std::abort();
    const double rate = w.format.samplesPerSec ? w.format.samplesPerSec : 1;
    if (double(w.sizeBytes) * 22050.0 / rate < 4e6) w.Resample(22050);
    w.To8Bit();
    w.SoftClip(0.7f);
    w.SoftClip(0.5f);
  }

  // As a stream.
  FILE* out = std::fopen(StreamPath().c_str(), "wb");
  if (out == nullptr) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);
  WaveBuffer s;
  if (s.OpenStream(StreamPath().c_str(), 0)) {
    s.SetTailSilence(100);
    std::uint8_t chunk[777];
    int64_t total = 0;
    for (int i = 0; i < 10000; ++i) {
      const int32_t n = s.ReadStream(chunk, sizeof chunk);
      if (n < 0 || n > int32_t(sizeof chunk)) __builtin_trap();
      if (n == 0) break;
      total += n;
    }
    if (!s.IsStreamFinished() && total < 10000 * 777) __builtin_trap();
    if (total > int64_t(size) + 100) __builtin_trap();
    s.Rewind();
    s.ReadStream(chunk, sizeof chunk);
  }
  return 0;
}
