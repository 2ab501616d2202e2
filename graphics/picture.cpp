// Bitmaps and picture files, depth and colour conversions, resampling,
// halving through a blend table and rotation by quarter turns.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

#include "graphics/bitmap.h"
#include "graphics/noise.h"
#include "platform/debug.h"
#include "platform/picture.h"

// ------------------------------------------------------------ picture files

bool Bitmap::LoadWithGdiplus(const boost::filesystem::path& path) {
  plat::Picture picture;
  std::string error;
  bool ok = plat::LoadPicture(path, &picture, &error);
  Destroy();
  if (!ok) {
    std::string line = "Could not read picture " + path.string() + ": " + error + "\n";
    plat::DebugOutput(line.c_str());
    return true;
  }
  if (picture.width > 0 && picture.height > 0 && Create(picture.width, picture.height, 32)) {
    std::memcpy(pixels, picture.pixels.data(), picture.pixels.size());
  }
  return true;
}

bool Bitmap::SavePng(const boost::filesystem::path& path) const {
  if ((bpp != 24 && bpp != 32) || !pixels || width <= 0 || height <= 0) return false;
  std::string error;
  if (!plat::SavePng(path, pixels, width, height, stride, bpp, &error)) {
    std::string line = "Could not save " + path.string() + ": " + error + "\n";
    plat::DebugOutput(line.c_str());
    return false;
  }
  return true;
}

// ------------------------------------------------------------ depth, colour

bool Bitmap::CopyFromBuffer(const uint8_t* src, int32_t w, int32_t h, int32_t srcPitch, int32_t srcBpp) {
  if (!pixels || !src) return false;
  if (srcBpp < 1) srcBpp = bpp;
  bool trueColour = (bpp == 24 || bpp == 32) && (srcBpp == 24 || srcBpp == 32);
  bool toGrey = bpp == 8 && (srcBpp == 24 || srcBpp == 32);
  if (srcBpp != bpp && !trueColour && !toGrey) return false;
  w = std::min(w, width);
  h = std::min(h, height);
  if (w <= 0 || h <= 0) return false;
  const int sn = srcBpp >> 3;
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* s = src + static_cast<ptrdiff_t>(srcPitch) * y;
    uint8_t* d = pixels + static_cast<size_t>(stride) * y;
    if (srcBpp == bpp) {
      std::memcpy(d, s, static_cast<size_t>(w) * bytesPerPixel);
    } else if (toGrey) {
      for (int32_t x = 0; x < w; ++x, s += sn) d[x] = static_cast<uint8_t>((s[0] + s[1] + s[2]) / 3);
    } else {
      for (int32_t x = 0; x < w; ++x, s += sn, d += bytesPerPixel) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
      }
    }
  }
  return true;
}

