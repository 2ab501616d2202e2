#include "graphics/dib_surface.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/present.h"

LetterboxFit ComputeLetterboxFit(int32_t clientWidth, int32_t clientHeight, int32_t bufferWidth, int32_t bufferHeight) {
  LetterboxFit fit;
  if (clientWidth <= 0 || clientHeight <= 0 || bufferWidth <= 0 || bufferHeight <= 0) return fit;
  // The aspects compared and the fitted side computed exactly in integers:
  // w / h > W / H is w * H > W * h, and W / (w / h) truncated is W * h / w.
  const int64_t W = clientWidth, H = clientHeight, w = bufferWidth, h = bufferHeight;
  if (w * H > W * h) {
    fit.fitWidth = clientWidth;
    fit.fitHeight = static_cast<int32_t>(W * h / w);
  } else if (w * H < W * h) {
    fit.fitWidth = static_cast<int32_t>(H * w / h);
    fit.fitHeight = clientHeight;
  } else {
    fit.fitWidth = clientWidth;
    fit.fitHeight = clientHeight;
  }
  fit.offsetX = (clientWidth - fit.fitWidth) / 2;
  fit.offsetY = (clientHeight - fit.fitHeight) / 2;
  return fit;
}

int LetterboxBars(int32_t clientWidth, int32_t clientHeight, const LetterboxFit& fit, plat::WindowRect bars[4]) {
  int n = 0;
  if (fit.offsetX > 0) bars[n++] = {0, 0, fit.offsetX, clientHeight};
  if (fit.offsetX + fit.fitWidth < clientWidth) bars[n++] = {fit.offsetX + fit.fitWidth, 0, clientWidth, clientHeight};
  if (fit.offsetY > 0) bars[n++] = {0, 0, clientWidth, fit.offsetY};
  if (fit.offsetY + fit.fitHeight < clientHeight)
    bars[n++] = {0, fit.offsetY + fit.fitHeight, clientWidth, clientHeight};
  return n;
}

DibSurface::DibSurface() = default;

DibSurface::~DibSurface() { FreeBuffers(); }

bool DibSurface::CreateBuffers(plat::Window* w, int32_t bufferWidth, int32_t bufferHeight, int32_t bpp) {
  FreeBuffers();
  const int32_t depth = bpp & ~7;
  const bool accepted = (depth >= 8 && depth <= 24) || (bpp >= 32 && bpp <= 39);
  if (!accepted || bufferWidth <= 0 || bufferHeight <= 0) return false;
  const int64_t rowBytes = (static_cast<int64_t>(bufferWidth) * (depth >> 3) + 3) & ~int64_t{3};
  const int64_t total = rowBytes * bufferHeight;
  if (rowBytes > INT32_MAX || total > (int64_t{1} << 31)) return false;
  try {
    drawBits.assign(static_cast<size_t>(total), 0);
    presentBits.assign(static_cast<size_t>(total), 0);
  } catch (const std::bad_alloc&) {
    FreeBuffers();
    return false;
  }
  window = w;
  width = bufferWidth;
  height = bufferHeight;
  bitsPerPixel = depth;
  pitch = static_cast<int32_t>(rowBytes);
  changed.clear();
  allChanged = true;
  return true;
}

void DibSurface::FreeBuffers() {
  std::vector<plat::WindowRect>().swap(changed);
  tracking = false;
  allChanged = true;
  std::vector<uint8_t>().swap(drawBits);
  std::vector<uint8_t>().swap(presentBits);
  window = nullptr;
  pitch = 0;
  bitsPerPixel = 0;
  width = 0;
  height = 0;
}

void DibSurface::SetColourTable(const uint8_t rgbx[256][4]) {
  if (!Valid() || !rgbx) return;
  for (int i = 0; i < 256; ++i) {
    colourTable[i][0] = rgbx[i][0];
    colourTable[i][1] = rgbx[i][1];
    colourTable[i][2] = rgbx[i][2];
    colourTable[i][3] = 0;
  }
  allChanged = true;  // every pixel may show another colour now
}

