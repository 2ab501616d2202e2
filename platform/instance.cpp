#include "platform/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace plat {

std::string InstanceToken::LockPath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/" + name + ".lock";
  return "/tmp/" + name + "-" + std::to_string(static_cast<unsigned long>(getuid())) + ".lock";
}

InstanceResult InstanceToken::Acquire(const std::string& name) {
  Release();
  const std::string path = LockPath(name);
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return InstanceResult::kUnavailable;
  // One atomic step: either this descriptor holds the lock or someone else
  // does. Nothing stale can be left behind by a crashed holder.
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? InstanceResult::kAlreadyHeld : InstanceResult::kUnavailable;
  }
  fd_ = fd;
  return InstanceResult::kAcquired;
}

void InstanceToken::Release() {
  if (fd_ < 0) return;
  close(fd_);
  fd_ = -1;
}

}  // namespace plat
