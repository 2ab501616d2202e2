#include "graphics/neuquant.h"

#include <cstdlib>

namespace {

constexpr int kNetSize = 256;
constexpr int kMaxNetPos = kNetSize - 1;
constexpr int kNetBiasShift = 4;  // fraction bits of the colours
constexpr int kNCycles = 100;     // learning cycles

constexpr int kIntBiasShift = 16;
constexpr int kIntBias = 1 << kIntBiasShift;
constexpr int kGammaShift = 10;
constexpr int kBetaShift = 10;
constexpr int kBeta = kIntBias >> kBetaShift;                       // 64
constexpr int kBetaGamma = kIntBias << (kGammaShift - kBetaShift);  // 65536

constexpr int kInitRad = kNetSize >> 3;  // 32
constexpr int kRadiusBiasShift = 6;
constexpr int kRadiusBias = 1 << kRadiusBiasShift;
constexpr int kInitRadius = kInitRad * kRadiusBias;  // 2048
constexpr int kRadiusDec = 30;

constexpr int kAlphaBiasShift = 10;
constexpr int kInitAlpha = 1 << kAlphaBiasShift;  // 1024
constexpr int kRadBiasShift = 8;
constexpr int kRadBias = 1 << kRadBiasShift;
constexpr int kAlphaRadBShift = kAlphaBiasShift + kRadBiasShift;
constexpr int kAlphaRadBias = 1 << kAlphaRadBShift;  // 1 << 18

constexpr int kPrime1 = 499;
constexpr int kPrime2 = 491;
constexpr int kPrime3 = 487;
constexpr int kPrime4 = 503;

const uint8_t* gPicture = nullptr;
int32_t gLength = 0;
int32_t gSampleFactor = 1;
int32_t gNetwork[kNetSize][4];  // b, g, r, index
int32_t gNetIndex[256];
int32_t gBias[kNetSize];
int32_t gFreq[kNetSize];
int32_t gRadPower[kInitRad];
int32_t gAlphaDec = 30;

void SetRadPower(int alpha, int rad) {
  for (int i = 0; i < rad; ++i) gRadPower[i] = alpha * (((rad * rad - i * i) * kRadBias) / (rad * rad));
}

// Finds the winning neuron for a sample (colours scaled by 16) and updates
// the frequencies and biases of the whole network.
int Contest(int b, int g, int r) {
  int bestd = 0x7FFFFFFF;
  int bestbiasd = bestd;
  int bestpos = 0;
  int bestbiaspos = 0;
  for (int i = 0; i < kNetSize; ++i) {
    const int32_t* n = gNetwork[i];
    int dist = std::abs(n[0] - b) + std::abs(n[1] - g) + std::abs(n[2] - r);
    if (dist < bestd) {
      bestd = dist;
      bestpos = i;
    }
    const int biasdist = dist - (gBias[i] >> (kIntBiasShift - kNetBiasShift));
    if (biasdist < bestbiasd) {
      bestbiasd = biasdist;
      bestbiaspos = i;
    }
    const int betafreq = gFreq[i] >> kBetaShift;
    gFreq[i] -= betafreq;
    gBias[i] += betafreq << kGammaShift;
  }
  gFreq[bestpos] += kBeta;
  gBias[bestpos] -= kBetaGamma;
  return bestbiaspos;
}

void AlterSingle(int alpha, int i, int b, int g, int r) {
  int32_t* n = gNetwork[i];
  n[0] -= (alpha * (n[0] - b)) / kInitAlpha;
  n[1] -= (alpha * (n[1] - g)) / kInitAlpha;
  n[2] -= (alpha * (n[2] - r)) / kInitAlpha;
}

void AlterNeighbours(int rad, int i, int b, int g, int r) {
  int lo = i - rad;
  if (lo < -1) lo = -1;
  int hi = i + rad;
  if (hi > kNetSize) hi = kNetSize;
  int j = i + 1;
  int k = i - 1;
  int m = 1;
  while (j < hi || k > lo) {
    const int a = gRadPower[m++];
    if (j < hi) {
      int32_t* p = gNetwork[j++];
      p[0] -= (a * (p[0] - b)) / kAlphaRadBias;
      p[1] -= (a * (p[1] - g)) / kAlphaRadBias;
      p[2] -= (a * (p[2] - r)) / kAlphaRadBias;
    }
    if (k > lo) {
      int32_t* p = gNetwork[k--];
      p[0] -= (a * (p[0] - b)) / kAlphaRadBias;
      p[1] -= (a * (p[1] - g)) / kAlphaRadBias;
      p[2] -= (a * (p[2] - r)) / kAlphaRadBias;
    }
  }
}

int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

void NeuQuantInit(const uint8_t* picture, int32_t length, int32_t sampleFactor) {
  gPicture = picture;
  gLength = length < 0 ? 0 : length;
  if (sampleFactor < 1) sampleFactor = 1;
  if (sampleFactor > 30) sampleFactor = 30;
  gSampleFactor = sampleFactor;
  for (int i = 0; i < kNetSize; ++i) {
    gNetwork[i][0] = gNetwork[i][1] = gNetwork[i][2] = (i << (kNetBiasShift + 8)) / kNetSize;
    gNetwork[i][3] = i;
    gFreq[i] = kIntBias / kNetSize;
    gBias[i] = 0;
  }
  for (int& v : gNetIndex) v = 0;
}

void NeuQuantLearn() {
  gAlphaDec = 30 + (gSampleFactor - 1) / 3;
  // Only whole pixels are sampled, so a length that is not a multiple of 3
  // never reads past the end.
  const int32_t length = gPicture ? gLength - gLength % 3 : 0;
  const int32_t samplepixels = length / (3 * gSampleFactor);
  int32_t delta = samplepixels / kNCycles;
  if (delta == 0) delta = 1;
  int alpha = kInitAlpha;
  int radius = kInitRadius;
  int rad = radius >> kRadiusBiasShift;
  if (rad <= 1) rad = 0;
  SetRadPower(alpha, rad);

  std::fprintf(stderr, "beginning 1D learning: initial radius=%d\n", rad);

  int32_t step;
  if (length % kPrime1 != 0)
    step = 3 * kPrime1;
  else if (length % kPrime2 != 0)
    step = 3 * kPrime2;
  else if (length % kPrime3 != 0)
    step = 3 * kPrime3;
  else
    step = 3 * kPrime4;

  int32_t pos = 0;
  for (int32_t i = 0; i < samplepixels;) {
    const int b = gPicture[pos] << kNetBiasShift;
    const int g = gPicture[pos + 1] << kNetBiasShift;
    const int r = gPicture[pos + 2] << kNetBiasShift;
    const int j = Contest(b, g, r);
    AlterSingle(alpha, j, b, g, r);
    if (rad != 0) AlterNeighbours(rad, j, b, g, r);

    // A picture shorter than the step wraps more than once.
    pos += step;
    if (pos >= length) pos %= length;

    ++i;
    if (i % delta == 0) {
      alpha -= alpha / gAlphaDec;
      radius -= radius / kRadiusDec;
      rad = radius >> kRadiusBiasShift;
      if (rad <= 1) rad = 0;
      SetRadPower(alpha, rad);
    }
  }
  std::fprintf(stderr, "finished 1D learning: final alpha=%f !\n", static_cast<double>(alpha) / kInitAlpha);
}

void NeuQuantUnbias() {
  for (int i = 0; i < kNetSize; ++i) {
    gNetwork[i][0] >>= kNetBiasShift;
    gNetwork[i][1] >>= kNetBiasShift;
    gNetwork[i][2] >>= kNetBiasShift;
    gNetwork[i][3] = i;
  }
}

int32_t NeuQuantGetColour(int32_t i, int32_t channel) {
  if (i < 0 || i >= kNetSize || channel < 0 || channel > 2) return 0;
  return gNetwork[i][2 - channel];
}

void NeuQuantBuildIndex() {
  int previouscol = 0;
  int startpos = 0;
  for (int i = 0; i < kNetSize; ++i) {
    int smallpos = i;
    int smallval = gNetwork[i][1];
    for (int j = i + 1; j < kNetSize; ++j) {
      if (gNetwork[j][1] < smallval) {
        smallpos = j;
        smallval = gNetwork[j][1];
      }
    }
    if (i != smallpos) {
      for (int c = 0; c < 4; ++c) {
        const int32_t t = gNetwork[i][c];
        gNetwork[i][c] = gNetwork[smallpos][c];
        gNetwork[smallpos][c] = t;
      }
    }
    // Greens are 0..255 after unbiasing; the clamp keeps a caller that skipped
    // it from indexing outside the table.
    smallval = Clamp255(smallval);
    if (smallval != previouscol) {
      gNetIndex[previouscol] = (startpos + i) >> 1;
      for (int j = previouscol + 1; j < smallval; ++j) gNetIndex[j] = i;
      previouscol = smallval;
      startpos = i;
    }
  }
  gNetIndex[previouscol] = (startpos + kMaxNetPos) >> 1;
  for (int j = previouscol + 1; j < 256; ++j) gNetIndex[j] = kMaxNetPos;
}

int32_t NeuQuantSearch(int32_t b, int32_t g, int32_t r) {
  b = Clamp255(b);
  g = Clamp255(g);
  r = Clamp255(r);
  int bestd = 1000;
  int best = -1;
  int i = gNetIndex[g];
  int j = i - 1;
  while (i < kNetSize || j >= 0) {
    if (i < kNetSize) {
      const int32_t* p = gNetwork[i];
      int dist = p[1] - g;
      if (dist >= bestd) {
        i = kNetSize;
      } else {
        ++i;
        if (dist < 0) dist = -dist;
        dist += std::abs(p[0] - b);
        if (dist < bestd) {
          dist += std::abs(p[2] - r);
          if (dist < bestd) {
            bestd = dist;
            best = p[3];
          }
        }
      }
    }
    if (j >= 0) {
      const int32_t* p = gNetwork[j];
      int dist = g - p[1];
      if (dist >= bestd) {
        j = -1;
      } else {
        --j;
        if (dist < 0) dist = -dist;
        dist += std::abs(p[0] - b);
        if (dist < bestd) {
          dist += std::abs(p[2] - r);
          if (dist < bestd) {
            bestd = dist;
            best = p[3];
          }
        }
      }
    }
  }
  return best < 0 ? 0 : best;
}

bool NeuQuantWriteColourMap(FILE* stream) {
  if (!stream) return false;
  uint8_t map[768];
  // Entries go by palette index, which the green sort does not change.
  for (int c = 0; c < 3; ++c)
    for (int i = 0; i < kNetSize; ++i)
      map[c * 256 + (gNetwork[i][3] & 255)] = static_cast<uint8_t>(Clamp255(gNetwork[i][2 - c]));
  return std::fwrite(map, 1, sizeof map, stream) == sizeof map;
}
