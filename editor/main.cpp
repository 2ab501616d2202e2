// VantrelEditor: installs the Qt back end and runs the editor.
//
// VANTREL_QUIT_AFTER_MS=n (read only here) ends the program n milliseconds
// after its windows are shown (closing as after a confirmed quit), for the
// smoke test and screenshots.
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "platform/qt/qt_platform.h"

namespace {
constexpr uint32_t kQuitTimerId = 0x5155;
}

int main(int argc, char** argv) {
  auto platform = plat::qt::QtPlatform::Create(argc, argv);
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (!editor::StartEditor(args)) {
    editor::FreeRequesters();
    return 0;
  }
  if (const char* quit = std::getenv("VANTREL_QUIT_AFTER_MS")) {
    plat::Window* window = editor::TheEditor().mainWindow;
    const long ms = std::strtol(quit, nullptr, 10);
    if (window && ms > 0) {
      window->SetProc([](plat::Window* w, uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        if (message == plat::kMsgTimer && wParam == kQuitTimerId) {
          // As a confirmed close: the window's destroy handling saves the
          // placement, closes the dialog and posts the quit.
          w->KillTimer(kQuitTimerId);
          w->Destroy();
          return 0;
        }
        return editor::MainWndProc(w, message, wParam, lParam);
      });
      window->SetTimer(kQuitTimerId, static_cast<uint32_t>(ms));
    }
  }
  const int32_t code = editor::RunMessageLoop();
  editor::FreeRequesters();
  return code;
}
