#include "platform/shell.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace plat {

namespace {

ShellHandler* g_handler = nullptr;

// Runs argv[0] (searched on PATH when `search_path`) in a grandchild that
// belongs to no one: the intermediate child exits at once and is reaped
// here, so the grandchild is adopted by init and never becomes our zombie.
// Everything the children need is prepared before fork(), because after it
// only async-signal-safe calls are allowed in a process with threads.
void SpawnDetached(const std::string& file, const std::string& arg, bool search_path) {
  if (file.empty()) return;
  char* argv[3] = {const_cast<char*>(file.c_str()), nullptr, nullptr};
  if (!arg.empty()) argv[1] = const_cast<char*>(arg.c_str());

  const pid_t child = fork();
  if (child < 0) return;
  if (child == 0) {
    setsid();
    const pid_t grandchild = fork();
    if (grandchild != 0) _exit(0);
    const int null_fd = open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      dup2(null_fd, STDIN_FILENO);
      if (null_fd > STDERR_FILENO) close(null_fd);
    }
    if (search_path)
      execvp(argv[0], argv);
    else
      execv(argv[0], argv);
    _exit(127);
  }
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

void SetShellHandler(ShellHandler* handler) { g_handler = handler; }
ShellHandler* GetShellHandler() { return g_handler; }

void StartProgram(const std::string& path) {
  if (g_handler) {
    g_handler->StartProgram(path);
    return;
  }
  SpawnDetached(path, std::string(), false);
}

void OpenUrl(const std::string& url) {
  if (g_handler) {
    g_handler->OpenUrl(url);
    return;
  }
  if (url.empty()) return;
  SpawnDetached("xdg-open", url, true);
}

void RaisePriority() {
  if (g_handler) {
    g_handler->RaisePriority();
    return;
  }
  // EPERM / EACCES: an ordinary user may not raise its priority; that is
  // no reason to stop.
  setpriority(PRIO_PROCESS, 0, -5);
}

RecordingShell::RecordingShell() : previous_(GetShellHandler()) { SetShellHandler(this); }
RecordingShell::~RecordingShell() { SetShellHandler(previous_); }

}  // namespace plat
