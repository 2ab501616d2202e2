#include "graphics/display.h"

#include <algorithm>
#include <cstdint>

Display::Display() = default;

Display::~Display() { Shutdown(); }

int32_t Display::CreateMainWindow(int32_t w, int32_t h, const char* className, void* /*instance*/,
                                  plat::Window** outWindow, plat::WindowProc proc, int32_t iconId, bool isSizable) {
  if (lockCount > 0) return 0;
  windowClass.className = className ? className : "";
  windowClass.proc = proc;
  windowClass.iconId = iconId;
  sizable = isSizable ? 1 : 0;

  plat::WindowSystem* system = plat::GetWindowSystem();
  plat::Window* created = nullptr;
  if (system) {
    plat::WindowDesc desc;
    desc.clientWidth = w;
    desc.clientHeight = h;
    desc.title = windowClass.className;
    desc.proc = proc;
    desc.iconId = iconId;
    desc.style = isSizable ? plat::WindowStyle::kFramedSizable : plat::WindowStyle::kFramedFixed;
    if (openFullScreen) desc.style = plat::WindowStyle::kFullScreen;
    created = system->CreateMainWindow(desc);
  }
  if (!created) {
    surface.FreeBuffers();
    window = nullptr;
    return 0;
  }
  window = created;
  if (outWindow) *outWindow = created;
  // A window the system opened in full screen is sized and shown as one.
  if (created->Style() == plat::WindowStyle::kFullScreen) fullScreen = 1;
  SizeWindow(w, h);
  window->Show(false);
  window->Focus();
  return 1;
}

int32_t Display::SetVideoMode(int32_t w, int32_t h, int32_t bpp, bool full, PixelFormat* out) {
  if (lockCount > 0 || !window) return 0;
  if (w <= 0 || w % 4 != 0 || h <= 0 || bpp <= 0) return 0;
  surface.FreeBuffers();
  fullScreen = full ? 1 : 0;
  if (!SetMode(w, h, bpp)) return 0;
  // A mode whose buffers could not be made is a failed mode: the caller
  // has its own path for that, and a display without buffers shows nothing.
  if (!surface.Valid()) return 0;
  if (out) *out = format;
  return 1;
}

int32_t Display::SetMode(int32_t w, int32_t h, int32_t bpp) {
  if (!window) return 0;
  plat::WindowStyle style = plat::WindowStyle::kFullScreen;
  if (!fullScreen) style = sizable ? plat::WindowStyle::kFramedSizable : plat::WindowStyle::kFramedFixed;
  window->SetStyle(style);
  // A window that kept another style (the system refused full screen, say)
  // did not take the mode.
  if (window->Style() != style) return 0;
  window->Focus();
  SizeWindow(clientWidth, clientHeight);
  surface.CreateBuffers(window, w, h, bpp);
  switch (bpp) {
    case 8: format.Set(8, 0, 0, 0); break;
    case 16: format.Set(16, 0x7C00, 0x3E0, 0x1F); break;
    case 24:
    case 32: format.Set(bpp, 0xFF0000, 0xFF00, 0xFF); break;
    default: break;
  }
  return 1;
}

int32_t Display::SizeWindow(int32_t cw, int32_t ch) {
  clientWidth = cw;
  clientHeight = ch;
  if (!window) return 0;
  if (fullScreen) {
    window->Show(true);
    return 1;
  }
  window->Show(false);
  // Always the sizable frame, whatever the window's own style.
  const plat::WindowRect outer = window->OuterForClient(cw, ch);
  outerWidth = outer.right - outer.left;
  outerHeight = outer.bottom - outer.top;
  if (centreWindow) {
    MoveWindowTo((window->ScreenWidth() - outerWidth) / 2, (window->ScreenHeight() - outerHeight) / 2);
  } else {
    const plat::WindowRect now = window->OuterRect();
    MoveWindowTo(now.left, now.top);
  }
  return 1;
}

