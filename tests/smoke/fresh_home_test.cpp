// The runner of the smoke runs: each run gets a new, empty home with its own
// XDG folders, which is gone afterwards, and the run's status comes back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/test_support.h"

#ifndef VANTREL_FRESH_HOME_PROGRAM
#error "VANTREL_FRESH_HOME_PROGRAM must name the runner"
#endif

namespace fs = boost::filesystem;

namespace {

// Runs `script` under sh through the runner; its exit status, or -1.
int RunInFreshHome(const std::string& script) {
  const std::string command = std::string("'") + VANTREL_FRESH_HOME_PROGRAM + "' sh -c '" + script + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path.string());
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

TEST(FreshHome, EachRunHasItsOwnEmptyHomeThatIsGoneAfterwards) {
  const fs::path out = vantrel::test::MakeTempDir("fresh-home");
  // Leaves a file in its home (as a program saving its settings would) and
  // tells where the home was and what it held at the start.
  const std::string script =
      "n=$(cat \"" + (out / "count").string() +
      "\" 2>/dev/null || echo 0); n=$((n+1)); "
      "echo $n > \"" +
      (out / "count").string() +
      "\"; "
      "echo \"$HOME\" > \"" +
      out.string() +
      "/home$n\"; "
      "find \"$HOME\" -type f | wc -l > \"" +
      out.string() +
      "/files$n\"; "
      "for v in XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_RUNTIME_DIR VANTREL_COMMUNITY_ROOT; do "
      "eval d=\\$$v; case \"$d\" in \"$HOME\"/*) ;; *) echo \"$v=$d\" >> \"" +
      out.string() +
      "/outside$n\";; esac; done; "
      "test -d \"$XDG_CONFIG_HOME\" -a -d \"$XDG_DATA_HOME\" -a -d \"$XDG_CACHE_HOME\" -a -d \"$XDG_RUNTIME_DIR\" || exit 9; "
      "test \"$(stat -c %a \"$XDG_RUNTIME_DIR\")\" = 700 || exit 8; "
      "echo left > \"$XDG_CONFIG_HOME/left-behind\"";
  ASSERT_EQ(RunInFreshHome(script), 0);
  ASSERT_EQ(RunInFreshHome(script), 0);

  const std::string home1 = ReadFile(out / "home1");
  const std::string home2 = ReadFile(out / "home2");
  ASSERT_FALSE(home1.empty());
  EXPECT_NE(home1, home2);
  EXPECT_NE(home1.rfind(vantrel::test::TempHome().string(), 0), 0u) << "the runner's home is not the caller's";
  EXPECT_EQ(ReadFile(out / "files1"), "0\n");
  EXPECT_EQ(ReadFile(out / "files2"), "0\n") << "the second run found what the first left";
  EXPECT_FALSE(fs::exists(out / "outside1")) << ReadFile(out / "outside1");
  for (const std::string& home : {home1, home2}) {
    EXPECT_FALSE(fs::exists(home.substr(0, home.size() - 1))) << home;
  }
}

TEST(FreshHome, TheRunsStatusComesBack) {
  const struct {
    const char* script;
    int status;
  } cases[] = {{"exit 0", 0}, {"exit 23", 23}, {"kill -9 $$", 128 + 9}};
  for (const auto& c : cases) {
    EXPECT_EQ(RunInFreshHome(c.script), c.status) << c.script;
  }
  const std::string command = std::string("'") + VANTREL_FRESH_HOME_PROGRAM + "' /nonexistent/program";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 127);
}
