#pragma once
// Drawing helpers for the art: periodic value noise, DejaVu faces as
// outlines, glossy shapes.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

#include <string>

#include "tools/datagen/datagen.h"

namespace vantrel::datagen::art {

// Value noise on an integer lattice; with a period > 0 it tiles every
// `period` units. Octave sum normalised into [0, 1].
double Noise2(double x, double y, int period, uint32_t seed);
double Fbm(double x, double y, int octaves, int period, uint32_t seed);

// A DejaVu face from the package folder at a pixel size, as an outline font
// (no hinting, so every machine rasterises the same shapes).
QRawFont Face(const char* file, double pixelSize);
// Outline of a text run with its baseline starting at (x, y).
QPainterPath TextPath(const QRawFont& face, const QString& text, double x, double y);
double TextAdvance(const QRawFont& face, const QString& text);
// Centred in a rectangle (vertically by cap height).
QPainterPath CenteredText(const QRawFont& face, const QString& text, const QRectF& box);

QColor Mix(const QColor& a, const QColor& b, double t);
QColor Shade(const QColor& c, double f);  // f < 1 darker, > 1 lighter

// A painter on an image with antialiasing on.
class Painter : public QPainter {
 public:
  explicit Painter(QImage* img) : QPainter(img) {
    setRenderHint(QPainter::Antialiasing, true);
    setRenderHint(QPainter::SmoothPixmapTransform, true);
  }
};

// Embossed text: dark outline, shadow, vertical gradient fill, light top edge.
void DrawHeading(QPainter& p, const QPainterPath& path, QColor top, QColor bottom, QColor outline,
                 double outlineWidth = 3.0);

}  // namespace vantrel::datagen::art
