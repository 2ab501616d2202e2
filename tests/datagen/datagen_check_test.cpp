// The pack check: every file the generator wrote into the game folder is read
// back through the game's own loaders and held against the shared list of
// names and numbers (tools/datagen/pack_contract.h).
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "audio/sound_bank.h"
#include "audio/wave_buffer.h"
#include "contact_sheet.h"
#include "core/data_files.h"
#include "boardset/boardset.h"
#include "graphics/bitfont.h"
#include "graphics/bitmap.h"
#include "graphics/flame.h"
#include "platform/debug.h"
#include "platform/seal/seal.h"
#include "support/test_support.h"
#include "tools/datagen/pack_contract.h"

namespace fs = boost::filesystem;
namespace pack = vantrel::pack;
using vantrel::datagen_check::IsKeyed;
using vantrel::datagen_check::RgbAt;

namespace {

const fs::path& Root() {
  static const fs::path root(VANTREL_PACK_DIR);
  return root;
}
std::string P(std::string_view rel) { return (Root() / std::string(rel)).string(); }

std::vector<uint8_t> ReadAll(const fs::path& p) {
  std::ifstream in(p.string(), std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The files the pack is made of: the contract's list.
std::vector<std::string> PackFiles() {
  std::vector<std::string> f;
  for (const auto& s : pack::kGameImageSets) f.emplace_back(s.path);
  for (const auto& s : pack::kFonts) f.emplace_back(s.path);
  for (const auto& s : pack::kPictures) f.emplace_back(s.path);
  for (auto s : {pack::kBrickSet, pack::kBrickSetClassic, pack::kBackgroundSet, pack::kBackgroundSetClassic,
                 pack::kCharmSet, pack::kLicenceFile})
    f.emplace_back(s);
  for (const auto& s : pack::kBoardSets) f.emplace_back(s.path);
  for (auto s : pack::kSounds) f.push_back(std::string(pack::kSoundFolder) + std::string(s));
  for (const auto& m : pack::kModules) f.emplace_back(m.path);
  for (const auto& m : pack::kInGameModules) f.emplace_back(m.path);
  return f;
}

// An 8- or 32-bit image uploaded to the game's 5-5-5 screen: the pixels the
// colour key drops must be exactly the transparent ones (alpha 0, or index 0
// of a palette image); an opaque pixel that packs to 0 would vanish.
void ExpectKeySafe(ImageSet& set, const std::string& what, bool allOpaque) {
  PixelFormat screen;
  screen.SetForDepth(16);
  ASSERT_TRUE(set.Upload(&screen)) << what;
  for (int i = 0; i < set.count; ++i) {
    Image* img = set.GetImage(i);
    const Bitmap* shown = img->GetFrame(1);
    ASSERT_EQ(shown->bpp, 16) << what << " image " << i;
    int bad = 0;
    for (int y = 0; y < img->height; ++y)
      for (int x = 0; x < img->width; ++x) {
        uint32_t raw = img->GetPixel(x, y);
        bool transparent = img->bpp == 8 ? raw == 0 : (raw >> 24) == 0;
        if (img->bpp == 32 && transparent) {
          EXPECT_EQ(raw, 0u) << what << ": a transparent pixel keeps colour";
        }
        bool keyed = shown->GetPixel(x, y) == 0;
        if (keyed != transparent || (allOpaque && transparent)) ++bad;
      }
    EXPECT_EQ(bad, 0) << what << " image " << i << " (" << std::string(set.GetName(i).data ? set.GetName(i).data : "")
                      << "): pixels whose key does not match their transparency";
  }
}

std::string NameOf(const ImageSet& set, int i) {
  CStr n = set.GetName(i);
  return n.data ? std::string(n.data, n.length) : std::string();
}

// ---- the tree --------------------------------------------------------------

TEST(DataPack, EveryListedFileExistsAndNoOtherDataFile) {
  std::set<std::string> listed;
  for (const std::string& f : PackFiles()) {
    listed.insert(f);
    EXPECT_TRUE(fs::is_regular_file(Root() / f)) << f;
  }
  // The recursive searches match file names anywhere under the root: a stray
  // or doubled data file would win over the pack's own.
  std::map<std::string, int> names;
  const std::set<std::string> dataExt = {".img", ".bdz", ".charms", ".png", ".bmp", ".wav", ".mod", ".xm", ".s3m"};
  for (fs::recursive_directory_iterator it(Root()), end; it != end; ++it) {
    if (!fs::is_regular_file(it->path())) continue;
    if (!dataExt.count(it->path().extension().string())) continue;
    std::string rel = fs::relative(it->path(), Root()).generic_string();
    EXPECT_TRUE(listed.count(rel)) << "unexpected data file " << rel;
    ++names[it->path().filename().string()];
  }
  for (const auto& [name, n] : names) EXPECT_EQ(n, 1) << name << " occurs " << n << " times";
}

TEST(DataPack, TheGameFindsEveryFileByTheNameItAsksFor) {
  // The names as the game's start-up, the board-set files and the editor
  // spell them; the search matches file names anywhere under the root, case
  // and all.
  DataFiles files;
  files.searchDirs = {Root()};
  for (const char* name : {"PowerUps.img",    "Paddle.img",           "Explosion.img",      "Icons.img",
                           "Boing.img",       "buttons.img",          "LockedCharms.img",   "StSmallFont.img",
                           "CandyFont.img",   "ChiselFont.img",       "VantrelBigFont.img", "SysFont.img",
                           "BrushedFont.img", "GreenBrushedFont.img", "HighScores.png",     "splash.png",
                           "Charms.png",      "BoardSelect.png",      "TitlePowerups.png",  "cursor.png",
                           "TitleScreen.bmp", "Bricks.img",           "Bricks_classic.img", "Backgrounds.img"}) {
    fs::path found = files.FindFile(name, true, true);
    EXPECT_TRUE(fs::is_regular_file(found)) << name;
    EXPECT_EQ(found.filename().string(), name);
  }
  // The editor opens its font by this path, flat, from the current folder.
  EXPECT_TRUE(fs::is_regular_file(Root() / "Fonts/SysFont.img"));
  // Board and charm sets are listed by their exact extensions.
  EXPECT_EQ(files.ListAll(".bdz", true).size(), pack::kBoardSets.size());
  EXPECT_EQ(files.ListAll(".charms", true).size(), 1u);
}

TEST(DataPack, TheGamesSoundBankLoadsEveryEffectAndSong) {
  // The sound bank opens its files relative to the current folder, by its own
  // list of names: every slot must fill.
  namespace seal = plat::seal;
  seal::SelectOutput(seal::Output::kNull);
  ASSERT_EQ(chdir(Root().c_str()), 0);
  plat::DebugCaptureScope capture;
  ASSERT_EQ(LoadSounds(), 1);
  EXPECT_EQ(soundBank.audioFailed, 0);
  EXPECT_EQ(soundBank.inGameModuleCount, int(pack::kInGameModules.size()));
  EXPECT_EQ(seal::GetCounts().modules, pack::kModules.size() + pack::kInGameModules.size());
  EXPECT_EQ(capture.text.find("Error loading module"), std::string::npos) << capture.text;
  ASSERT_EQ(soundSystem.GetSampleCount(), kSoundEffectCount);
  for (int k = 0; k < kSoundEffectCount; ++k) {
    EXPECT_GT(soundSystem.GetSampleLength(k), 32) << kSoundEffectFiles[k];
    EXPECT_EQ(soundSystem.GetSampleRate(k), pack::kSampleRate) << kSoundEffectFiles[k];
  }
  for (int m = 0; m < kFixedModuleCount + soundBank.inGameModuleCount; ++m) EXPECT_EQ(PlayMusic(m), 1) << m;
  StopMusic();
  ShutdownAudio();
}

// ---- game image sets --------------------------------------------------------
// ---- game image sets --------------------------------------------------------

TEST(DataPack, GameImageSetsLoadWithTheirCountsSizesAndKey) {
  for (const pack::ImageSetSpec& spec : pack::kGameImageSets) {
    SCOPED_TRACE(std::string(spec.path));
    ImageSet set;
    ASSERT_TRUE(set.Load(P(spec.path).c_str()));
    EXPECT_EQ(set.count, spec.count);
    for (int i = 0; i < set.count; ++i) {
      const Image* img = set.GetImage(i);
      EXPECT_GT(img->width, 0);
      EXPECT_GT(img->height, 0);
      EXPECT_EQ(img->bpp, spec.version == 1 ? 8 : 32);
      if (spec.width) {
        EXPECT_EQ(img->width, spec.width) << i;
      }
      if (spec.height) {
        EXPECT_EQ(img->height, spec.height) << i;
      }
    }
    bool opaque = std::string(spec.path) == "Graphics/buttons.img" ||
                  std::string(spec.path) == "Graphics/LockedCharms.img";
    ExpectKeySafe(set, std::string(spec.path), opaque);
  }
}

TEST(DataPack, StartUpResizesLeaveTheSetsUnchanged) {
  // The game resizes these sets at start-up; made at the final size, the
  // resize changes no pixel.
  for (auto [rel, w, h] : {std::tuple{"Graphics/PowerUps.img", pack::kPowerUpSize, pack::kPowerUpSize},
                           std::tuple{"Graphics/Explosion.img", pack::kExplosionSize, pack::kExplosionSize},
                           std::tuple{"Boards/Bricks.img", pack::kBrickWidth, pack::kBrickHeight}}) {
    ImageSet set, resized;
    ASSERT_TRUE(set.Load(P(rel).c_str())) << rel;
    ASSERT_TRUE(resized.Load(P(rel).c_str())) << rel;
    resized.Resize(w, h, true);
    for (int i = 0; i < set.count; ++i) {
      const Image* a = set.GetImage(i);
      const Image* b = resized.GetImage(i);
      ASSERT_EQ(b->width, w);
      ASSERT_EQ(b->height, h);
      int changed = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) changed += a->GetPixel(x, y) != b->GetPixel(x, y);
      EXPECT_EQ(changed, 0) << rel << " image " << i;
    }
  }
}

TEST(DataPack, PowerUpsAndIconsAreFoundByName) {
  ImageSet powerUps, icons;
  ASSERT_TRUE(powerUps.Load(P("Graphics/PowerUps.img").c_str()));
  for (auto name : pack::kPowerUpNames) EXPECT_GE(powerUps.IndexOf(std::string(name).c_str()), 0) << name;
  // The table's empty keyword must not find a picture (it is never dealt).
  EXPECT_LT(powerUps.IndexOf(""), 0);
  ASSERT_TRUE(icons.Load(P("Graphics/Icons.img").c_str()));
  for (auto name : pack::kIconNames) EXPECT_NE(icons.FindImage(std::string(name).c_str()), nullptr) << name;
  EXPECT_EQ(icons.FindImage("ScrollThumb")->height, pack::kScrollThumbSize);
  EXPECT_EQ(icons.FindImage("LocalBoard")->width, pack::kSourceIconSize);
}

TEST(DataPack, PaddleFramesFollowModeSizeAndAnimationAndScaleExactly) {
  ImageSet set;
  ASSERT_TRUE(set.Load(P("Graphics/Paddle.img").c_str()));
  ASSERT_EQ(set.count, pack::kPaddleFrames);
  for (int f = 0; f < set.count; ++f) {
    int mode = f / 20, size = 4 - (f % 20) / 4;
    const Image* img = set.GetImage(f);
    EXPECT_EQ(img->width, pack::kPaddleWidths[size]) << f;
    EXPECT_EQ(img->height, mode == 2 ? pack::kPaddleLaserHeight : pack::kPaddleHeight) << f;
    EXPECT_EQ(img->width % 2, 0);
    EXPECT_EQ(img->height % 2, 0);
    // The picture's width is the paddle's: its bottom row reaches both ends.
    int bottom = img->height - 3;
    EXPECT_NE(img->GetPixel(1, bottom) >> 24, 0u) << f;
    EXPECT_NE(img->GetPixel(img->width - 2, bottom) >> 24, 0u) << f;
  }
  ASSERT_TRUE(set.Scale(1.5f, false));
  EXPECT_EQ(set.GetImage(16)->width, pack::kPaddleWidths[0] * 3 / 2);
  EXPECT_EQ(set.GetImage(0)->height, pack::kPaddleHeight * 3 / 2);
  EXPECT_EQ(set.GetImage(40)->height, pack::kPaddleLaserHeight * 3 / 2);
}

TEST(DataPack, ExplosionEndsWithASeamlessOpaqueFireTexture) {
  ImageSet set;
  ASSERT_TRUE(set.Load(P("Graphics/Explosion.img").c_str()));
  ASSERT_EQ(set.count, pack::kExplosionFrames + 1);
  const Image* fire = set.GetImage(pack::kExplosionFrames);
  const int S = pack::kExplosionSize;
  double seam = 0, inner = 0;
  auto diff = [&](int x0, int y0, int x1, int y1) {
    uint32_t a = RgbAt(*fire, x0, y0), b = RgbAt(*fire, x1, y1);
    double d = 0;
    for (int s = 0; s < 24; s += 8) d += std::abs(int((a >> s) & 0xFF) - int((b >> s) & 0xFF));
    return d;
  };
  for (int k = 0; k < S; ++k) {
    EXPECT_FALSE(IsKeyed(RgbAt(*fire, k, k)));
    seam += diff(S - 1, k, 0, k) + diff(k, S - 1, k, 0);
    inner += diff(S / 2 - 1, k, S / 2, k) + diff(k, S / 2 - 1, k, S / 2);
  }
  // Across the wrap the texture changes no more than between neighbours inside.
  EXPECT_LT(seam, inner * 2.0 + S * 8);
  // The animation grows and fades: the first frame has less ink than the fifth.
  auto ink = [&](int f) {
    const Image* img = set.GetImage(f);
    int n = 0;
    for (int y = 0; y < img->height; ++y)
      for (int x = 0; x < img->width; ++x) n += (img->GetPixel(x, y) >> 24) != 0;
    return n;
  };
  EXPECT_LT(ink(0), ink(5));
  EXPECT_GT(ink(pack::kExplosionFrames / 2), ink(pack::kExplosionFrames - 1));
}

TEST(DataPack, ButtonsComeInNormalAndHoveredPairs) {
  ImageSet set;
  ASSERT_TRUE(set.Load(P("Graphics/buttons.img").c_str()));
  ASSERT_EQ(set.count, int(pack::kButtonLabels.size()) * 2);
  for (int b = 0; b < int(pack::kButtonLabels.size()); ++b) {
    EXPECT_EQ(NameOf(set, 2 * b), std::string(pack::kButtonLabels[size_t(b)]));
    // the hovered look differs from the normal one
    const Image* n = set.GetImage(2 * b);
    const Image* h = set.GetImage(2 * b + 1);
    int differ = 0;
    for (int y = 0; y < n->height; y += 3)
      for (int x = 0; x < n->width; x += 3) differ += n->GetPixel(x, y) != h->GetPixel(x, y);
    EXPECT_GT(differ, 100) << b;
  }
}

// ---- fonts ------------------------------------------------------------------

TEST(DataPack, FontsHoldEveryCharacterInCellsOfOneLineHeight) {
  for (const pack::FontSpec& spec : pack::kFonts) {
    SCOPED_TRACE(std::string(spec.path));
    BitFont font;
    ASSERT_TRUE(font.Load(P(spec.path).c_str()));
    ASSERT_GE(font.glyph[int('M')], 0);
    EXPECT_EQ(font.lineHeight, spec.lineHeight);
    for (int c = pack::kFontFirstChar; c <= pack::kFontLastChar; ++c) EXPECT_GE(font.glyph[c], 0) << c;
    if (spec.latin1) {
      for (int c : {0xC4, 0xC5, 0xD6, 0xE4, 0xE5, 0xF6}) EXPECT_GE(font.glyph[c], 0) << c;
    }
    for (int i = 0; i < font.count; ++i) {
      const Image* g = font.GetImage(i);
      EXPECT_EQ(g->height, spec.lineHeight) << i;
      EXPECT_GE(g->width, 1) << i;
      EXPECT_EQ(g->bpp, spec.version == 1 ? 8 : 32) << i;
    }
    ExpectKeySafe(font, std::string(spec.path), false);
  }
}

TEST(DataPack, PaletteFontsCarryTheIndicesTheGameRecolours) {
  // SysFont: grey ramp, index = brightness.
  BitFont sys, big, chisel;
  ASSERT_TRUE(sys.Load(P("Fonts/SysFont.img").c_str()));
  for (int i = 0; i < 256; ++i) EXPECT_EQ(sys.GetImage(1)->palette[i][0], i);
  // VantrelBigFont: glyph pixels are flame heat and stay visible through the fire ramp.
  ASSERT_TRUE(big.Load(P("Fonts/VantrelBigFont.img").c_str()));
  const Image* m = big.GetImage(big.glyph[int('M')]);
  int hot = 0;
  for (int y = 0; y < m->height; ++y)
    for (int x = 0; x < m->width; ++x) {
      uint32_t v = m->GetPixel(x, y);
      EXPECT_TRUE(v == 0 || v >= 8) << v;
      hot += v >= 200;
    }
  EXPECT_GT(hot, 20);
  EXPECT_EQ(m->palette[255][0], 255);
  EXPECT_EQ(m->palette[100][0], 200);  // the fire ramp: (2i, i, 0) below 128
  // ChiselFont: the first pixel of image 0 is the background, palette 0 black.
  ASSERT_TRUE(chisel.Load(P("Fonts/ChiselFont.img").c_str()));
  EXPECT_EQ(chisel.GetPixel(0, 0), 0u);
  EXPECT_EQ(chisel.palette[0][0] | chisel.palette[0][1] | chisel.palette[0][2], 0);
}

// Pixels of a font that hold ink (a non-zero index, or an opaque colour).
TEST(DataPack, OutlinedGlyphsKeepABlankColumnEachSide) {
  // The large outlined fonts leave a blank column on each side of every cell,
  // so ink in the first or last column means the letter or its outline went
  // on past the cell and was cut off. (The brushed fonts are cut tight to
  // their ink: their digits must fit the floating score's rectangle.)
  for (const char* path : {"Fonts/CandyFont.img", "Fonts/VantrelBigFont.img", "Fonts/ChiselFont.img"}) {
    SCOPED_TRACE(path);
    BitFont font;
    ASSERT_TRUE(font.Load(P(path).c_str()));
    for (int i = 0; i < font.count; ++i) {
      const Image* g = font.GetImage(i);
      auto inked = [g](int x, int y) { return g->bpp == 8 ? g->GetPixel(x, y) != 0 : (g->GetPixel(x, y) >> 24) != 0; };
      int cut = 0;
      for (int y = 0; y < g->height; ++y) cut += inked(0, y) + inked(g->width - 1, y);
      EXPECT_EQ(cut, 0) << "glyph " << i << " of width " << g->width;
    }
  }
}

int InkedPixels(ImageSet& font) {
  int n = 0;
  for (int i = 0; i < font.count; ++i) {
    const Image* g = font.GetImage(i);
    for (int y = 0; y < g->height; ++y)
      for (int x = 0; x < g->width; ++x) n += g->bpp == 8 ? g->GetPixel(x, y) != 0 : (g->GetPixel(x, y) >> 24) != 0;
  }
  return n;
}

TEST(DataPack, StartUpRecolouringKeepsEveryGlyphPixelVisible) {
  // The game recolours three fonts at start-up; none of their ink may turn
  // into the key on the way.
  // The big title font takes the flame's fire ramp; the file carries the same ramp.
  SetEffectPalette(0);
  const auto& ramp = gBackgroundEffect.ramp;
  BitFont big;
  ASSERT_TRUE(big.Load(P("Fonts/VantrelBigFont.img").c_str()));
  for (int i = 0; i < 256; ++i)
    for (int c = 0; c < 3; ++c) ASSERT_EQ(big.GetImage(1)->palette[i][c], ramp[i][c]) << "ramp entry " << i;
  for (int i = 0; i < big.count; ++i) big.GetImage(i)->SetPalette(ramp);
  ExpectKeySafe(big, "VantrelBigFont with the fire ramp", false);

  // The chisel font turns the palette entry of its first pixel black.
  BitFont chisel;
  ASSERT_TRUE(chisel.Load(P("Fonts/ChiselFont.img").c_str()));
  const uint32_t background = chisel.GetPixel(0, 0);
  for (int i = 0; i < chisel.count; ++i) {
    Image* g = chisel.GetImage(i);
    g->palette[background][0] = g->palette[background][1] = g->palette[background][2] = 0;
  }
  ExpectKeySafe(chisel, "ChiselFont after its background entry turns black", false);

  // sysFont: indices whose red is under 16 drop to 0, then the amber copy.
  BitFont sys;
  ASSERT_TRUE(sys.Load(P("Fonts/SysFont.img").c_str()));
  const int ink = InkedPixels(sys);
  uint8_t map[256];
  for (int i = 0; i < 256; ++i) map[i] = sys.GetImage(1)->palette[i][0] < 16 ? 0 : uint8_t(i);
  ASSERT_TRUE(sys.SetIndexMap(map));
  ASSERT_TRUE(sys.RemapToPalette(nullptr));
  EXPECT_EQ(InkedPixels(sys), ink) << "sysFont loses ink to the dark-index remap";
  BitFont amber;
  amber.CopyFrom(sys);
  uint8_t amberPalette[256][4] = {};
  for (int i = 0; i < 256; ++i) {
    const int r = amber.GetImage(1)->palette[i][0];
    amberPalette[i][0] = uint8_t(std::min(255, 2 * r));
    amberPalette[i][1] = uint8_t(r);
    amberPalette[i][2] = uint8_t(r / 4);
  }
  for (int i = 0; i < amber.count; ++i) amber.GetImage(i)->SetPalette(amberPalette);
  ExpectKeySafe(amber, "amber sysFont", false);

  // sysFontGlow: every pixel becomes its brightness, then the smear pass.
  BitFont glow;
  ASSERT_TRUE(glow.Load(P("Fonts/SysFont.img").c_str()));
  for (int i = 0; i < 256; ++i) {
    const uint8_t* e = glow.GetImage(1)->palette[i];
    map[i] = uint8_t((e[0] + e[1] + e[2]) / 3);
  }
  ASSERT_TRUE(glow.SetIndexMap(map));
  ASSERT_TRUE(glow.RemapToPalette(nullptr));
  EXPECT_EQ(InkedPixels(glow), ink) << "the glow font loses ink to the brightness remap";
}

TEST(DataPack, FloatingScoreDigitsFitTheirDirtyRectangle) {
  for (const char* path : {"Fonts/BrushedFont.img", "Fonts/GreenBrushedFont.img"}) {
    BitFont font;
    ASSERT_TRUE(font.Load(P(path).c_str()));
    for (char c : std::string("0123456789-")) {
      ASSERT_GE(font.glyph[int(uint8_t(c))], 0) << path << " " << c;
      EXPECT_LE(font.GetImage(font.glyph[int(uint8_t(c))])->width, pack::kMaxBrushedDigitAdvance) << path << " " << c;
    }
    font.SetSpacing(2, 0, 0, 0, 6);
    EXPECT_LE(font.TextWidth("99999"), 62) << path;
  }
}

// ---- pictures ---------------------------------------------------------------

TEST(DataPack, PicturesHaveTheirSizesAndKeyColourOnlyAboveTheMarquee) {
  for (const pack::PictureSpec& spec : pack::kPictures) {
    SCOPED_TRACE(std::string(spec.path));
    Bitmap bmp;
    uint8_t pal[256][4] = {};
    std::string path(spec.path);
    if (fs::path(path).extension() == ".bmp") {
      ASSERT_TRUE(Bitmap::LoadBmpFile(P(path), &bmp, pal));
      EXPECT_EQ(bmp.bpp, 8);
      ASSERT_TRUE(bmp.ToRGB32(pal));
    } else {
      bmp.LoadWithGdiplus(P(path));
    }
    ASSERT_EQ(bmp.width, spec.width);
    ASSERT_EQ(bmp.height, spec.height);
    if (path == "Pictures/cursor.png") {
      EXPECT_FALSE(IsKeyed(bmp.GetPixel(0, 0) & 0xFFFFFF));  // the tip is the hot spot
      continue;
    }
    // The marquee's first rows of each frame are the key, and only they:
    // the menu's version text shows through them.
    const bool marquee = path == "Pictures/TitlePowerups.png";
    int keyed = 0, wrong = 0;
    for (int y = 0; y < bmp.height; ++y)
      for (int x = 0; x < bmp.width; ++x) {
        const bool isKey = IsKeyed(bmp.GetPixel(x, y) & 0xFFFFFF);
        keyed += isKey;
        wrong += isKey != (marquee && y % pack::kMarqueeHeight < pack::kMarqueeClearRows);
      }
    EXPECT_EQ(wrong, 0) << keyed << " keyed pixels";
  }
}

TEST(DataPack, TitleMarqueeLoopsWithoutAJump) {
  // The title screen cycles the marquee frames for as long as it shows: the
  // step from the last frame back to the first is no bigger than any other.
  Bitmap sheet;
  sheet.LoadWithGdiplus(P("Pictures/TitlePowerups.png"));
  ASSERT_EQ(sheet.height, pack::kMarqueeHeight * pack::kMarqueeFrames);
  auto step = [&](int a, int b) {
    double d = 0;
    for (int y = 0; y < pack::kMarqueeHeight; ++y)
      for (int x = 0; x < sheet.width; ++x) {
        uint32_t p = sheet.GetPixel(x, a * pack::kMarqueeHeight + y),
                 q = sheet.GetPixel(x, b * pack::kMarqueeHeight + y);
        for (int s = 0; s < 24; s += 8) d += std::abs(int((p >> s) & 0xFF) - int((q >> s) & 0xFF));
      }
    return d;
  };
  double largest = 0;
  for (int f = 0; f + 1 < pack::kMarqueeFrames; ++f) {
    double d = step(f, f + 1);
    EXPECT_GT(d, 0) << "frames " << f << " and " << f + 1 << " are the same";
    largest = std::max(largest, d);
  }
  EXPECT_LE(step(pack::kMarqueeFrames - 1, 0), largest * 1.1);
}

TEST(DataPack, TitleScreenHasABrightLogoBandOverACalmMenuPanel) {
  Bitmap bmp;
  uint8_t pal[256][4] = {};
  ASSERT_TRUE(Bitmap::LoadBmpFile(P("Pictures/TitleScreen.bmp"), &bmp, pal));
  ASSERT_TRUE(bmp.ToRGB32(pal));
  auto mean = [&](int x0, int y0, int w, int h, double* spread) {
    double sum = 0, sq = 0;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x) {
        uint32_t c = bmp.GetPixel(x, y);
        double v = ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
        sum += v;
        sq += v * v;
      }
    double n = double(w) * h, m = sum / n;
    *spread = std::sqrt(std::max(0.0, sq / n - m * m));
    return m;
  };
  double logoSpread = 0, panelSpread = 0;
  double logo = mean(316, 93, 646, 108, &logoSpread);
  double panel = mean(800, 320, 360, 190, &panelSpread);
  // Rows upside down would put the dark panel's top into the band.
  EXPECT_GT(logo, panel * 2.0);
  EXPECT_LT(panelSpread, 30.0);  // calm under the option lines
  // The option lines start at the left and top edges of the area the menu
  // redraws (782..1181 x 295..534): the panel's bright rim stays outside it.
  int rimPixels = 0;
  for (int y = 295; y <= 534; ++y)
    for (int x = 782; x <= 1181; ++x) {
      const uint32_t c = bmp.GetPixel(x, y);
      rimPixels += ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) > 250;
    }
  EXPECT_EQ(rimPixels, 0);
}

