#pragma once
// The game's window system over SDL2: SDL windows with one streaming
// texture each for presents, SDL events turned into the window messages of
// platform/window.h, and SDL message boxes.
#include <memory>

#include "platform/window.h"

struct SDL_Window;

namespace plat::sdl {

// Starts SDL's video subsystem and installs the result as the window system
// and the message-box handler (the destructor takes both out and shuts the
// subsystem down again). When video cannot start, the object still exists:
// creating a window fails, message boxes still work.
std::unique_ptr<WindowSystem> CreateWindowSystem();

// The SDL window behind a window of this system (null for any other window
// or once it is destroyed); for tests and SDL-specific code.
SDL_Window* NativeWindow(Window* window);

}  // namespace plat::sdl
