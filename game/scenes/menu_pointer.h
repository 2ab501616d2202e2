#pragma once
// The software pointer of the menu scenes. The screen under the pointer is
// kept in `cursorBackdrop` at (`softCursorX`, `softCursorY`) (-1: no picture
// kept), the same position the play scene keeps for its pause pointer.
#include <functional>

// One frame of a menu scene's drawing with the pointer on top: puts the kept
// backdrop back where the pointer was (skipped on a full redraw, which
// paints over everything and so forgets the old position), runs
// `drawScene`, then keeps the screen under the pointer's new place and draws
// the pointer picture there. Both pointer rectangles are marked dirty.
// Call with the back buffer locked or not; the drawing locks it itself.
void DrawMenuPointer(bool fullRedraw, const std::function<void()>& drawScene);
