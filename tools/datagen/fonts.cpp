// The seven bitmap fonts, rasterised from DejaVu outlines: every glyph is a
// cell of the font's full line height on a common baseline, as wide as its
// advance. SysFont, VantrelBigFont and ChiselFont are 8-bit palette sets
// (their indices are grey levels, flame heat and chisel light); the others
// are 32-bit.
#include <QPainter>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <functional>

#include "tools/datagen/art.h"
#include "tools/datagen/pack_contract.h"

namespace vantrel::datagen {

using namespace art;

namespace {

struct Mask {
  int w = 0, h = 0;
  std::vector<float> fill, outline;  // coverage 0..1 of the glyph and of the glyph grown by the outline
  float At(const std::vector<float>& m, int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return 0.f;
    return m[size_t(y) * w + x];
  }
};

struct FontStyle {
  const char* file;
  double pixelSize;
  double squeeze;  // horizontal scale of the outlines
  double outline;  // outline width in pixels (0 = none)
  int lineHeight;
  double baseline;  // y of the baseline in the cell
  int margin = 0;   // blank columns each side of the ink (the game adds its spacing after each glyph)
};

std::vector<float> Rasterise(const QPainterPath& path, int w, int h, double stroke) {
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(0);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (stroke > 0)
      p.setPen(QPen(Qt::white, stroke * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    else
      p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(path);
  }
  std::vector<float> out(size_t(w) * h);
  for (int y = 0; y < h; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < w; ++x) out[size_t(y) * w + x] = qAlpha(row[x]) / 255.f;
  }
  return out;
}

Mask GlyphMask(const QRawFont& face, const FontStyle& st, unsigned char ch) {
  QString s = QString(QChar(char16_t(ch)));
  QVector<quint32> glyphs = face.glyphIndexesForString(s);
  QVector<QPointF> adv = face.advancesForGlyphIndexes(glyphs);
  QPainterPath path = glyphs.isEmpty() ? QPainterPath() : face.pathForGlyph(glyphs[0]);
  double advance = adv.isEmpty() ? face.averageCharWidth() : adv[0].x();
  QTransform t;
  t.scale(st.squeeze, 1.0);
  path = t.map(path);
  advance *= st.squeeze;
  int pad = int(std::ceil(st.outline));
  // The cell is as wide as the ink (the font's own spacing is added between
  // glyphs when drawing); a glyph without ink keeps its advance. The glyph is
  // first drawn on a canvas with room to spare and the cell is then cut to the
  // columns that really took ink, outline and anti-aliasing included, so no
  // glyph loses an edge to rounding of its outline's bounds.
  QRectF ink = path.boundingRect();
  double left = 0, right = advance;
  if (ink.width() > 0) {
    left = std::floor(ink.left());
    right = std::ceil(ink.right());
  }
  const int slack = pad + 4;
  const int wide = std::max(1, int(std::lround(right - left)) + 2 * slack);
  path.translate(slack - left, st.baseline);
  std::vector<float> fill = Rasterise(path, wide, st.lineHeight, 0);
  std::vector<float> outline = st.outline > 0 ? Rasterise(path, wide, st.lineHeight, st.outline) : fill;
  int first = wide, last = -1;
  for (int y = 0; y < st.lineHeight; ++y)
    for (int x = 0; x < wide; ++x)
      if (outline[size_t(y) * wide + x] > 0.f || fill[size_t(y) * wide + x] > 0.f) {
        first = std::min(first, x);
        last = std::max(last, x);
      }
  if (last < 0) {  // no ink: a blank cell of the advance
    first = slack;
    last = slack + std::max(1, int(std::lround(advance))) - 1;
  }
  Mask m;
  m.w = last - first + 1 + 2 * st.margin;
  m.h = st.lineHeight;
  m.fill.assign(size_t(m.w) * m.h, 0.f);
  m.outline.assign(size_t(m.w) * m.h, 0.f);
  for (int y = 0; y < m.h; ++y)
    for (int x = first; x <= last; ++x) {
      const size_t to = size_t(y) * m.w + (x - first + st.margin), from = size_t(y) * wide + x;
      m.fill[to] = fill[from];
      m.outline[to] = outline[from];
    }
  return m;
}

std::vector<int> Charset(bool latin1) {
  std::vector<int> c;
  for (int i = pack::kFontFirstChar; i <= pack::kFontLastChar; ++i) c.push_back(i);
  if (latin1)
    for (int i = pack::kLatin1First; i <= pack::kLatin1Last; ++i) c.push_back(i);
  return c;
}

std::string GlyphName(int ch) { return std::string(1, char(ch)); }

// ---- 8-bit fonts ----------------------------------------------------------

// SysFont: grey palette, pixel = coverage.
Bytes SysFont(const pack::FontSpec& spec) {
  FontStyle st{"DejaVuSans-Bold.ttf", 11, 1.0, 0, spec.lineHeight, 10};
  QRawFont face = Face(st.file, st.pixelSize);
  std::vector<Rgb> pal(256);
  for (int i = 0; i < 256; ++i) pal[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  std::vector<IndexedImage> glyphs;
  for (int ch : Charset(spec.latin1)) {
    Mask m = GlyphMask(face, st, uint8_t(ch));
    IndexedImage g{GlyphName(ch), m.w, m.h, std::vector<uint8_t>(size_t(m.w) * m.h)};
    for (size_t i = 0; i < g.pixels.size(); ++i) {
      int v = int(std::lround(std::pow(m.fill[i], 0.8) * 255));
      g.pixels[i] = uint8_t(v < 24 ? 0 : v);  // faint fringes drop to the background
    }
    glyphs.push_back(std::move(g));
  }
  return ImageSetV1(pal, glyphs);
}

// VantrelBigFont: the fire ramp; pixel = heat, hottest in the core, a darker rim.
Bytes BigFont(const pack::FontSpec& spec) {
  FontStyle st{"DejaVuSerif-Bold.ttf", 30, 1.0, 1.2, spec.lineHeight, 30, 1};
  QRawFont face = Face(st.file, st.pixelSize);
  std::vector<IndexedImage> glyphs;
  for (int ch : Charset(spec.latin1)) {
    Mask m = GlyphMask(face, st, uint8_t(ch));
    IndexedImage g{GlyphName(ch), m.w, m.h, std::vector<uint8_t>(size_t(m.w) * m.h)};
    for (int y = 0; y < m.h; ++y) {
      for (int x = 0; x < m.w; ++x) {
        float f = m.At(m.fill, x, y), o = m.At(m.outline, x, y);
        int v = 0;
        if (f > 0.35f)
          v = std::clamp(int(f * (250 - 0.8 * y * 38.0 / m.h)), 110, 250);
        else if (o > 0.4f)
          v = 64 + int(36 * o);
        g.pixels[size_t(y) * m.w + x] = uint8_t(v);
      }
    }
    glyphs.push_back(std::move(g));
  }
  return ImageSetV1(FireRamp(), glyphs);
}

// ChiselFont: a height map from the blurred glyph lit from the upper left;
// the palette runs from dark bronze to bright gold, index 0 is the key.
Bytes ChiselFont(const pack::FontSpec& spec) {
  FontStyle st{"DejaVuSerif-Bold.ttf", 26, 1.0, 1.0, spec.lineHeight, 26, 1};
  QRawFont face = Face(st.file, st.pixelSize);
  std::vector<Rgb> pal(256);
  pal[0] = {0, 0, 0};
  for (int i = 1; i < 256; ++i) {
    double t = (i - 1) / 254.0;
    QColor c = t < 0.5 ? Mix(QColor(60, 30, 12), QColor(190, 120, 50), t * 2)
                       : Mix(QColor(190, 120, 50), QColor(255, 240, 170), (t - 0.5) * 2);
    pal[i] = {uint8_t(std::max(c.red(), 8)), uint8_t(c.green()), uint8_t(c.blue())};
  }
  std::vector<IndexedImage> glyphs;
  for (int ch : Charset(spec.latin1)) {
    Mask m = GlyphMask(face, st, uint8_t(ch));
    // blur the coverage (3x3 twice) into a height map
    std::vector<float> hgt = m.fill;
    for (int pass = 0; pass < 2; ++pass) {
      std::vector<float> b(hgt.size());
      for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) {
          float s = 0;
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) s += m.At(hgt, x + dx, y + dy);
          b[size_t(y) * m.w + x] = s / 9.f;
        }
      hgt = b;
    }
    IndexedImage g{GlyphName(ch), m.w, m.h, std::vector<uint8_t>(size_t(m.w) * m.h)};
    for (int y = 0; y < m.h; ++y) {
      for (int x = 0; x < m.w; ++x) {
        float o = m.At(m.outline, x, y);
        if (o < 0.45f) continue;
        float f = m.At(m.fill, x, y);
        double gx = m.At(hgt, x + 1, y) - m.At(hgt, x - 1, y);
        double gy = m.At(hgt, x, y + 1) - m.At(hgt, x, y - 1);
        double light = 0.55 - 1.6 * (gx + gy) * 0.7;  // light from the upper left
        light = f > 0.4f ? std::clamp(light * (0.7 + 0.3 * (1.0 - double(y) / m.h)), 0.05, 1.0) : 0.02;
        g.pixels[size_t(y) * m.w + x] = uint8_t(1 + std::lround(light * 254));
      }
    }
    glyphs.push_back(std::move(g));
  }
  return ImageSetV1(pal, glyphs);
}

// ---- 32-bit fonts ---------------------------------------------------------

using Shader = std::function<QColor(int x, int y, int w, int h, unsigned char ch)>;

Bytes TrueColourFont(const pack::FontSpec& spec, const FontStyle& st, QColor outline, const Shader& shade) {
  QRawFont face = Face(st.file, st.pixelSize);
  std::vector<NamedImage> glyphs;
  for (int ch : Charset(spec.latin1)) {
    Mask m = GlyphMask(face, st, uint8_t(ch));
    QImage img = NewImage(m.w, m.h);
    for (int y = 0; y < m.h; ++y) {
      QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
      for (int x = 0; x < m.w; ++x) {
        float f = m.At(m.fill, x, y), o = m.At(m.outline, x, y);
        if (o < 0.4f) continue;
        QColor c = Mix(outline, shade(x, y, m.w, m.h, uint8_t(ch)), f);
        row[x] = qRgba(c.red(), c.green(), c.blue(), 255);
      }
    }
    Dither555(img);
    KeySafe(img);
    glyphs.push_back({GlyphName(ch), img});
  }
  return ImageSetV2(glyphs);
}

QColor Brushed(int x, int y, int h, double hueShift) {
  double t = y / double(h);
  double band = 0.75 + 0.25 * std::cos((t - 0.35) * 7.0);
  double streak = (Noise2(x * 0.12, y * 1.3, 0, 7) - 0.5) * 0.25;
  int v = std::clamp(int((150 + 100 * band) * (1.0 + streak)), 60, 255);
  if (hueShift > 0) return QColor(int(v * 0.45), v, int(v * 0.5));
  return QColor(v, v, std::min(255, v + 10));
}

}  // namespace

