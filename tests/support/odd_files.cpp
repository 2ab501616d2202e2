#include "support/odd_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace fs = boost::filesystem;

namespace vantrel::test {

PipeGuard::PipeGuard(const fs::path& path) : path_(path) {
  fs::create_directories(path.parent_path());
  made_ = ::mkfifo(path.c_str(), 0644) == 0;
  // A handle on the pipe that is no reader and no writer: through it the
  // pipe can be opened again after a rename.
  if (made_) node_ = ::open(path.c_str(), O_PATH | O_CLOEXEC);
  if (made_) thread_ = std::thread([this] { Serve(); });
}

PipeGuard::~PipeGuard() {
  if (!made_) return;
  finishing_ = true;
  const int release = ::open(PipeName().c_str(), O_RDONLY | O_NONBLOCK);
  thread_.join();
  if (release >= 0) ::close(release);
  if (node_ >= 0) ::close(node_);
}

std::string PipeGuard::PipeName() const {
  return node_ >= 0 ? "/proc/self/fd/" + std::to_string(node_) : path_.string();
}

void PipeGuard::Serve() {
  const std::string pipe = PipeName();
  for (;;) {
    const int fd = ::open(pipe.c_str(), O_WRONLY);
    if (fd >= 0) ::close(fd);
    if (finishing_) return;
    if (fd < 0) continue;
    ++opens_;
    // While that reader keeps the pipe open, the next open passes at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

namespace {

uint64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  uint64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

MemoryGuard::MemoryGuard(uint64_t limitBytes) : start_(ResidentBytes()), limit_(limitBytes) {
  thread_ = std::thread([this] {
    while (!done_) {
      const uint64_t now = ResidentBytes();
      if (now > start_ + limit_) {
        std::fprintf(stderr, "MemoryGuard: resident memory grew by %llu MB reading an odd file; stopping the test\n",
                     static_cast<unsigned long long>((now - start_) >> 20));
        std::fflush(stderr);
        std::_Exit(3);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
}

MemoryGuard::~MemoryGuard() {
  done_ = true;
  thread_.join();
}

void PrintTo(const OddFileCase& c, std::ostream* os) { *os << c.name; }

std::string OddFileCaseId(const OddFileCase& c) {
  std::string id;
  for (const char* p = c.name; *p; ++p)
    if (std::isalnum(static_cast<unsigned char>(*p))) id += *p;
  return id;
}

const std::vector<OddFileCase>& OddFileCases() {
  static const std::vector<OddFileCase> cases = {
      {"pipe", OddKind::kPipe},
      {"link to /dev/zero", OddKind::kZeroDevice},
      {"oversize sparse file", OddKind::kSparse},
      {"folder", OddKind::kFolder},
  };
  return cases;
}

OddFile::OddFile(OddKind kind, const fs::path& path) : kind_(kind), path_(path) {
  fs::create_directories(path.parent_path());
  boost::system::error_code ec;
  fs::remove_all(path, ec);
  switch (kind) {
    case OddKind::kPipe: pipe_ = std::make_unique<PipeGuard>(path); break;
    case OddKind::kZeroDevice: fs::create_symlink("/dev/zero", path); break;
    case OddKind::kSparse: {
      std::ofstream(path.string(), std::ios::binary).put('\0');
      fs::resize_file(path, kOddSparseBytes);
      break;
    }
    case OddKind::kFolder: {
      fs::create_directories(path);
      std::ofstream((path / "inside.txt").string()) << "a file in the folder\n";
      break;
    }
  }
  memory_ = std::make_unique<MemoryGuard>();
}

OddFile::~OddFile() {
  memory_.reset();
  pipe_.reset();
}

bool OddFile::IntactAt(const fs::path& where) const {
  boost::system::error_code ec;
  const fs::file_status link = fs::symlink_status(where, ec);
  switch (kind_) {
    case OddKind::kPipe: return link.type() == fs::fifo_file;
    case OddKind::kZeroDevice: return link.type() == fs::symlink_file && fs::read_symlink(where, ec) == "/dev/zero";
    case OddKind::kSparse: return link.type() == fs::regular_file && fs::file_size(where, ec) == kOddSparseBytes;
    case OddKind::kFolder: return link.type() == fs::directory_file && fs::exists(where / "inside.txt", ec);
  }
  return false;
}

}  // namespace vantrel::test
