// The game's sprite sets: power-up capsules, paddle, explosion and fire,
// icons, bouncing ball, buttons, charm frames and the charms themselves.
#include <QLinearGradient>
#include <QRadialGradient>
#include <QConicalGradient>

#include <cmath>

#include "tools/datagen/art.h"
#include "tools/datagen/pack_contract.h"

namespace vantrel::datagen {

using namespace art;

void GenerateBoardGraphics(Pack& pack);

namespace {

constexpr double kPi = 3.14159265358979;

// ---- power-ups ------------------------------------------------------------

void Bolt(QPainter& p, QPointF c, double s) {
  QPolygonF poly({{0.2, -1}, {-0.45, 0.1}, {-0.02, 0.1}, {-0.25, 1}, {0.45, -0.15}, {0.02, -0.15}, {0.3, -1}});
  for (QPointF& q : poly) q = c + q * s;
  p.drawPolygon(poly);
}

void Arrow(QPainter& p, QPointF from, QPointF to, double head) {
  p.drawLine(from, to);
  QPointF d = to - from;
  double len = std::hypot(d.x(), d.y());
  QPointF u = d / len, n(-u.y(), u.x());
  p.drawLine(to, to - u * head + n * head * 0.8);
  p.drawLine(to, to - u * head - n * head * 0.8);
}

// The white symbol of each power-up, drawn in a 48x48 cell around the centre.
void Symbol(QPainter& p, const std::string& name, const QRawFont& bold, const QRawFont& small) {
  const QPointF c(24, 24);
  QPen pen(QColor(255, 255, 255), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  p.setBrush(QColor(255, 255, 255));
  auto text = [&](const char* s, const QRawFont& f) {
    QPainterPath t = CenteredText(f, QString::fromUtf8(s), QRectF(4, 11, 40, 26));
    p.setPen(QPen(QColor(20, 20, 30), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(t);
    p.setPen(Qt::NoPen);
    p.drawPath(t);
    p.setPen(pen);
  };
  if (name == "life") {
    QPainterPath h;
    h.moveTo(24, 33);
    h.cubicTo(10, 24, 14, 14, 20, 15);
    h.cubicTo(22.5, 15.5, 24, 18, 24, 19);
    h.cubicTo(24, 18, 25.5, 15.5, 28, 15);
    h.cubicTo(34, 14, 38, 24, 24, 33);
    p.setPen(QPen(QColor(120, 0, 20), 1.5));
    p.setBrush(QColor(255, 70, 90));
    p.drawPath(h);
  } else if (name == "level") {
    Arrow(p, {13, 24}, {31, 24}, 6);
    p.drawLine(QPointF(35, 16), QPointF(35, 32));
  } else if (name == "zap" || name == "lightning") {
    p.setPen(QPen(QColor(90, 60, 0), 1.2));
    p.setBrush(QColor(255, 240, 90));
    Bolt(p, c, name == "zap" ? 10 : 12);
    if (name == "zap") {
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(QColor(255, 255, 255), 1.6));
      p.drawRect(QRectF(9, 18, 8, 12));
      p.drawRect(QRectF(31, 18, 8, 12));
    }
  } else if (name == "slow") {
    // a snail: spiral shell on a foot
    p.setBrush(Qt::NoBrush);
    QPainterPath spiral;
    for (int k = 0; k <= 60; ++k) {
      double a = k * 0.21, r = 1.0 + k * 0.13;
      QPointF q(26 + std::cos(a) * r, 23 + std::sin(a) * r);
      if (k == 0)
        spiral.moveTo(q);
      else
        spiral.lineTo(q);
    }
    p.setPen(QPen(QColor(255, 255, 255), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(spiral);
    p.drawLine(QPointF(12, 32), QPointF(36, 32));
    p.drawLine(QPointF(14, 32), QPointF(13, 24));
    p.drawLine(QPointF(13, 24), QPointF(11, 19));
    p.drawLine(QPointF(13, 24), QPointF(16, 19));
  } else if (name == "multiply") {
    for (int k = 0; k < 3; ++k) p.drawEllipse(QPointF(16 + 8 * k, k == 1 ? 20 : 27), 3.2, 3.2);
  } else if (name == "through") {
    p.setPen(QPen(QColor(255, 255, 255, 150), 3));
    p.drawLine(QPointF(24, 13), QPointF(24, 35));
    p.setPen(pen);
    Arrow(p, {11, 24}, {37, 24}, 5);
  } else if (name == "dynamite") {
    p.setPen(QPen(QColor(60, 0, 0), 1));
    p.setBrush(QColor(220, 40, 30));
    p.drawRoundedRect(QRectF(14, 19, 20, 10), 2, 2);
    p.setPen(QPen(QColor(255, 255, 255), 1.5));
    p.drawLine(QPointF(34, 21), QPointF(38, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 220, 60));
    p.drawEllipse(QPointF(38.5, 15.5), 2.2, 2.2);
  } else if (name == "fireball") {
    QPainterPath f;
    f.moveTo(24, 13);
    f.cubicTo(30, 19, 33, 23, 31, 29);
    f.cubicTo(29, 34, 19, 34, 17, 29);
    f.cubicTo(15, 24, 20, 21, 24, 13);
    QRadialGradient g(24, 29, 9);
    g.setColorAt(0, QColor(255, 250, 180));
    g.setColorAt(0.5, QColor(255, 170, 30));
    g.setColorAt(1, QColor(230, 60, 10));
    p.setPen(QPen(QColor(90, 20, 0), 1));
    p.setBrush(g);
    p.drawPath(f);
  } else if (name == "laser") {
    p.setPen(QPen(QColor(255, 120, 120), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 14), QPointF(18, 34));
    p.drawLine(QPointF(30, 14), QPointF(30, 34));
    p.setPen(QPen(QColor(255, 255, 255), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 14), QPointF(18, 34));
    p.drawLine(QPointF(30, 14), QPointF(30, 34));
  } else if (name == "catch") {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(230, 40, 40), 5, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(QRectF(15, 13, 18, 20), 180 * 16, 180 * 16);
    p.setPen(QPen(QColor(230, 230, 240), 5, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(17.5, 16), QPointF(17.5, 22));
    p.drawLine(QPointF(30.5, 16), QPointF(30.5, 22));
  } else if (name == "expand") {
    Arrow(p, {24, 24}, {10, 24}, 5);
    Arrow(p, {24, 24}, {38, 24}, 5);
  } else if (name == "shrink") {
    Arrow(p, {8, 24}, {21, 24}, 5);
    Arrow(p, {40, 24}, {27, 24}, 5);
  } else if (name == "supershrink") {
    Arrow(p, {8, 24}, {21, 24}, 5);
    Arrow(p, {40, 24}, {27, 24}, 5);
    Arrow(p, {8, 24}, {15, 24}, 5);
    Arrow(p, {40, 24}, {33, 24}, 5);
  } else if (name == "split") {
    p.drawLine(QPointF(14, 24), QPointF(22, 24));
    p.drawLine(QPointF(22, 24), QPointF(30, 17));
    p.drawLine(QPointF(22, 24), QPointF(30, 31));
    p.drawEllipse(QPointF(33, 16), 3, 3);
    p.drawEllipse(QPointF(33, 32), 3, 3);
  } else if (name == "kill") {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 245, 240));
    p.drawEllipse(QRectF(16, 13, 16, 15));
    p.drawRect(QRectF(19, 25, 10, 7));
    p.setBrush(QColor(30, 10, 10));
    p.drawEllipse(QPointF(20.5, 20.5), 2.6, 2.8);
    p.drawEllipse(QPointF(27.5, 20.5), 2.6, 2.8);
    p.drawRect(QRectF(21.5, 29, 1.2, 3));
    p.drawRect(QRectF(25.3, 29, 1.2, 3));
  } else if (name == "fast") {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (double x : {14.0, 24.0}) p.drawPolyline(QPolygonF({{x, 16}, {x + 8, 24}, {x, 32}}));
  } else if (name == "fall") {
    Arrow(p, {18, 12}, {18, 34}, 5);
    Arrow(p, {30, 12}, {30, 34}, 5);
  } else if (name == "small") {
    p.drawEllipse(c, 3.5, 3.5);
  } else if (name == "megaball") {
    for (int k = 0; k < 8; ++k) {
      double a = k * 2 * kPi / 8 + kPi / 8;
      p.drawEllipse(c + QPointF(std::sin(a) * 9, -std::cos(a) * 9), 2.4, 2.4);
    }
  } else if (name == "bigball") {
    QRadialGradient g(21, 20, 11);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(170, 180, 200));
    p.setPen(QPen(QColor(40, 40, 60), 1));
    p.setBrush(g);
    p.drawEllipse(c, 10, 10);
  } else if (name == "doublescore") {
    text("x2", bold);
  } else if (name == "gravityball") {
    p.drawEllipse(QPointF(24, 17), 4, 4);
    Arrow(p, {24, 23}, {24, 35}, 4);
  } else {
    text(name.substr(0, 2).c_str(), small);
  }
}

QImage Capsule(const std::string& name, int cls, const QRawFont& bold, const QRawFont& small) {
  const QColor body[3] = {QColor(40, 170, 70), QColor(200, 40, 40), QColor(220, 170, 40)};
  QColor base = body[cls];
  QImage img = NewImage(48, 48);
  {
    Painter p(&img);
    QRectF pill(2, 10, 44, 28);
    p.setPen(QPen(QColor(14, 12, 18), 2));
    QLinearGradient g(0, pill.top(), 0, pill.bottom());
    g.setColorAt(0, Shade(base, 1.5));
    g.setColorAt(0.35, base);
    g.setColorAt(1, Shade(base, 0.45));
    p.setBrush(g);
    p.drawRoundedRect(pill, 14, 14);
    // end caps in metal
    QLinearGradient m(0, pill.top(), 0, pill.bottom());
    m.setColorAt(0, QColor(240, 240, 250));
    m.setColorAt(0.5, QColor(150, 155, 170));
    m.setColorAt(1, QColor(70, 72, 84));
    p.setPen(Qt::NoPen);
    p.setBrush(m);
    p.setClipRect(QRectF(3, 11, 6, 26));
    p.drawRoundedRect(pill.adjusted(1, 1, -1, -1), 13, 13);
    p.setClipRect(QRectF(39, 11, 6, 26));
    p.drawRoundedRect(pill.adjusted(1, 1, -1, -1), 13, 13);
    p.setClipping(false);
    // gloss
    QLinearGradient hl(0, 12, 0, 22);
    hl.setColorAt(0, QColor(255, 255, 255, 150));
    hl.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(hl);
    p.drawRoundedRect(QRectF(9, 12, 30, 9), 4, 4);
    Symbol(p, name, bold, small);
  }
  FinishSprite(img);
  return img;
}

// ---- paddle ---------------------------------------------------------------

QImage PaddleFrame(int mode, int size, int anim) {
  const int w = pack::kPaddleWidths[size];
  const int bar = pack::kPaddleHeight;
  const int h = mode == 2 ? pack::kPaddleLaserHeight : bar;
  const int top = h - bar;
  QImage img = NewImage(w, h);
  {
    Painter p(&img);
    QRectF body(0.5, top + 0.5, w - 1, bar - 1);
    QColor cap = mode == 0 ? QColor(40, 120, 230) : mode == 1 ? QColor(40, 200, 90) : QColor(220, 50, 40);
    // silver bar
    QLinearGradient g(0, top, 0, top + bar);
    g.setColorAt(0, QColor(250, 250, 255));
    g.setColorAt(0.3, QColor(190, 196, 210));
    g.setColorAt(0.6, QColor(120, 126, 140));
    g.setColorAt(1, QColor(60, 62, 74));
    p.setPen(QPen(QColor(20, 20, 28), 1));
    p.setBrush(mode == 2 ? QBrush(QColor(150, 60, 56)) : QBrush(g));
    if (mode == 2) {
      QLinearGradient r(0, top, 0, top + bar);
      r.setColorAt(0, QColor(255, 180, 170));
      r.setColorAt(0.35, QColor(200, 60, 50));
      r.setColorAt(1, QColor(80, 16, 12));
      p.setBrush(r);
    }
    p.drawRoundedRect(body, bar / 2.0, bar / 2.0);
    // coloured end caps
    QLinearGradient cg(0, top, 0, top + bar);
    cg.setColorAt(0, Shade(cap, 1.6));
    cg.setColorAt(0.4, cap);
    cg.setColorAt(1, Shade(cap, 0.4));
    p.setBrush(cg);
    double capW = std::min(12.0, w * 0.18);
    p.setClipRect(QRectF(0, 0, capW, h));
    p.drawRoundedRect(body, bar / 2.0, bar / 2.0);
    p.setClipRect(QRectF(w - capW, 0, capW, h));
    p.drawRoundedRect(body, bar / 2.0, bar / 2.0);
    p.setClipping(false);
    // sweeping highlight
    double sx = (anim + 0.5) / 4.0 * w;
    QLinearGradient s(sx - 10, 0, sx + 10, 0);
    s.setColorAt(0, QColor(255, 255, 255, 0));
    s.setColorAt(0.5, QColor(255, 255, 255, 170));
    s.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(s);
    p.drawRect(QRectF(capW, top + 2, w - 2 * capW, 3));
    if (mode == 1) {
      // pulsing energy strip on top
      int a = 120 + 40 * anim;
      p.setBrush(QColor(120, 255, 150, a));
      p.drawRoundedRect(QRectF(capW, top + 1, w - 2 * capW, 2.5), 1, 1);
    }
    if (mode == 2) {
      // cannons at 0.85 of the half width from the centre
      for (int side = -1; side <= 1; side += 2) {
        double cx = w / 2.0 + side * 0.85 * w / 2.0;
        QLinearGradient cg2(cx - 2.5, 0, cx + 2.5, 0);
        cg2.setColorAt(0, QColor(90, 90, 100));
        cg2.setColorAt(0.5, QColor(230, 230, 240));
        cg2.setColorAt(1, QColor(70, 70, 80));
        p.setPen(QPen(QColor(20, 20, 28), 0.8));
        p.setBrush(cg2);
        p.drawRect(QRectF(cx - 2.5, 0.5, 5, top + 3));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 200 - 30 * anim, 120));
        p.drawRect(QRectF(cx - 1.2, 0.5, 2.4, 1.6));
      }
    }
  }
  FinishSprite(img);
  return img;
}

// ---- explosion and fire ---------------------------------------------------

QRgb Heat(double h, const std::vector<Rgb>& ramp) {
  int i = std::clamp(int(h * 255), 0, 255);
  Rgb c = ramp[i];
  return qRgba(c.r, c.g, c.b, 255);
}

QImage ExplosionFrame(int f, const std::vector<Rgb>& ramp) {
  const int S = pack::kExplosionSize;
  QImage img = NewImage(S, S);
  double t = f / double(pack::kExplosionFrames - 1);  // 0..1
  double radius = 8 + 38 * std::sqrt(t);
  double intensity = std::pow(1.0 - t, 0.9);
  double ring = 14 + 34 * std::pow(t, 0.6);
  for (int y = 0; y < S; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < S; ++x) {
      double dx = x + 0.5 - S / 2.0, dy = y + 0.5 - S / 2.0;
      double d = std::hypot(dx, dy);
      double ang = std::atan2(dy, dx);
      double n = Fbm(x * 0.09 + t * 3, y * 0.09 - t * 4, 4, 0, 77);
      double edge = radius * (0.8 + 0.4 * Fbm(std::cos(ang) * 2 + 5, std::sin(ang) * 2 + t * 2, 3, 0, 78));
      double core = std::clamp(1.0 - d / edge, 0.0, 1.0);
      double heat = std::pow(core, 0.7) * (0.55 + 0.8 * n) * intensity * 1.8;
      // shock ring in the first frames
      if (t < 0.35) {
        double rw = std::exp(-std::pow((d - ring) / 2.5, 2)) * (1.0 - t / 0.35);
        heat = std::max(heat, rw * 0.85);
      }
      if (heat > 0.12) {
        row[x] = Heat(std::min(1.0, heat), ramp);
      } else if (t > 0.3 && core > 0 && n > 0.5 + 0.25 * (t - 0.3) / 0.7) {
        // smoke: grey puffs that thin out, never below the key
        double puff = (n - 0.5) * 4;
        int g = int(std::clamp(50 + 70 * puff * (1.1 - t), 36.0, 110.0));
        row[x] = qRgba(g + 6, g + 2, g, 255);
      } else if (t > 0.5 && core > 0 && Fbm(x * 0.6, y * 0.6, 1, 0, 79 + f) > 0.93) {
        row[x] = qRgba(255, 140, 30, 255);  // ember
      }
    }
  }
  Dither555(img);
  KeySafe(img);
  return img;
}

QImage FireTexture(const std::vector<Rgb>& ramp) {
  const int S = pack::kExplosionSize;
  QImage img(S, S, QImage::Format_ARGB32);
  // Periodic noise with a period dividing the tile: seamless at 96.
  for (int y = 0; y < S; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < S; ++x) {
      double u = x / double(S) * 6, v = y / double(S) * 6;
      double warp = Fbm(u, v, 3, 6, 500) * 2.0;
      double n = Fbm(u + warp, v + warp * 0.5, 4, 6, 501);
      double h = std::clamp((n - 0.25) * 1.6, 0.05, 1.0);
      row[x] = Heat(0.25 + 0.75 * h, ramp);
    }
  }
  FinishOpaque(img);
  return img;
}

