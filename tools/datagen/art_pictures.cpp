// Full-screen pictures (title, splash, high scores, board select, charm
// collection, exit), the title marquee and the mouse cursor.
#include <QLinearGradient>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "graphics/bitmap.h"
#include "tools/datagen/art.h"
#include "tools/datagen/pack_contract.h"

namespace vantrel::datagen {

using namespace art;

namespace {

constexpr double kPi = 3.14159265358979;

constexpr int SW = pack::kScreenWidth, SH = pack::kScreenHeight;

// Dark blue-violet backdrop: vertical gradient, soft clouds, vignette.
QImage Backdrop(uint32_t seed, QColor top, QColor bottom) {
  QImage img(SW, SH, QImage::Format_ARGB32);
  for (int y = 0; y < SH; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    QColor base = Mix(top, bottom, y / double(SH));
    for (int x = 0; x < SW; ++x) {
      double n = Fbm(x / 180.0, y / 180.0, 5, 0, seed);
      double dx = (x - SW / 2.0) / (SW / 2.0), dy = (y - SH / 2.0) / (SH / 2.0);
      double vig = 1.0 - 0.45 * std::min(1.0, dx * dx * 0.6 + dy * dy * 0.8);
      double f = (0.65 + 0.7 * n) * vig;
      row[x] = qRgba(std::clamp(int(base.red() * f), 0, 255), std::clamp(int(base.green() * f), 0, 255),
                     std::clamp(int(base.blue() * f), 0, 255), 255);
    }
  }
  return img;
}

// Arcade dressing behind the panels: soft light rays from the top, a few
// tumbling bricks in the lower corners and a glowing ball with its trail.
void Decor(QPainter& p, uint32_t seed) {
  Rng rng(seed);
  p.save();
  p.setPen(Qt::NoPen);
  for (int k = 0; k < 7; ++k) {
    double a = -1.1 + k * 0.37 + rng.Range(-0.05, 0.05);
    QPolygonF ray({{SW / 2.0, -40},
                   {SW / 2.0 + std::sin(a - 0.06) * 1500, std::cos(a - 0.06) * 1500},
                   {SW / 2.0 + std::sin(a + 0.06) * 1500, std::cos(a + 0.06) * 1500}});
    QLinearGradient g(SW / 2.0, 0, SW / 2.0, SH);
    g.setColorAt(0, QColor(160, 170, 255, 26));
    g.setColorAt(1, QColor(160, 170, 255, 0));
    p.setBrush(g);
    p.drawPolygon(ray);
  }
  const QColor colours[6] = {QColor(214, 40, 40), QColor(240, 200, 30), QColor(40, 170, 60),
                             QColor(40, 80, 210), QColor(150, 60, 200), QColor(240, 120, 24)};
  for (int k = 0; k < 14; ++k) {
    bool left = k % 2 == 0;
    double x = left ? rng.Range(20, 260) : rng.Range(SW - 300, SW - 60);
    double y = rng.Range(SH - 150, SH - 30);
    p.save();
    p.translate(x, y);
    p.rotate(rng.Range(-35, 35));
    QColor c = colours[rng.Below(6)];
    QLinearGradient g(0, -12, 0, 12);
    g.setColorAt(0, Shade(c, 1.4));
    g.setColorAt(1, Shade(c, 0.5));
    p.setBrush(g);
    p.setOpacity(0.55);
    p.drawRoundedRect(QRectF(-24, -12, 48, 24), 3, 3);
    p.restore();
  }
  // ball and trail
  QPointF ball(rng.Range(SW * 0.7, SW * 0.85), rng.Range(SH * 0.72, SH * 0.82));
  for (int k = 12; k >= 1; --k) {
    p.setBrush(QColor(140, 190, 255, 12 + 4 * (12 - k)));
    p.drawEllipse(ball + QPointF(-k * 14.0, k * 6.0), 9.0 - k * 0.4, 9.0 - k * 0.4);
  }
  QRadialGradient bg(ball - QPointF(3, 3), 12);
  bg.setColorAt(0, QColor(255, 255, 255));
  bg.setColorAt(1, QColor(120, 160, 230));
  p.setBrush(bg);
  p.drawEllipse(ball, 9, 9);
  p.restore();
}

// Bevelled, dark, calm panel where the code writes text.
void Panel(QPainter& p, QRectF r, QColor rim = QColor(120, 130, 170)) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 110));
  p.drawRoundedRect(r.translated(6, 8), 14, 14);
  QLinearGradient g(0, r.top(), 0, r.bottom());
  g.setColorAt(0, QColor(26, 28, 44));
  g.setColorAt(1, QColor(14, 15, 26));
  p.setBrush(g);
  p.setPen(QPen(rim, 2));
  p.drawRoundedRect(r, 14, 14);
  p.setPen(QPen(QColor(255, 255, 255, 40), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(4, 4, -4, -4), 11, 11);
  p.restore();
}

