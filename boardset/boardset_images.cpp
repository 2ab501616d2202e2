// The board set's pictures: the brick and background image sets, the darkened
// backgrounds, their upload to the display format, and the board icon.
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/data_files.h"
#include "boardset/boardset.h"

namespace {

const char kSignatureMismatch[] = "The brick file found does not match the one used to create the boardset.";

void Empty(ImageSet& set) {
  set.Free();
  set.Image::Free();
}

}  // namespace

void BoardSet::FreeImageSets() {
  Empty(bricks);
  for (int32_t& kind : brickKind) kind = 0;
  Empty(backgrounds);
  Empty(darkBackgrounds);
}

bool BoardSet::OpenImageSetFile(DataFiles& files, const std::string& name, bool lastFolderFirst) {
  const BoardSetHost& host = GetBoardSetHost();
  if (host.classicTextures && host.classicTextures()) {
    boost::filesystem::path plain(name);
    boost::filesystem::path classic = plain.stem();
    classic += "_classic";
    classic += plain.extension();
    if (files.Open(files.FindFile(classic, true, lastFolderFirst))) return true;
  }
  return files.Open(files.FindFile(boost::filesystem::path(name), true, lastFolderFirst)) != nullptr;
}

bool BoardSet::LoadImageSets(DataFiles& files, bool checkSignature) {
  FreeImageSets();
  try {
    if (OpenImageSetFile(files, brickSetPath, checkSignature)) LoadBrickSet(files.current, checkSignature);
  } catch (...) {
    files.Close();
    throw;
  }
  bool loaded = OpenImageSetFile(files, backgroundSetPath, checkSignature) && LoadBackgroundSet(files.current);
  files.Close();
  return loaded;
}

bool BoardSet::LoadBrickSet(FILE* file, bool checkSignature) {
  Empty(bricks);
  // The kinds belong to the images: without bricks every number is plain,
  // so a former set's kinds never apply to another set's numbers.
  for (int32_t& kind : brickKind) kind = 0;
  if (!file || !bricks.Load(file)) {
    Empty(bricks);
    return false;
  }
  bricks.Resize(kCellWidth, kCellHeight, false);
  if (checkSignature && brickSetSignature != 0 &&
      static_cast<int32_t>(bricks.ComputeSignature()) != brickSetSignature) {
    // Keep no half-matching bricks around.
    Empty(bricks);
    for (int32_t& kind : brickKind) kind = 0;
    throw std::runtime_error(kSignatureMismatch);
  }
  for (int32_t i = 0; i < bricks.count && i + 1 < kBrickKinds; ++i) {
    CStr name = bricks.GetName(i);
    brickKind[i + 1] = BrickKindFromName(std::string(name.data ? name.data : "", name.data ? name.length : 0));
  }
  return true;
}

bool BoardSet::LoadBackgroundSet(FILE* file) {
  Empty(backgrounds);
  Empty(darkBackgrounds);
  if (!file || !backgrounds.Load(file)) {
    Empty(backgrounds);
    return false;
  }
  darkBackgrounds = backgrounds;
  for (int32_t i = 0; i < darkBackgrounds.count; ++i) {
    darkBackgrounds.GetImage(i)->AdjustColours(0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.25f, 0.25f, 0.25f,
                                               1.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  }
  return true;
}

bool BoardSet::UploadImageSets(const PixelFormat& format) {
  bool ok = bricks.Upload(&format);
  ok = backgrounds.Upload(&format) && ok;
  ok = darkBackgrounds.Upload(&format) && ok;
  return ok;
}

bool BoardSet::SaveIcon(int board, const boost::filesystem::path& path) const {
  if (board < 0 || board >= kRecordCount) return false;
  const int imageCount = bricks.names ? bricks.count : 0;
  std::vector<uint32_t> average(static_cast<size_t>(imageCount), 0xFF000000u);
  for (int i = 0; i < imageCount; ++i) {
    const Image* image = bricks.GetImage(i);
    const Bitmap* frame = image->frameCount > 1 ? image->GetFrame(1) : image;
    int64_t pixels = static_cast<int64_t>(frame->width) * frame->height;
    if (frame->width <= 0 || frame->height <= 0) continue;
    int64_t sumR = 0, sumG = 0, sumB = 0;
    for (int y = 0; y < frame->height; ++y) {
      for (int x = 0; x < frame->width; ++x) {
        int r = 0, g = 0, b = 0;
        frame->GetPixelRGB(x, y, &r, &g, &b);
        sumR += r;
        sumG += g;
        sumB += b;
      }
    }
    // GetPixelRGB hands out the bytes of a 24- or 32-bit pixel in memory
    // order, which is blue, green, red.
    if (frame->bpp >= 24) std::swap(sumR, sumB);
    uint32_t r = static_cast<uint32_t>(sumR / pixels) & 0xFF;
    uint32_t g = static_cast<uint32_t>(sumG / pixels) & 0xFF;
    uint32_t b = static_cast<uint32_t>(sumB / pixels) & 0xFF;
    average[static_cast<size_t>(i)] = 0xFF000000u | r << 16 | g << 8 | b;
  }

  Bitmap icon;
  if (!icon.Create(48, 48, 32)) return false;
  const int cols = columns < 0 ? 0 : (columns > BoardRecord::kColumns ? BoardRecord::kColumns : columns);
  const BoardRecord& record = boards[board];
  for (int r = 0; r < BoardRecord::kRows; ++r) {
    for (int c = 0; c < cols; ++c) {
      int32_t n = record.cells[c * BoardRecord::kRows + r];
      if (n < 1 || n > imageCount) continue;
      int x = (48 - 2 * cols) / 2 + 2 * c;
      int y = 4 + 2 * r;
      uint32_t colour = average[static_cast<size_t>(n - 1)];
      icon.SetPixel(x, y, colour);
      icon.SetPixel(x + 1, y, colour);
      icon.SetPixel(x, y + 1, colour);
      icon.SetPixel(x + 1, y + 1, colour);
    }
  }
  return icon.SavePng(path);
}
