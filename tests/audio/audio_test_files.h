#pragma once
// Builders for the WAVE and MOD files the audio tests write.
#include <cstdint>
#include <string>
#include <vector>

namespace audiotest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void PutTag(Bytes& b, const char* tag) {
  for (int i = 0; i < 4; ++i) b.push_back(uint8_t(tag[i]));
}

// One chunk: id, size (as given, which may lie) and body, padded to even.
inline void PutChunk(Bytes& b, const char* id, const Bytes& body, int64_t sizeField = -1, bool pad = true) {
  PutTag(b, id);
  Put32(b, uint32_t(sizeField < 0 ? body.size() : uint64_t(sizeField)));
  b.insert(b.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) b.push_back(0);
}

inline Bytes FmtBody(int channels, int rate, int bits, size_t extra = 0) {
  Bytes f;
  Put16(f, 1);
  Put16(f, channels);
  Put32(f, rate);
  Put32(f, rate * channels * bits / 8);
  Put16(f, channels * bits / 8);
  Put16(f, bits);
  for (size_t i = 0; i < extra; ++i) f.push_back(0);
  return f;
}

// RIFF/WAVE around the given chunks; the RIFF size counts what follows it.
inline Bytes Riff(const Bytes& chunks, int64_t riffSize = -1) {
  Bytes b;
  PutTag(b, "RIFF");
  Put32(b, uint32_t(riffSize < 0 ? chunks.size() + 4 : uint64_t(riffSize)));
  PutTag(b, "WAVE");
  b.insert(b.end(), chunks.begin(), chunks.end());
  return b;
}

// A plain WAVE file holding the given data bytes.
inline Bytes Wave(int channels, int rate, int bits, const Bytes& data) {
  Bytes chunks;
  PutChunk(chunks, "fmt ", FmtBody(channels, rate, bits));
  PutChunk(chunks, "data", data);
  return Riff(chunks);
}

// A 16-bit sample sequence as little-endian bytes.
inline Bytes Pcm16(const std::vector<int16_t>& v) {
  Bytes b;
  for (int16_t s : v) Put16(b, uint16_t(s));
  return b;
}

// A 4-channel ProTracker module with one looping square-wave sample and one
// pattern whose first two channels play a few notes in turn.
inline Bytes FourChannelMod(int notes = 8) {
  Bytes m(20, 0);
  const char* title = "test tune";
  for (int i = 0; title[i]; ++i) m[i] = uint8_t(title[i]);
  const int sampleWords = 32;  // 64 bytes
  for (int s = 0; s < 31; ++s) {
    Bytes h(30, 0);
    if (s == 0) {
      const char* name = "square";
      for (int i = 0; name[i]; ++i) h[i] = uint8_t(name[i]);
      h[22] = uint8_t(sampleWords >> 8);
      h[23] = uint8_t(sampleWords);
      h[24] = 0;   // finetune
      h[25] = 64;  // volume
      h[26] = 0;   // repeat start (words)
      h[27] = 0;
      h[28] = uint8_t(sampleWords >> 8);  // repeat length (words)
      h[29] = uint8_t(sampleWords);
    } else {
      h[29] = 1;  // repeat length 1: no loop
    }
    m.insert(m.end(), h.begin(), h.end());
  }
  m.push_back(1);    // song length: one order
  m.push_back(127);  // restart byte
  Bytes order(128, 0);
  m.insert(m.end(), order.begin(), order.end());
  PutTag(m, "M.K.");
  // Pattern 0: 64 rows x 4 channels x 4 bytes.
  static const uint16_t periods[] = {428, 381, 339, 320, 285, 254, 226, 214};
  for (int row = 0; row < 64; ++row) {
    for (int ch = 0; ch < 4; ++ch) {
      uint8_t cell[4] = {0, 0, 0, 0};
      // Notes alternate between a left (0) and a right (1) channel.
      if (ch == (row / 4) % 2 && row % 4 == 0 && row / 4 < notes) {
        const uint16_t period = periods[(row / 4) % 8];
        const int sample = 1;
        cell[0] = uint8_t((sample & 0xF0) | (period >> 8));
        cell[1] = uint8_t(period & 0xFF);
        cell[2] = uint8_t((sample & 0x0F) << 4);
      }
      m.insert(m.end(), cell, cell + 4);
    }
  }
  for (int i = 0; i < sampleWords * 2; ++i) m.push_back(i < sampleWords ? 0x60 : 0xA0);
  return m;
}

// A minimal XM: `orders` orders of one empty 64-row pattern, no instruments,
// with the given restart position.
inline Bytes SilentXm(int orders, int restart) {
  Bytes m;
  const char* id = "Extended Module: ";
  for (int i = 0; id[i]; ++i) m.push_back(uint8_t(id[i]));
  for (int i = 0; i < 20; ++i) m.push_back(i < 4 ? uint8_t("tune"[i]) : 0);
  m.push_back(0x1A);
  for (int i = 0; i < 20; ++i) m.push_back(' ');
  Put16(m, 0x0104);
  Put32(m, 276);      // header size from here
  Put16(m, orders);   // song length
  Put16(m, restart);  // restart position
  Put16(m, 4);        // channels
  Put16(m, 1);        // patterns
  Put16(m, 0);        // instruments
  Put16(m, 1);        // linear frequencies
  Put16(m, 6);        // tempo
  Put16(m, 125);      // bpm
  for (int i = 0; i < 256; ++i) m.push_back(0);
  Put32(m, 9);  // pattern header length
  m.push_back(0);
  Put16(m, 64);  // rows
  Put16(m, 0);   // no packed data: every row empty
  return m;
}

}  // namespace audiotest
