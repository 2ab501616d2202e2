#pragma once
// Putting an 8-bit flame field on the screen: each heat value becomes the
// flame effect's colour for it, packed in the screen's pixel format.
#include <cstdint>

#include "graphics/bitmap.h"
#include "graphics/pixel_format.h"

// The 256 ramp colours of the running flame effect packed in `format`
// (with the alpha byte set for 32-bit formats).
void BuildFlameColourTable(const PixelFormat& format, uint32_t table[256]);

// Draws the 8-bit field with its top-left corner at (x, y) of the back
// buffer through the effect's ramp in `screenFormat`; the part outside the
// buffer is skipped and nothing is marked dirty. A field that is not 8-bit
// draws nothing.
void DrawFlameField(const Bitmap& field, int32_t x, int32_t y);
