#pragma once
// "steamid.txt": the file in a Workshop item folder that remembers the item's
// published id. Line 1 is the id in unsigned decimal, then CR LF, then
// "Do not modify or delete this file." with no line end.
#include <boost/filesystem/path.hpp>
#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr char kWorkshopIdFileName[] = "steamid.txt";
// Larger files are refused as damaged: the real one is a few dozen bytes.
inline constexpr size_t kWorkshopIdFileMaxSize = 64 * 1024;

// The id read from the start of the file's text: white space, an optional
// '+', then decimal digits up to the first other character (the rest of the
// text is ignored). false when no digits come first, when the number does not
// fit 64 bits, when it is negative or when it is 0; id is then left as it was.
bool ParseWorkshopIdText(const char* data, size_t size, uint64_t& id);

// The file's whole text for an id.
std::string FormatWorkshopIdText(uint64_t id);

enum class WorkshopIdFileRead {
  kOk,         // id holds the published id
  kMissing,    // no file, or it cannot be opened or read
  kCorrupted,  // the file is there but holds no valid id (or is too large)
};
// Reads folder/"steamid.txt". id is changed only with kOk.
WorkshopIdFileRead ReadWorkshopIdFile(const boost::filesystem::path& folder, uint64_t& id);

// Writes folder/"steamid.txt" through a temporary file and a rename, so a
// failed write keeps any earlier file. false when it cannot be written.
bool WriteWorkshopIdFile(const boost::filesystem::path& folder, uint64_t id);
