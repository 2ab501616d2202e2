#pragma once
// Windows and their message queue.
//
// A program picks one window system at start-up (the SDL one for the game,
// the Qt one for the tools, the in-memory one for tests) and installs it with
// SetWindowSystem. Everything above the platform layer sees only these
// interfaces: a window with a window procedure, and one message queue per
// program with the message kinds, key codes and parameter packing the
// window procedures are written against.
//
// Parameter packing (what each message carries):
//   kMsgCreate        sent synchronously while the window is being created
//   kMsgDestroy       sent synchronously by Window::Destroy
//   kMsgMove          lParam = client left | client top << 16 (screen coordinates)
//   kMsgSize          wParam = kSizeRestored / kSizeMinimised / kSizeMaximised,
//                     lParam = client width | client height << 16
//   kMsgActivate      wParam = kActive or kInactive in the low word, the
//                     high word non-zero when the window is minimised
//   kMsgActivateApp   wParam = 1 when the application becomes active, else 0
//   kMsgKeyDown/Up    wParam = virtual-key code (kKey*, letters and digits as
//                     upper-case ASCII); held keys repeat as further key-downs
//   kMsgChar          wParam = one Windows-1252 byte (Esc, Backspace, Enter
//                     and Tab arrive too, as 27, 8, 13 and 9)
//   kMsgMouseMove, kMsgLButtonDown/Up, kMsgRButtonDown/Up
//                     wParam = button state (kButton*), lParam = client x |
//                     client y << 16 (each an unsigned 16-bit word)
//   kMsgMouseWheel    high word of wParam = signed delta (kWheelDelta per
//                     notch, positive away from the user), low word = button
//                     state; lParam = client position as above
//   kMsgTimer         wParam = timer id
//   kMsgCommand       wParam, lParam as the poster chose
//   kMsgUser and above: the program's own messages
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "platform/window_placement.h"

