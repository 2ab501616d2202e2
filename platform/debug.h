#pragma once
// The debugger output channel. Text goes to stderr only when the environment
// variable VANTREL_DEBUG is set (to anything but "" or "0"), otherwise it is
// dropped; a capture hook lets tests see every line.
#include <functional>
#include <string>

namespace plat {

// Sends text as it is (no line end added). Null does nothing.
void DebugOutput(const char* text);

// Receives every text passed to DebugOutput, whether or not it is printed.
using DebugCapture = std::function<void(const char* text)>;
// Sets the hook (an empty function clears it).
void SetDebugCapture(DebugCapture capture);

// Captures debug output into a string for the life of the object.
class DebugCaptureScope {
 public:
  DebugCaptureScope() {
    SetDebugCapture([this](const char* t) { text += t; });
  }
  ~DebugCaptureScope() { SetDebugCapture(nullptr); }
  DebugCaptureScope(const DebugCaptureScope&) = delete;
  DebugCaptureScope& operator=(const DebugCaptureScope&) = delete;
  std::string text;
};

}  // namespace plat
