#pragma once
// The tools' platform over Qt 6 Widgets: the window system (windows with a
// window procedure, the message queue, timers, presents, message boxes),
// the dialog system and the file dialogs, all on the one Qt event loop of
// the process.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dialog.h"
#include "platform/window.h"

class QWidget;

namespace plat::qt {

class QtPlatform {
 public:
  // Makes the process's QApplication when there is none yet (kept until
  // this object goes), sets LC_NUMERIC back to "C" (Qt switches the process
  // locale, which would change how decimals are formatted), and installs
  // the window system, message-box handler, dialog system and file dialogs.
  // The destructor takes them all out again.
  static std::unique_ptr<QtPlatform> Create(int argc, char** argv);
  virtual ~QtPlatform() = default;

  virtual WindowSystem* Windows() = 0;
  virtual DialogSystem* Dialogs() = 0;
};

// The widget behind a window or dialog of this platform; null for any other
// or once it is gone.
QWidget* NativeWidget(const WindowPlacement* windowOrDialog);

// What a window's client area shows now, rendered by the widget itself:
// 0xFFRRGGBB per pixel, top row first. False for a window that is gone.
bool GrabClient(Window* window, int32_t* width, int32_t* height, std::vector<uint32_t>* pixels);

// Runs the Qt events that are waiting (for tests and waits).
void ProcessEvents();

}  // namespace plat::qt
