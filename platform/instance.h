#pragma once
// The single-instance token: a named lock that only one running copy of a
// program can hold. It is an exclusive flock on a lock file, so the kernel
// drops it when the holder exits or crashes and a dead copy never blocks the
// next start.
#include <string>

namespace plat {

enum class InstanceResult {
  kAcquired,     // this object now holds the token
  kAlreadyHeld,  // another holder (another copy, or another object) has it
  kUnavailable,  // the lock file cannot be made or locked for another reason
};

class InstanceToken {
 public:
  InstanceToken() = default;
  ~InstanceToken() { Release(); }
  InstanceToken(const InstanceToken&) = delete;
  InstanceToken& operator=(const InstanceToken&) = delete;

  // Takes the token of that name: flock(LOCK_EX | LOCK_NB) on
  // $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock without that
  // variable. The file stays open until Release. Taking it again while held
  // releases the old one first.
  InstanceResult Acquire(const std::string& name);
  // Closes the lock file (the lock goes with it). Nothing when not held.
  void Release();
  bool Held() const { return fd_ >= 0; }

  // Where the lock file of a name lives.
  static std::string LockPath(const std::string& name);

 private:
  int fd_ = -1;
};

}  // namespace plat
