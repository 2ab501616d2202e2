#pragma once
// Reading the local community service's call log in tests.
#include <string>

#include "platform/steam/fake.h"

namespace vantrel::test {

// How many calls in the service's call log start with prefix.
inline int CountCalls(const char* prefix) {
  int count = 0;
  for (const std::string& line : plat::steam::fake::CallLog()) {
    if (line.rfind(prefix, 0) == 0) ++count;
  }
  return count;
}

}  // namespace vantrel::test
