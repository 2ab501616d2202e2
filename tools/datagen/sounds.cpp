// The 32 sound effects, synthesised at 44.1 kHz, decimated to 22050 Hz and
// written as 8-bit unsigned mono WAVE files.
#include <cmath>
#include <functional>
#include <string>

#include "tools/datagen/datagen.h"
#include "tools/datagen/dsp.h"
#include "tools/datagen/pack_contract.h"

namespace vantrel::datagen {

using namespace dsp;

namespace {

constexpr double kSr = 44100.0;

using Buffer = std::vector<double>;

Buffer Make(double seconds, const std::function<double(double t)>& f) {
  Buffer b(size_t(seconds * kSr));
  for (size_t i = 0; i < b.size(); ++i) b[i] = f(double(i) / kSr);
  return b;
}

// Half-band FIR (windowed sinc) then every second sample. A looped sound is
// filtered around its wrap so the seam stays seamless.
std::vector<double> Decimate(const Buffer& in, bool loop) {
  constexpr int kTaps = 63;
  double h[kTaps];
  double sum = 0;
  for (int i = 0; i < kTaps; ++i) {
    double n = i - (kTaps - 1) / 2.0;
    double sinc = n == 0 ? 1.0 : std::sin(kPi * 0.45 * n) / (kPi * 0.45 * n);
    double w = 0.42 - 0.5 * std::cos(kTwoPi * i / (kTaps - 1)) + 0.08 * std::cos(2 * kTwoPi * i / (kTaps - 1));
    h[i] = sinc * w;
    sum += h[i];
  }
  for (double& v : h) v /= sum;
  std::vector<double> out;
  out.reserve(in.size() / 2);
  for (size_t i = 0; i < in.size(); i += 2) {
    double acc = 0;
    for (int k = 0; k < kTaps; ++k) {
      long j = long(i) + k - (kTaps - 1) / 2;
      long n = long(in.size());
      if (loop)
        acc += h[k] * in[size_t(((j % n) + n) % n)];
      else if (j >= 0 && j < n)
        acc += h[k] * in[size_t(j)];
    }
    out.push_back(acc);
  }
  return out;
}

// Normalise to about -6 dBFS, fade the ends, dither to unsigned 8 bits. The
// game plays several effects at full volume at once (a lightning strike plays
// thunder three times), and the mixer clips: the headroom keeps such stacks
// clean.
std::vector<uint8_t> To8Bit(std::vector<double> s, double fadeMs, uint64_t seed, bool loop) {
  Normalize(s, 0.5);
  size_t fade = size_t(fadeMs * 0.001 * pack::kSampleRate);
  if (!loop) {
    for (size_t i = 0; i < fade && i < s.size(); ++i) {
      double g = double(i) / double(fade);
      s[i] *= g;
      s[s.size() - 1 - i] *= g;
    }
  }
  Rng rng(seed);
  std::vector<uint8_t> out(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    double d = (rng.Unit() - rng.Unit());  // TPDF, +-1 LSB
    double v = s[i] * 127.0 + 128.0 + d * 0.5;
    out[i] = uint8_t(std::clamp(std::lround(v), 1L, 255L));
  }
  return out;
}

Buffer Boing() {
  Osc o;
  return Make(0.18, [&](double t) {
    double f = Sweep(330, 520, t, 0.05) * (1.0 + 0.04 * std::sin(kTwoPi * 38 * t));
    return o.Sine(f, kSr) * AD(t, 0.002, 0.16);
  });
}

Buffer Tink(double carrier, double ratio, double len) {
  double ph = 0, pm = 0;
  return Make(len, [&](double t) {
    double env = AD(t, 0.001, len);
    pm += kTwoPi * carrier * ratio / kSr;
    ph += kTwoPi * carrier / kSr;
    return std::sin(ph + 2.5 * env * std::sin(pm)) * env;
  });
}

Buffer Bang() {
  Noise n(3);
  Osc o;
  Svf f;
  return Make(0.22, [&](double t) {
    f.Run(n.White(), Sweep(6000, 300, t, 0.2), 0.8, kSr);
    double thump = o.Sine(Sweep(140, 70, t, 0.1), kSr) * AD(t, 0.001, 0.15);
    return 0.7 * f.low * AD(t, 0.001, 0.2) + thump;
  });
}

Buffer AoLaser() {
  Osc a, b;
  Noise n(4);
  Svf f;
  return Make(0.12, [&](double t) {
    double ring = a.Square(Sweep(780, 600, t, 0.12), kSr) * b.Square(820, kSr);
    f.Run(n.White(), 3500, 6, kSr);
    return (0.7 * ring + 0.6 * f.band) * AD(t, 0.001, 0.1);
  });
}

Buffer Kick(double f0, double f1, double len) {
  Osc o;
  Noise n(5);
  return Make(len, [&](double t) {
    double body = o.Sine(Sweep(f0, f1, t, len * 0.5), kSr) * AD(t, 0.001, len);
    double click = n.White() * AD(t, 0.0002, 0.006);
    return body + 0.5 * click;
  });
}

Buffer ByeBall() {
  Osc o;
  return Make(0.5, [&](double t) {
    double trem = 0.75 + 0.25 * std::sin(kTwoPi * 14 * t);
    return o.Triangle(Sweep(600, 90, t, 0.5), kSr) * trem * AD(t, 0.005, 0.6);
  });
}

Buffer WowPulse() {
  Osc o;
  Svf f;
  return Make(0.2, [&](double t) {
    double freq = Sweep(420, 840, t, 0.12);
    f.Run(o.Pulse(freq, kSr, 0.3), freq * 2.2, 3, kSr);
    return f.band * AD(t, 0.004, 0.19);
  });
}

Buffer Saucer() {
  Osc o;
  return Make(0.4, [&](double t) {
    double f = Sweep(400, 1200, t, 0.4) * (1 + 0.05 * std::sin(kTwoPi * 12 * t));
    return o.Sine(f, kSr) * std::min(1.0, t / 0.01) * std::min(1.0, (0.4 - t) / 0.08);
  });
}

Buffer Orchestr() {
  Osc a, b, c;
  OnePole lp;
  return Make(0.55, [&](double t) {
    double v = a.Saw(146.8, kSr) + b.Saw(155.6, kSr) + 0.6 * c.Saw(73.4, kSr);
    return lp.Low(v, Sweep(3000, 600, t, 0.5), kSr) * AD(t, 0.01, 0.55);
  });
}

Buffer Arpeggio(const std::vector<double>& notes, double step, double tail) {
  Osc o;
  double len = step * double(notes.size()) + tail;
  return Make(len, [&](double t) {
    size_t k = std::min(notes.size() - 1, size_t(t / step));
    double local = t - double(k) * step;
    double env = k + 1 == notes.size() ? AD(local, 0.002, tail + step) : AD(local, 0.002, step * 2.5);
    return o.Square(notes[k], kSr) * env * 0.8;
  });
}

Buffer SweepDown() {
  Osc o;
  return Make(0.4, [&](double t) { return o.Square(Sweep(1200, 300, t, 0.4), kSr) * AD(t, 0.003, 0.5) * 0.8; });
}

Buffer Peow() {
  Osc o;
  Svf f;
  return Make(0.25, [&](double t) {
    double freq = Sweep(2000, 400, t, 0.22);
    f.Run(o.Saw(freq, kSr), freq * 1.5, 5, kSr);
    return f.low * AD(t, 0.001, 0.26);
  });
}

Buffer Fanfare() {
  const double notes[4] = {523.25, 659.26, 783.99, 1046.5};
  Osc a, b;
  return Make(1.25, [&](double t) {
    int k = std::min(3, int(t / 0.14));
    double local = t - k * 0.14;
    double env = k == 3 ? AD(local, 0.005, 1.0) * (1.0 - std::max(0.0, t - 1.1) / 0.15)
                        : std::min(1.0, local / 0.005) * (0.7 + 0.3 * std::exp(-local * 20));
    double vib = 1.0 + (k == 3 ? 0.006 * std::sin(kTwoPi * 5.5 * local) : 0.0);
    double f = notes[k] * vib;
    return (a.Pulse(f, kSr, 0.25) * 0.6 + b.Pulse(f * 1.5, kSr, 0.3) * 0.3) * env;
  });
}

Buffer Explosion(double len, double lp0, double lp1, uint64_t seed, bool crackles) {
  Noise n(seed);
  Svf f;
  OnePole rumble;
  return Make(len, [&](double t) {
    f.Run(n.White(), Sweep(lp0, lp1, t, len * 0.7), 0.7, kSr);
    double body = f.low * AD(t, 0.002, len);
    double tail = rumble.Low(n.Brown(), 120, kSr) * 4.0 * AD(t, 0.05, len * 1.1);
    double crack = 0;
    if (crackles && n.rng().Below(900) == 0) crack = n.White() * 2.0 * AD(t, 0, len);
    return body + tail * 0.8 + crack;
  });
}

Buffer Ricochet() {
  Osc o;
  Noise n(8);
  return Make(0.3, [&](double t) {
    return o.Sine(Sweep(3000, 1500, t, 0.3), kSr) * AD(t, 0.001, 0.3) + 0.5 * n.White() * AD(t, 0.0005, 0.02);
  });
}

Buffer BandNoiseSweep(double f0, double f1, double len, double q, uint64_t seed) {
  Noise n(seed);
  Svf f;
  return Make(len, [&](double t) {
    f.Run(n.White(), Sweep(f0, f1, t, len), q, kSr);
    double u = t / len;
    return f.band * std::sin(kPi * std::pow(u, 0.7));
  });
}

Buffer Gunfire() {
  Osc o;
  return Make(0.12, [&](double t) { return o.Square(Sweep(1600, 300, t, 0.12), kSr) * AD(t, 0.001, 0.14); });
}

Buffer Humm() {
  Osc a, b;
  OnePole lp;
  return Make(0.4, [&](double t) {
    double v = a.Saw(110, kSr) + 0.6 * b.Saw(220, kSr);
    double trem = 0.7 + 0.3 * std::sin(kTwoPi * 8 * t);
    return lp.Low(v, 1200, kSr) * trem * std::min(1.0, t / 0.02) * std::min(1.0, (0.4 - t) / 0.1);
  });
}

Buffer Glass(int partials, double len, uint64_t seed) {
  const double fr[5] = {2100, 3170, 4420, 5810, 7300};
  const double dec[5] = {0.5, 0.38, 0.3, 0.22, 0.16};
  Osc o[5];
  Noise n(seed);
  return Make(len, [&](double t) {
    double v = 0;
    for (int k = 0; k < partials; ++k) {
      double start = 0.012 * k;
      v += o[k].Sine(fr[k], kSr) * AD(t - start, 0.0005, dec[k] * len / 0.5) * (t >= start ? 1 : 0);
    }
    return v / partials + 0.4 * n.White() * AD(t, 0.0003, 0.01);
  });
}

Buffer OrchBlast() {
  const double f[4] = {130.8, 164.8, 196.0, 261.6};
  Osc o[4];
  Noise n(9);
  OnePole lp;
  return Make(0.7, [&](double t) {
    double v = 0;
    for (int k = 0; k < 4; ++k) v += o[k].Saw(f[k], kSr);
    v = lp.Low(v * 0.35, Sweep(5000, 900, t, 0.7), kSr);
    return v * AD(t, 0.004, 0.75) + 0.5 * n.White() * AD(t, 0.0005, 0.03);
  });
}

Buffer Tank() {
  Noise n(10);
  Osc o;
  OnePole lp;
  return Make(0.5, [&](double t) {
    double am = 0.6 + 0.4 * std::sin(kTwoPi * 9 * t);
    double v = lp.Low(n.Brown() + 0.5 * o.Square(45, kSr), 400, kSr);
    return v * am * std::min(1.0, t / 0.03) * std::min(1.0, (0.5 - t) / 0.1);
  });
}

Buffer HighVoltage() {
  Osc o[6];
  Noise n(11);
  double gate = 0.3;
  return Make(1.5, [&](double t) {
    double v = 0;
    for (int k = 0; k < 6; ++k) v += o[k].Square(50.0 * (k + 1), kSr) / (k + 1);
    if (n.rng().Below(2000) == 0) gate = 1.0;
    gate = 0.3 + (gate - 0.3) * 0.9995;
    double crackle = n.rng().Below(30) == 0 ? n.White() * gate : 0.0;
    return (v * 0.5 * gate + crackle) * std::min(1.0, t / 0.02) * std::min(1.0, (1.5 - t) / 0.2);
  });
}

Buffer Thunder() {
  Noise n(12);
  Svf crack;
  OnePole lp1, lp2;
  return Make(2.5, [&](double t) {
    crack.Run(n.White(), 5000, 0.7, kSr);
    // a tearing crack: three bursts before the rumble rolls in
    double c = crack.low * (AD(t, 0.0005, 0.22) + 0.8 * AD(t - 0.07, 0.0005, 0.2) * (t > 0.07) +
                            0.6 * AD(t - 0.16, 0.0005, 0.3) * (t > 0.16));
    double swell = 0.6 + 0.4 * std::sin(kTwoPi * 1.3 * t + 1.0) * std::sin(kTwoPi * 0.7 * t);
    double r = lp2.Low(lp1.Low(n.Brown(), 300, kSr), 180, kSr) * 9.0 * swell * AD(t - 0.05, 0.15, 2.6);
    return c * 1.6 + (t > 0.05 ? r : 0.0);
  });
}

Buffer Fire(uint64_t seed) {
  Noise n(seed);
  OnePole lp, hp;
  Svf pop;
  return Make(3.1, [&](double) {
    double bed = lp.Low(n.Brown(), 500, kSr) * 1.2;
    double imp = n.rng().Below(1400) == 0 ? n.White() * 3.0 : 0.0;
    pop.Run(imp, 2500, 4, kSr);
    return hp.High(bed + pop.band * 0.7, 40, kSr);
  });
}

// Cross-fades the last 100 ms into the first so the sound loops seamlessly.
Buffer MakeLoop(Buffer b, double seconds) {
  size_t x = size_t(0.1 * kSr);
  size_t n = size_t(seconds * kSr);
  Buffer out(b.begin(), b.begin() + long(n));
  for (size_t i = 0; i < x; ++i) {
    double g = double(i) / double(x);
    out[i] = out[i] * g + b[n + i] * (1.0 - g);
  }
  return out;
}

Buffer ChChing() {
  double p1 = 0, m1 = 0, p2 = 0, m2 = 0;
  Noise n(14);
  Svf f;
  return Make(0.6, [&](double t) {
    auto bell = [&](double& p, double& m, double fr, double start) {
      if (t < start) return 0.0;
      double env = AD(t - start, 0.001, 0.5);
      p += kTwoPi * fr / kSr;
      m += kTwoPi * fr * 1.41 / kSr;
      return std::sin(p + 2.0 * env * std::sin(m)) * env;
    };
    f.Run(n.White(), 6000, 2, kSr);
    double rattle = f.band * AD(t - 0.08, 0.003, 0.25) * (t > 0.08 ? 1 : 0);
    return bell(p1, m1, 2000, 0.0) * 0.6 + bell(p2, m2, 2600, 0.09) * 0.6 + rattle * 0.5;
  });
}

Buffer Lock() {
  Noise n(15);
  OnePole hp;
  return Make(0.06, [&](double t) {
    double c = n.White() * (AD(t, 0.0001, 0.004) + 0.8 * AD(t - 0.004, 0.0001, 0.005) * (t > 0.004 ? 1 : 0));
    return hp.High(c, 2000, kSr);
  });
}

Buffer X2() {
  Osc a, b;
  Buffer dry = Make(0.4, [&](double t) {
    double v = 0;
    if (t < 0.09) v += a.Sine(880 * (1 + 0.1 * t / 0.09), kSr) * AD(t, 0.002, 0.1);
    if (t >= 0.1 && t < 0.22) v += b.Sine(1320 * (1 + 0.1 * (t - 0.1) / 0.1), kSr) * AD(t - 0.1, 0.002, 0.12);
    return v;
  });
  Buffer out = dry;
  size_t d = size_t(0.11 * kSr);
  for (size_t i = d; i < out.size(); ++i) out[i] += 0.4 * out[i - d];
  return out;
}

}  // namespace

void GenerateSounds(Pack& pack) {
  std::vector<std::function<Buffer()>> recipes = {
      Boing,                                 // boing
      [] { return Tink(1400, 3.5, 0.12); },  // effect
      Bang,                                  // bang
      AoLaser,                               // ao-laser
      [] { return Kick(140, 45, 0.15); },    // bassdrum
      ByeBall,                               // byeball
      WowPulse,                              // wowpulse
      Saucer,                                // saucer
      Orchestr,                              // orchestr
      [] {
        return Arpeggio({523.25, 659.26, 783.99}, 0.08, 0.1);
      },                                                       // effect2
      SweepDown,                                               // sweepdow
      Peow,                                                    // peow!
      Fanfare,                                                 // fanfare
      [] { return Explosion(1.2, 8000, 200, 13, true); },      // padexplo
      Ricochet,                                                // ricochet
      [] { return BandNoiseSweep(800, 4000, 0.15, 3, 16); },   // swordswi
      Gunfire,                                                 // gunfire
      Humm,                                                    // humm
      [] { return Glass(5, 0.5, 18); },                        // glass
      OrchBlast,                                               // orchblas
      Tank,                                                    // tank
      [] { return Explosion(0.3, 3000, 300, 21, false); },     // xplosht1
      [] { return Explosion(0.25, 1800, 200, 22, false); },    // xploshor
      HighVoltage,                                             // HighVoltage8
      Thunder,                                                 // Thunder8
      [] { return MakeLoop(Fire(25), 3.0); },                  // FireLow8
      [] { return BandNoiseSweep(300, 3000, 0.3, 1.5, 26); },  // Whoosh
      ChChing,                                                 // ChChing
      [] { return Kick(180, 90, 0.15); },                      // VolleyBall03_Loud
      [] { return Glass(3, 0.2, 29); },                        // Glass_Short
      Lock,                                                    // Lock
      X2,                                                      // x2
  };
  for (size_t i = 0; i < pack::kSounds.size(); ++i) {
    bool loop = int(i) == pack::kLoopedSound;
    std::vector<double> s = Decimate(recipes[i](), loop);
    std::vector<uint8_t> pcm = To8Bit(std::move(s), 2.0, 1000 + i, loop);
    pack.Write(std::string(pack::kSoundFolder) + std::string(pack::kSounds[i]), Wave8Bytes(pcm, pack::kSampleRate));
  }
}

}  // namespace vantrel::datagen
