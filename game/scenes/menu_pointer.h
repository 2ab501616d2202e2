#pragma once
// The software pointer of the menu scenes. The screen under the pointer is
// kept in `cursorBackdrop` at softCursor's position, which the play scene
// keeps for its pause pointer too.
#include <cstdint>
#include <functional>

// Where the screen under the pointer picture is kept (-1: no picture kept).
struct SoftCursorState {
  int32_t x = -1;
  int32_t y = -1;
};
extern SoftCursorState softCursor;

// One frame of a menu scene's drawing with the pointer on top: puts the kept
// backdrop back where the pointer was (skipped on a full redraw, which
// paints over everything and so forgets the old position), runs
// `drawScene`, then keeps the screen under the pointer's new place and draws
// the pointer picture there. Both pointer rectangles are marked dirty.
// Call with the back buffer locked or not; the drawing locks it itself.
void DrawMenuPointer(bool fullRedraw, const std::function<void()>& drawScene);
