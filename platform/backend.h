#pragma once
// What the window back ends (headless, Qt, SDL) share, for them alone; the
// program sees only window.h and dialog.h. Each back end derives from these
// and implements only its own steps:
//   - PostedQueue: posted messages in order, then a pending quit;
//   - BackendWindow: the destroy sequence of a window and its paint flag;
//   - BackendWindowSystem: installing and removing the window system and
//     message-box handler, creating a window, and finding the next message;
//   - BackendDialog: the end and destroy sequences of a dialog.
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "platform/window.h"

namespace plat {

// What every back end's message queue keeps the same way: posted messages in
// order, then a pending quit. Paint messages for invalidated windows come
// after both (BackendWindowSystem::TakeNext).
class PostedQueue {
 public:
  // Forgets every queued message of the window (once it is destroyed).
  void DropMessagesFor(const Window* window);
  // Whether a kMsgTimer with the id is queued for the window already.
  bool HasPendingTimer(const Window* window, uint32_t id) const;

 protected:
  // False (nothing queued) when the window is gone.
  bool PostToQueue(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam);
  void SetQuit(int32_t code) {
    quitPending_ = true;
    quitCode_ = code;
  }
  // The next posted message, else the pending quit; removed when `remove`
  // is set. False when neither is waiting.
  bool TakePosted(Message* out, bool remove);
  bool HasPosted() const { return !queue_.empty() || quitPending_; }

  std::deque<Message> queue_;
  bool quitPending_ = false;
  int32_t quitCode_ = 0;
};

// A back end's window. Destroy sends kMsgDestroy to the procedure once (a
// destroy from inside the handler does nothing), takes back any paint owed,
// runs the back end's Close and drops the window's queued messages.
class BackendWindow : public Window {
 public:
  void Destroy() final;
  // Asks for a kMsgPaint while the window is alive.
  void Invalidate() final {
    if (IsAlive()) invalid_ = true;
    OnInvalidate();
  }
  // Whether a kMsgPaint is owed.
  bool Invalid() const { return invalid_; }
  void Validate() { invalid_ = false; }

 protected:
  BackendWindow(PostedQueue* queue, WindowProc proc) : queue_(queue) { proc_ = std::move(proc); }
  // The back end's own part of a destroy, after kMsgDestroy: closes the
  // window (IsAlive answers false from here on) and lets its resources go.
  virtual void Close() = 0;
  // A back end's own part of an invalidate (whether or not the window lives).
  virtual void OnInvalidate() {}

  bool invalid_ = false;

 private:
  PostedQueue* queue_;
  bool destroying_ = false;
};

// The part of a back end's window system that is the same everywhere. W is
// the back end's window class. The constructor installs the object as the
// window system and the message-box handler; the destructor takes out
// whichever of the two it still is.
template <class W>
class BackendWindowSystem : public WindowSystem, public MessageBoxHandler, public PostedQueue {
 public:
  BackendWindowSystem(const BackendWindowSystem&) = delete;
  BackendWindowSystem& operator=(const BackendWindowSystem&) = delete;

 protected:
  BackendWindowSystem() {
    SetWindowSystem(this);
    SetMessageBoxHandler(this);
  }
  ~BackendWindowSystem() override {
    if (GetWindowSystem() == this) SetWindowSystem(nullptr);
    if (GetMessageBoxHandler() == this) SetMessageBoxHandler(nullptr);
  }

  // Keeps a new window and sends it kMsgCreate; a procedure answering -1
  // gets it destroyed again, and the result is null.
  W* AddWindow(std::unique_ptr<W> window) {
    windows_.push_back(std::move(window));
    W* w = windows_.back().get();
    if (WindowSystem::SendMessage(w, kMsgCreate, 0, 0) == -1) {
      w->Destroy();
      return nullptr;
    }
    return w;
  }

  // The first live window owed a paint; null for none.
  W* FirstInvalid() const {
    for (const auto& w : windows_) {
      if (w->IsAlive() && w->Invalid()) return w.get();
    }
    return nullptr;
  }

  // The next posted message, else the pending quit, else kMsgPaint for the
  // first live window owed one; removed (the paint taken back) when
  // `remove` is set. False when nothing is waiting.
  bool TakeNext(Message* out, bool remove) {
    Message m;
    if (!TakePosted(&m, remove)) {
      W* painted = FirstInvalid();
      if (!painted) return false;
      m = {painted, kMsgPaint, 0, 0};
      if (remove) painted->Validate();
    }
    if (out) *out = m;
    return true;
  }

  bool HasWaiting() const { return HasPosted() || FirstInvalid(); }

  // Every window made, destroyed ones too (they stay valid until the system
  // goes).
  std::vector<std::unique_ptr<W>> windows_;
};

// A back end's dialog. End of a modal dialog records the result for its run;
// of a modeless one it destroys the dialog. Destroy sends kMsgDestroy once
// (a destroy from inside the handler does nothing), marks the dialog gone and
// runs the back end's Close.
class BackendDialog : public Dialog {
 public:
  void End(intptr_t result) final;
  void Destroy() final;
  bool IsAlive() const final { return alive_; }

  bool Modal() const { return modal_; }
  bool Ended() const { return ended_; }
  intptr_t Result() const { return result_; }

 protected:
  explicit BackendDialog(bool modal) : modal_(modal) {}
  // The back end's own part of a destroy, after kMsgDestroy.
  virtual void Close() = 0;

  bool modal_;
  bool alive_ = true;
  bool ended_ = false;
  intptr_t result_ = 0;

 private:
  bool destroying_ = false;
};

}  // namespace plat
