#pragma once
// The play scene: one frame of the game itself.

// Runs the board and player transitions, the timed board effects, input,
// the logic pass, the explosion queue, then draws and presents the frame.
void RunPlayScreen();

#include <cstdint>

// What the last play frame cost and drew, for the benchmarks and tests: the
// time of the steps before drawing, of the drawing and of the present (in
// nanoseconds of the steady clock), the entities drawn, the dirty
// rectangles handed to the present and the pixels it copied.
struct PlayFrameCounters {
  int64_t logicNs = 0;
  int64_t drawNs = 0;
  int64_t presentNs = 0;
  int32_t entities = 0;
  int32_t dirtyRects = 0;
  int64_t presentedPixels = 0;
  int32_t fullPresent = 0;
  int64_t presents = 0;  // play frames presented since start-up
};
extern PlayFrameCounters playFrameCounters;
