#pragma once
// The scene transition: a band sweeps down over 2000 ms, uncovering the new
// scene's first picture from the top while the music (and, when asked, the
// effects) fade.
#include <cstdint>

#include "platform/window.h"

// Scene transition.
struct TransitionState {
  int32_t transitionRunning = 0;
  int32_t transitionStyle = 0;  // 0 rolling band, 1 blend
  int32_t transitionStart = 0;  // mainTimer ms
  plat::WindowRect transitionBand = {0, 0, 0, 0};
  int32_t musicFade = 0;  // -1 out, 1 in, 0 leave
  int32_t soundFade = 0;
};
extern TransitionState transition;

// Copies the back buffer into transitionOldPicture (a scene's first frame,
// before it draws).
void SnapshotOldScreen();
// Copies the back buffer into transitionNewPicture and starts the rolling
// band (after the first frame is drawn, instead of presenting it).
void SnapshotNewScreen();
void StartTransition(int32_t style);
// One frame of the transition, run by the frame step instead of the scene.
void DrawScreenTransition();