uint8_t* DibSurface::BeginPresent() {
  changed.clear();
  tracking = true;
  return Bits();
}

void DibSurface::CopyRect(int32_t xDst, int32_t yDst, int32_t xSrc, int32_t ySrc, int32_t w, int32_t h) {
  if (!Valid()) return;
  // Clip the source and the destination to the buffer (both have its size).
  if (xSrc < 0) {
    xDst -= xSrc;
    w += xSrc;
    xSrc = 0;
  }
  if (ySrc < 0) {
    yDst -= ySrc;
    h += ySrc;
    ySrc = 0;
  }
  if (xDst < 0) {
    xSrc -= xDst;
    w += xDst;
    xDst = 0;
  }
  if (yDst < 0) {
    ySrc -= yDst;
    h += yDst;
    yDst = 0;
  }
  w = std::min({w, width - xSrc, width - xDst});
  h = std::min({h, height - ySrc, height - yDst});
  if (w <= 0 || h <= 0) return;
  if (tracking) changed.push_back({xDst, yDst, xDst + w, yDst + h});
  const int32_t bpp = bitsPerPixel >> 3;
  const size_t rowBytes = static_cast<size_t>(w) * bpp;
  for (int32_t row = 0; row < h; ++row) {
    std::memcpy(&presentBits[static_cast<size_t>(yDst + row) * pitch + static_cast<size_t>(xDst) * bpp],
                &drawBits[static_cast<size_t>(ySrc + row) * pitch + static_cast<size_t>(xSrc) * bpp], rowBytes);
  }
}

void DibSurface::StretchRect(int32_t xDst, int32_t yDst, int32_t wDst, int32_t hDst, int32_t xSrc, int32_t ySrc,
                             int32_t wSrc, int32_t hSrc) {
  if (!Valid() || wDst <= 0 || hDst <= 0 || wSrc <= 0 || hSrc <= 0) return;
  const int32_t bpp = bitsPerPixel >> 3;
  const int32_t x0 = std::max(0, xDst), x1 = std::min(width, xDst + wDst);
  const int32_t y0 = std::max(0, yDst), y1 = std::min(height, yDst + hDst);
  if (tracking && x1 > x0 && y1 > y0) changed.push_back({x0, y0, x1, y1});
  for (int32_t y = y0; y < y1; ++y) {
    const int32_t sy = ySrc + plat::NearestSource(y - yDst, hSrc, hDst);
    if (sy < 0 || sy >= height) continue;
    for (int32_t x = x0; x < x1; ++x) {
      const int32_t sx = xSrc + plat::NearestSource(x - xDst, wSrc, wDst);
      if (sx < 0 || sx >= width) continue;
      std::memcpy(&presentBits[static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * bpp],
                  &drawBits[static_cast<size_t>(sy) * pitch + static_cast<size_t>(sx) * bpp], bpp);
    }
  }
}

bool DibSurface::EndPresent() {
  const bool ok = Send(!allChanged);
  changed.clear();
  tracking = false;
  if (ok) allChanged = false;
  return ok;
}

bool DibSurface::PresentLetterboxed() { return Send(false); }

bool DibSurface::Send(bool onlyChanged) {
  if (!Valid() || !window || !window->IsAlive()) return false;
  const plat::WindowRect client = window->ClientRect();
  const LetterboxFit fit = ComputeLetterboxFit(client.right, client.bottom, width, height);
  plat::WindowRect bars[4];
  const int barCount = LetterboxBars(client.right, client.bottom, fit, bars);
  plat::PresentBuffer buffer;
  buffer.bits = presentBits.data();
  buffer.width = width;
  buffer.height = height;
  buffer.pitch = pitch;
  buffer.bitsPerPixel = bitsPerPixel;
  buffer.palette = colourTable;
  if (onlyChanged) {
    buffer.changed = changed.data();
    buffer.changedCount = static_cast<int32_t>(changed.size());
  }
  const plat::WindowRect target{fit.offsetX, fit.offsetY, fit.offsetX + fit.fitWidth, fit.offsetY + fit.fitHeight};
  return window->Present(buffer, target, bars, barCount);
}
