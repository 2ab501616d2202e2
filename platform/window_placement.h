#pragma once
// What saving and restoring a window's placement needs of a window: its outer
// rectangle, moving it (with a repaint), the screen size and its show state.
// The real windows implement it; tests use a small double.
#include <cstdint>

namespace plat {

struct WindowRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

class WindowPlacement {
 public:
  virtual ~WindowPlacement() = default;
  // The outer rectangle (frame included) in screen coordinates; a
  // minimised window reports left = top = -32000.
  virtual WindowRect OuterRect() const = 0;
  // Moves and sizes the outer rectangle; repaint redraws the window.
  virtual void MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) = 0;
  virtual int32_t ScreenWidth() const = 0;
  virtual int32_t ScreenHeight() const = 0;
  virtual bool IsMaximised() const = 0;
  // Shows the window normally (restored) or maximised.
  virtual void ShowNormal() = 0;
  virtual void ShowMaximised() = 0;
};

}  // namespace plat
