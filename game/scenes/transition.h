#pragma once
// The scene transition: a band sweeps down over 2000 ms, uncovering the new
// scene's first picture from the top while the music (and, when asked, the
// effects) fade.
#include <cstdint>

// Copies the back buffer into transitionOldPicture (a scene's first frame,
// before it draws).
void SnapshotOldScreen();
// Copies the back buffer into transitionNewPicture and starts the rolling
// band (after the first frame is drawn, instead of presenting it).
void SnapshotNewScreen();
void StartTransition(int32_t style);
// One frame of the transition, run by the frame step instead of the scene.
void DrawScreenTransition();
