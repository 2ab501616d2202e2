// Image-set files from players: any bytes must give a clean result, and a
// refused file must leave the set as it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/bitfont.h"
#include "graphics/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  ImageSet set(2);
  set.names[1].Assign("kept");
  FILE* f = fmemopen(copy.data(), copy.size(), "rb");
  if (!f) return 0;
  bool ok = set.Load(f);
  std::fclose(f);
  if (!ok && (set.count != 2 || !set.GetName(1).Compare("kept"))) std::abort();
  // Walk what was read the way callers do.
  PixelFormat format;
  format.SetForDepth(16);
  for (int32_t i = 0; i < set.count; ++i) {
    Image* img = set.GetImage(i);
    (void)img->GetPixel(img->width - 1, img->height - 1);
  }
  if (ok) set.Upload(&format);

  BitFont font;
  f = fmemopen(copy.data(), copy.size(), "rb");
  if (!f) return 0;
  if (font.Load(f)) {
    std::vector<uint16_t> target(64 * 16, 0);
    font.Upload(&format);
    font.SetTarget(reinterpret_cast<uint8_t*>(target.data()), 64, 16, 128, 16);
    font.DrawText("Ab 9\nxyz", 3, 2);
  }
  std::fclose(f);
  return 0;
}
