#pragma once
// The play scene: one frame of the game itself.

// Runs the board and player transitions, the timed board effects, input,
// the logic pass, the explosion queue, then draws and presents the frame.
void RunPlayScreen();
