#include "game/scenes/scene_draw.h"

#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/scenes/transition.h"
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

void StartSceneFadeIn(bool menuMusic) {
  program.fullRedraw = 1;
  if (menuMusic) {
    PlayMusic(int32_t(RandomInt(3)));
    soundSystem.SetModuleVolume(0);
  }
  SnapshotOldScreen();
  transition.musicFade = 1;
}

void EndSceneFrame(bool firstFrame, int32_t presentFlags, bool locked) {
  Display& display = TheDisplay();
  if (firstFrame) {
    SnapshotNewScreen();
    if (locked) display.Unlock();
  } else {
    if (locked) display.Unlock();
    display.Present(presentFlags);
  }
  program.fullRedraw = 0;
}
