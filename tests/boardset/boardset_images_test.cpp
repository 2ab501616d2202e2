// The board set's pictures: brick and background sets through the data-file
// search, the brick-set signature check, the classic variants, the darkened
// backgrounds, upload and the board icon.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/data_files.h"
#include "boardset/boardset.h"
#include "graphics/imageset_writer.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

Bitmap Solid(int w, int h, uint32_t argb) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, 32));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, argb);
  return b;
}

void WriteSet(const fs::path& path, const std::vector<std::string>& names, int w, int h,
              const std::vector<uint32_t>& colours) {
  std::vector<Bitmap> images;
  for (size_t i = 0; i < names.size(); ++i) images.push_back(Solid(w, h, colours[i % colours.size()]));
  std::vector<ImageSetWriterEntry> entries;
  for (size_t i = 0; i < names.size(); ++i) entries.push_back({names[i], &images[i]});
  ASSERT_TRUE(WriteImageSet(path, entries));
}

// A folder with a brick set (96 x 48 images, to be resized) and a background set.
struct Fixture {
  fs::path dir;
  DataFiles files;
  std::unique_ptr<BoardSet> set = std::make_unique<BoardSet>();

  explicit Fixture(const std::string& name) : dir(vantrel::test::MakeTempDir(name)) {
    fs::create_directories(dir / "sub");
    WriteSet(dir / "sub" / "Bricks.img",
             {"plain", "explo", "INVIN", "almostinvin", "multi", "hidden", "zapped", "invin2"}, 96, 48,
             {0xFF102030, 0xFFC86432});
    WriteSet(dir / "Back.img", {"one", "two"}, 8, 4, {0xC8C8C8C8, 0x40804020});
    files.searchDirs = {dir};
    set->brickSetPath = "Bricks.img";
    set->backgroundSetPath = "Back.img";
  }
};

}  // namespace

TEST(BoardSetImages, LoadsResizesAndKindsTheBricks) {
  Fixture f("load");
  ASSERT_TRUE(f.set->LoadImageSets(f.files, true));
  ASSERT_EQ(f.set->bricks.count, 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(f.set->bricks.GetImage(i)->width, 48);
    EXPECT_EQ(f.set->bricks.GetImage(i)->height, 24);
  }
  const int32_t kinds[] = {0,           kBrickPlain,  kBrickExplo,  kBrickInvin, kBrickAlmostInvin,
                           kBrickMulti, kBrickHidden, kBrickZapped, kBrickPlain, 0};
  for (int n = 0; n < 10; ++n) EXPECT_EQ(f.set->GetBrickType(n), kinds[n]) << n;
  EXPECT_EQ(f.set->backgrounds.count, 2);
}

TEST(BoardSetImages, DarkBackgroundsAreAQuarterBright) {
  Fixture f("dark");
  ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
  ASSERT_EQ(f.set->darkBackgrounds.count, 2);
  const Image* lit = f.set->backgrounds.GetImage(0);
  const Image* dark = f.set->darkBackgrounds.GetImage(0);
  ASSERT_EQ(dark->width, 8);
  EXPECT_EQ(lit->GetPixel(3, 2), 0xC8C8C8C8u);
  uint32_t d = dark->GetPixel(3, 2);
  for (int shift : {0, 8, 16}) {
    int c = static_cast<int>((d >> shift) & 0xFF);
    EXPECT_GE(c, 49);
    EXPECT_LE(c, 50);  // 200 / 4
  }
  EXPECT_GE(static_cast<int>(d >> 24), 199);                               // alpha keeps its scale of 1
  EXPECT_EQ(f.set->backgrounds.GetImage(1)->GetPixel(0, 0), 0x40804020u);  // the originals stay
}

