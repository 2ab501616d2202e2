#pragma once
#include <string>

namespace plat {
// The program's own version text, compiled in from the project version.
// Empty when none was set; callers show their own fallback then.
std::string ProgramVersion();
}  // namespace plat