// ---- icons, boing, buttons ------------------------------------------------

QImage Thumb(bool lit) {
  const int S = pack::kScrollThumbSize;
  QImage img = NewImage(S, S);
  {
    Painter p(&img);
    QColor base = lit ? QColor(240, 170, 50) : QColor(150, 155, 170);
    QLinearGradient g(0, 0, 0, S);
    g.setColorAt(0, Shade(base, 1.5));
    g.setColorAt(0.5, base);
    g.setColorAt(1, Shade(base, 0.5));
    p.setPen(QPen(QColor(16, 16, 22), 1.2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, S - 2, S - 2), 5, 5);
    p.setPen(QPen(Shade(base, 0.45), 1.2));
    for (int k = 0; k < 3; ++k) p.drawLine(QPointF(7, 7.5 + 3.5 * k), QPointF(S - 7, 7.5 + 3.5 * k));
  }
  FinishSprite(img);
  return img;
}

QImage LocalIcon() {
  const int S = pack::kSourceIconSize;
  QImage img = NewImage(S, S);
  {
    Painter p(&img);
    p.setPen(QPen(QColor(20, 18, 12), 1));
    p.setBrush(QColor(220, 170, 60));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 10), 1.5, 1.5);
    p.setBrush(QColor(250, 210, 100));
    p.drawRoundedRect(QRectF(1.5, 2.5, 6, 3), 1, 1);
    p.drawRect(QRectF(1.5, 6.5, 13, 8));
  }
  FinishSprite(img);
  return img;
}

