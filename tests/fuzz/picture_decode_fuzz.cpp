// Picture files (PNG, JPEG, BMP) through the picture interface.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plat::Picture picture;
  std::string error;
  bool ok = plat::DecodePicture(data, size, &picture, &error);
  if (ok) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height * 4)
      std::abort();
  } else if (!picture.pixels.empty() || error.empty()) {
    std::abort();
  }
  return 0;
}
