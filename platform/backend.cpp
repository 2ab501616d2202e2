#include "platform/backend.h"

#include <algorithm>

namespace plat {

bool PostedQueue::PostToQueue(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (window && !window->IsAlive()) return false;
  queue_.push_back({window, message, wParam, lParam});
  return true;
}

bool PostedQueue::TakePosted(Message* out, bool remove) {
  Message m;
  if (!queue_.empty()) {
    m = queue_.front();
    if (remove) queue_.pop_front();
  } else if (quitPending_) {
    m = {nullptr, kMsgQuit, static_cast<uintptr_t>(quitCode_), 0};
    if (remove) quitPending_ = false;
  } else {
    return false;
  }
  if (out) *out = m;
  return true;
}

void PostedQueue::DropMessagesFor(const Window* window) {
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [window](const Message& m) { return m.window == window; }),
               queue_.end());
}

bool PostedQueue::HasPendingTimer(const Window* window, uint32_t id) const {
  for (const Message& m : queue_) {
    if (m.window == window && m.message == kMsgTimer && m.wParam == id) return true;
  }
  return false;
}

void BackendWindow::Destroy() {
  if (!IsAlive() || destroying_) return;  // also a destroy from inside the handler
  destroying_ = true;
  WindowSystem::SendMessage(this, kMsgDestroy, 0, 0);
  invalid_ = false;
  Close();
  queue_->DropMessagesFor(this);
}

void BackendDialog::End(intptr_t result) {
  if (!alive_) return;
  if (!modal_) {
    Destroy();
    return;
  }
  ended_ = true;
  result_ = result;
}

void BackendDialog::Destroy() {
  if (!alive_ || destroying_) return;  // also a destroy from inside the handler
  destroying_ = true;
  Send(kMsgDestroy, 0, 0);
  alive_ = false;
  Close();
}

}  // namespace plat
