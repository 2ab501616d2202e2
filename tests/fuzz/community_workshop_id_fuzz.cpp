// The "steamid.txt" reader on arbitrary bytes: the text parser directly, and
// the file reader over the same bytes written into a temporary folder.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <boost/filesystem.hpp>

#include "community/workshop_id.h"

namespace fs = boost::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  uint64_t id = 0;
  const bool parsed = ParseWorkshopIdText(text, size, id);
  if (parsed && id == 0) std::abort();  // 0 is never a valid id

  static const fs::path folder = [] {
    fs::path dir = fs::temp_directory_path() / fs::unique_path("steamid-fuzz-%%%%%%%%");
    fs::create_directories(dir);
    return dir;
  }();
  FILE* file = std::fopen((folder / kWorkshopIdFileName).c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  uint64_t fromFile = 0;
  const WorkshopIdFileRead read = ReadWorkshopIdFile(folder, fromFile);
  if (size <= kWorkshopIdFileMaxSize) {
    if ((read == WorkshopIdFileRead::kOk) != parsed) std::abort();
    if (parsed && fromFile != id) std::abort();
  } else if (read == WorkshopIdFileRead::kOk) {
    std::abort();
  }
  // A written id always reads back.
  if (parsed) {
    const std::string again = FormatWorkshopIdText(id);
    uint64_t back = 0;
    if (!ParseWorkshopIdText(again.data(), again.size(), back) || back != id) std::abort();
  }
  return 0;
}
