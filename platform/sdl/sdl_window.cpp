#include "platform/sdl/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/backend.h"
#include "platform/message_box.h"
#include "platform/present.h"
#include "platform/cp1252.h"
#include "platform/sdl/box_process.h"
#include "platform/sdl/window_manager.h"

namespace plat::sdl {

namespace {

// A maximise that SDL reports within this time after the program changed the
// window's mode or size is the change's echo, not the user's request.
constexpr uint32_t kModeChangeQuietMs = 500;

class SdlWindowSystem;

uint32_t VirtualKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<uint32_t>('A' + (key - SDLK_a));
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<uint32_t>('0' + (key - SDLK_0));
  if (key >= SDLK_F1 && key <= SDLK_F12) return kKeyF1 + static_cast<uint32_t>(key - SDLK_F1);
  switch (key) {
    case SDLK_ESCAPE: return kKeyEscape;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return kKeyEnter;
    case SDLK_BACKSPACE: return kKeyBackspace;
    case SDLK_TAB: return kKeyTab;
    case SDLK_SPACE: return kKeySpace;
    case SDLK_LEFT: return kKeyLeft;
    case SDLK_RIGHT: return kKeyRight;
    case SDLK_UP: return kKeyUp;
    case SDLK_DOWN: return kKeyDown;
    case SDLK_HOME: return kKeyHome;
    case SDLK_END: return kKeyEnd;
    case SDLK_PAGEUP: return kKeyPageUp;
    case SDLK_PAGEDOWN: return kKeyPageDown;
    case SDLK_INSERT: return kKeyInsert;
    case SDLK_DELETE: return kKeyDelete;
    case SDLK_PAUSE: return kKeyPause;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return kKeyShift;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return kKeyControl;
    case SDLK_LALT:
    case SDLK_RALT: return kKeyAlt;
    default: return 0;
  }
}

// Keys that also arrive as characters.
int ControlChar(uint32_t vk) {
  switch (vk) {
    case kKeyEscape: return 27;
    case kKeyBackspace: return 8;
    case kKeyEnter: return 13;
    case kKeyTab: return 9;
    default: return -1;
  }
}

class SdlWindow : public BackendWindow {
 public:
  SdlWindow(SdlWindowSystem* system, SDL_Window* window, const WindowDesc& desc);
  ~SdlWindow() override { Release(); }

  uint32_t Id() const { return id_; }
  // Desktop full screen. Without a window manager (a bare X server) the
  // request would never be carried out: the window is then made a frameless
  // window over the whole screen at once, which looks the same. A hidden
  // window takes the mode when it is first shown.
  void EnterFullScreen();
  SDL_Window* Native() const { return window_; }

  void Show(bool maximised) override {
    if (!window_) return;
    SDL_ShowWindow(window_);
    if (style_ == WindowStyle::kFullScreen) return;
    uint32_t flags = SDL_GetWindowFlags(window_);
    if (maximised && !(flags & SDL_WINDOW_MAXIMIZED)) {
      Quiet();
      SDL_MaximizeWindow(window_);
    } else if (!maximised && (flags & (SDL_WINDOW_MAXIMIZED | SDL_WINDOW_MINIMIZED))) {
      Quiet();
      SDL_RestoreWindow(window_);
    }
  }

  void Focus() override {
    if (window_) SDL_RaiseWindow(window_);
  }

  void SetStyle(WindowStyle style) override {
    if (!window_) return;
    Quiet();
    if (style == WindowStyle::kFullScreen) {
      RememberBorders();
      EnterFullScreen();
    } else {
      SDL_SetWindowFullscreen(window_, 0);
      if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) SDL_RestoreWindow(window_);
      SDL_SetWindowBordered(window_, SDL_TRUE);
      SDL_SetWindowResizable(window_, style == WindowStyle::kFramedSizable ? SDL_TRUE : SDL_FALSE);
    }
    style_ = style;
  }
  WindowStyle Style() const override { return style_; }

  WindowRect ClientRect() const override {
    int w = 0, h = 0;
    if (window_) SDL_GetWindowSize(window_, &w, &h);
    return {0, 0, w, h};
  }

  WindowRect OuterForClient(int32_t clientWidth, int32_t clientHeight) const override {
    Borders b = FrameBorders();
    return {-b.left, -b.top, clientWidth + b.right, clientHeight + b.bottom};
  }

