#include "graphics/octree.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "platform/random.h"

namespace {

int Channel(uint32_t packed, int c) { return static_cast<int>((packed >> (8 * c)) & 0xFF); }

}  // namespace

// ---- octree quantiser -----------------------------------------------------

OctreeQuantizer::OctreeQuantizer() = default;

OctreeQuantizer::~OctreeQuantizer() { DeleteChildren(); }

void OctreeQuantizer::DeleteChildren() {
  for (auto*& child : children) {
    delete child;  // each child deletes its own children
    child = nullptr;
  }
}

void OctreeQuantizer::Clear() {
  DeleteChildren();
  centre[0] = centre[1] = centre[2] = 128;
  centre[3] = 0;
  halfSize = 128;
  sum0 = sum1 = sum2 = 0;
  count = 0;
  index = -1;
}

int OctreeQuantizer::ChildIndex(uint32_t packed) const {
  return 4 * (Channel(packed, 1) >= centre[1]) + 2 * (Channel(packed, 0) >= centre[0]) +
         (Channel(packed, 2) >= centre[2]);
}

OctreeQuantizer* OctreeQuantizer::MakeChild(uint32_t packed) {
  const int slot = ChildIndex(packed);
  OctreeQuantizer* child = children[slot];
  if (child) return child;
  child = new OctreeQuantizer();
  child->parent = this;
  for (int c = 0; c < 3; ++c) {
    const bool above = Channel(packed, c) >= centre[c];
    if (halfSize == 1)
      child->centre[c] = static_cast<uint8_t>(above ? centre[c] : centre[c] - 1);
    else
      child->centre[c] = static_cast<uint8_t>(above ? centre[c] + halfSize / 2 : centre[c] - halfSize / 2);
  }
  child->halfSize = halfSize >> 1;
  children[slot] = child;
  return child;
}

void OctreeQuantizer::AddColour(uint32_t packed) {
  OctreeQuantizer* node = this;
  // At most nine levels: the half size halves on every step down.
  for (;;) {
    // A finest node always matches the colour that led to it; any other
    // colour is held by the first node on its path that holds colours.
    if (node->count > 0 || node->halfSize <= 0) {
      node->sum0 += Channel(packed, 0);
      node->sum1 += Channel(packed, 1);
      node->sum2 += Channel(packed, 2);
      node->count += 1;
      return;
    }
    node = node->MakeChild(packed);
  }
}

bool OctreeQuantizer::AddColours(const uint8_t* pixels, int32_t n, int32_t shades) {
  if (!pixels || shades < 0) return false;
  const int64_t levels = static_cast<int64_t>(shades) + 1;
  try {
    for (int64_t s = levels; s >= 1; --s) {
      for (int32_t i = 0; i < n; ++i) {
        const uint8_t* p = pixels + 4 * static_cast<size_t>(i);
        const uint32_t c0 = static_cast<uint32_t>(p[0] * s / levels);
        const uint32_t c1 = static_cast<uint32_t>(p[1] * s / levels);
        const uint32_t c2 = static_cast<uint32_t>(p[2] * s / levels);
        AddColour(c0 | c1 << 8 | c2 << 16);
      }
    }
  } catch (const std::bad_alloc&) {
    // Out of memory for nodes: the colours added so far stay in the tree.
    return false;
  }
  return true;
}

int32_t OctreeQuantizer::LeafCount() const {
  int32_t n = count > 0 ? 1 : 0;
  for (const auto* child : children)
    if (child) n += child->LeafCount();
  return n;
}

void OctreeQuantizer::Merge(int32_t level, int32_t maximum, int32_t* leaves) {
  for (auto* child : children) {
    if (*leaves <= maximum) return;
    if (child) child->Merge(level, maximum, leaves);
  }
  if (halfSize<level&& * leaves> maximum && parent && count > 0) {
    if (parent->count > 0) *leaves -= 1;
    parent->count += count;
    parent->sum0 += sum0;
    parent->sum1 += sum1;
    parent->sum2 += sum2;
    sum0 = sum1 = sum2 = 0;
    count = 0;
  }
}

int32_t OctreeQuantizer::ReduceTo(int32_t maximum) {
  if (maximum <= 0) return 0;
  int32_t leaves = LeafCount();
  // By level 256 every node but the root may merge, so the loop ends with at
  // most one leaf.
  for (int32_t level = 1; leaves > maximum; level *= 2) Merge(level, maximum, &leaves);
  return leaves;
}

void OctreeQuantizer::Assign(uint8_t* palette, int32_t n, int32_t* next, int32_t handed) {
  if (count > 0 && *next < n) {
    // The sums are kept (not replaced by the averages) so that a second
    // assignment or a further reduction still sees the true totals.
    uint8_t* entry = palette + 4 * static_cast<size_t>(*next);
    entry[0] = static_cast<uint8_t>(sum0 / count);
    entry[1] = static_cast<uint8_t>(sum1 / count);
    entry[2] = static_cast<uint8_t>(sum2 / count);
    index = *next;
    *next += 1;
  } else {
    index = handed;
  }
  for (auto* child : children)
    if (child) child->Assign(palette, n, next, index);
}

