// Board-set reader: any bytes either load or raise the reader's error; no
// crash, no read outside the buffer, no leak of the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/data_files.h"
#include "boardset/boardset.h"

namespace {

// One scratch file per process, removed at exit.
struct Scratch {
  std::string path = "/tmp/boardset_load_fuzz_" + std::to_string(getpid()) + ".bdz";
  ~Scratch() { std::remove(path.c_str()); }
};

const std::string& ScratchPath() {
  static Scratch scratch;
  return scratch.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(ScratchPath().c_str(), "wb");
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);

  static DataFiles files;
  static auto set = std::make_unique<BoardSet>();
  static auto header = std::make_unique<BoardSet>();
  if (!files.Open(ScratchPath())) return 0;
  bool checkPassword = size > 0 && (data[size - 1] & 1);
  std::string loadError = "none";
  try {
    if (set->Load(files, checkPassword, "pw")) {
      loadError.clear();
      // Whatever loaded must be usable.
      set->SetCurrentBoard(set->boardCount - 1);
      set->CountBreakableBricks();
      set->ShiftBoard(1, -1);
      (void)set->GetAchievementName();
      (void)set->IsLocked();
    }
  } catch (const std::runtime_error& e) {
    loadError = e.what();
  }
  // The list's header read answers as Load does without a password.
  if (!checkPassword) {
    std::string headerError = "none";
    try {
      if (header->LoadHeader(files)) headerError.clear();
    } catch (const std::runtime_error& e) {
      headerError = e.what();
    }
    if (headerError != loadError) std::abort();
    if (loadError.empty() && (header->title != set->title || header->notes != set->notes ||
                              header->boardCount != set->boardCount || header->checksumText != set->checksumText))
      std::abort();
  }
  files.Close();
  return 0;
}
