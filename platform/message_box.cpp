#include "platform/message_box.h"

#include <cstdio>

namespace plat {

namespace {
MessageBoxHandler* g_handler = nullptr;
}

void SetMessageBoxHandler(MessageBoxHandler* handler) { g_handler = handler; }
MessageBoxHandler* GetMessageBoxHandler() { return g_handler; }

int32_t ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, uint32_t flags) {
  if (g_handler) return g_handler->ShowMessageBox(owner, text, caption, flags);
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  return kIdOk;
}

}  // namespace plat