  void ClientToScreen(int32_t* x, int32_t* y) const override {
    int wx = 0, wy = 0;
    if (window_) SDL_GetWindowPosition(window_, &wx, &wy);
    if (x) *x += wx;
    if (y) *y += wy;
  }

  void SetTitle(const std::string& title) override {
    if (window_) SDL_SetWindowTitle(window_, Cp1252ToUtf8(title).c_str());
  }

  // An invalidated window is shown whole at its next present.
  void OnInvalidate() override { stale_ = true; }

  bool IsAlive() const override { return window_ != nullptr; }

  void SetTimer(uint32_t id, uint32_t periodMs) override {
    if (!window_) return;
    KillTimer(id);
    timers_.push_back({id, periodMs, SDL_GetTicks() + periodMs});
  }
  void KillTimer(uint32_t id) override {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; }),
                  timers_.end());
  }

  void ConfineCursor(bool confine) override {
    if (!window_) return;
    if (confine) {
      WindowRect c = ClientRect();
      SDL_Rect r{0, 0, c.right, c.bottom};
      SDL_SetWindowMouseRect(window_, &r);
    } else {
      SDL_SetWindowMouseRect(window_, nullptr);
    }
  }

  void WarpCursor(int32_t clientX, int32_t clientY) override {
    if (window_) SDL_WarpMouseInWindow(window_, clientX, clientY);
  }

  bool Present(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black, int blackCount) override;

  // WindowPlacement
  WindowRect OuterRect() const override {
    if (!window_) return {};
    uint32_t flags = SDL_GetWindowFlags(window_);
    if (flags & SDL_WINDOW_MINIMIZED) return {-32000, -32000, -32000 + 160, -32000 + 28};
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    Borders b = style_ == WindowStyle::kFullScreen ? Borders{} : FrameBorders();
    return {x - b.left, y - b.top, x + w + b.right, y + h + b.bottom};
  }

  void MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) override {
    if (!window_ || style_ == WindowStyle::kFullScreen) return;
    Borders b = FrameBorders();
    int w = std::max(1, width - b.left - b.right);
    int h = std::max(1, height - b.top - b.bottom);
    Quiet();
    if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) SDL_RestoreWindow(window_);
    SDL_SetWindowSize(window_, w, h);
    SDL_SetWindowPosition(window_, x + b.left, y + b.top);
    if (repaint) Invalidate();
  }

  int32_t ScreenWidth() const override { return ScreenSize().w; }
  int32_t ScreenHeight() const override { return ScreenSize().h; }
  bool IsMaximised() const override {
    return window_ && style_ != WindowStyle::kFullScreen && (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED);
  }
  void ShowNormal() override { Show(false); }
  void ShowMaximised() override { Show(true); }

  // Event side.
  bool MaximiseIsUsers() const {
    return window_ && style_ != WindowStyle::kFullScreen && !(SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) &&
           SDL_TICKS_PASSED(SDL_GetTicks(), quietUntil_);
  }
  struct Timer {
    uint32_t id;
    uint32_t period;
    uint32_t due;
  };
  std::vector<Timer>& Timers() { return timers_; }

 private:
  struct Borders {
    int top = 0, left = 0, bottom = 0, right = 0;
  };
  struct Size {
    int w = 0, h = 0;
  };

  Size ScreenSize() const {
    SDL_DisplayMode mode;
    int index = window_ ? SDL_GetWindowDisplayIndex(window_) : 0;
    if (index < 0) index = 0;
    if (SDL_GetDesktopDisplayMode(index, &mode) != 0) return {};
    return {mode.w, mode.h};
  }

  Borders FrameBorders() const {
    if (window_ && style_ != WindowStyle::kFullScreen) {
      Borders b;
      if (SDL_GetWindowBordersSize(window_, &b.top, &b.left, &b.bottom, &b.right) == 0 &&
          (b.top | b.left | b.bottom | b.right) != 0) {
        lastBorders_ = b;
        return b;
      }
    }
    return lastBorders_;
  }
  void RememberBorders() { FrameBorders(); }

  void Quiet() { quietUntil_ = SDL_GetTicks() + kModeChangeQuietMs; }

  void Close() override;

  // A frameless window over the whole of `bounds`.
  void Frameless(const SDL_Rect& bounds);

  // What the window shows: which buffer, at which place. A present of the
  // same buffer at the same place needs to send only what changed.
  struct Shown {
    const uint8_t* bits = nullptr;
    int32_t width = 0, height = 0, pitch = 0, bitsPerPixel = 0;
    WindowRect target{};
    int32_t clientWidth = 0, clientHeight = 0;
    bool direct = false;
    const void* surface = nullptr;
    bool operator==(const Shown& o) const {
      return bits == o.bits && width == o.width && height == o.height && pitch == o.pitch &&
             bitsPerPixel == o.bitsPerPixel && target.left == o.target.left && target.top == o.target.top &&
             target.right == o.target.right && target.bottom == o.target.bottom && clientWidth == o.clientWidth &&
             clientHeight == o.clientHeight && direct == o.direct && surface == o.surface;
    }
  };
  bool PresentToSurface(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black, int blackCount,
                        Shown now);
  bool PresentWithRenderer(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black,
                           int blackCount, Shown now);
  // The changed rectangles of the buffer (clipped), or the whole buffer when
  // the window does not show this buffer at this place yet.
  void ListChanged(const PresentBuffer& buffer, const Shown& now);

  bool EnsureTexture(int w, int h, uint32_t format) {
    if (texture_ && textureW_ == w && textureH_ == h && textureFormat_ == format) return true;
    stale_ = true;
    if (texture_) SDL_DestroyTexture(texture_);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    texture_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, w, h);
    if (!texture_) return false;
    SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    textureW_ = w;
    textureH_ = h;
    textureFormat_ = format;
    return true;
  }

  void Release() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
  }

  SdlWindowSystem* system_;
  SDL_Window* window_;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureW_ = 0, textureH_ = 0;
  uint32_t textureFormat_ = 0;
  bool software_ = false;
  bool stale_ = true;
  Shown shown_;
  std::vector<SDL_Rect> rects_;
  uint32_t id_ = 0;
  WindowStyle style_;
  uint32_t quietUntil_ = 0;
  mutable Borders lastBorders_;
  std::vector<Timer> timers_;
};

