#include "platform/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

#include "platform/files.h"

namespace plat {
namespace {

// Far more than the values of any program's key take (each line is a name
// and a value of at most a few kilobytes, escaped).
constexpr size_t kMaxSettingsFileBytes = size_t{16} << 20;

// File layout: a comment line, then one value per line:
//   "name"=dword:0000002a
//   "name"=sz:"text"
// Names and texts are written with \\, \" and \xHH escapes, so the file is
// plain ASCII whatever bytes the values hold.
void Escape(std::string& out, const std::string& bytes) {
  static const char hex[] = "0123456789abcdef";
  out += '"';
  for (unsigned char c : bytes) {
    if (c == '\\' || c == '"') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20 || c >= 0x7F) {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += char(c);
    }
  }
  out += '"';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted, escaped text at line[pos]; pos moves behind it.
bool Unescape(const std::string& line, size_t& pos, std::string& out) {
  out.clear();
  if (pos >= line.size() || line[pos] != '"') return false;
  ++pos;
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) return false;
    char e = line[pos++];
    if (e == '\\' || e == '"') {
      out += e;
    } else if (e == 'x') {
      if (pos + 2 > line.size()) return false;
      int hi = HexDigit(line[pos]), lo = HexDigit(line[pos + 1]);
      if (hi < 0 || lo < 0) return false;
      out += char(hi * 16 + lo);
      pos += 2;
    } else {
      return false;
    }
  }
  return false;
}

bool ParseLine(const std::string& line, std::string& name, SettingsStore::Value& value) {
  size_t pos = 0;
  if (!Unescape(line, pos, name)) return false;
  if (line.compare(pos, 1, "=") != 0) return false;
  ++pos;
  if (line.compare(pos, 6, "dword:") == 0) {
    pos += 6;
    if (line.size() - pos != 8) return false;
    uint32_t v = 0;
    for (size_t i = pos; i < line.size(); ++i) {
      int d = HexDigit(line[i]);
      if (d < 0) return false;
      v = v * 16 + uint32_t(d);
    }
    value.type = SettingType::Dword;
    value.bytes.assign(reinterpret_cast<const char*>(&v), 4);
    return true;
  }
  if (line.compare(pos, 3, "sz:") == 0) {
    pos += 3;
    std::string text;
    if (!Unescape(line, pos, text) || pos != line.size()) return false;
    value.type = SettingType::String;
    value.bytes = text;
    value.bytes += '\0';
    return true;
  }
  return false;
}

std::string ConfigRoot() {
  const char* v = std::getenv("XDG_CONFIG_HOME");
  if (v && v[0] == '/') return v;
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config";
  return std::string();
}

}  // namespace

bool SettingsStore::NameLess::operator()(const std::string& a, const std::string& b) const {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = (unsigned char)a[i], cb = (unsigned char)b[i];
    if (ca >= 'A' && ca <= 'Z') ca = (unsigned char)(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = (unsigned char)(cb - 'A' + 'a');
    if (ca != cb) return ca < cb;
  }
  return a.size() < b.size();
}

std::string SettingsStore::FilePath(const std::string& keyPath, bool localMachine) {
  std::string root = ConfigRoot();
  if (root.empty()) return std::string();
  std::vector<std::string> parts;
  std::string part;
  for (size_t i = 0; i <= keyPath.size(); ++i) {
    char c = i < keyPath.size() ? keyPath[i] : '\\';
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!parts.empty() && strcasecmp(parts[0].c_str(), "Software") == 0) parts.erase(parts.begin());
  if (parts.empty()) parts.push_back("Software");
  std::string path = root;
  for (auto& p : parts) {
    if (p == "." || p == "..") p = "_";
    path += "/" + p;
  }
  path += localMachine ? "/registry-machine.ini" : "/registry.ini";
  return path;
}