void Track(QPainter& p, QRectF r) {
  p.save();
  p.setPen(QPen(QColor(80, 86, 110), 1));
  p.setBrush(QColor(16, 16, 26));
  p.drawRoundedRect(r, 6, 6);
  p.restore();
}

void Heading(QPainter& p, const QString& text, double size, double centreX, double baseline,
             QColor top = QColor(255, 214, 110), QColor bottom = QColor(214, 110, 30)) {
  QRawFont face = Face("DejaVuSerif-Bold.ttf", size);
  QPainterPath path = TextPath(face, text, 0, baseline);
  path.translate(centreX - path.boundingRect().center().x(), 0);
  DrawHeading(p, path, top, bottom, QColor(20, 12, 8), size / 18.0);
}

void Logo(QPainter& p, QRectF band, double size, bool clipGlow = false) {
  // The word mark: bright, hot gold on the dark band so the flame effect
  // burning it reads well.
  QRawFont face = Face("DejaVuSerif-Bold.ttf", size);
  QPainterPath path = TextPath(face, "VANTREL", 0, 0);
  QRectF b = path.boundingRect();
  path.translate(band.center().x() - b.center().x(), band.center().y() - b.center().y());
  p.save();
  if (clipGlow) p.setClipRect(band);
  QRadialGradient glow(band.center(), band.width() / 2);
  glow.setColorAt(0, QColor(255, 140, 30, 90));
  glow.setColorAt(1, QColor(255, 80, 0, 0));
  p.setPen(Qt::NoPen);
  p.setBrush(glow);
  p.drawEllipse(band.center(), band.width() / 2, band.height() * 0.7);
  p.restore();
  DrawHeading(p, path, QColor(255, 246, 200), QColor(255, 150, 20), QColor(60, 20, 6), size / 20.0);
}

QImage TitlePicture() {
  QImage img = Backdrop(3001, QColor(34, 24, 60), QColor(14, 16, 36));
  {
    Painter p(&img);
    Decor(p, 4001);
    // logo band
    QRectF band(316, 93, 646, 108);
    p.fillRect(band, QColor(12, 10, 20));
    Logo(p, band, 92, true);
    // menu panel, calm and dark, under the option lines: the menu redraws
    // 782..1181 x 295..534 from this picture and its lines start at the
    // left and top edges, so the rim stands a margin outside that area
    Panel(p, QRectF(770, 283, 423, 263), QColor(200, 150, 70));
    // button bay on the left (buttons are drawn over it)
    Panel(p, QRectF(180, 306, 520, 197));
    QRawFont small = Face("DejaVuSans.ttf", 15);
    QPainterPath sub = CenteredText(small, "A brick-breaking arcade adventure", QRectF(316, 205, 646, 24));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 190, 220));
    p.drawPath(sub);
  }
  FinishOpaque(img);
  return img;
}

