#pragma once
// RegistrySettings: a program's user settings as named values under one key
// path ("Software\<maker>\<product>"), and its windows' placement. Each
// value operation opens the key and closes it again, unless a batch holds it
// open; every failure is silent and leaves the caller's variable unchanged.
#include <cstdint>
#include <memory>

#include "platform/settings.h"
#include "platform/window_placement.h"

class CStr;

class RegistrySettings {
 public:
  char keyPath[1024];
  char valuePrefix[1024];
  std::unique_ptr<plat::SettingsStore> key;  // open only during one operation or batch
  int32_t useLocalMachine = 0;
  int32_t inBatch = 0;  // between BeginBatch and EndBatch

  RegistrySettings(const char* maker, const char* product, int32_t useLocalMachine);
  ~RegistrySettings();

  int32_t SetValuePrefix(const char* text);
  int32_t OpenKey();
  int32_t CloseKey();

  int32_t ReadInt(const char* name, int32_t* value);
  int32_t ReadString(const char* name, char* buffer, int32_t size);
  int32_t ReadString(const char* name, CStr& value);
  int32_t WriteInt(const char* name, int32_t value);
  int32_t WriteString(const char* name, const char* text);

  // A batch keeps the key open from BeginBatch to EndBatch: its reads use
  // the values read once when it began, and its writes are stored together
  // by EndBatch in one write of the file, so either all of them are kept or
  // none. EndBatch gives 0 when that write failed (errno says why) or the key
  // could not be opened. Operations outside a batch work as before.
  int32_t BeginBatch();
  int32_t EndBatch();

  // Moves the window to the stored position (prefix + "X"/"Y"), kept at
  // least -8 and with half the window on screen; optionally the size
  // (prefix + "W"/"H") and show state (prefix + "S").
  int32_t RestoreWindow(plat::WindowPlacement* window, const char* prefix, bool withSize, bool withShowState);
  int32_t SaveWindow(plat::WindowPlacement* window, const char* prefix, bool withSize, bool withShowState);
};
