// VantrelWorkshop: the Workshop upload helper on the Qt back end. The
// command line is ignored.
//
// VANTREL_QUIT_AFTER_MS=n (read only here): ends the program n
// milliseconds after start, once the dialog has been shown; for the smoke
// test and screenshots.
#include <QTimer>
#include <cstdlib>

#include "platform/qt/qt_platform.h"
#include "platform/window.h"
#include "workshop/workshop_helper.h"

int main(int argc, char** argv) {
  auto platform = plat::qt::QtPlatform::Create(argc, argv);
  if (const char* quitMs = std::getenv("VANTREL_QUIT_AFTER_MS")) {
    const int ms = std::atoi(quitMs);
    QTimer::singleShot(ms > 0 ? ms : 0, [] { plat::GetWindowSystem()->PostQuitMessage(0); });
  }
  return WorkshopHelperMain() == kWorkshopHelperStartFailed ? 1 : 0;
}
