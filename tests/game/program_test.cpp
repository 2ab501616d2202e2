// The real program over the SDL back end with its dummy drivers, run as a
// child process in the game folder with this test's temporary HOME: a normal
// run ended by SIGTERM, a second copy, and a folder without data.
#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "platform/settings.h"
#include "support/test_support.h"

namespace fs = boost::filesystem;

namespace {

const char* const kProgram = VANTREL_PROGRAM;
const char* const kGameFolder = VANTREL_PROGRAM_FOLDER;

struct Child {
  pid_t pid = -1;
  fs::path errors;
};

Child Start(const fs::path& folder, const std::string& name) {
  Child child;
  child.errors = vantrel::test::TempHome() / ("program-" + name + ".err");
  child.pid = fork();
  if (child.pid == 0) {
    if (chdir(folder.c_str()) != 0) _exit(120);
    const int fd = open(child.errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) dup2(fd, STDERR_FILENO);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("VANTREL_DEBUG", "1", 1);
    execl(kProgram, kProgram, static_cast<char*>(nullptr));
    _exit(121);
  }
  return child;
}

// The exit status, or 1000 + signal when a signal ended it; -1 on timeout.
int Wait(const Child& child, int seconds = 30) {
  for (int i = 0; i < seconds * 20; ++i) {
    int status = 0;
    const pid_t done = waitpid(child.pid, &status, WNOHANG);
    if (done == child.pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(child.pid, SIGKILL);
  waitpid(child.pid, nullptr, 0);
  return -1;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path.string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Waits until the child's debug output shows running frames.
bool WaitForFrames(const Child& child) {
  for (int i = 0; i < 400; ++i) {
    if (Read(child.errors).find("FPS: ") != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

fs::path CrashFolder() { return fs::path(std::getenv("VANTREL_COMMUNITY_ROOT")) / "crashes"; }

TEST(Program, RunsIntoTheMainMenuAndEndsNormallyOnSigterm) {
  const std::string settings = plat::SettingsStore::FilePath("Software\\Quillmark\\Vantrel - Orvesse", false);
  fs::remove(settings);
  Child game = Start(kGameFolder, "run");
  ASSERT_TRUE(WaitForFrames(game)) << Read(game.errors);
  // Long enough for the splash to hand over to the main menu (5 s and the
  // transition), whose frames then run under the SDL back end too.
  std::this_thread::sleep_for(std::chrono::seconds(8));
  ASSERT_EQ(waitpid(game.pid, nullptr, WNOHANG), 0) << Read(game.errors);
  kill(game.pid, SIGTERM);
  EXPECT_EQ(Wait(game), 0) << Read(game.errors);
  const std::string stored = Read(settings);
  for (const char* name : {"FullScreen", "SwapStereo", "KidMode", "BackgroundStyle", "UseInGameMods", "CommunityBoards",
                           "ClassicRules", "ClassicTextures", "ShowScores"})
    EXPECT_NE(stored.find(std::string("\"") + name + "\"=dword:"), std::string::npos) << name;
  EXPECT_FALSE(fs::exists(CrashFolder()) && !fs::is_empty(CrashFolder()));
}

TEST(Program, ASecondCopyTellsAndEndsWithZero) {
  Child first = Start(kGameFolder, "first");
  ASSERT_TRUE(WaitForFrames(first)) << Read(first.errors);
  Child second = Start(kGameFolder, "second");
  EXPECT_EQ(Wait(second), 0);
  EXPECT_NE(Read(second.errors).find("Vantrel is already running!"), std::string::npos) << Read(second.errors);
  kill(first.pid, SIGTERM);
  EXPECT_EQ(Wait(first), 0);
}

TEST(Program, AFolderWithoutDataEndsWith255) {
  const fs::path empty = vantrel::test::MakeTempDir("empty-game-folder");
  Child game = Start(empty, "empty");
  EXPECT_EQ(Wait(game), 255);
  EXPECT_NE(Read(game.errors).find("Could not find needed graphic file: PowerUps.img!"), std::string::npos)
      << Read(game.errors);
}

}  // namespace