// ---- board-set graphics and board sets --------------------------------------

TEST(DataPack, BrickSetsShareNamesAndGiveEveryKindItsRun) {
  BoardSet set, classic;
  for (auto [target, rel] : {std::pair{&set, pack::kBrickSet}, std::pair{&classic, pack::kBrickSetClassic}}) {
    std::FILE* f = std::fopen(P(rel).c_str(), "rb");
    ASSERT_NE(f, nullptr) << rel;
    EXPECT_TRUE(target->LoadBrickSet(f, false));
    std::fclose(f);
    ImageSet& b = target->bricks;
    ASSERT_EQ(b.count, pack::kBrickCount);
    for (int n = 1; n <= b.count; ++n) EXPECT_EQ(NameOf(b, n - 1), std::string(pack::BrickName(n))) << n;
    ExpectKeySafe(b, std::string(rel), true);
  }
  EXPECT_EQ(set.bricks.ComputeSignature(), classic.bricks.ComputeSignature());
  const int32_t* kind = set.brickKind;
  for (int n = pack::kFirstExplo; n < pack::kFirstExplo + pack::kExploFrames; ++n) EXPECT_EQ(kind[n], kBrickExplo);
  EXPECT_NE(kind[pack::kFirstExplo - 1], kBrickExplo);
  // multi runs of 3, 2 and 4 stages, each closed by a non-multi brick
  for (auto [first, len] :
       {std::pair{pack::kMulti3First, 3}, std::pair{pack::kMulti2First, 2}, std::pair{pack::kMulti4First, 4}}) {
    EXPECT_NE(kind[first - 1], kBrickMulti);
    for (int k = 0; k < len; ++k) EXPECT_EQ(kind[first + k], kBrickMulti);
    EXPECT_NE(kind[first + len], kBrickMulti);
  }
  EXPECT_EQ(kind[pack::kAlmostInvin], kBrickAlmostInvin);
  EXPECT_EQ(kind[pack::kInvin], kBrickInvin);  // the next invin after the almost-hard one
  EXPECT_EQ(kind[pack::kZapped], kBrickZapped);
  EXPECT_EQ(kind[pack::kHidden], kBrickHidden);
  // Searched kinds never rely on the last brick number (kind searches skip it).
  EXPECT_EQ(kind[pack::kBrickCount], kBrickHidden);
}

