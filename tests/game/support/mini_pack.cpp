#include "game/support/mini_pack.h"

#include <boost/filesystem.hpp>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "boardset/boardset.h"
#include "graphics/bitmap.h"
#include "graphics/imageset_writer.h"
#include "tools/datagen/pack_contract.h"
#include "tools/datagen/pack_writers.h"

namespace fs = boost::filesystem;
namespace dg = vantrel::datagen;
namespace pack = vantrel::pack;

namespace vantrel::test {

namespace {

Bitmap Flat(int w, int h, uint32_t rgb) {
  Bitmap b;
  if (!b.Create(w, h, 32)) throw std::runtime_error("out of memory");
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(b.pixels + size_t(y) * size_t(b.stride));
    for (int x = 0; x < w; ++x) row[x] = 0xFF000000u | rgb;
  }
  return b;
}

class Writer {
 public:
  Writer(const fs::path& root, const MiniPackOptions& options) : root_(root), options_(options) {}

  bool Wanted(const std::string& rel) const { return !options_.omit.count(rel); }

  void Bytes(const std::string& rel, std::vector<uint8_t> bytes) {
    if (!Wanted(rel)) return;
    if (options_.corrupt.count(rel)) {
      // Image sets get a bad magic; anything else becomes unreadable bytes.
      if (rel.size() > 4 && rel.compare(rel.size() - 4, 4, ".img") == 0) {
        for (size_t i = 0; i < 4 && i < bytes.size(); ++i) bytes[i] = 'X';
      } else {
        bytes.assign(64, 'X');
      }
    }
    const fs::path path = root_ / rel;
    fs::create_directories(path.parent_path());
    FILE* f = std::fopen(path.string().c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path.string());
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }

  // A 32-bit set of named images, each w x h in one colour.
  std::vector<uint8_t> Set(const std::string& rel, const std::vector<std::string>& names, int w, int h,
                           const std::vector<uint32_t>& colours) {
    std::vector<Bitmap> images;
    images.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) images.push_back(Flat(w, h, colours[i % colours.size()]));
    std::vector<ImageSetWriterEntry> entries;
    for (size_t i = 0; i < names.size(); ++i) entries.push_back({names[i], &images[i]});
    std::vector<uint8_t> out;
    if (!BuildImageSet(entries, out)) throw std::runtime_error("image-set writer refused " + rel);
    Bytes(rel, out);
    return out;
  }

  void Png(const std::string& rel, int w, int h, uint32_t rgb) {
    if (!Wanted(rel)) return;
    if (options_.corrupt.count(rel)) {
      Bytes(rel, std::vector<uint8_t>(64, 'X'));
      return;
    }
    const fs::path path = root_ / rel;
    fs::create_directories(path.parent_path());
    if (!Flat(w, h, rgb).SavePng(path)) throw std::runtime_error("cannot write " + rel);
  }

  // A font: one image per character 33..126, width by character.
  void Font(const std::string& stem, int height, bool eightBit, bool grey) {
    const std::string rel = "Fonts/" + stem + ".img";
    if (!eightBit || options_.fonts32.count(stem)) {
      std::vector<std::string> names;
      std::vector<Bitmap> images;
      for (int c = pack::kFontFirstChar; c <= pack::kFontLastChar; ++c) {
        names.push_back(std::string(1, char(c)));
        images.push_back(Flat(3 + c % 5, height, 0xE0E0E0));
      }
      std::vector<ImageSetWriterEntry> entries;
      for (size_t i = 0; i < names.size(); ++i) entries.push_back({names[i], &images[i]});
      std::vector<uint8_t> out;
      if (!BuildImageSet(entries, out)) throw std::runtime_error("image-set writer refused " + rel);
      Bytes(rel, std::move(out));
      return;
    }
    std::vector<dg::Rgb> palette(256);
    for (int i = 0; i < 256; ++i) {
      const uint8_t v = uint8_t(i);
      palette[size_t(i)] = grey ? dg::Rgb{v, v, v} : dg::Rgb{v, uint8_t(255 - v), uint8_t(v / 2)};
    }
    // Colour fonts: entry 0 is not black, so a step that blackens entries shows.
    if (!grey) palette[0] = {90, 90, 90};
    std::vector<dg::IndexedImage> images;
    for (int c = pack::kFontFirstChar; c <= pack::kFontLastChar; ++c) {
      dg::IndexedImage image;
      image.name = std::string(1, char(c));
      image.width = 3 + c % 5;
      image.height = height;
      image.pixels.assign(size_t(image.width) * size_t(height), 200);
      // A dark column (index 8: red below 16) and a see-through one.
      for (int y = 0; y < height; ++y) {
        image.pixels[size_t(y) * size_t(image.width)] = 8;
        image.pixels[size_t(y) * size_t(image.width) + size_t(image.width - 1)] = 0;
      }
      images.push_back(std::move(image));
    }
    Bytes(rel, dg::ImageSetV1(palette, images));
  }

 private:
  fs::path root_;
  const MiniPackOptions& options_;
};

std::vector<std::string> Numbered(const std::string& stem, int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back(stem + std::to_string(i));
  return names;
}

// The board set records the plain brick set's signature, whether or not
// that set is part of this pack.
void WriteBoardSet(const fs::path& root, Writer& w, const std::vector<uint8_t>& brickBytes) {
  const std::string rel = kBoardSetPath;
  if (!w.Wanted(rel)) return;
  BoardSet set;
  if (FILE* f = fmemopen(const_cast<uint8_t*>(brickBytes.data()), brickBytes.size(), "rb")) {
    set.LoadBrickSet(f, false);
    std::fclose(f);
  }
  set.brickSetPath = "Bricks.img";
  set.backgroundSetPath = "Backgrounds.img";
  set.columns = 20;
  set.title = "Castle";
  set.author = "Tests";
  set.version = pack::kBoardSetVersion;
  BoardRecord& board = set.boards[0];
  board.Clear();
  board.background = 0;
  for (int c = 0; c < 20; ++c) board.cells[c * BoardRecord::kRows + kExploRow] = kExploBrick;
  set.SetBoardCount(1);
  set.boardCount = 1;
  fs::create_directories((root / rel).parent_path());
  if (!set.Save(root / rel)) throw std::runtime_error("cannot save " + rel);
}

}  // namespace

