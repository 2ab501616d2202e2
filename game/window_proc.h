#pragma once
// The procedure of the game's window: input, function keys, focus and the
// typed codes. The input globals it writes live in game_globals.h.
#include <cstdint>

#include "platform/window.h"

intptr_t MainWndProc(plat::Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
