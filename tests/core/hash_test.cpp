#include "core/hash.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "core/cstr.h"
#include "platform/random.h"

namespace {

struct FreeDeleter {
  void operator()(uint8_t* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<uint8_t, FreeDeleter>;

std::vector<uint8_t> Payload(int n, uint32_t salt = 7) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[size_t(i)] = uint8_t(i * 131 + salt * 17 + (i >> 3));
  return v;
}

std::vector<uint8_t> Scramble(const std::vector<uint8_t>& in) {
  uint8_t* out = nullptr;
  int32_t size = 0;
  EXPECT_TRUE(ScrambleBuffer(in.data(), int32_t(in.size()), &out, &size));
  Buffer owner(out);
  return std::vector<uint8_t>(out, out + size);
}

bool Unscramble(const std::vector<uint8_t>& in, std::vector<uint8_t>* payload = nullptr) {
  uint8_t* out = reinterpret_cast<uint8_t*>(1);
  int32_t size = -1;
  bool ok = UnscrambleBuffer(in.data(), int32_t(in.size()), &out, &size);
  if (!ok) {
    EXPECT_EQ(out, reinterpret_cast<uint8_t*>(1)) << "a failed call hands over no buffer";
    return false;
  }
  Buffer owner(out);
  if (payload) payload->assign(out, out + size);
  return true;
}

void PutLe32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[size_t(i)] = uint8_t(v >> (8 * i));
}

TEST(HashTest, NullOrEmptyIsZeroNotTheSeed) {
  uint8_t b = 1;
  EXPECT_EQ(HashBytes(nullptr, 10), 0u);
  EXPECT_EQ(HashBytes(&b, 0), 0u);
  EXPECT_EQ(HashBytes(&b, -1), 0u);
}

TEST(HashTest, KnownValues) {
  // h = 1 ^ seed, then rotl(h, 1) ^ 0 ^ 0.
  uint8_t zero = 0;
  uint32_t h = 1u ^ kHashSeed;
  EXPECT_EQ(HashBytes(&zero, 1), (h << 1) | (h >> 31));
  // Bytes count as unsigned and the index is the whole 32-bit index.
  std::vector<uint8_t> big(300, 0xFF);
  uint32_t want = 300u ^ kHashSeed;
  for (uint32_t i = 0; i < 300; ++i) want = ((want << 1) | (want >> 31)) ^ 0xFFu ^ i;
  EXPECT_EQ(HashBytes(big.data(), 300), want);
}

TEST(HashTest, BlockHashEqualsTheStreamingForm) {
  for (int n : {1, 2, 7, 64, 255, 256, 1000}) {
    std::vector<uint8_t> data = Payload(n);
    uint32_t h = HashSeed(uint32_t(n));
    int32_t k = 0;
    for (uint8_t b : data) HashAddByte(h, b, k);
    EXPECT_EQ(k, n);
    EXPECT_EQ(h, HashBytes(data.data(), n)) << n;
  }
}

TEST(HashTest, AddIntFeedsLeastSignificantByteFirstAndAddStringItsBytes) {
  uint32_t a = HashSeed(5), b = HashSeed(5);
  int32_t ka = 0, kb = 0;
  HashAddInt(a, 0x01020304, ka);
  for (uint32_t byte : {4u, 3u, 2u, 1u}) HashAddByte(b, byte, kb);
  EXPECT_EQ(a, b);
  EXPECT_EQ(ka, 4);

  CStr s("ab\xF0");
  uint32_t c = 9, d = 9;
  int32_t kc = 3, kd = 3;
  HashAddString(c, s, kc);
  for (uint32_t byte : {uint32_t('a'), uint32_t('b'), 0xF0u}) HashAddByte(d, byte, kd);
  EXPECT_EQ(c, d);
  EXPECT_EQ(kc, 6);
  // Only the low byte of a fed value counts.
  uint32_t e = 1, f = 1;
  int32_t ke = 0, kf = 0;
  HashAddByte(e, 0x1FF, ke);
  HashAddByte(f, 0xFF, kf);
  EXPECT_EQ(e, f);
}

TEST(RuntimeRandomTest, FollowsTheRuntimeGeneratorSequence) {
  plat::Srand(1);
  int want[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (int w : want) EXPECT_EQ(plat::Rand(), w);
  plat::Srand(0);
  EXPECT_EQ(plat::Rand(), 38);
}

TEST(ScrambleTest, SizeStaysBetweenSixtyAndTwoHundredFortyFourExtraBytes) {
  int minExtra = 1 << 30, maxExtra = 0;
  for (int n = 1; n <= 2000; ++n) {
    std::vector<uint8_t> s = Scramble(Payload(n));
    int extra = int(s.size()) - n;
    minExtra = std::min(minExtra, extra);
    maxExtra = std::max(maxExtra, extra);
    ASSERT_GE(extra, 60) << n;
    ASSERT_LE(extra, 244) << n;
  }
  EXPECT_LT(minExtra, 120);  // the lengths cover a good spread of layer counts
  EXPECT_GT(maxExtra, 160);
}

TEST(ScrambleTest, LayoutFollowsTheGeneratorSeededWithTheLength) {
  for (int n : {1, 5, 100, 333}) {
    std::vector<uint8_t> s = Scramble(Payload(n));
    // Replay the generator: layer count, then per layer key length, key
    // bytes and marker.
    plat::Srand(uint32_t(n));
    int layers = plat::Rand() % 9 + 7;
    size_t pos = size_t(n) + 4;
    for (int b = 0; b < layers; ++b) {
      int k = b == layers - 1 ? layers : plat::Rand() % 9 + 7;
      for (int j = 0; j < k; ++j, ++pos) {
        uint8_t key = uint8_t((plat::Rand() >> 3) & 0xFF);
        if (b == layers - 1) {
          EXPECT_EQ(s[pos], key) << "the last layer's key is stored plain";
        }
      }
      uint8_t marker = uint8_t((plat::Rand() & 0xF0) | k);
      if (b == layers - 1) {
        EXPECT_EQ(s[pos], marker);
      }
      ++pos;
    }
    ASSERT_EQ(pos, s.size());
    EXPECT_EQ(s.back() & 0x0F, layers);
    uint32_t word = uint32_t(s[0]) | uint32_t(s[1]) << 8 | uint32_t(s[2]) << 16 | uint32_t(s[3]) << 24;
    EXPECT_EQ(word ^ kScrambleLengthMask, uint32_t(s.size()));
  }
}

TEST(ScrambleTest, ReseedsTheSharedGeneratorWithThePayloadLength) {
  std::vector<uint8_t> data = Payload(50);
  Scramble(data);
  int afterScramble = plat::Rand();
  plat::Srand(50);
  int layers = plat::Rand() % 9 + 7;
  for (int b = 0; b < layers; ++b) {
    int k = b == layers - 1 ? layers : plat::Rand() % 9 + 7;
    for (int i = 0; i <= k; ++i) plat::Rand();  // key bytes and marker
  }
  EXPECT_EQ(plat::Rand(), afterScramble);
}

TEST(ScrambleTest, RoundTripsEveryLengthAndIsDeterministic) {
  for (int n = 1; n <= 400; ++n) {
    std::vector<uint8_t> data = Payload(n, uint32_t(n));
    std::vector<uint8_t> s = Scramble(data);
    std::vector<uint8_t> back;
    ASSERT_TRUE(Unscramble(s, &back)) << n;
    ASSERT_EQ(back, data) << n;
    ASSERT_EQ(Scramble(data), s) << n;
  }
}

TEST(ScrambleTest, ScrambledDataDoesNotShowThePayload) {
  std::vector<uint8_t> zeros(200, 0);
  std::vector<uint8_t> s = Scramble(zeros);
  int zeroBytes = 0;
  for (size_t i = 4; i < 204; ++i) zeroBytes += s[i] == 0;
  EXPECT_LT(zeroBytes, 40);
}

TEST(ScrambleTest, RejectsBadArguments) {
  uint8_t b[4] = {1, 2, 3, 4};
  uint8_t* out = nullptr;
  int32_t size = 0;
  EXPECT_FALSE(ScrambleBuffer(nullptr, 4, &out, &size));
  EXPECT_FALSE(ScrambleBuffer(b, 0, &out, &size));
  EXPECT_FALSE(ScrambleBuffer(b, -1, &out, &size));
  EXPECT_FALSE(ScrambleBuffer(b, 4, nullptr, &size));
  EXPECT_FALSE(ScrambleBuffer(b, 4, &out, nullptr));
  EXPECT_FALSE(UnscrambleBuffer(nullptr, 40, &out, &size));
  EXPECT_FALSE(UnscrambleBuffer(b, 4, nullptr, &size));
  EXPECT_EQ(out, nullptr);
}

TEST(UnscrambleTest, OneByteAddedOrRemovedFails) {
  for (int n : {1, 17, 300}) {
    std::vector<uint8_t> s = Scramble(Payload(n));
    std::vector<uint8_t> longer = s;
    longer.push_back(0);
    std::vector<uint8_t> shorter(s.begin(), s.end() - 1);
    std::vector<uint8_t> headLost(s.begin() + 1, s.end());
    EXPECT_FALSE(Unscramble(longer)) << n;
    EXPECT_FALSE(Unscramble(shorter)) << n;
    EXPECT_FALSE(Unscramble(headLost)) << n;
  }
}

// Buffers whose length word is right but whose trailers are not what a
// scrambler writes: every one must fail without touching memory outside
// either buffer (the sanitizer build checks that).
TEST(UnscrambleTest, RefusesTrailersThatDoNotAddUp) {
  auto withLength = [](std::vector<uint8_t> b) {
    if (b.size() >= 4) PutLe32(b, uint32_t(b.size()) ^ kScrambleLengthMask);
    return b;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"header only", withLength({0, 0, 0, 0})},
      {"three bytes", {1, 2, 3}},
      {"marker claims more key than remains", withLength({0, 0, 0, 0, 1, 2, 0x0F})},
      {"single marker byte claiming one key byte", withLength({0, 0, 0, 0, 0x01})},
      {"a later marker of key length 0", withLength({0, 0, 0, 0, 0xA0, 7, 0x05, 5, 6, 0x02})},
      {"layers run out of bytes", withLength({0, 0, 0, 0, 1, 2, 3, 0x03})},
  };
  for (const auto& c : cases) EXPECT_FALSE(Unscramble(c.bytes)) << c.what;
}

// Layers built by hand as the scrambler lays them out: each key XORs the
// payload and every earlier trailer, then its key bytes and a marker (key
// length in the low nibble, `highBits` above it) follow. The last key's
// length is the layer count the reader finds in the last byte; with no keys
// the buffer is the header and the payload alone.
std::vector<uint8_t> Layered(const std::vector<uint8_t>& payload, const std::vector<std::vector<uint8_t>>& keys,
                             uint8_t highBits = 0xA0) {
  std::vector<uint8_t> b(4, 0);
  b.insert(b.end(), payload.begin(), payload.end());
  for (const std::vector<uint8_t>& key : keys) {
    for (size_t j = 4; j < b.size(); ++j) b[j] ^= key[(j - 4) % key.size()];
    b.insert(b.end(), key.begin(), key.end());
    b.push_back(uint8_t(highBits | key.size()));
  }
  PutLe32(b, uint32_t(b.size()) ^ kScrambleLengthMask);
  return b;
}

std::vector<uint8_t> Key(int length, uint8_t salt) {
  std::vector<uint8_t> key(size_t(length), 0);
  for (int j = 0; j < length; ++j) key[size_t(j)] = uint8_t(salt + 37 * j);
  return key;
}

// The layer count is the low nibble of the last byte, 0 included: no layer
// to peel leaves everything after the header as it is, the last byte too.
TEST(UnscrambleTest, PeelsAsManyLayersAsTheLastByteSays) {
  struct Case {
    const char* what;
    std::vector<uint8_t> payload;
    std::vector<std::vector<uint8_t>> keys;
  } cases[] = {
      {"0 layers, one byte", {0x30}, {}},
      {"0 layers", {9, 9, 0x30}, {}},
      {"0 layers, a zero last byte", {'A', 'B', 0x00}, {}},
      {"0 layers, bytes that look like trailers", {7, 1, 2, 3, 4, 5, 6, 7, 0x97, 0xF0}, {}},
      {"1 layer of key length 1", {'A', 'B'}, {{0x20}}},
      {"2 layers", Payload(5), {Key(7, 3), Key(2, 9)}},
      {"3 layers, keys longer than the payload", {0x55}, {Key(15, 1), Key(9, 2), Key(3, 4)}},
      {"7 layers", Payload(40), {Key(7, 1), Key(8, 2), Key(9, 3), Key(10, 4), Key(11, 5), Key(12, 6), Key(7, 7)}},
      {"15 layers",
       Payload(300),
       {Key(15, 1), Key(14, 2), Key(13, 3), Key(12, 4), Key(11, 5), Key(10, 6), Key(9, 7), Key(8, 8), Key(7, 9),
        Key(7, 10), Key(8, 11), Key(9, 12), Key(10, 13), Key(11, 14), Key(15, 15)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> out;
    ASSERT_TRUE(Unscramble(Layered(c.payload, c.keys), &out));
    EXPECT_EQ(out, c.payload);
  }
}

// A payload read back from a buffer without layers scrambles and reads back
// like any other.
TEST(UnscrambleTest, PayloadOfZeroLayersRoundTrips) {
  for (int n : {1, 2, 16, 257}) {
    std::vector<uint8_t> payload = Payload(n, uint32_t(n));
    payload.back() = uint8_t(payload.back() & 0xF0);
    std::vector<uint8_t> plain;
    ASSERT_TRUE(Unscramble(Layered(payload, {}), &plain)) << n;
    ASSERT_EQ(plain, payload) << n;
    std::vector<uint8_t> back;
    ASSERT_TRUE(Unscramble(Scramble(plain), &back)) << n;
    EXPECT_EQ(back, payload) << n;
  }
}

// The keys come from the buffer's first 4 and last bytes alone (copies, so
// the sanitizer build sees any read past them); any piece of the payload is
// then recovered on its own, wherever it starts.
TEST(ScrambleKeysTest, RecoverAnyPieceFromTheEndsAlone) {
  std::vector<std::vector<uint8_t>> payloads = {Payload(1), Payload(300), Payload(70000, 3)};
  std::vector<std::vector<uint8_t>> buffers;
  for (const auto& p : payloads) buffers.push_back(Scramble(p));
  payloads.push_back(Payload(5000, 5));
  buffers.push_back(Layered(
      payloads.back(), {Key(15, 1), Key(14, 2), Key(13, 3), Key(12, 4), Key(11, 5), Key(10, 6), Key(9, 7), Key(8, 8),
                        Key(7, 9), Key(7, 10), Key(8, 11), Key(9, 12), Key(10, 13), Key(11, 14), Key(15, 15)}));
  for (size_t c = 0; c < buffers.size(); ++c) {
    SCOPED_TRACE(payloads[c].size());
    const std::vector<uint8_t>& b = buffers[c];
    const int32_t length = int32_t(b.size());
    const int32_t tailLength = std::min<int32_t>(length - 4, ScrambleKeys::kTailBytes);
    std::vector<uint8_t> head(b.begin(), b.begin() + 4), tail(b.end() - tailLength, b.end());
    ScrambleKeys keys;
    ASSERT_TRUE(keys.Find(head.data(), tail.data(), tailLength, length));
    ASSERT_EQ(keys.PayloadLength(), int32_t(payloads[c].size()));
    std::vector<uint8_t> out;
    for (int32_t at = 0, step = 1; at < keys.PayloadLength(); at += step, step = step * 3 + 1) {
      const int32_t n = std::min(step, keys.PayloadLength() - at);
      std::vector<uint8_t> piece(b.begin() + 4 + at, b.begin() + 4 + at + n);
      keys.Apply(piece.data(), n, at);
      out.insert(out.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(out, payloads[c]);
    // The length word must match the buffer's length.
    EXPECT_FALSE(keys.Find(head.data(), tail.data(), tailLength, length + 1));
  }
}

}  // namespace