uint32_t Through555(uint32_t rgb) {
  auto channel = [](uint32_t v) {
    const uint32_t five = v >> 3;
    return (five << 3) | (five >> 2);
  };
  const uint32_t r = channel((rgb >> 16) & 0xFF), g = channel((rgb >> 8) & 0xFF), b = channel(rgb & 0xFF);
  return (r << 16) | (g << 8) | b;
}

void WriteMiniPack(const fs::path& root, const MiniPackOptions& options) {
  fs::create_directories(root);
  Writer w(root, options);

  std::vector<std::string> powerUps(pack::kPowerUpNames.begin(), pack::kPowerUpNames.end());
  w.Set("Graphics/PowerUps.img", powerUps, 12, 12, {0x30C030, 0xC03030});
  w.Set("Graphics/Paddle.img", Numbered("paddle", pack::kPaddleFrames), 24, 8, {0xC0C0C0});
  w.Set("Graphics/Explosion.img", Numbered("explosion", pack::kExplosionFrames + 1), 16, 16, {0xF0A020});
  std::vector<std::string> icons(pack::kIconNames.begin(), pack::kIconNames.end());
  w.Set("Graphics/Icons.img", icons, 22, 22, {0x8080F0});
  w.Set("Graphics/Boing.img", Numbered("boing", pack::kBoingFrames), 8, 8, {0xF0F0F0});
  // Buttons: the normal and the hovered look of each pair in two colours.
  w.Set("Graphics/buttons.img", Numbered("button", pack::kButtonFrames), pack::kButtonWidth, pack::kButtonHeight,
        {0x2060C0, 0x60A0F0});
  w.Set("Graphics/LockedCharms.img", Numbered("locked", 5), 16, 16, {0x606060});

  for (const pack::FontSpec& font : pack::kFonts) {
    std::string stem(font.path.substr(6));
    stem = stem.substr(0, stem.size() - 4);
    w.Font(stem, font.version == 1 ? 12 : 10, font.version == 1, stem == "SysFont");
  }

  w.Png("Pictures/HighScores.png", 1280, 720, kHighScoresColour);
  w.Png("Pictures/splash.png", 1280, 720, kSplashColour);
  w.Png("Pictures/Charms.png", 1280, 720, kCharmsColour);
  w.Png("Pictures/BoardSelect.png", 1280, 720, kBoardSelectColour);
  w.Png("Pictures/TitlePowerups.png", 1280, 56, kTitlePowerupsColour);
  w.Png("Pictures/cursor.png", 32, 32, kCursorColour);
  w.Png("Pictures/ExitScreen.png", 1280, 720, kExitColour);
  {
    std::vector<dg::Rgb> palette(256, dg::Rgb{0, 0, 0});
    palette[1] = {uint8_t(kTitleScreenColour >> 16), uint8_t(kTitleScreenColour >> 8), uint8_t(kTitleScreenColour)};
    w.Bytes("Pictures/TitleScreen.bmp", dg::Bmp8Bytes(1280, 720, palette, std::vector<uint8_t>(1280 * 720, 1)));
  }

  for (std::string_view sound : pack::kSounds) {
    std::vector<uint8_t> samples(64);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i & 8 ? 160 : 96);
    w.Bytes(std::string(pack::kSoundFolder) + std::string(sound), dg::Wave8Bytes(samples, pack::kSampleRate));
  }
  for (const pack::ModuleSpec& module : pack::kModules) {
    dg::ModSample sample;
    sample.name = "square";
    sample.data.assign(32, 0);
    for (size_t i = 0; i < sample.data.size(); ++i) sample.data[i] = int8_t(i < 16 ? 40 : -40);
    sample.loopStart = 0;
    sample.loopLength = 32;
    dg::Pattern pattern;
    pattern.cells[0][0].sample = 1;
    pattern.cells[0][0].note = 12;
    w.Bytes(std::string(module.path), dg::ModBytes(std::string(module.title), {sample}, {pattern}, {0}));
  }

  std::vector<std::string> bricks;
  for (int n = 1; n <= pack::kBrickCount; ++n) bricks.push_back(std::string(pack::BrickName(n)));
  const std::vector<uint8_t> brickBytes = w.Set(std::string(pack::kBrickSet), bricks, pack::kBrickWidth,
                                                pack::kBrickHeight, {0xB04040, 0x40B040, 0x4040B0});
  // The classic bricks have one image fewer: another signature.
  std::vector<std::string> classic(bricks.begin(), bricks.end() - 1);
  w.Set(std::string(pack::kBrickSetClassic), classic, pack::kBrickWidth, pack::kBrickHeight, {0x806020});
  w.Set(std::string(pack::kBackgroundSet), Numbered("background", 2), 32, 32, {0x202830, 0x302820});
  WriteBoardSet(root, w, brickBytes);

  if (options.charmCount > 0) {
    std::vector<std::string> charms;
    for (int i = 0; i < options.charmCount; ++i)
      charms.push_back("charm" + std::to_string(i) + "_" + std::to_string(i % 5));
    w.Set(std::string(pack::kCharmSet), charms, 12, 12, {0xE040E0, 0x40E0E0});
  }
}

}  // namespace vantrel::test
