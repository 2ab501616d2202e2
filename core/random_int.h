#pragma once
// The game's own random integer: a linear congruential state of its own,
// mixed with two draws of the runtime generator and the millisecond clock.
#include <cstdint>

// The state the mix steps (initially 123456). Other places that step the same
// mix inline share it.
extern int32_t randomIntState;

// A number in 0..n-1 (n > 0; 0 for n = 0). Each call steps randomIntState and
// draws twice from the runtime generator.
uint32_t RandomInt(uint32_t n);
