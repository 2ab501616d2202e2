#pragma once
// Small drawing steps the front-end scenes share.
#include "graphics/bitmap.h"

// Draws a picture's display copy over the whole back buffer and marks it
// for the next present. Nothing when the picture has no copy in the
// buffer's format.
void DrawFullScreenPicture(Image& picture);
