#include "core/hash.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/cstr.h"
#include "platform/random.h"

namespace {
uint32_t Rotl1(uint32_t h) { return (h << 1) | (h >> 31); }

void PutLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

uint32_t GetLe32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// XORs n bytes with the key repeated (key[j mod k] at byte j). The key is
// laid out repeatedly over a block first, so the inner loop is a plain
// block XOR the compiler can widen.
void XorWithKey(uint8_t* p, int32_t n, const uint8_t* key, int k) {
  uint8_t pattern[256];
  const int period = (256 / k) * k;
  for (int j = 0; j < period; ++j) pattern[j] = key[j % k];
  int32_t i = 0;
  for (; i + period <= n; i += period) {
    for (int j = 0; j < period; ++j) p[i + j] ^= pattern[j];
  }
  for (int j = 0; i < n; ++i, ++j) p[i] ^= pattern[j];
}

// Room behind the payload for the largest trailers: 15 layers of a 15-byte
// key and a marker, rounded up.
constexpr int32_t kTrailerRoom = 256;
}  // namespace

uint32_t HashBytes(const void* data, int32_t length) {
  if (!data || length <= 0) return 0;
  uint32_t h = HashSeed(uint32_t(length));
  int32_t k = 0;
  HashAddBytes(h, data, length, k);
  return h;
}

uint32_t HashSeed(uint32_t value) { return value ^ kHashSeed; }

void HashAddByte(uint32_t& h, uint32_t b, int32_t& k) {
  h = Rotl1(h) ^ (b & 0xFF) ^ uint32_t(k);
  k = int32_t(uint32_t(k) + 1);
}

void HashAddString(uint32_t& h, const CStr& text, int32_t& k) {
  if (!text.data) return;
  for (int32_t i = 0; i < text.length; ++i) HashAddByte(h, uint8_t(text.data[i]), k);
}

void HashAddBytes(uint32_t& h, const void* data, int32_t n, int32_t& k) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t v = h, i = uint32_t(k);
  for (int32_t j = 0; j < n; ++j, ++i) v = Rotl1(v) ^ p[j] ^ i;
  h = v;
  k = int32_t(i);
}

void HashAddInt(uint32_t& h, int32_t value, int32_t& k) {
  uint32_t v = uint32_t(value);
  HashAddByte(h, v & 0xFF, k);
  HashAddByte(h, (v >> 8) & 0xFF, k);
  HashAddByte(h, (v >> 16) & 0xFF, k);
  HashAddByte(h, (v >> 24) & 0xFF, k);
}

bool ScrambleBuffer(const void* data, int32_t length, uint8_t** out, int32_t* outSize) {
  if (!data || length <= 0 || !out || !outSize) return false;
  if (length > INT32_MAX - 4 - kTrailerRoom) return false;
  uint8_t* buf = static_cast<uint8_t*>(std::malloc(size_t(length) + 4 + kTrailerRoom));
  if (!buf) return false;

  plat::Srand(uint32_t(length));
  int layers = plat::Rand() % 9 + 7;
  std::memcpy(buf + 4, data, size_t(length));
  int32_t size = length + 4;
  uint8_t key[16];
  for (int b = 0; b < layers; ++b) {
    int k = (b == layers - 1) ? layers : plat::Rand() % 9 + 7;
    int32_t start = size;
    for (int j = 0; j < k; ++j) {
      key[j] = uint8_t((plat::Rand() >> 3) & 0xFF);
      buf[size++] = key[j];
    }
    buf[size++] = uint8_t((plat::Rand() & 0xF0) | k);
    if (start > 4) XorWithKey(buf + 4, start - 4, key, k);
  }
  PutLe32(buf, uint32_t(size) ^ kScrambleLengthMask);
  *out = buf;
  *outSize = size;
  return true;
}

bool UnscrambleBuffer(const void* data, int32_t length, uint8_t** out, int32_t* outSize) {
  if (!data || length < 5 || !out || !outSize) return false;
  const uint8_t* in = static_cast<const uint8_t*>(data);
  const int32_t tail = length - 4 < ScrambleKeys::kTailBytes ? length - 4 : ScrambleKeys::kTailBytes;
  ScrambleKeys keys;
  if (!keys.Find(in, in + length - tail, tail, length)) return false;
  uint8_t* buf = static_cast<uint8_t*>(std::malloc(size_t(length)));
  if (!buf) return false;
  const int32_t m = keys.PayloadLength();
  std::memcpy(buf, in + 4, size_t(m));
  keys.Apply(buf, m, 0);
  *out = buf;
  *outSize = m;
  return true;
}

bool ScrambleKeys::Find(const uint8_t* head, const uint8_t* tail, int32_t tailLength, int32_t length) {
  layers_ = 0;
  payload_ = 0;
  if (!head || !tail || length < 5 || tailLength < 1 || tailLength > kTailBytes || tailLength > length - 4)
    return false;
  if ((GetLe32(head) ^ kScrambleLengthMask) != uint32_t(length)) return false;
  // The tail holds bytes base .. m - 1 of the buffer after its length word.
  int32_t m = length - 4;
  const int32_t base = m - tailLength;
  uint8_t t[kTailBytes];
  std::memcpy(t, tail, size_t(tailLength));

  // A layer count of 0 peels nothing: the payload is all that follows the
  // header, its last byte included.
  const int layers = t[m - 1 - base] & 0x0F;
  for (int b = 0; b < layers; ++b) {
    // Each layer needs its marker and as many key bytes as the marker
    // names; a marker of 0 or one that claims more than remains means
    // the buffer was never scrambled this way.
    if (m < 1 || m - 1 < base) return false;
    int k = t[m - 1 - base] & 0x0F;
    m -= 1;
    if (k == 0 || k > m || m - k < base) return false;
    m -= k;
    std::memcpy(keys_[b], t + (m - base), size_t(k));
    sizes_[b] = k;
    // The key also covers the keys of the layers inside it.
    for (int32_t i = base; i < m; ++i) t[i - base] ^= keys_[b][i % k];
  }
  layers_ = layers;
  payload_ = m;
  return true;
}

void ScrambleKeys::Apply(uint8_t* p, int32_t n, int32_t at) const {
  if (!p || n <= 0 || at < 0) return;
  for (int b = 0; b < layers_; ++b) {
    const int k = sizes_[b];
    uint8_t key[15];
    for (int j = 0; j < k; ++j) key[j] = keys_[b][(int64_t{at} + j) % k];
    XorWithKey(p, n, key, k);
  }
}
