#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "graphics/bitmap.h"
#include "graphics/neuquant.h"
#include "graphics/octree.h"
#include "platform/random.h"

namespace {

uint32_t Pack(int c0, int c1, int c2) {
  return static_cast<uint32_t>(c0) | static_cast<uint32_t>(c1) << 8 | static_cast<uint32_t>(c2) << 16;
}

// k distinct colours spread over the cube (deterministic).
std::vector<uint32_t> DistinctColours(int k, uint32_t seed) {
  plat::Srand(seed);
  std::set<uint32_t> seen;
  std::vector<uint32_t> out;
  while (static_cast<int>(out.size()) < k) {
    const uint32_t c = Pack(plat::Rand() & 255, plat::Rand() & 255, plat::Rand() & 255);
    if (seen.insert(c).second) out.push_back(c);
  }
  return out;
}

// A 32-bit picture (bytes b, g, r, a) that cycles through the colours.
Bitmap Picture(const std::vector<uint32_t>& colours, int w, int h, int depth = 32) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, depth));
  size_t n = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x, ++n) {
      const uint32_t c = colours[(n * 7) % colours.size()];
      uint8_t* p = b.pixels + y * b.stride + x * b.bytesPerPixel;
      p[0] = c & 255;  // blue
      p[1] = (c >> 8) & 255;
      p[2] = (c >> 16) & 255;  // red
    }
  return b;
}

// A smooth photo-like picture: gradients, a soft blob and a little noise.
Bitmap PhotoLike(int w, int h) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, 32));
  plat::Srand(9);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
      const double blob = std::exp(-((u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4)) * 12);
      const int n = plat::Rand() % 9 - 4;
      uint8_t* p = b.pixels + y * b.stride + x * 4;
      p[0] = static_cast<uint8_t>(std::clamp(static_cast<int>(255 * (1 - v) * 0.8 + n), 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(static_cast<int>(200 * u * v + 55 * blob + n), 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp(static_cast<int>(255 * blob + 60 * u + n), 0, 255));
    }
  return b;
}

// Mean absolute channel error of an 8-bit reduction against its source,
// the palette being red, green, blue.
double MeanError(const Bitmap& src, const Bitmap& dst, const uint8_t pal[256][4]) {
  double sum = 0;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) {
      const uint8_t* p = src.pixels + y * src.stride + x * src.bytesPerPixel;
      const uint8_t* e = pal[dst.pixels[y * dst.stride + x]];
      sum += std::abs(p[2] - e[0]) + std::abs(p[1] - e[1]) + std::abs(p[0] - e[2]);
    }
  return sum / (3.0 * src.width * src.height);
}

// ---- octree ---------------------------------------------------------------

TEST(Octree, FewerThan256ColoursKeptExactly) {
  for (int k : {1, 2, 17, 255, 256}) {
    const auto colours = DistinctColours(k, 100 + k);
    OctreeQuantizer q;
    for (uint32_t c : colours) q.AddColour(c);
    for (uint32_t c : colours) q.AddColour(c);  // repeats join their leaf
    EXPECT_EQ(q.LeafCount(), k);
    EXPECT_EQ(q.ReduceTo(256), k);
    uint8_t pal[256][4] = {};
    ASSERT_TRUE(q.AssignIndices(&pal[0][0], 256));
    for (uint32_t c : colours) {
      const int i = q.FindIndex(c);
      ASSERT_GE(i, 0);
      ASSERT_LT(i, k);
      EXPECT_EQ(Pack(pal[i][0], pal[i][1], pal[i][2]), c);
    }
  }
}