std::unique_ptr<SettingsStore> SettingsStore::Open(const std::string& keyPath, bool localMachine) {
  std::string file = FilePath(keyPath, localMachine);
  if (file.empty()) return nullptr;
  if (!MakeDirs(boost::filesystem::path(file).parent_path())) return nullptr;
  std::unique_ptr<SettingsStore> store(new SettingsStore());
  store->file_ = file;
  store->keyPath_ = keyPath;
  // Only a regular file (or a link to one) is read, without waiting. One
  // that is there but cannot be read (a pipe, a device, a folder, a file far
  // larger than any settings, one the user may not read) reads as no
  // settings and is never written over: what it holds, or what it stands
  // for, is kept, and every write fails with the reason it could not be read.
  std::string text;
  int error = 0;
  const ReadFileResult read = ReadWholeFile(file, text, kMaxSettingsFileBytes, &error);
  if (read != ReadFileResult::kRead && read != ReadFileResult::kMissing) store->unreadable_ = error ? error : EIO;
  for (size_t pos = 0; pos < text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string name;
    Value value;
    if (ParseLine(line, name, value)) store->values_[name] = value;
  }
  return store;
}

bool SettingsStore::ReadDword(const std::string& name, uint32_t* out) const {
  auto it = values_.find(name);
  if (!out || it == values_.end() || it->second.bytes.size() != 4) return false;
  std::memcpy(out, it->second.bytes.data(), 4);
  return true;
}

bool SettingsStore::ReadString(const std::string& name, char* buffer, int size) const {
  auto it = values_.find(name);
  if (!buffer || size <= 0 || it == values_.end()) return false;
  const std::string& b = it->second.bytes;
  // The bytes must fit, and the text must end inside the buffer: either a
  // terminator follows the bytes or the bytes end in one.
  if (b.size() > size_t(size)) return false;
  if (b.size() == size_t(size) && (b.empty() || b.back() != '\0')) return false;
  std::memcpy(buffer, b.data(), b.size());
  if (b.size() < size_t(size)) buffer[b.size()] = '\0';
  return true;
}

void SettingsStore::BeginUpdate() {
  if (updating_) return;
  updating_ = true;
  changed_ = false;
  stored_ = values_;
}

bool SettingsStore::CommitUpdate() {
  if (!updating_) return true;
  updating_ = false;
  const bool changed = changed_;
  changed_ = false;
  if (!changed || Save()) {
    stored_.clear();
    return true;
  }
  const int error = errno;
  values_.swap(stored_);
  stored_.clear();
  errno = error;
  return false;
}

bool SettingsStore::Put(const std::string& name, const Value& v) {
  if (updating_) {
    values_[name] = v;
    changed_ = true;
    return true;
  }
  Value old;
  auto it = values_.find(name);
  bool had = it != values_.end();
  if (had) old = it->second;
  values_[name] = v;
  if (Save()) return true;
  // The file was not written: keep the store as it is on disk.
  const int error = errno;
  if (had)
    values_[name] = old;
  else
    values_.erase(name);
  errno = error;
  return false;
}

bool SettingsStore::WriteDword(const std::string& name, uint32_t value) {
  Value v;
  v.type = SettingType::Dword;
  v.bytes.assign(reinterpret_cast<const char*>(&value), 4);
  return Put(name, v);
}

bool SettingsStore::WriteString(const std::string& name, const char* text) {
  if (!text) return false;
  Value v;
  v.type = SettingType::String;
  v.bytes = text;
  v.bytes += '\0';
  return Put(name, v);
}

bool SettingsStore::Save() const {
  if (unreadable_) {
    errno = unreadable_;
    return false;
  }
  std::string out = "; settings of ";
  for (unsigned char c : keyPath_) out += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
  out += '\n';
  for (const auto& [name, value] : values_) {
    Escape(out, name);
    out += '=';
    if (value.type == SettingType::Dword && value.bytes.size() == 4) {
      uint32_t v;
      std::memcpy(&v, value.bytes.data(), 4);
      char buf[16];
      std::snprintf(buf, sizeof buf, "dword:%08x", v);
      out += buf;
    } else {
      std::string text = value.bytes;
      if (!text.empty() && text.back() == '\0') text.pop_back();
      out += "sz:";
      Escape(out, text);
    }
    out += '\n';
  }
  return WriteFileAtomic(boost::filesystem::path(file_), out.data(), out.size());
}

}  // namespace plat
