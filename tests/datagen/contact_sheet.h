#pragma once
// Contact sheets of image sets for a person to look at: every image of a set
// on a grid, over a checker pattern wherever the game would see the key.
#include <boost/filesystem/path.hpp>

#include "graphics/bitmap.h"

namespace vantrel::datagen_check {

// Colour of pixel (x, y) of an 8- or 32-bit image as 0x00RRGGBB (8-bit
// through the image's palette).
uint32_t RgbAt(const Image& img, int x, int y);
// True when the game's 5-5-5 colour key would drop the pixel.
bool IsKeyed(uint32_t rgb);

// A 32-bit sheet of every image in the set; false when the set is empty.
bool BuildContactSheet(const ImageSet& set, Bitmap* sheet);
bool WriteContactSheet(const ImageSet& set, const boost::filesystem::path& png);

}  // namespace vantrel::datagen_check
