#pragma once
// Starting other programs and opening web addresses. Both are fire and
// forget: the caller never waits and never learns whether it worked.
#include <string>
#include <vector>

namespace plat {

// Starts the program at `path` (absolute, or relative to the current
// folder) with no arguments, detached from this process. Returns at once;
// the child is reaped so no zombie remains. Failures are ignored.
void StartProgram(const std::string& path);

// Opens `url` in the desktop's browser through `xdg-open URL`, detached.
// Failures are ignored.
void OpenUrl(const std::string& url);

// Raises this process's scheduling priority a little (nice -5). Without the
// right to do so nothing happens and nothing is reported.
void RaisePriority();

// The calls above go to the installed handler; with none installed they run
// the real thing. Tests install a RecordingShell.
class ShellHandler {
 public:
  virtual ~ShellHandler() = default;
  virtual void StartProgram(const std::string& path) = 0;
  virtual void OpenUrl(const std::string& url) = 0;
  virtual void RaisePriority() = 0;
};
// Null restores the real behaviour.
void SetShellHandler(ShellHandler* handler);
ShellHandler* GetShellHandler();

// A double that records every request instead of acting on it, and installs
// itself for its lifetime (restoring the previous handler afterwards).
class RecordingShell : public ShellHandler {
 public:
  RecordingShell();
  ~RecordingShell() override;
  RecordingShell(const RecordingShell&) = delete;
  RecordingShell& operator=(const RecordingShell&) = delete;

  void StartProgram(const std::string& path) override { programs.push_back(path); }
  void OpenUrl(const std::string& url) override { urls.push_back(url); }
  void RaisePriority() override { ++priorityRaises; }

  std::vector<std::string> programs;
  std::vector<std::string> urls;
  int priorityRaises = 0;

 private:
  ShellHandler* previous_;
};

}  // namespace plat
