// Starting programs and opening URLs: detached, arguments as given, no
// zombie left behind; the recording double takes the calls while installed.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <boost/filesystem.hpp>

#include "platform/shell.h"
#include "tests/support/test_support.h"

namespace fs = boost::filesystem;

namespace {

void WriteScript(const fs::path& path, const std::string& body) {
  std::ofstream out(path.string());
  out << "#!/bin/sh\n" << body << "\n";
  out.close();
  fs::permissions(path, fs::owner_all);
}

std::string WaitForFile(const fs::path& path) {
  for (int i = 0; i < 200; ++i) {
    std::ifstream in(path.string());
    std::stringstream text;
    if (in) text << in.rdbuf();
    if (!text.str().empty() && text.str().back() == '\n') return text.str();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return {};
}

bool NoChildLeft() {
  errno = 0;
  return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

TEST(Shell, StartProgramRunsDetachedWithoutArgumentsAndLeavesNoZombie) {
  const fs::path dir = vantrel::test::MakeTempDir("shell");
  const fs::path out = dir / "ran.txt";
  WriteScript(dir / "tool",
              "echo \"args:$#\" > '" + out.string() + ".tmp'; mv '" + out.string() + ".tmp' '" + out.string() + "'");
  plat::StartProgram((dir / "tool").string());
  EXPECT_TRUE(NoChildLeft());
  EXPECT_EQ(WaitForFile(out), "args:0\n");
  EXPECT_TRUE(NoChildLeft());
}

TEST(Shell, MissingProgramIsIgnored) {
  plat::StartProgram("/nonexistent/folder/tool");
  plat::StartProgram("");
  EXPECT_TRUE(NoChildLeft());
}

TEST(Shell, OpenUrlRunsXdgOpenWithTheUrl) {
  const fs::path dir = vantrel::test::MakeTempDir("bin");
  const fs::path out = dir / "url.txt";
  WriteScript(dir / "xdg-open",
              "echo \"$#:$1\" > '" + out.string() + ".tmp'; mv '" + out.string() + ".tmp' '" + out.string() + "'");
  const std::string path = dir.string() + ":" + std::getenv("PATH");
  setenv("PATH", path.c_str(), 1);
  plat::OpenUrl("https://example.org/item?id=18446744073709551615&x=a b");
  EXPECT_TRUE(NoChildLeft());
  EXPECT_EQ(WaitForFile(out), "1:https://example.org/item?id=18446744073709551615&x=a b\n");
}

TEST(Shell, RecordingShellTakesTheCallsWhileInstalled) {
  EXPECT_EQ(plat::GetShellHandler(), nullptr);
  {
    plat::RecordingShell shell;
    EXPECT_EQ(plat::GetShellHandler(), &shell);
    plat::StartProgram("Tools/Sheetwright");
    plat::OpenUrl("https://example.org/");
    EXPECT_EQ(shell.programs, std::vector<std::string>{"Tools/Sheetwright"});
    EXPECT_EQ(shell.urls, std::vector<std::string>{"https://example.org/"});
  }
  EXPECT_EQ(plat::GetShellHandler(), nullptr);
}

}  // namespace
