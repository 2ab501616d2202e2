// The platform pieces the game program added: the single-instance token,
// the priority raise and the in-memory window knobs.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <string>

#include "game/game_globals.h"
#include "game/support/game_driver.h"
#include "graphics/display.h"
#include "platform/headless/headless_window.h"
#include "platform/instance.h"
#include "platform/shell.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

// Points XDG_RUNTIME_DIR somewhere else for one scope.
class RuntimeDir {
 public:
  explicit RuntimeDir(const std::string& dir) : old_(std::getenv("XDG_RUNTIME_DIR")) {
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  ~RuntimeDir() { setenv("XDG_RUNTIME_DIR", old_.c_str(), 1); }

 private:
  std::string old_;
};

TEST(InstanceToken, OneHolderPerNameUntilReleased) {
  const fs::path dir = vantrel::test::MakeTempDir("run");
  RuntimeDir runtime(dir.string());
  plat::InstanceToken first, second, other;
  EXPECT_EQ(first.Acquire("Game"), plat::InstanceResult::kAcquired);
  EXPECT_TRUE(first.Held());
  EXPECT_EQ(plat::InstanceToken::LockPath("Game"), (dir / "Game.lock").string());
  EXPECT_EQ(second.Acquire("Game"), plat::InstanceResult::kAlreadyHeld);
  EXPECT_FALSE(second.Held());
  EXPECT_EQ(other.Acquire("Other"), plat::InstanceResult::kAcquired);
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_EQ(second.Acquire("Game"), plat::InstanceResult::kAcquired);
  // A lock file left behind by a holder that is gone blocks nobody.
  second.Release();
  EXPECT_TRUE(fs::exists(dir / "Game.lock"));
  EXPECT_EQ(first.Acquire("Game"), plat::InstanceResult::kAcquired);
}

TEST(InstanceToken, AnUnusableLockFolderIsUnavailableAndTheGameStartsAnyway) {
  const fs::path dir = vantrel::test::MakeTempDir("run-file");
  const fs::path file = dir / "not-a-folder";
  {
    std::FILE* f = std::fopen(file.string().c_str(), "wb");
    std::fclose(f);
  }
  RuntimeDir runtime(file.string());
  plat::InstanceToken token;
  EXPECT_EQ(token.Acquire("Game"), plat::InstanceResult::kUnavailable);
  EXPECT_FALSE(token.Held());

  vantrel::test::GameDriver d;
  d.Prepare();
  EXPECT_EQ(d.StartUp(), std::nullopt);
  EXPECT_NE(d.DebugText().find("single-instance lock is not available"), std::string::npos);
  EXPECT_TRUE(d.Boxes().empty());
  d.Finish();
}

TEST(Shell, RaisePriorityIsRecordedByTheRecordingShell) {
  plat::RecordingShell shell;
  plat::RaisePriority();
  plat::RaisePriority();
  EXPECT_EQ(shell.priorityRaises, 2);
}

TEST(HeadlessWindowKnobs, RefusedWindowsAndStyles) {
  plat::headless::HeadlessWindowSystem windows;
  plat::WindowDesc desc;
  windows.RefuseWindows(true);
  EXPECT_EQ(windows.CreateMainWindow(desc), nullptr);
  windows.RefuseWindows(false);
  plat::Window* w = windows.CreateMainWindow(desc);
  ASSERT_NE(w, nullptr);
  windows.RefuseStyle(plat::WindowStyle::kFullScreen, true);
  w->SetStyle(plat::WindowStyle::kFullScreen);
  EXPECT_EQ(w->Style(), plat::WindowStyle::kFramedSizable);
  windows.RefuseStyle(plat::WindowStyle::kFullScreen, false);
  w->SetStyle(plat::WindowStyle::kFullScreen);
  EXPECT_EQ(w->Style(), plat::WindowStyle::kFullScreen);
  // A window asked for in a refused style gets the fixed frame.
  windows.RefuseStyle(plat::WindowStyle::kFramedSizable, true);
  plat::Window* fixed = windows.CreateMainWindow(desc);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->Style(), plat::WindowStyle::kFramedFixed);
}

TEST(HeadlessWindowKnobs, ADisplayModeTheWindowDidNotTakeFails) {
  plat::headless::HeadlessWindowSystem windows;
  Display display;
  plat::Window* w = nullptr;
  ASSERT_EQ(display.CreateMainWindow(1280, 720, "t", nullptr, &w, plat::DefaultWindowProc, 0, true), 1);
  windows.RefuseStyle(plat::WindowStyle::kFullScreen, true);
  PixelFormat format;
  EXPECT_EQ(display.SetVideoMode(1280, 720, 16, true, &format), 0);
  EXPECT_EQ(display.SetVideoMode(1280, 720, 16, false, &format), 1);
  display.Shutdown();
}

}  // namespace