QImage CloudIcon() {
  const int S = pack::kSourceIconSize;
  QImage img = NewImage(S, S);
  {
    Painter p(&img);
    QPainterPath c;
    c.setFillRule(Qt::WindingFill);
    c.addEllipse(QRectF(1, 6, 7, 7));
    c.addEllipse(QRectF(4, 2.5, 8, 8));
    c.addEllipse(QRectF(8, 5, 7, 7));
    c.addRect(QRectF(4.5, 8, 7, 5));
    c = c.simplified();
    p.setPen(QPen(QColor(16, 24, 40), 1));
    QLinearGradient g(0, 2, 0, 13);
    g.setColorAt(0, QColor(250, 252, 255));
    g.setColorAt(1, QColor(130, 170, 220));
    p.setBrush(g);
    p.drawPath(c);
  }
  FinishSprite(img);
  return img;
}

QImage BoingFrame(int f) {
  const int S = pack::kBoingSize;
  QImage img = NewImage(S, S);
  {
    Painter p(&img);
    double phase = f / double(pack::kBoingFrames);
    double height = std::fabs(std::sin(phase * kPi));  // 0 on the floor
    double squash = height < 0.25 ? 1.0 - (0.25 - height) * 1.2 : 1.0;
    double rw = 11 / squash, rh = 11 * squash;
    double cy = S - 2 - rh - height * 8;
    QRadialGradient g(S / 2.0 - 3, cy - 4, 13);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(0.3, QColor(255, 120, 120));
    g.setColorAt(1, QColor(150, 20, 30));
    p.setPen(QPen(QColor(40, 8, 10), 1));
    p.setBrush(g);
    p.drawEllipse(QPointF(S / 2.0, cy), rw, rh);
  }
  FinishSprite(img);
  return img;
}

