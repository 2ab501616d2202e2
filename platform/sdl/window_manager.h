#pragma once
// Whether a window manager runs on the display of an SDL window.
struct SDL_Window;

namespace plat::sdl {

// True when a window manager that carries out full-screen requests looks
// after the window (on X11: an EWMH manager announces itself on the root
// window); also true for any system this cannot tell about. False on a bare
// X server, where a full-screen request is never answered.
bool WindowManagerRuns(SDL_Window* window);

}  // namespace plat::sdl