bool OctreeQuantizer::AssignIndices(uint8_t* palette, int32_t n) {
  if (!palette || n <= 0) return false;
  int32_t next = 0;
  Assign(palette, n, &next, -1);
  return true;
}

bool OctreeQuantizer::BuildSortedPalette(uint8_t* palette, int32_t n) {
  if (!palette || n <= 0) return false;
  ReduceTo(n);
  AssignIndices(palette, n);
  struct Entry {
    uint8_t b[4];
  };
  auto* entries = reinterpret_cast<Entry*>(palette);
  std::stable_sort(entries, entries + n, [](const Entry& x, const Entry& y) {
    return 2 * x.b[0] + 4 * x.b[1] + x.b[2] < 2 * y.b[0] + 4 * y.b[1] + y.b[2];
  });
  return true;
}

int32_t OctreeQuantizer::FindIndex(uint32_t packed) const {
  const OctreeQuantizer* node = this;
  while (node) {
    if (node->index >= 0 && Channel(packed, 0) == node->centre[0] && Channel(packed, 1) == node->centre[1] &&
        Channel(packed, 2) == node->centre[2])
      return node->index;
    if (node->halfSize <= 0) break;
    node = node->children[node->ChildIndex(packed)];
  }
  return 0;
}

// ---- inverse colour cube --------------------------------------------------

void InverseColourCube::Free() {
  cells.reset();
  cellCount = 0;
  bits[0] = bits[1] = bits[2] = 0;
}

bool InverseColourCube::SetSize(int b0, int b1, int b2) {
  Free();
  if (b0 < 0 || b1 < 0 || b2 < 0 || b0 > 8 || b1 > 8 || b2 > 8) return false;
  const uint32_t n = 1u << (b0 + b1 + b2);
  cells.reset(new (std::nothrow) uint8_t[n]());
  if (!cells) return false;
  bits[0] = b0;
  bits[1] = b1;
  bits[2] = b2;
  cellCount = n;
  return true;
}

bool InverseColourCube::Build(const uint8_t* palette, int n) {
  if (!cells || !palette || n < 1 || n > 256) return false;
  const int size[3] = {1 << bits[0], 1 << bits[1], 1 << bits[2]};
  constexpr int32_t kNoCost = 1 << 28;
  // Highest best cost of each row (channel 2 line) and of each plane
  // (channel 0 slice): an entry whose cost at the row's or plane's nearest
  // cell already reaches that bound cannot improve any cell there.
  std::vector<int32_t> best, rowMax, planeMax;
  std::vector<int32_t> axisCost[3];
  try {
    best.assign(cellCount, kNoCost);
    rowMax.assign(static_cast<size_t>(size[0]) * size[1], kNoCost);
    planeMax.assign(size[0], kNoCost);
    for (int a = 0; a < 3; ++a) axisCost[a].resize(size[a]);
  } catch (const std::bad_alloc&) {
    return false;  // the cells keep what they held
  }
  std::fill(cells.get(), cells.get() + cellCount, uint8_t{0});

  int order[256];
  for (int i = 0; i < n; ++i) order[i] = i;
  for (int i = 0; i < n; ++i) std::swap(order[i], order[plat::Rand() % n]);

  for (int k = 0; k < n; ++k) {
    const uint8_t* entry = palette + 4 * order[k];
    for (int a = 0; a < 3; ++a) {
      const int own = entry[a] >> (8 - bits[a]);
      for (int v = 0; v < size[a]; ++v) {
        const int d = v - own;
        axisCost[a][v] = d >= 0 ? d * (d + 1) : (-d) * (1 - d) - 1;
      }
    }
    const auto value = static_cast<uint8_t>(order[k]);
    for (int x = 0; x < size[0]; ++x) {
      const int32_t c0 = axisCost[0][x];
      if (c0 >= planeMax[x]) continue;
      bool planeChanged = false;
      for (int y = 0; y < size[1]; ++y) {
        const int32_t c01 = c0 + axisCost[1][y];
        int32_t& rmax = rowMax[static_cast<size_t>(x) * size[1] + y];
        if (c01 >= rmax) continue;
        const size_t rowStart = (static_cast<size_t>(x) * size[1] + y) * size[2];
        int32_t* rowBest = best.data() + rowStart;
        uint8_t* rowCells = cells.get() + rowStart;
        int32_t newMax = 0;
        for (int z = 0; z < size[2]; ++z) {
          const int32_t cost = c01 + axisCost[2][z];
          if (rowBest[z] > cost) {
            rowBest[z] = cost;
            rowCells[z] = value;
          }
          newMax = std::max(newMax, rowBest[z]);
        }
        if (newMax != rmax) {
          rmax = newMax;
          planeChanged = true;
        }
      }
      if (planeChanged) {
        int32_t m = 0;
        for (int y = 0; y < size[1]; ++y) m = std::max(m, rowMax[static_cast<size_t>(x) * size[1] + y]);
        planeMax[x] = m;
      }
    }
  }
  return true;
}

