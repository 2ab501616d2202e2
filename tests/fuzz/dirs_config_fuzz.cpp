// The dirs.cfg reader on arbitrary bytes: every folder line is a non-empty
// piece of the input without a line end, and together they are no longer
// than the input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  size_t total = 0;
  for (const std::string& line : ParseDirsConfig(bytes)) {
    if (line.empty()) std::abort();
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    if (bytes.find(line) == std::string::npos) std::abort();
    total += line.size();
  }
  if (total > size) std::abort();
  return 0;
}