TEST(Octree, ThreeHundredColoursMergeFinestLeavesFirst) {
  // 150 pairs of colours that differ only in the lowest bit of channel 0:
  // each pair shares a finest-level parent, so the first merges join pairs
  // and stop at exactly 256 leaves.
  const auto base = DistinctColours(150, 7);
  std::vector<uint32_t> colours;
  for (uint32_t c : base) {
    colours.push_back(c & ~1u);
    colours.push_back((c & ~1u) | 1u);
  }
  OctreeQuantizer q;
  for (uint32_t c : colours) q.AddColour(c);
  ASSERT_EQ(q.LeafCount(), 300);
  EXPECT_EQ(q.ReduceTo(256), 256);
  EXPECT_EQ(q.LeafCount(), 256);
  uint8_t pal[256][4] = {};
  ASSERT_TRUE(q.AssignIndices(&pal[0][0], 256));
  int merged = 0;
  for (size_t i = 0; i < colours.size(); i += 2) {
    const int a = q.FindIndex(colours[i]), b = q.FindIndex(colours[i + 1]);
    ASSERT_TRUE(a >= 0 && a < 256 && b >= 0 && b < 256);
    merged += a == b;
    // A merged pair's entry is the average: the even colour.
    EXPECT_EQ(Pack(pal[a][0], pal[a][1], pal[a][2]), colours[i]);
  }
  EXPECT_EQ(merged, 44);
  // Random colours merge further up, still to exactly the maximum.
  OctreeQuantizer r;
  for (uint32_t c : DistinctColours(300, 8)) r.AddColour(c);
  EXPECT_EQ(r.ReduceTo(256), 256);
  EXPECT_EQ(r.LeafCount(), 256);
  EXPECT_EQ(r.ReduceTo(1), 1);
  EXPECT_EQ(r.ReduceTo(0), 0);
}

TEST(Octree, RepeatedAssignmentKeepsTheAverages) {
  // Two colours merged into one leaf: its entry is their average, however
  // often the indices are assigned and when a sorted palette follows.
  OctreeQuantizer q;
  q.AddColour(Pack(100, 60, 20));
  q.AddColour(Pack(101, 60, 20));
  q.AddColour(Pack(101, 62, 20));
  q.AddColour(Pack(200, 10, 90));
  ASSERT_EQ(q.ReduceTo(2), 2);
  uint8_t first[256][4] = {}, second[256][4] = {}, sorted[2][4] = {};
  ASSERT_TRUE(q.AssignIndices(&first[0][0], 256));
  ASSERT_TRUE(q.AssignIndices(&second[0][0], 256));
  EXPECT_EQ(std::memcmp(first, second, sizeof first), 0);
  ASSERT_TRUE(q.BuildSortedPalette(&sorted[0][0], 2));
  std::set<uint32_t> want = {Pack(100, 60, 20), Pack(200, 10, 90)};
  std::set<uint32_t> got = {Pack(sorted[0][0], sorted[0][1], sorted[0][2]),
                            Pack(sorted[1][0], sorted[1][1], sorted[1][2])};
  EXPECT_EQ(got, want);
  const int i = q.FindIndex(Pack(101, 62, 20));
  EXPECT_EQ(Pack(second[i][0], second[i][1], second[i][2]), Pack(100, 60, 20));
}

TEST(Octree, ArgumentChecksAndShades) {
  OctreeQuantizer q;
  uint8_t pixels[8] = {200, 100, 50, 9, 10, 20, 30, 9};
  EXPECT_FALSE(q.AddColours(nullptr, 2, 0));
  EXPECT_FALSE(q.AddColours(pixels, 2, -1));
  EXPECT_FALSE(q.AssignIndices(nullptr, 256));
  uint8_t pal[256][4] = {};
  EXPECT_FALSE(q.AssignIndices(&pal[0][0], 0));
  EXPECT_FALSE(q.BuildSortedPalette(nullptr, 16));
  ASSERT_TRUE(q.AddColours(pixels, 2, 1));
  // Each colour and its half-bright copy.
  EXPECT_EQ(q.LeafCount(), 4);
  ASSERT_TRUE(q.AssignIndices(&pal[0][0], 256));
  EXPECT_EQ(Pack(pal[q.FindIndex(Pack(100, 50, 25))][0], pal[q.FindIndex(Pack(100, 50, 25))][1],
                 pal[q.FindIndex(Pack(100, 50, 25))][2]),
            Pack(100, 50, 25));
  // A colour never added has no path.
  EXPECT_EQ(q.FindIndex(Pack(1, 2, 3)), 0);
  // With fewer entries than leaves, later leaves take no entry of their own
  // and nothing is written past n.
  uint8_t small[3][4];
  std::memset(small, 0xEE, sizeof small);
  ASSERT_TRUE(q.AssignIndices(&small[0][0], 2));
  EXPECT_EQ(small[2][0], 0xEE);
  q.Clear();
  EXPECT_EQ(q.LeafCount(), 0);
  EXPECT_EQ(q.halfSize, 128);
  EXPECT_EQ(q.index, -1);
}

