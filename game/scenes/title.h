#pragma once
// The title and credits scene (scene 1).
#include <cstdint>

#include "graphics/bitmap.h"

// Draws the credit rows into the 8-bit field as they stand `elapsedMs`
// after the credits started: row k centred at y = H - s + k L, L the glow
// font's line height + 32 and s = elapsed seconds x L.
void DrawCredits(Bitmap& field, int32_t elapsedMs);
// True once the last row has left the top of a field of that height.
bool CreditsFinished(int32_t elapsedMs, int32_t fieldHeight);

void RunTitleScreen();
