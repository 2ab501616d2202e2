#include "contact_sheet.h"

#include <algorithm>

namespace vantrel::datagen_check {

uint32_t RgbAt(const Image& img, int x, int y) {
  uint32_t v = img.GetPixel(x, y);
  if (img.bpp == 8) {
    return (uint32_t(img.palette[v & 0xFF][0]) << 16) | (uint32_t(img.palette[v & 0xFF][1]) << 8) |
           img.palette[v & 0xFF][2];
  }
  return v & 0xFFFFFF;
}

bool IsKeyed(uint32_t rgb) { return ((rgb >> 16) & 0xFF) < 8 && ((rgb >> 8) & 0xFF) < 8 && (rgb & 0xFF) < 8; }

bool BuildContactSheet(const ImageSet& set, Bitmap* sheet) {
  int cellW = 1, cellH = 1;
  for (int i = 0; i < set.count; ++i) {
    const Image* img = set.GetImage(i);
    cellW = std::max(cellW, img->width);
    cellH = std::max(cellH, img->height);
  }
  const int pad = 4;
  cellW += pad;
  cellH += pad;
  int cols = std::clamp(1600 / cellW, 1, set.count);
  int rows = (set.count + cols - 1) / cols;
  if (!sheet->Create(cols * cellW + pad, rows * cellH + pad, 32)) return false;
  for (int y = 0; y < sheet->height; ++y)
    for (int x = 0; x < sheet->width; ++x) sheet->SetPixel(x, y, 0xFF303038u);
  for (int i = 0; i < set.count; ++i) {
    const Image* img = set.GetImage(i);
    int ox = pad + (i % cols) * cellW, oy = pad + (i / cols) * cellH;
    for (int y = 0; y < img->height; ++y) {
      for (int x = 0; x < img->width; ++x) {
        uint32_t c = RgbAt(*img, x, y);
        if (IsKeyed(c)) c = ((x / 4 + y / 4) & 1) ? 0xFF00FFu : 0x800080u;  // show the key
        sheet->SetPixel(ox + x, oy + y, 0xFF000000u | c);
      }
    }
  }
  return true;
}

bool WriteContactSheet(const ImageSet& set, const boost::filesystem::path& png) {
  Bitmap sheet;
  return BuildContactSheet(set, &sheet) && sheet.SavePng(png);
}

}  // namespace vantrel::datagen_check