TEST(DataPack, BackgroundTilesAreOpaqueAndSeamless) {
  ImageSet set;
  ASSERT_TRUE(set.Load(P(pack::kBackgroundSet).c_str()));
  ASSERT_EQ(set.count, pack::kBackgroundCount);
  for (int i = 0; i < set.count; ++i) {
    const Image* t = set.GetImage(i);
    ASSERT_EQ(t->width, pack::kBackgroundTile);
    double seam = 0, inner = 0;
    for (int y = 0; y < t->height; ++y) {
      auto d = [&](int x0, int x1) {
        uint32_t a = RgbAt(*t, x0, y), b = RgbAt(*t, x1, y);
        return std::abs(int(a & 0xFF) - int(b & 0xFF)) + std::abs(int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF));
      };
      seam += d(t->width - 1, 0);
      inner += d(t->width / 2 - 1, t->width / 2);
    }
    EXPECT_LT(seam, inner * 2.5 + t->height * 10) << NameOf(set, i);
  }
  ExpectKeySafe(set, "backgrounds", true);
}

class BoardSetFiles : public ::testing::TestWithParam<pack::BoardSetSpec> {};

}  // namespace

namespace vantrel::pack {
void PrintTo(const BoardSetSpec& spec, std::ostream* os) { *os << spec.path; }
}  // namespace vantrel::pack

