#include "platform/random.h"

namespace plat {
namespace {
uint32_t state = 1;  // the runtime generator starts as if seeded with 1
}

void Srand(uint32_t seed) { state = seed; }

int Rand() {
  state = state * 214013u + 2531011u;
  return int((state >> 16) & 0x7FFF);
}

}  // namespace plat
