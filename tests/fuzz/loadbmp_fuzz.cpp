// The game's own BMP reader, from a file and from a packed DIB in memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  Bitmap b;
  b.Create(2, 2, 24);
  b.SetPixel(1, 1, 0x123456);
  uint8_t palette[256][4] = {};
  FILE* f = fmemopen(copy.data(), copy.size(), "rb");
  if (!f) return 0;
  bool ok = Bitmap::LoadBmp(f, &b, palette);
  std::fclose(f);
  if (!ok && (b.bpp != 24 || b.GetPixel(1, 1) != 0x123456)) std::abort();
  if (ok) (void)b.GetPixel(b.width - 1, b.height - 1);
  if (size > 14) {
    Bitmap m;
    if (Bitmap::LoadBmpMemory(copy.data() + 14, size - 14, &m, palette)) (void)m.GetPixel(m.width - 1, m.height - 1);
  }
  return 0;
}