QImage Button(const std::string& label, bool hover, const QRawFont& face) {
  const int w = pack::kButtonWidth, h = pack::kButtonHeight;
  QImage img(w, h, QImage::Format_ARGB32);
  img.fill(QColor(10, 10, 14));
  {
    Painter p(&img);
    QRectF r(3.5, 4.5, w - 7, h - 9);
    if (hover) {
      // amber glow around the rim
      for (int k = 6; k >= 1; --k) {
        p.setPen(QPen(QColor(255, 170, 40, 26), k * 2));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r, 14, 14);
      }
    }
    QLinearGradient g(0, r.top(), 0, r.bottom());
    QColor base = hover ? QColor(84, 90, 110) : QColor(52, 56, 70);
    g.setColorAt(0, Shade(base, 1.6));
    g.setColorAt(0.48, base);
    g.setColorAt(0.52, Shade(base, 0.8));
    g.setColorAt(1, Shade(base, 0.45));
    p.setPen(QPen(hover ? QColor(255, 190, 70) : QColor(150, 155, 170), 2));
    p.setBrush(g);
    p.drawRoundedRect(r, 14, 14);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 11, 11);
    QPainterPath t = CenteredText(face, QString::fromStdString(label), r);
    DrawHeading(p, t, hover ? QColor(255, 230, 150) : QColor(235, 238, 245),
                hover ? QColor(240, 150, 40) : QColor(160, 168, 190), QColor(14, 14, 20), 1.5);
  }
  FinishOpaque(img);
  return img;
}

