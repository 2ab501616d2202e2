// The ball's lens: tables of refraction offsets and shading built once per
// game, and the renderer that makes a sprite from the picture behind the
// ball (or the fire texture).
#include "game/play/ball_sprite.h"

#include <algorithm>
#include <cmath>

#include "game/game_globals.h"
#include "game/play/brick_hits.h"
#include "game/play/play_state.h"
#include "graphics/display.h"

BallLensEntry ballLensTables[kBallTints * kBallSizes][kLensTableSize][kLensTableSize];

namespace {
// The fire texture's place in the explosion set.
constexpr int32_t kFireTextureImage = 46;
// What a point outside the source shows.
constexpr uint8_t kOutsideLevel = 50;

// A source of pixels at the display's depth.
struct Source {
  const uint8_t* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;
  int32_t bytesPerPixel = 0;
  bool wrap = false;

  bool Read(int32_t x, int32_t y, const PixelFormat& format, uint8_t* r, uint8_t* g, uint8_t* b) const {
    if (!bits || width <= 0 || height <= 0) return false;
    if (wrap) {
      x %= width;
      if (x < 0) x += width;
      y %= height;
      if (y < 0) y += height;
    } else if (x < 0 || y < 0 || x >= width || y >= height) {
      return false;
    }
    format.ReadPixel(bits + int64_t(y) * pitch + int64_t(x) * bytesPerPixel, r, g, b);
    return true;
  }
};

uint8_t Shade(int32_t source, int32_t shade, int32_t weight) {
  const int32_t num = weight * (shade - source);
  // floor division (the numerator may be negative)
  const int32_t step = num >= 0 ? num / 256 : -((-num + 255) / 256);
  return uint8_t(std::clamp(source + step, 0, 255));
}
}  // namespace

void BuildBallLensTables() {
  for (int32_t tint = 0; tint < kBallTints; ++tint) {
    for (int32_t size = 0; size < kBallSizes; ++size) {
      const int32_t n = kBallDiameters[size];
      const float f = float(n) / 2.0f;
      const float F = std::max(1.0f, f);
      auto& table = ballLensTables[3 * tint + size];
      for (int32_t j = 0; j < kLensTableSize; ++j) {
        for (int32_t k = 0; k < kLensTableSize; ++k) {
          BallLensEntry& e = table[j][k];
          e = BallLensEntry{0, 0, 0, 0, 0, 0};
          if (j >= n || k >= n) continue;
          const float h = float(j) + 0.5f - f;
          const float g = float(k) + 0.5f - f;
          const float m = std::sqrt(h * h + g * g) / F;
          // Outside the disc there is no lens: everything stays 0.
          if (!(m <= 1.0f)) continue;
          const float o = std::sqrt(1.0f - m * m);
          e.offsetX = int16_t(std::trunc(2.0f * float(n) * o * g / F));
          e.offsetY = int16_t(std::trunc(2.0f * float(n) * o * h / F));
          const float s = 0.71f * o - 0.5041f * (h / F + g / F);
          int32_t level = int32_t(std::trunc(128.0f * s * s * s + 128.0f));
          if (level > 254) level = 255;
          if (level < 1) level = 0;
          e.red = tint == 2 ? 0 : uint8_t(level);
          e.green = tint == 1 ? uint8_t(192 * level / 256) : uint8_t(level);
          e.blue = tint == 1 ? 0 : uint8_t(level);
          e.see = uint8_t(200 - level / 2);
        }
      }
    }
  }
}

int32_t RenderBallSprite(float x, float y, Bitmap* target, uint32_t size, uint32_t tint) {
  if (size >= uint32_t(kBallSizes) || tint >= uint32_t(kBallTints) || !target) return 0;
  Display& display = TheDisplay();
  const PixelFormat& format = display.format;
  const int32_t n = kBallDiameters[size];
  if (target->width != n || target->height != n || target->bpp != format.bpp || !target->pixels) {
    // The sprite is written at the display's depth, so it is made at it.
    if (!target->Create(n, n, format.bpp)) return 0;
  }
  target->hotX = n / 2;
  target->hotY = n / 2;

  SurfaceLock lock;
  if (!display.Lock(&lock)) return 0;
  Source source;
  source.bits = lock.bits;
  source.width = lock.width;
  source.height = lock.height;
  source.pitch = lock.pitch;
  source.bytesPerPixel = lock.bytesPerPixel;
  if (play.board.fireballOn) {
    const Image* image = explosionSet.GetImage(kFireTextureImage);
    const Bitmap* frame = image->frameCount > 1 ? image->GetFrame(1) : image;
    if (frame->pixels) {
      source = Source{};
      // Read only through a frame of the display's depth.
      if (frame->bpp == format.bpp && frame->bytesPerPixel == lock.bytesPerPixel) {
        source.bits = frame->pixels;
        source.width = frame->width;
        source.height = frame->height;
        source.pitch = frame->stride;
        source.bytesPerPixel = frame->bytesPerPixel;
      }
      source.wrap = true;
    }
  }

  int32_t cx = 0, cy = 0;
  // A centre that is no usable number is off the screen: every point reads
  // as outside.
  const bool placed = PositionToInt(x, &cx, true) && PositionToInt(y, &cy, true);
  const auto& table = ballLensTables[3 * tint + size];
  const int32_t bytes = target->bytesPerPixel;
  for (int32_t u = 0; u < n; ++u) {
    uint8_t* row = target->pixels + int64_t(u) * target->stride;
    for (int32_t k = 0; k < n; ++k) {
      const BallLensEntry& e = table[u][k];
      uint8_t* dst = row + int64_t(k) * bytes;
      if (e.see == 0) {
        format.StorePixel(dst, 0, 0, 0);
        continue;
      }
      uint8_t r = kOutsideLevel, g = kOutsideLevel, b = kOutsideLevel;
      if (placed) {
        const int32_t sx = cx - n / 2 + k + e.offsetX;
        const int32_t sy = cy - n / 2 + u + e.offsetY;
        if (!source.Read(sx, sy, format, &r, &g, &b)) r = g = b = kOutsideLevel;
      }
      const int32_t w = 255 - e.see;
      format.StorePixel(dst, Shade(r, e.red, w), Shade(g, e.green, w), Shade(b, e.blue, w));
    }
  }
  return display.Unlock() ? 1 : 0;
}
