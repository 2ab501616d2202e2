#pragma once
// The 32-bit rolling hash behind the save formats' checksums, and the
// reversible scrambler that hides board-set and charm files.
#include <cstdint>

class CStr;

constexpr uint32_t kHashSeed = 0x2b9d6f13u;
constexpr uint32_t kScrambleLengthMask = 0x3c71e94bu;

// h = length ^ seed; per byte h = rotl(h, 1) ^ byte ^ index. 0 for null data
// or length <= 0.
uint32_t HashBytes(const void* data, int32_t length);
// value ^ seed: the starting state of a stream.
uint32_t HashSeed(uint32_t value);
// h = rotl(h, 1) ^ (b & 0xFF) ^ k; then k += 1.
void HashAddByte(uint32_t& h, uint32_t b, int32_t& k);
// Each of the string's length bytes through HashAddByte.
void HashAddString(uint32_t& h, const CStr& text, int32_t& k);
// The four bytes of value, least significant first.
void HashAddInt(uint32_t& h, int32_t value, int32_t& k);
// Each of n bytes through HashAddByte: HashBytes of a buffer is its pieces in
// order, from HashSeed (length) and k = 0.
void HashAddBytes(uint32_t& h, const void* data, int32_t n, int32_t& k);

// Scrambles length bytes into a new buffer (free it with std::free) of
// *outSize bytes. Re-seeds the runtime generator with length. false and no
// buffer on failure.
bool ScrambleBuffer(const void* data, int32_t length, uint8_t** out, int32_t* outSize);
// Recovers the payload into a new buffer (free it with std::free); *outSize
// is the payload length. false and no buffer when the data is not a whole
// scrambled buffer.
bool UnscrambleBuffer(const void* data, int32_t length, uint8_t** out, int32_t* outSize);

// The keys of a scrambled buffer, found from its length word and its last
// bytes alone, so that a large buffer can be recovered piece by piece
// without holding it whole.
class ScrambleKeys {
 public:
  // The most bytes at the end of a buffer that the keys can take.
  static constexpr int32_t kTailBytes = 256;

  // head: the buffer's first 4 bytes; tail: its last tailLength bytes, with
  // tailLength = min(length - 4, kTailBytes); length: the whole buffer's.
  // False when the buffer was not scrambled this way (UnscrambleBuffer
  // would refuse it).
  bool Find(const uint8_t* head, const uint8_t* tail, int32_t tailLength, int32_t length);
  // The payload's length: it starts at byte 4 of the buffer.
  int32_t PayloadLength() const { return payload_; }
  // Recovers in place n payload bytes that start at payload offset `at`.
  void Apply(uint8_t* p, int32_t n, int32_t at) const;

 private:
  int layers_ = 0;
  int sizes_[15] = {};
  uint8_t keys_[15][15] = {};
  int32_t payload_ = 0;
};
