// The crash report: what the player is told and what is written down, by
// direct calls over the fake community service, and by death tests that
// crash the running game through the real hook and read the report file.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "game/crash_report.h"
#include "game/frame.h"
#include "game/game_globals.h"
#include "game/game_main.h"
#include "game/support/game_driver.h"
#include "platform/headless/headless_window.h"
#include "platform/message_box.h"
#include "platform/settings.h"
#include "platform/steam/fake.h"
#include "platform/steam/steam.h"

namespace fs = boost::filesystem;
namespace steam = plat::steam;

namespace {

plat::CrashInfo ExceptionCrash(std::exception_ptr e) {
  plat::CrashInfo info;
  info.kind = plat::CrashInfo::Kind::kException;
  info.exception = e;
  return info;
}

// A box that throws the first `throws` times it is asked, then records.
class ThrowingBoxes : public plat::MessageBoxHandler {
 public:
  explicit ThrowingBoxes(bool standard) : standard_(standard) { plat::SetMessageBoxHandler(this); }
  ~ThrowingBoxes() override { plat::SetMessageBoxHandler(nullptr); }
  int32_t ShowMessageBox(plat::Window*, const std::string& text, const std::string& caption, uint32_t) override {
    if (throws_ > 0) {
      --throws_;
      if (standard_) throw std::runtime_error("no box today");
      throw 7;
    }
    shown.push_back({text, caption});
    std::fprintf(stderr, "[box] %s: %s\n", caption.c_str(), text.c_str());
    return plat::kIdOk;
  }
  std::vector<std::pair<std::string, std::string>> shown;

 private:
  bool standard_;
  int throws_ = 1;
};

class CrashReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    steam::fake::Reset();
    steam::UseBackend(steam::Backend::Fake);
    ResetGameStateForTests();
    program.sceneNumber = kScenePlay;
    boardSet.fileStem = "Castle";
    boardSet.currentBoard = 0;
  }
  void TearDown() override { steam::fake::Reset(); }
  std::string LastComment() const {
    return steam::fake::Dumps().empty() ? std::string() : steam::fake::Dumps().back().comment;
  }
};

TEST_F(CrashReportTest, AStandardExceptionIsShownWithItsTypeAndReported) {
  plat::headless::HeadlessWindowSystem windows;
  CrashReport(ExceptionCrash(std::make_exception_ptr(std::runtime_error("boom"))));
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows.MessageBoxes()[0].text,
            "Vantrel encountered an error:\nboom. To report errors and request technical assistance, please "
            "contact support@quillmark.example.");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "std::runtime_error");
  EXPECT_EQ(windows.MessageBoxes()[0].flags, plat::kMbIconError);
  ASSERT_EQ(steam::fake::Dumps().size(), 1u);
  EXPECT_EQ(LastComment(), "Error 'boom'\nScene: 4, Boardset: Castle, Board: 0\nClassic Rules: 0, Classic Tex: 0\n");
  EXPECT_EQ(steam::fake::Dumps()[0].code, 0u);
}

TEST_F(CrashReportTest, TheReportNamesTheStateEvenWithoutABoardSet) {
  plat::headless::HeadlessWindowSystem windows;
  boardSet.fileStem.clear();
  settings.classicRules = 1;
  settings.classicTextures = 1;
  CrashReport(ExceptionCrash(std::make_exception_ptr(std::logic_error("x"))));
  EXPECT_EQ(LastComment(), "Error 'x'\nScene: 4, Boardset: , Board: 0\nClassic Rules: 1, Classic Tex: 1\n");
  EXPECT_EQ(windows.MessageBoxes()[0].caption, "std::logic_error");
}

TEST_F(CrashReportTest, ABoxThatThrowsIsReportedInstead) {
  {
    ThrowingBoxes boxes(true);
    CrashReport(ExceptionCrash(std::make_exception_ptr(std::runtime_error("boom"))));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].first, "no box today");
    EXPECT_EQ(boxes.shown[0].second, "Error displaying error!");
    EXPECT_EQ(LastComment().rfind("Error 'no box today'\n", 0), 0u);
  }
  {
    ThrowingBoxes boxes(false);
    CrashReport(ExceptionCrash(std::make_exception_ptr(std::runtime_error("boom"))));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].first, "Vantrel encountered an error !");
    EXPECT_EQ(boxes.shown[0].second, "Error displaying error!");
    EXPECT_EQ(LastComment().rfind("Error 'Double Error'\n", 0), 0u);
  }
}

