#pragma once
// Full-screen pictures that are decoded when a scene first shows them rather
// than at start-up: start-up only makes sure the file is there and starts as
// a picture of an accepted size, which keeps the time to the first frame and
// the memory of a game that never visits those screens down. Once decoded,
// such a picture keeps only its copy in the display's format (nothing reads
// the decoded pixels); a change of display releases it, and the next use
// decodes it again for the new format.
#include <boost/filesystem/path.hpp>

#include "graphics/bitmap.h"

// `image` is to be read from `path` when first used. `name` is the file's
// name for the message shown when a needed picture then fails to decode.
void DeferPicture(Image& image, const boost::filesystem::path& path, const char* name, bool needed);
// Decodes a deferred picture that is not decoded yet and, once the display's
// format is known, leaves it holding only its display copy; nothing for any
// other picture. A needed picture that fails to decode is reported once,
// with the message start-up gives for a missing picture, and stays empty.
void UsePicture(Image& image);
// True for a picture given to DeferPicture (decoded or not).
bool IsDeferredPicture(const Image& image);
// Frees a deferred picture's pixels; the next use decodes it again.
void ReleaseDeferredPicture(Image& image);
// True when the picture has pixels to draw (its display copy, or itself
// when it has none).
bool PictureShowable(const Image& image);
// Forgets every deferred picture (start-up, shutdown).
void ForgetDeferredPictures();
