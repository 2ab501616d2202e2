#pragma once
// Small drawing steps the front-end scenes share.
#include <cstdint>

#include "graphics/bitmap.h"

// Draws a picture's display copy over the whole back buffer and marks it
// for the next present. Nothing when the picture has no copy in the
// buffer's format.
void DrawFullScreenPicture(Image& picture);

// Starts the first frame of a scene that fades its music in: the whole
// screen is to be drawn, and the screen as it is now becomes the
// transition's old picture. With `menuMusic` one of the three menu songs
// starts first, silent until the fade brings it up.
void StartSceneFadeIn(bool menuMusic);

// Ends a scene's frame. In the scene's first frame the finished picture
// becomes the transition's new screen and nothing is presented (the
// transition shows it); in any later frame it is presented with
// `presentFlags` (whole, or only the dirty parts). A lock the scene still
// holds on the back buffer (`locked`) is released first, and the next frame
// needs no full redraw.
void EndSceneFrame(bool firstFrame, int32_t presentFlags, bool locked);
