// Sheetwright's set reader on arbitrary bytes: it either refuses them with a
// message or gives entries whose frames match their sizes; what it accepts
// is written again and must read back to the same set.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/imageset_writer.h"
#include "imagetool/imagetool.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageSetContents contents;
  std::string error;
  if (!ParseImageSetEntries(data, size, &contents, &error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  std::vector<ImageSetWriterEntry> list;
  for (const auto& entry : contents.entries) {
    const Bitmap& frame = entry->DisplayFrame();
    if (frame.bpp != 32 || frame.width != entry->image.width || frame.height != entry->image.height) std::abort();
    if (entry->surface.Width() != frame.width || std::strlen(entry->name.Text()) > kMaxSetName) std::abort();
    list.push_back({entry->name.Text(), &frame});
  }
  std::vector<uint8_t> written;
  if (!BuildImageSet(list, written)) return 0;  // a set of no entries
  ImageSetContents again;
  if (!ParseImageSetEntries(written.data(), written.size(), &again, &error)) std::abort();
  if (again.entries.size() != contents.entries.size()) std::abort();
  for (size_t i = 0; i < again.entries.size(); ++i) {
    const Bitmap& a = contents.entries[i]->DisplayFrame();
    const Bitmap& b = again.entries[i]->DisplayFrame();
    for (int32_t y = 0; y < a.height; ++y)
      if (std::memcmp(a.pixels + static_cast<size_t>(a.stride) * y, b.pixels + static_cast<size_t>(b.stride) * y,
                      static_cast<size_t>(a.width) * 4) != 0)
        std::abort();
  }
  return 0;
}