// ---- blend tables ---------------------------------------------------------

MixTables::MixTables()
    : blend(new uint8_t[256 * 256 * 4]()),
      add(new uint8_t[256 * 256]()),
      subtract(new uint8_t[256 * 256]()),
      shade(new uint8_t[16 * 256]()) {}

bool MixTables::BuildInverseCube(const uint8_t* palette, int n) { return cube.Build(palette, n); }

bool MixTables::Init(const uint8_t* palette) {
  if (!palette) return false;
  if (!cube.SetSize(6, 6, 6)) return false;
  return BuildInverseCube(palette, 256);
}

bool MixTables::Build(const uint8_t* palette) {
  if (!palette) return false;
  // Without cells the look-ups below give 0, as for a cube never built.
  const bool ok = Init(palette);
  for (int a = 0; a < 256; ++a) {
    const uint8_t* pa = palette + 4 * a;
    for (int b = 0; b < 256; ++b) {
      const uint8_t* pb = palette + 4 * b;
      uint8_t* cell = blend.get() + a * 1024 + b * 4;
      cell[0] = static_cast<uint8_t>(a);
      cell[1] = cube.Near((3 * pa[0] + pb[0]) / 4, (3 * pa[1] + pb[1]) / 4, (3 * pa[2] + pb[2]) / 4);
      cell[2] = cube.Near((pa[0] + pb[0]) / 2, (pa[1] + pb[1]) / 2, (pa[2] + pb[2]) / 2);
      cell[3] = cube.Near((pa[0] + 3 * pb[0]) / 4, (pa[1] + 3 * pb[1]) / 4, (pa[2] + 3 * pb[2]) / 4);
      add[a * 256 + b] = cube.Near(std::min(pa[0] + pb[0], 255), std::min(pa[1] + pb[1], 255),
                                   std::min(pa[2] + pb[2], 255));
      // Row b, column a: entry a minus entry b.
      subtract[b * 256 + a] = cube.Near(std::max(pa[0] - pb[0], 0), std::max(pa[1] - pb[1], 0),
                                        std::max(pa[2] - pb[2], 0));
    }
    for (int k = 0; k < 16; ++k) shade[k * 256 + a] = cube.Near(k * pa[0] / 15, k * pa[1] / 15, k * pa[2] / 15);
  }
  return ok;
}

// ---- other palette tools --------------------------------------------------

void SortPalette(uint8_t* palette) {
  if (!palette) return;
  struct Entry {
    uint8_t b[4];
  };
  auto* e = reinterpret_cast<Entry*>(palette);
  auto byKey = [](int key) { return [key](const Entry& x, const Entry& y) { return x.b[key] < y.b[key]; }; };
  std::sort(e, e + 256, byKey(2));
  for (int block = 0; block < 4; ++block) std::sort(e + block * 64, e + block * 64 + 64, byKey(1));
  for (int block = 0; block < 32; ++block) std::sort(e + block * 8, e + block * 8 + 8, byKey(0));
}

int ComparePaletteByte1Minus2(const void* a, const void* b) {
  const auto* x = static_cast<const uint8_t*>(a);
  const auto* y = static_cast<const uint8_t*>(b);
  return (x[1] - x[2]) - (y[1] - y[2]);
}

int ComparePaletteByte0Minus2(const void* a, const void* b) {
  const auto* x = static_cast<const uint8_t*>(a);
  const auto* y = static_cast<const uint8_t*>(b);
  return (x[0] - x[2]) - (y[0] - y[2]);
}

int32_t Interpolate332(int32_t a, int32_t b, float t) {
  static constexpr int kShift[3] = {0, 3, 6};
  static constexpr int kMax[3] = {7, 7, 3};
  int32_t out = 0;
  for (int c = 0; c < 3; ++c) {
    const int ac = (a >> kShift[c]) & kMax[c];
    const int bc = (b >> kShift[c]) & kMax[c];
    const double mixed = (ac + 0.5) * (1.0 - t) + (bc + 0.5) * t;
    // A t outside 0..1 could leave the channel's bits: clamp it.
    int v = !(mixed > 0.0) ? 0 : (mixed >= kMax[c] ? kMax[c] : static_cast<int>(mixed));
    out |= v << kShift[c];
  }
  return out;
}

bool BuildInverseMap(uint8_t out[256], const uint8_t palette[256][4], const InverseColourCube& cube) {
  if (!out || !palette) return false;
  for (int i = 0; i < 256; ++i) out[i] = cube.Near(palette[i][0], palette[i][1], palette[i][2]);
  return true;
}
