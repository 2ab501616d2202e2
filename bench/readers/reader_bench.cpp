// Reader throughput in MB/s of file bytes (the "bytes_per_second" column):
// image sets of versions 1 and 2, board sets plain and scrambled, PNG, BMP,
// WAVE and a ProTracker module. Each file is valid and built once; readers
// that take a FILE get it from memory (fmemopen); the board-set reader opens
// its file by path, so that one is read from a temporary folder (the page
// cache after the first run).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <boost/filesystem.hpp>

#include "audio/wave_buffer.h"
#include "core/data_files.h"
#include "core/hash.h"
#include "boardset/boardset.h"
#include "graphics/bitmap.h"
#include "graphics/imageset_writer.h"
#include "platform/picture.h"
#include "platform/seal/seal.h"

namespace fs = boost::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Pixels with some structure, so that compressed formats are neither trivial
// nor incompressible noise.
uint32_t PixelAt(int x, int y, int image) {
  return 0xFF000000u |
         static_cast<uint32_t>(((x * 3 + image) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | (((x ^ y) + image * 7) & 0xFF));
}

// Runs `read` over `bytes` through a FILE in memory; reports bytes per second.
template <typename Read>
void FromMemory(benchmark::State& state, Bytes bytes, Read read) {
  for (auto _ : state) {
    FILE* f = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!f) {
      state.SkipWithError("fmemopen failed");
      return;
    }
    const bool ok = read(f);
    std::fclose(f);
    if (!ok) {
      state.SkipWithError("the reader refused the file");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

constexpr int kImages = 16, kSide = 256;

void BM_ImageSetV1(benchmark::State& state) {
  // Global palette of 256 entries, then 8-bit images of their own palette.
  Bytes b = {'I', 'M', 'S', 'T'};
  Put32(b, 1);
  Put32(b, kImages);
  Put32(b, 256);
  for (int i = 0; i < 256; ++i) Put32(b, static_cast<uint32_t>(i * 0x010203));
  for (int k = 0; k < kImages; ++k) {
    const std::string name = "image" + std::to_string(k);
    Put32(b, static_cast<uint32_t>(name.size() + 1));
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    Put32(b, kSide);
    Put32(b, kSide);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 256);
    for (int i = 0; i < 256; ++i) Put32(b, static_cast<uint32_t>(i * 0x030201));
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) b.push_back(static_cast<uint8_t>(PixelAt(x, y, k)));
  }
  FromMemory(state, std::move(b), [](FILE* f) {
    ImageSet set;
    return set.Load(f) && set.count == kImages;
  });
}

void BM_ImageSetV2(benchmark::State& state) {
  std::vector<Bitmap> images(kImages);
  std::vector<ImageSetWriterEntry> entries;
  for (int k = 0; k < kImages; ++k) {
    images[k].Create(kSide, kSide, 32);
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) images[k].SetPixel(x, y, PixelAt(x, y, k));
    entries.push_back({"image" + std::to_string(k), &images[k]});
  }
  Bytes b;
  if (!BuildImageSet(entries, b)) {
    state.SkipWithError("cannot build the set");
    return;
  }
  FromMemory(state, std::move(b), [](FILE* f) {
    ImageSet set;
    return set.Load(f) && set.count == kImages;
  });
}