int32_t Display::MoveWindowTo(int32_t x, int32_t y) {
  windowX = std::max(0, x);
  windowY = std::max(0, y);
  if (fullScreen || !window) return 0;
  window->Show(false);
  window->MoveOuter(windowX, windowY, outerWidth, outerHeight, true);
  return 1;
}

int32_t Display::SetCentreWindow(bool centre) {
  const int32_t previous = centreWindow;
  centreWindow = centre ? 1 : 0;
  return previous;
}

int32_t Display::SetOpenFullScreen(bool full) {
  const int32_t previous = openFullScreen;
  openFullScreen = full ? 1 : 0;
  return previous;
}

int32_t Display::SetPalette(const uint8_t rgbx[256][4]) {
  if (rgbx) {
    for (int i = 0; i < 256; ++i) {
      palette[i][0] = rgbx[i][0];
      palette[i][1] = rgbx[i][1];
      palette[i][2] = rgbx[i][2];
    }
  }
  surface.SetColourTable(palette);
  return 1;
}

int32_t Display::GetPalette(uint8_t out[256][4]) const {
  if (!out) return 0;
  for (int i = 0; i < 256; ++i) {
    out[i][0] = palette[i][0];
    out[i][1] = palette[i][1];
    out[i][2] = palette[i][2];
  }
  return 1;
}

int32_t Display::RealizePalette() {
  surface.RealizePalette();
  return 1;
}

int32_t Display::FreeBuffers() {
  surface.FreeBuffers();
  return 0;
}

int32_t Display::Close(bool destroyWindow) {
  surface.FreeBuffers();
  plat::Window* w = window;
  window = nullptr;
  if (destroyWindow && w) w->Destroy();
  return 0;
}

void Display::Shutdown() {
  surface.FreeBuffers();
  window = nullptr;
}

bool Display::Lock(SurfaceLock* out) {
  if (lockCount < 0) lockCount = 0;
  if (lockCount == 0) {
    uint8_t* b = surface.Bits();
    if (!b) return false;
    bits = b;
    width = surface.Width();
    height = surface.Height();
    pitch = surface.Pitch();
    bytesPerPixel = surface.BitsPerPixel() >> 3;
  }
  ++lockCount;
  if (out) {
    out->bytesPerPixel = bytesPerPixel;
    out->width = width;
    out->height = height;
    out->pitch = pitch;
    out->bits = bits;
  }
  return true;
}

bool Display::Unlock() {
  if (lockCount > 0) {
    --lockCount;
    return true;
  }
  lockCount = 0;
  return false;
}

bool Display::AddDirtyRect(int32_t x, int32_t y, int32_t w, int32_t h) {
  if (dirtyCount >= kMaxDirtyRects) {
    // The change would never reach the window: present everything next time.
    dirtyOverflow = 1;
    return false;
  }
  // Right and bottom saturate: a rectangle reaching past the coordinate
  // range is clipped by Present all the same.
  const auto edge = [](int32_t start, int32_t size) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{start} + size, INT32_MIN, INT32_MAX));
  };
  const plat::WindowRect r{x, y, edge(x, w), edge(y, h)};
  for (int32_t i = 0; i < dirtyCount; ++i) {
    plat::WindowRect& s = dirty[i];
    if (s.right >= r.left && s.left <= r.right && s.bottom >= r.top && s.top <= r.bottom) {
      s.left = std::min(s.left, r.left);
      s.top = std::min(s.top, r.top);
      s.right = std::max(s.right, r.right);
      s.bottom = std::max(s.bottom, r.bottom);
      return true;
    }
  }
  dirty[dirtyCount++] = r;
  return true;
}

bool Display::AddDirtyRect(const plat::WindowRect* rect) {
  if (!rect) return false;
  return AddDirtyRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
}

