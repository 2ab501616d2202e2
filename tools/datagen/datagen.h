#pragma once
// Shared pieces of the data-pack generator: the seeded random source, the
// output folder, the key-colour and 5-5-5 rules every picture obeys, and the
// file writers.
#include <QImage>
#include <QColor>

#include <boost/filesystem.hpp>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tools/datagen/pack_writers.h"

namespace vantrel::datagen {

// 64-bit xorshift*: the same sequence on every machine and compiler.
class Rng {
 public:
  explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {
    if (s_ == 0) s_ = 1;
  }
  uint64_t Next() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return s_ * 0x2545F4914F6CDD1Dull;
  }
  // Uniform in [0, 1).
  double Unit() { return double(Next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [-1, 1).
  double Signed() { return Unit() * 2.0 - 1.0; }
  int Below(int n) { return n <= 0 ? 0 : int(Next() % uint64_t(n)); }
  double Range(double a, double b) { return a + (b - a) * Unit(); }

 private:
  uint64_t s_;
};

// The output tree. Every file goes through Write so the generator knows what
// it made; a file whose bytes are unchanged is not rewritten.
class Pack {
 public:
  explicit Pack(boost::filesystem::path root) : root_(std::move(root)) {}
  const boost::filesystem::path& Root() const { return root_; }
  boost::filesystem::path PathOf(const std::string& rel) const { return root_ / rel; }
  void Write(const std::string& rel, const Bytes& bytes);
  // For a file another writer put at PathOf(rel).
  void Record(const std::string& rel);
  const std::vector<std::string>& Written() const { return written_; }

 private:
  boost::filesystem::path root_;
  std::vector<std::string> written_;
};

// ---- pictures -------------------------------------------------------------

// An image entry of a set: a name and a 32-bit picture.
struct NamedImage {
  std::string name;
  QImage image;  // Format_ARGB32
};

// A blank 32-bit picture, fully transparent.
QImage NewImage(int w, int h);

// Sprite rule: pixels with alpha below the threshold become the key
// (0,0,0,0); the rest become opaque, their colour composited over `edge` so
// soft edges end in a deliberate dark rim instead of fading to the key.
void Binarize(QImage& img, QColor edge = QColor(14, 12, 18), int threshold = 110);
// Rounds every channel to the 5-5-5 screen through a 4x4 ordered dither so the
// upload reproduces gradients exactly.
void Dither555(QImage& img);
// Final pass: an opaque pixel never packs to the key (some channel >= 8), a
// transparent one is exactly (0,0,0,0).
void KeySafe(QImage& img);
// Sprites: Binarize + Dither555 + KeySafe.
void FinishSprite(QImage& img, QColor edge = QColor(14, 12, 18));
// Opaque pictures (full screen, tiles, bricks): Dither555 + KeySafe, alpha forced.
void FinishOpaque(QImage& img);

// ---- writers --------------------------------------------------------------

// Version-2 image set (32-bit pixels), through the project's image-set writer.
Bytes ImageSetV2(const std::vector<NamedImage>& images);
// PNG through the project's picture writer.
void WritePng(Pack& pack, const std::string& rel, const QImage& img);

// ---- the generators -------------------------------------------------------
void GenerateGraphics(Pack& pack);  // game image sets, bricks, backgrounds, charms
void GeneratePictures(Pack& pack);  // full-screen pictures, marquee, cursor
void GenerateFonts(Pack& pack);
void GenerateSounds(Pack& pack);
void GenerateMusic(Pack& pack);
void GenerateBoards(Pack& pack);
void WriteLicences(Pack& pack);

// Shared between the art and picture generators.
std::vector<NamedImage> PowerUpImages();
// Fonts, loaded once from the DejaVu files beside the system's font folder.
std::string FontPath(const char* file);

// The kind-0 fire ramp of the flame effect: index -> colour.
std::vector<Rgb> FireRamp();

}  // namespace vantrel::datagen
