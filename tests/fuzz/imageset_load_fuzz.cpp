// Image-set files from players: any bytes must give a clean result, a
// refused file must leave the set as it was, and what a loaded set holds
// must stay within the memory its file may claim. Each input is also read
// followed by zeros, as a sparse file would be: a count the header claims is
// then paid for by empty records.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "graphics/bitfont.h"
#include "graphics/bitmap.h"
#include "graphics/imageset.h"

namespace {

void LoadOne(std::vector<uint8_t>& bytes) {
  ImageSet set(2);
  set.names[1].Assign("kept");
  FILE* f = fmemopen(bytes.data(), bytes.size(), "rb");
  if (!f) return;
  bool ok = set.Load(f);
  std::fclose(f);
  if (!ok && (set.count != 2 || !set.GetName(1).Compare("kept"))) std::abort();
  if (ok && ImageSetMemoryBytes(set) > ImageSetMemoryBudget(static_cast<int64_t>(bytes.size()))) std::abort();
  // Walk what was read the way callers do.
  PixelFormat format;
  format.SetForDepth(16);
  for (int32_t i = 0; i < set.count; ++i) {
    Image* img = set.GetImage(i);
    (void)img->GetPixel(img->width - 1, img->height - 1);
  }
  if (ok) set.Upload(&format);

  BitFont font;
  f = fmemopen(bytes.data(), bytes.size(), "rb");
  if (!f) return;
  if (font.Load(f)) {
    std::vector<uint16_t> target(64 * 16, 0);
    font.Upload(&format);
    font.SetTarget(reinterpret_cast<uint8_t*>(target.data()), 64, 16, 128, 16);
    font.DrawText("Ab 9\nxyz", 3, 2);
  }
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::vector<uint8_t> copy(data, data + size);
  LoadOne(copy);
  // Zeros after the input: as many 64-byte blocks as its last two bytes say,
  // up to 4 MiB.
  const size_t zeros = (static_cast<size_t>(data[size - 1]) | static_cast<size_t>(size > 1 ? data[size - 2] : 0) << 8) *
                       64;
  if (zeros > 0) {
    copy.resize(size + zeros, 0);
    LoadOne(copy);
  }
  return 0;
}