class SdlWindowSystem : public BackendWindowSystem<SdlWindow> {
 public:
  SdlWindowSystem() {
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Window surfaces are the system's own framebuffer, not a texture of a
    // hidden renderer of SDL's.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    videoOk_ = SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
    if (!videoOk_) std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
    if (videoOk_) SDL_StartTextInput();
  }

  ~SdlWindowSystem() override {
    windows_.clear();
    if (videoOk_) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
  }

  Window* CreateMainWindow(const WindowDesc& desc) override {
    if (!videoOk_) return nullptr;
    uint32_t flags = SDL_WINDOW_HIDDEN;
    if (desc.style == WindowStyle::kFramedSizable) flags |= SDL_WINDOW_RESIZABLE;
    SDL_Window* sw = SDL_CreateWindow(Cp1252ToUtf8(desc.title).c_str(), desc.x, desc.y, std::max(1, desc.clientWidth),
                                      std::max(1, desc.clientHeight), flags);
    if (!sw) {
      std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
      return nullptr;
    }
    auto window = std::make_unique<SdlWindow>(this, sw, desc);
    // Still hidden: it is first shown in its full-screen form.
    if (desc.style == WindowStyle::kFullScreen) window->EnterFullScreen();
    return AddWindow(std::move(window));
  }

  // Asked once, on the first window that goes full screen.
  bool WindowManager(SDL_Window* window) {
    if (windowManager_ < 0) windowManager_ = WindowManagerRuns(window) ? 1 : 0;
    return windowManager_ == 1;
  }