// A full set of 128 boards, saved (scrambled) and also stored plain.
void BoardSetBench(benchmark::State& state, bool scrambled) {
  char pattern[] = "/tmp/vantrel-reader-bench-XXXXXX";
  if (!mkdtemp(pattern)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const fs::path dir(pattern);
  const fs::path path = dir / "Boards.bdz";
  {
    auto set = std::make_unique<BoardSet>();
    set->SetBoardCount(BoardSet::kMaxBoards);
    set->title = "Bench";
    set->brickSetPath = "Bricks.img";
    set->backgroundSetPath = "Backgrounds.img";
    for (int b = 0; b < BoardSet::kMaxBoards; ++b)
      for (int c = 0; c < BoardRecord::kCells; ++c) set->boards[b].cells[c] = (b * 7 + c) % 40;
    if (!set->Save(path)) {
      state.SkipWithError("cannot save the set");
      fs::remove_all(dir);
      return;
    }
  }
  if (!scrambled) {
    FILE* f = std::fopen(path.c_str(), "rb");
    Bytes stored;
    for (int c; f && (c = std::fgetc(f)) != EOF;) stored.push_back(static_cast<uint8_t>(c));
    if (f) std::fclose(f);
    uint8_t* plain = nullptr;
    int32_t size = 0;
    if (!UnscrambleBuffer(stored.data(), static_cast<int32_t>(stored.size()), &plain, &size) || !plain) {
      state.SkipWithError("cannot unscramble the set");
      fs::remove_all(dir);
      return;
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out) {
      std::fwrite(plain, 1, static_cast<size_t>(size), out);
      std::fclose(out);
    }
    std::free(plain);
  }
  const auto fileSize = static_cast<int64_t>(fs::file_size(path));
  auto set = std::make_unique<BoardSet>();
  for (auto _ : state) {
    DataFiles files;
    if (!files.Open(path) || !set->Load(files, false, "")) {
      state.SkipWithError("the reader refused the file");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * fileSize);
  fs::remove_all(dir);
}
void BM_BoardSetPlain(benchmark::State& state) { BoardSetBench(state, false); }
void BM_BoardSetScrambled(benchmark::State& state) { BoardSetBench(state, true); }

// Argument 0: smooth gradients, which deflate packs tightly (few file bytes
// per pixel); 1: noise, which it cannot pack (about 4 file bytes a pixel).
void BM_Png(benchmark::State& state) {
  const int w = 1024, h = 768;
  std::vector<uint8_t> rows(static_cast<size_t>(w) * h * 4);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const uint32_t p = state.range(0) ? (seed >> 8) | 0xFF000000u : PixelAt(x, y, 0);
      std::memcpy(&rows[(static_cast<size_t>(y) * w + x) * 4], &p, 4);
    }
  Bytes png;
  std::string error;
  if (!plat::EncodePng(rows.data(), w, h, w * 4, 32, &png, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    plat::Picture picture;
    if (!plat::DecodePicture(png.data(), png.size(), &picture, &error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    benchmark::DoNotOptimize(picture.pixels.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(png.size()));
  state.counters["file_KB"] = static_cast<double>(png.size()) / 1024.0;
  state.counters["Mpix"] = benchmark::Counter(static_cast<double>(w) * h / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Bmp(benchmark::State& state) {
  Bitmap picture;
  picture.Create(1024, 768, 24);
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) picture.SetPixel(x, y, PixelAt(x, y, 1) & 0xFFFFFF);
  char* text = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&text, &size);
  const bool written = f && Bitmap::WriteBmp(f, &picture, nullptr, false);
  if (f) std::fclose(f);
  Bytes b(text, text + size);
  std::free(text);
  if (!written) {
    state.SkipWithError("cannot write the picture");
    return;
  }
  FromMemory(state, std::move(b), [](FILE* in) {
    Bitmap out;
    return Bitmap::LoadBmp(in, &out, nullptr) && out.width == 1024;
  });
}

void BM_Wave(benchmark::State& state) {
  // Ten seconds of 16-bit stereo at 22050 Hz.
  const uint32_t frames = 220500, bytes = frames * 4;
  Bytes b = {'R', 'I', 'F', 'F'};
  Put32(b, 4 + 8 + 16 + 8 + bytes);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(b, 16);
  Put32(b, 1 | 2u << 16);   // PCM, two channels
  Put32(b, 22050);          // frames per second
  Put32(b, 22050 * 4);      // bytes per second
  Put32(b, 4 | 16u << 16);  // block size, bits
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  Put32(b, bytes);
  for (uint32_t i = 0; i < frames; ++i) Put32(b, (i * 37u) & 0x7FFF7FFFu);
  FromMemory(state, std::move(b), [](FILE* f) {
    WaveBuffer wave;
    return wave.LoadFromFile(f) == 1;
  });
}

// 4-channel "M.K." module: 31 samples of 32 KB and 64 patterns.
void BM_Module(benchmark::State& state) {
  const int patterns = 64, sampleWords = 16384;
  Bytes m(20 + 31 * 30 + 2 + 128 + 4, 0);
  std::memcpy(m.data(), "bench song", 10);
  for (int s = 0; s < 31; ++s) {
    uint8_t* d = m.data() + 20 + s * 30;
    std::snprintf(reinterpret_cast<char*>(d), 22, "sample %d", s);
    d[22] = static_cast<uint8_t>(sampleWords >> 8);
    d[23] = static_cast<uint8_t>(sampleWords & 0xFF);
    d[25] = 64;
    d[29] = 1;  // no loop
  }
  uint8_t* song = m.data() + 20 + 31 * 30;
  song[0] = patterns;
  song[1] = 0;
  for (int k = 0; k < patterns; ++k) song[2 + k] = static_cast<uint8_t>(k);
  std::memcpy(song + 130, "M.K.", 4);
  for (int p = 0; p < patterns; ++p) {
    for (int row = 0; row < 64; ++row) {
      for (int ch = 0; ch < 4; ++ch) {
        const int sample = 1 + (p + row + ch) % 31;
        const int period = 214 + (row * 13 + ch * 29) % 600;
        m.push_back(static_cast<uint8_t>((sample & 0xF0) | (period >> 8)));
        m.push_back(static_cast<uint8_t>(period & 0xFF));
        m.push_back(static_cast<uint8_t>((sample & 0x0F) << 4));
        m.push_back(0);
      }
    }
  }
  for (int s = 0; s < 31; ++s)
    for (int k = 0; k < sampleWords * 2; ++k) m.push_back(static_cast<uint8_t>((k * (s + 1)) & 0xFF));
  for (auto _ : state) {
    plat::seal::Module* module = nullptr;
    if (plat::seal::LoadModuleMemory(m.data(), m.size(), &module) != 0 || !module) {
      state.SkipWithError("the reader refused the module");
      return;
    }
    plat::seal::FreeModuleFile(module);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(m.size()));
}

}  // namespace

BENCHMARK(BM_ImageSetV1);
BENCHMARK(BM_ImageSetV2);
BENCHMARK(BM_BoardSetPlain);
BENCHMARK(BM_BoardSetScrambled);
BENCHMARK(BM_Png)->Arg(0)->Arg(1);
BENCHMARK(BM_Bmp);
BENCHMARK(BM_Wave);
BENCHMARK(BM_Module);
