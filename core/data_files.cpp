#include "core/data_files.h"

#include <cstring>
#include <string>

#include "core/log.h"
#include "platform/files.h"

namespace fs = boost::filesystem;

namespace {

// A depth-first walk like the filesystem library's recursive iterator: each
// entry is visited before the contents of the folder it names; links are
// not followed. visit returns true to stop the walk; Walk then returns true.
// A folder that cannot be read (the start or any folder below it) is left
// out after a debug line with the error text, and the walk goes on with the
// entries after it, so one unreadable folder hides nothing else.
template <class Visit>
bool Walk(const fs::path& folder, bool recursive, Visit&& visit) {
  std::vector<plat::FolderEntry> entries;
  std::string error;
  if (!plat::ListFolder(folder, entries, &error)) {
    DebugPrint(error);
    return false;
  }
  for (const auto& e : entries) {
    fs::path p = folder / e.name;
    if (visit(p, e)) return true;
    if (recursive && e.isDirectory && !e.isLink && Walk(p, true, visit)) return true;
  }
  return false;
}

// The extension as the lists compare it: from the last '.' on, dot included.
std::string ExtensionOf(const std::string& name) {
  if (name == "." || name == "..") return std::string();
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace

DataFiles::DataFiles() { searchDirs.push_back(plat::CurrentFolder()); }

DataFiles::~DataFiles() {
  Close();
  searchDirs.clear();
}

fs::path DataFiles::FindFile(const fs::path& name, bool recursive, bool lastFolderFirst) {
  // The name comes from stored text ('\' a separator); the folders and what
  // the walks find are used as they stand. A name that would lead out of the
  // folder it is joined to (a root, or "..") names nothing.
  const fs::path local = plat::ToPath(name.string());
  if (!plat::StaysInside(local)) return fs::path();
  const size_t n = searchDirs.size();
  for (size_t step = 0; step < n; ++step) {
    const fs::path& folder = searchDirs[lastFolderFirst ? n - 1 - step : step];
    if (!recursive) {
      fs::path candidate = folder / local;
      boost::system::error_code ec;
      fs::file_status st = fs::status(candidate, ec);
      if (!ec && fs::exists(st)) return candidate;
      continue;
    }
    // A name of several elements is never a file name.
    if (std::distance(local.begin(), local.end()) != 1) continue;
    const std::string wanted = local.string();
    fs::path found;
    if (Walk(folder, true, [&](const fs::path& p, const plat::FolderEntry& e) {
          if (e.name != wanted) return false;
          found = p;
          return true;
        }))
      return found;
  }
  return local;
}

FILE* DataFiles::Open(const fs::path& path) {
  Close();
  current = plat::OpenFile(path, "rb");
  if (current) currentPath_ = path;
  return current;
}

void DataFiles::Close() {
  if (current) std::fclose(current);
  current = nullptr;
  currentPath_.clear();
}

uint8_t DataFiles::ReadByte() {
  if (!current) return 0;
  int c = std::fgetc(current);
  return c == EOF ? 0 : uint8_t(c);
}

int32_t DataFiles::ReadInt32() {
  if (!current) return 0;
  uint8_t b[4] = {0, 0, 0, 0};
  if (std::fread(b, 1, 4, current) == 0) return 0;
  return int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24));
}

size_t DataFiles::Read(void* destination, size_t elementSize, size_t count) {
  if (!current || !destination) return 0;
  return std::fread(destination, elementSize, count, current);
}

int DataFiles::Seek(int32_t offset, int origin) {
  if (!current) return 0;
  return std::fseek(current, long(offset), origin);
}

int32_t DataFiles::Tell() {
  if (!current) return 0;
  return int32_t(std::ftell(current));
}

uint32_t DataFiles::FileSize() {
  if (!current) return 0;
  long pos = std::ftell(current);
  if (pos < 0 || std::fseek(current, 0, SEEK_END) != 0) return 0;
  long size = std::ftell(current);
  std::fseek(current, pos, SEEK_SET);
  return size < 0 ? 0 : uint32_t(size);
}

std::vector<fs::path> DataFiles::ListDir(const fs::path& folder, const fs::path& extension, bool recursive) {
  std::vector<fs::path> result;
  const std::string wanted = extension.string();
  Walk(folder, recursive, [&](const fs::path& p, const plat::FolderEntry& e) {
    if (ExtensionOf(e.name) == wanted) result.push_back(p);
    return false;
  });
  return result;
}

std::vector<fs::path> DataFiles::ListAll(const fs::path& extension, bool recursive) {
  std::vector<fs::path> result;
  for (const auto& folder : searchDirs) {
    std::vector<fs::path> part = ListDir(folder, extension, recursive);
    result.insert(result.end(), part.begin(), part.end());
  }
  return result;
}

bool CreateDirectoryRecursive(const char* path) {
  if (!path || !*path) return false;
  auto exists = [](const std::string& p) {
    boost::system::error_code ec;
    return fs::is_directory(plat::ToPath(p), ec);
  };
  std::string p = path;
  switch (plat::MakeDirectory(p)) {
    case plat::MakeDirResult::Created: return true;
    case plat::MakeDirResult::AlreadyExists: return exists(p);
    case plat::MakeDirResult::Failed: return false;
    case plat::MakeDirResult::PathNotFound: break;
  }
  size_t cut = p.find_last_of("\\/");
  if (cut == std::string::npos || cut == 0) return false;
  if (!CreateDirectoryRecursive(p.substr(0, cut).c_str())) return false;
  plat::MakeDirResult r = plat::MakeDirectory(p);
  return r == plat::MakeDirResult::Created || (r == plat::MakeDirResult::AlreadyExists && exists(p));
}
