#pragma once
// ImageSet lives with the rest of the bitmap family; this header is the
// natural include for code that only reads image sets.
#include <cstdint>

#include "graphics/bitmap.h"

// The most memory that ImageSet::Load lets a set read from fileBytes bytes
// of a file hold (images, names and pixel rows): a few times the file's
// size, plus a fixed allowance for sets of many small images. A file whose
// records would cost more is refused.
int64_t ImageSetMemoryBudget(int64_t fileBytes);
// The memory a loaded set holds in images, names and pixel rows (not the
// display copies that Upload adds).
int64_t ImageSetMemoryBytes(const ImageSet& set);
