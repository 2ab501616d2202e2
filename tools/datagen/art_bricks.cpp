// Board-set graphics: the brick set (and its flat classic look) and the
// seamless background tiles.
#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

#include "tools/datagen/art.h"
#include "tools/datagen/pack_contract.h"

namespace vantrel::datagen {

using namespace art;

namespace {

constexpr int W = pack::kBrickWidth, H = pack::kBrickHeight;

const QColor kPlainColours[20] = {{214, 40, 40},  {240, 120, 24}, {240, 200, 30},  {150, 210, 40},  {40, 170, 60},
                                  {30, 150, 140}, {40, 200, 220}, {70, 150, 235},  {40, 80, 210},   {80, 50, 180},
                                  {150, 60, 200}, {210, 40, 160}, {245, 130, 180}, {230, 230, 225}, {140, 140, 150},
                                  {140, 90, 50},  {230, 180, 50}, {190, 195, 205}, {200, 110, 60},  {60, 160, 110}};

// Noise speckle over a brick, strength in colour units.
void Speckle(QImage& img, uint32_t seed, double strength, double scale = 0.35) {
  for (int y = 0; y < img.height(); ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      double n = (Fbm(x * scale, y * scale, 3, 0, seed) - 0.5) * 2 * strength;
      QRgb p = row[x];
      row[x] = qRgba(std::clamp(int(qRed(p) + n), 0, 255), std::clamp(int(qGreen(p) + n), 0, 255),
                     std::clamp(int(qBlue(p) + n), 0, 255), qAlpha(p));
    }
  }
}

// The common glossy brick: gradient body, bevel, separator rim, highlight.
void GlossyBody(QPainter& p, QColor base, bool gloss = true) {
  QLinearGradient g(0, 0, 0, H);
  g.setColorAt(0.0, Shade(base, 1.25));
  g.setColorAt(0.5, base);
  g.setColorAt(1.0, Shade(base, 0.62));
  p.fillRect(0, 0, W, H, g);
  // bevel: light top/left, dark bottom/right
  p.setPen(Qt::NoPen);
  p.setBrush(Shade(base, 1.55));
  p.drawPolygon(QPolygonF(
      {QPointF(1, 1), QPointF(W - 1, 1), QPointF(W - 3, 3), QPointF(3, 3), QPointF(3, H - 3), QPointF(1, H - 1)}));
  p.setBrush(Shade(base, 0.45));
  p.drawPolygon(QPolygonF({QPointF(W - 1, 1), QPointF(W - 1, H - 1), QPointF(1, H - 1), QPointF(3, H - 3),
                           QPointF(W - 3, H - 3), QPointF(W - 3, 3)}));
  if (gloss) {
    QLinearGradient hl(0, 3, 0, H / 2.0);
    hl.setColorAt(0, QColor(255, 255, 255, 120));
    hl.setColorAt(1, QColor(255, 255, 255, 10));
    p.setBrush(hl);
    p.drawRoundedRect(QRectF(4, 3.5, W - 8, H / 2.0 - 3), 3, 3);
  }
  // one-pixel separator
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Shade(base, 0.25), 1));
  p.drawRect(QRectF(0.5, 0.5, W - 1, H - 1));
}

void Rivet(QPainter& p, double x, double y, QColor c) {
  QRadialGradient g(x - 0.8, y - 0.8, 2.6);
  g.setColorAt(0, Shade(c, 1.8));
  g.setColorAt(0.6, c);
  g.setColorAt(1, Shade(c, 0.4));
  p.setPen(QPen(Shade(c, 0.3), 0.6));
  p.setBrush(g);
  p.drawEllipse(QPointF(x, y), 2.4, 2.4);
}

