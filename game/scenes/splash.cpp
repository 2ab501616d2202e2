#include "game/game_globals.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/scenes.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/clock.h"

void RunSplashScreen() {
  const bool entered = previousScene != 0;
  if (entered) splashStartMs = plat::MilliClock();
  // Unsigned difference: the millisecond clock wraps.
  if (anyInputThisFrame || lastTypedChar || plat::MilliClock() - splashStartMs > 5000u) {
    sceneNumber = 2;
    return;
  }
  if (entered) {
    fullRedraw = 1;
    SnapshotOldScreen();
    musicFade = 1;
  }
  if (fullRedraw) DrawFullScreenPicture(splashPicture);
  if (entered)
    SnapshotNewScreen();
  else
    TheDisplay().Present(0);
  fullRedraw = 0;
}