TEST(Octree, SortedPaletteOrdersByWeightedKey) {
  const auto colours = DistinctColours(40, 3);
  OctreeQuantizer q;
  for (uint32_t c : colours) q.AddColour(c);
  uint8_t pal[40][4] = {};
  ASSERT_TRUE(q.BuildSortedPalette(&pal[0][0], 40));
  std::set<uint32_t> want(colours.begin(), colours.end()), got;
  for (int i = 0; i < 40; ++i) {
    got.insert(Pack(pal[i][0], pal[i][1], pal[i][2]));
    if (i > 0) {
      EXPECT_LE(2 * pal[i - 1][0] + 4 * pal[i - 1][1] + pal[i - 1][2], 2 * pal[i][0] + 4 * pal[i][1] + pal[i][2]);
    }
  }
  EXPECT_EQ(got, want);
}

TEST(BitmapReduce, OctreeReproducesFewColoursInBothByteOrders) {
  const auto colours = DistinctColours(50, 77);
  for (int depth : {24, 32}) {
    for (bool lowFirst : {false, true}) {
      Bitmap src = Picture(colours, 23, 17, depth);
      if (lowFirst) src.stateFlags |= kBitmapOctreeByteOrder;
      Bitmap dst;
      uint8_t pal[256][4] = {};
      ASSERT_TRUE(src.ReduceTo8Octree(&dst, pal, 256, 0));
      EXPECT_EQ(dst.bpp, 8);
      EXPECT_EQ(dst.width, 23);
      EXPECT_NE(src.stateFlags & kBitmapReduced, 0u);
      for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 23; ++x) {
          const uint8_t* p = src.pixels + y * src.stride + x * src.bytesPerPixel;
          const uint8_t* e = pal[dst.pixels[y * dst.stride + x]];
          // The default order puts red in byte 0 of the palette entry.
          if (lowFirst)
            ASSERT_TRUE(e[0] == p[0] && e[1] == p[1] && e[2] == p[2]);
          else
            ASSERT_TRUE(e[0] == p[2] && e[1] == p[1] && e[2] == p[0]);
        }
    }
  }
}

TEST(BitmapReduce, OctreeDroppedBitsAndFailures) {
  const auto colours = DistinctColours(200, 5);
  Bitmap src = Picture(colours, 40, 30);
  Bitmap dst;
  uint8_t pal[256][4] = {};
  // Four low bits dropped, with a key byte on top: every entry is a multiple
  // of 16 (the key byte does not mask the channels).
  ASSERT_TRUE(src.ReduceTo8Octree(&dst, pal, 256, 4 | (0x55 << 24)));
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const uint8_t* e = pal[dst.pixels[y * dst.stride + x]];
      const uint8_t* p = src.pixels + y * src.stride + x * 4;
      ASSERT_EQ(e[0], p[2] & 0xF0);
      ASSERT_EQ(e[2], p[0] & 0xF0);
    }
  EXPECT_FALSE(src.ReduceTo8Octree(&dst, pal, 0, 0));
  EXPECT_FALSE(src.ReduceTo8Octree(&dst, pal, 257, 0));
  EXPECT_FALSE(src.ReduceTo8Octree(nullptr, pal, 16, 0));
  EXPECT_FALSE(src.ReduceTo8Octree(&dst, nullptr, 16, 0));  // lone bitmap: no palette
  Bitmap eight;
  ASSERT_TRUE(eight.Create(4, 4, 8));
  EXPECT_FALSE(eight.ReduceTo8Octree(&dst, pal, 16, 0));
  EXPECT_FALSE(eight.ReduceTo8NeuQuant(&dst, pal));
  Bitmap empty;
  EXPECT_FALSE(empty.ReduceTo8NeuQuant(&dst, pal));
  // An image destination lends its own palette; a larger 8-bit one is kept.
  Image img;
  ASSERT_TRUE(img.Create(50, 40, 8));
  ASSERT_TRUE(src.ReduceTo8Octree(&img, nullptr, 8, 0));
  EXPECT_EQ(img.width, 50);
  EXPECT_NE(img.palette[0][0] | img.palette[0][1] | img.palette[0][2] | img.palette[1][0], 0);
}

