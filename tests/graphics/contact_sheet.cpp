// contact_sheet: renders every image of an image set, with its index and
// name, onto one PNG so that a person can look at a set.
//
//   contact_sheet SET.img OUT.png [--font FONT.img]
//
// Images are drawn with the keyed blits (index 0 and the zero word are
// transparent) over a checkerboard; names are drawn with a bitmap font: the
// one given, or a small built-in one. Pictures larger than a cell are shown
// scaled down, tiny ones enlarged (the label says so).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/bitfont.h"
#include "graphics/bitmap.h"
#include "graphics/pixel_format.h"

namespace {

constexpr int kCell = 200;  // largest picture shown at full size
constexpr int kLabel = 28;  // label band under each picture
constexpr int kGap = 8;
constexpr uint32_t kInk = 0xFFFFFFFF;

// 3 x 5 glyphs, rows top first, '1' = ink. Lower case borrows upper case.
struct MiniGlyph {
  char c;
  const char* rows;
};
const MiniGlyph kMiniFont[] = {
    {'A', "010101111101101"}, {'B', "110101110101110"}, {'C', "011100100100011"}, {'D', "110101101101110"},
    {'E', "111100110100111"}, {'F', "111100110100100"}, {'G', "011100101101011"}, {'H', "101101111101101"},
    {'I', "111010010010111"}, {'J', "001001001101010"}, {'K', "101101110101101"}, {'L', "100100100100111"},
    {'M', "101111111101101"}, {'N', "110101101101101"}, {'O', "010101101101010"}, {'P', "110101110100100"},
    {'Q', "010101101110011"}, {'R', "110101110101101"}, {'S', "011100010001110"}, {'T', "111010010010010"},
    {'U', "101101101101111"}, {'V', "101101101101010"}, {'W', "101101111111101"}, {'X', "101101010101101"},
    {'Y', "101101010010010"}, {'Z', "111001010100111"}, {'0', "111101101101111"}, {'1', "010110010010111"},
    {'2', "110001010100111"}, {'3', "110001010001110"}, {'4', "101101111001001"}, {'5', "111100110001110"},
    {'6', "011100111101111"}, {'7', "111001010010010"}, {'8', "111101111101111"}, {'9', "111101111001110"},
    {'_', "000000000000111"}, {'-', "000000111000000"}, {'.', "000000000000010"}, {'(', "001010010010001"},
    {')', "100010010010100"}, {'#', "101111101111101"}, {'/', "001001010100100"}, {'?', "110001010000010"},
    {':', "000010000010000"}, {'%', "101001010100101"}, {'+', "000010111010000"},
};

// Builds the built-in font: each glyph drawn 2 x 2 per dot in 32 bits.
bool BuildMiniFont(BitFont* font) {
  const int n = static_cast<int>(sizeof(kMiniFont) / sizeof(kMiniFont[0]));
  if (!font->SetCount(n + 1)) return false;
  font->names[0].Assign("mini font");
  if (!font->Create(1, 1, 32)) return false;
  for (int i = 0; i < n; ++i) {
    Image* img = font->GetImage(i + 1);
    char name[2] = {kMiniFont[i].c, 0};
    font->names[i + 1].Assign(name);
    if (!img->Create(6, 10, 32)) return false;
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c)
        if (kMiniFont[i].rows[r * 3 + c] == '1')
          for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) img->SetPixel(c * 2 + dx, r * 2 + dy, kInk);
  }
  if (!font->BuildGlyphMap()) return false;
  font->SetSpacing(2, 0, 0, 3, 6);
  return true;
}

// Frame 0 of an image as a 32-bit bitmap in which every transparent pixel
// (index 0 of an 8-bit picture, the zero word of a 32-bit one) is 0.
bool To32(const Image& img, Bitmap* out) {
  if (!img.pixels || img.width <= 0 || img.height <= 0) return false;
  if (!out->Create(img.width, img.height, 32)) return false;
  if (img.bpp == 8) {
    uint32_t table[256];
    for (int i = 0; i < 256; ++i)
      table[i] = 0xFF000000u | static_cast<uint32_t>(img.palette[i][0]) << 16 |
                 static_cast<uint32_t>(img.palette[i][1]) << 8 | img.palette[i][2];
    table[0] = 0;
    return img.DrawIndexedTo32(reinterpret_cast<uint32_t*>(out->pixels), out->stride, 0, 0, img.width, img.height,
                               table);
  }
  if (!out->ConvertFrom(img, nullptr)) return false;
  if (img.bpp == 16) {  // 16-bit key: the zero word
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)
        if (img.GetPixel(x, y) == 0) out->SetPixel(x, y, 0);
  }
  return true;
}

