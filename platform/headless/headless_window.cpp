#include "platform/headless/headless_window.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace plat::headless {

// ---------------------------------------------------------------------------
// ClientImage

bool ClientImage::SavePng(const std::string& path) const {
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v = At(x, y);
      row[3 * x] = static_cast<uint8_t>(v >> 16);
      row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(v);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

// ---------------------------------------------------------------------------
// HeadlessWindow

HeadlessWindow::HeadlessWindow(HeadlessWindowSystem* system, const WindowDesc& desc)
    : BackendWindow(system, desc.proc),
      system_(system),
      title_(desc.title),
      iconId_(desc.iconId),
      style_(desc.style),
      x_(desc.x),
      y_(desc.y),
      clientWidth_(std::max(0, desc.clientWidth)),
      clientHeight_(std::max(0, desc.clientHeight)) {
  ResizeImage();
}

void HeadlessWindow::ResizeImage() {
  WindowRect c = ClientRect();
  if (c.right == image_.width && c.bottom == image_.height) return;
  image_.width = c.right;
  image_.height = c.bottom;
  image_.pixels.assign(static_cast<size_t>(image_.width) * image_.height, kUnpainted);
}

void HeadlessWindow::PostSize(uint32_t kind) {
  WindowRect c = ClientRect();
  system_->PostMessage(this, kMsgSize, kind, MakeLParam(c.right, c.bottom));
}

void HeadlessWindow::Show(bool maximised) {
  if (!alive_) return;
  shown_ = true;
  minimised_ = false;
  if (style_ != WindowStyle::kFullScreen) {
    // Asked for by the program: no "maximised" size report.
    maximised_ = maximised;
    ResizeImage();
  }
}

void HeadlessWindow::Focus() {
  if (alive_) focused_ = true;
}

void HeadlessWindow::SetStyle(WindowStyle style) {
  if (!alive_ || style == style_ || system_->StyleRefused(style)) return;
  WindowRect before = ClientRect();
  style_ = style;
  maximised_ = false;
  ResizeImage();
  WindowRect after = ClientRect();
  if (before.right != after.right || before.bottom != after.bottom) PostSize(kSizeRestored);
}

WindowRect HeadlessWindow::ClientRect() const {
  if (style_ == WindowStyle::kFullScreen) return {0, 0, system_->ScreenWidth(), system_->ScreenHeight()};
  if (maximised_) {
    return {0, 0, std::max(0, system_->ScreenWidth() - kFrameLeft - kFrameRight),
            std::max(0, system_->ScreenHeight() - kFrameTop - kFrameBottom)};
  }
  return {0, 0, clientWidth_, clientHeight_};
}

WindowRect HeadlessWindow::OuterForClient(int32_t clientWidth, int32_t clientHeight) const {
  return {-kFrameLeft, -kFrameTop, clientWidth + kFrameRight, clientHeight + kFrameBottom};
}

WindowRect HeadlessWindow::OuterRect() const {
  if (minimised_) return {-32000, -32000, -32000 + 160, -32000 + 28};
  if (style_ == WindowStyle::kFullScreen) return {0, 0, system_->ScreenWidth(), system_->ScreenHeight()};
  if (maximised_) return {0, 0, system_->ScreenWidth(), system_->ScreenHeight()};
  return {x_, y_, x_ + kFrameLeft + clientWidth_ + kFrameRight, y_ + kFrameTop + clientHeight_ + kFrameBottom};
}

void HeadlessWindow::ClientToScreen(int32_t* x, int32_t* y) const {
  if (style_ == WindowStyle::kFullScreen) return;
  WindowRect o = OuterRect();
  if (x) *x += o.left + kFrameLeft;
  if (y) *y += o.top + kFrameTop;
}

void HeadlessWindow::MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
  if (!alive_ || style_ == WindowStyle::kFullScreen) return;
  WindowRect before = ClientRect();
  bool moved = x != x_ || y != y_;
  x_ = x;
  y_ = y;
  clientWidth_ = std::max(0, width - kFrameLeft - kFrameRight);
  clientHeight_ = std::max(0, height - kFrameTop - kFrameBottom);
  maximised_ = false;
  minimised_ = false;
  ResizeImage();
  WindowRect after = ClientRect();
  if (moved) system_->PostMessage(this, kMsgMove, 0, MakeLParam(x_ + kFrameLeft, y_ + kFrameTop));
  if (before.right != after.right || before.bottom != after.bottom) PostSize(kSizeRestored);
  if (repaint) Invalidate();
}

