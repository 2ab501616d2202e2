// Memory the readers of exchanged files take against the size of the file:
// image sets of N empty records (20 bytes each, the most images a file's
// bytes can claim), and the board-set list's read (BoardSet::LoadHeader) of
// sets padded with zeros to a size, their checksum right. Each row gives
// file_MB, peak_MB (the most memory from operator new held at once during
// one read; the image names' small blocks come from calloc and are not in
// it) and loaded (1 when the reader took the file). Every operator new of
// this program is counted, so its timings are not those of reader_bench.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "core/data_files.h"
#include "core/hash.h"
#include "boardset/boardset.h"
#include "graphics/imageset.h"

// The replacements below pair malloc with free, which the compiler cannot
// see once it inlines them into code that pairs new with delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};

}  // namespace

void* operator new(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  const int64_t live = liveBytes += static_cast<int64_t>(malloc_usable_size(p));
  int64_t peak = peakBytes.load();
  while (live > peak && !peakBytes.compare_exchange_weak(peak, live)) {
  }
  return p;
}

void operator delete(void* p) noexcept {
  if (!p) return;
  liveBytes -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}

void operator delete(void* p, size_t) noexcept { operator delete(p); }

namespace {

namespace fs = boost::filesystem;
using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The most memory held at once over one call of `read`, in MB, beyond what
// was held before it.
template <typename Read>
double PeakMb(Read read) {
  const int64_t before = liveBytes.load();
  peakBytes = before;
  read();
  return static_cast<double>(peakBytes.load() - before) / 1e6;
}

void BM_ImageSetEmptyRecords(benchmark::State& state) {
  const int32_t n = static_cast<int32_t>(state.range(0));
  Bytes b = {'I', 'M', 'S', 'T'};
  Put32(b, 2);
  Put32(b, static_cast<uint32_t>(n));
  b.resize(b.size() + static_cast<size_t>(n) * 20, 0);
  bool loaded = false;
  auto read = [&] {
    FILE* f = fmemopen(b.data(), b.size(), "rb");
    ImageSet set;
    loaded = f && set.Load(f);
    if (f) std::fclose(f);
  };
  state.counters["peak_MB"] = PeakMb(read);
  for (auto _ : state) read();
  state.counters["file_MB"] = static_cast<double>(b.size()) / 1e6;
  state.counters["loaded"] = loaded ? 1 : 0;
  state.counters["budget_MB"] = static_cast<double>(ImageSetMemoryBudget(static_cast<int64_t>(b.size()))) / 1e6;
}

// A plain set of one board padded with zeros to `size` bytes (a hole in the
// file), its checksum right.
bool WritePaddedSet(const fs::path& path, int64_t size) {
  Bytes b = {'B', 'D', 'S', 'T'};
  Put32(b, 7);
  Put32(b, 1);   // boards
  Put32(b, 20);  // columns
  auto putString = [&](const std::string& t) {
    Put32(b, static_cast<uint32_t>(t.size()));
    b.insert(b.end(), t.begin(), t.end());
  };
  putString("");  // reserved
  putString("");  // salt
  Put32(b, 0);    // lock word
  putString("Bricks.img");
  Put32(b, 0);  // signature
  putString("Backgrounds.img");
  putString("Padded");
  putString("Bench");
  putString("");
  putString("");
  Put32(b, 0);  // sort order
  b.resize(b.size() + 4 * 521, 0);
  const int64_t hashed = size - 4;
  uint32_t h = HashSeed(static_cast<uint32_t>(hashed));
  int32_t k = 0;
  HashAddBytes(h, b.data(), static_cast<int32_t>(b.size()), k);
  const Bytes zeros(1 << 20, 0);
  for (int64_t at = static_cast<int64_t>(b.size()); at < hashed;) {
    const int32_t take = static_cast<int32_t>(std::min<int64_t>(hashed - at, static_cast<int64_t>(zeros.size())));
    HashAddBytes(h, zeros.data(), take, k);
    at += take;
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  std::fwrite(b.data(), 1, b.size(), out);
  std::fclose(out);
  fs::resize_file(path, static_cast<uintmax_t>(hashed));
  out = std::fopen(path.c_str(), "r+b");
  if (!out) return false;
  const uint8_t word[4] = {uint8_t(h), uint8_t(h >> 8), uint8_t(h >> 16), uint8_t(h >> 24)};
  std::fseek(out, static_cast<long>(hashed), SEEK_SET);
  const bool ok = std::fwrite(word, 1, 4, out) == 4;
  return std::fclose(out) == 0 && ok;
}

// Argument: the size in MB; 0 is 260 KB, the size of a full set.
void BM_BoardSetListEntry(benchmark::State& state) {
  char pattern[] = "/tmp/vantrel-reader-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const fs::path dir(pattern);
  const fs::path path = dir / "Padded.bdz";
  const int64_t size = state.range(0) ? state.range(0) << 20 : 260 << 10;
  if (!WritePaddedSet(path, size)) {
    state.SkipWithError("cannot write the set");
    fs::remove_all(dir);
    return;
  }
  auto set = std::make_unique<BoardSet>();
  bool loaded = false;
  auto read = [&] {
    DataFiles files;
    loaded = false;
    try {
      loaded = files.Open(path) && set->LoadHeader(files);
    } catch (const std::exception&) {
    }
  };
  state.counters["peak_MB"] = PeakMb(read);
  for (auto _ : state) read();
  state.counters["file_MB"] = static_cast<double>(size) / 1e6;
  state.counters["loaded"] = loaded ? 1 : 0;
  fs::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_ImageSetEmptyRecords)->Arg(1000)->Arg(3000)->Arg(10000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_BoardSetListEntry)->Arg(0)->Arg(1)->Arg(16)->Arg(17)->Arg(500);
