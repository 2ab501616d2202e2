#pragma once
// The game program's start-up, main loop and shutdown.
#include <cstdint>
#include <optional>

#include "graphics/bitmap.h"
#include "platform/window.h"

// What the main loop keeps between its passes.
struct LoopState {
  plat::Message message;
  int32_t last = 0;    // mainTimer ms of the last frame check
  int32_t result = 0;  // the program's result once the loop has ended
};

// Start-up, the loop and shutdown; the program's result.
int32_t GameMain();
// Every start-up step up to the loop. Empty: go on into the loop; a value:
// start-up ended with that result (nothing to shut down).
std::optional<int32_t> GameStartUp();
// The image sets, fonts, pictures and charms, and the power-up pictures'
// indices: what the game needs for its whole run. False when a needed file
// is missing or unreadable (the player was told).
bool LoadGameResources();
// One pass of the loop; false once the loop has ended (s.result holds the
// program's result).
bool MainLoopTurn(LoopState& s);
// Releases what start-up made and writes the settings back; returns 1.
int32_t ShutdownGame();

// Finds and loads an image set or font the game cannot run without.
bool LoadNeededImageSet(ImageSet& set, const char* name);
// Finds and loads a picture the game cannot run without; fromOpenFile reads
// it as a BMP from the opened data file.
bool LoadNeededPicture(Image& image, const char* name, bool fromOpenFile);
// The same check for a picture decoded when first shown: a PNG is found and
// its header read now (the same message when that fails); any other file is
// loaded at once.
bool CheckNeededPicture(Image& image, const char* name);
