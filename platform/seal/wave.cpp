// A small RIFF WAVE reader: PCM, 8 or 16 bits, mono or stereo, delivered as
// signed 8-bit frames.
#include <algorithm>
#include <cstring>

#include "platform/seal/internal.h"

namespace plat::seal::detail {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kExtensible = 0xFFFE;

}  // namespace

int ParseWave(const std::uint8_t* bytes, std::size_t size, WaveData* out) {
  if (bytes == nullptr || out == nullptr) return kBadArgument;
  if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
    return kBadFormat;
  }
  bool haveFormat = false;
  std::uint16_t tag = 0, channels = 0, bits = 0;
  std::uint32_t rate = 0;
  const std::uint8_t* data = nullptr;
  std::size_t dataSize = 0;

  // Walk the chunks. A size that is negative or runs past the file ends the
  // walk, except for the data chunk, which is cut to what the file holds.
  std::size_t at = 12;
  while (size - at >= 8) {
    const std::uint8_t* id = bytes + at;
    const std::int32_t chunkSize = static_cast<std::int32_t>(Le32(bytes + at + 4));
    const std::size_t body = at + 8;
    if (chunkSize < 0) break;
    const std::size_t avail = size - body;
    const bool isData = std::memcmp(id, "data", 4) == 0;
    if (static_cast<std::size_t>(chunkSize) > avail && !isData) break;
    if (std::memcmp(id, "fmt ", 4) == 0 && !haveFormat) {
      if (chunkSize < 16) return kBadFormat;
      tag = Le16(bytes + body);
      channels = Le16(bytes + body + 2);
      rate = Le32(bytes + body + 4);
      bits = Le16(bytes + body + 14);
      if (tag == kExtensible && chunkSize >= 26) tag = Le16(bytes + body + 24);
      haveFormat = true;
    } else if (isData && data == nullptr) {
      data = bytes + body;
      dataSize = std::min<std::size_t>(static_cast<std::size_t>(chunkSize), avail);
      if (static_cast<std::size_t>(chunkSize) > avail) break;
    }
    // Chunks are padded to an even size.
    const std::size_t next = static_cast<std::size_t>(chunkSize) + (chunkSize & 1);
    if (next >= avail) break;
    at = body + next;
  }

  if (!haveFormat || data == nullptr) return kBadFormat;
  if (tag != kPcm || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)) {
    return kBadFormat;
  }
  if (rate == 0 || rate > 65535) return kBadFormat;
  const std::size_t inFrame = static_cast<std::size_t>(channels) * (bits / 8);
  const std::size_t frames = dataSize / inFrame;
  if (frames == 0) return kBadFormat;
  if (frames * channels > kMaxSampleBytes) return kNoMemory;

  out->channels = channels;
  out->rate = static_cast<std::uint16_t>(rate);
  out->bytes.resize(frames * channels);
  std::uint8_t* dst = out->bytes.data();
  const std::size_t values = frames * channels;
  if (bits == 8) {
    for (std::size_t k = 0; k < values; ++k) dst[k] = static_cast<std::uint8_t>(data[k] ^ 0x80);
  } else {
    // Each value is rounded to the nearest 8-bit step (cutting the low byte
    // off would pull the whole sound half a step down).
    for (std::size_t k = 0; k < values; ++k) {
      const int v = static_cast<std::int16_t>(Le16(data + 2 * k));
      dst[k] = static_cast<std::uint8_t>(static_cast<std::int8_t>(std::min((v + 128) >> 8, 127)));
    }
  }
  return kOk;
}

}  // namespace plat::seal::detail
