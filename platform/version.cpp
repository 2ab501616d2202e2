#include "platform/version.h"

#include "platform/version_string.h"

namespace plat {
std::string ProgramVersion() { return VANTREL_VERSION_STRING; }
}  // namespace plat