QImage SplashPicture() {
  QImage img = Backdrop(3002, QColor(20, 26, 50), QColor(10, 10, 22));
  {
    Painter p(&img);
    Decor(p, 4002);
    QRawFont maker = Face("DejaVuSans-Bold.ttf", 40);
    QPainterPath m = CenteredText(maker, "QUILLMARK", QRectF(0, 180, SW, 60));
    DrawHeading(p, m, QColor(220, 230, 255), QColor(120, 140, 200), QColor(10, 12, 30), 2);
    QRawFont presents = Face("DejaVuSans.ttf", 20);
    QPainterPath pr = CenteredText(presents, "presents", QRectF(0, 240, SW, 40));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 180, 210));
    p.drawPath(pr);
    Logo(p, QRectF(240, 300, 800, 170), 140);
  }
  FinishOpaque(img);
  return img;
}

QImage HighScoresPicture() {
  QImage img = Backdrop(3003, QColor(20, 30, 56), QColor(10, 12, 26));
  {
    Painter p(&img);
    Decor(p, 4003);
    Heading(p, "HIGH SCORES", 64, SW / 2.0, 140);
    Panel(p, QRectF(300, 170, 700, 430));
  }
  FinishOpaque(img);
  return img;
}

QImage CharmsPicture() {
  QImage img = Backdrop(3004, QColor(36, 20, 52), QColor(12, 10, 24));
  {
    Painter p(&img);
    Decor(p, 4004);
    Heading(p, "CHARM COLLECTION", 60, SW / 2.0, 150, QColor(250, 230, 255), QColor(190, 110, 240));
    Panel(p, QRectF(40, 196, 1168, 374), QColor(160, 120, 210));
    Track(p, QRectF(1219, 214, 22, 342));
  }
  FinishOpaque(img);
  return img;
}

QImage BoardSelectPicture() {
  QImage img = Backdrop(3005, QColor(18, 34, 46), QColor(10, 14, 22));
  {
    Painter p(&img);
    Decor(p, 4005);
    Panel(p, QRectF(30, 92, 1230, 510), QColor(90, 160, 170));
    Track(p, QRectF(1227, 122, 22, 470));
  }
  FinishOpaque(img);
  return img;
}

QImage ExitPicture() {
  QImage img = Backdrop(3006, QColor(40, 22, 30), QColor(12, 10, 20));
  {
    Painter p(&img);
    Decor(p, 4006);
    Logo(p, QRectF(240, 220, 800, 150), 120);
    Heading(p, "Thanks for playing!", 44, SW / 2.0, 460, QColor(235, 238, 255), QColor(150, 160, 210));
  }
  FinishOpaque(img);
  return img;
}

// The title marquee: a row of capsules over a dark strip. The game cycles
// the frames for as long as the title shows, so the animation is a closed
// loop: a wave runs along the row, lifting each capsule and catching a glint
// on it as it passes, and frame F would be frame 0 again. The strip starts
// kMarqueeClearRows below the top of each frame; the rows above it are the
// drawing key in every frame.
QImage Marquee(const std::vector<NamedImage>& capsules) {
  const int F = pack::kMarqueeFrames, H = pack::kMarqueeHeight, top = pack::kMarqueeClearRows, pitch = 64;
  const int band = H - top, size = 42, lift = 3;
  QImage img(SW, H * F, QImage::Format_ARGB32);
  img.fill(0);
  for (int f = 0; f < F; ++f) {
    QImage strip(SW, band, QImage::Format_ARGB32);
    QLinearGradient g(0, 0, 0, band);
    g.setColorAt(0, QColor(40, 40, 60));
    g.setColorAt(0.15, QColor(18, 18, 30));
    g.setColorAt(0.85, QColor(18, 18, 30));
    g.setColorAt(1, QColor(40, 40, 60));
    {
      Painter p(&strip);
      p.fillRect(0, 0, SW, band, g);
      for (int k = 0; k < SW / pitch; ++k) {
        // the wave travels one capsule every two frames: 8 capsules per loop
        double phase = 2 * kPi * (double(f) / F - k / 8.0);
        double up = std::sin(phase);
        QImage cap = capsules[size_t(k % int(capsules.size()))]
                         .image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                         .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        double glint = std::pow(std::max(0.0, up), 6.0);
        if (glint > 0.01) {
          Painter gp(&cap);
          gp.setCompositionMode(QPainter::CompositionMode_SourceAtop);
          gp.fillRect(cap.rect(), QColor(255, 255, 255, int(80 * glint)));
        }
        // keyed capsules over the strip: black parts leave the strip showing
        p.drawImage(k * pitch + (pitch - size) / 2, (band - size) / 2 - int(std::lround(lift * up)), cap);
      }
    }
    FinishOpaque(strip);
    Painter p(&img);
    p.drawImage(0, f * H + top, strip);
  }
  return img;
}