namespace plat {

class Window;
struct PresentBuffer;

// Message kinds. The numbers are the ones the system's window procedures and
// private messages (kMsgUser + n) are written with.
enum : uint32_t {
  kMsgNull = 0x0000,
  kMsgCreate = 0x0001,
  kMsgDestroy = 0x0002,
  kMsgMove = 0x0003,
  kMsgSize = 0x0005,
  kMsgActivate = 0x0006,
  kMsgPaint = 0x000F,
  kMsgClose = 0x0010,
  kMsgQuit = 0x0012,
  kMsgActivateApp = 0x001C,
  kMsgKeyDown = 0x0100,
  kMsgKeyUp = 0x0101,
  kMsgChar = 0x0102,
  kMsgCommand = 0x0111,
  kMsgTimer = 0x0113,
  kMsgMouseMove = 0x0200,
  kMsgLButtonDown = 0x0201,
  kMsgLButtonUp = 0x0202,
  kMsgRButtonDown = 0x0204,
  kMsgRButtonUp = 0x0205,
  kMsgMouseWheel = 0x020A,
  kMsgUser = 0x0400,
};

// kMsgSize wParam.
enum : uint32_t { kSizeRestored = 0, kSizeMinimised = 1, kSizeMaximised = 2 };
// kMsgActivate low word.
enum : uint32_t { kInactive = 0, kActive = 1 };
// Button state carried by mouse messages.
enum : uint32_t {
  kButtonLeft = 0x0001,
  kButtonRight = 0x0002,
  kButtonShift = 0x0004,
  kButtonControl = 0x0008,
  kButtonMiddle = 0x0010
};
constexpr int kWheelDelta = 120;

// Virtual-key codes. Letters are their upper-case ASCII code ('A'..'Z'),
// digits their ASCII code ('0'..'9').
enum : uint32_t {
  kKeyBackspace = 0x08,
  kKeyTab = 0x09,
  kKeyEnter = 0x0D,
  kKeyShift = 0x10,
  kKeyControl = 0x11,
  kKeyAlt = 0x12,
  kKeyPause = 0x13,
  kKeyEscape = 0x1B,
  kKeySpace = 0x20,
  kKeyPageUp = 0x21,
  kKeyPageDown = 0x22,
  kKeyEnd = 0x23,
  kKeyHome = 0x24,
  kKeyLeft = 0x25,
  kKeyUp = 0x26,
  kKeyRight = 0x27,
  kKeyDown = 0x28,
  kKeyInsert = 0x2D,
  kKeyDelete = 0x2E,
  kKeyF1 = 0x70,  // F1..F12 are consecutive
  kKeyF2 = 0x71,
  kKeyF3 = 0x72,
  kKeyF4 = 0x73,
  kKeyF5 = 0x74,
  kKeyF6 = 0x75,
  kKeyF7 = 0x76,
  kKeyF8 = 0x77,
  kKeyF9 = 0x78,
  kKeyF10 = 0x79,
  kKeyF11 = 0x7A,
  kKeyF12 = 0x7B,
};

// Control characters among the kMsgChar bytes that the programs read: Esc,
// Backspace and Return as their keys send them, and a line feed, which the
// high scores' name entry takes as Return.
enum : uint8_t {
  kCharBackspace = 0x08,
  kCharLineFeed = 0x0A,
  kCharReturn = 0x0D,
  kCharEscape = 0x1B,
};

// Packing helpers for lParam / wParam words.
constexpr intptr_t MakeLParam(int32_t low, int32_t high) {
  return static_cast<intptr_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                               ((static_cast<uint32_t>(high) & 0xFFFFu) << 16));
}
constexpr uintptr_t MakeWParam(int32_t low, int32_t high) {
  return static_cast<uintptr_t>((static_cast<uint32_t>(low) & 0xFFFFu) |
                                ((static_cast<uint32_t>(high) & 0xFFFFu) << 16));
}
constexpr uint32_t LowWord(uintptr_t v) { return static_cast<uint32_t>(v & 0xFFFFu); }
constexpr uint32_t HighWord(uintptr_t v) { return static_cast<uint32_t>((v >> 16) & 0xFFFFu); }
constexpr int32_t SignedHighWord(uintptr_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>((v >> 16) & 0xFFFFu));
}

struct Message {
  Window* window = nullptr;  // null for kMsgQuit and thread messages
  uint32_t message = kMsgNull;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
};

// A window procedure: gets every message dispatched or sent to its window.
// Whatever it does not handle it passes to DefaultWindowProc.
using WindowProc = std::function<intptr_t(Window*, uint32_t message, uintptr_t wParam, intptr_t lParam)>;