const QColor kRarityColours[5] = {QColor(150, 150, 160), QColor(60, 190, 80), QColor(60, 120, 230),
                                  QColor(170, 70, 220), QColor(240, 190, 50)};

QImage LockedCharm(int rarity) {
  const int S = pack::kLockedCharmSize;
  QImage img(S, S, QImage::Format_ARGB32);
  img.fill(QColor(12, 12, 16));
  {
    Painter p(&img);
    QColor c = kRarityColours[rarity];
    QLinearGradient g(0, 0, S, S);
    g.setColorAt(0, Shade(c, 1.6));
    g.setColorAt(0.5, c);
    g.setColorAt(1, Shade(c, 0.4));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(0, 0, S, S), 6, 6);
    // dark window for the charm
    QRadialGradient win(S / 2.0, S / 2.0, 30);
    win.setColorAt(0, QColor(40, 40, 52));
    win.setColorAt(1, QColor(14, 14, 20));
    p.setBrush(win);
    p.drawRoundedRect(QRectF(5, 5, 48, 48), 4, 4);
    // padlock
    p.setPen(QPen(QColor(110, 112, 124), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(21, 16, 16, 18), 0, 180 * 16);
    p.drawLine(QPointF(21, 25), QPointF(21, 28));
    p.drawLine(QPointF(37, 25), QPointF(37, 28));
    p.setPen(QPen(QColor(30, 30, 36), 1));
    QLinearGradient lg(0, 27, 0, 42);
    lg.setColorAt(0, QColor(150, 152, 164));
    lg.setColorAt(1, QColor(70, 72, 82));
    p.setBrush(lg);
    p.drawRoundedRect(QRectF(17, 27, 24, 16), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(24, 24, 30));
    p.drawEllipse(QPointF(29, 33), 2.5, 2.5);
    p.drawRect(QRectF(28, 33, 2, 5));
  }
  FinishOpaque(img);
  return img;
}