void GenerateFonts(Pack& pack) {
  for (const pack::FontSpec& f : pack::kFonts) {
    std::string file(f.path);
    Bytes bytes;
    if (file == "Fonts/SysFont.img") {
      bytes = SysFont(f);
    } else if (file == "Fonts/VantrelBigFont.img") {
      bytes = BigFont(f);
    } else if (file == "Fonts/ChiselFont.img") {
      bytes = ChiselFont(f);
    } else if (file == "Fonts/BrushedFont.img" || file == "Fonts/GreenBrushedFont.img") {
      bool green = file == "Fonts/GreenBrushedFont.img";
      FontStyle st{"DejaVuSans-Bold.ttf", 17, 0.72, 1.0, f.lineHeight, 17};
      bytes = TrueColourFont(f, st, QColor(18, 16, 22), [green](int x, int y, int, int h, unsigned char) {
        return Brushed(x, y, h, green ? 1 : 0);
      });
    } else if (file == "Fonts/CandyFont.img") {
      FontStyle st{"DejaVuSans-Bold.ttf", 19, 1.0, 1.4, f.lineHeight, 19, 1};
      bytes = TrueColourFont(f, st, QColor(255, 255, 255), [](int x, int y, int, int, unsigned char) {
        return ((x + y) / 3) % 2 ? QColor(255, 90, 160) : QColor(255, 200, 225);
      });
    } else {
      FontStyle st{"DejaVuSansMono.ttf", 9, 1.0, 0, f.lineHeight, 8};
      bytes = TrueColourFont(f, st, QColor(30, 30, 40), [](int, int y, int, int h, unsigned char) {
        return Mix(QColor(255, 255, 255), QColor(170, 180, 200), y / double(h));
      });
    }
    pack.Write(file, bytes);
  }
}

}  // namespace vantrel::datagen

namespace vantrel::datagen {

// The DejaVu licence goes beside the pack, since the fonts are rasterised from it.
void WriteLicences(Pack& pack) {
  std::string text =
      "The bitmap fonts of this data pack (Fonts/*.img) and the lettering of its\n"
      "pictures are rasterised from the DejaVu fonts, under the licence below.\n"
      "Everything else in the pack is drawn, synthesised and composed by the\n"
      "Vantrel data generator.\n\n";
  std::string licence;
  if (std::FILE* f = std::fopen(VANTREL_DEJAVU_LICENCE, "rb")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) licence.append(buf, n);
    std::fclose(f);
  }
  if (licence.empty())
    licence =
        "DejaVu fonts: Copyright (c) 2003 by Bitstream, Inc. (Bitstream Vera fonts) and the\n"
        "DejaVu changes, in the public domain. See https://dejavu-fonts.github.io/License.html\n";
  text += licence;
  pack.Write(std::string(pack::kLicenceFile), Bytes(text.begin(), text.end()));
}

}  // namespace vantrel::datagen