  bool PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    return PostToQueue(window, message, wParam, lParam);
  }

  void PostQuitMessage(int32_t code) override { SetQuit(code); }

  bool PeekMessage(Message* out, bool remove) override {
    Pump();
    return TakeNext(out, remove);
  }

  bool GetMessage(Message* out) override {
    Message m;
    while (!PeekMessage(&m, true)) WaitMessage();
    if (out) *out = m;
    return m.message != kMsgQuit;
  }

  void WaitMessage() override {
    Pump();
    if (HasWaiting()) return;
    SleepUntilEvent(100);
  }

  bool WaitMessageFor(uint32_t timeoutMs) override {
    Pump();
    if (HasWaiting()) return true;
    if (timeoutMs == 0) return false;
    SleepUntilEvent(static_cast<int>(std::min<uint32_t>(timeoutMs, INT32_MAX)));
    Pump();
    return HasWaiting();
  }

  void ShowCursor(bool show) override {
    if (videoOk_) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
  }

  int32_t ScreenWidth() const override { return Screen().w; }
  int32_t ScreenHeight() const override { return Screen().h; }

  int32_t ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, uint32_t flags) override {
    SDL_Window* parent = nullptr;
    for (auto& w : windows_) {
      if (w.get() == owner && w->IsAlive()) parent = w->Native();
    }
    uint32_t sdlFlags = SDL_MESSAGEBOX_INFORMATION;
    uint32_t icon = flags & 0xF0;
    if (icon == kMbIconError) sdlFlags = SDL_MESSAGEBOX_ERROR;
    if (icon == kMbIconWarning) sdlFlags = SDL_MESSAGEBOX_WARNING;
    const std::string title = Cp1252ToUtf8(caption);
    const std::string message = Cp1252ToUtf8(text);
    std::fprintf(stderr, "[%s] %s\n", title.c_str(), message.c_str());
    // Once the program has been asked to quit, a box would only hold up the
    // shutdown: it is not shown, as when no box can be shown.
    if (QuitAsked()) return kIdOk;
    if ((flags & 0x0F) != kMbOkCancel) {
      RunBoxUntilQuitSignal([&] { return SDL_ShowSimpleMessageBox(sdlFlags, title.c_str(), message.c_str(), parent); });
      return kIdOk;
    }
    const SDL_MessageBoxButtonData buttons[2] = {
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kIdCancel, "Cancel"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kIdOk, "OK"},
    };
    SDL_MessageBoxData data{sdlFlags, parent, title.c_str(), message.c_str(), 2, buttons, nullptr};
    int pressed = kIdOk;
    if (RunBoxUntilQuitSignal([&] { return SDL_ShowMessageBox(&data, &pressed); }) != 0) return kIdOk;
    return pressed == kIdCancel ? kIdCancel : kIdOk;
  }

  // Moves every waiting SDL event into the queue and posts due timers.
  void PumpEvents() { Pump(); }

 private:
  struct Size {
    int w = 0, h = 0;
  };
  Size Screen() const {
    SDL_DisplayMode mode;
    if (!videoOk_ || SDL_GetDesktopDisplayMode(0, &mode) != 0) return {};
    return {mode.w, mode.h};
  }

  // A quit came through the event loop, or SDL holds one that has not.
  bool QuitAsked() { return quitAsked_ || (videoOk_ && SDL_QuitRequested()); }

  SdlWindow* Find(uint32_t id) {
    for (auto& w : windows_) {
      if (w->IsAlive() && w->Id() == id) return w.get();
    }
    return nullptr;
  }
  SdlWindow* FirstAlive() {
    for (auto& w : windows_) {
      if (w->IsAlive()) return w.get();
    }
    return nullptr;
  }

  // Sleeps until an SDL event arrives, the next window timer is due or
  // timeoutMs have passed, whichever comes first. SDL's wait blocks on the
  // display connection (no polling) while a window exists.
  void SleepUntilEvent(int timeoutMs) {
    int timeout = timeoutMs;
    uint32_t now = SDL_GetTicks();
    for (auto& w : windows_) {
      for (const SdlWindow::Timer& t : w->Timers()) {
        int left = SDL_TICKS_PASSED(now, t.due) ? 0 : static_cast<int>(t.due - now);
        timeout = std::min(timeout, left);
      }
    }
    if (videoOk_)
      SDL_WaitEventTimeout(nullptr, timeout);
    else
      SDL_Delay(static_cast<uint32_t>(timeout));
  }

  // Moves every waiting SDL event into the queue and posts due timers.
  void Pump() {
    if (!videoOk_) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) Translate(e);
    uint32_t now = SDL_GetTicks();
    for (auto& w : windows_) {
      if (!w->IsAlive()) continue;
      for (SdlWindow::Timer& t : w->Timers()) {
        if (!SDL_TICKS_PASSED(now, t.due)) continue;
        t.due = now + std::max<uint32_t>(1, t.period);
        bool pending = false;
        for (const Message& m : queue_) {
          if (m.window == w.get() && m.message == kMsgTimer && m.wParam == t.id) pending = true;
        }
        if (!pending) PostMessage(w.get(), kMsgTimer, t.id, 0);
      }
    }
  }

  uintptr_t ButtonState() const {
    uintptr_t s = buttons_;
    SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT) s |= kButtonShift;
    if (mod & KMOD_CTRL) s |= kButtonControl;
    return s;
  }

  void Translate(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT: {
        // Window-manager quit and SIGINT/SIGTERM: a close, so the program's
        // normal shutdown runs.
        quitAsked_ = true;
        if (SdlWindow* w = FirstAlive())
          PostMessage(w, kMsgClose, 0, 0);
        else
          PostQuitMessage(0);
        break;
      }
      case SDL_WINDOWEVENT: {
        SdlWindow* w = Find(e.window.windowID);
        if (!w) break;
        switch (e.window.event) {
          case SDL_WINDOWEVENT_EXPOSED: w->Invalidate(); break;
          case SDL_WINDOWEVENT_MOVED: PostMessage(w, kMsgMove, 0, MakeLParam(e.window.data1, e.window.data2)); break;
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            PostMessage(w, kMsgSize, kSizeRestored, MakeLParam(e.window.data1, e.window.data2));
            break;
          case SDL_WINDOWEVENT_MAXIMIZED:
            if (w->MaximiseIsUsers()) {
              WindowRect c = w->ClientRect();
              PostMessage(w, kMsgSize, kSizeMaximised, MakeLParam(c.right, c.bottom));
            }
            break;
          case SDL_WINDOWEVENT_MINIMIZED:
            PostMessage(w, kMsgActivate, MakeWParam(kInactive, 1), 0);
            PostMessage(w, kMsgSize, kSizeMinimised, 0);
            break;
          case SDL_WINDOWEVENT_RESTORED: PostMessage(w, kMsgActivate, MakeWParam(kActive, 0), 0); break;
          case SDL_WINDOWEVENT_FOCUS_GAINED:
            PostMessage(w, kMsgActivateApp, 1, 0);
            PostMessage(w, kMsgActivate, MakeWParam(kActive, 0), 0);
            break;
          case SDL_WINDOWEVENT_FOCUS_LOST: PostMessage(w, kMsgActivateApp, 0, 0); break;
          case SDL_WINDOWEVENT_CLOSE: PostMessage(w, kMsgClose, 0, 0); break;
          default: break;
        }
        break;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP: {
        SdlWindow* w = Find(e.key.windowID);
        if (!w) w = FirstAlive();
        uint32_t vk = VirtualKey(e.key.keysym.sym);
        if (!w || vk == 0) break;
        if (e.type == SDL_KEYDOWN) {
          PostMessage(w, kMsgKeyDown, vk, static_cast<intptr_t>(1u | (e.key.repeat ? 1u << 30 : 0u)));
          int c = ControlChar(vk);
          if (c >= 0) PostMessage(w, kMsgChar, static_cast<uintptr_t>(c), 1);
        } else {
          PostMessage(w, kMsgKeyUp, vk, static_cast<intptr_t>(1u | 3u << 30));
        }
        break;
      }
      case SDL_TEXTINPUT: {
        SdlWindow* w = Find(e.text.windowID);
        if (!w) w = FirstAlive();
        if (!w) break;
        for (uint8_t b : Utf8ToCp1252(e.text.text)) {
          // Tab and the line end also come from their key-down.
          if (b == '\t' || b == '\r' || b == '\n') continue;
          PostMessage(w, kMsgChar, b, 1);
        }
        break;
      }
      case SDL_MOUSEMOTION: {
        SdlWindow* w = Find(e.motion.windowID);
        if (!w) break;
        PostMessage(w, kMsgMouseMove, ButtonState(), MakeLParam(e.motion.x, e.motion.y));
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        SdlWindow* w = Find(e.button.windowID);
        if (!w) break;
        uint32_t bit = 0;
        uint32_t msg = 0;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        if (e.button.button == SDL_BUTTON_LEFT) {
          bit = kButtonLeft;
          msg = down ? kMsgLButtonDown : kMsgLButtonUp;
        } else if (e.button.button == SDL_BUTTON_RIGHT) {
          bit = kButtonRight;
          msg = down ? kMsgRButtonDown : kMsgRButtonUp;
        } else if (e.button.button == SDL_BUTTON_MIDDLE) {
          bit = kButtonMiddle;
        }
        if (down)
          buttons_ |= bit;
        else
          buttons_ &= ~static_cast<uintptr_t>(bit);
        if (msg) PostMessage(w, msg, ButtonState(), MakeLParam(e.button.x, e.button.y));
        break;
      }
      case SDL_MOUSEWHEEL: {
        SdlWindow* w = Find(e.wheel.windowID);
        if (!w) break;
        int dy = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) dy = -dy;
        if (dy == 0) break;
        int x = 0, y = 0;
        SDL_GetMouseState(&x, &y);
        PostMessage(w, kMsgMouseWheel, MakeWParam(static_cast<int32_t>(ButtonState()), dy * kWheelDelta),
                    MakeLParam(x, y));
        break;
      }
      default: break;
    }
  }

  bool videoOk_ = false;
  bool quitAsked_ = false;
  uintptr_t buttons_ = 0;
  int windowManager_ = -1;
};