// ---- charms ---------------------------------------------------------------

QPainterPath CharmShape(int shape) {
  QPainterPath s;
  const QPointF c(24, 24);
  switch (shape) {
    case 0: s.addEllipse(c, 17, 17); break;  // circle
    case 1:
      s.addPolygon(QPolygonF({{24, 5}, {42, 24}, {24, 43}, {6, 24}}));
      s.closeSubpath();
      break;
    case 2: {  // star
      QPolygonF poly;
      for (int k = 0; k < 10; ++k) {
        double a = k * kPi / 5 - kPi / 2;
        double r = k % 2 ? 8.5 : 19;
        poly << c + QPointF(std::cos(a) * r, std::sin(a) * r + 1.5);
      }
      s.addPolygon(poly);
      s.closeSubpath();
      break;
    }
    case 3:  // heart
      s.moveTo(24, 41);
      s.cubicTo(2, 27, 8, 7, 18, 9);
      s.cubicTo(21, 9.5, 24, 13, 24, 15);
      s.cubicTo(24, 13, 27, 9.5, 30, 9);
      s.cubicTo(40, 7, 46, 27, 24, 41);
      break;
    case 4: {  // hexagon
      QPolygonF poly;
      for (int k = 0; k < 6; ++k) poly << c + QPointF(std::cos(k * kPi / 3) * 18, std::sin(k * kPi / 3) * 18);
      s.addPolygon(poly);
      s.closeSubpath();
      break;
    }
    case 5:  // shield
      s.moveTo(9, 8);
      s.lineTo(39, 8);
      s.cubicTo(40, 26, 33, 36, 24, 42);
      s.cubicTo(15, 36, 8, 26, 9, 8);
      break;
    case 6: {  // moon
      QPainterPath a, b;
      a.addEllipse(c, 18, 18);
      b.addEllipse(QPointF(32, 19), 14, 14);
      s = a.subtracted(b);
      break;
    }
    case 7: {  // clover
      s.setFillRule(Qt::WindingFill);
      s.addEllipse(QPointF(24, 14), 9, 9);
      s.addEllipse(QPointF(14, 25), 9, 9);
      s.addEllipse(QPointF(34, 25), 9, 9);
      s.addRect(QRectF(22.5, 28, 3, 14));
      s = s.simplified();
      break;
    }
    case 8:  // drop
      s.moveTo(24, 5);
      s.cubicTo(30, 16, 39, 23, 39, 30);
      s.cubicTo(39, 39, 31, 43, 24, 43);
      s.cubicTo(17, 43, 9, 39, 9, 30);
      s.cubicTo(9, 23, 18, 16, 24, 5);
      break;
    default:  // crown
      s.addPolygon(QPolygonF({{7, 38}, {7, 14}, {16, 24}, {24, 9}, {32, 24}, {41, 14}, {41, 38}}));
      s.closeSubpath();
      break;
  }
  return s;
}

