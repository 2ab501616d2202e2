// Image entries, and the tool's reader and writer of image-set files.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <cstdio>
#include <limits>
#include <new>

#include "graphics/imageset_writer.h"
#include "imagetool/imagetool.h"
#include "platform/cp1252.h"
#include "platform/message_box.h"

namespace fs = boost::filesystem;

// ------------------------------------------------------------ ImageEntry

bool ImageEntry::BuildDisplayFrame() {
  if (Empty()) {
    image.SetFrameCount(1);
    return false;
  }
  if (!image.SetFrameCount(2)) return false;
  Bitmap* frame = image.GetFrame(1);
  if (!frame->Create(image.width, image.height, 32)) return false;
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* src = image.pixels + static_cast<size_t>(image.stride) * y;
    auto* dst = reinterpret_cast<uint32_t*>(frame->pixels + static_cast<size_t>(frame->stride) * y);
    if (image.bpp == 32) {
      std::memcpy(dst, src, static_cast<size_t>(image.width) * 4);
    } else if (image.bpp == 8) {
      // Palette colours in the 32-bit layout, alpha 0 as the set stored them.
      for (int32_t x = 0; x < image.width; ++x) {
        const uint8_t* c = image.palette[src[x]];
        dst[x] = static_cast<uint32_t>(c[0]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[2];
      }
    } else {
      for (int32_t x = 0; x < image.width; ++x) {
        int r = 0, g = 0, b = 0;
        image.GetPixelRGB(x, y, &r, &g, &b);
        dst[x] = 0xFF000000u | static_cast<uint32_t>(r & 0xFF) << 16 | static_cast<uint32_t>(g & 0xFF) << 8 |
                 static_cast<uint32_t>(b & 0xFF);
      }
    }
  }
  frame->hotX = image.hotX;
  frame->hotY = image.hotY;
  return true;
}

const Bitmap& ImageEntry::DisplayFrame() const { return *image.GetFrame(1); }

void ImageEntry::RefreshSurface() {
  const Bitmap& frame = DisplayFrame();
  if (Empty() || frame.bpp != 32 || !frame.pixels || !surface.CreateBuffers(nullptr, frame.width, frame.height, 32)) {
    surface.FreeBuffers();
    return;
  }
  for (int32_t y = 0; y < frame.height; ++y)
    std::memcpy(surface.Bits() + static_cast<size_t>(surface.Pitch()) * y,
                frame.pixels + static_cast<size_t>(frame.stride) * y, static_cast<size_t>(frame.width) * 4);
}

// ------------------------------------------------------------ helpers

bool IsWindowsName(const std::string& name) {
  static const char kInvalid[] = "<>:\"/\\|?*";
  if (name.empty() || name.front() == ' ' || name.back() == ' ') return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 32 || std::strchr(kInvalid, c)) return false;
  }
  return name.back() != '.' || name == "." || name == "..";
}

