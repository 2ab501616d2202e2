#pragma once
// The blits are members of Bitmap (graphics/bitmap.h); these build the
// 256-entry tables that the indexed blit and the 32-bit paths take.
#include <cstdint>

#include "graphics/bitmap.h"

// out[i] = alpha << 24 | r << 16 | g << 8 | b.
void BuildArgbTable(uint32_t out[256], const uint8_t rgbx[256][4], uint32_t alpha);
// out[i] = alpha << 24 | b << 16 | g << 8 | r (the entry's bytes in stored order).
void PaletteToRGB32(uint32_t out[256], const uint8_t rgbx[256][4], uint32_t alpha);

// Keyed copies and blends run vector loops where the machine has them. On:
// the per-pixel loops only, which are what the vector loops must match
// (tests and benchmarks compare the two).
void SetScalarBlits(bool on);
bool ScalarBlits();
