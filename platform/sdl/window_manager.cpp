// Kept apart from the window code: the X11 headers define macros (None,
// Status, Bool, ...) that would clash with names there.
#include "platform/sdl/window_manager.h"

#include <SDL.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#endif

namespace plat::sdl {

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
int IgnoreError(::Display*, XErrorEvent*) { return 0; }

// The window named by `property` on `owner`, or 0.
::Window WindowProperty(::Display* display, ::Window owner, Atom property) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ::Window result = 0;
  if (XGetWindowProperty(display, owner, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
          Success &&
      data && type == XA_WINDOW && format == 32 && count == 1)
    result = *reinterpret_cast<::Window*>(data);
  if (data) XFree(data);
  return result;
}
#endif

}  // namespace

bool WindowManagerRuns(SDL_Window* window) {
  if (!window) return true;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info)) return true;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem != SDL_SYSWM_X11) return true;
  ::Display* display = info.info.x11.display;
  if (!display) return true;
  // An EWMH manager names a window of its own on the root window, and that
  // window names itself (a stale entry left by a manager that quit does not).
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  // A window that no longer exists gives an X error, which must not end the
  // program.
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler(IgnoreError);
  const ::Window own = WindowProperty(display, DefaultRootWindow(display), check);
  const bool runs = own != 0 && WindowProperty(display, own, check) == own;
  XSync(display, False);
  XSetErrorHandler(previous);
  return runs;
#else
  return true;
#endif
}

}  // namespace plat::sdl