// ---- NeuQuant -------------------------------------------------------------

// The network is not meant for exact palettes: its neurons stop within a
// fraction of a level of each colour (with 16 colours, within 2/16 in the
// 4 fraction bits), and dropping the fraction bits takes a neuron that
// stopped just below a colour one level down. With many colours on few
// pixels the neurons end further away.
TEST(NeuQuant, FewColoursReproduced) {
  struct Case {
    int k, maxError;
  } cases[] = {{1, 0}, {2, 0}, {3, 0}, {5, 0}, {16, 1}};
  for (const Case& c : cases) {
    const auto colours = DistinctColours(c.k, 300 + c.k);
    Bitmap src = Picture(colours, 256, 256);
    Bitmap dst;
    uint8_t pal[256][4] = {};
    ASSERT_TRUE(src.ReduceTo8NeuQuant(&dst, pal));
    int worst = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const uint8_t* p = src.pixels + y * src.stride + x * 4;
        const uint8_t* e = pal[dst.pixels[y * dst.stride + x]];
        worst = std::max({worst, std::abs(e[0] - p[2]), std::abs(e[1] - p[1]), std::abs(e[2] - p[0])});
      }
    EXPECT_LE(worst, c.maxError) << c.k;
  }
}

TEST(NeuQuant, OneColourAndTinyPictures) {
  // One colour: the search finds a neuron of exactly that colour.
  std::vector<uint8_t> pic(3 * 500);
  for (size_t i = 0; i < pic.size(); i += 3) {
    pic[i] = 30;
    pic[i + 1] = 140;
    pic[i + 2] = 220;
  }
  NeuQuantInit(pic.data(), static_cast<int32_t>(pic.size()), 1);
  NeuQuantLearn();
  NeuQuantUnbias();
  NeuQuantBuildIndex();
  const int i = NeuQuantSearch(30, 140, 220);
  ASSERT_GE(i, 0);
  ASSERT_LT(i, 256);
  // After the sort, look the neuron up by the colour the search returns.
  NeuQuantInit(pic.data(), static_cast<int32_t>(pic.size()), 1);
  NeuQuantLearn();
  NeuQuantUnbias();
  EXPECT_EQ(NeuQuantGetColour(i, 0), 220);
  EXPECT_EQ(NeuQuantGetColour(i, 1), 140);
  EXPECT_EQ(NeuQuantGetColour(i, 2), 30);
  EXPECT_EQ(NeuQuantGetColour(256, 0), 0);
  EXPECT_EQ(NeuQuantGetColour(0, 3), 0);
  EXPECT_EQ(NeuQuantGetColour(-1, 0), 0);

  // Fewer than 100 pixels, shorter than one sampling step: still learns
  // and never reads outside the picture. Also a length that is a multiple
  // of 499 (3 * 499 bytes) and one that is not a multiple of 3.
  for (int32_t length : {3 * 7, 3 * 499, 3 * 20 + 2, 0, 2}) {
    std::vector<uint8_t> small(length > 0 ? length : 1);
    for (int32_t b = 0; b < length; ++b) small[b] = static_cast<uint8_t>(b * 37);
    NeuQuantInit(small.data(), length, 1);
    NeuQuantLearn();
    NeuQuantUnbias();
    NeuQuantBuildIndex();
    if (length >= 3) {
      const int j = NeuQuantSearch(small[0], small[1], small[2]);
      EXPECT_GE(j, 0);
      EXPECT_LT(j, 256);
    }
  }
}

