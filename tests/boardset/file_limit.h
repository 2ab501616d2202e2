#pragma once
// Lets the file system take only so many bytes of any file this process
// writes, the way a full disk or a killed process cuts a save short.
#include <sys/resource.h>

#include <csignal>

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    struct rlimit lowered = old_;
    lowered.rlim_cur = bytes;
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);  // a short write instead of a signal
    ok_ = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool ok() const { return ok_; }

 private:
  struct rlimit old_ {};
  void (*oldHandler_)(int) = nullptr;
  bool ok_ = false;
};