void Checker(Bitmap* sheet, int x0, int y0, int w, int h) {
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) sheet->SetPixel(x0 + x, y0 + y, ((x / 8 + y / 8) & 1) ? 0xFF6A6A6Au : 0xFF8A8A8Au);
}

// The text cut so that it fits in `width` pixels.
std::string Fit(const BitFont& font, std::string text, int width) {
  while (!text.empty() && font.TextWidth(text.c_str()) > width) text.pop_back();
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s SET.img OUT.png [--font FONT.img]\n", argv[0]);
    return 2;
  }
  const char* setPath = argv[1];
  const char* outPath = argv[2];
  const char* fontPath = nullptr;
  for (int i = 3; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--font") == 0) fontPath = argv[i + 1];

  ImageSet set;
  if (!set.Load(setPath)) {
    std::fprintf(stderr, "cannot read image set %s\n", setPath);
    return 1;
  }
  BitFont font;
  bool fontOk = fontPath ? font.Load(fontPath) : BuildMiniFont(&font);
  if (!fontOk) {
    std::fprintf(stderr, "cannot build font%s%s\n", fontPath ? " " : "", fontPath ? fontPath : "");
    return 1;
  }
  PixelFormat format;
  format.SetForDepth(32);
  font.Upload(&format);  // glyphs drawn through their 32-bit frame

  // Cells hold each picture at full size up to kCell, scaled down beyond.
  int cellW = 120, cellH = 40;
  for (int i = 0; i < set.count; ++i) {
    const Image* img = set.GetImage(i);
    cellW = std::max(cellW, std::min(img->width, kCell));
    cellH = std::max(cellH, std::min(img->height, kCell));
  }
  const int columns = std::max(1, std::min(set.count, std::max(1, 1600 / (cellW + kGap))));
  const int rows = (set.count + columns - 1) / columns;
  const int sheetW = kGap + columns * (cellW + kGap);
  const int sheetH = kGap + 24 + rows * (cellH + kLabel + kGap);
  Bitmap sheet;
  if (!sheet.Create(sheetW, sheetH, 32)) {
    std::fprintf(stderr, "sheet too large\n");
    return 1;
  }
  for (int y = 0; y < sheetH; ++y)
    for (int x = 0; x < sheetW; ++x) sheet.SetPixel(x, y, 0xFF202830u);
  font.SetTarget(sheet.pixels, sheet.width, sheet.height, sheet.stride, 32);
  std::string title = std::to_string(set.count) + " images: " + setPath;
  font.DrawText(Fit(font, title, sheetW - 2 * kGap).c_str(), kGap, kGap);

  for (int i = 0; i < set.count; ++i) {
    const Image* img = set.GetImage(i);
    const int cx = kGap + (i % columns) * (cellW + kGap);
    const int cy = kGap + 24 + (i / columns) * (cellH + kLabel + kGap);
    Checker(&sheet, cx, cy, cellW, cellH);
    std::string label = std::to_string(i) + " " + set.GetName(i).Text();
    Bitmap picture;
    if (To32(*img, &picture)) {
      float scale = std::min(
          1.0f, std::min(static_cast<float>(cellW) / picture.width, static_cast<float>(cellH) / picture.height));
      // Small pictures are enlarged by a whole factor so they can be seen.
      int biggest = std::max(picture.width, picture.height);
      int zoom = std::min(4, 48 / std::max(1, biggest));
      if (zoom >= 2) {
        picture.Resize(picture.width * zoom, picture.height * zoom, false);
        label += " x" + std::to_string(zoom);
      } else if (scale < 1.0f) {
        int w = std::max(1, static_cast<int>(picture.width * scale));
        int h = std::max(1, static_cast<int>(picture.height * scale));
        picture.Resize(w, h, true);
        label += " (" + std::to_string(img->width) + "x" + std::to_string(img->height) + ")";
      }
      int px = cx + (cellW - picture.width) / 2;
      int py = cy + (cellH - picture.height) / 2;
      picture.Draw(sheet.pixels, sheet.width, sheet.height, sheet.stride, px, py, 1, 256);
    } else {
      label += " (empty)";
    }
    font.DrawText(Fit(font, label, cellW).c_str(), cx, cy + cellH + 6);
  }
  if (!sheet.SavePng(outPath)) {
    std::fprintf(stderr, "cannot write %s\n", outPath);
    return 1;
  }
  std::printf("%s: %d images\n", outPath, set.count);
  return 0;
}
