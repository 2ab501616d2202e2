#pragma once
// Small synthesis toolkit shared by the sound effects and the module
// instruments: oscillators with phase accumulation, noise, filters, envelopes.
#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/datagen/datagen.h"

namespace vantrel::datagen::dsp {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kTwoPi = 2.0 * kPi;

// Naive but band-limited enough oscillators (polyBLEP for the edges).
inline double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

class Osc {
 public:
  double phase = 0.0;  // 0..1
  double Sine(double f, double sr) {
    return Step(f, sr, [](double p, double) { return std::sin(kTwoPi * p); });
  }
  double Saw(double f, double sr) {
    return Step(f, sr, [](double p, double dt) { return 2.0 * p - 1.0 - PolyBlep(p, dt); });
  }
  double Pulse(double f, double sr, double width) {
    return Step(f, sr, [width](double p, double dt) {
      double v = p < width ? 1.0 : -1.0;
      v += PolyBlep(p, dt);
      double q = p - width;
      if (q < 0) q += 1.0;
      v -= PolyBlep(q, dt);
      return v;
    });
  }
  double Square(double f, double sr) { return Pulse(f, sr, 0.5); }
  double Triangle(double f, double sr) {
    return Step(f, sr, [](double p, double) { return p < 0.5 ? 4.0 * p - 1.0 : 3.0 - 4.0 * p; });
  }

 private:
  template <class F>
  double Step(double f, double sr, F shape) {
    double dt = std::clamp(f / sr, 0.0, 0.5);
    double v = shape(phase, std::max(dt, 1e-9));
    phase += dt;
    if (phase >= 1.0) phase -= 1.0;
    return v;
  }
};

class Noise {
 public:
  explicit Noise(uint64_t seed) : rng_(seed) {}
  double White() { return rng_.Signed(); }
  double Brown() {
    brown_ = (brown_ + 0.04 * White()) * 0.995;
    return std::clamp(brown_ * 3.5, -1.0, 1.0);
  }
  double Pink() {
    double w = White();
    b0_ = 0.99765 * b0_ + w * 0.0990460;
    b1_ = 0.96300 * b1_ + w * 0.2965164;
    b2_ = 0.57000 * b2_ + w * 1.0526913;
    return (b0_ + b1_ + b2_ + w * 0.1848) * 0.25;
  }
  Rng& rng() { return rng_; }

 private:
  Rng rng_;
  double brown_ = 0, b0_ = 0, b1_ = 0, b2_ = 0;
};

// One-pole low-pass / high-pass.
class OnePole {
 public:
  double z = 0.0;
  double Low(double x, double cutoff, double sr) {
    double a = 1.0 - std::exp(-kTwoPi * cutoff / sr);
    z += a * (x - z);
    return z;
  }
  double High(double x, double cutoff, double sr) { return x - Low(x, cutoff, sr); }
};

// State-variable filter (trapezoidal), low/band/high outputs.
class Svf {
 public:
  double low = 0, band = 0, high = 0;
  void Run(double x, double cutoff, double q, double sr) {
    double g = std::tan(kPi * std::clamp(cutoff, 10.0, sr * 0.45) / sr);
    double k = 1.0 / std::max(q, 0.05);
    double a1 = 1.0 / (1.0 + g * (g + k));
    double v3 = x - ic2_;
    double v1 = a1 * ic1_ + g * a1 * v3;
    double v2 = ic2_ + g * v1;
    ic1_ = 2 * v1 - ic1_;
    ic2_ = 2 * v2 - ic2_;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
  }

 private:
  double ic1_ = 0, ic2_ = 0;
};

// Exponential sweep from a to b over time T, evaluated at t.
inline double Sweep(double a, double b, double t, double T) {
  double u = std::clamp(t / T, 0.0, 1.0);
  return a * std::pow(b / a, u);
}
inline double Lin(double a, double b, double t, double T) {
  double u = std::clamp(t / T, 0.0, 1.0);
  return a + (b - a) * u;
}
// Attack-then-exponential-decay envelope; `decay` is the time to -60 dB.
inline double AD(double t, double attack, double decay) {
  if (t < 0) return 0;
  if (t < attack) return t / attack;
  return std::exp(-6.9 * (t - attack) / decay);
}

// Scales to the given peak and removes the DC offset.
inline void Normalize(std::vector<double>& s, double peak) {
  if (s.empty()) return;
  double mean = 0;
  for (double v : s) mean += v;
  mean /= double(s.size());
  double m = 1e-9;
  for (double& v : s) {
    v -= mean;
    m = std::max(m, std::fabs(v));
  }
  for (double& v : s) v *= peak / m;
}

}  // namespace vantrel::datagen::dsp
