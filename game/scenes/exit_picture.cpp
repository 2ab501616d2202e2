#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/scenes.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"

void RunExitScreen() {
  const bool entered = previousScene != 8;
  if (entered) {
    fullRedraw = 1;
    PlayMusic(int32_t(RandomInt(3)));
    soundSystem.SetModuleVolume(0);
    SnapshotOldScreen();
    musicFade = 1;
  }
  // Without an exit picture of its own the game shows the splash again.
  UsePicture(exitPicture);
  if (fullRedraw) DrawFullScreenPicture(PictureShowable(exitPicture) ? exitPicture : splashPicture);
  if (anyInputThisFrame) {
    quitRequested = 1;
    anyInputThisFrame = 0;
  }
  if (entered)
    SnapshotNewScreen();
  else
    TheDisplay().Present(0);
  fullRedraw = 0;
}
