#include "core/registry_settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/cstr.h"

namespace {
void CopyText(char* dst, size_t size, const char* src) { std::snprintf(dst, size, "%s", src); }
}  // namespace

RegistrySettings::RegistrySettings(const char* maker, const char* product, int32_t localMachine)
    : useLocalMachine(localMachine) {
  CopyText(keyPath, sizeof keyPath, "Software");
  if (maker) {
    std::strncat(keyPath, "\\", sizeof keyPath - std::strlen(keyPath) - 1);
    std::strncat(keyPath, maker, sizeof keyPath - std::strlen(keyPath) - 1);
  }
  if (product) {
    std::strncat(keyPath, "\\", sizeof keyPath - std::strlen(keyPath) - 1);
    std::strncat(keyPath, product, sizeof keyPath - std::strlen(keyPath) - 1);
  }
  valuePrefix[0] = '\0';
}

RegistrySettings::~RegistrySettings() = default;

int32_t RegistrySettings::SetValuePrefix(const char* text) {
  if (text && std::strlen(text) < 1000) {
    CopyText(valuePrefix, sizeof valuePrefix, text);
    return 1;
  }
  valuePrefix[0] = '\0';
  return 0;
}

int32_t RegistrySettings::OpenKey() {
  if (inBatch && key) return 1;
  key.reset();
  key = plat::SettingsStore::Open(keyPath, useLocalMachine != 0);
  if (key && inBatch) key->BeginUpdate();
  return key ? 1 : 0;
}

int32_t RegistrySettings::CloseKey() {
  if (!key) return 0;
  if (!inBatch) key.reset();
  return 1;
}

int32_t RegistrySettings::BeginBatch() {
  if (inBatch) return key ? 1 : 0;
  inBatch = 1;
  return OpenKey();
}

int32_t RegistrySettings::EndBatch() {
  if (!inBatch) return 0;
  inBatch = 0;
  if (!key) return 0;
  const bool stored = key->CommitUpdate();
  const int error = errno;
  key.reset();
  errno = error;
  return stored ? 1 : 0;
}

int32_t RegistrySettings::ReadInt(const char* name, int32_t* value) {
  if (!name || !value || !OpenKey()) return 0;
  uint32_t v = 0;
  if (!key->ReadDword(std::string(valuePrefix) + name, &v)) {
    CloseKey();
    return 0;
  }
  *value = int32_t(v);
  return CloseKey();
}

int32_t RegistrySettings::ReadString(const char* name, char* buffer, int32_t size) {
  if (!name || !buffer || size <= 0 || !OpenKey()) return 0;
  if (!key->ReadString(std::string(valuePrefix) + name, buffer, size)) {
    CloseKey();
    return 0;
  }
  return CloseKey();
}

int32_t RegistrySettings::ReadString(const char* name, CStr& value) {
  char buffer[1024];
  if (!ReadString(name, buffer, sizeof buffer)) return 0;
  value.Assign(buffer);
  return 1;
}

int32_t RegistrySettings::WriteInt(const char* name, int32_t value) {
  if (!name || !OpenKey()) return 0;
  if (!key->WriteDword(std::string(valuePrefix) + name, uint32_t(value))) {
    CloseKey();
    return 0;
  }
  return CloseKey();
}

int32_t RegistrySettings::WriteString(const char* name, const char* text) {
  if (!name || !text || !OpenKey()) return 0;
  if (!key->WriteString(std::string(valuePrefix) + name, text)) {
    CloseKey();
    return 0;
  }
  return CloseKey();
}

namespace {
// prefix + letter, assembled as in a 256-character buffer (a prefix of at
// most 254 characters is kept whole).
std::string PlacementName(const char* prefix, char letter) {
  std::string name(prefix, strnlen(prefix, 254));
  name += letter;
  return name;
}

// One placement's values are read and written in a batch of their own,
// unless the caller already runs one: the file is read once, and written
// once with all of them.
class PlacementBatch {
 public:
  explicit PlacementBatch(RegistrySettings& settings) : settings_(settings), own_(!settings.inBatch) {
    if (own_) settings_.BeginBatch();
  }
  ~PlacementBatch() {
    if (own_) settings_.EndBatch();
  }
  PlacementBatch(const PlacementBatch&) = delete;
  PlacementBatch& operator=(const PlacementBatch&) = delete;

 private:
  RegistrySettings& settings_;
  bool own_;
};
}  // namespace

int32_t RegistrySettings::RestoreWindow(plat::WindowPlacement* window, const char* prefix, bool withSize,
                                        bool withShowState) {
  if (!window || !prefix) return 0;
  PlacementBatch batch(*this);
  if (!OpenKey()) return 0;
  CloseKey();
  int32_t x = 0, y = 0, w = 0, h = 0, s = 0;
  bool havePosition = false, haveSize = false, haveShow = false;
  if (ReadInt(PlacementName(prefix, 'X').c_str(), &x))
    havePosition = ReadInt(PlacementName(prefix, 'Y').c_str(), &y) != 0;
  if (withSize && ReadInt(PlacementName(prefix, 'W').c_str(), &w))
    haveSize = ReadInt(PlacementName(prefix, 'H').c_str(), &h) != 0;
  if (withShowState) haveShow = ReadInt(PlacementName(prefix, 'S').c_str(), &s) != 0;

  if (havePosition) {
    int32_t width = w, height = h;
    if (!haveSize) {
      plat::WindowRect r = window->OuterRect();
      width = r.right - r.left;
      height = r.bottom - r.top;
    }
    int32_t halfWidth = width / 2;
    int32_t halfHeight = height / 2;
    int32_t top = y < -8 ? -8 : y;
    if (top >= window->ScreenHeight() - halfHeight) top = window->ScreenHeight() - halfHeight;
    int32_t left = x < -8 ? -8 : x;
    if (left >= window->ScreenWidth() - halfWidth) left = window->ScreenWidth() - halfWidth;
    window->MoveOuter(left, top, width, height, true);
  }
  if (withShowState) {
    if (!haveShow || s == 0) {
      window->ShowNormal();
    } else if (s == 1) {
      window->ShowMaximised();
    }
  }
  return (havePosition || haveSize || haveShow) ? 1 : 0;
}

int32_t RegistrySettings::SaveWindow(plat::WindowPlacement* window, const char* prefix, bool withSize,
                                     bool withShowState) {
  if (!window || !prefix) return 0;
  PlacementBatch batch(*this);
  if (!OpenKey()) return 0;
  CloseKey();
  plat::WindowRect r = window->OuterRect();
  WriteInt(PlacementName(prefix, 'X').c_str(), r.left);
  WriteInt(PlacementName(prefix, 'Y').c_str(), r.top);
  if (withSize) {
    WriteInt(PlacementName(prefix, 'W').c_str(), r.right > r.left ? r.right - r.left : r.left - r.right);
    WriteInt(PlacementName(prefix, 'H').c_str(), r.bottom > r.top ? r.bottom - r.top : r.top - r.bottom);
  }
  if (withShowState) WriteInt(PlacementName(prefix, 'S').c_str(), window->IsMaximised() ? 1 : 0);
  return 1;
}
