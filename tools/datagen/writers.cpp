// File writers and the picture rules shared by every generator.
#include "tools/datagen/datagen.h"

#include "graphics/imageset_writer.h"
#include "platform/picture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace vantrel::datagen {

namespace fs = boost::filesystem;

void Pack::Record(const std::string& rel) { written_.push_back(rel); }

void Pack::Write(const std::string& rel, const Bytes& bytes) {
  fs::path p = root_ / rel;
  fs::create_directories(p.parent_path());
  written_.push_back(rel);
  {
    std::ifstream in(p.string(), std::ios::binary);
    if (in) {
      Bytes old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (old == bytes) return;
    }
  }
  fs::path tmp = p;
  tmp += ".tmp";
  {
    std::ofstream out(tmp.string(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + tmp.string());
  }
  fs::rename(tmp, p);
}

QImage NewImage(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(0);
  return img;
}

void Binarize(QImage& img, QColor edge, int threshold) {
  for (int y = 0; y < img.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      QRgb p = row[x];
      int a = qAlpha(p);
      if (a < threshold) {
        row[x] = 0;
        continue;
      }
      // Un-premultiplied colour over the edge colour by coverage.
      int r = (qRed(p) * a + edge.red() * (255 - a)) / 255;
      int g = (qGreen(p) * a + edge.green() * (255 - a)) / 255;
      int b = (qBlue(p) * a + edge.blue() * (255 - a)) / 255;
      row[x] = qRgba(r, g, b, 255);
    }
  }
}

static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

static int To555(int c, int t) {
  int q = std::clamp((c + t / 2) >> 3, 0, 31);  // ordered offset 0..7, then the 5-bit level
  return (q << 3) | (q >> 2);
}

void Dither555(QImage& img) {
  for (int y = 0; y < img.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      QRgb p = row[x];
      if (qAlpha(p) == 0) continue;
      int t = kBayer[y & 3][x & 3];
      row[x] = qRgba(To555(qRed(p), t), To555(qGreen(p), t), To555(qBlue(p), t), qAlpha(p));
    }
  }
}

void KeySafe(QImage& img) {
  for (int y = 0; y < img.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      QRgb p = row[x];
      if (qAlpha(p) == 0) {
        row[x] = 0;
        continue;
      }
      int r = qRed(p), g = qGreen(p), b = qBlue(p);
      if (r < 8 && g < 8 && b < 8) b = 8;
      row[x] = qRgba(r, g, b, 255);
    }
  }
}

void FinishSprite(QImage& img, QColor edge) {
  Binarize(img, edge);
  Dither555(img);
  KeySafe(img);
}

void FinishOpaque(QImage& img) {
  for (int y = 0; y < img.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) row[x] |= 0xFF000000u;
  }
  Dither555(img);
  KeySafe(img);
}

Bitmap ToBitmap(const QImage& image) {
  QImage img = image.convertToFormat(QImage::Format_ARGB32);
  Bitmap bmp;
  if (!bmp.Create(img.width(), img.height(), 32)) throw std::runtime_error("out of memory");
  for (int y = 0; y < img.height(); ++y)
    std::memcpy(bmp.pixels + size_t(y) * bmp.stride, img.constScanLine(y), size_t(img.width()) * 4);
  return bmp;
}

Bytes ImageSetV2(const std::vector<NamedImage>& images) {
  std::vector<Bitmap> bitmaps;
  bitmaps.reserve(images.size());
  for (const NamedImage& n : images) bitmaps.push_back(ToBitmap(n.image));
  std::vector<ImageSetWriterEntry> entries;
  for (size_t i = 0; i < images.size(); ++i) entries.push_back({images[i].name, &bitmaps[i]});
  Bytes out;
  if (!BuildImageSet(entries, out)) throw std::runtime_error("the image-set writer refused a set");
  return out;
}

void WritePng(Pack& pack, const std::string& rel, const QImage& img) {
  Bitmap bmp = ToBitmap(img);
  boost::filesystem::create_directories(pack.PathOf(rel).parent_path());
  // Rows without a prediction filter: the smooth artwork compresses as well
  // or better, and the game decodes it faster at start-up.
  std::string error;
  if ((bmp.bpp != 24 && bmp.bpp != 32) ||
      !plat::SavePng(pack.PathOf(rel), bmp.pixels, bmp.width, bmp.height, bmp.stride, bmp.bpp, &error, true))
    throw std::runtime_error("cannot write " + rel + ": " + error);
  pack.Record(rel);
}

std::vector<Rgb> FireRamp() {
  std::vector<Rgb> p(256);
  for (int i = 0; i < 256; ++i) {
    if (i < 128)
      p[i] = {uint8_t(2 * i), uint8_t(i), 0};
    else
      p[i] = {255, uint8_t(i), 0};
  }
  for (int k = 0; k < 32; ++k) {
    Rgb& c = p[224 + k];
    c.r = uint8_t((c.r * (31 - k) + 255 * (k + 1)) >> 5);
    c.g = uint8_t((c.g * (31 - k) + 255 * (k + 1)) >> 5);
    c.b = uint8_t((c.b * (31 - k) + 255 * (k + 1)) >> 5);
  }
  p[255] = {255, 255, 255};
  return p;
}

}  // namespace vantrel::datagen