TEST(NeuQuant, ColourMapWritesRedsGreensBlues) {
  std::vector<uint8_t> pic(3 * 300);
  for (size_t i = 0; i < pic.size(); i += 3) {
    pic[i] = 10;
    pic[i + 1] = 20;
    pic[i + 2] = 30;
  }
  NeuQuantInit(pic.data(), static_cast<int32_t>(pic.size()), 1);
  NeuQuantLearn();
  NeuQuantUnbias();
  int r[256];
  for (int i = 0; i < 256; ++i) r[i] = NeuQuantGetColour(i, 0);
  NeuQuantBuildIndex();
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(NeuQuantWriteColourMap(f));
  EXPECT_EQ(std::ftell(f), 768);
  std::rewind(f);
  uint8_t map[768];
  ASSERT_EQ(std::fread(map, 1, 768, f), 768u);
  std::fclose(f);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(map[i], r[i]);
  EXPECT_FALSE(NeuQuantWriteColourMap(nullptr));
}

TEST(BitmapReduce, PhotoLikeGradientStaysWithinMeanError) {
  Bitmap src = PhotoLike(160, 120);
  uint8_t pal[256][4] = {};
  Bitmap dst;
  ASSERT_TRUE(src.ReduceTo8NeuQuant(&dst, pal));
  const double neu = MeanError(src, dst, pal);
  EXPECT_LT(neu, 4.5);  // measured 3.7 (the picture carries +-4 noise)
  Bitmap dst2;
  uint8_t pal2[256][4] = {};
  ASSERT_TRUE(src.ReduceTo8Octree(&dst2, pal2, 256, 0));
  const double oct = MeanError(src, dst2, pal2);
  EXPECT_LT(oct, 6.5);  // measured 5.1
  RecordProperty("neuquant_mean_error", std::to_string(neu));
  RecordProperty("octree_mean_error", std::to_string(oct));
}

// ---- inverse cube and blend tables ----------------------------------------

int AxisCost(int d) { return d >= 0 ? d * (d + 1) : (-d) * (1 - d) - 1; }

TEST(InverseCube, EveryCellHoldsAnEntryOfLeastCost) {
  // The 6-bit rows are palettes on which a scan that stops each line, row
  // or plane at its first unimproved cell leaves a few cells with an entry
  // that is not the nearest (seed 3 with 32 entries: four such cells).
  struct Case {
    int b0, b1, b2;
    uint32_t seed;
    int n;
  } cases[] = {{4, 5, 3, 31, 1}, {4, 5, 3, 31, 5}, {4, 5, 3, 31, 256}, {6, 6, 6, 3, 32}, {6, 6, 6, 6, 32}};
  for (const Case& c : cases) {
    uint8_t pal[256][4] = {};
    plat::Srand(c.seed);
    for (auto& e : pal)
      for (int ch = 0; ch < 3; ++ch) e[ch] = static_cast<uint8_t>(plat::Rand() & 255);
    InverseColourCube cube;
    ASSERT_TRUE(cube.SetSize(c.b0, c.b1, c.b2));
    ASSERT_TRUE(cube.Build(&pal[0][0], c.n));
    auto cost = [&](int i, int x, int y, int z) {
      return AxisCost(x - (pal[i][0] >> (8 - c.b0))) + AxisCost(y - (pal[i][1] >> (8 - c.b1))) +
             AxisCost(z - (pal[i][2] >> (8 - c.b2)));
    };
    for (int x = 0; x < (1 << c.b0); ++x)
      for (int y = 0; y < (1 << c.b1); ++y)
        for (int z = 0; z < (1 << c.b2); ++z) {
          int least = 1 << 30;
          for (int i = 0; i < c.n; ++i) least = std::min(least, cost(i, x, y, z));
          const int held = cube.cells[(x << (c.b1 + c.b2)) | (y << c.b2) | z];
          ASSERT_LT(held, c.n);
          ASSERT_EQ(cost(held, x, y, z), least)
              << c.b0 << c.b1 << c.b2 << " n " << c.n << " cell " << x << " " << y << " " << z;
        }
  }
}

