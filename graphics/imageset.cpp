// The image-set file (.img): "IMST", a version (0, 1 or 2), a count, for
// versions 0 and 1 a global palette, then one record per image: name,
// width, height, two reserved words, and the pixels (32-bit in version 2,
// 8-bit with an optional own palette before).
//
// The records are walked twice: first only measured, each one against the
// bytes left in the file and the set's cost against the memory the file may
// claim, then read into a scratch set that only replaces this one when the
// whole file was accepted. A count or a size that the file does not really
// hold is refused before anything is allocated, and a refused file never
// changes what is held.
#include "graphics/imageset.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "platform/debug.h"
#include "platform/files.h"

namespace {

constexpr int32_t kMaxNameBytes = 1023;
// The smallest record a file can hold: name length, width, height and the
// two reserved words.
constexpr int64_t kMinRecordBytes = 20;
// What the allocator keeps beside each block it hands out.
constexpr int64_t kBlockOverhead = 16;
// What a set may cost against the bytes of its file: 8-bit rows are padded
// to 4 bytes in memory, so a stored pixel byte can cost 4; beyond that, an
// allowance for the tables every image has whatever its size (about 2.4 KB
// each), enough for a few thousand images however small.
constexpr int64_t kMemoryPerFileByte = 4;
constexpr int64_t kMemoryAllowance = int64_t{8} << 20;

// The memory of one image of a set, without its pixels: the Image with its
// palette tables, its name and the name's block (names are read up to
// kMaxNameBytes).
int64_t ImageCost(int32_t nameBytes) {
  return int64_t{sizeof(Image)} + int64_t{sizeof(CStr)} + CStr::BlockSize(nameBytes) + kBlockOverhead;
}

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
    return left >= 0 && n <= left;
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

// One record, from its name length on. With img set it is read into img
// and name; with img null it is only skipped over. Either way its cost in
// memory is added to cost. False when the record does not fit in the bytes
// left. global is the file's palette (versions 0 and 1).
bool Record(Reader& in, int32_t version, const uint8_t global[256][4], Image* img, CStr* name, int64_t& cost) {
  if (!in.Fits(4)) return false;
  int32_t len = in.Int();
  // The name and the four words after it.
  if (len < 0 || !in.Fits(int64_t{len} + 16)) return false;
  int32_t kept = len > kMaxNameBytes ? kMaxNameBytes : len;
  cost += ImageCost(kept);
  if (name) {
    // The name comes from this record only: its bytes up to the first NUL.
    char text[kMaxNameBytes + 1];
    std::memset(text, 0, sizeof(text));
    in.Bytes(text, static_cast<size_t>(kept));
    name->Assign(text);
  } else {
    in.Skip(kept);
  }
  in.Skip(int64_t{len} - kept);

  int32_t w = in.Int();
  int32_t h = in.Int();
  in.Int();
  in.Int();
  // A fresh image of the scratch set: no frames, palette or pixels yet.
  if (img) img->Free();

  if (version >= 2) {
    if (w <= 0 || h < 1) return true;
    // The block (and so its stride) must stay within 32-bit sizes.
    int64_t area = int64_t{w} * h;
    if (area > INT32_MAX / 4 || !in.Fits(area * 4)) return false;
    int64_t bytes = area * 4;
    cost += bytes + kBlockOverhead;
    // An allocation failure leaves the image empty and goes on.
    if (!img || !img->Create(w, h, 32)) {
      in.Skip(bytes);
      return true;
    }
    in.Bytes(img->pixels, static_cast<size_t>(bytes));
    return true;
  }

  if (!in.Fits(4)) return false;
  int32_t p = in.Int();
  // An image without a size has no palette or rows after its count.
  if (w <= 0 || h <= 0) return true;
  int64_t bytes = int64_t{w} * h;
  int64_t rowBytes = (int64_t{w} + 3) & ~int64_t{3};
  // The own palette comes before the rows: both must be in the file.
  int64_t paletteBytes = p >= 1 ? int64_t{p} * 4 : 0;
  if (!in.Fits(paletteBytes + bytes) || rowBytes * h > INT32_MAX) return false;
  cost += rowBytes * h + kBlockOverhead;
  // Rows of 8 bits are held padded to 4 bytes.
  if (!img || !img->Create(w, h, 8)) {
    in.Skip(paletteBytes + bytes);
    return true;
  }
  if (p < 1) {
    img->SetPalette(global);
  } else {
    ReadPalette(in, p, img->palette, img->indexMap);
  }
  for (int32_t y = 0; y < h; ++y) in.Bytes(img->pixels + rowBytes * y, static_cast<size_t>(w));
  return true;
}

}  // namespace

int64_t ImageSetMemoryBudget(int64_t fileBytes) {
  return (fileBytes > 0 ? kMemoryPerFileByte * fileBytes : 0) + kMemoryAllowance;
}

int64_t ImageSetMemoryBytes(const ImageSet& set) {
  int64_t bytes = 0;
  for (int32_t i = 0; i < set.count; ++i) {
    const Image* img = set.GetImage(i);
    // Image 0 is the set itself: only its name is its own.
    bytes += i == 0 ? ImageCost(0) - int64_t{sizeof(Image)} : ImageCost(0);
    if (set.names && set.names[i].length > 0) bytes += CStr::BlockSize(set.names[i].length) - CStr::BlockSize(0);
    if (img->pixels) bytes += int64_t{img->stride} * img->height + kBlockOverhead;
  }
  return bytes;
}

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
  // The set is sized from the bytes the file really holds, so a stream that
  // cannot tell them is refused.
  int64_t left = in.Left();
  if (n < 1 || left < 0 || int64_t{n} * kMinRecordBytes > left) return false;
  const int64_t budget = ImageSetMemoryBudget(left);
  // Every image costs its tables whatever the records hold.
  int64_t cost = int64_t{n} * ImageCost(0) - int64_t{sizeof(Image)};
  if (cost > budget) return false;

  uint8_t global[256][4];
  std::memset(global, 0, sizeof(global));
  if (version < 2) {
    if (!in.Fits(4)) return false;
    int32_t g = in.Int();
    if (g > 0 && !in.Fits(int64_t{g} * 4)) return false;
    if (g > 0) ReadPalette(in, g, global, nullptr);
  }

  const long records = std::ftell(f);
  if (records < 0) return false;
  cost = -int64_t{sizeof(Image)};
  for (int32_t i = 0; i < n; ++i) {
    if (!Record(in, version, global, nullptr, nullptr, cost) || cost > budget) return false;
  }
  if (std::fseek(f, records, SEEK_SET) != 0) return false;

  ImageSet loaded;
  if (!loaded.SetCount(n)) return false;
  cost = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (!Record(in, version, global, loaded.GetImage(i), &loaded.names[i], cost)) return false;
  }
  TakeImagesFrom(loaded);
  return true;
}
