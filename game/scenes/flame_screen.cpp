#include "game/scenes/flame_screen.h"

#include <algorithm>
#include <cstring>

#include "game/game_globals.h"
#include "graphics/display.h"
#include "graphics/flame.h"

void BuildFlameColourTable(const PixelFormat& format, uint32_t table[256]) {
  const uint32_t alpha = format.bpp == 32 ? 0xFF000000u : 0u;
  for (int i = 0; i < 256; ++i) {
    const uint8_t* c = gBackgroundEffect.ramp[i];
    table[i] = format.Pack(c[0], c[1], c[2]) | alpha;
  }
}

void DrawFlameField(const Bitmap& field, int32_t x, int32_t y) {
  if (field.bpp != 8 || !field.pixels) return;
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  uint32_t table[256];
  BuildFlameColourTable(program.screenFormat, table);
  const int32_t left = std::max(0, x), top = std::max(0, y);
  const int32_t right = std::min<int32_t>(lock.width, x + field.width);
  const int32_t bottom = std::min<int32_t>(lock.height, y + field.height);
  const int32_t bytes = lock.bytesPerPixel;
  for (int32_t row = top; row < bottom; ++row) {
    const uint8_t* src = field.pixels + static_cast<ptrdiff_t>(row - y) * field.stride + (left - x);
    uint8_t* dst = lock.bits + static_cast<ptrdiff_t>(row) * lock.pitch + static_cast<ptrdiff_t>(left) * bytes;
    const int32_t n = right - left;
    if (bytes == 2) {
      uint16_t* out = reinterpret_cast<uint16_t*>(dst);
      for (int32_t i = 0; i < n; ++i) out[i] = static_cast<uint16_t>(table[src[i]]);
    } else if (bytes == 4) {
      uint32_t* out = reinterpret_cast<uint32_t*>(dst);
      for (int32_t i = 0; i < n; ++i) out[i] = table[src[i]];
    } else {
      for (int32_t i = 0; i < n; ++i) {
        const uint32_t v = table[src[i]];
        std::memcpy(dst + static_cast<ptrdiff_t>(i) * bytes, &v, static_cast<size_t>(std::min(bytes, 4)));
      }
    }
  }
  display.Unlock();
}