namespace {

TEST_P(BoardSetFiles, LoadsScrambledWithMatchingSignatureAndPlayableBoards) {
  const pack::BoardSetSpec& spec = GetParam();
  std::vector<uint8_t> raw = ReadAll(P(spec.path));
  ASSERT_GT(raw.size(), 4u);
  EXPECT_NE(std::string(raw.begin(), raw.begin() + 4), "BDST");  // shipped scrambled

  for (bool classic : {false, true}) {
    GetBoardSetHost().classicTextures = [classic] { return classic; };
    DataFiles files;
    files.searchDirs = {Root()};
    ASSERT_NE(files.Open(P(spec.path)), nullptr);
    BoardSet set;
    ASSERT_NO_THROW(set.Load(files, false, ""));
    EXPECT_EQ(set.version, pack::kBoardSetVersion);
    EXPECT_EQ(set.boardCount, spec.boards);
    EXPECT_EQ(set.columns, spec.columns);
    EXPECT_EQ(set.title, std::string(spec.title));
    EXPECT_EQ(set.author, std::string(spec.author));
    EXPECT_EQ(set.sortOrder, spec.sortOrder);
    // the editor's limits on its two text fields
    EXPECT_LE(set.title.size(), 32u);
    EXPECT_LE(set.author.size(), 32u);
    EXPECT_EQ(set.notes, std::string(spec.notes));
    EXPECT_FALSE(set.IsLocked());
    // The wide set shares the achievement of its narrow partner.
    EXPECT_EQ(set.GetAchievementName(), "Ach_starter");
    // The game checks the signature against the brick set it finds.
    bool loaded = false;
    ASSERT_NO_THROW(loaded = set.LoadImageSets(files, true)) << (classic ? "classic" : "");
    ASSERT_TRUE(loaded);
    ASSERT_EQ(set.bricks.count, pack::kBrickCount);
    for (int b = 0; b < set.boardCount; ++b) {
      set.SetCurrentBoard(b);
      EXPECT_LT(int(set.boards[b].background), set.backgrounds.count) << b;
      int breakable = 0, cells = 0;
      for (int c = 0; c < set.columns; ++c)
        for (int r = 0; r < pack::kBoardRows; ++r) {
          int32_t v = set.GetCell(c, r);
          EXPECT_TRUE(v >= 0 && v <= set.bricks.count) << "board " << b << " cell " << c << "," << r;
          if (r >= pack::kUsedRows) {
            EXPECT_EQ(v, 0);
          }
          if (v > 0) ++cells, breakable += set.brickKind[v] != kBrickInvin;
        }
      // A charm needs an empty cell with an empty cell below it, in rows 0..14
      // (hidden bricks are concealed when the board starts, so they count as bricks).
      bool charmSpot = false;
      for (int r = 0; r < 15 && !charmSpot; ++r)
        for (int c = 0; c < set.columns && !charmSpot; ++c)
          charmSpot = set.GetCell(c, r) == 0 && set.GetCell(c, r + 1) == 0;
      EXPECT_TRUE(charmSpot) << "board " << b << " has no room for a charm";
      EXPECT_GT(breakable, 0) << b;
      EXPECT_GE(breakable * 10, cells * 6) << "board " << b << ": under 60% breakable";
    }
  }
  GetBoardSetHost().classicTextures = nullptr;
}

INSTANTIATE_TEST_SUITE_P(DataPack, BoardSetFiles, ::testing::ValuesIn(pack::kBoardSets),
                         [](const auto& info) { return fs::path(std::string(info.param.path)).stem().string(); });

TEST(DataPack, StarterSetUsesEveryBrickKind) {
  DataFiles files;
  files.searchDirs = {Root()};
  ASSERT_NE(files.Open(P(pack::kBoardSets[0].path)), nullptr);
  BoardSet set;
  set.Load(files, false, "");
  ASSERT_TRUE(set.LoadImageSets(files, true));
  std::set<int> kinds;
  for (int b = 0; b < set.boardCount; ++b)
    for (int32_t v : set.boards[b].cells)
      if (v > 0) kinds.insert(set.brickKind[v]);
  for (int k : {kBrickPlain, kBrickExplo, kBrickInvin, kBrickAlmostInvin, kBrickMulti, kBrickHidden})
    EXPECT_TRUE(kinds.count(k)) << "kind " << k;
}

// ---- charms -----------------------------------------------------------------

TEST(DataPack, CharmSetHasUniqueNamesWithRarities) {
  ImageSet set;
  ASSERT_TRUE(set.Load(P(pack::kCharmSet).c_str()));
  ASSERT_EQ(set.count, pack::kCharmCount);
  std::set<std::string> names;
  int byRarity[5] = {};
  for (int i = 0; i < set.count; ++i) {
    std::string n = NameOf(set, i);
    size_t us = n.find('_');
    ASSERT_NE(us, std::string::npos) << n;
    EXPECT_TRUE(names.insert(n.substr(0, us)).second) << "duplicate charm " << n;
    int rarity = std::atoi(n.c_str() + us + 1);
    ASSERT_TRUE(rarity >= 0 && rarity <= 4) << n;
    ++byRarity[rarity];
    EXPECT_EQ(set.GetImage(i)->width, pack::kCharmSize);
    EXPECT_EQ(set.GetImage(i)->height, pack::kCharmSize);
  }
  EXPECT_GT(byRarity[0], 0);
  EXPECT_GT(byRarity[1] + byRarity[2] + byRarity[3], 0);
  EXPECT_GT(byRarity[4], 0);
  ExpectKeySafe(set, "charms", false);
}

// ---- sounds and music ---------------------------------------------------------

TEST(DataPack, SoundEffectsAreShortCleanEightBitMono) {
  for (size_t k = 0; k < pack::kSounds.size(); ++k) {
    std::string rel = std::string(pack::kSoundFolder) + std::string(pack::kSounds[k]);
    SCOPED_TRACE(rel);
    WaveBuffer w;
    ASSERT_NE(w.Load(P(rel).c_str()), 0);
    EXPECT_EQ(w.format.formatTag, 1);
    EXPECT_EQ(w.format.channels, 1);
    EXPECT_EQ(w.format.bitsPerSample, 8);
    EXPECT_EQ(int(w.format.samplesPerSec), pack::kSampleRate);
    ASSERT_GT(w.sizeBytes, 32);
    EXPECT_EQ(w.sizeBytes % 2, 0);
    int lo = 255, hi = 0, clipped = 0;
    for (int i = 0; i < w.sizeBytes; ++i) {
      lo = std::min<int>(lo, w.samples[i]);
      hi = std::max<int>(hi, w.samples[i]);
      clipped += w.samples[i] == 0 || w.samples[i] == 255;
    }
    EXPECT_GT(hi - lo, 90) << "too quiet";
    // About -6 dBFS at the peak, so that a few effects at full volume played at
    // once (thunder three times over) do not clip in the mixer.
    EXPECT_LE(std::max(hi - 128, 128 - lo), 72) << "no headroom for stacked effects";
    EXPECT_EQ(clipped, 0);
    if (int(k) == pack::kLoopedSound) {
      // looped over its whole length: the wrap is no bigger a step than the sound's own
      double steps = 0;
      for (int i = 1; i < w.sizeBytes; ++i) steps += std::abs(int(w.samples[i]) - int(w.samples[i - 1]));
      double meanStep = steps / (w.sizeBytes - 1);
      EXPECT_LE(std::abs(int(w.samples[0]) - int(w.samples[w.sizeBytes - 1])), std::max(4.0, meanStep * 4));
    } else {
      // faded ends: no click at the start or end
      EXPECT_LE(std::abs(int(w.samples[0]) - 128), 3);
      EXPECT_LE(std::abs(int(w.samples[w.sizeBytes - 1]) - 128), 3);
    }
  }
}

TEST(DataPack, FixedSongsAreWellFormedFourChannelMods) {
  // Players are lenient with short or padded files; the game's four fixed
  // songs must be exact "M.K." modules.
  for (const pack::ModuleSpec& spec : pack::kModules) {
    SCOPED_TRACE(std::string(spec.path));
    std::vector<uint8_t> b = ReadAll(P(spec.path));
    ASSERT_GE(b.size(), 1084u);
    EXPECT_EQ(std::string(b.begin() + 1080, b.begin() + 1084), "M.K.");
    int songLength = b[950];
    ASSERT_TRUE(songLength >= 1 && songLength <= 128);
    int patterns = 0;
    for (int i = 0; i < 128; ++i) patterns = std::max(patterns, b[952 + i] + 1);
    size_t samples = 0;
    for (int s = 0; s < 31; ++s) {
      const uint8_t* h = &b[20 + 30 * s];
      size_t words = size_t(h[22]) << 8 | h[23];
      size_t loopStart = size_t(h[26]) << 8 | h[27], loopLength = size_t(h[28]) << 8 | h[29];
      EXPECT_LE(h[25], 64) << "volume of sample " << s;
      if (loopLength > 1) {
        EXPECT_LE(loopStart + loopLength, words) << "loop of sample " << s;
      }
      samples += words * 2;
    }
    EXPECT_EQ(b.size(), 1084 + size_t(patterns) * 1024 + samples);
    // Speed 6 and the song's tempo are set on the first row.
    std::set<int> firstRows;
    for (int row = 0; row < 2; ++row)
      for (int ch = 0; ch < 4; ++ch) {
        const uint8_t* cell = &b[1084 + size_t(b[952]) * 1024 + size_t(row) * 16 + size_t(ch) * 4];
        if ((cell[2] & 0x0F) == 0xF) firstRows.insert(cell[3]);
      }
    EXPECT_TRUE(firstRows.count(spec.bpm)) << "tempo";
    EXPECT_TRUE(firstRows.count(6)) << "speed";
  }
}

TEST(DataPack, ModulesLoadAndPlayForAMinuteBeforeTheyLoop) {
  namespace seal = plat::seal;
  seal::SelectOutput(seal::Output::kNull);
  seal::DeviceDesc desc;
  desc.format = seal::kFormat16Bit | seal::kFormatStereo;
  desc.rate = 22050;
  ASSERT_EQ(seal::OpenDevice(&desc), seal::kOk);
  std::vector<pack::ModuleSpec> all(pack::kModules.begin(), pack::kModules.end());
  all.insert(all.end(), pack::kInGameModules.begin(), pack::kInGameModules.end());
  for (const pack::ModuleSpec& spec : all) {
    SCOPED_TRACE(std::string(spec.path));
    seal::Module* m = nullptr;
    ASSERT_EQ(seal::LoadModuleFile(P(spec.path).c_str(), 0, &m), seal::kOk);
    ASSERT_EQ(seal::PlayModule(m), seal::kOk);
    double seconds = 0, loud = 0;
    size_t silentSeconds = 0;
    for (;;) {
      seal::AdvanceNullOutput(22050);
      seconds += 1;
      std::vector<int16_t> s = seal::TakeNullOutputSamples();
      int peak = 0;
      for (int16_t v : s) peak = std::max(peak, std::abs(int(v)));
      loud = std::max(loud, double(peak));
      silentSeconds += peak < 300;
      seal::ModuleInfo info;
      seal::GetModuleInfo(&info);
      if (info.loops > 0 || seconds > 240) break;
    }
    EXPECT_GE(seconds, spec.minSeconds);
    EXPECT_LT(seconds, 240);
    EXPECT_EQ(silentSeconds, 0u);
    EXPECT_LT(loud, 32700);  // no clipping
    seal::FreeModuleFile(m);
  }
  seal::CloseDevice();
}

TEST(DataPack, EverySongKeepsBothSidesBalancedThroughout) {
  // Rendered as the game's mixer plays them: over every 2-second window
  // (half a second apart) the left and right levels stay within 4 dB of each
  // other, and neither side falls silent while the other plays. Headphones
  // make a one-sided song plain at once.
  namespace seal = plat::seal;
  constexpr int kRate = 22050;
  seal::SelectOutput(seal::Output::kNull);
  seal::DeviceDesc desc;
  desc.format = seal::kFormat16Bit | seal::kFormatStereo;
  desc.rate = kRate;
  ASSERT_EQ(seal::OpenDevice(&desc), seal::kOk);
  std::vector<pack::ModuleSpec> all(pack::kModules.begin(), pack::kModules.end());
  all.insert(all.end(), pack::kInGameModules.begin(), pack::kInGameModules.end());
  for (const pack::ModuleSpec& spec : all) {
    SCOPED_TRACE(std::string(spec.path));
    seal::Module* m = nullptr;
    ASSERT_EQ(seal::LoadModuleFile(P(spec.path).c_str(), 0, &m), seal::kOk);
    ASSERT_EQ(seal::PlayModule(m), seal::kOk);
    std::vector<int16_t> song;
    for (int second = 0; second < 240; ++second) {
      seal::AdvanceNullOutput(kRate);
      std::vector<int16_t> part = seal::TakeNullOutputSamples();
      song.insert(song.end(), part.begin(), part.end());
      seal::ModuleInfo info;
      seal::GetModuleInfo(&info);
      if (info.loops > 0) break;
    }
    seal::FreeModuleFile(m);
    const size_t frames = song.size() / 2, window = 2 * kRate, hop = kRate / 2;
    ASSERT_GE(frames, window);
    double worst = 0, worstAt = 0;
    int oneSided = 0;
    for (size_t start = 0; start + window <= frames; start += hop) {
      double sum[2] = {0, 0};
      for (size_t f = start; f < start + window; ++f)
        for (int side = 0; side < 2; ++side) sum[side] += double(song[2 * f + side]) * song[2 * f + side];
      const double left = std::sqrt(sum[0] / window), right = std::sqrt(sum[1] / window);
      // Below -60 dBFS a side counts as silent; above -40 dBFS as playing.
      const bool leftSilent = left < 33, rightSilent = right < 33;
      if ((leftSilent && right > 330) || (rightSilent && left > 330)) ++oneSided;
      if (leftSilent || rightSilent) continue;
      const double apart = std::fabs(20 * std::log10(left / right));
      if (apart > worst) worst = apart, worstAt = double(start) / kRate;
    }
    EXPECT_EQ(oneSided, 0) << "windows where one side is silent while the other plays";
    EXPECT_LE(worst, 4.0) << "left and right apart in the window from " << worstAt << " s";
  }
  seal::CloseDevice();
}

// ---- determinism ------------------------------------------------------------

TEST(DataPack, TwoRunsWriteTheSameBytes) {
  fs::path again = vantrel::test::MakeTempDir("pack-again");
  std::string cmd = std::string("\"") + VANTREL_DATAGEN_EXE + "\" --out \"" + again.string() + "\" > /dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  for (const std::string& f : PackFiles()) {
    std::vector<uint8_t> a = ReadAll(Root() / f), b = ReadAll(again / f);
    EXPECT_FALSE(b.empty()) << f;
    EXPECT_TRUE(a == b) << f << " differs between runs";
  }
}

}  // namespace