bool GlyphCodeFromStem(const std::string& stem, int* code) {
  if (stem.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(stem.c_str(), &end, 0);
  if (errno == ERANGE || end == stem.c_str() || *end != '\0') return false;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return false;
  *code = static_cast<int>(((value % 256) + 256) % 256);
  return true;
}

// ------------------------------------------------------------ reader

namespace {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Remaining() const { return size_ - pos_; }
  bool Int(int32_t* v) {
    if (Remaining() < 4) return false;
    const uint8_t* p = data_ + pos_;
    *v = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
    pos_ += 4;
    return true;
  }
  const uint8_t* Take(size_t n) {
    if (Remaining() < n) return nullptr;
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

constexpr char kNotImageSet[] = "Not an Image Set!";
constexpr char kWrongVersion[] = "Wrong version!";
constexpr char kNoRam[] = "Couldn't allocate ram!";
constexpr char kBad8[] = "Error initializing 8-bit bitmap!";
constexpr char kBad32[] = "Error initializing 32-bit bitmap!";

// Palette entries {R, G, B, x}: the first 256 are kept, the rest dropped.
bool ReadPalette(ByteReader& in, int32_t count, uint8_t palette[256][4], uint8_t* indexMap) {
  if (count <= 0) return true;
  const uint8_t* p = in.Take(static_cast<size_t>(count) * 4);
  if (!p) return false;
  for (int32_t i = 0; i < count && i < 256; ++i) {
    palette[i][0] = p[4 * i];
    palette[i][1] = p[4 * i + 1];
    palette[i][2] = p[4 * i + 2];
    palette[i][3] = 0;
    if (indexMap) indexMap[i] = p[4 * i + 3];
  }
  return true;
}

}  // namespace

bool ParseImageSetEntries(const uint8_t* data, size_t size, ImageSetContents* out, std::string* error) {
  ByteReader in(data, size);
  auto fail = [error](const char* text) {
    if (error) *error = text;
    return false;
  };
  const uint8_t* magic = in.Take(4);
  if (!magic || std::memcmp(magic, "IMST", 4) != 0) return fail(kNotImageSet);
  int32_t version = 0;
  if (!in.Int(&version)) return fail(kNotImageSet);
  if (version >= 3) return fail(kWrongVersion);
  int32_t count = 0;
  if (!in.Int(&count)) return fail(kNotImageSet);
  // Version 0 has the layout of version 1 (8-bit images, global palette).
  const bool paletted = version == 0 || version == 1;

  ImageSetContents result;
  result.version = version;
  if (paletted) {
    int32_t globalCount = 0;
    if (!in.Int(&globalCount) || !ReadPalette(in, globalCount, result.globalPalette, nullptr)) return fail(kNoRam);
    result.hasGlobalPalette = true;
    result.globalPaletteCount = globalCount;
  }
  // Every record takes at least five integers and one pixel: a count the
  // rest of the file cannot hold is refused before any entry is made.
  // Each entry also costs a few kilobytes of its own, so the count is held
  // to a bound far above any real set as well.
  const size_t minRecord = paletted ? 25 : 24;
  if (count > kMaxSetEntries || (count > 0 && static_cast<size_t>(count) > in.Remaining() / minRecord))
    return fail(kNoRam);

  const char* frameError = paletted ? kBad8 : kBad32;
  for (int32_t i = 0; i < count; ++i) {
    std::unique_ptr<ImageEntry> entry;
    try {
      entry = std::make_unique<ImageEntry>();
    } catch (const std::bad_alloc&) {
      return fail(kNoRam);
    }
    int32_t nameLength = 0;
    if (!in.Int(&nameLength)) return fail(frameError);
    // The whole name field is consumed, so the next record stays in step.
    const uint8_t* nameBytes = in.Take(static_cast<uint32_t>(nameLength));
    if (!nameBytes) return fail(frameError);
    size_t kept = std::min<size_t>(static_cast<uint32_t>(nameLength), 1023);
    size_t textLength = 0;
    while (textLength < kept && nameBytes[textLength] != 0) ++textLength;
    textLength = std::min<size_t>(textLength, kMaxSetName);
    entry->name.Assign(std::string(reinterpret_cast<const char*>(nameBytes), textLength).c_str());

    int32_t width = 0, height = 0, reserved = 0;
    if (!in.Int(&width) || !in.Int(&height) || !in.Int(&reserved) || !in.Int(&reserved)) return fail(frameError);
    Image& image = entry->image;
    if (paletted) {
      int32_t paletteCount = 0;
      if (!in.Int(&paletteCount)) return fail(kBad8);
      if (width <= 0 || height <= 0) return fail(kBad8);
      if (paletteCount >= 1 && static_cast<size_t>(paletteCount) > in.Remaining() / 4) return fail(kBad8);
      const size_t afterPalette = in.Remaining() - (paletteCount >= 1 ? static_cast<size_t>(paletteCount) * 4 : 0);
      if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > afterPalette) return fail(kBad8);
      if (!image.Create(width, height, 8)) return fail(kBad8);
      if (paletteCount < 1) {
        image.SetPalette(result.globalPalette);
      } else {
        ReadPalette(in, paletteCount, image.palette, image.indexMap);
      }
      for (int32_t y = 0; y < height; ++y)
        std::memcpy(image.pixels + static_cast<size_t>(image.stride) * y, in.Take(static_cast<size_t>(width)),
                    static_cast<size_t>(width));
    } else {
      if (width <= 0 || height <= 0) return fail(kBad32);
      if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > in.Remaining() / 4) return fail(kBad32);
      if (!image.Create(width, height, 32)) return fail(kBad32);
      const size_t rowBytes = static_cast<size_t>(width) * 4;
      for (int32_t y = 0; y < height; ++y)
        std::memcpy(image.pixels + static_cast<size_t>(image.stride) * y, in.Take(rowBytes), rowBytes);
    }
    if (!entry->BuildDisplayFrame()) return fail(frameError);
    entry->RefreshSurface();
    try {
      result.entries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
      return fail(kNoRam);
    }
  }
  *out = std::move(result);
  return true;
}

// ------------------------------------------------------------ tool side

void ImageTool::ShowError(const std::string& text) const { plat::ShowMessageBox(nullptr, text, "Error", plat::kMbOk); }

bool ImageTool::LoadImageSetEntries(const fs::path& path, bool append) {
  // A pipe, a device or a folder is refused without being opened for
  // reading, and a file larger than any set before it is read.
  std::string bytes;
  plat::ReadFileResult read = plat::ReadFileResult::kCannotRead;
  try {
    read = plat::ReadWholeFile(path, bytes, kMaxSetFileBytes);
  } catch (const std::bad_alloc&) {
    ShowError("Couldn't allocate ram!");
    return false;
  }
  if (read != plat::ReadFileResult::kRead) {
    // Message boxes take Windows-1252 text; the path is UTF-8.
    ShowError("Error opening file: " + plat::Utf8ToCp1252Text(path.string()));
    return false;
  }
  ImageSetContents contents;
  std::string error;
  if (!ParseImageSetEntries(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &contents, &error)) {
    ShowError(error);
    return false;
  }
  Commit(std::move(contents), append);
  PostRefresh(0);
  return true;
}

void ImageTool::Commit(ImageSetContents&& contents, bool append) {
  if (contents.hasGlobalPalette) {
    colourCount = std::clamp(contents.globalPaletteCount, 2, 256);
    std::memcpy(globalPalette, contents.globalPalette, sizeof(globalPalette));
  }
  if (!append) entries.clear();
  for (auto& entry : contents.entries) entries.push_back(std::move(entry));
}

bool ImageTool::SaveImageSetEntries(const fs::path& path, plat::WriteFailure* failure) const {
  if (!EntriesWithoutPicture().empty()) return false;
  std::vector<ImageSetWriterEntry> list;
  list.reserve(entries.size());
  for (const auto& entry : entries) list.push_back({entry->name.Text(), &entry->DisplayFrame()});
  return WriteImageSet(path, list, failure);
}
