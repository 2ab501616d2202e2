#include "game/play/pause.h"

#include "game/game_globals.h"
#include "game/play/play_state.h"
#include "game/scenes/transition.h"

void TogglePause() {
  if (!play.board.paused) {
    if (program.sceneNumber != kScenePlay || transition.transitionRunning) return;
    play.board.paused = 1;
    input.pauseKeyReleased = 0;
    play.pauseClickX = -1;
    play.pauseClickY = -1;
    return;
  }
  if (!input.pauseKeyReleased) return;
  play.board.paused = 0;
  play.statusLine1.clear();
  play.statusLine2.clear();
  play.board.statusExpiry = play.game.playClock;
  input.settingsChanged = 1;
}
