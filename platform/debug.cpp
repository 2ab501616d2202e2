#include "platform/debug.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat {
namespace {
// Never destroyed, so objects torn down at exit may still write.
DebugCapture& Capture() {
  static DebugCapture* capture = new DebugCapture;
  return *capture;
}

bool PrintEnabled() {
  const char* v = std::getenv("VANTREL_DEBUG");
  return v && *v && std::strcmp(v, "0") != 0;
}
}  // namespace

void DebugOutput(const char* text) {
  if (!text) return;
  if (Capture()) Capture()(text);
  if (PrintEnabled()) {
    std::fputs(text, stderr);
    std::fflush(stderr);
  }
}

void SetDebugCapture(DebugCapture capture) { Capture() = std::move(capture); }

}  // namespace plat