// The default handling: kMsgClose destroys the window; everything else 0.
intptr_t DefaultWindowProc(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Frame style of a window.
enum class WindowStyle {
  kFramedSizable,  // caption, system menu, sizable border, maximise button
  kFramedFixed,    // caption and system menu, no sizing
  kFullScreen,     // no frame, covers the whole screen
};

struct WindowDesc {
  int32_t clientWidth = 640;
  int32_t clientHeight = 480;
  std::string title;  // Windows-1252
  WindowProc proc;
  int32_t iconId = 0;  // 0: the system's application icon
  WindowStyle style = WindowStyle::kFramedSizable;
  int32_t x = 0;  // outer top-left corner
  int32_t y = 0;
};

// One top-level window. Created and owned by the window system; after
// Destroy the object stays valid (every call does nothing) until the window
// system is destroyed, so stale pointers held by the program are harmless.
class Window : public WindowPlacement {
 public:
  ~Window() override = default;

  // Shows the window (normally or maximised; a full-screen window covers
  // the screen either way). A hidden window is never shown by creation.
  virtual void Show(bool maximised) = 0;
  virtual void Focus() = 0;
  virtual void SetStyle(WindowStyle style) = 0;
  virtual WindowStyle Style() const = 0;
  // Client rectangle: {0, 0, width, height}.
  virtual WindowRect ClientRect() const = 0;
  // The outer rectangle a window of the framed sizable style needs around
  // a client area of the given size, with the client's top-left corner at
  // 0, 0 (so left and top are zero or negative).
  virtual WindowRect OuterForClient(int32_t clientWidth, int32_t clientHeight) const = 0;
  // Client-area point to screen coordinates.
  virtual void ClientToScreen(int32_t* x, int32_t* y) const = 0;
  virtual void SetTitle(const std::string& title) = 0;
  // Asks for a kMsgPaint (delivered once the queue holds nothing else).
  virtual void Invalidate() = 0;
  // Sends kMsgDestroy to the procedure, closes the window and drops its
  // queued messages. A second call does nothing.
  virtual void Destroy() = 0;
  virtual bool IsAlive() const = 0;

  // Window timers: kMsgTimer with the id every periodMs milliseconds.
  virtual void SetTimer(uint32_t id, uint32_t periodMs) = 0;
  virtual void KillTimer(uint32_t id) = 0;

  // Cursor: confine to the client area (re-applied on every call, so a moved
  // window is followed) or release; warp to a client point.
  virtual void ConfineCursor(bool confine) = 0;
  virtual void WarpCursor(int32_t clientX, int32_t clientY) = 0;

  // Puts a buffer into the client area: the whole buffer is scaled
  // (nearest neighbour, no smoothing) onto `target` in client coordinates,
  // each of the `blackCount` rectangles is filled black, and the result is
  // shown. False when the window is gone or the buffer is not usable.
  virtual bool Present(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black,
                       int blackCount) = 0;

  // The procedure given at creation (for dispatch).
  const WindowProc& Proc() const { return proc_; }
  void SetProc(WindowProc proc) { proc_ = std::move(proc); }

 protected:
  WindowProc proc_;
};

// The program's window system: creates windows and owns the message queue.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Creates a window; kMsgCreate reaches the procedure before this returns.
  // The window is not shown yet. Null on failure.
  virtual Window* CreateMainWindow(const WindowDesc& desc) = 0;

  // Posts a message (FIFO; it is handled after the current handler
  // returns). A null window posts to the queue itself (dispatch then does
  // nothing). False when the window is gone.
  virtual bool PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  // After the messages already queued, kMsgQuit with wParam = code.
  virtual void PostQuitMessage(int32_t code) = 0;
  // Looks at the next message; removes it when `remove` is set. False when
  // none is waiting. Never blocks.
  virtual bool PeekMessage(Message* out, bool remove) = 0;
  // Waits for and removes the next message. False when it is kMsgQuit (the
  // message is still filled in, wParam = the code).
  virtual bool GetMessage(Message* out) = 0;
  // Blocks until a message is waiting.
  virtual void WaitMessage() = 0;
  // Blocks until a message is waiting or timeoutMs milliseconds have
  // passed, whichever comes first (0: only looks). True when a message is
  // waiting. It may also return early with nothing waiting (an event of the
  // system that makes no message, a window timer's next tick): a caller
  // that needs the whole time asks its clock and waits again for the rest.
  virtual bool WaitMessageFor(uint32_t timeoutMs) = 0;

  // Shows or hides the system cursor over the program's windows.
  virtual void ShowCursor(bool show) = 0;

  // The screen's size in pixels.
  virtual int32_t ScreenWidth() const = 0;
  virtual int32_t ScreenHeight() const = 0;

  // Calls the window's procedure; 0 for a message without a live window.
  static intptr_t DispatchMessage(const Message& msg);
  // Calls the procedure at once (no queue); 0 for a window that is gone.
  static intptr_t SendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
};

// The program's window system (not owned); null until set. Windows are only
// created through it.
void SetWindowSystem(WindowSystem* system);
WindowSystem* GetWindowSystem();

}  // namespace plat