bool Bitmap::ConvertFrom(const Bitmap& src, const uint8_t* table) {
  bool thisTrue = bpp == 24 || bpp == 32;
  bool srcTrue = src.bpp == 24 || src.bpp == 32;
  if (thisTrue && srcTrue) return CopyFromBuffer(src.pixels, src.width, src.height, src.stride, src.bpp);
  int32_t w = std::min(width, src.width);
  int32_t h = std::min(height, src.height);
  if (table && src.bpp == 8) {
    if (bpp < 16 || !pixels) return false;
    if (!src.pixels) return true;
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* s = src.pixels + static_cast<size_t>(src.stride) * y;
      uint8_t* d = pixels + static_cast<size_t>(stride) * y;
      for (int32_t x = 0; x < w; ++x, d += bytesPerPixel)
        std::memcpy(d, table + 4 * s[x], static_cast<size_t>(bytesPerPixel));
    }
    return true;
  }
  if (bpp <= 15 || src.bpp <= 15 || !pixels || !src.pixels) return false;
  PixelFormat from, to;
  from.SetForDepth(src.bpp);
  to.SetForDepth(bpp);
  if (bpp == 16 && (src.bpp == 24 || src.bpp == 32)) {
    // True colour (bytes blue, green, red) into 16 bits: the common upload of
    // pictures, a row at a time instead of a pixel read per pixel.
    const int32_t step = src.bytesPerPixel;
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* s = src.pixels + static_cast<size_t>(src.stride) * y;
      uint8_t* d = pixels + static_cast<size_t>(stride) * y;
      for (int32_t x = 0; x < w; ++x, s += step, d += 2) {
        const uint32_t out = to.Pack(s[2], s[1], s[0]);
        d[0] = static_cast<uint8_t>(out);
        d[1] = static_cast<uint8_t>(out >> 8);
      }
    }
    return true;
  }
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* d = pixels + static_cast<size_t>(stride) * y;
    for (int32_t x = 0; x < w; ++x, d += bytesPerPixel) {
      uint32_t v = src.GetPixel(x, y);
      uint32_t r = (((v & from.maskR) >> from.shiftR) << from.lossR) & 0xFF;
      uint32_t g = (((v & from.maskG) >> from.shiftG) << from.lossG) & 0xFF;
      uint32_t b = (((v & from.maskB) >> from.shiftB) << from.lossB) & 0xFF;
      uint32_t out = to.Pack(r, g, b) + 0xFF000000u;
      for (int k = 0; k < bytesPerPixel; ++k) d[k] = static_cast<uint8_t>(out >> (8 * k));
    }
  }
  return true;
}

bool Bitmap::ToRGB32(const uint8_t paletteIn[256][4]) {
  if (bpp == 32 && pixels) return true;
  if (!pixels || width <= 0 || height <= 0 || (bpp != 8 && bpp != 24)) return false;
  // The new rows must stay within the 32-bit sizes every bitmap keeps.
  if (int64_t{width} * 4 * height > INT32_MAX) return false;
  const uint8_t* pal = paletteIn ? &paletteIn[0][0] : palette;
  size_t total = static_cast<size_t>(width) * 4 * height;
  uint8_t* block = new (std::nothrow) uint8_t[total];
  if (!block) return false;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* s = pixels + static_cast<size_t>(stride) * y;
    uint8_t* d = block + static_cast<size_t>(width) * 4 * y;
    for (int32_t x = 0; x < width; ++x, d += 4) {
      if (bpp == 24) {
        d[0] = s[3 * x];
        d[1] = s[3 * x + 1];
        d[2] = s[3 * x + 2];
      } else if (pal) {
        const uint8_t* e = pal + 4 * s[x];
        d[0] = e[2];
        d[1] = e[1];
        d[2] = e[0];
      } else {
        d[0] = d[1] = d[2] = s[x];
      }
      d[3] = 0;
    }
  }
  delete[] pixels;
  pixels = block;
  stride = width * 4;
  bpp = 32;
  bytesPerPixel = 4;
  colourBytes = 3;
  alphaBytes = 1;
  return true;
}

namespace {

uint8_t Curve(int v, float gain, float bias, float scale, float offset) {
  float x = v * 0.003921569f;
  float y = Bias(bias, Gain(gain, x));
  float r = (y * scale + offset) * 255.0f;
  // NaN (a degenerate curve) counts as below 1.
  if (!(r >= 1.0f)) return 0;
  if (r > 255.0f) return 255;
  return static_cast<uint8_t>(static_cast<int>(r));
}

void BuildCurve(uint8_t out[256], float gain, float bias, float scale, float offset) {
  for (int v = 0; v < 256; ++v) out[v] = Curve(v, gain, bias, scale, offset);
}

}  // namespace

