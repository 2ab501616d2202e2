// The settings store's reader on an arbitrary file: reading any name stays
// inside the buffers, and a value written over whatever was read comes back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 16)) return 0;
  static const std::string key = "Software\\Quillmark\\Fuzz";
  static const std::string file = plat::SettingsStore::FilePath(key, false);
  if (file.empty()) return 0;
  {
    // Made by the first Open; then the file is replaced with the input.
    auto first = plat::SettingsStore::Open(key, false);
    if (!first) return 0;
  }
  if (FILE* f = std::fopen(file.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  auto store = plat::SettingsStore::Open(key, false);
  if (!store) return 0;
  static const char* names[] = {"FullScreen", "fullscreen", "", "a", "\\", "=", "X"};
  char small[4];
  char big[300];
  for (const char* name : names) {
    uint32_t v = 0;
    store->ReadDword(name, &v);
    store->ReadString(name, small, sizeof small);
    if (store->ReadString(name, big, sizeof big) && std::memchr(big, 0, sizeof big) == nullptr) std::abort();
  }
  if (store->WriteDword("FullScreen", 0x12345678u)) {
    auto again = plat::SettingsStore::Open(key, false);
    uint32_t v = 0;
    if (!again || !again->ReadDword("FULLSCREEN", &v) || v != 0x12345678u) std::abort();
  }
  return 0;
}