const char* kShapeNames[10] = {"Orb",    "Diamond", "Star",   "Heart", "Hexagon",
                               "Shield", "Moon",    "Clover", "Drop",  "Crown"};
const char* kMaterialNames[8] = {"Ruby", "Emerald", "Sapphire", "Amethyst", "Amber", "Pearl", "Obsidian", "Golden"};
const QColor kMaterialColours[8] = {QColor(220, 30, 50),  QColor(30, 190, 90),  QColor(40, 90, 230),
                                    QColor(160, 60, 220), QColor(240, 150, 30), QColor(235, 230, 240),
                                    QColor(70, 66, 84),   QColor(240, 200, 60)};

QImage Charm(int shape, int material, int rarity) {
  QImage img = NewImage(pack::kCharmSize, pack::kCharmSize);
  {
    Painter p(&img);
    QPainterPath s = CharmShape(shape);
    QColor c = kMaterialColours[material];
    // rarity ornaments: a halo of rays behind the charm
    if (rarity >= 1) {
      QColor rc = kRarityColours[std::min(rarity, 4)];
      p.setPen(QPen(Shade(rc, 1.2), 1.5 + 0.4 * rarity, Qt::SolidLine, Qt::RoundCap));
      int rays = 4 + 2 * rarity;
      for (int k = 0; k < rays; ++k) {
        double a = k * 2 * kPi / rays;
        p.drawLine(QPointF(24 + std::cos(a) * 17, 24 + std::sin(a) * 17),
                   QPointF(24 + std::cos(a) * 23, 24 + std::sin(a) * 23));
      }
    }
    QRadialGradient g(18, 16, 26);
    g.setColorAt(0, Shade(c, 1.7));
    g.setColorAt(0.35, c);
    g.setColorAt(1, Shade(c, 0.35));
    p.setPen(QPen(rarity >= 4 ? QColor(255, 220, 90) : QColor(16, 14, 20), rarity >= 4 ? 2.2 : 1.6));
    p.setBrush(g);
    p.drawPath(s);
    // facets: lines from the centre to the shape's corners, lit one side
    p.setClipPath(s);
    p.setPen(Qt::NoPen);
    QConicalGradient facet(24, 24, 45);
    facet.setColorAt(0.0, QColor(255, 255, 255, 60));
    facet.setColorAt(0.25, QColor(0, 0, 0, 50));
    facet.setColorAt(0.5, QColor(255, 255, 255, 40));
    facet.setColorAt(0.75, QColor(0, 0, 0, 60));
    facet.setColorAt(1.0, QColor(255, 255, 255, 60));
    p.setBrush(facet);
    p.drawRect(0, 0, 48, 48);
    p.setClipping(false);
    // sparkle
    p.setPen(QPen(QColor(255, 255, 255, 230), 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 12), QPointF(17, 20));
    p.drawLine(QPointF(13, 16), QPointF(21, 16));
  }
  FinishSprite(img);
  return img;
}

}  // namespace

