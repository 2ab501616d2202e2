#include "game/crash_report.h"

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <string>

#include "core/log.h"
#include "game/game_globals.h"
#include "platform/message_box.h"
#include "platform/steam/steam.h"

namespace {

const char* const kUnknownText =
    "Vantrel encountered an error and needs to shut down.\nTo report errors and request technical "
    "assistance, please contact ";

void ShowUnknownBox() {
  try {
    plat::ShowMessageBox(nullptr, std::string(kUnknownText) + kSupportContact + ".", "Unknown Error",
                         plat::kMbIconError);
  } catch (...) {
  }
}

// A C++ exception: tell the player what it says, with its type as caption.
std::string ReportException(const std::exception_ptr& exception) {
  std::string error;
  try {
    std::rethrow_exception(exception);
  } catch (const std::exception& e) {
    error = e.what();
    const std::string caption = plat::DemangledExceptionType();
    try {
      plat::ShowMessageBox(nullptr,
                           "Vantrel encountered an error:\n" + error +
                               ". To report errors and request technical assistance, please contact " +
                               kSupportContact + ".",
                           caption, plat::kMbIconError);
    } catch (const std::exception& e2) {
      error = e2.what();
      try {
        plat::ShowMessageBox(nullptr, e2.what(), "Error displaying error!", plat::kMbIconError);
      } catch (...) {
      }
    } catch (...) {
      error = "Double Error";
      try {
        plat::ShowMessageBox(nullptr, "Vantrel encountered an error !", "Error displaying error!", plat::kMbIconError);
      } catch (...) {
      }
    }
  } catch (...) {
    error = "Unknown";
    ShowUnknownBox();
  }
  return error;
}

// The report of a fatal signal, formatted without the heap: the heap may be
// what broke.
char signalReport[1024];

}  // namespace

void CrashReport(const plat::CrashInfo& info) {
  if (info.kind == plat::CrashInfo::Kind::kSignal) {
    const int n = std::snprintf(signalReport, sizeof signalReport,
                                "Error '%s'\nScene: %d, Boardset: %s, Board: %d\nClassic Rules: %d, Classic Tex: %d\n",
                                "Unknown", program.sceneNumber, boardSet.fileStem.c_str(), boardSet.currentBoard,
                                settings.classicRules, settings.classicTextures);
    if (n < 0) std::snprintf(signalReport, sizeof signalReport, "Error assembling error message.");
    plat::steam::SetMiniDumpComment(signalReport);
    plat::steam::WriteMiniDump(uint32_t(info.signalNumber), nullptr, 0);
    // The box may never come back from a broken process: ten seconds, then
    // the alarm ends it.
    alarm(10);
    ShowUnknownBox();
    alarm(0);
    return;
  }

  std::string error = "Unknown";
  if (info.exception)
    error = ReportException(info.exception);
  else
    ShowUnknownBox();

  std::string report;
  try {
    report = FormatString("Error '%s'\n", error.c_str());
    report += FormatString("Scene: %d, Boardset: %s, Board: %d\n", program.sceneNumber, boardSet.fileStem.c_str(),
                           boardSet.currentBoard);
    report += FormatString("Classic Rules: %d, Classic Tex: %d\n", settings.classicRules, settings.classicTextures);
  } catch (...) {
    report = "Error assembling error message.";
  }
  plat::steam::SetMiniDumpComment(report.c_str());
  plat::steam::WriteMiniDump(0, nullptr, 0);
}
