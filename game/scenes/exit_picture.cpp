#include "audio/sound_bank.h"
#include "core/random_int.h"
#include "game/game_globals.h"
#include "game/scenes/deferred_pictures.h"
#include "game/scenes/scene_draw.h"
#include "game/scenes/scenes.h"
#include "game/scenes/transition.h"
#include "graphics/display.h"

void RunExitScreen() {
  const bool entered = program.previousScene != kSceneExit;
  if (entered) StartSceneFadeIn(true);
  // Without an exit picture of its own the game shows the splash again.
  UsePicture(exitPicture);
  if (program.fullRedraw) DrawFullScreenPicture(PictureShowable(exitPicture) ? exitPicture : splashPicture);
  if (input.anyInputThisFrame) {
    program.quitRequested = 1;
    input.anyInputThisFrame = 0;
  }
  EndSceneFrame(entered, 0, false);
}
