#pragma once
// The title and credits scene (scene 1).
#include <cstdint>

#include "graphics/bitmap.h"

// Title: when the credits started and the last flame burst (ms), and the
// voices playing the fire (-1 none).
struct TitleScreenState {
  int32_t creditsStartMs = 0;
  int32_t lastBurstMs = 0;
  int32_t titleFireVoices[3] = {-1, -1, -1};
};
extern TitleScreenState titleScreen;

// Draws the credit rows into the 8-bit field as they stand `elapsedMs`
// after the credits started: row k centred at y = H - s + k L, L the glow
// font's line height + 32 and s = elapsed seconds x L.
void DrawCredits(Bitmap& field, int32_t elapsedMs);
// True once the last row has left the top of a field of that height.
bool CreditsFinished(int32_t elapsedMs, int32_t fieldHeight);

void RunTitleScreen();