bool Bitmap::AdjustColours(float gainR, float gainG, float gainB, float gainA, float biasR, float biasG, float biasB,
                           float biasA, float scaleR, float scaleG, float scaleB, float scaleA, float offsetR,
                           float offsetG, float offsetB, float offsetA) {
  uint8_t tr[256], tg[256], tb[256], ta[256];
  BuildCurve(tr, gainR, biasR, scaleR, offsetR);
  BuildCurve(tg, gainG, biasG, scaleG, offsetG);
  BuildCurve(tb, gainB, biasB, scaleB, offsetB);
  if (bpp == 8 && palette) {
    for (int i = 0; i < 256; ++i) {
      uint8_t* e = palette + 4 * i;
      e[0] = tr[e[0]];
      e[1] = tg[e[1]];
      e[2] = tb[e[2]];
    }
  } else if ((bpp == 24 || bpp == 32) && pixels) {
    BuildCurve(ta, gainA, biasA, scaleA, offsetA);
    for (int32_t y = 0; y < height; ++y) {
      uint8_t* p = pixels + static_cast<size_t>(stride) * y;
      for (int32_t x = 0; x < width; ++x, p += bytesPerPixel) {
        p[0] = tb[p[0]];
        p[1] = tg[p[1]];
        p[2] = tr[p[2]];
        if (bpp == 32) p[3] = ta[p[3]];
      }
    }
  } else {
    return false;
  }
  stateFlags |= kBitmapColoursAdjusted;
  return true;
}

// ---------------------------------------------------------------- geometry

bool Bitmap::Resize(int32_t newWidth, int32_t newHeight, bool smooth) {
  if (newWidth == width && newHeight == height) return true;
  if (!pixels || width <= 0 || height <= 0 || newWidth <= 0 || newHeight <= 0) return false;
  int64_t rowBytes = (int64_t{newWidth} * bytesPerPixel + 3) & ~int64_t{3};
  int64_t total = rowBytes * newHeight;
  if (rowBytes > INT32_MAX || total > INT32_MAX) return false;
  uint8_t* block = new (std::nothrow) uint8_t[static_cast<size_t>(total)];
  if (!block) return false;
  std::memset(block, 0, static_cast<size_t>(total));
  const int64_t stepX = int64_t{width} * 65536 / newWidth;
  const int64_t stepY = int64_t{height} * 65536 / newHeight;
  const int n = bytesPerPixel;
  const bool average = smooth && (bpp == 24 || bpp == 32);
  int64_t sumY = 0;
  for (int32_t r = 0; r < newHeight; ++r, sumY += stepY) {
    int64_t y0 = std::min<int64_t>(sumY >> 16, height - 1);
    int64_t y1 = std::min<int64_t>((sumY + stepY) >> 16, height);
    uint8_t* d = block + rowBytes * r;
    int64_t sumX = 0;
    for (int32_t c = 0; c < newWidth; ++c, sumX += stepX, d += n) {
      int64_t x0 = std::min<int64_t>(sumX >> 16, width - 1);
      if (!average) {
        std::memcpy(d, pixels + stride * y0 + x0 * n, static_cast<size_t>(n));
        continue;
      }
      int64_t x1 = std::min<int64_t>((sumX + stepX) >> 16, width);
      if (x1 <= x0 || y1 <= y0) {
        // Enlarging: the block is empty, take the nearest source pixel.
        std::memcpy(d, pixels + stride * y0 + x0 * n, static_cast<size_t>(n));
        continue;
      }
      uint64_t sums[4] = {0, 0, 0, 0};
      for (int64_t sy = y0; sy < y1; ++sy) {
        const uint8_t* s = pixels + stride * sy + x0 * n;
        for (int64_t sx = x0; sx < x1; ++sx, s += n)
          for (int k = 0; k < n; ++k) sums[k] += s[k];
      }
      uint64_t count = static_cast<uint64_t>((x1 - x0) * (y1 - y0));
      for (int k = 0; k < n; ++k) d[k] = static_cast<uint8_t>(sums[k] / count);
    }
  }
  delete[] pixels;
  pixels = block;
  width = newWidth;
  height = newHeight;
  stride = static_cast<int32_t>(rowBytes);
  stateFlags |= kBitmapResized;
  return true;
}

