#pragma once
// Palette tools: an octree quantiser that merges the colours of a picture
// down to a palette, an inverse colour cube mapping any colour to the nearest
// entry of a palette, blend tables built on the cube, a palette sort and a
// 3-3-2 colour interpolation.
//
// Colours are triples of bytes called channel 0, 1 and 2 (the bytes of a
// pixel in memory order). A packed colour holds channel 0 in bits 0-7,
// channel 1 in bits 8-15 and channel 2 in bits 16-23; bits 24-31 are ignored.
#include <cstdint>
#include <memory>

class OctreeQuantizer {
 public:
  OctreeQuantizer();
  ~OctreeQuantizer();
  OctreeQuantizer(const OctreeQuantizer&) = delete;
  OctreeQuantizer& operator=(const OctreeQuantizer&) = delete;

  // Adds one colour: follows it down the tree (creating nodes) until a node
  // that already holds colours or the finest node of that colour. Throws
  // std::bad_alloc when a node cannot be made (the callers below turn that
  // into a false result).
  void AddColour(uint32_t packed);
  // Adds `count` 4-byte pixels (channels 0, 1, 2, one skipped byte); with
  // shades > 0 also shades darker copies of each, scaled by n / (shades + 1).
  // False for a null buffer, shades < 0 or no memory for the nodes.
  bool AddColours(const uint8_t* pixels, int32_t count, int32_t shades);
  // Nodes that hold colours.
  int32_t LeafCount() const;
  // Merges leaves, finest first, until at most `maximum` remain; returns the
  // leaf count (0 for maximum <= 0).
  int32_t ReduceTo(int32_t maximum);
  // Numbers the leaves in pre-order and writes the average colour of each of
  // the first n into `palette` (4 bytes per entry, the fourth untouched).
  // False for a null palette or n <= 0.
  bool AssignIndices(uint8_t* palette, int32_t n);
  // ReduceTo(n), AssignIndices, then sorts the n entries by 2 c0 + 4 c1 + c2.
  // After the sort the node indices no longer name the sorted entries.
  bool BuildSortedPalette(uint8_t* palette, int32_t n);
  // Palette index of an added colour; 0 for a colour without a path.
  int32_t FindIndex(uint32_t packed) const;
  // Deletes all nodes below the root and resets it.
  void Clear();

  OctreeQuantizer* parent = nullptr;
  OctreeQuantizer* children[8] = {};
  uint8_t centre[4] = {128, 128, 128, 0};
  int32_t halfSize = 128;
  // Channel sums of the colours held. 64 bits, so that large pictures with
  // many shades cannot overflow them.
  int64_t sum0 = 0, sum1 = 0, sum2 = 0;
  int32_t count = 0;
  int32_t index = -1;

 private:
  void DeleteChildren();
  int ChildIndex(uint32_t packed) const;
  OctreeQuantizer* MakeChild(uint32_t packed);
  void Merge(int32_t level, int32_t maximum, int32_t* leaves);
  void Assign(uint8_t* palette, int32_t n, int32_t* next, int32_t handed);
};

// A cube of 2^b0 x 2^b1 x 2^b2 cells holding palette indices.
class InverseColourCube {
 public:
  // Frees the cells, then allocates zeroed cells for the given bits per
  // channel (0..8 each). False for other sizes or no memory.
  bool SetSize(int b0, int b1, int b2);
  void Free();
  // Cell of a colour.
  uint32_t CellOf(int c0, int c1, int c2) const {
    return (static_cast<uint32_t>(c0 >> (8 - bits[0])) << (bits[1] + bits[2])) |
           (static_cast<uint32_t>(c1 >> (8 - bits[1])) << bits[2]) | static_cast<uint32_t>(c2 >> (8 - bits[2]));
  }
  // Palette index of the cell of a colour; 0 without cells.
  uint8_t Near(int c0, int c1, int c2) const { return cells ? cells[CellOf(c0, c1, c2)] : 0; }
  // Fills every cell with an entry of least cost among the first n (1..256)
  // entries of a palette of 4-byte {c0, c1, c2, pad} entries. Ties between
  // equally near entries go by a random order. False without cells, palette
  // or a valid n, or without memory for the scan.
  bool Build(const uint8_t* palette, int n);

  int bits[3] = {0, 0, 0};
  std::unique_ptr<uint8_t[]> cells;
  uint32_t cellCount = 0;
};

// Look-up tables for mixing the colours of one 256-entry palette.
class MixTables {
 public:
  MixTables();
  // Sets the cube to 6 bits per channel and builds it from all 256 entries.
  bool Init(const uint8_t* palette);
  // Init, then fills the blend, add, subtract and shade tables. False for a
  // null palette.
  bool Build(const uint8_t* palette);
  // The cube for the first n entries of a palette.
  bool BuildInverseCube(const uint8_t* palette, int n);

  // blend[a * 1024 + b * 4 + k]: k = 0: a; 1: nearest to (3a + b) / 4;
  // 2: to (a + b) / 2; 3: to (a + 3b) / 4.
  std::unique_ptr<uint8_t[]> blend;
  // add[a * 256 + b]: nearest to the clamped sum (symmetric).
  std::unique_ptr<uint8_t[]> add;
  // subtract[b * 256 + a]: nearest to a - b, clamped at 0.
  std::unique_ptr<uint8_t[]> subtract;
  // shade[k * 256 + a], k = 0..15: nearest to k / 15 of entry a.
  std::unique_ptr<uint8_t[]> shade;
  InverseColourCube cube;
};

// Sorts 256 4-byte entries by byte 2, then each block of 64 by byte 1, then
// each block of 8 by byte 0.
void SortPalette(uint8_t* palette);
// Comparison functions for qsort over 4-byte entries: by byte 1 - byte 2 and
// by byte 0 - byte 2.
int ComparePaletteByte1Minus2(const void* a, const void* b);
int ComparePaletteByte0Minus2(const void* a, const void* b);

// Mix of two 3-3-2 colours (bits 0-2 channel 0, 3-5 channel 1, 6-7
// channel 2): t = 0 gives a, t = 1 gives b.
int32_t Interpolate332(int32_t a, int32_t b, float t);

// For each palette entry (bytes c0, c1, c2), the index held by the cube's
// cell of that colour; 0 for every entry when the cube has no cells. False for a null
// argument.
bool BuildInverseMap(uint8_t out[256], const uint8_t palette[256][4], const InverseColourCube& cube);
