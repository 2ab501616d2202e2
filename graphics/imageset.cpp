// The image-set file (.img): "IMST", a version (0, 1 or 2), a count, for
// versions 0 and 1 a global palette, then one record per image: name,
// width, height, two reserved words, and the pixels (32-bit in version 2,
// 8-bit with an optional own palette before).
//
// The set is read into a scratch set and only replaces this one when the
// whole file was accepted, so a refused file never changes what is held.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "graphics/bitmap.h"
#include "platform/debug.h"
#include "platform/files.h"

namespace {

constexpr int32_t kMaxNameBytes = 1023;
// The smallest record a file can hold: name length, width, height and the
// two reserved words.
constexpr int64_t kMinRecordBytes = 20;

class Reader {
 public:
  explicit Reader(FILE* f) : f_(f) {
    long here = std::ftell(f);
    if (here >= 0 && std::fseek(f, 0, SEEK_END) == 0) {
      long end = std::ftell(f);
      if (end >= here) end_ = end;
      std::fseek(f, here, SEEK_SET);
    }
  }

  // An integer that cannot be read counts as 0.
  int32_t Int() {
    uint8_t b[4] = {0, 0, 0, 0};
    (void)std::fread(b, 1, 4, f_);
    return static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
  }
  // Missing bytes stay as the caller zeroed them.
  void Bytes(void* out, size_t n) {
    if (n) (void)std::fread(out, 1, n, f_);
  }
  void Skip(int64_t n) {
    if (n > 0) std::fseek(f_, static_cast<long>(n), SEEK_CUR);
  }
  // Bytes left in the file, or -1 when the stream cannot tell.
  int64_t Left() const {
    if (end_ < 0) return -1;
    long here = std::ftell(f_);
    if (here < 0) return -1;
    return here >= end_ ? 0 : end_ - here;
  }
  bool Fits(int64_t n) const {
    int64_t left = Left();
    return left < 0 ? n <= INT32_MAX : n <= left;
  }

 private:
  FILE* f_;
  long end_ = -1;
};

// Reads n palette entries of 4 bytes, keeping the first 256.
void ReadPalette(Reader& in, int32_t n, uint8_t rgb[256][4], uint8_t* indexMap) {
  int32_t kept = n > 256 ? 256 : n;
  for (int32_t j = 0; j < kept; ++j) {
    uint8_t e[4] = {0, 0, 0, 0};
    in.Bytes(e, 4);
    rgb[j][0] = e[0];
    rgb[j][1] = e[1];
    rgb[j][2] = e[2];
    if (indexMap) indexMap[j] = e[3];
  }
  if (n > kept) in.Skip(int64_t{n - kept} * 4);
}

}  // namespace

bool ImageSet::Load(const char* path) {
  if (!path) return false;
  FILE* f = plat::OpenFile(std::string(path), "rb");
  if (!f) return false;
  bool ok = Load(f);
  std::fclose(f);
  return ok;
}

bool ImageSet::Load(FILE* f) {
  if (!f) return false;
  char magic[4] = {0, 0, 0, 0};
  if (std::fread(magic, 1, 4, f) != 4 || std::memcmp(magic, "IMST", 4) != 0) return false;
  Reader in(f);
  int32_t version = in.Int();
  if (version >= 3) {
    plat::DebugOutput("Bad ImageSet version!\n");
    return false;
  }
  int32_t n = in.Int();
  if (n < 1 || !in.Fits(int64_t{n} * kMinRecordBytes)) return false;
  ImageSet loaded;
  if (!loaded.SetCount(n)) return false;

  uint8_t global[256][4];
  std::memset(global, 0, sizeof(global));
  if (version < 2) {
    int32_t g = in.Int();
    if (g > 0) ReadPalette(in, g, global, nullptr);
  }

  for (int32_t i = 0; i < n; ++i) {
    Image* img = loaded.GetImage(i);
    // The name comes from this record only: its bytes up to the first NUL.
    int32_t len = in.Int();
    if (len < 0) return false;
    char name[kMaxNameBytes + 1];
    std::memset(name, 0, sizeof(name));
    int32_t kept = len > kMaxNameBytes ? kMaxNameBytes : len;
    in.Bytes(name, static_cast<size_t>(kept));
    in.Skip(int64_t{len} - kept);
    loaded.names[i].Assign(name);

    int32_t w = in.Int();
    int32_t h = in.Int();
    in.Int();
    in.Int();

    if (version >= 2) {
      img->ResetPaletteAndMap();
      img->Bitmap::Destroy();
      if (w > 0 && h >= 1) {
        // The block (and so its stride) must stay within 32-bit sizes.
        int64_t area = int64_t{w} * h;
        if (area > INT32_MAX / 4 || !in.Fits(area * 4)) return false;
        int64_t bytes = area * 4;
        uint8_t* block = new (std::nothrow) uint8_t[static_cast<size_t>(bytes)];
        if (!block) {
          in.Skip(bytes);
          continue;
        }
        std::memset(block, 0, static_cast<size_t>(bytes));
        img->AdoptPixels(block, w, h, 32, w * 4);
        in.Bytes(block, static_cast<size_t>(bytes));
      }
      continue;
    }

    int32_t p = in.Int();
    img->ResetPaletteAndMap();
    img->Bitmap::Destroy();
    if (w > 0 && h > 0) {
      int64_t bytes = int64_t{w} * h;
      int64_t rowBytes = (int64_t{w} + 3) & ~int64_t{3};
      // The own palette comes before the rows: both must be in the file.
      int64_t paletteBytes = p >= 1 ? int64_t{p} * 4 : 0;
      if (!in.Fits(paletteBytes + bytes) || rowBytes * h > INT32_MAX) return false;
      uint8_t* block = new (std::nothrow) uint8_t[static_cast<size_t>(rowBytes * h)];
      if (!block) {
        if (p >= 1) in.Skip(int64_t{p} * 4);
        in.Skip(bytes);
        continue;
      }
      std::memset(block, 0, static_cast<size_t>(rowBytes * h));
      img->AdoptPixels(block, w, h, 8, static_cast<int32_t>(rowBytes));
      if (p < 1) {
        img->SetPalette(global);
      } else {
        ReadPalette(in, p, img->palette, img->indexMap);
      }
      for (int32_t y = 0; y < h; ++y) in.Bytes(block + rowBytes * y, static_cast<size_t>(w));
    }
  }
  TakeImagesFrom(loaded);
  return true;
}