TEST(BoardSetImages, SignatureMismatchRaisesOnlyWhenChecked) {
  Fixture f("signature");
  ASSERT_TRUE(f.set->LoadImageSets(f.files, true));
  const int32_t right = static_cast<int32_t>(f.set->bricks.ComputeSignature());

  f.set->brickSetSignature = right;
  EXPECT_TRUE(f.set->LoadImageSets(f.files, true));
  EXPECT_EQ(f.set->bricks.count, 8);

  f.set->brickSetSignature = right + 1;
  try {
    f.set->LoadImageSets(f.files, true);
    ADD_FAILURE() << "no error for a different brick set";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "The brick file found does not match the one used to create the boardset.");
  }
  EXPECT_EQ(f.set->bricks.names, nullptr);
  EXPECT_EQ(f.files.current, nullptr);
  EXPECT_TRUE(f.set->LoadImageSets(f.files, false));
  EXPECT_EQ(f.set->bricks.count, 8);
}

TEST(BoardSetImages, MissingSetsAndFailedLoads) {
  Fixture f("missing");
  f.set->brickSetPath = "NoSuch.img";
  EXPECT_TRUE(f.set->LoadImageSets(f.files, true));  // bricks are optional
  EXPECT_EQ(f.set->bricks.names, nullptr);
  f.set->brickSetPath = "Bricks.img";
  f.set->backgroundSetPath = "NoSuch.img";
  EXPECT_FALSE(f.set->LoadImageSets(f.files, true));
  EXPECT_EQ(f.set->bricks.count, 8);
  EXPECT_FALSE(f.set->LoadBrickSet(nullptr, false));
  EXPECT_FALSE(f.set->LoadBackgroundSet(nullptr));
}

TEST(BoardSetImages, ClassicVariantWhenPresentAndWanted) {
  Fixture f("classic");
  WriteSet(f.dir / "Bricks_classic.img", {"explo", "explo", "explo"}, 48, 24, {0xFF000000});
  bool classic = false;
  GetBoardSetHost().classicTextures = [&classic] { return classic; };

  ASSERT_TRUE(f.set->LoadImageSets(f.files, true));
  EXPECT_EQ(f.set->bricks.count, 8);
  classic = true;
  ASSERT_TRUE(f.set->LoadImageSets(f.files, true));
  EXPECT_EQ(f.set->bricks.count, 3);
  // No classic backgrounds exist: the plain set is used.
  EXPECT_EQ(f.set->backgrounds.count, 2);
  GetBoardSetHost().classicTextures = nullptr;
}

TEST(BoardSetImages, SaveWritesTheSignatureOfTheLoadedBricks) {
  Fixture f("savesig");
  ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
  f.set->brickSetSignature = 5;
  ASSERT_TRUE(f.set->Save(f.dir / "s.bdz"));
  auto loaded = std::make_unique<BoardSet>();
  ASSERT_NE(f.files.Open(f.dir / "s.bdz"), nullptr);
  loaded->Load(f.files, false, "");
  EXPECT_EQ(loaded->brickSetSignature, static_cast<int32_t>(f.set->bricks.ComputeSignature()));
}

TEST(BoardSetImages, UploadMakesDisplayFrames) {
  Fixture f("upload");
  ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
  PixelFormat format;
  format.SetForDepth(16);
  EXPECT_TRUE(f.set->UploadImageSets(format));
  EXPECT_EQ(f.set->bricks.GetImage(3)->frameCount, 2);
  EXPECT_EQ(f.set->backgrounds.GetImage(1)->GetFrame(1)->bpp, 16);
  EXPECT_EQ(f.set->darkBackgrounds.frameCount, 2);
}