QImage Cursor() {
  QImage img = NewImage(32, 32);
  {
    Painter p(&img);
    QPolygonF arrow({{1, 1}, {1, 24}, {7, 18.5}, {11.5, 28}, {15.5, 26}, {11, 17}, {19, 17}});
    p.setPen(QPen(QColor(16, 16, 24), 2, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    QLinearGradient g(0, 0, 16, 28);
    g.setColorAt(0, QColor(255, 255, 255));
    g.setColorAt(1, QColor(190, 200, 220));
    p.setBrush(g);
    p.drawPolygon(arrow);
  }
  FinishSprite(img, QColor(16, 16, 24));
  // the tip pixel is the hot spot: keep it visible
  img.setPixel(0, 0, qRgba(16, 16, 24, 255));
  return img;
}

// TitleScreen.bmp: quantised to 8 bits with the project's quantiser, no
// palette entry packing to the key.
void WriteTitleBmp(Pack& pack, const std::string& rel, const QImage& img) {
  Bitmap rgb;
  if (!rgb.Create(img.width(), img.height(), 32)) throw std::runtime_error("out of memory");
  for (int y = 0; y < img.height(); ++y)
    std::memcpy(rgb.pixels + size_t(y) * rgb.stride, img.constScanLine(y), size_t(img.width()) * 4);
  Bitmap idx;
  uint8_t pal[256][4] = {};
  if (!rgb.ReduceTo8NeuQuant(&idx, pal) || idx.bpp != 8) throw std::runtime_error("quantiser failed");
  std::vector<Rgb> palette(256);
  for (int i = 0; i < 256; ++i) {
    Rgb c{pal[i][0], pal[i][1], pal[i][2]};
    if (c.r < 8 && c.g < 8 && c.b < 8) c.b = 8;
    palette[i] = c;
  }
  std::vector<uint8_t> pixels(size_t(img.width()) * img.height());
  for (int y = 0; y < img.height(); ++y)
    std::memcpy(&pixels[size_t(y) * img.width()], idx.pixels + size_t(y) * idx.stride, size_t(img.width()));
  pack.Write(rel, Bmp8Bytes(img.width(), img.height(), palette, pixels));
}

}  // namespace

void GeneratePictures(Pack& pack) {
  WritePng(pack, "Pictures/HighScores.png", HighScoresPicture());
  WritePng(pack, "Pictures/splash.png", SplashPicture());
  WritePng(pack, "Pictures/Charms.png", CharmsPicture());
  WritePng(pack, "Pictures/BoardSelect.png", BoardSelectPicture());
  WritePng(pack, "Pictures/TitlePowerups.png", Marquee(PowerUpImages()));
  WritePng(pack, "Pictures/cursor.png", Cursor());
  WriteTitleBmp(pack, "Pictures/TitleScreen.bmp", TitlePicture());
  WritePng(pack, "Pictures/ExitScreen.png", ExitPicture());
}

}  // namespace vantrel::datagen
