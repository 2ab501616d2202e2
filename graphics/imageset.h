#pragma once
// ImageSet lives with the rest of the bitmap family; this header is the
// natural include for code that only reads image sets.
#include "graphics/bitmap.h"
