#pragma once
// The in-memory window system of the tests. Windows have no pixels on any
// screen: each keeps the client image its last present produced. The queue
// is filled by the program itself and by the test (PostMessage, or the
// helpers that act like the user), message boxes are recorded and answered
// from a script, and cursor calls are recorded.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/headless/headless_timers.h"
#include "platform/message_box.h"
#include "platform/present.h"
#include "platform/window.h"

namespace plat::headless {

// A client-area picture, 0xFFRRGGBB per pixel, top row first.
struct ClientImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // Writes an 8-bit RGB PNG; false when the file cannot be written.
  bool SavePng(const std::string& path) const;
};

// Colour of client pixels that no present has painted yet.
constexpr uint32_t kUnpainted = 0xFFFF00FFu;

// Frame of the framed styles around the client area.
constexpr int32_t kFrameLeft = 8;
constexpr int32_t kFrameRight = 8;
constexpr int32_t kFrameTop = 31;
constexpr int32_t kFrameBottom = 8;

struct MessageBoxRecord {
  Window* owner = nullptr;
  std::string text;
  std::string caption;
  uint32_t flags = 0;
  int32_t answer = 0;
};

struct CursorCall {
  enum Kind { kConfine, kRelease, kWarp, kShow, kHide };
  Kind kind = kConfine;
  Window* window = nullptr;
  int32_t x = 0;  // kWarp: client point
  int32_t y = 0;
  WindowRect clip;  // kConfine: the client area in screen coordinates
};

class HeadlessWindowSystem;

class HeadlessWindow : public BackendWindow {
 public:
  HeadlessWindow(HeadlessWindowSystem* system, const WindowDesc& desc);

  // Window
  void Show(bool maximised) override;
  void Focus() override;
  void SetStyle(WindowStyle style) override;
  WindowStyle Style() const override { return style_; }
  WindowRect ClientRect() const override;
  WindowRect OuterForClient(int32_t clientWidth, int32_t clientHeight) const override;
  void ClientToScreen(int32_t* x, int32_t* y) const override;
  void SetTitle(const std::string& title) override { title_ = title; }
  bool IsAlive() const override { return alive_; }
  void SetTimer(uint32_t id, uint32_t periodMs) override;
  void KillTimer(uint32_t id) override;
  void ConfineCursor(bool confine) override;
  void WarpCursor(int32_t clientX, int32_t clientY) override;
  bool Present(const PresentBuffer& buffer, const WindowRect& target, const WindowRect* black, int blackCount) override;

  // WindowPlacement
  WindowRect OuterRect() const override;
  void MoveOuter(int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) override;
  int32_t ScreenWidth() const override;
  int32_t ScreenHeight() const override;
  bool IsMaximised() const override { return maximised_ && !minimised_; }
  void ShowNormal() override { Show(false); }
  void ShowMaximised() override { Show(true); }

  // What the tests look at.
  const ClientImage& LastPresented() const { return image_; }
  int PresentCount() const { return presentCount_; }
  const std::string& Title() const { return title_; }
  int32_t IconId() const { return iconId_; }
  bool Shown() const { return shown_; }
  bool Focused() const { return focused_; }
  bool Minimised() const { return minimised_; }
  bool CursorConfined() const { return confined_; }

  // What the user does; each posts the messages a real window would.
  void UserResize(int32_t clientWidth, int32_t clientHeight);
  void UserMaximise();
  void UserMinimise();
  void UserRestore();
  void UserFocus(bool gained);
  void UserClose();

 private:
  friend class HeadlessWindowSystem;
  void Close() override;
  void ResizeImage();
  void PostSize(uint32_t kind);

  HeadlessWindowSystem* system_;
  std::string title_;
  int32_t iconId_ = 0;
  WindowStyle style_;
  int32_t x_ = 0;  // outer top-left of the framed window
  int32_t y_ = 0;
  int32_t clientWidth_ = 0;  // framed client size (full screen covers the screen)
  int32_t clientHeight_ = 0;
  bool alive_ = true;
  bool shown_ = false;
  bool focused_ = false;
  bool maximised_ = false;
  bool minimised_ = false;
  bool confined_ = false;
  int presentCount_ = 0;
  ClientImage image_;
  TimerList timers_;
};