int32_t HeadlessWindow::ScreenWidth() const { return system_->ScreenWidth(); }
int32_t HeadlessWindow::ScreenHeight() const { return system_->ScreenHeight(); }

void HeadlessWindow::Close() {
  alive_ = false;
  shown_ = false;
  timers_.Clear();
  if (confined_) {
    confined_ = false;
    system_->Record({CursorCall::kRelease, this, 0, 0, {}});
  }
}

void HeadlessWindow::SetTimer(uint32_t id, uint32_t periodMs) {
  if (!alive_) return;
  timers_.Set(id, periodMs);
}

void HeadlessWindow::KillTimer(uint32_t id) { timers_.Kill(id); }

void HeadlessWindow::ConfineCursor(bool confine) {
  if (!alive_) return;
  CursorCall call;
  call.window = this;
  if (confine) {
    WindowRect c = ClientRect();
    int32_t x = 0, y = 0;
    ClientToScreen(&x, &y);
    call.kind = CursorCall::kConfine;
    call.clip = {x, y, x + c.right, y + c.bottom};
  } else {
    call.kind = CursorCall::kRelease;
  }
  confined_ = confine;
  system_->Record(call);
}

void HeadlessWindow::WarpCursor(int32_t clientX, int32_t clientY) {
  if (!alive_) return;
  system_->Record({CursorCall::kWarp, this, clientX, clientY, {}});
}

bool HeadlessWindow::Present(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black,
                             int blackCount) {
  if (!alive_ || !buffer.Usable()) return false;
  ResizeImage();
  const int32_t tw = target.right - target.left;
  const int32_t th = target.bottom - target.top;
  if (tw > 0 && th > 0) {
    const int32_t x0 = std::max(0, target.left), x1 = std::min(image_.width, target.right);
    const int32_t y0 = std::max(0, target.top), y1 = std::min(image_.height, target.bottom);
    std::vector<int32_t> columns(static_cast<size_t>(std::max(0, x1 - x0)));
    for (int32_t x = x0; x < x1; ++x) columns[x - x0] = NearestSource(x - target.left, buffer.width, tw);
    std::vector<uint32_t> row(static_cast<size_t>(buffer.width));
    int32_t converted = -1;
    for (int32_t y = y0; y < y1; ++y) {
      const int32_t sy = NearestSource(y - target.top, buffer.height, th);
      if (sy != converted) {
        PresentRowRgb(buffer, sy, row.data());
        converted = sy;
      }
      uint32_t* out = &image_.pixels[static_cast<size_t>(y) * image_.width];
      for (int32_t x = x0; x < x1; ++x) out[x] = row[columns[x - x0]];
    }
  }
  for (int i = 0; black && i < blackCount; ++i) {
    const int32_t x0 = std::max(0, black[i].left), x1 = std::min(image_.width, black[i].right);
    const int32_t y0 = std::max(0, black[i].top), y1 = std::min(image_.height, black[i].bottom);
    for (int32_t y = y0; y < y1; ++y) {
      uint32_t* out = &image_.pixels[static_cast<size_t>(y) * image_.width];
      std::fill(out + x0, out + std::max(x0, x1), 0xFF000000u);
    }
  }
  ++presentCount_;
  return true;
}

void HeadlessWindow::UserResize(int32_t clientWidth, int32_t clientHeight) {
  if (!alive_ || style_ == WindowStyle::kFullScreen) return;
  clientWidth_ = std::max(0, clientWidth);
  clientHeight_ = std::max(0, clientHeight);
  maximised_ = false;
  ResizeImage();
  PostSize(kSizeRestored);
  invalid_ = true;
}

void HeadlessWindow::UserMaximise() {
  if (!alive_ || style_ == WindowStyle::kFullScreen) return;
  maximised_ = true;
  minimised_ = false;
  ResizeImage();
  PostSize(kSizeMaximised);
  invalid_ = true;
}

void HeadlessWindow::UserMinimise() {
  if (!alive_ || minimised_) return;
  minimised_ = true;
  system_->PostMessage(this, kMsgActivate, MakeWParam(kInactive, 1), 0);
  system_->PostMessage(this, kMsgSize, kSizeMinimised, 0);
}

void HeadlessWindow::UserRestore() {
  if (!alive_ || !minimised_) return;
  minimised_ = false;
  system_->PostMessage(this, kMsgActivate, MakeWParam(kActive, 0), 0);
  PostSize(kSizeRestored);
  invalid_ = true;
}

