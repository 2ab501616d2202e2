// Unscrambling arbitrary bytes: never a crash or an access outside the
// buffers; a success hands over a payload no longer than the input. The
// length word is patched to match half of the time, so the trailer walk is
// reached, not only the header check.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/hash.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<uint8_t> bytes(data, data + size);
  if (size >= 5 && (bytes[0] & 1)) {
    uint32_t word = uint32_t(size) ^ kScrambleLengthMask;
    for (int i = 0; i < 4; ++i) bytes[size_t(i)] = uint8_t(word >> (8 * i));
  }
  uint8_t* out = nullptr;
  int32_t outSize = 0;
  if (UnscrambleBuffer(bytes.data(), int32_t(bytes.size()), &out, &outSize)) {
    if (outSize < 0 || size_t(outSize) + 4 > size) std::abort();
    // Scrambling the payload again and reading it back gives it unchanged.
    if (outSize > 0) {
      uint8_t* again = nullptr;
      int32_t againSize = 0;
      if (!ScrambleBuffer(out, outSize, &again, &againSize)) std::abort();
      uint8_t* back = nullptr;
      int32_t backSize = 0;
      if (!UnscrambleBuffer(again, againSize, &back, &backSize)) std::abort();
      if (backSize != outSize || std::memcmp(back, out, size_t(outSize)) != 0) std::abort();
      std::free(back);
      std::free(again);
    }
    std::free(out);
  } else if (out != nullptr) {
    std::abort();
  }
  return 0;
}
