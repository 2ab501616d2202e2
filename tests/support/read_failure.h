#pragma once
// A file the user may not read, for tests that run as root (who may read
// any file): while the scope lives, every ReadWholeFile of a file whose name
// starts with the prefix fails with the error, and the file stays as it is.
#include <cerrno>
#include <string>

#include <boost/filesystem/path.hpp>

#include "platform/files.h"

namespace vantrel::test {

class ReadRefusedScope {
 public:
  explicit ReadRefusedScope(std::string prefix, int error = EACCES) {
    plat::SetReadFailure([prefix = std::move(prefix), error](const boost::filesystem::path& path) {
      return path.filename().string().rfind(prefix, 0) == 0 ? error : 0;
    });
  }
  ~ReadRefusedScope() { plat::SetReadFailure(nullptr); }
  ReadRefusedScope(const ReadRefusedScope&) = delete;
  ReadRefusedScope& operator=(const ReadRefusedScope&) = delete;
};

}  // namespace vantrel::test