class HeadlessWindowSystem : public BackendWindowSystem<HeadlessWindow> {
 public:
  // Installs itself as the window system and the message-box handler; the
  // destructor takes both out again.
  explicit HeadlessWindowSystem(int32_t screenWidth = 1920, int32_t screenHeight = 1080);

  // WindowSystem
  Window* CreateMainWindow(const WindowDesc& desc) override;
  bool PostMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void PostQuitMessage(int32_t code) override;
  bool PeekMessage(Message* out, bool remove) override;
  // Nothing here can ever block: nothing arrives on its own. A wait that
  // finds nothing waiting first calls the idle handler (if set), which may
  // post the test's next input or advance time. When the queue is still
  // empty the queue has run dry: the system posts a quit with
  // kRanDryQuitCode, so a program's message loop ends instead of spinning.
  bool GetMessage(Message* out) override;
  void WaitMessage() override;
  // A timed wait that finds nothing waiting is recorded and calls the
  // timed-wait handler (if set) with its length. The handler stands for what
  // happens during the wait: it may post the test's next input and move the
  // fake clock. Without one the wait returns at once and no time passes (the
  // tests move time). A timed wait never runs the queue dry.
  bool WaitMessageFor(uint32_t timeoutMs) override;
  void ShowCursor(bool show) override;
  int32_t ScreenWidth() const override { return screenWidth_; }
  int32_t ScreenHeight() const override { return screenHeight_; }

  // MessageBoxHandler: records the box and answers from the script (kIdOk
  // when the script is empty); the text also goes to stderr.
  int32_t ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, uint32_t flags) override;

  // Test controls.
  // Quit code of the quit posted when a wait finds the queue run dry.
  static constexpr int32_t kRanDryQuitCode = -1;
  // Called by a wait that finds nothing waiting; null for none.
  void SetIdleHandler(std::function<void()> handler) { idle_ = std::move(handler); }
  // How often a wait found the queue run dry.
  int RanDryCount() const { return ranDry_; }
  // Called by a timed wait that finds nothing waiting, with the wait's
  // length; null for none.
  void SetTimedWaitHandler(std::function<void(uint32_t timeoutMs)> handler) { timedWait_ = std::move(handler); }
  // The length of every timed wait that found nothing waiting, oldest first.
  const std::vector<uint32_t>& TimedWaits() const { return timedWaits_; }
  void ClearTimedWaits() { timedWaits_.clear(); }
  void SetScreenSize(int32_t width, int32_t height);
  // Window creation fails (returns null) while set.
  void RefuseWindows(bool refuse) { refuseWindows_ = refuse; }
  // While set, SetStyle to this style leaves a window's style unchanged, and
  // a window asked for in this style is made with the fixed frame instead.
  void RefuseStyle(WindowStyle style, bool refuse);
  bool StyleRefused(WindowStyle style) const;
  void ScriptAnswer(int32_t answer) { answers_.push_back(answer); }
  const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
  const std::vector<CursorCall>& CursorCalls() const { return cursorCalls_; }
  bool CursorShown() const { return cursorShown_; }
  // Advances the window timers; due timers post kMsgTimer (one pending
  // message per timer at most, as a real queue coalesces them).
  void AdvanceTime(uint32_t ms);
  // Dispatches every waiting message (quit excepted); returns how many.
  int DispatchAll();
  size_t QueueLength() const { return queue_.size(); }
  HeadlessWindow* MainWindow() const;

 private:
  friend class HeadlessWindow;
  void Record(const CursorCall& call) { cursorCalls_.push_back(call); }

  int32_t screenWidth_;
  int32_t screenHeight_;

  std::function<void()> idle_;
  int ranDry_ = 0;
  std::function<void(uint32_t)> timedWait_;
  std::vector<uint32_t> timedWaits_;
  bool refuseWindows_ = false;
  bool refusedStyles_[3] = {false, false, false};
  bool cursorShown_ = true;
  std::deque<int32_t> answers_;
  std::vector<MessageBoxRecord> boxes_;
  std::vector<CursorCall> cursorCalls_;
};

}  // namespace plat::headless
