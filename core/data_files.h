#pragma once
// DataFiles: turns the bare name of a data file into a path by searching an
// ordered list of folders (the starting folder first, others appended), and
// reads the one data file that is open.
#include <boost/filesystem.hpp>
#include <cstdint>
#include <cstdio>
#include <vector>

class DataFiles {
 public:
  FILE* current = nullptr;
  std::vector<boost::filesystem::path> searchDirs;

  // searchDirs = { the current folder }.
  DataFiles();
  ~DataFiles();
  DataFiles(const DataFiles&) = delete;
  DataFiles& operator=(const DataFiles&) = delete;

  // Looks name up in the search folders (last to first with
  // lastFolderFirst). name is stored text, '\' a separator. Flat: folder /
  // name when it exists. Recursive: the first entry of a depth-first walk
  // whose file name equals name exactly (case matters). name unchanged
  // (separators made native) when nothing matches; an empty path, which
  // opens nothing, for a name that would lead out of a folder (a root or a
  // ".." in it).
  boost::filesystem::path FindFile(const boost::filesystem::path& name, bool recursive, bool lastFolderFirst);
  // Closes any open file, then opens path, as it stands, for reading
  // (plat::OpenFile: regular files only, never waiting). Null on failure.
  FILE* Open(const boost::filesystem::path& path);
  void Close();
  // The path given to the last successful Open (empty when none is open).
  const boost::filesystem::path& CurrentPath() const { return currentPath_; }

  uint8_t ReadByte();
  int32_t ReadInt32();  // little-endian
  size_t Read(void* destination, size_t elementSize, size_t count);
  int Seek(int32_t offset, int origin);  // origin: SEEK_SET, SEEK_CUR, SEEK_END
  int32_t Tell();
  uint32_t FileSize();  // keeps the read position

  // Entries of folder (with recursive: of its subfolders too, depth first)
  // whose extension (from the last '.', dot included) equals extension
  // exactly. A folder that cannot be read is left out after a debug line;
  // the walk goes on after it.
  std::vector<boost::filesystem::path> ListDir(const boost::filesystem::path& folder,
                                               const boost::filesystem::path& extension, bool recursive);
  // ListDir over every search folder, in list order.
  std::vector<boost::filesystem::path> ListAll(const boost::filesystem::path& extension, bool recursive);

 private:
  boost::filesystem::path currentPath_;
};

// Creates the folder, and its missing parents; true when it exists afterwards.
bool CreateDirectoryRecursive(const char* path);
