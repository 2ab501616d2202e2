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

// Scrambles length bytes into a new buffer (free it with std::free) of
// *outSize bytes. Re-seeds the runtime generator with length. false and no
// buffer on failure.
bool ScrambleBuffer(const void* data, int32_t length, uint8_t** out, int32_t* outSize);
// Recovers the payload into a new buffer (free it with std::free); *outSize
// is the payload length. false and no buffer when the data is not a whole
// scrambled buffer.
bool UnscrambleBuffer(const void* data, int32_t length, uint8_t** out, int32_t* outSize);
