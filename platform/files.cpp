#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/clock.h"

namespace fs = boost::filesystem;

namespace plat {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

// '*' and '?' wildcard match, letters without regard to case. Iterative with
// one back-track point, so it runs in O(pattern x name) at worst.
bool WildMatch(const std::string& p, const std::string& n) {
  size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (pi < p.size() && (p[pi] == '?' || Lower(p[pi]) == Lower(n[ni]))) {
      ++pi;
      ++ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

bool NameLess(const FolderEntry& a, const FolderEntry& b) {
  size_t n = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = (unsigned char)Lower(a.name[i]);
    unsigned char cb = (unsigned char)Lower(b.name[i]);
    if (ca != cb) return ca < cb;
  }
  if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
  return a.name < b.name;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  struct passwd* pw = getpwuid(getuid());
  if (pw && pw->pw_dir) return pw->pw_dir;
  return std::string();
}

std::string EnvFolder(const char* name, const char* fallbackBelowHome) {
  const char* v = std::getenv(name);
  if (v && v[0] == '/') return v;
  std::string home = HomeFolder();
  if (home.empty()) return std::string();
  return home + "/" + fallbackBelowHome;
}

// XDG_DOCUMENTS_DIR from user-dirs.dirs: a line XDG_DOCUMENTS_DIR="$HOME/..."
// or an absolute path in quotes.
std::string DocumentsFromUserDirs() {
  std::string config = EnvFolder("XDG_CONFIG_HOME", ".config");
  if (config.empty()) return std::string();
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=";
  while (std::getline(in, line)) {
    size_t i = line.find_first_not_of(" \t");
    if (i == std::string::npos || line[i] == '#') continue;
    if (line.compare(i, key.size(), key) != 0) continue;
    std::string v = line.substr(i + key.size());
    while (!v.empty() && (v.back() == '\r' || v.back() == ' ' || v.back() == '\t')) v.pop_back();
    if (v.size() < 2 || v.front() != '"' || v.back() != '"') continue;
    v = v.substr(1, v.size() - 2);
    if (v.compare(0, 5, "$HOME") == 0) {
      std::string home = HomeFolder();
      if (home.empty()) return std::string();
      v = home + v.substr(5);
    } else if (v.empty() || v[0] != '/') {
      continue;
    }
    return v;
  }
  return std::string();
}

// The test hook of FailNextAtomicWrites.
std::atomic<int> injectedFailures{0};
std::atomic<int> injectedError{0};
std::atomic<bool> injectedAtCreate{false};

// The errno value the next write is to fail with, 0 for none.
int TakeInjectedFailure() {
  int left = injectedFailures.load();
  while (left > 0) {
    if (injectedFailures.compare_exchange_weak(left, left - 1))
      return injectedError.load() ? injectedError.load() : EIO;
  }
  return 0;
}

// A save that was killed between making its temporary file and renaming it
// leaves ".NAME.XXXXXX" (mkstemp's six letters or digits) for good. Those of
// this target that are plain files last changed more than a minute ago are
// removed; a save still running changes its file far more often than that.
constexpr int64_t kStaleTemporarySeconds = 60;

void RemoveStaleTemporaries(const fs::path& dir, const std::string& name) {
  if (name.empty()) return;
  const std::string prefix = "." + name + ".";
  DIR* folder = opendir(dir.c_str());
  if (!folder) return;
  const int64_t now = UnixTime();
  while (const dirent* entry = readdir(folder)) {
    const size_t length = std::strlen(entry->d_name);
    if (length != prefix.size() + 6 || std::strncmp(entry->d_name, prefix.data(), prefix.size()) != 0) continue;
    bool random = true;
    for (size_t i = prefix.size(); i < length; ++i) {
      const char c = entry->d_name[i];
      random = random && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
    }
    struct stat st;
    if (!random || fstatat(dirfd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    if (now - int64_t(st.st_mtime) > kStaleTemporarySeconds) unlinkat(dirfd(folder), entry->d_name, 0);
  }
  closedir(folder);
}

}  // namespace

std::string NormaliseSeparators(const std::string& text) {
  std::string out = text;
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

fs::path ToPath(const std::string& stored) { return fs::path(NormaliseSeparators(stored)); }

bool MatchPattern(const std::string& pattern, const std::string& name) {
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0) {
    if (WildMatch(pattern, name)) return true;
    return WildMatch(pattern.substr(0, pattern.size() - 2), name);
  }
  if (!pattern.empty() && pattern.back() == '.') {
    return name.find('.') == std::string::npos && WildMatch(pattern.substr(0, pattern.size() - 1), name);
  }
  return WildMatch(pattern, name);
}

namespace {
ListFolderFailure& InjectedListFailure() {
  static ListFolderFailure failure;
  return failure;
}
}  // namespace

void SetListFolderFailure(ListFolderFailure failure) { InjectedListFailure() = std::move(failure); }

bool ListFolder(const fs::path& folder, std::vector<FolderEntry>& out, std::string* error) {
  out.clear();
  boost::system::error_code ec;
  if (InjectedListFailure() && InjectedListFailure()(folder)) {
    if (error) {
      *error = fs::filesystem_error("boost::filesystem::directory_iterator::construct", folder,
                                    boost::system::errc::make_error_code(boost::system::errc::permission_denied))
                   .what();
    }
    return false;
  }
  fs::directory_iterator it(folder, ec), end;
  if (ec) {
    if (error) {
      *error = fs::filesystem_error("boost::filesystem::directory_iterator::construct", folder, ec).what();
    }
    return false;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    FolderEntry e;
    e.name = it->path().filename().string();
    if (e.name == "." || e.name == "..") continue;
    boost::system::error_code sec;
    e.isDirectory = fs::is_directory(it->path(), sec);
    e.isLink = fs::is_symlink(it->symlink_status(sec));
    out.push_back(std::move(e));
  }
  if (ec) {
    if (error) *error = fs::filesystem_error("boost::filesystem::directory_iterator::operator++", folder, ec).what();
    out.clear();
    return false;
  }
  std::sort(out.begin(), out.end(), NameLess);
  return true;
}

bool FindFiles(const std::string& pattern, std::vector<FolderEntry>& out) {
  out.clear();
  std::string p = NormaliseSeparators(pattern);
  size_t cut = std::string::npos;
  for (size_t i = p.size(); i-- > 0;) {
    if (IsSeparator(p[i])) {
      cut = i;
      break;
    }
  }
  std::string folder = cut == std::string::npos ? std::string(".") : p.substr(0, cut + 1);
  std::string mask = cut == std::string::npos ? p : p.substr(cut + 1);
  if (mask.empty()) return false;
  if (folder.size() > 1 && folder.back() == ':') folder.back() = '/';
  std::vector<FolderEntry> all;
  if (!ListFolder(fs::path(folder), all)) return false;
  for (auto& e : all) {
    if (MatchPattern(mask, e.name)) out.push_back(std::move(e));
  }
  return !out.empty();
}

namespace {

// Opens a regular file for reading and gives its descriptor, its status in
// *st. The kind is looked at before the open, so a pipe is never opened at
// all, and again on the open descriptor, for a file swapped in between; the
// open itself does not wait, whatever it meets. -1 with errno set otherwise
// (EISDIR for a folder, EINVAL for any other kind of file).
int OpenRegularFile(const fs::path& path, struct stat* st) {
  if (::stat(path.c_str(), st) != 0) return -1;
  if (!S_ISREG(st->st_mode)) {
    errno = S_ISDIR(st->st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, st) != 0 || !S_ISREG(st->st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

FILE* OpenRegularForReading(const fs::path& path) {
  struct stat st;
  const int fd = OpenRegularFile(path, &st);
  if (fd < 0) return nullptr;
  FILE* f = ::fdopen(fd, "rb");
  if (!f) ::close(fd);
  return f;
}

}  // namespace

FILE* OpenFile(const fs::path& path, const char* mode) {
  if (!mode) return nullptr;
  if (mode[0] == 'r' && !std::strchr(mode, '+')) return OpenRegularForReading(path);
  return std::fopen(path.c_str(), mode);
}

FILE* OpenFile(const std::string& stored, const char* mode) { return OpenFile(ToPath(stored), mode); }

bool StaysInside(const fs::path& relative) {
  if (relative.empty() || relative.has_root_path()) return false;
  for (const fs::path& element : relative)
    if (element == "..") return false;
  return true;
}

bool WriteFileAtomic(const fs::path& path, const void* bytes, size_t size, bool backslashSeparates,
                     WriteFailure* failure) {
  auto fail = [failure](int error, bool created) {
    if (failure) *failure = WriteFailure{error, created};
    errno = error;
    return false;
  };
  if (!bytes && size) return fail(EINVAL, false);
  fs::path target = backslashSeparates ? ToPath(path.string()) : path;
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  const std::string name = target.filename().string();
  RemoveStaleTemporaries(dir, name);
  std::string tmpl = (dir / ("." + name + ".XXXXXX")).string();
  std::vector<char> temp(tmpl.begin(), tmpl.end());
  temp.push_back('\0');
  int error = TakeInjectedFailure();
  if (error != 0 && injectedAtCreate) return fail(error, false);
  int fd = mkstemp(temp.data());
  if (fd < 0) return fail(errno, false);
  const char* p = static_cast<const char*>(bytes);
  size_t left = size;
  while (error == 0 && left > 0) {
    ssize_t w = ::write(fd, p, left);
    if (w < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    p += w;
    left -= size_t(w);
  }
  if (error == 0 && fchmod(fd, 0644) != 0) error = errno;
  if (error == 0 && fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && std::rename(temp.data(), target.c_str()) != 0) error = errno;
  if (error == 0) return true;
  ::unlink(temp.data());
  return fail(error, true);
}

void FailNextAtomicWrites(int count, int error, bool atCreate) {
  injectedFailures = count > 0 ? count : 0;
  injectedError = error;
  injectedAtCreate = atCreate;
}

fs::path CurrentFolder() {
  boost::system::error_code ec;
  fs::path p = fs::current_path(ec);
  return ec ? fs::path() : p;
}

MakeDirResult MakeDirectory(const std::string& path) {
  std::string p = NormaliseSeparators(path);
  if (p.empty()) return MakeDirResult::PathNotFound;
  if (::mkdir(p.c_str(), 0777) == 0) return MakeDirResult::Created;
  if (errno == EEXIST) return MakeDirResult::AlreadyExists;
  if (errno == ENOENT) return MakeDirResult::PathNotFound;
  return MakeDirResult::Failed;
}

bool MakeDirs(const fs::path& path) {
  if (path.empty()) return false;
  fs::path p = ToPath(path.string());
  boost::system::error_code ec;
  fs::create_directories(p, ec);
  return fs::is_directory(p, ec);
}

fs::path GetKnownFolder(KnownFolder folder, bool create) {
  std::string dir;
  if (folder == KnownFolder::SavedGames) {
    dir = EnvFolder("XDG_DATA_HOME", ".local/share");
  } else {
    dir = DocumentsFromUserDirs();
    if (dir.empty()) {
      std::string home = HomeFolder();
      if (!home.empty()) dir = home + "/Documents";
    }
  }
  if (dir.empty()) return fs::path();
  fs::path p(dir);
  if (create && !MakeDirs(p)) return fs::path();
  return p;
}

std::string ExecutableName(const std::string& windowsName) {
  std::string n = NormaliseSeparators(windowsName);
  if (n.size() > 4) {
    std::string tail = n.substr(n.size() - 4);
    for (char& c : tail) c = Lower(c);
    if (tail == ".exe") n.resize(n.size() - 4);
  }
  return n;
}

namespace {

ReadFailure& InjectedReadFailure() {
  static ReadFailure failure;
  return failure;
}

ReadFileResult ReadFailed(std::string& out, int* error, ReadFileResult result, int errorValue) {
  out.clear();
  if (error) *error = errorValue;
  return result;
}

// Far more numbered copies than any folder should ever gather.
constexpr int kMaxKeptCopies = 10000;

// Renames from to to unless to exists: 0, or the errno value.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int e = errno;
  if (e != EINVAL && e != ENOSYS) return e;
  // A file system without that flag: a hard link fails on an existing name
  // just the same.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return 0;
  }
  e = errno;
  if (e != EPERM && e != EOPNOTSUPP) return e;
  // Nor links: look, then rename.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

void SetReadFailure(ReadFailure failure) { InjectedReadFailure() = std::move(failure); }

ReadFileResult ReadWholeFile(const fs::path& path, std::string& out, size_t maxBytes, int* error) {
  out.clear();
  if (error) *error = 0;
  struct stat st;
  const int fd = OpenRegularFile(path, &st);
  if (fd < 0) {
    const int e = errno;
    return ReadFailed(out, error, e == ENOENT || e == ENOTDIR ? ReadFileResult::kMissing : ReadFileResult::kCannotRead,
                      e);
  }
  if (const ReadFailure& inject = InjectedReadFailure()) {
    if (const int e = inject(path)) {
      ::close(fd);
      return ReadFailed(out, error, ReadFileResult::kCannotRead, e);
    }
  }
  ReadFileResult result = ReadFileResult::kRead;
  int failure = 0;
  if (st.st_size > 0 && static_cast<uintmax_t>(st.st_size) > maxBytes) {
    failure = EFBIG;
    result = ReadFileResult::kTooLarge;
  } else {
    out.reserve(static_cast<size_t>(st.st_size));
    char block[65536];
    for (;;) {
      const ssize_t n = ::read(fd, block, sizeof block);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        failure = errno;
        result = ReadFileResult::kCannotRead;
        break;
      }
      if (n == 0) break;
      if (static_cast<size_t>(n) > maxBytes - out.size()) {  // grew while read
        failure = EFBIG;
        result = ReadFileResult::kTooLarge;
        break;
      }
      out.append(block, static_cast<size_t>(n));
    }
  }
  ::close(fd);
  if (result != ReadFileResult::kRead) return ReadFailed(out, error, result, failure);
  return result;
}

fs::path KeepAside(const fs::path& path, const std::string& suffix, int* error) {
  if (error) *error = 0;
  const std::string from = path.string();
  for (int n = 0; n < kMaxKeptCopies; ++n) {
    const std::string to = from + suffix + (n == 0 ? std::string() : "." + std::to_string(n));
    const int e = RenameNoReplace(from, to);
    if (e == 0) return fs::path(to);
    if (e != EEXIST && e != ENOTEMPTY) {
      if (error) *error = e;
      return fs::path();
    }
  }
  if (error) *error = EEXIST;
  return fs::path();
}

}  // namespace plat