TEST(BoardSetImages, IconShowsAverageBrickColours) {
  Fixture f("icon");
  // Brick 1: left half 0x204060, right half 0x6080A0: average 0x406080.
  Bitmap halves = Solid(4, 2, 0xFF204060);
  for (int y = 0; y < 2; ++y)
    for (int x = 2; x < 4; ++x) halves.SetPixel(x, y, 0xFF6080A0);
  Bitmap red = Solid(3, 3, 0x00FF0000);
  ASSERT_TRUE(WriteImageSet(f.dir / "Icons.img", {{"a", &halves}, {"b", &red}}));
  ImageSet bricks;
  ASSERT_TRUE(bricks.Load((f.dir / "Icons.img").string().c_str()));
  f.set->bricks = bricks;

  f.set->columns = 20;
  f.set->boards[2].cells[0 * 20 + 0] = 1;    // column 0, row 0
  f.set->boards[2].cells[19 * 20 + 19] = 2;  // column 19, row 19
  f.set->boards[2].cells[5 * 20 + 5] = -1;   // concealed: not drawn
  f.set->boards[2].cells[6 * 20 + 5] = 3;    // no such image
  fs::path png = f.dir / "icon.png";
  ASSERT_TRUE(f.set->SaveIcon(2, png));

  Bitmap icon;
  icon.LoadWithGdiplus(png);
  ASSERT_EQ(icon.width, 48);
  ASSERT_EQ(icon.height, 48);
  auto rgb = [&icon](int x, int y) { return icon.GetPixel(x, y) & 0xFFFFFFu; };
  for (int dy = 0; dy < 2; ++dy)
    for (int dx = 0; dx < 2; ++dx) {
      EXPECT_EQ(rgb(4 + dx, 4 + dy), 0x406080u);            // x = (48 - 40) / 2 + 0
      EXPECT_EQ(rgb(4 + 38 + dx, 4 + 38 + dy), 0xFF0000u);  // column 19, row 19
    }
  EXPECT_EQ(icon.GetPixel(4, 4) >> 24, 0xFFu);  // opaque
  EXPECT_EQ(icon.GetPixel(4 + 10, 4 + 10), 0u);
  EXPECT_EQ(icon.GetPixel(4 + 12, 4 + 10), 0u);
  EXPECT_EQ(icon.GetPixel(0, 0), 0u);
  EXPECT_FALSE(f.set->SaveIcon(130, png));
}

TEST(BoardSetImages, IconOfAWideBoardLosesTheOuterColumns) {
  Fixture f("wideicon");
  ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
  f.set->columns = 26;
  for (int c = 0; c < 26; ++c) f.set->boards[0].cells[c * 20] = 1;
  fs::path png = f.dir / "wide.png";
  ASSERT_TRUE(f.set->SaveIcon(0, png));
  Bitmap icon;
  icon.LoadWithGdiplus(png);
  ASSERT_EQ(icon.width, 48);
  // Column 0 would start at x = -2; column 1 covers x 0..1, column 24 x 46..47.
  EXPECT_EQ(icon.GetPixel(0, 4) & 0xFFFFFFu, 0x102030u);
  EXPECT_EQ(icon.GetPixel(47, 4) & 0xFFFFFFu, 0x102030u);
}

TEST(BoardSetImages, IconTakesTheDisplayFrameInItsTrueColours) {
  // The uploaded copy is what the icon averages; each depth must give the
  // brick's own colour back (less what 5-5-5 drops), red never traded for blue.
  struct Case {
    int depth;
    uint32_t expected;
  } cases[] = {{32, 0x3366CCu}, {24, 0x3366CCu}, {16, 0x3060C8u}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.depth);
    Fixture f("frameicon" + std::to_string(c.depth));
    WriteSet(f.dir / "Solid.img", {"one"}, 48, 24, {0xFF3366CC});
    f.set->brickSetPath = "Solid.img";
    ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
    PixelFormat format;
    format.SetForDepth(c.depth);
    ASSERT_TRUE(f.set->UploadImageSets(format));
    ASSERT_EQ(f.set->bricks.frameCount, 2);
    ASSERT_EQ(f.set->bricks.GetFrame(1)->bpp, c.depth);
    f.set->boards[0].cells[0] = 1;
    fs::path png = f.dir / "icon.png";
    ASSERT_TRUE(f.set->SaveIcon(0, png));
    Bitmap icon;
    icon.LoadWithGdiplus(png);
    ASSERT_EQ(icon.width, 48);
    EXPECT_EQ(icon.GetPixel(4, 4), 0xFF000000u | c.expected);
  }
}

