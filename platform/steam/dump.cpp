// Crash dumps: a text file with the comment and the exception code in the
// "crashes" folder of the store. Written with fixed buffers and plain system
// calls, so it can run from a crash handler.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/steam/steam.h"

namespace plat::steam {

namespace detail {
bool RecordFakeDump(const char* comment, std::uint32_t code);
}

namespace {

char g_comment[kMaxMiniDumpComment + 1];
char g_path[4096];
char g_head[256];
unsigned g_counter = 0;

// Appends text to g_path; false when it does not fit.
bool Append(const char* text) {
  std::size_t have = std::strlen(g_path);
  std::size_t add = std::strlen(text);
  if (have + add + 1 > sizeof g_path) return false;
  std::memcpy(g_path + have, text, add + 1);
  return true;
}

// Makes every folder of g_path (an absolute or relative folder path).
bool MakeFolders() {
  for (char* p = g_path + 1; *p; ++p) {
    if (*p != '/') continue;
    *p = 0;
    bool ok = ::mkdir(g_path, 0755) == 0 || errno == EEXIST;
    *p = '/';
    if (!ok) return false;
  }
  return ::mkdir(g_path, 0755) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const char* text, std::size_t size) {
  while (size > 0) {
    ssize_t w = ::write(fd, text, size);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text += w;
    size -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

void SetMiniDumpComment(const char* comment) {
  if (!comment) {
    g_comment[0] = 0;
    return;
  }
  std::size_t n = std::strlen(comment);
  if (n > kMaxMiniDumpComment) n = kMaxMiniDumpComment;
  std::memcpy(g_comment, comment, n);
  g_comment[n] = 0;
}

bool WriteMiniDump(std::uint32_t exceptionCode, const void* exceptionInfo, std::uint32_t buildId) {
  (void)exceptionInfo;
  if (detail::RecordFakeDump(g_comment, exceptionCode)) return true;
  g_path[0] = 0;
  const char* root = std::getenv("VANTREL_COMMUNITY_ROOT");
  if (root && root[0]) {
    if (!Append(root)) return false;
  } else {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0]) {
      if (!Append(data)) return false;
    } else {
      const char* home = std::getenv("HOME");
      if (!home || !home[0] || !Append(home) || !Append("/.local/share")) return false;
    }
    if (!Append("/vantrel-community")) return false;
  }
  if (!Append("/crashes") || !MakeFolders()) return false;
  std::size_t base = std::strlen(g_path);
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    g_path[base] = 0;
    char name[96];
    std::snprintf(name, sizeof name, "/minidump-%lld-%d-%u.txt", static_cast<long long>(std::time(nullptr)),
                  static_cast<int>(::getpid()), g_counter++);
    if (!Append(name)) return false;
    fd = ::open(g_path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  int n = std::snprintf(g_head, sizeof g_head, "Exception code: 0x%08X\nBuild: %u\nComment:\n",
                        static_cast<unsigned>(exceptionCode), static_cast<unsigned>(buildId));
  bool ok = n > 0 && WriteAll(fd, g_head, static_cast<std::size_t>(n)) &&
            WriteAll(fd, g_comment, std::strlen(g_comment)) && WriteAll(fd, "\n", 1);
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace plat::steam
