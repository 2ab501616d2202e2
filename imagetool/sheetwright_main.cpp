// Sheetwright's entry point: installs the Qt back end and runs the tool.
//
// VANTREL_QUIT_AFTER_MS (read only here): when set to a number of
// milliseconds, the program closes its main dialog that long after it
// started, once its windows have been shown. The smoke test and screenshots use it.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <vector>

#include "imagetool/imagetool.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
  auto platform = plat::qt::QtPlatform::Create(argc, argv);
  if (const char* quit = std::getenv("VANTREL_QUIT_AFTER_MS")) {
    const int ms = std::atoi(quit);
    // Closing the main dialog ends the tool as the user's close box would
    // (placements saved, windows destroyed); without one, quit.
    QTimer::singleShot(ms > 0 ? ms : 0, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->close();
      } else if (plat::WindowSystem* windows = plat::GetWindowSystem()) {
        windows->PostQuitMessage(0);
      }
    });
  }
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return SheetwrightMain(args);
}