TEST(BoardSetImages, SearchOrderFollowsTheSignatureFlag) {
  // The game (which checks signatures) lets later search folders override
  // earlier ones; the editor (which does not) takes the first folder's sets.
  fs::path first = vantrel::test::MakeTempDir("first");
  fs::path later = vantrel::test::MakeTempDir("later");
  fs::create_directories(later / "nested");
  WriteSet(first / "Bricks.img", {"a", "b"}, 48, 24, {0xFF000000});
  WriteSet(later / "nested" / "Bricks.img", {"a", "b", "c"}, 48, 24, {0xFF000000});
  WriteSet(first / "Back.img", {"x"}, 8, 4, {0xFF000000});
  WriteSet(later / "Back.img", {"x", "y", "z", "w"}, 8, 4, {0xFF000000});
  DataFiles files;
  files.searchDirs = {first, later};
  auto set = std::make_unique<BoardSet>();
  set->brickSetPath = "Bricks.img";
  set->backgroundSetPath = "Back.img";

  ASSERT_TRUE(set->LoadImageSets(files, true));
  EXPECT_EQ(set->bricks.count, 3);
  EXPECT_EQ(set->backgrounds.count, 4);
  ASSERT_TRUE(set->LoadImageSets(files, false));
  EXPECT_EQ(set->bricks.count, 2);
  EXPECT_EQ(set->backgrounds.count, 1);
}

TEST(BoardSetImages, MoreThan999BricksAndEmptyBrickImages) {
  Fixture f("oddbricks");
  // 1001 images: kinds stop at brick 999, nothing is written past the table.
  std::vector<std::string> names(1001, "invin");
  WriteSet(f.dir / "Many.img", names, 1, 1, {0xFF000000});
  f.set->brickSetPath = "Many.img";
  ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
  ASSERT_EQ(f.set->bricks.count, 1001);
  EXPECT_EQ(f.set->GetBrickType(1), kBrickInvin);
  EXPECT_EQ(f.set->GetBrickType(999), kBrickInvin);
  EXPECT_EQ(f.set->GetBrickType(1000), 0);

  // A brick image without pixels is drawn opaque black on the icon.
  Bitmap none;
  ASSERT_TRUE(WriteImageSet(f.dir / "Empty.img", {{"gone", &none}}));
  ImageSet empty;
  ASSERT_TRUE(empty.Load((f.dir / "Empty.img").string().c_str()));
  ASSERT_EQ(empty.width, 0);
  f.set->bricks = empty;
  f.set->columns = 20;
  f.set->boards[0].cells[0] = 1;
  fs::path png = f.dir / "icon.png";
  ASSERT_TRUE(f.set->SaveIcon(0, png));
  Bitmap icon;
  icon.LoadWithGdiplus(png);
  ASSERT_EQ(icon.width, 48);
  EXPECT_EQ(icon.GetPixel(4, 4), 0xFF000000u);
  EXPECT_EQ(icon.GetPixel(0, 0), 0u);
}

TEST(BoardSetImages, BricksThatAreMissingOrFailToLoadLeaveNoKindsBehind) {
  Fixture f("stale-kinds");
  ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
  ASSERT_EQ(f.set->GetBrickType(2), kBrickExplo);
  // A brick file that cannot be read.
  {
    std::ofstream out((f.dir / "Broken.img").string(), std::ios::binary);
    out << "IMST garbage";
  }
  f.set->brickSetPath = "Broken.img";
  EXPECT_TRUE(f.set->LoadImageSets(f.files, false));
  for (int n = 0; n < 10; ++n) EXPECT_EQ(f.set->GetBrickType(n), kBrickPlain) << n;
  // A brick file that is not there at all.
  f.set->brickSetPath = "Bricks.img";
  ASSERT_TRUE(f.set->LoadImageSets(f.files, false));
  ASSERT_EQ(f.set->GetBrickType(3), kBrickInvin);
  f.set->brickSetPath = "Nowhere.img";
  EXPECT_TRUE(f.set->LoadImageSets(f.files, false));
  EXPECT_EQ(f.set->bricks.count, 1);
  for (int n = 0; n < 10; ++n) EXPECT_EQ(f.set->GetBrickType(n), kBrickPlain) << n;
}
