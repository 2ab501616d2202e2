#pragma once
// The settings store: named values under one key path (for example
// "Software\Quillmark\Vantrel - Orvesse"), each a dword or a string, kept in
// one INI-style file per key path:
//   $XDG_CONFIG_HOME/<key path without "Software", '\' as folders>/registry.ini
// ($XDG_CONFIG_HOME defaults to ~/.config). The file is read once, when the
// store is opened; every write goes to a temporary file in the same folder
// that is renamed over the old one. A damaged or foreign file reads as
// missing values; a file that is there but cannot be read (not a regular
// file, far too large, not readable) reads as no values and every write
// fails, so it is never replaced by a file that holds less. No operation
// prints anything.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace plat {

enum class SettingType : uint32_t { String = 1, Dword = 4 };

class SettingsStore {
 public:
  // Creates or opens the key. Null when its folder cannot be made.
  static std::unique_ptr<SettingsStore> Open(const std::string& keyPath, bool localMachine);
  // The file that holds the values of a key path.
  static std::string FilePath(const std::string& keyPath, bool localMachine);

  // Reads a 4-byte value (any stored type of exactly 4 bytes). false and
  // *out unchanged when missing or of another size.
  bool ReadDword(const std::string& name, uint32_t* out) const;
  // Copies a value's bytes into buffer and terminates it behind them
  // (strings are stored with their terminator). false, buffer unchanged,
  // when missing or when the bytes plus a terminator do not fit.
  bool ReadString(const std::string& name, char* buffer, int size) const;
  bool WriteDword(const std::string& name, uint32_t value);
  // Stores the text's bytes and its terminator.
  bool WriteString(const std::string& name, const char* text);

  // Between BeginUpdate and CommitUpdate, writes change only the values
  // held here, and CommitUpdate writes the file once with all of them, so
  // the file holds either every one of them or none. When that write fails
  // (errno says why) every value is put back as the file holds it and the
  // result is false. Committing with nothing written writes nothing.
  void BeginUpdate();
  bool CommitUpdate();

  struct Value {
    SettingType type = SettingType::String;
    std::string bytes;
  };
  // Value names compare without regard to ASCII letter case, as the
  // programs' stores always have; a name keeps the spelling it was first
  // written with.
  struct NameLess {
    bool operator()(const std::string& a, const std::string& b) const;
  };

 private:
  SettingsStore() = default;
  bool Save() const;
  // Sets one value and writes the file; on a failed write the value is put back.
  bool Put(const std::string& name, const Value& v);
  std::string file_;
  std::string keyPath_;
  std::map<std::string, Value, NameLess> values_;
  // Non-zero (the errno value) when the file is there but could not be
  // read: it then reads as no values and is never written.
  int unreadable_ = 0;
  // While an update runs: the values as the file holds them, and whether
  // anything was written since.
  bool updating_ = false;
  bool changed_ = false;
  std::map<std::string, Value, NameLess> stored_;
};

}  // namespace plat
