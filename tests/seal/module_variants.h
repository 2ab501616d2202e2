#pragma once
// Writes valid tracker modules of many shapes, for the module tests and as
// seeds for the module fuzz targets: MODs of every channel-count tag (and the
// old 15-sample kind), XMs with envelopes, ping-pong and 16-bit samples and
// instruments without samples, S3Ms with 8/16-bit samples and stereo; songs
// whose patterns walk through every effect and parameter value, samples
// whose loops sit at the edges of their data. Also the damaged files that
// used to bring playback down (see CraftedModules).
//
// Every writer is deterministic and depends on nothing but its arguments.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace vantrel::test {

struct ModuleVariant {
  std::string name;  // file name, with the format's extension
  std::vector<std::uint8_t> bytes;
};

namespace variants {

using Bytes = std::vector<std::uint8_t>;

inline void Put16le(Bytes& b, std::uint32_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32le(Bytes& b, std::uint32_t v) {
  Put16le(b, v & 0xFFFF);
  Put16le(b, v >> 16);
}
inline void Put16be(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}
inline void PutText(Bytes& b, const char* text, std::size_t width) {
  const std::size_t n = std::min(std::strlen(text), width);
  b.insert(b.end(), text, text + n);
  b.insert(b.end(), width - n, 0);
}

// A waveform of `n` signed 8-bit values: 0 square, 1 saw, 2 noise-like.
inline std::vector<std::int8_t> Wave8(std::size_t n, int shape) {
  std::vector<std::int8_t> w(n);
  std::uint32_t r = 12345;
  for (std::size_t k = 0; k < n; ++k) {
    int v = 0;
    if (shape == 0) v = (k % 32) < 16 ? 90 : -90;
    if (shape == 1) v = static_cast<int>(k % 64) * 4 - 128;
    if (shape == 2) {
      r = r * 1103515245u + 12345u;
      v = static_cast<int>((r >> 16) & 0xFF) - 128;
    }
    w[k] = static_cast<std::int8_t>(std::clamp(v, -128, 127));
  }
  return w;
}

// ---- MOD ----------------------------------------------------------------------

struct ModSample {
  std::uint32_t words = 0;      // length in words, as the header says
  std::uint32_t loopStart = 0;  // words
  std::uint32_t loopWords = 1;  // 1 = no loop
  std::uint8_t volume = 64;
  std::uint8_t finetune = 0;
  std::vector<std::int8_t> data;  // what the file holds (may differ from words * 2)
};

struct ModCell {
  int sample = 0, period = 0, effect = 0, param = 0;
};

// `tag` is the 4-byte channel tag ("M.K.", "6CHN", "16CH", ...), or empty
// for a 15-sample module without a tag. `cells(pattern, row, channel)` fills
// the patterns.
template <typename CellFn>
Bytes WriteMod(const char* tag, int channels, const std::vector<ModSample>& samples, const std::vector<int>& orders,
               int restart, int patterns, CellFn cells) {
  const bool old = tag[0] == '\0';
  const int slots = old ? 15 : 31;
  Bytes m;
  PutText(m, "variant", 20);
  for (int k = 0; k < slots; ++k) {
    std::uint8_t h[30] = {};
    if (k < static_cast<int>(samples.size())) {
      const ModSample& s = samples[k];
      std::snprintf(reinterpret_cast<char*>(h), 22, "sample %d", k + 1);
      Put16be(h + 22, s.words);
      h[24] = s.finetune;
      h[25] = s.volume;
      Put16be(h + 26, s.loopStart);
      Put16be(h + 28, s.loopWords);
    }
    m.insert(m.end(), h, h + 30);
  }
  m.push_back(static_cast<std::uint8_t>(orders.size()));
  m.push_back(static_cast<std::uint8_t>(restart));
  for (int k = 0; k < 128; ++k) {
    m.push_back(k < static_cast<int>(orders.size()) ? static_cast<std::uint8_t>(orders[k]) : 0);
  }
  if (!old) m.insert(m.end(), tag, tag + 4);
  for (int p = 0; p < patterns; ++p) {
    for (int row = 0; row < 64; ++row) {
      for (int ch = 0; ch < channels; ++ch) {
        const ModCell c = cells(p, row, ch);
        m.push_back(static_cast<std::uint8_t>((c.sample & 0xF0) | ((c.period >> 8) & 0x0F)));
        m.push_back(static_cast<std::uint8_t>(c.period));
        m.push_back(static_cast<std::uint8_t>(((c.sample & 0x0F) << 4) | (c.effect & 0x0F)));
        m.push_back(static_cast<std::uint8_t>(c.param));
      }
    }
  }
  for (const ModSample& s : samples) {
    for (std::int8_t v : s.data) m.push_back(static_cast<std::uint8_t>(v));
  }
  return m;
}

inline std::vector<ModSample> ModSamples() {
  std::vector<ModSample> s(5);
  s[0].words = 32;  // whole sample looped
  s[0].loopStart = 0;
  s[0].loopWords = 32;
  s[0].data = Wave8(64, 0);
  s[1].words = 512;  // not looped
  s[1].data = Wave8(1024, 1);
  s[2].words = 100;  // a loop of one word at the very end
  s[2].loopStart = 99;
  s[2].loopWords = 1;
  s[2].data = Wave8(200, 2);
  s[3].words = 64;  // a two-word loop at the very end, fine-tuned
  s[3].loopStart = 62;
  s[3].loopWords = 2;
  s[3].finetune = 9;
  s[3].volume = 40;
  s[3].data = Wave8(128, 0);
  s[4].words = 0;  // an empty slot that notes still name
  return s;
}

inline const std::uint16_t kPeriods[] = {856, 762, 678, 640, 570, 508, 453, 428,
                                         381, 339, 320, 285, 254, 226, 214, 113};

// A plain tune: a note every other row on each channel, a pattern break
// on the last order's last used row.
inline Bytes MakeModTune(const char* tag, int channels, int orders, int restart) {
  std::vector<int> list;
  for (int k = 0; k < orders; ++k) list.push_back(k % 3);
  const int patterns = std::min(orders, 3);
  const bool old = tag[0] == '\0';  // Soundtracker: no finetune, no pattern break
  std::vector<ModSample> samples = ModSamples();
  if (old) {
    for (ModSample& s : samples) s.finetune = 0;
  }
  return WriteMod(tag, channels, samples, list, restart, patterns, [&](int p, int row, int ch) {
    ModCell c;
    if ((row + ch) % 2 == 0) {
      c.sample = 1 + (row / 2 + ch + p) % 4;
      c.period = kPeriods[(row + ch * 3 + p) % 16];
    }
    if (row == 15 && ch == 0 && !old) c.effect = 0xD;  // short patterns
    return c;
  });
}

// Every effect with every parameter value, in order: cell k of the song
// (counting rows, then channels) holds effect k / 256 with parameter k % 256,
// each with a note on it. Jumps, breaks and loops send the song around.
inline Bytes MakeModEffectSweep(int channels) {
  const int cellsPerPattern = 64 * channels;
  const int patterns = (16 * 256 + cellsPerPattern - 1) / cellsPerPattern;
  std::vector<int> list;
  for (int k = 0; k < patterns; ++k) list.push_back(k);
  const char* tag = channels == 4 ? "M.K." : channels == 8 ? "8CHN" : "6CHN";
  return WriteMod(tag, channels, ModSamples(), list, 0, patterns, [&](int p, int row, int ch) {
    const int k = p * cellsPerPattern + row * channels + ch;
    ModCell c;
    if (k < 16 * 256) {
      c.effect = k / 256;
      c.param = k % 256;
    }
    c.sample = 1 + k % 5;
    c.period = kPeriods[k % 16];
    return c;
  });
}

// ---- XM -----------------------------------------------------------------------

struct XmSample {
  std::vector<std::int16_t> data;  // 8-bit samples hold -128..127
  bool sixteen = false;
  int loopType = 0;                             // 0 none, 1 forward, 2 ping-pong
  std::uint32_t loopStart = 0, loopLength = 0;  // frames
  std::uint8_t volume = 64, panning = 128;
  std::int8_t finetune = 0, relativeNote = 0;
};

struct XmInstrument {
  std::vector<XmSample> samples;
  std::vector<std::pair<int, int>> volumeEnvelope, panEnvelope;  // (tick, value)
  int volumeSustain = -1, volumeLoop[2] = {-1, -1};
  int fadeout = 0;
  int vibrato[4] = {0, 0, 0, 0};  // type, sweep, depth, rate
};

struct XmCell {
  int note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

template <typename CellFn>
Bytes WriteXm(int channels, int rows, const std::vector<int>& orders, int restart, int patterns,
              const std::vector<XmInstrument>& instruments, bool packed, CellFn cells) {
  Bytes m;
  PutText(m, "Extended Module: ", 17);
  PutText(m, "variant", 20);
  m.push_back(0x1A);
  PutText(m, "variants", 20);
  Put16le(m, 0x0104);
  Put32le(m, 276);
  Put16le(m, static_cast<std::uint32_t>(orders.size()));
  Put16le(m, static_cast<std::uint32_t>(restart));
  Put16le(m, static_cast<std::uint32_t>(channels));
  Put16le(m, static_cast<std::uint32_t>(patterns));
  Put16le(m, static_cast<std::uint32_t>(instruments.size()));
  Put16le(m, 1);    // linear frequencies
  Put16le(m, 6);    // speed
  Put16le(m, 125);  // tempo
  for (int k = 0; k < 256; ++k) {
    m.push_back(k < static_cast<int>(orders.size()) ? static_cast<std::uint8_t>(orders[k]) : 0);
  }
  for (int p = 0; p < patterns; ++p) {
    Bytes data;
    for (int row = 0; row < rows; ++row) {
      for (int ch = 0; ch < channels; ++ch) {
        const XmCell c = cells(p, row, ch);
        const int v[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
        if (packed) {
          std::uint8_t mask = 0;
          for (int f = 0; f < 5; ++f) mask |= v[f] != 0 ? (1 << f) : 0;
          data.push_back(static_cast<std::uint8_t>(0x80 | mask));
          for (int f = 0; f < 5; ++f) {
            if (v[f] != 0) data.push_back(static_cast<std::uint8_t>(v[f]));
          }
        } else {
          for (int f = 0; f < 5; ++f) data.push_back(static_cast<std::uint8_t>(v[f]));
        }
      }
    }
    Put32le(m, 9);
    m.push_back(0);
    Put16le(m, static_cast<std::uint32_t>(rows));
    Put16le(m, static_cast<std::uint32_t>(data.size()));
    m.insert(m.end(), data.begin(), data.end());
  }
  for (const XmInstrument& ins : instruments) {
    const bool hasSamples = !ins.samples.empty();
    Put32le(m, hasSamples ? 263 : 29);
    PutText(m, "instrument", 22);
    m.push_back(0);
    Put16le(m, static_cast<std::uint32_t>(ins.samples.size()));
    if (!hasSamples) continue;
    Put32le(m, 40);
    for (int k = 0; k < 96; ++k) m.push_back(static_cast<std::uint8_t>(k * ins.samples.size() / 96));
    for (const auto* env : {&ins.volumeEnvelope, &ins.panEnvelope}) {
      for (int k = 0; k < 12; ++k) {
        const bool have = k < static_cast<int>(env->size());
        Put16le(m, have ? static_cast<std::uint32_t>((*env)[k].first) : 0);
        Put16le(m, have ? static_cast<std::uint32_t>((*env)[k].second) : 0);
      }
    }
    m.push_back(static_cast<std::uint8_t>(ins.volumeEnvelope.size()));
    m.push_back(static_cast<std::uint8_t>(ins.panEnvelope.size()));
    m.push_back(static_cast<std::uint8_t>(std::max(ins.volumeSustain, 0)));
    m.push_back(static_cast<std::uint8_t>(std::max(ins.volumeLoop[0], 0)));
    m.push_back(static_cast<std::uint8_t>(std::max(ins.volumeLoop[1], 0)));
    m.push_back(0);
    m.push_back(0);
    m.push_back(0);
    std::uint8_t volumeType = ins.volumeEnvelope.empty() ? 0 : 1;
    if (ins.volumeSustain >= 0) volumeType |= 2;
    if (ins.volumeLoop[0] >= 0) volumeType |= 4;
    m.push_back(volumeType);
    m.push_back(ins.panEnvelope.empty() ? 0 : 1);
    for (int v : ins.vibrato) m.push_back(static_cast<std::uint8_t>(v));
    Put16le(m, static_cast<std::uint32_t>(ins.fadeout));
    m.insert(m.end(), 22, 0);  // reserved, up to the 263-byte header
    for (const XmSample& s : ins.samples) {
      const std::uint32_t unit = s.sixteen ? 2 : 1;
      Put32le(m, static_cast<std::uint32_t>(s.data.size()) * unit);
      Put32le(m, s.loopStart * unit);
      Put32le(m, s.loopLength * unit);
      m.push_back(s.volume);
      m.push_back(static_cast<std::uint8_t>(s.finetune));
      m.push_back(static_cast<std::uint8_t>(s.loopType | (s.sixteen ? 0x10 : 0)));
      m.push_back(s.panning);
      m.push_back(static_cast<std::uint8_t>(s.relativeNote));
      m.push_back(0);
      PutText(m, "sample", 22);
    }
    for (const XmSample& s : ins.samples) {  // delta-coded
      int previous = 0;
      for (std::int16_t v : s.data) {
        const int delta = v - previous;
        previous = v;
        if (s.sixteen) {
          Put16le(m, static_cast<std::uint16_t>(delta));
        } else {
          m.push_back(static_cast<std::uint8_t>(delta));
        }
      }
    }
  }
  return m;
}

inline std::vector<XmInstrument> XmInstruments() {
  std::vector<XmInstrument> list(4);
  {  // 8-bit forward loop over the whole sample, volume and pan envelopes
    XmSample s;
    for (std::int8_t v : Wave8(64, 0)) s.data.push_back(v);
    s.loopType = 1;
    s.loopLength = 64;
    list[0].samples.push_back(s);
    list[0].volumeEnvelope = {{0, 64}, {8, 40}, {30, 50}, {60, 0}};
    list[0].volumeSustain = 1;
    list[0].volumeLoop[0] = 1;
    list[0].volumeLoop[1] = 2;
    list[0].panEnvelope = {{0, 0}, {20, 64}, {40, 32}};
    list[0].fadeout = 0x400;
    list[0].vibrato[0] = 1;
    list[0].vibrato[1] = 4;
    list[0].vibrato[2] = 8;
    list[0].vibrato[3] = 16;
  }
  {  // 16-bit ping-pong loop of two frames at the very end; a second sample
     // without a loop and a one-frame sample
    XmSample s;
    s.sixteen = true;
    for (int k = 0; k < 300; ++k) s.data.push_back(static_cast<std::int16_t>((k % 50) * 1000 - 25000));
    s.loopType = 2;
    s.loopStart = 298;
    s.loopLength = 2;
    s.relativeNote = 12;
    s.finetune = -16;
    list[1].samples.push_back(s);
    XmSample t;
    for (std::int8_t v : Wave8(700, 1)) t.data.push_back(v);
    t.panning = 20;
    list[1].samples.push_back(t);
    XmSample one;
    one.data = {100};
    one.loopType = 1;
    one.loopLength = 1;
    list[1].samples.push_back(one);
  }
  // An instrument without samples (notes may still name it).
  {  // a sample of length zero with a loop set
    XmSample s;
    s.loopType = 1;
    s.loopStart = 0;
    s.loopLength = 0;
    list[3].samples.push_back(s);
    list[3].volumeEnvelope = {{0, 64}};
  }
  return list;
}

inline Bytes MakeXmTune(int channels, int restart, bool packed) {
  const std::vector<int> orders = {0, 1, 0, 1};
  return WriteXm(channels, 16, orders, restart, 2, XmInstruments(), packed, [&](int p, int row, int ch) {
    XmCell c;
    if ((row + ch) % 3 == 0) {
      c.note = 37 + (row + ch * 5 + p * 7) % 40;
      c.instrument = 1 + (row + ch) % 2;
    }
    if (row == 8 && ch == 1) c.note = 97;  // key off
    return c;
  });
}

// Every effect (0..35) with every parameter and every volume-column value.
inline Bytes MakeXmEffectSweep(int channels) {
  const int rows = 64;
  const int cellsPerPattern = rows * channels;
  const int total = 36 * 256;
  const int patterns = (total + cellsPerPattern - 1) / cellsPerPattern;
  std::vector<int> orders;
  for (int k = 0; k < patterns; ++k) orders.push_back(k);
  return WriteXm(channels, rows, orders, 0, patterns, XmInstruments(), true, [&](int p, int row, int ch) {
    const int k = p * cellsPerPattern + row * channels + ch;
    XmCell c;
    if (k < total) {
      c.effect = k / 256;
      c.param = k % 256;
    }
    c.volume = k % 256;
    c.note = k % 7 == 0 ? 97 : 1 + k % 96;
    c.instrument = 1 + k % 5;  // 5 names one past the last
    return c;
  });
}

// ---- S3M ----------------------------------------------------------------------

struct S3mSample {
  std::vector<std::int16_t> data;  // per channel when stereo: left block, then right
  bool sixteen = false, stereo = false, loop = false;
  std::uint32_t loopStart = 0, loopEnd = 0;  // frames
  std::uint8_t volume = 64;
  std::uint32_t c2spd = 8363;
  int type = 1;  // 1 sample, 0 empty slot
};

struct S3mCell {
  int note = 255, instrument = 0, volume = -1, effect = 0, param = 0;
};

template <typename CellFn>
Bytes WriteS3m(int channels, const std::vector<int>& orders, int patterns, const std::vector<S3mSample>& samples,
               CellFn cells) {
  Bytes m;
  PutText(m, "variant", 28);
  m.push_back(0x1A);
  m.push_back(16);
  m.push_back(0);
  m.push_back(0);
  Put16le(m, static_cast<std::uint32_t>(orders.size()));
  Put16le(m, static_cast<std::uint32_t>(samples.size()));
  Put16le(m, static_cast<std::uint32_t>(patterns));
  Put16le(m, 0);       // flags
  Put16le(m, 0x1320);  // tracker version
  Put16le(m, 2);       // unsigned sample data
  PutText(m, "SCRM", 4);
  m.push_back(64);    // global volume
  m.push_back(6);     // speed
  m.push_back(125);   // tempo
  m.push_back(0xB0);  // master volume, stereo
  m.push_back(0);
  m.push_back(0);  // no pan table
  m.insert(m.end(), 10, 0);
  for (int c = 0; c < 32; ++c) {
    m.push_back(c < channels ? static_cast<std::uint8_t>(c % 2 == 0 ? c / 2 % 8 : 8 + c / 2 % 8) : 0xFF);
  }
  for (int o : orders) m.push_back(static_cast<std::uint8_t>(o));
  const std::size_t pointers = m.size();
  m.resize(m.size() + 2 * (samples.size() + static_cast<std::size_t>(patterns)), 0);
  auto align = [&] { m.resize((m.size() + 15) / 16 * 16, 0); };
  auto setPointer = [&](std::size_t slot, std::size_t at) {
    m[pointers + slot * 2] = static_cast<std::uint8_t>(at / 16);
    m[pointers + slot * 2 + 1] = static_cast<std::uint8_t>(at / 16 >> 8);
  };
  std::vector<std::size_t> headers;
  for (std::size_t k = 0; k < samples.size(); ++k) {
    align();
    setPointer(k, m.size());
    headers.push_back(m.size());
    m.resize(m.size() + 0x50, 0);
  }
  for (int p = 0; p < patterns; ++p) {
    align();
    setPointer(samples.size() + p, m.size());
    Bytes data;
    for (int row = 0; row < 64; ++row) {
      for (int ch = 0; ch < channels; ++ch) {
        const S3mCell c = cells(p, row, ch);
        std::uint8_t what = static_cast<std::uint8_t>(ch);
        if (c.note != 255 || c.instrument != 0) what |= 0x20;
        if (c.volume >= 0) what |= 0x40;
        if (c.effect != 0) what |= 0x80;
        if (what == ch) continue;
        data.push_back(what);
        if (what & 0x20) {
          data.push_back(static_cast<std::uint8_t>(c.note));
          data.push_back(static_cast<std::uint8_t>(c.instrument));
        }
        if (what & 0x40) data.push_back(static_cast<std::uint8_t>(c.volume));
        if (what & 0x80) {
          data.push_back(static_cast<std::uint8_t>(c.effect));
          data.push_back(static_cast<std::uint8_t>(c.param));
        }
      }
      data.push_back(0);
    }
    Put16le(m, static_cast<std::uint32_t>(data.size() + 2));
    m.insert(m.end(), data.begin(), data.end());
  }
  for (std::size_t k = 0; k < samples.size(); ++k) {
    const S3mSample& s = samples[k];
    align();
    const std::size_t at = m.size();
    std::uint8_t* h = m.data() + headers[k];
    h[0] = static_cast<std::uint8_t>(s.type);
    if (s.type == 1) {
      h[0x0D] = static_cast<std::uint8_t>(at / 16 >> 16);
      h[0x0E] = static_cast<std::uint8_t>(at / 16);
      h[0x0F] = static_cast<std::uint8_t>(at / 16 >> 8);
    }
    const std::uint32_t frames = static_cast<std::uint32_t>(s.data.size() / (s.stereo ? 2 : 1));
    auto put32 = [](std::uint8_t* p, std::uint32_t v) {
      for (int b = 0; b < 4; ++b) p[b] = static_cast<std::uint8_t>(v >> (8 * b));
    };
    put32(h + 0x10, frames);
    put32(h + 0x14, s.loopStart);
    put32(h + 0x18, s.loopEnd);
    h[0x1C] = s.volume;
    h[0x1F] = static_cast<std::uint8_t>((s.loop ? 1 : 0) | (s.stereo ? 2 : 0) | (s.sixteen ? 4 : 0));
    put32(h + 0x20, s.c2spd);
    std::memcpy(h + 0x30, "sample", 6);
    std::memcpy(h + 0x4C, "SCRS", 4);
    if (s.type != 1) continue;
    for (std::int16_t v : s.data) {  // unsigned
      if (s.sixteen) {
        Put16le(m, static_cast<std::uint16_t>(v + 32768));
      } else {
        m.push_back(static_cast<std::uint8_t>(v + 128));
      }
    }
  }
  return m;
}

inline std::vector<S3mSample> S3mSamples() {
  std::vector<S3mSample> list(5);
  for (std::int8_t v : Wave8(64, 0)) list[0].data.push_back(v);
  list[0].loop = true;
  list[0].loopEnd = 64;
  list[1].sixteen = true;  // 16-bit, a one-frame loop at the very end
  for (int k = 0; k < 400; ++k) list[1].data.push_back(static_cast<std::int16_t>((k % 40) * 1500 - 30000));
  list[1].loop = true;
  list[1].loopStart = 399;
  list[1].loopEnd = 400;
  list[1].c2spd = 22050;
  list[2].stereo = true;  // stereo: 128 left values, then 128 right ones
  for (std::int8_t v : Wave8(128, 1)) list[2].data.push_back(v);
  for (std::int8_t v : Wave8(128, 0)) list[2].data.push_back(v);
  list[2].loop = true;
  list[2].loopStart = 0;
  list[2].loopEnd = 128;
  list[3].type = 0;                                               // an empty slot
  for (std::int8_t v : Wave8(900, 2)) list[4].data.push_back(v);  // a loop end past the data
  list[4].loop = true;
  list[4].loopStart = 800;
  list[4].loopEnd = 901;
  list[4].volume = 30;
  return list;
}

inline Bytes MakeS3mTune(int channels) {
  return WriteS3m(channels, {0, 1, 254, 0, 255}, 2, S3mSamples(), [&](int p, int row, int ch) {
    S3mCell c;
    if ((row + ch) % 2 == 0) {
      c.note = ((3 + (row + ch + p) % 4) << 4) | ((row * 5 + ch) % 12);
      c.instrument = 1 + (row + ch) % 5;
    }
    if (row == 20 && ch == 0) c.note = 254;  // note cut
    if (row == 31 && ch == 0) c.effect = 3;  // pattern break: short patterns
    return c;
  });
}

// Every effect (A..Z) with every parameter, and volume column values 0..64.
inline Bytes MakeS3mEffectSweep(int channels) {
  const int cellsPerPattern = 64 * channels;
  const int total = 27 * 256;
  const int patterns = (total + cellsPerPattern - 1) / cellsPerPattern;
  std::vector<int> orders;
  for (int k = 0; k < patterns; ++k) orders.push_back(k);
  orders.push_back(255);
  return WriteS3m(channels, orders, patterns, S3mSamples(), [&](int p, int row, int ch) {
    const int k = p * cellsPerPattern + row * channels + ch;
    S3mCell c;
    if (k < total) {
      c.effect = k / 256;
      c.param = k % 256;
    }
    c.note = k % 11 == 0 ? 254 : ((2 + k % 6) << 4) | (k % 12);
    c.instrument = 1 + k % 6;  // 6 names one past the last
    c.volume = k % 65;
    return c;
  });
}

}  // namespace variants

// The well-formed variants: every one of them loads and makes sound.
inline std::vector<ModuleVariant> ModuleVariants() {
  using namespace variants;
  std::vector<ModuleVariant> out;
  out.push_back({"tune-mk.mod", MakeModTune("M.K.", 4, 5, 2)});
  out.push_back({"tune-2chn.mod", MakeModTune("2CHN", 2, 3, 0)});
  out.push_back({"tune-6chn.mod", MakeModTune("6CHN", 6, 3, 1)});
  out.push_back({"tune-8chn.mod", MakeModTune("8CHN", 8, 4, 0)});
  out.push_back({"tune-16ch.mod", MakeModTune("16CH", 16, 2, 0)});
  out.push_back({"tune-32ch.mod", MakeModTune("32CH", 32, 2, 0)});
  out.push_back({"tune-flt4.mod", MakeModTune("FLT4", 4, 3, 0)});
  out.push_back({"tune-15.mod", MakeModTune("", 4, 3, 0)});
  out.push_back({"effects-4.mod", MakeModEffectSweep(4)});
  out.push_back({"effects-8.mod", MakeModEffectSweep(8)});
  out.push_back({"tune-2.xm", MakeXmTune(2, 0, false)});
  out.push_back({"tune-8.xm", MakeXmTune(8, 2, true)});
  out.push_back({"tune-32.xm", MakeXmTune(32, 1, true)});
  out.push_back({"effects-4.xm", MakeXmEffectSweep(4)});
  out.push_back({"effects-12.xm", MakeXmEffectSweep(12)});
  out.push_back({"tune-4.s3m", MakeS3mTune(4)});
  out.push_back({"tune-16.s3m", MakeS3mTune(16)});
  out.push_back({"effects-8.s3m", MakeS3mEffectSweep(8)});
  out.push_back({"effects-32.s3m", MakeS3mEffectSweep(32)});
  return out;
}

// Damaged files of the kinds that made playback write or read out of
// bounds: a MOD whose sample headers promise far more data than the file
// holds, played with the invert-loop effect; an XM that sets the envelope
// position on an instrument without samples; a 2-channel MOD with no sample
// data at all under the same effect family.
inline std::vector<ModuleVariant> CraftedModules() {
  using namespace variants;
  std::vector<ModuleVariant> out;
  {
    std::vector<ModSample> samples = ModSamples();
    samples[0].words = 0xFFFF;  // 128 KiB promised, 64 bytes present
    samples[0].loopStart = 0x8000;
    samples[0].loopWords = 0x7FFF;
    samples[1].words = 0xFFFF;
    samples[1].loopStart = 2;
    samples[1].loopWords = 0xFFF0;
    samples.resize(2);
    Bytes m = WriteMod("M.K.", 4, samples, {0, 0}, 0, 1, [](int, int row, int ch) {
      ModCell c;
      c.sample = 1 + ch % 2;
      c.period = kPeriods[(row + ch) % 16];
      c.effect = 0xE;
      c.param = 0xF0 | ((row + ch) % 16);                           // invert loop at every speed
      if (ch == 3 && row % 8 == 4) c.effect = 0x9, c.param = 0xFF;  // offset far in
      return c;
    });
    out.push_back({"crafted-long-samples-invert-loop.mod", m});
  }
  {
    std::vector<XmInstrument> instruments(2);  // neither has samples
    instruments[1].samples.clear();
    Bytes m = WriteXm(4, 32, {0, 0}, 0, 1, instruments, true, [](int, int row, int ch) {
      XmCell c;
      c.note = 49 + row % 12;
      c.instrument = 1 + ch % 2;
      c.effect = 21;  // Lxx: set envelope position
      c.param = (row * 37 + ch * 11) & 0xFF;
      if (ch == 3) c.effect = 0x14, c.param = row;  // key off at tick
      return c;
    });
    out.push_back({"crafted-envelope-without-samples.xm", m});
  }
  {
    std::vector<ModSample> samples = ModSamples();
    for (ModSample& s : samples) s.data.clear();  // headers only, the data missing
    Bytes m = WriteMod("2CHN", 2, samples, {0}, 0, 1, [](int, int row, int ch) {
      ModCell c;
      c.sample = 1 + (row + ch) % 4;
      c.period = kPeriods[(row * 3 + ch) % 16];
      c.effect = 0xE;
      c.param = (row % 2 ? 0xF0 : 0x90) | (row % 16);  // invert loop, retrigger
      return c;
    });
    out.push_back({"crafted-2chn-no-sample-data.mod", m});
  }
  return out;
}

}  // namespace vantrel::test
