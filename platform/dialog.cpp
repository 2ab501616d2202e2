#include "platform/dialog.h"

#include <cstdio>

namespace plat {

namespace {
DialogSystem* g_dialogs = nullptr;
}

void SetDialogSystem(DialogSystem* system) { g_dialogs = system; }
DialogSystem* GetDialogSystem() { return g_dialogs; }

bool ParseDialogNumber(const std::string& text, int32_t* value) {
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && text[i] == '-') {
    negative = true;
    ++i;
  }
  int64_t v = 0;
  size_t digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return false;
    ++i;
    ++digits;
  }
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (digits == 0 || i != n) return false;
  if (negative) v = -v;
  if (v > 2147483647LL) return false;
  if (value) *value = static_cast<int32_t>(v);
  return true;
}

bool EditAccepts(uint32_t flags, int32_t limit, const std::string& text) {
  if (flags & kCtlReadOnly) return false;
  if (limit > 0 && text.size() > static_cast<size_t>(limit)) return false;
  if (flags & kCtlNumber) {
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c >= '0' && c <= '9') continue;
      if (c == '-' && i == 0) continue;
      return false;
    }
  }
  return true;
}

bool Dialog::GetNumber(int32_t id, int32_t* value) const {
  int32_t v = 0;
  if (!IsAlive() || !ParseDialogNumber(GetText(id), &v)) {
    if (value) *value = 0;
    return false;
  }
  if (value) *value = v;
  return true;
}

bool Dialog::SetNumber(int32_t id, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  return SetText(id, text);
}

intptr_t Dialog::Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (!IsAlive() || !proc_) return 0;
  // A copy: the procedure may end or destroy the dialog.
  DialogProc proc = proc_;
  return proc(this, message, wParam, lParam);
}

}  // namespace plat
