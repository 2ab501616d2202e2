// main() for every test program: gives the process its own temporary HOME and
// XDG folders, so no test ever reads or writes the user's settings, saved
// games or documents.
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdlib.h>

namespace fs = boost::filesystem;

namespace vantrel::test {

namespace {
fs::path g_home;
}

const fs::path& TempHome() { return g_home; }

fs::path MakeTempDir(const std::string& name) {
  fs::path dir = g_home / "work" / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

fs::path SourcePath(const std::string& relative) {
  const char* root = std::getenv("VANTREL_TEST_SOURCE_DIR");
  return fs::path(root ? root : ".") / relative;
}

}  // namespace vantrel::test

int main(int argc, char** argv) {
  fs::path base = fs::temp_directory_path() / "vantrel-test-XXXXXX";
  std::string tmpl = base.string();
  if (!mkdtemp(tmpl.data())) {
    perror("mkdtemp");
    return 2;
  }
  vantrel::test::g_home = tmpl;
  const fs::path& home = vantrel::test::g_home;
  struct {
    const char* var;
    const char* sub;
  } folders[] = {{"XDG_CONFIG_HOME", ".config"},
                 {"XDG_DATA_HOME", ".local/share"},
                 {"XDG_CACHE_HOME", ".cache"},
                 {"XDG_RUNTIME_DIR", "run"}};
  setenv("HOME", home.c_str(), 1);
  for (const auto& f : folders) {
    fs::path p = home / f.sub;
    fs::create_directories(p);
    setenv(f.var, p.c_str(), 1);
  }
  setenv("VANTREL_COMMUNITY_ROOT", (home / ".local/share/vantrel-community").c_str(), 1);
  if (!std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);

  ::testing::InitGoogleTest(&argc, argv);
  int rc = RUN_ALL_TESTS();
  if (!std::getenv("VANTREL_KEEP_TEST_HOME")) {
    boost::system::error_code ec;
    fs::remove_all(home, ec);
  }
  return rc;
}
