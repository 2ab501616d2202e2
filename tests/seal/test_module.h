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
  s0[27] = 0;            // loop start
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

}  // namespace vantrel::test
