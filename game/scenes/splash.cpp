#include "game/game_globals.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/scenes.h"
#include "game/scenes/splash.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"
#include "platform/clock.h"

SplashScreenState splashScreen;

void RunSplashScreen() {
  const bool entered = program.previousScene != kSceneSplash;
  if (entered) splashScreen.splashStartMs = plat::MilliClock();
  // Unsigned difference: the millisecond clock wraps.
  if (input.anyInputThisFrame || input.lastTypedChar || plat::MilliClock() - splashScreen.splashStartMs > 5000u) {
    program.sceneNumber = kSceneOptions;
    return;
  }
  if (entered) StartSceneFadeIn(false);
  if (program.fullRedraw) DrawFullScreenPicture(splashPicture);
  EndSceneFrame(entered, 0, false);
}
