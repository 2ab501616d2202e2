#pragma once
// One frame of the game: cursor confinement, the community layer, display
// switches, uploads, the sound reload, the transition and the scene switch.
#include <cstdint>
#include <functional>

void RunFrame();
// Confines the cursor to the window (want) or releases it; never while the
// game is paused.
void ClipCursorToWindow(bool want);

// Called at the start of every RunFrame (tests only; empty in the program).
void SetFrameHookForTests(std::function<void()> hook);

// When VANTREL_FIRST_FRAME_FILE names a file, the first frame that reaches
// the window writes the Unix time of that moment into it, in nanoseconds
// (start-up measurements, scripts/measure-startup.sh).
void StampFirstPresentedFrame(uint32_t presentsBefore, uint32_t presentsAfter);
