#pragma once
// Full-screen pictures that are decoded when a scene first shows them rather
// than at start-up: start-up only makes sure the file is there and starts as
// a picture of an accepted size, which keeps the time to the first frame and
// the memory of a game that never visits those screens down.
#include <boost/filesystem/path.hpp>

#include "graphics/bitmap.h"

// `image` is to be read from `path` when first used. `name` is the file's
// name for the message shown when a needed picture then fails to decode.
void DeferPicture(Image& image, const boost::filesystem::path& path, const char* name, bool needed);
// Decodes a deferred picture now and, once the display's format is known,
// gives it its display copy; nothing for a picture that is not deferred.
// A needed picture that fails to decode is reported once, with the message
// start-up gives for a missing picture, and stays empty.
void UsePicture(Image& image);
// Forgets every deferred picture (start-up, shutdown).
void ForgetDeferredPictures();
