#include "game/play/pause.h"

#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "game/scenes/transition.h"

void TogglePause() {
  if (!play.paused) {
    if (program.sceneNumber != kScenePlay || transition.transitionRunning) return;
    play.paused = 1;
    input.pauseKeyReleased = 0;
    play.pauseClickX = -1;
    play.pauseClickY = -1;
    return;
  }
  if (!input.pauseKeyReleased) return;
  play.paused = 0;
  play.statusLine1.clear();
  play.statusLine2.clear();
  play.statusExpiry = play.playClock;
  input.settingsChanged = 1;
}
