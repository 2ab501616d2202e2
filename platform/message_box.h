#pragma once
// Modal message boxes. They work before any window exists: with no window
// system installed the text goes to stderr and the answer is kIdOk.
#include <cstdint>
#include <string>

namespace plat {

class Window;

// Buttons and icon flags (combined with |).
enum : uint32_t {
  kMbOk = 0x0000,
  kMbOkCancel = 0x0001,
  kMbIconError = 0x0010,
  kMbIconQuestion = 0x0020,
  kMbIconWarning = 0x0030,
  kMbIconInformation = 0x0040,
};
// Answers.
enum : int32_t { kIdOk = 1, kIdCancel = 2 };

// Text and caption are Windows-1252. Returns the button chosen (kIdOk when
// the box could not be shown: callers go on as after OK).
int32_t ShowMessageBox(Window* owner, const std::string& text, const std::string& caption, uint32_t flags);

// Back ends that show boxes install one of these (the window system does,
// as a rule). Null restores the stderr fallback.
class MessageBoxHandler {
 public:
  virtual ~MessageBoxHandler() = default;
  virtual int32_t ShowMessageBox(Window* owner, const std::string& text, const std::string& caption,
                                 uint32_t flags) = 0;
};
void SetMessageBoxHandler(MessageBoxHandler* handler);
MessageBoxHandler* GetMessageBoxHandler();

}  // namespace plat
