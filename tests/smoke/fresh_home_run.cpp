// vantrel_fresh_home <program> [arguments...]
//
// Runs one program in a home of its own: makes a new, empty folder, points
// HOME and the XDG folders (settings, data, cache, runtime) and the local
// community store into it, runs the program with the arguments, removes the
// folder again and ends with the program's status (128 + the signal when a
// signal ended it). The smoke runs of the programs go through it, so that no
// run finds what an earlier run left, nor the caches of the machine's user:
// a second run behaves like the first, and a new machine like a used one.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <program> [arguments...]\n", argv[0]);
    return 2;
  }
  std::error_code ec;
  fs::path tmp = fs::temp_directory_path(ec);
  if (ec) tmp = "/tmp";
  std::string tmpl = (tmp / "vantrel-smoke-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    std::perror("vantrel_fresh_home: mkdtemp");
    return 2;
  }
  const fs::path home = tmpl;
  struct {
    const char* var;
    const char* sub;
  } const folders[] = {{"XDG_CONFIG_HOME", ".config"},
                       {"XDG_DATA_HOME", ".local/share"},
                       {"XDG_CACHE_HOME", ".cache"},
                       {"XDG_RUNTIME_DIR", "run"}};
  bool ready = setenv("HOME", home.c_str(), 1) == 0;
  for (const auto& f : folders) {
    const fs::path p = home / f.sub;
    fs::create_directories(p, ec);
    ready = ready && !ec && setenv(f.var, p.c_str(), 1) == 0;
  }
  // The runtime folder must be the user's alone, or toolkits refuse it.
  ready = ready && chmod((home / "run").c_str(), 0700) == 0;
  ready = ready && setenv("VANTREL_COMMUNITY_ROOT", (home / ".local/share/vantrel-community").c_str(), 1) == 0;

  int status = 0;
  pid_t child = -1;
  if (ready) {
    std::fflush(nullptr);
    child = fork();
    if (child == 0) {
      execvp(argv[1], argv + 1);
      std::fprintf(stderr, "vantrel_fresh_home: cannot start %s: %s\n", argv[1], std::strerror(errno));
      _exit(127);
    }
    if (child > 0) {
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
      }
    } else {
      std::perror("vantrel_fresh_home: fork");
    }
  } else {
    std::fprintf(stderr, "vantrel_fresh_home: cannot set up the home folder %s\n", home.c_str());
  }
  fs::remove_all(home, ec);
  if (ec) std::fprintf(stderr, "vantrel_fresh_home: cannot remove %s: %s\n", home.c_str(), ec.message().c_str());
  if (child <= 0) return 2;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 2;
}
