#pragma once
// Writes a small 4-channel "M.K." module for tests and benchmarks: one looping
// square-wave sample and a few notes per pattern. Every pattern is two rows
// long (a pattern break on its second row), so the song is short and loops
// quickly.
#include <cstdint>
#include <cstring>
#include <vector>

namespace vantrel::test {

inline std::vector<std::uint8_t> MakeTestMod(int orders = 3, int restartByte = 0) {
  std::vector<std::uint8_t> m(20 + 31 * 30 + 2 + 128 + 4, 0);
  std::memcpy(m.data(), "test song", 9);
  const int sampleWords = 32;  // 64 bytes
  std::uint8_t* s0 = m.data() + 20;
  std::memcpy(s0, "square", 6);
  s0[22] = 0;
  s0[23] = sampleWords;  // length in words, big-endian
  s0[24] = 0;            // finetune
  s0[25] = 64;           // volume
  s0[26] = 0;
  s0[27] = 0;  // loop start
  s0[28] = 0;
  s0[29] = sampleWords;  // loop length
  std::uint8_t* song = m.data() + 20 + 31 * 30;
  song[0] = static_cast<std::uint8_t>(orders);
  song[1] = static_cast<std::uint8_t>(restartByte);
  for (int k = 0; k < orders; ++k) song[2 + k] = static_cast<std::uint8_t>(k);
  std::memcpy(song + 130, "M.K.", 4);

  const std::uint16_t periods[] = {428, 381, 339, 320, 285, 254};
  for (int p = 0; p < orders; ++p) {
    std::vector<std::uint8_t> pat(64 * 4 * 4, 0);
    auto cell = [&](int row, int ch) { return pat.data() + (row * 4 + ch) * 4; };
    for (int ch = 0; ch < 2; ++ch) {
      const std::uint16_t period = periods[(p + ch * 2) % 6];
      std::uint8_t* c = cell(0, ch);
      c[0] = static_cast<std::uint8_t>((1 & 0xF0) | (period >> 8));
      c[1] = static_cast<std::uint8_t>(period & 0xFF);
      c[2] = static_cast<std::uint8_t>((1 & 0x0F) << 4);
    }
    std::uint8_t* brk = cell(1, 3);
    brk[2] = 0x0D;  // pattern break to row 0 of the next order
    m.insert(m.end(), pat.begin(), pat.end());
  }
  for (int k = 0; k < sampleWords * 2; ++k) m.push_back(k < sampleWords ? 0x50 : 0xB0);
  return m;
}

// Writes a small S3M: one looping square-wave instrument, one pattern whose
// first row plays a note on the first channel, and two orders (the pattern,
// then the end marker).
inline std::vector<std::uint8_t> MakeTestS3m() {
  std::vector<std::uint8_t> m(0x60, 0);
  std::memcpy(m.data(), "test s3m", 8);
  m[0x1C] = 0x1A;
  m[0x1D] = 16;  // module type
  m[0x20] = 2;   // orders
  m[0x22] = 1;   // instruments
  m[0x24] = 1;   // patterns
  m[0x28] = 0x20;
  m[0x29] = 0x13;  // tracker version
  m[0x2A] = 2;     // unsigned sample data
  std::memcpy(m.data() + 0x2C, "SCRM", 4);
  m[0x30] = 64;    // global volume
  m[0x31] = 6;     // speed
  m[0x32] = 125;   // tempo
  m[0x33] = 0xB0;  // master volume, stereo
  for (int c = 0; c < 32; ++c) m[0x40 + c] = c < 4 ? static_cast<std::uint8_t>(c < 2 ? c : 6 + c) : 0xFF;
  m.push_back(0);                              // order 0: pattern 0
  m.push_back(0xFF);                           // end of the song
  const std::size_t headerEnd = m.size() + 4;  // + one instrument and one pattern pointer
  const std::size_t instrumentAt = (headerEnd + 15) / 16 * 16;
  const std::size_t patternAt = instrumentAt + 0x50;
  const std::size_t sampleAt = (patternAt + 2 + 4 + 63 + 15) / 16 * 16;
  for (std::size_t at : {instrumentAt, patternAt}) {
    m.push_back(static_cast<std::uint8_t>(at / 16));
    m.push_back(static_cast<std::uint8_t>(at / 16 >> 8));
  }
  m.resize(instrumentAt, 0);
  std::vector<std::uint8_t> ins(0x50, 0);
  ins[0x00] = 1;  // a sample instrument
  ins[0x0E] = static_cast<std::uint8_t>(sampleAt / 16);
  ins[0x0F] = static_cast<std::uint8_t>(sampleAt / 16 >> 8);
  ins[0x10] = 64;  // length
  ins[0x18] = 64;  // loop end
  ins[0x1C] = 64;  // volume
  ins[0x1F] = 1;   // looped
  ins[0x20] = 0xAB;
  ins[0x21] = 0x20;  // 8363 Hz
  std::memcpy(ins.data() + 0x4C, "SCRS", 4);
  m.insert(m.end(), ins.begin(), ins.end());
  // Row 0, channel 0: note C-5 with instrument 1; 63 empty rows after it.
  std::vector<std::uint8_t> pattern = {0x20, 0x50, 1, 0};
  pattern.resize(pattern.size() + 63, 0);
  const std::size_t length = pattern.size() + 2;
  m.push_back(static_cast<std::uint8_t>(length));
  m.push_back(static_cast<std::uint8_t>(length >> 8));
  m.insert(m.end(), pattern.begin(), pattern.end());
  m.resize(sampleAt, 0);
  for (int k = 0; k < 64; ++k) m.push_back(k < 32 ? 0xC0 : 0x40);
  return m;
}

}  // namespace vantrel::test
