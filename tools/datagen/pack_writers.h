#pragma once
// The pack's file writers that need no toolkit: 8-bit image sets with one
// global palette, 8-bit BMP pictures, 8-bit WAVE sounds and 4-channel MOD
// modules. The data generator writes the pack with them, and the game's tests
// write their small fixture pack with the same code.
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::datagen {

using Bytes = std::vector<uint8_t>;

// Version-1 image set: one global palette, every record uses it (P = 0).
struct IndexedImage {
  std::string name;
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;  // width * height indices, rows top first
};
struct Rgb {
  uint8_t r, g, b;
};
Bytes ImageSetV1(const std::vector<Rgb>& palette, const std::vector<IndexedImage>& images);
// 8-bit uncompressed bottom-up BMP with a 256-entry palette (the project's BMP writer).
Bytes Bmp8Bytes(int w, int h, const std::vector<Rgb>& palette, const std::vector<uint8_t>& idx);
// Mono PCM WAVE, 8-bit unsigned.
Bytes Wave8Bytes(const std::vector<uint8_t>& samples, int rate);

// ---- the MOD file ---------------------------------------------------------

struct ModSample {
  std::string name;
  std::vector<int8_t> data;  // even length
  int volume = 64;
  int loopStart = 0, loopLength = 0;  // bytes; length 0 = no loop
};

struct Cell {
  int sample = 0;  // 1..31, 0 = none
  int note = -1;   // 0..35 = C-1..B-3, -1 = none
  int effect = 0, param = 0;
};

struct Pattern {
  Cell cells[64][4];
};

// Amiga periods of the 36 notes C-1..B-3.
extern const int kPeriods[36];

// A 31-sample "M.K." module of the given patterns in the given order.
Bytes ModBytes(const std::string& title, const std::vector<ModSample>& samples, const std::vector<Pattern>& patterns,
               const std::vector<int>& order);

}  // namespace vantrel::datagen