void SdlWindow::EnterFullScreen() {
  SDL_Rect bounds;
  int index = SDL_GetWindowDisplayIndex(window_);
  const bool known = SDL_GetDisplayBounds(index < 0 ? 0 : index, &bounds) == 0;
  if (known && !system_->WindowManager(window_)) {
    Frameless(bounds);
    return;
  }
  SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  if (!known || (SDL_GetWindowFlags(window_) & SDL_WINDOW_HIDDEN)) return;
  const uint32_t start = SDL_GetTicks();
  for (;;) {
    system_->PumpEvents();
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    if (w == bounds.w && h == bounds.h) return;
    if (SDL_TICKS_PASSED(SDL_GetTicks(), start + 300)) break;
    SDL_Delay(5);
  }
  SDL_SetWindowFullscreen(window_, 0);
  Frameless(bounds);
}

void SdlWindow::Frameless(const SDL_Rect& bounds) {
  SDL_SetWindowBordered(window_, SDL_FALSE);
  SDL_SetWindowResizable(window_, SDL_FALSE);
  SDL_SetWindowPosition(window_, bounds.x, bounds.y);
  SDL_SetWindowSize(window_, bounds.w, bounds.h);
  system_->PumpEvents();
}

SdlWindow::SdlWindow(SdlWindowSystem* system, SDL_Window* window, const WindowDesc& desc)
    : BackendWindow(system, desc.proc), system_(system), window_(window), style_(desc.style) {
  id_ = SDL_GetWindowID(window_);
  // The software renderer draws into the window surface, which a present
  // at the buffer's own size fills directly, sending only what changed.
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  SDL_RendererInfo info;
  software_ = renderer_ && SDL_GetRendererInfo(renderer_, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE);
}