void Crack(QPainter& p, Rng& rng, QPointF start, int segments, double len, QColor c) {
  p.setPen(QPen(c, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPointF at = start;
  double angle = rng.Range(-0.6, 0.6) + (start.x() < W / 2 ? 0 : 3.14159);
  for (int i = 0; i < segments; ++i) {
    angle += rng.Range(-0.9, 0.9);
    QPointF next = at + QPointF(std::cos(angle) * len, std::sin(angle) * len * 0.6);
    next.setX(std::clamp(next.x(), 3.0, W - 3.0));
    next.setY(std::clamp(next.y(), 3.0, H - 3.0));
    p.drawLine(at, next);
    at = next;
  }
}

QImage PlainBrick(QColor c, uint32_t seed, bool metallic) {
  QImage img = NewImage(W, H);
  {
    Painter p(&img);
    GlossyBody(p, c);
    if (metallic) {
      p.setPen(Qt::NoPen);
      QLinearGradient sh(0, 0, W, H);
      sh.setColorAt(0.3, QColor(255, 255, 255, 0));
      sh.setColorAt(0.45, QColor(255, 255, 255, 90));
      sh.setColorAt(0.6, QColor(255, 255, 255, 0));
      p.setBrush(sh);
      p.drawRect(QRectF(3, 3, W - 6, H - 6));
    }
  }
  Speckle(img, seed, metallic ? 5 : 7);
  return img;
}

QImage ExploBrick(int frame) {
  QImage img = NewImage(W, H);
  {
    Painter p(&img);
    GlossyBody(p, QColor(70, 62, 58), false);
    double pulse = 0.5 + 0.5 * std::sin(frame * 2 * 3.14159 / pack::kExploFrames);
    QRadialGradient core(W / 2.0, H / 2.0, 14 + 4 * pulse);
    core.setColorAt(0.0, QColor(255, 250, 190));
    core.setColorAt(0.25, QColor(255, int(170 + 60 * pulse), 40));
    core.setColorAt(0.7, QColor(220, 60, 10, int(120 + 100 * pulse)));
    core.setColorAt(1.0, QColor(120, 20, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(core);
    p.drawRoundedRect(QRectF(4, 4, W - 8, H - 8), 4, 4);
    // hazard chevrons on the shell
    p.setPen(QPen(QColor(250, 200, 40), 1.6));
    for (int k = 0; k < 2; ++k) {
      double x = k == 0 ? 6.0 : W - 6.0;
      double d = k == 0 ? 1 : -1;
      p.drawLine(QPointF(x, 5), QPointF(x + 3 * d, H / 2.0));
      p.drawLine(QPointF(x + 3 * d, H / 2.0), QPointF(x, H - 5));
    }
    p.setPen(QPen(QColor(30, 24, 20), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, W - 1, H - 1));
  }
  return img;
}

QImage MultiBrick(QColor base, int hitsLeft, int totalHits, uint32_t seed) {
  QImage img = NewImage(W, H);
  {
    Painter p(&img);
    // Lighter and more saturated while full, duller as it wears.
    double wear = double(totalHits - hitsLeft) / double(totalHits);
    GlossyBody(p, Shade(base, 1.0 - 0.3 * wear));
    // rivets: one per remaining hit
    double gap = 9;
    double x0 = W / 2.0 - gap * (hitsLeft - 1) / 2.0;
    for (int k = 0; k < hitsLeft; ++k) Rivet(p, x0 + gap * k, H / 2.0 + 0.5, QColor(225, 225, 235));
    Rng rng(seed);
    int cracks = totalHits - hitsLeft;
    for (int k = 0; k < cracks; ++k) {
      QPointF s(k % 2 == 0 ? 3.0 : W - 3.0, rng.Range(5, H - 5));
      Crack(p, rng, s, 4 + k, 5, Shade(base, 0.3));
    }
  }
  Speckle(img, seed, 5);
  return img;
}

QImage SteelBrick(QColor tint, int kind, uint32_t seed) {
  // kind 0 invin, 1 almostinvin (hairline crack), 2 zapped (electric tint, cracks)
  QImage img = NewImage(W, H);
  {
    Painter p(&img);
    GlossyBody(p, tint);
    Rivet(p, 5.5, 5.5, QColor(200, 205, 215));
    Rivet(p, W - 5.5, 5.5, QColor(200, 205, 215));
    Rivet(p, 5.5, H - 5.5, QColor(200, 205, 215));
    Rivet(p, W - 5.5, H - 5.5, QColor(200, 205, 215));
    Rng rng(seed);
    if (kind == 1) {
      Crack(p, rng, QPointF(14, 6), 5, 5, QColor(40, 40, 48));
    } else if (kind == 2) {
      Crack(p, rng, QPointF(4, 12), 7, 5, QColor(220, 250, 255));
      Crack(p, rng, QPointF(W - 4, 8), 6, 5, QColor(160, 220, 255));
    } else {
      p.setPen(QPen(QColor(70, 75, 85), 1));
      p.drawLine(QPointF(12, H / 2.0), QPointF(W - 12, H / 2.0));
    }
  }
  // brushed: horizontal streaks
  for (int y = 0; y < H; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 3; x < W - 3; ++x) {
      double n = (Noise2(x * 0.08, y * 1.7, 0, seed) - 0.5) * 22;
      QRgb c = row[x];
      row[x] = qRgba(std::clamp(int(qRed(c) + n), 0, 255), std::clamp(int(qGreen(c) + n), 0, 255),
                     std::clamp(int(qBlue(c) + n), 0, 255), qAlpha(c));
    }
  }
  return img;
}

QImage GlassBrick() {
  QImage img = NewImage(W, H);
  Painter p(&img);
  GlossyBody(p, QColor(150, 200, 220));
  p.setPen(QPen(QColor(255, 255, 255, 200), 2));
  p.drawLine(QPointF(10, H - 5), QPointF(18, 5));
  p.setPen(QPen(QColor(255, 255, 255, 120), 1));
  p.drawLine(QPointF(16, H - 5), QPointF(22, 7));
  return img;
}

QImage StoneBrick(uint32_t seed, bool marble) {
  QImage img = NewImage(W, H);
  {
    Painter p(&img);
    GlossyBody(p, marble ? QColor(215, 210, 200) : QColor(120, 115, 108), marble);
  }
  for (int y = 3; y < H - 3; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 3; x < W - 3; ++x) {
      double n;
      if (marble) {
        double v = std::sin(x * 0.25 + Fbm(x * 0.15, y * 0.15, 4, 0, seed) * 8.0);
        n = -std::pow(1.0 - std::fabs(v), 6) * 70;
      } else {
        n = (Fbm(x * 0.4, y * 0.4, 4, 0, seed) - 0.5) * 50;
      }
      QRgb c = row[x];
      row[x] = qRgba(std::clamp(int(qRed(c) + n), 0, 255), std::clamp(int(qGreen(c) + n), 0, 255),
                     std::clamp(int(qBlue(c) + n * (marble ? 0.8 : 1.0)), 0, 255), qAlpha(c));
    }
  }
  return img;
}

QImage HiddenBrick() {
  QImage img = NewImage(W, H);
  {
    Painter p(&img);
    GlossyBody(p, QColor(185, 215, 240));
    p.setPen(QPen(QColor(255, 255, 255, 170), 1));
    for (int k = 0; k < 5; ++k) p.drawLine(QPointF(6 + 8 * k, H - 4), QPointF(12 + 8 * k, 4));
  }
  Speckle(img, 4401, 14, 0.9);
  return img;
}

QImage ClassicBrick(QColor c, int stage) {
  // Flat colour with a one-pixel bevel; stage marks (dots) for hit counts.
  QImage img = NewImage(W, H);
  Painter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(0, 0, W, H, c);
  p.setPen(Shade(c, 1.5));
  p.drawLine(0, 0, W - 1, 0);
  p.drawLine(0, 0, 0, H - 1);
  p.setPen(Shade(c, 0.45));
  p.drawLine(0, H - 1, W - 1, H - 1);
  p.drawLine(W - 1, 0, W - 1, H - 1);
  p.setPen(Qt::NoPen);
  p.setBrush(Shade(c, 0.5));
  for (int k = 0; k < stage; ++k) p.drawRect(W / 2 - stage * 4 + k * 8 + 1, H / 2 - 2, 4, 4);
  return img;
}

QColor BrickColour(int n) {
  if (n <= 20) return kPlainColours[n - 1];
  if (n <= 28) return QColor(230, 110, 30);
  if (n == 29) return QColor(150, 200, 220);
  if (n <= 32) return QColor(60, 110, 200);
  if (n == 33) return QColor(120, 115, 108);
  if (n <= 35) return QColor(170, 70, 190);
  if (n == 36) return QColor(215, 210, 200);
  if (n <= 40) return QColor(40, 160, 150);
  if (n == 41) return QColor(150, 150, 160);
  if (n == 42) return QColor(110, 115, 128);
  if (n == 43) return QColor(90, 150, 220);
  return QColor(185, 215, 240);
}

std::vector<NamedImage> Bricks(bool classic) {
  std::vector<NamedImage> out;
  for (int n = 1; n <= pack::kBrickCount; ++n) {
    std::string name(pack::BrickName(n));
    QImage img;
    int stage = 0, total = 0;
    if (n >= 30 && n <= 32) total = 3, stage = 3 - (n - 30);
    if (n >= 34 && n <= 35) total = 2, stage = 2 - (n - 34);
    if (n >= 37 && n <= 40) total = 4, stage = 4 - (n - 37);
    if (classic) {
      QColor c = BrickColour(n);
      if (n >= pack::kFirstExplo && n < pack::kFirstExplo + pack::kExploFrames)
        c = Shade(c, 0.8 + 0.2 * std::sin((n - pack::kFirstExplo) * 0.785));
      img = ClassicBrick(c, stage);
    } else if (n <= 20) {
      img = PlainBrick(BrickColour(n), 100 + n, n >= 17);
    } else if (n < pack::kFirstExplo + pack::kExploFrames) {
      img = ExploBrick(n - pack::kFirstExplo);
    } else if (n == 29) {
      img = GlassBrick();
    } else if (n == 33 || n == 36) {
      img = StoneBrick(200 + n, n == 36);
    } else if (total > 0) {
      img = MultiBrick(BrickColour(n), stage, total, 300 + n);
    } else if (n == pack::kAlmostInvin) {
      img = SteelBrick(BrickColour(n), 1, 401);
    } else if (n == pack::kInvin) {
      img = SteelBrick(BrickColour(n), 0, 402);
    } else if (n == pack::kZapped) {
      img = SteelBrick(BrickColour(n), 2, 403);
    } else {
      img = HiddenBrick();
    }
    FinishOpaque(img);
    out.push_back({name, img});
  }
  return out;
}

// ---- background tiles -----------------------------------------------------

constexpr int T = pack::kBackgroundTile;

QColor Ramp3(double v, QColor a, QColor b, QColor c) {
  v = std::clamp(v, 0.0, 1.0);
  return v < 0.5 ? Mix(a, b, v * 2) : Mix(b, c, v * 2 - 1);
}

QImage Tile(int kind, bool classic) {
  QImage img(T, T, QImage::Format_ARGB32);
  const uint32_t seed = 900 + uint32_t(kind) * 17;
  for (int y = 0; y < T; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < T; ++x) {
      double u = x / double(T), v = y / double(T);
      QColor c;
      switch (kind) {
        case 0: {  // marble
          double n = Fbm(u * 4, v * 4, 5, 4, seed);
          double vein = std::pow(std::fabs(std::sin((u + v) * 2 * 3.14159 * 2 + n * 9)), 0.3);
          c = Ramp3(vein * 0.8 + n * 0.2, QColor(40, 44, 60), QColor(80, 86, 104), QColor(120, 124, 140));
          break;
        }
        case 1: {  // slate
          double n = Fbm(u * 8, v * 3, 5, 8, seed);
          c = Ramp3(n, QColor(30, 38, 44), QColor(58, 70, 78), QColor(90, 100, 106));
          break;
        }
        case 2: {  // hexagon mesh
          double s = 16.0;
          double qx = x / s, qy = y / (s * 0.866);
          int row = int(std::floor(qy));
          double ox = (row & 1) ? 0.5 : 0.0;
          double fx = qx - ox - std::floor(qx - ox) - 0.5, fy = qy - row - 0.5;
          double d = std::max(std::fabs(fx) * 1.0 + std::fabs(fy) * 0.0, std::fabs(fx) * 0.5 + std::fabs(fy) * 0.75);
          double edge = std::clamp((d - 0.42) * 12, 0.0, 1.0);
          c = Mix(QColor(30, 44, 70), QColor(90, 130, 170), edge);
          c = Shade(c, 0.85 + 0.3 * Fbm(u * 4, v * 4, 3, 4, seed));
          break;
        }
        case 3: {  // circuit traces
          double n = Fbm(u * 4, v * 4, 3, 4, seed);
          int gx = x % 16, gy = y % 16;
          bool trace = (gx == 7 || gx == 8) && Noise2(x / 16, y / 16.0 * 0.3, 8, seed) > 0.45;
          bool trace2 = (gy == 7 || gy == 8) && Noise2(x / 16.0 * 0.3 + 3, y / 16, 8, seed + 1) > 0.5;
          bool pad = std::hypot(gx - 7.5, gy - 7.5) < 3 && Noise2(x / 16, y / 16, 8, seed + 2) > 0.6;
          c = Mix(QColor(18, 50, 36), QColor(30, 70, 50), n);
          if (trace || trace2) c = QColor(70, 150, 100);
          if (pad) c = QColor(170, 150, 70);
          break;
        }
        case 4: {  // wood
          double n = Fbm(u * 2, v * 8, 4, 2, seed);
          double ring = 0.5 + 0.5 * std::sin((u * 6 + n * 3) * 2 * 3.14159);
          c = Ramp3(ring * 0.7 + n * 0.3, QColor(60, 34, 20), QColor(96, 58, 32), QColor(130, 84, 46));
          break;
        }
        case 5: {  // starfield
          double n = Fbm(u * 3, v * 3, 4, 3, seed);
          c = Mix(QColor(12, 12, 30), QColor(40, 26, 70), n * n);
          uint32_t h = uint32_t(x * 7919 + y * 104729 + seed) * 2654435761u;
          if ((h >> 24) > 252)
            c = QColor(200, 200, 230);
          else if ((h >> 24) > 246)
            c = QColor(110, 110, 150);
          break;
        }
        case 6: {  // waves
          double n = Fbm(u * 4, v * 4, 3, 4, seed);
          double w = 0.5 + 0.5 * std::sin((v * 8 + std::sin(u * 2 * 3.14159 * 2) * 0.4 + n * 0.6) * 2 * 3.14159);
          c = Ramp3(w, QColor(14, 36, 64), QColor(30, 70, 110), QColor(60, 110, 150));
          break;
        }
        case 7: {  // scales
          double s = 16;
          double sy = y / s;
          int r = int(std::floor(sy));
          double sx = x / s + ((r & 1) ? 0.5 : 0.0);
          double fx = sx - std::floor(sx) - 0.5, fy = sy - r;
          double d = std::hypot(fx, fy);
          double shade = std::clamp(1.0 - d * 1.4, 0.0, 1.0);
          c = Mix(QColor(28, 52, 40), QColor(80, 130, 90), shade);
          if (d > 0.48 && d < 0.56) c = QColor(20, 34, 26);
          break;
        }
        case 8: {  // weave
          int cx = x / 16, cy = y / 16;
          bool over = ((cx + cy) & 1) == 0;
          double along = over ? std::sin((x % 16) / 16.0 * 3.14159) : std::sin((y % 16) / 16.0 * 3.14159);
          double n = Noise2(over ? x * 0.5 : x * 0.05, over ? y * 0.05 : y * 0.5, 64, seed);
          c = Mix(QColor(50, 30, 40), QColor(120, 70, 84), along * 0.8 + n * 0.2);
          break;
        }
        default: {  // nebula
          double n = Fbm(u * 3, v * 3, 5, 3, seed);
          double m = Fbm(u * 3 + 5, v * 3 + 2, 5, 3, seed + 7);
          c = QColor(int(20 + 90 * n * n), int(16 + 40 * m), int(40 + 80 * m * n));
          break;
        }
      }
      {
        // mid-dark and a little desaturated, so the bricks and the HUD stand out
        int grey = (c.red() * 30 + c.green() * 59 + c.blue() * 11) / 100;
        c = Mix(c, QColor(grey, grey, grey), 0.2);
        c = Shade(c, 0.68);
      }
      if (classic) {
        // posterised, flat
        c = QColor((c.red() / 24) * 24 + 12, (c.green() / 24) * 24 + 12, (c.blue() / 24) * 24 + 12);
      }
      row[x] = c.rgba() | 0xFF000000u;
    }
  }
  FinishOpaque(img);
  return img;
}

const char* kTileNames[pack::kBackgroundCount] = {"Marble", "Slate", "Hexagons", "Circuit", "Wood",
                                                  "Stars",  "Waves", "Scales",   "Weave",   "Nebula"};

std::vector<NamedImage> Backgrounds(bool classic) {
  std::vector<NamedImage> out;
  for (int k = 0; k < pack::kBackgroundCount; ++k) out.push_back({kTileNames[k], Tile(k, classic)});
  return out;
}

}  // namespace

void GenerateBoardGraphics(Pack& pack) {
  pack.Write(std::string(pack::kBrickSet), ImageSetV2(Bricks(false)));
  pack.Write(std::string(pack::kBrickSetClassic), ImageSetV2(Bricks(true)));
  pack.Write(std::string(pack::kBackgroundSet), ImageSetV2(Backgrounds(false)));
  pack.Write(std::string(pack::kBackgroundSetClassic), ImageSetV2(Backgrounds(true)));
}

}  // namespace vantrel::datagen