TEST(InverseCube, SizesAndArguments) {
  InverseColourCube cube;
  EXPECT_FALSE(cube.SetSize(9, 1, 1));
  EXPECT_FALSE(cube.SetSize(1, -1, 1));
  EXPECT_EQ(cube.Near(10, 20, 30), 0);
  uint8_t pal[256][4] = {};
  EXPECT_FALSE(cube.Build(&pal[0][0], 4));  // no cells
  ASSERT_TRUE(cube.SetSize(0, 0, 0));
  EXPECT_EQ(cube.cellCount, 1u);
  EXPECT_FALSE(cube.Build(nullptr, 4));
  EXPECT_FALSE(cube.Build(&pal[0][0], 0));
  EXPECT_FALSE(cube.Build(&pal[0][0], 257));
  EXPECT_TRUE(cube.Build(&pal[0][0], 256));
  uint8_t map[256];
  EXPECT_TRUE(BuildInverseMap(map, pal, cube));
  EXPECT_FALSE(BuildInverseMap(nullptr, pal, cube));
}

// A palette whose entries lie in distinct cells of the 6-bit cube.
void SpreadPalette(uint8_t pal[256][4]) {
  for (int i = 0; i < 256; ++i) {
    pal[i][0] = static_cast<uint8_t>((i & 7) * 36 + 2);
    pal[i][1] = static_cast<uint8_t>(((i >> 3) & 7) * 36 + 1);
    pal[i][2] = static_cast<uint8_t>((i >> 6) * 80 + 3);
    pal[i][3] = 0;
  }
}

TEST(MixTables, TablesMatchDirectComputation) {
  uint8_t pal[256][4];
  SpreadPalette(pal);
  auto tables = std::make_unique<MixTables>();
  EXPECT_FALSE(tables->Build(nullptr));
  ASSERT_TRUE(tables->Build(&pal[0][0]));
  const InverseColourCube& cube = tables->cube;
  auto near = [&](int c0, int c1, int c2) { return cube.cells[cube.CellOf(c0, c1, c2)]; };
  // An entry's own colour maps to itself (cost 0 in its own cell).
  for (int a = 0; a < 256; ++a) EXPECT_EQ(near(pal[a][0], pal[a][1], pal[a][2]), a);
  uint8_t map[256];
  ASSERT_TRUE(BuildInverseMap(map, pal, cube));
  for (int a = 0; a < 256; ++a) EXPECT_EQ(map[a], a);
  const int samples[][2] = {{0, 0}, {5, 200}, {200, 5}, {17, 17}, {255, 1}, {128, 64}, {99, 250}};
  for (const auto& s : samples) {
    const int a = s[0], b = s[1];
    const uint8_t* pa = pal[a];
    const uint8_t* pb = pal[b];
    const uint8_t* cell = &tables->blend[a * 1024 + b * 4];
    EXPECT_EQ(cell[0], a);
    EXPECT_EQ(cell[1], near((3 * pa[0] + pb[0]) / 4, (3 * pa[1] + pb[1]) / 4, (3 * pa[2] + pb[2]) / 4));
    EXPECT_EQ(cell[2], near((pa[0] + pb[0]) / 2, (pa[1] + pb[1]) / 2, (pa[2] + pb[2]) / 2));
    EXPECT_EQ(cell[3], near((pa[0] + 3 * pb[0]) / 4, (pa[1] + 3 * pb[1]) / 4, (pa[2] + 3 * pb[2]) / 4));
    EXPECT_EQ(tables->add[a * 256 + b],
              near(std::min(pa[0] + pb[0], 255), std::min(pa[1] + pb[1], 255), std::min(pa[2] + pb[2], 255)));
    EXPECT_EQ(tables->add[a * 256 + b], tables->add[b * 256 + a]);
    EXPECT_EQ(tables->subtract[b * 256 + a],
              near(std::max(pa[0] - pb[0], 0), std::max(pa[1] - pb[1], 0), std::max(pa[2] - pb[2], 0)));
    for (int k : {0, 7, 15})
      EXPECT_EQ(tables->shade[k * 256 + a], near(k * pa[0] / 15, k * pa[1] / 15, k * pa[2] / 15));
  }
  for (int a = 0; a < 256; ++a) {
    const uint8_t* cell = &tables->blend[a * 1024 + a * 4];
    EXPECT_TRUE(cell[0] == a && cell[1] == a && cell[2] == a && cell[3] == a) << a;
    EXPECT_EQ(tables->shade[15 * 256 + a], a);
    EXPECT_EQ(tables->shade[a], near(0, 0, 0));  // level 0: black
  }
  // A blend cell is what Bitmap::HalfSize reads: T(a, b) = blend[a*1024 + b*4 + k].
  EXPECT_EQ(tables->blend[3 * 1024 + 3 * 4 + 2], 3);
}

