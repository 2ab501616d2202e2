#include "platform/window.h"

namespace plat {

namespace {
WindowSystem* g_system = nullptr;
}

void SetWindowSystem(WindowSystem* system) { g_system = system; }
WindowSystem* GetWindowSystem() { return g_system; }

intptr_t DefaultWindowProc(Window* window, uint32_t message, uintptr_t, intptr_t) {
  if (message == kMsgClose && window) window->Destroy();
  return 0;
}

intptr_t WindowSystem::DispatchMessage(const Message& msg) {
  return SendMessage(msg.window, msg.message, msg.wParam, msg.lParam);
}

intptr_t WindowSystem::SendMessage(Window* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!window || !window->IsAlive()) return 0;
  // A copy: the procedure may replace itself or destroy the window.
  WindowProc proc = window->Proc();
  if (!proc) return DefaultWindowProc(window, message, wParam, lParam);
  return proc(window, message, wParam, lParam);
}

}  // namespace plat