int32_t Display::Present(int32_t flags) {
  if (lockCount > 0) return 0;
  if (!(flags & kPresentDirtyOnly) || dirtyCount == 0 || dirtyOverflow) {
    dirty[0] = {0, 0, 10000, 10000};
    dirtyCount = 1;
    dirtyOverflow = 0;
  }
  if (!window) return 0;
  if (!surface.BeginPresent()) return 0;
  const plat::WindowRect b{0, 0, surface.Width(), surface.Height()};
  const plat::WindowRect t = (flags & kPresentScaleToClient) ? window->ClientRect() : b;
  for (int32_t i = 0; i < dirtyCount; ++i) {
    const plat::WindowRect& r = dirty[i];
    const plat::WindowRect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, b.right),
                             std::min(r.bottom, b.bottom)};
    if (c.right <= c.left || c.bottom <= c.top) continue;
    const int64_t tr = t.right, tb = t.bottom;
    const plat::WindowRect d{static_cast<int32_t>(tr * c.left / b.right), static_cast<int32_t>(tb * c.top / b.bottom),
                             static_cast<int32_t>(c.right * tr / b.right),
                             static_cast<int32_t>(tb * c.bottom / b.bottom)};
    if (flags & kPresentScaleToClient) {
      surface.StretchRect(d.left, d.top, d.right - d.left, d.bottom - d.top, c.left, c.top, c.right - c.left,
                          c.bottom - c.top);
    } else {
      surface.CopyRect(d.left, d.top, c.left, c.top, c.right - c.left, c.bottom - c.top);
    }
  }
  surface.EndPresent();
  dirtyCount = 0;
  ++presentCount;
  return 1;
}

LetterboxFit Display::CurrentFit() const {
  const plat::WindowRect client = window ? window->ClientRect() : plat::WindowRect{};
  return ComputeLetterboxFit(client.right, client.bottom, surface.Width(), surface.Height());
}

void Display::BufferToClient(int32_t* x, int32_t* y) const {
  const plat::WindowRect client = window ? window->ClientRect() : plat::WindowRect{};
  const LetterboxFit fit = ComputeLetterboxFit(client.right, client.bottom, surface.Width(), surface.Height());
  const int64_t bw = surface.Width(), bh = surface.Height();
  if (x) {
    const int64_t v = bw > 0 ? int64_t{*x} * fit.fitWidth / bw + fit.offsetX : 0;
    *x = static_cast<int32_t>(std::clamp<int64_t>(v, 0, client.right));
  }
  if (y) {
    const int64_t v = bh > 0 ? int64_t{*y} * fit.fitHeight / bh + fit.offsetY : 0;
    *y = static_cast<int32_t>(std::clamp<int64_t>(v, 0, client.bottom));
  }
}

void Display::ClientToBuffer(int32_t* x, int32_t* y) const {
  const plat::WindowRect client = window ? window->ClientRect() : plat::WindowRect{};
  const LetterboxFit fit = ComputeLetterboxFit(client.right, client.bottom, surface.Width(), surface.Height());
  const int64_t bw = surface.Width(), bh = surface.Height();
  if (x) {
    const int64_t v = fit.fitWidth > 0 ? (int64_t{*x} - fit.offsetX) * bw / fit.fitWidth : 0;
    *x = static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::max<int64_t>(0, bw - 1)));
  }
  if (y) {
    const int64_t v = fit.fitHeight > 0 ? (int64_t{*y} - fit.offsetY) * bh / fit.fitHeight : 0;
    *y = static_cast<int32_t>(std::clamp<int64_t>(v, 0, std::max<int64_t>(0, bh - 1)));
  }
}

int32_t SetWindowClientSize(plat::Window* window, int32_t w, int32_t h) {
  if (!window) return 0;
  const plat::WindowRect outer = window->OuterRect();
  const plat::WindowRect client = window->ClientRect();
  window->MoveOuter(outer.left, outer.top, outer.right - outer.left + w - client.right,
                    outer.bottom - outer.top + h - client.bottom, true);
  return 1;
}

int32_t PlaceWindow(plat::Window* window, int32_t x, int32_t y) {
  if (!window) return 0;
  const plat::WindowRect outer = window->OuterRect();
  window->MoveOuter(x, y, outer.right - outer.left, outer.bottom - outer.top, true);
  return 1;
}

Display& TheDisplay() {
  static Display display;
  return display;
}