void SdlWindow::Close() {
  SDL_SetWindowMouseRect(window_, nullptr);
  timers_.clear();
  Release();
}

bool SdlWindow::Present(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black,
                        int blackCount) {
  if (!window_ || !renderer_ || !buffer.Usable()) return false;
  const WindowRect client = ClientRect();
  Shown now;
  now.bits = buffer.bits;
  now.width = buffer.width;
  now.height = buffer.height;
  now.pitch = buffer.pitch;
  now.bitsPerPixel = buffer.bitsPerPixel;
  now.target = target;
  now.clientWidth = client.right;
  now.clientHeight = client.bottom;
  // At the buffer's own size the pixels go straight into the window surface
  // (which the software renderer draws into as well).
  if (software_ && target.right - target.left == buffer.width && target.bottom - target.top == buffer.height &&
      target.left >= 0 && target.top >= 0 && target.right <= client.right && target.bottom <= client.bottom) {
    now.direct = true;
    if (PresentToSurface(buffer, target, black, blackCount, now)) return true;
    now.direct = false;
    now.surface = nullptr;
  }
  return PresentWithRenderer(buffer, target, black, blackCount, now);
}

void SdlWindow::ListChanged(const PresentBuffer& buffer, const Shown& now) {
  rects_.clear();
  if (!stale_ && now == shown_ && buffer.changed) {
    for (int32_t i = 0; i < buffer.changedCount; ++i) {
      const WindowRect& r = buffer.changed[i];
      const int x0 = std::max(r.left, 0), y0 = std::max(r.top, 0);
      const int x1 = std::min(r.right, buffer.width), y1 = std::min(r.bottom, buffer.height);
      if (x1 > x0 && y1 > y0) rects_.push_back({x0, y0, x1 - x0, y1 - y0});
    }
    return;
  }
  rects_.push_back({0, 0, buffer.width, buffer.height});
  stale_ = true;  // everything goes, bars included
}

