#include <cstddef>
#include <cstdint>
#include "platform/version.h"
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  volatile size_t n = size ? data[0] : 0;
  (void)n;
  return plat::ProgramVersion().empty();
}
