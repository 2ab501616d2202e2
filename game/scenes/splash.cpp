#include "game/game_globals.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/scenes.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/clock.h"

SplashScreenState splashScreen;

void RunSplashScreen() {
  const bool entered = program.previousScene != 0;
  if (entered) splashScreen.splashStartMs = plat::MilliClock();
  // Unsigned difference: the millisecond clock wraps.
  if (input.anyInputThisFrame || input.lastTypedChar || plat::MilliClock() - splashScreen.splashStartMs > 5000u) {
    program.sceneNumber = 2;
    return;
  }
  if (entered) {
    program.fullRedraw = 1;
    SnapshotOldScreen();
    transition.musicFade = 1;
  }
  if (program.fullRedraw) DrawFullScreenPicture(splashPicture);
  if (entered)
    SnapshotNewScreen();
  else
    TheDisplay().Present(0);
  program.fullRedraw = 0;
}
