#include <memory>

#include "game/crash_report.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "graphics/display.h"
#include "platform/crash.h"
#include "platform/sdl/sdl_window.h"

int main(int, char**) {
  plat::InstallCrashHandler(CrashReport);
  const std::unique_ptr<plat::WindowSystem> windows = plat::sdl::CreateWindowSystem();
  const int32_t result = GameMain();
  // The display lets go of its window before the window system goes.
  TheDisplay().Shutdown();
  // A window or display that could not be opened is a failed run, whatever
  // GameMain's own result says.
  if (program.startUpFailed) return 1;
  return result;
}
