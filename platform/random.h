#pragma once
// The program's runtime random generator: one process-wide linear
// congruential state, state = state * 214013 + 2531011 (mod 2^32), each draw
// giving (state >> 16) & 0x7FFF. Scrambled save files depend on this exact
// sequence, so every srand/rand of the program goes through here and never
// through the C library's generator.
#include <cstdint>

namespace plat {

constexpr int kRandMax = 0x7FFF;

// Sets the generator state.
void Srand(uint32_t seed);
// Advances the state and returns a value in 0..kRandMax.
int Rand();

}  // namespace plat