bool Bitmap::Scale(float factor, bool smooth) {
  // The size times the factor is a float product: 10 * 0.7f is 7, not 6.
  float w = std::trunc(static_cast<float>(width) * factor);
  float h = std::trunc(static_cast<float>(height) * factor);
  // Out-of-range (or NaN) sizes are refused like any other bad size.
  constexpr float kLimit = 2147483648.0f;
  if (!(w >= 0 && w < kLimit && h >= 0 && h < kLimit)) return false;
  return Resize(static_cast<int32_t>(w), static_cast<int32_t>(h), smooth);
}

bool Bitmap::ResizeToPowerOfTwo() {
  if (!pixels) return false;
  int32_t w = 1 << HighestBit(width);
  int32_t h = 1 << HighestBit(height);
  if (w == width && h == height) return true;
  return Resize(w, h, false);
}

bool Bitmap::HalfSize(const Bitmap& srcIn, const uint8_t* blendTable, int tableSelect, bool keyed) {
  if (srcIn.bpp != 8 || !srcIn.pixels || !blendTable) return false;
  // The four blend results of an entry sit side by side; another selector
  // would read past the table.
  if (tableSelect < 0 || tableSelect > 3) return false;
  Bitmap copy;
  const Bitmap* src = &srcIn;
  if (src == this) {
    copy = srcIn;
    src = &copy;
  }
  if (!Create(std::max(src->width / 2, 1), std::max(src->height / 2, 1), 8)) return false;
  stateFlags |= kBitmapHalved;
  if (src->width == 1 || src->height == 1) return true;
  auto T = [&](int a, int b) -> int { return blendTable[a * 1024 + b * 4 + tableSelect]; };
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* top = src->pixels + static_cast<size_t>(src->stride) * (2 * y);
    const uint8_t* bot = top + src->stride;
    uint8_t* d = pixels + static_cast<size_t>(stride) * y;
    for (int32_t x = 0; x < width; ++x) {
      int tl = top[2 * x], tr = top[2 * x + 1], bl = bot[2 * x], br = bot[2 * x + 1];
      if (!keyed) {
        d[x] = static_cast<uint8_t>(T(T(tl, tr), T(bl, br)));
        continue;
      }
      if (tl == 0) {
        d[x] = 0;
        continue;
      }
      int t = T(tl, tr ? tr : tl);
      int b;
      if (bl == 0 && br == 0)
        b = T(0, 0);
      else
        b = T(bl ? bl : br, br ? br : bl);
      int result;
      if (t == 0 && b == 0)
        result = T(0, 0);
      else
        result = T(t ? t : b, b ? b : t);
      d[x] = static_cast<uint8_t>(result);
    }
  }
  return true;
}

namespace {

bool Rotate(Bitmap* bmp, bool left) {
  if (bmp->bpp != 8 || !bmp->pixels) return false;
  int32_t w = bmp->height, h = bmp->width;
  int32_t rowBytes = (w + 3) & ~3;
  uint8_t* block = new (std::nothrow) uint8_t[static_cast<size_t>(rowBytes) * h];
  if (!block) return false;
  std::memset(block, 0, static_cast<size_t>(rowBytes) * h);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      int32_t sx = left ? bmp->width - 1 - y : y;
      int32_t sy = left ? x : bmp->height - 1 - x;
      block[static_cast<size_t>(rowBytes) * y + x] = bmp->pixels[static_cast<size_t>(bmp->stride) * sy + sx];
    }
  }
  delete[] bmp->pixels;
  bmp->pixels = block;
  bmp->width = w;
  bmp->height = h;
  bmp->stride = rowBytes;
  bmp->stateFlags |= kBitmapRotated;
  return true;
}

}  // namespace

bool Bitmap::RotateLeft() { return Rotate(this, true); }
bool Bitmap::RotateRight() { return Rotate(this, false); }
