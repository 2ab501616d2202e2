// The music: 4-channel "M.K." modules composed here. Every song shares one
// bank of synthesised instruments (drums, a saw bass, a pulse lead, a soft pad,
// a square for the arpeggiated chords, a bell); a seeded composer writes a
// chord progression, bass line, arpeggios, drum grooves with fills and a lead
// motif with variations into 64-row patterns.
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "tools/datagen/datagen.h"
#include "tools/datagen/dsp.h"
#include "tools/datagen/pack_contract.h"

namespace vantrel::datagen {

using namespace dsp;

namespace {

// Sample numbers of the shared instrument bank.
enum Instrument { kKick = 1, kSnare, kHat, kOpenHat, kBass, kLead, kPad, kArp, kBell };

// The channels of the four-channel layout. Players put channels 0 and 3 on
// one side and 1 and 2 on the other: the bass and the lead share the left,
// the drums and the chords the right, so that each side carries one steady
// low part and one melodic part throughout.
constexpr int kBassChannel = 0;
constexpr int kDrumChannel = 1;
constexpr int kChordChannel = 2;
constexpr int kLeadChannel = 3;

// ---- the S3M file ---------------------------------------------------------
// A Scream Tracker 3 module of the same song on six channels: the four of the
// MOD, an echo of the lead on the other side and a sustained pad.

constexpr int kS3mChannels = 6;

struct S3mCell {
  int note = -1;  // 0..35 as in Cell (C-1..B-3 of the MOD scale)
  int sample = 0;
  int volume = -1;
  int command = 0;  // 1 = A, 4 = D, 8 = H, 10 = J, ...
  int info = 0;
};
struct S3mPattern {
  S3mCell cells[64][kS3mChannels];
};

S3mCell FromModCell(const Cell& c) {
  S3mCell o;
  if (c.note >= 0) o.note = c.note, o.sample = c.sample;
  if (c.effect == 0xC) {
    o.volume = std::min(c.param, 64);
  } else if (c.effect == 0 && c.param) {
    o.command = 10, o.info = c.param;  // arpeggio
  } else if (c.effect == 4) {
    o.command = 8, o.info = c.param;  // vibrato
  } else if (c.effect == 0xA) {
    o.command = 4, o.info = c.param;  // volume slide (down in the low nibble in both formats)
  }
  // Fxx (speed/tempo) goes into the header instead.
  return o;
}

std::vector<S3mPattern> ToS3mPatterns(const std::vector<Pattern>& pats) {
  std::vector<S3mPattern> out(pats.size());
  for (size_t i = 0; i < pats.size(); ++i) {
    for (int r = 0; r < 64; ++r)
      for (int c = 0; c < 4; ++c) out[i].cells[r][c] = FromModCell(pats[i].cells[r][c]);
    for (int r = 0; r < 64; ++r) {
      // echo of the lead, three rows late and softer
      if (r >= 3) {
        S3mCell e = out[i].cells[r - 3][kLeadChannel];
        if (e.volume > 0) e.volume = e.volume * 9 / 20;
        if (e.command != 8) e.command = 0, e.info = 0;
        out[i].cells[r][4] = e;
      }
      // sustained pad on the chord of each bar
      const Cell& chord = pats[i].cells[r][kChordChannel];
      if (r % 16 == 0 && chord.note >= 0) {
        S3mCell pad;
        pad.note = std::min(35, chord.note + (chord.param >> 4));
        pad.sample = kPad;
        pad.volume = 22;
        out[i].cells[r][5] = pad;
      }
    }
  }
  return out;
}

void Put16(Bytes& b, size_t at, int v) {
  b[at] = uint8_t(v & 0xFF);
  b[at + 1] = uint8_t((v >> 8) & 0xFF);
}
void Put32At(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void Align16(Bytes& b) {
  while (b.size() % 16) b.push_back(0);
}

Bytes S3mBytes(const std::string& title, const std::vector<ModSample>& samples, const std::vector<Pattern>& modPats,
               std::vector<int> order, int tempo, int speed) {
  std::vector<S3mPattern> pats = ToS3mPatterns(modPats);
  if (order.size() % 2) order.push_back(255);  // an even order count, 255 = end
  Bytes b(96, 0);
  for (size_t i = 0; i < 27 && i < title.size(); ++i) b[i] = uint8_t(title[i]);
  b[28] = 0x1A;
  b[29] = 16;  // module type: ST3
  Put16(b, 32, int(order.size()));
  Put16(b, 34, int(samples.size()));
  Put16(b, 36, int(pats.size()));
  Put16(b, 38, 0);       // flags
  Put16(b, 40, 0x1320);  // made with 3.20
  Put16(b, 42, 2);       // unsigned samples
  b[44] = 'S', b[45] = 'C', b[46] = 'R', b[47] = 'M';
  b[48] = 64;  // global volume
  b[49] = uint8_t(speed);
  b[50] = uint8_t(tempo);
  b[51] = 0x80 | 48;  // stereo, master volume
  b[52] = 0;
  b[53] = 0;                                           // no pan table: channel sides below
  const int side[kS3mChannels] = {0, 8, 9, 1, 10, 2};  // 0..7 left, 8..15 right
  for (int c = 0; c < 32; ++c) b[64 + c] = uint8_t(c < kS3mChannels ? side[c] : 255);
  for (int o : order) b.push_back(uint8_t(o));
  size_t insPtrs = b.size();
  b.resize(b.size() + samples.size() * 2 + pats.size() * 2, 0);
  size_t patPtrs = insPtrs + samples.size() * 2;
  Align16(b);
  std::vector<size_t> insAt;
  for (size_t i = 0; i < samples.size(); ++i) {
    Put16(b, insPtrs + 2 * i, int(b.size() / 16));
    insAt.push_back(b.size());
    b.resize(b.size() + 80, 0);
  }
  for (size_t i = 0; i < pats.size(); ++i) {
    Align16(b);
    Put16(b, patPtrs + 2 * i, int(b.size() / 16));
    size_t start = b.size();
    b.push_back(0);
    b.push_back(0);
    for (int r = 0; r < 64; ++r) {
      for (int c = 0; c < kS3mChannels; ++c) {
        const S3mCell& e = pats[i].cells[r][c];
        int what = c | (e.note >= 0 ? 32 : 0) | (e.volume >= 0 ? 64 : 0) | (e.command ? 128 : 0);
        if (what == c) continue;
        b.push_back(uint8_t(what));
        if (e.note >= 0) {
          b.push_back(uint8_t(((e.note / 12 + 3) << 4) | (e.note % 12)));
          b.push_back(uint8_t(e.sample));
        }
        if (e.volume >= 0) b.push_back(uint8_t(e.volume));
        if (e.command) {
          b.push_back(uint8_t(e.command));
          b.push_back(uint8_t(e.info));
        }
      }
      b.push_back(0);
    }
    Put16(b, start, int(b.size() - start));
  }
  for (size_t i = 0; i < samples.size(); ++i) {
    Align16(b);
    const ModSample& m = samples[i];
    size_t h = insAt[i];
    size_t para = b.size() / 16;
    b[h] = 1;  // sample instrument
    const std::string file = m.name.substr(0, 12);
    for (size_t k = 0; k < file.size(); ++k) b[h + 1 + k] = uint8_t(file[k]);
    b[h + 13] = uint8_t((para >> 16) & 0xFF);
    Put16(b, h + 14, int(para & 0xFFFF));
    Put32At(b, h + 16, uint32_t(m.data.size()));
    Put32At(b, h + 20, uint32_t(m.loopLength ? m.loopStart : 0));
    Put32At(b, h + 24, uint32_t(m.loopLength ? m.loopStart + m.loopLength : 0));
    b[h + 28] = uint8_t(m.volume);
    b[h + 30] = 0;                     // not packed
    b[h + 31] = m.loopLength ? 1 : 0;  // loop flag
    Put32At(b, h + 32, 8287);          // the rate of C-4, as C-2 of the MOD scale
    for (size_t k = 0; k < m.name.size() && k < 27; ++k) b[h + 48 + k] = uint8_t(m.name[k]);
    b[h + 76] = 'S', b[h + 77] = 'C', b[h + 78] = 'R', b[h + 79] = 'S';
    for (int8_t v : m.data) b.push_back(uint8_t(uint8_t(v) ^ 0x80));
  }
  return b;
}

// ---- instruments ----------------------------------------------------------

// Samples play at 8287 Hz for C-2: a 32-sample cycle sounds at C-2.
constexpr double kModRate = 8287.0;

std::vector<int8_t> ToS8(std::vector<double> v, double peak) {
  double m = 1e-9;
  for (double x : v) m = std::max(m, std::fabs(x));
  std::vector<int8_t> out(v.size());
  for (size_t i = 0; i < v.size(); ++i) out[i] = int8_t(std::lround(std::clamp(v[i] / m * peak, -127.0, 127.0)));
  if (out.size() & 1) out.push_back(0);
  return out;
}

// A loop of `cycles` periods of `period` samples, with a second voice one
// cycle ahead over the loop for a gentle chorus; `shape` maps phase 0..1.
template <class F>
ModSample LoopInstrument(const char* name, int period, int cycles, int volume, F shape, double lowpass) {
  int n = period * cycles;
  std::vector<double> v(size_t(n) + 64);
  OnePole lp;
  // run the filter over two passes so the loop start is already settled
  for (int pass = 0; pass < 2; ++pass)
    for (int i = 0; i < n; ++i) {
      double p1 = std::fmod(double(i) / period, 1.0);
      double p2 = std::fmod(double(i) * (cycles + 1) / double(n), 1.0);
      double x = 0.6 * shape(p1) + 0.4 * shape(p2);
      double y = lowpass > 0 ? lp.Low(x, lowpass, kModRate) : x;
      if (pass == 1) v[size_t(i) + 2] = y;
    }
  v.resize(size_t(n) + 2);
  v[0] = v[1] = 0;
  ModSample s;
  s.name = name;
  s.data = ToS8(v, 110);
  s.data[0] = s.data[1] = 0;
  s.volume = volume;
  s.loopStart = 2;
  s.loopLength = n;
  return s;
}

ModSample OneShot(const char* name, double seconds, int volume, const std::function<double(double)>& f) {
  std::vector<double> v(size_t(seconds * kModRate));
  for (size_t i = 0; i < v.size(); ++i) v[i] = f(double(i) / kModRate);
  // short fade-out at the end
  size_t fade = std::min<size_t>(64, v.size());
  for (size_t i = 0; i < fade; ++i) v[v.size() - 1 - i] *= double(i) / double(fade);
  ModSample s;
  s.name = name;
  s.data = ToS8(v, 120);
  s.data[0] = s.data[1] = 0;
  s.volume = volume;
  return s;
}

std::vector<ModSample> Instruments() {
  std::vector<ModSample> s;
  Osc ko;
  s.push_back(OneShot("kick", 0.28, 64, [&](double t) {
    return ko.Sine(Sweep(150, 48, t, 0.09), kModRate) * AD(t, 0.001, 0.3) + 0.3 * AD(t, 0, 0.004);
  }));
  Noise sn(41);
  Osc so;
  Svf sf;
  s.push_back(OneShot("snare", 0.22, 56, [&](double t) {
    sf.Run(sn.White(), 2600, 0.7, kModRate);
    return 0.8 * (sf.band + 0.4 * sf.high) * AD(t, 0.0005, 0.18) + 0.5 * so.Triangle(190, kModRate) * AD(t, 0, 0.06);
  }));
  Noise hn(42);
  OnePole hh;
  s.push_back(
      OneShot("hat", 0.06, 34, [&](double t) { return hh.High(hn.White(), 3000, kModRate) * AD(t, 0.0003, 0.05); }));
  Noise on(43);
  OnePole oh;
  s.push_back(
      OneShot("open hat", 0.3, 30, [&](double t) { return oh.High(on.White(), 2600, kModRate) * AD(t, 0.001, 0.3); }));
  // bass: 64-sample cycles (an octave below the others), saw through a low-pass
  s.push_back(LoopInstrument(
      "saw bass", 64, 16, 60, [](double p) { return 2 * p - 1; }, 900));
  s.push_back(LoopInstrument(
      "pulse lead", 32, 64, 46, [](double p) { return p < 0.25 ? 1.0 : -0.35; }, 2600));
  s.push_back(LoopInstrument(
      "soft pad", 32, 96, 34, [](double p) { return p < 0.5 ? 4 * p - 1 : 3 - 4 * p; }, 1400));
  s.push_back(LoopInstrument(
      "square arp", 32, 32, 34, [](double p) { return p < 0.5 ? 0.9 : -0.9; }, 2000));
  double bp = 0, bm = 0;
  s.push_back(OneShot("bell", 1.2, 48, [&](double t) {
    double env = AD(t, 0.001, 1.1);
    bp += kTwoPi * 259.0 / kModRate;
    bm += kTwoPi * 259.0 * 3.5 / kModRate;
    return std::sin(bp + 1.8 * env * std::sin(bm)) * env;
  }));
  return s;
}

// ---- composition ----------------------------------------------------------

struct Style {
  int root;  // semitone of the key's tonic within the octave (0 = C)
  bool minor;
  std::array<int, 4> verse, chorus;  // chord roots as scale degrees (0-based)
  int swing;                         // drum feel: 0 straight, 1 driving, 2 half-time
  uint64_t seed;
  int leadInstrument;
};

const int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
const int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};

int ScaleNote(const Style& st, int degree) {
  const int* sc = st.minor ? kMinor : kMajor;
  int oct = degree >= 0 ? degree / 7 : -((-degree + 6) / 7);
  int d = degree - oct * 7;
  return st.root + sc[d] + 12 * oct;
}

// Third and fifth above a chord on a scale degree, as semitones (for 0xy).
std::pair<int, int> ChordShape(const Style& st, int degree) {
  int r = ScaleNote(st, degree), t = ScaleNote(st, degree + 2), f = ScaleNote(st, degree + 4);
  return {t - r, f - r};
}

int Clamp36(int n) {
  while (n < 0) n += 12;
  while (n > 35) n -= 12;
  return n;
}

struct Section {
  bool drums, fullDrums, bass, chords, lead, pad, fill;
  bool chorus;
  int variation;
};

// The lead motif: per bar, up to 8 onsets on an eighth/sixteenth grid with
// scale degrees relative to the chord root.
struct Motif {
  std::array<std::array<int, 16>, 2> rhythm;  // 1 = note starts, 2 = hold, 0 = rest
  std::array<std::array<int, 16>, 2> degree;
};

Motif MakeMotif(Rng& rng) {
  Motif m{};
  for (int bar = 0; bar < 2; ++bar) {
    int d = rng.Below(3) * 2;  // start on a chord tone
    for (int r = 0; r < 16;) {
      int len = (rng.Below(4) == 0) ? 4 : (rng.Below(3) == 0 ? 1 : 2);
      if (r == 0) len = 2 + rng.Below(2) * 2;
      if (r + len > 16) len = 16 - r;
      bool rest = r > 0 && rng.Below(6) == 0;
      m.rhythm[bar][r] = rest ? 0 : 1;
      for (int k = 1; k < len; ++k) m.rhythm[bar][r + k] = rest ? 0 : 2;
      int step = rng.Below(5) - 2;  // mostly stepwise
      if (rng.Below(5) == 0) step *= 2;
      d = std::clamp(d + step, -2, 7);
      for (int k = 0; k < len; ++k) m.degree[bar][r + k] = d;
      r += len;
    }
  }
  return m;
}

Pattern Compose(const Style& st, const Section& sec, const Motif& motif) {
  Pattern p{};
  const std::array<int, 4>& prog = sec.chorus ? st.chorus : st.verse;
  for (int bar = 0; bar < 4; ++bar) {
    int chord = prog[bar];
    int rootNote = ScaleNote(st, chord);
    auto [third, fifth] = ChordShape(st, chord);
    for (int r = 0; r < 16; ++r) {
      int row = bar * 16 + r;
      // drums
      Cell& d = p.cells[row][kDrumChannel];
      if (sec.drums) {
        bool lastBar = bar == 3 && sec.fill;
        if (lastBar && r >= 12) {
          d = {kSnare, 12, 0xC, 28 + (r - 12) * 12};
        } else if (st.swing == 2) {  // half-time
          if (r == 0 || (r == 10 && sec.fullDrums))
            d = {kKick, 12, 0, 0};
          else if (r == 8)
            d = {kSnare, 12, 0, 0};
          else if (r % 2 == 0 && sec.fullDrums)
            d = {kHat, 12, 0xC, r % 4 ? 28 : 40};
        } else {
          bool kick = r == 0 || r == 8 || (st.swing == 1 && (r == 6 || r == 10)) ||
                      (sec.variation && r == 14 && bar % 2);
          if (kick)
            d = {kKick, 12, 0, 0};
          else if (r == 4 || r == 12)
            d = {kSnare, 12, 0, 0};
          else if (sec.fullDrums && r == 2 && bar % 2)
            d = {kOpenHat, 12, 0xC, 30};
          else if (sec.fullDrums && r % 2 == 0)
            d = {kHat, 12, 0xC, r % 4 ? 30 : 44};
          else if (sec.fullDrums && st.swing == 1)
            d = {kHat, 12, 0xC, 22};
        }
      }
      // bass: eighths (root, octave, fifth figures)
      Cell& b = p.cells[row][kBassChannel];
      if (sec.bass && r % 2 == 0) {
        int figure[8] = {0, 0, 12, 0, 7, 0, 12, 10};
        if (st.swing == 2) figure[2] = 0, figure[6] = 7;
        int off = figure[r / 2];
        if (off == 10) off = fifth + 5 > 12 ? 10 : 7;
        bool play = st.swing == 2 ? (r % 4 == 0 || r == 14) : true;
        if (play) b = {kBass, Clamp36(rootNote + off + 12), 0xC, r == 0 ? 64 : 48};
      }
      // chords: arpeggio on every row, retriggered each half bar
      Cell& c = p.cells[row][kChordChannel];
      if (sec.chords) {
        if (r == 0 || r == 8)
          c = {kArp, Clamp36(rootNote + 12), 0, (third << 4) | fifth};
        else
          c = {0, -1, 0, (third << 4) | fifth};
        if (r == 6 || r == 14) c.effect = 0xA, c.param = 0x03;  // short decay before the retrigger
      } else if (sec.pad && (r == 0)) {
        // Louder than the sample's own level: with the drums light or gone,
        // the pad holds its side up against the bass and the bell.
        c = {kPad, Clamp36(rootNote + 12), 0xC, 54};
      } else if (sec.pad) {
        c = {0, -1, 0, (third << 4) | fifth};
      }
      // lead
      Cell& l = p.cells[row][kLeadChannel];
      if (sec.lead) {
        int mbar = bar % 2;
        int kind = motif.rhythm[mbar][r];
        int deg = motif.degree[mbar][r];
        if (sec.variation && bar >= 2) deg += (bar == 3 ? -1 : 2);
        if (bar == 3 && r >= 12 && kind) deg = 0;  // phrase ends home
        if (kind == 1) {
          int note = ScaleNote(st, chord + deg) + 24;
          l = {st.leadInstrument, Clamp36(note), 0xC, 44};
        } else if (kind == 2) {
          l = {0, -1, 4, 0x24};  // vibrato while held
        } else if (r > 0 && motif.rhythm[mbar][r - 1]) {
          l = {0, -1, 0xC, 0};  // rest: cut
        }
      } else if (sec.pad && bar % 2 == 0 && r == 0) {
        l = {kBell, Clamp36(ScaleNote(st, chord + 4) + 24), 0xC, 32};
      }
    }
  }
  return p;
}

Bytes Song(const pack::ModuleSpec& spec, const Style& st) {
  Rng rng(st.seed);
  Motif a = MakeMotif(rng), b = MakeMotif(rng);
  // Sections: intro, verse, verse', chorus, chorus', break, verse'', chorus fill
  std::vector<Section> sections = {
      {true, false, true, false, false, true, false, false, 0},   // 0 intro
      {true, true, true, true, true, false, false, false, 0},     // 1 verse
      {true, true, true, true, true, false, true, false, 1},      // 2 verse with fill
      {true, true, true, true, true, false, false, true, 0},      // 3 chorus
      {true, true, true, true, true, false, true, true, 1},       // 4 chorus variation + fill
      {false, false, true, false, false, true, false, false, 1},  // 5 break
  };
  std::vector<Pattern> pats;
  for (size_t i = 0; i < sections.size(); ++i) pats.push_back(Compose(st, sections[i], sections[i].chorus ? b : a));
  // Speed and tempo on the first two rows of the first pattern (lead channel).
  pats[0].cells[0][kLeadChannel].effect = 0xF;
  pats[0].cells[0][kLeadChannel].param = spec.bpm;
  pats[0].cells[1][kLeadChannel].effect = 0xF;
  pats[0].cells[1][kLeadChannel].param = 6;
  // Order: enough passes to pass the song's minimum length.
  std::vector<int> order = {0, 1, 2, 3, 4, 5, 1, 2, 3, 4};
  double patternSeconds = 64.0 / (spec.bpm / 15.0);
  while (order.size() * patternSeconds < spec.minSeconds + 4) {
    order.push_back(3);
    order.push_back(4);
  }
  std::string path(spec.path);
  if (path.size() > 4 && path.compare(path.size() - 4, 4, ".s3m") == 0)
    return S3mBytes(std::string(spec.title), Instruments(), pats, order, spec.bpm, 6);
  return ModBytes(std::string(spec.title), Instruments(), pats, order);
}

}  // namespace

void GenerateMusic(Pack& pack) {
  // Keys and progressions (0-based scale degrees): i-VI-III-VII, I-V-vi-IV, ...
  const Style styles[8] = {
      {9, true, {0, 5, 2, 6}, {3, 0, 4, 5}, 0, 101, kLead},    // BeatWave: A minor synth-pop
      {2, true, {0, 6, 5, 6}, {0, 3, 4, 0}, 1, 102, kLead},    // Raiders: D minor, driving
      {5, false, {0, 3, 4, 0}, {5, 3, 0, 4}, 2, 103, kBell},   // Seasons: F major, calm
      {0, false, {0, 4, 5, 3}, {3, 4, 2, 5}, 0, 104, kLead},   // OrbFlowr: C major, bright
      {7, false, {0, 5, 3, 4}, {5, 3, 0, 4}, 0, 105, kLead},   // Lumen: G major
      {4, true, {0, 3, 5, 4}, {5, 6, 0, 4}, 1, 106, kLead},    // Quarry: E minor
      {10, false, {0, 2, 3, 4}, {5, 3, 4, 0}, 2, 107, kBell},  // Tidewater: Bb major
      {1, true, {0, 5, 6, 4}, {3, 4, 0, 0}, 0, 108, kLead},    // Starlight: C# minor, six channels
  };
  int k = 0;
  for (const pack::ModuleSpec& m : pack::kModules) pack.Write(std::string(m.path), Song(m, styles[k++]));
  for (const pack::ModuleSpec& m : pack::kInGameModules) pack.Write(std::string(m.path), Song(m, styles[k++]));
}

}  // namespace vantrel::datagen
