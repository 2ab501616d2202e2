#include "game/scenes/menu_pointer.h"

#include <algorithm>
#include <cstring>

#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "graphics/display.h"
#include "graphics/draw.h"

SoftCursorState softCursor;

namespace {

// Copies a w x h rectangle between the back buffer and the backdrop (both
// of the buffer's depth); toScreen chooses the direction.
void CopyBackdrop(const SurfaceLock& lock, int32_t x, int32_t y, bool toScreen) {
  Bitmap& b = cursorBackdrop;
  const int32_t bytes = lock.bytesPerPixel;
  const int32_t w = std::min(b.width, lock.width - x), h = std::min(b.height, lock.height - y);
  if (x < 0 || y < 0 || w <= 0 || h <= 0) return;
  for (int32_t row = 0; row < h; ++row) {
    uint8_t* screen = lock.bits + static_cast<ptrdiff_t>(y + row) * lock.pitch + static_cast<ptrdiff_t>(x) * bytes;
    uint8_t* kept = b.pixels + static_cast<ptrdiff_t>(row) * b.stride;
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(bytes);
    if (toScreen) {
      std::memcpy(screen, kept, n);
    } else {
      std::memcpy(kept, screen, n);
    }
  }
}

}  // namespace

void DrawMenuPointer(bool fullRedraw, const std::function<void()>& drawScene) {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) {
    if (drawScene) drawScene();
    return;
  }
  const Bitmap* pointer = cursorPicture.GetFrame(1);
  const bool havePointer = pointer && pointer->pixels && pointer->bytesPerPixel == lock.bytesPerPixel;
  // The backdrop has the pointer's size and the buffer's depth.
  if (havePointer && (cursorBackdrop.width != pointer->width || cursorBackdrop.height != pointer->height ||
                      cursorBackdrop.bytesPerPixel != lock.bytesPerPixel || !cursorBackdrop.pixels)) {
    cursorBackdrop.Create(pointer->width, pointer->height, lock.bytesPerPixel * 8);
    softCursor.x = softCursor.y = -1;
  }
  const bool backdropUsable = havePointer && cursorBackdrop.pixels;
  if (fullRedraw) {
    softCursor.x = softCursor.y = -1;
  } else if (backdropUsable && softCursor.x >= 0 && softCursor.y >= 0) {
    CopyBackdrop(lock, softCursor.x, softCursor.y, true);
    display.AddDirtyRect(softCursor.x, softCursor.y, cursorBackdrop.width, cursorBackdrop.height);
  }

  if (drawScene) drawScene();

  if (backdropUsable) {
    // The kept rectangle stays wholly on screen; the pointer itself is drawn
    // at the mouse and clipped there.
    const int32_t x = std::clamp(input.mouseX, 0, std::max(0, lock.width - cursorBackdrop.width));
    const int32_t y = std::clamp(input.mouseY, 0, std::max(0, lock.height - cursorBackdrop.height));
    CopyBackdrop(lock, x, y, false);
    softCursor.x = x;
    softCursor.y = y;
    display.AddDirtyRect(x, y, cursorBackdrop.width, cursorBackdrop.height);
    BlitImage(pointer, input.mouseX, input.mouseY, nullptr, 1);
  }
  display.Unlock();
}
