// Version-2 image-set writer: "IMST", version 2, the entry count, then per
// entry the name length (with its NUL), the name and NUL, width, height, two
// reserved zero words and the rows of 0xAARRGGBB pixels, top row first.
#include "graphics/imageset_writer.h"

#include <new>

#include "platform/files.h"

namespace {

constexpr size_t kMaxNameBytes = 1022;  // readers keep 1023 bytes of a name field, NUL included

void PutInt(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 24));
}

bool HasPixels(const Bitmap& b) { return b.pixels && b.width > 0 && b.height > 0; }

}  // namespace

bool BuildImageSet(const std::vector<ImageSetWriterEntry>& entries, std::vector<uint8_t>& out) {
  if (entries.empty() || entries.size() > 0x7FFFFFFF) return false;
  size_t total = 12;
  for (const ImageSetWriterEntry& e : entries) {
    if (!e.image || e.name.size() > kMaxNameBytes) return false;
    if (HasPixels(*e.image)) {
      if (e.image->bpp != 32 || e.image->stride < e.image->width * 4) return false;
      total += static_cast<size_t>(e.image->width) * static_cast<size_t>(e.image->height) * 4;
    }
    total += 4 + e.name.size() + 1 + 16;
  }

  std::vector<uint8_t> bytes;
  try {
    bytes.reserve(total);
    bytes.insert(bytes.end(), {'I', 'M', 'S', 'T'});
    PutInt(bytes, 2);
    PutInt(bytes, static_cast<uint32_t>(entries.size()));
    for (const ImageSetWriterEntry& e : entries) {
      const Bitmap& image = *e.image;
      bool pixels = HasPixels(image);
      PutInt(bytes, static_cast<uint32_t>(e.name.size() + 1));
      bytes.insert(bytes.end(), e.name.begin(), e.name.end());
      bytes.push_back(0);
      PutInt(bytes, static_cast<uint32_t>(pixels ? image.width : 0));
      PutInt(bytes, static_cast<uint32_t>(pixels ? image.height : 0));
      PutInt(bytes, 0);
      PutInt(bytes, 0);
      if (!pixels) continue;
      for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* row = image.pixels + static_cast<size_t>(y) * static_cast<size_t>(image.stride);
        bytes.insert(bytes.end(), row, row + static_cast<size_t>(image.width) * 4);
      }
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  out.swap(bytes);
  return true;
}

bool WriteImageSet(const boost::filesystem::path& path, const std::vector<ImageSetWriterEntry>& entries,
                   plat::WriteFailure* failure) {
  if (failure) *failure = plat::WriteFailure();
  std::vector<uint8_t> bytes;
  if (!BuildImageSet(entries, bytes)) return false;
  return plat::WriteFileAtomic(path, bytes.data(), bytes.size(), true, failure);
}