bool SdlWindow::PresentToSurface(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black,
                                 int blackCount, Shown now) {
  SDL_Surface* surface = SDL_GetWindowSurface(window_);
  if (!surface || !surface->pixels) return false;
  const uint32_t format = surface->format->format;
  if (format != SDL_PIXELFORMAT_RGB888 && format != SDL_PIXELFORMAT_ARGB8888) return false;
  if (surface->w < target.right || surface->h < target.bottom) return false;
  now.surface = surface;
  ListChanged(buffer, now);
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return false;
  for (SDL_Rect& r : rects_) {
    for (int y = r.y; y < r.y + r.h; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                              static_cast<ptrdiff_t>(target.top + y) * surface->pitch);
      PresentSpanRgb(buffer, r.x, y, r.w, row + target.left + r.x);
    }
    r.x += target.left;
    r.y += target.top;
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  bool ok;
  if (stale_) {
    const uint32_t blackPixel = SDL_MapRGB(surface->format, 0, 0, 0);
    for (int i = 0; black && i < blackCount; ++i) {
      SDL_Rect r{black[i].left, black[i].top, black[i].right - black[i].left, black[i].bottom - black[i].top};
      if (r.w > 0 && r.h > 0) SDL_FillRect(surface, &r, blackPixel);
    }
    ok = SDL_UpdateWindowSurface(window_) == 0;
  } else {
    ok = rects_.empty() || SDL_UpdateWindowSurfaceRects(window_, rects_.data(), static_cast<int>(rects_.size())) == 0;
  }
  shown_ = now;
  stale_ = !ok;
  return ok;
}

bool SdlWindow::PresentWithRenderer(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black,
                                    int blackCount, Shown now) {
  // The texture holds the buffer as 0xFFRRGGBB; only changed rectangles are
  // converted into it. The renderer then scales it into the window.
  if (!EnsureTexture(buffer.width, buffer.height, SDL_PIXELFORMAT_RGB888)) return false;
  ListChanged(buffer, now);
  for (const SDL_Rect& r : rects_) {
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(texture_, &r, &pixels, &pitch) != 0) {
      stale_ = true;
      return false;
    }
    for (int y = 0; y < r.h; ++y)
      PresentSpanRgb(buffer, r.x, r.y + y, r.w,
                     reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + static_cast<ptrdiff_t>(y) * pitch));
    SDL_UnlockTexture(texture_);
  }
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  bool ok = true;
  if (target.right > target.left && target.bottom > target.top) {
    SDL_Rect dst{target.left, target.top, target.right - target.left, target.bottom - target.top};
    ok = SDL_RenderCopy(renderer_, texture_, nullptr, &dst) == 0;
  }
  for (int i = 0; black && i < blackCount; ++i) {
    SDL_Rect r{black[i].left, black[i].top, black[i].right - black[i].left, black[i].bottom - black[i].top};
    if (r.w > 0 && r.h > 0) SDL_RenderFillRect(renderer_, &r);
  }
  SDL_RenderPresent(renderer_);
  shown_ = now;
  stale_ = false;  // the texture holds the whole buffer now
  return ok;
}

}  // namespace

std::unique_ptr<WindowSystem> CreateWindowSystem() { return std::make_unique<SdlWindowSystem>(); }

SDL_Window* NativeWindow(Window* window) {
  auto* w = dynamic_cast<SdlWindow*>(window);
  return w ? w->Native() : nullptr;
}

}  // namespace plat::sdl