TEST(PaletteTools, SortPaletteOrdersBlocks) {
  uint8_t pal[256][4];
  plat::Srand(2);
  for (auto& e : pal)
    for (int c = 0; c < 4; ++c) e[c] = static_cast<uint8_t>(plat::Rand() & 255);
  std::multiset<uint32_t> before;
  for (auto& e : pal) before.insert(Pack(e[0], e[1], e[2]) | static_cast<uint32_t>(e[3]) << 24);
  SortPalette(&pal[0][0]);
  std::multiset<uint32_t> after;
  for (auto& e : pal) after.insert(Pack(e[0], e[1], e[2]) | static_cast<uint32_t>(e[3]) << 24);
  EXPECT_EQ(before, after);
  for (int i = 1; i < 256; ++i) {
    if (i % 8 != 0) {
      EXPECT_LE(pal[i - 1][0], pal[i][0]) << i;
    }
    if (i % 64 == 0) {
      EXPECT_LE(pal[i - 1][2], pal[i][2]) << i;
    }
  }
  // Blocks of 64 keep the byte-2 order between them.
  for (int block = 1; block < 4; ++block) {
    int prevMax = 0, curMin = 255;
    for (int i = 0; i < 64; ++i) {
      prevMax = std::max<int>(prevMax, pal[(block - 1) * 64 + i][2]);
      curMin = std::min<int>(curMin, pal[block * 64 + i][2]);
    }
    EXPECT_LE(prevMax, curMin);
  }
  const uint8_t x[4] = {10, 50, 20, 0}, y[4] = {40, 30, 20, 0};
  EXPECT_GT(ComparePaletteByte1Minus2(x, y), 0);
  EXPECT_LT(ComparePaletteByte0Minus2(x, y), 0);
  EXPECT_EQ(ComparePaletteByte0Minus2(x, x), 0);
}

TEST(PaletteTools, Interpolate332Ends) {
  const int pairs[][2] = {{0, 255}, {0x5A, 0xC3}, {7, 0xF8}, {0xFF, 0}};
  for (const auto& p : pairs) {
    EXPECT_EQ(Interpolate332(p[0], p[1], 0.0f), p[0]);
    EXPECT_EQ(Interpolate332(p[0], p[1], 1.0f), p[1]);
    const int mid = Interpolate332(p[0], p[1], 0.5f);
    EXPECT_GE(mid, 0);
    EXPECT_LE(mid, 255);
  }
  // Black to white half way: (0.5 + 7.5) / 2 = 4 in the 3-bit channels.
  EXPECT_EQ(Interpolate332(0, 255, 0.5f), 4 | 4 << 3 | 2 << 6);
  // Out of range t stays inside the channels.
  EXPECT_EQ(Interpolate332(0, 255, 3.0f), 255);
  EXPECT_EQ(Interpolate332(0, 255, -2.0f), 0);
}

}  // namespace