TEST_F(CrashReportTest, OtherExceptionsAndSignalsAreUnknown) {
  plat::headless::HeadlessWindowSystem windows;
  CrashReport(ExceptionCrash(std::make_exception_ptr(42)));
  plat::CrashInfo signal;
  signal.kind = plat::CrashInfo::Kind::kSignal;
  signal.signalNumber = SIGSEGV;
  CrashReport(signal);
  ASSERT_EQ(windows.MessageBoxes().size(), 2u);
  for (const auto& box : windows.MessageBoxes()) {
    EXPECT_EQ(box.text,
              "Vantrel encountered an error and needs to shut down.\nTo report errors and request technical "
              "assistance, please contact support@quillmark.example.");
    EXPECT_EQ(box.caption, "Unknown Error");
  }
  ASSERT_EQ(steam::fake::Dumps().size(), 2u);
  for (const auto& dump : steam::fake::Dumps())
    EXPECT_EQ(dump.comment,
              "Error 'Unknown'\nScene: 4, Boardset: Castle, Board: 0\nClassic Rules: 0, Classic Tex: 0\n");
  EXPECT_EQ(steam::fake::Dumps()[0].code, 0u);
  EXPECT_EQ(steam::fake::Dumps()[1].code, uint32_t(SIGSEGV));
}

// ---- death tests: the running game crashes through the real hook --------

fs::path CrashFolder() { return fs::path(std::getenv("VANTREL_COMMUNITY_ROOT")) / "crashes"; }

std::string OnlyReport() {
  std::vector<fs::path> files;
  if (fs::is_directory(CrashFolder()))
    for (const auto& entry : fs::directory_iterator(CrashFolder())) files.push_back(entry.path());
  EXPECT_EQ(files.size(), 1u);
  if (files.empty()) return {};
  std::ifstream in(files[0].string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs frames of a started game in a function that may not throw: an
// exception leaving it goes straight to std::terminate, and so to the hook.
void RunFramesNoexcept(vantrel::test::GameDriver& d, int frames) noexcept {
  for (int i = 0; i < frames; ++i) d.Frame();
}

// The child's part: starts the game on the fixture, changes settings with
// function keys, then arms the fault and runs.
void CrashingGame(const std::function<void()>& fault, bool throwingBoxes) {
  plat::InstallCrashHandler(CrashReport);
  vantrel::test::GameDriver d;
  // The local service: reports land in its store's crash folder.
  steam::fake::Reset();
  steam::UseBackend(steam::Backend::Local);
  d.Prepare();
  if (d.StartUp()) std::_Exit(3);
  d.Key(plat::kKeyF1);
  d.Key(plat::kKeyF1 + 8);
  d.Frame();
  static std::unique_ptr<ThrowingBoxes> boxes;
  if (throwingBoxes) boxes = std::make_unique<ThrowingBoxes>(true);
  SetFrameHookForTests(fault);
  RunFramesNoexcept(d, 3);
  std::_Exit(4);
}

class CrashDeathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Forked children share this process's temporary HOME, so the reports land
    // where the parent looks.
    GTEST_FLAG_SET(death_test_style, "fast");
    fs::remove_all(CrashFolder());
    settingsFile = plat::SettingsStore::FilePath("Software\\Quillmark\\Vantrel - Orvesse", false);
    fs::remove(settingsFile);
  }
  std::string settingsFile;
};

TEST_F(CrashDeathTest, AnExceptionFromAFrameShowsItsTextAndWritesTheReport) {
  EXPECT_DEATH(CrashingGame([] { throw std::runtime_error("boom"); }, false),
               "std::runtime_error: Vantrel encountered an error:\nboom\\. To report errors");
  const std::string report = OnlyReport();
  EXPECT_NE(report.find("Error 'boom'\nScene: 0, Boardset: , Board: 0\nClassic Rules: 0, Classic Tex: 0\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("Exception code: 0x00000000\n"), std::string::npos) << report;
  // The keys pressed before the crash changed settings that are never written.
  EXPECT_FALSE(fs::exists(settingsFile));
}

TEST_F(CrashDeathTest, ASegmentationFaultIsUnknownAndDiesByItsSignal) {
  EXPECT_EXIT(CrashingGame([] { std::raise(SIGSEGV); }, false), ::testing::KilledBySignal(SIGSEGV),
              "Unknown Error: Vantrel encountered an error and needs to shut down");
  const std::string report = OnlyReport();
  EXPECT_NE(report.find("Error 'Unknown'\nScene: 0"), std::string::npos) << report;
  EXPECT_NE(report.find("Exception code: 0x0000000B\n"), std::string::npos) << report;
  EXPECT_FALSE(fs::exists(settingsFile));
}

TEST_F(CrashDeathTest, ABoxThatThrowsStillEndsInAReport) {
  EXPECT_DEATH(CrashingGame([] { throw std::runtime_error("boom"); }, true), "Error displaying error!: no box today");
  const std::string report = OnlyReport();
  EXPECT_NE(report.find("Error 'no box today'\n"), std::string::npos) << report;
}

}  // namespace
