#pragma once
// SDL2 shows a message box on X11 (and through zenity) from a child process
// that it forks and then waits for, retrying the wait whenever a signal
// interrupts it. A SIGINT or SIGTERM then only leaves SDL's quit pending
// while the box stays until somebody answers it.
#include <functional>

namespace plat::sdl {

// Runs `show`, a call that shows a box in that way, so that a SIGINT or
// SIGTERM during it also ends the box's process at once (`show` then reports
// a failure) and any process that `show` forks after the signal ends as soon
// as it starts. Once `show` has returned, the signal is raised again for the
// handler that was installed before (SDL's, which turns it into a quit
// event). Without such a handler (the signal's default action or ignored)
// `show` just runs. Returns what `show` returns.
int RunBoxUntilQuitSignal(const std::function<int()>& show);

}  // namespace plat::sdl