void HeadlessWindow::UserFocus(bool gained) {
  if (!alive_) return;
  focused_ = gained;
  system_->PostMessage(this, kMsgActivateApp, gained ? 1 : 0, 0);
  if (gained) system_->PostMessage(this, kMsgActivate, MakeWParam(kActive, 0), 0);
}

void HeadlessWindow::UserClose() {
  if (alive_) system_->PostMessage(this, kMsgClose, 0, 0);
}

// ---------------------------------------------------------------------------
// HeadlessWindowSystem

HeadlessWindowSystem::HeadlessWindowSystem(int32_t screenWidth, int32_t screenHeight)
    : screenWidth_(screenWidth), screenHeight_(screenHeight) {}

void HeadlessWindowSystem::RefuseStyle(WindowStyle style, bool refuse) {
  refusedStyles_[static_cast<int>(style)] = refuse;
}

bool HeadlessWindowSystem::StyleRefused(WindowStyle style) const { return refusedStyles_[static_cast<int>(style)]; }

Window* HeadlessWindowSystem::CreateMainWindow(const WindowDesc& desc) {
  if (refuseWindows_) return nullptr;
  WindowDesc given = desc;
  if (StyleRefused(given.style)) given.style = WindowStyle::kFramedFixed;
  return AddWindow(std::make_unique<HeadlessWindow>(this, given));
}

bool HeadlessWindowSystem::PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostToQueue(window, message, wParam, lParam);
}

void HeadlessWindowSystem::PostQuitMessage(int32_t code) { SetQuit(code); }

bool HeadlessWindowSystem::PeekMessage(Message* out, bool remove) { return TakeNext(out, remove); }

void HeadlessWindowSystem::WaitMessage() {
  if (HasWaiting()) return;
  if (idle_) {
    // A copy: the handler may replace itself.
    std::function<void()> idle = idle_;
    idle();
    if (HasWaiting()) return;
  }
  ++ranDry_;
  std::fprintf(stderr, "[headless] the message queue ran dry; posting a quit\n");
  PostQuitMessage(kRanDryQuitCode);
}

bool HeadlessWindowSystem::WaitMessageFor(uint32_t timeoutMs) {
  if (HasWaiting()) return true;
  if (timeoutMs == 0) return false;
  timedWaits_.push_back(timeoutMs);
  if (timedWait_) {
    // A copy: the handler may replace itself.
    std::function<void(uint32_t)> handler = timedWait_;
    handler(timeoutMs);
  }
  return HasWaiting();
}

bool HeadlessWindowSystem::GetMessage(Message* out) {
  Message m;
  WaitMessage();
  PeekMessage(&m, true);  // something is waiting now, a quit at least
  if (out) *out = m;
  return m.message != kMsgQuit;
}

void HeadlessWindowSystem::ShowCursor(bool show) {
  cursorShown_ = show;
  Record({show ? CursorCall::kShow : CursorCall::kHide, nullptr, 0, 0, {}});
}

int32_t HeadlessWindowSystem::ShowMessageBox(Window* owner, const std::string& text, const std::string& caption,
                                             uint32_t flags) {
  int32_t answer = kIdOk;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  std::fprintf(stderr, "[message box] %s: %s\n", caption.c_str(), text.c_str());
  boxes_.push_back({owner, text, caption, flags, answer});
  return answer;
}

void HeadlessWindowSystem::SetScreenSize(int32_t width, int32_t height) {
  screenWidth_ = width;
  screenHeight_ = height;
}

void HeadlessWindowSystem::AdvanceTime(uint32_t ms) {
  for (auto& w : windows_) {
    if (!w->alive_) continue;
    w->timers_.Advance(ms, [&](uint32_t id) {
      if (!HasPendingTimer(w.get(), id)) PostMessage(w.get(), kMsgTimer, id, 0);
    });
  }
}

int HeadlessWindowSystem::DispatchAll() {
  int n = 0;
  for (;;) {
    Message m;
    if (!queue_.empty()) {
      m = queue_.front();
      queue_.pop_front();
    } else {
      HeadlessWindow* painted = FirstInvalid();
      if (!painted) break;
      painted->Validate();
      m = {painted, kMsgPaint, 0, 0};
    }
    DispatchMessage(m);
    ++n;
  }
  return n;
}

HeadlessWindow* HeadlessWindowSystem::MainWindow() const {
  for (auto& w : windows_) {
    if (w->alive_) return w.get();
  }
  return nullptr;
}

}  // namespace plat::headless
