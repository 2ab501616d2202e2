#pragma once
// Files that are not what a reader expects to find under a file's name: a
// named pipe, a link to an endless device, a huge sparse file and a folder.
// Every reader of the programs is driven through the same table, so that one
// that trusts the name (waits on the pipe, reads the device or the hole to
// the end) fails its test instead of hanging it or taking the machine's
// memory.
#include <boost/filesystem.hpp>

#include <atomic>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace vantrel::test {

// A named pipe that no test can hang on. A thread waits to open its write
// end; a reader that opens the pipe is let through at once (and then reads
// an empty pipe), and is counted. At the end the thread is released by a
// reader of the guard's own, which finds the pipe wherever it has been
// moved to (a program may keep it aside under another name).
class PipeGuard {
 public:
  explicit PipeGuard(const boost::filesystem::path& path);
  ~PipeGuard();
  PipeGuard(const PipeGuard&) = delete;
  PipeGuard& operator=(const PipeGuard&) = delete;

  bool Made() const { return made_; }
  // How many opens of the pipe got through: 0 while every reader refuses it
  // without opening it.
  int Opens() const { return opens_; }
  const boost::filesystem::path& Path() const { return path_; }

 private:
  void Serve();
  // A name that opens the pipe itself.
  std::string PipeName() const;

  boost::filesystem::path path_;
  bool made_ = false;
  int node_ = -1;  // the pipe itself (O_PATH), whatever its name becomes
  std::atomic<bool> finishing_{false};
  std::atomic<int> opens_{0};
  std::thread thread_;
};

// While it lives, the test program ends at once (with a message naming the
// growth) when its resident memory grows by more than limitBytes over what
// it was when the guard was made: a reader that takes an endless device or a
// huge hole in a file into memory fails instead of exhausting the machine.
class MemoryGuard {
 public:
  explicit MemoryGuard(uint64_t limitBytes = 512ull << 20);
  ~MemoryGuard();
  MemoryGuard(const MemoryGuard&) = delete;
  MemoryGuard& operator=(const MemoryGuard&) = delete;

 private:
  uint64_t start_ = 0, limit_ = 0;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

enum class OddKind {
  kPipe,        // a named pipe nobody writes to
  kZeroDevice,  // a link to /dev/zero
  kSparse,      // a regular file of kOddSparseBytes, all of it a hole
  kFolder,      // a folder (holding one small file)
};

// The size of the sparse file: far beyond any file the programs read, and
// beyond what MemoryGuard lets a reader take in.
constexpr uintmax_t kOddSparseBytes = 1ull << 30;

struct OddFileCase {
  const char* name;
  OddKind kind;
};
void PrintTo(const OddFileCase& c, std::ostream* os);

// The table: one row per kind.
const std::vector<OddFileCase>& OddFileCases();
// The row's name as a test name takes it: letters and digits only
// ("linktodevzero"), for INSTANTIATE_TEST_SUITE_P.
std::string OddFileCaseId(const OddFileCase& c);

// One odd file planted at path (its folder is made), and what it needs to
// stay harmless while the test runs: the pipe's guard and a memory guard.
class OddFile {
 public:
  OddFile(OddKind kind, const boost::filesystem::path& path);
  ~OddFile();
  OddFile(const OddFile&) = delete;
  OddFile& operator=(const OddFile&) = delete;

  const boost::filesystem::path& Path() const { return path_; }
  OddKind Kind() const { return kind_; }
  // Opens of the pipe that got through (always 0 for the other kinds).
  int PipeOpens() const { return pipe_ ? pipe_->Opens() : 0; }
  // Whether the file is still there as it was planted.
  bool Intact() const { return IntactAt(path_); }
  // Whether what is at `where` is the file as it was planted: it has been
  // moved there whole (kept aside under another name, say).
  bool IntactAt(const boost::filesystem::path& where) const;

 private:
  OddKind kind_;
  boost::filesystem::path path_;
  std::unique_ptr<PipeGuard> pipe_;
  std::unique_ptr<MemoryGuard> memory_;
};

}  // namespace vantrel::test
