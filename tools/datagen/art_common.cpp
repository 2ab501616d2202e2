// Drawing helpers shared by the art generators.
#include "tools/datagen/art.h"

#include <QLinearGradient>
#include <QVector>

#include <cmath>
#include <map>
#include <stdexcept>

namespace vantrel::datagen::art {

namespace {
uint32_t Hash(int x, int y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x5BD1E995u;
  h ^= h >> 15;
  return h;
}
double Lattice(int x, int y, int period, uint32_t seed) {
  if (period > 0) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
  }
  return double(Hash(x, y, seed) & 0xFFFFFF) / double(0xFFFFFF);
}
double Smooth(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }
}  // namespace

double Noise2(double x, double y, int period, uint32_t seed) {
  int ix = int(std::floor(x)), iy = int(std::floor(y));
  double fx = Smooth(x - ix), fy = Smooth(y - iy);
  double a = Lattice(ix, iy, period, seed), b = Lattice(ix + 1, iy, period, seed);
  double c = Lattice(ix, iy + 1, period, seed), d = Lattice(ix + 1, iy + 1, period, seed);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

double Fbm(double x, double y, int octaves, int period, uint32_t seed) {
  double sum = 0, amp = 1, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amp * Noise2(x, y, period, seed + uint32_t(i) * 101u);
    norm += amp;
    amp *= 0.5;
    x *= 2;
    y *= 2;
    if (period > 0) period *= 2;
  }
  return sum / norm;
}

QRawFont Face(const char* file, double pixelSize) {
  QRawFont f(QString::fromStdString(FontPath(file)), pixelSize, QFont::PreferNoHinting);
  if (!f.isValid()) throw std::runtime_error(std::string("cannot load font ") + file);
  return f;
}

QPainterPath TextPath(const QRawFont& face, const QString& text, double x, double y) {
  QVector<quint32> glyphs = face.glyphIndexesForString(text);
  QVector<QPointF> adv = face.advancesForGlyphIndexes(glyphs);
  QPainterPath path;
  double pen = x;
  for (int i = 0; i < glyphs.size(); ++i) {
    QPainterPath g = face.pathForGlyph(glyphs[i]);
    g.translate(pen, y);
    path.addPath(g);
    pen += adv[i].x();
  }
  path.setFillRule(Qt::WindingFill);
  return path;
}

double TextAdvance(const QRawFont& face, const QString& text) {
  QVector<quint32> glyphs = face.glyphIndexesForString(text);
  QVector<QPointF> adv = face.advancesForGlyphIndexes(glyphs);
  double w = 0;
  for (const QPointF& a : adv) w += a.x();
  return w;
}

QPainterPath CenteredText(const QRawFont& face, const QString& text, const QRectF& box) {
  QPainterPath path = TextPath(face, text, 0, 0);
  QRectF b = path.boundingRect();
  double cap = face.capHeight();
  double x = box.center().x() - b.width() / 2 - b.left();
  double y = box.center().y() + cap / 2;
  path.translate(x, y);
  return path;
}

QColor Mix(const QColor& a, const QColor& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return QColor(int(a.red() + (b.red() - a.red()) * t), int(a.green() + (b.green() - a.green()) * t),
                int(a.blue() + (b.blue() - a.blue()) * t), int(a.alpha() + (b.alpha() - a.alpha()) * t));
}

QColor Shade(const QColor& c, double f) {
  if (f <= 1.0) return QColor(int(c.red() * f), int(c.green() * f), int(c.blue() * f), c.alpha());
  double t = std::min(1.0, f - 1.0);
  return Mix(c, QColor(255, 255, 255, c.alpha()), t);
}

void DrawHeading(QPainter& p, const QPainterPath& path, QColor top, QColor bottom, QColor outline,
                 double outlineWidth) {
  QRectF b = path.boundingRect();
  p.save();
  // shadow
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 150));
  p.drawPath(path.translated(3, 4));
  // outline
  p.setPen(QPen(outline, outlineWidth * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(outline);
  p.drawPath(path);
  // fill
  QLinearGradient g(0, b.top(), 0, b.bottom());
  g.setColorAt(0.0, Shade(top, 1.4));
  g.setColorAt(0.45, top);
  g.setColorAt(0.55, bottom);
  g.setColorAt(1.0, Shade(bottom, 0.8));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawPath(path);
  // light top rim
  p.setClipPath(path);
  p.setPen(QPen(QColor(255, 255, 255, 110), 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path.translated(0, 1.5));
  p.restore();
}

}  // namespace vantrel::datagen::art

namespace vantrel::datagen {
std::string FontPath(const char* file) { return std::string(VANTREL_DEJAVU_DIR) + "/" + file; }
}  // namespace vantrel::datagen
