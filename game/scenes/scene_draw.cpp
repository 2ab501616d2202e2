#include "game/scenes/scene_draw.h"

#include "graphics/display.h"

void DrawFullScreenPicture(Image& picture) {
  Display& display = TheDisplay();
  SurfaceLock lock;
  if (!display.Lock(&lock)) return;
  const Bitmap* frame = picture.GetFrame(1);
  if (frame && frame->pixels && frame->bpp == lock.bytesPerPixel * 8)
    frame->Draw(lock.bits, lock.width, lock.height, lock.pitch, 0, 0, 0, 256);
  display.AddDirtyRect(0, 0, lock.width, lock.height);
  display.Unlock();
}
