#include "community/workshop_id.h"

#include <cstdio>
#include <vector>

#include "platform/files.h"

namespace {
bool IsScanSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
}  // namespace

bool ParseWorkshopIdText(const char* data, size_t size, uint64_t& id) {
  if (data == nullptr) return false;
  size_t at = 0;
  while (at < size && IsScanSpace(data[at])) ++at;
  // A minus sign would wrap around to a huge id: refused.
  if (at < size && data[at] == '+') ++at;
  uint64_t value = 0;
  size_t digits = 0;
  for (; at < size && data[at] >= '0' && data[at] <= '9'; ++at, ++digits) {
    const uint64_t digit = static_cast<uint64_t>(data[at] - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;  // does not fit 64 bits
    value = value * 10 + digit;
  }
  if (digits == 0 || value == 0) return false;
  id = value;
  return true;
}

std::string FormatWorkshopIdText(uint64_t id) {
  char number[24];
  std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(id));
  // CR LF written out, as the file has always had it on disk.
  return std::string(number) + "\r\nDo not modify or delete this file.";
}

WorkshopIdFileRead ReadWorkshopIdFile(const boost::filesystem::path& folder, uint64_t& id) {
  const boost::filesystem::path path = folder / kWorkshopIdFileName;
  FILE* file = plat::OpenFile(path, "rb");
  if (file == nullptr) return WorkshopIdFileRead::kMissing;
  // One byte more than allowed tells a file that is too large.
  std::vector<char> text(kWorkshopIdFileMaxSize + 1);
  const size_t got = std::fread(text.data(), 1, text.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) return WorkshopIdFileRead::kMissing;
  if (got > kWorkshopIdFileMaxSize) return WorkshopIdFileRead::kCorrupted;
  if (!ParseWorkshopIdText(text.data(), got, id)) return WorkshopIdFileRead::kCorrupted;
  return WorkshopIdFileRead::kOk;
}

bool WriteWorkshopIdFile(const boost::filesystem::path& folder, uint64_t id) {
  const std::string text = FormatWorkshopIdText(id);
  return plat::WriteFileAtomic(folder / kWorkshopIdFileName, text.data(), text.size());
}
