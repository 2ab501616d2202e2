// The default board sets: a 20-column set of twelve boards of rising
// difficulty that uses every brick kind, and a wide 26-column set. Shapes are
// designed (rows of colour, pyramids, fortresses, hearts ...), drawn into a
// grid and saved through the board-set model, with the generated brick set
// loaded first so the stored signature matches it.
#include <cmath>
#include <cstdio>
#include <functional>
#include <stdexcept>

#include "boardset/boardset.h"
#include "tools/datagen/datagen.h"
#include "tools/datagen/pack_contract.h"

namespace vantrel::datagen {

namespace {

namespace p = pack;

constexpr int kRed = 1, kOrange = 2, kYellow = 3, kLime = 4, kGreen = 5, kTeal = 6, kCyan = 7, kSky = 8, kBlue = 9,
              kIndigo = 10, kViolet = 11, kMagenta = 12, kPink = 13, kWhite = 14, kGrey = 15, kBrown = 16, kGold = 17,
              kSilver = 18, kCopper = 19, kJade = 20;
constexpr int kExplo = p::kFirstExplo, kGlass = 29, kStone = 33, kMarble = 36;
constexpr int kMulti3 = p::kMulti3First, kMulti2 = p::kMulti2First, kMulti4 = p::kMulti4First;
constexpr int kAlmost = p::kAlmostInvin, kInvin = p::kInvin, kHidden = p::kHidden;

const int kRainbow[12] = {kRed, kOrange, kYellow, kLime, kGreen, kTeal, kCyan, kSky, kBlue, kIndigo, kViolet, kMagenta};

struct Grid {
  int cols;
  std::vector<int> cells;  // [c * 20 + r]
  explicit Grid(int c) : cols(c), cells(size_t(c) * p::kBoardRows, 0) {}
  void Set(int c, int r, int v) {
    if (c >= 0 && c < cols && r >= 0 && r < p::kUsedRows) cells[size_t(c) * p::kBoardRows + r] = v;
  }
  int Get(int c, int r) const { return cells[size_t(c) * p::kBoardRows + r]; }
  // Sets the cell and its mirror across the vertical centre line.
  void Mirror(int c, int r, int v) {
    Set(c, r, v);
    Set(cols - 1 - c, r, v);
  }
};

using Design = std::function<void(Grid&)>;

// ---- the 20-column designs, also stretched to 26 columns ----------------

void RainbowRows(Grid& g) {
  for (int r = 2; r < 10; ++r)
    for (int c = 1; c < g.cols - 1; ++c) g.Set(c, r, kRainbow[(r - 2) % 12]);
}

void Pyramid(Grid& g) {
  int half = g.cols / 2;
  for (int r = 2; r < 13; ++r) {
    int w = r - 1;
    for (int c = half - w; c < half + w; ++c) g.Set(c, r, r == 12 ? kGold : kRainbow[(12 - r) % 12]);
  }
  g.Set(half - 1, 2, kMulti2);
  g.Set(half, 2, kMulti2);
}

void CheckerMulti(Grid& g) {
  for (int r = 2; r < 12; ++r)
    for (int c = 1; c < g.cols - 1; ++c) {
      bool dark = ((c + r) & 1) == 0;
      g.Set(c, r, dark ? (r < 5 ? kMulti3 : kMulti2) : (r % 2 ? kSky : kWhite));
    }
}

void ExplosiveLattice(Grid& g) {
  for (int r = 1; r < 13; ++r)
    for (int c = 1; c < g.cols - 1; ++c) {
      if (r % 4 == 1 && c % 4 == 1)
        g.Set(c, r, kExplo);
      else if (r % 2 == 1 || c % 2 == 1)
        g.Set(c, r, r < 7 ? kOrange : kYellow);
      else
        g.Set(c, r, kGlass);
    }
}

void Fortress(Grid& g) {
  int l = 3, rgt = g.cols - 4, top = 2, bot = 12;
  for (int c = l; c <= rgt; ++c) {
    g.Set(c, top, kInvin);
    g.Set(c, bot, kInvin);
  }
  for (int r = top; r <= bot; ++r) {
    g.Set(l, r, kInvin);
    g.Set(rgt, r, kInvin);
  }
  // gates that harden when hit, and a gap in the floor
  int mid = g.cols / 2;
  for (int c = mid - 2; c <= mid + 1; ++c) g.Set(c, bot, kAlmost);
  g.Set(l, 7, kAlmost);
  g.Set(rgt, 7, kAlmost);
  g.Set(mid - 1, top, 0);
  g.Set(mid, top, 0);
  for (int r = top + 2; r <= bot - 2; ++r)
    for (int c = l + 2; c <= rgt - 2; ++c) g.Set(c, r, r == 7 ? kMulti4 : (r < 7 ? kGold : kCopper));
  // towers
  for (int r = 0; r < 2; ++r) {
    g.Set(l, r, kStone);
    g.Set(rgt, r, kStone);
  }
}

void DiamondHidden(Grid& g) {
  int cx = g.cols / 2, cy = 7;
  for (int r = 1; r < 14; ++r)
    for (int c = 0; c < g.cols; ++c) {
      int d = std::abs(c - cx + (c >= cx ? 1 : 0)) + std::abs(r - cy);
      if (d <= 6)
        g.Set(c, r, d <= 2 ? kHidden : (d % 2 ? kCyan : kBlue));
      else if (d == 7)
        g.Set(c, r, kHidden);
    }
}

void Spiral(Grid& g) {
  int l = 2, t = 1, rgt = g.cols - 3, b = 13, colour = 0;
  while (l <= rgt && t <= b) {
    int v = kRainbow[colour++ % 12];
    for (int c = l; c <= rgt; ++c) g.Set(c, t, v);
    for (int r = t; r <= b; ++r) g.Set(rgt, r, v);
    for (int c = rgt; c >= l; --c) g.Set(c, b, v);
    for (int r = b; r >= t + 2; --r) g.Set(l, r, v);
    g.Set(l + 1, t + 2, v);
    l += 2, t += 2, rgt -= 2, b -= 2;
  }
  g.Set(g.cols / 2, 7, kExplo);
}

void Heart(Grid& g) {
  double cx = g.cols / 2.0;
  for (int r = 1; r < 15; ++r)
    for (int c = 0; c < g.cols; ++c) {
      double x = (c + 0.5 - cx) / (g.cols * 0.32), y = (6.5 - r) / 6.0;
      double v = std::pow(x * x + y * y - 1, 3) - x * x * y * y * y;
      if (v <= 0) g.Set(c, r, (x * x + (y - 0.2) * (y - 0.2) < 0.12) ? kPink : (r < 5 ? kMagenta : kRed));
    }
  g.Set(int(cx) - 3, 3, kMulti3);
  g.Set(int(cx) + 2, 3, kMulti3);
}

void ColumnsWithGaps(Grid& g) {
  for (int c = 1; c < g.cols - 1; c += 3)
    for (int r = 1; r < 14; ++r) {
      if ((r + c) % 5 == 0) continue;  // gaps
      g.Set(c, r, (c / 3) % 2 ? kJade : kTeal);
      g.Set(c + 1, r, r % 4 == 0 ? kMulti2 : kGreen);
    }
}

void TwinTowers(Grid& g) {
  int w = g.cols / 5;
  for (int tower = 0; tower < 2; ++tower) {
    int x0 = tower == 0 ? w - 1 : g.cols - 2 * w + 1;
    for (int r = 1; r < 15; ++r)
      for (int c = x0; c < x0 + w; ++c) g.Set(c, r, r == 1 ? kAlmost : (r % 3 == 0 ? kSilver : kGrey));
  }
  // a bridge of explosives between them
  for (int c = 2 * w - 1; c < g.cols - 2 * w + 1; ++c) g.Set(c, 7, c % 3 == 0 ? kExplo : kBrown);
}

void MirrorMix(Grid& g, uint64_t seed) {
  Rng rng(seed);
  const int pool[] = {kRed, kYellow, kGreen, kBlue, kViolet, kMulti2, kGlass, kMarble, kExplo, kAlmost};
  for (int r = 1; r < 14; ++r)
    for (int c = 0; c < g.cols / 2; ++c) {
      if (rng.Below(5) == 0) continue;
      g.Mirror(c, r, pool[rng.Below(10)]);
    }
}

void Finale(Grid& g) {
  for (int r = 0; r < 15; ++r)
    for (int c = 0; c < g.cols; ++c) {
      int v;
      if (r == 0)
        v = (c % 4 == 0) ? kInvin : kAlmost;
      else if (r < 3)
        v = kMulti4;
      else if (r < 5)
        v = kMulti3;
      else if (r < 7)
        v = (c % 3 == 1) ? kExplo : kMulti2;
      else if (r == 7)
        v = kHidden;
      else if (r < 10)
        v = (c % 2) ? kGold : kSilver;
      else if (r < 12)
        v = (c % 2) ? kStone : kMarble;
      else
        v = kRainbow[(c + r) % 12];
      // two 2 x 2 windows: room for a charm from the start
      if ((r == 4 || r == 5 || r == 10 || r == 11) && (c == g.cols / 2 || c == g.cols / 2 - 1)) v = 0;
      g.Set(c, r, v);
    }
}

void Chevrons(Grid& g) {
  for (int r = 1; r < 14; ++r)
    for (int c = 0; c < g.cols; ++c) {
      int d = std::abs(c * 2 + 1 - g.cols) / 2;
      int band = (r + d / 2) % 4;
      if (band < 2)
        g.Set(c, r, kRainbow[(r + d / 2) / 4 * 3 % 12]);
      else if (band == 2 && d % 3 == 0)
        g.Set(c, r, kMulti3);
    }
}

void ExplosiveRings(Grid& g) {
  for (int k = 0; k < 3; ++k) {
    double cx = g.cols * (k + 0.5) / 3.0, cy = 6.5;
    for (int r = 1; r < 14; ++r)
      for (int c = 0; c < g.cols; ++c) {
        double d = std::hypot((c + 0.5 - cx) / 1.0, (r + 0.5 - cy) * 2.0);
        if (d < 1.6)
          g.Set(c, r, kExplo);
        else if (d < 4.0)
          g.Set(c, r, k == 1 ? kOrange : kCopper);
        else if (d < 5.0)
          g.Set(c, r, kGlass);
      }
  }
}

void Stripes(Grid& g) {
  for (int r = 1; r < 13; ++r)
    for (int c = 0; c < g.cols; ++c) {
      int s = (c + r) % 6;
      if (s < 3)
        g.Set(c, r, s == 0 ? kMulti2 : kRainbow[(c + r) / 6 % 12]);
      else if (r == 6)
        g.Set(c, r, kHidden);
    }
}

std::vector<Design> Starter() {
  return {RainbowRows,
          Pyramid,
          CheckerMulti,
          ExplosiveLattice,
          Fortress,
          DiamondHidden,
          Spiral,
          Heart,
          ColumnsWithGaps,
          TwinTowers,
          [](Grid& g) { MirrorMix(g, 11); },
          Finale};
}

std::vector<Design> Wide() {
  return {RainbowRows, Chevrons, Pyramid, ExplosiveRings, Fortress, [](Grid& g) { MirrorMix(g, 23); }, Stripes, Finale};
}

int Breakable(const Grid& g) {
  int n = 0;
  for (int v : g.cells)
    if (v > 0 && v != kInvin) ++n;
  return n;
}

void SaveSet(Pack& pack, const p::BoardSetSpec& spec, const std::vector<Design>& designs) {
  BoardSet set;
  std::string bricksPath = pack.PathOf(std::string(p::kBrickSet)).string();
  std::FILE* f = std::fopen(bricksPath.c_str(), "rb");
  if (!f) throw std::runtime_error("the brick set must be written before the boards: " + bricksPath);
  bool loaded = set.LoadBrickSet(f, false);
  std::fclose(f);
  if (!loaded) throw std::runtime_error("cannot read back " + bricksPath);

  set.brickSetPath = "Bricks.img";
  set.backgroundSetPath = "Backgrounds.img";
  set.columns = spec.columns;
  set.title = std::string(spec.title);
  set.author = std::string(spec.author);
  set.notes = std::string(spec.notes);
  set.sortOrder = spec.sortOrder;
  set.version = p::kBoardSetVersion;
  if (int(designs.size()) != spec.boards) throw std::runtime_error("board count differs from the list");
  for (int b = 0; b < spec.boards; ++b) {
    Grid g(spec.columns);
    designs[size_t(b)](g);
    if (Breakable(g) == 0) throw std::runtime_error("a board without breakable bricks");
    BoardRecord& rec = set.boards[b];
    rec.Clear();
    rec.background = uint32_t(b % p::kBackgroundCount);
    for (int c = 0; c < spec.columns; ++c)
      for (int r = 0; r < p::kBoardRows; ++r) rec.cells[c * BoardRecord::kRows + r] = g.Get(c, r);
  }
  set.SetBoardCount(spec.boards);
  set.boardCount = spec.boards;
  std::string rel(spec.path);
  boost::filesystem::create_directories(pack.PathOf(rel).parent_path());
  if (!set.Save(pack.PathOf(rel))) throw std::runtime_error("cannot save " + rel);
}

}  // namespace

void GenerateBoards(Pack& pack) {
  SaveSet(pack, p::kBoardSets[0], Starter());
  SaveSet(pack, p::kBoardSets[1], Wide());
}

}  // namespace vantrel::datagen
