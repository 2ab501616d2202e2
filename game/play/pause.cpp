#include "game/play/pause.h"

#include "game/game_globals.h"

void TogglePause() {
  if (!paused) {
    if (sceneNumber != 4 || transitionRunning) return;
    paused = 1;
    pauseKeyReleased = 0;
    pauseClickX = -1;
    pauseClickY = -1;
    return;
  }
  if (!pauseKeyReleased) return;
  paused = 0;
  statusLine1.clear();
  statusLine2.clear();
  statusExpiry = playClock;
  settingsChanged = 1;
}