std::vector<NamedImage> PowerUpImages() {
  QRawFont bold = Face("DejaVuSans-Bold.ttf", 19);
  QRawFont small = Face("DejaVuSans-Bold.ttf", 12);
  std::vector<NamedImage> out;
  for (size_t i = 0; i < pack::kPowerUpNames.size(); ++i) {
    std::string name(pack::kPowerUpNames[i]);
    out.push_back({name, Capsule(name, pack::kPowerUpClass[i], bold, small)});
  }
  return out;
}

// The charm list: name_rarity, unique names, 16 common, 12 uncommon, 12 rare.
std::vector<NamedImage> CharmImages() {
  std::vector<NamedImage> out;
  for (int k = 0; k < pack::kCharmCount; ++k) {
    int rarity = k < 16 ? 0 : k < 28 ? 1 + (k - 16) % 3 : 4;
    int shape = (k * 3) % 10;
    int material = (k * 5 + k / 8) % 8;
    std::string name = std::string(kMaterialNames[material]) + kShapeNames[shape];
    out.push_back({name + "_" + std::to_string(rarity), Charm(shape, material, rarity)});
  }
  return out;
}

void GenerateGraphics(Pack& pack) {
  pack.Write("Graphics/PowerUps.img", ImageSetV2(PowerUpImages()));

  std::vector<NamedImage> paddle;
  for (int mode = 0; mode < 3; ++mode)
    for (int size = 4; size >= 0; --size)
      for (int anim = 0; anim < 4; ++anim)
        paddle.push_back({"paddle" + std::to_string(mode * 20 + (4 - size) * 4 + anim), PaddleFrame(mode, size, anim)});
  pack.Write("Graphics/Paddle.img", ImageSetV2(paddle));

  std::vector<Rgb> ramp = FireRamp();
  std::vector<NamedImage> boom;
  for (int f = 0; f < pack::kExplosionFrames; ++f)
    boom.push_back({"explosion" + std::to_string(f), ExplosionFrame(f, ramp)});
  boom.push_back({"fire", FireTexture(ramp)});
  pack.Write("Graphics/Explosion.img", ImageSetV2(boom));

  pack.Write("Graphics/Icons.img", ImageSetV2({{std::string(pack::kIconNames[0]), Thumb(false)},
                                               {std::string(pack::kIconNames[1]), Thumb(true)},
                                               {std::string(pack::kIconNames[2]), LocalIcon()},
                                               {std::string(pack::kIconNames[3]), CloudIcon()}}));

  std::vector<NamedImage> boing;
  for (int f = 0; f < pack::kBoingFrames; ++f) boing.push_back({"boing" + std::to_string(f), BoingFrame(f)});
  pack.Write("Graphics/Boing.img", ImageSetV2(boing));

  QRawFont face = Face("DejaVuSans-Bold.ttf", 28);
  std::vector<NamedImage> buttons;
  for (size_t b = 0; b < pack::kButtonLabels.size(); ++b) {
    std::string label(pack::kButtonLabels[b]);
    buttons.push_back({label, Button(label, false, face)});
    buttons.push_back({label + " lit", Button(label, true, face)});
  }
  pack.Write("Graphics/buttons.img", ImageSetV2(buttons));

  std::vector<NamedImage> locked;
  for (int r = 0; r < 5; ++r) locked.push_back({"locked" + std::to_string(r), LockedCharm(r)});
  pack.Write("Graphics/LockedCharms.img", ImageSetV2(locked));

  pack.Write(std::string(pack::kCharmSet), ImageSetV2(CharmImages()));

  GenerateBoardGraphics(pack);
}

}  // namespace vantrel::datagen
